// Fetches N rows × 10 columns of mixed types through the data-access layer, reads every cell
// through the table model, closes the result, and compares the whole process with psql -At on
// the same query: wall time from start to exit (teardown included) and peak memory, every round.
//
//   bench_fetch [--rows N] [--rounds R] [--heap tuned|default|both]
//               [--host H] [--port P] [--db D] [--user U] [--psql PATH]
//
// Each round starts psql and then this program itself (as a child in layer mode) once for each
// heap setting: "tuned" is the program's own start-up (os::tuneHeapForLargeResults), "default" the
// C library's settings. The child also reports how long reading and closing took inside it.
// Connection settings default to the PG* environment, as psql's do.
#include "../common/benchcommon.h"
#include "platform/os/heap.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "platform/pg/error.h"
#include "platform/pg/resultmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

const char kChildSwitch[] = "--layer-child";

struct Options
{
    qint64 rows = 1000000;
    int rounds = 3;
    QStringList heaps = { QStringLiteral("tuned") };
    bench::Server server;
    QString psql = QStringLiteral("psql");
};

// One child process, measured from spawn to reaped.
struct Process
{
    double seconds = 0;
    long peakKb = 0;
    QByteArray output; // its standard output, when captured
};

Process runProcess(const QString &program, const QStringList &args, bool captureOutput)
{
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString &a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int pipeFds[2] = { -1, -1 };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (captureOutput) {
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            std::perror("pipe");
            std::exit(2);
        }
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, storage[0].constData(), &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        std::fprintf(stderr, "cannot start %s\n", storage[0].constData());
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    Process p;
    if (captureOutput) {
        ::close(pipeFds[1]);
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
            if (n > 0)
                p.output.append(buffer, n);
            else if (n == 0 || errno != EINTR)
                break;
        }
        ::close(pipeFds[0]);
    }
    int status = 0;
    rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) { }
    p.seconds = timer.nsecsElapsed() / 1e9;
    p.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", storage[0].constData(), status);
        std::exit(2);
    }
    return p;
}

QStringList serverArgs(const bench::Server &s)
{
    QStringList args;
    if (!s.host.isEmpty())
        args << QStringLiteral("--host") << s.host;
    if (!s.port.isEmpty())
        args << QStringLiteral("--port") << s.port;
    if (!s.user.isEmpty())
        args << QStringLiteral("--user") << s.user;
    args << QStringLiteral("--db") << s.database;
    return args;
}

Process runPsql(const Options &o, const QString &sql)
{
    QStringList args = { QStringLiteral("-X"), QStringLiteral("-A"), QStringLiteral("-t"),
                         QStringLiteral("-q"), QStringLiteral("-c"), sql };
    if (!o.server.host.isEmpty())
        args << QStringLiteral("-h") << o.server.host;
    if (!o.server.port.isEmpty())
        args << QStringLiteral("-p") << o.server.port;
    if (!o.server.user.isEmpty())
        args << QStringLiteral("-U") << o.server.user;
    args << QStringLiteral("-d") << o.server.database;
    const QString program = QStandardPaths::findExecutable(o.psql);
    if (program.isEmpty()) {
        std::fprintf(stderr, "cannot find %s\n", qPrintable(o.psql));
        std::exit(2);
    }
    return runProcess(program, args, false);
}

// The layer child: connect, open the query as a data set, read every cell through the model,
// close. Prints "read-seconds close-seconds cells".
int layerChild(const bench::Server &server, qint64 rows)
{
    QElapsedTimer timer;
    timer.start();
    pg::Connection connection;
    server.applyTo(connection);
    connection.open();
    pg::DataSet dataSet(&connection);
    pg::ResultModel model(&dataSet);
    dataSet.setSql(bench::mixedRowsSql(rows));
    dataSet.open();
    qint64 cells = 0, characters = 0;
    const int rowCount = model.rowCount();
    const int columns = model.columnCount();
    for (int row = 0; row < rowCount; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QVariant v = model.data(model.index(row, column));
            characters += v.isValid() ? v.toString().size() : 0;
            ++cells;
        }
    }
    const double readSeconds = timer.nsecsElapsed() / 1e9;
    timer.restart();
    dataSet.close();
    const double closeSeconds = timer.nsecsElapsed() / 1e9;
    if (characters == 0 && rowCount > 0)
        std::fprintf(stderr, "no data read\n");
    std::printf("%.3f %.3f %lld\n", readSeconds, closeSeconds, static_cast<long long>(cells));
    return 0;
}

