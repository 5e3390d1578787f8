// Shows the table editor on a fixture table inside a main window double over a fresh database
// of the test server, with the main window's own pictures, and saves its definition page, its
// source page and, when named, its storage and row-policy pages.
//
//   corvane_tabledemo DEFINE.png SOURCE.png [STORAGE.png POLICY.png]
//   (server from CORVANE_TEST_SERVER)
#include "appdoubles.h"
#include "picturemain.h"

#include "core/qvoption.h"
#include "editors/tables/ftable.h"
#include "shell/fmainimg.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr,
                     "usage: corvane_tabledemo DEFINE.png SOURCE.png [STORAGE.png POLICY.png]\n");
        return 2;
    }
    QApplication app(argc, argv);
    AppOption.ShowStorageSource = true;
    try {
        testsupport::TestDatabase db;
        PictureMainWindow main;
        appdoubles::TestConnectionWindow conn(db.name(), true);
        main.addConnection(&conn);
        main.resize(1100, 720);
        main.show();
        if (!QTest::qWaitForWindowExposed(&main))
            return 1;
        TfrmTable *window
            = TfrmTable::Open(&conn, QStringLiteral("tbl"), QStringLiteral("product"));
        if (!window)
            return 1;
        window->parentWidget()->resize(1000, 640);
        QTest::qWait(200);
        bool saved = main.grab().save(QString::fromLocal8Bit(argv[1]));
        window->pagObject->setCurrentWidget(window->tabSource);
        QTest::qWait(200);
        saved = main.grab().save(QString::fromLocal8Bit(argv[2])) && saved;
        if (argc == 5) {
            window->pagObject->setCurrentWidget(window->tabStorage);
            QTest::qWait(200);
            saved = main.grab().save(QString::fromLocal8Bit(argv[3])) && saved;
            window->pagObject->setCurrentWidget(window->tabPolicy);
            window->lstPolicy->setCurrentItem(window->lstPolicy->topLevelItem(2));
            QTest::qWait(200);
            saved = main.grab().save(QString::fromLocal8Bit(argv[4])) && saved;
        }
        delete window->parentWidget();
        return saved ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
