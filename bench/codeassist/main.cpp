// Times one code-assist request from the key press to the shown list, in an editor holding a
// text of 10,000 lines, against a schema of 20,000 objects (5,000 tables with their primary
// keys, i.e. a table, an index and a constraint each, and 5,000 functions) in a scratch
// database that the benchmark makes and keeps for the next run.
//
//   bench_codeassist [--repeat R] [--scratch DB] [--host H] [--port P] [--db D] [--user U]
//
// Requests: a bare word in the big schema (every object and the reserved words, filtered),
// "big." (every object of the schema unfiltered), and an alias "o." that only the statement
// parser finds, over the whole text. Runs on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise.
#include "../common/benchcommon.h"
#include "core/qvoption.h"
#include "core/qvreserve.h"
#include "core/qvsub.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "sqllang/qvcodeassist.h"
#include "sqllang/qvmemo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::ms;

constexpr int tableCount = 5000;
constexpr int functionCount = 5000;

void makeSchema(pg::Connection &c)
{
    const pg::Result have = c.exec(QStringLiteral(
        "SELECT (SELECT count(*) FROM pg_class r JOIN pg_namespace n ON n.oid = r.relnamespace"
        "         WHERE n.nspname = 'big' AND r.relkind = 'r'),"
        "       (SELECT count(*) FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace"
        "         WHERE n.nspname = 'big')"));
    if (have.text(0, 0).toInt() == tableCount && have.text(0, 1).toInt() == functionCount)
        return;
    std::printf("making %d tables and %d functions in big ...\n", tableCount, functionCount);
    std::fflush(stdout);
    c.exec(QStringLiteral("DROP SCHEMA IF EXISTS big CASCADE"));
    c.exec(QStringLiteral("CREATE SCHEMA big"));
    constexpr int slice = 500;
    for (int from = 1; from <= tableCount; from += slice) {
        c.exec(QStringLiteral("DO $$ BEGIN FOR i IN %1..%2 LOOP"
                              " EXECUTE format('CREATE TABLE big.t%s (id integer PRIMARY KEY,"
                              " code varchar(20), amount numeric(10,2))', lpad(i::text, 5, '0'));"
                              " EXECUTE format('CREATE FUNCTION big.f%s(p integer) RETURNS"
                              " integer LANGUAGE sql AS ''SELECT p''', lpad(i::text, 5, '0'));"
                              " END LOOP; END $$")
                   .arg(from)
                   .arg(std::min(tableCount, from + slice - 1)));
    }
}

class Host : public QWidget, public TqvCodeAssistOwner
{
public:
    explicit Host(pg::Connection &c)
        : connection(c)
    {
        auto *layout = new QVBoxLayout(this);
        editor = new TqvMemo(this);
        layout->addWidget(editor);
        resize(800, 600);
    }
    void WMCodeAssist(TqvMemo *e, int x, int y) override
    {
        ShowCodeAssist(e, this, connection, QStringLiteral("big"), connection.serverVersion(),
                       false, false, x, y);
    }
    pg::Connection &connection;
    TqvMemo *editor;
};

struct Request
{
    const char *name;
    QString lastLine;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::Server server;
    int repeat = 7;
    QString scratch = QStringLiteral("corvane_bench_codeassist");
    bench::readOptions(app.arguments(), server, [&](const QString &key, const QString &value) {
        if (key == QLatin1String("--repeat"))
            repeat = value.toInt();
        else if (key == QLatin1String("--scratch"))
            scratch = value;
    });
    {
        pg::Connection admin;
        server.applyTo(admin);
        admin.open();
        const pg::Result has = admin.exec(
            QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(scratch));
        if (has.rowCount() == 0)
            admin.exec(QStringLiteral("CREATE DATABASE %1").arg(scratch));
    }
    server.database = scratch;
    pg::Connection connection;
    server.applyTo(connection);
    connection.open();
    makeSchema(connection);

    AppOption.CodeAssist = true;
    SetDefaultReserveWords(ReserveWordList);
    ReserveWordList.sort();

    // 10,000 lines of statements; the request is on the last one
    QString text;
    for (int i = 0; i < 9999; ++i)
        text += QStringLiteral("SELECT o.id, o.code FROM big.t%1 o WHERE o.amount > %2;\n")
                    .arg(i % tableCount + 1, 5, 10, QLatin1Char('0'))
                    .arg(i);
    const Request requests[] = {
        { "bare word t001", QStringLiteral("SELECT * FROM t001") },
        { "schema big.", QStringLiteral("SELECT * FROM big.") },
        { "alias x. (parser)", QStringLiteral("SELECT x. FROM big.t04711 x") },
    };

    Host host(connection);
    host.show();
    host.editor->setFocus();
    std::printf("%-20s %8s %8s %8s %8s\n", "request", "rows", "cands", "median", "worst");
    for (const Request &r : requests) {
        std::vector<double> times;
        int rows = 0;
        int candidates = 0;
        for (int k = 0; k < repeat; ++k) {
            host.editor->CloseCodeAssist();
            host.editor->setText(text + r.lastLine);
            const int last = host.editor->lines() - 1;
            int caret = int(r.lastLine.size());
            if (r.lastLine.contains(QLatin1String("x. ")))
                caret = int(r.lastLine.indexOf(QLatin1String("x.")) + 2);
            host.editor->setCursorPosition(last, caret);
            app.processEvents();
            QElapsedTimer t;
            t.start();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_F6, Qt::NoModifier);
            QCoreApplication::sendEvent(host.editor, &press);
            times.push_back(ms(t));
            auto *list = qobject_cast<TqvCodeAssist *>(host.editor->CodeAssist());
            rows = list ? list->RowCount() : 0;
            candidates = list ? int(list->CaptionList.size()) : 0;
        }
        std::sort(times.begin(), times.end());
        std::printf("%-20s %8d %8d %8.1f %8.1f\n", r.name, rows, candidates,
                    times[times.size() / 2], times.back());
    }
    return 0;
}
