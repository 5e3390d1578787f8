// Fetches a result through the data-access layer, reads every cell through the table model,
// closes the result, and compares the whole process with psql -At on the same query: wall time
// from start to exit (teardown included), CPU time and peak memory, every round, then the
// median and the worst.
//
//   bench_fetch [--shape mixed|wide|big] [--rows N] [--rounds R] [--heap LIST]
//               [--host H] [--port P] [--db D] [--user U] [--psql PATH]
//
// Shapes: "mixed" is N rows x 10 columns of mixed types, "wide" N rows x 50 such columns, "big"
// N rows of one text value of 1 MiB. Each round starts psql and this program itself (as a
// child in layer mode) once for each heap setting of the comma-separated LIST, in turns:
// "default" is the C library's own settings, which the program keeps; "trim64" keeps up to
// 64 MiB free at the heap's top, which also fixes the C library's mmap threshold at 128 KiB, so
// that every large cell becomes a mapping of its own (this cost 1,000 values of 1 MiB about
// half again as much CPU, and changed no other shape's time or the close of a big result). The
// child also reports how long reading and closing took inside it. Connection settings default to
// the PG* environment, as psql's do.
#include "../common/benchcommon.h"
#include "../common/benchprocess.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "platform/pg/error.h"
#include "platform/pg/resultmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <vector>

