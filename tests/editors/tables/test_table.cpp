// The table editor's widget-free half against the fixture's tables: the catalog load, the
// CREATE script run in a scratch database giving the same catalog, the data output reloading
// to identical rows, the data files of a run, and the policy script.
#include "editorstest.h"

#include "core/qvname.h"
#include "editors/tables/ftable.h"
#include "editors/tables/tbldata.h"
#include "editors/tables/tbldef.h"
#include "editors/tables/tblscript.h"
#include "platform/pg/connection.h"
#include "sqllang/qvmemo.h"
#include "ui/ddlrun.h"
#include "ui/qvcomctrls.h"
#include "ui/qvgrid.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTreeWidget>

using editorstest::EditorTest;

namespace tabletest {

// The tables whose scripts are written back: every table of tbl_ref and tbl but the partition.
const QStringList RoundTripTables { "tbl_ref.category", "tbl.kinds", "tbl.Order Line", "tbl.parted",
                                    "tbl.product" };

// Catalog facts of the two schemas, one text row each, so that two databases compare as
// lists.
const QStringList CatalogQueries {
    // tables
    R"(SELECT n.nspname, c.relname, c.relkind, c.relpersistence, c.reloptions::text,
              c.reltablespace, c.relrowsecurity, c.relforcerowsecurity, c.relreplident,
              obj_description(c.oid, 'pg_class'), c.relacl::text,
              CASE WHEN c.relkind = 'p' THEN pg_get_partkeydef(c.oid) END,
              t.reloptions::text
       FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
       LEFT JOIN pg_class t ON t.oid = c.reltoastrelid
       WHERE n.nspname IN ('tbl', 'tbl_ref') AND c.relkind IN ('r', 'p')
         AND c.relname <> 'parted_2025' ORDER BY 1, 2)",
    // columns
    R"(SELECT c.relname, a.attnum, a.attname, format_type(a.atttypid, a.atttypmod),
              a.attnotnull, pg_get_expr(d.adbin, d.adrelid), a.attidentity, a.attgenerated,
              co.collname, col_description(c.oid, a.attnum), a.attstorage, a.attstattarget,
              a.attoptions::text, a.attcompression, a.attacl::text
       FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid
       JOIN pg_namespace n ON n.oid = c.relnamespace
       LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum
       LEFT JOIN pg_collation co ON co.oid = a.attcollation
       WHERE n.nspname IN ('tbl', 'tbl_ref') AND c.relkind IN ('r', 'p')
         AND c.relname <> 'parted_2025' AND a.attnum > 0 AND NOT a.attisdropped
       ORDER BY 1, 2)",
    // constraints with their indexes' storage
    R"(SELECT k.conrelid::regclass::text, k.conname, k.contype, pg_get_constraintdef(k.oid),
              k.condeferrable, k.condeferred, k.convalidated,
              obj_description(k.oid, 'pg_constraint'), i.relname, i.reloptions::text,
              i.reltablespace
       FROM pg_constraint k JOIN pg_namespace n ON n.oid = k.connamespace
       LEFT JOIN pg_class i ON i.oid = k.conindid AND k.contype IN ('p', 'u', 'x')
       WHERE n.nspname IN ('tbl', 'tbl_ref') AND k.conrelid <> 0
         AND k.conrelid::regclass::text NOT LIKE '%parted_2025'
       ORDER BY 1, 2)",
    // indexes
    R"(SELECT c.relname, pg_get_indexdef(c.oid), x.indisclustered, x.indisreplident,
              c.reloptions::text, c.reltablespace, obj_description(c.oid, 'pg_class')
       FROM pg_index x JOIN pg_class c ON c.oid = x.indexrelid
       JOIN pg_namespace n ON n.oid = c.relnamespace
       WHERE n.nspname IN ('tbl', 'tbl_ref') AND c.relname NOT LIKE 'parted_2025%'
       ORDER BY 1)",
    // triggers
    R"(SELECT t.tgrelid::regclass::text, t.tgname, pg_get_triggerdef(t.oid), t.tgenabled,
              obj_description(t.oid, 'pg_trigger')
       FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid
       JOIN pg_namespace n ON n.oid = c.relnamespace
       WHERE n.nspname IN ('tbl', 'tbl_ref') AND NOT t.tgisinternal ORDER BY 1, 2)",
    // policies
    R"(SELECT p.polrelid::regclass::text, p.polname, p.polcmd, p.polpermissive,
              ARRAY(SELECT CASE WHEN r = 0 THEN 'PUBLIC' ELSE pg_get_userbyid(r)::text END
                    FROM unnest(p.polroles) r ORDER BY 1),
              pg_get_expr(p.polqual, p.polrelid), pg_get_expr(p.polwithcheck, p.polrelid),
              obj_description(p.oid, 'pg_policy')
       FROM pg_policy p JOIN pg_class c ON c.oid = p.polrelid
       JOIN pg_namespace n ON n.oid = c.relnamespace
       WHERE n.nspname IN ('tbl', 'tbl_ref') ORDER BY 1, 2)",
    // sequences of serial and identity columns, with their owners
    R"(SELECT s.relname, format_type(q.seqtypid, NULL), q.seqstart, q.seqincrement, q.seqmin,
              q.seqmax, q.seqcache, q.seqcycle, d.deptype, d.refobjid::regclass::text,
              d.refobjsubid
       FROM pg_sequence q JOIN pg_class s ON s.oid = q.seqrelid
       JOIN pg_namespace n ON n.oid = s.relnamespace
       JOIN pg_depend d ON d.objid = s.oid AND d.classid = 'pg_class'::regclass
            AND d.refclassid = 'pg_class'::regclass AND d.deptype IN ('a', 'i')
       WHERE n.nspname IN ('tbl', 'tbl_ref') ORDER BY 1)",
};

