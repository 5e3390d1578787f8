// The DDL runner and the compile sequence around it: one transaction, a savepoint per
// statement, stop or go on at an error, commit checked, checked from a second connection.
#include "appdoubles.h"
#include "runnerdriver.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "testserver.h"
#include "ui/ddlrun.h"
#include "ui/fddlexec.h"
#include "ui/fddlpreview.h"

#include <QApplication>
#include <QCheckBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using runnertest::RunnerDriver;
using runnertest::runnerWindow;

namespace ddlruntest {

TEST(DdlStatements, SplitJoinAndSkip)
{
    const QStringList script {
        ";", "CREATE TABLE a (x int)", "", ";", ";", "  ", ";", "SELECT 1,", "  2", " ;", "SELECT 3"
    };
    // " ;" is a statement end for every reader of the convention; lines are joined with LF.
    const QStringList expected { "CREATE TABLE a (x int)\n", "SELECT 1,\n  2", "SELECT 3" };
    EXPECT_EQ(DdlStatements(script), expected);
}

enum class Stop { Close, Continue, GoOn };

struct RunCase
{
    const char *name;
    QStringList script;
    Stop atStop;
    bool userTransaction;
    bool result; // what the compile reports
    QStringList applied; // tables a second connection sees afterwards (t1, t2, t3)
    int errors;
    // The script drops t2 and creates it again (t2 exists before the run): it runs
    // all-or-nothing, and a failure rolls everything back, also after going on.
    bool replaces = false;
};

// The runner's controls, found as a user's tools find them: by their names.
QPushButton *continueButton(TfrmDDLExec *runner)
{
    return runner->findChild<QPushButton *>(QStringLiteral("btnOK"));
}

QCheckBox *stopOption(TfrmDDLExec *runner)
{
    return runner->findChild<QCheckBox *>(QStringLiteral("chkErrorStop"));
}

// A fresh database, a settings file, and a main window with a connection window on the
// database; the runner closes itself after a clean run and the preview stays off.
class RunnerTable : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedOption = AppOption;
        AppOption.ShowDDL = false;
        AppOption.CloseDDL = true;
        conn = std::make_unique<appdoubles::TestConnectionWindow>(db.name(), true);
        main.addConnection(conn.get());
        main.resize(900, 600);
        main.show();
    }
    void TearDown() override
    {
        const QList<QMdiSubWindow *> subs = main.mdiArea()->subWindowList();
        for (QMdiSubWindow *sub : subs)
            delete sub;
        AppOption = m_savedOption;
    }

    QString query(const QString &sql) const { return db.query(sql); }

    testsupport::TestDatabase db;
    appdoubles::OwnRegistry registry;
    appdoubles::TestMainWindow main;
    std::unique_ptr<appdoubles::TestConnectionWindow> conn;

private:
    TqvOption m_savedOption;
};

