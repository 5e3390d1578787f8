// Code assist against the fixture server: what the name at the caret qualifies, what the list
// then offers, and every lookup text of the server's branches.
#include "sqllang/qvcodeassist.h"
#include "sqllang/qvmemo.h"
#include "sqllangtest.h"

#include "core/qvoption.h"
#include "core/qvsub.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/query.h"

#include "testserver.h"

#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace calookuptest {

void openOn(pg::Connection &connection, const testsupport::TestDatabase &db)
{
    const testsupport::ServerInfo &server = testsupport::server();
    connection.setParam("Server", server.host);
    connection.setParam("Port", QString::number(server.port));
    connection.setParam("Database", db.name());
    connection.setParam("User_Name", server.user);
    connection.open();
}

struct OptionOn
{
    OptionOn()
        : saved(AppOption.CodeAssist)
        , words(ReserveWordList)
    {
        AppOption.CodeAssist = true;
        ReserveWordList = QStringList { "FROM", "ORDER", "SELECT" };
    }
    ~OptionOn()
    {
        AppOption.CodeAssist = saved;
        ReserveWordList = words;
    }
    bool saved;
    QStringList words;
};

// A window with an editor whose requests go to ShowCodeAssist on the test database.
class Host : public QWidget, public TqvCodeAssistOwner
{
public:
    Host(pg::Connection &c, const QString &schema)
        : connection(c)
        , defaultSchema(schema)
    {
        auto *layout = new QVBoxLayout(this);
        editor = new TqvMemo(this);
        layout->addWidget(editor);
        resize(600, 400);
    }
    void WMCodeAssist(TqvMemo *e, int x, int y) override
    {
        // as the windows do: a failure is reported, and goes no further than the handler
        try {
            ShowCodeAssist(e, this, connection, defaultSchema, version, false, false, x, y);
        } catch (const pg::Error &) {
            ++errors;
        }
    }
    // Puts text into the editor with the caret at its end and asks for code assist.
    void ask(const QString &text)
    {
        editor->CloseCodeAssist();
        editor->setText(text);
        editor->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        QTest::keyClick(editor, Qt::Key_F6);
    }
    TqvCodeAssist *list() const { return qobject_cast<TqvCodeAssist *>(editor->CodeAssist()); }
    QStringList captions() const { return list() ? list()->CaptionListW : QStringList(); }

    pg::Connection &connection;
    QString defaultSchema;
    int version = 0;
    int errors = 0;
    TqvMemo *editor;
};

class FakeSource : public Host, public TqvCodeAssistProgramSource
{
public:
    using Host::Host;
    TqvCodeAssistProgram CodeAssistProgram() const override { return program; }
    TqvCodeAssistProgram program;
};

class CodeAssistLookup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        openOn(connection, db);
        host = std::make_unique<Host>(connection, "sales");
        host->version = connection.serverVersion();
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
        host->activateWindow();
        host->editor->setFocus();
    }
    OptionOn option;
    testsupport::TestDatabase db;
    pg::Connection connection;
    std::unique_ptr<Host> host;
};

// The entry of the filtered list with that caption: its second column and image.
struct Row
{
    QString sub;
    int image = -2;
};
Row rowOf(const TqvCodeAssist *list, const QString &caption)
{
    const int k = int(list->CaptionListW.indexOf(caption));
    if (k < 0)
        return {};
    return { list->SubItemListW.at(k), list->ImageListW.at(k) };
}

TEST_F(CodeAssistLookup, ObjectsThenReservedWords)
{
    host->ask("SELECT * FROM ");
    TqvCodeAssist *list = host->list();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    const QStringList c = host->captions();
    // tables first, in name order, then the other kinds, then the user's reserved words
    EXPECT_EQ(c.mid(0, 2), (QStringList { "customer", "orders" }));
    EXPECT_EQ(rowOf(list, "orders").sub, "TABLE");
    EXPECT_EQ(rowOf(list, "orders").image, 45);
    EXPECT_EQ(rowOf(list, "customer_total").sub, "VIEW");
    EXPECT_EQ(rowOf(list, "order_count").sub, "FUNCTION");
    EXPECT_EQ(rowOf(list, "order_count").image, 52);
    EXPECT_EQ(rowOf(list, "orders_customer_idx").sub, "INDEX");
    EXPECT_EQ(c.mid(c.size() - 3), (QStringList { "FROM", "ORDER", "SELECT" }));
    EXPECT_EQ(rowOf(list, "SELECT").sub, "KEYWORD");
    EXPECT_EQ(rowOf(list, "SELECT").image, 10);
    EXPECT_LT(c.indexOf("orders"), c.indexOf("customer_total")); // tables before views
}