QStringList catalogOf(const testsupport::TestDatabase &db)
{
    QStringList rows;
    for (const QString &sql : CatalogQueries) {
        const QString select = "SELECT concat_ws(' | ', q.*) FROM (" + sql + ") q";
        rows << testsupport::queryColumn(db.conninfo(), select);
        rows << "----";
    }
    return rows;
}

class TableScript : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ScriptOption.Index = true;
        ScriptOption.Grant = true;
        ScriptOption.Insert = false;
        ScriptOption.InsertMode = 0;
        ScriptOption.OneScript = false;
    }

    // The script of schema.table as script output writes it into memory.
    QStringList script(const QString &qualified)
    {
        const qsizetype dot = qualified.indexOf('.');
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        GetTableScript(conn.get(), qualified.left(dot), qualified.mid(dot + 1), buffer);
        const QString text = QStringDecoder(QStringDecoder::Utf16LE).decode(buffer.data());
        return text.split("\r\n");
    }

    TTableDefinition load(const QString &schema, const QString &name)
    {
        pg::Connection &c = *conn->dbsMain();
        const quint32 oid = FindTableOid(c, schema, name);
        EXPECT_NE(oid, 0u) << name.toStdString();
        return LoadTableDefinition(c, oid);
    }

    // Runs script statement by statement on a session of target; fails the test at the first
    // error with the statement.
    static void run(const testsupport::TestDatabase &target, const QStringList &lines,
                    const QString &prelude = QString())
    {
        appdoubles::TestConnectionWindow window(target.name(), true);
        pg::Connection &c = *window.dbsMain();
        if (!prelude.isEmpty())
            c.exec(prelude);
        for (const QString &statement : DdlStatements(lines)) {
            try {
                c.exec(statement);
            } catch (const std::exception &e) {
                ADD_FAILURE() << statement.toStdString() << "\n" << e.what();
                return;
            }
        }
    }
};

