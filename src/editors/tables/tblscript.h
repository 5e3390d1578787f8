#pragma once

#include "tbldef.h"

#include <QString>
#include <QStringList>

class ConnectionWindow;
class QIODevice;

// The DDL of a table written from its definition, without widgets, in the script convention:
// every statement followed by a line holding only ";".

struct TTableScriptOptions
{
    // Put before the table's quoted name: "schema." or empty, as the schema-prefix rule of
    // the window or of script output decides.
    QString TablePrefix;
    bool Storage = true; // WITH (...), TABLESPACE and the keys' index storage
    bool Indexes = true;
    bool Grants = true;
    // Renaming (script output under another name): the table only, with its columns, primary
    // key and unique constraints (named PK_/UK_ + the new name unless KeepKeyNames), storage
    // and comments; no CHECK, FOREIGN KEY, EXCLUDE, index, trigger, policy or privilege.
    QString NewName;
    bool KeepKeyNames = false;
    // Given to this role right after CREATE TABLE, before the sequences are bound to the
    // columns and the privileges granted (a table re-created by another role than its owner).
    QString OwnerTo;
};

// The table's whole CREATE script: the sequences its serial columns own, CREATE TABLE with
// columns (collation, identity, generated expression, default, NOT NULL) and constraints, the
// constraints that were added NOT VALID, column storage settings, comments, indexes, cluster
// and replica identity, triggers, policies with the row-level security switches, and grants.
// A column whose Default holds an identity or generation clause (as the grid's default cell
// shows one) gets that clause as it stands, never "DEFAULT GENERATED ...".
QStringList TableCreateScript(const TTableDefinition &def, const TTableScriptOptions &options);

// The same script cut where rows can be put into the new table: Table ends with the replica
// identity; AfterRows (triggers, policies, the row-level security switches, grants) would act on
// rows inserted into the table, so a re-creation runs it only once the rows are back.
// Table + AfterRows is TableCreateScript.
struct TTableCreateScriptParts
{
    QStringList Table;
    QStringList AfterRows;
};
TTableCreateScriptParts TableCreateScriptParts(const TTableDefinition &def,
                                               const TTableScriptOptions &options);

// An identity or generation clause of a column, as the default cell of the grid holds it:
// GENERATED {ALWAYS | BY DEFAULT} AS IDENTITY [( sequence options )] or
// GENERATED ALWAYS AS ( expression ) STORED, keywords in any case and spacing.
struct TGenerationClause
{
    QChar Identity; // 'a' ALWAYS, 'd' BY DEFAULT, null: a generation clause
    QString IdentityOptions; // the sequence options between the brackets, without them
    QString Expression; // a generation clause's expression, without its brackets
};
// Whether text starts with the keyword GENERATED: a clause, not a default expression.
bool IsGenerationClauseText(const QString &text);
// Reads text as one of the two clauses; false when it is neither, or has more after it.
bool ReadGenerationClause(const QString &text, TGenerationClause &clause);

// A column name quoted and padded with blanks to a display width of width half-width cells;
// a wider name gets no blank.
QString PaddedColumnName(const QString &name, int width = 31);

// The type of a column as DDL writes it from the column grid's type and length cells: the
// type name with its user-type parts quoted, the length in brackets before any "[]"
// ("character varying(10)[]"), and a time type's digits after its first word
// ("timestamp(3) with time zone").
QString ColumnTypeText(const QString &type, const QString &length);

// CREATE POLICY of one policy on tableName (already quoted and qualified; empty: the policy's
// own schema and table).
QStringList PolicyCreateScript(const TPolicyDefinition &policy,
                               const QString &tableName = QString());

// The privileges of the table as GRANT statements (with REVOKE ALL FROM the owner first when
// the owner's own privileges differ from the default); grants given by another role than the
// owner run under SET ROLE of that role. tableName is quoted and qualified; objectKind is the
// word before it ("TABLE", or "SEQUENCE" for the privileges of a sequence).
QStringList TableGrantScript(const TTableDefinition &def, const QString &tableName,
                             const QString &objectKind = QStringLiteral("TABLE"));

// The CREATE POLICY script of schema.table's policy through the connection window's session,
// without a window; empty when there is no such policy. Catalog errors propagate.
QStringList GetPolicyScript(ConnectionWindow *AOwner, const QString &Schema,
                            const QString &ObjectName, const QString &TableName);
// The same written to Stream (ScriptStreamEncoding); false when there is no such policy.
bool WritePolicyScript(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                       QIODevice &Stream, const QString &TableName);
