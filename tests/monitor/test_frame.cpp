// The frame the monitoring windows share, through the sessions window opened by the main
// window's command: one window per connection, the binding that follows the connection list,
// the size kept under GUI\SESSION, the window's menu in the main window's menu bar.
#include "monitortest.h"

#include "core/qvreg.h"
#include "monitor/fsession.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenuBar>

using namespace monitortest;

namespace frametest {

class FrameTest : public MonitorTest
{
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        a = connect(dbA.name());
        b = connect(dbB.name());
        ASSERT_TRUE(a && b);
    }
    testsupport::TestDatabase dbA;
    testsupport::TestDatabase dbB;
    QPointer<TfrmObject> a;
    QPointer<TfrmObject> b;
};

TEST_F(FrameTest, OneWindowPerConnection)
{
    activate(a);
    QPointer<TfrmSession> first = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("セッション情報 - ") + ConnectionKey(*a));
    EXPECT_EQ(first->OwnerForm(), static_cast<ConnectionWindow *>(a.data()));
    EXPECT_EQ(first->cmbDBName->count(), 2);
    EXPECT_EQ(first->cmbDBName->currentText(), ConnectionKey(*a));

    // Again on a: the open window comes to the front, no second one is made.
    activate(a);
    EXPECT_EQ(command<TfrmSession>("actAdminSession"), first.data());
    EXPECT_EQ(windowsOf<TfrmSession>(), 1);

    activate(b);
    QPointer<TfrmSession> second = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(second);
    EXPECT_NE(second.data(), first.data());
    EXPECT_EQ(second->OwnerForm(), static_cast<ConnectionWindow *>(b.data()));
    EXPECT_EQ(windowsOf<TfrmSession>(), 2);
}

TEST_F(FrameTest, FollowsTheConnectionList)
{
    activate(a);
    QPointer<TfrmSession> w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    // Another connection goes: only the list changes.
    closeChild(b);
    ASSERT_FALSE(b);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->cmbDBName->count(), 1);
    EXPECT_EQ(w->OwnerForm(), static_cast<ConnectionWindow *>(a.data()));
    // Its own connection goes: the window goes with it.
    closeChild(a);
    ASSERT_FALSE(a);
    EXPECT_FALSE(w);
}

TEST_F(FrameTest, ChoosingAnotherConnectionRebindsAndRereads)
{
    activate(a);
    QPointer<TfrmSession> w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    const int entryB = w->cmbDBName->findText(ConnectionKey(*b));
    ASSERT_GE(entryB, 0);
    w->cmbDBName->setCurrentIndex(entryB);
    Q_EMIT w->cmbDBName->activated(entryB);
    EXPECT_EQ(w->OwnerForm(), static_cast<ConnectionWindow *>(b.data()));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("セッション情報 - ") + ConnectionKey(*b));
    // the rows are b's sessions now
    ASSERT_GT(w->lstSession->topLevelItemCount(), 0);
    for (int i = 0; i < w->lstSession->topLevelItemCount(); ++i)
        EXPECT_EQ(w->lstSession->topLevelItem(i)->text(5), dbB.name());
}

TEST_F(FrameTest, SizeSavedWhileMaximisedIsKept)
{
    // The connection windows open maximised, and so would every window after them.
    subWindow(a)->showNormal();
    subWindow(b)->showNormal();
    activate(a);
    QPointer<TfrmSession> w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    subWindow(w)->resize(640, 420);
    closeChild(w);
    ASSERT_FALSE(w);

    activate(a);
    w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    EXPECT_EQ(subWindow(w)->size(), QSize(640, 420));
    subWindow(w)->showMaximized();
    closeChild(w);

    // The next one opens maximised as the last one was; back to normal it has the kept size.
    activate(a);
    w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    subWindow(w)->showNormal();
    EXPECT_EQ(subWindow(w)->size(), QSize(640, 420));
    ASSERT_TRUE(
        AppRegistry->OpenKey(QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\SESSION"), false));
    EXPECT_EQ(AppRegistry->GetInteger(QStringLiteral("Width"), 0), 640);
    EXPECT_EQ(AppRegistry->GetInteger(QStringLiteral("Height"), 0), 420);
    AppRegistry->CloseKey();
}

TEST_F(FrameTest, AFailedReloadIsShownAndPutsTheCursorBack)
{
    activate(a);
    QPointer<TfrmSession> w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    // The main session is ended from outside: the next read fails.
    testsupport::exec(
        dbA.conninfo(),
        QStringLiteral("SELECT pg_terminate_backend(%1)").arg(a->dbsMain()->backendPid()));
    env.messages.texts.clear();
    w->actRefresh->trigger();
    EXPECT_EQ(env.messages.texts.size(), 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w);
}

TEST_F(FrameTest, TheWindowMenuIsInTheMainMenuBarWhileInFront)
{
    auto menuTitles = [this] {
        QStringList titles;
        for (QAction *item : main->menuBar()->actions()) {
            if (item->isVisible())
                titles << item->text();
        }
        return titles;
    };
    activate(a);
    QPointer<TfrmSession> w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    EXPECT_TRUE(menuTitles().contains(QStringLiteral("セッション情報(&O)")));
    activate(a);
    EXPECT_FALSE(menuTitles().contains(QStringLiteral("セッション情報(&O)")));
}

TEST_F(FrameTest, CommandsAreThereWhileTheWindowsAreRegistered)
{
    const struct
    {
        const char *action;
        const char *caption;
    } commands[] = {
        { "actAdminSession", "セッション情報(&S)" },
        { "actAdminLock", "ロック情報(&L)" },
        { "actAdminDatabase", "サーバ情報(&D)" },
    };
    for (const auto &c : commands) {
        SCOPED_TRACE(c.action);
        QAction *action = main->action(QLatin1String(c.action));
        EXPECT_EQ(action->text(), QString::fromUtf8(c.caption));
        EXPECT_TRUE(action->isEnabled());
    }
    closeChild(a);
    closeChild(b);
    main->UpdateActions();
    for (const auto &c : commands)
        EXPECT_FALSE(main->action(QLatin1String(c.action))->isEnabled()) << c.action;
}

} // namespace frametest
