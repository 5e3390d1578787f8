// The stored-program runner's call model against the fixture server: argument rows read from
// the catalog, the call text with its bound values for each kind of program and argument, each
// call run and compared with the same call written by hand, values that reach the server
// exactly as typed, and the edition's package statements as text.
#include "sqlwin/execcall.h"

#include "core/qvobjsql.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/query.h"

#include "core/qvoption.h"
#include "qtprint.h"
#include "testserver.h"

#include <gtest/gtest.h>

namespace execcalltest {

constexpr int serverVersion = 150000;

// Every name in double quotes, as the option UseLowerName (on by default) writes them.
class QuotedNames
{
public:
    QuotedNames()
        : m_old(AppOption.UseLowerName)
    {
        AppOption.UseLowerName = true;
    }
    ~QuotedNames() { AppOption.UseLowerName = m_old; }

private:
    bool m_old;
};

class ExecCallTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const testsupport::ServerInfo &server = testsupport::server();
        connection.setParam("Server", server.host);
        connection.setParam("Port", QString::number(server.port));
        connection.setParam("Database", db.name());
        connection.setParam("User_Name", server.user);
        connection.open();
    }

    // The program of a signature ("inv.adjust(integer,integer)") as the runner reads it.
    TExecProgram load(const QString &signature, int kind)
    {
        const QString oid
            = db.query(QStringLiteral("SELECT '%1'::regprocedure::oid").arg(signature));
        const QStringList names
            = db.query(QStringLiteral("SELECT n.nspname || E'\\n' || p.proname FROM pg_proc p "
                                      "JOIN pg_namespace n ON n.oid = p.pronamespace "
                                      "WHERE p.oid = %1")
                           .arg(oid))
                  .split(u'\n');
        return LoadExecProgram(connection, serverVersion, names.value(0), names.value(1), kind,
                               oid.toLongLong());
    }

    // The node of path ("d" or "d.width").
    static TExecArg *node(TExecProgram &program, const QString &path)
    {
        const QStringList parts = path.split(u'.');
        for (TExecArg &arg : program.Args) {
            if (arg.Name != parts.first())
                continue;
            if (parts.size() == 1)
                return &arg;
            for (TExecArg &child : arg.Children) {
                if (child.Name == parts.at(1))
                    return &child;
            }
        }
        return nullptr;
    }

    // The first row of a result, its fields joined by "|" (NULL as "NULL").
    static QString firstRow(const pg::Result &result)
    {
        QStringList fields;
        for (int c = 0; result.isValid() && result.rowCount() > 0 && c < result.columnCount(); ++c)
            fields << (result.isNull(0, c) ? QStringLiteral("NULL") : result.text(0, c));
        return fields.join(u'|');
    }

    QuotedNames quoted;
    testsupport::TestDatabase db;
    pg::Connection connection;
};

struct CallCase
{
    const char *label;
    const char *signature;
    int kind;
    QList<std::pair<const char *, const char *>> values; // node path, typed value
    const char *text; // the call text
    QStringList bound; // the bound values as text, "NULL" for NULL
    const char *byHand; // the same call as psql would run it
};

QString bound(const pg::Param &p)
{
    return p.value.isNull() ? QStringLiteral("NULL") : p.value.toString();
}

