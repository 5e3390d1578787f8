// Column reading and the rules every column gets before the user changes anything.
#include "datagentest.h"

using datagentest::DataGenTest;

namespace {

struct DefaultRuleCase
{
    const char *schema;
    const char *table;
    const char *column;
    TSetType kind;
    const char *linkColumn; // stMaster: the master column
};

const DefaultRuleCase defaultRuleCases[] = {
    // a key of a number type counts from 1; a key of a text type is zero-padded
    { "datagen", "child", "child_id", stSeqNum, "" },
    { "datagen", "child", "code2", stSeqNum, "" }, // the unique constraint that sorts last
    // the single-column foreign key makes its table the master: the key column and the
    // columns that the master has too take the master row's value
    { "datagen", "child", "parent_id", stMaster, "parent_id" },
    { "datagen", "child", "name", stMaster, "name" },
    { "datagen", "child", "amount", stRandNum, "" },
    { "datagen", "child", "born_on", stNone, "" },
    { "datagen", "child", "starts_at", stRandDate, "" },
    { "datagen", "child", "stamp", stRandDate, "" },
    { "datagen", "child", "note", stRandStr, "" },
    { "datagen", "child", "flag", stNone, "" }, // boolean: no rule even with a default
    { "datagen", "child", "serial_no", stVar, "" },
    { "datagen", "child", "label", stRandStr, "" }, // unique, but not the constraint that counts
    // each key takes the sequence kind its type offers
    { "datagen", "by_time", "at", stSeqTime, "" },
    { "datagen", "by_time", "ts", stSeqDtTm, "" },
    { "datagen", "by_date", "d", stSeqDate, "" },
    { "datagen", "by_date", "qty", stRandNum, "" },
    { "datagen", "pair", "id", stSeqNum, "" },
    { "datagen", "pair", "code", stRandStr, "" }, // a two-column key chooses no master
    { "datagen", "parent", "parent_id", stVar, "" },
    { "datagen", "parent", "name", stSeqNum, "" },
    // a master in another schema behind a unique index
    { "datagen", "shop", "region_id", stMaster, "region_id" },
    { "datagen", "shop", "name", stMaster, "name" },
    { "datagen", "shop", "shop_id", stSeqNum, "" },
    { "datagen", "big", "id", stSeqNum, "" },
};

} // namespace

TEST_F(DataGenTest, DefaultRulesOfTheSampleTables)
{
    for (const DefaultRuleCase &c : defaultRuleCases) {
        SCOPED_TRACE(QStringLiteral("%1.%2.%3").arg(c.schema, c.table, c.column).toStdString());
        load(c.schema, c.table);
        const TColParams &r = rule(c.column);
        EXPECT_EQ(SetTypeCaptions.at(r.SetType), SetTypeCaptions.at(c.kind));
        EXPECT_EQ(r.LinkColumn, QString::fromUtf8(c.linkColumn));
    }
}

TEST_F(DataGenTest, KeyRulesStartWhereTheirKindStarts)
{
    load("datagen", "child");
    EXPECT_EQ(rule("child_id").NumFrom, 1);
    EXPECT_EQ(rule("child_id").Marume, 1);
    EXPECT_FALSE(rule("child_id").StrFull);
    EXPECT_TRUE(rule("code2").StrFull);
    EXPECT_TRUE(rule("serial_no").Variable.join("").startsWith("nextval("));
    load("datagen", "by_time");
    const QDateTime now = DataGenNow();
    EXPECT_LE(qAbs(rule("at").DateFrom.secsTo(now)), 60);
    EXPECT_LE(qAbs(rule("ts").DateFrom.secsTo(now)), 60);
}

TEST_F(DataGenTest, ColumnsTypesAndKeysAreReadFromTheCatalog)
{
    load("datagen", "child");
    QStringList names;
    for (const TColParams &r : gen.DataGenColumns)
        names << r.ColumnName;
    // the dropped column is no column of the table
    EXPECT_EQ(names,
              QStringList({ "child_id", "parent_id", "name", "amount", "born_on", "starts_at",
                            "stamp", "note", "flag", "serial_no", "label", "code2" }));
    EXPECT_EQ(rule("label").Length, 20);
    EXPECT_EQ(rule("label").Scale, 0);
    EXPECT_TRUE(rule("label").CharUsed);
    EXPECT_EQ(rule("label").TypeText, "character varying(20)");
    EXPECT_EQ(rule("amount").Length, 10);
    EXPECT_EQ(rule("amount").Scale, 2);
    EXPECT_FALSE(rule("amount").CharUsed);
    EXPECT_EQ(rule("child_id").Length, 0);
    EXPECT_EQ(rule("note").Length, 0);
    EXPECT_TRUE(rule("amount").NotNull);
    EXPECT_FALSE(rule("note").NotNull);
    EXPECT_EQ(gen.FPrimary, QStringList({ "child_id" }));
    EXPECT_EQ(gen.FUnique, QStringList({ "code2" }));
    EXPECT_EQ(gen.FForeign1, QStringList({ "parent_id" }));
    EXPECT_EQ(gen.FForeign2, QStringList({ "parent_id" }));
    EXPECT_TRUE(gen.Mode == TDataGenMode::Master);
    EXPECT_EQ(gen.MasterSchema, "datagen");
    EXPECT_EQ(gen.MasterTable, "parent");
    EXPECT_EQ(gen.MasterColumns, QStringList({ "parent_id", "code", "name" }));

    load("datagen", "shop");
    EXPECT_EQ(gen.MasterSchema, "datagen_master");
    EXPECT_EQ(gen.MasterTable, "region");
    EXPECT_EQ(gen.FForeign2, QStringList({ "region_id" }));

    load("datagen", "pair");
    EXPECT_TRUE(gen.Mode == TDataGenMode::Normal);
    EXPECT_TRUE(gen.FForeign1.isEmpty());
    EXPECT_TRUE(gen.FForeign2.isEmpty());
}

TEST_F(DataGenTest, StatementsNameEveryColumnThatHasARule)
{
    load("datagen", "plain");
    rule("qty").SetType = stNone;
    rule("label").SetType = stVar;
    rule("label").Variable = { "upper('x'),", "" };
    EXPECT_EQ(
        gen.BuildInsertSQL().toStdString(),
        R"(INSERT INTO "datagen"."plain"("id", "label", "note") VALUES (:COL0, upper('x'), :COL3))");
    EXPECT_EQ(gen.BuildUpdateSQL().toStdString(),
              R"(UPDATE "datagen"."plain" SET "label" = upper('x'), "note" = :COL3)");
}
