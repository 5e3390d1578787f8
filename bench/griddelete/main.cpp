// Deletes records of a large keyed result through the record grid and measures the cost per
// record of:
//   - a plain delete: Ctrl+Delete on the current record, one record after another;
//   - a selected delete: the grid's Delete command over S selected records spread evenly over
//     the result.
// Both run inside a transaction that is rolled back, so every round sees the same table; the
// result is opened again between rounds.
//
//   bench_griddelete [--rows N] [--selected S[,S...]] [--repeat R]
//                    [--host H] [--port P] [--db D] [--user U]
//
// The table bench_griddelete (N rows) is made in the database named and dropped at the end.
// Connection settings default to the PG* environment. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "../common/benchcommon.h"
#include "../common/benchprocess.h"
#include "core/qvoption.h"
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

struct Options
{
    qint64 rows = 1000000;
    QList<int> selected { 100, 1000 };
    int repeat = 3;
    bench::Server server;
};

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// The rows to delete: count rows spread evenly over the result, from the first on.
std::vector<int> spreadRows(int rows, int count)
{
    std::vector<int> spread;
    const double step = double(rows) / count;
    for (int i = 0; i < count; ++i)
        spread.push_back(int(i * step));
    return spread;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options o;
    bench::readOptions(app.arguments(), o.server, [&o](const QString &key, const QString &value) {
        if (key == QLatin1String("--rows")) {
            o.rows = value.toLongLong();
        } else if (key == QLatin1String("--repeat")) {
            o.repeat = qMax(1, value.toInt());
        } else if (key == QLatin1String("--selected")) {
            o.selected.clear();
            for (const QString &part : value.split(QLatin1Char(',')))
                o.selected << qMax(1, part.toInt());
        }
    });
    AppOption.UpdateToCommit = true;

    pg::Connection connection;
    o.server.applyTo(connection);
    pg::DataSet dataSet(&connection);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *grid = new TqvDBGridV(&window);
    // no question before a delete: the benchmark answers none
    grid->setOptions((grid->Options() | dgMultiSelect) & ~TDBGridOptions(dgConfirmDelete));
    layout->addWidget(grid);
    window.resize(1200, 800);

    struct Figures
    {
        int selected = 0;
        std::vector<double> plain; // ms per record
        std::vector<double> selection; // ms per record
    };
    QList<Figures> figures;
    try {
        connection.open();
        connection.exec(QStringLiteral("DROP TABLE IF EXISTS bench_griddelete"));
        connection.exec(QStringLiteral("CREATE UNLOGGED TABLE bench_griddelete (id integer "
                                       "PRIMARY KEY, label text, amount numeric)"));
        connection.exec(QStringLiteral("INSERT INTO bench_griddelete SELECT g, 'row ' || g, "
                                       "g * 1.5 FROM generate_series(1, %1) AS g")
                            .arg(o.rows));
        connection.exec(QStringLiteral("ANALYZE bench_griddelete"));
        dataSet.setSql(QStringLiteral("SELECT id, label, amount FROM bench_griddelete"));
        grid->setDataSet(&dataSet);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            std::fprintf(stderr, "the window did not show\n");
            return 1;
        }
        for (const int count : std::as_const(o.selected)) {
            Figures f;
            f.selected = count;
            for (int round = 0; round < o.repeat; ++round) {
                // plain: the current record, Ctrl+Delete, count times
                dataSet.open();
                if (dataSet.recordCount() < count) {
                    std::fprintf(stderr, "fewer rows than records to delete\n");
                    return 1;
                }
                connection.startTransaction();
                const std::vector<int> rows = spreadRows(dataSet.recordCount(), count);
                QElapsedTimer t;
                qint64 plainNs = 0;
                // the rows shift down by one for each record deleted before them
                for (int i = count - 1; i >= 0; --i) {
                    dataSet.setCurrentRow(rows[size_t(i)]);
                    QWidget *target = grid->InplaceEditor()->isVisible()
                        ? static_cast<QWidget *>(grid->InplaceEditor())
                        : static_cast<QWidget *>(grid);
                    t.start();
                    QTest::keyClick(target, Qt::Key_Delete, Qt::ControlModifier);
                    plainNs += t.nsecsElapsed();
                }
                connection.rollback();
                if (dataSet.recordCount() != o.rows - count) {
                    std::fprintf(stderr, "the plain delete removed %lld records, not %d\n",
                                 static_cast<long long>(o.rows - dataSet.recordCount()), count);
                    return 1;
                }
                f.plain.push_back(plainNs / 1e6 / count);

                // selected: the same records marked, then one Delete command
                dataSet.open();
                connection.startTransaction();
                for (const int row : rows) {
                    dataSet.setCurrentRow(row);
                    grid->SelectedRecords()->setCurrentRowSelected(true);
                }
                if (grid->SelectedRecords()->Count() != count) {
                    std::fprintf(stderr, "the selection holds %d records, not %d\n",
                                 grid->SelectedRecords()->Count(), count);
                    return 1;
                }
                t.start();
                grid->deleteSelected();
                const double selectedMs = ms(t);
                connection.rollback();
                if (dataSet.recordCount() != o.rows - count) {
                    std::fprintf(stderr, "the selected delete removed %lld records, not %d\n",
                                 static_cast<long long>(o.rows - dataSet.recordCount()), count);
                    return 1;
                }
                f.selection.push_back(selectedMs / count);
                QApplication::processEvents();
            }
            figures << f;
        }
        dataSet.close();
        grid->setDataSet(nullptr);
        connection.exec(QStringLiteral("DROP TABLE bench_griddelete"));
    } catch (const pg::Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("rows %lld x 3 columns (integer key), %d rounds, ms per record; load %s\n",
                static_cast<long long>(o.rows), o.repeat, qPrintable(bench::loadAverage()));
    for (const Figures &f : std::as_const(figures)) {
        std::printf("%d selected records\n", f.selected);
        std::printf("%-6s %14s %14s %8s\n", "round", "plain delete", "selected del.", "ratio");
        std::vector<double> ratio;
        for (size_t i = 0; i < f.plain.size(); ++i) {
            ratio.push_back(f.plain[i] > 0 ? f.selection[i] / f.plain[i] : 0.0);
            std::printf("%-6zu %14.3f %14.3f %8.2f\n", i + 1, f.plain[i], f.selection[i],
                        ratio.back());
        }
        bench::printSpread("plain delete", f.plain, "ms/record", 3);
        bench::printSpread("selected delete", f.selection, "ms/record", 3);
        bench::printSpread("ratio selected / plain (per round)", ratio, "", 2);
    }
    std::printf("%-25s %10.1f MiB\n", "peak memory", bench::peakKb() / 1024.0);
    return 0;
}