TEST_F(TableScript, LoadKeepsKeysChecksAndColumnNumbers)
{
    const TTableDefinition def = load("tbl", "product");
    ASSERT_EQ(def.Columns.size(), 11);
    EXPECT_EQ(def.Columns.at(0).Name, "product_id");
    EXPECT_TRUE(def.Columns.at(0).PrimaryKey);
    // An INCLUDE column of the key is no key column.
    EXPECT_EQ(def.Columns.at(1).Name, "serial_no");
    EXPECT_FALSE(def.Columns.at(1).PrimaryKey);
    EXPECT_TRUE(def.Columns.at(1).SequenceOwnedBySerial);
    EXPECT_EQ(def.Columns.at(0).Identity, QChar('a'));
    EXPECT_EQ(def.Columns.at(0).Sequence.Start, "100");
    EXPECT_EQ(def.Columns.at(5).Generated, QChar('s'));
    EXPECT_EQ(def.Columns.at(6).CollationName, "C");
    EXPECT_EQ(def.Columns.at(3).TypeText, "numeric(10,2)");
    EXPECT_EQ(def.Columns.at(3).Length, "10,2");
    for (int i = 0; i < def.Columns.size(); ++i)
        EXPECT_EQ(def.Columns.at(i).AttNum, i + 1);
    QStringList checks;
    for (const TTableConstraint &k : def.Constraints) {
        if (k.Type == QChar('c'))
            checks << k.Name;
    }
    // The IS NOT NULL check is listed like every other.
    EXPECT_EQ(checks,
              QStringList({ "product_name_nn", "product_note_short", "product_price_check" }));
    ASSERT_NE(def.PrimaryKey(), nullptr);
    EXPECT_EQ(def.Constraints.first().Name, "product_pkey");
    EXPECT_EQ(def.PrimaryKey()->IncludeColumns, QStringList({ "serial_no" }));
    ASSERT_EQ(def.Policies.size(), 3);
    EXPECT_EQ(def.Policies.at(1).Name, "product_limit");
    EXPECT_FALSE(def.Policies.at(1).Permissive);
    EXPECT_EQ(def.Policies.at(1).Roles, QStringList({ QString() }));
    EXPECT_EQ(def.Policies.at(2).Roles, QStringList({ "corvane_tbl Mixed", "corvane_tbl_reader" }));
    EXPECT_TRUE(def.CanRecreate()) << def.Unwritable().join(' ').toStdString();
}

TEST_F(TableScript, IndexesAndTheirColumnsInOneRead)
{
    const TTableDefinition product = load("tbl", "product");
    ASSERT_EQ(product.Indexes.size(), 2);
    EXPECT_EQ(product.Indexes.at(0).Definition.Name, "Product_Lower");
    EXPECT_EQ(product.Indexes.at(0).Columns, QStringList({ "lower((\"Name\")::text)" }));
    EXPECT_EQ(product.Indexes.at(1).Columns, QStringList({ "created" }));
    EXPECT_EQ(product.ClusterIndex, "product_pkey");
    // A unique index that a foreign key of another table relies on is still the table's own.
    const TTableDefinition category = load("tbl_ref", "category");
    ASSERT_EQ(category.Indexes.size(), 1);
    EXPECT_EQ(category.Indexes.at(0).Definition.Name, "category_alt");
}

TEST_F(TableScript, PartitionedTablesLoadAndRefuseRecreation)
{
    const TTableDefinition parted = load("tbl", "parted");
    EXPECT_TRUE(parted.IsPartitioned());
    EXPECT_EQ(parted.PartitionKey, "RANGE (at)");
    EXPECT_FALSE(parted.CanRecreate());
    const TTableDefinition partition = load("tbl", "parted_2025");
    EXPECT_TRUE(partition.IsPartition);
    EXPECT_FALSE(partition.CanRecreate());
    EXPECT_TRUE(load("tbl", "kinds").CanRecreate());
}

TEST_F(TableScript, NamesAsStored)
{
    EXPECT_EQ(FindTableOid(*conn->dbsMain(), "tbl", "order line"), 0u);
    const TTableDefinition def = load("tbl", "Order Line");
    EXPECT_EQ(def.Name, "Order Line");
    EXPECT_EQ(def.Persistence, QChar('u'));
    EXPECT_EQ(def.Columns.at(1).Name, "Qty");
    EXPECT_FALSE(def.Columns.at(1).PrimaryKey);
}

