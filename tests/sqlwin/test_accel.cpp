// The SQL window's tool-bar accelerators inside the program's main window: with the SQL window
// active, Alt and the underlined letter run its own command, not the main menu's.
#include "../shell/shelltest.h"

#include "browser/fobject.h"
#include "core/qvtoolwindows.h"
#include "sqlwin/fsql.h"
#include "sqlwin/sqlwindows.h"
#include "testserver.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace shelltest;

namespace acceltest {

// The main window with a connection window on a fresh database, and an SQL window opened by
// the main window's SQL command, the SQL window registered as the program registers it.
class AccelTest : public ::testing::Test
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
        connection = TfrmObject::Create(main.get(), s.host, QString::number(s.port), db.name(),
                                        "public", s.user, QString());
        ASSERT_TRUE(connection);
        db.exec("create table t (id int primary key, v text)");
        main->UpdateActions();
        main->action("actViewSQL")->trigger();
        QMdiSubWindow *active = main->mdiArea()->activeSubWindow();
        ASSERT_TRUE(active);
        sql = qobject_cast<TfrmSQL *>(active->widget());
        ASSERT_TRUE(sql);
        QApplication::setActiveWindow(main.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        sql->txtSQL->setFocus();
    }
    void TearDown() override
    {
        for (QMdiSubWindow *sub : main->mdiArea()->subWindowList())
            delete sub;
        main.reset();
        RegisterToolWindow(QString::fromLatin1(ToolWindowSQL), {});
    }

    // Sends Alt+key to the widget that has the focus, as the keyboard does.
    void altKey(Qt::Key key)
    {
        QWidget *target = QApplication::focusWidget();
        ASSERT_TRUE(target);
        QTest::keyClick(target, key, Qt::AltModifier);
    }

    // Whether one of the main menu's drop-downs is open.
    bool menuOpen() const
    {
        for (QMenu *menu : main->menuBar()->findChildren<QMenu *>()) {
            if (menu->isVisible())
                return true;
        }
        return false;
    }

    MainEnvironment env;
    testsupport::TestDatabase db;
    std::unique_ptr<TfrmMain> main;
    QPointer<TfrmObject> connection;
    QPointer<TfrmSQL> sql;
};

TEST_F(AccelTest, AltERunsTheSqlWindowsStatement)
{
    sql->txtSQL->setText("insert into t values (1, 'a')");
    altKey(Qt::Key_E);
    EXPECT_FALSE(menuOpen());
    EXPECT_EQ(db.query("select v from t where id = 1"), "a");
    EXPECT_EQ(env.messages.texts,
              QStringList({ QStringLiteral(" SQLを実行しました。\r\n(対象：1 レコード )") }));
    // the key typed nothing into the editor
    EXPECT_EQ(sql->txtSQL->text(), "insert into t values (1, 'a')");
}

TEST_F(AccelTest, HistoryKeysAndExitActInTheSqlWindow)
{
    sql->txtSQL->setText("select 1");
    sql->txtSQL->setModified(true);
    altKey(Qt::Key_E);
    sql->txtSQL->setText("select 2");
    sql->txtSQL->setModified(true);
    altKey(Qt::Key_E);
    ASSERT_EQ(sql->FLog, 0);

    altKey(Qt::Key_P); // 前
    EXPECT_EQ(sql->txtSQL->text(), "select 1");
    altKey(Qt::Key_N); // 次
    EXPECT_EQ(sql->txtSQL->text(), "select 2");
    EXPECT_FALSE(menuOpen());

    // 終了 closes the SQL window, not the program
    altKey(Qt::Key_X);
    for (int i = 0; i < 20 && sql; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sql.isNull());
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(connection);
}

TEST_F(AccelTest, MainMenuKeepsItsKeysWhenAnotherWindowIsActive)
{
    // With the connection window in front, Alt+E is the main menu's again: the SQL window's
    // statement does not run.
    sql->txtSQL->setText("insert into t values (2, 'b')");
    main->mdiArea()->setActiveSubWindow(
        qobject_cast<QMdiSubWindow *>(connection->connectionWidget()->parentWidget()));
    ASSERT_NE(main->mdiArea()->activeSubWindow()->widget(), sql.data());
    connection->connectionWidget()->setFocus();
    altKey(Qt::Key_E);
    EXPECT_EQ(db.query("select count(*) from t"), "0");
    for (QMenu *menu : main->menuBar()->findChildren<QMenu *>())
        menu->close();
}

} // namespace acceltest
