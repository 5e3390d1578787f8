#include "tblrecreate.h"

#include "tblalter.h"
#include "tblscript.h"

#include "core/qvconnkey.h"
#include "core/qvname.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/param.h"
#include "platform/pg/transaction.h"
#include "ui/ddlrun.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

const QLatin1String trEnd(";");

void trStatement(QStringList &lines, const QString &text)
{
    lines << text << trEnd;
}

QString trQualified(const QString &schema, const QString &name)
{
    return QuoteName(schema) + QLatin1Char('.') + QuoteName(name);
}

pg::Param trOid(quint32 oid)
{
    return pg::Param(QString::number(oid), pg::type::OidType);
}

// Every object that depends on a relation (or on its row type) and is not part of the
// relation itself, classified: 'f' a foreign key of another table, 'v' a view (its oid in
// objid), 'o' anything else (described). The relation's own indexes, constraints, triggers,
// policies, defaults, rules, statistics, sequences, TOAST table and row type (with its array
// type) are left out: they go with the relation and its CREATE script writes them.
const char *const trDependentsSQL = R"(
WITH rel AS (SELECT oid, reltype, reltoastrelid FROM pg_class WHERE oid = $1),
dep AS (
  SELECT D.classid, D.objid, D.objsubid, D.deptype
  FROM pg_depend D, rel
  WHERE (D.refclassid = 'pg_class'::regclass AND D.refobjid = rel.oid)
     OR (D.refclassid = 'pg_type'::regclass AND D.refobjid = rel.reltype))
SELECT DISTINCT
  CASE
    WHEN dep.classid = 'pg_constraint'::regclass
         AND EXISTS (SELECT 1 FROM pg_constraint K WHERE K.oid = dep.objid
                     AND K.contype = 'f' AND K.confrelid = rel.oid AND K.conrelid <> rel.oid)
      THEN 'f'
    WHEN dep.classid = 'pg_rewrite'::regclass
         AND EXISTS (SELECT 1 FROM pg_rewrite R JOIN pg_class V ON V.oid = R.ev_class
                     WHERE R.oid = dep.objid AND R.ev_class <> rel.oid AND V.relkind = 'v'
                       AND R.rulename = '_RETURN')
      THEN 'v'
    ELSE 'o'
  END AS kind,
  CASE WHEN dep.classid = 'pg_rewrite'::regclass
       THEN (SELECT R.ev_class FROM pg_rewrite R WHERE R.oid = dep.objid)
       ELSE dep.objid END AS objid,
  CASE WHEN dep.classid = 'pg_rewrite'::regclass THEN 0 ELSE dep.classid END AS classid,
  pg_describe_object(dep.classid, dep.objid, 0) AS description
FROM dep, rel
WHERE NOT (
     (dep.classid = 'pg_class'::regclass AND (
          dep.objid = rel.reltoastrelid
       OR EXISTS (SELECT 1 FROM pg_index I WHERE I.indexrelid = dep.objid AND I.indrelid = rel.oid)
       OR (dep.deptype IN ('a', 'i') AND EXISTS (SELECT 1 FROM pg_class S
                                                WHERE S.oid = dep.objid AND S.relkind = 'S'))))
  OR (dep.classid = 'pg_type'::regclass
      AND (dep.objid = rel.reltype
           OR EXISTS (SELECT 1 FROM pg_type T WHERE T.oid = dep.objid AND T.typelem = rel.reltype
                      AND dep.deptype = 'i')))
  OR (dep.classid = 'pg_constraint'::regclass
      AND EXISTS (SELECT 1 FROM pg_constraint K WHERE K.oid = dep.objid AND K.conrelid = rel.oid))
  OR (dep.classid = 'pg_trigger'::regclass
      AND EXISTS (SELECT 1 FROM pg_trigger T WHERE T.oid = dep.objid AND T.tgrelid = rel.oid))
  OR (dep.classid = 'pg_policy'::regclass
      AND EXISTS (SELECT 1 FROM pg_policy P WHERE P.oid = dep.objid AND P.polrelid = rel.oid))
  OR (dep.classid = 'pg_attrdef'::regclass
      AND EXISTS (SELECT 1 FROM pg_attrdef A WHERE A.oid = dep.objid AND A.adrelid = rel.oid))
  OR (dep.classid = 'pg_rewrite'::regclass
      AND EXISTS (SELECT 1 FROM pg_rewrite R WHERE R.oid = dep.objid AND R.ev_class = rel.oid
                  AND R.rulename = '_RETURN'))
  OR (dep.classid = 'pg_statistic_ext'::regclass
      AND EXISTS (SELECT 1 FROM pg_statistic_ext S WHERE S.oid = dep.objid
                  AND S.stxrelid = rel.oid)))
ORDER BY 1, 4)";

// The extension a relation belongs to, if any.
const char *const trExtensionSQL = R"(
SELECT E.extname FROM pg_depend D JOIN pg_extension E ON E.oid = D.refobjid
WHERE D.classid = 'pg_class'::regclass AND D.objid = $1 AND D.deptype = 'e'
  AND D.refclassid = 'pg_extension'::regclass)";

// The foreign keys, with the key of the partitioned table each partition's copy comes from.
const char *const trForeignKeySQL = R"(
SELECT K.oid, K.conparentid, N.nspname, C.relname, K.conname, pg_get_constraintdef(K.oid) AS def,
       obj_description(K.oid, 'pg_constraint') AS comment
FROM pg_constraint K
JOIN pg_class C ON C.oid = K.conrelid
JOIN pg_namespace N ON N.oid = C.relnamespace
WHERE K.oid = ANY($1::oid[])
ORDER BY N.nspname, C.relname, K.conname)";

const char *const trViewSQL = R"(
SELECT N.nspname, C.relname, pg_get_viewdef(C.oid) AS query,
       array_to_string(C.reloptions, chr(1)) AS options,
       pg_get_userbyid(C.relowner) AS owner, C.relacl IS NULL AS defacl,
       obj_description(C.oid, 'pg_class') AS comment
FROM pg_class C JOIN pg_namespace N ON N.oid = C.relnamespace
WHERE C.oid = $1)";

const char *const trViewColumnCommentSQL = R"(
SELECT A.attname, D.description
FROM pg_attribute A
JOIN pg_description D ON D.objoid = A.attrelid AND D.classoid = 'pg_class'::regclass
                     AND D.objsubid = A.attnum
WHERE A.attrelid = $1 AND A.attnum > 0 AND NOT A.attisdropped
ORDER BY A.attnum)";

const char *const trViewDefaultSQL = R"(
SELECT A.attname, pg_get_expr(D.adbin, D.adrelid) AS expr
FROM pg_attrdef D
JOIN pg_attribute A ON A.attrelid = D.adrelid AND A.attnum = D.adnum
WHERE D.adrelid = $1
ORDER BY A.attnum)";

const char *const trViewTriggerSQL = R"(
SELECT T.tgname, pg_get_triggerdef(T.oid, false) AS def, T.tgenabled,
       obj_description(T.oid, 'pg_trigger') AS comment
FROM pg_trigger T
WHERE T.tgrelid = $1 AND NOT T.tgisinternal
ORDER BY T.tgname)";

const char *const trSequenceSQL = R"(
SELECT C.oid, pg_get_userbyid(C.relowner) AS owner, C.relacl IS NULL AS defacl,
       obj_description(C.oid, 'pg_class') AS comment
