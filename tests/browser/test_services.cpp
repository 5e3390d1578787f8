// The session services: statements with and without parameters, scripts, queries and the pick
// lists, against the fixture's sample schema.
#include "browsertest.h"

#include "browser/fobjectsql.h"
#include "core/qvscript.h"
#include "core/qvtypetext.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"

#include <gtest/gtest.h>

#include <algorithm>

using browsertest::BrowserTest;

namespace servicestest {

TEST(ScriptSplit, Statements)
{
    struct Case
    {
        const char *name;
        QStringList lines;
        QStringList statements;
    };
    const Case cases[] = {
        { "one per semicolon line",
          { "CREATE TABLE a (x int)", ";", "DROP TABLE a", ";" },
          { "CREATE TABLE a (x int)\r\n", "DROP TABLE a\r\n" } },
        { "the last needs no semicolon line",
          { "SELECT 1", ";", "SELECT 2" },
          { "SELECT 1\r\n", "SELECT 2\r\n" } },
        { "blanks and tabs around the semicolon",
          { "SELECT 1", " \t;  ", "SELECT 2" },
          { "SELECT 1\r\n", "SELECT 2\r\n" } },
        { "a comment after the semicolon joins the next statement",
          { "SELECT 1", "; -- done", "SELECT 2" },
          { "SELECT 1\r\n; -- done\r\nSELECT 2\r\n" } },
        { "an ideographic blank is no blank",
          { "SELECT 1", ";\u3000", "SELECT 2" },
          { QString::fromUtf8("SELECT 1\r\n;\u3000\r\nSELECT 2\r\n") } },
        { "blank statements are left out",
          { ";", "  ", ";", "SELECT 1", "", ";", "" },
          { "SELECT 1\r\n\r\n" } },
        { "lines of a statement keep their text",
          { "  SELECT 1,", "\t2 ;" },
          { "  SELECT 1,\r\n\t2 ;\r\n" } },
        { "empty script", {}, {} },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplitScriptStatements(c.lines), c.statements);
    }
}

TEST_F(BrowserTest, ExecuteWithParametersBindsByPosition)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    window->ExecuteSQL("INSERT INTO sales.customer (customer_id, name, kana) VALUES (:ID, :NAME, "
                       ":KANA)",
                       { "101", "パラメータ", "a:b", "ignored" });
    EXPECT_EQ(query("SELECT kana FROM sales.customer WHERE name = 'パラメータ'"), "a:b");
    // too few values is an error, not a NULL
    EXPECT_THROW(window->ExecuteSQL("INSERT INTO sales.customer (customer_id, name) VALUES (:ID, "
                                    ":NAME)",
                                    { "102" }),
                 pg::Error);
    const pg::Result rows
        = window->OpenSQL("SELECT name FROM sales.customer WHERE name = :N", { "パラメータ" });
    ASSERT_EQ(rows.rowCount(), 1);
    // without parameters a colon is text
    EXPECT_EQ(window->OpenSQL("SELECT ':NAME'::text").text(0, 0), ":NAME");
    // a locking SELECT runs like any other statement
    EXPECT_NO_THROW(window->ExecuteSQL("SELECT * FROM sales.customer FOR UPDATE"));
}

TEST_F(BrowserTest, ScriptRunsEveryStatementInOrder)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    window->ExecuteSQL(QStringList { "CREATE TABLE public.s1 (x int)", ";",
                                     "INSERT INTO public.s1 VALUES (1)", " ; ",
                                     "INSERT INTO public.s1 VALUES (2)" },
                       false);
    EXPECT_EQ(query("SELECT string_agg(x::text, ',' ORDER BY x) FROM public.s1"), "1,2");
}

TEST_F(BrowserTest, ScriptStopsAtTheFirstFailure)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    const QStringList script { "CREATE TABLE public.s2 (x int)",   ";",
                               "INSERT INTO nosuch VALUES (1)",    ";",
                               "INSERT INTO public.s2 VALUES (2)", ";" };
    EXPECT_THROW(window->ExecuteSQL(script, false), pg::Error);
    EXPECT_EQ(query("SELECT count(*) FROM public.s2"), "0");
}

// Going on after a failure, also inside the transaction of the auto-commit-off mode: the
// statements after the failure take effect.
TEST_F(BrowserTest, ScriptWithIgnoreErrorRunsTheRest)
{
    for (const bool autoCommit : { true, false }) {
        SCOPED_TRACE(autoCommit ? "auto-commit" : "in a transaction");
        AppOption.UpdateToCommit = autoCommit;
        TfrmObject *window = open();
        ASSERT_NE(window, nullptr);
        window->ExecuteSQL(QStringList { "CREATE TABLE public.s3 (x int)", ";",
                                         "INSERT INTO nosuch VALUES (1)", ";",
                                         "INSERT INTO public.s3 VALUES (2)" },
                           true);
        EXPECT_EQ(window->OpenSQL("SELECT count(*) FROM public.s3").text(0, 0), "1");
        EXPECT_FALSE(window->dbsMain()->continueOnError());
        if (!autoCommit) {
            EXPECT_EQ(window->dbsMain()->transactionStatus(), pg::TransactionStatus::InTransaction);
        }
        window->ExecuteSQL("DROP TABLE public.s3");
        closeWindow(window);
    }
}

