// The object list of the connection window: the rows and fixed sub-items of every kind in its
// three forms, the schema and name filter, the search history, Esc, and the column widths.
#include "browsertest.h"

#include "browser/fobjectlistsql.h"
#include "core/qvcancel.h"
#include "core/qvreg.h"
#include "core/qvwhere.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "ui/qvcomctrls.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSet>
#include <QSignalBlocker>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace listtest {

using browsertest::BrowserTest;

// --- rules without a server

TEST(ObjectListRules, SchemaCondition)
{
    struct Case
    {
        QString schema;
        int disp;
        QStringList set;
        QString condition;
    };
    const QList<Case> cases = {
        { "lst_b", 0, {}, "= 'lst_b'" }, // an underscore is no wildcard
        { "a%b", 0, {}, "= 'a%b'" },
        { "O'Neil", 0, {}, "= 'O''Neil'" },
        { "%", 0, {}, "LIKE '%'" },
        { "%", 2, {}, "LIKE '%'" }, // an empty display set shows every schema
        { "%", 2, { "inv", "sales" }, "IN ('inv','sales')" },
        { "%", 1, { "inv" }, "LIKE '%'" },
        { "pg_temp", 0, {}, "LIKE 'pg_temp%'" },
        { "pg_toast_temp", 0, {}, "LIKE 'pg_toast_temp%'" },
        { "pg_toast", 0, {}, "= 'pg_toast'" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(ObjectListSchemaCondition(c.schema, c.disp, c.set), c.condition)
            << c.schema.toStdString();
}

TEST(ObjectListRules, NamePattern)
{
    EXPECT_EQ(ObjectListNamePattern(" emp ", true), "%emp%");
    EXPECT_EQ(ObjectListNamePattern("emp", false), "emp");
    EXPECT_EQ(ObjectListNamePattern("emp%", true), "emp%");
    EXPECT_EQ(ObjectListNamePattern("emp%", false), "emp%");
}

TEST(ObjectListRules, TriggerTimingAndEventsFromType)
{
    struct Case
    {
        int tgtype;
        const char *timing;
        const char *events;
    };
    // 1 row, 2 before, 4 insert, 8 delete, 16 update, 32 truncate, 64 instead
    const Case cases[] = {
        { 1 | 4 | 16, "AFTER", "INSERT, UPDATE" },
        { 2 | 8 | 32, "BEFORE", "DELETE, TRUNCATE" },
        { 1 | 64 | 8, "INSTEAD", "DELETE" },
        { 1 | 2 | 4 | 8 | 16 | 32, "BEFORE", "INSERT, UPDATE, DELETE, TRUNCATE" },
        { 0, "AFTER", "" },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(TriggerTimingText(c.tgtype), c.timing) << c.tgtype;
        EXPECT_EQ(TriggerEventsText(c.tgtype), c.events) << c.tgtype;
    }
}

TEST(ObjectListRules, Kilobytes)
{
    EXPECT_EQ(ObjectListKilobytes("8192"), "           8");
    EXPECT_EQ(ObjectListKilobytes("8388608"), "       8,192");
    EXPECT_EQ(ObjectListKilobytes("0"), "           0");
    EXPECT_EQ(ObjectListKilobytes("x"), "           0");
    EXPECT_EQ(ObjectListKilobytes(""), "           0");
}

TEST(ObjectListRules, ArgumentsAndDropArguments)
{
    const TObjectListTypes types = { { 23, { "pg_catalog", "int4" } },
                                     { 25, { "pg_catalog", "text" } },
                                     { 90001, { "lst", "event" } },
                                     { 90002, { "Other", "My Type" } } };
    EXPECT_EQ(RoutineArgumentText("23\r\n90001\r\n90002", types, "lst"),
              "int4,event,Other.My Type");
    EXPECT_EQ(RoutineArgumentText("", types, "lst"), "");
    // A type the table does not know shows its OID, and the rest of the row is filled.
    EXPECT_EQ(RoutineArgumentText("23\r\n77777", types, "lst"), "int4,77777");
    EXPECT_EQ(RoutineDropArguments("23\r\n77777", "", types, "lst", false), "int4,77777");
    EXPECT_EQ(RoutineDropArguments("23\r\n90002", "", types, "public", false),
              "int4,\"Other\".\"My Type\"");
    // OUT and TABLE arguments are no part of the signature.
    EXPECT_EQ(RoutineDropArguments("25\r\n25\r\n23", "i\r\no\r\no", types, "lst", false), "text");
    EXPECT_EQ(RoutineDropArguments("23\r\n90001\r\n23", "i\r\ni\r\nt", types, "lst", false),
              "int4,event");
    EXPECT_EQ(RoutineDropArguments("", "", types, "lst", false), "");
    // An aggregate without arguments is dropped as name(*).
    EXPECT_EQ(RoutineDropArguments("", "", types, "lst", true), "*");
}

TEST(ObjectListRules, WidthPrefixIsOnePerList)
{
    QSet<QString> prefixes;
    for (const bool treeData : { false, true }) {
        for (const QString &kind : ObjectListKinds())
            prefixes << ObjectListWidthPrefix(kind, treeData);
        prefixes << ObjectListWidthPrefix("%", treeData);
    }
    EXPECT_EQ(prefixes.size(), 2 * ObjectListKinds().size() + 2);
    EXPECT_EQ(ObjectListWidthPrefix("MATERIALIZED VIEW", true), "MATERIALIZED VIEW");
    EXPECT_EQ(ObjectListWidthPrefix("AGGREGATE", true), "AGGREGATE");
}

// --- the list in the connection window

// One list row as the other commands read it: the caption and the sub-items.
struct Row
{
    QString name;
    int image = 0;
    QStringList sub;
};

class ObjectListTest : public BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        for (bool *on : { &AppOption.ShowTable, &AppOption.ShowIndex, &AppOption.ShowView,
                          &AppOption.ShowProc, &AppOption.ShowFunc, &AppOption.ShowType,
                          &AppOption.ShowTrigger, &AppOption.ShowSeq, &AppOption.ShowMView,
                          &AppOption.ShowConst, &AppOption.ShowRule, &AppOption.ShowAgrg })
            *on = true;
        AppOption.TreeSort = 0;
        AppOption.UserFirst = false;
        AppOption.ShowLevel0 = true;
        AppOption.ShowLevel1 = true;
        AppOption.TreeData = false;
        AppOption.Progress = false;
        AppOption.Find = true;
        AppOption.FindAuto = true;
        AppOption.TempDir = testsupport::testTempDir() + "/list-" + db.name() + "/";
    }

    // Selects the node schema / kind of the schema-first tree (kind empty: the schema node;
    // both empty: the root) and fills the list.
    void show(TfrmObject *window, const QString &schema, const QString &kind = QString())
    {
        QTreeWidgetItem *node = window->lstTree->topLevelItem(0);
        ASSERT_NE(node, nullptr);
        node = find(node, schema);
        if (!schema.isEmpty())
            node = find(node, kind);
        ASSERT_NE(node, nullptr) << schema.toStdString() << " " << kind.toStdString();
        {
            const QSignalBlocker block(window->lstTree);
            window->lstTree->setCurrentItem(node);
        }
        window->ShowObject(false);
    }
    static QTreeWidgetItem *find(QTreeWidgetItem *node, const QString &text)
    {
        if (text.isEmpty())
            return node;
        for (int i = 0; node && i < node->childCount(); ++i)
            if (node->child(i)->text(0) == text)
                return node->child(i);
        return nullptr;
    }
    static QList<Row> rows(const TfrmObject *window)
    {
        QList<Row> list;
        for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = window->lstObject->topLevelItem(i);
            Row row { item->text(0), 0, {} };
            for (int k = 0; k + 1 < item->columnCount(); ++k)
                row.sub << ObjectListSubItem(item, k);
            list << row;
        }
        return list;
    }
    static QStringList names(const TfrmObject *window)
    {
        QStringList list;
        for (const Row &row : rows(window))
            list << row.name;
        return list;
    }
    static Row row(const TfrmObject *window, const QString &name, const QString &kind = QString())
    {
        for (const Row &r : rows(window))
            if (r.name == name && (kind.isEmpty() || r.sub.value(1) == kind))
                return r;
        ADD_FAILURE() << "no row " << name.toStdString();
        return {};
    }
    QString oid(const QString &regclassOrProc) const { return query(regclassOrProc); }
};

