#include "tbldef.h"

#include "core/qvtypetext.h"
#include "platform/pg/connection.h"
#include "platform/pg/param.h"

#include <QHash>
#include <QRegularExpression>

#include <stdexcept>

namespace {

pg::Param tdOidParam(quint32 oid)
{
    return pg::Param(QString::number(oid), pg::type::OidType);
}

bool tdIsTrue(const pg::Result &rows, int row, const char *column)
{
    return rows.text(row, QLatin1String(column)) == QLatin1String("t");
}

QChar tdFirstChar(const QString &text)
{
    return text.isEmpty() ? QChar() : text.at(0);
}

// A text array of the catalog ("{a=1,b=2}") as its elements, through the server's own reader.
QStringList tdArrayElements(pg::Connection &connection, const QString &arrayText)
{
    if (arrayText.isEmpty())
        return {};
    const pg::Result rows
        = connection.exec(QStringLiteral("SELECT unnest($1::text[])"), { pg::Param(arrayText) });
    QStringList items;
    for (int i = 0; i < rows.rowCount(); ++i)
        items << rows.text(i, 0);
    return items;
}

const char *const tdTableSQL = R"(
SELECT C.relname, N.nspname, C.relkind, C.relpersistence, C.relispartition,
       C.reloftype <> 0 AS typed,
       EXISTS (SELECT 1 FROM pg_inherits I WHERE I.inhrelid = C.oid) AS hasparents,
       CASE WHEN C.relkind = 'p' THEN pg_get_partkeydef(C.oid) END AS partkey,
       AM.amname, pg_get_userbyid(C.relowner) AS owner,
       obj_description(C.oid, 'pg_class') AS comment, T.spcname,
       (SELECT DT.spcname FROM pg_database D JOIN pg_tablespace DT ON DT.oid = D.dattablespace
        WHERE D.datname = current_database()) AS defspace,
       C.relrowsecurity, C.relforcerowsecurity, C.relreplident, C.relacl IS NULL AS defacl,
       (SELECT count(*) FROM pg_rewrite R WHERE R.ev_class = C.oid) AS rules,
       (SELECT count(*) FROM pg_statistic_ext S WHERE S.stxrelid = C.oid) AS stats
FROM pg_class C
JOIN pg_namespace N ON N.oid = C.relnamespace
LEFT JOIN pg_am AM ON AM.oid = C.relam
LEFT JOIN pg_tablespace T ON T.oid = C.reltablespace
WHERE C.oid = $1 AND C.relkind IN ('r', 'p', 't', 'f'))";

// Columns in number order. The collation is given only where it differs from the type's.
const char *const tdColumnSQL = R"(
SELECT A.attnum, A.attname, format_type(A.atttypid, NULL) AS typname,
       format_type(A.atttypid, A.atttypmod) AS typtext, A.atttypmod, A.attnotnull,
       pg_get_expr(D.adbin, D.adrelid) AS defexpr, A.attidentity, A.attgenerated,
       CASE WHEN A.attcollation <> 0 AND A.attcollation <> T.typcollation
            THEN CN.nspname END AS collschema,
       CASE WHEN A.attcollation <> 0 AND A.attcollation <> T.typcollation
            THEN CO.collname END AS collname,
       col_description(A.attrelid, A.attnum) AS comment,
       CASE WHEN A.attstorage <> T.typstorage THEN A.attstorage END AS storage,
       A.attstattarget, A.attoptions::text, A.attislocal, %1 AS compression
FROM pg_attribute A
JOIN pg_type T ON T.oid = A.atttypid
LEFT JOIN pg_attrdef D ON D.adrelid = A.attrelid AND D.adnum = A.attnum
LEFT JOIN pg_collation CO ON CO.oid = A.attcollation
LEFT JOIN pg_namespace CN ON CN.oid = CO.collnamespace
WHERE A.attrelid = $1 AND A.attnum > 0 AND NOT A.attisdropped
ORDER BY A.attnum)";

