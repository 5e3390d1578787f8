// Times the connection window's object list over a schema of 20,000 tables and one of 1,000
// tables, in a scratch database that the benchmark makes (and keeps for the next run):
//   - the list statement alone (sent and read);
//   - ShowObject as the tree node's selection runs it: statement, rows, sort, in the short and
//     the detail form, with the rows added in one bulk update and, once, drawn as they come.
//
//   bench_objlist [--repeat R] [--big N] [--small N] [--scratch DB] [--host H] [--port P]
//                 [--db D] [--user U]
//
// --db names the database to connect to for making the scratch database (default postgres).
// Connection settings default to the PG* environment. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "../common/benchcommon.h"
#include "browser/fobject.h"
#include "browser/fobjectlistsql.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "ui/qvcomctrls.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalBlocker>

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

struct Figures
{
    double median = 0;
    double best = 0;
};

Figures figures(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return { times[times.size() / 2], times.front() };
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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int repeat = 5;
    int big = 20000;
    int small = 1000;
    QString scratch = QStringLiteral("corvane_bench_objlist");
    bench::Server server;
    bench::readOptions(app.arguments(), server, [&](const QString &key, const QString &value) {
        if (key == QLatin1String("--repeat"))
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

        AppOption.ShowTable = true;
        AppOption.Find = true;
        AppOption.FindAuto = true;
        AppOption.UpdateToCommit = true;
        AppOption.CharacterSet = QStringLiteral("UTF8");
        TfrmObject *window = TfrmObject::Create(nullptr, target.host, target.port, scratch,
                                                QStringLiteral("public"), target.user,
                                                qEnvironmentVariable("PGPASSWORD"));
        window->resize(1200, 800);

        std::printf("%-34s %8s %10s %10s\n", "measure", "rows", "median ms", "best ms");
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
                    const Figures f = figures(times);
                    std::printf(
                        "%-34s %8d %10.1f %10.1f\n",
                        qPrintable(schema + (detail ? " statement detail" : " statement short")),
                        rows, f.median, f.best);
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
                const Figures f = figures(times);
                std::printf("%-34s %8d %10.1f %10.1f\n", qPrintable(schema + mode.name), rows,
                            f.median, f.best);
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
