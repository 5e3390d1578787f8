// The table editor's ALTER path without widgets, against the fixture's tables of tbl_alter:
// the statements written for each kind of change, those statements run on the server and the
// table read back equal to the edited grid, the test that sends an edit to re-creation, and
// the automatic quoting of typed defaults.
#include "editorstest.h"
#include "tabletest.h"

#include "core/qvoption.h"
#include "editors/tables/tblalter.h"
#include "editors/tables/tbldef.h"
#include "editors/tables/tbledit.h"
#include "editors/tables/tblscript.h"
#include "platform/pg/connection.h"

#include <QPushButton>
#include <QTest>

#include <functional>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

namespace tablealtertest {

using tabletest::editOf;

// The grid's rows as one text each, and the table comment, for comparing two grids.
QStringList gridText(const TTableEdit &edit)
{
    QStringList rows { "comment=" + edit.Comment };
    for (const TTableColumnEdit &c : edit.Columns)
        rows << QStringList { c.PrimaryKey ? "PK" : "", c.Name,    c.Type,   c.Length,
                              c.NotNull ? "NN" : "",    c.Default, c.Comment }
                    .join(" | ");
    return rows;
}

TTableColumnEdit &column(TTableEdit &edit, const QString &name)
{
    for (TTableColumnEdit &c : edit.Columns) {
        if (c.Name == name)
            return c;
    }
    throw std::runtime_error("no column " + name.toStdString());
}

TTableColumnEdit &edited(TTableEdit &edit, const QString &name, const QString &defaultText)
{
    TTableColumnEdit &c = column(edit, name);
    c.Default = defaultText;
    c.DefaultEdited = true;
    return c;
}

void add(TTableEdit &edit, const QString &name, const QString &type, const QString &length = {},
         bool notNull = false, const QString &defaultText = {}, const QString &comment = {})
{
    TTableColumnEdit c;
    c.Name = name;
    c.Type = type;
    c.Length = length;
    c.NotNull = notNull;
    c.Default = defaultText;
    c.DefaultEdited = !defaultText.isEmpty();
    c.Comment = comment;
    c.Row = int(edit.Columns.size());
    edit.Columns << c;
}

class TableAlter : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        AppOption.UseLowerName = false;
    }

    pg::Connection &session() { return *conn->dbsMain(); }

    TTableDefinition load(const QString &name)
    {
        const quint32 oid = FindTableOid(session(), "tbl_alter", name);
        EXPECT_NE(oid, 0u) << name.toStdString();
        return LoadTableDefinition(session(), oid);
    }
};

struct AlterCase
{
    const char *title;
    const char *table;
    std::function<void(TTableEdit &)> change;
    QStringList expected;
    TTableAlterStorage storage = {};
    const char *checkSql = nullptr; // a further fact of the altered table, and its value
    const char *checkValue = nullptr;
};

