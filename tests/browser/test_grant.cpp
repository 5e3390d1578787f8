// GRANT scripts of the connection window: the statements written for one object, for one role
// and for one tablespace, and that a script run after the privileges were revoked gives the
// same privileges back.
#include "browsertest.h"

#include "core/qvencoding.h"
#include "core/qvgrant.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "platform/pg/error.h"
#include "platform/pg/result.h"

#include <QBuffer>
#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

using browsertest::BrowserTest;

namespace granttest {

// Roles of this process (cluster-wide, so named uniquely) and the objects of schema gs that
// they own and hold. Dropped again at the end.
class GrantFixture
{
public:
    explicit GrantFixture(const testsupport::TestDatabase &db)
        : m_db(db)
        , owner(testsupport::uniqueName(QStringLiteral("gw")))
        , holder(owner + QStringLiteral("_more"))
        , odd(owner + QStringLiteral(" O\"dd"))
    {
        for (const QString &role : roles())
            testsupport::exec(testsupport::conninfo(QStringLiteral("postgres")),
                              QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(quoted(role)));
        const QString o = quoted(owner), h = quoted(holder), q = quoted(odd);
        m_db.exec(
            QStringLiteral("CREATE SCHEMA gs;"
                           "GRANT USAGE ON SCHEMA gs TO %1, %2, %3;"
                           "CREATE TABLE gs.t (id integer);"
                           "CREATE TABLE gs.nullacl (id integer);"
                           "CREATE TABLE gs.emptyacl (id integer);"
                           "CREATE VIEW gs.v AS SELECT 1 AS x;"
                           "CREATE PROCEDURE gs.p(a integer, INOUT b integer) LANGUAGE sql "
                           "  AS 'SELECT a';"
                           "CREATE FUNCTION gs.f(text) RETURNS text LANGUAGE sql AS 'SELECT $1';"
                           "CREATE TYPE gs.ty AS ENUM ('a', 'b');"
                           "CREATE SEQUENCE gs.s;"
                           "ALTER TABLE gs.t OWNER TO %1;"
                           "ALTER TABLE gs.nullacl OWNER TO %1;"
                           "ALTER TABLE gs.emptyacl OWNER TO %1;"
                           "ALTER VIEW gs.v OWNER TO %1;"
                           "ALTER PROCEDURE gs.p(integer, integer) OWNER TO %1;"
                           "ALTER FUNCTION gs.f(text) OWNER TO %1;"
                           "ALTER TYPE gs.ty OWNER TO %1;"
                           "ALTER SEQUENCE gs.s OWNER TO %1;"
                           "REVOKE ALL ON gs.emptyacl FROM %1;"
                           "GRANT SELECT ON gs.t TO %3 WITH GRANT OPTION;"
                           "GRANT UPDATE ON gs.t TO %3;"
                           "SET ROLE %3; GRANT SELECT ON gs.t TO %2; RESET ROLE;"
                           "GRANT SELECT ON gs.v TO PUBLIC;"
                           "REVOKE EXECUTE ON PROCEDURE gs.p(integer, integer) FROM PUBLIC;"
                           "GRANT EXECUTE ON PROCEDURE gs.p(integer, integer) TO %2;"
                           "GRANT USAGE ON TYPE gs.ty TO %2 WITH GRANT OPTION;"
                           "GRANT USAGE, SELECT ON SEQUENCE gs.s TO %2;"
                           "GRANT EXECUTE ON FUNCTION inv.joined(text, text) TO %2;")
                .arg(o, h, q));
    }
    ~GrantFixture()
    {
        try {
            for (const QString &role : roles())
                m_db.exec(QStringLiteral("DROP OWNED BY %1 CASCADE").arg(quoted(role)));
            for (const QString &role : roles())
                testsupport::exec(testsupport::conninfo(QStringLiteral("postgres")),
                                  QStringLiteral("DROP ROLE %1").arg(quoted(role)));
        } catch (const std::exception &e) {
            ADD_FAILURE() << "roles not dropped: " << e.what();
        }
    }
    GrantFixture(const GrantFixture &) = delete;
    GrantFixture &operator=(const GrantFixture &) = delete;

