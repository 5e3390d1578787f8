// The sessions window on the fixture server: the database's sessions, the own one blue, the
// end of a session, and the user's open transaction left as it was by everything the window
// does.
#include "monitortest.h"

#include "monitor/fsession.h"
#include "sqllang/qvmemo.h"

#include <QAction>
#include <QTest>

using namespace monitortest;

namespace sessiontest {

constexpr int applicationColumn = 7;
const QColor blue(0, 0, 255);

bool sessionExists(const testsupport::TestDatabase &db, int pid)
{
    return db.query(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = %1").arg(pid))
        != QLatin1String("0");
}

TEST_F(MonitorTest, SessionsOfTheDatabaseOwnBlueAndDeleteEndsOne)
{
    QPointer<TfrmObject> a = connect(db.name());
    ASSERT_TRUE(a);
    auto victim = openSession(db.name(), QStringLiteral("victim"));
    auto elsewhere = openSession(QStringLiteral("postgres"), QStringLiteral("elsewhere"));
    QPointer<TfrmSession> w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);

    EXPECT_FALSE(rowWith(w->lstSession, applicationColumn, QStringLiteral("elsewhere")));
    QTreeWidgetItem *own = rowWith(w->lstSession, 0, QString::number(a->dbsMain()->backendPid()));
    ASSERT_TRUE(own);
    EXPECT_EQ(w->MYSID, a->dbsMain()->backendPid());
    EXPECT_EQ(own->foreground(0).color(), blue);
    QTreeWidgetItem *row = rowWith(w->lstSession, applicationColumn, QStringLiteral("victim"));
    ASSERT_TRUE(row);
    EXPECT_NE(row->foreground(0).color(), blue);
    EXPECT_EQ(row->text(0), QString::number(victim->backendPid()));
    EXPECT_EQ(row->text(5), db.name());
    EXPECT_EQ(row->text(1), QStringLiteral("idle"));

    // Without a row the command is off and Delete asks nothing.
    EXPECT_FALSE(w->actKill->isEnabled());
    env.messages.texts.clear();
    QTest::keyClick(w->lstSession, Qt::Key_Delete);
    EXPECT_TRUE(env.messages.texts.isEmpty());

    w->lstSession->setCurrentItem(row);
    EXPECT_TRUE(w->actKill->isEnabled());
    const int pid = victim->backendPid();
    QStringList asked;
    {
        ScopedDialogResponder yes([&asked](DialogRequest &r) {
            asked << r.text;
            return IDYES;
        });
        QTest::keyClick(w->lstSession, Qt::Key_Delete);
    }
    EXPECT_EQ(asked, QStringList { QStringLiteral("指定したセッションを切断しますか？") });
    // seen from another connection: the backend has gone
    EXPECT_TRUE(waitUntil([&] { return !sessionExists(db, pid); }));
    // the list was read again after the end
    ASSERT_TRUE(w);
    EXPECT_TRUE(rowWith(w->lstSession, 0, QString::number(a->dbsMain()->backendPid())));
}

TEST_F(MonitorTest, AnsweringNoSendsNothing)
{
    QPointer<TfrmObject> a = connect(db.name());
    auto victim = openSession(db.name(), QStringLiteral("victim"));
    QPointer<TfrmSession> w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    QTreeWidgetItem *row = rowWith(w->lstSession, applicationColumn, QStringLiteral("victim"));
    ASSERT_TRUE(row);
    w->lstSession->setCurrentItem(row);
    {
        ScopedDialogResponder no([](DialogRequest &) { return IDNO; });
        w->actKill->trigger();
    }
    EXPECT_TRUE(sessionExists(db, victim->backendPid()));
}

TEST_F(MonitorTest, SelectedRowShowsItsStatement)
{
    QPointer<TfrmObject> a = connect(db.name());
    auto other = openSession(db.name(), QStringLiteral("other"));
    other->exec(QStringLiteral("SELECT 'the statement'\n  AS second_line"));
    QPointer<TfrmSession> w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    QTreeWidgetItem *row = rowWith(w->lstSession, applicationColumn, QStringLiteral("other"));
    ASSERT_TRUE(row);
    w->lstSession->setCurrentItem(row);
    EXPECT_EQ(w->txtQuery->text(), QStringLiteral("SELECT 'the statement'\n  AS second_line"));
    EXPECT_TRUE(w->txtQuery->isReadOnly());
    w->lstSession->clearSelection();
    EXPECT_TRUE(w->txtQuery->text().isEmpty());
}

// With auto-commit off the connection window's session holds the user's transaction: a
// refresh still sees sessions that came after the window's first look, and a terminate the
// server refuses leaves the user's pending change as it was.
TEST_F(MonitorTestInTransaction, RefreshIsCurrentAndARefusedTerminateKeepsPendingWork)
{
    LoginRole role;
    db.exec(QStringLiteral("GRANT ALL ON TABLE t TO %1").arg(role.name()));
    QPointer<TfrmObject> a = connect(db.name(), role.name());
    ASSERT_TRUE(a);
    ASSERT_TRUE(a->dbsMain()->inTransaction());
    a->ExecuteSQL(QStringLiteral("INSERT INTO t VALUES (2, 'pending')"));

    QPointer<TfrmSession> w = command<TfrmSession>("actAdminSession");
    ASSERT_TRUE(w);
    // A superuser's session opened after the first read.
    auto later = openSession(db.name(), QStringLiteral("later"));
    w->actRefresh->trigger();
    QTreeWidgetItem *row = rowWith(w->lstSession, applicationColumn, QStringLiteral("later"));
    ASSERT_TRUE(row) << "a session opened after the first read is not listed";

    w->lstSession->setCurrentItem(row);
    QStringList messages;
    {
        ScopedDialogResponder yes([&messages](DialogRequest &r) {
            messages << r.text;
            return r.buttons.contains(IDYES) ? IDYES : IDOK;
        });
        w->actKill->trigger();
    }
    EXPECT_EQ(messages,
              QStringList({ QStringLiteral("指定したセッションを切断しますか？"),
                            QStringLiteral("切断に失敗しました。") }));
    EXPECT_TRUE(sessionExists(db, later->backendPid()));
    // the change is still pending: not seen from outside, there after the user's COMMIT
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM t WHERE id = 2")), "0");
    a->ExecuteSQL(QStringLiteral("COMMIT"));
    EXPECT_EQ(db.query(QStringLiteral("SELECT v FROM t WHERE id = 2")), "pending");
}

} // namespace sessiontest
