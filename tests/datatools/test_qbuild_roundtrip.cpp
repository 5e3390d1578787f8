// Text to design to text to design: each text read, written and read again gives the same
// design; every written statement without "(+)" runs on the fixtures.
#include "qbuildtest.h"

#include <gtest/gtest.h>

namespace qbuildroundtrip {

using qbuildtest::QBuildTest;

struct RoundTripCase
{
    const char *name;
    const char *sql;
    TqvSQLType kind;
    int tables;
    int connects;
    bool runs = true; // written text runs on the server ("(+)" and quoted upper case do not)
};

const RoundTripCase roundTripCases[] = {
    { "Example",
      "select e.ename nm, sum(e.sal) from emp e, dept d where e.deptno = d.deptno(+) "
      "and e.sal > 100 group by e.ename order by nm desc",
      sqltSelect, 2, 1, false },
    { "InnerLine", "select a.ename, b.dname from emp a, dept b where a.deptno = b.deptno",
      sqltSelect, 2, 1 },
    { "RightOuterMark", "select a.ename from emp a, dept b where a.deptno(+) = b.deptno",
      sqltSelect, 2, 1, false },
    { "NotEqualLine", "select a.ename from emp a, dept b where a.deptno <> b.deptno", sqltSelect, 2,
      1 },
    { "ConditionsOnOneColumn", "select a.sal from emp a where a.sal = 10 and a.sal < 20",
      sqltSelect, 1, 0 },
    { "Between", "select a.sal from emp a where a.sal between 1 and 5000", sqltSelect, 1, 0 },
    { "LoneOr", "select a.sal from emp a where a.sal = 1 or a.empno = 2", sqltSelect, 1, 0 },
    { "OrBesideJoin",
      "select a.ename from emp a, dept b where a.deptno = b.deptno and "
      "(a.sal = 1 or a.empno = 2)",
      sqltSelect, 2, 1 },
    { "Exists",
      "select a.ename from emp a where exists (select 1 from dept d where d.deptno = "
      "a.deptno)",
      sqltSelect, 1, 0 },
    { "AliasCondition", "select a.ename nm from emp a where nm = 'X'", sqltSelect, 1, 0, false },
    { "SumGroupedBySame", "select sum(a.sal) from emp a group by a.sal", sqltSelect, 1, 0 },
    { "WhereOnGrouped",
      "select a.job, count(a.empno) from emp a where a.job = 'CLERK' group by "
      "a.job",
      sqltSelect, 1, 0 },
    { "HavingCount", "select a.job from emp a group by a.job having count(*) > 1", sqltSelect, 1,
      0 },
    { "InnerJoinOn", "select a.ename from emp a join dept b on a.deptno = b.deptno", sqltSelect, 2,
      1 },
    { "JoinOnThenWhere",
      "select a.ename from emp a inner join dept b on a.deptno = b.deptno "
      "where a.sal > 100",
      sqltSelect, 2, 1 },
    { "Insert", "insert into emp (empno, ename) values (1, 'X')", sqltInsert, 1, 0 },
    { "InsertNoColumns", "insert into dept values (90, 'X', 'Y')", sqltInsert, 1, 0 },
    { "Update", "update emp set sal = 1, job = 'X' where empno = 7782", sqltUpdate, 1, 0 },
    { "Delete", "delete from emp where empno = 7369", sqltDelete, 1, 0 },
    { "CreateView", "create view v_emp as select a.ename from emp a", sqltCreateView, 1, 0 },
    { "CreateViewInSchema", "create view sales.v_emp as select a.ename from emp a", sqltCreateView,
      1, 0 },
    { "SchemaTable", "select o.order_id from sales.orders o", sqltSelect, 1, 0 },
    { "UpperCaseSchema", "select o.region from \"Sales\".orders o", sqltSelect, 1, 0 },
    { "DottedName", "select x.label from \"a.b\" x", sqltSelect, 1, 0 },
    { "SubQuery", "select s.n from (select 1 as n) s", sqltSelect, 1, 0 },
    { "Sorted", "select a.ename, a.sal from emp a order by a.sal desc, a.ename", sqltSelect, 1, 0 },
};

// The design with its grid texts in the formatter's spelling: keywords change case and lines
// break inside parentheses, nothing else.
TqvSQLDesign spelled(TqvSQLDesign d)
{
    for (TqvSQLDesignTable &t : d.Tables) {
        if (t.IsSubQuery())
            t.TableName = t.TableName.simplified().remove(u' ').toUpper();
    }
    for (QStringList &row : d.Rows) {
        for (QString &cell : row)
            cell = cell.simplified().remove(u' ').toUpper();
    }
    return d;
}

class RoundTrip : public QBuildTest, public ::testing::WithParamInterface<RoundTripCase>
{
};

TEST_P(RoundTrip, TextDesignTextDesign)
{
    const RoundTripCase &c = GetParam();
    TqvSQLDesign first = read(QString::fromUtf8(c.sql));
    EXPECT_EQ(first.SQLType, c.kind);
    EXPECT_EQ(first.Tables.size(), c.tables);
    EXPECT_EQ(first.Connects.size(), c.connects);
    const QString text = write(first);
    SCOPED_TRACE(text.toStdString());
    TqvSQLDesign second = read(text);
    EXPECT_EQ(spelled(second), spelled(first));
    // the written text is read and written to itself
    const TqvSQLDesign again = second;
    EXPECT_EQ(write(second), text);
    EXPECT_EQ(read(text), again);
    if (c.runs) {
        EXPECT_FALSE(text.contains(QStringLiteral("(+)")));
        EXPECT_NO_THROW(runRolledBack(text)) << text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, RoundTrip, ::testing::ValuesIn(roundTripCases),
                         [](const auto &info) { return std::string(info.param.name); });

// The reading example: boxes, one left-outer line, two rows and the trailing empty row.
TEST_F(QBuildTest, ReadingExampleGivesItsDesign)
{
    const TqvSQLDesign d
        = read("select e.ename nm, sum(e.sal) from emp e, dept d where e.deptno = d.deptno(+) "
               "and e.sal > 100 group by e.ename order by nm desc");
    ASSERT_EQ(d.Tables.size(), 2);
    EXPECT_EQ(d.Tables[0].TableName, "emp");
    EXPECT_EQ(d.Tables[0].AliasText, "e");
    EXPECT_EQ(d.Tables[1].TableName, "dept");
    ASSERT_EQ(d.Connects.size(), 1);
    EXPECT_EQ(d.Connects[0].FromTable, 0);
    EXPECT_EQ(d.Connects[0].FromColumn, "deptno");
    EXPECT_EQ(d.Connects[0].ToTable, 1);
    EXPECT_EQ(d.Connects[0].JoinType, jtLeftOuter);
    EXPECT_EQ(d.Connects[0].ConnectType, ctEQ);
    EXPECT_EQ(d.Rows,
              QList<QStringList>({ row("e.ename", "nm", true, "降順", "1", "GROUP BY"),
                                   row("e.sal", "", true, "", "", "SUM", "> 100"), emptyRow() }));
}

// The writing example, line by line before the formatter.
TEST_F(QBuildTest, WritingExampleGivesItsLines)
{
    TqvSQLDesign d;
    d.Tables = { { "qbuild", "emp", "a", {} }, { "qbuild", "dept", "b", {} } };
    d.Connects = { { 0, 1, "deptno", "deptno", ctEQ, jtLeftOuter } };
    d.Rows = { row("a.ename", "name", true, "昇順", "2"), row("b.dname", "", true, "降順", "1"),
               row("a.sal", "", false, "", "", "", "> 1000"), emptyRow() };
    AppOption.UseLowerName = false;
    EXPECT_EQ(DesignToSQLLines(d, "qbuild"),
              QStringList({ "SELECT", "  a.ename name,", "  b.dname", "FROM", "  emp a,",
                            "  dept b", "WHERE", "  a.deptno = b.deptno(+) AND ", "  a.sal > 1000",
                            "ORDER BY b.dname DESC,name" }));
    EXPECT_EQ(d.Rows[0][gcSortOrder], "2");
    EXPECT_EQ(d.Rows[1][gcSortOrder], "1");
}

// Each join kind the builder cannot show, a second JOIN, and OR mixed with AND are refused
// with the builder's message; none comes back as an inner join or a condition.
TEST_F(QBuildTest, RefusedTexts)
{
    const char *texts[] = {
        "select a.ename from emp a left join dept b on a.deptno = b.deptno",
        "select a.ename from emp a right outer join dept b on a.deptno = b.deptno",
        "select a.ename from emp a full join dept b on a.deptno = b.deptno",
        "select a.ename from emp a full outer join dept b on a.deptno = b.deptno",
        "select a.ename from emp a cross join dept b",
        "select a.ename from emp a natural join dept b",
        "select a.ename from emp a join dept b using (deptno)",
        "select a.ename from emp a join dept b on a.deptno = b.deptno join emp_hist h on "
        "h.empno = a.empno",
        "select a.ename from emp a join dept b on a.deptno = b.deptno left join emp_hist h on "
        "h.empno = a.empno",
        "select a.ename from emp a where a.sal = 1 or a.sal = 2 and a.empno = 3",
        "select a.ename from emp a where a.sal between 1 and 2 or a.sal = 3 and a.empno = 1",
        "select a.job from emp a group by a.job having count(*) > 1 or max(a.sal) > 1 and "
        "min(a.sal) < 5",
    };
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        TqvSQLDesign d = read("select a.ename from emp a");
        try {
            SQLTextToDesign(QString::fromUtf8(text), d, catalog.get());
            ADD_FAILURE() << "not refused";
        } catch (const ESQLParseError &e) {
            EXPECT_EQ(e.message(), SQLBuildRefusedMessage());
        }
        EXPECT_TRUE(d.Tables.isEmpty());
        EXPECT_TRUE(d.Connects.isEmpty());
    }
}

// A condition holding OR is put in parentheses only where others stand beside it.
TEST_F(QBuildTest, OrConditionInParenthesesBesideOthers)
{
    TqvSQLDesign alone = read("select a.sal from emp a where a.sal = 1 or a.empno = 2");
    EXPECT_FALSE(write(alone).contains(u'('));
    TqvSQLDesign beside = alone;
    beside.Rows.insert(1, row("a.job", "", false, "", "", "", "= 'CLERK'"));
    const QString text = write(beside);
    EXPECT_TRUE(text.contains(QStringLiteral("(a.sal = 1 OR a.empno = 2)"), Qt::CaseInsensitive))
        << text.toStdString();
    EXPECT_NO_THROW(runRolledBack(text));
    TqvSQLDesign joined = alone;
    joined.Tables.append(NewDesignTable(sqltSelect, "dept", "b", catalog.get()));
    joined.Connects = { { 0, 1, "deptno", "deptno", ctEQ, jtInner } };
    EXPECT_TRUE(
        write(joined).contains(QStringLiteral("(a.sal = 1 OR a.empno = 2)"), Qt::CaseInsensitive));
}

// ON and a following WHERE stay two conditions: a join line and a row.
TEST_F(QBuildTest, JoinOnAndWhereStayApart)
{
    const TqvSQLDesign d = read("select a.ename from emp a join dept b on a.deptno = b.deptno "
                                "where a.sal > 100");
    ASSERT_EQ(d.Connects.size(), 1);
    EXPECT_EQ(d.Connects[0].JoinType, jtInner);
    EXPECT_EQ(d.Rows,
              QList<QStringList>({ row("a.ename", "", true),
                                   row("a.sal", "", false, "", "", "", "> 100"), emptyRow() }));
}

} // namespace qbuildroundtrip