// Every kind in each form: the rows of schema lst, and the sub-items at their fixed places.
TEST_F(ObjectListTest, RowsAndSubItemsOfEveryKindAndForm)
{
    TfrmObject *window = open("lst");
    const QString eventOid = oid("SELECT 'lst.event'::regclass::oid");
    const QString tallyOid = oid("SELECT 'lst.tally()'::regprocedure::oid");
    const QString rowsOfOid = oid("SELECT 'lst.rows_of(integer, lst.event)'::regprocedure::oid");
    const QString moodOid = oid("SELECT 'lst.mood'::regtype::oid");
    const QString owner = query("SELECT current_user");

    struct Check
    {
        QString name;
        QMap<int, QString> sub; // sub-item index -> text
    };
    struct Case
    {
        QString kind;
        bool treeData;
        QStringList names;
        QList<Check> checks;
    };
    const QList<Case> cases = {
        // Partitioned tables are tables; the table's size in whole KB, right-aligned.
        { "TABLE",
          true,
          { "event", "event_ref", "part", "part_1" },
          { { "event",
              { { 0, "lst" },
                { 1, "TABLE" },
                { 2, eventOid },
                { 3, "pg_default" },
                { 4, "           0" },
                { 5, "○" },
                { 6, "○" },
                { 7, "－" },
                { 8, "－" },
                { 9, owner },
                { 10, "出来事" } } },
            { "part", { { 8, "○" } } } } },
        { "TABLE",
          false,
          { "event", "event_ref", "part", "part_1" },
          { { "event", { { 0, "lst" }, { 1, "TABLE" }, { 2, owner }, { 3, "出来事" } } } } },
        // The partitioned index is an index.
        { "INDEX",
          true,
          { "event_pkey", "part_1_k_idx", "part_k" },
          { { "part_k", { { 1, "INDEX" }, { 5, "part" }, { 6, "lst" } } } } },
        // Timing and events come from the trigger's type, not from its name; the foreign key's
        // internal triggers are not listed.
        { "TRIGGER",
          true,
          { "before_x", "event_trunc", "view_del" },
          { { "before_x",
              { { 2, oid("SELECT oid FROM pg_trigger WHERE tgname = 'before_x'") },
                { 3, "event" },
                { 4, "lst" },
                { 5, "AFTER" },
                { 6, "INSERT, UPDATE" },
                { 7, "lst" },
                { 8, "touch" },
                { 11, "event" } } },
            { "event_trunc", { { 5, "BEFORE" }, { 6, "DELETE, TRUNCATE" }, { 11, "event" } } },
            { "view_del", { { 5, "INSTEAD" }, { 6, "DELETE" }, { 11, "event_view" } } } } },
        { "TRIGGER",
          false,
          { "before_x", "event_trunc", "view_del" },
          { { "before_x", { { 1, "TRIGGER" }, { 2, "event" }, { 11, "event" } } } } },
        { "FUNCTION",
          true,
          { "rows_of", "split", "touch" },
          { { "rows_of",
              { { 2, rowsOfOid },
                { 3, "int4,event,int4" },
                { 4, "int4" },
                { 8, rowsOfOid },
                { 12, "int4,event" } } },
            { "split", { { 3, "text,text,int4" }, { 4, "record" }, { 12, "text" } } },
            { "touch", { { 3, "" }, { 4, "trigger" }, { 12, "" } } } } },
        { "FUNCTION",
          false,
          { "rows_of", "split", "touch" },
          { { "rows_of", { { 2, "int4,event,int4" }, { 8, rowsOfOid }, { 12, "int4,event" } } } } },
        { "AGGREGATE",
          true,
          { "tally", "total_of" },
          { { "tally", { { 2, tallyOid }, { 3, "" }, { 8, tallyOid }, { 12, "*" } } },
            { "total_of", { { 3, "int4" }, { 12, "int4" } } } } },
        { "AGGREGATE",
          false,
          { "tally", "total_of" },
          { { "tally", { { 8, tallyOid }, { 12, "*" } } } } },
        { "PROCEDURE", false, { "reset" }, { { "reset", { { 2, "int4" }, { 12, "int4" } } } } },
        { "TYPE",
          true,
          { "mood" },
          { { "mood", { { 2, moodOid }, { 3, "e" }, { 8, moodOid } } } } },
        { "TYPE", false, { "mood" }, { { "mood", { { 8, moodOid } } } } },
        { "RULE",
          true,
          { "_RETURN", "_RETURN", "event_keep" },
          { { "event_keep",
              { { 3, "event_ref" }, { 5, "DELETE" }, { 6, "INSTEAD" }, { 11, "event_ref" } } } } },
        { "RULE",
          false,
          { "_RETURN", "_RETURN", "event_keep" },
          { { "event_keep", { { 2, "event_ref" }, { 11, "event_ref" } } } } },
        // The sequence's values come with the list.
        { "SEQUENCE",
          true,
          { "counter" },
          { { "counter",
              // last value as the server keeps it: one nextval with cache 2 wrote 6
              { { 3, "6" },
                { 4, "1" },
                { 5, "1000" },
                { 6, "5" },
                { 7, "YES" },
                { 8, "2" },
                { 9, owner } } } } },
        { "CONSTRAINT",
          true,
          { "event_pkey", "event_ref_event_id_fkey" },
          { { "event_pkey", { { 3, "P" }, { 4, "event" }, { 5, "lst" }, { 11, "event" } } } } },
        { "CONSTRAINT",
          false,
          { "event_pkey", "event_ref_event_id_fkey" },
          { { "event_ref_event_id_fkey",
              { { 2, "F" }, { 3, "event_ref" }, { 11, "event_ref" } } } } },
        { "VIEW", true, { "event_view" }, { { "event_view", { { 1, "VIEW" }, { 3, owner } } } } },
        { "MATERIALIZED VIEW",
          false,
          { "event_mv" },
          { { "event_mv", { { 1, "MATERIALIZED VIEW" } } } } },
        // The mixed list of the schema: each row its own kind, the OID at 8, the table at 11,
        // the DROP arguments at 12, with and without the OID column.
        { "",
          false,
          {},
          { { "tally", { { 1, "AGGREGATE" }, { 8, tallyOid }, { 12, "*" } } },
            { "rows_of",
              { { 1, "FUNCTION" },
                { 3, "int4,event,int4" },
                { 8, rowsOfOid },
                { 12, "int4,event" } } },
            { "mood", { { 1, "TYPE" }, { 8, moodOid } } },
            { "before_x", { { 1, "TRIGGER" }, { 2, "event" }, { 11, "event" } } },
            { "event_keep", { { 1, "RULE" }, { 2, "event_ref" }, { 11, "event_ref" } } },
            { "event_pkey", { { 1, "CONSTRAINT" }, { 11, "event" } } },
            { "part", { { 1, "TABLE" } } },
            { "part_k", { { 1, "INDEX" } } },
            { "counter", { { 1, "SEQUENCE" } } },
            { "event_mv", { { 1, "MATERIALIZED VIEW" } } },
            { "reset", { { 1, "PROCEDURE" } } } } },
        { "",
          true,
          {},
          { { "tally", { { 1, "AGGREGATE" }, { 2, tallyOid }, { 8, tallyOid }, { 12, "*" } } },
            { "before_x", { { 1, "TRIGGER" }, { 3, "event" }, { 11, "event" } } },
            { "event", { { 1, "TABLE" }, { 2, eventOid } } } } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QString(c.kind + (c.treeData ? " detail" : " short")).toStdString());
        AppOption.TreeData = c.treeData;
        show(window, "lst", c.kind);
        QStringList listed = names(window);
        listed.sort();
        if (!c.names.isEmpty()) {
            EXPECT_EQ(listed, c.names) << listed.join(' ').toStdString();
        }
        for (const Check &check : c.checks) {
            QString kind;
            if (check.sub.contains(1))
                kind = check.sub.value(1);
            const Row r = row(window, check.name, kind);
            for (auto it = check.sub.cbegin(); it != check.sub.cend(); ++it)
                EXPECT_EQ(r.sub.value(it.key()), it.value())
                    << check.name.toStdString() << " sub-item " << it.key();
        }
        EXPECT_EQ(window->g_TreeDispState, c.kind.isEmpty() ? QString("%") : c.kind);
        // Each row carries its own kind's icon.
        for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i)
            EXPECT_FALSE(window->lstObject->topLevelItem(i)->icon(0).isNull());
    }
}