TEST_F(TableAlter, WritesExactlyTheStatementsOfTheChangesAndTheServerTakesThem)
{
    const QString pad = "                              "; // 30 blanks
    const auto padTo = [&pad](const QString &name, int width) -> QString {
        return name + pad.left(width - name.size());
    };
    // "    ADD COLUMN " + name in 30 cells + " ", "    ALTER COLUMN " + name in 31 cells + " ".
    const auto addColumn = [&](const QString &name, const QString &rest) -> QString {
        return QStringLiteral("    ADD COLUMN %1 %2").arg(padTo(name, 30), rest);
    };
    const auto alterColumn = [&](const QString &name, const QString &rest) -> QString {
        return QStringLiteral("    ALTER COLUMN %1 %2").arg(padTo(name, 31), rest);
    };
    const QString item = "ALTER TABLE tbl_alter.item";
    const QString counter = "ALTER TABLE tbl_alter.counter";

    const AlterCase cases[] = {
        { "nothing changed", "item", [](TTableEdit &) {}, {} },
        { "one column after the others",
          "item",
          [](TTableEdit &e) { add(e, "price", "numeric", "10,2", true, "0", "単価"); },
          { item, addColumn("price", "numeric(10,2) DEFAULT 0 NOT NULL"), ";",
            "COMMENT ON COLUMN tbl_alter.item.price IS '単価'", ";" } },
        // Several new columns at the end are one ALTER TABLE, with the storage frame's items.
        { "two columns after the others, with storage",
          "item",
          [](TTableEdit &e) {
              add(e, "tags", "character varying[]", "10");
              add(e, "Memo Text", "text", {}, false, "'-'::text");
          },
          { item, addColumn("tags", "character varying(10)[],"),
            addColumn("\"Memo Text\"", "text DEFAULT '-'::text,"), "    SET UNLOGGED", ";",
            "ALTER TABLE tbl_alter.item SET (fillfactor=70)", ";" },
          { { "SET UNLOGGED" }, { "ALTER TABLE tbl_alter.item SET (fillfactor=70)" } },
          "SELECT relpersistence::text || ' ' || reloptions::text FROM pg_class "
          "WHERE oid = 'tbl_alter.item'::regclass",
          "u {fillfactor=70}" },
        // The rename comes first, so the new column may take the name given up.
        { "a rename, and a new column under the old name",
          "item",
          [](TTableEdit &e) {
              column(e, "code").Name = "Part Code";
              add(e, "code", "text");
          },
          { "ALTER TABLE tbl_alter.item RENAME COLUMN code TO \"Part Code\"", ";", item,
            addColumn("code", "text"), ";" } },
        { "two names swapped",
          "item",
          [](TTableEdit &e) {
              column(e, "qty").Name = "made-new";
              column(e, "made").Name = "qty";
              column(e, "made-new").Name = "made";
          },
          { "ALTER TABLE tbl_alter.item RENAME COLUMN qty TO qty_renaming1", ";",
            "ALTER TABLE tbl_alter.item RENAME COLUMN made TO qty", ";",
            "ALTER TABLE tbl_alter.item RENAME COLUMN qty_renaming1 TO made", ";" } },
        { "type changes",
          "item",
          [](TTableEdit &e) {
              column(e, "code").Length = "40";
              column(e, "qty").Type = "bigint";
          },
          { item, alterColumn("code", "TYPE character varying(40)"), ";", item,
            alterColumn("qty", "TYPE bigint"), ";" } },
        { "NOT NULL off and on",
          "item",
          [](TTableEdit &e) {
              column(e, "code").NotNull = false;
              column(e, "qty").NotNull = true;
          },
          { item, alterColumn("code", "DROP NOT NULL"), ";", item,
            alterColumn("qty", "SET NOT NULL"), ";" } },
        { "defaults dropped and set",
          "item",
          [](TTableEdit &e) {
              edited(e, "qty", "");
              edited(e, "note", "'none'::text");
          },
          { item, alterColumn("qty", "DROP DEFAULT"), ";", item,
            alterColumn("note", "SET DEFAULT 'none'::text"), ";" } },
        { "comments",
          "item",
          [](TTableEdit &e) {
              e.Comment.clear();
              column(e, "code").Comment = "部品番号";
              column(e, "note").Comment = "it's";
          },
          { "COMMENT ON TABLE tbl_alter.item IS ''", ";",
            "COMMENT ON COLUMN tbl_alter.item.code IS '部品番号'", ";",
            "COMMENT ON COLUMN tbl_alter.item.note IS 'it''s'", ";" } },
        { "key widened",
          "item",
          [](TTableEdit &e) { column(e, "code").PrimaryKey = true; },
          { "ALTER TABLE tbl_alter.item DROP CONSTRAINT item_pkey", ";",
            "ALTER TABLE tbl_alter.item ADD CONSTRAINT item_pkey", "PRIMARY KEY (id, code)",
            ";" } },
        { "key dropped",
          "item",
          [](TTableEdit &e) { column(e, "id").PrimaryKey = false; },
          { "ALTER TABLE tbl_alter.item DROP CONSTRAINT item_pkey", ";" } },
        { "key on a table that had none",
          "counter",
          [](TTableEdit &e) { column(e, "id").PrimaryKey = true; },
          { "ALTER TABLE tbl_alter.counter ADD CONSTRAINT pk_counter", "PRIMARY KEY (id)", ";" } },
        // Type, NOT NULL and default on the loaded name, then the rename, then the comment on
        // the new name.
        { "one column changed in every way",
          "item",
          [](TTableEdit &e) {
              TTableColumnEdit &c = edited(e, "qty", "1");
              c.Type = "bigint";
              c.NotNull = true;
              c.Name = "quantity";
              c.Comment = "数量";
          },
          { item, alterColumn("qty", "TYPE bigint"), ";", item, alterColumn("qty", "SET NOT NULL"),
            ";", item, alterColumn("qty", "SET DEFAULT 1"), ";",
            "ALTER TABLE tbl_alter.item RENAME COLUMN qty TO quantity", ";",
            "COMMENT ON COLUMN tbl_alter.item.quantity IS '数量'", ";" } },
        // Shown clauses that were not edited write nothing, also beside a type change.
        { "identity kept through a type change",
          "counter",
          [](TTableEdit &e) {
              TTableColumnEdit &c = edited(e, "id", "GENERATED ALWAYS AS IDENTITY");
              c.Type = "bigint";
              edited(e, "total", "GENERATED ALWAYS AS ((length(label) * 2)) STORED");
          },
          { counter, alterColumn("id", "TYPE bigint"), ";" } },
        { "identity and generation removed",
          "counter",
          [](TTableEdit &e) {
              edited(e, "id", "");
              edited(e, "total", "0");
          },
          { counter, alterColumn("id", "DROP IDENTITY"), ";", counter,
            alterColumn("total", "DROP EXPRESSION"), ";", counter,
            alterColumn("total", "SET DEFAULT 0"), ";" } },
        { "identity switched and put on a column",
          "counter",
          [](TTableEdit &e) {
              edited(e, "id", "GENERATED BY DEFAULT AS IDENTITY");
              add(e, "serial_no", "integer", {}, true, "GENERATED ALWAYS AS IDENTITY");
          },
          { counter, alterColumn("id", "SET GENERATED BY DEFAULT"), ";", counter,
            addColumn("serial_no", "integer GENERATED ALWAYS AS IDENTITY NOT NULL"), ";" } },
    };

    for (const AlterCase &c : cases) {
        SCOPED_TRACE(c.title);
        const TTableDefinition def = load(c.table);
        TTableEdit edit = editOf(def);
        c.change(edit);
        ASSERT_FALSE(TableEditNeedsRecreate(def, edit));
        const QStringList lines = TableAlterScript(def, edit, "tbl_alter.", c.storage);
        EXPECT_EQ(lines, c.expected) << lines.join('\n').toStdString();

        // The server takes the statements, and the table read back shows the edited grid.
        pg::Connection &s = session();
        s.startTransaction();
        try {
            editorstest::runScriptLines(s, lines);
            EXPECT_EQ(gridText(editOf(load(c.table))), gridText(edit));
            if (c.checkSql) {
                EXPECT_EQ(s.exec(c.checkSql).text(0, 0), c.checkValue);
            }
        } catch (const std::exception &e) {
            ADD_FAILURE() << e.what();
        }
        s.rollback();
    }
}