TEST_F(BrowserTest, RolePickLists)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    const QString user = testsupport::server().user;
    const QStringList users = window->GetUser(false);
    EXPECT_TRUE(users.contains(user));
    EXPECT_FALSE(users.contains("corvane_reader"));
    const QStringList withPublic = window->GetUser(true);
    EXPECT_EQ(withPublic.mid(0, withPublic.size() - 1), users);
    EXPECT_EQ(withPublic.last(), "public");

    const QStringList roles = window->GetRole();
    for (const char *role :
         { "corvane Auditor", "corvane_odd/name=1", "corvane_reader", "corvane_writer" })
        EXPECT_TRUE(roles.contains(role)) << role;
    EXPECT_FALSE(roles.contains(user));
    EXPECT_EQ(roles,
              testsupport::queryColumn(db.conninfo(),
                                       "SELECT rolname FROM pg_roles WHERE "
                                       "NOT rolcanlogin ORDER BY 1"));
    EXPECT_EQ(window->GetTBS(), QStringList({ "pg_default", "pg_global" }));
    // no database links on this server
    EXPECT_THROW(window->GetDBLink(), pg::Error);
}

TEST_F(BrowserTest, ObjectPickListsByKind)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    // each list against the catalog read independently
    struct Case
    {
        const char *schema;
        const char *kind;
        const char *catalog;
    };
    const Case cases[] = {
        { "inv", "TABLE",
          "SELECT relname FROM pg_class WHERE relnamespace = 'inv'::regnamespace AND relkind IN "
          "('r', 'f', 'p') ORDER BY 1" },
        { "inv", "view", "SELECT 'item_view'" },
        { "inv", " MATERIALIZED VIEW ", "SELECT 'stock_mv'" },
        { "inv", "SEQUENCE",
          "SELECT relname FROM pg_class WHERE relnamespace = 'inv'::regnamespace AND relkind = "
          "'S' ORDER BY 1" },
        { "inv", "AGGREGATE",
          "SELECT proname FROM pg_proc WHERE pronamespace = 'inv'::regnamespace AND prokind = "
          "'a' ORDER BY 1" },
        { "inv", "PROCEDURE",
          "SELECT proname FROM pg_proc WHERE pronamespace = 'inv'::regnamespace AND prokind = "
          "'p' ORDER BY 1" },
        { "sales", "FUNCTION", "SELECT 'order_count'" },
        { "inv", "TYPE",
          "SELECT unnest(ARRAY['dimension', 'item_state', 'qty_range', 'raw_text'])" },
        { "nosuch", "TABLE", "SELECT 'x' WHERE false" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.schema, c.kind).toStdString());
        EXPECT_EQ(window->GetObject(c.schema, c.kind),
                  testsupport::queryColumn(db.conninfo(), c.catalog));
    }
    EXPECT_TRUE(window->GetObject("inv", "TABLE").contains("remote_item"));
    // an empty schema: every schema
    for (const char *schema : { "", "  " }) {
        const QStringList names = window->GetObject(schema, "VIEW");
        EXPECT_TRUE(names.contains("customer_total"));
        EXPECT_TRUE(names.contains("item_view"));
        EXPECT_TRUE(names.contains("pg_stat_activity"));
    }
}

TEST_F(BrowserTest, ObjectPickListRefusesKindsWithoutAList)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    for (const char *kind : { "", "  ", "PACKAGE", "package", "INDEX", "TRIGGER", "%", "TABLES" }) {
        SCOPED_TRACE(kind);
        try {
            window->GetObject("inv", kind);
            ADD_FAILURE() << "no error";
        } catch (const ObjectKindError &e) {
            EXPECT_FALSE(QString::fromUtf8(e.what()).isEmpty());
        }
    }
}