// Each kind's comment in each form: the object's own comment where it has one, empty where it
// has none; a column's comment is no comment of its table.
TEST_F(ObjectListTest, CommentsOfEveryKindAndForm)
{
    const QList<QPair<QString, QString>> commented = {
        { "TABLE", "event" }, // '出来事' from the sample schema
        { "INDEX", "part_k" },
        { "VIEW", "event_view" },
        { "MATERIALIZED VIEW", "event_mv" },
        { "FUNCTION", "rows_of" },
        { "PROCEDURE", "reset" },
        { "AGGREGATE", "tally" },
        { "TYPE", "mood" },
        { "TRIGGER", "before_x" },
        { "RULE", "event_keep" },
        { "SEQUENCE", "counter" },
        { "CONSTRAINT", "event_ref_event_id_fkey" },
    };
    for (const char *sql :
         { "COMMENT ON INDEX lst.part_k IS 'c-INDEX'", "COMMENT ON VIEW lst.event_view IS 'c-VIEW'",
           "COMMENT ON MATERIALIZED VIEW lst.event_mv IS 'c-MATERIALIZED VIEW'",
           "COMMENT ON FUNCTION lst.rows_of(integer, lst.event) IS 'c-FUNCTION'",
           "COMMENT ON PROCEDURE lst.reset(integer) IS 'c-PROCEDURE'",
           "COMMENT ON AGGREGATE lst.tally(*) IS 'c-AGGREGATE'",
           "COMMENT ON TYPE lst.mood IS 'c-TYPE'",
           "COMMENT ON TRIGGER before_x ON lst.event IS 'c-TRIGGER'",
           "COMMENT ON RULE event_keep ON lst.event_ref IS 'c-RULE'",
           "COMMENT ON SEQUENCE lst.counter IS 'c-SEQUENCE'",
           "COMMENT ON CONSTRAINT event_ref_event_id_fkey ON lst.event_ref IS 'c-CONSTRAINT'",
           "COMMENT ON COLUMN lst.event_ref.event_id IS 'c-COLUMN'" })
        db.exec(sql);
    const auto expected = [&](const QString &kind, const QString &name) {
        if (!commented.contains({ kind, name }))
            return QString();
        return kind == "TABLE" ? QString("出来事") : "c-" + kind;
    };

    TfrmObject *window = open("lst");
    QStringList kinds { "" }; // the mixed list
    for (const auto &[kind, name] : commented)
        kinds << kind;
    for (const QString &kind : kinds) {
        for (const bool treeData : { false, true }) {
            SCOPED_TRACE(QString(kind + (treeData ? " detail" : " short")).toStdString());
            AppOption.TreeData = treeData;
            show(window, "lst", kind);
            const int comment = window->lstObject->columnCount() - 2;
            ASSERT_EQ(window->lstObject->headerItem()->text(comment + 1), "コメント");
            int withComment = 0;
            for (const Row &r : rows(window)) {
                const QString rowKind = r.sub.value(1);
                EXPECT_EQ(r.sub.value(comment), expected(rowKind, r.name))
                    << rowKind.toStdString() << " " << r.name.toStdString();
                withComment += !r.sub.value(comment).isEmpty();
            }
            EXPECT_EQ(withComment, kind.isEmpty() ? commented.size() : 1);
        }
    }
}

