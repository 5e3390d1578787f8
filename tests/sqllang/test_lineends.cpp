// Line comments under every form of line end: the editor-side readers end a "--" comment at
// LF or CR as the server does, and the formatter's output holds no stray CR.
#include "sqllang/qvformat.h"
#include "sqllang/qvparse.h"
#include "sqllang/qvsqltext.h"
#include "sqllangtest.h"

#include "core/qvoption.h"

#include <gtest/gtest.h>

namespace lineendstest {

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

class LineCommentEnds : public ::testing::TestWithParam<LineEnd>
{
};

TEST_P(LineCommentEnds, SpanReaderEndsTheCommentBeforeTheLineEnd)
{
    const QString eol = GetParam().eol;
    const QString text = QStringLiteral("a -- note") + eol + QStringLiteral("b -- open");
    const sqltext::SpanReader reader(text);
    const sqltext::Span first = reader.spanAt(2);
    EXPECT_EQ(first.kind, sqltext::SpanKind::Comment);
    EXPECT_EQ(first.end, 9);
    EXPECT_TRUE(first.closed);
    const int second = int(text.lastIndexOf(QLatin1String("--")));
    EXPECT_EQ(reader.spanAt(second).end, text.size());
    EXPECT_TRUE(reader.spanAt(second).closed);
}

TEST_P(LineCommentEnds, FormatterKeepsTheCommentAndEndsItsLine)
{
    const QString eol = GetParam().eol;
    TFormatOption o;
    o.Indent = 4;
    o.ItemReturn = 0;
    o.ReservePos = 0;
    o.CommaPos = 0;
    o.AndPos = 0;
    o.ReserveTrans = 0;
    o.ItemTrans = 2;
    const QString sql = QStringLiteral("select a -- note") + eol + QStringLiteral("from t") + eol
        + QStringLiteral("where x = 1 -- c") + eol + QStringLiteral("and y = 2");
    const QString out = FormatSQL(sql, o);
    EXPECT_FALSE(out.contains(u'\r'));
    EXPECT_EQ(out.split(u'\n'),
              QStringList({ "SELECT a -- note", "  FROM t", " WHERE x = 1 -- c", "   AND y = 2" }));
}

TEST_P(LineCommentEnds, ParserReadsWhatFollowsTheComment)
{
    const QString eol = GetParam().eol;
    TqvParseList columns, tables, orders;
    QStringList conditions, groups, havings;
    QString viewName;
    const TqvSQLType kind
        = ParseSQL(QStringLiteral("select a -- , b") + eol + QStringLiteral("from t -- , u") + eol
                       + QStringLiteral("where x = 1"),
                   &columns, &tables, &orders, &conditions, &groups, &havings,
                   QStringLiteral("error"), viewName);
    EXPECT_EQ(kind, sqltSelect);
    ASSERT_EQ(tables.Count(), 1);
    EXPECT_EQ(tables.ObjectName(0), QStringLiteral("t"));
    ASSERT_EQ(columns.Count(), 1);
    EXPECT_EQ(conditions, QStringList({ "x", "=", "1" }));
}

INSTANTIATE_TEST_SUITE_P(Cases, LineCommentEnds, ::testing::ValuesIn(LineEnds),
                         [](const ::testing::TestParamInfo<LineEnd> &info) {
                             return std::string(info.param.title);
                         });

} // namespace lineendstest
