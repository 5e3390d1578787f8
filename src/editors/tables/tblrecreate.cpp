#include "tblrecreate.h"

#include "ddlrun.h"
#include "tblalter.h"
#include "tblscript.h"

#include "core/qvconnkey.h"
#include "core/qvname.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/param.h"
#include "platform/pg/transaction.h"

#include <QHash>
#include <QSet>

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

const char *const trForeignKeySQL = R"(
SELECT N.nspname, C.relname, K.conname, pg_get_constraintdef(K.oid) AS def,
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
    return view;
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
        for (int i = 0; i < rows.rowCount(); ++i)
            result.ForeignKeys << TTableDependents::ForeignKey {
                rows.text(i, "nspname"), rows.text(i, "relname"), rows.text(i, "conname"),
                rows.text(i, "def"), rows.text(i, "comment")
            };
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
        if (view.Oid != 0)
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
            if (row.DefaultEdited) {
                column.Default = row.Default;
                column.Generated = QChar();
                column.GeneratedExpr.clear();
                if (!old->Identity.isNull()) {
                    column.Identity = QChar();
                    column.HasSequence = false;
                }
            }
        } else {
            column.AttNum = 0;
            column.Name = row.Name;
            column.TypeName = row.Type;
            column.Length = row.Length;
            column.TypeText = ColumnTypeText(row.Type, row.Length);
            column.Default = row.Default;
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

TTableRecreateScript TableRecreateScript(pg::Connection &connection,
                                         const TTableRecreateRequest &request)
{
    const TTableDefinition &loaded = request.Loaded;
    QStringList refusals = loaded.Unwritable();
    if (!refusals.isEmpty())
        throw TableRecreateRefused(refusals);

    // The renames of loaded columns run first, on the old table, so that the views and the
    // foreign keys of other tables follow them; the scripts are read as they will stand then.
    QList<std::pair<QString, QString>> renames;
    if (request.Edit) {
        QHash<int, QString> names;
        for (const TTableColumn &column : loaded.Columns)
            names.insert(column.AttNum, column.Name);
        for (const TTableColumnEdit &row : request.Edit->Columns) {
            if (row.AttNum > 0 && names.contains(row.AttNum) && names.value(row.AttNum) != row.Name)
                renames.append({ names.value(row.AttNum), row.Name });
        }
    }
    const QString table
        = (loaded.IsTemporary() ? QString() : request.Prefix) + QuoteName(loaded.Name);
    QStringList renameScript;
    for (const auto &[from, to] : renames)
        trStatement(renameScript,
                    QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" RENAME COLUMN ")
                        + QuoteName(from) + QStringLiteral(" TO ") + QuoteName(to));

    TTableDefinition current;
    TTableDependents dependents;
    QString currentUser;
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
        currentUser = connection.exec(QStringLiteral("SELECT current_user")).text(0, 0);
        probe.rollback();
    }
    refusals = current.Unwritable() + dependents.Refusals;
    if (!refusals.isEmpty())
        throw TableRecreateRefused(refusals);

    TTableRecreateScript result;
    QStringList &script = result.Script;
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
        }
    }
    const TTableDefinition target = request.Edit ? EditedDefinition(current, edit) : current;

    script << renameScript;

    // Where the identity sequences stand, kept in transaction-local settings: the new
    // sequences continue from there.
    QHash<int, QString> identitySetting; // attnum -> setting name
    for (const TTableColumn &column : current.Columns) {
        if (column.Identity.isNull() || !column.HasSequence)
            continue;
        const QString setting = QStringLiteral("corvane.identity_%1").arg(column.AttNum);
        identitySetting.insert(column.AttNum, setting);
        trStatement(script,
                    QStringLiteral("SELECT pg_catalog.set_config(") + QuoteLiteral(setting)
                        + QStringLiteral(", (SELECT last_value || ',' || is_called FROM ")
                        + trQualified(column.Sequence.Schema, column.Sequence.Name)
                        + QStringLiteral("), true)"));
    }

    QString backup;
    if (request.Backup) {
        backup = BackupTableName(current.Name, request.Now);
        result.BackupName = backup;
        result.KeepsBackup = !request.Edit;
        const QString backupName
            = (current.IsTemporary() ? QString() : request.Prefix) + QuoteName(backup);
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
    // Serial sequences of columns that stay are kept (with their value and privileges):
    // detached, they survive the DROP and are bound to the new columns again.
    QSet<int> staying;
    for (const TTableColumn &column : target.Columns)
        staying.insert(column.AttNum);
    for (const TTableColumn &column : current.Columns) {
        if (column.HasSequence && column.SequenceOwnedBySerial && staying.contains(column.AttNum))
            trStatement(script,
                        QStringLiteral("ALTER SEQUENCE ")
                            + trQualified(column.Sequence.Schema, column.Sequence.Name)
                            + QStringLiteral(" OWNED BY NONE"));
    }
    trStatement(script, QStringLiteral("DROP TABLE ") + table);

    if (request.Edit) {
        TTableScriptOptions options;
        options.TablePrefix = request.Prefix;
        options.Storage = true;
        options.Indexes = true;
        options.Grants = false;
        if (!current.Owner.isEmpty() && current.Owner != currentUser)
            options.OwnerTo = current.Owner;
        script << TableCreateScript(target, options);
    } else {
        script << request.SourceScript;
        if (!script.isEmpty() && script.last().trimmed() != trEnd)
            script << trEnd;
    }

    if (request.Edit && !backup.isEmpty()) {
        QStringList targets;
        QStringList sources;
        bool overriding = false;
        for (const TTableColumn &column : target.Columns) {
            if (column.AttNum == 0 || !column.Generated.isNull())
                continue;
            // The backup was taken after the renames: its columns carry the new names.
            targets << QuoteName(column.Name);
            sources << QuoteName(column.Name);
            overriding = overriding || column.Identity == QLatin1Char('a');
        }
        if (!targets.isEmpty()) {
            script << QStringLiteral("INSERT INTO ") + table;
            script << QStringLiteral("  (") + targets.join(QStringLiteral(", ")) + QLatin1Char(')');
            if (overriding)
                script << QStringLiteral("  OVERRIDING SYSTEM VALUE");
            script << QStringLiteral("  SELECT ") + sources.join(QStringLiteral(", "))
                    + QStringLiteral(" FROM ")
                    + (current.IsTemporary() ? QString() : request.Prefix) + QuoteName(backup);
            script << trEnd;
        }
        for (const TTableColumn &column : target.Columns) {
            const QString setting = identitySetting.value(column.AttNum);
            if (setting.isEmpty() || column.Identity.isNull())
                continue;
            const QString value = QStringLiteral("pg_catalog.current_setting(")
                + QuoteLiteral(setting) + QLatin1Char(')');
            trStatement(
                script,
                QStringLiteral("SELECT pg_catalog.setval(pg_catalog.pg_get_serial_sequence(")
                    + QuoteLiteral(table) + QStringLiteral(", ") + QuoteLiteral(column.Name)
                    + QStringLiteral("), pg_catalog.split_part(") + value
                    + QStringLiteral(", ',', 1)::bigint, pg_catalog.split_part(") + value
                    + QStringLiteral(", ',', 2)::boolean)"));
        }
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
                            + QuoteLiteral(key.Comment));
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
        if (!view.Privileges.Owner.isEmpty() && view.Privileges.Owner != currentUser)
            trStatement(script,
                        QStringLiteral("ALTER VIEW ") + name + QStringLiteral(" OWNER TO ")
                            + QuoteName(view.Privileges.Owner));
        if (!view.Comment.isEmpty())
            trStatement(script,
                        QStringLiteral("COMMENT ON VIEW ") + name + QStringLiteral(" IS ")
                            + QuoteLiteral(view.Comment));
        for (const auto &[column, comment] : view.ColumnComments)
            trStatement(script,
                        QStringLiteral("COMMENT ON COLUMN ") + name + QLatin1Char('.')
                            + QuoteName(column) + QStringLiteral(" IS ") + QuoteLiteral(comment));
        script << TableGrantScript(view.Privileges, name);
    }

    if (!backup.isEmpty() && !result.KeepsBackup)
        trStatement(script,
                    QStringLiteral("DROP TABLE ")
                        + (current.IsTemporary() ? QString() : request.Prefix) + QuoteName(backup));
    return result;
}
