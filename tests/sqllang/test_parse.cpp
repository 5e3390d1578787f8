// The statement parser and the comment stripper that prepares its input: the edge cases as
// tables of statements and what each list receives.
#include "sqllang/qvparse.h"
#include "sqllangtest.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace parsetest {

using Pairs = QList<QPair<QString, QString>>;

Pairs pairs(const TqvParseList &list)
{
    Pairs result;
    for (int i = 0; i < list.Count(); ++i)
        result.append({ list.ObjectName(i), list.Alias(i) });
    return result;
}

QString show(const Pairs &p)
{
    QStringList parts;
    for (const auto &pair : p)
        parts.append(pair.first + QLatin1String(" | ") + pair.second);
    return parts.join(QLatin1String("; "));
}

struct Parsed
{
    TqvSQLType kind = sqltNone;
    TqvParseList columns, tables, orders;
    QStringList conditions, groups, havings;
    QString viewName;
    bool raised = false;
};

void parse(Parsed &p, const QString &sql, const QString &error = QStringLiteral("no"))
{
    try {
        p.kind = ParseSQL(sql, &p.columns, &p.tables, &p.orders, &p.conditions, &p.groups,
                          &p.havings, error, p.viewName);
    } catch (const ESQLParseError &e) {
        EXPECT_EQ(e.message(), error);
        p.raised = true;
    }
}

struct ParseCase
{
    const char *sql;
    TqvSQLType kind;
    Pairs columns;
    Pairs tables;
    QStringList conditions;
    Pairs orders = {};
    QString viewName = {};
    QStringList groups = {};
    QStringList havings = {};
};

const ParseCase parseCases[] = {
    { "select * from t", sqltSelect, { { "*", "" } }, { { "t", "" } }, {} },
    { "SELECT a.x AS c, b.y FROM t1 a, t2 b WHERE a.id = b.id ORDER BY c DESC",
      sqltSelect,
      { { "a.x AS", "c" }, { "b.y", "" } },
      { { "t1", "a" }, { "t2", "b" } },
      { "a.id", "=", "b.id" },
      { { "c", "DESC" } } },
    { "UPDATE t SET a = 1, b = 'x' WHERE id = 2",
      sqltUpdate,
      { { "a", "1" }, { "b", "'x'" } },
      { { "t", "" } },
      { "id", "=", "2" } },
    { "INSERT INTO t (a, b) VALUES (1, 'x')",
      sqltInsert,
      { { "a", "1" }, { "b", "'x'" } },
      { { "t", "" } },
      {} },
    { "INSERT INTO t VALUES (1, 'x')",
      sqltInsert,
      { { "", "1" }, { "", "'x'" } },
      { { "t", "" } },
      {} },
    { "SELECT a FROM t1 x LEFT OUTER JOIN t2 y ON x.id = y.id",
      sqltSelect,
      { { "a", "" } },
      { { "t1", "x" }, { "t2", "y" } },
      { "x.id", "=", "y.id" } },
    { "select a from t where a(+) = b.c",
      sqltSelect,
      { { "a", "" } },
      { { "t", "" } },
      { "a", "(+)", "=", "b.c" } },
    { "select a from t where x IN (1, 2)",
      sqltSelect,
      { { "a", "" } },
      { { "t", "" } },
      { "x", "IN", "(1, 2)" } },
    { "select a from t where a<>b and c = 'it''s'",
      sqltSelect,
      { { "a", "" } },
      { { "t", "" } },
      { "a", "<>", "b", "and", "c", "=", "'it''s'" } },
    { "CREATE VIEW v AS SELECT a FROM t",
      sqltCreateView,
      { { "a", "" } },
      { { "t", "" } },
      {},
      {},
      "v" },
    { "CREATE VIEW \"My View\" AS SELECT a FROM t",
      sqltCreateView,
      { { "a", "" } },
      { { "t", "" } },
      {},
      {},
      "\"My View\"" },
    { "select a, count(*) from t group by a having count(*) > 1",
      sqltSelect,
      { { "a", "" }, { "count(*)", "" } },
      { { "t", "" } },
      {},
      {},
      {},
      { "a" },
      { "count", "(*)", ">", "1" } },
    // a statement word inside a longer word is no statement word
    { "CALL insertrow()", sqltNone, {}, {}, {} },
    { "select a from t where x = 'select'",
      sqltSelect,
      { { "a", "" } },
      { { "t", "" } },
      { "x", "=", "'select'" } },
    // a one-word condition at the end is kept
    { "SELECT a FROM t WHERE flag", sqltSelect, { { "a", "" } }, { { "t", "" } }, { "flag" } },
    // dollar quotes and E'' strings are single tokens
    { "SELECT a FROM t WHERE b = $$x, 'y'$$ AND c = E'it\\'s'",
      sqltSelect,
      { { "a", "" } },
      { { "t", "" } },
      { "b", "=", "$$x, 'y'$$", "AND", "c", "=", "E'it\\'s'" } },
    // a quoted table name after its schema
    { "SELECT a FROM s.\"T\" x", sqltSelect, { { "a", "" } }, { { "s.\"T\"", "x" } }, {} },
    // Japanese names are words
    { "SELECT 名前 FROM 社員 s WHERE s.番号 = 1",
      sqltSelect,
      { { "名前", "" } },
      { { "社員", "s" } },
      { "s.番号", "=", "1" } },
    // characters whose low byte is a double-byte lead byte of code page 932 hide nothing
    { "SELECT a FROM t WHERE ム=1 AND ｼ<2",
      sqltSelect,
      { { "a", "" } },
      { { "t", "" } },
      { "ム", "=", "1", "AND", "ｼ", "<", "2" } },
    { "no statement here", sqltNone, {}, {}, {} },
};

