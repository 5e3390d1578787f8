// The design's own rules: alias sequence, placement, schema prefix, sort numbering, the
// catalog reads of boxes, and the texts of the edition's synonym lookup.
#include "qbuildtest.h"

#include <gtest/gtest.h>

namespace qbuildmodel {

using qbuildtest::QBuildTest;

TqvSQLDesignTable box(const QString &name, const QString &alias = {})
{
    TqvSQLDesignTable t;
    t.TableSchema = QStringLiteral("qbuild");
    t.TableName = name;
    t.AliasText = alias;
    return t;
}

TEST(QBuildAlias, Sequence)
{
    TqvSQLDesign d;
    EXPECT_EQ(d.NewAliasName(), "a");
    d.Tables = { box("emp", "a") };
    EXPECT_EQ(d.NewAliasName(), "b");
    d.Tables = { box("emp", "b") };
    EXPECT_EQ(d.NewAliasName(), "a");
    d.Tables.clear();
    for (char c = 'a'; c <= 'z'; ++c)
        d.Tables.append(box("t", QString(QChar(c))));
    EXPECT_EQ(d.NewAliasName(), "aa");
    for (char c = 'a'; c <= 'z'; ++c)
        d.Tables.append(box("t", QStringLiteral("a") + QChar(c)));
    EXPECT_EQ(d.NewAliasName(), "aaa");
    // a box without alias counts with its table name
    d.Tables = { box("a") };
    EXPECT_EQ(d.NewAliasName(), "b");
}

TEST(QBuildPlacement, SecondBoxRightThenNextRow)
{
    const QRect start(16, 16, 120, 100);
    EXPECT_EQ(PlaceDesignTable(start, {}, 400).topLeft(), QPoint(16, 16));
    EXPECT_EQ(PlaceDesignTable(start, { start }, 400).topLeft(), QPoint(166, 16));
    EXPECT_EQ(PlaceDesignTable(start, { start }, 150).topLeft(), QPoint(16, 192));
}

TEST(QBuildSchemaPrefix, OnlyTheCurrentSchemaExactlyIsLeftOut)
{
    AppOption.UseLowerName = false;
    TqvSQLDesignTable t = box("orders");
    t.TableSchema = QStringLiteral("sales");
    EXPECT_EQ(t.GetSchema("sales"), "");
    EXPECT_EQ(t.GetSchema("public"), "sales.");
    t.TableSchema = QStringLiteral("Sales");
    EXPECT_EQ(t.GetSchema("sales"), "\"Sales\".");
    EXPECT_EQ(t.TableReference("sales"), "\"Sales\".orders");
}

TEST(QBuildSort, RenumberingTable)
{
    struct Case
    {
        QList<QStringList> rows; // expr, direction, position
        QString orderBy;
        QList<QStringList> after; // direction, position
    };
    const auto r = [](const QString &e, const QString &dir, const QString &pos) {
        return QStringList { e, QString(), QString(), dir, pos, QString(), QString() };
    };
    const Case cases[] = {
        { { r("x", "", "2a"), r("y", "昇順", "1") },
          "ORDER BY y,x",
          { { "昇順", "2" }, { "昇順", "1" } } },
        { { r("x", "", "abc"), r("y", "降順", "") },
          "ORDER BY y DESC",
          { { "", "" }, { "降順", "1" } } },
        { { r("x", "昇順", ""), r("y", "", "3") },
          "ORDER BY y,x",
          { { "昇順", "2" }, { "昇順", "1" } } },
        // equal keys keep the grid's order
        { { r("x", "昇順", ""), r("y", "昇順", ""), r("z", "昇順", "") },
          "ORDER BY x,y,z",
          { { "昇順", "1" }, { "昇順", "2" }, { "昇順", "3" } } },
        { { r("x", "", "5"), r("y", "", "5"), r("w", "", "1") },
          "ORDER BY w,x,y",
          { { "昇順", "2" }, { "昇順", "3" }, { "昇順", "1" } } },
        // six digits sort by their text
        { { r("x", "", "99999"), r("y", "", "123456") },
          "ORDER BY y,x",
          { { "昇順", "2" }, { "昇順", "1" } } },
    };
    // many rows with a direction only: still the grid's order
    QList<QStringList> many;
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        many.append(r(QStringLiteral("c%1").arg(i), "昇順", ""));
        names.append(QStringLiteral("c%1").arg(i));
    }
    TqvSQLDesign big;
    big.Rows = many;
    EXPECT_EQ(DesignToSQLLines(big, "qbuild").last(), "ORDER BY " + names.join(u','));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.orderBy.toStdString());
        TqvSQLDesign d;
        d.Rows = c.rows;
        const QStringList lines = DesignToSQLLines(d, "qbuild");
        EXPECT_EQ(lines.value(lines.size() - 1), c.orderBy);
        for (int i = 0; i < c.after.size(); ++i) {
            EXPECT_EQ(d.Rows[i][gcSort], c.after[i][0]) << i;
            EXPECT_EQ(d.Rows[i][gcSortOrder], c.after[i][1]) << i;
        }
    }
}