    static QString quoted(const QString &role)
    {
        QString text = role;
        text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    QStringList roles() const { return { owner, holder, odd }; }
    // The pg_proc oid of a routine as decimal text.
    QString oidOf(const QString &signature) const
    {
        return m_db.query(QStringLiteral("SELECT '%1'::regprocedure::oid").arg(signature));
    }
    // grantee, privilege and grant option of every privilege the ACL (or, when it is NULL, the
    // kind's defaults) holds, sorted; grantors are left out, since the replayed script grants
    // everything as the owner.
    QStringList privileges(const QString &aclSql) const
    {
        QStringList rows = testsupport::queryColumn(
            m_db.conninfo(),
            QStringLiteral("SELECT coalesce(r.rolname, 'PUBLIC') || ' ' || e.privilege_type || "
                           "CASE WHEN e.is_grantable THEN ' *' ELSE '' END "
                           "FROM (%1) a(acl), aclexplode(a.acl) e "
                           "LEFT JOIN pg_roles r ON r.oid = e.grantee")
                .arg(aclSql));
        rows.sort();
        return rows;
    }

    const testsupport::TestDatabase &m_db;
    const QString owner;
    const QString holder; // its name contains the owner's
    const QString odd; // needs quotes, holds a quote
};

QString grantText(ConnectionWindow &window, const QString &schema, const QString &name, int mode,
                  const QString &kind = QString(), const QString &oid = QString())
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    window.OutputGrant(schema, name, buffer, mode, kind, oid);
    return GetFileEncoding().decode(buffer.data());
}

// For readable failure messages.
std::string str(const QString &text)
{
    return text.toStdString();
}

// The lines of a script: each statement followed by ";".
QString script(const QStringList &statements)
{
    QString text;
    for (const QString &s : statements)
        text += s + QStringLiteral("\r\n;\r\n");
    return text;
}

// The script as one string the server runs statement by statement.
QString runnable(const QString &text)
{
    QString sql = text;
    sql.replace(QStringLiteral("\r\n;\r\n"), QStringLiteral(";\n"));
    return sql;
}

class GrantTest : public BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        m_savedScript = ScriptOption;
        ScriptOption.Owner = 0;
        AppOption.Encoding = TqvEncoding::Utf8;
    }
    void TearDown() override
    {
        ScriptOption = m_savedScript;
        BrowserTest::TearDown();
    }

private:
    TScriptOption m_savedScript;
};

