// Data sets: navigation and bookmarks, writing back exactly one row, read-only results, and the
// table model over them.
#include "pgtestutil.h"

#include "platform/pg/dataset.h"
#include "platform/pg/resultmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace testsupport;

namespace test_pg_dataset {

class PgDataSet : public ::testing::Test
{
protected:
    void SetUp() override { c = pgtest::connect(db); }

    QString names() const
    {
        return queryColumn(db.conninfo(),
                           QStringLiteral("SELECT coalesce(name, '-') FROM sales.customer "
                                          "ORDER BY customer_id"))
            .join(u',');
    }

    TestDatabase db;
    std::unique_ptr<pg::Connection> c;
};

TEST_F(PgDataSet, NavigatesAndKeepsBookmarksThroughInsertsAndDeletes)
{
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT customer_id, name FROM sales.customer ORDER BY customer_id"));
    ds.open();
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.recNo(), 1);
    EXPECT_TRUE(ds.bof());
    ds.last();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(ds.text(1), QStringLiteral("田中工業"));
    EXPECT_EQ(ds.moveBy(-5), -2);
    EXPECT_EQ(ds.currentRow(), 0);

    const pg::Bookmark third = ds.bookmarkAt(2);
    const pg::Bookmark first = ds.bookmarkAt(0);
    EXPECT_LT(ds.compareBookmarks(first, third), 0);

    ds.insert(); // before the current record
    EXPECT_EQ(ds.state(), pg::DataSetState::Insert);
    EXPECT_EQ(ds.recordCount(), 4);
    ds.setValue(0, 10);
    ds.setText(1, QStringLiteral("新規"));
    ds.post();
    EXPECT_EQ(ds.currentRow(), 0);
    EXPECT_EQ(ds.rowOf(third), 3);
    EXPECT_LT(ds.compareBookmarks(ds.bookmark(), first), 0);

    ASSERT_TRUE(ds.gotoBookmark(first));
    EXPECT_EQ(ds.text(1), QStringLiteral("山田商事"));
    ds.setCurrentRow(2); // Blue Ocean, which has no orders
    const pg::Bookmark deleted = ds.bookmark();
    ds.deleteRecord();
    EXPECT_FALSE(ds.isValidBookmark(deleted));
    EXPECT_EQ(ds.rowOf(third), 2);
    EXPECT_EQ(ds.text(2, 1), QStringLiteral("田中工業"));
    EXPECT_EQ(names(), QStringLiteral("山田商事,田中工業,新規"));

    ds.close();
    EXPECT_FALSE(ds.isValidBookmark(third));
    EXPECT_EQ(ds.state(), pg::DataSetState::Inactive);
}

TEST_F(PgDataSet, LeavingARecordPostsItAndDropsAnUntouchedNewOne)
{
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT customer_id, name, kana FROM sales.customer "
                             "ORDER BY customer_id"));
    ds.open();
    ds.edit();
    ds.setNull(2);
    EXPECT_TRUE(ds.isModified());
    EXPECT_TRUE(ds.isNull(2)); // the pending value shows
    ds.next();
    EXPECT_EQ(ds.state(), pg::DataSetState::Browse);
    EXPECT_EQ(queryValue(db.conninfo(),
                         QStringLiteral("SELECT kana IS NULL FROM sales.customer "
                                        "WHERE customer_id = 1")),
              QStringLiteral("t"));

    ds.append();
    EXPECT_EQ(ds.recordCount(), 4);
    ds.prior(); // nothing typed: the new record goes
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(ds.state(), pg::DataSetState::Browse);
    EXPECT_EQ(ds.currentRow(), 2);

    ds.edit();
    ds.setText(1, QStringLiteral("取消"));
    ds.cancel();
    EXPECT_EQ(ds.text(1), QStringLiteral("田中工業"));
    EXPECT_EQ(names(), QStringLiteral("山田商事,Blue Ocean Ltd.,田中工業"));
}

