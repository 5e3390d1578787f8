// The fixture's server is a real PostgreSQL 15 with the two libraries that the statement
// statistics and the debugger need.
#include "testserver.h"

#include <gtest/gtest.h>

using namespace testsupport;

TEST(FixtureServer, IsRealPostgres15WithPreloadedLibraries)
{
    TestDatabase db;
    EXPECT_TRUE(db.query("SELECT version()").startsWith("PostgreSQL 15."));
    const QString preload = db.query("SHOW shared_preload_libraries");
    EXPECT_TRUE(preload.contains("pg_stat_statements")) << preload.toStdString();
    EXPECT_TRUE(preload.contains("plugin_debugger")) << preload.toStdString();
    // The libraries are loaded, not only named: their functions answer.
    EXPECT_EQ(db.query("SELECT count(*) >= 0 FROM pg_stat_statements"), "t");
    db.exec("CREATE EXTENSION pldbgapi");
    EXPECT_FALSE(db.query("SELECT pldbg_create_listener()").isEmpty());
}

TEST(FixtureServer, TestDatabasesAreIndependentCopiesOfTheSample)
{
    TestDatabase a, b;
    a.exec("DELETE FROM sales.orders");
    EXPECT_EQ(a.query("SELECT count(*) FROM sales.orders"), "0");
    EXPECT_EQ(b.query("SELECT count(*) FROM sales.orders"), "3");
    EXPECT_EQ(b.query("SELECT obj_description('sales.customer'::regclass)"), "顧客");
}