TEST_F(GrantTest, OneObjectPerKind)
{
    GrantFixture fx(db);
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    const QString o = QuoteName(fx.owner), h = QuoteName(fx.holder), q = QuoteName(fx.odd);
    const auto ownerAll = [&](const QString &ref) {
        QStringList out;
        for (const char *p :
             { "DELETE", "INSERT", "REFERENCES", "SELECT", "TRIGGER", "TRUNCATE", "UPDATE" })
            out << QStringLiteral("GRANT %1 ON %2 TO %3").arg(QLatin1String(p), ref, o);
        return out;
    };
    struct Case
    {
        const char *name;
        QString schema, object, kind, oid;
        QStringList expected;
        QString acl; // the catalog's ACL, for the replay; empty: no replay
    };
    const QString tRef = QStringLiteral("TABLE gs.t");
    const QString pRef = QStringLiteral("PROCEDURE gs.p(int4,int4)");
    const QString jRef = QStringLiteral("FUNCTION inv.joined(text,text)");
    const QString superuser = db.query(QStringLiteral("SELECT current_user"));
    const Case cases[] = {
        { "table: r*w, a grantor who is not the owner, a quoted name", "gs", "t", "TABLE", "",
          ownerAll(tRef)
              + QStringList { QStringLiteral("GRANT SELECT ON %1 TO %2 WITH GRANT OPTION")
                                  .arg(tRef, q),
                              QStringLiteral("GRANT UPDATE ON %1 TO %2").arg(tRef, q),
                              QStringLiteral("GRANT SELECT ON %1 TO %2").arg(tRef, h) },
          "SELECT relacl FROM pg_class WHERE oid = 'gs.t'::regclass" },
        { "NULL ACL: the owner's defaults", "gs", "nullacl", "TABLE", "",
          ownerAll(QStringLiteral("TABLE gs.nullacl")),
          "SELECT coalesce(relacl, acldefault('r', relowner)) FROM pg_class "
          "WHERE oid = 'gs.nullacl'::regclass" },
        { "empty ACL: nobody holds anything", "gs", "emptyacl", "TABLE", "", {}, "" },
        { "view to PUBLIC, written as TABLE", "gs", "v", "VIEW", "",
          ownerAll(QStringLiteral("TABLE gs.v"))
              + QStringList { QStringLiteral("GRANT SELECT ON TABLE gs.v TO public") },
          "SELECT relacl FROM pg_class WHERE oid = 'gs.v'::regclass" },
        { "procedure",
          "",
          "",
          "PROCEDURE",
          fx.oidOf("gs.p(integer,integer)"),
          { QStringLiteral("GRANT EXECUTE ON %1 TO %2").arg(pRef, o),
            QStringLiteral("GRANT EXECUTE ON %1 TO %2").arg(pRef, h) },
          "SELECT proacl FROM pg_proc WHERE oid = 'gs.p(integer,integer)'::regprocedure" },
        { "function with a NULL ACL: public first",
          "",
          "",
          "FUNCTION",
          fx.oidOf("gs.f(text)"),
          { QStringLiteral("GRANT EXECUTE ON FUNCTION gs.f(text) TO public"),
            QStringLiteral("GRANT EXECUTE ON FUNCTION gs.f(text) TO %1").arg(o) },
          "SELECT coalesce(proacl, acldefault('f', proowner)) FROM pg_proc "
          "WHERE oid = 'gs.f(text)'::regprocedure" },
        { "ordered-set aggregate",
          "",
          "",
          "AGGREGATE",
          fx.oidOf("inv.joined(text,text)"),
          { QStringLiteral("GRANT EXECUTE ON %1 TO public").arg(jRef),
            QStringLiteral("GRANT EXECUTE ON %1 TO %2").arg(jRef, QuoteName(superuser)),
            QStringLiteral("GRANT EXECUTE ON %1 TO %2").arg(jRef, h) },
          "SELECT proacl FROM pg_proc WHERE oid = 'inv.joined(text,text)'::regprocedure" },
        { "type",
          "gs",
          "ty",
          "TYPE",
          "",
          { QStringLiteral("GRANT USAGE ON TYPE gs.ty TO public"),
            QStringLiteral("GRANT USAGE ON TYPE gs.ty TO %1").arg(o),
            QStringLiteral("GRANT USAGE ON TYPE gs.ty TO %1 WITH GRANT OPTION").arg(h) },
          "SELECT typacl FROM pg_type WHERE oid = 'gs.ty'::regtype" },
        { "sequence",
          "gs",
          "s",
          "SEQUENCE",
          "",
          { QStringLiteral("GRANT SELECT ON SEQUENCE gs.s TO %1").arg(o),
            QStringLiteral("GRANT UPDATE ON SEQUENCE gs.s TO %1").arg(o),
            QStringLiteral("GRANT USAGE ON SEQUENCE gs.s TO %1").arg(o),
            QStringLiteral("GRANT SELECT ON SEQUENCE gs.s TO %1").arg(h),
            QStringLiteral("GRANT USAGE ON SEQUENCE gs.s TO %1").arg(h) },
          "SELECT relacl FROM pg_class WHERE oid = 'gs.s'::regclass" },
        { "a kind without privileges", "gs", "t", "INDEX", "", {}, "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString text = grantText(*window, c.schema, c.object, 1, c.kind, c.oid);
        EXPECT_EQ(str(text), str(script(c.expected)));
        if (c.acl.isEmpty())
            continue;
        // Everything revoked (the owner's too), then the script gives the same privileges back.
        const QStringList before = fx.privileges(c.acl);
        const QString ref = c.expected.first()
                                .section(QStringLiteral(" ON "), 1)
                                .section(QStringLiteral(" TO "), 0, 0);
        db.exec(QStringLiteral("REVOKE ALL ON %1 FROM PUBLIC, %2, %3, %4, %5 CASCADE")
                    .arg(ref, GrantFixture::quoted(fx.owner), GrantFixture::quoted(fx.holder),
                         GrantFixture::quoted(fx.odd), GrantFixture::quoted(superuser)));
        EXPECT_NE(fx.privileges(c.acl), before);
        db.exec(runnable(text));
        EXPECT_EQ(str(fx.privileges(c.acl).join('|')), str(before.join('|')));
    }
}

TEST_F(GrantTest, QualificationFollowsTheOwnerSetting)
{
    GrantFixture fx(db);
    TfrmObject *window = open(QStringLiteral("gs"));
    ASSERT_NE(window, nullptr);
    const QString h = QuoteName(fx.holder);
    const QString joinedOid = fx.oidOf("inv.joined(text,text)");
    const struct
    {
        int owner;
        QString seq, joined;
    } cases[] = {
        { 0, "gs.s", "inv.joined" },
        { 1, "s", "inv.joined" },
        { 2, "s", "joined" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.owner);
        ScriptOption.Owner = c.owner;
        EXPECT_TRUE(
            grantText(*window, "gs", "s", 1, "SEQUENCE")
                .endsWith(
                    QStringLiteral("GRANT USAGE ON SEQUENCE %1 TO %2\r\n;\r\n").arg(c.seq, h)));
        EXPECT_TRUE(grantText(*window, "", "", 1, "AGGREGATE", joinedOid)
                        .endsWith(QStringLiteral("GRANT EXECUTE ON FUNCTION %1(text,text) TO "
                                                 "%2\r\n;\r\n")
                                      .arg(c.joined, h)));
    }
}

TEST_F(GrantTest, OneRoleKeepsItsOwnItems)
{
    GrantFixture fx(db);
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    const QString o = QuoteName(fx.owner), h = QuoteName(fx.holder);
    QStringList ownerScript;
    const auto table = [&](const QString &name) {
        for (const char *p :
             { "DELETE", "INSERT", "REFERENCES", "SELECT", "TRIGGER", "TRUNCATE", "UPDATE" })
            ownerScript
                << QStringLiteral("GRANT %1 ON TABLE gs.%2 TO %3").arg(QLatin1String(p), name, o);
    };
    // by schema and name; the empty ACL gives nothing, the NULL ACLs the owner's defaults
    ownerScript << QStringLiteral("GRANT EXECUTE ON FUNCTION gs.f(text) TO %1").arg(o);
    table("nullacl");
    ownerScript << QStringLiteral("GRANT EXECUTE ON PROCEDURE gs.p(int4,int4) TO %1").arg(o);
    ownerScript << QStringLiteral("GRANT SELECT ON SEQUENCE gs.s TO %1").arg(o)
                << QStringLiteral("GRANT UPDATE ON SEQUENCE gs.s TO %1").arg(o)
                << QStringLiteral("GRANT USAGE ON SEQUENCE gs.s TO %1").arg(o);
    table("t");
    ownerScript << QStringLiteral("GRANT USAGE ON TYPE gs.ty TO %1").arg(o);
    table("v");
    EXPECT_EQ(str(grantText(*window, fx.owner, "%", 2)), str(script(ownerScript)));

    const QString holderText = grantText(*window, fx.holder, "%", 2);
    EXPECT_EQ(
        str(holderText),
        str(script(
            { QStringLiteral("GRANT EXECUTE ON PROCEDURE gs.p(int4,int4) TO %1").arg(h),
              QStringLiteral("GRANT SELECT ON SEQUENCE gs.s TO %1").arg(h),
              QStringLiteral("GRANT USAGE ON SEQUENCE gs.s TO %1").arg(h),
              QStringLiteral("GRANT SELECT ON TABLE gs.t TO %1").arg(h),
              QStringLiteral("GRANT USAGE ON TYPE gs.ty TO %1 WITH GRANT OPTION").arg(h),
              QStringLiteral("GRANT EXECUTE ON FUNCTION inv.joined(text,text) TO %1").arg(h) })));

    // The role's privileges come back after they were all revoked.
    const QString all = QStringLiteral(
        "SELECT relacl FROM pg_class WHERE relnamespace = 'gs'::regnamespace UNION ALL "
        "SELECT proacl FROM pg_proc WHERE pronamespace = 'gs'::regnamespace "
        "OR oid = 'inv.joined(text,text)'::regprocedure UNION ALL "
        "SELECT typacl FROM pg_type WHERE oid = 'gs.ty'::regtype");
    const QString mine = QStringLiteral("SELECT x FROM (%1) a(x)").arg(all);
    const auto heldBy = [&](const QString &role) {
        QStringList rows;
        for (const QString &row : fx.privileges(mine))
            if (row.startsWith(role + QLatin1Char(' ')))
                rows << row;
        return rows;
    };
    const QStringList before = heldBy(fx.holder);
    ASSERT_EQ(before.size(), 6) << str(before.join('|'));
    const QString hq = GrantFixture::quoted(fx.holder);
    db.exec(QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA gs FROM %1 CASCADE;"
                           "REVOKE ALL ON ALL SEQUENCES IN SCHEMA gs FROM %1 CASCADE;"
                           "REVOKE ALL ON ALL ROUTINES IN SCHEMA gs FROM %1 CASCADE;"
                           "REVOKE ALL ON TYPE gs.ty FROM %1 CASCADE;"
                           "REVOKE ALL ON FUNCTION inv.joined(text, text) FROM %1;"
                           "SET ROLE %2; REVOKE SELECT ON gs.t FROM %1; RESET ROLE;")
                .arg(hq, GrantFixture::quoted(fx.odd)));
    EXPECT_TRUE(heldBy(fx.holder).isEmpty());
    db.exec(runnable(holderText));
    EXPECT_EQ(str(heldBy(fx.holder).join('|')), str(before.join('|')));
}

