// Opens a result of N rows × 10 columns of mixed types in the record grid and measures:
//   - the fetch alone: opening the data set through the data-access layer;
//   - the first paint: opening the same data set under a shown grid until the grid has painted
//     its first screen;
//   - jumps: Ctrl+End to the last record and Ctrl+Home back, each until the grid has repainted;
//   - the peak memory of the process.
//
//   bench_grid [--rows N] [--repeat R] [--jumps J] [--host H] [--port P] [--db D] [--user U]
//
// Connection settings default to the PG* environment. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "../common/benchcommon.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "ui/qvdbgrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

using bench::ms;
using bench::PaintCounter;

struct Options
{
    qint64 rows = 1000000;
    int repeat = 3;
    int jumps = 20;
    bench::Server server;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options o;
    bench::readOptions(app.arguments(), o.server, [&o](const QString &key, const QString &value) {
        if (key == QLatin1String("--rows"))
            o.rows = value.toLongLong();
        else if (key == QLatin1String("--repeat"))
            o.repeat = qMax(1, value.toInt());
        else if (key == QLatin1String("--jumps"))
            o.jumps = qMax(1, value.toInt());
    });

    pg::Connection connection;
    o.server.applyTo(connection);
    pg::DataSet dataSet(&connection);
    dataSet.setSql(bench::mixedRowsSql(o.rows));

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *grid = new TqvDBGridV(&window);
    grid->setOptions(grid->Options() | dgMultiSelect);
    layout->addWidget(grid);
    window.resize(1200, 800);
    PaintCounter counter;
    grid->viewport()->installEventFilter(&counter);

    std::vector<double> fetch;
    std::vector<double> firstPaint;
    std::vector<double> toEnd;
    std::vector<double> toStart;
    int shownRecords = 0;
    try {
        connection.open();
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            std::fprintf(stderr, "the window did not show\n");
            return 1;
        }
        for (int i = 0; i < o.repeat; ++i) {
            QElapsedTimer t;
            // the fetch alone, with no grid bound; every other round after the grid's run,
            // so that neither profits from going second
            auto fetchAlone = [&] {
                t.start();
                dataSet.open();
                fetch.push_back(ms(t));
                dataSet.close();
            };
            if (i % 2 == 0)
                fetchAlone();

            // the same under the grid, until its first screen is painted
            grid->setDataSet(&dataSet);
            QApplication::processEvents();
            const int before = counter.paints;
            t.start();
            dataSet.open();
            grid->viewport()->repaint();
            firstPaint.push_back(ms(t));
            if (counter.paints == before) {
                std::fprintf(stderr, "the grid did not paint\n");
                return 1;
            }
            shownRecords = grid->VisibleRecordCount();

            grid->setFocus();
            QApplication::processEvents();
            QWidget *target = grid->InplaceEditor()->isVisible()
                ? static_cast<QWidget *>(grid->InplaceEditor())
                : static_cast<QWidget *>(grid);
            for (int j = 0; j < o.jumps; ++j) {
                t.start();
                QTest::keyClick(target, Qt::Key_End, Qt::ControlModifier);
                grid->viewport()->repaint();
                toEnd.push_back(ms(t));
                if (dataSet.currentRow() != dataSet.recordCount() - 1) {
                    std::fprintf(stderr, "Ctrl+End did not reach the last record\n");
                    return 1;
                }
                t.start();
                QTest::keyClick(target, Qt::Key_Home, Qt::ControlModifier);
                grid->viewport()->repaint();
                toStart.push_back(ms(t));
                if (dataSet.currentRow() != 0) {
                    std::fprintf(stderr, "Ctrl+Home did not reach the first record\n");
                    return 1;
                }
            }
            dataSet.close();
            grid->setDataSet(nullptr);
            if (i % 2 == 1)
                fetchAlone();
        }
    } catch (const pg::Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const double bestFetch = *std::min_element(fetch.begin(), fetch.end());
    const double bestPaint = *std::min_element(firstPaint.begin(), firstPaint.end());
    std::printf("rows %lld x 10 columns, %d records on screen, best of %d\n",
                static_cast<long long>(o.rows), shownRecords, o.repeat);
    std::printf("%-40s %10.1f ms\n", "fetch (data set open, no grid)", bestFetch);
    std::printf("%-40s %10.1f ms\n", "open under the grid to first paint", bestPaint);
    std::printf("%-40s %10.2f\n", "ratio first paint / fetch", bestPaint / bestFetch);
    std::printf("%-40s %10.2f ms median, %.2f ms max\n", "jump to last record + repaint",
                median(toEnd), *std::max_element(toEnd.begin(), toEnd.end()));
    std::printf("%-40s %10.2f ms median, %.2f ms max\n", "jump to first record + repaint",
                median(toStart), *std::max_element(toStart.begin(), toStart.end()));
    std::printf("%-40s %10.1f MiB\n", "peak memory", bench::peakKb() / 1024.0);
    return 0;
}