TEST(QBuildViewName, SchemaAndNameAreTwoParts)
{
    AppOption.UseLowerName = false;
    TqvSQLDesign d;
    d.SQLType = sqltCreateView;
    d.ViewName = QStringLiteral("sales.v");
    EXPECT_EQ(DesignToSQLLines(d, "public").value(0), "CREATE VIEW sales.v AS");
    d.ViewName = QStringLiteral("\"Sales\".\"My V\"");
    EXPECT_EQ(DesignToSQLLines(d, "public").value(0), "CREATE VIEW \"Sales\".\"My V\" AS");
}

TEST(QBuildSubQuery, WrittenAsItsTextAndAlias)
{
    TqvSQLDesign d;
    TqvSQLDesignTable s;
    s.TableName = QStringLiteral("(select 1 as x)");
    s.AliasText = QStringLiteral("s");
    s.Columns = { { "*", false }, { "x", false } };
    d.Tables = { s };
    d.Rows = { { "s.x", "", "1", "", "", "", "" } };
    EXPECT_EQ(DesignToSQLLines(d, "public"),
              QStringList({ "SELECT", "  s.x", "FROM", "  (select 1 as x) s" }));
}

TEST(QBuildOr, TopLevelOnly)
{
    EXPECT_TRUE(HasTopLevelOr("= 1 OR a.y = 2"));
    EXPECT_TRUE(HasTopLevelOr("= 1 or a.y = 2"));
    EXPECT_FALSE(HasTopLevelOr("IN (SELECT 1 WHERE x OR y)"));
    EXPECT_FALSE(HasTopLevelOr("= 'a OR b'"));
    EXPECT_FALSE(HasTopLevelOr("= \"OR\""));
    EXPECT_FALSE(HasTopLevelOr("= ORDERS"));
}

TEST(QBuildSynonym, LookupTextsOfTheEdition)
{
    const QString &s = TqvSQLBuildConnCatalog::SynonymSQL;
    EXPECT_TRUE(s.contains("pg_catalog.pg_synonym"));
    EXPECT_TRUE(s.contains(":AOWNER"));
    EXPECT_TRUE(s.contains(":ANAME"));
    EXPECT_TRUE(s.startsWith("SELECT  Syn.synobjschema, Syn.synobjname"));
    EXPECT_TRUE(TqvSQLBuildConnCatalog::RelationSQL.contains("IN ('r', 'p', 'f', 'v', 'm')"));
    EXPECT_TRUE(TqvSQLBuildConnCatalog::ColumnSQL.contains("pg_catalog.pg_constraint"));
    EXPECT_FALSE(TqvSQLBuildConnCatalog::ColumnSQL.contains("information_schema"));
}