TEST_F(RunnerTable, Cases)
{
    const QStringList threeWithBadSecond { "CREATE TABLE t1 (x int)",          ";",
                                           "CREATE TABLE t2 (x no_such_type)", ";",
                                           "CREATE TABLE t3 (x int)",          ";" };
    const QStringList threeGood { "CREATE TABLE t1 (x int)", ";", "CREATE TABLE t2 (x int)", ";",
                                  "CREATE TABLE t3 (x int)", ";" };
    // The deferred key is checked at COMMIT, which the server then turns into a rollback.
    const QStringList commitFails {
        "CREATE TABLE t1 (id int PRIMARY KEY, p int REFERENCES t1 DEFERRABLE INITIALLY DEFERRED)",
        ";", "INSERT INTO t1 VALUES (1, 99)", ";"
    };
    // t2 dropped and created again, then an independent statement.
    const QStringList replaceBad {
        "DROP TABLE t2",           ";", "CREATE TABLE t2 (x no_such_type)", ";",
        "CREATE TABLE t3 (x int)", ";"
    };
    const QStringList replaceGood { "DROP TABLE t2",           ";", "CREATE TABLE t2 (y int)", ";",
                                    "CREATE TABLE t3 (x int)", ";" };
    const RunCase cases[] = {
        { "all good", threeGood, Stop::Close, false, true, { "t1", "t2", "t3" }, 0 },
        { "stop at the second, abandon", threeWithBadSecond, Stop::Close, false, false, {}, 1 },
        { "stop at the second, continue",
          threeWithBadSecond,
          Stop::Continue,
          false,
          false,
          { "t1", "t3" },
          1 },
        // The pause gives the user time to untick the box before the failing statement.
        { "go on after the error",
          QStringList { "SELECT pg_sleep(0.2)", ";" } + threeWithBadSecond,
          Stop::GoOn,
          false,
          false,
          { "t1", "t3" },
          1 },
        { "commit refused", commitFails, Stop::Close, false, false, {}, 1 },
        { "inside the user's transaction", threeGood, Stop::Close, true, true, {}, 0 },
        // A script that drops what it creates again: whatever the option and the continue
        // say, a failure leaves t2 as it was and nothing else committed.
        { "replace: all good", replaceGood, Stop::Close, false, true, { "t2", "t3" }, 0, true },
        { "replace: stop, abandon", replaceBad, Stop::Close, false, false, { "t2" }, 1, true },
        { "replace: stop, continue", replaceBad, Stop::Continue, false, false, { "t2" }, 1, true },
        { "replace: go on after the error",
          QStringList { "SELECT pg_sleep(0.2)", ";" } + replaceBad,
          Stop::GoOn,
          false,
          false,
          { "t2" },
          1,
          true },
        { "replace: continue inside the user's transaction",
          replaceBad,
          Stop::Continue,
          true,
          false,
          { "t2" }, // committed before the user's transaction began
          1,
          true },
    };
    for (const RunCase &c : cases) {
        SCOPED_TRACE(c.name);
        conn->ExecuteSQL("DROP TABLE IF EXISTS t1, t2, t3");
        if (c.replaces)
            conn->ExecuteSQL("CREATE TABLE t2 (x int)");
        pg::Connection &session = *conn->dbsMain();
        if (c.userTransaction)
            session.startTransaction();
        QStringList seenWhileStopped { "unset" };
        const ScopedDialogResponder yes([](DialogRequest &r) {
            return r.text == QStringLiteral("処理を中断しますか？") ? IDYES : IDOK;
        });
        RunnerDriver driver(
            [&](TfrmDDLExec *runner) {
                seenWhileStopped
                    = testsupport::queryColumn(db.conninfo(),
                                               "SELECT relname FROM pg_class WHERE relname IN "
                                               "('t1','t2','t3') ORDER BY 1");
                if (c.atStop == Stop::Continue) {
                    QPushButton *button = continueButton(runner);
                    ASSERT_NE(button, nullptr);
                    EXPECT_TRUE(button->isEnabled());
                    QTest::mouseClick(button, Qt::LeftButton);
                } else {
                    runner->close();
                }
            },
            [&](TfrmDDLExec *runner) {
                if (c.atStop == Stop::GoOn) {
                    QCheckBox *option = stopOption(runner);
                    ASSERT_NE(option, nullptr);
                    QTest::mouseClick(option, Qt::LeftButton);
                    EXPECT_FALSE(option->isChecked());
                }
            });
        int afterSuccess = 0;
        TCompileRequest req;
        req.Schema = "public";
        req.ObjName = "t";
        req.AllOrNothing = c.replaces;
        req.AfterSuccess = [&afterSuccess] { ++afterSuccess; };
        const bool ok = RunCompileSequence(conn.get(), c.script, req);
        EXPECT_EQ(ok, c.result);
        EXPECT_FALSE(runnerWindow());
        if (driver.stops > 0) {
            // Nothing of the run is visible outside while it waits; t2 as it was before.
            EXPECT_EQ(seenWhileStopped, c.replaces ? QStringList { "t2" } : QStringList())
                << seenWhileStopped.join(",").toStdString();
        }
        EXPECT_EQ(driver.lastLog.count(QStringLiteral("《エラー》")), c.errors)
            << driver.lastLog.toStdString();
        const QString rolledBack = QStringLiteral("ROLLBACK\nエラーがあったため、すべての変更を取り"
                                                  "消しました。");
        if (c.replaces && c.atStop != Stop::Close) {
            // Every statement was tried, and the log says that none of them stayed.
            EXPECT_TRUE(driver.lastLog.contains(rolledBack)) << driver.lastLog.toStdString();
            EXPECT_TRUE(driver.lastLog.contains("CREATE TABLE t3 (x int)\n《正常終了》"))
                << driver.lastLog.toStdString();
        } else {
            EXPECT_FALSE(driver.lastLog.contains(rolledBack)) << driver.lastLog.toStdString();
        }
        if (c.userTransaction) {
            // The compile ended its savepoint and left the user's transaction open.
            EXPECT_TRUE(session.inTransaction());
            EXPECT_EQ(conn->dbsMain()
                          ->exec("SELECT string_agg(relname, ',' ORDER BY relname) FROM pg_class "
                                 "WHERE relname IN ('t1','t2','t3')")
                          .text(0, 0),
                      c.replaces ? "t2" : "t1,t2,t3");
            session.rollback();
        } else {
            EXPECT_FALSE(session.inTransaction());
        }
        EXPECT_EQ(testsupport::queryColumn(db.conninfo(),
                                           "SELECT relname FROM pg_class WHERE relname IN "
                                           "('t1','t2','t3') ORDER BY 1"),
                  c.applied);
        if (c.replaces) {
            // The old t2 is the one that stayed: its column x, not the new y.
            EXPECT_EQ(query("SELECT string_agg(attname, ',') FROM pg_attribute WHERE attrelid = "
                            "'t2'::regclass AND attnum > 0"),
                      c.result ? "y" : "x");
        }
        const bool committedSomething
            = c.replaces ? c.result : !c.applied.isEmpty() || c.userTransaction;
        EXPECT_EQ(afterSuccess, committedSomething ? 1 : 0);
    }
}