TEST_F(CodeAssistLookup, TypedWordFiltersAndSingleMatchGoesIn)
{
    host->ask("SELECT * FROM ord");
    ASSERT_NE(host->list(), nullptr);
    const QStringList c = host->captions();
    EXPECT_TRUE(c.contains("orders"));
    EXPECT_TRUE(c.contains("orders_pkey"));
    EXPECT_TRUE(c.contains("ORDER"));
    for (const QString &caption : c)
        EXPECT_TRUE(caption.startsWith("ord", Qt::CaseInsensitive)) << caption.toStdString();

    host->ask("SELECT * FROM customer_t");
    EXPECT_EQ(host->list(), nullptr);
    EXPECT_EQ(host->editor->text(), "SELECT * FROM customer_total");
}

TEST_F(CodeAssistLookup, SchemaQualifier)
{
    host->defaultSchema = "public";
    host->ask("SELECT * FROM sales.");
    ASSERT_NE(host->list(), nullptr);
    EXPECT_TRUE(host->captions().contains("orders"));
    EXPECT_FALSE(host->captions().contains("SELECT")); // no reserved words after a schema
    host->ask("SELECT * FROM sales.ord");
    ASSERT_NE(host->list(), nullptr);
    for (const QString &caption : host->captions())
        EXPECT_TRUE(caption.startsWith("ord", Qt::CaseInsensitive)) << caption.toStdString();
}

TEST_F(CodeAssistLookup, ColumnsWithKeysAndLengths)
{
    struct Case
    {
        const char *name;
        const char *text;
        QStringList columns; // after "*"
        QStringList keys;
        QList<std::pair<QString, QString>> types;
    };
    const QList<Case> cases = {
        { "table of the default schema",
          "SELECT orders.",
          { "order_id", "customer_id", "ordered_on", "amount", "note" },
          { "order_id" },
          { { "amount", "numeric(12,2)" }, { "note", "text" } } },
        { "quoted table through an alias",
          "SELECT * FROM code_assist.\"Orders\" o WHERE o.",
          { "region", "order_no", "total", "note" },
          { "region", "order_no" },
          { { "region", "varchar(20)" }, { "total", "numeric(10,2)" } } },
        { "alias in another letter case",
          "SELECT * FROM orders O WHERE o.",
          { "order_id", "customer_id", "ordered_on", "amount", "note" },
          { "order_id" },
          {} },
        { "schema and table",
          "SELECT sales.customer.",
          { "customer_id", "name", "kana", "created_at" },
          { "customer_id" },
          { { "name", "varchar(100)" } } },
        { "foreign table", "SELECT inv.remote_item.", { "item_id", "name" }, {}, {} },
        { "partitioned table",
          "SELECT inv.stock_move.",
          { "move_id", "item_id", "moved_on", "qty" },
          { "move_id", "moved_on" },
          {} },
        { "materialized view", "SELECT inv.stock_mv.", { "item_id", "qty" }, {}, {} },
        { "renamed key column",
          "SELECT code_assist.renamed_key.",
          { "new_id", "label" },
          { "new_id" },
          {} },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        host->ask(c.text);
        TqvCodeAssist *list = host->list();
        if (!list) {
            ADD_FAILURE() << "no list";
            continue;
        }
        EXPECT_EQ(list->CaptionListW, QStringList { "*" } + c.columns);
        for (const QString &column : c.columns)
            EXPECT_EQ(rowOf(list, column).image, c.keys.contains(column) ? 46 : -1)
                << column.toStdString();
        for (const auto &type : c.types)
            EXPECT_EQ(rowOf(list, type.first).sub, type.second);
    }
}

TEST_F(CodeAssistLookup, AliasNarrowsByTypedWord)
{
    host->ask("SELECT * FROM sales.orders o WHERE o.ord");
    ASSERT_NE(host->list(), nullptr);
    EXPECT_EQ(host->captions(), (QStringList { "order_id", "ordered_on" }));
    host->ask("SELECT * FROM sales.orders o WHERE o.cu");
    EXPECT_EQ(host->list(), nullptr);
    EXPECT_EQ(host->editor->text(), "SELECT * FROM sales.orders o WHERE o.customer_id");
}

TEST_F(CodeAssistLookup, NothingOpens)
{
    const char *const texts[] = {
        "SELECT Item.", // stored as item
        "SELECT pg_toast.",
        "SELECT a.b.c.d.e",
        "SELECT orders_customer_idx.",
        "SELECT order_count.",
        "SELECT nosuch.",
        "SELECT sales.orders.order_id.", // a relation followed by more than one part
    };
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        host->defaultSchema = QString::fromLatin1(text).startsWith("SELECT Item") ? "inv" : "sales";
        host->ask(text);
        EXPECT_EQ(host->editor->CodeAssist(), nullptr);
    }
    AppOption.CodeAssist = false;
    host->ask("SELECT orders.");
    EXPECT_EQ(host->editor->CodeAssist(), nullptr);
}

TEST_F(CodeAssistLookup, OlderServerGates)
{
    host->version = 90200;
    host->ask("SELECT inv.stock_mv.");
    EXPECT_EQ(host->editor->CodeAssist(), nullptr);
    host->version = 90300;
    host->ask("SELECT inv.stock_mv.");
    EXPECT_NE(host->editor->CodeAssist(), nullptr);
}