TEST_F(GrantTest, TablespaceCreate)
{
    GrantFixture fx(db);
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    const QString name = testsupport::uniqueName(QStringLiteral("gts"));
    const QString postgres = testsupport::conninfo(QStringLiteral("postgres"));
    // a folder beside the cluster's data folder, made by the server's own user
    const QString folder = testsupport::queryValue(
                               postgres, QStringLiteral("SELECT current_setting('data_directory')"))
        + QStringLiteral("_") + name;
    testsupport::exec(postgres,
                      QStringLiteral("COPY (SELECT 1) TO PROGRAM 'mkdir -p %1'").arg(folder));
    testsupport::exec(postgres,
                      QStringLiteral("CREATE TABLESPACE %1 LOCATION '%2'").arg(name, folder));
    testsupport::exec(postgres,
                      QStringLiteral("GRANT CREATE ON TABLESPACE %1 TO %2 WITH GRANT "
                                     "OPTION")
                          .arg(name, GrantFixture::quoted(fx.odd)));
    const QString superuser = db.query(QStringLiteral("SELECT current_user"));
    const QString text = grantText(*window, "%", name, 3);
    testsupport::exec(postgres, QStringLiteral("DROP TABLESPACE %1").arg(name));
    testsupport::exec(postgres,
                      QStringLiteral("COPY (SELECT 1) TO PROGRAM 'rmdir %1'").arg(folder));
    EXPECT_EQ(
        str(text),
        str(script(
            { QStringLiteral("GRANT CREATE ON TABLESPACE %1 TO %2").arg(name, QuoteName(superuser)),
              QStringLiteral("GRANT CREATE ON TABLESPACE %1 TO %2 WITH GRANT OPTION")
                  .arg(name, QuoteName(fx.odd)) })));
}

