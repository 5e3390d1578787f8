// The storage parameters of a relation against the fixture's tables: read with their exact
// text, written back into a CREATE clause that reproduces them, turned into SET / RESET
// statements that follow the values, and parents found by the child's oid.
#include "editorstest.h"

#include "core/qvobjtype.h"
#include "editors/tables/rstorage.h"
#include "platform/pg/connection.h"
#include "ui/qvforms.h"

#include <QLineEdit>

#include <algorithm>

using editorstest::EditorTest;

namespace storagetest {

class StorageOptions : public EditorTest
{
protected:
    pg::Connection &connection() { return *conn->dbsMain(); }
    TRelationStorage load(const QString &schema, const QString &name)
    {
        return LoadRelationStorage(connection(), schema, name);
    }
    void run(const QStringList &lines) { editorstest::runScriptLines(connection(), lines); }
};

TEST(StorageOptionText, SplitAtFirstEqualSign)
{
    const struct
    {
        QString element;
        TStorageOption option;
    } cases[] = {
        { "autovacuum_vacuum_cost_delay=2.5", { "autovacuum_vacuum_cost_delay", "2.5" } },
        { "autovacuum_vacuum_scale_factor=1", { "autovacuum_vacuum_scale_factor", "1" } },
        { "autovacuum_vacuum_insert_threshold=-1", { "autovacuum_vacuum_insert_threshold", "-1" } },
        { "autovacuum_enabled=false", { "autovacuum_enabled", "false" } },
        { "odd=a=b", { "odd", "a=b" } },
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseStorageOption(c.element), c.option) << c.element.toStdString();
}

TEST(StorageOptionText, WithClauseAndAlter)
{
    const TStorageOptions rel
        = { { "autovacuum_enabled", "false" }, { "autovacuum_vacuum_cost_delay", "2.5" } };
    const TStorageOptions toast = { { "autovacuum_vacuum_threshold", "200" } };
    EXPECT_EQ(StorageWithClause(rel, toast),
              QStringList({ "WITH (", "    AUTOVACUUM_ENABLED = false,",
                            "    AUTOVACUUM_VACUUM_COST_DELAY = 2.5,",
                            "    TOAST.AUTOVACUUM_VACUUM_THRESHOLD = 200", ")" }));
    EXPECT_TRUE(StorageWithClause({}, {}).isEmpty());
    // unchanged values write nothing at all: no SET, no stray RESET
    EXPECT_TRUE(StorageAlterSource("ALTER TABLE s.t", rel, toast, rel, toast).isEmpty());
    const TStorageOptions changed = { { "autovacuum_enabled", "true" } };
    EXPECT_EQ(StorageAlterSource("ALTER TABLE s.t", rel, toast, changed, {}),
              QStringList({ "ALTER TABLE s.t SET (", "    AUTOVACUUM_ENABLED = true", ")", ";",
                            "ALTER TABLE s.t RESET (", "    AUTOVACUUM_VACUUM_COST_DELAY,",
                            "    TOAST.AUTOVACUUM_VACUUM_THRESHOLD", ")", ";" }));
    // a value that is no word or number goes out as a literal
    EXPECT_EQ(StorageWithClause({ { "k", "a b" } }, {}),
              QStringList({ "WITH (", "    K = 'a b'", ")" }));
}

TEST_F(StorageOptions, ReadsExactText)
{
    const TRelationStorage tuned = load("idx", "tuned");
    ASSERT_TRUE(tuned.Found);
    EXPECT_FALSE(tuned.IsTemporary());
    EXPECT_EQ(tuned.Persistence, QLatin1Char('p'));
    EXPECT_TRUE(tuned.HasToast);
    EXPECT_EQ(tuned.Options,
              TStorageOptions({ { "autovacuum_enabled", "false" },
                                { "autovacuum_vacuum_threshold", "100" },
                                { "autovacuum_analyze_threshold", "50" },
                                { "autovacuum_vacuum_scale_factor", "1" },
                                { "autovacuum_analyze_scale_factor", "0.05" },
                                { "autovacuum_vacuum_cost_delay", "2.5" },
                                { "autovacuum_vacuum_insert_threshold", "-1" } }));
    EXPECT_EQ(tuned.ToastOptions,
              TStorageOptions({ { "autovacuum_enabled", "false" },
                                { "autovacuum_vacuum_threshold", "200" },
                                { "autovacuum_vacuum_cost_delay", "2.5" } }));
    EXPECT_FALSE(load("idx", "no_such_table").Found);
}

TEST_F(StorageOptions, CreateClauseReproducesOptions)
{
    const TRelationStorage tuned = load("idx", "tuned");
    QStringList create = { "CREATE TABLE idx.tuned_copy (id integer, body text)" };
    create << StorageWithClause(tuned.Options, tuned.ToastOptions);
    run(create);
    const TRelationStorage copy = load("idx", "tuned_copy");
    EXPECT_EQ(copy.Options, tuned.Options);
    EXPECT_EQ(copy.ToastOptions, tuned.ToastOptions);
    EXPECT_EQ(query("SELECT reloptions::text FROM pg_class WHERE oid = 'idx.tuned_copy'::regclass"),
              query("SELECT reloptions::text FROM pg_class WHERE oid = 'idx.tuned'::regclass"));
}

TEST_F(StorageOptions, AlterTurnsOldIntoNew)
{
    const TRelationStorage tuned = load("idx", "tuned");
    TStorageOptions options = tuned.Options;
    options.removeAt(1); // vacuum threshold reset
    options[0].Value = QStringLiteral("true");
    options << TStorageOption { "autovacuum_freeze_min_age", "1000000" };
    TStorageOptions toast = tuned.ToastOptions;
    toast.removeLast();
    const QStringList alter = StorageAlterSource("ALTER TABLE idx.tuned", tuned.Options,
                                                 tuned.ToastOptions, options, toast);
    EXPECT_EQ(alter.count(QStringLiteral(";")), 2);
    run(alter);
    const TRelationStorage after = load("idx", "tuned");
    EXPECT_EQ(after.ToastOptions, toast);
    // the server keeps SET values at the end of the array: compare as sets
    TStorageOptions expected = options;
    TStorageOptions got = after.Options;
    const auto byKey
        = [](const TStorageOption &a, const TStorageOption &b) { return a.Key < b.Key; };
    std::sort(expected.begin(), expected.end(), byKey);
    std::sort(got.begin(), got.end(), byKey);
    EXPECT_EQ(got, expected);
}

TEST_F(StorageOptions, TemporaryTableFoundByPersistence)
{
    connection().exec(
        "CREATE TEMPORARY TABLE scratch (id integer) WITH (autovacuum_enabled = false)");
    connection().exec("CREATE UNLOGGED TABLE idx.quick (id integer)");
    const QString tempSchema
        = connection()
              .exec("SELECT nspname FROM pg_namespace WHERE oid = pg_my_temp_schema()")
              .text(0, 0);
    const TRelationStorage scratch = load(tempSchema, "scratch");
    ASSERT_TRUE(scratch.Found);
    EXPECT_TRUE(scratch.IsTemporary());
    EXPECT_EQ(scratch.Options, TStorageOptions({ { "autovacuum_enabled", "false" } }));
    const TRelationStorage quick = load("idx", "quick");
    EXPECT_FALSE(quick.IsTemporary());
    EXPECT_EQ(quick.Persistence, QLatin1Char('u'));
}

TEST_F(StorageOptions, SameNamedChildrenKeepTheirOwnParents)
{
    EXPECT_EQ(LoadParentTables(connection(), "idx", "child"), QStringList({ "idx.base_a" }));
    EXPECT_EQ(LoadParentTables(connection(), "public", "child"), QStringList({ "idx.base_b" }));
    EXPECT_TRUE(LoadParentTables(connection(), "idx", "tuned").isEmpty());
}

TEST_F(StorageOptions, FrameRoundTripsAndWritesOnlyChanges)
{
    TqvForm host(conn.get());
    host.setObjType(ObjType::Table);
    TfraStorage frame(&host, &host);
    frame.Init("idx", "tuned");
    frame.ShowDefine();
    frame.Save();
    const TRelationStorage tuned = load("idx", "tuned");
    EXPECT_TRUE(frame.chkAutoVacuum->isChecked());
    EXPECT_EQ(frame.chkEnabled->checkState(), Qt::Unchecked);
    EXPECT_EQ(frame.findChild<QLineEdit *>("txtVaccumDelay")->text(), "2.5");
    EXPECT_EQ(frame.findChild<QLineEdit *>("txtVacuumFactor")->text(), "1");
    EXPECT_EQ(frame.findChild<QLineEdit *>("txtToastVacuumThreshold")->text(), "200");
    EXPECT_EQ(frame.CurrentOptions(false), tuned.Options);
    EXPECT_EQ(frame.CurrentOptions(true), tuned.ToastOptions);

    // the CREATE clause gives a copy the same reloptions
    QStringList create = { "CREATE TABLE idx.frame_copy (id integer, body text)" };
    frame.GetSourceCreate(create);
    run(create);
    EXPECT_EQ(query("SELECT reloptions::text FROM pg_class WHERE oid = 'idx.frame_copy'::regclass"),
              query("SELECT reloptions::text FROM pg_class WHERE oid = 'idx.tuned'::regclass"));

    // nothing changed: no statement at all
    QStringList alter;
    frame.GetSourceAlterV(alter);
    EXPECT_TRUE(alter.isEmpty()) << alter.join('\n').toStdString();
    EXPECT_FALSE(frame.IsChanged());

    // enabling the TOAST table's daemon writes exactly that
    frame.chkToastEnabled->setCheckState(Qt::Checked);
    frame.GetSourceAlterV(alter);
    EXPECT_EQ(alter,
              QStringList({ "ALTER TABLE idx.tuned SET (", "    TOAST.AUTOVACUUM_ENABLED = true",
                            ")", ";" }));

    // unticking the group resets the ten parameters that are set and keeps the others
    frame.chkToastEnabled->setCheckState(Qt::Unchecked);
    frame.chkAutoVacuum->setChecked(false);
    alter.clear();
    frame.GetSourceAlterV(alter);
    EXPECT_FALSE(alter.join('\n').contains(" SET ("));
    run(alter);
    EXPECT_EQ(query("SELECT reloptions::text FROM pg_class WHERE oid = 'idx.tuned'::regclass"),
              "{autovacuum_vacuum_insert_threshold=-1}");
    EXPECT_EQ(load("idx", "tuned").ToastOptions, TStorageOptions());
}

} // namespace storagetest