// A schema whose name holds an underscore lists its own objects only.
TEST_F(ObjectListTest, ConcreteSchemaIsNoPattern)
{
    TfrmObject *window = open("lst");
    for (const bool treeData : { false, true }) {
        AppOption.TreeData = treeData;
        show(window, "lst_b", "TABLE");
        EXPECT_EQ(names(window), QStringList { "only_b" });
        show(window, "lst_b");
        EXPECT_EQ(names(window), QStringList { "only_b" });
    }
    // The kind-first tree: the schema is the node below the kind.
    AppOption.TreeSort = 1;
    window->btnTree2->setChecked(true);
    window->ShowTree();
    QTreeWidgetItem *table = find(window->lstTree->topLevelItem(0), "TABLE");
    QTreeWidgetItem *schema = find(table, "lst_b");
    ASSERT_NE(schema, nullptr);
    {
        const QSignalBlocker block(window->lstTree);
        window->lstTree->setCurrentItem(schema);
    }
    window->ShowObject(false);
    EXPECT_EQ(names(window), QStringList { "only_b" });
}

// The DROP arguments of an aggregate without arguments build a DROP the server runs.
TEST_F(ObjectListTest, DropArgumentsOfAggregatesRunOnTheServer)
{
    TfrmObject *window = open("lst");
    AppOption.TreeData = true;
    // lst: one without arguments; inv: ordered-set and hypothetical-set ones.
    for (const QString schema : { "lst", "inv" }) {
        show(window, schema, "AGGREGATE");
        for (const Row &r : rows(window)) {
            const QString drop = "DROP AGGREGATE " + schema + "." + r.name + "("
                + r.sub.value(ObjectListSubDropArgs) + ")";
            EXPECT_NO_THROW(window->ExecuteSQL(drop)) << drop.toStdString();
        }
    }
    EXPECT_EQ(query("SELECT count(*) FROM pg_aggregate a JOIN pg_proc p ON p.oid = a.aggfnoid"
                    " JOIN pg_namespace n ON n.oid = p.pronamespace"
                    " WHERE n.nspname IN ('lst', 'inv')"),
              "0");
    // Functions and procedures too: OUT, INOUT and TABLE arguments, overloads. (The range and
    // base types' own functions of inv go only with their types.)
    for (const QString schema : { "lst", "inv" }) {
        for (const QString kind : { "FUNCTION", "PROCEDURE" }) {
            if (schema == "inv" && kind == "FUNCTION")
                continue;
            show(window, schema, kind);
            for (const Row &r : rows(window)) {
                const QString drop = "DROP " + kind + " " + schema + "." + r.name + "("
                    + r.sub.value(ObjectListSubDropArgs) + ") CASCADE";
                EXPECT_NO_THROW(window->ExecuteSQL(drop)) << drop.toStdString();
            }
        }
    }
    EXPECT_EQ(query("SELECT count(*) FROM pg_proc p JOIN pg_namespace n"
                    " ON n.oid = p.pronamespace WHERE n.nspname = 'lst'"
                    " OR (n.nspname = 'inv' AND p.prokind IN ('p', 'a'))"),
              "0");
}

