// The clipboard form of the record grids: how a copied value is written and how pasted text
// splits into records and fields.
#include "ui/qvdbgridtext.h"

#include <gtest/gtest.h>

namespace dbgridtexttest {

struct CopyCase
{
    const char *name;
    QString value;
    QString expected;
};

TEST(DbGridText, CopyValueQuotesOnlyWhatNeedsIt)
{
    const CopyCase cases[] = {
        { "plain", "abc", "abc" },
        { "null", QString(), "" },
        { "empty", "", "" },
        { "tab", "a\tb", "\"a\tb\"" },
        { "quote", "a\"b", "\"a\"\"b\"" },
        { "lf", "p\nq", "\"p\nq\"" },
        { "crlf becomes lf", "p\r\nq", "\"p\nq\"" },
        { "lone cr becomes lf", "p\rq", "\"p\nq\"" },
        { "japanese", "日本語テキスト", "日本語テキスト" },
        { "leading quote only", "\"", "\"\"\"\"" },
    };
    for (const CopyCase &c : cases) {
        const QString got = GridCopyValueText(c.value);
        EXPECT_EQ(got, c.expected) << c.name;
        EXPECT_FALSE(got.isNull()) << c.name;
    }
}

TEST(DbGridText, RecordTextIsAnythingWithATabOrALineEnd)
{
    EXPECT_FALSE(IsGridRecordText("plain text"));
    EXPECT_TRUE(IsGridRecordText("a\tb"));
    EXPECT_TRUE(IsGridRecordText("one\r\n"));
    EXPECT_TRUE(IsGridRecordText("x\ny"));
    EXPECT_TRUE(IsGridRecordText("x\ry"));
}

struct ParseCase
{
    const char *name;
    QString text;
    QList<QStringList> records;
    QList<int> lines;
};

TEST(DbGridText, PasteSplitsRecordsAndFields)
{
    const ParseCase cases[] = {
        { "spreadsheet cell", "value\r\n", { { "value" } }, { 1 } },
        { "no line end", "a\tb", { { "a", "b" } }, { 1 } },
        { "two lines", "a\tb\r\nc\td\r\n", { { "a", "b" }, { "c", "d" } }, { 1, 2 } },
        { "lf alone ends a line", "x\ny\n", { { "x" }, { "y" } }, { 1, 2 } },
        { "cr alone ends a line", "x\ry", { { "x" }, { "y" } }, { 1, 2 } },
        { "empty line in the middle", "a\r\n\r\nb\r\n", { { "a" }, { "" }, { "b" } }, { 1, 2, 3 } },
        { "empty fields", "\t\t\r\n", { { "", "", "" } }, { 1 } },
        { "quoted tab", "\"a\tb\"\tc", { { "a\tb", "c" } }, { 1 } },
        { "quoted line break", "\"p\nq\"\tr\r\ns\r\n", { { "p\nq", "r" }, { "s" } }, { 1, 3 } },
        { "quoted crlf kept", "\"p\r\nq\"\r\n", { { "p\r\nq" } }, { 1 } },
        { "doubled quotes", "\"a\"\"b\"\r\n", { { "a\"b" } }, { 1 } },
        { "two quotes alone are empty", "\"\"\tx", { { "", "x" } }, { 1 } },
        { "text after the closing quote is dropped", "\"a\"bc\td", { { "a", "d" } }, { 1 } },
        { "quote inside a plain field is text", "a\"b\tc", { { "a\"b", "c" } }, { 1 } },
        { "japanese",
          "りんご\t赤\r\nみかん\t橙",
          { { "りんご", "赤" }, { "みかん", "橙" } },
          { 1, 2 } },
        { "nothing", "", {}, {} },
    };
    for (const ParseCase &c : cases) {
        const QList<TGridPasteRecord> got = ParseGridRecordText(c.text);
        ASSERT_EQ(got.size(), c.records.size()) << c.name;
        for (int i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got.at(i).values, c.records.at(i)) << c.name << " record " << i;
            EXPECT_EQ(got.at(i).line, c.lines.at(i)) << c.name << " record " << i;
        }
    }
}

// A quote that never closes protects the rest of the text: the record it stands in ends before
// it, and no later line is read.
TEST(DbGridText, AnUnclosedQuoteEndsThePaste)
{
    const struct
    {
        const char *name;
        QString text;
        QList<QStringList> records;
        int openQuoteLine;
    } cases[] = {
        { "at the start", "\"abc\tdef\r\nx\r\n", { {} }, 1 },
        { "in the second field of the second line",
          "1\ta\r\n2\t\"b\tc\r\n3\td\r\n",
          { { "1", "a" }, { "2" } },
          2 },
        { "after a closed one", "\"p\nq\"\t\"r", { { "p\nq" } }, 2 },
        { "a doubled quote does not close it", "x\t\"a\"\"b\r\ny", { { "x" } }, 1 },
    };
    for (const auto &c : cases) {
        const QList<TGridPasteRecord> got = ParseGridRecordText(c.text);
        ASSERT_EQ(got.size(), c.records.size()) << c.name;
        for (int i = 0; i < got.size(); ++i)
            EXPECT_EQ(got.at(i).values, c.records.at(i)) << c.name << " record " << i;
        for (int i = 0; i + 1 < got.size(); ++i)
            EXPECT_TRUE(got.at(i).complete()) << c.name << " record " << i;
        EXPECT_FALSE(got.last().complete()) << c.name;
        EXPECT_EQ(got.last().openQuoteLine, c.openQuoteLine) << c.name;
    }
}

TEST(DbGridText, CopiedValuesParseBackUnchanged)
{
    const QStringList values = { "tab\there", "line\nbreak", "say \"hi\"", "\"\"",       "",
                                 "日本語",    "trailing\t",  "\n",         "a\"\tb\n\"c" };
    QString text;
    for (int i = 0; i < values.size(); ++i)
        text += GridCopyValueText(values.at(i)) + (i % 3 == 2 ? "\r\n" : "\t");
    const QList<TGridPasteRecord> records = ParseGridRecordText(text);
    QStringList back;
    for (const TGridPasteRecord &r : records)
        back << r.values;
    EXPECT_EQ(back, values);
}

} // namespace dbgridtexttest