TEST_F(TableScript, RoundTripGivesTheSameCatalog)
{
    QList<QStringList> scripts;
    for (const QString &table : RoundTripTables) {
        SCOPED_TRACE(table.toStdString());
        scripts << script(table);
        EXPECT_EQ(scripts.last().filter(QRegularExpression("^CREATE (UNLOGGED )?TABLE ")).size(),
                  1);
    }
    testsupport::TestDatabase scratch;
    scratch.exec("DROP SCHEMA tbl CASCADE; DROP SCHEMA tbl_ref CASCADE; "
                 "CREATE SCHEMA tbl_ref; CREATE SCHEMA tbl; GRANT USAGE ON SCHEMA tbl, tbl_ref TO "
                 "corvane_tbl_reader, corvane_tbl_writer, \"corvane_tbl Mixed\"");
    for (const QStringList &lines : std::as_const(scripts))
        run(scratch, lines);
    const QStringList before = catalogOf(db);
    const QStringList after = catalogOf(scratch);
    EXPECT_GT(before.size(), 50);
    for (const QString &row : before)
        EXPECT_TRUE(after.contains(row)) << "lost: " << row.toStdString();
    for (const QString &row : after)
        EXPECT_TRUE(before.contains(row)) << "new: " << row.toStdString();
    EXPECT_EQ(after, before);
}

TEST_F(TableScript, StatementsOfTheProductScript)
{
    AppOption.UseLowerName = false;
    const QStringList lines = script("tbl.product");
    const QString text = lines.join('\n');
    EXPECT_TRUE(lines.contains("CREATE SEQUENCE IF NOT EXISTS tbl.product_serial_no_seq AS integer "
                               "START WITH 1 INCREMENT BY 1 MINVALUE 1 MAXVALUE 2147483647 "
                               "CACHE 1 NO CYCLE"));
    EXPECT_TRUE(lines.contains("    CONSTRAINT product_pkey PRIMARY KEY (product_id) INCLUDE "
                               "(serial_no) WITH (fillfactor = 80) USING INDEX TABLESPACE "
                               "pg_default,"))
        << text.toStdString();
    EXPECT_TRUE(lines.contains("    CONSTRAINT product_label_key UNIQUE (label) USING INDEX "
                               "TABLESPACE pg_default DEFERRABLE INITIALLY DEFERRED,"));
    EXPECT_TRUE(lines.contains("ALTER TABLE tbl.product ADD CONSTRAINT product_note_short CHECK "
                               "((length(note) < 200)) NOT VALID"));
    EXPECT_TRUE(lines.contains("AS RESTRICTIVE"));
    EXPECT_TRUE(lines.contains("TO PUBLIC"));
    EXPECT_TRUE(lines.contains("SET ROLE corvane_tbl_writer"));
    EXPECT_TRUE(lines.contains("GRANT UPDATE (\"Name\"), UPDATE (note) ON TABLE tbl.product TO "
                               "corvane_tbl_reader")
                || lines.contains("GRANT UPDATE (note) ON TABLE tbl.product TO corvane_tbl_reader"))
        << text.toStdString();
    EXPECT_LT(text.indexOf("GRANT SELECT, INSERT ON TABLE tbl.product TO corvane_tbl_writer WITH "
                           "GRANT OPTION"),
              text.indexOf("SET ROLE corvane_tbl_writer"));
}

TEST_F(TableScript, WithoutStorageTheScriptStillRuns)
{
    ScriptOption.Storage = false;
    const QStringList lines = script("tbl.product");
    EXPECT_TRUE(lines.filter("TABLESPACE").isEmpty());
    EXPECT_TRUE(lines.filter("fillfactor").isEmpty());
    testsupport::TestDatabase scratch;
    scratch.exec("DROP TABLE tbl.product");
    run(scratch, lines);
    EXPECT_EQ(scratch.query("SELECT count(*) FROM pg_constraint WHERE conrelid = "
                            "'tbl.product'::regclass"),
              "7");
}