// Columns and keys of the relation kinds, read by oid; the "Sales" schema is not sales.
TEST_F(QBuildTest, CatalogReadsOfBoxes)
{
    db.exec("CREATE VIEW qbuild.v_emp AS SELECT empno, ename FROM qbuild.emp; "
            "CREATE FOREIGN DATA WRAPPER qb_fdw; CREATE SERVER qb_srv FOREIGN DATA WRAPPER qb_fdw; "
            "CREATE FOREIGN TABLE qbuild.ft (k integer, v text) SERVER qb_srv");
    struct Case
    {
        const char *name;
        QString schema;
        QList<TqvSQLBuildColumn> columns;
    };
    const Case cases[] = {
        { "emp_hist",
          "qbuild",
          { { "*", false }, { "empno", true }, { "valid_on", true }, { "sal", false } } },
        { "inv.stock_move",
          "inv",
          { { "*", false },
            { "move_id", true },
            { "item_id", false },
            { "moved_on", true },
            { "qty", false } } },
        { "v_emp", "qbuild", { { "*", false }, { "empno", false }, { "ename", false } } },
        { "ft", "qbuild", { { "*", false }, { "k", false }, { "v", false } } },
        { "\"Sales\".orders", "Sales", { { "*", false }, { "region", true }, { "Total", false } } },
        { "\"a.b\"", "qbuild", { { "*", false }, { "id", true }, { "label", false } } },
        { "qbuild.\"a.b\"", "qbuild", { { "*", false }, { "id", true }, { "label", false } } },
        // no such relation on a plain server: no columns, no error, no synonym lookup
        { "no_such", "qbuild", { { "*", false } } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TqvSQLDesignTable t = NewDesignTable(sqltSelect, c.name, "a", catalog.get());
        EXPECT_EQ(t.TableSchema, c.schema);
        EXPECT_EQ(t.Columns, c.columns);
    }
    const TqvSQLDesignTable u = NewDesignTable(sqltUpdate, "emp", "", catalog.get());
    EXPECT_EQ(u.Columns.value(0).Name, "empno");
}

// A sub-query box learns its columns from a describe: the query itself never runs.
TEST_F(QBuildTest, SubQueryIsDescribedNotRun)
{
    db.exec("CREATE SEQUENCE qbuild.qb_seq");
    const TqvSQLDesignTable t = NewDesignTable(
        sqltSelect, "(select nextval('qbuild.qb_seq') as n, 2 as m)", "s", catalog.get());
    EXPECT_EQ(t.TableName, "(select nextval('qbuild.qb_seq') as n, 2 as m)");
    EXPECT_TRUE(t.TableSchema.isEmpty());
    EXPECT_EQ(t.Columns,
              QList<TqvSQLBuildColumn>({ { "*", false }, { "n", false }, { "m", false } }));
    EXPECT_EQ(db.query("SELECT is_called FROM qbuild.qb_seq"), "f");
    // a sub-query in error keeps only "*", and the session's transaction goes on
    connection->dbsMain()->startTransaction();
    const TqvSQLDesignTable bad
        = NewDesignTable(sqltSelect, "(select nothere)", "s", catalog.get());
    EXPECT_EQ(bad.Columns, QList<TqvSQLBuildColumn>({ { "*", false } }));
    EXPECT_NO_THROW(connection->dbsMain()->exec("SELECT 1"));
    connection->dbsMain()->rollback();
}

// A "Sales" table is reached as "Sales" whatever the current schema's spelling.
TEST_F(QBuildTest, UpperCaseSchemaNeverThroughLowerCase)
{
    TfrmObject *salesWindow = open(QStringLiteral("sales"));
    TqvSQLBuildConnCatalog salesCatalog(salesWindow);
    TqvSQLDesign d;
    d.Tables = { NewDesignTable(sqltSelect, "\"Sales\".orders", "o", &salesCatalog) };
    d.Rows = { { "o.region", "", "1", "", "", "", "" }, emptyRow() };
    const QStringList lines = DesignToSQLLines(d, salesCatalog.CurrentSchema());
    const QString text = lines.join(u'\n');
    EXPECT_TRUE(text.contains("\"Sales\".")) << text.toStdString();
    EXPECT_NO_THROW(runRolledBack(text, "sales"));
}

} // namespace qbuildmodel
