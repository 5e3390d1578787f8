// Argument lists and signatures of routines: every routine and aggregate of the sample schema
// can be dropped by the signature built here, and the argument records hold what the server
// stores.
#include "core/qvfuncargs.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"

#include "testserver.h"

#include <gtest/gtest.h>

namespace funcargstest {

constexpr int serverVersion = 150000;

class UseLowerName
{
public:
    explicit UseLowerName(bool on)
        : m_previous(AppOption.UseLowerName)
    {
        AppOption.UseLowerName = on;
    }
    ~UseLowerName() { AppOption.UseLowerName = m_previous; }

private:
    bool m_previous;
};

void openOn(pg::Connection &connection, const testsupport::TestDatabase &db)
{
    const testsupport::ServerInfo &server = testsupport::server();
    connection.setParam("Server", server.host);
    connection.setParam("Port", QString::number(server.port));
    connection.setParam("Database", db.name());
    connection.setParam("User_Name", server.user);
    connection.open();
}

struct Routine
{
    pg::Oid oid;
    QString schema;
    QString name;
    QString kind;
    bool internalDependency; // the range constructors go only with their type
};

QList<Routine> fixtureRoutines(pg::Connection &connection)
{
    const pg::Result rows = connection.exec(R"(
SELECT p.oid, n.nspname, p.proname, p.prokind,
       EXISTS (SELECT 1 FROM pg_depend d
                WHERE d.classid = 'pg_proc'::regclass AND d.objid = p.oid AND d.deptype = 'i')
  FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace
 WHERE n.nspname IN ('inv', 'sales')
 ORDER BY p.oid)");
    QList<Routine> routines;
    for (int r = 0; r < rows.rowCount(); ++r)
        routines.append({ rows.text(r, 0).toUInt(), rows.text(r, 1), rows.text(r, 2),
                          rows.text(r, 3), rows.text(r, 4) == "t" });
    return routines;
}

QString dropKeyword(const QString &kind)
{
    if (kind == "p")
        return "PROCEDURE";
    if (kind == "a")
        return "AGGREGATE";
    return "FUNCTION";
}

// DROP … CASCADE by the signature, inside a transaction that is rolled back. Every routine is
// found: the drop succeeds, or for a range constructor fails only because its type needs it.
TEST(FuncArguments, EveryFixtureRoutineCanBeDroppedBySignature)
{
    const testsupport::TestDatabase db;
    pg::Connection connection;
    openOn(connection, db);
    const QList<Routine> routines = fixtureRoutines(connection);
    ASSERT_GE(routines.size(), 35);

    struct Setting
    {
        bool useLowerName;
        bool schemaInPath; // the object's schema given and on the search path, else none
    };
    for (const Setting setting : { Setting { false, false }, Setting { true, false },
                                   Setting { false, true }, Setting { true, true } }) {
        const UseLowerName option(setting.useLowerName);
        for (const Routine &routine : routines) {
            FncArgArray args;
            ASSERT_TRUE(GetFuncArguments(routine.oid, connection, args, serverVersion));
            const QString signature
                = GetFuncArgTypes(args, 5, setting.schemaInPath ? routine.schema : QString());
            const QString statement
                = QStringLiteral("DROP %1 %2.%3(%4) CASCADE")
                      .arg(dropKeyword(routine.kind), routine.schema, routine.name, signature);
            SCOPED_TRACE(statement.toStdString());
            connection.startTransaction();
            connection.execute(
                setting.schemaInPath
                    ? QStringLiteral("SET LOCAL search_path = %1").arg(routine.schema)
                    : QStringLiteral("SET LOCAL search_path = pg_catalog"));
            try {
                connection.execute(statement);
                EXPECT_FALSE(routine.internalDependency);
            } catch (const pg::Error &e) {
                EXPECT_TRUE(routine.internalDependency && e.sqlState() == "2BP01")
                    << e.text().toStdString();
            }
            connection.rollback();
        }
    }
    EXPECT_EQ(db.query("SELECT count(*) FROM pg_proc WHERE pronamespace = 'inv'::regnamespace"),
              QString::number(routines.size() - 1)); // all rolled back; sales has one
}

// Two overloads differ only in the schema of their argument type, one of them the routine's
// own schema. Run under a search path that finds the other type first, the signature of each
// drops that one and leaves the other.
TEST(FuncArguments, SignatureOfATypeInTheRoutinesSchemaNamesThatOverloadUnderAnySearchPath)
{
    const testsupport::TestDatabase db;
    db.exec(R"(CREATE SCHEMA s1;
CREATE TYPE s1."T" AS (a int);
CREATE TYPE public."T" AS (b text);
CREATE FUNCTION s1.f(s1."T") RETURNS int LANGUAGE sql AS 'SELECT 1';
CREATE FUNCTION s1.f(public."T") RETURNS int LANGUAGE sql AS 'SELECT 2';)");
    pg::Connection connection;
    openOn(connection, db);
    const UseLowerName option(false);
    for (const char *typeSchema : { "s1", "public" }) {
        const pg::Oid oid = connection
                                .exec(QStringLiteral("SELECT p.oid FROM pg_proc p "
                                                     "WHERE p.proname = 'f' AND p.proargtypes[0] "
                                                     "= '%1.\"T\"'::regtype")
                                          .arg(typeSchema))
                                .text(0, 0)
                                .toUInt();
        ASSERT_NE(oid, 0u);
        FncArgArray args;
        ASSERT_TRUE(GetFuncArguments(oid, connection, args, serverVersion));
        const QString signature = GetFuncArgTypes(args, 5, QStringLiteral("s1"));
        EXPECT_EQ(signature, QStringLiteral("%1.\"T\"").arg(typeSchema));
        for (const char *path : { "public, pg_catalog", "s1, public, pg_catalog" }) {
            SCOPED_TRACE(std::string(typeSchema) + " with search_path " + path);
            connection.startTransaction();
            connection.execute(QStringLiteral("SET LOCAL search_path = %1").arg(path));
            connection.execute(QStringLiteral("DROP FUNCTION s1.f(%1)").arg(signature));
            EXPECT_EQ(
                connection
                    .exec(QStringLiteral("SELECT count(*) FROM pg_proc WHERE oid = %1").arg(oid))
                    .text(0, 0),
                QStringLiteral("0"));
            EXPECT_EQ(connection
                          .exec(QStringLiteral("SELECT count(*) FROM pg_proc "
                                               "WHERE proname = 'f'"))
                          .text(0, 0),
                      QStringLiteral("1"));
            connection.rollback();
        }
    }
}

pg::Oid routineOid(pg::Connection &connection, const QString &name)
{
    const pg::Result rows = connection.exec(
        "SELECT oid FROM pg_proc WHERE pronamespace = 'inv'::regnamespace AND proname = $1",
        { pg::Param(name) });
    EXPECT_EQ(rows.rowCount(), 1) << name.toStdString();
    return rows.text(0, 0).toUInt();
}

struct ArgCase
{
    QString routine;
    QString modes; // one letter per argument
    QStringList names; // per argument
    QString orderFlags; // "1" for a flagged argument
    QString typeNames; // strTypeNaCon joined by ","
    QString identity; // filter 5, schema inv, UseLowerName off
    QString everything; // filter 6
};

TEST(FuncArguments, RecordsAndSignatures)
{
    const testsupport::TestDatabase db;
    pg::Connection connection;
    openOn(connection, db);
    const UseLowerName option(false);
    const QList<ArgCase> cases = {
        { "split_name",
          "ioo",
          { "full_name", "first_part", "last_part" },
          "000",
          "text,text,text",
          "text",
          "text,text,text" },
        { "items_in",
          "itt",
          { "p_warehouse", "item_id", "item_name" },
          "000",
          "integer,integer,text",
          "int4",
          "int4,int4,text" },
        { "adjust", "bi", { "qty", "delta" }, "00", "integer,integer", "int4,int4", "int4,int4" },
        { "total", "v", { "vals" }, "0", "numeric[]", "_numeric", "_numeric" },
        { "first_of", "i", { "" }, "0", "integer[]", "_int4", "_int4" },
        { "twice", "ii", { "", "" }, "00", "integer,text", "int4,text", "int4,text" },
        { "distance",
          "iio",
          { "a", "b", "d" },
          "000",
          "ext.\"Geo.Point\",ext.\"Geo.Point\",double precision",
          "ext.\"Geo.Point\",ext.\"Geo.Point\"",
          "ext.\"Geo.Point\",ext.\"Geo.Point\",float8" },
        { "greet",
          "iv",
          { "", "names" },
          "00",
          "ext.\"say\"\"hi\",text[]",
          "ext.\"say\"\"hi\",_text",
          "ext.\"say\"\"hi\",_text" },
        { "now_text", "", {}, "", "", "", "" },
        { "count_in", "io", { "p_warehouse", "n" }, "00", "integer,bigint", "int4", "int4,int8" },
        // A type name that is a keyword is quoted also with the option off.
        { "product", "i", { "" }, "0", "numeric", "\"numeric\"", "\"numeric\"" },
        { "joined",
          "ii",
          { "", "" },
          "01",
          "text,text",
          "text ORDER BY text",
          "text ORDER BY text" },
        { "sorted_list", "i", { "" }, "1", "text", "ORDER BY text", "ORDER BY text" },
        { "pair_list",
          "iii",
          { "", "", "" },
          "011",
          "text,text,integer",
          "text ORDER BY text,int4",
          "text ORDER BY text,int4" },
        // Variadic in both lists: stored as one argument, written once without ORDER BY.
        { "my_rank", "v", { "" }, "0", "\"any\"", "\"any\"", "\"any\"" },
        { "raw_text_out", "i", { "" }, "0", "inv.raw_text", "inv.raw_text", "inv.raw_text" },
    };
    for (const ArgCase &c : cases) {
        SCOPED_TRACE(c.routine.toStdString());
        FncArgArray args;
        ASSERT_TRUE(
            GetFuncArguments(routineOid(connection, c.routine), connection, args, serverVersion));
        ASSERT_EQ(args.size(), c.modes.size());
        QStringList typeNames;
        for (int i = 0; i < args.size(); ++i) {
            const TFuncArgument &a = args[i];
            EXPECT_EQ(a.strMode, c.modes.at(i)) << i;
            EXPECT_EQ(a.strArgName, c.names.at(i)) << i;
            EXPECT_EQ(a.blnOrder, c.orderFlags.at(i) == u'1') << i;
            EXPECT_NE(a.intOid, 0u);
            EXPECT_TRUE(a.strTypeNaConLen.isEmpty());
            EXPECT_EQ(a.intLength, 0);
            typeNames << a.strTypeNaCon;
        }
        EXPECT_EQ(typeNames.join(','), c.typeNames);
        EXPECT_EQ(GetFuncArgTypes(args, 5, "inv"), c.identity);
        EXPECT_EQ(GetFuncArgTypes(args, 6, "inv"), c.everything);
    }
}

TEST(FuncArguments, ModeFilters)
{
    const testsupport::TestDatabase db;
    pg::Connection connection;
    openOn(connection, db);
    FncArgArray args;
    // adjust(INOUT qty integer, delta integer), greet(ext."say""hi", VARIADIC names text[]),
    // items_in(p_warehouse integer) RETURNS TABLE (item_id integer, item_name text) and
    // split_name(IN full_name text, OUT first_part text, OUT last_part text), in one array.
    for (const char *name : { "adjust", "greet", "items_in", "split_name" }) {
        FncArgArray more;
        GetFuncArguments(routineOid(connection, name), connection, more, serverVersion);
        args += more;
    }
    const UseLowerName option(false);
    const QStringList expected = {
        "int4,ext.\"say\"\"hi\",int4,text", // 0 i
        "text,text", // 1 o
        "int4", // 2 b
        "_text", // 3 v
        "int4,text", // 4 t
        "int4,int4,ext.\"say\"\"hi\",_text,int4,text", // 5 i b v
        "int4,int4,ext.\"say\"\"hi\",_text,int4,int4,text,text,text,text", // 6 all
        "", // 7
    };
    for (int filter = 0; filter < expected.size(); ++filter)
        EXPECT_EQ(GetFuncArgTypes(args, quint8(filter), "inv"), expected[filter]) << filter;
    EXPECT_EQ(GetFuncArgTypes(args, 200, "inv"), "");

    // A type's schema is written also when it is the schema given; pg_catalog never is.
    EXPECT_EQ(GetFuncArgTypes(args, 3, "ext"), "_text");
    EXPECT_EQ(GetFuncArgTypes(args, 0, "ext"), "int4,ext.\"say\"\"hi\",int4,text");
    EXPECT_EQ(GetFuncArgTypes(args, 0, "EXT"), "int4,ext.\"say\"\"hi\",int4,text");

    // With the option on every name is quoted.
    const UseLowerName on(true);
    EXPECT_EQ(GetFuncArgTypes(args, 0, "inv"), "\"int4\",\"ext\".\"say\"\"hi\",\"int4\",\"text\"");
}

TEST(FuncArguments, OldServersReadNoAggregateKinds)
{
    const testsupport::TestDatabase db;
    pg::Connection connection;
    openOn(connection, db);
    FncArgArray args;
    ASSERT_TRUE(GetFuncArguments(routineOid(connection, "joined"), connection, args, 90300));
    ASSERT_EQ(args.size(), 2);
    EXPECT_FALSE(args[0].blnOrder);
    EXPECT_FALSE(args[1].blnOrder);
}

TEST(FuncArguments, UnknownOidAndFailures)
{
    const testsupport::TestDatabase db;
    pg::Connection connection;
    openOn(connection, db);
    FncArgArray args(2);
    args[0].strArgName = "kept";
    ASSERT_TRUE(GetFuncArguments(1, connection, args, serverVersion));
    EXPECT_TRUE(args.isEmpty());

    // An oid above 2^31 is an oid like any other.
    ASSERT_TRUE(GetFuncArguments(4000000000u, connection, args, serverVersion));
    EXPECT_TRUE(args.isEmpty());

    // A failing read leaves the caller's array as it was.
    const pg::Oid adjust = routineOid(connection, "adjust");
    args = FncArgArray(1);
    args[0].strArgName = "kept";
    connection.close();
    EXPECT_THROW(GetFuncArguments(adjust, connection, args, serverVersion), pg::Error);
    ASSERT_EQ(args.size(), 1);
    EXPECT_EQ(args[0].strArgName, "kept");
}

// Many routines in one statement read what one routine at a time reads, ordered-set aggregates
// and routines without arguments included.
TEST(FuncArguments, ManyAtOnce)
{
    const testsupport::TestDatabase db;
    pg::Connection connection;
    openOn(connection, db);
    QList<pg::Oid> oids;
    for (const Routine &routine : fixtureRoutines(connection))
        oids << routine.oid;
    ASSERT_GE(oids.size(), 10);
    oids << 4000000000u;
    QHash<pg::Oid, FncArgArray> many;
    GetFuncArgumentsOf(oids, connection, many, serverVersion);
    EXPECT_FALSE(many.contains(4000000000u));
    for (pg::Oid oid : std::as_const(oids)) {
        SCOPED_TRACE(oid);
        FncArgArray one;
        ASSERT_TRUE(GetFuncArguments(oid, connection, one, serverVersion));
        const FncArgArray read = many.value(oid);
        ASSERT_EQ(read.size(), one.size());
        for (int i = 0; i < one.size(); ++i) {
            EXPECT_EQ(read[i].intOid, one[i].intOid);
            EXPECT_EQ(read[i].strMode, one[i].strMode);
            EXPECT_EQ(read[i].strArgName, one[i].strArgName);
            EXPECT_EQ(read[i].blnOrder, one[i].blnOrder);
            EXPECT_EQ(read[i].strTypeNaCon, one[i].strTypeNaCon);
        }
        EXPECT_EQ(GetFuncArgTypes(read, 5, QString()), GetFuncArgTypes(one, 5, QString()));
    }
    QHash<pg::Oid, FncArgArray> none { { 1, FncArgArray(1) } };
    GetFuncArgumentsOf({}, connection, none, serverVersion);
    EXPECT_TRUE(none.isEmpty());
}

} // namespace funcargstest