TEST_F(TableAlter, RecreatesOnlyForMovesDeletionsAndColumnsBeforeLoadedOnes)
{
    struct Case
    {
        const char *title;
        const char *table;
        std::function<void(TTableEdit &)> change;
        bool recreate;
    };
    const Case cases[] = {
        { "unchanged", "item", [](TTableEdit &) {}, false },
        { "renamed, retyped, commented", "item",
          [](TTableEdit &e) {
              column(e, "code").Name = "part";
              column(e, "qty").Type = "bigint";
              column(e, "note").Comment = "x";
          },
          false },
        { "columns after the loaded ones", "item",
          [](TTableEdit &e) {
              add(e, "a", "text");
              add(e, "b", "integer");
              add(e, "c", "date");
          },
          false },
        { "a column moved", "item", [](TTableEdit &e) { e.Columns.swapItemsAt(1, 2); }, true },
        { "a middle column deleted", "item", [](TTableEdit &e) { e.Columns.removeAt(2); }, true },
        { "the last column deleted", "item", [](TTableEdit &e) { e.Columns.removeLast(); }, true },
        { "a new column between loaded ones", "item",
          [](TTableEdit &e) {
              add(e, "a", "text");
              e.Columns.move(e.Columns.size() - 1, 3);
          },
          true },
        // A generation expression can only be given when the column is made.
        { "a generation expression changed", "counter",
          [](TTableEdit &e) {
              edited(e, "total", "GENERATED ALWAYS AS (length(label) * 3) STORED");
          },
          true },
        { "a generation expression removed", "counter",
          [](TTableEdit &e) { edited(e, "total", ""); }, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title);
        const TTableDefinition def = load(c.table);
        TTableEdit edit = editOf(def);
        c.change(edit);
        EXPECT_EQ(TableEditNeedsRecreate(def, edit), c.recreate);
    }
}

