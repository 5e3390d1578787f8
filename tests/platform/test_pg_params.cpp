// The ":name" scanner: which markers become parameters, and what the server receives.
#include "platform/pg/error.h"
#include "platform/pg/paramscanner.h"

#include <gtest/gtest.h>

namespace test_pg_params {

struct ScanCase
{
    const char *title;
    QString sql;
    QStringList names;
    QString rewritten;
    bool allowDots = false;
    bool standardStrings = true; // the session's standard_conforming_strings
};

void PrintTo(const ScanCase &c, std::ostream *os)
{
    *os << c.title;
}

const ScanCase ScanCases[] = {
    { "simple",
      QStringLiteral("SELECT * FROM t WHERE a = :id"),
      { QStringLiteral("ID") },
      QStringLiteral("SELECT * FROM t WHERE a = $1") },
    { "upper-cased, ASCII and symbols",
      QStringLiteral("x = :a_b$c#d"),
      { QStringLiteral("A_B$C#D") },
      QStringLiteral("x = $1") },
    { "repeated name bound once",
      QStringLiteral("a = :p OR b = :P OR c = :q"),
      { QStringLiteral("P"), QStringLiteral("Q") },
      QStringLiteral("a = $1 OR b = $1 OR c = $2") },
    { "full-width digits continue a name",
      QStringLiteral("x = :列１２"),
      { QStringLiteral("列１２") },
      QStringLiteral("x = $1") },
    { "Unicode letters",
      QStringLiteral("x = :顧客名 AND y = :ｶﾅ"),
      { QStringLiteral("顧客名"), QStringLiteral("ｶﾅ") },
      QStringLiteral("x = $1 AND y = $2") },
    { "other digits end a name",
      QStringLiteral("x = :a٣"),
      { QStringLiteral("A") },
      QStringLiteral("x = $1٣") },
    { "dot ends a name by default",
      QStringLiteral("x = :P1.X"),
      { QStringLiteral("P1") },
      QStringLiteral("x = $1.X") },
    { "dot continues a name where allowed",
      QStringLiteral("x = :P1.X"),
      { QStringLiteral("P1.X") },
      QStringLiteral("x = $1"),
      true },
    { "cast",
      QStringLiteral("SELECT :v::int, a::text"),
      { QStringLiteral("V") },
      QStringLiteral("SELECT $1::int, a::text") },
    { "string literal",
      QStringLiteral("SELECT ':a', 'it''s :b', :c"),
      { QStringLiteral("C") },
      QStringLiteral("SELECT ':a', 'it''s :b', $1") },
    { "escape string",
      QStringLiteral("SELECT E'\\' :a', :b"),
      { QStringLiteral("B") },
      QStringLiteral("SELECT E'\\' :a', $1") },
    { "quoted identifier",
      QStringLiteral("SELECT \"a:b\", \"x\"\":y\" FROM t WHERE c = :c"),
      { QStringLiteral("C") },
      QStringLiteral("SELECT \"a:b\", \"x\"\":y\" FROM t WHERE c = $1") },
    { "dollar quotes",
      QStringLiteral("DO $$ x := :a; $$; SELECT $f$ :b $f$, :c"),
      { QStringLiteral("C") },
      QStringLiteral("DO $$ x := :a; $$; SELECT $f$ :b $f$, $1") },
    { "line comment",
      QStringLiteral("SELECT 1 -- :a\n, :b"),
      { QStringLiteral("B") },
      QStringLiteral("SELECT 1 -- :a\n, $1") },
    { "nested block comment",
      QStringLiteral("SELECT /* :a /* :b */ :c */ :d"),
      { QStringLiteral("D") },
      QStringLiteral("SELECT /* :a /* :b */ :c */ $1") },
    { "quoted parameter name kept as written",
      QStringLiteral("x = :\"My Name\""),
      { QStringLiteral("My Name") },
      QStringLiteral("x = $1") },
    { "colon alone stays",
      QStringLiteral("SELECT arr[1 : 2], x := 1"),
      {},
      QStringLiteral("SELECT arr[1 : 2], x := 1") },
    { "array slices are no parameters",
      QStringLiteral("SELECT a[1:2], a[i:j], a[:n], a[lo:], b[i][j:k], \"q\"[x:y] FROM t "
                     "WHERE c = :c"),
      { QStringLiteral("C") },
      QStringLiteral("SELECT a[1:2], a[i:j], a[:n], a[lo:], b[i][j:k], \"q\"[x:y] FROM t "
                     "WHERE c = $1") },
    { "slice of a bracketed expression and of a parameter",
      QStringLiteral("SELECT (f(x))[i:j], :arr[1:2]"),
      { QStringLiteral("ARR") },
      QStringLiteral("SELECT (f(x))[i:j], $1[1:2]") },
    { "parameters inside an ARRAY constructor and a bracketed subscript",
      QStringLiteral("SELECT ARRAY[:a, :b], array [[:c]], x[(:i)], x[1::int:2]"),
      { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("I") },
      QStringLiteral("SELECT ARRAY[$1, $2], array [[$3]], x[($4)], x[1::int:2]") },
    { "backslash escapes a quote when standard_conforming_strings is off",
      QStringLiteral("SELECT 'a\\' :x ', :y"),
      { QStringLiteral("Y") },
      QStringLiteral("SELECT 'a\\' :x ', $1"),
      false,
      false },
    { "backslash is a plain character when standard_conforming_strings is on",
      QStringLiteral("SELECT 'a\\', :y"),
      { QStringLiteral("Y") },
      QStringLiteral("SELECT 'a\\', $1") },
    { "name of 255 characters",
      QStringLiteral("x = :") + QString(255, u'n'),
      { QString(255, u'N') },
      QStringLiteral("x = $1") },
};

class ParamScanTable : public ::testing::TestWithParam<ScanCase>
{
};

TEST_P(ParamScanTable, FindsTheMarkersOutsideLiteralsAndComments)
{
    const ScanCase &c = GetParam();
    pg::ParamScanOptions options;
    options.allowDots = c.allowDots;
    options.standardStrings = c.standardStrings;
    const pg::ParamScan scan = pg::scanParameters(c.sql, options);
    EXPECT_EQ(scan.names, c.names) << c.title;
    EXPECT_EQ(scan.rewritten, c.rewritten) << c.title;
}

INSTANTIATE_TEST_SUITE_P(Cases, ParamScanTable, ::testing::ValuesIn(ScanCases),
                         [](const ::testing::TestParamInfo<ScanCase> &info) {
                             std::string name = std::to_string(info.index) + "_";
                             for (const char *p = info.param.title; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(ParamScan, NameOf256CharactersIsRefused)
{
    const QString sql = QStringLiteral("SELECT :") + QString(256, u'x');
    try {
        pg::scanParameters(sql);
        FAIL() << "a 256-character name was accepted";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::InvalidName));
        EXPECT_EQ(e.position(), 8);
    }
}

TEST(ParamScan, SwitchedOffLeavesTheTextAlone)
{
    pg::ParamScanOptions off;
    off.enabled = false;
    const pg::ParamScan scan = pg::scanParameters(QStringLiteral("SELECT :a, ':b'"), off);
    EXPECT_TRUE(scan.names.isEmpty());
    EXPECT_EQ(scan.rewritten, QStringLiteral("SELECT :a, ':b'"));
}

TEST(ParamScan, CountsTopLevelStatements)
{
    EXPECT_EQ(pg::scanParameters(QStringLiteral("SELECT 1;")).statementCount, 1);
    EXPECT_EQ(pg::scanParameters(QStringLiteral("SELECT ';'; -- x;\n")).statementCount, 1);
    EXPECT_EQ(pg::scanParameters(QStringLiteral("SELECT 1; SELECT 2")).statementCount, 2);
    EXPECT_EQ(pg::scanParameters(QStringLiteral("DO $$ a; b; $$")).statementCount, 1);
}

TEST(ParamScan, MapsServerPositionsBackToTheTextAsWritten)
{
    // "SELECT $1 + nosuch" / "SELECT :long_name + nosuch": the server points at "nosuch"
    const pg::ParamScan scan = pg::scanParameters(QStringLiteral("SELECT :long_name + nosuch"));
    ASSERT_EQ(scan.rewritten, QStringLiteral("SELECT $1 + nosuch"));
    EXPECT_EQ(scan.sourcePosition(13), 21);
    EXPECT_EQ(scan.sourcePosition(8), 8); // inside the marker: its colon
    EXPECT_EQ(scan.sourcePosition(1), 1);
}

TEST(ParamScan, FindsTopLevelKeywords)
{
    const QString sql
        = QStringLiteral("SELECT extract(year from d), 'from', \"from\" /* from */ FROM t");
    EXPECT_EQ(pg::findTopLevelWord(sql, QLatin1String("FROM")), sql.lastIndexOf(u'F'));
    EXPECT_EQ(pg::findTopLevelWord(QStringLiteral("SELECT fromage"), QLatin1String("from")), -1);
}

TEST(ParamScan, FirstKeywordLooksPastCommentsAndBrackets)
{
    const struct
    {
        const char *sql;
        const char *keyword;
    } cases[] = {
        { "/* a /* b */ c */ COMMIT", "COMMIT" },
        { "-- note\n  end;", "END" },
        { "/* a */ -- b\n/* c */ ((select 1))", "SELECT" },
        { "  Rollback", "ROLLBACK" },
        { "/* not closed COMMIT", "" },
        { "'COMMIT'", "" },
        { "\"commit\"", "" },
        { "SELECTED", "SELECTED" },
        { "1", "" },
        { "", "" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(pg::firstKeyword(QString::fromUtf8(c.sql)), QString::fromUtf8(c.keyword))
            << c.sql;
}

TEST(ParamScan, QuotesIdentifiers)
{
    EXPECT_EQ(pg::quoteIdentifier(QStringLiteral("a")), QStringLiteral("\"a\""));
    EXPECT_EQ(pg::quoteIdentifier(QStringLiteral("say\"hi")), QStringLiteral("\"say\"\"hi\""));
    EXPECT_EQ(pg::quoteIdentifier(QString()), QStringLiteral("\"\""));
}

} // namespace test_pg_params
