#pragma once

#include <QWidget>

// A tab page whose controls arrive in a later version: it names what will
// come there.
QWidget* MakeComingPage(const QString& title, const QString& text, QWidget* parent = nullptr);
