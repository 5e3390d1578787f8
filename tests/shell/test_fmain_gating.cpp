// The connection selector and the commands it enables: the gating by connections, server
// version and edition; the registry of commands whose windows live elsewhere; the new-object
// buttons, COMMIT and ROLLBACK, log-off.
#include "shelltest.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace shelltest;

namespace gatingtest {

const char *const gatedActions[] = {
    "actDBCommit",         "actDBRollback",    "actDBLogoff",         "actViewSQL",
    "actViewScript",       "actViewTemplate",  "actViewComp",         "actViewField",
    "actViewSQLCatch",     "actViewSQLCRUD",   "actToolIndexAdviser", "actToolDBTest",
    "actToolCommandSetup", "actAdminUser",     "actAdminStorage",     "actAdminSession",
    "actAdminLock",        "actAdminDatabase", "actAdminPerform",     "actAdminExport",
    "actAdminImport",      "actAdminLoad",     "actAdminDBLink",      "actAdminEventList",
};

QStringList enabledGated(const TfrmMain &main)
{
    QStringList on;
    for (const char *name : gatedActions) {
        if (main.action(name)->isEnabled())
            on << name;
    }
    return on;
}

QStringList enabledNewButtons(const TfrmMain &main)
{
    QStringList on;
    for (int i = 0; i < NewObjectButtonDefCount; ++i) {
        const auto *button = main.findChild<QToolButton *>(NewObjectButtonDefs[i].name);
        if (button->isEnabled())
            on << button->objectName();
    }
    return on;
}

QStringList names(const char *text)
{
    return QString::fromLatin1(text).split(' ', Qt::SkipEmptyParts);
}

} // namespace gatingtest

using namespace gatingtest;

TEST(MainWindowGating, ConnectionsVersionAndEditionEnableExactlyTheListedCommands)
{
    MainEnvironment env;
    AllCommands commands;
    TfrmMain main;

    const QString connected = "actDBCommit actDBRollback actDBLogoff actViewSQL actViewScript "
                              "actViewTemplate actViewComp actViewField actViewSQLCatch "
                              "actViewSQLCRUD actToolIndexAdviser actToolDBTest "
                              "actToolCommandSetup ";
    const QString admin = "actAdminUser actAdminStorage actAdminSession actAdminLock "
                          "actAdminDatabase actAdminPerform actAdminExport actAdminImport "
                          "actAdminLoad ";
    QStringList allButtons;
    for (int i = 0; i < NewObjectButtonDefCount; ++i)
        allButtons << NewObjectButtonDefs[i].name;
    QStringList withoutType = allButtons;
    withoutType.removeAll("btnNewType");

    const struct
    {
        const char *what;
        int version; // 0: no connection
        bool edition;
        QString actions;
        QStringList buttons;
    } cases[] = {
        { "no connection", 0, false, "actToolCommandSetup", {} },
        { "10.x", 100005, false, connected + admin, allButtons },
        { "10.5 with the edition", 100500, true, connected + admin + "actAdminDBLink", allButtons },
        { "11.0 with the edition", 110000, true,
          connected + admin + "actAdminDBLink actAdminEventList", allButtons },
        { "11.0 without the edition", 110000, false, connected + admin, allButtons },
        { "7.4", 70400, false, connected + admin, withoutType },
        { "8.0", 80000, false, connected + admin, allButtons },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<FakeConnectionWindow> db;
        if (c.version) {
            db = std::make_unique<FakeConnectionWindow>("sales", c.version, c.edition);
            main.AddConnection(db.get());
        }
        EXPECT_EQ(enabledGated(main), names(c.actions.toLatin1().constData()));
        EXPECT_EQ(enabledNewButtons(main), c.buttons);
        if (db)
            main.RemoveConnection(db.get());
        // the last connection gone: everything connection-bound is off again
        EXPECT_EQ(enabledGated(main), names("actToolCommandSetup"));
        EXPECT_TRUE(enabledNewButtons(main).isEmpty());
    }
}

TEST(MainWindowGating, SelectingAnotherConnectionRegatesAndBringsItForward)
{
    MainEnvironment env;
    AllCommands commands;
    TfrmMain main;
    FakeConnectionWindow plain("plain", 100000, false);
    FakeConnectionWindow enterprise("edb", 110000, true);
    main.AddConnection(&plain);
    main.AddConnection(&enterprise);
    EXPECT_EQ(main.CurrentForm(), &enterprise);
    EXPECT_TRUE(main.action("actAdminEventList")->isEnabled());
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), &enterprise);

    QComboBox *selector = main.cmbDBName();
    selector->setCurrentIndex(0);
    Q_EMIT selector->activated(0); // as the user's choice
    EXPECT_EQ(main.CurrentForm(), &plain);
    EXPECT_FALSE(main.action("actAdminEventList")->isEnabled());
    EXPECT_FALSE(main.action("actAdminDBLink")->isEnabled());
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), &plain);
    main.RemoveConnection(&enterprise);
    main.RemoveConnection(&plain);
}

