#include "message_box.h"

#include "user_message.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        break;
    }
    return QMessageBox::Warning;
}

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

MessageChoice Choice(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return MessageChoice::Cancel;
    case QMessageBox::Yes:
        return MessageChoice::Yes;
    case QMessageBox::No:
        return MessageChoice::No;
    default:
        return MessageChoice::Ok;
    }
}

}  // namespace

void InstallMessageBoxHandler()
{
    SetMessageHandler([](const std::string& text, MessageIcon icon, MessageButtons buttons) {
        QMessageBox box(BoxIcon(icon), "Vellumio", QString::fromStdString(text), BoxButtons(buttons),
                        QApplication::activeWindow());
        return Choice(box.exec());
    });
}
