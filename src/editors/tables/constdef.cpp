#include "constdef.h"

#include "idxdef.h"
#include "rstorage.h"

#include "core/qvname.h"
#include "core/qvstr.h"
#include "platform/pg/connection.h"
#include "platform/pg/paramscanner.h"
#include "platform/pg/query.h"

#include <stdexcept>

namespace {

// The constraint by its table's schema, its table and its name, all as stored (never folded).
// The index is the constraint's own conindid: for a key or exclusion constraint the index behind
// it, for a foreign key the referenced table's unique index that the key uses.
const char *const ConstraintSQL = R"(
SELECT CO.oid, CO.conname, CO.contype, TN.nspname AS tblschema, TC.relname AS tblname,
       pg_get_constraintdef(CO.oid) AS def, pg_get_expr(CO.conbin, CO.conrelid) AS checkexpr,
       CO.condeferrable, CO.condeferred, CO.convalidated, CO.connoinherit,
       CO.confmatchtype, CO.confupdtype, CO.confdeltype, CO.conindid,
       IC.relname AS idxname, IXN.nspname AS idxschema, IC.reltablespace, TS.spcname,
       AM.amname, FN.nspname AS refschema, FC.relname AS reftable,
       obj_description(CO.oid, 'pg_constraint') AS comment, %1 AS nullsnotdistinct,
       obj_description(IC.oid, 'pg_class') AS idxcomment, I.indisclustered, I.indisreplident
FROM pg_constraint CO
JOIN pg_class TC ON TC.oid = CO.conrelid
JOIN pg_namespace TN ON TN.oid = TC.relnamespace
LEFT JOIN pg_class IC ON IC.oid = CO.conindid
LEFT JOIN pg_namespace IXN ON IXN.oid = IC.relnamespace
LEFT JOIN pg_index I ON I.indexrelid = CO.conindid
LEFT JOIN pg_am AM ON AM.oid = IC.relam
LEFT JOIN pg_tablespace TS ON TS.oid = IC.reltablespace
LEFT JOIN pg_class FC ON FC.oid = CO.confrelid
LEFT JOIN pg_namespace FN ON FN.oid = FC.relnamespace
WHERE CO.contype IN ('p', 'u', 'f', 'c', 'x') AND TN.nspname = :SCHEMA AND CO.conname = :CONNAME
  AND (CAST(:TBLNAME AS text) = '' OR TC.relname = :TBLNAME)
ORDER BY TC.relname)";

// Attribute names of an attribute-number array of the constraint, in array order.
const char *const KeyNamesSQL = R"(
SELECT A.attname FROM pg_constraint CO
CROSS JOIN LATERAL unnest(CO.%1) WITH ORDINALITY AS K(n, o)
JOIN pg_attribute A ON A.attrelid = CO.%2 AND A.attnum = K.n
WHERE CO.oid = :OID ORDER BY K.o)";

const char *const IncludeSQL = R"(
SELECT A.attname FROM pg_index I
CROSS JOIN LATERAL unnest(CAST(I.indkey AS int2[])) WITH ORDINALITY AS K(n, o)
JOIN pg_attribute A ON A.attrelid = I.indrelid AND A.attnum = K.n
WHERE I.indexrelid = :OID AND K.o > I.indnkeyatts ORDER BY K.o)";

const char *const IndexKeysSQL = R"(
SELECT pg_get_indexdef(I.indexrelid, N.n, false) FROM pg_index I
CROSS JOIN LATERAL generate_series(1, I.indnkeyatts) AS N(n)
WHERE I.indexrelid = :OID ORDER BY N.n)";

const char *const RelOptionsSQL = R"(
SELECT unnest(C.reloptions) FROM pg_class C WHERE C.oid = :OID)";

const char *const ConstraintSpaceSQL = R"(
SELECT T.spcname FROM pg_database D LEFT JOIN pg_tablespace T ON D.dattablespace = T.oid
WHERE D.datname = current_database())";

QStringList firstColumn(pg::Connection &connection, const QString &sql, const QString &oid)
{
    pg::Query query(connection);
    query.setSql(sql);
    query.bindValues({ oid });
    const pg::Result rows = query.open();
    QStringList values;
    for (int i = 0; i < rows.rowCount(); ++i)
        values << rows.text(i, 0);
    return values;
}