TEST_F(RunnerTable, CommitRefusalIsLogged)
{
    RunnerDriver driver;
    TCompileRequest req;
    const bool ok = RunCompileSequence(
        conn.get(),
        { "CREATE TABLE t1 (id int PRIMARY KEY, p int REFERENCES t1 DEFERRABLE INITIALLY "
          "DEFERRED)",
          ";", "INSERT INTO t1 VALUES (1, 99)", ";" },
        req);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(driver.lastLog.contains("COMMIT\n《エラー》")) << driver.lastLog.toStdString();
    EXPECT_TRUE(driver.lastLog.contains("エラー: 1 件"));
}

TEST_F(RunnerTable, PreviewCancelledRunsNothing)
{
    AppOption.ShowDDL = true;
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *preview = qobject_cast<TfrmDDLPreview *>(w); preview && w->isVisible()) {
                shown = preview->windowTitle() == QStringLiteral("public.t1 のコンパイル")
                    && preview->txtLog->toPlainText() == "CREATE TABLE t1 (x int)\n;";
                preview->btnCancel->click();
            }
        }
    });
    TCompileRequest req;
    req.Schema = "public";
    req.ObjName = "t1";
    EXPECT_FALSE(RunCompileSequence(conn.get(), { "CREATE TABLE t1 (x int)", ";" }, req));
    EXPECT_TRUE(shown);
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname = 't1'"), "0");
}

TEST_F(RunnerTable, EmptyScriptFinishesAndCloses)
{
    RunnerDriver driver;
    TCompileRequest req;
    EXPECT_TRUE(RunCompileSequence(conn.get(), { ";", ";" }, req));
    EXPECT_FALSE(runnerWindow());
}

} // namespace ddlruntest
