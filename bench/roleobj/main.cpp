// Times the role editor's object privilege list for a role granted on 5,000 functions (two
// arguments each) and 5,000 tables, in a scratch database that the benchmark makes and keeps for
// the next run:
//   - the list alone: the one statement matching grantees by oid, and every signature read in
//     one batch;
//   - for comparison the signatures read one routine at a time;
//   - opening the role editor (which reads the list), shown and closed.
//
//   bench_roleobj [--repeat R] [--objects N] [--scratch DB] [--host H] [--port P] [--db D]
//                 [--user U]
//
// Connection settings default to the PG* environment; runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise. The role corvane_bench_roleobj stays in the cluster.
#include "../common/benchcommon.h"
#include "browser/fobject.h"
#include "core/qvfuncargs.h"
#include "editors/security/frole.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench::ms;

const QString benchRole = QStringLiteral("corvane_bench_roleobj");

void makeObjects(pg::Connection &c, int count)
{
    const pg::Result have = c.exec(QStringLiteral(
        "SELECT (SELECT count(*) FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
        "WHERE n.nspname = 'rolebig') + (SELECT count(*) FROM pg_class r JOIN pg_namespace n "
        "ON n.oid = r.relnamespace WHERE n.nspname = 'rolebig' AND r.relkind = 'r')"));
    if (have.text(0, 0).toInt() == 2 * count)
        return;
    std::printf("making %d functions and %d tables in rolebig ...\n", count, count);
    std::fflush(stdout);
    c.exec(QStringLiteral("DROP SCHEMA IF EXISTS rolebig CASCADE"));
    c.exec(QStringLiteral("CREATE SCHEMA rolebig"));
    constexpr int slice = 500;
    for (int from = 1; from <= count; from += slice) {
        const int to = std::min(count, from + slice - 1);
        c.exec(
            QStringLiteral(
                "DO $$BEGIN FOR i IN %1..%2 LOOP "
                "EXECUTE format('CREATE FUNCTION rolebig.f%s(a integer, b text) RETURNS int "
                "LANGUAGE sql AS ''SELECT 1''', i); "
                "EXECUTE format('GRANT EXECUTE ON FUNCTION rolebig.f%s(integer, text) TO %3', i); "
                "EXECUTE format('CREATE TABLE rolebig.t%s (id int)', i); "
                "EXECUTE format('GRANT SELECT, UPDATE ON rolebig.t%s TO %3', i); "
                "END LOOP; END$$")
                .arg(from)
                .arg(to)
                .arg(benchRole));
    }
}

void report(const char *name, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%-44s %10.1f %10.1f\n", name, times[times.size() / 2], times.front());
}

std::vector<double> timed(int repeat, const std::function<void()> &step)
{
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer t;
        t.start();
        step();
        times.push_back(ms(t));
    }
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int repeat = 5;
    int objects = 5000;
    QString scratch = QStringLiteral("corvane_bench_roleobj");
    bench::Server server;
    bench::readOptions(app.arguments(), server, [&](const QString &key, const QString &value) {
        if (key == QLatin1String("--repeat"))
            repeat = qMax(1, value.toInt());
        else if (key == QLatin1String("--objects"))
            objects = value.toInt();
        else if (key == QLatin1String("--scratch"))
            scratch = value;
    });
    try {
        {
            pg::Connection admin;
            server.applyTo(admin);
            admin.open();
            const pg::Result exists
                = admin.exec(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = $1"),
                             { pg::Param(scratch) });
            if (exists.text(0, 0) == QLatin1String("0"))
                admin.exec(QStringLiteral("CREATE DATABASE %1").arg(scratch));
            const pg::Result role
                = admin.exec(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = $1"),
                             { pg::Param(benchRole) });
            if (role.text(0, 0) == QLatin1String("0"))
                admin.exec(QStringLiteral("CREATE ROLE %1").arg(benchRole));
        }
        bench::Server target = server;
        target.database = scratch;
        {
            pg::Connection c;
            target.applyTo(c);
            c.open();
            makeObjects(c, objects);
            c.exec(QStringLiteral("ANALYZE"));
        }
        TfrmObject *window = TfrmObject::Create(nullptr, target.host, target.port, scratch,
                                                QStringLiteral("public"), target.user,
                                                qEnvironmentVariable("PGPASSWORD"));
        pg::Connection &session = *window->dbsMain();
        std::printf("%-44s %10s %10s\n", "measure", "median ms", "best ms");
        TfrmRole *role = TfrmRole::Open(window, benchRole);
        if (!role)
            throw std::runtime_error("the role editor did not open");
        std::printf("lines in the list: %d\n", int(role->ReadObjectGrants().size()));
        report("object list (grantee oid, batched signatures)",
               timed(repeat, [&] { role->ReadObjectGrants(); }));
        delete role;
        const pg::Result oids = session.exec(QStringLiteral(
            "SELECT p.oid FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
            "WHERE n.nspname = 'rolebig'"));
        report("signatures one routine at a time", timed(qMin(repeat, 3), [&] {
                   for (int i = 0; i < oids.rowCount(); ++i) {
                       FncArgArray args;
                       GetFuncArguments(oids.text(i, 0).toUInt(), session, args,
                                        session.serverVersion());
                   }
               }));
        report("open, load, close the role editor", timed(repeat, [&] {
                   TfrmRole *r = TfrmRole::Open(window, benchRole);
                   if (!r)
                       throw std::runtime_error("the role editor did not open");
                   QApplication::processEvents();
                   delete r;
               }));
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
