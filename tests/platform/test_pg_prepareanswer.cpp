// PREPARE TRANSACTION in a failed transaction: the server answers ROLLBACK (whatever its
// max_prepared_transactions), and that answer is a failure, as for COMMIT and END.
#include "pgtestutil.h"

#include "platform/pg/error.h"
#include "platform/pg/query.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace test_pg_prepareanswer {

TEST(PgPrepareTransaction, PrepareAnsweredByRollbackIsAFailure)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    const char *texts[] = {
        "PREPARE TRANSACTION 'cv_p1'",
        "  prepare transaction 'cv_p2';",
        "/* a /* b */ c */ Prepare\n\tTransaction 'cv_p3'",
        "-- note\rPREPARE TRANSACTION 'cv_p4'",
    };
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        c->exec(QStringLiteral("BEGIN"));
        c->exec(QStringLiteral("UPDATE sales.customer SET name = 'lost' WHERE customer_id = 1"));
        EXPECT_THROW(c->exec(QStringLiteral("SELECT 1/0")), pg::Error);
        try {
            // as the SQL window runs a statement
            pg::Query q(*c, QString::fromUtf8(text));
            q.execute();
            ADD_FAILURE() << "PREPARE TRANSACTION answered by ROLLBACK passed as success";
        } catch (const pg::Error &e) {
            EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::TransactionRollback));
        }
        EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
    }
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_prepared_xacts "
                                      "WHERE gid LIKE 'cv\\_p%'")),
              QStringLiteral("0"));
    EXPECT_EQ(db.query(QStringLiteral("SELECT name FROM sales.customer WHERE customer_id = 1")),
              QStringLiteral("山田商事"));
}

// A prepared statement is no transaction control: it runs as any other statement, also
// inside the savepoint of a run that goes on after errors.
TEST(PgPrepareTransaction, PreparedStatementIsAnOrdinaryStatement)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    c->exec(QStringLiteral("PREPARE cv_q AS SELECT 1"));
    c->exec(QStringLiteral("BEGIN"));
    {
        pg::ContinueOnErrorScope scope(*c);
        EXPECT_THROW(c->exec(QStringLiteral("PREPARE cv_q AS SELECT 2")), pg::Error);
        c->exec(QStringLiteral("PREPARE cv_r AS SELECT 3"));
    }
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    c->exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(c->exec(QStringLiteral("EXECUTE cv_r")).text(0, 0), QStringLiteral("3"));
}

} // namespace test_pg_prepareanswer
