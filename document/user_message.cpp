#include "user_message.h"

#include <iostream>
#include <utility>

namespace {

MessageHandler& CurrentHandler()
{
    static MessageHandler handler;
    return handler;
}

MessageChoice Unchanging(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return MessageChoice::Cancel;
    case MessageButtons::YesNo:
        return MessageChoice::No;
    case MessageButtons::Ok:
        break;
    }
    return MessageChoice::Ok;
}

}  // namespace

MessageChoice ShowMessage(const std::string& text, MessageIcon icon, MessageButtons buttons)
{
    if (const MessageHandler& handler = CurrentHandler())
        return handler(text, icon, buttons);
    std::cerr << "Vellumio: " << text << '\n';
    return Unchanging(buttons);
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    return std::exchange(CurrentHandler(), std::move(handler));
}