// The sequences that serial columns own ('a') and identity columns hold ('i').
const char *const tdSequenceSQL = R"(
SELECT D.refobjsubid, D.deptype, N.nspname, C.relname, format_type(Q.seqtypid, NULL) AS typname,
       Q.seqstart, Q.seqincrement, Q.seqmin, Q.seqmax, Q.seqcache, Q.seqcycle,
       pg_sequence_last_value(C.oid) AS lastvalue
FROM pg_depend D
JOIN pg_class C ON C.oid = D.objid AND C.relkind = 'S'
JOIN pg_namespace N ON N.oid = C.relnamespace
JOIN pg_sequence Q ON Q.seqrelid = C.oid
WHERE D.classid = 'pg_class'::regclass AND D.refclassid = 'pg_class'::regclass
  AND D.refobjid = $1 AND D.refobjsubid > 0 AND D.deptype IN ('a', 'i'))";

// Constraints of the table with the storage of the index behind a key or exclusion; the
// primary key first, then by name. Key and INCLUDE columns come from the index by position.
const char *const tdConstraintSQL = R"(
SELECT K.conname, K.contype, pg_get_constraintdef(K.oid) AS def,
       obj_description(K.oid, 'pg_constraint') AS comment, K.convalidated, K.condeferrable,
       K.condeferred, K.conislocal, FN.nspname AS refschema, IC.relname AS indexname,
       IC.reloptions::text AS indexoptions, IT.spcname AS indexspace,
       obj_description(IC.oid, 'pg_class') AS indexcomment,
       ARRAY(SELECT A.attname FROM generate_subscripts(IX.indkey, 1) S(i)
             JOIN pg_attribute A ON A.attrelid = IX.indrelid AND A.attnum = IX.indkey[S.i]
             WHERE S.i < IX.indnkeyatts ORDER BY S.i)::text AS keycols,
       ARRAY(SELECT A.attname FROM generate_subscripts(IX.indkey, 1) S(i)
             JOIN pg_attribute A ON A.attrelid = IX.indrelid AND A.attnum = IX.indkey[S.i]
             WHERE S.i >= IX.indnkeyatts ORDER BY S.i)::text AS inclcols,
       %1 AS nullsnotdistinct
FROM pg_constraint K
LEFT JOIN pg_class FC ON FC.oid = K.confrelid
LEFT JOIN pg_namespace FN ON FN.oid = FC.relnamespace
LEFT JOIN pg_class IC ON IC.oid = K.conindid AND K.contype IN ('p', 'u', 'x')
LEFT JOIN pg_index IX ON IX.indexrelid = IC.oid
LEFT JOIN pg_tablespace IT ON IT.oid = IC.reltablespace
WHERE K.conrelid = $1 AND K.contype IN ('p', 'u', 'f', 'c', 'x')
ORDER BY K.contype <> 'p', K.conname)";

// The indexes that back no key or exclusion of this table. A foreign key of another table
// also names the index it relies on in conindid; such an index is still this table's own.
const char *const tdIndexSQL = R"(
SELECT C.oid, N.nspname, C.relname, AM.amname, I.indisunique, pg_get_indexdef(C.oid) AS def,
       C.reltablespace <> 0 AS ownspace, T.spcname, obj_description(C.oid, 'pg_class') AS comment
FROM pg_index I
JOIN pg_class C ON C.oid = I.indexrelid
JOIN pg_namespace N ON N.oid = C.relnamespace
JOIN pg_am AM ON AM.oid = C.relam
LEFT JOIN pg_tablespace T ON T.oid = C.reltablespace
WHERE I.indrelid = $1
  AND NOT EXISTS (SELECT 1 FROM pg_constraint K
                  WHERE K.conindid = I.indexrelid AND K.conrelid = I.indrelid
                    AND K.contype IN ('p', 'u', 'x'))
ORDER BY C.relname)";

