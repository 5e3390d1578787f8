// Column types and privilege items as the definition windows write them, checked against the
// server's own type formatter and ACL decoder over every column and ACL of the sample schema.
#include "core/qvoption.h"
#include "core/qvtypetext.h"

#include "testserver.h"

#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

namespace typetexttest {

// The quoting option for the length of one test.
class UseLowerNameScope
{
public:
    explicit UseLowerNameScope(bool on)
        : m_previous(AppOption.UseLowerName)
    {
        AppOption.UseLowerName = on;
    }
    ~UseLowerNameScope() { AppOption.UseLowerName = m_previous; }

private:
    bool m_previous;
};

constexpr int numericMod(int precision, int scale)
{
    return ((precision << 16) | (scale & 0x7FF)) + 4;
}

struct TypeCase
{
    const char *typeName;
    int typMod;
    const char *modText; // GetTypModText
    const char *fullText; // GetTypeNameWithTypMod, option off
};

const TypeCase typeCases[] = {
    { "character varying", 54, "50", "character varying(50)" },
    { "character varying[]", 24, "20", "character varying(20)[]" },
    { "character", 9, "5", "character(5)" },
    { "character varying", -1, "", "character varying" },
    { "character", -1, "", "bpchar" },
    { "character[]", -1, "", "bpchar[]" },
    { "numeric", 655366, "10,2", "numeric(10,2)" },
    { "numeric", 655364, "10", "numeric(10,0)" },
    { "numeric", numericMod(5, -2), "5,-2", "numeric(5,-2)" },
    { "numeric", numericMod(3, 5), "3,5", "numeric(3,5)" },
    { "numeric", numericMod(1000, -1000), "1000,-1000", "numeric(1000,-1000)" },
    { "numeric[]", numericMod(8, 3), "8,3", "numeric(8,3)[]" },
    { "numeric", -1, "", "numeric" },
    { "bit", 8, "8", "bit(8)" },
    { "bit", -1, "", "\"bit\"" },
    { "bit varying", 16, "16", "bit varying(16)" },
    { "bit[]", 4, "4", "bit(4)[]" },
    { "timestamp without time zone", 3, "3", "timestamp(3) without time zone" },
    { "timestamp with time zone[]", 0, "0", "timestamp(0) with time zone[]" },
    { "time with time zone", 6, "6", "time(6) with time zone" },
    { "interval", 0x10000002, "2", "interval SECOND (2)" },
    { "interval", 0x7FFF0004, "4", "interval (4)" },
    { "interval", 0x1C080003, "3", "interval DAY TO SECOND (3)" },
    { "interval", 0x1C080000, "0", "interval DAY TO SECOND (0)" },
    { "interval", 0x0006FFFF, "", "interval YEAR TO MONTH" },
    { "interval", 0x0400FFFF, "", "interval HOUR" },
    { "interval[]", 0x18000003, "3", "interval MINUTE TO SECOND (3)[]" },
    { "interval", 0x04000003, "", "interval" }, // HOUR takes no precision: not a server value
    { "integer", -1, "", "integer" },
    { "double precision", -1, "", "double precision" },
    { "\"char\"", -1, "", "\"char\"" },
};

TEST(TypeText, ModifierAndFullText)
{
    const UseLowerNameScope option(false);
    for (const TypeCase &c : typeCases) {
        SCOPED_TRACE(std::string(c.typeName) + " " + std::to_string(c.typMod));
        EXPECT_EQ(GetTypModText(c.typeName, c.typMod), QString::fromUtf8(c.modText));
        EXPECT_EQ(GetTypeNameWithTypMod(c.typeName, c.typMod), QString::fromUtf8(c.fullText));
    }
}

TEST(TypeText, IntervalQualifier)
{
    const struct
    {
        const char *typeName;
        int typMod;
        const char *expected;
    } cases[] = {
        { "interval[]", 0x0006FFFF, "interval YEAR TO MONTH[]" },
        { "interval", 0x1C080003, "interval DAY TO SECOND" },
        { "interval", 0x7FFF0004, "interval" },
        { "interval", -1, "interval" },
        { "interval", 0x0C08FFFF, "interval DAY TO MINUTE" },
        { "interval", 0x12345678, "interval" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(GetIntervalTypeText(c.typeName, c.typMod), QString::fromUtf8(c.expected))
            << c.typeName << " " << c.typMod;
}

TEST(TypeText, UserTypeNamesKeepTheirQuotesPerPart)
{
    const struct
    {
        const char *typeName;
        const char *optionOff;
        const char *optionOn;
    } cases[] = {
        { "ext.\"Geo.Point\"", "ext.\"Geo.Point\"", "\"ext\".\"Geo.Point\"" },
        { "ext.\"say\"\"hi\"", "ext.\"say\"\"hi\"", "\"ext\".\"say\"\"hi\"" },
        { "\"My Schema\".\"Amount\"[]", "\"My Schema\".\"Amount\"[]",
          "\"My Schema\".\"Amount\"[]" },
        { "inv.dimension", "inv.dimension", "\"inv\".\"dimension\"" },
        { "dimension", "dimension", "\"dimension\"" },
        { "character varying", "character varying", "character varying" },
        { "timestamp with time zone[]", "timestamp with time zone[]",
          "timestamp with time zone[]" },
    };
    for (const auto &c : cases) {
        {
            const UseLowerNameScope option(false);
            EXPECT_EQ(GetTypeNameWithTypMod(c.typeName, -1), QString::fromUtf8(c.optionOff))
                << c.typeName;
        }
        const UseLowerNameScope option(true);
        EXPECT_EQ(GetTypeNameWithTypMod(c.typeName, -1), QString::fromUtf8(c.optionOn))
            << c.typeName;
    }
}

TEST(TypeText, ColumnLength)
{
    const QVariant null;
    EXPECT_EQ(GetColumnLengthText("character varying", 50, null, null), "50");
    EXPECT_EQ(GetColumnLengthText("numeric", null, 12, null), "12");
    EXPECT_EQ(GetColumnLengthText("numeric", null, 12, 0), "12,0");
    EXPECT_EQ(GetColumnLengthText("numeric[]", null, 5, -2), "5,-2");
    EXPECT_EQ(GetColumnLengthText("numeric", null, null, 2), "");
    EXPECT_EQ(GetColumnLengthText("bit varying", null, 16, null), "16");
    EXPECT_EQ(GetColumnLengthText("interval DAY TO SECOND", null, 3, null), "3");
    EXPECT_EQ(GetColumnLengthText("interval", null, null, null), "");
    EXPECT_EQ(GetColumnLengthText("integer", 4, 32, 0), "");
}

struct AclCase
{
    const char *item;
    const char *grantee;
    const char *privileges;
    const char *grantor;
};

TEST(AclItem, SplitsAtTheLastSeparatorsOutsideQuotes)
{
    const AclCase cases[] = {
        { "=r/owner", "public", "r", "owner" },
        { "alice=arw/owner", "alice", "arw", "owner" },
        { "alice=a*r*/bob", "alice", "a*r*", "bob" },
        { "\"a=b\"=r/owner", "a=b", "r", "owner" },
        { "\"x/y\"=r/\"p/q=r\"", "x/y", "r", "p/q=r" },
        { "\"say \"\"hi\"\"\"=U/\"o\"\"w\"", "say \"hi\"", "U", "o\"w" },
        { "reader=r/\"corvane_odd/name=1\"", "reader", "r", "corvane_odd/name=1" },
        { "r/owner", "public", "r", "owner" },
        { "", "public", "", "" },
    };
    for (const AclCase &c : cases) {
        SCOPED_TRACE(c.item);
        const AclItemParts parts = SplitAclItem(QString::fromUtf8(c.item));
        EXPECT_EQ(parts.grantee, QString::fromUtf8(c.grantee));
        EXPECT_EQ(parts.privileges, QString::fromUtf8(c.privileges));
        EXPECT_EQ(parts.grantor, QString::fromUtf8(c.grantor));

        // The owner passed in does not move the cut: an item granted by another role splits
        // by its own grantor.
        QString grantee = "stale", privileges = "stale";
        ParseAclItem(QString::fromUtf8(c.item), "owner_with_a_long_name", grantee, privileges);
        EXPECT_EQ(grantee, QString::fromUtf8(c.grantee));
        EXPECT_EQ(privileges, QString::fromUtf8(c.privileges));
    }
}

// Rows of the server's answer, the columns joined by the unit separator.
QList<QStringList> queryRows(const testsupport::TestDatabase &db, const QString &sql)
{
    QList<QStringList> rows;
    for (const QString &line : testsupport::queryColumn(db.conninfo(), sql))
        rows << line.split(QChar(0x1F));
    return rows;
}

constexpr const char *fixtureColumnsSql = R"(
SELECT concat_ws(E'\x1f', n.nspname || '.' || c.relname || '.' || a.attname,
                 format_type(a.atttypid, NULL), a.atttypmod, format_type(a.atttypid, a.atttypmod))
  FROM pg_attribute a
  JOIN pg_class c ON c.oid = a.attrelid
  JOIN pg_namespace n ON n.oid = c.relnamespace
 WHERE n.nspname IN ('sales', 'inv', 'ext')
   AND c.relkind IN ('r', 'p', 'v', 'm', 'f', 'c')
   AND a.attnum > 0 AND NOT a.attisdropped
 ORDER BY c.oid, a.attnum
)";

// The server spells interval qualifiers in lower case with the precision right after them;
// the definition windows write them in capitals with a blank before the precision.
QString serverSpelling(QString text)
{
    if (!text.startsWith("interval"))
        return text;
    text = text.toLower();
    text.replace(" (", "(");
    return text;
}

TEST(TypeText, EveryFixtureColumnMatchesTheServersFormatter)
{
    const testsupport::TestDatabase db;
    const UseLowerNameScope option(false);
    const QList<QStringList> columns = queryRows(db, fixtureColumnsSql);
    ASSERT_GT(columns.size(), 80);
    QSet<QString> decoded;
    for (const QStringList &col : columns) {
        ASSERT_EQ(col.size(), 4);
        const QString ours = GetTypeNameWithTypMod(col[1], col[2].toInt());
        EXPECT_EQ(serverSpelling(ours), col[3]) << col[0].toStdString();
        decoded << col[3];
    }
    // The sample holds the modifiers the decoder has to get right.
    for (const char *type :
         { "numeric(5,-2)", "numeric(3,5)", "bpchar", "\"bit\"", "interval day to second(0)",
           "ext.\"Geo.Point\"[]", "ext.\"say\"\"hi\"", "interval minute to second(3)[]" })
        EXPECT_TRUE(decoded.contains(type)) << type;
}

// The texts the windows write make the server create columns of exactly the same types, with
// either quoting option.
TEST(TypeText, WrittenTypesRoundTripThroughTheServer)
{
    const testsupport::TestDatabase db;
    const QList<QStringList> columns = queryRows(db, fixtureColumnsSql);
    for (const bool useLowerName : { false, true }) {
        SCOPED_TRACE(useLowerName ? "UseLowerName on" : "UseLowerName off");
        const UseLowerNameScope option(useLowerName);
        QStringList definitions;
        for (int i = 0; i < columns.size(); ++i)
            definitions << QStringLiteral("c%1 %2").arg(i).arg(
                GetTypeNameWithTypMod(columns[i][1], columns[i][2].toInt()));
        const QStringList created = testsupport::queryColumn(
            db.conninfo(),
            QStringLiteral("CREATE TEMP TABLE written (%1);"
                           "SELECT format_type(atttypid, atttypmod) FROM pg_attribute"
                           " WHERE attrelid = 'written'::regclass AND attnum > 0 ORDER BY attnum")
                .arg(definitions.join(", ")));
        ASSERT_EQ(created.size(), columns.size());
        for (int i = 0; i < columns.size(); ++i)
            EXPECT_EQ(created[i], columns[i][3]) << columns[i][0].toStdString();
    }
}

// Every ACL item of the sample split by the routine agrees with the server's aclexplode.
TEST(AclItem, EveryFixtureItemMatchesTheServer)
{
    const testsupport::TestDatabase db;
    const QList<QStringList> items = queryRows(db, R"(
WITH acl AS (
    SELECT relacl AS acl FROM pg_class
     WHERE relnamespace IN ('inv'::regnamespace, 'ext'::regnamespace, 'sales'::regnamespace)
    UNION ALL
    SELECT proacl FROM pg_proc WHERE pronamespace = 'inv'::regnamespace
    UNION ALL
    SELECT nspacl FROM pg_namespace WHERE nspname IN ('inv', 'ext')
), item AS (
    SELECT DISTINCT unnest(acl) AS item FROM acl WHERE acl IS NOT NULL
)
SELECT concat_ws(E'\x1f', item::text,
                 COALESCE(grantee.rolname, 'public'), grantor.rolname,
                 string_agg(x.privilege_type || CASE WHEN x.is_grantable THEN '*' ELSE '' END,
                            ',' ORDER BY x.privilege_type))
  FROM item
 CROSS JOIN LATERAL aclexplode(ARRAY[item]) AS x
  LEFT JOIN pg_roles AS grantee ON grantee.oid = x.grantee
  LEFT JOIN pg_roles AS grantor ON grantor.oid = x.grantor
 GROUP BY item::text, grantee.rolname, grantor.rolname
 ORDER BY 1
)");
    const QMap<QChar, QString> letters = {
        { 'a', "INSERT" },   { 'r', "SELECT" },     { 'w', "UPDATE" },  { 'd', "DELETE" },
        { 'D', "TRUNCATE" }, { 'x', "REFERENCES" }, { 't', "TRIGGER" }, { 'X', "EXECUTE" },
        { 'U', "USAGE" },    { 'C', "CREATE" },     { 'c', "CONNECT" }, { 'T', "TEMPORARY" },
    };
    ASSERT_GE(items.size(), 10);
    QSet<QString> grantees, grantors;
    for (const QStringList &row : items) {
        SCOPED_TRACE(row[0].toStdString());
        const AclItemParts parts = SplitAclItem(row[0]);
        EXPECT_EQ(parts.grantee, row[1]);
        EXPECT_EQ(parts.grantor, row[2]);
        QStringList privileges;
        for (qsizetype i = 0; i < parts.privileges.size(); ++i) {
            const bool grantable
                = i + 1 < parts.privileges.size() && parts.privileges.at(i + 1) == u'*';
            privileges << letters.value(parts.privileges.at(i), "?") + (grantable ? "*" : "");
            if (grantable)
                ++i;
        }
        privileges.sort();
        EXPECT_EQ(privileges.join(','), row[3]);
        grantees << parts.grantee;
        grantors << parts.grantor;
    }
    // The sample's items that a cut by the owner's name would get wrong are among them.
    EXPECT_TRUE(grantees.contains("corvane Auditor"));
    EXPECT_TRUE(grantees.contains("public"));
    EXPECT_TRUE(grantors.contains("corvane_writer"));
    EXPECT_TRUE(grantors.contains("corvane_odd/name=1"));
}

} // namespace typetexttest
