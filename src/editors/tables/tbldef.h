#pragma once

#include "idxdef.h"
#include "rstorage.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace pg {
class Connection;
}

// One table as the table editor reads it from the catalog: a plain value without widgets, from
// which the CREATE script, the data output and the compile are written. Every name is kept
// exactly as the catalog stores it; every expression is the server's own text, read with a
// search path of pg_catalog alone so that the objects of other schemas come qualified.

// The sequence behind a serial column (owned by the column) or an identity column.
struct TTableSequence
{
    QString Schema;
    QString Name;
    QString TypeName; // "integer", "bigint", "smallint"
    QString Start;
    QString Increment;
    QString MinValue;
    QString MaxValue;
    QString Cache;
    bool Cycle = false;
    QString LastValue; // empty when nextval was never called
};

struct TTableColumn
{
    int AttNum = 0; // the column's number at load; the row copy of a re-creation maps by it
    QString Name;
    QString TypeName; // format_type without modifier: "character varying", "tbl.\"Kind\"[]"
    QString TypeText; // format_type with modifier: "character varying(40)"
    int TypMod = -1;
    QString Length; // the length cell of the grid: "40", "10,2"
    bool NotNull = false;
    QString Default; // the default expression; empty for none and for generated columns
    QChar Identity; // 'a' ALWAYS, 'd' BY DEFAULT, null: none
    QChar Generated; // 's' STORED, null: none
    QString GeneratedExpr;
    QString CollationSchema; // empty when the column has its type's own collation
    QString CollationName;
    QString Comment;
    bool PrimaryKey = false; // a key column of the primary key (INCLUDE columns are not)
    QChar Storage; // attstorage when it differs from the type's, else null
    int StatTarget = -1; // attstattarget; -1 = the default
    QString Compression; // attcompression as a method name, empty for the default
    QStringList Options; // attoptions, "key=value"
    bool Local = true; // attislocal: defined by the table itself, not only inherited
    bool HasSequence = false; // the serial or identity sequence below
    bool SequenceOwnedBySerial = false; // owned by the column (serial), not an identity
    TTableSequence Sequence;
};

struct TTableConstraint
{
    QString Name;
    QChar Type; // 'p', 'u', 'f', 'c', 'x' (and 't' for constraint triggers, not listed)
    QString Definition; // pg_get_constraintdef
    QString Comment;
    bool Validated = true;
    bool Deferrable = false;
    bool Deferred = false;
    bool Local = true;
    QStringList KeyColumns; // p, u: the key columns in key order (INCLUDE ones apart)
    QStringList IncludeColumns;
    bool NullsNotDistinct = false;
    // p, u, x: the backing index's storage
    QString IndexName;
    TStorageOptions IndexOptions;
    QString IndexTablespace; // its own tablespace; empty for the database's default
    QString IndexComment; // p, u, x: the backing index's own comment
    QString RefSchema; // f: the referenced table's schema
};

struct TTableIndex
{
    TIndexDefinition Definition;
    QString Comment;
    QStringList Columns; // each key as pg_get_indexdef(oid, n) writes it
    bool OwnTablespace = false; // reltablespace set (not the database's default)
};

struct TTableTrigger
{
    QString Name;
    QString Definition; // pg_get_triggerdef
    QChar Enabled; // tgenabled: 'O' origin, 'D' disabled, 'R' replica, 'A' always
    QString Comment;
};

struct TPolicyDefinition
{
    QString Schema; // the table's
    QString TableName;
    QString Name;
    QChar Command; // polcmd: '*' all, 'r' select, 'a' insert, 'w' update, 'd' delete
    bool Permissive = true;
    // The roles in writing order: login roles by name, then the other roles by name;
    // an empty name stands for PUBLIC (role oid 0).
    QStringList Roles;
    QStringList LoginRoles; // the roles of Roles that can log in
    QString Using;
    QString WithCheck;
    QString Comment;
};

