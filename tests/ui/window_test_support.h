#pragma once

// What the window and application tests share: the commands, the sample logo,
// a bitmap writer and a settings store of their own.
#include "picture_factory.h"

#include <QCoreApplication>
#include <QSettings>

inline constexpr int kOpen = 57601, kSave = 57603, kSaveAs = 57604, kRecentFile = 57616, kInput = 32771,
                     kOutput = 32772;
inline const QString kSample = qEnvironmentVariable("VELLUMIO_TEST_SOURCE_DIR") + "/examples/sample-logo.bmp";

// An all-white bitmap of this size.
inline bool WriteBitmap(const QString& path, std::uint32_t width, std::uint32_t height)
{
    const auto picture = CreatePicture(PT_BITMAP, path.toStdString());
    std::string message;
    picture->CropFrom(0, 0, 0, 0, width, height, {}, message);
    picture->OpenFile(FileAccess::Write, FileDisposition::CreateAlways, message);
    return picture->Write(width, height, message) == PR_OK;
}

// The program's settings go to `folder`, never to the user's store.
inline void UseSettingsIn(const QString& folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QCoreApplication::setOrganizationName("QUORIX");
    QCoreApplication::setApplicationName("Vellumio");
}
