// The DDL runner and the compile sequence around it: one transaction, a savepoint per
// statement, stop or go on at an error, commit checked, checked from a second connection.
#include "editorstest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "editors/tables/ddlrun.h"
#include "editors/tables/fddlexec.h"
#include "editors/tables/fddlpreview.h"
#include "platform/pg/connection.h"

#include <QPlainTextEdit>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

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
};

class RunnerTable : public EditorTest
{
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
    };
    for (const RunCase &c : cases) {
        SCOPED_TRACE(c.name);
        conn->ExecuteSQL("DROP TABLE IF EXISTS t1, t2, t3");
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
                if (c.atStop == Stop::Continue)
                    runner->btnOK->click();
                else
                    runner->close();
            },
            [&](TfrmDDLExec *runner) {
                if (c.atStop == Stop::GoOn)
                    runner->chkErrorStop->setChecked(false);
            });
        int afterSuccess = 0;
        TCompileRequest req;
        req.Schema = "public";
        req.ObjName = "t";
        req.AfterSuccess = [&afterSuccess] { ++afterSuccess; };
        const bool ok = RunCompileSequence(conn.get(), c.script, req);
        EXPECT_EQ(ok, c.result);
        EXPECT_FALSE(editorstest::runnerWindow());
        if (driver.stops > 0) {
            EXPECT_TRUE(seenWhileStopped.isEmpty()) << seenWhileStopped.join(",").toStdString();
        }
        EXPECT_EQ(driver.lastLog.count(QStringLiteral("《エラー》")), c.errors)
            << driver.lastLog.toStdString();
        EXPECT_EQ(testsupport::queryColumn(db.conninfo(),
                                           "SELECT relname FROM pg_class WHERE relname IN "
                                           "('t1','t2','t3') ORDER BY 1"),
                  c.applied);
        if (c.userTransaction) {
            // The compile released its savepoint and left the user's transaction open.
            EXPECT_TRUE(session.inTransaction());
            EXPECT_EQ(conn->dbsMain()
                          ->exec("SELECT count(*) FROM pg_class WHERE relname IN "
                                 "('t1','t2','t3')")
                          .text(0, 0),
                      "3");
            session.rollback();
        } else {
            EXPECT_FALSE(session.inTransaction());
        }
        const bool committedSomething = !c.applied.isEmpty() || c.userTransaction;
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
    EXPECT_FALSE(editorstest::runnerWindow());
}

} // namespace ddlruntest