// A sequence that pg_sequences does not show (another session's temporary one) gets six empty
// values; the list goes on.
TEST_F(ObjectListTest, SequenceOfAnotherSessionHasEmptyValues)
{
    pg::Connection other;
    const testsupport::ServerInfo &s = testsupport::server();
    other.setParam("Server", s.host);
    other.setParam("Port", QString::number(s.port));
    other.setParam("Database", db.name());
    other.setParam("User_Name", s.user);
    other.open();
    other.exec("CREATE TEMPORARY SEQUENCE their_seq");
    other.exec("SELECT nextval('their_seq')");

    TfrmObject *window = open("lst");
    AppOption.TreeData = true;
    const QStringList lines = ObjectListSQL(
        "SEQUENCE", true,
        { window->DBVer(), false, db.name(), ObjectListSchemaCondition("pg_temp", 0, {}), "%" });
    const pg::Result result = window->OpenSQL(lines.join('\n'));
    ASSERT_EQ(result.rowCount(), 1);
    TObjectListFill fill;
    fill.form = TObjectListForm::Detail;
    const QStringList sub = ObjectListSubItems(result, 0, fill);
    EXPECT_EQ(sub.mid(3, 6), QStringList(6));
    EXPECT_EQ(sub.value(1), "SEQUENCE");
}