TEST(ParseSQL, EdgeCases)
{
    for (const ParseCase &c : parseCases) {
        SCOPED_TRACE(c.sql);
        Parsed p;
        parse(p, QString::fromUtf8(c.sql));
        EXPECT_FALSE(p.raised);
        EXPECT_EQ(p.kind, c.kind);
        EXPECT_EQ(show(pairs(p.columns)), show(c.columns));
        EXPECT_EQ(show(pairs(p.tables)), show(c.tables));
        EXPECT_EQ(p.conditions, c.conditions);
        EXPECT_EQ(show(pairs(p.orders)), show(c.orders));
        EXPECT_EQ(p.viewName, c.viewName);
        EXPECT_EQ(p.groups, c.groups);
        EXPECT_EQ(p.havings, c.havings);
    }
}

TEST(ParseSQL, StrictModeRaisesWithTheCallersMessage)
{
    const char *raising[] = {
        "SELECT a WHERE b = 1",
        "SELECT a FROM t UNION SELECT b FROM u",
        "WITH x AS (SELECT 1) SELECT * FROM x",
        "INSERT INTO t (a, b) VALUES (1)",
        "SELECT a FROM t WHERE b = 'open",
        "SELECT a FROM t WHERE (b = 1",
        "SELECT a FROM t WHERE b = 1)",
        "SELECT a FROM t ORDER BY a HAVING b",
    };
    for (const char *sql : raising) {
        SCOPED_TRACE(sql);
        Parsed p;
        parse(p, QString::fromUtf8(sql), QStringLiteral("この SQL を解析することは出来ません。"));
        EXPECT_TRUE(p.raised);
    }
}

TEST(ParseSQL, CollectAllModeReadsEveryStatement)
{
    Parsed p;
    parse(p, QStringLiteral("SELECT a FROM t1 x WHERE x.k = 1 SELECT b FROM t2 y"), QString());
    EXPECT_FALSE(p.raised);
    EXPECT_EQ(show(pairs(p.tables)), QStringLiteral("t1 | x; t2 | y"));

    // a comma inside brackets of a condition stops the parse; the tables found stay
    Parsed q;
    parse(q, QStringLiteral("SELECT a FROM t1 x WHERE x.k IN (1, 2) SELECT b FROM t2 y"),
          QString());
    EXPECT_TRUE(q.raised);
    EXPECT_EQ(show(pairs(q.tables)), QStringLiteral("t1 | x"));

    // the INSERT of a later statement is paired with its own columns only
    Parsed r;
    parse(r, QStringLiteral("SELECT a FROM t\nINSERT INTO u (b) VALUES (2)"), QString());
    EXPECT_FALSE(r.raised);
    EXPECT_EQ(show(pairs(r.columns)), QStringLiteral("a | ; b | 2"));
}