FROM pg_class C JOIN pg_namespace N ON N.oid = C.relnamespace
WHERE N.nspname = $1 AND C.relname = $2 AND C.relkind = 'S')";

const char *const trKeyIndexCommentSQL = R"(
SELECT K.conname, obj_description(K.conindid, 'pg_class') AS comment
FROM pg_constraint K
WHERE K.conrelid = $1 AND K.contype IN ('p', 'u', 'x')
  AND obj_description(K.conindid, 'pg_class') IS NOT NULL
ORDER BY 1)";

// What depends on a sequence; an identity sequence has nothing of its own, and the DROP TABLE
// that takes it would fail on anything found here.
const char *const trSequenceDependentsSQL = R"(
SELECT pg_describe_object(D.classid, D.objid, D.objsubid)
FROM pg_depend D
WHERE D.refclassid = 'pg_class'::regclass AND D.refobjid = $1 AND D.deptype = 'n'
ORDER BY 1)";

// The objects that use the given columns of the table, apart from each column's own default
// and the sequence it owns: 'i' an index of the table, 'c' a constraint of the table (both go
// with the column, as ALTER TABLE DROP COLUMN takes them), 'o' anything else.
const char *const trColumnUsesSQL = R"(
SELECT DISTINCT A.attname,
       CASE WHEN IX.indexrelid IS NOT NULL AND IX.indrelid = $1 THEN 'i'
            WHEN K.oid IS NOT NULL AND K.conrelid = $1 THEN 'c'
            ELSE 'o' END AS kind,
       coalesce(IC.relname, K.conname) AS name,
       K.contype,
       pg_describe_object(D.classid, D.objid, D.objsubid) AS description
FROM pg_depend D
JOIN pg_attribute A ON A.attrelid = D.refobjid AND A.attnum = D.refobjsubid
LEFT JOIN pg_class IC ON D.classid = 'pg_class'::regclass AND IC.oid = D.objid
LEFT JOIN pg_index IX ON IX.indexrelid = IC.oid
LEFT JOIN pg_constraint K ON D.classid = 'pg_constraint'::regclass AND K.oid = D.objid
LEFT JOIN pg_attrdef AD ON D.classid = 'pg_attrdef'::regclass AND AD.oid = D.objid
WHERE D.refclassid = 'pg_class'::regclass AND D.refobjid = $1
  AND D.refobjsubid = ANY($2::int2[])
  AND NOT (AD.oid IS NOT NULL AND AD.adnum = D.refobjsubid)
  AND NOT (IC.oid IS NOT NULL AND IC.relkind = 'S')
ORDER BY 1, 5)";

// The columns as the row copy maps them: number, name, type and modifier.
const char *const trColumnSignatureSQL = R"(
SELECT pg_catalog.string_agg(pg_catalog.concat_ws(' ', A.attnum, A.attname, A.atttypid,
                                                  A.atttypmod), E'\n' ORDER BY A.attnum)
FROM pg_catalog.pg_attribute A
WHERE A.attrelid = %1 AND A.attnum > 0 AND NOT A.attisdropped)";

// What a re-creation script is written from, of the table, its dependent views and its identity
// sequences: names, owners, privileges, options, columns, comments, and every object that
// depends on them (indexes, constraints, triggers, policies, defaults, rules, views, foreign
// keys of other tables, columns of the row type). Row-level security's FORCE switch is left
// out: the script checks under the lock whether row-level security hides rows.
const char *const trDefinitionSignatureSQL = R"(
SELECT pg_catalog.md5(pg_catalog.string_agg(R.text, E'\n' ORDER BY R.oid))
FROM (
  SELECT C.oid, pg_catalog.concat_ws(E'\n',
    pg_catalog.concat_ws(' ', C.relname, C.relnamespace, C.relowner, C.relkind, C.relpersistence,
                         C.relrowsecurity, C.relacl, C.reloptions),
    (SELECT pg_catalog.string_agg(pg_catalog.concat_ws(' ', A.attnum, A.attname, A.atttypid,
                                  A.atttypmod, A.attnotnull, A.attidentity, A.attgenerated,
                                  A.attcollation, A.attacl), E'\n' ORDER BY A.attnum)
     FROM pg_catalog.pg_attribute A
     WHERE A.attrelid = C.oid AND A.attnum > 0 AND NOT A.attisdropped),
    (SELECT pg_catalog.string_agg(pg_catalog.concat_ws(' ', D.classid, D.objid, D.objsubid,
                                  D.refclassid, D.refobjsubid, D.deptype),
                                  E'\n' ORDER BY D.classid, D.objid, D.objsubid, D.refclassid,
                                  D.refobjsubid, D.deptype)
     FROM pg_catalog.pg_depend D
     WHERE (D.refclassid = 'pg_catalog.pg_class'::pg_catalog.regclass AND D.refobjid = C.oid)
        OR (D.refclassid = 'pg_catalog.pg_type'::pg_catalog.regclass AND D.refobjid = C.reltype)),
    (SELECT pg_catalog.string_agg(pg_catalog.concat_ws(' ', S.objsubid, S.description),
                                  E'\n' ORDER BY S.objsubid)
     FROM pg_catalog.pg_description S
     WHERE S.objoid = C.oid AND S.classoid = 'pg_catalog.pg_class'::pg_catalog.regclass)) AS text
  FROM pg_catalog.pg_class C
  WHERE C.oid = ANY('%1'::pg_catalog.oid[])) R)";

struct trDependent
{
    QChar Kind;
    quint32 Oid = 0;
    QString Description;
};

QList<trDependent> trReadDependents(pg::Connection &connection, quint32 oid)
{
    const pg::Result rows = connection.exec(QString::fromUtf8(trDependentsSQL), { trOid(oid) });
    QList<trDependent> found;
    for (int i = 0; i < rows.rowCount(); ++i)
        found << trDependent { rows.text(i, "kind").at(0), rows.text(i, "objid").toUInt(),
                               rows.text(i, "description") };
    return found;
}

QString trExtensionOf(pg::Connection &connection, quint32 oid)
{
    const pg::Result rows = connection.exec(QString::fromUtf8(trExtensionSQL), { trOid(oid) });
    return rows.rowCount() ? rows.text(0, 0) : QString();
}

TTableDependents::View trReadView(pg::Connection &connection, quint32 oid)
{
    TTableDependents::View view;
    const pg::Result rows = connection.exec(QString::fromUtf8(trViewSQL), { trOid(oid) });
    if (rows.rowCount() == 0)
        return view;
    view.Oid = oid;
    view.Schema = rows.text(0, "nspname");
    view.Name = rows.text(0, "relname");
    view.Query = rows.text(0, "query").trimmed();
    while (view.Query.endsWith(QLatin1Char(';')))
        view.Query = view.Query.chopped(1).trimmed();
    const QString options = rows.text(0, "options");
    if (!options.isEmpty())
        view.Options = options.split(QChar(1));
    view.Comment = rows.text(0, "comment");
    view.Privileges.Name = view.Name;
    view.Privileges.Schema = view.Schema;
    view.Privileges.Owner = rows.text(0, "owner");
    view.Privileges.AclIsDefault = rows.text(0, "defacl") == QLatin1String("t");
    LoadRelationPrivileges(connection, oid, view.Privileges);
    const pg::Result comments
        = connection.exec(QString::fromUtf8(trViewColumnCommentSQL), { trOid(oid) });
    for (int i = 0; i < comments.rowCount(); ++i)
        view.ColumnComments.append({ comments.text(i, 0), comments.text(i, 1) });
    const pg::Result defaults
        = connection.exec(QString::fromUtf8(trViewDefaultSQL), { trOid(oid) });
    for (int i = 0; i < defaults.rowCount(); ++i)
        view.ColumnDefaults.append({ defaults.text(i, "attname"), defaults.text(i, "expr") });
    const pg::Result triggers
        = connection.exec(QString::fromUtf8(trViewTriggerSQL), { trOid(oid) });
    for (int i = 0; i < triggers.rowCount(); ++i) {
        const QString enabled = triggers.text(i, "tgenabled");
        view.Triggers << TTableTrigger { triggers.text(i, "tgname"), triggers.text(i, "def"),
                                         enabled.isEmpty() ? QChar() : enabled.at(0),
                                         triggers.text(i, "comment") };
    }
    return view;
}

