// The runner of the PostgreSQL client tools: output logged line by line as it comes, exit
// codes, cancelling, the environment, and a real pg_dump of a sample database.
#include "core/qvconsole.h"
#include "core/qvsub.h"

#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

namespace consoletest {

struct Captured
{
    QStringList lines;
    TqvConsoleLogFunction log { [this](const QString &line) { lines << line; } };
};

TConsoleRunResult runShell(const QString &script, TqvConsoleLog &log,
                           const QStringList &scriptArgs = {},
                           const TConsoleRunOptions &options = {})
{
    return RunConsoleProgram("sh", QStringList { "-c", script, "sh" } + scriptArgs, log, options);
}

// Lines end at LF, CR LF (also split over two writes) and CR; each line reaches the log while
// the child is still running: the child goes on only after its first line has been logged.
TEST(ConsoleRunner, LogsLinesLiveWhateverTheirEnd)
{
    QTemporaryDir dir;
    const QString flag = dir.filePath("go-on");
    QStringList lines;
    bool runningAtFirstLine = false;
    TqvConsoleRunner runner;
    TqvConsoleLogFunction log([&](const QString &line) {
        if (lines.isEmpty()) {
            runningAtFirstLine = runner.isRunning();
            QFile touch(flag);
            (void)touch.open(QIODevice::WriteOnly);
        }
        lines << line;
    });
    const TConsoleRunResult result
        = runner.Run("sh",
                     { "-c",
                       "printf 'first\\n'; i=0;"
                       " while [ ! -f \"$1\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done;"
                       " [ -f \"$1\" ] || printf 'late\\n';"
                       " printf 'second\\r\\n\\nthird\\r'; sleep 0.2; printf '\\nfourth\\rfifth'",
                       "sh", flag },
                     log);
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.succeeded());
    EXPECT_TRUE(runningAtFirstLine);
    EXPECT_EQ(lines, (QStringList { "first", "second", "", "third", "fourth", "fifth" }));
}

TEST(ConsoleRunner, KeepsCharactersSplitBetweenReads)
{
    Captured out;
    // 日 and 本 in UTF-8, the first one cut after its second byte.
    runShell("printf '\\346\\227'; sleep 0.2; printf '\\245\\346\\234\\254\\n'", out.log);
    EXPECT_EQ(out.lines, QStringList { QString::fromUtf8("日本") });
}

TEST(ConsoleRunner, LogsStandardErrorToo)
{
    Captured out;
    const TConsoleRunResult result
        = runShell("printf 'to out\\n'; sleep 0.1; printf 'to err\\n' >&2; sleep 0.1;"
                   " printf 'unterminated err' >&2",
                   out.log);
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(out.lines, (QStringList { "to out", "to err", "unterminated err" }));
}

TEST(ConsoleRunner, ReportsTheExitCode)
{
    for (const int code : { 0, 1, 3, 255 }) {
        Captured out;
        const TConsoleRunResult result
            = runShell(QStringLiteral("printf 'x\\n'; exit %1").arg(code), out.log);
        EXPECT_TRUE(result.started);
        EXPECT_FALSE(result.crashed);
        EXPECT_FALSE(result.cancelled);
        EXPECT_EQ(result.exitCode, code);
        EXPECT_EQ(result.succeeded(), code == 0);
        EXPECT_EQ(out.lines, QStringList { "x" });
    }
}

TEST(ConsoleRunner, ProgramThatCannotStartLogsNothing)
{
    Captured out;
    const TConsoleRunResult result
        = RunConsoleProgram("/nonexistent/corvane-tool", { "--help" }, out.log);
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.succeeded());
    EXPECT_FALSE(result.errorText.isEmpty());
    EXPECT_TRUE(out.lines.isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The caller's cancel poll, the cancel slot, and a child that ignores the polite request.
TEST(ConsoleRunner, CancelEndsTheChild)
{
    {
        Captured out;
        int polls = 0;
        TConsoleRunOptions options;
        options.cancelRequested = [&] { return ++polls >= 3; };
        const TConsoleRunResult result
            = runShell("printf 'started\\n'; exec sleep 30", out.log, {}, options);
        EXPECT_TRUE(result.started);
        EXPECT_TRUE(result.cancelled);
        EXPECT_FALSE(result.succeeded());
        EXPECT_EQ(out.lines, QStringList { "started" });
    }
    {
        Captured out;
        TqvConsoleRunner runner;
        runner.setKillDelay(200);
        QTimer::singleShot(300, &runner, &TqvConsoleRunner::cancel);
        const TConsoleRunResult result
            = runner.Run("sh", { "-c", "trap '' TERM; while :; do sleep 0.1; done" }, out.log);
        EXPECT_TRUE(result.cancelled);
        EXPECT_TRUE(result.crashed);
        EXPECT_FALSE(runner.isRunning());
    }
}

// The application goes on handling its events (painting, timers) while the child runs.
TEST(ConsoleRunner, EventsAreHandledWhileTheChildRuns)
{
    Captured out;
    TqvConsoleRunner runner;
    bool firedWhileRunning = false;
    QTimer::singleShot(50, &runner, [&] { firedWhileRunning = runner.isRunning(); });
    runner.Run("sh", { "-c", "sleep 0.5" }, out.log);
    EXPECT_TRUE(firedWhileRunning);
}

TEST(ConsoleRunner, PasswordTravelsInTheEnvironment)
{
    Captured out;
    TConsoleRunOptions options;
    options.environment.insert("PGPASSWORD", "s3cret pass");
    const TConsoleRunResult result
        = runShell("printf '%s|%s\\n' \"$PGPASSWORD\" \"$#\"", out.log, {}, options);
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(out.lines, QStringList { "s3cret pass|0" });
}

TEST(ConsoleRunner, FailingLogIsRaisedAfterTheChildEnded)
{
    TqvConsoleRunner runner;
    TqvConsoleLogFunction log([](const QString &) { throw std::runtime_error("log full"); });
    EXPECT_THROW(runner.Run("sh", { "-c", "printf 'a\\nb\\n'; exec sleep 30" }, log),
                 std::runtime_error);
    EXPECT_FALSE(runner.isRunning());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(ConsoleRunner, ShortPathDir)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).absolutePath();
    EXPECT_EQ(GetShortPathDir(path), path + '/');
    EXPECT_EQ(GetShortPathDir(path + '/'), path + '/');
    EXPECT_EQ(GetShortPathDir(path + "/missing"), QString());
    EXPECT_EQ(GetShortPathDir(QString()), QString());
}