// One statement reads the whole list: the sequences' values come with it, not one statement per
// sequence (counted by the server's statement statistics of this database).
TEST_F(ObjectListTest, OneStatementPerList)
{
    db.exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements SCHEMA public");
    db.exec("CREATE SEQUENCE lst.second_counter");
    db.exec("CREATE SEQUENCE lst.third_counter");
    TfrmObject *window = open("lst");
    AppOption.TreeData = true;
    const QString thisDb = "(SELECT oid FROM pg_database WHERE datname = current_database())";
    window->ExecuteSQL("SELECT public.pg_stat_statements_reset(0::oid, " + thisDb + ", 0::bigint)");
    show(window, "lst", "SEQUENCE");
    EXPECT_EQ(names(window).size(), 3);
    EXPECT_EQ(query("SELECT sum(calls) FROM pg_stat_statements WHERE dbid = " + thisDb
                    + " AND query LIKE '%pg_sequences%'"),
              "1");
}

// The search text narrows the list and becomes the newest history entry; IsGrep lists all.
TEST_F(ObjectListTest, SearchTextAndHistory)
{
    AppOption.UseLowerName = true; // the search box keeps the letter case typed
    TfrmObject *window = open("lst");
    show(window, "lst", "TABLE");
    EXPECT_EQ(names(window).size(), 4);
    window->cmbFind->setEditText("event");
    window->ShowObject(false);
    EXPECT_EQ(names(window), (QStringList { "event", "event_ref" }));
    AppOption.FindAuto = false;
    window->ShowObject(false);
    EXPECT_EQ(names(window), QStringList { "event" });
    window->cmbFind->setEditText("Part%");
    window->ShowObject(false);
    EXPECT_TRUE(names(window).isEmpty()); // LIKE counts letter case
    window->cmbFind->setEditText("event");
    window->ShowObject(false);
    QStringList history;
    for (int i = 0; i < window->cmbFind->count(); ++i)
        history << window->cmbFind->itemText(i);
    EXPECT_EQ(history, (QStringList { "event", "Part%" }));
    QStringList saved;
    LoadWhereList("%", "%", saved);
    EXPECT_EQ(saved, history);

    window->cmbFind->setEditText("nothing");
    window->ShowObject(true);
    EXPECT_EQ(names(window).size(), 4);
    EXPECT_EQ(window->cmbFind->count(), 2);

    // A new window loads the history.
    TfrmObject *second = open("lst");
    EXPECT_EQ(second->cmbFind->count(), 2);
    EXPECT_EQ(second->cmbFind->itemText(0), "event");

    // Names folded to lower case: what is typed becomes lower case.
    AppOption.UseLowerName = false;
    second->cmbFind->setEditText(QString());
    QTest::keyClicks(second->cmbFind->lineEdit(), "PaRT");
    EXPECT_EQ(second->cmbFind->currentText(), "part");
}

