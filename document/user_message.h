#pragma once

#include <functional>
#include <string>

enum class MessageIcon { Warning, Information, Question, Error };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageChoice { Ok, Cancel, Yes, No };

// Every message box of the program passes through one handler, so that the
// window shows it and a test can answer it, or fail on one it did not expect.
using MessageHandler = std::function<MessageChoice(const std::string& text, MessageIcon icon, MessageButtons buttons)>;

// Shows the text with the program's title. Without a handler installed the
// text goes to standard error and the answer is the one that changes nothing
// (Ok for a plain message, Cancel or No for a question).
MessageChoice ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Warning,
                          MessageButtons buttons = MessageButtons::Ok);

// Installs a handler (an empty one restores the default) and returns the
// previous one.
MessageHandler SetMessageHandler(MessageHandler handler);