TEST(ParseSQL, TenThousandStatementsInOneLoop)
{
    QString script;
    for (int i = 0; i < 10000; ++i)
        script += QStringLiteral("SELECT a, b FROM t%1 x%1 WHERE x%1.k = %1;\n").arg(i);
    Parsed p;
    QElapsedTimer timer;
    timer.start();
    parse(p, script, QString());
    EXPECT_FALSE(p.raised);
    ASSERT_EQ(p.tables.Count(), 10000);
    EXPECT_EQ(p.tables.ObjectName(9999), QStringLiteral("t9999"));
    EXPECT_EQ(p.tables.Alias(9999), QStringLiteral("x9999"));
    EXPECT_EQ(p.columns.Count(), 20000);
}

TEST(ParseSQL, ListsAccumulateOverCalls)
{
    Parsed p;
    parse(p, QStringLiteral("select a from t"));
    parse(p, QStringLiteral("select b from u"));
    EXPECT_EQ(show(pairs(p.tables)), QStringLiteral("t | ; u | "));
}

struct StripCase
{
    QStringList in;
    bool cut;
    QStringList out;
};

TEST(StripSQLComments, Table)
{
    const StripCase cases[] = {
        { { "REM x", "", "SELECT a /* c */ FROM t; -- end", "REM" }, true, { "SELECT a  FROM t" } },
        { { "SELECT a -- note", "FROM t" }, false, { "SELECT a ", "FROM t" } },
        // a block comment over lines keeps the lines, emptied
        { { "SELECT a /* one", "two", "three */ , b", "FROM t" },
          false,
          { "SELECT a ", "", " , b", "FROM t" } },
        // comment marks inside literals and quoted names are text
        { { "SELECT '--x', \"/*y\" FROM t" }, false, { "SELECT '--x', \"/*y\" FROM t" } },
        // a literal over two lines: the scan goes on after a comment from where it was
        { { "SELECT 'abc", "def' /* c */ , x", "FROM t" },
          false,
          { "SELECT 'abc", "def'  , x", "FROM t" } },
        { { "SELECT 1;", "SELECT 2;" }, true, { "SELECT 1" } },
        { { "SELECT ';' FROM t; x" }, true, { "SELECT ';' FROM t" } },
        { { "SELECT $$ -- not a comment; $$ FROM t;" },
          true,
          { "SELECT $$ -- not a comment; $$ FROM t" } },
        { { "  REMARK something", "REMOVE", "REMARKS" }, false, { "REMOVE", "REMARKS" } },
        { { "", "  ", "REM" }, true, {} },
        // nested block comments end where the outer one ends
        { { "SELECT /* a /* b */ c */ x" }, false, { "SELECT  x" } },
    };
    for (const StripCase &c : cases) {
        SCOPED_TRACE(c.in.join(QLatin1String(" / ")).toStdString());
        QStringList lines = c.in;
        StripSQLComments(lines, c.cut);
        EXPECT_EQ(lines, c.out);
    }
}

TEST(TqvParseList, GrowthAndIndexChecks)
{
    TqvParseList list;
    QList<int> capacities;
    for (int i = 0; i < 95; ++i) {
        const int before = list.Capacity();
        list.Add(QString::number(i), QString());
        if (list.Capacity() != before)
            capacities.append(list.Capacity());
    }
    EXPECT_EQ(capacities, (QList<int> { 4, 8, 12, 28, 44, 60, 76, 95 }));
    EXPECT_EQ(list.IndexOf(QStringLiteral("7"), QString()), 7);
    EXPECT_EQ(list.IndexOf(QStringLiteral("7"), QStringLiteral("x")), -1);
    try {
        list.ObjectName(list.Count());
        ADD_FAILURE() << "no index error";
    } catch (const EParseListIndexError &e) {
        EXPECT_EQ(QString::fromStdString(e.what()),
                  QStringLiteral("リストのインデックスが範囲を超えています (95)"));
    }
    EXPECT_THROW(list.Alias(-1), EParseListIndexError);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 94);
    EXPECT_EQ(list.Capacity(), 95);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}

