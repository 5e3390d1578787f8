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
// deleted, a new column placed before a loaded one, or a generation expression put on a loaded
// column (the server takes one only when the column is made). New columns after every loaded
// column, renames, type, NOT NULL, default, key and comment changes are ALTER work.
bool TableEditNeedsRecreate(const TTableDefinition &def, const TTableEdit &edit);

// The statements that turn the loaded table into the edit, in the script convention (each
// statement followed by a ";" line); empty when nothing changed. prefix is put before the
// table's loaded name, quoted ("schema." or empty). In order: the loaded primary key dropped
// when the key columns changed; type, NOT NULL and default changes on the loaded names; the
// renames (a ring of renames through a temporary name); one ALTER TABLE with every new column
// and the storage items; the storage statements; the new primary key (a key that replaces the
// loaded one keeps its name, INCLUDE columns, index storage and deferral, and gets back its
// comments, CLUSTER ON and replica identity); the comments, on the new names. An identity or
// generated column whose default cell still shows its clause keeps it; a cell edited away from it
// drops the identity or the expression first.
QStringList TableAlterScript(const TTableDefinition &def, const TTableEdit &edit,
                             const QString &prefix, const TTableAlterStorage &storage = {});

// True when TableAlterScript drops the loaded primary key and adds the new one: a script that
// must run all-or-nothing, or a failed ADD leaves the table without its key.
bool TableAlterRecreatesKey(const TTableDefinition &def, const TTableEdit &edit);

// Whether a type cell names a character type, whose defaults are string constants: the
// server's character types, bpchar, name and citext (also schema-qualified); arrays are not.
bool IsCharacterTypeCell(const QString &type);

// The default cells the user typed for character columns that are neither empty, quoted,
// numbers nor identity or generation clauses become string literals (a number is read with
// "." as its decimal point, as SQL writes it); defaults that were not edited (expressions such as
// nextval('s'::regclass) or now()) and those of other types stay as they are.
void ApplyDefaultAutoQuote(TTableEdit &edit, const TTableDefinition &def);
