// Writing back through a data set lands on the row that was read and nowhere else: self-joins
// stay read-only, a keyless row that another session replaced is refused, values nobody
// changed are not written, bytes the client encoding cannot show stay as they were, and names
// in other encodings reach the server intact.
#include "pgtestutil.h"

#include "platform/pg/dataset.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace test_pg_writeback {

// A database of its own encoding on the fixture server, dropped when the object goes.
class EncodedDatabase
{
public:
    explicit EncodedDatabase(const char *encoding)
        : m_name(uniqueName(QStringLiteral("enc")))
    {
        exec(conninfo(QStringLiteral("postgres")),
             QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING '%2' "
                            "LC_COLLATE 'C' LC_CTYPE 'C'")
                 .arg(m_name, QLatin1String(encoding)));
    }
    ~EncodedDatabase()
    {
        try {
            exec(conninfo(QStringLiteral("postgres")),
                 QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
        } catch (const std::exception &) {
            // a leftover database goes with the throwaway cluster
        }
    }
    // A second connection that speaks UTF-8, for checks.
    QString conninfoUtf8() const
    {
        return conninfo(m_name) + QStringLiteral(" client_encoding=UTF8");
    }
    std::unique_ptr<pg::Connection> connect(const QString &clientEncoding) const
    {
        const ServerInfo &s = server();
        auto c = std::make_unique<pg::Connection>();
        c->setParam(QStringLiteral("Server"), s.host);
        c->setParam(QStringLiteral("Port"), QString::number(s.port));
        c->setParam(QStringLiteral("Database"), m_name);
        c->setParam(QStringLiteral("User_Name"), s.user);
        c->setParam(QStringLiteral("CharacterSet"), clientEncoding);
        c->open();
        return c;
    }

private:
    QString m_name;
};

class PgWriteBack : public ::testing::Test
{
protected:
    void SetUp() override { c = pgtest::connect(db); }

    TestDatabase db;
    std::unique_ptr<pg::Connection> c;
};

// While a record is edited its untouched fields read what it stores; cancel brings back the
// stored value of a changed one; post writes only the changed field.
TEST_F(PgWriteBack, EditedRecordShowsItsStoredValuesAndCancelRestoresThem)
{
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT customer_id, name, kana, created_at FROM sales.customer "
                             "ORDER BY customer_id"));
    ds.open();
    const QString name = ds.text(1);
    const QString kana = ds.text(2);
    const QString created = ds.text(3);
    ASSERT_FALSE(name.isEmpty());
    ds.edit();
    EXPECT_EQ(ds.state(), pg::DataSetState::Edit);
    EXPECT_EQ(ds.value(0).toInt(), 1);
    EXPECT_EQ(ds.text(1), name);
    EXPECT_EQ(ds.text(2), kana);
    EXPECT_EQ(ds.text(3), created);
    EXPECT_FALSE(ds.isNull(1));

    ds.setText(2, QStringLiteral("ヘンコウ"));
    EXPECT_EQ(ds.text(1), name);
    EXPECT_EQ(ds.text(2), QStringLiteral("ヘンコウ"));
    ds.cancel();
    EXPECT_EQ(ds.state(), pg::DataSetState::Browse);
    EXPECT_EQ(ds.text(2), kana);
    EXPECT_EQ(ds.text(1), name);

    // one field taken back, another kept
    ds.setText(1, QStringLiteral("取消"));
    ds.setText(2, QStringLiteral("ヘンコウ"));
    ds.revertField(1);
    EXPECT_EQ(ds.text(1), name);
    EXPECT_FALSE(ds.isFieldModified(1));
    EXPECT_TRUE(ds.isFieldModified(2));
    ds.post();
    EXPECT_EQ(db.query(QStringLiteral("SELECT name || '/' || kana || '/' || "
                                      "(created_at = '%1') FROM sales.customer "
                                      "WHERE customer_id = 1")
                           .arg(created)),
              name + QStringLiteral("/ヘンコウ/true"));
}

struct SelfJoinCase
{
    const char *title;
    const char *sql;
    bool readOnly;
};

void PrintTo(const SelfJoinCase &c, std::ostream *os)
{
    *os << c.title;
}

