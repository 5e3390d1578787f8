// The locks window against real waits: a table lock and a row lock, each with a second session
// blocked behind a first one.
#include "monitortest.h"

#include "monitor/flock.h"

#include <QAction>
#include <QScopeGuard>

using namespace monitortest;

namespace locktest {

constexpr int typeColumn = 1;
constexpr int heldColumn = 6;
constexpr int durationColumn = 7;
const QColor red(255, 0, 0);
const QColor blue(0, 0, 255);

// A session that runs one statement in a thread of its own and is blocked there until the
// session in its way ends its transaction.
class BlockedSession
{
public:
    BlockedSession(const QString &database, const QString &statement)
    {
        m_thread = std::thread([this, database, statement] {
            try {
                auto session = openSession(database, QStringLiteral("blocked"));
                m_pid = session->backendPid();
                session->exec(statement);
            } catch (const std::exception &e) {
                m_error = QString::fromUtf8(e.what());
            }
        });
    }
    ~BlockedSession()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    int pid() const { return m_pid; }
    QString error() const { return m_error; }
    void join() { m_thread.join(); }

private:
    std::thread m_thread;
    std::atomic<int> m_pid { 0 };
    QString m_error;
};

// Whether pid waits for a lock, seen from another connection.
bool waits(const testsupport::TestDatabase &db, int pid)
{
    return pid != 0
        && db.query(QStringLiteral("SELECT count(*) FROM pg_locks WHERE NOT granted AND pid = %1")
                        .arg(pid))
        != QLatin1String("0");
}

class LockTest : public MonitorTestInTransaction
{
protected:
    // The window on a connection window that holds the user's open transaction, read after
    // the blocking began.
    TfrmLock *openWindow()
    {
        a = connect(db.name());
        return command<TfrmLock>("actAdminLock");
    }
    QPointer<TfrmObject> a;
};

TEST_F(LockTest, ATableLockWaitIsRed)
{
    auto holder = openSession(db.name(), QStringLiteral("holder"));
    holder->exec(QStringLiteral("BEGIN; LOCK TABLE t IN ACCESS EXCLUSIVE MODE"));
    BlockedSession blocked(db.name(), QStringLiteral("SELECT * FROM t"));
    // Whatever the test finds, the blocked session is let go before it is waited for.
    const auto release = qScopeGuard([&holder] { holder->exec(QStringLiteral("ROLLBACK")); });
    ASSERT_TRUE(waitUntil([&] { return waits(db, blocked.pid()); }));

    QPointer<TfrmLock> w = openWindow();
    ASSERT_TRUE(w);
    const QList<QTreeWidgetItem *> rows = rowsWith(w->lstLock, 0, QString::number(blocked.pid()));
    QTreeWidgetItem *waiting = nullptr;
    for (QTreeWidgetItem *row : rows) {
        if (row->text(heldColumn) == QStringLiteral("待ち"))
            waiting = row;
    }
    ASSERT_TRUE(waiting);
    EXPECT_EQ(waiting->text(4), QStringLiteral("t"));
    EXPECT_EQ(waiting->foreground(0).color(), red);
    QTreeWidgetItem *held = rowWith(w->lstLock, 0, QString::number(holder->backendPid()));
    ASSERT_TRUE(held);
    EXPECT_EQ(held->text(heldColumn), QStringLiteral("保持"));
    EXPECT_NE(held->foreground(0).color(), red);
    // the window's own session reads pg_locks and so holds locks: drawn blue
    QTreeWidgetItem *own = rowWith(w->lstLock, 0, QString::number(a->dbsMain()->backendPid()));
    ASSERT_TRUE(own);
    EXPECT_EQ(own->foreground(0).color(), blue);

    holder->exec(QStringLiteral("COMMIT"));
    blocked.join();
    EXPECT_TRUE(blocked.error().isEmpty()) << blocked.error().toStdString();
}

// A row lock wait is a wait for the other transaction's id, a lock of no database.
TEST_F(LockTest, ARowLockWaitIsListedRedWithCurrentAges)
{
    QPointer<TfrmObject> early = connect(db.name()); // a transaction that began before the others
    auto holder = openSession(db.name(), QStringLiteral("holder"));
    holder->exec(QStringLiteral("BEGIN; UPDATE t SET v = 'holder' WHERE id = 1"));
    BlockedSession blocked(db.name(), QStringLiteral("UPDATE t SET v = 'blocked' WHERE id = 1"));
    // Whatever the test finds, the blocked session is let go before it is waited for.
    const auto release = qScopeGuard([&holder] { holder->exec(QStringLiteral("ROLLBACK")); });
    ASSERT_TRUE(waitUntil([&] { return waits(db, blocked.pid()); }));

    activate(early);
    QPointer<TfrmLock> w = command<TfrmLock>("actAdminLock");
    ASSERT_TRUE(w);
    QTreeWidgetItem *waiting = nullptr;
    for (QTreeWidgetItem *row : rowsWith(w->lstLock, 0, QString::number(blocked.pid()))) {
        if (row->text(heldColumn) == QStringLiteral("待ち"))
            waiting = row;
    }
    ASSERT_TRUE(waiting) << "the blocked UPDATE shows no waiting row";
    EXPECT_EQ(waiting->text(typeColumn), QStringLiteral("transactionid"));
    EXPECT_EQ(waiting->foreground(0).color(), red);

    // Ages are measured to now, also from a session whose own transaction began first.
    int aged = 0;
    for (int i = 0; i < w->lstLock->topLevelItemCount(); ++i) {
        const QString age = w->lstLock->topLevelItem(i)->text(durationColumn);
        if (age.isEmpty())
            continue;
        ++aged;
        EXPECT_FALSE(age.contains(QLatin1Char('-'))) << age.toStdString();
    }
    EXPECT_GT(aged, 0);

    holder->exec(QStringLiteral("COMMIT"));
    blocked.join();
}

} // namespace locktest
