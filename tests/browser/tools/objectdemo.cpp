// Shows a connection window connected to a fresh database of the test server inside a main
// window with its connection selector and task bar, and saves a picture of the main window.
//
//   corvane_objectdemo OUT.png      (server from CORVANE_TEST_SERVER, as ctest's fixture writes)
#include "browserdoubles.h"

#include "browser/flogon.h"
#include "browser/fobject.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"
#include "ui/qvstdctl.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_objectdemo OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane for Postgres"));
    AppOption.UpdateToCommit = true;
    AppOption.CharacterSet = QStringLiteral("UTF8");
    AppOption.KeepAliveInterval = 60;
    // The object kinds of the tree, as a fresh settings file has them.
    for (bool *on :
         { &AppOption.ShowTable, &AppOption.ShowIndex, &AppOption.ShowView, &AppOption.ShowProc,
           &AppOption.ShowFunc, &AppOption.ShowPack, &AppOption.ShowType, &AppOption.ShowTrigger,
           &AppOption.ShowSeq, &AppOption.ShowSynonym, &AppOption.ShowMView, &AppOption.ShowConst,
           &AppOption.ShowRule, &AppOption.ShowAgrg })
        *on = true;
    try {
        testsupport::TestDatabase db;
        browsertest::MainDouble main;
        main.resize(1000, 680);
        main.show();
        if (!QTest::qWaitForWindowExposed(&main))
            return 1;
        const testsupport::ServerInfo &s = testsupport::server();
        TfrmObject *window = TfrmObject::Create(&main, s.host, QString::number(s.port), db.name(),
                                                QStringLiteral("inv"), s.user, QString());
        QTest::qWait(300);
        const bool saved = main.grab().save(QString::fromLocal8Bit(argv[1]));
        {
            TfrmLogon logon(&main);
            logon.txtUserID->setText(s.user);
            logon.txtHost->setText(QStringLiteral("localhost"));
            logon.txtPort->setText(QString::number(s.port));
            logon.txtDatabase->setText(db.name());
            TfrmLogon::AddConnectItem(logon.lstUserID, s.user, QStringLiteral("localhost"),
                                      db.name(), QStringLiteral("inv"), QString::number(s.port),
                                      QString(), QStringLiteral("DB000"));
            logon.show();
            QTest::qWait(200);
            QString logonFile = QString::fromLocal8Bit(argv[1]);
            logonFile.replace(QStringLiteral(".png"), QStringLiteral("-logon.png"));
            logon.grab().save(logonFile);
        }
        std::printf("DBVer %d, MYSID %d, schema %s, keep-alive %d ms\n", window->DBVer(),
                    window->MYSID,
                    qPrintable(window->dbsMain()->param(QStringLiteral("MetaDefSchema"))),
                    window->KeepAliveTimer()->interval());
        window->close();
        QTest::qWait(100);
        return saved ? 0 : 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
