// Server facts from the version banner: the version number every gate compares against, the
// edition flag and the Linux flag; and the number of the fixture server itself.
#include "browsertest.h"

#include "browser/fobjectsql.h"

#include <gtest/gtest.h>

namespace bannertest {

struct BannerCase
{
    const char *banner;
    int dbVer;
    bool postgresPlus;
    bool linux;
};

const BannerCase bannerCases[] = {
    { "PostgreSQL 15.4 (Debian 15.4-1.pgdg120+1) on x86_64-pc-linux-gnu, compiled by gcc", 150400,
      false, true },
    { "PostgreSQL 15beta1 on x86_64-pc-linux-gnu, compiled by gcc (GCC) 11.2.0, 64-bit", 150000,
      false, true },
    { "PostgreSQL 9.6.24 on x86_64-pc-linux-gnu, compiled by gcc (GCC) 4.8.5, 64-bit", 90624, false,
      true },
    // the second part counts hundreds
    { "PostgreSQL 14.5, compiled by Visual C++ build 1914, 64-bit", 140500, false, false },
    { "PostgreSQL 9.6rc1 on x86_64-apple-darwin, compiled by clang", 90600, false, false },
    { "EnterpriseDB 9.5.0.5 on x86_64-pc-linux-gnu, compiled by gcc (GCC) 4.4.7, 64-bit", 90500,
      true, true },
    { "PostgreSQL 14.5 (EnterpriseDB Advanced Server 14.5.0) on x86_64-pc-linux-gnu", 140500, true,
      true },
    { "PostgreSQL 13.2 (enterprisedb advanced server) on X86_64-PC-LINUX-GNU", 130200, true,
      false },
    { "PostgreSQL 16devel on x86_64-pc-linux-gnu, compiled by gcc", 999999, false, true },
    // nothing ends the version word: no version to read
    { "PostgreSQL 15.4", 999999, false, false },
    { "PostgreSQL", 999999, false, false },
    { "", 999999, false, false },
};

TEST(ServerFacts, FromBanner)
{
    for (const BannerCase &c : bannerCases) {
        SCOPED_TRACE(c.banner);
        const TServerFacts facts = ServerFactsFromBanner(QString::fromUtf8(c.banner));
        EXPECT_EQ(facts.DBVer, c.dbVer);
        EXPECT_EQ(facts.g_bPostgresPlus, c.postgresPlus);
        EXPECT_EQ(facts.g_Linux_Ver, c.linux);
    }
}

using browsertest::BrowserTest;

// The fixture server's number, read independently: server_version_num is major × 10000 +
// minor, the window's number major × 10000 + minor × 100.
TEST_F(BrowserTest, ConnectReadsServerVersion)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    const int num = query("SELECT current_setting('server_version_num')").toInt();
    EXPECT_EQ(window->DBVer(), num / 10000 * 10000 + num % 10000 * 100);
    EXPECT_FALSE(window->g_bPostgresPlus());
    EXPECT_TRUE(window->g_Linux_Ver);
    EXPECT_EQ(window->VerStr(window->DBVer(), "S1", "S2"), "S1");
    EXPECT_EQ(window->VerStr(window->DBVer() + 1, "S1", "S2"), "S2");
    EXPECT_FALSE(window->DBAMODE());
}

} // namespace bannertest
