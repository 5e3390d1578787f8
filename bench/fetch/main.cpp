// Fetches N rows × 10 columns of mixed types through the data-access layer, reads every cell
// through the table model, and prints wall time and peak memory beside psql's on the same query.
//
//   bench_fetch [--rows N] [--repeat R] [--host H] [--port P] [--db D] [--user U] [--psql PATH]
//
// Connection settings default to the PG* environment, as psql's do.
#include "../common/benchcommon.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "platform/pg/resultmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Options
{
    qint64 rows = 1000000;
    int repeat = 1;
    bench::Server server;
    QString psql = QStringLiteral("psql");
};

struct Run
{
    double seconds = 0;
    long peakKb = 0;
    qint64 cells = 0;
};

// psql -X -At -c SQL > /dev/null as a child process; its peak memory from wait4().
Run runPsql(const Options &o, const QString &sql)
{
    QStringList args = { o.psql,
                         QStringLiteral("-X"),
                         QStringLiteral("-A"),
                         QStringLiteral("-t"),
                         QStringLiteral("-q"),
                         QStringLiteral("-c"),
                         sql };
    if (!o.server.host.isEmpty())
        args << QStringLiteral("-h") << o.server.host;
    if (!o.server.port.isEmpty())
        args << QStringLiteral("-p") << o.server.port;
    if (!o.server.user.isEmpty())
        args << QStringLiteral("-U") << o.server.user;
    args << QStringLiteral("-d") << o.server.database;
    std::vector<QByteArray> storage;
    for (const QString &a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const QByteArray program = QStandardPaths::findExecutable(o.psql).toLocal8Bit();
    if (program.isEmpty()
        || posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        std::fprintf(stderr, "cannot start %s\n", qPrintable(o.psql));
        std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    Run r;
    r.seconds = timer.nsecsElapsed() / 1e9;
    r.peakKb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "psql failed (status %d)\n", status);
        std::exit(2);
    }
    return r;
}

// Connect, open the query as a data set, and read every cell through the model.
Run runLayer(const Options &o, const QString &sql)
{
    QElapsedTimer timer;
    timer.start();
    pg::Connection connection;
    o.server.applyTo(connection);
    connection.open();
    pg::DataSet dataSet(&connection);
    pg::ResultModel model(&dataSet);
    dataSet.setSql(sql);
    dataSet.open();
    Run r;
    qint64 characters = 0;
    const int rows = model.rowCount();
    const int columns = model.columnCount();
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QVariant v = model.data(model.index(row, column));
            characters += v.isValid() ? v.toString().size() : 0;
            ++r.cells;
        }
    }
    dataSet.close();
    r.seconds = timer.nsecsElapsed() / 1e9;
    r.peakKb = bench::peakKb();
    if (characters == 0 && rows > 0)
        std::fprintf(stderr, "no data read\n");
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Options o;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString &key = args.at(i);
        const QString &value = args.at(i + 1);
        if (o.server.takeOption(key, value))
            continue;
        if (key == QLatin1String("--rows"))
            o.rows = value.toLongLong();
        else if (key == QLatin1String("--repeat"))
            o.repeat = qMax(1, value.toInt());
        else if (key == QLatin1String("--psql"))
            o.psql = value;
    }
    const QString sql = bench::mixedRowsSql(o.rows);
    Run psql;
    Run layer;
    try {
        for (int i = 0; i < o.repeat; ++i) {
            const Run p = runPsql(o, sql);
            const Run l = runLayer(o, sql);
            if (i == 0 || p.seconds < psql.seconds)
                psql.seconds = p.seconds;
            psql.peakKb = qMax(psql.peakKb, p.peakKb);
            if (i == 0 || l.seconds < layer.seconds)
                layer.seconds = l.seconds;
            layer.peakKb = qMax(layer.peakKb, l.peakKb);
            layer.cells = l.cells;
        }
    } catch (const pg::Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("rows %lld x 10 columns, best of %d\n", static_cast<long long>(o.rows), o.repeat);
    std::printf("%-28s %10s %14s\n", "", "wall s", "peak MiB");
    std::printf("%-28s %10.3f %14.1f\n", "psql -At -c ... > /dev/null", psql.seconds,
                psql.peakKb / 1024.0);
    std::printf("%-28s %10.3f %14.1f\n", "layer + model, every cell", layer.seconds,
                layer.peakKb / 1024.0);
    std::printf("ratio (layer / psql)         %10.2f %14.2f\n", layer.seconds / psql.seconds,
                double(layer.peakKb) / double(psql.peakKb));
    std::printf("cells read %lld\n", static_cast<long long>(layer.cells));
    return 0;
}
