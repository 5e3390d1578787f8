#pragma once

#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

class QTimer;

// Runs the PostgreSQL client tools (pg_dump, pg_restore, psql) as child processes for the
// backup and restore windows: a program and its argument list, never a shell, so no file or
// object name is ever read as shell syntax. Output of both streams is logged line by line as it
// arrives; the window keeps painting while the child runs; the exit code reaches the caller.
// Passwords go into the child's environment (PGPASSWORD) or a pgpass file, never its arguments.

// Where the runner writes the child's output, one line at a time, as soon as the line is
// complete. The log box of the tool windows implements it (add the line, show the last line).
class TqvConsoleLog
{
public:
    virtual ~TqvConsoleLog() = default;
    virtual void AddLine(const QString &line) = 0;
};

// A log that hands each line to a function.
class TqvConsoleLogFunction : public TqvConsoleLog
{
public:
    explicit TqvConsoleLogFunction(std::function<void(const QString &)> addLine)
        : m_addLine(std::move(addLine))
    { }
    void AddLine(const QString &line) override { m_addLine(line); }

private:
    std::function<void(const QString &)> m_addLine;
};

struct TConsoleRunOptions
{
    // The child's whole environment; the caller adds PGPASSWORD and the like here.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString workingDirectory; // empty: the program's current folder
    // Asked every few milliseconds while the child runs; true ends the child. The long-operation
    // guard's Esc flag is the usual answer.
    std::function<bool()> cancelRequested;
};

struct TConsoleRunResult
{
    bool started = false; // false: nothing ran and nothing was logged; see errorText
    bool cancelled = false; // ended at the caller's request
    bool crashed = false; // ended by a signal (cancelled runs included)
    int exitCode = -1; // the child's exit code when it ended normally
    QString errorText; // why the program could not be started

    bool succeeded() const { return started && !cancelled && !crashed && exitCode == 0; }
};

// One run of one child. The run call returns when the child has ended; while it waits, the
// application's events are processed, so windows paint and a cancel button or Esc can reach
// cancel(). Callers wrap it in the long-operation guard so that the rest of the window takes no
// input meanwhile.
class TqvConsoleRunner : public QObject
{
    Q_OBJECT
public:
    explicit TqvConsoleRunner(QObject *parent = nullptr);
    ~TqvConsoleRunner() override;

    TConsoleRunResult Run(const QString &program, const QStringList &arguments, TqvConsoleLog &log,
                          const TConsoleRunOptions &options = {});
    bool isRunning() const { return m_process != nullptr; }

    // Milliseconds between asking the child to end and killing it.
    void setKillDelay(int milliseconds) { m_killDelay = milliseconds; }

public Q_SLOTS:
    // Asks the running child to end (SIGTERM), kills it when it does not; nothing when idle.
    void cancel();

private:
    QProcess *m_process = nullptr; // the child of the run under way
    QTimer *m_killTimer = nullptr;
    bool m_cancelled = false;
    int m_killDelay = 3000;
};

// Runs one program to its end with a runner of its own.
TConsoleRunResult RunConsoleProgram(const QString &program, const QStringList &arguments,
                                    TqvConsoleLog &log, const TConsoleRunOptions &options = {});

// The folder with one "/" at the end when it exists; empty when it does not. Tool arguments are
// passed as a list, so no short form is needed to keep blanks out of a command line.
QString GetShortPathDir(const QString &path);

// Fills PostgreSQLLocation (the installation folder whose bin/ holds the tools) when it is
// empty: from `pg_config --bindir`, else from the folder of pg_dump found on the PATH. Leaves it
// empty when neither is found.
void LoadPostgreSQLLocation();

// The full path of a PostgreSQL tool ("pg_dump"): in PostgreSQLLocation's bin/ folder when it
// is there, else found on the PATH; empty when neither has it. An empty PostgreSQLLocation is
// looked for first (LoadPostgreSQLLocation).
QString PostgreSQLToolPath(const QString &toolName);
