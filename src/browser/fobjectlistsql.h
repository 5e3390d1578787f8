#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <Qt>

namespace pg {
class Result;
}

// The statements of the connection window's object list and the rules that turn their rows into
// list rows, apart from any widget: the window, the tests and the benchmark use the same code.
//
// Three forms of list:
//  - detail: one object kind, kind-specific columns (the option "detail information" on);
//  - short: one object kind, the common columns;
//  - mixed: every kind the server has, one statement of UNION ALL members ("%" as the kind).
// Each form is one statement for the whole list: no statement is run per object.
//
// The list row: caption = field 1 (the name), image = the object-type code of field 0, then one
// sub-item per further field (ObjectListSubItems). Whatever the form, sub-item 0 is the schema,
// 1 the kind keyword, 8 the OID of routines, types and aggregates, 11 the table of triggers,
// constraints and rules, 12 the argument list that DROP needs for routines and aggregates.

enum class TObjectListForm { Detail, Short, Mixed };

inline constexpr int ObjectListSubSchema = 0;
inline constexpr int ObjectListSubKind = 1;
inline constexpr int ObjectListSubOID = 8;
inline constexpr int ObjectListSubTable = 11;
inline constexpr int ObjectListSubDropArgs = 12;

// The fourteen kind keywords a list can be made for, in the order the engine tests them.
const QStringList &ObjectListKinds();
// The form for kind (a keyword, or "%" for every kind) and the detail option.
TObjectListForm ObjectListFormOf(const QString &kind, bool treeData);

// What completes each statement: the server, the database, and the schema and name filter.
struct TObjectListFilter
{
    int dbVer = 0;
    bool postgresPlus = false;
    QString dbName; // the tablespace columns name the database's default tablespace
    QString schemaCondition; // ObjectListSchemaCondition
    QString namePattern = QStringLiteral("%"); // a LIKE pattern on the object's name
};

// The condition on the schema column (without the column): a concrete schema is compared with
// "=" (an underscore or percent sign in its name is no wildcard); "%" lists every schema, or the
// display schema set when the tree shows a chosen set (disp 2); the tree's "pg_temp" and
// "pg_toast_temp" nodes stand for the temporary schemas of every session.
QString ObjectListSchemaCondition(const QString &schema, int disp,
                                  const QStringList &displaySchemas);
// The LIKE pattern of a search text: trimmed; with findAuto and no "%" in it, "%text%".
QString ObjectListNamePattern(const QString &searchText, bool findAuto);

// The statement lines of the list of kind ("%" for the mixed list): one line per form, with a
// line "UNION ALL" between two members of the mixed list. Joined with "\n" they are the
// statement. An unknown kind gives no lines.
QStringList ObjectListSQL(const QString &kind, bool treeData, const TObjectListFilter &filter);
// One form of one kind with its filter (the code of a kind keyword).
QString ObjectListFormSQL(int code, TObjectListForm form, const TObjectListFilter &filter);

// A column of the list: caption, default width in pixels, alignment.
struct TObjectListColumn
{
    QString caption;
    int width = 100;
    Qt::Alignment alignment = Qt::AlignLeft;
};
QList<TObjectListColumn> ObjectListColumns(const QString &kind, bool treeData);
// The prefix of the settings values that keep the column widths of that list (under GUI\OBJECT,
// the prefix followed by the column index). Each list reads and writes its widths under its own
// prefix: the kind keyword for a detail list, "SOURCE_" and the kind for a short list, "SOURCE"
// for the mixed list and "SOURCE_OID" for the mixed list with its OID column.
QString ObjectListWidthPrefix(const QString &kind, bool treeData);

// The data-type table: type OID -> (schema, name), read once per fill of a list that can hold
// routines (ObjectListTypeSQL).
struct TObjectListType
{
    QString schema;
    QString name;
};
using TObjectListTypes = QHash<quint32, TObjectListType>;
QString ObjectListTypeSQL();
// Whether the list of kind needs the data-type table.
bool ObjectListNeedsTypes(const QString &kind);

// Everything the row rules need besides the row.
struct TObjectListFill
{
    TObjectListForm form = TObjectListForm::Short;
    bool treeData = false; // the mixed list shows its OID column
    QString defaultSchema; // the logon schema: its types are shown without schema
    const TObjectListTypes *types = nullptr;
};

// The sub-items of one row of the list statement's result.
QStringList ObjectListSubItems(const pg::Result &result, int row, const TObjectListFill &fill);

// Single rules, for the fill and for tests.
// Bytes as whole kilobytes with thousands separators, right-aligned in 12 characters; text that
// is no number counts as 0.
QString ObjectListKilobytes(const QString &bytes);
// The timing (BEFORE, AFTER, INSTEAD) and the events ("INSERT, UPDATE, DELETE, TRUNCATE") of a
// trigger from pg_trigger.tgtype.
QString TriggerTimingText(int tgtype);
QString TriggerEventsText(int tgtype);
// The argument types of a routine (type OIDs, one per line) as the list shows them, and as
// DROP needs them (OUT and TABLE arguments left out, names quoted; "*" for an aggregate without
// arguments). A type missing from the table shows as its OID.
QString RoutineArgumentText(const QString &typeOids, const TObjectListTypes &types,
                            const QString &defaultSchema);
QString RoutineDropArguments(const QString &typeOids, const QString &modes,
                             const TObjectListTypes &types, const QString &defaultSchema,
                             bool aggregate);

// The statement that reads the six values of one sequence on servers before pg_sequences (the
// only statement of a list that runs per object, and only there).
QString ObjectListOldSequenceSQL(const QString &schema, const QString &name);
