// The SQL window in the program's main window, registered as the program registers it: the
// main window's SQL command is there only while the window is registered; the window belongs
// to the main window, so it survives the connection window it was opened from once the user
// has bound it to another connection, and goes with the connection it is bound to.
#include "../shell/shelltest.h"

#include "browser/fobject.h"
#include "core/qvappwindows.h"
#include "core/qvtoolwindows.h"
#include "platform/pg/dataset.h"
#include "sqlwin/fsql.h"
#include "sqlwin/sqlwindows.h"
#include "testserver.h"
#include "ui/rdata.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace shelltest;

namespace ownertest {

// The main window with connection windows on two fresh databases, a and b (b opened last, so
// the current one), each with an empty table t.
class SqlWindowOwnerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterSqlWindows();
        main = std::make_unique<TfrmMain>();
        main->resize(1000, 700);
        main->show();
        // the main window read the options when it was made
        AppOption.KeepAliveInterval = 0;
        AppOption.UpdateToCommit = true;
        const testsupport::ServerInfo &s = testsupport::server();
        for (auto [db, window] : { std::pair { &dbA, &a }, std::pair { &dbB, &b } }) {
            db->exec("create table t (id int primary key, v text)");
            *window = TfrmObject::Create(main.get(), s.host, QString::number(s.port), db->name(),
                                         "public", s.user, QString());
            ASSERT_TRUE(*window);
        }
        main->UpdateActions();
    }
    void TearDown() override
    {
        for (QMdiSubWindow *sub : main->mdiArea()->subWindowList())
            delete sub;
        main.reset();
        RegisterToolWindow(QString::fromLatin1(ToolWindowSQL), {});
    }

    // Brings window to the front as a click on it does: its connection becomes the current one.
    void activate(TfrmObject *window)
    {
        main->mdiArea()->setActiveSubWindow(subWindow(window));
        main->UpdateActions();
    }
    // The main window's SQL command; the window it opened.
    TfrmSQL *viewSQL()
    {
        main->action("actViewSQL")->trigger();
        QMdiSubWindow *active = main->mdiArea()->activeSubWindow();
        return active ? qobject_cast<TfrmSQL *>(active->widget()) : nullptr;
    }
    // Sets the text as typed and runs it.
    static void run(TfrmSQL *w, const QString &text)
    {
        w->txtSQL->setText(text);
        w->txtSQL->setModified(true);
        w->actExecExecute();
    }
    // Closes the child window around widget as its close button does, and lets it go with
    // whatever goes with it.
    static void closeChild(QWidget *widget)
    {
        subWindow(widget)->close();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static QMdiSubWindow *subWindow(QWidget *widget)
    {
        return qobject_cast<QMdiSubWindow *>(widget->parentWidget());
    }

    MainEnvironment env;
    testsupport::TestDatabase dbA;
    testsupport::TestDatabase dbB;
    std::unique_ptr<TfrmMain> main;
    QPointer<TfrmObject> a;
    QPointer<TfrmObject> b;
};

TEST_F(SqlWindowOwnerTest, SqlCommandIsThereWhileTheWindowIsRegistered)
{
    QAction *sql = main->action("actViewSQL");
    EXPECT_TRUE(sql->isEnabled());
    RegisterToolWindow(QString::fromLatin1(ToolWindowSQL), {});
    EXPECT_FALSE(sql->isEnabled());
    RegisterSqlWindows();
    EXPECT_TRUE(sql->isEnabled());
    // without a connection there is nothing to open it on
    closeChild(a);
    closeChild(b);
    ASSERT_FALSE(a || b);
    main->UpdateActions();
    EXPECT_FALSE(sql->isEnabled());
}

// The size a child window keeps is its frame's: opened again it takes that size, and closing it
// unchanged keeps the same figures (it does not grow by the frame at every open).
TEST_F(SqlWindowOwnerTest, AChildWindowOpensAtTheSizeItWasClosedAt)
{
    const QString key = QString::fromLatin1(QvRegistryRoot) + "\\GUI\\EXECSQL";
    const auto stored = [&] {
        const std::optional<reg::Value> width = env.store().value(key, "Width");
        const std::optional<reg::Value> height = env.store().value(key, "Height");
        return width && height ? QSize(int(width->dword), int(height->dword)) : QSize();
    };
    activate(a);
    QPointer<TfrmSQL> w = viewSQL();
    ASSERT_TRUE(w);
    subWindow(w)->resize(640, 420);
    closeChild(w);
    ASSERT_FALSE(w);
    EXPECT_EQ(stored(), QSize(640, 420));
    for (int open = 0; open < 2; ++open) {
        SCOPED_TRACE(open);
        w = viewSQL();
        ASSERT_TRUE(w);
        EXPECT_EQ(subWindow(w)->size(), QSize(640, 420));
        closeChild(w);
        EXPECT_EQ(stored(), QSize(640, 420));
    }

    // The connection window alike.
    const testsupport::ServerInfo &s = testsupport::server();
    subWindow(b)->resize(700, 450);
    closeChild(b);
    ASSERT_FALSE(b);
    b = TfrmObject::Create(main.get(), s.host, QString::number(s.port), dbB.name(), "public",
                           s.user, QString());
    ASSERT_TRUE(b);
    EXPECT_EQ(subWindow(b)->size(), QSize(700, 450));
}