bool flag(const pg::Result &row, const char *column)
{
    return row.text(0, QLatin1String(column)) == QLatin1String("t");
}

QChar code(const pg::Result &row, const char *column, QChar fallback)
{
    const QString text = row.text(0, QLatin1String(column));
    return text.isEmpty() ? fallback : text.at(0);
}

// Removes suffix from the end of text; false when text does not end with it.
bool chopSuffix(QString &text, const QString &suffix)
{
    if (!text.endsWith(suffix))
        return false;
    text.chop(suffix.size());
    return true;
}

// The words of text separated by blanks outside quoted names, literals and brackets; a bracket
// group that follows a word directly or after blanks stays a word of its own.
QStringList topLevelWords(const QString &text)
{
    QStringList words;
    QString word;
    int depth = 0;
    for (int i = 0; i < text.size(); ++i) {
        const pg::SqlSpan span = pg::skipSqlSpan(text, i);
        if (span.end > i) {
            word += text.mid(i, span.end - i);
            i = span.end - 1;
            continue;
        }
        const QChar c = text.at(i);
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        if (c.isSpace() && depth == 0) {
            if (!word.isEmpty())
                words << word;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.isEmpty())
        words << word;
    return words;
}

QString tableName(const TConstraintDefinition &def, const QString &prefix)
{
    return prefix + QuoteName(def.TableName);
}

QString qualifiedTable(const TConstraintDefinition &def)
{
    return QuoteName(def.Schema) + QLatin1Char('.') + QuoteName(def.TableName);
}

bool hasIndex(const TConstraintDefinition &def)
{
    return def.Type == QLatin1Char('p') || def.Type == QLatin1Char('u')
        || def.Type == QLatin1Char('x');
}

QString excludeElementText(const TExcludeElement &e)
{
    QString text = e.Key;
    if (!e.OpClass.isEmpty())
        text += QLatin1Char(' ') + e.OpClass;
    if (!e.Order.isEmpty())
        text += QLatin1Char(' ') + e.Order;
    if (!e.Nulls.isEmpty())
        text += QStringLiteral(" NULLS ") + e.Nulls;
    return text + QStringLiteral(" WITH ") + e.Operator;
}

} // namespace

bool TConstraintDefinition::operator==(const TConstraintDefinition &o) const
{
    return Schema == o.Schema && TableName == o.TableName && Name == o.Name && Type == o.Type
        && Columns == o.Columns && Include == o.Include && NullsNotDistinct == o.NullsNotDistinct
        && IndexWith == o.IndexWith && Tablespace == o.Tablespace && RefColumns == o.RefColumns
        && RefSchema == o.RefSchema && RefTable == o.RefTable && RefIndex == o.RefIndex
        && UpdateAction == o.UpdateAction && DeleteAction == o.DeleteAction && Match == o.Match
        && DeleteSetColumns == o.DeleteSetColumns && Check == o.Check && NoInherit == o.NoInherit
        && Method == o.Method && Elements == o.Elements && Where == o.Where
        && Deferrable == o.Deferrable && InitiallyDeferred == o.InitiallyDeferred
        && NotValid == o.NotValid && Comment == o.Comment;
}