TEST_F(TableScript, RenamedOutputKeepsOnlyTheTableAndItsKeys)
{
    AppOption.UseLowerName = false;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    GetTableScript(conn.get(), "tbl", "product", buffer, "tbl_ref", "copy");
    const QString decoded = QStringDecoder(QStringDecoder::Utf16LE).decode(buffer.data());
    const QStringList lines = decoded.split("\r\n");
    const QString text = lines.join('\n');
    EXPECT_TRUE(lines.contains("CREATE TABLE tbl_ref.copy")) << text.toStdString();
    EXPECT_TRUE(text.contains("CONSTRAINT pk_copy PRIMARY KEY (product_id)"));
    EXPECT_TRUE(text.contains("CONSTRAINT uk_copy1 UNIQUE (label)"));
    for (const char *absent :
         { "CHECK", "FOREIGN KEY", "CREATE INDEX", "TRIGGER", "POLICY", "GRANT", "SEQUENCE" })
        EXPECT_FALSE(text.contains(absent)) << absent;
    testsupport::TestDatabase scratch;
    run(scratch, lines);
    EXPECT_EQ(scratch.query("SELECT count(*) FROM pg_attribute WHERE attrelid = "
                            "'tbl_ref.copy'::regclass AND attnum > 0"),
              "11");
}

TEST_F(TableScript, WindowShowsTheDefinition)
{
    TfrmTable *window = TfrmTable::Open(conn.get(), "tbl", "product");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TfrmTable::Open(conn.get(), "tbl", "product"), nullptr);
    // the title row, eleven columns, the entry row
    ASSERT_EQ(window->grdColumn->RowCount(), 13);
    EXPECT_EQ(window->grdColumn->Cells(TfrmTable::colName, 3), "Name");
    EXPECT_EQ(window->RowAttNum(3), 3);
    EXPECT_EQ(window->RowAttNum(12), 0);
    EXPECT_EQ(window->grdColumn->Cells(TfrmTable::colKey, 1), "1");
    EXPECT_TRUE(window->grdColumn->Cells(TfrmTable::colKey, 2).isEmpty());
    EXPECT_EQ(window->txtComment->text(), "製品 '見本'");
    ASSERT_EQ(window->lstConst->topLevelItemCount(), 3);
    EXPECT_EQ(window->lstConst->topLevelItem(0)->childCount(), 7);
    EXPECT_EQ(window->lstConst->topLevelItem(0)->child(0)->text(1), "PRIMARY KEY");
    EXPECT_EQ(window->lstConst->topLevelItem(1)->childCount(), 2);
    EXPECT_EQ(window->lstConst->topLevelItem(2)->childCount(), 2);
    window->pagObject->setCurrentWidget(window->tabSource);
    EXPECT_TRUE(window->txtSource->text().contains("CREATE TABLE"));
    EXPECT_FALSE(window->Modified());
}

TEST_F(TableScript, TemporaryTableWithoutSchema)
{
    AppOption.UseLowerName = false;
    pg::Connection &c = *conn->dbsMain();
    c.exec("CREATE TEMPORARY TABLE scratch_rows (id integer PRIMARY KEY, t text)");
    const quint32 oid = c.exec("SELECT 'scratch_rows'::regclass::oid").text(0, 0).toUInt();
    TTableScriptOptions options;
    options.TablePrefix = "pg_temp_3.";
    const QStringList lines = TableCreateScript(LoadTableDefinition(c, oid), options);
    EXPECT_EQ(lines.first(), "CREATE TEMPORARY TABLE scratch_rows");
    c.exec("DROP TABLE scratch_rows");
    for (const QString &statement : DdlStatements(lines))
        c.exec(statement);
    EXPECT_EQ(c.exec("SELECT relpersistence FROM pg_class WHERE oid = 'scratch_rows'::regclass")
                  .text(0, 0),
              "t");
}

struct ValueCase
{
    const char *text; // nullptr: NULL
    quint32 type;
    const char *typeText;
    const char *expected;
};

