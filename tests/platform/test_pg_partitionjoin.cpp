// A partitioned table read twice is read twice whichever partitions the two reads fall on:
// the result of such a self-join is read-only. One read of the table, spread over its
// partitions or pruned to one of them, stays editable, and the edit lands on the row read.
#include "pgtestutil.h"

#include "platform/pg/dataset.h"
#include "platform/pg/error.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace test_pg_partitionjoin {

struct PartitionCase
{
    const char *title;
    const char *sql;
    bool readOnly;
    const char *changedIds; // ids whose val reads 'changed' afterwards
    const char *setting = nullptr; // run on the session first
};

void PrintTo(const PartitionCase &c, std::ostream *os)
{
    *os << c.title;
}

const PartitionCase PartitionCases[] = {
    // the two reads pruned to different partitions: a.id from pj_1, b.val from pj_2
    { "self_join_on_two_partitions",
      "SELECT a.id, b.val FROM pj a JOIN pj b ON b.id > a.id WHERE a.id < 10 AND b.id >= 10 "
      "AND b.id < 20 ORDER BY a.id, b.id",
      true, "" },
    { "self_join_onto_sub_partitions",
      "SELECT a.id, b.val FROM pj a JOIN pj b ON b.id > a.id WHERE a.id < 10 AND b.id >= 20 "
      "ORDER BY a.id, b.id",
      true, "" },
    { "self_join_over_all_partitions",
      "SELECT a.id, b.val FROM pj a JOIN pj b ON b.id = a.id + 1 ORDER BY a.id", true, "" },
    { "partitionwise_self_join",
      "SELECT a.id, b.val FROM pj a JOIN pj b ON b.id = a.id ORDER BY a.id", true, "",
      "SET enable_partitionwise_join = on" },
    { "partitioned_table_read_once", "SELECT id, val FROM pj ORDER BY id", false, "1" },
    { "pruned_to_some_partitions", "SELECT id, val FROM pj WHERE id >= 10 ORDER BY id", false,
      "10" },
    { "one_partition", "SELECT id, val FROM pj_2 ORDER BY id", false, "10" },
};

class PartitionJoins : public ::testing::TestWithParam<PartitionCase>
{
};

TEST_P(PartitionJoins, ResultReadingThePartitionedTableTwiceIsReadOnly)
{
    const PartitionCase &t = GetParam();
    TestDatabase db;
    auto c = pgtest::connect(db);
    c->exec(QStringLiteral(
        "CREATE TABLE pj (id int PRIMARY KEY, val text) PARTITION BY RANGE (id);"
        "CREATE TABLE pj_1 PARTITION OF pj FOR VALUES FROM (0) TO (10);"
        "CREATE TABLE pj_2 PARTITION OF pj FOR VALUES FROM (10) TO (20);"
        "CREATE TABLE pj_3 PARTITION OF pj FOR VALUES FROM (20) TO (40) PARTITION BY RANGE (id);"
        "CREATE TABLE pj_3a PARTITION OF pj_3 FOR VALUES FROM (20) TO (30);"
        "CREATE TABLE pj_3b PARTITION OF pj_3 FOR VALUES FROM (30) TO (40);"
        "INSERT INTO pj VALUES (1, 'v1'), (2, 'v2'), (10, 'v10'), (11, 'v11'), (20, 'v20'), "
        "(30, 'v30');"));
    if (t.setting)
        c->exec(QString::fromUtf8(t.setting));
    pg::DataSet ds(c.get());
    ds.setSql(QString::fromUtf8(t.sql));
    ds.open();
    ASSERT_GE(ds.recordCount(), 2);
    EXPECT_EQ(ds.isReadOnly(), t.readOnly) << ds.readOnlyReason().toStdString();
    if (t.readOnly) {
        EXPECT_TRUE(ds.readOnlyReason().contains(QStringLiteral("複数回")))
            << ds.readOnlyReason().toStdString();
        EXPECT_FALSE(ds.isFieldWritable(1));
        EXPECT_THROW(ds.setText(1, QStringLiteral("changed")), pg::Error);
    } else {
        ds.setText(1, QStringLiteral("changed"));
        ds.post();
    }
    EXPECT_EQ(db.query(QStringLiteral(
                  "SELECT coalesce(string_agg(id::text, ',' ORDER BY id), '') FROM pj "
                  "WHERE val = 'changed'")),
              QString::fromUtf8(t.changedIds));
}

INSTANTIATE_TEST_SUITE_P(Cases, PartitionJoins, ::testing::ValuesIn(PartitionCases),
                         [](const ::testing::TestParamInfo<PartitionCase> &info) {
                             return std::string(info.param.title);
                         });

} // namespace test_pg_partitionjoin
