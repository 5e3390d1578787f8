// The role and user statement builders as text: what each change of the controls writes.
#include "core/qvoption.h"
#include "editors/security/roledef.h"

#include <gtest/gtest.h>

namespace roledeftest {

TRoleState role(const QString &name, bool user = false)
{
    TRoleState s;
    s.Name = name;
    s.User = user;
    s.ConnLimit = QStringLiteral("-1");
    return s;
}

struct AlterCase
{
    const char *what;
    std::function<void(TRoleState &loaded, TRoleState &now)> change;
    int version;
    bool edb;
    QStringList expected;
};

class RoleBuilders : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = AppOption;
        AppOption.UseLowerName = true;
    }
    void TearDown() override { AppOption = m_saved; }

private:
    TqvOption m_saved;
};

TEST_F(RoleBuilders, AlterStatementsPerChange)
{
    const QString semi = QStringLiteral(";");
    const AlterCase cases[] = {
        { "admin option cleared: revoke, then grant without it",
          [](TRoleState &l, TRoleState &n) {
              l.Roles = { { "r_a", true, true } };
              n.Roles = { { "r_a", true, false } };
          },
          150000,
          false,
          { "REVOKE \"r_a\" FROM \"x\"", ";", "GRANT \"r_a\" TO \"x\"", ";" } },
        { "membership dropped",
          [](TRoleState &l, TRoleState &n) {
              l.Roles = { { "r_a", true, false } };
              n.Roles = { { "r_a", false, false } };
          },
          150000,
          false,
          { "REVOKE \"r_a\" FROM \"x\"", ";" } },
        { "grant option cleared on a schema",
          [](TRoleState &l, TRoleState &n) {
              l.Schemas = { { "s", true, true }, { "s", false, false } };
              n.Schemas = { { "s", true, false }, { "s", false, false } };
          },
          150000,
          false,
          { "REVOKE CREATE ON SCHEMA \"s\" FROM \"x\"", ";",
            "GRANT CREATE ON SCHEMA \"s\" TO \"x\"", ";" } },
        { "list order, not grouped by privilege",
          [](TRoleState &l, TRoleState &n) {
              l.Schemas = { { "a", false, false },
                            { "a", false, false },
                            { "b", false, false },
                            { "b", false, false } };
              n.Schemas = { { "a", true, false },
                            { "a", true, true },
                            { "b", true, false },
                            { "b", false, false } };
          },
          150000,
          false,
          { "GRANT CREATE ON SCHEMA \"a\" TO \"x\"", ";",
            "GRANT USAGE ON SCHEMA \"a\" TO \"x\" WITH GRANT OPTION", ";",
            "GRANT CREATE ON SCHEMA \"b\" TO \"x\"", ";" } },
        { "the edition's link privileges: only those changed",
          [](TRoleState &, TRoleState &n) { n.CreatePublicDbLink = true; },
          150000,
          true,
          { "GRANT CREATE PUBLIC DATABASE LINK TO \"x\"", ";" } },
        { "catalog update below 9.5, a name holding a quote",
          [](TRoleState &l, TRoleState &n) {
              l.Name = n.Name = "o'x";
              n.Catupdate = true;
          },
          90400,
          false,
          { "UPDATE pg_authid SET rolcatupdate = TRUE WHERE rolname = 'o''x'", ";" } },
        { "superuser without catalog update below 9.5",
          [](TRoleState &, TRoleState &n) { n.SuperUser = true; },
          90400,
          false,
          { "ALTER ROLE \"x\"", "SUPERUSER", ";",
            "UPDATE pg_authid SET rolcatupdate = FALSE WHERE rolname = 'x'", ";" } },
        { "no catalog update from 9.5",
          [](TRoleState &, TRoleState &n) { n.Catupdate = true; },
          150000,
          false,
          {} },
        { "connection limit emptied",
          [](TRoleState &l, TRoleState &n) {
              l.User = n.User = true;
              l.ConnLimit = "5";
              n.ConnLimit = "";
          },
          150000,
          false,
          { "ALTER USER \"x\"", "CONNECTION LIMIT -1", ";" } },
        { "expiry cleared",
          [](TRoleState &l, TRoleState &n) {
              l.User = n.User = true;
              l.ValidUntil = "2030-01-02 23:30:00";
          },
          150000,
          false,
          { "ALTER USER \"x\"", "VALID UNTIL 'infinity'", ";" } },
        { "expiry time moved",
          [](TRoleState &l, TRoleState &n) {
              l.User = n.User = true;
              l.ValidUntil = "2030-01-02 23:30:00";
              n.ValidUntil = "2030-01-02 08:15:00";
          },
          150000,
          false,
          { "ALTER USER \"x\"", "VALID UNTIL '2030-01-02 08:15:00'", ";" } },
        { "the stored 9999-12-31 23:59:59 is no expiry",
          [](TRoleState &l, TRoleState &n) {
              l.User = n.User = true;
              l.ValidUntil = "9999-12-31 23:59:59";
          },
          150000,
          false,
          {} },
        { "a password as its verifier",
          [](TRoleState &l, TRoleState &n) {
              l.User = n.User = true;
              n.PasswordVerifier = "SCRAM-SHA-256$4096:abc";
          },
          150000,
          false,
          { "ALTER USER \"x\"", "PASSWORD 'SCRAM-SHA-256$4096:abc'", ";" } },
    };
    for (const AlterCase &c : cases) {
        TRoleState loaded = role("x");
        TRoleState now = role("x");
        c.change(loaded, now);
        EXPECT_EQ(RoleAlterScript(loaded, now, { c.version, c.edb }), c.expected)
            << c.what << "\n"
            << RoleAlterScript(loaded, now, { c.version, c.edb }).join('\n').toStdString();
    }
}

