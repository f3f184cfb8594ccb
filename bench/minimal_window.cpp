// The yardstick for the program's start: the least a Qt Widgets program does
// to show a 2040 x 2040 dot picture, loaded from the same file and painted
// one pixel per dot in a window of the same size, quitting after its first
// paint.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>

namespace {

class PictureWindow : public QWidget {
public:
    explicit PictureWindow(QImage image) : m_image(std::move(image)) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.drawImage(event->rect(), m_image, event->rect());
        QTimer::singleShot(0, qApp, &QApplication::quit);
    }

private:
    QImage m_image;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    PictureWindow window{QImage(QString::fromLocal8Bit(argv[1]))};
    window.resize(600, 600);
    window.show();
    return QApplication::exec();
}
