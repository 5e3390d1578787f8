// Shows the dependency frame on a fixture table inside a main window double over a fresh
// database of the test server, with the main window's own object pictures, and saves the
// picture.
//
//   corvane_crossdemo CROSS.png [schema name code]   (server from CORVANE_TEST_SERVER)
#include "appdoubles.h"
#include "crosshost.h"
#include "picturemain.h"

#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "editors/tables/rcross.h"
#include "shell/fmainimg.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QTest>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: corvane_crossdemo CROSS.png [schema name code]\n");
        return 2;
    }
    QApplication app(argc, argv);
    AppOption.CrossLevel = 3;
    const QString schema = argc == 5 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("dep");
    const QString name = argc == 5 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("item");
    const int code = argc == 5 ? QString::fromLocal8Bit(argv[4]).toInt() : ObjType::Table;
    try {
        testsupport::TestDatabase db;
        PictureMainWindow main;
        appdoubles::TestConnectionWindow conn(db.name(), true);
        main.addConnection(&conn);
        main.resize(1100, 700);
        main.show();
        if (!QTest::qWaitForWindowExposed(&main))
            return 1;
        auto *host = new CrossHost(&conn, code);
        host->setWindowTitle(schema + u'.' + name);
        main.ShowChildWindow(host);
        host->parentWidget()->resize(1000, 560);
        host->fraCross->ShowData(schema, name, QString(), QString());
        host->fraCross->lstTree2->setFocus();
        host->fraCross->lstTree2->setCurrentItem(
            host->fraCross->lstTree2->topLevelItem(0)->child(0));
        QTest::qWait(200);
        const bool saved = main.grab().save(QString::fromLocal8Bit(argv[1]));
        delete host->parentWidget();
        return saved ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