// One privilege of the table or of one of its columns, as aclexplode reads the item.
struct TTableGrant
{
    QString Column; // empty: the table
    QString Grantor;
    QString Grantee; // empty: PUBLIC
    QString Privilege; // "SELECT", "INSERT", ...
    bool Grantable = false;
};

struct TTableDefinition
{
    quint32 Oid = 0;
    QString Schema;
    QString Name;
    QChar Kind; // relkind: 'r', 'p', 't', 'f'
    QChar Persistence; // 'p', 'u' unlogged, 't' temporary
    bool IsPartition = false;
    bool HasParents = false; // inherits from other tables
    bool IsTyped = false; // OF type
    QString PartitionKey; // pg_get_partkeydef of a partitioned table
    QString AccessMethod; // empty for heap
    QString Owner;
    QString Comment;
    QString Tablespace; // its own; empty for the database's default
    QString DefaultTablespace; // the database's
    TRelationStorage Storage;
    bool RowSecurity = false;
    bool ForceRowSecurity = false;
    QChar ReplicaIdentity; // 'd', 'n', 'f', 'i'
    QString ReplicaIndex; // with 'i'
    QString ClusterIndex;
    int RuleCount = 0;
    int StatisticsCount = 0;
    QList<TTableColumn> Columns;
    QList<TTableConstraint> Constraints; // the primary key first, then by name
    QList<TTableIndex> Indexes; // the indexes that back no constraint of the table, by name
    QList<TTableTrigger> Triggers; // user triggers by name
    QList<TPolicyDefinition> Policies; // by name
    bool AclIsDefault = true; // relacl is NULL: the owner's default privileges
    QList<TTableGrant> Grants; // the table's and its columns' privileges
    QList<TTableGrant> OwnerDefault; // what the owner holds by default (acldefault)

    bool IsPartitioned() const { return Kind == QLatin1Char('p'); }
    bool IsTemporary() const { return Persistence == QLatin1Char('t'); }
    const TTableConstraint *PrimaryKey() const;
    // What a CREATE script of this table cannot carry, one Japanese line each; a re-creation
    // refuses to run while this is not empty.
    QStringList Unwritable() const;
    bool CanRecreate() const { return Unwritable().isEmpty(); }
};

// The table's oid by schema and name as stored (never case-folded); 0 when there is none.
quint32 FindTableOid(pg::Connection &connection, const QString &Schema, const QString &Name);

// Reads the table. Throws pg::Error for catalog errors and std::runtime_error when no table,
// partitioned table or TOAST table has that oid.
TTableDefinition LoadTableDefinition(pg::Connection &connection, quint32 Oid);

// Reads the privileges of the relation Oid (a table, a view or a sequence) and of its columns
// into def.Grants, and what def.Owner holds by default into def.OwnerDefault.
void LoadRelationPrivileges(pg::Connection &connection, quint32 Oid, TTableDefinition &def);

// Reads one policy of schema.table by name; false when there is none.
bool LoadPolicyDefinition(pg::Connection &connection, const QString &Schema,
                          const QString &TableName, const QString &PolicyName,
                          TPolicyDefinition &Policy);

// Session settings changed for the statements of a scope (set_config, session level) and put
// back to the session's own values when the scope ends. Inside a transaction that fails the
// restore is refused, and the transaction's rollback puts the old values back instead.
class SessionSettingsScope
{
public:
    SessionSettingsScope(pg::Connection &connection,
                         const QList<std::pair<QString, QString>> &settings);
    ~SessionSettingsScope();
    SessionSettingsScope(const SessionSettingsScope &) = delete;
    SessionSettingsScope &operator=(const SessionSettingsScope &) = delete;

private:
    pg::Connection &m_connection;
    QList<std::pair<QString, QString>> m_saved;
};

// Catalog reads with search_path = pg_catalog, so that the server's deparsers qualify every
// object outside pg_catalog.
class CatalogReadScope : public SessionSettingsScope
{
public:
    explicit CatalogReadScope(pg::Connection &connection)
        : SessionSettingsScope(connection,
                               { { QStringLiteral("search_path"), QStringLiteral("pg_catalog") } })
    { }
};
