// Times the sequence editor in a schema of 5,000 tables (two columns each, every tenth with a
// serial column), in a scratch database that the benchmark makes and keeps for the next run:
//   - the owning-column statement alone: the pg_depend lookup the editor sends, and for
//     comparison a pg_get_serial_sequence call for every column of the schema;
//   - opening the editor on an owned sequence and on a free one, window made, loaded, shown
//     and closed.
//
//   bench_seqopen [--repeat R] [--tables N] [--scratch DB] [--host H] [--port P] [--db D]
//                 [--user U]
//
// Connection settings default to the PG* environment; runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise.
#include "../common/benchcommon.h"
#include "browser/fobject.h"
#include "editors/objects/fseq.h"
#include "editors/objects/seqdef.h"
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

// The owning-column statement that asks the serial-sequence function of every column.
const char *const PerColumnOwnerSQL = R"(
SELECT C.relname, A.attname FROM pg_class C
LEFT JOIN pg_namespace N ON C.relnamespace = N.oid
LEFT JOIN pg_attribute A ON C.oid = A.attrelid
WHERE C.relkind = 'r' AND A.attnum > 0 AND A.attisdropped = False AND N.nspname = $1
  AND TRANSLATE(pg_get_serial_sequence($2 || '."' || C.relname || '"', A.attname), '"', '')
      = $3)";

void makeSeqSchema(pg::Connection &c, int count)
{
    const pg::Result have
        = c.exec(QStringLiteral("SELECT count(*) FROM pg_class r JOIN pg_namespace n ON n.oid = "
                                "r.relnamespace WHERE n.nspname = 'seqbig' AND r.relkind = 'r'"));
    if (have.text(0, 0).toInt() == count)
        return;
    std::printf("making %d tables in seqbig ...\n", count);
    std::fflush(stdout);
    c.exec(QStringLiteral("DROP SCHEMA IF EXISTS seqbig CASCADE"));
    c.exec(QStringLiteral("CREATE SCHEMA seqbig"));
    constexpr int slice = 500;
    for (int from = 1; from <= count; from += slice) {
        const int to = std::min(count, from + slice - 1);
        c.exec(QStringLiteral("DO $$BEGIN FOR i IN %1..%2 LOOP "
                              "IF i % 10 = 0 THEN EXECUTE format('CREATE TABLE seqbig.t%s "
                              "(id serial, name text)', i); ELSE EXECUTE format('CREATE TABLE "
                              "seqbig.t%s (id integer, name text)', i); END IF; END LOOP; END$$")
                   .arg(from)
                   .arg(to));
    }
    c.exec(QStringLiteral("CREATE SEQUENCE seqbig.free_seq"));
}

void report(const char *name, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%-40s %10.1f %10.1f\n", name, times[times.size() / 2], times.front());
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
    int tables = 5000;
    QString scratch = QStringLiteral("corvane_bench_seqopen");
    bench::Server server;
    bench::readOptions(app.arguments(), server, [&](const QString &key, const QString &value) {
        if (key == QLatin1String("--repeat"))
            repeat = qMax(1, value.toInt());
        else if (key == QLatin1String("--tables"))
            tables = value.toInt();
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
        }
        bench::Server target = server;
        target.database = scratch;
        {
            pg::Connection c;
            target.applyTo(c);
            c.open();
            makeSeqSchema(c, tables);
            c.exec(QStringLiteral("ANALYZE"));
        }
        TfrmObject *window = TfrmObject::Create(nullptr, target.host, target.port, scratch,
                                                QStringLiteral("public"), target.user,
                                                qEnvironmentVariable("PGPASSWORD"));
        pg::Connection &session = *window->dbsMain();
        const QString owned = QStringLiteral("t5000_id_seq");
        std::printf("%-40s %10s %10s\n", "measure", "median ms", "best ms");
        report("owner statement, pg_depend", timed(repeat, [&] {
                   session.exec(QString::fromUtf8(SequenceOwnerSQL),
                                { pg::Param("seqbig"), pg::Param(owned) });
               }));
        report("owner statement, every column", timed(qMin(repeat, 3), [&] {
                   session.exec(
                       QString::fromUtf8(PerColumnOwnerSQL),
                       { pg::Param("seqbig"), pg::Param("seqbig"), pg::Param("seqbig." + owned) });
               }));
        for (const QString &name : { owned, QStringLiteral("free_seq") }) {
            const QByteArray label = ("open, load, close " + name).toUtf8();
            report(label.constData(), timed(repeat, [&] {
                       TfrmSeq *seq = TfrmSeq::Open(window, QStringLiteral("seqbig"), name);
                       if (!seq)
                           throw std::runtime_error("the sequence editor did not open");
                       QApplication::processEvents();
                       delete seq;
                   }));
        }
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
