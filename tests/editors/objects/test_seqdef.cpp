// The sequence statements written from the window's values, without a window or a server.
#include "core/qvname.h"
#include "core/qvoption.h"
#include "editors/objects/seqdef.h"

#include <gtest/gtest.h>

#include <functional>

namespace seqdeftest {

TSequenceState ascending()
{
    TSequenceState s;
    s.Schema = QStringLiteral("public");
    s.Name = QStringLiteral("s_asc");
    s.LastNo = QStringLiteral("3");
    s.Min = QStringLiteral("1");
    s.Max = QStringLiteral("9223372036854775807");
    s.Inc = QStringLiteral("1");
    s.Cache = QStringLiteral("1");
    return s;
}

QString seqName()
{
    return QuoteName(QStringLiteral("public")) + '.' + QuoteName(QStringLiteral("s_asc"));
}

struct DeriveCase
{
    const char *name;
    const char *min;
    const char *max;
    const char *inc;
    bool noMin;
    bool noMax;
};

TEST(SequenceDefinition, UnlimitedRangeIsDerivedFromBoundsAndIncrement)
{
    const DeriveCase cases[] = {
        { "ascending default", "1", "9223372036854775807", "1", true, true },
        { "ascending to 1000", "1", "1000", "1", true, false },
        { "ascending from 5", "5", "9223372036854775807", "2", false, true },
        { "descending default", "-9223372036854775808", "-1", "-1", true, true },
        { "descending bounded", "-100", "-1", "-1", false, true },
        { "descending from -2", "-9223372036854775807", "-2", "-1", true, false },
        { "increment not a 32-bit integer", "1", "9223372036854775807", "3000000000", false,
          false },
    };
    for (const DeriveCase &c : cases) {
        TSequenceRow row;
        row.MinValue = c.min;
        row.MaxValue = c.max;
        row.Increment = c.inc;
        row.Cache = QStringLiteral("0");
        const TSequenceState s = SequenceStateFromRow("public", "s", row);
        EXPECT_EQ(s.NoMin, c.noMin) << c.name;
        EXPECT_EQ(s.NoMax, c.noMax) << c.name;
        EXPECT_TRUE(s.Cache.isEmpty()) << c.name;
    }
}

struct ChangeCase
{
    const char *name;
    std::function<void(TSequenceState &)> edit;
    QStringList clauses; // between the ALTER line and ";"; empty: no ALTER
    QString setValue;
};

TEST(SequenceDefinition, ChangesOfTheControlsGiveTheirClauses)
{
    const ChangeCase cases[] = {
        { "nothing", [](TSequenceState &) {}, {}, {} },
        { "cycle only", [](TSequenceState &s) { s.Cycle = true; }, { "CYCLE " }, {} },
        { "cycle off", [](TSequenceState &s) { s.Cycle = false; }, {}, {} },
        { "cache cleared", [](TSequenceState &s) { s.Cache.clear(); }, { "CACHE 1" }, {} },
        { "cache 20", [](TSequenceState &s) { s.Cache = "20"; }, { "CACHE 20" }, {} },
        { "increment", [](TSequenceState &s) { s.Inc = "5"; }, { "INCREMENT 5" }, {} },
        { "increment emptied", [](TSequenceState &s) { s.Inc.clear(); }, {}, {} },
        { "maximum 1000",
          [](TSequenceState &s) {
              s.NoMax = false;
              s.Max = "1000";
          },
          { "MAXVALUE 1000" },
          {} },
        { "unticking NoMaxValue alone", [](TSequenceState &s) { s.NoMax = false; }, {}, {} },
        { "minimum",
          [](TSequenceState &s) {
              s.NoMin = false;
              s.Min = "-5";
          },
          { "MINVALUE -5" },
          {} },
        { "last value", [](TSequenceState &s) { s.LastNo = "42"; }, {}, "42" },
        { "last value emptied", [](TSequenceState &s) { s.LastNo.clear(); }, {}, {} },
        { "last value and increment",
          [](TSequenceState &s) {
              s.LastNo = "42";
              s.Inc = "2";
          },
          { "INCREMENT 2" },
          "42" },
        { "owned by a column",
          [](TSequenceState &s) {
              s.OwnedNone = false;
              s.OwnedTable = "Orders";
              s.OwnedColumn = "id";
          },
          { "OWNED BY " + QuoteName("public") + '.' + QuoteName("Orders") + '.' + QuoteName("id") },
          {} },
        { "everything in order",
          [](TSequenceState &s) {
              s.Inc = "3";
              s.NoMax = false;
              s.Max = "99";
              s.NoMin = false;
              s.Min = "2";
              s.Cycle = true;
              s.Cache = "4";
          },
          { "INCREMENT 3", "MAXVALUE 99", "MINVALUE 2", "CYCLE ", "CACHE 4" },
          {} },
    };
    for (const ChangeCase &c : cases) {
        const TSequenceState loaded = ascending();
        TSequenceState now = loaded;
        c.edit(now);
        const TSequenceChange change = SequenceChange(loaded, now, false, "public.");
        QStringList expected;
        if (!c.clauses.isEmpty())
            expected << "ALTER SEQUENCE " + seqName() << c.clauses << ";";
        EXPECT_EQ(change.Script, expected) << c.name;
        EXPECT_EQ(change.SetValue, c.setValue) << c.name;
        EXPECT_FALSE(change.Script.join('\n').contains("DROP")) << c.name;
    }
}

TEST(SequenceDefinition, OwnedByNoneAgainAndTheLoadedOwner)
{
    TSequenceState loaded = ascending();
    loaded.OwnedNone = false;
    loaded.OwnedTable = "t";
    loaded.OwnedColumn = "id";
    TSequenceState now = loaded;
    now.OwnedNone = true;
    EXPECT_EQ(SequenceAlterScript(loaded, now),
              QStringList({ "ALTER SEQUENCE " + seqName(), "OWNED BY NONE", ";" }));
    EXPECT_TRUE(SequenceAlterScript(loaded, loaded).isEmpty());
}

TEST(SequenceDefinition, NewSequenceIsCreatedAndSetToItsInitialValue)
{
    TSequenceState s = ascending();
    s.LastNo = "5";
    s.Cycle = true;
    s.Cache.clear();
    const TSequenceChange change = SequenceChange(TSequenceState(), s, true, "p.");
    EXPECT_EQ(change.Script,
              QStringList({ "CREATE SEQUENCE p." + QuoteName("s_asc"), "INCREMENT 1", "START 5",
                            "NO MAXVALUE", "NO MINVALUE", "CYCLE ", "OWNED BY NONE", ";" }));
    EXPECT_EQ(change.SetValue, "5");
}

TEST(SequenceDefinition, ScriptStartsAtTheStartAndGoesOnAfterTheLastValueUsed)
{
    TSequenceState s = ascending();
    s.LastNo = "3";
    s.NoMax = false;
    s.Max = "2147483647";
    TSequenceCatalog used { "integer", "1", true };
    const QString target = QuoteName("public") + '.' + QuoteName("s_asc");
    EXPECT_EQ(
        SequenceScript(s, used, QuoteName("public") + '.'),
        QStringList({ "CREATE SEQUENCE " + target, "AS integer", "INCREMENT 1", "START 1",
                      "MAXVALUE 2147483647", "NO MINVALUE", "NO CYCLE ", "CACHE 1", "OWNED BY NONE",
                      ";", "SELECT setval(" + QuoteLiteral(target) + ", 3, true)", ";" }));
    // never used: the start only, no setval; bigint is the default type
    TSequenceCatalog never { "bigint", "7", false };
    s.LastNo.clear();
    const QStringList fresh = SequenceScript(s, never, QString());
    EXPECT_TRUE(fresh.contains("START 7"));
    EXPECT_FALSE(fresh.join('\n').contains("setval"));
    EXPECT_FALSE(fresh.join('\n').contains("AS "));
    // a name with an apostrophe stays one literal
    TSequenceState odd = ascending();
    odd.Name = "it's";
    const QStringList lines = SequenceScript(odd, used, QString());
    EXPECT_EQ(lines.at(lines.size() - 2),
              "SELECT setval(" + QuoteLiteral(QuoteName("it's")) + ", 3, true)");
}

TEST(SequenceDefinition, StateQueryPerServerVersion)
{
    EXPECT_EQ(SequenceStateSQL(90600, "public", "it's"),
              "SELECT last_value, min_value, max_value, increment_by, is_cycled, cache_value, "
              "start_value, '' AS data_type, is_called FROM "
                  + QuoteName("public") + "." + QuoteName("it's"));
    EXPECT_FALSE(SequenceStateSQLBinds(90600));
    EXPECT_TRUE(SequenceStateSQLBinds(100000));
    const QString v10 = SequenceStateSQL(100000, "public", "it's");
    EXPECT_TRUE(v10.contains("FROM pg_sequences WHERE schemaname = $1 AND sequencename = $2"));
    EXPECT_FALSE(v10.contains("it's"));
    EXPECT_EQ(SequenceDropScript(ascending()), QStringList({ "DROP SEQUENCE " + seqName(), ";" }));
}

} // namespace seqdeftest
