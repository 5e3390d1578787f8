// The statement helpers of the run: remark lines, the final ";", statement kinds and the
// parameter grid's types.
#include "platform/pg/error.h"
#include "sqlwin/fsql.h"

#include <gtest/gtest.h>

namespace statementtest {

TEST(TrimRemarkLines, DropsRemarkAndEmptyLinesAtBothEnds)
{
    struct Case
    {
        QStringList in;
        QStringList out;
    };
    const Case cases[] = {
        { { "REM a comment", "", "update t set v=1", "REMARK" }, { "update t set v=1" } },
        { { "rem\tx", "update t", "  ", "Rem" }, { "update t" } },
        { { "REMOVE", "x" }, { "REMOVE", "x" } },
        { { "update t", "", "set v=1" }, { "update t", "", "set v=1" } },
        { { "  select\ta", "from\tt" }, { "  select a", "from t" } },
        { { "update\tt", "set v = 1" }, { "update\tt", "set v = 1" } },
        { { "with x as (select 1)", "select\t*" }, { "with x as (select 1)", "select *" } },
        { { "", "REM" }, {} },
    };
    for (const Case &c : cases)
        EXPECT_EQ(TrimRemarkLines(c.in), c.out) << c.in.join('|').toStdString();
}

TEST(StripFinalSemicolon, RoutineBodiesKeepTheirSemicolonInAnyCase)
{
    struct Case
    {
        const char *in;
        const char *out;
    };
    const Case cases[] = {
        { "drop table t;", "drop table t" },
        { "select 1 ;  ", "select 1" },
        { "select 1", "select 1" },
        { "CREATE PROCEDURE p() LANGUAGE sql AS 'select 1';",
          "CREATE PROCEDURE p() LANGUAGE sql AS 'select 1';" },
        { "create procedure p() language sql as 'select 1';",
          "create procedure p() language sql as 'select 1';" },
        { "create or replace function f() returns int language sql as $$select 1;$$;",
          "create or replace function f() returns int language sql as $$select 1;$$;" },
        { "create table t (a int);", "create table t (a int)" },
        // a ";" inside an unclosed body is not the end of the statement
        { "do $$ begin perform 1;", "do $$ begin perform 1;" },
        { "select 'a;", "select 'a;" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(StripFinalSemicolon(c.in), QString::fromUtf8(c.out)) << c.in;
}

TEST(SQLStatementKind, RowStatementsByTheirFirstKeyword)
{
    struct Case
    {
        const char *sql;
        TSQLKind kind;
    };
    const Case cases[] = {
        { "select 1", TSQLKind::Rows },
        { "  -- note\n/* x */ (SELECT 1)", TSQLKind::Rows },
        { "values (1)", TSQLKind::Rows },
        { "show search_path", TSQLKind::Rows },
        { "with x as (select 1) select * from x", TSQLKind::Rows },
        { "with x as (select 1) delete from t", TSQLKind::Command },
        { "with x as (select 1) delete from t returning *", TSQLKind::Rows },
        { "update t set v = 'select'", TSQLKind::Command },
        { "commit", TSQLKind::Command },
        { "create table s as select 1", TSQLKind::Command },
    };
    for (const Case &c : cases)
        EXPECT_EQ(SQLStatementKind(c.sql), c.kind) << c.sql;
}

TEST(GetParamFieldType, TheEighteenNamesAndArrays)
{
    pg::Oid type = 0;
    EXPECT_TRUE(GetParamFieldType("integer", &type));
    EXPECT_EQ(type, pg::type::Int4);
    EXPECT_TRUE(GetParamFieldType("integer[]", &type));
    EXPECT_EQ(type, pg::type::Int4);
    EXPECT_TRUE(GetParamFieldType("serial", &type));
    EXPECT_EQ(type, pg::type::Int8);
    EXPECT_TRUE(GetParamFieldType("timestamp(6) without time zone", &type));
    for (const QString &name : ParamTypeNames())
        EXPECT_TRUE(GetParamFieldType(name, &type)) << name.toStdString();
    EXPECT_EQ(ParamTypeNames().size(), 18);
    EXPECT_FALSE(GetParamFieldType("Integer", &type));
    EXPECT_FALSE(GetParamFieldType("", &type));
    EXPECT_EQ(type, pg::type::Unknown);
}

TEST(ConvertParamValue, ValuesByTypeAndRefusals)
{
    EXPECT_EQ(ConvertParamValue("bigserial", "5000000000").value.toLongLong(), 5000000000LL);
    EXPECT_EQ(ConvertParamValue("boolean", "TRUE").value, QVariant(true));
    EXPECT_EQ(ConvertParamValue("boolean", "0").value, QVariant(false));
    EXPECT_EQ(ConvertParamValue("", "abc").value, QVariant("abc"));
    EXPECT_THROW(ConvertParamValue("smallint", "40000"), pg::Error);
    EXPECT_THROW(ConvertParamValue("integer", "1.5"), pg::Error);
    EXPECT_THROW(ConvertParamValue("boolean", "yes"), pg::Error);
}

TEST(ConvertParamValue, NumericKeepsTheTypedDigits)
{
    struct Case
    {
        const char *typed;
        const char *bound; // nullptr: refused
    };
    const Case cases[] = {
        { "0.1", "0.1" },
        { " 12345678901234567890.123456789 ", "12345678901234567890.123456789" },
        { "-1.50", "-1.50" },
        { "+.5", "+.5" },
        { "1e-3", "1e-3" },
        { "NaN", "NaN" },
        { "-Infinity", "-Infinity" },
        { "1.2.3", nullptr },
        { "12x", nullptr },
        { "", nullptr },
        { "e5", nullptr },
    };
    for (const Case &c : cases) {
        if (!c.bound) {
            EXPECT_THROW(ConvertParamValue("numeric", c.typed), pg::Error) << c.typed;
            continue;
        }
        const pg::Param p = ConvertParamValue("numeric", c.typed);
        EXPECT_EQ(p.value, QVariant(QString::fromLatin1(c.bound))) << c.typed;
        EXPECT_EQ(p.type, pg::type::Numeric);
    }
}

TEST(SplitStatements, TopLevelSemicolonsEndStatements)
{
    struct Case
    {
        const char *text;
        QStringList statements;
        bool splBodies = false;
    };
    const Case cases[] = {
        { "select 1", { "select 1" } },
        { "select 1;", { "select 1" } },
        { "select * from t; insert into t values (1, ';')",
          { "select * from t", "insert into t values (1, ';')" } },
        { "select 1;;\r\n  ; -- done\r\n", { "select 1" } },
        { "-- only a note; really\r\n/* and; this */", {} },
        { "select ';', \"a;b\", $x$;$x$ -- c;\r\n; select 2",
          { "select ';', \"a;b\", $x$;$x$ -- c;", "select 2" } },
        { "create rule r as on insert to t do also (insert into u values (1); insert into u values "
          "(2)); select 1",
          { "create rule r as on insert to t do also (insert into u values (1); insert into u "
            "values (2))",
            "select 1" } },
        // a body in dollar quotes ends at the statement's ";" as any other
        { "create function f() returns int language sql as $$select 1;$$; select f()",
          { "create function f() returns int language sql as $$select 1;$$", "select f()" } },
        // an SQL-standard body keeps its statements up to its END
        { "CREATE OR REPLACE PROCEDURE p() LANGUAGE sql BEGIN ATOMIC insert into t values (1); "
          "select case when true then 1 end; END; call p()",
          { "CREATE OR REPLACE PROCEDURE p() LANGUAGE sql BEGIN ATOMIC insert into t values (1); "
            "select case when true then 1 end; END",
            "call p()" } },
        { "begin; update t set v = 1; end", { "begin", "update t set v = 1", "end" } },
        // the unquoted bodies of the enterprise edition run to the end of the text
        { "create or replace package body k is procedure p is begin null; end; end k; select 1",
          { "create or replace package body k is procedure p is begin null; end; end k; select 1" },
          true },
        { "create table k (a int); select 1", { "create table k (a int)", "select 1" }, true },
    };
    for (const Case &c : cases) {
        const QString text = QString::fromUtf8(c.text);
        QStringList got;
        for (const TSQLRange &r : SplitStatements(text, c.splBodies))
            got << text.mid(r.start, r.length);
        EXPECT_EQ(got, c.statements) << c.text;
    }
}

} // namespace statementtest
