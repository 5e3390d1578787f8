// The test-data generator's normal run beside a plain loop of prepared single-row INSERTs
// through the data-access layer on the same table, once with the generator's commits (one per
// 1,000 rows) and once under auto-commit (a commit per row); then a run whose column walks a link
// table of a million rows, with the process's resident memory read while it runs.
//
//   bench_datagen [--rows N] [--batch B] [--rounds R] [--linkrows L]
//                 [--host H] [--port P] [--db D] [--user U]
//
// Each round runs the loop and the generator in turns on an emptied table; the median and the
// worst of each are printed. Connection settings default to the PG* environment.
#include "../common/benchcommon.h"
#include "core/qvappwindows.h"
#include "core/qvobjeditors.h"
#include "core/qvoption.h"
#include "datatools/fdatagen.h"
#include "platform/pg/connection.h"
#include "platform/pg/prepared.h"
#include "platform/pg/transaction.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

// The connection window as the generator needs it: a session and its statement service.
class BenchConnectionWindow : public QWidget, public ConnectionWindow
{
public:
    QWidget *connectionWidget() override { return this; }
    pg::Connection *dbsMain() const override { return &m_connection; }
    int DBVer() const override { return m_connection.serverVersion(); }
    bool g_bPostgresPlus() const override { return false; }
    using ConnectionWindow::ExecuteSQL;
    void ExecuteSQL(const QString &sql) override { m_connection.execStatement(sql); }
    void reloadObjectList() override { }
    pg::Connection *dbsBG() const override { return &m_connection; }
    pg::Connection *dbsBG2() const override { return &m_connection; }
    void RegisterBackgroundWorker(QThread *) override { }
    int ObjectCount() const override { return 0; }
    int SelectedObjectCount() const override { return 0; }
    QList<TObjectCall> SelectedObjectCalls() const override { return {}; }
    void SetObjectListStyle(int) override { }
    void SetShortCut() override { }

    mutable pg::Connection m_connection;
};

long residentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = statm.readAll().split(' ');
    return parts.size() > 1 ? parts.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.at(v.size() / 2);
}

const char *const TableSql
    = "CREATE TABLE IF NOT EXISTS bench_datagen (id integer PRIMARY KEY, qty integer,"
      " amount numeric(10, 2), label varchar(20), note text)";

// The plain loop: the same values a generator of fixed rules would bind, drawn the simple way.
// batch 0: every INSERT on its own under auto-commit.
double plainLoop(pg::Connection &c, int rows, int batch)
{
    QElapsedTimer t;
    t.start();
    pg::PreparedStatement insert(c,
                                 QStringLiteral("INSERT INTO bench_datagen (id, qty, amount,"
                                                " label, note) VALUES (:ID, :QTY, :AMOUNT,"
                                                " :LABEL, :NOTE)"));
    std::unique_ptr<pg::Transaction> tx;
    for (int i = 0; i < rows; ++i) {
        if (!tx && batch > 0)
            tx = std::make_unique<pg::Transaction>(c);
        insert.bind(0, pg::Param(qint64(i + 1)));
        insert.bind(1, pg::Param(qint64(i % 1000)));
        insert.bind(2, pg::Param(QStringLiteral("%1.25").arg(i % 5000)));
        insert.bind(3, pg::Param(QStringLiteral("LABEL%1").arg(i % 977)));
        insert.bind(4, pg::Param(QStringLiteral("note %1").arg(i)));
        insert.execute();
        if (tx && (i + 1) % batch == 0) {
            tx->commit();
            tx.reset();
        }
    }
    if (tx)
        tx->commit();
    return bench::ms(t);
}

void plainRules(DataGenerator &gen)
{
    gen.Schema = QStringLiteral("public");
    gen.ObjectName = QStringLiteral("bench_datagen");
    gen.Mode = TDataGenMode::Normal;
    gen.ReadColumns();
    gen.SetDefaultRules();
    for (TColParams &rule : gen.DataGenColumns) {
        if (rule.ColumnName == QLatin1String("qty")) {
            rule.SetType = stRandNum;
            rule.NumFrom = 0;
            rule.NumTo = 1000;
        } else if (rule.ColumnName == QLatin1String("amount")) {
            rule.SetType = stRandNum;
            rule.NumFrom = 0;
            rule.NumTo = 5000;
        } else if (rule.ColumnName == QLatin1String("note")) {
            rule.StrDigit = QStringLiteral("12");
        }
    }
}