bool ParseExcludeElement(const QString &text, const QString &key, TExcludeElement &element)
{
    if (key.isEmpty() || !text.startsWith(key))
        return false;
    const QString rest = text.mid(key.size());
    const qsizetype with = rest.lastIndexOf(QStringLiteral(" WITH "));
    if (with < 0)
        return false;
    element = TExcludeElement();
    element.Key = key;
    element.Operator = rest.mid(with + 6).trimmed();
    if (element.Operator.isEmpty() || element.Operator.contains(QLatin1Char(' ')))
        return false;
    const QStringList words = topLevelWords(rest.left(with));
    qsizetype i = 0;
    const auto is = [&words, &i](const char *word) {
        return i < words.size()
            && words.at(i).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    if (is("COLLATE")) {
        if (i + 1 >= words.size())
            return false;
        element.Key += QStringLiteral(" COLLATE ") + words.at(i + 1);
        i += 2;
    }
    if (i < words.size() && !is("ASC") && !is("DESC") && !is("NULLS")) {
        element.OpClass = words.at(i++);
        if (i < words.size() && words.at(i).startsWith(QLatin1Char('(')))
            element.OpClass += QLatin1Char(' ') + words.at(i++);
    }
    if (is("ASC") || is("DESC"))
        element.Order = words.at(i++).toUpper();
    if (is("NULLS")) {
        if (i + 1 >= words.size())
            return false;
        element.Nulls = words.at(i + 1).toUpper();
        if (element.Nulls != QLatin1String("FIRST") && element.Nulls != QLatin1String("LAST"))
            return false;
        i += 2;
    }
    return i == words.size();
}

bool LoadConstraint(pg::Connection &connection, int serverVersion, const QString &Schema,
                    const QString &TableName, const QString &Name, TConstraintDefinition &def)
{
    pg::Query query(connection);
    query.setSql(QString::fromUtf8(ConstraintSQL)
                     .arg(serverVersion >= 150000 ? QStringLiteral("I.indnullsnotdistinct")
                                                  : QStringLiteral("false")));
    query.bindValues({ Schema, Name, TableName });
    const pg::Result row = query.open();
    if (row.rowCount() == 0)
        return false;
    if (row.rowCount() > 1) {
        throw std::runtime_error(
            QStringLiteral("制約 %1.%2 は複数のテーブルにあります。テーブルを指定して下さい。")
                .arg(Schema, Name)
                .toStdString());
    }
    def = TConstraintDefinition();
    const QString oid = row.text(0, "oid");
    const QString indexOid = row.text(0, "conindid");
    def.Schema = row.text(0, "tblschema");
    def.TableName = row.text(0, "tblname");
    def.Name = row.text(0, "conname");
    def.Type = code(row, "contype", QLatin1Char('c'));
    def.ServerText = row.text(0, "def");
    def.Deferrable = flag(row, "condeferrable");
    def.InitiallyDeferred = flag(row, "condeferred");
    def.NotValid = !flag(row, "convalidated");
    def.Comment = row.text(0, "comment");
    const QString keyNames = QString::fromUtf8(KeyNamesSQL);
    if (hasIndex(def)) {
        def.IndexSchema = row.text(0, "idxschema");
        def.IndexName = row.text(0, "idxname");
        def.IndexKept.Comment = row.text(0, "idxcomment");
        def.IndexKept.Clustered = flag(row, "indisclustered");
        def.IndexKept.ReplicaIdentity = flag(row, "indisreplident");
        if (row.text(0, "reltablespace") != QLatin1String("0")) {
            def.Tablespace = row.text(0, "spcname");
        } else {
            const pg::Result space = connection.exec(QString::fromUtf8(ConstraintSpaceSQL));
            def.Tablespace = space.rowCount() ? space.text(0, 0) : QString();
        }
        for (const QString &option :
             firstColumn(connection, QString::fromUtf8(RelOptionsSQL), indexOid)) {
            const TStorageOption parsed = ParseStorageOption(option);
            def.IndexWith << parsed.Key + QLatin1Char('=') + QuoteLiteral(parsed.Value);
        }
        def.Include = firstColumn(connection, QString::fromUtf8(IncludeSQL), indexOid);
    }
    switch (def.Type.unicode()) {
    case 'p':
    case 'u':
        def.Columns = firstColumn(connection, keyNames.arg("conkey", "conrelid"), oid);
        def.NullsNotDistinct = flag(row, "nullsnotdistinct");
        break;
    case 'c':
        def.Check = row.text(0, "checkexpr");
        def.NoInherit = flag(row, "connoinherit");
        break;
    case 'f':
        def.Columns = firstColumn(connection, keyNames.arg("conkey", "conrelid"), oid);
        def.RefColumns = firstColumn(connection, keyNames.arg("confkey", "confrelid"), oid);
        def.RefSchema = row.text(0, "refschema");
        def.RefTable = row.text(0, "reftable");
        def.RefIndex = row.text(0, "idxname");
        def.UpdateAction = code(row, "confupdtype", QLatin1Char('a'));
        def.DeleteAction = code(row, "confdeltype", QLatin1Char('a'));
        def.Match = code(row, "confmatchtype", QLatin1Char('s'));
        if (serverVersion >= 150000)
            def.DeleteSetColumns
                = firstColumn(connection, keyNames.arg("confdelsetcols", "conrelid"), oid);
        break;
    case 'x': {
        def.Method = row.text(0, "amname");
        // The trailing attributes come from the flags; what is left is the index part.
        QString text = def.ServerText;
        bool ok = (!def.NotValid || chopSuffix(text, QStringLiteral(" NOT VALID")))
            && (!def.InitiallyDeferred || chopSuffix(text, QStringLiteral(" INITIALLY DEFERRED")))
            && (!def.Deferrable || chopSuffix(text, QStringLiteral(" DEFERRABLE")));
        TIndexDefinition index;
        ok = ok && text.startsWith(QStringLiteral("EXCLUDE USING "))
            && ParseIndexDefinition(text, def.Method, index);
        const QStringList keys = firstColumn(connection, QString::fromUtf8(IndexKeysSQL), indexOid);
        ok = ok && keys.size() == index.Keys.size();
        for (qsizetype i = 0; ok && i < keys.size(); ++i) {
            TExcludeElement element;
            ok = ParseExcludeElement(index.Keys.at(i), keys.at(i), element);
            if (def.Method == QLatin1String("btree")) {
                if (element.Order.isEmpty())
                    element.Order = QStringLiteral("ASC");
                if (element.Nulls.isEmpty())
                    element.Nulls = element.Order == QLatin1String("DESC") ? QStringLiteral("FIRST")
                                                                           : QStringLiteral("LAST");
            }
            def.Elements << element;
        }
        def.Where = index.Where;
        if (!ok)
            def.Unsupported = def.ServerText;
        break;
    }
    default:
        break;
    }
    return true;
}

QString QuotedNames(const QStringList &names)
{
    QStringList quoted;
    for (const QString &name : names)
        quoted << QuoteName(name);
    return quoted.join(QStringLiteral(", "));
}

QString ForeignKeyActionWords(QChar code)
{
    switch (code.unicode()) {
    case 'r':
        return QStringLiteral("RESTRICT");
    case 'c':
        return QStringLiteral("CASCADE");
    case 'n':
        return QStringLiteral("SET NULL");
    case 'd':
        return QStringLiteral("SET DEFAULT");
    default:
        return QStringLiteral("NO ACTION");
    }
}

QString ConstraintClause(const TConstraintDefinition &def)
{
    const auto include = [&def] {
        QString text;
        if (!def.Include.isEmpty())
            text += QStringLiteral(" INCLUDE (") + QuotedNames(def.Include) + QLatin1Char(')');
        if (!def.IndexWith.isEmpty())
            text += QStringLiteral(" WITH (") + def.IndexWith.join(QStringLiteral(", "))
                + QLatin1Char(')');
        return text;
    };
    switch (def.Type.unicode()) {
    case 'c': {
        // Always in brackets of its own: "(a > 0) AND (b > 0)" starts and ends with a bracket
        // and is still not one bracketed expression.
        QString expression = def.Check.trimmed();
        if (expression.section(QLatin1Char('\n'), -1).contains(QStringLiteral("--")))
            expression += QLatin1Char('\n');
        return QStringLiteral("CHECK (") + expression + QLatin1Char(')');
    }
    case 'p':
    case 'u':
        return (def.Type == QLatin1Char('p') ? QStringLiteral("PRIMARY KEY ")
                                             : QStringLiteral("UNIQUE "))
            + (def.NullsNotDistinct ? QStringLiteral("NULLS NOT DISTINCT ") : QString())
            + QLatin1Char('(') + QuotedNames(def.Columns) + QLatin1Char(')') + include();
    case 'f': {
        QString text = QStringLiteral("FOREIGN KEY (") + QuotedNames(def.Columns)
            + QStringLiteral(") REFERENCES ") + QuoteName(def.RefSchema) + QLatin1Char('.')
            + QuoteName(def.RefTable) + QLatin1Char('(') + QuotedNames(def.RefColumns)
            + QLatin1Char(')');
        if (def.Match == QLatin1Char('f'))
            text += QStringLiteral(" MATCH FULL");
        else if (def.Match == QLatin1Char('p'))
            text += QStringLiteral(" MATCH PARTIAL");
        text += QStringLiteral(" ON UPDATE ") + ForeignKeyActionWords(def.UpdateAction);
        text += QStringLiteral(" ON DELETE ") + ForeignKeyActionWords(def.DeleteAction);
        if (!def.DeleteSetColumns.isEmpty()
            && (def.DeleteAction == QLatin1Char('n') || def.DeleteAction == QLatin1Char('d')))
            text += QStringLiteral(" (") + QuotedNames(def.DeleteSetColumns) + QLatin1Char(')');
        return text;
    }
    case 'x': {
        QStringList elements;
        for (const TExcludeElement &e : def.Elements)
            elements << excludeElementText(e);
        return QStringLiteral("EXCLUDE USING ") + def.Method + QStringLiteral(" (")
            + elements.join(QStringLiteral(", ")) + QLatin1Char(')') + include();
    }
    default:
        return QString();
    }
}

QStringList ConstraintCreateScript(const TConstraintDefinition &def,
                                   const TConstraintScriptOptions &options)
{
    QStringList lines;
    lines << QStringLiteral("ALTER TABLE ") + tableName(def, options.TablePrefix)
            + QStringLiteral(" ADD CONSTRAINT ") + QuoteName(def.Name);
    if (!def.Unsupported.isEmpty()) {
        // Written as the server gives it; the window does not re-create it from its controls.
        lines << def.Unsupported;
    } else {
        lines << ConstraintClause(def);
        if (hasIndex(def) && options.WithTablespace && !def.Tablespace.isEmpty()) {
            lines << QStringLiteral("USING INDEX");
            lines << QStringLiteral("TABLESPACE ") + QuoteName(def.Tablespace);
        }
        if (def.Type == QLatin1Char('x') && !def.Where.isEmpty())
            lines << QStringLiteral("WHERE ") + def.Where;
        QStringList attributes;
        if (def.Deferrable)
            attributes << QStringLiteral("DEFERRABLE");
        if (def.InitiallyDeferred)
            attributes << QStringLiteral("INITIALLY DEFERRED");
        if (def.NotValid)
            attributes << QStringLiteral("NOT VALID");
        if (def.Type == QLatin1Char('c') && def.NoInherit)
            attributes << QStringLiteral("NO INHERIT");
        if (!attributes.isEmpty())
            lines << attributes.join(QLatin1Char(' '));
    }
    lines << QStringLiteral(";");
    if (!def.Comment.isEmpty())
        lines << ConstraintCommentScript(def);
    return lines;
}

QStringList ConstraintDropScript(const TConstraintDefinition &def)
{
    return { QStringLiteral("ALTER TABLE ") + qualifiedTable(def)
                 + QStringLiteral(" DROP CONSTRAINT ") + QuoteName(def.Name),
             QStringLiteral(";") };
}

QStringList ConstraintCommentScript(const TConstraintDefinition &def)
{
    return { QStringLiteral("COMMENT ON CONSTRAINT ") + QuoteName(def.Name) + QStringLiteral(" ON ")
                 + qualifiedTable(def) + QStringLiteral(" IS ")
                 + (def.Comment.isEmpty() ? QStringLiteral("NULL") : QuoteLiteralLine(def.Comment)),
             QStringLiteral(";") };
}

QStringList ConstraintChangeScript(const TConstraintDefinition &old,
                                   const TConstraintDefinition &now,
                                   const TConstraintScriptOptions &options)
{
    if (old != now && now.Unsupported.isEmpty()) {
        TConstraintDefinition same = old;
        same.Comment = now.Comment;
        if (same == now)
            return ConstraintCommentScript(now);
        same = old;
        same.Tablespace = now.Tablespace;
        if (hasIndex(now) && same == now && !now.Tablespace.isEmpty()) {
            return { QStringLiteral("ALTER INDEX ") + QuoteName(old.IndexSchema) + QLatin1Char('.')
                         + QuoteName(old.IndexName) + QStringLiteral(" SET TABLESPACE ")
                         + QuoteName(now.Tablespace),
                     QStringLiteral(";") };
        }
        same = old;
        same.NotValid = false;
        if (old.NotValid && same == now) {
            return { QStringLiteral("ALTER TABLE ") + qualifiedTable(now)
                         + QStringLiteral(" VALIDATE CONSTRAINT ") + QuoteName(now.Name),
                     QStringLiteral(";") };
        }
    }
    QStringList lines = ConstraintDropScript(old) + ConstraintCreateScript(now, options);
    if (hasIndex(now)) {
        // ADD CONSTRAINT names the new index after the constraint, in the table's schema.
        TIndexDefinition index;
        index.Schema = now.Schema;
        index.Name = now.Name;
        index.TableName = now.TableName;
        lines << IndexAttachmentScript(index, old.IndexKept, options.TablePrefix);
    }
    return lines;
}