namespace {

const char kChildSwitch[] = "--layer-child";

struct Options
{
    QString shape = QStringLiteral("mixed");
    qint64 rows = -1; // the shape's own default
    int rounds = 7;
    QStringList heaps = { QStringLiteral("default") };
    bench::Server server;
    QString psql = QStringLiteral("psql");
};

qint64 defaultRows(const QString &shape)
{
    if (shape == QLatin1String("wide"))
        return 10000;
    if (shape == QLatin1String("big"))
        return 1000;
    return 1000000;
}

QString shapeSql(const QString &shape, qint64 rows)
{
    if (shape == QLatin1String("big"))
        return QStringLiteral("SELECT repeat(md5(g::text), 32768) AS body"
                              " FROM generate_series(1, %1::bigint) AS g")
            .arg(rows);
    if (shape == QLatin1String("wide")) {
        // The ten mixed columns five times over, each with a name of its own.
        const QStringList columns = {
            "g + %1 AS id_%1",
            "g * 1.5 + %1 AS amount_%1",
            "'row ' || g || '/%1' AS label_%1",
            "g % (7 + %1) = 0 AS flag_%1",
            "timestamp '2026-01-01' + g * interval '1.000001 second' + %1 * interval '1 day'"
            " AS stamp_%1",
            "date '2026-01-01' + ((g + %1) % 365)::int AS day_%1",
            "g::float8 / (3 + %1) AS ratio_%1",
            "md5((g + %1)::text) AS hash_%1",
            "CASE WHEN g % 10 = %1 THEN NULL ELSE 'テキスト' || (g % 100) END AS note_%1",
            "((g + %1) % 32767)::int2 AS small_%1",
        };
        QStringList list;
        for (int k = 0; k < 5; ++k)
            for (const QString &c : columns)
                list << c.arg(k);
        return QStringLiteral("SELECT %1 FROM generate_series(1, %2::bigint) AS g")
            .arg(list.join(QStringLiteral(", ")))
            .arg(rows);
    }
    return bench::mixedRowsSql(rows);
}

void applyHeap(const char *heap)
{
    if (std::strcmp(heap, "trim64") == 0)
        ::mallopt(M_TRIM_THRESHOLD, 64 << 20);
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

bench::Process runPsql(const Options &o, const QString &sql)
{
    QStringList args = { QStringLiteral("-X"), QStringLiteral("-A"), QStringLiteral("-t"),
                         QStringLiteral("-q"), QStringLiteral("-c"), sql };
    args << bench::psqlServerArgs(o.server.host, o.server.port, o.server.user, o.server.database);
    const QString program = QStandardPaths::findExecutable(o.psql);
    if (program.isEmpty()) {
        std::fprintf(stderr, "cannot find %s\n", qPrintable(o.psql));
        std::exit(2);
    }
    return bench::runProcess(program, args, false);
}

// The layer child: connect, open the query as a data set, read every cell through the model,
// close. Prints "read-seconds close-seconds cells".
int layerChild(const bench::Server &server, const QString &sql)
{
    QElapsedTimer timer;
    timer.start();
    pg::Connection connection;
    server.applyTo(connection);
    connection.open();
    pg::DataSet dataSet(&connection);
    pg::ResultModel model(&dataSet);
    dataSet.setSql(sql);
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
    bench::Process psql;
    bench::Process layer;
    double readSeconds = 0;
    double closeSeconds = 0;
};

} // namespace

int main(int argc, char **argv)
{
    // The child decides its heap settings before anything is allocated.
    const bool child = argc > 2 && std::strcmp(argv[1], kChildSwitch) == 0;
    if (child)
        applyHeap(argv[2]);

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
        else if (key == QLatin1String("--shape"))
            o.shape = value;
        else if (key == QLatin1String("--rounds") || key == QLatin1String("--repeat"))
            o.rounds = qMax(1, value.toInt());
        else if (key == QLatin1String("--psql"))
            o.psql = value;
        else if (key == QLatin1String("--heap"))
            o.heaps = value.split(u',', Qt::SkipEmptyParts);
    }
    if (o.rows < 0)
        o.rows = defaultRows(o.shape);
    const QString sql = shapeSql(o.shape, o.rows);
    if (child) {
        try {
            return layerChild(o.server, sql);
        } catch (const pg::Error &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }

    const QString self = QCoreApplication::applicationFilePath();
    std::printf("shape %s, %lld rows, %d rounds; whole processes, start to exit; load %s\n",
                qPrintable(o.shape), static_cast<long long>(o.rows), o.rounds,
                qPrintable(bench::loadAverage()));
    std::printf("%-6s %-8s %8s %8s %9s %8s %8s %9s %8s %8s %7s\n", "round", "heap", "psql s",
                "psql cpu", "psql MiB", "layer s", "lay cpu", "layer MiB", "read s", "close s",
                "ratio");
    std::vector<std::vector<Row>> byHeap(size_t(o.heaps.size()));
    for (int round = 1; round <= o.rounds; ++round) {
        // psql and the heap settings take turns, and the turn moves on every round, so that
        // none of them always runs with the server's caches just warmed by another.
        const int runs = int(o.heaps.size()) + 1;
        bench::Process psql;
        std::vector<Row> rows(size_t(o.heaps.size()));
        for (int k = 0; k < runs; ++k) {
            const int which = (k + round) % runs;
            if (which == runs - 1) {
                psql = runPsql(o, sql);
                continue;
            }
            QStringList childArgs = { QString::fromLatin1(kChildSwitch), o.heaps[which],
                                      QStringLiteral("--shape"),         o.shape,
                                      QStringLiteral("--rows"),          QString::number(o.rows) };
            childArgs << serverArgs(o.server);
            Row &row = rows[size_t(which)];
            row.layer = bench::runProcess(self, childArgs, true);
            const QStringList parts = QString::fromLatin1(row.layer.output).split(u' ');
            row.readSeconds = parts.value(0).toDouble();
            row.closeSeconds = parts.value(1).toDouble();
        }
        for (int h = 0; h < o.heaps.size(); ++h) {
            Row &row = rows[size_t(h)];
            row.psql = psql;
            byHeap[size_t(h)].push_back(row);
            std::printf("%-6d %-8s %8.3f %8.3f %9.1f %8.3f %8.3f %9.1f %8.3f %8.3f %7.2f\n", round,
                        qPrintable(o.heaps[h]), psql.seconds, psql.cpuSeconds, psql.peakKb / 1024.0,
                        row.layer.seconds, row.layer.cpuSeconds, row.layer.peakKb / 1024.0,
                        row.readSeconds, row.closeSeconds, row.layer.seconds / psql.seconds);
        }
        std::fflush(stdout);
    }
    for (int h = 0; h < o.heaps.size(); ++h) {
        std::vector<double> psqlS, layerS, cpuRatio, closeS, ratio, psqlMiB, layerMiB;
        for (const Row &r : byHeap[size_t(h)]) {
            psqlS.push_back(r.psql.seconds);
            layerS.push_back(r.layer.seconds);
            cpuRatio.push_back(r.layer.cpuSeconds / std::max(1e-6, r.psql.cpuSeconds));
            closeS.push_back(r.closeSeconds * 1000);
            ratio.push_back(r.layer.seconds / r.psql.seconds);
            psqlMiB.push_back(r.psql.peakKb / 1024.0);
            layerMiB.push_back(r.layer.peakKb / 1024.0);
        }
        std::printf("heap %s, load %s:\n", qPrintable(o.heaps[h]),
                    qPrintable(bench::loadAverage()));
        bench::printSpread("  psql -At, s", psqlS, "s", 3);
        bench::printSpread("  layer, s", layerS, "s", 3);
        bench::printSpread("  ratio layer / psql (per round)", ratio, "", 2);
        bench::printSpread("  ratio CPU layer / psql (per round)", cpuRatio, "", 2);
        bench::printSpread("  close, ms", closeS, "ms", 1);
        bench::printSpread("  peak memory psql, MiB", psqlMiB, "MiB", 1);
        bench::printSpread("  peak memory layer, MiB", layerMiB, "MiB", 1);
    }
    return 0;
}