// Esc during the fill keeps the rows read so far, sorted, and the counts are those rows.
TEST_F(ObjectListTest, EscKeepsAPartialSortedList)
{
    TfrmObject *window = open("lst");
    AppOption.Progress = true;
    show(window, "pg_catalog", "FUNCTION");
    const int total = window->lstObject->topLevelItemCount();
    ASSERT_GT(total, 1000);

    constexpr int stopAt = 50;
    const auto connection = QObject::connect(
        window->lstObject->model(), &QAbstractItemModel::rowsInserted, window, [window] {
            if (window->lstObject->topLevelItemCount() == stopAt && CancelGuard::current())
                CancelGuard::current()->cancel();
        });
    const int before = main.defMessages;
    window->ShowObject(false);
    QObject::disconnect(connection);

    EXPECT_EQ(window->lstObject->topLevelItemCount(), stopAt);
    EXPECT_EQ(window->ObjectCount(), stopAt);
    EXPECT_GT(main.defMessages, before);
    QStringList listed = names(window);
    QStringList sorted = listed;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
    EXPECT_EQ(listed, sorted);
    // The next fill is complete again.
    window->ShowObject(false);
    EXPECT_EQ(window->lstObject->topLevelItemCount(), total);
}

// Each list reads and writes its column widths under one name of its own.
TEST_F(ObjectListTest, ColumnWidthsUnderOneNamePerList)
{
    TfrmObject *window = open("lst");
    AppOption.TreeData = true;
    show(window, "lst", "VIEW");
    EXPECT_EQ(window->FViewType, "VIEW");
    EXPECT_EQ(window->lstObject->columnWidth(4), 100);
    window->lstObject->setColumnWidth(4, 333);

    show(window, "lst", "MATERIALIZED VIEW");
    EXPECT_EQ(window->FViewType, "MATERIALIZED VIEW");
    // Another list's width is not read.
    EXPECT_EQ(window->lstObject->columnWidth(4), 100);
    window->lstObject->setColumnWidth(4, 222);

    show(window, "lst", "VIEW");
    EXPECT_EQ(window->lstObject->columnWidth(4), 333);
    show(window, "lst", "MATERIALIZED VIEW");
    EXPECT_EQ(window->lstObject->columnWidth(4), 222);

    // Short lists: the owner column of a five-column list does not become another list's
    // argument column.
    AppOption.TreeData = false;
    show(window, "lst", "TABLE");
    window->lstObject->setColumnWidth(3, 444);
    show(window, "lst", "FUNCTION");
    EXPECT_EQ(window->lstObject->columnWidth(3), 140);
    show(window, "lst", "TABLE");
    EXPECT_EQ(window->lstObject->columnWidth(3), 444);

    // Closing the window writes the widths of the list shown.
    window->lstObject->setColumnWidth(4, 555);
    closeWindow(window);
    ASSERT_TRUE(AppRegistry->OpenKey(QString::fromLatin1(QvRegistryRoot) + "\\GUI\\OBJECT", false));
    EXPECT_EQ(AppRegistry->GetInteger("SOURCE_TABLE4", 0), 555);
    EXPECT_EQ(AppRegistry->GetInteger("SOURCE_TABLE3", 0), 444);
    EXPECT_EQ(AppRegistry->GetInteger("VIEW4", 0), 333);
    AppRegistry->CloseKey();
}