// Every key of every index of the table in one read.
const char *const tdIndexColumnSQL = R"(
SELECT I.indexrelid, K.n, pg_get_indexdef(I.indexrelid, K.n, false)
FROM pg_index I, generate_series(1, I.indnkeyatts) AS K(n)
WHERE I.indrelid = $1
ORDER BY 1, 2)";

// The clustered index and the replica identity index, constraint-backed ones included.
const char *const tdIndexFlagSQL = R"(
SELECT C.relname, I.indisclustered, I.indisreplident
FROM pg_index I JOIN pg_class C ON C.oid = I.indexrelid
WHERE I.indrelid = $1 AND (I.indisclustered OR I.indisreplident))";

const char *const tdTriggerSQL = R"(
SELECT T.tgname, pg_get_triggerdef(T.oid, false) AS def, T.tgenabled,
       obj_description(T.oid, 'pg_trigger') AS comment
FROM pg_trigger T
WHERE T.tgrelid = $1 AND NOT T.tgisinternal %1
ORDER BY T.tgname)";

const char *const tdPolicySQL = R"(
SELECT P.polname, P.polcmd, %1 AS permissive, P.polroles::text AS roles,
       pg_get_expr(P.polqual, P.polrelid) AS qual,
       pg_get_expr(P.polwithcheck, P.polrelid) AS withcheck,
       obj_description(P.oid, 'pg_policy') AS comment
FROM pg_policy P
WHERE P.polrelid = $1 %2
ORDER BY P.polname)";

// Role names of policy role oids, login roles first; oid 0 (PUBLIC) has no row.
const char *const tdPolicyRoleSQL = R"(
SELECT rolname, rolcanlogin FROM pg_roles WHERE oid = ANY($1::oid[])
ORDER BY NOT rolcanlogin, rolname)";

// The privileges of the table and of its columns, item by item, and what the owner holds by
// default.
const char *const tdGrantSQL = R"(
SELECT NULL::name AS attname, pg_get_userbyid(X.grantor) AS grantor,
       CASE WHEN X.grantee = 0 THEN NULL ELSE pg_get_userbyid(X.grantee) END AS grantee,
       X.privilege_type, X.is_grantable, 0 AS attnum
FROM pg_class C, aclexplode(C.relacl) X
WHERE C.oid = $1
UNION ALL
SELECT A.attname, pg_get_userbyid(X.grantor),
       CASE WHEN X.grantee = 0 THEN NULL ELSE pg_get_userbyid(X.grantee) END,
       X.privilege_type, X.is_grantable, A.attnum
FROM pg_attribute A, aclexplode(A.attacl) X
WHERE A.attrelid = $1 AND A.attnum > 0 AND NOT A.attisdropped
ORDER BY 6, 2, 3, 4)";

const char *const tdDefaultAclSQL = R"(
SELECT pg_get_userbyid(X.grantee), X.privilege_type, X.is_grantable
FROM pg_class C,
     aclexplode(acldefault(CASE WHEN C.relkind = 'S' THEN 's' ELSE 'r' END::"char", C.relowner)) X
WHERE C.oid = $1
ORDER BY 2)";

TStorageOptions tdStorageOptions(pg::Connection &connection, const QString &arrayText)
{
    TStorageOptions options;
    for (const QString &element : tdArrayElements(connection, arrayText))
        options << ParseStorageOption(element);
    return options;
}

