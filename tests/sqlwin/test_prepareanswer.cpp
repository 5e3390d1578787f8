// PREPARE TRANSACTION typed after a failed statement: the server rolls the transaction back,
// and the SQL window says so instead of reporting the statement as run.
#include "sqlwintest.h"

#include <gtest/gtest.h>

using sqlwintest::SqlWinTest;

namespace prepareanswertest {

TEST_F(SqlWinTest, PrepareTransactionAfterAFailureIsShownAsAFailure)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    ASSERT_TRUE(w);
    run(w, "begin");
    run(w, "update t set v = 'lost' where id = 1");
    run(w, "update t set id = 2 where id = 1"); // a duplicate key: the transaction fails
    dialogs.clear();
    run(w, "prepare transaction 'cv_sqlwin'");
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_FALSE(dialogs[0].text.contains("SQLを実行しました")) << dialogs[0].text.toStdString();
    EXPECT_TRUE(dialogs[0].text.contains("ロールバック")) << dialogs[0].text.toStdString();
    EXPECT_EQ(query("select count(*) from pg_catalog.pg_prepared_xacts where gid = 'cv_sqlwin'"),
              "0");
    EXPECT_EQ(query("select string_agg(v, ',' order by id) from t"), "a,b");
    // the session is out of the transaction and takes the next statement
    dialogs.clear();
    run(w, "update t set v = 'kept' where id = 1");
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0].text.contains("SQLを実行しました"));
    EXPECT_EQ(query("select v from t where id = 1"), "kept");
}

} // namespace prepareanswertest
