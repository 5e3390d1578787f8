// corvane_screengrab PICTURE: saves the whole screen of the X display (every program's
// windows) as PICTURE; for looking at the program under Xvfb where no other grabber exists.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    return QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[1]))
        ? 0
        : 1;
}