TEST_F(TableAlter, QuotesOnlyTypedTextDefaultsOfCharacterColumns)
{
    const TTableDefinition def = load("item");
    ASSERT_EQ(ColumnDefaultCell(def.Columns.at(0)), "nextval('tbl_alter.item_id_seq'::regclass)");
    ASSERT_EQ(ColumnDefaultCell(def.Columns.at(3)), "now()");
    struct Case
    {
        const char *column;
        const char *typed; // nullptr: the cell as loaded, not edited
        const char *expected;
    };
    const Case cases[] = {
        { "note", "abc", "'abc'" },
        { "code", "it's", "'it''s'" },
        { "note", "1.5", "1.5" },
        { "note", "-2e3", "-2e3" },
        { "note", "'abc'", "'abc'" },
        // Loaded expressions stay, whatever the column's type.
        { "id", nullptr, "nextval('tbl_alter.item_id_seq'::regclass)" },
        { "made", nullptr, "now()" },
        // Marked as edited but as loaded: still the loaded expression.
        { "made", "now()", "now()" },
        { "qty", "now()", "now()" },
        { "qty", "abc", "abc" },
        { "new_text", "abc", "'abc'" },
        { "new_int", "abc", "abc" },
        { "new_text", "GENERATED ALWAYS AS (upper(code)) STORED",
          "GENERATED ALWAYS AS (upper(code)) STORED" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.column) + " " + (c.typed ? c.typed : "-"));
        TTableEdit edit = editOf(def);
        add(edit, "new_text", "character varying", "10");
        add(edit, "new_int", "integer");
        if (c.typed)
            edited(edit, c.column, c.typed);
        ApplyDefaultAutoQuote(edit, def);
        EXPECT_EQ(column(edit, c.column).Default, c.expected);
    }
}

// The type text written from the grid's type and length cells declares exactly that type.
TEST_F(TableAlter, ColumnTypeTextFromTheGridCells)
{
    struct Case
    {
        const char *type;
        const char *length;
        const char *expected;
    };
    const Case cases[] = {
        { "character varying", "40", "character varying(40)" },
        { "character varying[]", "10", "character varying(10)[]" },
        { "numeric", "10,2", "numeric(10,2)" },
        { "timestamp with time zone", "3", "timestamp(3) with time zone" },
        { "time without time zone[]", "0", "time(0) without time zone[]" },
        { "interval", "2", "interval(2)" },
        { "integer[]", "", "integer[]" },
    };
    pg::Connection &s = session();
    s.startTransaction();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        const QString text = ColumnTypeText(c.type, c.length);
        EXPECT_EQ(text, c.expected);
        s.exec("CREATE TEMPORARY TABLE typed (c " + text + ")");
        EXPECT_EQ(s.exec("SELECT format_type(atttypid, atttypmod) FROM pg_attribute "
                         "WHERE attrelid = 'typed'::regclass AND attname = 'c'")
                      .text(0, 0),
                  c.expected);
        s.exec("DROP TABLE typed");
    }
    s.rollback();
}