TEST(TableData, ValueTexts)
{
    const ValueCase cases[] = {
        { nullptr, 25, "text", "null" },
        { "", 25, "text", "''::text" },
        { "it's", 25, "text", "'it''s'::text" },
        { "a\nb", 25, "text", "E'a\\nb'::text" },
        { "a\\b", 25, "text", "E'a\\\\b'::text" },
        { "-12.50", 1700, "numeric(10,2)", "-12.50" },
        { "NaN", 1700, "numeric", "'NaN'::numeric" },
        { "-Infinity", 701, "double precision", "'-Infinity'::double precision" },
        { "1e-07", 700, "real", "1e-07" },
        { "9223372036854775807", 20, "bigint", "9223372036854775807" },
        { "t", 16, "boolean", "true" },
        { "f", 16, "boolean", "false" },
        { "\\x00ff", 17, "bytea", "E'\\\\x00ff'::bytea" },
        { "ab   ", 1042, "character(5)", "'ab   '::character(5)" },
        { "2025-06-01 12:34:56.5+09", 1184, "timestamp with time zone",
          "'2025-06-01 12:34:56.5+09'::timestamp with time zone" },
        { "{1,NULL}", 1007, "integer[]", "'{1,NULL}'::integer[]" },
    };
    for (const ValueCase &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(DataValueText(c.text ? QString::fromUtf8(c.text) : QString(), c.type,
                                QString::fromUtf8(c.typeText))
                      .toStdString(),
                  c.expected);
    }
}

TEST_F(TableScript, DataReloadsToIdenticalRows)
{
    ScriptOption.Insert = true;
    const QStringList lines = script("tbl.kinds");
    // No line of the script holds a piece of a value alone: every statement is whole.
    for (const QString &statement : DdlStatements(lines))
        EXPECT_TRUE(statement.contains(
            QRegularExpression("^(CREATE|INSERT|SELECT|COMMENT|ALTER|GRANT|REVOKE)")))
            << statement.toStdString();
    EXPECT_EQ(lines
                  .filter(QRegularExpression("^INSERT INTO tbl\\.kinds \\(.*\\) OVERRIDING SYSTEM "
                                             "VALUE VALUES\\("))
                  .size(),
              4);
    for (const QString &line : lines)
        EXPECT_LE(line.size(), 200) << line.toStdString();
    testsupport::TestDatabase scratch;
    scratch.exec("DROP TABLE tbl.kinds");
    // A loading session with other date, interval and string settings reads the same values.
    run(scratch, lines,
        "SET DateStyle = 'SQL, DMY'; SET IntervalStyle = 'sql_standard'; SET TimeZone = "
        "'America/New_York'; SET extra_float_digits = 0");
    const QString rows = "SELECT string_agg(k::text, E'\\n' ORDER BY id) FROM tbl.kinds k";
    EXPECT_EQ(scratch.query(rows).toStdString(), db.query(rows).toStdString());
    EXPECT_EQ(scratch.query("SELECT nextval(pg_get_serial_sequence('tbl.kinds', 'ident'))"), "5");
}

TEST_F(TableScript, DataFilesOfARun)
{
    ScriptOption.Insert = true;
    ScriptOption.InsertMode = 2;
    ScriptOption.Dir = false;
    ScriptOption.Path = testsupport::testTempDir() + "/out\\";
    for (int pass = 0; pass < 2; ++pass) {
        TTableDataRun run;
        for (const char *table : { "kinds", "Order Line" }) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            GetTableScript(conn.get(), "tbl", table, buffer, QString(), QString(), false, &run);
            EXPECT_FALSE(buffer.data().contains("INSERT INTO"));
        }
    }
    QFile all(testsupport::testTempDir() + "/out/_DATA.SQL");
    ASSERT_TRUE(all.open(QIODevice::ReadOnly));
    // The second run emptied the file first: the rows are there once.
    EXPECT_EQ(all.readAll().count("INSERT INTO"), 4);

    ScriptOption.InsertMode = 1;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    GetTableScript(conn.get(), "tbl", "kinds", buffer);
    EXPECT_TRUE(QFile::exists(testsupport::testTempDir() + "/out/DATA/tbl/kinds.SQL"));
    EXPECT_EQ(TableDataFilePath(ScriptOption, true, "../x", "a/b:c"),
              testsupport::testTempDir() + "/out/x/DATA/abc.SQL");
}

