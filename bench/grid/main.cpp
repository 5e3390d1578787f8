// Opens a result of N rows × 10 columns of mixed types in the record grid, each round in fresh
// processes, in turns:
//   - the fetch alone: a process that opens the data set through the data-access layer;
//   - the first paint: a process with a shown grid that opens the same data set under it, until
//     the event loop has painted the grid's first screen;
//   - jumps, in the grid's process after its first screen: Ctrl+End to the last record and
//     Ctrl+Home back, each until the event loop has painted the grid again;
//   - the peak memory of each process.
// Every round, then the median and the worst.
//
//   bench_grid [--rows N] [--repeat R] [--jumps J] [--host H] [--port P] [--db D] [--user U]
//
// Connection settings default to the PG* environment. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "../common/benchcommon.h"
#include "../common/benchpaint.h"
#include "../common/benchprocess.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "ui/qvdbgrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QVBoxLayout>

#include <cstdio>
#include <vector>

namespace {

using bench::ms;

struct Options
{
    qint64 rows = 1000000;
    int repeat = 5;
    int jumps = 20;
    QString child; // fetch or grid in a child process
    bench::Server server;
};

// A child: the data set opened once, with or without the grid; writes "fetch MS" or
// "grid MS RECORDS", then for the grid "jumps END-MS START-MS ...".
int runChild(const Options &o)
{
    pg::Connection connection;
    o.server.applyTo(connection);
    pg::DataSet dataSet(&connection);
    dataSet.setSql(bench::mixedRowsSql(o.rows));
    connection.open();
    QElapsedTimer t;
    if (o.child == QLatin1String("fetch")) {
        t.start();
        dataSet.open();
        std::printf("fetch %.3f\n", ms(t));
        return 0;
    }
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *grid = new TqvDBGridV(&window);
    grid->setOptions(grid->Options() | dgMultiSelect);
    layout->addWidget(grid);
    window.resize(1200, 800);
    grid->setDataSet(&dataSet);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window did not show\n");
        return 1;
    }
    t.start();
    dataSet.open();
    if (!bench::waitForPaint(grid->viewport())) {
        std::fprintf(stderr, "the grid did not paint\n");
        return 1;
    }
    std::printf("grid %.3f %d\n", ms(t), grid->VisibleRecordCount());
    std::fflush(stdout);

    grid->setFocus();
    QApplication::processEvents();
    QWidget *target = grid->InplaceEditor()->isVisible()
        ? static_cast<QWidget *>(grid->InplaceEditor())
        : static_cast<QWidget *>(grid);
    QByteArray jumps = "jumps";
    for (int j = 0; j < o.jumps; ++j) {
        for (const Qt::Key key : { Qt::Key_End, Qt::Key_Home }) {
            t.start();
            QTest::keyClick(target, key, Qt::ControlModifier);
            if (!bench::waitForPaint(grid->viewport())) {
                std::fprintf(stderr, "the grid did not paint after a jump\n");
                return 1;
            }
            jumps += ' ' + QByteArray::number(ms(t), 'f', 3);
            const qint64 expected = key == Qt::Key_End ? dataSet.recordCount() - 1 : 0;
            if (dataSet.currentRow() != expected) {
                std::fprintf(stderr, "a jump did not reach the end of the result\n");
                return 1;
            }
        }
    }
    std::printf("%s\n", jumps.constData());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options o;
    const QStringList args = app.arguments();
    bench::readOptions(args, o.server, [&o](const QString &key, const QString &value) {
        if (key == QLatin1String("--rows"))
            o.rows = value.toLongLong();
        else if (key == QLatin1String("--repeat"))
            o.repeat = qMax(1, value.toInt());
        else if (key == QLatin1String("--jumps"))
            o.jumps = qMax(1, value.toInt());
        else if (key == QLatin1String("--child"))
            o.child = value;
    });
    if (!o.child.isEmpty()) {
        try {
            return runChild(o);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }

    const QString self = QCoreApplication::applicationFilePath();
    const QStringList common = args.mid(1);
    std::printf("rows %lld x 10 columns, fresh processes in turns; load %s\n",
                static_cast<long long>(o.rows), qPrintable(bench::loadAverage()));
    std::printf("%-6s %10s %10s %8s %10s %10s %10s\n", "round", "fetch ms", "paint ms", "ratio",
                "fetch MiB", "grid MiB", "records");
    std::vector<double> fetch, paint, ratio, fetchPeak, gridPeak, toEnd, toStart;
    for (int round = 1; round <= o.repeat; ++round) {
        bench::Process f, g;
        const QStringList fetchArgs = common + QStringList { "--child", "fetch" };
        const QStringList gridArgs = common + QStringList { "--child", "grid" };
        if (round % 2) {
            f = bench::runProcess(self, fetchArgs, true);
            g = bench::runProcess(self, gridArgs, true);
        } else {
            g = bench::runProcess(self, gridArgs, true);
            f = bench::runProcess(self, fetchArgs, true);
        }
        const QList<QByteArray> fetchLine = bench::childLine(f, "fetch");
        const QList<QByteArray> gridLine = bench::childLine(g, "grid");
        const QList<QByteArray> jumpLine = bench::childLine(g, "jumps");
        if (fetchLine.isEmpty() || gridLine.size() < 2) {
            std::fprintf(stderr, "a child wrote no figures\n");
            return 1;
        }
        fetch.push_back(fetchLine.at(0).toDouble());
        paint.push_back(gridLine.at(0).toDouble());
        ratio.push_back(paint.back() / fetch.back());
        fetchPeak.push_back(f.peakKb / 1024.0);
        gridPeak.push_back(g.peakKb / 1024.0);
        for (qsizetype i = 0; i + 1 < jumpLine.size(); i += 2) {
            toEnd.push_back(jumpLine.at(i).toDouble());
            toStart.push_back(jumpLine.at(i + 1).toDouble());
        }
        std::printf("%-6d %10.1f %10.1f %8.2f %10.1f %10.1f %10s\n", round, fetch.back(),
                    paint.back(), ratio.back(), fetchPeak.back(), gridPeak.back(),
                    gridLine.at(1).constData());
        std::fflush(stdout);
    }
    std::printf("load %s\n", qPrintable(bench::loadAverage()));
    bench::printSpread("fetch (data set open, no grid)", fetch, "ms");
    bench::printSpread("open under the grid to first paint", paint, "ms");
    bench::printSpread("ratio first paint / fetch (per round)", ratio, "", 2);
    bench::printSpread("jump to last record + paint", toEnd, "ms", 2);
    bench::printSpread("jump to first record + paint", toStart, "ms", 2);
    bench::printSpread("peak memory, fetch process", fetchPeak, "MiB");
    bench::printSpread("peak memory, grid process", gridPeak, "MiB");
    return 0;
}
