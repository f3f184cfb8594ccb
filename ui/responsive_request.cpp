#include "responsive_request.h"

#include "printer_request.h"

#include <QEventLoop>

#include <thread>

PrinterReply AskPrinterResponsively(ICommunication& communication, std::span<const std::uint8_t> command,
                                    std::int32_t expectedLength)
{
    PrinterReply reply;
    QEventLoop waiting;
    std::thread request([&] {
        reply = AskPrinter(communication, command, expectedLength);
        QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
    });
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    request.join();
    return reply;
}
