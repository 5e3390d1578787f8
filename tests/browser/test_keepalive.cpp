// The keep-alive: its interval in seconds from the first tick, its statement, its pause under
// a long loop, and a failure that stops it, reported once.
#include "browsertest.h"

#include "core/qvcancel.h"
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "platform/pg/connection.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using browsertest::BrowserTest;

namespace keepalivetest {

TEST_F(BrowserTest, KeepAliveCountsSecondsFromTheFirstTick)
{
    struct Case
    {
        int option;
        bool active;
        int interval;
    };
    for (const Case &c : { Case { 60, true, 60000 }, Case { 1, true, 1000 }, Case { 0, false, 0 },
                           Case { -5, false, 0 } }) {
        SCOPED_TRACE(c.option);
        AppOption.KeepAliveInterval = c.option;
        TfrmObject *window = open();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->KeepAliveTimer()->isActive(), c.active);
        if (c.active) {
            EXPECT_EQ(window->KeepAliveTimer()->interval(), c.interval);
        }
        closeWindow(window);
    }
}

// A change of the option in the options dialog reaches the timer at its next tick.
TEST_F(BrowserTest, KeepAliveFollowsTheOption)
{
    AppOption.KeepAliveInterval = 30;
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    AppOption.KeepAliveInterval = 2;
    window->tmrKeepAliveTimer();
    EXPECT_EQ(window->KeepAliveTimer()->interval(), 2000);
    EXPECT_TRUE(window->KeepAliveTimer()->isActive());
    AppOption.KeepAliveInterval = 0;
    window->tmrKeepAliveTimer();
    EXPECT_FALSE(window->KeepAliveTimer()->isActive());
}

TEST_F(BrowserTest, KeepAliveSendsItsStatement)
{
    AppOption.KeepAliveInterval = 1;
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    const QString sql
        = QStringLiteral("SELECT query FROM pg_stat_activity WHERE pid = %1").arg(window->MYSID);
    QElapsedTimer waited;
    waited.start();
    while (query(sql) != "SELECT 1 " && waited.elapsed() < 5000)
        QTest::qWait(100);
    EXPECT_EQ(query(sql), "SELECT 1 ");
    EXPECT_GE(waited.elapsed(), 500);
    EXPECT_TRUE(window->KeepAliveTimer()->isActive());
}

TEST_F(BrowserTest, KeepAliveWaitsWhileALongLoopRuns)
{
    AppOption.KeepAliveInterval = 30;
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    {
        CancelGuard guard;
        EXPECT_FALSE(window->KeepAliveTimer()->isActive());
    }
    EXPECT_TRUE(window->KeepAliveTimer()->isActive());
}

TEST_F(BrowserTest, KeepAliveFailureStopsItAndIsReportedOnce)
{
    AppOption.KeepAliveInterval = 30;
    QList<DialogRequest> requests;
    ScopedDialogResponder responder([&requests](DialogRequest &request) {
        requests << request;
        return IDOK;
    });
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    query(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(window->MYSID));
    window->tmrKeepAliveTimer();
    window->tmrKeepAliveTimer();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(requests[0].text.contains("データベースとの接続を維持できませんでした。"));
    EXPECT_FALSE(window->KeepAliveTimer()->isActive());
    EXPECT_TRUE(window->SessionBroken());
    // the window still closes cleanly
    closeWindow(window);
    EXPECT_EQ(requests.size(), 1);
    EXPECT_EQ(main.selector()->count(), 0);
}

// A failed statement inside the auto-commit-off transaction makes every statement fail until
// ROLLBACK, the keep-alive's too; the session is alive all the same.
TEST_F(BrowserTest, KeepAliveInsideAFailedTransactionIsNoFailure)
{
    AppOption.UpdateToCommit = false;
    AppOption.KeepAliveInterval = 30;
    int messages = 0;
    ScopedDialogResponder responder([&messages](DialogRequest &) {
        ++messages;
        return IDOK;
    });
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_THROW(window->ExecuteSQL("SELECT * FROM nosuch"), pg::Error);
    window->tmrKeepAliveTimer();
    EXPECT_EQ(messages, 0);
    EXPECT_TRUE(window->KeepAliveTimer()->isActive());
    EXPECT_FALSE(window->SessionBroken());
}

// A lost session that another statement found stops the keep-alive without a message of its
// own: the statement's caller reports it.
TEST_F(BrowserTest, LostSessionStopsKeepAlive)
{
    AppOption.KeepAliveInterval = 30;
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    query(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(window->MYSID));
    EXPECT_THROW(window->ExecuteSQL("SELECT 1"), pg::Error);
    EXPECT_TRUE(window->SessionBroken());
    EXPECT_FALSE(window->KeepAliveTimer()->isActive());
}

} // namespace keepalivetest