// The join kinds as the parser reports them, the later JOINs that the conditions take as
// tokens included; FULL is a join word, not an alias.
TEST(ParseSQL, ReportsJoinKinds)
{
    struct JoinCase
    {
        const char *sql;
        QList<QPair<TqvJoinKind, bool>> joins;
        Pairs tables;
    };
    const JoinCase cases[] = {
        { "select a from t x join u y on x.i = y.i",
          { { jkInner, true } },
          { { "t", "x" }, { "u", "y" } } },
        { "select a from t x inner join u y on x.i = y.i",
          { { jkInner, true } },
          { { "t", "x" }, { "u", "y" } } },
        { "select a from t x left outer join u y on x.i = y.i",
          { { jkLeft, true } },
          { { "t", "x" }, { "u", "y" } } },
        { "select a from t x right join u y on x.i = y.i",
          { { jkRight, true } },
          { { "t", "x" }, { "u", "y" } } },
        { "select a from t x full join u y on x.i = y.i",
          { { jkFull, true } },
          { { "t", "x" }, { "u", "y" } } },
        { "select a from t x full outer join u y on x.i = y.i",
          { { jkFull, true } },
          { { "t", "x" }, { "u", "y" } } },
        { "select a from t x cross join u y",
          { { jkCross, false } },
          { { "t", "x" }, { "u", "y" } } },
        { "select a from t x natural join u y",
          { { jkNatural, false } },
          { { "t", "x" }, { "u", "y" } } },
        { "select a from t x join u y on x.i = y.i left join v z on z.i = x.i",
          { { jkInner, true }, { jkLeft, true } },
          { { "t", "x" }, { "u", "y" } } },
        { "select a from t x, u y", {}, { { "t", "x" }, { "u", "y" } } },
    };
    for (const JoinCase &c : cases) {
        SCOPED_TRACE(c.sql);
        Parsed p;
        QList<TqvParseJoin> joins;
        p.kind = ParseSQL(QString::fromUtf8(c.sql), &p.columns, &p.tables, &p.orders, &p.conditions,
                          &p.groups, &p.havings, "no", p.viewName, &joins);
        QList<QPair<TqvJoinKind, bool>> got;
        for (const TqvParseJoin &j : joins)
            got.append({ j.kind, j.on });
        EXPECT_EQ(got, c.joins);
        EXPECT_EQ(show(pairs(p.tables)), show(c.tables));
    }
}

// With the joins asked for, the ON condition and a following WHERE part are apart; without,
// the tokens stay as before.
TEST(ParseSQL, OnConditionAndWhereApart)
{
    const QString sql = QStringLiteral("select a from t x join u y on x.i = y.i where x.k = 1");
    Parsed with;
    QList<TqvParseJoin> joins;
    ParseSQL(sql, &with.columns, &with.tables, &with.orders, &with.conditions, &with.groups,
             &with.havings, "no", with.viewName, &joins);
    EXPECT_EQ(with.conditions, QStringList({ "x.i", "=", "y.i", "AND", "x.k", "=", "1" }));
    Parsed without;
    parse(without, sql);
    EXPECT_EQ(without.conditions, QStringList({ "x.i", "=", "y.i", "x.k", "=", "1" }));
}

// A comma at the start of a line ends the item before it, whose last word is its alias.
TEST(ParseSQL, LeadingCommaKeepsAlias)
{
    Parsed p;
    parse(p, "SELECT e.ename nm\n      ,SUM(e.sal) total\n  FROM emp e\n      ,dept d");
    EXPECT_EQ(show(pairs(p.columns)), show({ { "e.ename", "nm" }, { "SUM(e.sal)", "total" } }));
    EXPECT_EQ(show(pairs(p.tables)), show({ { "emp", "e" }, { "dept", "d" } }));
}

} // namespace parsetest
