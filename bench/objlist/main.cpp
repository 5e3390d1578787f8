// Times the connection window's object list over a schema of 20,000 tables and one of 1,000
// tables, in a scratch database that the benchmark makes (and keeps for the next run).
//
// --mode first (the default): the first fill as the user pays for it, in a fresh process each
// round: start, connect, open the connection window, list the big schema's tables and paint
// the list through the event loop; beside psql -c '\dt big.*' as a whole process, in turns.
// Every round, then the median and the worst, of the time to the painted list and to the end.
//
// --mode warm: in one process, every round of
//   - the list statement alone (sent and read);
//   - ShowObject as the tree node's selection runs it: statement, rows, sort, in the short and
//     the detail form, with the rows added in one bulk update and, once, drawn as they come.
//
//   bench_objlist [--mode first|warm] [--repeat R] [--big N] [--small N] [--scratch DB]
//                 [--psql PATH] [--host H] [--port P] [--db D] [--user U]
//
// --db names the database to connect to for making the scratch database (default postgres).
// Connection settings default to the PG* environment. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "../common/benchcommon.h"
#include "../common/benchprocess.h"
#include "browser/fobject.h"
#include "browser/fobjectlistsql.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "ui/qvcomctrls.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::ms;

// Makes schema with count tables (every tenth with a comment) unless it has them already.
void makeSchema(pg::Connection &c, const QString &schema, int count)
{
    const pg::Result have = c.exec(QStringLiteral("SELECT count(*) FROM pg_class r JOIN "
                                                  "pg_namespace n ON n.oid = r.relnamespace "
                                                  "WHERE n.nspname = '%1' AND r.relkind = 'r'")
                                       .arg(schema));
    if (have.text(0, 0).toInt() == count)
        return;
    std::printf("making %d tables in %s ...\n", count, qPrintable(schema));
    std::fflush(stdout);
    c.exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
    c.exec(QStringLiteral("CREATE SCHEMA %1").arg(schema));
    // In slices, so that no single transaction holds too many locks.
    constexpr int slice = 1000;
    for (int from = 1; from <= count; from += slice) {
        const int to = std::min(count, from + slice - 1);
        c.exec(QStringLiteral("DO $$BEGIN FOR i IN %1..%2 LOOP "
                              "EXECUTE format('CREATE TABLE %3.t%s (id integer, name text)', i); "
                              "IF i % 10 = 0 THEN EXECUTE format('COMMENT ON TABLE %3.t%s IS "
                              "''table %s''', i, i); END IF; END LOOP; END$$")
                   .arg(from)
                   .arg(to)
                   .arg(schema));
    }
}

const char kFirstFillChild[] = "--first-fill-child";

// Prints the rounds of a warm measure, then their median and worst.
void printWarm(const QString &name, int rows, const std::vector<double> &times)
{
    QStringList each;
    for (const double t : times)
        each << QString::number(t, 'f', 1);
    const bench::Spread s = bench::spread(times);
    std::printf("%-34s %8d %10.1f %10.1f  %s\n", qPrintable(name), rows, s.median, s.worst,
                qPrintable(each.join(u' ')));
}

QTreeWidgetItem *node(TfrmObject *window, const QString &schema, const QString &kind)
{
    QTreeWidgetItem *root = window->lstTree->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem *s = root->child(i);
        if (s->text(0) != schema)
            continue;
        for (int k = 0; k < s->childCount(); ++k)
            if (s->child(k)->text(0) == kind)
                return s->child(k);
    }
    return nullptr;
}

void setListOptions()
{
    AppOption.ShowTable = true;
    AppOption.Find = true;
    AppOption.FindAuto = true;
    AppOption.UpdateToCommit = true;
    AppOption.CharacterSet = QStringLiteral("UTF8");
    AppOption.TreeData = false;
    AppOption.Progress = false;
}