// A primary key whose columns change is dropped and added again: the new key keeps what the
// old one had beside its columns, and gets back its comments, CLUSTER ON and replica identity.
TEST_F(TableAlter, AReplacedKeyKeepsWhatTheOldOneCarried)
{
    db.exec("CREATE TABLE tbl_alter.keyed (id integer NOT NULL, code text NOT NULL, note text,"
            "  CONSTRAINT keyed_pkey PRIMARY KEY (id) INCLUDE (note) WITH (fillfactor = 80));"
            "INSERT INTO tbl_alter.keyed VALUES (1, 'a', 'x'), (2, 'a', 'y');"
            "COMMENT ON CONSTRAINT keyed_pkey ON tbl_alter.keyed IS 'キー';"
            "COMMENT ON INDEX tbl_alter.keyed_pkey IS '索引';"
            "ALTER TABLE tbl_alter.keyed CLUSTER ON keyed_pkey;"
            "ALTER TABLE tbl_alter.keyed REPLICA IDENTITY USING INDEX keyed_pkey;");
    const TTableDefinition def = load("keyed");
    TTableEdit edit = editOf(def);
    EXPECT_FALSE(TableAlterRecreatesKey(def, edit));
    column(edit, "code").PrimaryKey = true;
    ASSERT_FALSE(TableEditNeedsRecreate(def, edit));
    EXPECT_TRUE(TableAlterRecreatesKey(def, edit));
    const QStringList lines = TableAlterScript(def, edit, "tbl_alter.");
    EXPECT_EQ(
        lines,
        QStringList({ "ALTER TABLE tbl_alter.keyed DROP CONSTRAINT keyed_pkey", ";",
                      "ALTER TABLE tbl_alter.keyed ADD CONSTRAINT keyed_pkey",
                      "PRIMARY KEY (id, code)", "INCLUDE (note)", "WITH (fillfactor = 80)", ";",
                      "COMMENT ON CONSTRAINT keyed_pkey ON tbl_alter.keyed IS 'キー'", ";",
                      "COMMENT ON INDEX tbl_alter.keyed_pkey IS '索引'", ";",
                      "ALTER TABLE tbl_alter.keyed CLUSTER ON keyed_pkey", ";",
                      "ALTER TABLE tbl_alter.keyed REPLICA IDENTITY USING INDEX keyed_pkey", ";" }))
        << lines.join('\n').toStdString();
    editorstest::runScriptLines(session(), lines);
    // Read from a second connection once the statements have run.
    EXPECT_EQ(query("SELECT pg_get_constraintdef(oid) || '|' || "
                    "coalesce(obj_description(oid, 'pg_constraint'), '-') FROM pg_constraint "
                    "WHERE conrelid = 'tbl_alter.keyed'::regclass AND contype = 'p'"),
              "PRIMARY KEY (id, code) INCLUDE (note)|キー");
    EXPECT_EQ(query("SELECT coalesce(obj_description(c.oid, 'pg_class'), '-') || '|' || "
                    "i.indisclustered::text || '|' || i.indisreplident::text || '|' || "
                    "array_to_string(c.reloptions, ',') FROM pg_index i "
                    "JOIN pg_class c ON c.oid = i.indexrelid "
                    "WHERE c.oid = 'tbl_alter.keyed_pkey'::regclass"),
              "索引|true|true|fillfactor=80");

    // Only a key that is dropped and added again makes the script all-or-nothing.
    TTableEdit dropped = editOf(def);
    column(dropped, "id").PrimaryKey = false;
    EXPECT_FALSE(TableAlterRecreatesKey(def, dropped));
    const TTableDefinition counter = load("counter");
    TTableEdit added = editOf(counter);
    column(added, "id").PrimaryKey = true;
    EXPECT_FALSE(TableAlterRecreatesKey(counter, added));
}

// Through the window: a new key that the rows do not allow fails at its ADD; after "go on"
// the run is rolled back, and the table keeps its old key.
TEST_F(TableAlter, AFailedKeyReplacementLeavesTheOldKeyAfterContinue)
{
    db.exec("CREATE TABLE tbl_alter.moved (id integer PRIMARY KEY, code text);"
            "INSERT INTO tbl_alter.moved VALUES (1, 'a'), (2, 'a');");
    TfrmTable *window = TfrmTable::Open(conn.get(), "tbl_alter", "moved");
    ASSERT_NE(window, nullptr);
    TqvStringGrid *grid = window->grdColumn;
    const auto clickKey = [grid](int row) {
        grid->setCurrentCell(TfrmTable::colName, row);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->CellRect(TfrmTable::colKey, row).center());
    };
    clickKey(1); // id off
    clickKey(2); // code on: its values repeat
    ASSERT_FALSE(window->CurrentEdit().Columns.at(0).PrimaryKey);
    ASSERT_TRUE(window->CurrentEdit().Columns.at(1).PrimaryKey);
    ASSERT_FALSE(window->IsCreate());
    RunnerDriver driver([](TfrmDDLExec *runner) {
        QTest::mouseClick(runner->findChild<QPushButton *>(QStringLiteral("btnOK")),
                          Qt::LeftButton);
    });
    window->Compile(nullptr);
    EXPECT_EQ(driver.stops, 1);
    EXPECT_TRUE(driver.lastLog.contains("ADD CONSTRAINT")) << driver.lastLog.toStdString();
    EXPECT_TRUE(
        driver.lastLog.contains("ROLLBACK\nエラーがあったため、すべての変更を取り消しました。"))
        << driver.lastLog.toStdString();
    EXPECT_EQ(query("SELECT string_agg(pg_get_constraintdef(oid), ',') FROM pg_constraint "
                    "WHERE conrelid = 'tbl_alter.moved'::regclass"),
              "PRIMARY KEY (id)");
    EXPECT_EQ(query("SELECT attnotnull::text FROM pg_attribute WHERE attrelid = "
                    "'tbl_alter.moved'::regclass AND attname = 'code'"),
              "false");
    EXPECT_FALSE(conn->dbsMain()->inTransaction());
}

} // namespace tablealtertest
