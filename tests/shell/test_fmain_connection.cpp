// The main window with a real connection window on a fresh database of the fixture server: the
// window joins the selector and the gating, its activation shows the buttons of its server,
// COMMIT reaches its session, and closing the main window closes it first.
#include "shelltest.h"

#include "browser/fobject.h"
#include "testserver.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QMdiArea>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace shelltest;

TEST(MainWindowConnection, AConnectionWindowJoinsGatesAndClosesWithTheMainWindow)
{
    MainEnvironment env;
    AllCommands commands;
    AppOption.KeepAliveInterval = 0;
    testsupport::TestDatabase db;
    const testsupport::ServerInfo &s = testsupport::server();
    {
        TfrmMain main;
        main.show();
        QPointer<TfrmObject> window = TfrmObject::Create(&main, s.host, QString::number(s.port),
                                                         db.name(), "public", s.user, QString());
        ASSERT_FALSE(window.isNull());
        AppOption.UpdateToCommit = true; // the window read the options when it was made

        EXPECT_EQ(main.cmbDBName()->count(), 1);
        EXPECT_EQ(main.CurrentForm(), window.data());
        const QString key = ConnectionKey(*window);
        EXPECT_EQ(main.cmbDBName()->currentText(), key);
        EXPECT_EQ(main.GetDBForm(key), window.data());
        EXPECT_EQ(main.connectionWindows().size(), 1);

        // The fixture server: version 15, not the enterprise edition.
        EXPECT_GE(window->DBVer(), 150000);
        EXPECT_TRUE(main.action("actAdminUser")->isEnabled());
        EXPECT_TRUE(main.action("actDBCommit")->isEnabled());
        EXPECT_FALSE(main.action("actAdminDBLink")->isEnabled());
        EXPECT_FALSE(main.action("actAdminEventList")->isEnabled());

        // Its activation shows the new-object buttons of the kinds this server has.
        main.ConnectionActivated(window);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest); // the bar lays out
        auto placed = [&](const char *name) {
            auto *button = main.findChild<QToolButton *>(name);
            return button && button->isVisibleTo(main.findChild<QToolBar *>("pnlNewObj"));
        };
        EXPECT_TRUE(placed("btnNewMView"));
        EXPECT_TRUE(placed("btnNewAgrg"));
        EXPECT_TRUE(placed("btnNewProc"));
        EXPECT_FALSE(placed("btnNewPack"));
        EXPECT_FALSE(placed("btnNewSynonym"));
        EXPECT_FALSE(main.action("actAdminDBLink")->isVisible());

        // COMMIT on the real session, and its text.
        main.action("actDBCommit")->trigger();
        EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join('\n').toStdString();
        EXPECT_EQ(main.MessageText(),
                  QStringLiteral("現行データベース [ ") + s.user + QStringLiteral(" @ ") + db.name()
                      + QStringLiteral(" ] のトランザクションを COMMIT しました。"));

        // Closing the main window closes the connection window first.
        EXPECT_TRUE(main.close());
        for (int i = 0; i < 20 && window; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(main.cmbDBName()->count(), 0);
    }
    EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join('\n').toStdString();
    // the session is gone from the server
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = '")
                       + db.name() + QStringLiteral("' AND pid <> pg_backend_pid()")),
              "0");
}

TEST(MainWindowConnection, ActivationShowsTheButtonsOfTheServersKinds)
{
    MainEnvironment env;
    AllCommands commands;
    TfrmMain main;
    main.show();
    const struct
    {
        const char *what;
        int version;
        bool edition;
        const char *shown; // of MView, Agrg, Proc, Pack, Synonym
        bool dbLink;
        bool events;
    } cases[] = {
        { "9.2", 90200, false, "", false, false },
        { "9.3", 90300, false, "btnNewMView", false, false },
        { "9.4", 90400, false, "btnNewMView btnNewAgrg", false, false },
        { "11", 110000, false, "btnNewMView btnNewAgrg btnNewProc", false, false },
        { "10 with the edition", 100000, true,
          "btnNewMView btnNewAgrg btnNewProc btnNewPack btnNewSynonym", true, false },
        { "11 with the edition", 110000, true,
          "btnNewMView btnNewAgrg btnNewProc btnNewPack btnNewSynonym", true, true },
    };
    const char *const optional[]
        = { "btnNewMView", "btnNewAgrg", "btnNewProc", "btnNewPack", "btnNewSynonym" };
    const auto *bar = main.findChild<QToolBar *>("pnlNewObj");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        FakeConnectionWindow db("sales", c.version, c.edition);
        main.AddConnection(&db);
        main.ConnectionActivated(&db);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QStringList shown;
        for (const char *name : optional) {
            if (main.findChild<QToolButton *>(name)->isVisibleTo(bar))
                shown << name;
        }
        EXPECT_EQ(shown.join(' '), QString::fromLatin1(c.shown));
        EXPECT_TRUE(main.findChild<QToolButton *>("btnNewTable")->isVisibleTo(bar));
        EXPECT_EQ(main.action("actAdminDBLink")->isVisible(), c.dbLink);
        EXPECT_EQ(main.action("actAdminDBLink")->isEnabled(), c.dbLink);
        EXPECT_EQ(main.action("actAdminEventList")->isEnabled(), c.events);
        main.RemoveConnection(&db);
    }
}

TEST(MainWindowConnection, LeavingTheSelectorSelectsTheLastRemainingEntry)
{
    MainEnvironment env;
    TfrmMain main;
    FakeConnectionWindow a("a", 150000);
    FakeConnectionWindow b("b", 150000);
    FakeConnectionWindow c("c", 150000);
    main.AddConnection(&a);
    main.AddConnection(&b);
    main.AddConnection(&c);
    main.SelectConnection(ConnectionKey(a));
    main.RemoveConnection(&b);
    EXPECT_EQ(main.CurrentForm(), &c);
    main.RemoveConnection(&c);
    EXPECT_EQ(main.CurrentForm(), &a);
    main.RemoveConnection(&a);
    EXPECT_EQ(main.CurrentForm(), nullptr);
    EXPECT_EQ(main.cmbDBName()->currentIndex(), -1);
    // the status text service
    main.SetStatusText("接続中");
    EXPECT_EQ(main.MessageText(), "接続中");
}