TEST_F(CodeAssistLookup, SourceWindowOffersArgumentsFirst)
{
    const pg::Oid oid = db.query("SELECT 'sales.order_count(integer)'::regprocedure::oid").toUInt();
    FakeSource source(connection, "sales");
    source.version = connection.serverVersion();
    source.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&source));
    source.activateWindow();
    source.editor->setFocus();

    source.program = { oid, false, 52 };
    source.ask("SELECT ");
    ASSERT_NE(source.list(), nullptr);
    EXPECT_EQ(source.captions().value(0), "p_customer");
    EXPECT_EQ(source.list()->SubItemListW.value(0), "integer");
    EXPECT_EQ(source.list()->ImageListW.value(0), 80);
    EXPECT_EQ(source.list()->SubItemListW.value(1), "TABLE");

    source.program = { oid, true, 52 }; // a new function has no arguments yet
    source.ask("SELECT ");
    ASSERT_NE(source.list(), nullptr);
    EXPECT_EQ(source.list()->SubItemListW.value(0), "TABLE");
}

TEST_F(CodeAssistLookup, CatalogErrorLeavesNoListBehind)
{
    // A table named like the key catalog, searched before pg_catalog: the key lookup fails
    // after the column lookup has made the list.
    db.exec("CREATE SCHEMA shadow; CREATE TABLE shadow.pg_constraint (x integer)");
    connection.execute("SET search_path = shadow, pg_catalog");
    host->ask("SELECT sales.orders.");
    EXPECT_EQ(host->errors, 1);
    EXPECT_EQ(host->editor->CodeAssist(), nullptr);
    connection.execute("RESET search_path");
    host->ask("SELECT sales.orders.");
    EXPECT_NE(host->editor->CodeAssist(), nullptr);
}

TEST_F(CodeAssistLookup, EveryLookupTextRuns)
{
    for (const int version : { 90200, 90300, 90400, 110000, connection.serverVersion() }) {
        for (int kind = 0; kind < codeassist::KindCount; ++kind) {
            SCOPED_TRACE(testing::Message() << version << " kind " << kind);
            const QString sql = GetCodeAssistSQL(kind, false, version);
            const bool exists = !(kind == codeassist::Package || kind == codeassist::Synonym
                                  || kind == codeassist::DatabaseLink
                                  || (kind == codeassist::MaterializedView && version < 90300)
                                  || (kind == codeassist::Aggregate && version < 90400)
                                  || (kind == codeassist::Procedure && version < 110000));
            EXPECT_EQ(!sql.isEmpty(), exists);
            if (sql.isEmpty())
                continue;
            EXPECT_TRUE(sql.startsWith(u' '));
            pg::Query query(connection, "EXPLAIN" + sql);
            query.bindValues({ "sales", "orders" });
            EXPECT_NO_THROW(query.open());
        }
        const QString objects = GetCodeAssistSQL(codeassist::SchemaObjects, false, version);
        EXPECT_EQ(objects.contains("'MATERIALIZED VIEW'"), version >= 90300);
        EXPECT_EQ(objects.contains("'AGGREGATE'"), version >= 90400);
        EXPECT_EQ(objects.contains("'PROCEDURE'"), version >= 110000);
        EXPECT_EQ(GetCodeAssistSQL(codeassist::Columns, false, version).contains("'m'"),
                  version >= 90300);
    }
}

TEST(CodeAssistSQL, EditionKindsAsText)
{
    struct Case
    {
        int kind;
        const char *name;
        const char *param;
    };
    const Case cases[] = {
        { codeassist::Package, "pac.pkgname", ":FNCNM" },
        { codeassist::Synonym, "Syn.synname", ":SYNNM" },
        { codeassist::DatabaseLink, "Lnk.lnkname", ":SYNNM" },
        { codeassist::Procedure, "Prc.proname", ":FNCNM" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        const QString sql = GetCodeAssistSQL(c.kind, true, 90600);
        EXPECT_TRUE(sql.startsWith(" SELECT DISTINCT " + QString::fromLatin1(c.name)));
        EXPECT_TRUE(sql.contains(":OWNER"));
        EXPECT_TRUE(sql.endsWith(QString::fromLatin1(c.name) + "   =   " + c.param));
    }
    EXPECT_TRUE(GetCodeAssistSQL(codeassist::Package, true, 90600).contains("nspobjecttype"));
    EXPECT_FALSE(GetCodeAssistSQL(codeassist::Package, true, 90100).contains("nspobjecttype"));
    const QString objects = GetCodeAssistSQL(codeassist::SchemaObjects, true, 90600);
    for (const char *kind : { "'PACKAGE'", "'SYNONYM'", "'DBLINK'", "'PROCEDURE'" })
        EXPECT_TRUE(objects.contains(QString::fromLatin1(kind))) << kind;
    EXPECT_TRUE(objects.endsWith("ORDER  BY     ObjNo, ObjNm"));
}

} // namespace calookuptest