double generatorRun(DataGenerator &gen, int rows)
{
    gen.Count = rows;
    QElapsedTimer t;
    t.start();
    gen.GenerateRows();
    return bench::ms(t);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int rows = 100000;
    int batch = 1000;
    int rounds = 5;
    int linkRows = 1000000;
    bench::Server server;
    bench::readOptions(app.arguments(), server, [&](const QString &key, const QString &value) {
        if (key == QLatin1String("--rows"))
            rows = value.toInt();
        else if (key == QLatin1String("--batch"))
            batch = value.toInt();
        else if (key == QLatin1String("--rounds"))
            rounds = value.toInt();
        else if (key == QLatin1String("--linkrows"))
            linkRows = value.toInt();
    });

    BenchConnectionWindow window;
    server.applyTo(window.m_connection);
    window.m_connection.open();
    pg::Connection &c = window.m_connection;
    c.exec(QString::fromLatin1(TableSql));
    AppOption.DataGenCommit = batch;

    DataGenerator gen(&window);
    std::vector<double> plain;
    std::vector<double> plainAuto;
    std::vector<double> generated;
    for (int round = 0; round < rounds; ++round) {
        c.exec(QStringLiteral("TRUNCATE bench_datagen"));
        plain.push_back(plainLoop(c, rows, batch));
        c.exec(QStringLiteral("TRUNCATE bench_datagen"));
        plainAuto.push_back(plainLoop(c, rows, 0));
        c.exec(QStringLiteral("TRUNCATE bench_datagen"));
        plainRules(gen);
        generated.push_back(generatorRun(gen, rows));
        std::printf("round %d: plain loop in batches %.0f ms, plain loop auto-commit %.0f ms,"
                    " generator %.0f ms\n",
                    round + 1, plain.back(), plainAuto.back(), generated.back());
        std::fflush(stdout);
    }
    std::printf("%d rows, batch %d: plain loop in batches median %.0f ms worst %.0f ms; plain loop"
                " auto-commit median %.0f ms worst %.0f ms; generator median %.0f ms worst %.0f ms;"
                " generator / batched loop %.2f, generator / auto-commit loop %.2f\n",
                rows, batch, median(plain), *std::max_element(plain.begin(), plain.end()),
                median(plainAuto), *std::max_element(plainAuto.begin(), plainAuto.end()),
                median(generated), *std::max_element(generated.begin(), generated.end()),
                median(generated) / median(plain), median(generated) / median(plainAuto));

    // A link table of a million rows: the run reads it through a cursor, a chunk at a time.
    c.exec(QStringLiteral("DROP TABLE IF EXISTS bench_datagen_link"));
    c.exec(QStringLiteral("CREATE TABLE bench_datagen_link AS SELECT g AS v,"
                          " md5(g::text) AS label FROM generate_series(1, %1) g")
               .arg(linkRows));
    c.exec(QStringLiteral("TRUNCATE bench_datagen"));
    plainRules(gen);
    for (TColParams &rule : gen.DataGenColumns) {
        if (rule.ColumnName == QLatin1String("note")) {
            rule.SetType = stLink;
            rule.LinkTable = QStringLiteral("bench_datagen_link");
            rule.LinkColumn = QStringLiteral("label");
        }
    }
    QList<long> resident;
    const int linkRun = linkRows / 2;
    gen.OnRow = [&](int row) {
        if (row % (linkRun / 10) == 0)
            resident << residentKb();
    };
    QElapsedTimer t;
    t.start();
    gen.Count = linkRun;
    gen.GenerateRows();
    resident << residentKb();
    const long low = *std::min_element(resident.begin(), resident.end());
    const long high = *std::max_element(resident.begin(), resident.end());
    std::printf("link table of %d rows, %d generated rows in %.0f ms: resident memory %ld kB at the"
                " first row, %ld kB at the end, lowest %ld kB, highest %ld kB\n",
                linkRows, linkRun, bench::ms(t), resident.first(), resident.last(), low, high);
    c.exec(QStringLiteral("DROP TABLE bench_datagen_link"));
    c.exec(QStringLiteral("DROP TABLE bench_datagen"));
    return 0;
}