QList<TPolicyDefinition> tdReadPolicies(pg::Connection &connection, quint32 tableOid,
                                        const QString &nameFilter, const QString &Schema,
                                        const QString &TableName)
{
    const bool hasPermissive = connection.serverVersion() >= 100000;
    const QString sql
        = QString::fromUtf8(tdPolicySQL)
              .arg(hasPermissive ? QStringLiteral("P.polpermissive") : QStringLiteral("true"),
                   nameFilter.isNull() ? QString() : QStringLiteral("AND P.polname = $2"));
    QList<pg::Param> params { tdOidParam(tableOid) };
    if (!nameFilter.isNull())
        params << pg::Param(nameFilter);
    const pg::Result rows = connection.exec(sql, params);
    QList<TPolicyDefinition> policies;
    for (int i = 0; i < rows.rowCount(); ++i) {
        TPolicyDefinition policy;
        policy.Schema = Schema;
        policy.TableName = TableName;
        policy.Name = rows.text(i, "polname");
        policy.Command = tdFirstChar(rows.text(i, "polcmd"));
        policy.Permissive = tdIsTrue(rows, i, "permissive");
        const QString roles = rows.text(i, "roles");
        const pg::Result names = connection.exec(QString::fromUtf8(tdPolicyRoleSQL),
                                                 { pg::Param(roles, pg::type::Text) });
        for (int r = 0; r < names.rowCount(); ++r) {
            policy.Roles << names.text(r, 0);
            if (tdIsTrue(names, r, "rolcanlogin"))
                policy.LoginRoles << names.text(r, 0);
        }
        // Oid 0 is PUBLIC: "{0}" or an element 0 among others.
        if (roles.contains(QRegularExpression(QStringLiteral("[{,]0[,}]"))))
            policy.Roles.prepend(QString());
        policy.Using = rows.text(i, "qual");
        policy.WithCheck = rows.text(i, "withcheck");
        policy.Comment = rows.text(i, "comment");
        policies << policy;
    }
    return policies;
}

} // namespace

SessionSettingsScope::SessionSettingsScope(pg::Connection &connection,
                                           const QList<std::pair<QString, QString>> &settings)
    : m_connection(connection)
{
    for (const auto &[name, value] : settings) {
        const QString saved = connection
                                  .exec(QStringLiteral("SELECT current_setting($1)"),
                                        { pg::Param(name, pg::type::Text) })
                                  .text(0, 0);
        connection.exec(QStringLiteral("SELECT set_config($1, $2, false)"),
                        { pg::Param(name, pg::type::Text), pg::Param(value, pg::type::Text) });
        m_saved.prepend({ name, saved });
    }
}

SessionSettingsScope::~SessionSettingsScope()
{
    for (const auto &[name, value] : std::as_const(m_saved)) {
        try {
            m_connection.exec(
                QStringLiteral("SELECT set_config($1, $2, false)"),
                { pg::Param(name, pg::type::Text), pg::Param(value, pg::type::Text) });
        } catch (...) {
            // A failed transaction refuses it; its rollback puts the old value back as well.
        }
    }
}

const TTableConstraint *TTableDefinition::PrimaryKey() const
{
    for (const TTableConstraint &constraint : Constraints) {
        if (constraint.Type == QLatin1Char('p'))
            return &constraint;
    }
    return nullptr;
}

QStringList TTableDefinition::Unwritable() const
{
    QStringList reasons;
    if (IsPartitioned())
        reasons << QStringLiteral("パーティション化されたテーブルです。");
    if (IsPartition)
        reasons << QStringLiteral("パーティションです。");
    if (HasParents)
        reasons << QStringLiteral("他のテーブルを継承しています。");
    if (IsTyped)
        reasons << QStringLiteral("型付きテーブルです。");
    if (Kind == QLatin1Char('f'))
        reasons << QStringLiteral("外部テーブルです。");
    if (Kind == QLatin1Char('t'))
        reasons << QStringLiteral("TOAST テーブルです。");
    if (RuleCount > 0)
        reasons << QStringLiteral("ルールがあります。");
    if (StatisticsCount > 0)
        reasons << QStringLiteral("拡張統計があります。");
    for (const TTableColumn &column : Columns) {
        if (!column.Local)
            reasons << QStringLiteral("継承された列 %1 があります。").arg(column.Name);
    }
    for (const TTableConstraint &constraint : Constraints) {
        if (!constraint.Local)
            reasons << QStringLiteral("継承された制約 %1 があります。").arg(constraint.Name);
    }
    return reasons;
}

