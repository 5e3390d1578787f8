// Shows the SQL window inside a main window with a connection window on a fresh database of
// the test server: a statement with a parameter is typed and run twice (the first run asks for
// the value), giving two result tabs beside the parameter grid; saves a picture of the main
// window.
//
//   corvane_sqldemo OUT.png      (server from CORVANE_TEST_SERVER, as ctest's fixture writes)
#include "browserdoubles.h"

#include "browser/fobject.h"
#include "core/qvoption.h"
#include "sqlwin/fsql.h"
#include "testserver.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QTest>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_sqldemo OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    AppOption.UpdateToCommit = true;
    AppOption.CharacterSet = QStringLiteral("UTF8");
    AppOption.SQLBuf = 0;
    AppOption.DataColWidthV = 30;
    AppOption.DataColWidthH = 20;
    try {
        testsupport::TestDatabase db;
        db.exec("CREATE TABLE item (id int PRIMARY KEY, name text, price numeric(8,2)); "
                "INSERT INTO item SELECT g, '品目' || g, g * 12.5 FROM generate_series(1, 40) g");
        browsertest::MainDouble main;
        main.resize(1200, 800);
        main.show();
        if (!QTest::qWaitForWindowExposed(&main))
            return 1;
        const testsupport::ServerInfo &s = testsupport::server();
        TfrmObject *connection
            = TfrmObject::Create(&main, s.host, QString::number(s.port), db.name(),
                                 QStringLiteral("public"), s.user, QString());
        TfrmSQL *w = TfrmSQL::Open(&main);
        if (!connection || !w)
            return 1;
        if (auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget()))
            sub->showMaximized();
        QTest::keyClicks(w->txtSQL, "select * from item where price > :min_price order by id");
        QTest::keyClick(w->txtSQL, Qt::Key_Return);
        QTest::keyClicks(w->txtSQL, ";");
        QTest::keyClick(w->txtSQL, Qt::Key_Return);
        QTest::keyClicks(w->txtSQL,
                         "select count(*), sum(price) from item where price > :min_price");
        w->actExec->trigger(); // asks for the value
        w->grdParam->item(0, 1)->setText("300");
        w->grdParam->item(0, 2)->setText("numeric");
        w->actExec->trigger();
        QTest::qWait(300);
        const bool saved = main.grab().save(QString::fromLocal8Bit(argv[1]));
        std::printf("tabs %d, rows %d\n", int(w->pagData->count()), int(w->ResultFrames().size()));
        w->close();
        connection->close();
        QTest::qWait(100);
        return saved ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
