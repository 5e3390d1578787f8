// The data frame's statement text: the user's SQL put into a subquery for sort and row limit,
// the object editors' SELECT written from the table's name, the row limit, the owners it
// applies to and the column-widths file.
#include "core/qvencoding.h"
#include "core/qvoption.h"
#include "ui/rdatasql.h"

#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace rdatasqltest {

TEST(DataQueryText, TrailingSemicolonOutsideLiteralsAndComments)
{
    const struct
    {
        QString sql;
        QString result;
    } cases[] = {
        { "SELECT 1;", "SELECT 1" },
        { "SELECT 1 ;  \r\n", "SELECT 1   \r\n" },
        { "SELECT 1; -- the end", "SELECT 1 -- the end" },
        { "SELECT 1; /* ; */", "SELECT 1 /* ; */" },
        { "SELECT 1;;", "SELECT 1;" },
        { "SELECT 1; SELECT 2;", "SELECT 1; SELECT 2" },
        { "SELECT ';'", "SELECT ';'" },
        { "SELECT 'it''s;'", "SELECT 'it''s;'" },
        { "SELECT E'\\';'", "SELECT E'\\';'" },
        { "SELECT E'\\';';", "SELECT E'\\';'" },
        { "SELECT $$;$$", "SELECT $$;$$" },
        { "SELECT $f$ $$; $f$;", "SELECT $f$ $$; $f$" },
        { "SELECT \"a;\"", "SELECT \"a;\"" },
        { "SELECT 1 -- ;", "SELECT 1 -- ;" },
        { "SELECT 1 /* /* ; */ ; */", "SELECT 1 /* /* ; */ ; */" },
        { "SELECT 'open;", "SELECT 'open;" },
        { "", "" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(RemoveTrailingSemicolon(c.sql), c.result) << c.sql.toStdString();
}

TEST(DataQueryText, WrappableQueries)
{
    const struct
    {
        QString sql;
        bool wrappable;
    } cases[] = {
        { "SELECT 1", true },
        { "  -- note\n select * from t", true },
        { "/* x */WITH a AS (SELECT 1) SELECT * FROM a", true },
        { "VALUES (1), (2)", true },
        { "TABLE t", true },
        { "(SELECT 1) UNION (SELECT 2)", true },
        { "EXPLAIN SELECT 1", false },
        { "SHOW search_path", false },
        { "SELECTED", false },
        { "'SELECT'", false },
        { "", false },
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsWrappableQuery(c.sql), c.wrappable) << c.sql.toStdString();
}

TEST(DataQueryText, BuilderTable)
{
    const struct
    {
        QString sql;
        int sort;
        bool desc;
        qint64 limit;
        QString text;
    } cases[] = {
        { "SELECT a, b FROM t", 0, false, 0, "SELECT a, b FROM t" },
        { "SELECT a, b FROM t;", 0, false, 0, "SELECT a, b FROM t;" },
        // a query that takes a sort and a limit after it gets them there, each on its own line
        { "SELECT a, b FROM t;", 2, false, 0, "SELECT a, b FROM t\nORDER BY 2" },
        { "SELECT a, b FROM t;", 2, true, 0, "SELECT a, b FROM t\nORDER BY 2 DESC" },
        { "SELECT a FROM t", 0, false, 1000, "SELECT a FROM t\nLIMIT 1000" },
        { "SELECT a, b FROM t", 2, true, 1000, "SELECT a, b FROM t\nORDER BY 2 DESC\nLIMIT 1000" },
        { "SELECT 'x;y' AS a;", 1, false, 0, "SELECT 'x;y' AS a\nORDER BY 1" },
        { "SELECT 1 AS a; -- done", 1, false, 0, "SELECT 1 AS a -- done\nORDER BY 1" },
        { "SELECT a FROM t -- order by a limit 3", 1, false, 5,
          "SELECT a FROM t -- order by a limit 3\nORDER BY 1\nLIMIT 5" },
        { "select a from t order by a", 0, false, 10, "select a from t order by a\nLIMIT 10" },
        { "SELECT a FROM t WHERE a IN (SELECT b FROM u ORDER BY b LIMIT 3)", 1, false, 0,
          "SELECT a FROM t WHERE a IN (SELECT b FROM u ORDER BY b LIMIT 3)\nORDER BY 1" },
        { "WITH w AS (SELECT 1 AS a ORDER BY 1) SELECT a FROM w", 1, true, 0,
          "WITH w AS (SELECT 1 AS a ORDER BY 1) SELECT a FROM w\nORDER BY 1 DESC" },
        { "VALUES (1), (2)", 1, false, 0, "VALUES (1), (2)\nORDER BY 1" },
        { "SELECT \"order\", \"limit\" FROM t", 1, false, 0,
          "SELECT \"order\", \"limit\" FROM t\nORDER BY 1" },
        // its own order, limit or locking: a subquery
        { "select a from t order by a", 1, false, 0,
          "SELECT * FROM (\nselect a from t order by a\n) AS q\nORDER BY 1" },
        { "SELECT a FROM t LIMIT 5", 0, false, 1000,
          "SELECT * FROM (\nSELECT a FROM t LIMIT 5\n) AS q\nLIMIT 1000" },
        { "SELECT a FROM t OFFSET 2", 1, false, 0,
          "SELECT * FROM (\nSELECT a FROM t OFFSET 2\n) AS q\nORDER BY 1" },
        { "SELECT a FROM t FETCH FIRST 2 ROWS ONLY", 1, false, 0,
          "SELECT * FROM (\nSELECT a FROM t FETCH FIRST 2 ROWS ONLY\n) AS q\nORDER BY 1" },
        { "SELECT a FROM t FOR UPDATE", 1, false, 0,
          "SELECT * FROM (\nSELECT a FROM t FOR UPDATE\n) AS q\nORDER BY 1" },
        { "SELECT 1 AS a; SELECT 2", 1, false, 0,
          "SELECT * FROM (\nSELECT 1 AS a; SELECT 2\n) AS q\nORDER BY 1" },
        { "EXPLAIN SELECT 1", 1, false, 10, "EXPLAIN SELECT 1" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(BuildDataQuery(c.sql, c.sort, c.desc, c.limit), c.text) << c.sql.toStdString();
}

TEST(DataQueryText, TableQueries)
{
    TDataTableSource s;
    s.schema = "sales";
    s.name = "order \"lines\"";
    EXPECT_EQ(BuildTableQuery(s, 0, false, 0), "SELECT * FROM \"sales\".\"order \"\"lines\"\"\"");
    s.columns = { "id", "Name" };
    s.where = "\"id\" > 3 ";
    EXPECT_EQ(BuildTableQuery(s, 0, false, 50),
              "SELECT \"id\", \"Name\" FROM \"sales\".\"order \"\"lines\"\"\"\nWHERE \"id\" > 3"
              "\nLIMIT 50");
    s.orderBy = "\"Name\" DESC";
    EXPECT_EQ(BuildTableQuery(s, 0, false, 0),
              "SELECT \"id\", \"Name\" FROM \"sales\".\"order \"\"lines\"\"\"\nWHERE \"id\" > 3"
              "\nORDER BY \"Name\" DESC");
    EXPECT_EQ(BuildTableQuery(s, 1, true, 7),
              "SELECT \"id\", \"Name\" FROM \"sales\".\"order \"\"lines\"\"\"\nWHERE \"id\" > 3"
              "\nORDER BY 1 DESC, \"Name\" DESC\nLIMIT 7");
    // a condition that ends in a line comment keeps the clauses after it
    s.orderBy.clear();
    s.where = "id > 0 -- only positive";
    EXPECT_EQ(BuildTableQuery(s, 1, false, 10),
              "SELECT \"id\", \"Name\" FROM \"sales\".\"order \"\"lines\"\"\"\n"
              "WHERE id > 0 -- only positive\nORDER BY 1\nLIMIT 10");
}

TEST(DataQueryText, SelectListCount)
{
    const struct
    {
        QString sql;
        int count;
    } cases[] = {
        { "SELECT \"a\", \"b\", \"c\" FROM \"s\".\"t\"", 3 },
        { "SELECT \"a,b\", \"c\" FROM t", 2 },
        { "SELECT f(a, b), c FROM t", 2 },
        { "SELECT 'x, y' FROM t", 1 },
        { "select a\nfrom t", 1 },
        { "SELECT (SELECT 1 FROM u), b FROM t", 2 },
        { "VALUES (1, 2)", 0 },
        { "SELECT 1", 0 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(SelectListCount(c.sql), c.count) << c.sql.toStdString();
}

TEST(DataQueryText, RowLimitAndOwners)
{
    const struct
    {
        QString text;
        bool ok;
        qint64 limit;
    } limits[] = {
        { "", true, 0 },
        { "  ", true, 0 },
        { "1000", true, 1000 },
        { " 7 ", true, 7 },
        { "0", false, 0 },
        { "-3", false, 0 },
        { "1.5", false, 0 },
        { "1; DROP TABLE t", false, 0 },
        { "99999999999999999999", false, 0 },
    };
    for (const auto &c : limits) {
        qint64 limit = -1;
        EXPECT_EQ(ParseRowLimit(c.text, &limit), c.ok) << c.text.toStdString();
        if (c.ok) {
            EXPECT_EQ(limit, c.limit) << c.text.toStdString();
        }
    }
    EXPECT_TRUE(IsRowLimitedOwnerName("frmTable"));
    EXPECT_TRUE(IsRowLimitedOwnerName("frmTable2"));
    EXPECT_TRUE(IsRowLimitedOwnerName("frmView"));
    EXPECT_TRUE(IsRowLimitedOwnerName("frmMView1"));
    EXPECT_FALSE(IsRowLimitedOwnerName("frmtable"));
    EXPECT_FALSE(IsRowLimitedOwnerName("frmSQL"));
    EXPECT_FALSE(IsRowLimitedOwnerName("xfrmTable"));
}

// The texts the builder writes, run on the server: sort twice (ascending, then descending),
// limit, a ";" in a literal, a lower-case "order by" and a LIMIT of the user's own.
TEST(DataQueryText, BuilderAgainstServer)
{
    testsupport::TestDatabase db;
    db.exec("CREATE TABLE fx (id int PRIMARY KEY, name text, score numeric(6,2));"
            "INSERT INTO fx VALUES (1,'b;',3.5),(2,'d',1.25),(3,'a',NULL),(4,'c',-2),(5,'e',0.5)");
    auto ids = [&db](const QString &sql) {
        return testsupport::queryColumn(db.conninfo(), sql).join(',');
    };
    const struct
    {
        QString sql;
        int sort;
        bool desc;
        qint64 limit;
        QString rows; // the first column of the rows the server gives
    } cases[] = {
        { "SELECT id, name FROM fx ORDER BY id;", 0, false, 0, "1,2,3,4,5" },
        { "SELECT id, name FROM fx ORDER BY id;", 2, false, 0, "3,1,4,2,5" },
        { "SELECT id, name FROM fx ORDER BY id;", 2, true, 0, "5,2,4,1,3" },
        { "SELECT id, name FROM fx ORDER BY id;", 2, true, 2, "5,2" },
        { "SELECT id, score FROM fx", 2, false, 0, "4,5,2,1,3" }, // NULL last ascending
        { "SELECT id, score FROM fx", 2, true, 0, "3,1,2,5,4" }, // NULL first descending
        { "SELECT id FROM fx WHERE name <> 'x;' order by id desc", 0, false, 3, "5,4,3" },
        { "select id from fx order by id desc", 1, false, 0, "1,2,3,4,5" },
        { "SELECT id FROM fx ORDER BY id LIMIT 2", 0, false, 1000, "1,2" },
        { "SELECT id FROM fx ORDER BY id LIMIT 4", 1, true, 2, "4,3" },
        { "SELECT id FROM fx WHERE name = 'b;'; -- one row", 1, false, 10, "1" },
        { "SELECT id, id FROM fx WHERE id < 3", 2, true, 0, "2,1" },
        { "SELECT id FROM fx -- every row", 1, true, 2, "5,4" },
    };
    for (const auto &c : cases) {
        const QString text = BuildDataQuery(c.sql, c.sort, c.desc, c.limit);
        EXPECT_EQ(ids(text), c.rows) << text.toStdString();
    }

    TDataTableSource s;
    s.schema = "public";
    s.name = "fx";
    s.columns = { "id", "name" };
    s.where = "\"id\" <> 3";
    s.orderBy = "\"id\" DESC";
    EXPECT_EQ(ids(BuildTableQuery(s, 0, false, 0)), "5,4,2,1");
    EXPECT_EQ(ids(BuildTableQuery(s, 2, false, 3)), "1,4,2");
    EXPECT_EQ(ids(BuildTableQuery(s, 2, true, 0)), "5,2,4,1");
    // an editor's condition that ends in a comment: its sort and limit still apply
    s.where = "id > 0 -- only positive";
    s.orderBy.clear();
    EXPECT_EQ(ids(BuildTableQuery(s, 1, true, 2)), "5,4");
    s.orderBy = "\"name\" -- by name";
    EXPECT_EQ(ids(BuildTableQuery(s, 0, false, 3)), "3,1,4");
}

TEST(DataColumnWidths, FileRoundTripKeepsOtherSections)
{
    QTemporaryDir dir;
    const QString oldTemp = AppOption.TempDir;
    const qint32 oldEncoding = AppOption.Encoding;
    AppOption.TempDir = dir.path() + "/work/";
    AppOption.Encoding = 2;

    EXPECT_EQ(ColumnWidthsFileName("sales.order/lines"),
              AppOption.TempDir + "sales.orderlines.ini");
    // nothing kept yet: zeros, and the folder is made
    TColumnWidths none = LoadColumnWidths("sales.orders", { "id", "name" });
    EXPECT_EQ(none.vertical, (QList<int> { 0, 0 }));
    EXPECT_EQ(none.horizontal, 0);
    EXPECT_TRUE(QDir(AppOption.TempDir).exists());

    // a search condition in the same file stays
    {
        QFile f(ColumnWidthsFileName("sales.orders"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[WHERE]\r\n00=id > 3\r\n");
    }
    SaveColumnWidths("sales.orders", { "id", QStringLiteral("名前"), "id", "zero" },
                     { 40, 120, 55, 0 }, 88);
    const TColumnWidths back
        = LoadColumnWidths("sales.orders", { "id", QStringLiteral("名前"), "zero", "other" });
    EXPECT_EQ(back.vertical, (QList<int> { 55, 120, 0, 0 })) << "the later title wins; 0 is none";
    EXPECT_EQ(back.horizontal, 88);
    QFile f(ColumnWidthsFileName("sales.orders"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.contains("[WHERE]\r\n00=id > 3\r\n"));
    EXPECT_TRUE(bytes.contains("[COLWIDTH_H]\r\n(ALL)=88\r\n"));

    AppOption.TempDir = oldTemp;
    AppOption.Encoding = oldEncoding;
}

} // namespace rdatasqltest