TEST(ObjectPickListSql, PackagesAndLinksOfTheEdition)
{
    const QString bodies = GetObjectSQL("app", "package body", 150000, true);
    EXPECT_TRUE(bodies.startsWith(" SELECT  pac.pkgname FROM "));
    EXPECT_TRUE(bodies.contains("Nms.nspname = :SCHEMA"));
    EXPECT_TRUE(bodies.endsWith(" ORDER BY      pac.pkgname"));
    // every package, also one without a body yet
    EXPECT_FALSE(bodies.contains("pkgbodysrc IS NOT null"));
    // the link list joins the schema as Nsp
    const QString links = GetObjectSQL("app", "DATABASE LINK", 150000, true);
    EXPECT_TRUE(links.contains("WHERE Nsp.nspname = :SCHEMA"));
    EXPECT_FALSE(links.contains("Nms."));
    EXPECT_FALSE(GetObjectSQL("", "DATABASE LINK", 150000, true).contains(":SCHEMA"));
}

// The link list against a shadow of the edition's catalog: the statement must run.
TEST_F(BrowserTest, LinkPickListOverShadowCatalog)
{
    const QString user = testsupport::server().user;
    db.exec("CREATE TABLE public.edb_dblink (lnkname name, lnkowner oid);"
            "INSERT INTO public.edb_dblink SELECT 'link_b', oid FROM pg_roles WHERE rolname = "
            "current_user;"
            "INSERT INTO public.edb_dblink SELECT 'link_a', oid FROM pg_roles WHERE rolname = "
            "current_user;"
            "CREATE SCHEMA owned_link_schema;");
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetDBLink(), QStringList({ "link_a", "link_b" }));
    const QStringList names = window->GetObject("owned_link_schema", "DATABASE LINK");
    EXPECT_EQ(names, QStringList({ "link_a", "link_b" }));
}

TEST_F(BrowserTest, DataTypePickList)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    const QStringList types = window->GetDataType(45);
    for (const char *name :
         { "integer", "text", "numeric", "integer[]", "serial", "bigserial", "smallserial",
           "timestamp(6) without time zone", "timestamp(6) with time zone[]",
           "time(6) without time zone", "interval YEAR TO MONTH", "interval SECOND[]",
           "inv.dimension", "inv.dimension[]", "inv.item_state", "inv.qty_range", "inv.raw_text" })
        EXPECT_TRUE(types.contains(name)) << name;
    for (const char *name :
         { "void", "trigger", "record", "cstring", "any", "internal", "timestamp without time zone",
           "inv.positive_qty", "ext.Amount", "sales.customer", "pg_class" })
        EXPECT_FALSE(types.contains(name)) << name;
    // user types (qualified by their schema) after every built-in name
    const qsizetype firstUser = types.indexOf("Mixed.dimension");
    ASSERT_GE(firstUser, 0);
    EXPECT_LT(firstUser, types.indexOf("dep.mood"));
    EXPECT_LT(firstUser, types.indexOf("ext.Geo.Point"));
    for (qsizetype i = 0; i < firstUser; ++i)
        EXPECT_FALSE(types.at(i).contains('.')) << types.at(i).toStdString();
    EXPECT_GT(types.indexOf("inv.dimension"), types.indexOf("integer"));
}

TEST_F(BrowserTest, SchemaPickLists)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    // Other fixtures add schemas of their own: the list is checked for its order and for the
    // schemas these cases are about.
    const QStringList watched({ "dep.dot", "ext", "idx", "information_schema", "inv", "pg_catalog",
                                "pg_temp", "pg_toast", "pg_toast_temp", "public", "sales" });
    const auto watchedOf = [&watched](const QStringList &names) {
        QStringList kept;
        for (const QString &name : names)
            if (watched.contains(name))
                kept << name;
        return kept;
    };
    const auto sorted = [](QStringList names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    const QStringList plain = window->GetSchemaInfo(false);
    EXPECT_EQ(plain, sorted(plain));
    EXPECT_EQ(watchedOf(plain),
              QStringList({ "dep.dot", "ext", "idx", "information_schema", "inv", "pg_catalog",
                            "public", "sales" }));
    window->ExecuteSQL("CREATE TEMPORARY TABLE t_tmp (x int)");
    const QStringList all = window->GetSchemaInfo(true);
    EXPECT_EQ(all, sorted(all));
    EXPECT_EQ(watchedOf(all),
              QStringList({ "dep.dot", "ext", "idx", "information_schema", "inv", "pg_catalog",
                            "pg_temp", "pg_toast", "pg_toast_temp", "public", "sales" }));
}

TEST(SchemaPickListSql, EditionLeavesOutPackageNamespaces)
{
    EXPECT_FALSE(GetSchemaInfoSQL(true, 150000, false).contains("nspparent"));
    EXPECT_TRUE(
        GetSchemaInfoSQL(false, 90100, true).endsWith(" AND ( NOT(nspparent != 0)  ) ORDER BY 1"));
    EXPECT_TRUE(GetSchemaInfoSQL(true, 90200, true)
                    .endsWith(" AND ( NOT((nspparent != 0) AND (nspobjecttype = 0)) ) ORDER BY 1"));
}

} // namespace servicestest
