// Runs a SELECT of N rows × 10 columns of mixed types in the SQL window and compares it with the
// data layer's fetch of the same statement:
//   - time: the data set's open alone, against the window's run until the result grid has
//     painted its first screen;
//   - memory: the peak of a process that only fetches, against the peak of a process that runs
//     the window (each measured in a child process of its own, since the peak never falls).
//
//   bench_sqlwin [--rows N] [--repeat R] [--host H] [--port P] [--db D] [--user U]
//
// Connection settings default to the PG* environment. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "../common/benchcommon.h"
#include "core/qvappwindows.h"
#include "core/qvobjeditors.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "sqlwin/fsql.h"
#include "ui/qvdbgrid.h"
#include "ui/rdata.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <algorithm>
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
using bench::PaintCounter;

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 rows = 1000000;
    int repeat = 3;
    QString only;
    bench::Server server;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString &key = args.at(i);
        const QString &value = args.at(i + 1);
        if (server.takeOption(key, value))
            continue;
        if (key == QLatin1String("--rows"))
            rows = value.toLongLong();
        else if (key == QLatin1String("--repeat"))
            repeat = qMax(1, value.toInt());
        else if (key == QLatin1String("--only"))
            only = value;
    }
    const QString sql = bench::mixedRowsSql(rows);

    if (only.isEmpty()) {
        // The parent: one child per measure; each prints its own lines.
        std::vector<double> results;
        for (const char *mode : { "fetch", "window" }) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QStringList childArgs = args.mid(1);
            childArgs << QStringLiteral("--only") << QLatin1String(mode);
            child.start(QCoreApplication::applicationFilePath(), childArgs);
            child.waitForFinished(-1);
            const QStringList lines
                = QString::fromLocal8Bit(child.readAllStandardOutput()).split(u'\n');
            for (const QString &line : lines) {
                if (line.isEmpty())
                    continue;
                std::printf("%s\n", qPrintable(line));
                const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
                results.push_back(parts.value(1).toDouble());
                results.push_back(parts.value(3).toDouble());
            }
        }
        if (results.size() == 4) {
            std::printf("ratio first screen / fetch  %6.2f\n", results[2] / results[0]);
            std::printf("ratio memory window / fetch %6.2f\n", results[3] / results[1]);
        }
        return 0;
    }

    try {
        std::vector<double> times;
        if (only == QLatin1String("fetch")) {
            pg::Connection connection;
            server.applyTo(connection);
            connection.open();
            pg::DataSet dataSet(&connection);
            dataSet.setReadOnly(true);
            for (int i = 0; i < repeat; ++i) {
                dataSet.setSql(sql);
                QElapsedTimer t;
                t.start();
                dataSet.open();
                times.push_back(ms(t));
                dataSet.close();
            }
        } else {
            BenchConnection conn(server);
            TfrmSQL *w = ShowWindow<TfrmSQL>(static_cast<QObject *>(&conn));
            if (!w)
                return 1;
            w->resize(1200, 800);
            if (!QTest::qWaitForWindowExposed(w))
                return 1;
            PaintCounter counter;
            w->txtSQL->setText(sql);
            for (int i = 0; i < repeat; ++i) {
                TqvDBGrid *grid = w->fraData->VisibleGrid();
                grid->viewport()->installEventFilter(&counter);
                QApplication::processEvents();
                const int before = counter.paints;
                QElapsedTimer t;
                t.start();
                w->actExecExecute();
                grid->viewport()->repaint();
                times.push_back(ms(t));
                if (counter.paints == before || w->fraData->qryData->recordCount() != rows) {
                    std::fprintf(stderr, "the result was not shown\n");
                    return 1;
                }
            }
            delete w;
        }
        std::printf("%-7s %10.1f ms %10.1f MiB (best of %d, %lld rows)\n", qPrintable(only),
                    *std::min_element(times.begin(), times.end()), bench::peakKb() / 1024.0, repeat,
                    static_cast<long long>(rows));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