const QList<CallCase> &callCases()
{
    static const QList<CallCase> cases = {
        { "FunctionWithUnnamedArguments",
          "inv.twice(integer,text)",
          52,
          { { "$1", "7" }, { "$2", "ab" } },
          "SELECT * \r\n  FROM \"inv\".\"twice\"(:$1, :$2);",
          { "7", "ab" },
          "SELECT * FROM inv.twice(7, 'ab')" },
        { "NamesKeepTheirCapitals",
          "\"Mixed\".\"Calc\"(integer)",
          52,
          { { "a", "21" } },
          "SELECT * \r\n  FROM \"Mixed\".\"Calc\"(:a);",
          { "21" },
          "SELECT * FROM \"Mixed\".\"Calc\"(21)" },
        { "OnlyTrailingArgumentsUnnamed",
          "\"Mixed\".joined(integer,text,integer)",
          52,
          { { "a", "1" }, { "$2", "x" }, { "$3", "3" } },
          "SELECT * \r\n  FROM \"Mixed\".\"joined\"(:a, :$2, :$3);",
          { "1", "x", "3" },
          "SELECT * FROM \"Mixed\".joined(1, 'x', 3)" },
        { "ProcedureWithoutOutputIsACall",
          "\"Mixed\".say(text)",
          51,
          { { "t", "O'Brien $$" } },
          "CALL \"Mixed\".\"say\"(:t);",
          { "O'Brien $$" },
          nullptr },
        { "ProcedureEmptyValueIsNull",
          "\"Mixed\".say(text)",
          51,
          {},
          "CALL \"Mixed\".\"say\"(:t);",
          { "NULL" },
          nullptr },
        { "ProcedureInOut",
          "inv.count_items(bigint)",
          51,
          {},
          "CALL \"inv\".\"count_items\"(:n);",
          { "NULL" },
          "CALL inv.count_items(NULL)" },
        { "ProcedureOutHasItsPlace",
          "inv.count_in(integer)",
          51,
          { { "p_warehouse", "1" } },
          "CALL \"inv\".\"count_in\"(:p_warehouse, NULL);",
          { "1" },
          "CALL inv.count_in(1, NULL)" },
        { "ArrayResult",
          "\"Mixed\".evens(integer)",
          52,
          { { "n", "3" } },
          "SELECT array_to_string(\"evens\",  ',')\r\n  FROM \"Mixed\".\"evens\"(:n);",
          { "3" },
          "SELECT array_to_string(evens, ',') FROM \"Mixed\".evens(3)" },
        { "CompositeOfAnotherSchemaAndArrayOfIt",
          "\"Mixed\".area(inv.dimension,inv.dimension[])",
          52,
          { { "d.width", "2" }, { "d.height", "3" }, { "ds", "\"(1,1)\",\"(2,2)\"" } },
          "SELECT * \r\n  FROM \"Mixed\".\"area\"(ROW(:width, :height)::\"inv\".\"dimension\", "
          ":ds);",
          { "2", "3", "{\"(1,1)\",\"(2,2)\"}" },
          "SELECT * FROM \"Mixed\".area(ROW(2, 3)::inv.dimension, "
          "ARRAY[ROW(1, 1), ROW(2, 2)]::inv.dimension[])" },
        { "ProcedureCompositeAndEmptyArray",
          "\"Mixed\".keep_dims(inv.dimension,inv.dimension[])",
          51,
          { { "d.width", "1" } },
          "CALL \"Mixed\".\"keep_dims\"(ROW(:width, :height)::\"inv\".\"dimension\", :ds);",
          { "1", "NULL", "{NULL}" },
          nullptr },
        { "QuotedTypeNameExpandsAndAttributesGetTheirOwnParameters",
          "inv.distance(ext.\"Geo.Point\",ext.\"Geo.Point\")",
          52,
          { { "a.x", "0" }, { "a.y", "0" }, { "b.x", "3" }, { "b.y", "4" } },
          "SELECT * \r\n  FROM \"inv\".\"distance\"(ROW(:x, :y)::\"ext\".\"Geo.Point\", "
          "ROW(:\"b.x\", :\"b.y\")::\"ext\".\"Geo.Point\");",
          { "0", "0", "3", "4" },
          "SELECT * FROM inv.distance(ROW(0, 0), ROW(3, 4))" },
        { "VariadicArrayTypedWithoutBraces",
          "inv.total(numeric[])",
          52,
          { { "vals", "1.5,2.25" } },
          "SELECT * \r\n  FROM \"inv\".\"total\"(VARIADIC :vals);",
          { "{1.5,2.25}" },
          "SELECT * FROM inv.total(1.5, 2.25)" },
        { "ArrayInBracesAsTyped",
          "inv.first_of(integer[])",
          52,
          { { "$1", "{4,5}" } },
          "SELECT * \r\n  FROM \"inv\".\"first_of\"(:$1);",
          { "{4,5}" },
          "SELECT * FROM inv.first_of('{4,5}')" },
        { "NumericKeepsEveryDigit",
          "\"Mixed\".echo_num(numeric)",
          52,
          { { "n", "12345678901234567890.123456789" } },
          "SELECT * \r\n  FROM \"Mixed\".\"echo_num\"(:n);",
          { "12345678901234567890.123456789" },
          "SELECT * FROM \"Mixed\".echo_num(12345678901234567890.123456789)" },
        { "FunctionInOut",
          "inv.adjust(integer,integer)",
          52,
          { { "qty", "5" }, { "delta", "3" } },
          "SELECT * \r\n  FROM \"inv\".\"adjust\"(:qty, :delta);",
          { "5", "3" },
          "SELECT * FROM inv.adjust(5, 3)" },
        { "TableColumnsAreNoArguments",
          "inv.items_in(integer)",
          52,
          { { "p_warehouse", "1" } },
          "SELECT * \r\n  FROM \"inv\".\"items_in\"(:p_warehouse);",
          { "1" },
          "SELECT * FROM inv.items_in(1)" },
    };
    return cases;
}

