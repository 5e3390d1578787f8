#pragma once

// The stored-program runner's model of one call, without widgets: the program's arguments read
// from the catalogs, the call text with its bound values, and the listing of the values after a
// run. The runner window (fexecprc.h) keeps the arguments in its tree and hands them here.
//
// Every value the user types travels as a bound parameter in the text form of the argument's
// type, and the server converts it: numeric keeps every digit, text stays as typed, and a value
// that does not convert fails the call before the program runs. Nothing typed is ever written
// into the call text.
//
//     TExecProgram program = LoadExecProgram(*connection, version, false, "s", "f", 52, oid);
//     program.Args[1].Value = "5";
//     TExecCall call = BuildExecCall(program, false);
//     pg::Result rows = RunExecCall(*connection, call);

#include "platform/pg/param.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace pg {
class Connection;
class Result;
} // namespace pg

// The kind markers of the argument nodes, which are also their image indexes.
inline constexpr int ExecArgReturn = 79; // the return value
inline constexpr int ExecArgIn = 80; // IN, VARIADIC and arguments without a mode
inline constexpr int ExecArgOut = 81; // OUT, TABLE
inline constexpr int ExecArgInOut = 82; // INOUT

// One item of a type: an attribute of a composite type.
struct TItemInfDtl
{
    pg::Oid intOID = 0; // the attribute's type
    QString strItemNm;
    QString strTypKind; // "c" for an attribute of a composite type
};
using TItemInf = QList<TItemInfDtl>;

// What ExpandTypeItems reads of one type.
struct TExecTypeInfo
{
    pg::Oid Oid = 0; // the type itself (the array type for an array)
    QString Name; // its name as the catalog holds it; the element's name for an array
    QString Schema; // the schema of the type named by Name
    bool IsArray = false; // an element type and a variable length: name, point and box are not
    bool Pseudo = false; // record, anyelement, "any" ...: the server infers what is bound
    bool HasItems = false; // a composite type with attributes
    TItemInf Items;
};

// One node of the argument tree.
struct TExecArg
{
    QString Name; // the argument's name, "$" and its position when it has none, "RESULT"
    QString Mode; // "IN", "OUT", "IN/OUT", "VARIADIC", "TABLE"
    QString TypeName; // the type's name, "[]" appended for an array
    QString Value; // as typed; empty stands for NULL
    bool Composite = false; // written as a row of its children
    bool IsArray = false;
    int Marker = ExecArgIn;
    pg::Oid TypeOid = 0; // the type the value is bound as; 0 lets the server infer it
    QString RowType; // a composite's schema-qualified, quoted type name, for the row's cast
    QList<TExecArg> Children; // a composite's attributes
    // Set by BuildExecCall: the index of the node's parameter in TExecCall::Params; -1 none.
    int ParamIndex = -1;
};

// One program as the runner calls it.
struct TExecProgram
{
    QString Schema; // as the catalog holds it
    QString Name; // the program, or the package
    QString SubProgram; // a package's subprogram
    int ObjType = 52; // 51 procedure, 52 function, 53 package
    int SubObjType = -1; // a package's subprogram: 51 or 52; -1 otherwise
    // The catalog's kind of the routine ("f", "p", "a", "w"); empty when it was not read.
    QString ProKind;
    QList<TExecArg> Args; // "RESULT" first for a function
    // 51 or 52: what the program is called as.
    int CallKind() const { return ObjType == 53 ? SubObjType : ObjType; }
};

// The call: its text with ":name" markers and the values of those parameters in order.
struct TExecCall
{
    QString Text;
    QStringList Params; // the names as the parameter scanner reports them
    QList<pg::Param> Values;
    bool ReturnsResult = false; // the call gives a row to read (open it rather than execute)
    QList<TExecArg> Args; // the program's arguments with ParamIndex set
};

// --- catalog reads (errors reach the caller as pg::Error)

// The type names of all arguments of a routine, output arguments included, joined by ",";
// empty when the routine is gone.
QString LoadArgumentTypes(pg::Connection &connection, qint64 oid);

// The type's name, whether it is an array, and a composite type's attributes, read through the
// type's own catalog row (its typrelid), whatever schema it is in. An unknown oid gives an
// empty name.
TExecTypeInfo ExpandTypeItems(pg::Connection &connection, pg::Oid oid);

// A package's subprograms in name order: the name and the key (return type oid, ",", argument
// type oids separated by blanks) that tells overloads apart.
struct TExecSubProgram
{
    QString Name;
    QString Key;
};
QList<TExecSubProgram> LoadSubPrograms(pg::Connection &connection, int dbVersion,
                                       const QString &schema, const QString &package);

// The arguments of a procedure or function (oid), or of the package subprogram
// (program.SubProgram with its key). A routine that is gone gives no arguments (a function
// keeps its "RESULT" node, with an empty type).
TExecProgram LoadExecProgram(pg::Connection &connection, int dbVersion, const QString &schema,
                             const QString &name, int objType, qint64 oid);
TExecProgram LoadExecPackageProgram(pg::Connection &connection, int dbVersion,
                                    const QString &schema, const QString &package,
                                    const TExecSubProgram &subProgram);

// --- the statements of the edition's packages (built as text; run only on that edition)
QString SubProgramListSQL(int dbVersion);
QString PackageArgumentSQL(int dbVersion);
// One package row's argument texts (lines of type oids, modes and names) as the rows of a
// signature: name, mode and type oid per argument.
struct TExecArgRow
{
    QString Name;
    QString Mode; // the catalog's letter: i, o, b, v, t
    pg::Oid Type = 0;
};
QList<TExecArgRow> SplitPackageArguments(const QString &types, const QString &modes,
                                         const QString &names);

// --- the call

// The call of program: a function as "SELECT * FROM s.f(...)" (an array result through
// array_to_string), a procedure as "CALL s.p(...)" with NULL in the place of each OUT argument,
// on the edition's servers "SELECT * FROM" for both. A composite argument is written
// ROW(:a, :b)::type, an array is one parameter of its array type ("1,2" goes as "{1,2}", a value
// in braces as typed, an empty one as "{NULL}"), a VARIADIC one is passed with VARIADIC. Each
// parameter is bound as text of its argument's type; an empty value as NULL.
TExecCall BuildExecCall(const TExecProgram &program, bool postgresPlus);

// Runs the call on connection: returns its rows when it has any to read, else an invalid
// result.
pg::Result RunExecCall(pg::Connection &connection, const TExecCall &call);

// The dotted name of a node: "p.x" for the attribute x of argument p.
QString GetNodePath(const QStringList &names);

// The listing after a run: "【 実行後パラメータ値 】", then one line per node in display order,
// its path, " : " and its value: a function's RESULT with every field of every row joined by a
// Tab, an OUT or INOUT argument with the result field of its name (of its position among the
// output arguments when no field has the name), any other node with the value it was bound as,
// composite nodes only through their attributes.
QStringList ExecListing(const TExecProgram &program, const TExecCall &call,
                        const pg::Result &result);

// The refusal of a program the runner cannot call; empty when it can.
QString ExecRefusal(const TExecProgram &program);