// A fresh process: the connection window, the schema's tables listed, and the list painted by
// the event loop. Writes one line at the first paint of the filled list, then ends normally.
int firstFillChild(const bench::Server &target, const QString &schema)
{
    setListOptions();
    TfrmObject *window = TfrmObject::Create(nullptr, target.host, target.port, target.database,
                                            QStringLiteral("public"), target.user,
                                            qEnvironmentVariable("PGPASSWORD"));
    window->resize(1200, 800);
    window->show();
    QTreeWidgetItem *tables = node(window, schema, QStringLiteral("TABLE"));
    if (!tables) {
        std::fprintf(stderr, "no TABLE node below %s\n", qPrintable(schema));
        return 1;
    }
    {
        const QSignalBlocker block(window->lstTree);
        window->lstTree->setCurrentItem(tables);
    }
    window->ShowObject(false);
    const int rows = window->lstObject->topLevelItemCount();
    struct FirstPaint : QObject
    {
        int rows = 0;
        bool seen = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && !seen) {
                seen = true;
                // After this paint's frame is flushed.
                QTimer::singleShot(0, [this] {
                    std::printf("painted %d\n", rows);
                    std::fflush(stdout);
                    QCoreApplication::quit();
                });
            }
            return false;
        }
    } firstPaint;
    firstPaint.rows = rows;
    const QPointer<QWidget> viewport = window->lstObject->viewport();
    const QPointer<TfrmObject> alive = window;
    viewport->installEventFilter(&firstPaint);
    const int rc = QApplication::exec();
    if (viewport)
        viewport->removeEventFilter(&firstPaint);
    if (alive)
        alive->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return rc;
}