TEST_F(PgDataSet, NewRecordReadsBackDefaultsAndKeys)
{
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT order_id, customer_id, ordered_on, amount, note "
                             "FROM sales.orders ORDER BY order_id"));
    ds.open();
    ds.append();
    ds.setValue(1, 2);
    ds.setValue(2, QDate(2026, 4, 1));
    ds.setText(3, QStringLiteral("99999999.99"));
    ds.post();
    EXPECT_EQ(ds.text(0), QStringLiteral("4")); // from the sequence
    EXPECT_EQ(ds.text(2), QStringLiteral("2026-04-01"));
    // and the new record can be changed again by its key
    ds.setText(4, QStringLiteral("追加"));
    ds.post();
    EXPECT_EQ(
        queryValue(db.conninfo(),
                   QStringLiteral("SELECT note || amount FROM sales.orders WHERE order_id = 4")),
        QStringLiteral("追加99999999.99"));
    // a value the server refuses leaves the record in its state, with nothing stored
    ds.setText(3, QStringLiteral("-1"));
    try {
        ds.post();
        FAIL();
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("23514"));
    }
    EXPECT_EQ(ds.state(), pg::DataSetState::Edit);
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
    ds.cancel();
    EXPECT_EQ(ds.text(3), QStringLiteral("99999999.99"));
}

TEST_F(PgDataSet, ChangeThatWouldTouchNoRowIsRefusedAndUndone)
{
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT customer_id, name FROM sales.customer ORDER BY customer_id"));
    ds.open();
    ds.setCurrentRow(1);
    exec(db.conninfo(), QStringLiteral("DELETE FROM sales.customer WHERE customer_id = 2"));
    ds.setText(1, QStringLiteral("ghost"));
    try {
        ds.post();
        FAIL() << "an update of a deleted row was taken for done";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::RowNotFound));
    }
    EXPECT_EQ(ds.state(), pg::DataSetState::Edit);
    ds.cancel();
    EXPECT_THROW(ds.deleteRecord(), pg::Error);
    EXPECT_EQ(ds.recordCount(), 3); // a refused delete keeps the record
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
    EXPECT_EQ(names(), QStringLiteral("山田商事,田中工業"));
}

TEST_F(PgDataSet, ChangeThatWouldTouchTwoRowsIsRefusedAndUndone)
{
    // a child table may hold a row with the parent's key: the key then names two rows
    c->exec(QStringLiteral("CREATE TABLE sales.parent (id int PRIMARY KEY, v text)"));
    c->exec(QStringLiteral("CREATE TABLE sales.child () INHERITS (sales.parent)"));
    c->exec(QStringLiteral("INSERT INTO sales.parent VALUES (1, 'p')"));
    c->exec(QStringLiteral("INSERT INTO sales.child VALUES (1, 'c')"));
    c->exec(QStringLiteral("BEGIN")); // inside the user's transaction, which must survive
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT id, v FROM sales.parent ORDER BY v DESC"));
    ds.open();
    ASSERT_FALSE(ds.isReadOnly());
    ds.setText(1, QStringLiteral("changed"));
    try {
        ds.post();
        FAIL() << "an update of two rows was let through";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::RowNotUnique));
    }
    ds.cancel();
    EXPECT_THROW(ds.deleteRecord(), pg::Error);
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    c->exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(queryColumn(db.conninfo(), QStringLiteral("SELECT v FROM sales.parent ORDER BY v")),
              (QStringList { QStringLiteral("c"), QStringLiteral("p") }));
}

TEST_F(PgDataSet, KeylessTableIsWrittenByRowIdentity)
{
    c->exec(QStringLiteral("CREATE TABLE sales.log (msg text, n int)"));
    c->exec(QStringLiteral("INSERT INTO sales.log VALUES ('a', 1), ('a', 1), ('b', 2)"));
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT * FROM sales.log ORDER BY msg"));
    ds.open();
    ASSERT_FALSE(ds.isReadOnly()) << ds.readOnlyReason().toStdString();
    EXPECT_EQ(ds.fields().count(), 2); // the identity columns stay hidden
    EXPECT_EQ(ds.fields().names(), (QStringList { QStringLiteral("msg"), QStringLiteral("n") }));
    ds.setText(0, QStringLiteral("x"));
    ds.post();
    ds.setText(1, QStringLiteral("7")); // again: the row's identity moved with the update
    ds.post();
    EXPECT_EQ(
        queryColumn(db.conninfo(), QStringLiteral("SELECT msg || n FROM sales.log ORDER BY 1")),
        (QStringList { QStringLiteral("a1"), QStringLiteral("b2"), QStringLiteral("x7") }));
    ds.next();
    ds.deleteRecord();
    EXPECT_EQ(queryValue(db.conninfo(), QStringLiteral("SELECT count(*) FROM sales.log")),
              QStringLiteral("2"));
}

struct ReadOnlyCase
{
    const char *title;
    const char *sql;
};