TEST(MainWindowGating, CommandsStayDisabledUntilRegisteredAndRunWithTheCurrentConnection)
{
    MainEnvironment env;
    TfrmMain main;
    FakeConnectionWindow db("sales", 150000);
    main.AddConnection(&db);
    QAction *sql = main.action("actViewSQL");
    QAction *options = main.action("actToolScriptOption");
    EXPECT_FALSE(sql->isEnabled());
    EXPECT_FALSE(options->isEnabled());
    // The menus still hold them.
    EXPECT_FALSE(sql->associatedObjects().isEmpty());

    QList<ConnectionWindow *> seen;
    RegisterMainCommand("actViewSQL", { [&](ConnectionWindow *current) { seen << current; }, {} });
    EXPECT_TRUE(sql->isEnabled());
    sql->trigger();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen.first(), &db);

    // an update rule decides as well
    bool allowed = false;
    RegisterMainCommand("actToolScriptOption",
                        { [&](ConnectionWindow *) { seen << nullptr; },
                          [&](ConnectionWindow *) { return allowed; } });
    EXPECT_FALSE(options->isEnabled());
    allowed = true;
    main.UpdateActions();
    EXPECT_TRUE(options->isEnabled());

    // A failure of a command is shown; the silent abort of a window open already is not.
    RegisterMainCommand(
        "actViewSQL",
        { [](ConnectionWindow *) { throw std::runtime_error("the window failed"); }, {} });
    sql->trigger();
    ASSERT_EQ(env.messages.texts.size(), 1);
    EXPECT_EQ(env.messages.texts.first(), "the window failed");
    RegisterMainCommand("actViewSQL", { [](ConnectionWindow *) { throw SilentAbort(); }, {} });
    sql->trigger();
    EXPECT_EQ(env.messages.texts.size(), 1);

    UnregisterMainCommand("actViewSQL");
    UnregisterMainCommand("actToolScriptOption");
    EXPECT_FALSE(sql->isEnabled());
    EXPECT_FALSE(options->isEnabled());
    main.RemoveConnection(&db);
}

TEST(MainWindowGating, NewObjectButtonsForwardTheKindAndShowAFailure)
{
    MainEnvironment env;
    TfrmMain main;
    auto *view = main.findChild<QToolButton *>("btnNewView");
    auto *seq = main.findChild<QToolButton *>("btnNewSeq");
    view->click(); // no connection: nothing happens
    FakeConnectionWindow db("sales", 150000);
    main.AddConnection(&db);
    view->click();
    seq->click();
    EXPECT_EQ(db.newObjects, QList<int>({ 47, 58 }));
    EXPECT_TRUE(env.messages.texts.isEmpty());

    db.newFails = 1;
    view->click();
    EXPECT_EQ(env.messages.texts, QStringList({ "could not open the editor" }));
    db.newFails = 2; // a window for it is open already
    view->click();
    EXPECT_EQ(env.messages.texts.size(), 1);
    main.RemoveConnection(&db);
}

TEST(MainWindowGating, CommitAndRollbackEndTheTransactionAndOpenOneWithoutAutoCommit)
{
    MainEnvironment env;
    TfrmMain main;
    FakeConnectionWindow db("sales", 150000);
    main.AddConnection(&db);
    const struct
    {
        const char *action;
        bool autoCommit;
        QStringList statements;
        const char *word;
    } cases[] = {
        { "actDBCommit", true, { "COMMIT" }, "COMMIT" },
        { "actDBCommit", false, { "COMMIT", "BEGIN" }, "COMMIT" },
        { "actDBRollback", true, { "ROLLBACK" }, "ROLLBACK" },
        { "actDBRollback", false, { "ROLLBACK", "BEGIN" }, "ROLLBACK" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action);
        db.executed.clear();
        AppOption.UpdateToCommit = c.autoCommit;
        main.action(c.action)->trigger();
        EXPECT_EQ(db.executed, c.statements);
        EXPECT_EQ(main.MessageText(),
                  QStringLiteral("現行データベース [ alice @ sales ] のトランザクションを ")
                      + c.word + QStringLiteral(" しました。"));
    }
    // A failing COMMIT is shown, and no BEGIN follows it.
    AppOption.UpdateToCommit = false;
    db.executed.clear();
    db.failOn = "COMMIT";
    main.action("actDBCommit")->trigger();
    EXPECT_TRUE(db.executed.isEmpty());
    EXPECT_EQ(env.messages.texts, QStringList({ "statement failed" }));
    main.RemoveConnection(&db);
}

TEST(MainWindowGating, LogoffClosesTheCurrentConnectionWindowUnlessItRefuses)
{
    MainEnvironment env;
    TfrmMain main;
    auto *db = new FakeConnectionWindow("sales", 150000);
    main.AddConnection(db);
    ASSERT_EQ(main.MDIChildren().size(), 1);
    db->refuseClose = true;
    main.action("actDBLogoff")->trigger();
    EXPECT_EQ(main.MDIChildren().size(), 1);
    db->refuseClose = false;
    QPointer<QMdiSubWindow> frame = qobject_cast<QMdiSubWindow *>(db->parentWidget());
    main.action("actDBLogoff")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.isNull());
    // the window that went took its selector entry with it
    EXPECT_EQ(main.cmbDBName()->count(), 0);
    EXPECT_FALSE(main.action("actDBCommit")->isEnabled());
}
