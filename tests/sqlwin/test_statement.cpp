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

} // namespace statementtest
