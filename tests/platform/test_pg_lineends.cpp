// A "--" comment ends where the server ends it: at LF or at CR. Under every form of line end
// the span reader, the parameter scanner, the statement count and the first keyword agree
// with what the server makes of the same text.
#include "pgtestutil.h"

#include "platform/pg/param.h"
#include "platform/pg/paramscanner.h"
#include "platform/pg/query.h"
#include "platform/pg/result.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace test_pg_lineends {

struct LineEnd
{
    const char *title;
    QString eol;
};

const LineEnd LineEnds[] = {
    { "LF", QStringLiteral("\n") },
    { "CR", QStringLiteral("\r") },
    { "CRLF", QStringLiteral("\r\n") },
};

class LineComments : public ::testing::TestWithParam<LineEnd>
{
};

TEST_P(LineComments, EndAtTheLineEnd)
{
    const QString eol = GetParam().eol;
    const QString comment = QStringLiteral("-- note :x");
    const QString sql = QStringLiteral("SELECT :a ") + comment + eol + QStringLiteral(", :b") + eol
        + QStringLiteral("; SELECT :c -- last");

    // the comment stops before the line end, whatever the line end is
    const int at = int(sql.indexOf(QLatin1String("--")));
    const pg::SqlSpan span = pg::skipSqlSpan(sql, at);
    EXPECT_EQ(span.kind, pg::SqlSpanKind::Comment);
    EXPECT_EQ(span.end, at + comment.size());
    // a comment that the text ends runs to its end
    const int last = int(sql.lastIndexOf(QLatin1String("--")));
    EXPECT_EQ(pg::skipSqlSpan(sql, last).end, sql.size());

    const pg::ParamScan scan = pg::scanParameters(sql);
    EXPECT_EQ(scan.names,
              QStringList({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C") }));
    EXPECT_EQ(scan.rewritten,
              QStringLiteral("SELECT $1 ") + comment + eol + QStringLiteral(", $2") + eol
                  + QStringLiteral("; SELECT $3 -- last"));
    EXPECT_EQ(scan.statementCount, 2);

    // what follows a comment line is the statement's first word
    EXPECT_EQ(pg::firstKeyword(QStringLiteral("-- note") + eol + QStringLiteral("commit")),
              QStringLiteral("COMMIT"));
    EXPECT_EQ(
        pg::firstKeyword(QStringLiteral("/* a */ -- b") + eol + eol + QStringLiteral("(select 1)")),
        QStringLiteral("SELECT"));
    EXPECT_EQ(
        pg::findTopLevelWord(QStringLiteral("SELECT 1 -- from") + eol + QStringLiteral("FROM t"),
                             QLatin1String("FROM")),
        int(QStringLiteral("SELECT 1 -- from").size() + eol.size()));
}

// The server reads the same text the same way: the parameter after the comment is bound.
TEST_P(LineComments, ParameterAfterACommentReachesTheServer)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    const QString eol = GetParam().eol;
    pg::Query q(*c);
    q.setSql(QStringLiteral("SELECT :a::int AS a -- note :x") + eol
             + QStringLiteral(", :b::int AS b -- :y") + eol);
    EXPECT_EQ(q.paramNames(), QStringList({ QStringLiteral("A"), QStringLiteral("B") }));
    q.bind(QStringLiteral("A"), pg::Param(QVariant(1)));
    q.bind(QStringLiteral("B"), pg::Param(QVariant(2)));
    const pg::Result r = q.open();
    ASSERT_EQ(r.columnCount(), 2);
    EXPECT_EQ(r.text(0, 0), QStringLiteral("1"));
    EXPECT_EQ(r.text(0, 1), QStringLiteral("2"));
}

INSTANTIATE_TEST_SUITE_P(Cases, LineComments, ::testing::ValuesIn(LineEnds),
                         [](const ::testing::TestParamInfo<LineEnd> &info) {
                             return std::string(info.param.title);
                         });

} // namespace test_pg_lineends
