#pragma once

#include <QString>
#include <QStringList>

// The sequence as the definition window shows it, and the statements that create, alter and
// drop it. Nothing here touches a widget or the server: the window fills a TSequenceState from
// its controls, and the preview, the compile, the script output and the tests call the same
// builders.
//
//     const TSequenceChange change = SequenceChange(loaded, now, false, prefix);
//     // change.Script runs in the runner; change.SetValue (when set) is the setval after it

// The values of the controls; texts are written into the statements exactly as typed.
struct TSequenceState
{
    QString Schema;
    QString Name;
    QString LastNo; // last value of an existing sequence, initial value of a new one
    QString Min;
    QString Max;
    QString Inc;
    QString Cache;
    bool NoMin = true;
    bool NoMax = true;
    bool Cycle = false;
    bool OwnedNone = true;
    QString OwnedTable;
    QString OwnedColumn;

    bool operator==(const TSequenceState &) const = default;
};

// What only the catalog knows of an existing sequence: what its script needs besides the
// controls.
struct TSequenceCatalog
{
    QString DataType; // "bigint", "integer", "smallint"; empty below server 10
    QString StartValue; // empty: not known
    bool Used = false; // nextval or setval has handed out last_value
};

// The row of the state query (six or more columns in the order the queries below give them).
struct TSequenceRow
{
    QString LastValue; // empty for NULL (never used, server 10 and later)
    QString MinValue;
    QString MaxValue;
    QString Increment;
    bool Cycle = false;
    QString Cache;
    QString StartValue;
    QString DataType;
    bool Used = false;
};

// The state query: below server 10 the sequence relation itself (its name in the text),
// from 10 pg_sequences with the schema and name bound as $1 and $2.
QString SequenceStateSQL(int serverVersion, const QString &Schema, const QString &Name);
// Whether the state query takes the schema and name as parameters.
bool SequenceStateSQLBinds(int serverVersion);
// The owning column from pg_depend ('a' for OWNED BY, 'i' for an identity column): table name
// and column name, $1 schema, $2 sequence name.
extern const char *const SequenceOwnerSQL;

// The controls' values loaded from a state row: NoMinValue and NoMaxValue derived from the
// bounds and the increment, a cache of "0" shown empty.
TSequenceState SequenceStateFromRow(const QString &Schema, const QString &Name,
                                    const TSequenceRow &row);

// The qualified name as the regclass input reads it (each part always quoted where needed).
QString SequenceRegclassText(const QString &Schema, const QString &Name);

// CREATE SEQUENCE with every clause from s; prefix is the schema prefix of the name (empty in
// scripts that leave the schema out). START is start when given, else s.LastNo; asType is
// written as "AS type" when it is not empty and not bigint.
QStringList SequenceCreateScript(const TSequenceState &s, const QString &prefix,
                                 const QString &start = QString(),
                                 const QString &asType = QString());
// The script of an existing sequence: its CREATE with START from start_value and, for a
// sequence that handed out values, the setval that makes a replay go on after last_value.
QStringList SequenceScript(const TSequenceState &s, const TSequenceCatalog &catalog,
                           const QString &prefix);
// ALTER SEQUENCE with the clauses of the controls that changed; empty when none did. The last
// value is never part of it.
QStringList SequenceAlterScript(const TSequenceState &loaded, const TSequenceState &now);
QStringList SequenceDropScript(const TSequenceState &s);

// What a compile of the definition page runs: the script, and the value to setval (is_called
// true) inside the same transaction after it, empty for none.
struct TSequenceChange
{
    QStringList Script;
    QString SetValue;
};
// A new sequence: CREATE, then setval to its initial value. An existing one: the ALTER of
// what changed, and a setval when the last value was changed to a value; no DROP.
TSequenceChange SequenceChange(const TSequenceState &loaded, const TSequenceState &now, bool isNew,
                               const QString &prefix);
