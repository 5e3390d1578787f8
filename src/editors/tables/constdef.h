#pragma once

#include "idxdef.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

namespace pg {
class Connection;
}

// One element of an exclusion constraint: the key as SQL text (a column name written as the
// server writes it, or an expression in brackets, with its COLLATE clause), its operator class
// with parameters (empty: the type's default), sort order and NULL order (B-tree only; empty:
// the default) and the operator after WITH.
struct TExcludeElement
{
    QString Key;
    QString OpClass;
    QString Order; // "ASC", "DESC" or empty
    QString Nulls; // "FIRST", "LAST" or empty
    QString Operator;

    bool operator==(const TExcludeElement &) const = default;
};

// One table constraint as the constraint editor shows it and as its statements are written: a
// plain value read from the catalog or from the window's controls. Names are kept exactly as
// stored; they are quoted only when a statement is written.
struct TConstraintDefinition
{
    QString Schema; // the table's schema
    QString TableName;
    QString Name;
    QChar Type = QLatin1Char('p'); // p, u, f, c or x as in pg_constraint.contype

    // Primary and unique keys: key columns and INCLUDE columns (also exclusion constraints).
    QStringList Columns;
    QStringList Include;
    bool NullsNotDistinct = false;
    // Storage parameters of the constraint's index ("fillfactor='80'"), and its tablespace
    // (the database's default when the index has none; written as USING INDEX TABLESPACE).
    QStringList IndexWith;
    QString Tablespace;
    QString IndexSchema; // the index behind a key or exclusion constraint
    QString IndexName;
    // What dropping the constraint takes with its index: put back when it is added again.
    // Read with the constraint; not part of the comparison.
    TIndexAttachments IndexKept;

    // Foreign keys: this table's columns, the referenced table, its columns and the unique
    // index the key uses (the constraint's own conindid); actions and MATCH by their catalog
    // codes (a no action, r restrict, c cascade, n set null, d set default; s simple, f full).
    QStringList RefColumns;
    QString RefSchema;
    QString RefTable;
    QString RefIndex;
    QChar UpdateAction = QLatin1Char('a');
    QChar DeleteAction = QLatin1Char('a');
    QChar Match = QLatin1Char('s');
    QStringList DeleteSetColumns; // ON DELETE SET NULL / SET DEFAULT (columns)

    // Check constraints: the expression as written inside CHECK ( ).
    QString Check;
    bool NoInherit = false;

    // Exclusion constraints.
    QString Method;
    QList<TExcludeElement> Elements;
    QString Where; // the predicate as the server writes it

    bool Deferrable = false;
    bool InitiallyDeferred = false;
    bool NotValid = false;
    QString Comment;

    // Set by the loader when the constraint holds something the editor cannot show; such a
    // constraint is not re-created from the controls. Not part of the comparison.
    QString Unsupported;
    QString ServerText; // pg_get_constraintdef as loaded

    bool operator==(const TConstraintDefinition &other) const;
    bool operator!=(const TConstraintDefinition &other) const { return !(*this == other); }
};

// Reads constraint Name of table Schema.TableName (names exactly as stored; an empty TableName
// finds the one constraint of that name in the schema). False when there is none; throws
// std::runtime_error when the name is not unique in the schema, and the server's errors.
bool LoadConstraint(pg::Connection &connection, int serverVersion, const QString &Schema,
                    const QString &TableName, const QString &Name, TConstraintDefinition &def);

// Splits one exclusion element as pg_get_constraintdef writes it, whose key the server writes
// as key, into element; false when the text after the key is not
// [COLLATE c] [opclass [(params)]] [ASC|DESC] [NULLS FIRST|LAST] WITH operator.
bool ParseExcludeElement(const QString &text, const QString &key, TExcludeElement &element);

struct TConstraintScriptOptions
{
    QString TablePrefix; // "schema." or empty, as the window's schema-prefix rule says
    bool WithTablespace = true; // USING INDEX TABLESPACE is written (option on)
};

// The clause after ADD CONSTRAINT name, one line: CHECK (expr), PRIMARY KEY (...), ...
QString ConstraintClause(const TConstraintDefinition &def);
// ALTER TABLE t ADD CONSTRAINT n / clause / [USING INDEX / TABLESPACE ts] / [WHERE ...] /
// [DEFERRABLE ... NOT VALID NO INHERIT] / ; and, when there is a comment, COMMENT ON / ;
QStringList ConstraintCreateScript(const TConstraintDefinition &def,
                                   const TConstraintScriptOptions &options);
QStringList ConstraintDropScript(const TConstraintDefinition &def);
QStringList ConstraintCommentScript(const TConstraintDefinition &def);
// What turns old into now: a changed comment alone is COMMENT ON; a changed tablespace alone is
// ALTER INDEX ... SET TABLESPACE; a NOT VALID key that is now valid is VALIDATE CONSTRAINT;
// anything else, and an unchanged definition, drops the constraint and adds it again, and for
// a key or exclusion puts back on the new index what old.IndexKept holds (the index comment,
// CLUSTER ON, replica identity).
QStringList ConstraintChangeScript(const TConstraintDefinition &old,
                                   const TConstraintDefinition &now,
                                   const TConstraintScriptOptions &options);

// Names as stored, each through QuoteName, joined by ", ".
QString QuotedNames(const QStringList &names);

// The catalog code of a foreign-key action and its SQL words ("CASCADE").
QString ForeignKeyActionWords(QChar code);