// Captions, alignment and the nodes that show nothing.
TEST_F(ObjectListTest, ColumnsAndEmptyNodes)
{
    TfrmObject *window = open("lst");
    AppOption.TreeData = true;
    show(window, "lst", "TABLE");
    QStringList captions;
    for (int i = 0; i < window->lstObject->columnCount(); ++i)
        captions << window->lstObject->headerItem()->text(i);
    EXPECT_EQ(captions,
              (QStringList { "オブジェクト名", "スキーマ", "タイプ", "OID", "テーブルスペース",
                             "サイズ(KB)", "インデックス", "トリガー", "ルール", "継承", "作成者",
                             "コメント" }));
    EXPECT_EQ(window->lstObject->ColumnAlignment(5), Qt::AlignRight);
    EXPECT_EQ(window->lstObject->ColumnAlignment(6), Qt::AlignHCenter);
    EXPECT_FALSE(window->lstObject->isHeaderHidden());

    AppOption.ShowLevel0 = false;
    show(window, QString());
    EXPECT_EQ(window->lstObject->topLevelItemCount(), 0);
    EXPECT_EQ(window->lstObject->columnCount(), 0);
    EXPECT_TRUE(window->lstObject->isHeaderHidden());

    // The root with every schema: the mixed list over the whole database.
    AppOption.ShowLevel0 = true;
    AppOption.TreeData = false;
    show(window, QString());
    EXPECT_EQ(window->g_TreeDispState, "%");
    EXPECT_EQ(window->FViewType, "SOURCE");
    EXPECT_GT(window->lstObject->topLevelItemCount(), 1000);
}

} // namespace listtest