TEST_F(GrantTest, FailureLeavesTheStreamUntouched)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    buffer.write("kept\r\n");
    EXPECT_THROW(window->OutputGrant("", "", buffer, 1, "FUNCTION", "12a"), std::invalid_argument);
    // an oid that names no routine: no rows, nothing written
    EXPECT_NO_THROW(window->OutputGrant("", "", buffer, 1, "FUNCTION", "1"));
    EXPECT_EQ(buffer.data(), QByteArray("kept\r\n"));
    // UTF-16 LE without a byte-order mark, appended where the stream stands
    AppOption.Encoding = TqvEncoding::Utf16LE;
    window->OutputGrant("inv", "warehouse", buffer, 1, "TABLE");
    const QByteArray tail = buffer.data().mid(6);
    EXPECT_TRUE(tail.startsWith(QByteArray("G\0R\0", 4)));
    EXPECT_TRUE(TqvEncoding(TqvEncoding::Utf16LE)
                    .decode(tail)
                    .contains(QStringLiteral("GRANT SELECT ON TABLE inv.warehouse TO public")));
}

TEST(GrantStatements, LettersAndDefaults)
{
    TGrantNaming naming;
    const auto row = [](const QString &kind, QStringList acl, bool countNull) {
        TGrantRow r;
        r.kind = kind;
        r.schema = QStringLiteral("s");
        r.name = QStringLiteral("o");
        r.owner = QStringLiteral("own");
        r.acl = acl;
        r.aclCountNull = countNull;
        return r;
    };
    struct Case
    {
        const char *name;
        TGrantRow row;
        int mode;
        QString schema;
        QStringList expected;
    };
    const Case cases[] = {
        { "d is delete, D truncate, x references, X execute",
          row("TABLE", { "a=dDx/own" }, false),
          1,
          "",
          { "GRANT DELETE ON TABLE s.o TO a", ";", "GRANT REFERENCES ON TABLE s.o TO a", ";",
            "GRANT TRUNCATE ON TABLE s.o TO a", ";" } },
        { "letters without statements", row("TABLE", { "a=cT/own" }, false), 1, "", {} },
        { "a procedure without ACL gets nothing", row("PROCEDURE", {}, true), 1, "", {} },
        { "mode 2: defaults only for the owner, no public",
          row("FUNCTION", {}, true),
          2,
          "own",
          { "GRANT EXECUTE ON FUNCTION s.o() TO own", ";" } },
        { "mode 2: another role's defaults are not written",
          row("FUNCTION", {}, true),
          2,
          "ow",
          {} },
        { "mode 2: exact grantee only",
          row("TABLE", { "ow=r/own", "own2=w/own", "own=a*/own" }, false),
          2,
          "own",
          { "GRANT INSERT ON TABLE s.o TO own WITH GRANT OPTION", ";" } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GrantStatements({ c.row }, c.mode, c.schema, naming), c.expected);
    }
}

} // namespace granttest