const SelfJoinCase SelfJoinCases[] = {
    { "self_join", "SELECT a.id, b.val FROM sj a JOIN sj b ON b.id = a.id + 1", true },
    { "self_join_through_subqueries",
      "SELECT a.id, b.val FROM (SELECT * FROM sj) a, (SELECT * FROM sj) b WHERE b.id = a.id + 1",
      true },
    { "lateral_over_the_same_table",
      "SELECT a.id, x.val FROM sj a, LATERAL (SELECT val FROM sj b WHERE b.id = a.id + 1) x",
      true },
    { "cte_scanned_twice",
      "SELECT * FROM (WITH x AS MATERIALIZED (SELECT * FROM sj) "
      "SELECT a.id, b.val FROM x a JOIN x b ON b.id = a.id + 1) q",
      true },
    { "partitions_joined_to_themselves",
      "SELECT a.id, b.val FROM sjp a JOIN sjp b ON b.id = a.id + 1", true },
    { "keyless_self_join", "SELECT a.n, b.t FROM sjk a, sjk b WHERE b.n = a.n + 1", true },
    { "one_table", "SELECT id, val FROM sj WHERE id > 0", false },
    { "cte_scanned_once",
      "SELECT * FROM (WITH x AS MATERIALIZED (SELECT * FROM sj) SELECT id, val FROM x) q", false },
    { "partitioned_table", "SELECT id, val FROM sjp", false },
    { "keyless_table", "SELECT n, t FROM sjk", false },
};

class SelfJoins : public PgWriteBack, public ::testing::WithParamInterface<SelfJoinCase>
{
};

