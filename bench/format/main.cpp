// Formats realistic SQL scripts of growing size and prints the time of each, to show that the
// formatter stays fast and linear in the size of its input: every round of each size, then the
// median and the worst (formatting runs inside the program, so one process times them all).
//
//   bench_format [MB]        (default 1.3: sizes MB/4, MB/2, MB and 2 x MB)
//   bench_format MB --once   formats MB once, for counting instructions with perf stat
#include "sqllang/qvformat.h"

#include "core/qvoption.h"

#include "../common/benchprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// The sample schema of the tests, then queries, updates, inserts and blocks of the kinds the
// SQL window sees, numbered so that no two are alike.
QString realisticSql(qsizetype bytes)
{
    QFile schema(QStringLiteral(CORVANE_SOURCE_DIR "/tests/support/sample_schema.sql"));
    QString base;
    if (schema.open(QIODevice::ReadOnly))
        base = QString::fromUtf8(schema.readAll());
    const QString templates[] = {
        QStringLiteral(
            "select c.customer_id, c.name, sum(o.amount) as total, count(*) -- per customer %1\n"
            "from sales.customer c left outer join sales.orders o on o.customer_id = "
            "c.customer_id\n"
            "where o.ordered_on between date '2026-01-01' and date '2026-12-31' and c.name like "
            "'山田%%'\n"
            "  and o.amount > %1.5 or o.note is null\n"
            "group by c.customer_id, c.name having sum(o.amount) > 1000 order by total desc, "
            "c.name;\n"),
        QStringLiteral("update sales.orders set note = 'batch %1', amount = amount * 1.08 /* tax "
                       "*/ where order_id in (select order_id from sales.orders where customer_id "
                       "= %1) and ordered_on < now();\n"),
        QStringLiteral("insert into sales.orders (customer_id, ordered_on, amount, note) values "
                       "(%1, '2026-04-01', %1.25, E'line\\'s %1');\n"),
        QStringLiteral("delete from sales.orders where order_id = %1 and exists (select 1 from "
                       "sales.customer c where c.customer_id = sales.orders.customer_id);\n"),
        QStringLiteral("create or replace function sales.f%1(p integer) returns bigint language "
                       "plpgsql as $$\n"
                       "begin\n  if p > %1 then\n    return p;\n  else\n    return 0;\n  end "
                       "if;\nend;\n$$;\n"),
    };
    QString sql = base;
    sql.reserve(bytes + 4096);
    for (int i = 0; sql.size() < bytes; ++i)
        sql += templates[i % 5].arg(i);
    return sql.left(bytes);
}

// CPU time of this thread in milliseconds: steadier than the wall clock on a busy machine.
double cpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double mb = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 1.3;
    if (argc > 2 && QString::fromLocal8Bit(argv[2]) == QLatin1String("--once")) {
        const QString sql = realisticSql(qsizetype(mb * 1000 * 1000));
        std::printf("%lld chars in, %lld out\n", static_cast<long long>(sql.size()),
                    static_cast<long long>(FormatSQL(sql).size()));
        return 0;
    }
    FormatOption.Indent = 4;
    FormatOption.ItemTrans = 2;
    const int rounds = 5;
    std::printf("load %s\n", qPrintable(bench::loadAverage()));
    std::printf("%10s %10s %10s %10s %10s %12s  %s\n", "chars", "wall med", "wall worst", "cpu med",
                "MB/s (cpu)", "out chars", "every round, wall ms");
    for (const double factor : { 0.25, 0.5, 1.0, 2.0 }) {
        const QString sql = realisticSql(qsizetype(mb * factor * 1000 * 1000));
        std::vector<double> wall, cpu;
        QStringList each;
        qsizetype outSize = 0;
        for (int run = 0; run < rounds; ++run) {
            QElapsedTimer timer;
            timer.start();
            const double cpuStart = cpuMs();
            const QString out = FormatSQL(sql);
            cpu.push_back(cpuMs() - cpuStart);
            wall.push_back(timer.nsecsElapsed() / 1e6);
            each << QString::number(wall.back(), 'f', 1);
            outSize = out.size();
        }
        const bench::Spread w = bench::spread(wall);
        const bench::Spread c = bench::spread(cpu);
        std::printf("%10lld %10.1f %10.1f %10.1f %10.1f %12lld  %s\n",
                    static_cast<long long>(sql.size()), w.median, w.worst, c.median,
                    sql.size() / 1e6 / (c.median / 1000), static_cast<long long>(outSize),
                    qPrintable(each.join(u' ')));
    }
    return 0;
}
