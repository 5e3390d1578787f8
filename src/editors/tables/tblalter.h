#pragma once

#include "tbledit.h"

#include <QString>
#include <QStringList>

// The changes of a table edit that ALTER statements apply, and the test whether a change needs
// the table to be re-created instead.

// What the storage frame adds to the ALTER statements of a table: items of the ALTER TABLE
// statement that adds columns ("SET LOGGED"), and whole statements (autovacuum parameters,
// parents, tablespace), each followed by a ";" line.
struct TTableAlterStorage
{
    QStringList AddItems;
    QStringList Statements;
};

// True when the column grid's changes cannot be made by ALTER: a loaded column moved or
// deleted, or a new column placed before a loaded one. New columns after every loaded column,
// renames, type, NOT NULL, default and comment changes are ALTER work.
bool TableEditNeedsRecreate(const TTableDefinition &def, const TTableEdit &edit);

// The statements that turn the loaded table into the edit, in the script convention (each
// statement followed by a ";" line); empty when nothing changed. prefix is put before the
// table's quoted name ("schema." or empty).
QStringList TableAlterScript(const TTableDefinition &def, const TTableEdit &edit,
                             const QString &prefix, const TTableAlterStorage &storage = {});

// The default cells the user typed for character columns that are neither empty, quoted nor
// numbers become string literals; defaults that were not edited (expressions such as
// nextval('s'::regclass) or now()) and those of other types stay as they are.
void ApplyDefaultAutoQuote(TTableEdit &edit, const TTableDefinition &def);