TEST_F(TableScript, EscStopsTheDataOutput)
{
    const TTableDefinition def = load("tbl", "kinds");
    int statements = 0;
    EXPECT_THROW(WriteTableData(
                     *conn->dbsMain(), def, "tbl.kinds", [&](const QStringList &) { ++statements; },
                     [](qint64, qint64) { return false; }),
                 DataOutputCancelled);
    EXPECT_EQ(statements, 4);
    // The session is usable and its settings are its own again.
    EXPECT_EQ(conn->dbsMain()->exec("SHOW DateStyle").text(0, 0), "ISO, MDY");
    EXPECT_EQ(conn->dbsMain()->exec("SHOW search_path").text(0, 0), "\"$user\", public");
}

TEST_F(TableScript, EscDuringScriptOutputStopsTheRows)
{
    db.exec("CREATE TABLE tbl.bulk AS SELECT g AS id, md5(g::text) AS t "
            "FROM generate_series(1, 20000) g");
    ScriptOption.Insert = true;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QCoreApplication::postEvent(&main,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_THROW(GetTableScript(conn.get(), "tbl", "bulk", buffer), DataOutputCancelled);
    const QString text = QStringDecoder(QStringDecoder::Utf16LE).decode(buffer.data());
    EXPECT_TRUE(text.startsWith("CREATE TABLE"));
    EXPECT_LT(text.count("INSERT INTO"), 20000);
    // The run is over: the session takes statements again.
    EXPECT_EQ(conn->dbsMain()->exec("SELECT count(*) FROM tbl.bulk").text(0, 0), "20000");
}

struct PolicyCase
{
    QChar command;
    bool permissive;
    QStringList roles;
    const char *usingExpr;
    const char *check;
    QStringList expected;
};

TEST(PolicyScript, Lines)
{
    const QList<PolicyCase> cases {
        { 'r',
          true,
          { "corvane_a", "Group" },
          "(a > 0)",
          "(b > 0)",
          { "CREATE POLICY p ON s.t", "FOR SELECT", "TO corvane_a, \"Group\"", "USING (", "(a > 0)",
            ")", ";" } },
        { 'a',
          true,
          {},
          "(a > 0)",
          "(b > 0)",
          { "CREATE POLICY p ON s.t", "FOR INSERT", "WITH CHECK (", "(b > 0)", ")", ";" } },
        { '*',
          false,
          { QString() },
          "true",
          "(x\n AND y)",
          { "CREATE POLICY p ON s.t", "AS RESTRICTIVE", "FOR ALL", "TO PUBLIC", "USING (", "true",
            ")", "WITH CHECK (", "(x", " AND y)", ")", ";" } },
        { 'd', true, {}, "", "(b)", { "CREATE POLICY p ON s.t", "FOR DELETE", ";" } },
    };
    AppOption.UseLowerName = false;
    for (const PolicyCase &c : cases) {
        TPolicyDefinition policy;
        policy.Schema = "s";
        policy.TableName = "t";
        policy.Name = "p";
        policy.Command = c.command;
        policy.Permissive = c.permissive;
        policy.Roles = c.roles;
        policy.Using = c.usingExpr;
        policy.WithCheck = c.check;
        EXPECT_EQ(PolicyCreateScript(policy).join('|').toStdString(),
                  c.expected.join('|').toStdString());
    }
}

TEST_F(TableScript, PolicyScriptFromTheCatalog)
{
    AppOption.UseLowerName = false;
    EXPECT_EQ(GetPolicyScript(conn.get(), "tbl", "product_limit", "product").join('|'),
              "CREATE POLICY product_limit ON tbl.product|AS RESTRICTIVE|FOR ALL|TO PUBLIC|USING ("
              "|true|)|WITH CHECK (|(price < (1000)::numeric)|)|;");
    EXPECT_EQ(GetPolicyScript(conn.get(), "tbl", "product_read", "product").join('|'),
              "CREATE POLICY product_read ON tbl.product|FOR SELECT|TO \"corvane_tbl Mixed\", "
              "corvane_tbl_reader|USING (|(price > (0)::numeric)|)|;|COMMENT ON POLICY "
              "product_read ON tbl.product IS '正の価格のみ'|;");
    EXPECT_TRUE(GetPolicyScript(conn.get(), "tbl", "no_such", "product").isEmpty());
}

} // namespace tabletest