struct Row
{
    double psqlSeconds = 0;
    long psqlKb = 0;
    double layerSeconds = 0;
    long layerKb = 0;
    double readSeconds = 0;
    double closeSeconds = 0;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    // The child decides its heap settings before anything is allocated.
    const bool child = argc > 2 && std::strcmp(argv[1], kChildSwitch) == 0;
    if (child && std::strcmp(argv[2], "tuned") == 0)
        os::tuneHeapForLargeResults();

    QCoreApplication app(argc, argv);
    Options o;
    const QStringList args = app.arguments();
    for (int i = child ? 3 : 1; i + 1 < args.size(); i += 2) {
        const QString &key = args.at(i);
        const QString &value = args.at(i + 1);
        if (o.server.takeOption(key, value))
            continue;
        if (key == QLatin1String("--rows"))
            o.rows = value.toLongLong();
        else if (key == QLatin1String("--rounds") || key == QLatin1String("--repeat"))
            o.rounds = qMax(1, value.toInt());
        else if (key == QLatin1String("--psql"))
            o.psql = value;
        else if (key == QLatin1String("--heap"))
            o.heaps = value == QLatin1String("both")
                ? QStringList { QStringLiteral("tuned"), QStringLiteral("default") }
                : QStringList { value };
    }
    if (child) {
        try {
            return layerChild(o.server, o.rows);
        } catch (const pg::Error &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }

    const QString sql = bench::mixedRowsSql(o.rows);
    const QString self = QCoreApplication::applicationFilePath();
    std::printf("rows %lld x 10 columns, %d rounds; whole processes, start to exit\n",
                static_cast<long long>(o.rows), o.rounds);
    std::printf("%-6s %-8s %9s %9s %9s %9s %8s %8s %7s\n", "round", "heap", "psql s", "psql MiB",
                "layer s", "layer MiB", "read s", "close s", "ratio");
    std::vector<std::vector<Row>> byHeap(o.heaps.size());
    for (int round = 1; round <= o.rounds; ++round) {
        const Process psql = runPsql(o, sql);
        for (int h = 0; h < o.heaps.size(); ++h) {
            QStringList childArgs = { QString::fromLatin1(kChildSwitch), o.heaps[h],
                                      QStringLiteral("--rows"), QString::number(o.rows) };
            childArgs << serverArgs(o.server);
            const Process layer = runProcess(self, childArgs, true);
            Row row;
            row.psqlSeconds = psql.seconds;
            row.psqlKb = psql.peakKb;
            row.layerSeconds = layer.seconds;
            row.layerKb = layer.peakKb;
            const QStringList parts = QString::fromLatin1(layer.output).split(' ');
            row.readSeconds = parts.value(0).toDouble();
            row.closeSeconds = parts.value(1).toDouble();
            byHeap[h].push_back(row);
            std::printf("%-6d %-8s %9.3f %9.1f %9.3f %9.1f %8.3f %8.3f %7.2f\n", round,
                        qPrintable(o.heaps[h]), row.psqlSeconds, row.psqlKb / 1024.0,
                        row.layerSeconds, row.layerKb / 1024.0, row.readSeconds, row.closeSeconds,
                        row.layerSeconds / row.psqlSeconds);
            std::fflush(stdout);
        }
    }
    for (int h = 0; h < o.heaps.size(); ++h) {
        std::vector<double> psqlS, layerS, closeS, ratio;
        double worstClose = 0;
        long psqlKb = 0, layerKb = 0;
        for (const Row &r : byHeap[h]) {
            psqlS.push_back(r.psqlSeconds);
            layerS.push_back(r.layerSeconds);
            closeS.push_back(r.closeSeconds);
            ratio.push_back(r.layerSeconds / r.psqlSeconds);
            worstClose = std::max(worstClose, r.closeSeconds);
            psqlKb = std::max(psqlKb, r.psqlKb);
            layerKb = std::max(layerKb, r.layerKb);
        }
        std::printf("heap %-8s median: psql %.3f s, layer %.3f s, ratio %.2f (worst %.2f); close "
                    "median %.3f s, worst %.3f s; peak psql %.1f MiB, layer %.1f MiB\n",
                    qPrintable(o.heaps[h]), median(psqlS), median(layerS), median(ratio),
                    *std::max_element(ratio.begin(), ratio.end()), median(closeS), worstClose,
                    psqlKb / 1024.0, layerKb / 1024.0);
    }
    return 0;
}