class CallTable : public ExecCallTest, public ::testing::WithParamInterface<CallCase>
{
};

TEST_P(CallTable, TextValuesAndResultAsWrittenByHand)
{
    const CallCase &c = GetParam();
    TExecProgram program = load(QString::fromUtf8(c.signature), c.kind);
    for (const auto &[path, value] : c.values) {
        TExecArg *n = node(program, QString::fromUtf8(path));
        ASSERT_TRUE(n) << path;
        n->Value = QString::fromUtf8(value);
    }
    const TExecCall call = BuildExecCall(program, false);
    EXPECT_EQ(call.Text, QString::fromUtf8(c.text));
    QStringList values;
    for (const pg::Param &p : call.Values)
        values << bound(p);
    EXPECT_EQ(values, c.bound);

    const QString said = QStringLiteral("SELECT count(*) FROM \"Mixed\".said");
    const int before = db.query(said).toInt();
    const pg::Result result = RunExecCall(connection, call);
    if (c.byHand) {
        const pg::Result expected = connection.exec(QString::fromUtf8(c.byHand));
        EXPECT_EQ(firstRow(result), firstRow(expected));
        EXPECT_FALSE(firstRow(result).isEmpty());
    } else {
        EXPECT_FALSE(result.isValid()); // nothing to read: the call was executed
        EXPECT_EQ(db.query(said).toInt(), before + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, CallTable, ::testing::ValuesIn(callCases()),
                         [](const ::testing::TestParamInfo<CallCase> &info) {
                             return std::string(info.param.label);
                         });

TEST_F(ExecCallTest, TypedTextReachesTheTableUnchanged)
{
    for (const QString &text : { QStringLiteral("O'Brien $$"), QStringLiteral("$$; END; $$"),
                                 QStringLiteral("日本語 \\ 'x' 🙂") }) {
        TExecProgram program = load(QStringLiteral("\"Mixed\".say(text)"), 51);
        node(program, QStringLiteral("t"))->Value = text;
        RunExecCall(connection, BuildExecCall(program, false));
        EXPECT_EQ(db.query("SELECT said FROM \"Mixed\".said ORDER BY id DESC LIMIT 1"), text);
    }
    TExecProgram dims
        = load(QStringLiteral("\"Mixed\".keep_dims(inv.dimension,inv.dimension[])"), 51);
    node(dims, QStringLiteral("d.width"))->Value = QStringLiteral("1");
    RunExecCall(connection, BuildExecCall(dims, false));
    EXPECT_EQ(db.query("SELECT said FROM \"Mixed\".said ORDER BY id DESC LIMIT 1"),
              "(1.00,) {NULL}");
}

TEST_F(ExecCallTest, DatesGoAsTypedAndABadOneFailsBeforeAnythingRuns)
{
    TExecProgram program = load(QStringLiteral("\"Mixed\".say_when(text,date,timestamp)"), 51);
    node(program, QStringLiteral("t"))->Value = QStringLiteral("good");
    node(program, QStringLiteral("d"))->Value = QStringLiteral("2025-01-02");
    node(program, QStringLiteral("ts"))->Value = QStringLiteral("2025-01-02 03:04:05.123456");
    RunExecCall(connection, BuildExecCall(program, false));
    EXPECT_EQ(db.query("SELECT on_day || ' ' || at_time FROM \"Mixed\".said WHERE said = 'good'"),
              "2025-01-02 2025-01-02 03:04:05.123456");

    for (const auto &[path, value] :
         { std::pair { "d", "2025-13-45" }, std::pair { "ts", "soon" } }) {
        TExecProgram bad = load(QStringLiteral("\"Mixed\".say_when(text,date,timestamp)"), 51);
        node(bad, QStringLiteral("t"))->Value = QStringLiteral("bad");
        node(bad, QString::fromLatin1(path))->Value = QString::fromLatin1(value);
        try {
            RunExecCall(connection, BuildExecCall(bad, false));
            ADD_FAILURE() << path << " ran";
        } catch (const pg::Error &e) {
            EXPECT_TRUE(e.sqlState().startsWith("22")) << e.sqlState().toStdString();
        }
        EXPECT_EQ(db.query("SELECT count(*) FROM \"Mixed\".said WHERE said = 'bad'"), "0");
    }
}

TEST_F(ExecCallTest, ArgumentRowsFromTheCatalog)
{
    struct Row
    {
        QString name;
        QString type;
        int marker;
        bool composite;
        bool array;
        int children;
    };
    const auto rows = [](const TExecProgram &program) {
        QList<Row> out;
        for (const TExecArg &a : program.Args)
            out << Row { a.Name,      a.TypeName, a.Marker,
                         a.Composite, a.IsArray,  int(a.Children.size()) };
        return out;
    };
    const auto text = [](const QList<Row> &list) {
        QStringList out;
        for (const Row &r : list)
            out << QStringLiteral("%1 %2 %3%4%5 %6")
                       .arg(r.name, r.type)
                       .arg(r.marker)
                       .arg(r.composite ? "c" : "")
                       .arg(r.array ? "a" : "")
                       .arg(r.children);
        return out;
    };
    // A type of the program's own schema with the argument type's name is not the argument's.
    TExecProgram area = load(QStringLiteral("\"Mixed\".area(inv.dimension,inv.dimension[])"), 52);
    EXPECT_EQ(text(rows(area)),
              QStringList({ "RESULT numeric 79 0", "d dimension 80c 2", "ds dimension[] 80a 0" }));
    EXPECT_EQ(area.Args.at(1).Children.at(0).Name, "width");
    EXPECT_EQ(area.Args.at(1).Children.at(1).TypeName, "numeric");

    // Every mode; the catalog's kind decides function or procedure whatever the caller said.
    EXPECT_EQ(text(rows(load(QStringLiteral("inv.items_in(integer)"), 52))),
              QStringList({ "RESULT record 79 0", "p_warehouse int4 80 0", "item_id int4 81 0",
                            "item_name text 81 0" }));
    const TExecProgram countIn = load(QStringLiteral("inv.count_in(integer)"), 52);
    EXPECT_EQ(countIn.ObjType, 51);
    EXPECT_EQ(text(rows(countIn)), QStringList({ "p_warehouse int4 80 0", "n int8 81 0" }));
    EXPECT_EQ(text(rows(load(QStringLiteral("inv.adjust(integer,integer)"), 52))),
              QStringList({ "RESULT int4 79 0", "qty int4 82 0", "delta int4 80 0" }));
    // name, point and box have an element type but are no arrays
    const pg::Oid point = db.query("SELECT 'point'::regtype::oid").toUInt();
    EXPECT_FALSE(ExpandTypeItems(connection, point).IsArray);
    EXPECT_EQ(ExpandTypeItems(connection, point).Name, "point");
    const pg::Oid points = db.query("SELECT 'ext.\"Geo.Point\"[]'::regtype::oid").toUInt();
    EXPECT_TRUE(ExpandTypeItems(connection, points).IsArray);
    EXPECT_FALSE(ExpandTypeItems(connection, points).HasItems);

    EXPECT_EQ(
        LoadArgumentTypes(
            connection, db.query("SELECT 'inv.count_in(integer)'::regprocedure::oid").toLongLong()),
        "int4,int8");
    // A routine that is gone: a function keeps its RESULT node alone.
    const TExecProgram gone = LoadExecProgram(connection, serverVersion, "inv", "nosuch", 52, 1);
    ASSERT_EQ(gone.Args.size(), 1);
    EXPECT_EQ(gone.Args.at(0).TypeName, "");
}

TEST_F(ExecCallTest, AggregatesAreRefused)
{
    EXPECT_EQ(ExecRefusal(load(QStringLiteral("inv.product(numeric)"), 128)),
              "集約関数は実行できません。");
    EXPECT_EQ(ExecRefusal(load(QStringLiteral("inv.product(numeric)"), 52)),
              "集約関数は実行できません。");
    EXPECT_EQ(ExecRefusal(load(QStringLiteral("inv.adjust(integer,integer)"), 52)), "");
}

TEST_F(ExecCallTest, ListingOfOutputsAndBoundValues)
{
    TExecProgram items = load(QStringLiteral("inv.items_in(integer)"), 52);
    node(items, QStringLiteral("p_warehouse"))->Value = QStringLiteral("1");
    connection.exec("INSERT INTO inv.item (warehouse_id, name) VALUES (1, 'ワッシャー')");
    TExecCall call = BuildExecCall(items, false);
    EXPECT_EQ(ExecListing(items, call, RunExecCall(connection, call)),
              QStringList({ "【 実行後パラメータ値 】", "RESULT : 1000\tボルト\t1020\tワッシャー",
                            "p_warehouse : 1", "item_id : 1000", "item_name : ボルト" }));

    TExecProgram dims = load(QStringLiteral("\"Mixed\".area(inv.dimension,inv.dimension[])"), 52);
    node(dims, QStringLiteral("d.width"))->Value = QStringLiteral("2");
    node(dims, QStringLiteral("d.height"))->Value = QStringLiteral("3");
    node(dims, QStringLiteral("ds"))->Value = QStringLiteral("\"(1,1)\"");
    call = BuildExecCall(dims, false);
    EXPECT_EQ(ExecListing(dims, call, RunExecCall(connection, call)),
              QStringList({ "【 実行後パラメータ値 】", "RESULT : 7.0000", "d.width : 2",
                            "d.height : 3", "ds : {\"(1,1)\"}" }));

    // A procedure's unnamed OUT argument is found by its position among the outputs.
    connection.exec("CREATE PROCEDURE inv.two_out(IN a integer, OUT integer, OUT b text) "
                    "LANGUAGE plpgsql AS $$ BEGIN $2 := a + 1; b := 'x'; END $$");
    TExecProgram two = load(QStringLiteral("inv.two_out(integer)"), 51);
    node(two, QStringLiteral("a"))->Value = QStringLiteral("4");
    call = BuildExecCall(two, false);
    EXPECT_EQ(call.Text, "CALL \"inv\".\"two_out\"(:a, NULL, NULL);");
    EXPECT_EQ(ExecListing(two, call, RunExecCall(connection, call)),
              QStringList({ "【 実行後パラメータ値 】", "a : 4", "$2 : 5", "b : x" }));
}

TEST(ExecCallText, NodePaths)
{
    EXPECT_EQ(GetNodePath({ "p", "x" }), "p.x");
    EXPECT_EQ(GetNodePath({ "p" }), "p");
    EXPECT_EQ(GetNodePath({ "p", "" }), "p(i)");
    EXPECT_EQ(GetNodePath({ "", "x" }), "(i).x");
}

// The edition's packages: no server of that edition exists here, so the statements and calls
// are checked as text, and their parameters in the order they are bound by position.
TEST(ExecCallText, PackageStatements)
{
    for (int version : { 90100, 150000 }) {
        const QString list = SubProgramListSQL(version);
        EXPECT_EQ(
            list.toStdString(),
            QString(" SELECT ele.eltname , ele.eltdatatype::VARCHAR , ele.argtypes::VARCHAR FROM "
                    + GetPackageElementSubquery() + " ele LEFT JOIN " + GetPackageSubquery(version)
                    + " pkg ON ele.packageoid = pkg.oid LEFT JOIN pg_namespace nsp ON "
                      "pkg.pkgnamespace = nsp.oid WHERE 0 = 0 AND eltclass <> 'V' AND "
                      "pkgname = :PKG_NAME AND nsp.nspname = :SCHEMA_NAME ORDER BY 1")
                .toStdString());
        EXPECT_EQ(pg::scanParameters(list).names, QStringList({ "PKG_NAME", "SCHEMA_NAME" }));

        const QString args = PackageArgumentSQL(version);
        EXPECT_TRUE(args.startsWith(" SELECT nsp.nspname , pkg.pkgname , \"edb_pkg_prc\".* FROM "
                                    "( SELECT oid AS eltoid , pronamespace AS \"packageoid\""));
        EXPECT_TRUE(args.contains("array_to_string(proargmodes, '\r\n') AS \"argmodes\""));
        EXPECT_TRUE(args.contains(") AS \"edb_pkg_prc\" LEFT JOIN " + GetPackageSubquery(version)
                                  + " pkg ON \"edb_pkg_prc\".packageoid = pkg.oid"));
        EXPECT_TRUE(args.endsWith(" AND \"edb_pkg_prc\".eltdatatype::varchar || ',' || "
                                  "\"edb_pkg_prc\".org_argtypes::varchar = :SUB_PROGRAM_KEY"));
        EXPECT_EQ(
            pg::scanParameters(args).names,
            QStringList({ "SCHEMA_NAME", "PACKAGE_NAME", "SUB_PROGRAM_NAME", "SUB_PROGRAM_KEY" }));
    }

    const QList<TExecArgRow> rows
        = SplitPackageArguments("23\r\n25\r\n1700", "i\r\no\r\nb", "a\r\n\r\n");
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(0).Name, "a");
    EXPECT_EQ(rows.at(1).Name, "$2");
    EXPECT_EQ(rows.at(2).Name, "$3");
    EXPECT_EQ(rows.at(2).Type, 1700u);
    EXPECT_EQ(rows.at(1).Mode, "o");
    EXPECT_EQ(SplitPackageArguments("23", "", "").at(0).Mode, "i");
}

TEST(ExecCallText, PackageAndEditionCalls)
{
    QuotedNames quoted;
    const auto arg = [](const char *name, int marker, pg::Oid type, bool array = false) {
        TExecArg a;
        a.Name = QString::fromLatin1(name);
        a.Marker = marker;
        a.TypeOid = type;
        a.IsArray = array;
        a.Mode = marker == ExecArgOut ? "OUT" : "IN";
        return a;
    };
    TExecProgram get;
    get.Schema = "s";
    get.Name = "Pkg";
    get.ObjType = 53;
    get.SubProgram = "get_it";
    get.SubObjType = 52;
    get.Args = { arg("RESULT", ExecArgReturn, 23), arg("a", ExecArgIn, 23) };
    get.Args[1].Value = "1";
    TExecCall call = BuildExecCall(get, true);
    EXPECT_EQ(call.Text, "SELECT * FROM \"s\".\"Pkg\".\"get_it\"(:a);");
    EXPECT_TRUE(call.ReturnsResult);

    TExecProgram put = get;
    put.SubProgram = "put";
    put.SubObjType = 51;
    put.Args = { arg("a", ExecArgIn, 23), arg("b", ExecArgOut, 23) };
    call = BuildExecCall(put, true);
    EXPECT_EQ(call.Text, "SELECT * FROM \"s\".\"Pkg\".\"put\"(:a);");
    EXPECT_TRUE(call.ReturnsResult); // the edition's calls are read as rows
    EXPECT_EQ(BuildExecCall(put, false).Text, "CALL \"s\".\"Pkg\".\"put\"(:a, NULL);");

    TExecProgram list = get;
    list.Args = { arg("RESULT", ExecArgReturn, 1007, true) };
    EXPECT_EQ(BuildExecCall(list, true).Text,
              "SELECT array_to_string(\"get_it\",  ',')\r\n  FROM \"s\".\"Pkg\".\"get_it\"();");
}

} // namespace execcalltest
