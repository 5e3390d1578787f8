// Names and string constants in SQL text: the quoting rule with the upper-case option on and
// off, and, against the server, that awkward names create exactly the relation they name and
// literals come back as they were, whatever standard_conforming_strings says.
#include "core/qvname.h"
#include "core/qvoption.h"

#include "testserver.h"

#include <gtest/gtest.h>

#include <set>

namespace quotingtest {

// Sets UseLowerName for one test and puts the old value back.
class UpperCaseOption
{
public:
    explicit UpperCaseOption(bool on)
        : m_old(AppOption.UseLowerName)
    {
        AppOption.UseLowerName = on;
    }
    ~UpperCaseOption() { AppOption.UseLowerName = m_old; }

private:
    bool m_old;
};

struct QuoteCase
{
    const char *name;
    const char *withOptionOn;
    const char *withOptionOff;
};

const QuoteCase quoteCases[] = {
    { "orders", "\"orders\"", "orders" },
    { "order_2$", "\"order_2$\"", "order_2$" },
    { "_x", "\"_x\"", "_x" },
    { "", "\"\"", "\"\"" },
    { "Orders", "\"Orders\"", "\"Orders\"" },
    { "ＡＢＣ", "\"ＡＢＣ\"", "\"ＡＢＣ\"" }, // full-width capitals
    { "ａｂｃ", "\"ａｂｃ\"", "ａｂｃ" }, // full-width small letters read back as written
    { "Σίσυφος", "\"Σίσυφος\"", "\"Σίσυφος\"" }, // another script with case
    { "日本語表", "\"日本語表\"", "日本語表" },
    { "a-b", "\"a-b\"", "\"a-b\"" },
    { "a b", "\"a b\"", "\"a b\"" },
    { " a", "\" a\"", "\" a\"" },
    { "a@b", "\"a@b\"", "\"a@b\"" },
    { "a=b", "\"a=b\"", "\"a=b\"" },
    { "(a)", "\"(a)\"", "\"(a)\"" },
    { "（a）", "\"（a）\"", "\"（a）\"" },
    { "a.b", "\"a.b\"", "\"a.b\"" },
    { "1abc", "\"1abc\"", "\"1abc\"" },
    { "$a", "\"$a\"", "\"$a\"" },
    { "select", "\"select\"", "\"select\"" }, // reserved
    { "user", "\"user\"", "\"user\"" },
    { "varchar", "\"varchar\"", "\"varchar\"" }, // a keyword a bare column name may not be
    { "name", "\"name\"", "name" }, // an unreserved keyword is fine bare
    { "say\"hi", "\"say\"\"hi\"", "\"say\"\"hi\"" },
    // A name that begins with a double quote is a name like any other.
    { "\"abc\"", "\"\"\"abc\"\"\"", "\"\"\"abc\"\"\"" },
    { "\"abc", "\"\"\"abc\"", "\"\"\"abc\"" },
    { "\"x\";drop table t;--", "\"\"\"x\"\";drop table t;--\"", "\"\"\"x\"\";drop table t;--\"" },
    { "x;drop table t", "\"x;drop table t\"", "\"x;drop table t\"" },
    { "tab\there", "\"tab\there\"", "\"tab\there\"" },
};

TEST(QuoteName, FollowsTheRuleWithTheOptionOnAndOff)
{
    for (const bool on : { true, false }) {
        UpperCaseOption option(on);
        for (const QuoteCase &c : quoteCases) {
            const QString expected = QString::fromUtf8(on ? c.withOptionOn : c.withOptionOff);
            EXPECT_EQ(QuoteName(QString::fromUtf8(c.name)), expected)
                << "name [" << c.name << "] option " << (on ? "on" : "off");
        }
    }
}

TEST(QuoteName, RefusesNul)
{
    UpperCaseOption option(false);
    EXPECT_THROW(QuoteName(QString("a") + QChar(0) + "b"), SqlTextError);
    EXPECT_THROW(QuoteLiteral(QString("a") + QChar(0) + "b"), SqlTextError);
}

struct ListCase
{
    const char *names;
    bool commaText;
    const char *delimiter;
    const char *withOptionOn;
    const char *withOptionOff;
};

const ListCase listCases[] = {
    { "public.Orders", false, ".", "\"public\".\"Orders\"", "public.\"Orders\"" },
    { "public.orders", false, ".", "\"public\".\"orders\"", "public.orders" },
    // A single name is quoted like any name, even without a delimiter in it.
    { "Orders", false, ".", "\"Orders\"", "\"Orders\"" },
    { "character varying", false, ".", "\"character varying\"", "\"character varying\"" },
    { "my schema.my type", false, ".", "\"my schema\".\"my type\"", "\"my schema\".\"my type\"" },
    // Quoted parts lose their quotes first and may hold the delimiter.
    { "\"My.Schema\".t", false, ".", "\"My.Schema\".\"t\"", "\"My.Schema\".t" },
    { "\"a\"\"b\".c", false, ".", "\"a\"\"b\".\"c\"", "\"a\"\"b\".c" },
    { "a,B,\"c,d\"", true, "", "\"a\",\"B\",\"c,d\"", "a,\"B\",\"c,d\"" },
    { "integer,my type", true, "", "\"integer\",\"my type\"", "\"integer\",\"my type\"" },
    { "", true, "", "", "" },
    // Control characters separate parts as the delimiter does, also next to it.
    { "a\tB", true, "", "\"a\",\"B\"", "a,\"B\"" },
    { "a,\r\nb\n", true, "", "\"a\",\"b\"", "a,b" },
    { "a,", true, "", "\"a\",\"\"", "a,\"\"" },
    { "sales\norders", false, ".", "\"sales\".\"orders\"", "sales.orders" },
    { "\"x\ty\"\tz", true, "", "\"x\ty\",\"z\"", "\"x\ty\",z" },
    // No other character changes: U+F8F3 is not a blank.
    { "s.x\xEF\xA3\xB3y", false, ".", "\"s\".\"x\xEF\xA3\xB3y\"", "s.\"x\xEF\xA3\xB3y\"" },
    { "x\xEF\xA3\xB3y,a b", true, "", "\"x\xEF\xA3\xB3y\",\"a b\"", "\"x\xEF\xA3\xB3y\",\"a b\"" },
};

TEST(QuoteNameList, QuotesEveryPart)
{
    for (const bool on : { true, false }) {
        UpperCaseOption option(on);
        for (const ListCase &c : listCases) {
            const QString expected = QString::fromUtf8(on ? c.withOptionOn : c.withOptionOff);
            EXPECT_EQ(QuoteNameList(QString::fromUtf8(c.names), c.commaText,
                                    QString::fromUtf8(c.delimiter)),
                      expected)
                << "names [" << c.names << "] option " << (on ? "on" : "off");
        }
    }
}

TEST(QuoteTypeName, KeepsKeywordTypesAndQuotesNames)
{
    struct Case
    {
        const char *type;
        const char *expected; // option on
    };
    const Case cases[] = {
        { "character varying", "character varying" },
        { "character varying(20)[]", "character varying(20)[]" },
        { "timestamp(3) with time zone", "timestamp(3) with time zone" },
        { "integer[]", "integer[]" },
        { "numeric(10,2)", "numeric(10,2)" },
        { "double precision", "double precision" },
        { "int4", "\"int4\"" },
        { "\"char\"", "\"char\"" },
        { "public.MyType", "\"public\".\"MyType\"" },
        { "my schema.my type[]", "\"my schema\".\"my type\"[]" },
        { "integer; drop table t", "\"integer; drop table t\"" },
    };
    UpperCaseOption option(true);
    for (const Case &c : cases)
        EXPECT_EQ(QuoteTypeName(QString::fromUtf8(c.type)), QString::fromUtf8(c.expected))
            << c.type;
}

TEST(QuoteLiteral, DoublesApostrophesAndEscapesBackslashes)
{
    EXPECT_EQ(QuoteLiteral(""), "''");
    EXPECT_EQ(QuoteLiteral("it's"), "'it''s'");
    EXPECT_EQ(QuoteLiteral("a\\b"), "E'a\\\\b'");
    EXPECT_EQ(QuoteLiteral("\\'"), "E'\\\\'''");
}

TEST(StripDoubleQuotes, RemovesOnlyAnEnclosingPair)
{
    EXPECT_EQ(StripDoubleQuotes("\"abc\""), "abc");
    EXPECT_EQ(StripDoubleQuotes("\"a\"\"b\""), "a\"\"b");
    EXPECT_EQ(StripDoubleQuotes("\"abc"), "\"abc");
    EXPECT_EQ(StripDoubleQuotes("\""), "");
    EXPECT_EQ(StripDoubleQuotes("abc"), "abc");
}

TEST(DequoteName, UndoesQuoteName)
{
    EXPECT_EQ(DequoteName("\"a\"\"b\"rest"), "a\"b");
    EXPECT_EQ(DequoteName("plain"), "plain");
    EXPECT_EQ(DequoteName("\"open"), "open");
    UpperCaseOption option(true);
    for (const QuoteCase &c : quoteCases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(DequoteName(QuoteName(name)), name) << c.name;
    }
}

// The names the server is given to create, each as a table with one column of the same name.
const char *const awkwardNames[] = {
    "UPPER",
    "Mixed Case",
    "with blank",
    " leading blank",
    "quote\"inside",
    "\"leading quote",
    "\"balanced\"",
    "at@sign",
    "eq=sign",
    "(brackets)",
    "（全角括弧）",
    "日本語テーブル",
    "ａｂｃ",
    "ＡＢＣ",
    "a.b",
    "a-b",
    "select",
    "1abc",
    "\"x\";drop table victim;--",
    "x;drop table victim;--",
    "x); drop table victim; --",
    "back\\slash",
    "plain_lower",
};

TEST(QuoteNameOnServer, CreatesExactlyTheNamedTables)
{
    for (const bool on : { true, false }) {
        UpperCaseOption option(on);
        testsupport::TestDatabase db;
        db.exec("CREATE SCHEMA names_test");
        db.exec("CREATE TABLE names_test.victim (id int)");
        std::set<QString> expected { "victim" };
        for (const char *raw : awkwardNames) {
            const QString name = QString::fromUtf8(raw);
            const QString sql
                = "CREATE TABLE names_test." + QuoteName(name) + " (" + QuoteName(name) + " int)";
            ASSERT_NO_THROW(db.exec(sql)) << sql.toStdString();
            expected.insert(name);
        }
        const QStringList tables
            = testsupport::queryColumn(db.conninfo(),
                                       "SELECT relname FROM pg_class WHERE relnamespace = "
                                       "'names_test'::regnamespace AND relkind = 'r'");
        const std::set<QString> actual(tables.begin(), tables.end());
        EXPECT_EQ(actual, expected) << "option " << (on ? "on" : "off");
        const QStringList columns = testsupport::queryColumn(
            db.conninfo(),
            "SELECT attname FROM pg_attribute a JOIN pg_class c ON c.oid = attrelid "
            "WHERE relnamespace = 'names_test'::regnamespace AND attnum > 0 "
            "AND relname = attname");
        EXPECT_EQ(columns.size(), qsizetype(std::size(awkwardNames)));
    }
}

TEST(QuoteLiteralOnServer, RoundTripsWhateverStandardConformingStringsSays)
{
    testsupport::TestDatabase db;
    const char *const literals[] = {
        "",
        "plain",
        "it's",
        "''",
        "back\\slash",
        "end\\",
        "\\'",
        "\\\\server\\share",
        "日本語の'値'",
        "tab\tand\nline",
        "E'x'",
        "$$dollar$$",
    };
    for (const char *setting : { "on", "off" }) {
        for (const char *raw : literals) {
            const QString text = QString::fromUtf8(raw);
            const QString sql
                = QString("SET standard_conforming_strings = %1; SELECT ").arg(setting)
                + QuoteLiteral(text);
            EXPECT_EQ(testsupport::queryValue(db.conninfo(), sql), text)
                << raw << " with standard_conforming_strings " << setting;
        }
    }
}

} // namespace quotingtest