quint32 FindTableOid(pg::Connection &connection, const QString &Schema, const QString &Name)
{
    const pg::Result rows
        = connection.exec(QStringLiteral("SELECT C.oid FROM pg_class C "
                                         "JOIN pg_namespace N ON N.oid = C.relnamespace "
                                         "WHERE N.nspname = $1 AND C.relname = $2 "
                                         "AND C.relkind IN ('r', 'p', 't', 'f')"),
                          { pg::Param(Schema), pg::Param(Name) });
    return rows.rowCount() ? rows.text(0, 0).toUInt() : 0;
}

TTableDefinition LoadTableDefinition(pg::Connection &connection, quint32 Oid)
{
    const CatalogReadScope scope(connection);
    const int version = connection.serverVersion();
    const QList<pg::Param> self { tdOidParam(Oid) };

    TTableDefinition def;
    const pg::Result table = connection.exec(QString::fromUtf8(tdTableSQL), self);
    if (table.rowCount() == 0)
        throw std::runtime_error(
            QStringLiteral("テーブル (oid %1) の定義情報を読み込めませんでした。")
                .arg(Oid)
                .toStdString());
    def.Oid = Oid;
    def.Name = table.text(0, "relname");
    def.Schema = table.text(0, "nspname");
    def.Kind = tdFirstChar(table.text(0, "relkind"));
    def.Persistence = tdFirstChar(table.text(0, "relpersistence"));
    def.IsPartition = tdIsTrue(table, 0, "relispartition");
    def.IsTyped = tdIsTrue(table, 0, "typed");
    def.HasParents = tdIsTrue(table, 0, "hasparents") && !def.IsPartition;
    def.PartitionKey = table.text(0, "partkey");
    const QString am = table.text(0, "amname");
    def.AccessMethod = am == QLatin1String("heap") ? QString() : am;
    def.Owner = table.text(0, "owner");
    def.Comment = table.text(0, "comment");
    def.Tablespace = table.text(0, "spcname");
    def.DefaultTablespace = table.text(0, "defspace");
    def.RowSecurity = tdIsTrue(table, 0, "relrowsecurity");
    def.ForceRowSecurity = tdIsTrue(table, 0, "relforcerowsecurity");
    def.ReplicaIdentity = tdFirstChar(table.text(0, "relreplident"));
    def.AclIsDefault = tdIsTrue(table, 0, "defacl");
    def.RuleCount = table.text(0, "rules").toInt();
    def.StatisticsCount = table.text(0, "stats").toInt();
    def.Storage = LoadRelationStorage(connection, def.Schema, def.Name);

    const pg::Result columns = connection.exec(
        QString::fromUtf8(tdColumnSQL)
            .arg(version >= 140000 ? QStringLiteral("A.attcompression") : QStringLiteral("''")),
        self);
    QHash<int, int> rowOfAttnum;
    for (int i = 0; i < columns.rowCount(); ++i) {
        TTableColumn column;
        column.AttNum = columns.text(i, "attnum").toInt();
        column.Name = columns.text(i, "attname");
        column.TypeName = columns.text(i, "typname");
        column.TypeText = columns.text(i, "typtext");
        column.TypMod = columns.text(i, "atttypmod").toInt();
        column.Length = GetTypModText(column.TypeName, column.TypMod);
        column.NotNull = tdIsTrue(columns, i, "attnotnull");
        column.Identity = tdFirstChar(columns.text(i, "attidentity"));
        column.Generated = tdFirstChar(columns.text(i, "attgenerated"));
        if (!column.Generated.isNull())
            column.GeneratedExpr = columns.text(i, "defexpr");
        else
            column.Default = columns.text(i, "defexpr");
        column.CollationSchema = columns.text(i, "collschema");
        column.CollationName = columns.text(i, "collname");
        column.Comment = columns.text(i, "comment");
        column.Storage = tdFirstChar(columns.text(i, "storage"));
        column.StatTarget = columns.isNull(i, columns.columnIndex("attstattarget"))
            ? -1
            : columns.text(i, "attstattarget").toInt();
        const QString compression = columns.text(i, "compression");
        if (compression == QLatin1String("p"))
            column.Compression = QStringLiteral("pglz");
        else if (compression == QLatin1String("l"))
            column.Compression = QStringLiteral("lz4");
        column.Options = tdArrayElements(connection, columns.text(i, "attoptions"));
        column.Local = tdIsTrue(columns, i, "attislocal");
        rowOfAttnum.insert(column.AttNum, int(def.Columns.size()));
        def.Columns << column;
    }

    const pg::Result sequences = connection.exec(QString::fromUtf8(tdSequenceSQL), self);
    for (int i = 0; i < sequences.rowCount(); ++i) {
        const auto at = rowOfAttnum.constFind(sequences.text(i, "refobjsubid").toInt());
        if (at == rowOfAttnum.constEnd())
            continue;
        TTableColumn &column = def.Columns[*at];
        column.HasSequence = true;
        column.SequenceOwnedBySerial = sequences.text(i, "deptype") == QLatin1String("a");
        TTableSequence &seq = column.Sequence;
        seq.Schema = sequences.text(i, "nspname");
        seq.Name = sequences.text(i, "relname");
        seq.TypeName = sequences.text(i, "typname");
        seq.Start = sequences.text(i, "seqstart");
        seq.Increment = sequences.text(i, "seqincrement");
        seq.MinValue = sequences.text(i, "seqmin");
        seq.MaxValue = sequences.text(i, "seqmax");
        seq.Cache = sequences.text(i, "seqcache");
        seq.Cycle = tdIsTrue(sequences, i, "seqcycle");
        seq.LastValue = sequences.text(i, "lastvalue");
    }

    const pg::Result constraints
        = connection.exec(QString::fromUtf8(tdConstraintSQL)
                              .arg(version >= 150000 ? QStringLiteral("IX.indnullsnotdistinct")
                                                     : QStringLiteral("false")),
                          self);
    for (int i = 0; i < constraints.rowCount(); ++i) {
        TTableConstraint constraint;
        constraint.Name = constraints.text(i, "conname");
        constraint.Type = tdFirstChar(constraints.text(i, "contype"));
        constraint.Definition = constraints.text(i, "def");
        constraint.Comment = constraints.text(i, "comment");
        constraint.Validated = tdIsTrue(constraints, i, "convalidated");
        constraint.Deferrable = tdIsTrue(constraints, i, "condeferrable");
        constraint.Deferred = tdIsTrue(constraints, i, "condeferred");
        constraint.Local = tdIsTrue(constraints, i, "conislocal");
        constraint.RefSchema = constraints.text(i, "refschema");
        constraint.IndexName = constraints.text(i, "indexname");
        constraint.IndexOptions = tdStorageOptions(connection, constraints.text(i, "indexoptions"));
        constraint.IndexTablespace = constraints.text(i, "indexspace");
        constraint.IndexComment = constraints.text(i, "indexcomment");
        if (!constraints.text(i, "indexname").isEmpty()) {
            constraint.KeyColumns = tdArrayElements(connection, constraints.text(i, "keycols"));
            constraint.IncludeColumns
                = tdArrayElements(connection, constraints.text(i, "inclcols"));
        }
        constraint.NullsNotDistinct = tdIsTrue(constraints, i, "nullsnotdistinct");
        if (constraint.Type == QLatin1Char('p')) {
            for (const QString &key : std::as_const(constraint.KeyColumns)) {
                for (TTableColumn &column : def.Columns) {
                    if (column.Name == key)
                        column.PrimaryKey = true;
                }
            }
        }
        def.Constraints << constraint;
    }

    const pg::Result indexColumns = connection.exec(QString::fromUtf8(tdIndexColumnSQL), self);
    QHash<QString, QStringList> columnsOfIndex;
    for (int i = 0; i < indexColumns.rowCount(); ++i)
        columnsOfIndex[indexColumns.text(i, 0)] << indexColumns.text(i, 2);
    const pg::Result indexes = connection.exec(QString::fromUtf8(tdIndexSQL), self);
    for (int i = 0; i < indexes.rowCount(); ++i) {
        TTableIndex index;
        TIndexDefinition &d = index.Definition;
        if (!ParseIndexDefinition(indexes.text(i, "def"), indexes.text(i, "amname"), d))
            throw std::runtime_error(QStringLiteral("索引 %1 の定義を読めませんでした: %2")
                                         .arg(indexes.text(i, "relname"), indexes.text(i, "def"))
                                         .toStdString());
        d.Schema = indexes.text(i, "nspname");
        d.Name = indexes.text(i, "relname");
        d.TableSchema = def.Schema;
        d.TableName = def.Name;
        d.Unique = tdIsTrue(indexes, i, "indisunique");
        index.OwnTablespace = tdIsTrue(indexes, i, "ownspace");
        d.Tablespace = index.OwnTablespace ? indexes.text(i, "spcname") : def.DefaultTablespace;
        index.Comment = indexes.text(i, "comment");
        index.Columns = columnsOfIndex.value(indexes.text(i, "oid"));
        def.Indexes << index;
    }
    const pg::Result flags = connection.exec(QString::fromUtf8(tdIndexFlagSQL), self);
    for (int i = 0; i < flags.rowCount(); ++i) {
        if (tdIsTrue(flags, i, "indisclustered"))
            def.ClusterIndex = flags.text(i, "relname");
        if (tdIsTrue(flags, i, "indisreplident"))
            def.ReplicaIndex = flags.text(i, "relname");
    }

    // Triggers cloned from a partitioned parent belong to the parent's definition.
    const pg::Result triggers = connection.exec(
        QString::fromUtf8(tdTriggerSQL)
            .arg(version >= 130000 ? QStringLiteral("AND T.tgparentid = 0") : QString()),
        self);
    for (int i = 0; i < triggers.rowCount(); ++i) {
        def.Triggers << TTableTrigger { triggers.text(i, "tgname"), triggers.text(i, "def"),
                                        tdFirstChar(triggers.text(i, "tgenabled")),
                                        triggers.text(i, "comment") };
    }

    if (version >= 90500)
        def.Policies = tdReadPolicies(connection, Oid, QString(), def.Schema, def.Name);

    LoadRelationPrivileges(connection, Oid, def);
    return def;
}

