// Runs a SELECT of N rows × 10 columns of mixed types in the SQL window beside the data layer's
// fetch of the same statement, each round in two fresh processes, in turns:
//   - time: the data set's open alone, against the window's run until the event loop has
//     painted the result grid's first screen;
//   - memory: the peak of the process that only fetches, against the peak of the process that
//     runs the window.
// Every round with its own ratios, then the median and the worst.
//
//   bench_sqlwin [--rows N] [--repeat R] [--host H] [--port P] [--db D] [--user U]
//
// Connection settings default to the PG* environment. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "../common/benchcommon.h"
#include "../common/benchpaint.h"
#include "../common/benchprocess.h"
#include "core/qvappwindows.h"
#include "core/qvobjeditors.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "sqlwin/fsql.h"
#include "ui/qvdbgrid.h"
#include "ui/rdata.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <vector>

namespace {

// The connection window the SQL window binds to: one open session.
class BenchConnection : public QWidget, public ConnectionWindow
{
public:
    explicit BenchConnection(const bench::Server &server)
    {
        server.applyTo(m_connection);
        m_connection.open();
    }
    QWidget *connectionWidget() override { return this; }
    pg::Connection *dbsMain() const override { return &m_connection; }
    int DBVer() const override { return m_connection.serverVersion(); }
    bool g_bPostgresPlus() const override { return false; }
    void ExecuteSQL(const QString &sql) override { m_connection.execStatement(sql); }
    void reloadObjectList() override { }
    int ObjectCount() const override { return 0; }
    int SelectedObjectCount() const override { return 0; }
    QList<TObjectCall> SelectedObjectCalls() const override { return {}; }
    void SetObjectListStyle(int) override { }
    void SetShortCut() override { }
    pg::Connection *dbsBG() const override { return &m_background; }
    pg::Connection *dbsBG2() const override { return &m_background; }
    void RegisterBackgroundWorker(QThread *) override { }

private:
    mutable pg::Connection m_connection;
    mutable pg::Connection m_background;
};

using bench::ms;

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 rows = 1000000;
    int repeat = 5;
    QString only;
    bench::Server server;
    const QStringList args = app.arguments();
    bench::readOptions(args, server, [&](const QString &key, const QString &value) {
        if (key == QLatin1String("--rows"))
            rows = value.toLongLong();
        else if (key == QLatin1String("--repeat"))
            repeat = qMax(1, value.toInt());
        else if (key == QLatin1String("--only"))
            only = value;
    });
    const QString sql = bench::mixedRowsSql(rows);

    if (only.isEmpty()) {
        // The parent: each round a fetch process and a window process, in turns.
        const QString self = QCoreApplication::applicationFilePath();
        const QStringList fetchArgs = args.mid(1) + QStringList { "--only", "fetch" };
        const QStringList windowArgs = args.mid(1) + QStringList { "--only", "window" };
        std::printf("rows %lld x 10 columns, fresh processes in turns; load %s\n",
                    static_cast<long long>(rows), qPrintable(bench::loadAverage()));
        std::printf("%-6s %10s %10s %8s %10s %10s %8s\n", "round", "fetch ms", "screen ms", "ratio",
                    "fetch MiB", "window MiB", "ratio");
        std::vector<double> fetch, screen, ratio, fetchPeak, windowPeak, memoryRatio;
        for (int round = 1; round <= repeat; ++round) {
            bench::Process f, w;
            if (round % 2) {
                f = bench::runProcess(self, fetchArgs, true);
                w = bench::runProcess(self, windowArgs, true);
            } else {
                w = bench::runProcess(self, windowArgs, true);
                f = bench::runProcess(self, fetchArgs, true);
            }
            const QList<QByteArray> fetchLine = bench::childLine(f, "fetch");
            const QList<QByteArray> windowLine = bench::childLine(w, "window");
            if (fetchLine.isEmpty() || windowLine.isEmpty()) {
                std::fprintf(stderr, "a child wrote no figures\n");
                return 1;
            }
            fetch.push_back(fetchLine.at(0).toDouble());
            screen.push_back(windowLine.at(0).toDouble());
            ratio.push_back(screen.back() / fetch.back());
            fetchPeak.push_back(f.peakKb / 1024.0);
            windowPeak.push_back(w.peakKb / 1024.0);
            memoryRatio.push_back(windowPeak.back() / fetchPeak.back());
            std::printf("%-6d %10.1f %10.1f %8.2f %10.1f %10.1f %8.2f\n", round, fetch.back(),
                        screen.back(), ratio.back(), fetchPeak.back(), windowPeak.back(),
                        memoryRatio.back());
            std::fflush(stdout);
        }
        std::printf("load %s\n", qPrintable(bench::loadAverage()));
        bench::printSpread("fetch (data set open)", fetch, "ms");
        bench::printSpread("SQL window run to first screen", screen, "ms");
        bench::printSpread("ratio first screen / fetch (per round)", ratio, "", 2);
        bench::printSpread("peak memory, fetch process", fetchPeak, "MiB");
        bench::printSpread("peak memory, window process", windowPeak, "MiB");
        bench::printSpread("ratio memory window / fetch (per round)", memoryRatio, "", 2);
        return 0;
    }

    // A child: one run, its time on one line ("fetch MS" or "window MS").
    try {
        QElapsedTimer t;
        if (only == QLatin1String("fetch")) {
            pg::Connection connection;
            server.applyTo(connection);
            connection.open();
            pg::DataSet dataSet(&connection);
            dataSet.setReadOnly(true);
            dataSet.setSql(sql);
            t.start();
            dataSet.open();
            std::printf("fetch %.3f\n", ms(t));
            return 0;
        }
        BenchConnection conn(server);
        TfrmSQL *w = ShowWindow<TfrmSQL>(static_cast<QObject *>(&conn));
        if (!w)
            return 1;
        w->resize(1200, 800);
        if (!QTest::qWaitForWindowExposed(w))
            return 1;
        w->txtSQL->setText(sql);
        QApplication::processEvents();
        t.start();
        w->actExecExecute();
        TqvDBGrid *grid = w->fraData->VisibleGrid();
        if (!bench::waitForPaint(grid->viewport()) || w->fraData->qryData->recordCount() != rows) {
            std::fprintf(stderr, "the result was not shown\n");
            return 1;
        }
        std::printf("window %.3f\n", ms(t));
        std::fflush(stdout);
        delete w;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
