// The widget-free services of the editor: the code-assist token, SQL word selection, the
// comment toggle of lines and of a box, and the statement-keyword widening.
#include "sqllang/qvsqltext.h"
#include "sqllangtest.h"

#include <gtest/gtest.h>

namespace sqltexttest {

struct TokenCase
{
    const char *line;
    int caret; // -1: at the end of the line
    const char *token;
};

TEST(CodeAssistToken, Table)
{
    const TokenCase cases[] = {
        { "SELECT ", -1, "" },
        { "SELECT .", -1, "." },
        { ".", -1, "." },
        { "FROM sales.orders", 14, "sales.ord" },
        { "FROM sales.", -1, "sales." },
        { "FROM sch.tab.", -1, "sch.tab." },
        { "FROM sales", -1, "sales" },
        { "WHERE (a", -1, "a" },
        { "WHERE a(", -1, "" },
        // a quoted name before the dot: its name without quotes, in its own case
        { "FROM \"Sales\".", -1, "Sales." },
        { "FROM x, \"Sales\".", -1, "Sales." },
        { "FROM \"My \"\"Q\"\"\".", -1, "" }, // a quote before the closing one: nothing
        // the positions stay those of the line: a quoted name earlier on the line changes nothing
        { "SELECT \"A\".x FROM \"Sales\".", -1, "Sales." },
        { "SELECT \"A\".x FROM \"Sales\".ord", -1, "Sales.ord" },
        { "FROM \"Sch\".\"Tab\".", -1, "Sch.Tab." },
        { "FROM f(x).", -1, "." },
        { "FROM ().", -1, "" },
        { "FROM a..", -1, "a.." },
        { "copy 'x.csv'.", -1, "." },
        { "", -1, "" },
        { "abc", 0, "" },
    };
    for (const TokenCase &c : cases) {
        const QString line = QString::fromUtf8(c.line);
        SCOPED_TRACE(c.line);
        EXPECT_EQ(sqltext::CodeAssistToken(line, c.caret < 0 ? int(line.size()) : c.caret),
                  QString::fromUtf8(c.token));
    }
}

TEST(EditorWordAt, SelectsTheSqlWordAroundTheCharacterLeftOfTheIndex)
{
    int start = -1;
    int length = -1;
    const QString line = QStringLiteral("SELECT tbl.col_1+x FROM t");
    EXPECT_FALSE(sqltext::EditorWordAt(line, 0, &start, &length)); // start of the line
    EXPECT_FALSE(sqltext::EditorWordAt(line, 7, &start, &length)); // a blank before the index
    ASSERT_TRUE(sqltext::EditorWordAt(line, 12, &start, &length)); // inside col_1
    EXPECT_EQ(line.mid(start, length), QStringLiteral("col_1"));
    ASSERT_TRUE(sqltext::EditorWordAt(line, 8, &start, &length)); // right of the caret too
    EXPECT_EQ(line.mid(start, length), QStringLiteral("tbl"));
    ASSERT_TRUE(sqltext::EditorWordAt(line, int(line.size()), &start, &length));
    EXPECT_EQ(line.mid(start, length), QStringLiteral("t"));
    EXPECT_FALSE(sqltext::EditorWordAt(line, int(line.size()) + 1, &start, &length));
}

struct ToggleCase
{
    const char *name;
    QStringList in;
    QStringList out;
};

TEST(ToggleLineComments, Table)
{
    const ToggleCase cases[] = {
        { "one line not commented", { "a", "--b", "  --c" }, { "--a", "----b", "--  --c" } },
        { "all commented", { "--a", "  --b", "\t-- c" }, { "a", "  b", "\t c" } },
        { "an empty line counts as not commented",
          { "--a", "", "--b" },
          { "----a", "--", "----b" } },
        { "single line on", { "select 1" }, { "--select 1" } },
        { "single line off", { "--select 1" }, { "select 1" } },
        { "wrapped or not, every line",
          { QString(300, u'x'), "y" },
          { QLatin1String("--") + QString(300, u'x'), "--y" } },
    };
    for (const ToggleCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sqltext::ToggleLineComments(c.in), c.out);
    }
}

TEST(ToggleBoxComments, ShortLinesStayAndCountAsNotCommented)
{
    const QStringList lines = { "ab  cd", "x", "ab  --ef" };
    const QList<int> columns = { 4, 4, 4 };
    EXPECT_EQ(sqltext::ToggleBoxComments(lines, columns),
              (QStringList { "ab  --cd", "x", "ab  ----ef" }));
    EXPECT_EQ(sqltext::ToggleBoxComments({ "ab  --cd", "ab  --ef" }, { 4, 4 }),
              (QStringList { "ab  cd", "ab  ef" }));
}

TEST(TokenStringStatsPack, WidensOverNeighboursAndSingleBlanks)
{
    const QString line = QStringLiteral("x.CREATE TABLE foo  bar");
    const sqltext::WidenedToken w = sqltext::TokenStringStatsPack(line, 2, 8);
    EXPECT_EQ(w.text, QStringLiteral("x.CREATE TABLE foo"));
    EXPECT_EQ(sqltext::TokenStringStatsPack(QStringLiteral("SELECT"), 0, 6).text,
              QStringLiteral("SELECT"));
    EXPECT_EQ(sqltext::TokenStringStatsPack(QStringLiteral("SELECT a"), 0, 6).text,
              QStringLiteral("SELECT a"));
    // 0 is not in the widening set
    EXPECT_EQ(sqltext::TokenStringStatsPack(QStringLiteral("ROWNUM 0"), 0, 6).text,
              QStringLiteral("ROWNUM"));
}

} // namespace sqltexttest