const ReadOnlyCase ReadOnlyCases[] = {
    { "keyless view", "SELECT * FROM sales.customer_total" },
    { "simple view without key", "SELECT * FROM sales.v_customer" },
    { "join",
      "SELECT c.customer_id, o.order_id FROM sales.customer c "
      "JOIN sales.orders o USING (customer_id)" },
    { "grouped", "SELECT customer_id, count(*) FROM sales.orders GROUP BY customer_id" },
    { "computed only", "SELECT 1 AS one, now()" },
    { "distinct without key", "SELECT DISTINCT customer_id FROM sales.orders" },
    { "two statements", "SELECT 1; SELECT * FROM sales.customer" },
};

TEST_F(PgDataSet, ResultsWithoutOneTableAndARowIdentityAreReadOnly)
{
    c->exec(
        QStringLiteral("CREATE VIEW sales.v_customer AS SELECT name, kana FROM sales.customer"));
    c->exec(QStringLiteral("BEGIN")); // a failed identity probe must not spoil it
    for (const ReadOnlyCase &rc : ReadOnlyCases) {
        pg::DataSet ds(c.get());
        ds.setSql(QString::fromUtf8(rc.sql));
        ds.open();
        EXPECT_TRUE(ds.isReadOnly()) << rc.title;
        EXPECT_FALSE(ds.readOnlyReason().isEmpty()) << rc.title;
        EXPECT_TRUE(ds.updateTable().isEmpty()) << rc.title;
        try {
            ds.edit();
            ADD_FAILURE() << rc.title << ": edit of a read-only result";
        } catch (const pg::Error &e) {
            EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::ReadOnlyResult)) << rc.title;
        }
        EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction) << rc.title;
    }
    c->exec(QStringLiteral("ROLLBACK"));

    pg::DataSet asked(c.get());
    asked.setReadOnly(true);
    asked.setSql(QStringLiteral("SELECT * FROM sales.customer"));
    asked.open();
    EXPECT_TRUE(asked.isReadOnly());

    pg::DataSet computed(c.get());
    computed.setSql(QStringLiteral("SELECT customer_id, upper(name) AS big, name "
                                   "FROM sales.customer ORDER BY 1"));
    computed.open();
    ASSERT_FALSE(computed.isReadOnly());
    EXPECT_EQ(computed.updateTable(), QStringLiteral("\"sales\".\"customer\""));
    EXPECT_TRUE(computed.fields().at(1).readOnly);
    EXPECT_FALSE(computed.fields().at(2).readOnly);
    EXPECT_THROW(computed.setText(1, QStringLiteral("x")), pg::Error);
}

TEST_F(PgDataSet, ModelReadsCellsOnDemandAndFollowsTheDataSet)
{
    pg::DataSet ds(c.get());
    pg::ResultModel model(&ds);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ds.setSql(QStringLiteral("SELECT customer_id, name, kana, customer_id > 1 AS later "
                             "FROM sales.customer ORDER BY customer_id"));
    ds.open();
    ASSERT_EQ(model.rowCount(), 3);
    ASSERT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("name"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("山田商事"));
    EXPECT_FALSE(model.data(model.index(1, 2)).isValid()); // NULL
    EXPECT_TRUE(model.data(model.index(1, 2), pg::ResultModel::IsNullRole).toBool());
    EXPECT_EQ(model.data(model.index(2, 3)).toString(), QStringLiteral("true"));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_TRUE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 3)) & Qt::ItemIsEditable);

    EXPECT_TRUE(model.setData(model.index(1, 2), QStringLiteral("ブルー")));
    EXPECT_EQ(model.data(model.index(1, 2)).toString(), QStringLiteral("ブルー"));
    QSignalSpy failed(&model, &pg::ResultModel::writeFailed);
    EXPECT_FALSE(model.setData(model.index(0, 0), 2)); // duplicate key
    EXPECT_EQ(failed.count(), 1);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("1"));

    ds.append();
    EXPECT_EQ(model.rowCount(), 4);
    ds.cancel();
    EXPECT_EQ(model.rowCount(), 3);
    ds.setCurrentRow(1);
    ds.deleteRecord();
    EXPECT_EQ(model.rowCount(), 2);
    ds.close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(queryValue(db.conninfo(), QStringLiteral("SELECT count(*) FROM sales.customer")),
              QStringLiteral("2"));
}

} // namespace test_pg_dataset
