#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    QMainWindow w;
    w.setWindowTitle(QApplication::applicationName());
    w.resize(1024, 700);
    w.show();
    return app.exec();
}