// A result in which the table is read more than once may show the key of one row beside the
// value of another: it is read-only, and nothing it shows can be written.
TEST_P(SelfJoins, AResultThatReadsItsTableTwiceIsReadOnly)
{
    const SelfJoinCase &t = GetParam();
    c->exec(
        QStringLiteral("CREATE TABLE sj (id int PRIMARY KEY, val text);"
                       "INSERT INTO sj SELECT g, 'v' || g FROM generate_series(1, 3) g;"
                       "CREATE TABLE sjp (id int PRIMARY KEY, val text) PARTITION BY RANGE (id);"
                       "CREATE TABLE sjp_1 PARTITION OF sjp FOR VALUES FROM (0) TO (2);"
                       "CREATE TABLE sjp_2 PARTITION OF sjp FOR VALUES FROM (2) TO (10);"
                       "INSERT INTO sjp SELECT g, 'v' || g FROM generate_series(1, 3) g;"
                       "CREATE TABLE sjk (n int, t text);"
                       "INSERT INTO sjk SELECT g, 't' || g FROM generate_series(1, 3) g;"));
    pg::DataSet ds(c.get());
    ds.setSql(QString::fromUtf8(t.sql));
    ds.open();
    ASSERT_GE(ds.recordCount(), 2);
    EXPECT_EQ(ds.isReadOnly(), t.readOnly) << ds.readOnlyReason().toStdString();
    if (t.readOnly) {
        if (!QByteArray(t.title).startsWith("keyless")) { // those have no row identity at all
            EXPECT_TRUE(ds.readOnlyReason().contains(QStringLiteral("複数回")))
                << ds.readOnlyReason().toStdString();
        }
        EXPECT_FALSE(ds.isFieldWritable(1));
        EXPECT_THROW(ds.setText(1, QStringLiteral("changed")), pg::Error);
    } else {
        ds.setText(1, QStringLiteral("changed"));
        ds.post();
    }
    const QString table = QString::fromUtf8(t.sql).contains(QLatin1String("sjk"))
        ? QStringLiteral("sjk")
        : QString::fromUtf8(t.sql).contains(QLatin1String("sjp")) ? QStringLiteral("sjp")
                                                                  : QStringLiteral("sj");
    const QString column
        = table == QLatin1String("sjk") ? QStringLiteral("t") : QStringLiteral("val");
    EXPECT_EQ(
        db.query(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = 'changed'").arg(table, column)),
        t.readOnly ? QStringLiteral("0") : QStringLiteral("1"));
}

INSTANTIATE_TEST_SUITE_P(Cases, SelfJoins, ::testing::ValuesIn(SelfJoinCases),
                         [](const ::testing::TestParamInfo<SelfJoinCase> &info) {
                             return std::string(info.param.title);
                         });

// The layer's own look at a statement (its row identity, its plan) inside the user's open
// transaction leaves that transaction as it was, also where the look fails.
TEST_F(PgWriteBack, LookingAtAStatementKeepsTheUsersTransaction)
{
    c->exec(QStringLiteral("CREATE TABLE sales.k2 (n int, t text)"));
    c->startTransaction();
    c->exec(QStringLiteral("INSERT INTO sales.k2 VALUES (1, 'mine')"));
    for (const char *sql : { "SELECT n, t FROM sales.k2",
                             "SELECT a.n, b.t FROM sales.k2 a, "
                             "sales.k2 b",
                             "SELECT c.customer_id, d.name FROM sales.customer c "
                             "JOIN sales.customer d ON d.customer_id = c.customer_id + 1" }) {
        SCOPED_TRACE(sql);
        pg::DataSet ds(c.get());
        ds.setSql(QString::fromUtf8(sql));
        ds.open();
        EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    }
    EXPECT_EQ(c->exec(QStringLiteral("SELECT t FROM sales.k2")).text(0, 0), QStringLiteral("mine"));
    c->rollback();
}

// Another session deletes the row read from a keyless table, vacuums, and inserts a row that
// takes its place (the same ctid). The change and the delete are refused; the stranger stays.
TEST_F(PgWriteBack, KeylessRowReplacedByAnotherSessionIsNotTouched)
{
    c->exec(QStringLiteral("CREATE TABLE sales.kl (n int, t text) WITH (autovacuum_enabled = off);"
                           "INSERT INTO sales.kl VALUES (1, 'read')"));
    const QString ctid = db.query(QStringLiteral("SELECT ctid FROM sales.kl"));
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT n, t FROM sales.kl"));
    ds.open();
    ASSERT_FALSE(ds.isReadOnly()) << ds.readOnlyReason().toStdString();
    db.exec(QStringLiteral("DELETE FROM sales.kl"));
    db.exec(QStringLiteral("VACUUM sales.kl"));
    db.exec(QStringLiteral("INSERT INTO sales.kl VALUES (2, 'stranger')"));
    ASSERT_EQ(db.query(QStringLiteral("SELECT ctid FROM sales.kl")), ctid)
        << "the new row did not take the old one's place";

    ds.setText(1, QStringLiteral("changed"));
    try {
        ds.post();
        ADD_FAILURE() << "the change was written to another row";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::RowNotFound)) << e.what();
    }
    ds.cancel();
    try {
        ds.deleteRecord();
        ADD_FAILURE() << "another row was deleted";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::RowNotFound)) << e.what();
    }
    EXPECT_EQ(db.query(QStringLiteral("SELECT n || t FROM sales.kl")), QStringLiteral("2stranger"));
}

// A long value opened read-write and closed as it was, or set to what it shows, writes nothing.
TEST_F(PgWriteBack, UnchangedValuesAreNotWritten)
{
    c->exec(QStringLiteral("CREATE TABLE sales.blob (id int PRIMARY KEY, b bytea, m text);"
                           "INSERT INTO sales.blob VALUES (1, '\\x00ff10', 'メモ')"));
    const QString xmin = db.query(QStringLiteral("SELECT xmin FROM sales.blob"));
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT id, b, m FROM sales.blob"));
    ds.open();
    for (const int field : { 1, 2 }) {
        auto blob = ds.openBlob(field, QIODevice::ReadWrite);
        blob->close();
    }
    ds.setText(2, ds.text(2));
    ds.setBytes(1, ds.bytes(1));
    EXPECT_FALSE(ds.isModified());
    ds.checkBrowseMode();
    EXPECT_EQ(ds.state(), pg::DataSetState::Browse);
    EXPECT_EQ(db.query(QStringLiteral("SELECT xmin FROM sales.blob")), xmin);
}

