// Runs a script of N one-row INSERT statements (one ";" line after each) through the script
// runner window and through psql -f on the same file, each into an emptied table, and reports
// both times, their ratio and how often the runner's log painted during its run.
//
//   bench_script [--statements N] [--repeat R] [--psql PATH] [--host H] [--port P] [--db D]
//                [--user U]
//
// Connection settings default to the PG* environment. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "../common/benchcommon.h"
#include "core/qvappwindows.h"
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvobjeditors.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "sqllang/qvmemo.h"
#include "sqlwin/fexecscr.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The connection window the runner binds to: one open session.
class BenchConnection : public QWidget, public ConnectionWindow
{
public:
    explicit BenchConnection(const bench::Server &server)
    {
        server.applyTo(m_connection);
        m_connection.setParam(QStringLiteral("MetaDefSchema"), QStringLiteral("public"));
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
    int statements = 20000;
    int repeat = 3;
    QString psql = QStringLiteral("psql");
    bench::Server server;
    bench::readOptions(app.arguments(), server, [&](const QString &key, const QString &value) {
        if (key == QLatin1String("--statements"))
            statements = value.toInt();
        else if (key == QLatin1String("--repeat"))
            repeat = std::max(1, value.toInt());
        else if (key == QLatin1String("--psql"))
            psql = value;
    });

    try {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/bench.sql");
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                return 1;
            for (int i = 0; i < statements; ++i)
                file.write(QStringLiteral("insert into bench_script values (%1, 'row %1')\n;\n")
                               .arg(i)
                               .toUtf8());
        }
        BenchConnection conn(server);
        pg::Connection &session = *conn.dbsMain();
        session.execStatement(QStringLiteral("drop table if exists bench_script"));
        session.execStatement(QStringLiteral("create table bench_script (n int, v text)"));
        const auto rowCount = [&] {
            return session.exec(QStringLiteral("select count(*) from bench_script")).text(0, 0);
        };

        std::vector<double> psqlTimes;
        for (int i = 0; i < repeat; ++i) {
            session.execStatement(QStringLiteral("truncate bench_script"));
            QProcess child;
            QStringList args { QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-f"),
                               path };
            if (!server.host.isEmpty())
                args << QStringLiteral("-h") << server.host;
            if (!server.port.isEmpty())
                args << QStringLiteral("-p") << server.port;
            if (!server.user.isEmpty())
                args << QStringLiteral("-U") << server.user;
            args << QStringLiteral("-d") << server.database;
            QElapsedTimer t;
            t.start();
            child.start(psql, args);
            child.waitForFinished(-1);
            psqlTimes.push_back(ms(t));
            if (child.exitCode() != 0 || rowCount() != QString::number(statements)) {
                std::fprintf(stderr, "psql did not run the script: %s\n",
                             child.readAllStandardError().constData());
                return 1;
            }
        }

        AppOption.Encoding = 2;
        AppOption.ScriptCompDel = false;
        AppOption.ScriptErrStop = false;
        ScopedDialogResponder yes([](DialogRequest &r) { return r.buttons.value(0, IDOK); });
        TfrmExecScript *w = TfrmExecScript::ShowWindow(&conn);
        if (!w)
            return 1;
        w->resize(1000, 700);
        if (!QTest::qWaitForWindowExposed(w))
            return 1;
        bench::PaintCounter counter;
        w->txtLog->viewport()->installEventFilter(&counter);
        std::vector<double> runnerTimes;
        int paints = 0;
        for (int i = 0; i < repeat; ++i) {
            session.execStatement(QStringLiteral("truncate bench_script"));
            w->lstScript->clear();
            w->AddScripts({ path });
            QApplication::processEvents();
            const int before = counter.paints;
            QElapsedTimer t;
            t.start();
            w->actExecExecute();
            runnerTimes.push_back(ms(t));
            paints = counter.paints - before;
            if (w->ErrorCount() != 0 || rowCount() != QString::number(statements)) {
                std::fprintf(stderr, "the runner did not run the script\n");
                return 1;
            }
        }
        delete w;
        session.execStatement(QStringLiteral("drop table bench_script"));

        const double best = *std::min_element(psqlTimes.begin(), psqlTimes.end());
        const double runner = *std::min_element(runnerTimes.begin(), runnerTimes.end());
        std::printf("psql -f  %10.1f ms (best of %d, %d statements)\n", best, repeat, statements);
        std::printf("runner   %10.1f ms (best of %d), log painted %d times in the last run\n",
                    runner, repeat, paints);
        std::printf("ratio runner / psql %6.2f\n", runner / best);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
