#pragma once

#include "tbldef.h"
#include "tbledit.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace pg {
class Connection;
}

// Re-creating a table (to move, delete or insert columns, or to run an edited CREATE script)
// as one script that runs in one transaction: the rows are kept in a backup table, the objects
// outside the table that depend on it are dropped first and created again afterwards, nothing
// is dropped with CASCADE, and nothing commits part way. When one statement fails the
// transaction is rolled back and the database is as it was.
//
// The script first locks the table (ACCESS EXCLUSIVE, so no other session writes rows the copy
// would miss) and then checks, under the lock, that the table is still the one the script was
// written for: the same columns as loaded, the same dependents, privileges and comments. It
// copies with row_security off, so a copy that cannot see every row fails instead of leaving
// rows behind; puts the rows back before the triggers, policies and row-level security switches
// exist, and checks that the rows came back unchanged.

// The objects outside a table's own CREATE script that depend on it.
struct TTableDependents
{
    // A foreign key of another table that references this one.
    // Of a partitioned table, the key is dropped and added on that table: its partitions'
    // copies go and come with it (under the same name), with their comments put back.
    struct ForeignKey
    {
        QString TableSchema;
        QString TableName;
        QString Name;
        QString Definition; // pg_get_constraintdef, NOT VALID included
        QString Comment;
        QList<std::pair<QString, QString>> PartitionComments; // qualified partition, comment
    };
    // A view that reads the table, directly or through other views of this list.
    struct View
    {
        quint32 Oid = 0;
        QString Schema;
        QString Name;
        QString Query; // pg_get_viewdef without its closing ";"
        QStringList Options; // reloptions: "check_option=local", "security_barrier=true"
        QString Comment;
        QList<std::pair<QString, QString>> ColumnComments;
        QList<std::pair<QString, QString>> ColumnDefaults; // column, expression
        QList<TTableTrigger> Triggers; // INSTEAD OF and statement triggers of the view
        TTableDefinition Privileges; // Owner, AclIsDefault, Grants, OwnerDefault
    };
    // The sequence of an identity column: the DROP takes it with the table, and the new
    // column's sequence (of the same name) gets its comment and privileges back.
    struct IdentitySequence
    {
        int AttNum = 0;
        quint32 Oid = 0;
        QString Schema;
        QString Name;
        QString Comment;
        TTableDefinition Privileges; // Owner, AclIsDefault, Grants, OwnerDefault
    };
    QList<ForeignKey> ForeignKeys;
    QList<View> Views; // in creation order: a view after the views it reads
    QList<IdentitySequence> IdentitySequences;
    // The comments of the indexes behind the table's keys and exclusions (the constraint's
    // name, the comment): the new constraints make new indexes.
    QList<std::pair<QString, QString>> KeyIndexComments;
    // What a re-creation could not put back, one Japanese line each.
    QStringList Refusals;
};

// Reads the dependents of the table (by oid, from pg_depend). Catalog errors propagate.
TTableDependents LoadTableDependents(pg::Connection &connection, const TTableDefinition &def);

// The loaded table turned into the edit: columns in grid order, loaded ones keeping what the
// grid does not show (identity, generated expression, collation, storage, sequence), renamed,
// retyped and with their NOT NULL and comment as edited, and the default of the rows whose
// DefaultEdited is set; the primary key as the key
// column marks say (the loaded key's name and storage when its columns did not change).
// A default cell that holds an identity or generation clause makes the column an identity
// (keeping its sequence when it had one and the clause gives no options) or generated column;
// a clause that does not read as either stays in Default, where the script writes it as it
// stands.
TTableDefinition EditedDefinition(const TTableDefinition &def, const TTableEdit &edit);

// The re-creation was refused: Reasons says why, one line each.
class TableRecreateRefused : public std::runtime_error
{
public:
    explicit TableRecreateRefused(const QStringList &reasons);
    QStringList Reasons;
};

struct TTableRecreateRequest
{
    // The table as the window loaded it. The re-creation is refused when the catalog no
    // longer holds the same columns, since the row copy maps them by their number.
    TTableDefinition Loaded;
    // The definition page: the new table is the edit. Without it (the source page) the new
    // table is SourceScript, which already holds the table's indexes, triggers, policies and
    // privileges, and the rows stay in the backup table, which is kept.
    const TTableEdit *Edit = nullptr;
    QStringList SourceScript;
    QString Prefix; // before the table's quoted name: "schema." or empty
    bool Backup = true; // keep the rows: copy them into a backup table first
    QDateTime Now; // names the backup table
};

struct TTableRecreateScript
{
    QStringList Script;
    QString BackupName; // empty without a backup
    bool KeepsBackup = false; // the backup table stays after the run
};

// The backup table's name: the table's name cut to 19 characters, "_" and the time as
// MMddHHmmss.
QString BackupTableName(const QString &table, const QDateTime &now);

// Writes the re-creation script of the request. Throws TableRecreateRefused when the table
// cannot be re-created safely (what its CREATE script cannot carry, dependents that cannot be
// put back, a table changed since it was loaded, a type change without any cast, objects
// other than the table's own indexes and constraints that use a deleted column, a default
// cell whose GENERATED clause does not read), pg::Error for catalog errors. Columns that swap
// names are renamed through temporary names; a retyped column without an assignment cast is
// copied through an explicit CAST. Reading runs in a unit of work that is rolled back.
TTableRecreateScript TableRecreateScript(pg::Connection &connection,
                                         const TTableRecreateRequest &request);