// Under SQL_ASCII the server hands over bytes that are no UTF-8. Closing a long value unchanged
// keeps them; a row whose key holds them is still found by its bytes.
TEST(PgWriteBackEncodings, BytesTheClientEncodingCannotShowStayRaw)
{
    const EncodedDatabase db("SQL_ASCII");
    auto c = db.connect(QStringLiteral("SQL_ASCII"));
    c->exec(QStringLiteral("CREATE TABLE t (k text PRIMARY KEY, v text, m text);"
                           "INSERT INTO t VALUES (E'k\\\\377', E'v\\\\376', 'plain')"));
    auto hex = [&] {
        return queryValue(db.conninfoUtf8(),
                          QStringLiteral("SELECT encode(k::bytea, 'hex') || '/' || "
                                         "encode(v::bytea, 'hex') || '/' || m FROM t"));
    };
    ASSERT_EQ(hex(), QStringLiteral("6bff/76fe/plain"));
    const QString xmin = queryValue(db.conninfoUtf8(), QStringLiteral("SELECT xmin FROM t"));
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT k, v, m FROM t"));
    ds.open();
    ASSERT_FALSE(ds.isReadOnly()) << ds.readOnlyReason().toStdString();
    {
        auto blob = ds.openBlob(1, QIODevice::ReadWrite);
        blob->close();
    }
    ds.setText(1, ds.text(1)); // what the grid shows, written back
    EXPECT_FALSE(ds.isModified());
    ds.checkBrowseMode();
    EXPECT_EQ(queryValue(db.conninfoUtf8(), QStringLiteral("SELECT xmin FROM t")), xmin);
    EXPECT_EQ(hex(), QStringLiteral("6bff/76fe/plain"));

    ds.setText(2, QStringLiteral("new"));
    ds.post();
    EXPECT_EQ(hex(), QStringLiteral("6bff/76fe/new"));
    ds.deleteRecord();
    EXPECT_EQ(queryValue(db.conninfoUtf8(), QStringLiteral("SELECT count(*) FROM t")),
              QStringLiteral("0"));
}

// Table, schema and column names come from the server in the session's encoding and go back
// the same way.
TEST(PgWriteBackEncodings, NamesInTheSessionsEncodingAreWrittenBack)
{
    const EncodedDatabase db("EUC_JP");
    for (const char *encoding : { "SJIS", "EUC_JP" }) {
        SCOPED_TRACE(encoding);
        auto c = db.connect(QString::fromLatin1(encoding));
        c->exec(QStringLiteral(
            "DROP SCHEMA IF EXISTS スキーマ CASCADE; CREATE SCHEMA スキーマ;"
            "CREATE TABLE スキーマ.\"テーブル\" (番号 serial PRIMARY KEY, 名前 text);"
            "CREATE TABLE スキーマ.\"キーなし\" (名前 text);"
            "INSERT INTO スキーマ.\"テーブル\" (名前) VALUES ('あ');"
            "INSERT INTO スキーマ.\"キーなし\" VALUES ('あ')"));
        for (const char *table : { "テーブル", "キーなし" }) {
            pg::DataSet ds(c.get());
            ds.setSql(
                QStringLiteral("SELECT * FROM スキーマ.\"%1\"").arg(QString::fromUtf8(table)));
            ds.open();
            ASSERT_FALSE(ds.isReadOnly()) << ds.readOnlyReason().toStdString();
            EXPECT_EQ(ds.updateTable(),
                      QStringLiteral("\"スキーマ\".\"%1\"").arg(QString::fromUtf8(table)));
            const int name = ds.fieldIndex(QStringLiteral("名前"));
            ASSERT_GE(name, 0);
            ds.setText(name, QStringLiteral("いう"));
            ds.post();
            ds.append();
            ds.setText(name, QStringLiteral("え"));
            ds.post();
            EXPECT_EQ(queryColumn(db.conninfoUtf8(),
                                  QStringLiteral("SELECT 名前 FROM スキーマ.\"%1\" ORDER BY 1")
                                      .arg(QString::fromUtf8(table))),
                      (QStringList { QStringLiteral("いう"), QStringLiteral("え") }));
        }
    }
}

} // namespace test_pg_writeback