TEST_F(RoleBuilders, CreateScriptReproducesTheCatalog)
{
    TRoleState s = role("x");
    s.ConnLimit = "3";
    s.ValidUntil = "2031-05-06 07:08:09";
    s.BypassRls = true;
    s.Roles = { { "r_a", true, true }, { "r_b", false, false } };
    s.Schemas = { { "s", true, false }, { "s", true, true } };
    TRoleCatalog catalog;
    catalog.HasComment = true;
    catalog.Comment = "it's";
    const QStringList expected { "CREATE ROLE \"x\"",
                                 "NOSUPERUSER",
                                 "NOCREATEDB",
                                 "NOCREATEROLE",
                                 "INHERIT",
                                 "NOREPLICATION",
                                 "BYPASSRLS",
                                 "VALID UNTIL '2031-05-06 07:08:09'",
                                 "CONNECTION LIMIT 3",
                                 ";",
                                 "GRANT \"r_a\" TO \"x\" WITH ADMIN OPTION",
                                 ";",
                                 "GRANT CREATE ON SCHEMA \"s\" TO \"x\"",
                                 ";",
                                 "GRANT USAGE ON SCHEMA \"s\" TO \"x\" WITH GRANT OPTION",
                                 ";",
                                 "COMMENT ON ROLE \"x\" IS 'it''s'",
                                 ";" };
    EXPECT_EQ(RoleCreateScript(s, { 150000, false }, catalog), expected);

    // a user always states its expiry; the edition adds its three link statements
    TRoleState u = role("u", true);
    u.SuperUser = true;
    u.CreateDbLink = true;
    const QStringList user { "CREATE USER \"u\"",
                             "SUPERUSER",
                             "NOCREATEDB",
                             "NOCREATEROLE",
                             "INHERIT",
                             "NOREPLICATION",
                             "VALID UNTIL 'infinity'",
                             "CONNECTION LIMIT -1",
                             ";",
                             "UPDATE pg_authid SET rolcatupdate = FALSE WHERE rolname = 'u'",
                             ";",
                             "GRANT CREATE DATABASE LINK TO \"u\"",
                             ";",
                             "REVOKE CREATE PUBLIC DATABASE LINK FROM \"u\"",
                             ";",
                             "REVOKE DROP PUBLIC DATABASE LINK FROM \"u\"",
                             ";" };
    EXPECT_EQ(RoleCreateScript(u, { 90400, true }), user);
    EXPECT_EQ(RoleDropScript(u), QStringList({ "DROP USER \"u\"", ";" }));
}

TEST_F(RoleBuilders, PasswordClausesAndRecreateLosses)
{
    const auto fake = [](const QString &clear) -> QString {
        return "SCRAM-SHA-256$" + QString::number(clear.size());
    };
    EXPECT_EQ(EncryptPasswordClauses("CREATE USER a PASSWORD 'pw''x' -- PASSWORD 'no'\n;", fake),
              QString("CREATE USER a PASSWORD '" + fake("pw'x") + "' -- PASSWORD 'no'\n;"));
    EXPECT_EQ(EncryptPasswordClauses("ALTER USER a PASSWORD 'SCRAM-SHA-256$k'", fake),
              "ALTER USER a PASSWORD 'SCRAM-SHA-256$k'");
    EXPECT_TRUE(TextSetsPassword("create user a\npassword  'x'"));
    EXPECT_FALSE(TextSetsPassword("create user a -- password 'x'"));
    EXPECT_FALSE(TextSetsPassword("create user a password null"));

    TRoleHoldings held;
    held.Members = { "m1", "m2" };
    held.Settings = { "work_mem=64MB" };
    held.SettingNames = { "work_mem" };
    held.HasComment = true;
    held.ObjectPrivileges = { "SELECT ON TABLE \"public\".\"t\"" };
    held.HasPassword = true;
    const TRoleState u = role("u", true);
    EXPECT_EQ(RoleRecreateLosses(u, held, "CREATE USER u;\nGRANT u TO m2;"),
              QStringList({ "メンバー m1", "設定 work_mem=64MB", "コメント",
                            "オブジェクト権限 SELECT ON TABLE \"public\".\"t\"", "パスワード" }));
    EXPECT_TRUE(
        RoleRecreateLosses(u, held,
                           "CREATE USER u PASSWORD 'p';\nGRANT u TO m1;\nGRANT u TO m2;\n"
                           "ALTER USER u SET work_mem = '64MB';\nCOMMENT ON ROLE u IS 'c';\n"
                           "GRANT SELECT ON TABLE public.t TO u;")
            .isEmpty());
}

} // namespace roledeftest