TEST_F(SqlWindowOwnerTest, SurvivesTheCloseOfTheConnectionItWasOpenedFrom)
{
    activate(a);
    QPointer<TfrmSQL> w = viewSQL();
    ASSERT_TRUE(w);
    ASSERT_EQ(w->OwnerForm(), static_cast<ConnectionWindow *>(a.data()));
    run(w, "select 1");
    const QString text = "insert into t values (1, 'typed for b')";
    w->txtSQL->setText(text);

    // The user picks b in the window's own connection chooser.
    const int entryB = w->cmbDBName->findData(QVariant::fromValue<QObject *>(b.data()));
    ASSERT_GE(entryB, 0);
    w->cmbDBName->setFocus();
    QTest::keyClick(w->cmbDBName,
                    entryB > w->cmbDBName->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(w->OwnerForm(), static_cast<ConnectionWindow *>(b.data()));

    closeChild(a);
    ASSERT_FALSE(a);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->txtSQL->text(), text);
    EXPECT_EQ(w->OwnerForm(), static_cast<ConnectionWindow *>(b.data()));
    EXPECT_EQ(w->cmbDBName->count(), 1);
    // the text runs on b; a's frames of the earlier run are gone with the run
    env.messages.texts.clear();
    w->actExec->trigger();
    EXPECT_EQ(env.messages.texts,
              QStringList({ QStringLiteral(" SQLを実行しました。\r\n(対象：1 レコード )") }));
    EXPECT_EQ(dbB.query("select v from t where id = 1"), "typed for b");
    EXPECT_EQ(dbA.query("select count(*) from t"), "0");

    // The connection it is bound to goes: the window goes with it, without a question.
    w->txtSQL->setText("select 'not run'");
    w->txtSQL->setModified(true);
    env.messages.texts.clear();
    closeChild(b);
    ASSERT_FALSE(b);
    EXPECT_FALSE(w);
    EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join('\n').toStdString();
}

TEST_F(SqlWindowOwnerTest, ClosingAnotherConnectionLeavesTheWindowBound)
{
    activate(b);
    QPointer<TfrmSQL> w = viewSQL();
    ASSERT_TRUE(w);
    ASSERT_EQ(w->OwnerForm(), static_cast<ConnectionWindow *>(b.data()));
    closeChild(a);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->OwnerForm(), static_cast<ConnectionWindow *>(b.data()));
    EXPECT_EQ(w->cmbDBName->count(), 1);
}

TEST_F(SqlWindowOwnerTest, OpenedByNameWithTextItRunsOrExplains)
{
    struct Case
    {
        const char *name;
        const char *sql;
        bool explain;
        bool execute;
        const char *rowsInA; // t's rows in a afterwards
    };
    const Case cases[] = {
        { "run", "insert into t values (5, 'x')", false, true, "1" },
        { "explain", "insert into t values (6, 'y')", true, true, "1" },
        { "text only", "insert into t values (7, 'z')", false, false, "1" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TToolWindowArgs args;
        args.SQLText = c.sql;
        args.Explain = c.explain;
        args.Execute = c.execute;
        // b is the current connection: the caller's connection is the one the window takes
        QPointer<TfrmSQL> w
            = qobject_cast<TfrmSQL *>(OpenToolWindow(QString::fromLatin1(ToolWindowSQL), a, args));
        ASSERT_TRUE(w);
        EXPECT_EQ(w->OwnerForm(), static_cast<ConnectionWindow *>(a.data()));
        EXPECT_EQ(w->txtSQL->text(), c.sql);
        EXPECT_EQ(w->btnExplan->isChecked(), c.explain);
        EXPECT_EQ(w->pagExplan->isVisibleTo(w), c.explain);
        // the plan of the statement, which itself did not run
        EXPECT_EQ(w->fraExplan->qryData->isActive(), c.explain);
        EXPECT_EQ(dbA.query("select count(*) from t"), c.rowsInA);
        closeChild(w);
    }
    EXPECT_EQ(dbB.query("select count(*) from t"), "0");
}

} // namespace ownertest