// The default cell put on a column: a default expression, or an identity or generation clause
// the column takes as such. An identity column that stays one keeps its sequence (name,
// options, value) unless the clause gives options of its own; a serial column that becomes an
// identity or generated one lets its sequence go with the old table. Options, and a clause that
// does not read, stay in Default as typed and the script writes them as they stand.
void trTakeDefaultCell(TTableColumn &column, const QString &cell)
{
    const bool hadIdentity = !column.Identity.isNull() && column.HasSequence;
    column.Default = cell;
    column.Generated = QChar();
    column.GeneratedExpr.clear();
    column.Identity = QChar();
    TGenerationClause clause;
    const bool isClause = ReadGenerationClause(cell, clause);
    const bool keepsSequence = hadIdentity
        ? isClause && !clause.Identity.isNull() && clause.IdentityOptions.isEmpty()
        : !isClause;
    if (!keepsSequence)
        column.HasSequence = false;
    if (!isClause)
        return;
    if (clause.Identity.isNull()) {
        column.Default.clear();
        column.Generated = QLatin1Char('s');
        column.GeneratedExpr = clause.Expression;
        return;
    }
    column.Identity = clause.Identity;
    if (clause.IdentityOptions.isEmpty())
        column.Default.clear();
}

QString trArrayOfOids(const QList<quint32> &oids)
{
    QStringList texts;
    for (quint32 oid : oids)
        texts << QString::number(oid);
    return QLatin1Char('{') + texts.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace

TableRecreateRefused::TableRecreateRefused(const QStringList &reasons)
    : std::runtime_error(reasons.join(QLatin1Char('\n')).toStdString())
    , Reasons(reasons)
{ }

QString BackupTableName(const QString &table, const QDateTime &now)
{
    // Cut by characters, never inside a surrogate pair.
    qsizetype cut = qMin<qsizetype>(table.size(), 19);
    if (cut > 0 && cut < table.size() && table.at(cut - 1).isHighSurrogate())
        --cut;
    return table.left(cut) + QLatin1Char('_') + now.toString(QStringLiteral("MMddHHmmss"));
}

TTableDependents LoadTableDependents(pg::Connection &connection, const TTableDefinition &def)
{
    const CatalogReadScope scope(connection);
    TTableDependents result;
    const QString extension = trExtensionOf(connection, def.Oid);
    if (!extension.isEmpty())
        result.Refusals << QStringLiteral("拡張機能 %1 に属するテーブルです。").arg(extension);

    QList<quint32> foreignKeys;
    // Views that read the table, then the views that read those, and so on; each view's
    // prerequisites among them are remembered to order their creation.
    QList<quint32> views;
    QHash<quint32, QSet<quint32>> reads; // view -> views of the list it reads
    QList<quint32> queue { def.Oid };
    QSet<quint32> seen { def.Oid };
    while (!queue.isEmpty()) {
        const quint32 oid = queue.takeFirst();
        for (const trDependent &dependent : trReadDependents(connection, oid)) {
            if (dependent.Kind == QLatin1Char('f') && oid == def.Oid) {
                if (!foreignKeys.contains(dependent.Oid))
                    foreignKeys << dependent.Oid;
            } else if (dependent.Kind == QLatin1Char('v')) {
                if (oid != def.Oid)
                    reads[dependent.Oid].insert(oid);
                if (!seen.contains(dependent.Oid)) {
                    seen.insert(dependent.Oid);
                    views << dependent.Oid;
                    queue << dependent.Oid;
                }
            } else {
                const QString text
                    = QStringLiteral("%1 が依存しています。").arg(dependent.Description);
                if (!result.Refusals.contains(text))
                    result.Refusals << text;
            }
        }
    }

    if (!foreignKeys.isEmpty()) {
        const pg::Result rows = connection.exec(QString::fromUtf8(trForeignKeySQL),
                                                { pg::Param(trArrayOfOids(foreignKeys)) });
        // A partition's copy of a partitioned table's key cannot be dropped or added on its
        // own: the key of the topmost table stands for all of them.
        QHash<quint32, int> rowOf;
        for (int i = 0; i < rows.rowCount(); ++i)
            rowOf.insert(rows.text(i, "oid").toUInt(), i);
        const auto rootOf = [&](int row) {
            QSet<int> seen;
            for (;;) {
                const auto parent = rowOf.constFind(rows.text(row, "conparentid").toUInt());
                if (parent == rowOf.constEnd() || seen.contains(*parent))
                    return row;
                seen.insert(row);
                row = *parent;
            }
        };
        QHash<int, qsizetype> keyOfRow;
        for (int i = 0; i < rows.rowCount(); ++i) {
            if (rootOf(i) != i)
                continue;
            keyOfRow.insert(i, result.ForeignKeys.size());
            result.ForeignKeys << TTableDependents::ForeignKey {
                rows.text(i, "nspname"), rows.text(i, "relname"), rows.text(i, "conname"),
                rows.text(i, "def"),     rows.text(i, "comment"), {}
            };
        }
        for (int i = 0; i < rows.rowCount(); ++i) {
            const int root = rootOf(i);
            if (root == i)
                continue;
            const QString partition = trQualified(rows.text(i, "nspname"), rows.text(i, "relname"));
            const QString name = rows.text(i, "conname");
            // Added again on the partitioned table, the key gives each partition a copy of its
            // own name; a copy that was named otherwise (a partition's key that was merged on
            // attach) would change its name.
            if (name != rows.text(root, "conname")) {
                result.Refusals << QStringLiteral(
                                       "パーティション %1 の外部キー %2 は%3 の外部キー "
                                       "%4 と名前が異なるため、作り直すと名前が変わります。")
                                       .arg(partition, name,
                                            trQualified(rows.text(root, "nspname"),
                                                        rows.text(root, "relname")),
                                            rows.text(root, "conname"));
                continue;
            }
            if (!rows.text(i, "comment").isEmpty())
                result.ForeignKeys[keyOfRow.value(root)].PartitionComments.append(
                    { partition, rows.text(i, "comment") });
        }
    }

    const pg::Result keyIndexes
        = connection.exec(QString::fromUtf8(trKeyIndexCommentSQL), { trOid(def.Oid) });
    for (int i = 0; i < keyIndexes.rowCount(); ++i)
        result.KeyIndexComments.append({ keyIndexes.text(i, 0), keyIndexes.text(i, 1) });

    // The identity columns' sequences.
    for (const TTableColumn &column : def.Columns) {
        if (column.Identity.isNull() || !column.HasSequence || column.SequenceOwnedBySerial)
            continue;
        const pg::Result rows = connection.exec(
            QString::fromUtf8(trSequenceSQL),
            { pg::Param(column.Sequence.Schema), pg::Param(column.Sequence.Name) });
        if (rows.rowCount() == 0)
            continue;
        TTableDependents::IdentitySequence sequence;
        sequence.AttNum = column.AttNum;
        sequence.Oid = rows.text(0, "oid").toUInt();
        sequence.Schema = column.Sequence.Schema;
        sequence.Name = column.Sequence.Name;
        sequence.Comment = rows.text(0, "comment");
        sequence.Privileges.Name = sequence.Name;
        sequence.Privileges.Schema = sequence.Schema;
        sequence.Privileges.Owner = rows.text(0, "owner");
        sequence.Privileges.AclIsDefault = rows.text(0, "defacl") == QLatin1String("t");
        LoadRelationPrivileges(connection, sequence.Oid, sequence.Privileges);
        const pg::Result users
            = connection.exec(QString::fromUtf8(trSequenceDependentsSQL), { trOid(sequence.Oid) });
        for (int i = 0; i < users.rowCount(); ++i)
            result.Refusals << QStringLiteral("%1 が識別列 %2 の順序 %3 を使っています。")
                                   .arg(users.text(i, 0), column.Name,
                                        trQualified(sequence.Schema, sequence.Name));
        result.IdentitySequences << sequence;
    }

    // A view is created once every view of the list it reads exists.
    QList<quint32> ordered;
    QSet<quint32> placed;
    while (ordered.size() < views.size()) {
        bool progress = false;
        for (quint32 view : std::as_const(views)) {
            if (placed.contains(view))
                continue;
            bool ready = true;
            for (quint32 need : reads.value(view))
                ready = ready && (placed.contains(need) || !seen.contains(need));
            if (ready) {
                ordered << view;
                placed.insert(view);
                progress = true;
            }
        }
        if (!progress) // a cycle cannot happen between views; keep the found order then
            for (quint32 view : std::as_const(views))
                if (!placed.contains(view)) {
                    ordered << view;
                    placed.insert(view);
                }
    }
    for (quint32 oid : std::as_const(ordered)) {
        TTableDependents::View view = trReadView(connection, oid);
        if (view.Oid == 0)
            continue;
        // ALTER TABLE cannot switch a view's trigger: one that is not simply enabled cannot be
        // put back as it is.
        for (const TTableTrigger &trigger : std::as_const(view.Triggers)) {
            if (trigger.Enabled != QLatin1Char('O'))
                result.Refusals << QStringLiteral("ビュー %1 のトリガー %2 は有効化の状態 (%3) "
                                                  "を作り直せません。")
                                       .arg(trQualified(view.Schema, view.Name), trigger.Name,
                                            QString(trigger.Enabled));
        }
        result.Views << view;
    }
    return result;
}

TTableDefinition EditedDefinition(const TTableDefinition &def, const TTableEdit &edit)
{
    TTableDefinition result = def;
    result.Comment = edit.Comment;
    result.Columns.clear();
    QHash<int, const TTableColumn *> loaded;
    for (const TTableColumn &column : def.Columns)
        loaded.insert(column.AttNum, &column);
    QHash<QString, QString> renamed; // loaded name -> new name
    QStringList keyColumns;
    for (const TTableColumnEdit &row : edit.Columns) {
        TTableColumn column;
        const TTableColumn *old = loaded.value(row.AttNum);
        if (old) {
            column = *old;
            renamed.insert(old->Name, row.Name);
            if (row.Type != old->TypeName || row.Length != old->Length) {
                column.TypeName = row.Type;
                column.Length = row.Length;
                column.TypeText = ColumnTypeText(row.Type, row.Length);
                column.TypMod = -1;
                if (row.Type != old->TypeName) {
                    // Settings of the old type that need not fit the new one.
                    if (!(IsCharacterTypeCell(row.Type) && IsCharacterTypeCell(old->TypeName))) {
                        column.CollationSchema.clear();
                        column.CollationName.clear();
                    }
                    column.Storage = QChar();
                    column.Compression.clear();
                }
            }
            if (row.DefaultEdited)
                trTakeDefaultCell(column, row.Default);
        } else {
            column.AttNum = 0;
            column.Name = row.Name;
            column.TypeName = row.Type;
            column.Length = row.Length;
            column.TypeText = ColumnTypeText(row.Type, row.Length);
            trTakeDefaultCell(column, row.Default);
        }
        column.Name = row.Name;
        column.NotNull = row.NotNull;
        column.Comment = row.Comment;
        column.PrimaryKey = row.PrimaryKey;
        if (row.PrimaryKey)
            keyColumns << row.Name;
        result.Columns << column;
    }

    // Constraints of the loaded table keep their column names through renames (key columns
    // are lists of names; the texts of the others are the server's and are kept as they are).
    QList<TTableConstraint> constraints;
    bool keyKept = false;
    const TTableConstraint *oldKey = def.PrimaryKey();
    for (TTableConstraint constraint : def.Constraints) {
        for (QString &name : constraint.KeyColumns)
            name = renamed.value(name, name);
        for (QString &name : constraint.IncludeColumns)
            name = renamed.value(name, name);
        if (constraint.Type == QLatin1Char('p')) {
            QStringList sortedOld = constraint.KeyColumns;
            QStringList sortedNew = keyColumns;
            sortedOld.sort();
            sortedNew.sort();
            if (sortedOld != sortedNew)
                continue;
            keyKept = true;
        }
        constraints << constraint;
    }
    if (!keyKept && !keyColumns.isEmpty()) {
        TTableConstraint key;
        key.Type = QLatin1Char('p');
        key.Name = oldKey ? oldKey->Name : FoldNameCase(QStringLiteral("PK_")) + edit.Name;
        key.KeyColumns = keyColumns;
        QStringList quoted;
        for (const QString &name : keyColumns)
            quoted << QuoteName(name);
        key.Definition = QStringLiteral("PRIMARY KEY (") + quoted.join(QStringLiteral(", "))
            + QLatin1Char(')');
        if (oldKey)
            key.Comment = oldKey->Comment;
        constraints.prepend(key);
    }
    result.Constraints = constraints;
    // Privileges of columns that are gone go with them.
    QSet<QString> names;
    for (const TTableColumn &column : std::as_const(result.Columns))
        names.insert(column.Name);
    result.Grants.removeIf([&names, &renamed](const TTableGrant &grant) {
        return !grant.Column.isEmpty()
            && !names.contains(renamed.value(grant.Column, grant.Column));
    });
    for (TTableGrant &grant : result.Grants)
        grant.Column = renamed.value(grant.Column, grant.Column);
    return result;
}

namespace {

// A DO block of body lines, dollar-quoted with a tag the body does not hold.
QStringList trDoBlock(const QStringList &body)
{
    const QString text = body.join(QLatin1Char('\n'));
    QString tag = QStringLiteral("$corvane$");
    for (int n = 1; text.contains(tag); ++n)
        tag = QStringLiteral("$corvane%1$").arg(n);
    QStringList lines;
    lines << QStringLiteral("DO ") + tag << body << tag << trEnd;
    return lines;
}

// RAISE EXCEPTION lines with a message and a hint (both plain text).
QStringList trRaise(const QString &errcode, const QString &message, const QString &hint)
{
    return { QStringLiteral("    RAISE EXCEPTION USING ERRCODE = ") + QuoteLiteral(errcode)
                 + QLatin1Char(','),
             QStringLiteral("      MESSAGE = ") + QuoteLiteralLine(message) + QLatin1Char(','),
             QStringLiteral("      HINT = ") + QuoteLiteralLine(hint) + QLatin1Char(';') };
}

QString trQueryText(pg::Connection &connection, const QString &sql)
{
    const pg::Result rows = connection.exec(sql);
    return rows.rowCount() ? rows.text(0, 0) : QString();
}

// Leaves out of target the indexes and constraints of the table that use a column the edit
// deletes, as ALTER TABLE DROP COLUMN takes them; anything else that uses one (a view, a
// foreign key of another table, a trigger, a policy, a generated column) is returned as a
// refusal, since the new table could not carry it.
QStringList trLeaveOutDeletedColumnUses(pg::Connection &connection, const TTableDefinition &current,
                                        TTableDefinition &target)
{
    QSet<int> staying;
    for (const TTableColumn &column : std::as_const(target.Columns))
        staying.insert(column.AttNum);
    QStringList deleted;
    for (const TTableColumn &column : current.Columns) {
        if (!staying.contains(column.AttNum))
            deleted << QString::number(column.AttNum);
    }
    if (deleted.isEmpty())
        return {};
    const pg::Result rows = connection.exec(
        QString::fromUtf8(trColumnUsesSQL),
        { trOid(current.Oid),
          pg::Param(QLatin1Char('{') + deleted.join(QLatin1Char(',')) + QLatin1Char('}')) });
    QSet<QString> indexes;
    QSet<QString> constraints;
    QStringList refusals;
    for (int i = 0; i < rows.rowCount(); ++i) {
        const QString kind = rows.text(i, "kind");
        if (kind == QLatin1String("i")) {
            indexes.insert(rows.text(i, "name"));
        } else if (kind == QLatin1String("c")) {
            // The primary key follows the key marks of the grid (EditedDefinition).
            if (rows.text(i, "contype") != QLatin1String("p"))
                constraints.insert(rows.text(i, "name"));
        } else {
            const QString text = QStringLiteral("%1 が削除する列 %2 を使っています。")
                                     .arg(rows.text(i, "description"), rows.text(i, "attname"));
            if (!refusals.contains(text))
                refusals << text;
        }
    }
    target.Indexes.removeIf(
        [&indexes](const TTableIndex &index) { return indexes.contains(index.Definition.Name); });
    target.Constraints.removeIf([&constraints](const TTableConstraint &constraint) {
        return constraint.Type != QLatin1Char('p') && constraints.contains(constraint.Name);
    });
    // CLUSTER ON and REPLICA IDENTITY USING INDEX name only an index the new table has.
    QSet<QString> left;
    for (const TTableIndex &index : std::as_const(target.Indexes))
        left.insert(index.Definition.Name);
    for (const TTableConstraint &constraint : std::as_const(target.Constraints)) {
        left.insert(constraint.Name);
        if (!constraint.IndexName.isEmpty())
            left.insert(constraint.IndexName);
    }
    if (!target.ClusterIndex.isEmpty() && !left.contains(target.ClusterIndex))
        target.ClusterIndex.clear();
    if (target.ReplicaIdentity == QLatin1Char('i') && !left.contains(target.ReplicaIndex)) {
        target.ReplicaIdentity = QLatin1Char('d');
        target.ReplicaIndex.clear();
    }
    return refusals;
}

// How the row copy brings each retyped column into its new type: by the assignment cast an
// INSERT applies, or, where there is none, by an explicit CAST (attnum put in explicitCasts).
// A type change with neither, or a type that cannot be used, is returned as a refusal. Tried
// on the table as it stands after the renames (table names it), with EXPLAIN on a temporary
// table of the new type, in savepoints that are rolled back.
QStringList trProbeCasts(pg::Connection &connection, const TTableDefinition &current,
                         const TTableDefinition &target, const QString &table,
                         QSet<int> &explicitCasts)
{
    QHash<int, const TTableColumn *> before;
    for (const TTableColumn &column : current.Columns)
        before.insert(column.AttNum, &column);
    QStringList refusals;
    for (const TTableColumn &column : target.Columns) {
        const TTableColumn *old = before.value(column.AttNum);
        if (column.AttNum == 0 || !column.Generated.isNull() || !old
            || old->TypeText == column.TypeText)
            continue;
        pg::Transaction step(connection);
        try {
            connection.exec(QStringLiteral("CREATE TEMPORARY TABLE corvane_cast_probe (c ")
                            + column.TypeText + QLatin1Char(')'));
        } catch (const pg::Error &e) {
            // Without the right to create temporary tables the copy is left to the run.
            if (e.sqlState() == QLatin1String("42501"))
                return refusals;
            refusals << QStringLiteral("列 %1 の型 %2 を使えません: %3")
                            .arg(column.Name, column.TypeText, e.message());
            continue;
        }
        const auto plans = [&](const QString &expression) {
            pg::Transaction attempt(connection);
            try {
                connection.exec(QStringLiteral("EXPLAIN INSERT INTO pg_temp.corvane_cast_probe (c) "
                                               "SELECT ")
                                + expression + QStringLiteral(" FROM ") + table);
                return true;
            } catch (const pg::Error &) {
                return false;
            }
        };
        const QString source = QuoteName(column.Name);
        if (plans(source))
            continue;
        if (plans(QStringLiteral("CAST(") + source + QStringLiteral(" AS ") + column.TypeText
                  + QLatin1Char(')'))) {
            explicitCasts.insert(column.AttNum);
            continue;
        }
        refusals << QStringLiteral("列 %1 の型を %2 から %3 に変える変換 (キャスト) がありません。"
                                   "値を移す変換を作成するか、列を追加して値を移してください。")
                        .arg(column.Name, old->TypeText, column.TypeText);
    }
    return refusals;
}

struct trRename
{
    int AttNum = 0;
    QString From;
    QString To;
};

} // namespace

TTableRecreateScript TableRecreateScript(pg::Connection &connection,
                                         const TTableRecreateRequest &request)
{
    const TTableDefinition &loaded = request.Loaded;
    QStringList refusals = loaded.Unwritable();
    if (!refusals.isEmpty())
        throw TableRecreateRefused(refusals);

    // A default counts as changed when its cell differs from what the load showed; read
    // against the loaded table, since the renames can change the text of a generation
    // expression that names a renamed column.
    TTableEdit edit;
    if (request.Edit) {
        edit = *request.Edit;
        QHash<int, const TTableColumn *> shown;
        for (const TTableColumn &column : loaded.Columns)
            shown.insert(column.AttNum, &column);
        for (TTableColumnEdit &row : edit.Columns) {
            const TTableColumn *column = shown.value(row.AttNum);
            row.DefaultEdited = !column || row.Default != ColumnDefaultCell(*column);
            TGenerationClause clause;
            if (row.DefaultEdited && IsGenerationClauseText(row.Default)
                && !ReadGenerationClause(row.Default, clause))
                refusals << QStringLiteral("列 %1 の既定値「%2」を識別列または生成列の句として"
                                           "読めません。")
                                .arg(row.Name, row.Default.simplified());
        }
    }
    if (!refusals.isEmpty())
        throw TableRecreateRefused(refusals);

    // The renames of loaded columns run first, on the old table, so that the views and the
    // foreign keys of other tables follow them; the scripts are read as they will stand then.
    QList<trRename> renames;
    QSet<QString> targets;
    if (request.Edit) {
        QHash<int, QString> names;
        for (const TTableColumn &column : loaded.Columns)
            names.insert(column.AttNum, column.Name);
        for (const TTableColumnEdit &row : request.Edit->Columns) {
            if (row.AttNum > 0 && names.contains(row.AttNum)
                && names.value(row.AttNum) != row.Name) {
                renames.append({ row.AttNum, names.value(row.AttNum), row.Name });
                targets.insert(row.Name);
            }
        }
    }
    // A new name that a column of the table still has (two columns that swap names, a name
    // taken from a deleted column) is reached through temporary names: every renamed column,
    // and every deleted column whose name is taken, first moves to one.
    QList<std::pair<QString, QString>> renameSteps;
    {
        QSet<QString> used;
        for (const TTableColumn &column : loaded.Columns)
            used.insert(column.Name);
        bool clash = false;
        for (const trRename &rename : std::as_const(renames))
            clash = clash || used.contains(rename.To);
        if (!clash) {
            for (const trRename &rename : std::as_const(renames))
                renameSteps.append({ rename.From, rename.To });
        } else {
            used.unite(targets);
            if (request.Edit) {
                for (const TTableColumnEdit &row : request.Edit->Columns)
                    used.insert(row.Name);
            }
            const auto temporary = [&used](int attnum) {
                QString name = QStringLiteral("corvane_rename_%1").arg(attnum);
                while (used.contains(name))
                    name += QLatin1Char('_');
                used.insert(name);
                return name;
            };
            QSet<int> kept;
            for (const TTableColumnEdit &row : request.Edit->Columns)
                kept.insert(row.AttNum);
            for (const TTableColumn &column : loaded.Columns) {
                if (!kept.contains(column.AttNum) && targets.contains(column.Name))
                    renameSteps.append({ column.Name, temporary(column.AttNum) });
            }
            QList<std::pair<QString, QString>> second;
            for (const trRename &rename : std::as_const(renames)) {
                const QString between = temporary(rename.AttNum);
                renameSteps.append({ rename.From, between });
                second.append({ between, rename.To });
            }
            renameSteps << second;
        }
    }
    const QString table
        = (loaded.IsTemporary() ? QString() : request.Prefix) + QuoteName(loaded.Name);
    QStringList renameScript;
    for (const auto &[from, to] : std::as_const(renameSteps))
        trStatement(renameScript,
                    QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" RENAME COLUMN ")
                        + QuoteName(from) + QStringLiteral(" TO ") + QuoteName(to));

    TTableDefinition current;
    TTableDefinition target;
    TTableDependents dependents;
    QString currentUser;
    QString columnSignature;
    QString definitionSignature;
    QSet<int> explicitCasts;
    QList<quint32> watched { loaded.Oid }; // what the definition signature covers
    {
        // Read in a unit of work that is always rolled back: the renames are tried there.
        pg::Transaction probe(connection);
        if (FindTableOid(connection, loaded.Schema, loaded.Name) != loaded.Oid)
            throw TableRecreateRefused(
                { QStringLiteral("テーブルが読み込み後に削除または変更されています。"
                                 "画面を再表示してから作成してください。") });
        const TTableDefinition now = LoadTableDefinition(connection, loaded.Oid);
        bool same = now.Columns.size() == loaded.Columns.size();
        for (qsizetype i = 0; same && i < now.Columns.size(); ++i)
            same = now.Columns.at(i).AttNum == loaded.Columns.at(i).AttNum
                && now.Columns.at(i).Name == loaded.Columns.at(i).Name
                && now.Columns.at(i).TypeText == loaded.Columns.at(i).TypeText;
        if (!same)
            throw TableRecreateRefused(
                { QStringLiteral("テーブルの列が読み込み後に変更されています。"
                                 "画面を再表示してから作成してください。") });
        columnSignature
            = trQueryText(connection, QString::fromUtf8(trColumnSignatureSQL).arg(loaded.Oid));
        {
            pg::Transaction renamed(connection);
            for (const QString &statement : DdlStatements(renameScript)) {
                try {
                    connection.exec(statement);
                } catch (const pg::Error &e) {
                    throw TableRecreateRefused({ QStringLiteral("列名を変更できません: ")
                                                 + QString::fromStdString(e.what()) });
                }
            }
            current = renames.isEmpty() ? now : LoadTableDefinition(connection, loaded.Oid);
            dependents = LoadTableDependents(connection, current);
            refusals = current.Unwritable() + dependents.Refusals;
            target = request.Edit ? EditedDefinition(current, edit) : current;
            if (request.Edit) {
                refusals << trLeaveOutDeletedColumnUses(connection, current, target);
                if (request.Backup)
                    refusals << trProbeCasts(connection, current, target, table, explicitCasts);
            }
            renamed.rollback();
        }
        if (!refusals.isEmpty())
            throw TableRecreateRefused(refusals);
        for (const TTableDependents::View &view : std::as_const(dependents.Views))
            watched << view.Oid;
        for (const TTableDependents::IdentitySequence &sequence :
             std::as_const(dependents.IdentitySequences))
            watched << sequence.Oid;
        definitionSignature = trQueryText(
            connection, QString::fromUtf8(trDefinitionSignatureSQL).arg(trArrayOfOids(watched)));
        currentUser = connection.exec(QStringLiteral("SELECT current_user")).text(0, 0);
        probe.rollback();
    }

    TTableRecreateScript result;
    QStringList &script = result.Script;
    const QString shownName
        = loaded.IsTemporary() ? loaded.Name : loaded.Schema + QLatin1Char('.') + loaded.Name;

    // No other session writes to the table from here on; what it committed before is in.
    trStatement(script,
                QStringLiteral("LOCK TABLE ") + table
                    + QStringLiteral(" IN ACCESS EXCLUSIVE MODE"));
    // Under the lock: still the table the script was written for.
    {
        QStringList body;
        body << QStringLiteral("BEGIN")
             << QStringLiteral("  IF pg_catalog.to_regclass(") + QuoteLiteral(table)
                + QStringLiteral(")::pg_catalog.oid IS DISTINCT FROM ")
                + QString::number(loaded.Oid)
             << QStringLiteral("     OR (")
             << QString::fromUtf8(trColumnSignatureSQL)
                    .arg(loaded.Oid)
                    .trimmed()
                    .split(QLatin1Char('\n'))
             << QStringLiteral("        ) IS DISTINCT FROM ") + QuoteLiteralLine(columnSignature)
                + QStringLiteral(" THEN")
             << trRaise(QStringLiteral("55000"),
                        QStringLiteral("テーブル %1 の列が読み込み後に変更されています。"
                                       "行を移せないため、再作成を中止しました。")
                            .arg(shownName),
                        QStringLiteral("画面を再表示してから作成してください。"))
             << QStringLiteral("  END IF;") << QStringLiteral("  IF (")
             << QString::fromUtf8(trDefinitionSignatureSQL)
                    .arg(trArrayOfOids(watched))
                    .trimmed()
                    .split(QLatin1Char('\n'))
             << QStringLiteral("     ) IS DISTINCT FROM ") + QuoteLiteral(definitionSignature)
                + QStringLiteral(" THEN")
             << trRaise(QStringLiteral("55000"),
                        QStringLiteral("テーブル %1 の定義 (索引、制約、トリガー、ポリシー、権限、"
                                       "コメント、依存するビューなど) がスクリプトの作成後に変更"
                                       "されています。再作成を中止しました。")
                            .arg(shownName),
                        QStringLiteral("画面を再表示してから作成してください。"))
             << QStringLiteral("  END IF;") << QStringLiteral("END");
        script << trDoBlock(body);
    }
    if (request.Backup) {
        // The copy must see every row. The owner sees them once FORCE is off (the new table
        // gets it back); with row_security off, a copy that row-level security would still
        // filter fails instead of leaving rows out.
        if (current.ForceRowSecurity)
            trStatement(script,
                        QStringLiteral("ALTER TABLE ") + table
                            + QStringLiteral(" NO FORCE ROW LEVEL SECURITY"));
        trStatement(script, QStringLiteral("SET LOCAL row_security = off"));
        QStringList body;
        body << QStringLiteral("BEGIN")
             << QStringLiteral("  IF pg_catalog.row_security_active(") + QString::number(loaded.Oid)
                + QStringLiteral("::pg_catalog.oid) THEN")
             << trRaise(QStringLiteral("42501"),
                        QStringLiteral("テーブル %1 には行単位セキュリティのポリシーが適用される"
                                       "ため、全ての行を退避できません。行が失われないよう、"
                                       "再作成を中止しました。")
                            .arg(shownName),
                        QStringLiteral("テーブルの所有者、スーパーユーザーまたは BYPASSRLS 属性の"
                                       "あるロールで作成してください。"))
             << QStringLiteral("  END IF;") << QStringLiteral("END");
        script << trDoBlock(body);
    }

    script << renameScript;

    QHash<int, const TTableColumn *> targetColumn;
    for (const TTableColumn &column : std::as_const(target.Columns))
        targetColumn.insert(column.AttNum, &column);
    QHash<int, const TTableColumn *> currentColumn;
    for (const TTableColumn &column : std::as_const(current.Columns))
        currentColumn.insert(column.AttNum, &column);

    // Where the sequences of columns that are identity columns afterwards stand, kept in
    // transaction-local settings: the new sequences continue from there.
    QHash<int, QString> identitySetting; // attnum -> setting name
    if (request.Edit && request.Backup) {
        for (const TTableColumn &column : std::as_const(current.Columns)) {
            const TTableColumn *after = targetColumn.value(column.AttNum);
            if (!column.HasSequence || !after || after->Identity.isNull())
                continue;
            const QString setting = QStringLiteral("corvane.identity_%1").arg(column.AttNum);
            identitySetting.insert(column.AttNum, setting);
            trStatement(script,
                        QStringLiteral("SELECT pg_catalog.set_config(") + QuoteLiteral(setting)
                            + QStringLiteral(", (SELECT last_value || ',' || is_called FROM ")
                            + trQualified(column.Sequence.Schema, column.Sequence.Name)
                            + QStringLiteral("), true)"));
        }
    }

    QString backup;
    QString backupName;
    if (request.Backup) {
        backup = BackupTableName(current.Name, request.Now);
        result.BackupName = backup;
        result.KeepsBackup = !request.Edit;
        backupName = (current.IsTemporary() ? QString() : request.Prefix) + QuoteName(backup);
        trStatement(script,
                    QStringLiteral("CREATE ")
                        + (current.IsTemporary() ? QStringLiteral("TEMPORARY ") : QString())
                        + QStringLiteral("TABLE ") + backupName
                        + QStringLiteral(" AS SELECT * FROM ") + table);
    }

    for (qsizetype i = dependents.Views.size() - 1; i >= 0; --i) {
        const TTableDependents::View &view = dependents.Views.at(i);
        trStatement(script, QStringLiteral("DROP VIEW ") + trQualified(view.Schema, view.Name));
    }
    for (const TTableDependents::ForeignKey &key : std::as_const(dependents.ForeignKeys))
        trStatement(script,
                    QStringLiteral("ALTER TABLE ") + trQualified(key.TableSchema, key.TableName)
                        + QStringLiteral(" DROP CONSTRAINT ") + QuoteName(key.Name));
    // Serial sequences that the new table binds again are kept (with their value and
    // privileges): detached, they survive the DROP.
    for (const TTableColumn &column : std::as_const(current.Columns)) {
        const TTableColumn *after = targetColumn.value(column.AttNum);
        if (column.HasSequence && column.SequenceOwnedBySerial && after && after->HasSequence
            && after->SequenceOwnedBySerial)
            trStatement(script,
                        QStringLiteral("ALTER SEQUENCE ")
                            + trQualified(column.Sequence.Schema, column.Sequence.Name)
                            + QStringLiteral(" OWNED BY NONE"));
    }
    trStatement(script, QStringLiteral("DROP TABLE ") + table);

    TTableCreateScriptParts parts;
    if (request.Edit) {
        TTableScriptOptions options;
        options.TablePrefix = request.Prefix;
        options.Storage = true;
        options.Indexes = true;
        options.Grants = false;
        if (!current.Owner.isEmpty() && current.Owner != currentUser)
            options.OwnerTo = current.Owner;
        parts = TableCreateScriptParts(target, options);
        script << parts.Table;
    } else {
        script << request.SourceScript;
        if (!script.isEmpty() && script.last().trimmed() != trEnd)
            script << trEnd;
    }

    if (request.Edit && !backup.isEmpty()) {
        QStringList targets;
        QStringList sources;
        QStringList compared; // columns whose values come back as they were
        bool overriding = false;
        for (const TTableColumn &column : std::as_const(target.Columns)) {
            if (column.AttNum == 0 || !column.Generated.isNull())
                continue;
            // The backup was taken after the renames: its columns carry the new names.
            const QString name = QuoteName(column.Name);
            targets << name;
            if (explicitCasts.contains(column.AttNum))
                sources << QStringLiteral("CAST(") + name + QStringLiteral(" AS ") + column.TypeText
                        + QLatin1Char(')');
            else
                sources << name;
            const TTableColumn *before = currentColumn.value(column.AttNum);
            if (before && before->TypeText == column.TypeText)
                compared << QStringLiteral("R.") + name;
            overriding = overriding || column.Identity == QLatin1Char('a');
        }
        if (!targets.isEmpty()) {
            script << QStringLiteral("INSERT INTO ") + table;
            script << QStringLiteral("  (") + targets.join(QStringLiteral(", ")) + QLatin1Char(')');
            if (overriding)
                script << QStringLiteral("  OVERRIDING SYSTEM VALUE");
            script << QStringLiteral("  SELECT ") + sources.join(QStringLiteral(", "))
                    + QStringLiteral(" FROM ") + backupName;
            script << trEnd;
        }
        // Every row came back, and the columns that kept their type hold what they held:
        // the count and an order-free sum of the rows' hashes agree.
        const QString digest = compared.isEmpty()
            ? QStringLiteral("pg_catalog.count(*)::text")
            : QStringLiteral(
                  "pg_catalog.concat_ws(' ', pg_catalog.count(*), pg_catalog.sum(('x' || "
                  "pg_catalog.substr(pg_catalog.md5(ROW(")
                + compared.join(QStringLiteral(", "))
                + QStringLiteral(")::text), 1, 15))::bit(60)::bigint))");
        QStringList body;
        body << QStringLiteral("BEGIN")
             << QStringLiteral("  IF (SELECT ") + digest + QStringLiteral(" FROM ") + backupName
                + QStringLiteral(" R)")
             << QStringLiteral("     IS DISTINCT FROM (SELECT ") + digest + QStringLiteral(" FROM ")
                + table + QStringLiteral(" R) THEN")
             << trRaise(QStringLiteral("XX000"),
                        QStringLiteral("テーブル %1 に戻した行が退避した行と一致しません。"
                                       "再作成を中止しました。")
                            .arg(shownName),
                        QStringLiteral("テーブルに行を書き換える仕組み (ルールなど) がないか"
                                       "確認してください。"))
             << QStringLiteral("  END IF;") << QStringLiteral("END");
        script << trDoBlock(body);

        for (const TTableColumn &column : std::as_const(target.Columns)) {
            if (column.Identity.isNull())
                continue;
            const QString sequence = QStringLiteral("pg_catalog.pg_get_serial_sequence(")
                + QuoteLiteral(table) + QStringLiteral(", ") + QuoteLiteral(column.Name)
                + QLatin1Char(')');
            const QString setting = identitySetting.value(column.AttNum);
            if (!setting.isEmpty()) {
                const QString value = QStringLiteral("pg_catalog.current_setting(")
                    + QuoteLiteral(setting) + QLatin1Char(')');
                trStatement(script,
                            QStringLiteral("SELECT pg_catalog.setval(") + sequence
                                + QStringLiteral(", pg_catalog.split_part(") + value
                                + QStringLiteral(", ',', 1)::bigint, pg_catalog.split_part(")
                                + value + QStringLiteral(", ',', 2)::boolean)"));
            } else if (column.AttNum > 0) {
                // A column that becomes an identity column with its values: the new sequence
                // goes on after the greatest of them, so the next row does not take one.
                trStatement(script,
                            QStringLiteral("SELECT pg_catalog.setval(S.seq, M.top) FROM (SELECT ")
                                + sequence
                                + QStringLiteral("::pg_catalog.regclass AS seq) S, (SELECT "
                                                 "pg_catalog.max(")
                                + QuoteName(column.Name) + QStringLiteral(") AS top FROM ") + table
                                + QStringLiteral(") M, pg_catalog.pg_sequence Q WHERE Q.seqrelid "
                                                 "= S.seq AND Q.seqincrement > 0 AND M.top >= "
                                                 "Q.seqstart"));
            }
        }
    }

    if (request.Edit) {
        // The identity sequences the new columns made under their old names get their
        // comments and privileges back.
        for (const TTableDependents::IdentitySequence &sequence :
             std::as_const(dependents.IdentitySequences)) {
            const TTableColumn *after = targetColumn.value(sequence.AttNum);
            if (!after || after->Identity.isNull() || !after->HasSequence
                || after->Sequence.Schema != sequence.Schema
                || after->Sequence.Name != sequence.Name)
                continue;
            const QString name = trQualified(sequence.Schema, sequence.Name);
            if (!sequence.Comment.isEmpty())
                trStatement(script,
                            QStringLiteral("COMMENT ON SEQUENCE ") + name + QStringLiteral(" IS ")
                                + QuoteLiteralLine(sequence.Comment));
            script << TableGrantScript(sequence.Privileges, name, QStringLiteral("SEQUENCE"));
        }
        // A key's index is named after its constraint; a key the new table keeps gets its
        // index's comment back.
        for (const auto &[constraint, comment] : std::as_const(dependents.KeyIndexComments)) {
            const bool kept = std::any_of(
                target.Constraints.cbegin(), target.Constraints.cend(),
                [&constraint](const TTableConstraint &c) { return c.Name == constraint; });
            if (kept)
                trStatement(script,
                            QStringLiteral("COMMENT ON INDEX ")
                                + (current.IsTemporary() ? QString() : request.Prefix)
                                + QuoteName(constraint) + QStringLiteral(" IS ")
                                + QuoteLiteralLine(comment));
        }
        // Triggers, policies and row-level security only now that the rows are back.
        script << parts.AfterRows;
        script << TableGrantScript(target, table);
    }

    for (const TTableDependents::ForeignKey &key : std::as_const(dependents.ForeignKeys)) {
        const QString other = trQualified(key.TableSchema, key.TableName);
        trStatement(script,
                    QStringLiteral("ALTER TABLE ") + other + QStringLiteral(" ADD CONSTRAINT ")
                        + QuoteName(key.Name) + QLatin1Char(' ') + key.Definition);
        if (!key.Comment.isEmpty())
            trStatement(script,
                        QStringLiteral("COMMENT ON CONSTRAINT ") + QuoteName(key.Name)
                            + QStringLiteral(" ON ") + other + QStringLiteral(" IS ")
                            + QuoteLiteralLine(key.Comment));
        for (const auto &[partition, comment] : key.PartitionComments)
            trStatement(script,
                        QStringLiteral("COMMENT ON CONSTRAINT ") + QuoteName(key.Name)
                            + QStringLiteral(" ON ") + partition + QStringLiteral(" IS ")
                            + QuoteLiteralLine(comment));
    }

    for (const TTableDependents::View &view : std::as_const(dependents.Views)) {
        const QString name = trQualified(view.Schema, view.Name);
        QString head = QStringLiteral("CREATE VIEW ") + name;
        if (!view.Options.isEmpty()) {
            TStorageOptions options;
            for (const QString &option : view.Options)
                options << ParseStorageOption(option);
            head += QStringLiteral(" WITH (") + StorageOptionList(options) + QLatin1Char(')');
        }
        script << head + QStringLiteral(" AS") << view.Query.split(QLatin1Char('\n')) << trEnd;
        for (const auto &[column, expression] : view.ColumnDefaults)
            trStatement(script,
                        QStringLiteral("ALTER VIEW ") + name + QStringLiteral(" ALTER COLUMN ")
                            + QuoteName(column) + QStringLiteral(" SET DEFAULT ") + expression);
        for (const TTableTrigger &trigger : view.Triggers) {
            trStatement(script, trigger.Definition);
            if (!trigger.Comment.isEmpty())
                trStatement(script,
                            QStringLiteral("COMMENT ON TRIGGER ") + QuoteName(trigger.Name)
                                + QStringLiteral(" ON ") + name + QStringLiteral(" IS ")
                                + QuoteLiteralLine(trigger.Comment));
        }
        if (!view.Privileges.Owner.isEmpty() && view.Privileges.Owner != currentUser)
            trStatement(script,
                        QStringLiteral("ALTER VIEW ") + name + QStringLiteral(" OWNER TO ")
                            + QuoteName(view.Privileges.Owner));
        if (!view.Comment.isEmpty())
            trStatement(script,
                        QStringLiteral("COMMENT ON VIEW ") + name + QStringLiteral(" IS ")
                            + QuoteLiteralLine(view.Comment));
        for (const auto &[column, comment] : view.ColumnComments)
            trStatement(script,
                        QStringLiteral("COMMENT ON COLUMN ") + name + QLatin1Char('.')
                            + QuoteName(column) + QStringLiteral(" IS ")
                            + QuoteLiteralLine(comment));
        script << TableGrantScript(view.Privileges, name);
    }

    if (!backup.isEmpty() && !result.KeepsBackup)
        trStatement(script, QStringLiteral("DROP TABLE ") + backupName);
    return result;
}