void LoadRelationPrivileges(pg::Connection &connection, quint32 Oid, TTableDefinition &def)
{
    const QList<pg::Param> self { tdOidParam(Oid) };
    def.Grants.clear();
    def.OwnerDefault.clear();
    const pg::Result grants = connection.exec(QString::fromUtf8(tdGrantSQL), self);
    for (int i = 0; i < grants.rowCount(); ++i) {
        def.Grants << TTableGrant { grants.text(i, "attname"), grants.text(i, "grantor"),
                                    grants.text(i, "grantee"), grants.text(i, "privilege_type"),
                                    tdIsTrue(grants, i, "is_grantable") };
    }
    const pg::Result defaults = connection.exec(QString::fromUtf8(tdDefaultAclSQL), self);
    for (int i = 0; i < defaults.rowCount(); ++i) {
        def.OwnerDefault << TTableGrant { QString(), def.Owner, defaults.text(i, 0),
                                          defaults.text(i, 1), defaults.text(i, 2) == "t" };
    }
}

bool LoadPolicyDefinition(pg::Connection &connection, const QString &Schema,
                          const QString &TableName, const QString &PolicyName,
                          TPolicyDefinition &Policy)
{
    const quint32 oid = FindTableOid(connection, Schema, TableName);
    if (oid == 0)
        return false;
    const CatalogReadScope scope(connection);
    const QList<TPolicyDefinition> found = tdReadPolicies(
        connection, oid, PolicyName.isNull() ? QStringLiteral("") : PolicyName, Schema, TableName);
    if (found.isEmpty())
        return false;
    Policy = found.first();
    return true;
}
