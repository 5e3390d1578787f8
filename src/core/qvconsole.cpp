#include "qvconsole.h"

#include "qvsub.h"
#include "qvwaitcursor.h"

#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>

#include <exception>

namespace qvconsole {

constexpr int cancelPollInterval = 50; // ms

// One output stream cut into lines. The decoder keeps a character that a read split in two
// until its last byte arrives; a CR LF split over two reads still ends one line.
class LineSplitter
{
public:
    void feed(const QByteArray &bytes, TqvConsoleLog &log)
    {
        const QString text = m_decoder.decode(bytes);
        for (const QChar c : text) {
            const bool lfAfterCr = m_afterCr && c == u'\n';
            m_afterCr = false;
            if (lfAfterCr)
                continue;
            if (c == u'\r' || c == u'\n') {
                m_afterCr = c == u'\r';
                const QString line = m_pending;
                m_pending.clear();
                log.AddLine(line);
            } else {
                m_pending += c;
            }
        }
    }

    // The last line of a tool that ends without a line end is kept.
    void finish(TqvConsoleLog &log)
    {
        if (m_pending.isEmpty())
            return;
        const QString line = m_pending;
        m_pending.clear();
        log.AddLine(line);
    }

private:
    QStringDecoder m_decoder { QStringDecoder::Utf8 };
    QString m_pending;
    bool m_afterCr = false;
};

QString runForLine(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace qvconsole

TqvConsoleRunner::TqvConsoleRunner(QObject *parent)
    : QObject(parent)
{ }

TqvConsoleRunner::~TqvConsoleRunner() = default;

TConsoleRunResult TqvConsoleRunner::Run(const QString &program, const QStringList &arguments,
                                        TqvConsoleLog &log, const TConsoleRunOptions &options)
{
    using namespace qvconsole;
    TConsoleRunResult result;
    if (m_process) {
        result.errorText = QStringLiteral("別のプログラムを実行中です。");
        return result;
    }
    const SQLWaitCursor cursor;

    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(options.environment);
    if (!options.workingDirectory.isEmpty())
        process.setWorkingDirectory(options.workingDirectory);
    // No standard input: a tool that would ask for a password reads end of file instead of
    // waiting for an answer that never comes.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::SeparateChannels);

    LineSplitter out, err;
    QEventLoop loop;
    QTimer killTimer;
    QTimer pollTimer;
    bool ended = false;
    std::exception_ptr logFailure;

    // Exceptions must not cross the event loop: a failing log ends the child and is raised
    // again once the run is over.
    auto guarded = [&](auto &&work) {
        if (logFailure)
            return;
        try {
            work();
        } catch (...) {
            logFailure = std::current_exception();
            process.kill();
            loop.quit();
        }
    };
    connect(&process, &QProcess::readyReadStandardOutput, &loop,
            [&] { guarded([&] { out.feed(process.readAllStandardOutput(), log); }); });
    connect(&process, &QProcess::readyReadStandardError, &loop,
            [&] { guarded([&] { err.feed(process.readAllStandardError(), log); }); });
    connect(&process, &QProcess::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    killTimer.setSingleShot(true);
    connect(&killTimer, &QTimer::timeout, &process, &QProcess::kill);
    if (options.cancelRequested) {
        connect(&pollTimer, &QTimer::timeout, this, [&] {
            if (!m_cancelled && options.cancelRequested())
                cancel();
        });
        pollTimer.start(cancelPollInterval);
    }

    m_process = &process;
    m_cancelled = false;
    struct Reset
    {
        TqvConsoleRunner *runner;
        ~Reset() { runner->m_process = nullptr; }
    } reset { this };
    m_killTimer = &killTimer;

    process.start();
    if (!process.waitForStarted(-1)) {
        m_killTimer = nullptr;
        result.errorText = process.errorString();
        return result;
    }
    result.started = true;
    if (!ended && process.state() != QProcess::NotRunning)
        loop.exec();
    pollTimer.stop();
    m_killTimer = nullptr;

    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(-1);
    }
    if (!logFailure) {
        guarded([&] {
            out.feed(process.readAllStandardOutput(), log);
            err.feed(process.readAllStandardError(), log);
            out.finish(log);
            err.finish(log);
        });
    }
    if (logFailure)
        std::rethrow_exception(logFailure);

    result.cancelled = m_cancelled;
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = result.crashed ? -1 : process.exitCode();
    return result;
}

void TqvConsoleRunner::cancel()
{
    if (!m_process || m_cancelled)
        return;
    m_cancelled = true;
    m_process->terminate();
    if (m_killTimer)
        m_killTimer->start(m_killDelay);
}

TConsoleRunResult RunConsoleProgram(const QString &program, const QStringList &arguments,
                                    TqvConsoleLog &log, const TConsoleRunOptions &options)
{
    TqvConsoleRunner runner;
    return runner.Run(program, arguments, log, options);
}

QString GetShortPathDir(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return QString();
    QString folder = QDir::fromNativeSeparators(info.absoluteFilePath());
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

void LoadPostgreSQLLocation()
{
    if (!PostgreSQLLocation.isEmpty())
        return;
    QString binDir;
    const QString pgConfig = QStandardPaths::findExecutable(QStringLiteral("pg_config"));
    if (!pgConfig.isEmpty())
        binDir = qvconsole::runForLine(pgConfig, { QStringLiteral("--bindir") });
    if (binDir.isEmpty() || !QFileInfo(binDir).isDir()) {
        const QString dump = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
        binDir = dump.isEmpty() ? QString() : QFileInfo(dump).absolutePath();
    }
    // The location is the folder above bin/, as the tool windows add "bin/" themselves.
    if (binDir.isEmpty() || QFileInfo(binDir).fileName() != QLatin1String("bin"))
        return;
    QDir dir(binDir);
    if (dir.cdUp())
        PostgreSQLLocation = QDir::fromNativeSeparators(dir.absolutePath());
}

QString PostgreSQLToolPath(const QString &toolName)
{
    // Looked for when a tool is first wanted, not at start: pg_config is a script that takes
    // longer to run than the main window takes to show.
    LoadPostgreSQLLocation();
    if (!PostgreSQLLocation.isEmpty()) {
        const QFileInfo tool(PostgreSQLLocation + QStringLiteral("/bin/") + toolName);
        if (tool.isFile() && tool.isExecutable())
            return tool.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(toolName);
}
