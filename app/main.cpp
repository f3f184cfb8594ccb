#include "main_frame.h"
#include "message_box.h"
#include "vellumio_app.h"
#include "vellumio_view.h"
#include "vellumio_build_info.h"

#include <QApplication>
#include <QFont>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // Answered before the application object exists, so it needs no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return std::printf("vellumio %s\n", kVellumioVersion) < 0 ? 1 : 0;
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName("QUORIX");
    QCoreApplication::setApplicationName("Vellumio");
    // The start-up benchmark measures up to the first picture on screen, so
    // its messages (a 2040-dot picture is wider than the output fields take)
    // go to standard error instead of waiting for a click.
    const bool benchmark = qEnvironmentVariableIsSet("VELLUMIO_QUIT_AFTER_FIRST_PAINT");
    if (!benchmark)
        InstallMessageBoxHandler();
    // The window's layouts were drawn for an 8-point dialog font.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    CVellumioApp app;
    if (!app.InitInstance(QApplication::arguments())) {
        app.ExitInstance();
        return 1;
    }
    if (benchmark)
        QObject::connect(&app.MainFrame()->View(), &CVellumioView::PicturePainted, &application,
                         [] { QTimer::singleShot(0, qApp, &QApplication::quit); });
    QApplication::exec();
    return app.ExitInstance();
}