TEST(ConsoleRunner, FindsThePostgreSQLTools)
{
    PostgreSQLLocation.clear();
    LoadPostgreSQLLocation();
    ASSERT_FALSE(PostgreSQLLocation.isEmpty());
    EXPECT_TRUE(QFileInfo(PostgreSQLLocation + "/bin/pg_dump").isExecutable())
        << PostgreSQLLocation.toStdString();
    EXPECT_EQ(PostgreSQLToolPath("pg_dump"), PostgreSQLLocation + "/bin/pg_dump");

    // A location already known is kept.
    PostgreSQLLocation = "/opt/somewhere";
    LoadPostgreSQLLocation();
    EXPECT_EQ(PostgreSQLLocation, "/opt/somewhere");
    EXPECT_FALSE(PostgreSQLToolPath("pg_dump").isEmpty()); // from the PATH
    PostgreSQLLocation.clear();
}

// The tools folder is looked for when a tool is first asked for: pg_config's folder, ahead of
// the PATH's wrappers.
TEST(ConsoleRunner, LooksForTheToolsFolderWhenAToolIsFirstWanted)
{
    PostgreSQLLocation.clear();
    const QString pgConfig = QStandardPaths::findExecutable("pg_config");
    ASSERT_FALSE(pgConfig.isEmpty());
    QProcess bindir;
    bindir.start(pgConfig, { "--bindir" });
    ASSERT_TRUE(bindir.waitForFinished(10000));
    const QString folder = QString::fromUtf8(bindir.readAllStandardOutput()).trimmed();
    EXPECT_EQ(PostgreSQLToolPath("pg_dump"), folder + "/pg_dump");
    EXPECT_EQ(PostgreSQLLocation + "/bin", folder);
    PostgreSQLLocation.clear();
}

TEST(ConsoleRunner, DumpsTheSampleSchemaToAFile)
{
    const testsupport::TestDatabase db;
    const testsupport::ServerInfo &server = testsupport::server();
    PostgreSQLLocation.clear();
    LoadPostgreSQLLocation();
    const QString pgDump = PostgreSQLToolPath("pg_dump");
    ASSERT_FALSE(pgDump.isEmpty());
    QTemporaryDir dir;
    const QString file = dir.filePath("sample schema.sql");

    Captured out;
    TConsoleRunOptions options;
    options.environment.insert("PGPASSWORD", "unused with trust");
    const TConsoleRunResult result = RunConsoleProgram(
        pgDump,
        { "--schema-only", "--verbose", "-h", server.host, "-p", QString::number(server.port), "-U",
          server.user, "-f", file, db.name() },
        out.log, options);
    PostgreSQLLocation.clear();
    ASSERT_TRUE(result.started) << result.errorText.toStdString();
    EXPECT_EQ(result.exitCode, 0) << out.lines.join('\n').toStdString();
    EXPECT_FALSE(out.lines.isEmpty()); // --verbose reports on standard error

    QFile dump(file);
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(dump.readAll());
    EXPECT_TRUE(text.contains("CREATE TABLE inv.item ("));
    EXPECT_TRUE(text.contains("CREATE AGGREGATE inv.joined(text ORDER BY text)"));
    // schema only: no statement carries rows (routine bodies may well insert some)
    EXPECT_FALSE(text.contains("\nINSERT INTO")) << "schema only";
    EXPECT_FALSE(text.contains("\nCOPY ")) << "schema only";
}

} // namespace consoletest
