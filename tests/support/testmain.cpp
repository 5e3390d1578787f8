// The main of every test program: a QApplication on the offscreen platform (unless the caller
// chose another, e.g. xcb under Xvfb for screenshots), and settings, data and documents folders
// of the process's own, so that no test sees another's files or the user's.
#include "testserver.h"

#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString tmp = testsupport::testTempDir();
    for (const char *var : {"XDG_CONFIG_HOME", "CORVANE_DATA_DIR", "CORVANE_DOCUMENT_DIR"}) {
        const QString dir = tmp + "/" + QString::fromLatin1(var).toLower();
        QDir().mkpath(dir);
        qputenv(var, dir.toUtf8());
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    return RUN_ALL_TESTS();
}
