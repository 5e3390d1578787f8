// Transactions: nesting by savepoints, checked COMMIT, "go on after errors", auto-commit.
#include "pgtestutil.h"

#include "platform/pg/dataset.h"
#include "platform/pg/transaction.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace test_pg_transactions {

QString customerNames(const TestDatabase &db)
{
    return queryColumn(db.conninfo(),
                       QStringLiteral("SELECT name FROM sales.customer "
                                      "ORDER BY customer_id"))
        .join(u',');
}

TEST(PgTransaction, StateComesFromTheServer)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
    c->exec(QStringLiteral("BEGIN"));
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    EXPECT_THROW(c->exec(QStringLiteral("SELECT 1/0")), pg::Error);
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InError);
    c->exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
}

TEST(PgTransaction, UnitCommitsOrRollsBackWhenItOpenedTheTransaction)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    {
        pg::Transaction tx(*c);
        EXPECT_EQ(c->transactionDepth(), 1);
        c->exec(QStringLiteral("UPDATE sales.customer SET name = 'A' WHERE customer_id = 1"));
        // left by an exception or without commit: rolled back
    }
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
    EXPECT_EQ(customerNames(db), QStringLiteral("山田商事,Blue Ocean Ltd.,田中工業"));
    {
        pg::Transaction tx(*c);
        c->exec(QStringLiteral("UPDATE sales.customer SET name = 'A' WHERE customer_id = 1"));
        tx.commit();
    }
    EXPECT_EQ(customerNames(db), QStringLiteral("A,Blue Ocean Ltd.,田中工業"));
}

TEST(PgTransaction, FailingInnerUnitLeavesTheUsersTransactionAlive)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    c->exec(QStringLiteral("BEGIN")); // the user's own transaction
    c->exec(QStringLiteral("UPDATE sales.customer SET name = 'outer' WHERE customer_id = 1"));
    {
        pg::Transaction inner(*c); // a savepoint, since a transaction is open
        c->exec(QStringLiteral("UPDATE sales.customer SET name = 'inner' WHERE customer_id = 2"));
        EXPECT_THROW(c->exec(QStringLiteral("UPDATE sales.customer SET customer_id = 3 "
                                            "WHERE customer_id = 2")),
                     pg::Error);
        EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InError);
        EXPECT_THROW(inner.commit(), pg::Error); // RELEASE in a failed unit is refused
    } // rolled back to its savepoint
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    {
        pg::Transaction inner(*c);
        c->exec(QStringLiteral("UPDATE sales.customer SET name = 'kept' WHERE customer_id = 3"));
        inner.commit(); // RELEASE: the user's transaction is not committed
    }
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    EXPECT_EQ(customerNames(db), QStringLiteral("山田商事,Blue Ocean Ltd.,田中工業"));
    c->exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(customerNames(db), QStringLiteral("outer,Blue Ocean Ltd.,kept"));
}

TEST(PgTransaction, CommitTurnedIntoRollbackIsAFailure)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    // through commit()
    c->startTransaction();
    c->exec(QStringLiteral("UPDATE sales.customer SET name = 'lost' WHERE customer_id = 1"));
    EXPECT_THROW(c->exec(QStringLiteral("SELECT 1/0")), pg::Error);
    try {
        c->commit();
        FAIL() << "a rolled-back transaction was reported as committed";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::TransactionRollback));
    }
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
    // through statement text
    c->exec(QStringLiteral("BEGIN"));
    EXPECT_THROW(c->exec(QStringLiteral("SELECT 1/0")), pg::Error);
    try {
        c->exec(QStringLiteral("  commit"));
        FAIL() << "COMMIT answered by ROLLBACK passed as success";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::TransactionRollback));
    }
    EXPECT_EQ(customerNames(db), QStringLiteral("山田商事,Blue Ocean Ltd.,田中工業"));
    // a deferred constraint that fails at COMMIT is the server's own error
    c->exec(QStringLiteral("CREATE TABLE sales.d (id int PRIMARY KEY, p int REFERENCES sales.d "
                           "DEFERRABLE INITIALLY DEFERRED)"));
    c->startTransaction();
    c->exec(QStringLiteral("INSERT INTO sales.d VALUES (1, 99)"));
    try {
        c->commit();
        FAIL();
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("23503"));
    }
}

// However the COMMIT is written behind comments, a rolled-back transaction is a failure.
TEST(PgTransaction, CommitBehindCommentsTurnedIntoRollbackIsAFailure)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    for (const char *text : { "/* a /* b */ c */ COMMIT", "/* a /* b */ c */ END",
                              "-- note\n/* x */ commit;", "/**/--\n  Commit" }) {
        SCOPED_TRACE(text);
        c->exec(QStringLiteral("BEGIN"));
        EXPECT_THROW(c->exec(QStringLiteral("SELECT 1/0")), pg::Error);
        try {
            c->exec(QString::fromUtf8(text));
            ADD_FAILURE() << "COMMIT answered by ROLLBACK passed as success";
        } catch (const pg::Error &e) {
            EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::TransactionRollback));
        }
        EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
    }
}

TEST(PgTransaction, GoOnAfterErrorsRunsEachStatementInASavepoint)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    c->startTransaction();
    int failed = 0;
    {
        pg::ContinueOnErrorScope scope(*c);
        const QStringList script = {
            QStringLiteral("UPDATE sales.customer SET name = 'one' WHERE customer_id = 1"),
            QStringLiteral("UPDATE sales.customer SET customer_id = 3 WHERE customer_id = 2"),
            QStringLiteral("SELECT nosuch"),
            QStringLiteral("UPDATE sales.customer SET name = 'three' WHERE customer_id = 3"),
        };
        for (const QString &sql : script) {
            try {
                c->exec(sql);
            } catch (const pg::Error &) {
                ++failed;
            }
        }
        EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    }
    EXPECT_FALSE(c->continueOnError());
    EXPECT_EQ(failed, 2);
    c->commit();
    EXPECT_EQ(customerNames(db), QStringLiteral("one,Blue Ocean Ltd.,three"));
}

TEST(PgTransaction, AutoCommitNeverCommitsTheUsersOpenTransaction)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    c->setAutoCommit(true);
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT customer_id, name FROM sales.customer ORDER BY customer_id"));

    // idle session: the change is its own transaction, committed at once
    ds.open();
    ds.setText(1, QStringLiteral("committed"));
    ds.post();
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
    EXPECT_EQ(customerNames(db), QStringLiteral("committed,Blue Ocean Ltd.,田中工業"));

    // the user's transaction: the change joins it and stays uncommitted
    c->exec(QStringLiteral("BEGIN"));
    ds.next();
    ds.setText(1, QStringLiteral("pending"));
    ds.post();
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    EXPECT_EQ(customerNames(db), QStringLiteral("committed,Blue Ocean Ltd.,田中工業"));
    c->exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(customerNames(db), QStringLiteral("committed,Blue Ocean Ltd.,田中工業"));

    // auto-commit off on an idle session: the change waits in a transaction for commit()
    c->setAutoCommit(false);
    ds.refresh();
    ds.setCurrentRow(2);
    ds.setText(1, QStringLiteral("later"));
    ds.post();
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    EXPECT_EQ(customerNames(db), QStringLiteral("committed,Blue Ocean Ltd.,田中工業"));
    c->commit();
    EXPECT_EQ(customerNames(db), QStringLiteral("committed,Blue Ocean Ltd.,later"));
}

} // namespace test_pg_transactions