int firstFill(const bench::Server &target, const QString &scratch, int big, int repeat,
              const QString &psqlName)
{
    const QString psql = QStandardPaths::findExecutable(psqlName);
    if (psql.isEmpty()) {
        std::fprintf(stderr, "cannot find %s\n", qPrintable(psqlName));
        return 1;
    }
    QStringList childArgs = { QString::fromLatin1(kFirstFillChild), QStringLiteral("big") };
    if (!target.host.isEmpty())
        childArgs << QStringLiteral("--host") << target.host;
    if (!target.port.isEmpty())
        childArgs << QStringLiteral("--port") << target.port;
    if (!target.user.isEmpty())
        childArgs << QStringLiteral("--user") << target.user;
    childArgs << QStringLiteral("--db") << scratch;
    const QStringList psqlArgs
        = QStringList { QStringLiteral("-X"), QStringLiteral("-c"), QStringLiteral("\\dt big.*") }
        + bench::psqlServerArgs(target.host, target.port, target.user, scratch);
    const QString self = QCoreApplication::applicationFilePath();
    std::printf("first fill of %d tables in a fresh process beside psql \\dt; load %s\n", big,
                qPrintable(bench::loadAverage()));
    std::printf("%-6s %10s %10s %10s %10s %8s %10s\n", "round", "psql ms", "painted ms", "exit ms",
                "peak MiB", "ratio", "exit ratio");
    std::vector<double> psqlMs, paintMs, exitMs, ratio, exitRatio, peak;
    for (int round = 1; round <= repeat; ++round) {
        bench::Process p, list;
        // Turns alternate, so neither always follows the other.
        if (round % 2) {
            p = bench::runProcess(psql, psqlArgs, false);
            list = bench::runProcess(self, childArgs, true);
        } else {
            list = bench::runProcess(self, childArgs, true);
            p = bench::runProcess(psql, psqlArgs, false);
        }
        const QByteArray expected = "painted " + QByteArray::number(big);
        if (!list.output.startsWith(expected)) {
            std::fprintf(stderr, "the list was not filled: %s\n", list.output.constData());
            return 1;
        }
        psqlMs.push_back(p.seconds * 1000);
        paintMs.push_back(list.firstLineSeconds * 1000);
        exitMs.push_back(list.seconds * 1000);
        ratio.push_back(list.firstLineSeconds / p.seconds);
        exitRatio.push_back(list.seconds / p.seconds);
        peak.push_back(list.peakKb / 1024.0);
        std::printf("%-6d %10.1f %10.1f %10.1f %10.1f %8.2f %10.2f\n", round, psqlMs.back(),
                    paintMs.back(), exitMs.back(), peak.back(), ratio.back(), exitRatio.back());
        std::fflush(stdout);
    }
    std::printf("load %s\n", qPrintable(bench::loadAverage()));
    bench::printSpread("psql \\dt, whole process", psqlMs, "ms");
    bench::printSpread("list painted, from spawn", paintMs, "ms");
    bench::printSpread("list process to its end", exitMs, "ms");
    bench::printSpread("ratio painted / psql (per round)", ratio, "", 2);
    bench::printSpread("ratio end / psql (per round)", exitRatio, "", 2);
    bench::printSpread("peak memory", peak, "MiB");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool child = argc > 2 && qstrcmp(argv[1], kFirstFillChild) == 0;
    int repeat = 7;
    int big = 20000;
    int small = 1000;
    QString scratch = QStringLiteral("corvane_bench_objlist");
    QString run = QStringLiteral("first");
    QString psql = QStringLiteral("psql");
    bench::Server server;
    QStringList args = app.arguments();
    if (child) {
        const QString schema = args.at(2);
        args.remove(1, 2);
        bench::readOptions(args, server, [](const QString &, const QString &) {});
        try {
            return firstFillChild(server, schema);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    bench::readOptions(args, server, [&](const QString &key, const QString &value) {
        if (key == QLatin1String("--mode"))
            run = value;
        else if (key == QLatin1String("--psql"))
            psql = value;
        else if (key == QLatin1String("--repeat"))
            repeat = qMax(1, value.toInt());
        else if (key == QLatin1String("--big"))
            big = value.toInt();
        else if (key == QLatin1String("--small"))
            small = value.toInt();
        else if (key == QLatin1String("--scratch"))
            scratch = value;
    });

    try {
        {
            pg::Connection admin;
            server.applyTo(admin);
            admin.open();
            const pg::Result exists
                = admin.exec(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = '%1'")
                                 .arg(scratch));
            if (exists.text(0, 0) == QLatin1String("0"))
                admin.exec(QStringLiteral("CREATE DATABASE %1").arg(scratch));
        }
        bench::Server target = server;
        target.database = scratch;
        {
            pg::Connection c;
            target.applyTo(c);
            c.open();
            makeSchema(c, QStringLiteral("big"), big);
            makeSchema(c, QStringLiteral("small"), small);
            c.exec(QStringLiteral("ANALYZE"));
        }
        if (run == QLatin1String("first"))
            return firstFill(target, scratch, big, repeat, psql);

        setListOptions();
        TfrmObject *window = TfrmObject::Create(nullptr, target.host, target.port, scratch,
                                                QStringLiteral("public"), target.user,
                                                qEnvironmentVariable("PGPASSWORD"));
        window->resize(1200, 800);

        std::printf("load %s\n", qPrintable(bench::loadAverage()));
        std::printf("%-34s %8s %10s %10s  %s\n", "measure", "rows", "median ms", "worst ms",
                    "every round, ms");
        for (const auto &[schema, count] : { std::pair { QStringLiteral("big"), big },
                                             std::pair { QStringLiteral("small"), small } }) {
            // The statement alone, as the short list sends it.
            {
                TObjectListFilter filter;
                filter.dbVer = window->DBVer();
                filter.dbName = scratch;
                filter.schemaCondition = ObjectListSchemaCondition(schema, 0, {});
                for (const bool detail : { false, true }) {
                    const QString sql = ObjectListSQL(QStringLiteral("TABLE"), detail, filter)
                                            .join(QLatin1Char('\n'));
                    std::vector<double> times;
                    int rows = 0;
                    for (int i = 0; i < repeat; ++i) {
                        QElapsedTimer t;
                        t.start();
                        rows = window->OpenSQL(sql).rowCount();
                        times.push_back(ms(t));
                    }
                    printWarm(schema + (detail ? " statement detail" : " statement short"), rows,
                              times);
                }
            }
            QTreeWidgetItem *tables = node(window, schema, QStringLiteral("TABLE"));
            if (!tables) {
                std::fprintf(stderr, "no TABLE node below %s\n", qPrintable(schema));
                return 1;
            }
            {
                const QSignalBlocker block(window->lstTree);
                window->lstTree->setCurrentItem(tables);
            }
            struct Mode
            {
                const char *name;
                bool treeData;
                bool progress;
            };
            for (const Mode mode : { Mode { " ShowObject short", false, false },
                                     Mode { " ShowObject detail", true, false },
                                     Mode { " ShowObject short, drawn", false, true } }) {
                AppOption.TreeData = mode.treeData;
                AppOption.Progress = mode.progress;
                std::vector<double> times;
                for (int i = 0; i < repeat; ++i) {
                    QElapsedTimer t;
                    t.start();
                    window->ShowObject(false);
                    times.push_back(ms(t));
                    QApplication::processEvents();
                }
                const int rows = window->lstObject->topLevelItemCount();
                if (rows != count)
                    std::fprintf(stderr, "%s: %d rows, %d expected\n", mode.name, rows, count);
                printWarm(schema + mode.name, rows, times);
            }
        }
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
