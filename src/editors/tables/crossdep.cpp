#include "crossdep.h"

#include "core/qvcancel.h"
#include "core/qvfuncargs.h"
#include "core/qvobjsql.h"
#include "core/qvobjtype.h"
#include "platform/pg/connection.h"

#include <algorithm>

namespace crossdep {

constexpr int versionProKind = 110000; // pg_proc.prokind: 'p' procedure, 'a' aggregate
constexpr int versionAggregates = 90400; // aggregates are told apart from functions
constexpr int versionPackageObjectType = 90200; // pg_namespace.nspobjecttype (edition)

constexpr pg::Oid intArrayType = 1007;
constexpr pg::Oid textArrayType = 1009;
constexpr pg::Oid oidArrayType = 1028;

// The dependency rows of the pending nodes of one level. A node stands for more rows than its
// own: a relation's column defaults and table constraints (what a table's defaults and
// foreign keys use is what the table uses), a view's _RETURN rule (the view's query), a
// composite type's relation row (its columns). Placeholders: %1 and %2 the side of pg_depend
// the nodes are on and the other side.
constexpr const char *dependSql = R"(
WITH node AS (
    SELECT k.node, c.oid AS classid, k.objid
    FROM   unnest($1::int[], $2::text[], $3::oid[]) AS k (node, catalog, objid)
    JOIN   pg_class c
      ON   c.relname = k.catalog
     AND   c.relnamespace = 'pg_catalog'::regnamespace
), part AS (
    SELECT node, classid, objid
    FROM   node
    UNION
    SELECT n.node, 'pg_attrdef'::regclass, ad.oid
    FROM   node n
    JOIN   pg_attrdef ad ON ad.adrelid = n.objid
    WHERE  n.classid = 'pg_class'::regclass
    UNION
    SELECT n.node, 'pg_constraint'::regclass, co.oid
    FROM   node n
    JOIN   pg_constraint co ON co.conrelid = n.objid
    WHERE  n.classid = 'pg_class'::regclass
    UNION
    SELECT n.node, 'pg_rewrite'::regclass, r.oid
    FROM   node n
    JOIN   pg_rewrite r ON r.ev_class = n.objid AND r.rulename = '_RETURN'
    WHERE  n.classid = 'pg_class'::regclass
    UNION
    SELECT n.node, 'pg_class'::regclass, t.typrelid
    FROM   node n
    JOIN   pg_type t ON t.oid = n.objid AND t.typrelid <> 0
    WHERE  n.classid = 'pg_type'::regclass
)
SELECT DISTINCT p.node, rc.relname::text AS catalog, d.%2objid AS oid
FROM   part p
JOIN   pg_depend d ON d.%1classid = p.classid AND d.%1objid = p.objid
JOIN   pg_class rc ON rc.oid = d.%2classid
ORDER  BY 1, 2, 3
)";

// Every branch of the name statement yields: the catalog and oid of the dependency row, the
// catalog and oid of the object it stands for, schema, name, kind word (CLASS for relations,
// whose relkind follows), and the table of a trigger or rule or the package of a member.
constexpr const char *classSql = R"(
SELECT 'pg_class'::text, x.oid,
       CASE WHEN x.relkind = 'c' THEN 'pg_type' ELSE 'pg_class' END::text,
       CASE WHEN x.relkind = 'c' THEN x.reltype ELSE x.oid END,
       nsp.nspname::text, x.relname::text, 'CLASS'::text, x.relkind::text, ''::text
FROM   pg_class x
LEFT   JOIN pg_namespace nsp ON nsp.oid = x.relnamespace
WHERE  x.oid = ANY ($%1::oid[]) AND x.relkind <> 't')";

constexpr const char *attrdefSql = R"(
SELECT 'pg_attrdef'::text, x.oid, 'pg_class'::text, c.oid,
       nsp.nspname::text, c.relname::text, 'CLASS'::text, c.relkind::text, ''::text
FROM   pg_attrdef x
JOIN   pg_class c ON c.oid = x.adrelid
LEFT   JOIN pg_namespace nsp ON nsp.oid = c.relnamespace
WHERE  x.oid = ANY ($%1::oid[]) AND c.relkind <> 't')";

constexpr const char *constraintSql = R"(
SELECT 'pg_constraint'::text, x.oid, 'pg_class'::text, c.oid,
       nsp.nspname::text, c.relname::text, 'CLASS'::text, c.relkind::text, ''::text
FROM   pg_constraint x
JOIN   pg_class c ON c.oid = x.conrelid
LEFT   JOIN pg_namespace nsp ON nsp.oid = c.relnamespace
WHERE  x.oid = ANY ($%1::oid[]) AND c.relkind <> 't')";

// %1 schema, %2 kind word, %3 package, %4 joins; %5 the parameter.
constexpr const char *procSql = R"(
SELECT 'pg_proc'::text, x.oid, 'pg_proc'::text, x.oid,
       %1::text, x.proname::text, %2::text, ''::text, %3::text
FROM   pg_proc x
LEFT   JOIN pg_namespace nsp ON nsp.oid = x.pronamespace%4
WHERE  x.oid = ANY ($%5::oid[]))";

// The internal triggers of a foreign key belong to its constraint, which the trees show as
// its table.
constexpr const char *triggerSql = R"(
SELECT 'pg_trigger'::text, x.oid, 'pg_trigger'::text, x.oid,
       nsp.nspname::text, x.tgname::text, 'TRIGGER'::text, ''::text, c.relname::text
FROM   pg_trigger x
LEFT   JOIN pg_class c ON c.oid = x.tgrelid
LEFT   JOIN pg_namespace nsp ON nsp.oid = c.relnamespace
WHERE  x.oid = ANY ($%1::oid[]) AND NOT (x.tgisinternal AND x.tgconstraint <> 0))";

// Composite, enum, range and pseudo types, and base types outside the built-in categories;
// array types, domains and the row types of tables and views are not shown.
constexpr const char *typeSql = R"(
SELECT 'pg_type'::text, x.oid, 'pg_type'::text, x.oid,
       nsp.nspname::text, x.typname::text, 'TYPE'::text, ''::text, ''::text
FROM   pg_type x
LEFT   JOIN pg_namespace nsp ON nsp.oid = x.typnamespace
LEFT   JOIN pg_class c ON c.oid = x.typrelid
WHERE  x.oid = ANY ($%1::oid[])
  AND  (c.relkind = 'c' OR x.typtype IN ('e', 'r', 'p')
        OR (x.typtype = 'b' AND x.typcategory NOT IN
            ('A','B','C','D','E','G','I','N','P','R','S','T','V','X'))))";

// A view's _RETURN rule stands for the view.
constexpr const char *rewriteSql = R"(
SELECT 'pg_rewrite'::text, x.oid,
       CASE WHEN x.rulename = '_RETURN' AND c.relkind IN ('v', 'm')
            THEN 'pg_class' ELSE 'pg_rewrite' END::text,
       CASE WHEN x.rulename = '_RETURN' AND c.relkind IN ('v', 'm')
            THEN c.oid ELSE x.oid END,
       nsp.nspname::text,
       CASE WHEN x.rulename = '_RETURN' THEN c.relname ELSE x.rulename END::text,
       CASE WHEN x.rulename = '_RETURN' AND c.relkind = 'v' THEN 'VIEW'
            WHEN x.rulename = '_RETURN' AND c.relkind = 'm' THEN 'MATERIALIZED VIEW'
            ELSE 'RULE' END::text,
       ''::text,
       c.relname::text
FROM   pg_rewrite x
LEFT   JOIN pg_class c ON c.oid = x.ev_class
LEFT   JOIN pg_namespace nsp ON nsp.oid = c.relnamespace
WHERE  x.oid = ANY ($%1::oid[]))";

// The edition keeps packages as schemas with a parent; %1 the condition, %2 the parameter.
constexpr const char *packageSql = R"(
SELECT 'pg_namespace'::text, pac.oid, 'pg_namespace'::text, pac.oid,
       nsp.nspname::text, pac.nspname::text, 'PACKAGE'::text, ''::text, ''::text
FROM   pg_namespace pac
LEFT   JOIN pg_namespace nsp ON nsp.oid = pac.nspparent
WHERE  %1 AND pac.oid = ANY ($%2::oid[]))";

QString arrayLiteral(const QStringList &items)
{
    QStringList quoted;
    quoted.reserve(items.size());
    for (QString item : items) {
        item.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
        quoted << u'"' + item + u'"';
    }
    return u'{' + quoted.join(u',') + u'}';
}

QString oidArray(const QList<pg::Oid> &oids)
{
    QStringList items;
    items.reserve(oids.size());
    for (pg::Oid oid : oids)
        items << QString::number(oid);
    return u'{' + items.join(u',') + u'}';
}

QString relkindType(const QString &relkind)
{
    if (relkind.size() != 1)
        return QString();
    switch (relkind.at(0).unicode()) {
    case 'r':
    case 'p': // partitioned table
    case 'f':
        return QStringLiteral("TABLE");
    case 'i':
    case 'I': // partitioned index
        return QStringLiteral("INDEX");
    case 'S':
        return QStringLiteral("SEQUENCE");
    case 'v':
        return QStringLiteral("VIEW");
    case 'c':
        return QStringLiteral("TYPE");
    case 'm':
        return QStringLiteral("MATERIALIZED VIEW");
    default:
        return QString();
    }
}

bool isRoutine(int code)
{
    return code == ObjType::Function || code == ObjType::Procedure || code == ObjType::Aggregate
        || code == ObjType::PackageBody;
}

// Argument lists as GetFuncArgTypes writes them: all modes (6) and the identity (5).
constexpr quint8 allModes = 6;
constexpr quint8 identityModes = 5;

} // namespace crossdep

size_t qHash(const TCrossLoader::Key &key, size_t seed)
{
    return qHashMulti(seed, key.Catalog, key.Oid);
}

QString MakeNodeText(int code, const QString &Schema, const QString &Name, const QString &Parent,
                     const QString &Arguments)
{
    switch (code) {
    case ObjType::Procedure:
    case ObjType::Function:
    case ObjType::Aggregate:
        return Schema + u'.' + Name + u'(' + Arguments + u')';
    case ObjType::PackageBody:
        return Schema + u'.' + Parent + u'.' + Name + u'(' + Arguments + u')';
    case ObjType::Trigger:
    case ObjType::Rule:
        return Schema + u'.' + Parent + u'.' + Name;
    default:
        return Schema + u'.' + Name;
    }
}

QString TCrossObject::Caption() const
{
    return MakeNodeText(Code, Schema, Name, Table, Arguments);
}

QString CrossTreeText(const TCrossNode &node)
{
    QString text;
    std::function<void(const TCrossNode &, int)> write = [&](const TCrossNode &n, int level) {
        text += QString(level * 2, u' ') + n.Object.Type + u' ' + n.Object.Caption() + u'\n';
        for (const TCrossNode &child : n.Children)
            write(child, level + 1);
    };
    write(node, 0);
    return text;
}

TCrossLoader::TCrossLoader(pg::Connection &connection, int dbVersion, bool edition)
    : m_connection(connection)
    , m_dbVersion(dbVersion)
    , m_edition(edition)
    , m_cancelPoll(&EscapePressed)
{ }

bool TCrossLoader::Poll()
{
    if (!m_cancelled && m_cancelPoll && m_cancelPoll())
        m_cancelled = true;
    return m_cancelled;
}

QStringList TCrossLoader::NamedCatalogs() const
{
    QStringList catalogs = { QStringLiteral("pg_class"),      QStringLiteral("pg_attrdef"),
                             QStringLiteral("pg_constraint"), QStringLiteral("pg_proc"),
                             QStringLiteral("pg_trigger"),    QStringLiteral("pg_type"),
                             QStringLiteral("pg_rewrite") };
    if (m_edition)
        catalogs << QStringLiteral("pg_namespace");
    return catalogs;
}

QString TCrossLoader::NameStatement() const
{
    using namespace crossdep;
    QString schema = QStringLiteral("nsp.nspname");
    QString package = QStringLiteral("''");
    QString joins;
    QString kind;
    if (m_edition) {
        // Members of a package live in a schema whose parent is the package's schema.
        const QString member = m_dbVersion >= versionPackageObjectType
            ? QStringLiteral("((nsp.nspparent != 0) AND (nsp.nspobjecttype = 0))")
            : QStringLiteral("(nsp.nspparent != 0)");
        schema = QStringLiteral("CASE WHEN %1 THEN psp.nspname ELSE nsp.nspname END").arg(member);
        package = QStringLiteral("CASE WHEN %1 THEN nsp.nspname ELSE '' END").arg(member);
        joins = QStringLiteral("\nLEFT   JOIN pg_namespace psp ON psp.oid = nsp.nspparent");
        QString procedure = QStringLiteral("x.protype = '1'");
        QString aggregate;
        if (m_dbVersion >= versionProKind) {
            procedure = QStringLiteral("x.prokind = 'p' OR x.protype = '1'");
            aggregate = QStringLiteral(" WHEN x.prokind = 'a' THEN 'AGGREGATE'");
        } else if (m_dbVersion >= versionAggregates) {
            joins += QStringLiteral("\nLEFT   JOIN pg_aggregate agg ON agg.aggfnoid = x.oid");
            aggregate = QStringLiteral(" WHEN agg.aggfnoid IS NOT NULL THEN 'AGGREGATE'");
        }
        kind = QStringLiteral("CASE WHEN %1 THEN 'PACKAGE BODY'%2 WHEN %3 THEN 'PROCEDURE'"
                              " ELSE 'FUNCTION' END")
                   .arg(member, aggregate, procedure);
    } else if (m_dbVersion >= versionProKind) {
        kind = QStringLiteral("CASE x.prokind WHEN 'p' THEN 'PROCEDURE' WHEN 'a' THEN 'AGGREGATE'"
                              " ELSE 'FUNCTION' END");
    } else if (m_dbVersion >= versionAggregates) {
        joins = QStringLiteral("\nLEFT   JOIN pg_aggregate agg ON agg.aggfnoid = x.oid");
        kind = QStringLiteral(
            "CASE WHEN agg.aggfnoid IS NOT NULL THEN 'AGGREGATE' ELSE 'FUNCTION' END");
    } else {
        kind = QStringLiteral("'FUNCTION'");
    }

    QStringList branches;
    int parameter = 0;
    for (const QString &catalog : NamedCatalogs()) {
        const QString n = QString::number(++parameter);
        if (catalog == QLatin1String("pg_class"))
            branches << QString::fromLatin1(classSql).arg(n);
        else if (catalog == QLatin1String("pg_attrdef"))
            branches << QString::fromLatin1(attrdefSql).arg(n);
        else if (catalog == QLatin1String("pg_constraint"))
            branches << QString::fromLatin1(constraintSql).arg(n);
        else if (catalog == QLatin1String("pg_proc"))
            branches << QString::fromLatin1(procSql).arg(schema, kind, package, joins, n);
        else if (catalog == QLatin1String("pg_trigger"))
            branches << QString::fromLatin1(triggerSql).arg(n);
        else if (catalog == QLatin1String("pg_type"))
            branches << QString::fromLatin1(typeSql).arg(n);
        else if (catalog == QLatin1String("pg_rewrite"))
            branches << QString::fromLatin1(rewriteSql).arg(n);
        else if (catalog == QLatin1String("pg_namespace"))
            branches << QString::fromLatin1(packageSql)
                            .arg(m_dbVersion >= versionPackageObjectType
                                     ? QStringLiteral(
                                         "(pac.nspparent != 0) AND (pac.nspobjecttype = 0)")
                                     : QStringLiteral("pac.nspparent != 0"),
                                 n);
    }
    return branches.join(QStringLiteral("\nUNION ALL"));
}

void TCrossLoader::NameAll(const QList<Key> &keys)
{
    using namespace crossdep;
    const QStringList catalogs = NamedCatalogs();
    QList<QList<pg::Oid>> byCatalog(catalogs.size());
    bool any = false;
    for (const Key &key : keys) {
        if (m_named.contains(key))
            continue;
        // Rows of catalogs that no branch names stay unknown: not shown.
        m_named.insert(key, TCrossObject());
        const qsizetype index = catalogs.indexOf(key.Catalog);
        if (index < 0)
            continue;
        byCatalog[index] << key.Oid;
        any = true;
    }
    if (!any)
        return;
    QList<pg::Param> params;
    for (const QList<pg::Oid> &oids : byCatalog)
        params << pg::Param(QVariant(oidArray(oids)), oidArrayType);
    ++m_statements;
    const pg::Result rows = m_connection.exec(NameStatement(), params);
    for (int row = 0; row < rows.rowCount(); ++row) {
        const Key key { rows.text(row, 0), rows.text(row, 1).toUInt() };
        TCrossObject object;
        object.Catalog = rows.text(row, 2);
        object.Oid = rows.text(row, 3).toUInt();
        object.Schema = rows.text(row, 4);
        object.Name = rows.text(row, 5);
        const QString kind = rows.text(row, 6);
        object.Type = kind == QLatin1String("CLASS") ? relkindType(rows.text(row, 7)) : kind;
        object.Code = object.Type.isEmpty() ? -1 : GetObjectTypeCode(object.Type);
        if (object.Code == ObjType::Trigger || object.Code == ObjType::Rule
            || object.Code == ObjType::PackageBody)
            object.Table = rows.text(row, 8);
        if (isRoutine(object.Code))
            m_withoutArguments.insert(key);
        m_named.insert(key, object);
    }
}

void TCrossLoader::ReadArguments()
{
    using namespace crossdep;
    if (m_withoutArguments.isEmpty())
        return;
    QList<pg::Oid> oids;
    for (const Key &key : std::as_const(m_withoutArguments))
        oids << m_named.value(key).Oid;
    QHash<pg::Oid, FncArgArray> args;
    ++m_statements;
    GetFuncArgumentsOf(oids, m_connection, args, m_dbVersion);
    for (const Key &key : std::as_const(m_withoutArguments)) {
        TCrossObject &object = m_named[key];
        object.Arguments = GetFuncArgTypes(args.value(object.Oid), allModes, object.Schema);
    }
    m_withoutArguments.clear();
}

QList<TCrossLoader::DependRow> TCrossLoader::ReadDependRows(const QList<Pending> &level,
                                                            TCrossDirection direction)
{
    using namespace crossdep;
    QStringList nodes;
    QStringList catalogs;
    QList<pg::Oid> oids;
    for (int i = 0; i < level.size(); ++i) {
        nodes << QString::number(i);
        catalogs << level.at(i).Node->Object.Catalog;
        oids << level.at(i).Node->Object.Oid;
    }
    const bool uses = direction == TCrossDirection::Uses;
    const QString sql = QString::fromLatin1(dependSql).arg(
        uses ? QString() : QStringLiteral("ref"), uses ? QStringLiteral("ref") : QString());
    ++m_statements;
    const pg::Result rows
        = m_connection.exec(sql,
                            { pg::Param(QVariant(u'{' + nodes.join(u',') + u'}'), intArrayType),
                              pg::Param(QVariant(arrayLiteral(catalogs)), textArrayType),
                              pg::Param(QVariant(oidArray(oids)), oidArrayType) });
    QList<DependRow> read;
    read.reserve(rows.rowCount());
    for (int row = 0; row < rows.rowCount(); ++row)
        read << DependRow { rows.text(row, 0).toInt(),
                            Key { rows.text(row, 1), rows.text(row, 2).toUInt() } };
    return read;
}

TCrossObject TCrossLoader::FindObject(int code, const QString &Schema, const QString &Name,
                                      const QString &Table, const QString &Arguments, qint64 oid)
{
    using namespace crossdep;
    if (code == ObjType::PackageBody)
        code = ObjType::Package;
    TCrossObject object;
    object.Code = code;
    object.Type = GetObjectTypeName(code);
    object.Schema = Schema;
    object.Name = Name;
    object.Table = Table;
    object.Arguments = Arguments;

    if (code == ObjType::Function || code == ObjType::Procedure || code == ObjType::Aggregate) {
        object.Catalog = QStringLiteral("pg_proc");
        ++m_statements;
        const pg::Result rows = oid >= 0
            ? m_connection.exec(QStringLiteral("SELECT p.oid FROM pg_proc p WHERE p.oid = $1"),
                                { pg::Param(QVariant(oid), pg::type::OidType) })
            : m_connection.exec(QStringLiteral("SELECT p.oid FROM pg_proc p"
                                               " JOIN pg_namespace ns ON ns.oid = p.pronamespace"
                                               " WHERE ns.nspname = $1 AND p.proname = $2"
                                               " ORDER BY p.oid"),
                                { Schema, Name });
        QList<pg::Oid> candidates;
        for (int row = 0; row < rows.rowCount(); ++row)
            candidates << rows.text(row, 0).toUInt();
        if (candidates.isEmpty())
            return object;
        QHash<pg::Oid, FncArgArray> args;
        ++m_statements;
        GetFuncArgumentsOf(candidates, m_connection, args, m_dbVersion);
        for (pg::Oid candidate : std::as_const(candidates)) {
            const FncArgArray &a = args[candidate];
            const QString all = GetFuncArgTypes(a, allModes, Schema);
            if (candidates.size() == 1 || oid >= 0 || Arguments == all
                || Arguments == GetFuncArgTypes(a, identityModes, Schema)) {
                object.Oid = candidate;
                if (Arguments.isEmpty())
                    object.Arguments = all;
                break;
            }
        }
        return object;
    }

    QString sql;
    QList<pg::Param> params { Schema, Name };
    switch (code) {
    case ObjType::Package:
        if (!m_edition)
            return object;
        object.Catalog = QStringLiteral("pg_namespace");
        sql = QStringLiteral("SELECT x.oid FROM ") + GetPackageSubquery(m_dbVersion)
            + QStringLiteral(" x JOIN pg_namespace ns ON ns.oid = x.pkgnamespace"
                             " WHERE ns.nspname = $1 AND x.pkgname = $2");
        break;
    case ObjType::Type:
        object.Catalog = QStringLiteral("pg_type");
        sql = QStringLiteral("SELECT x.oid FROM pg_type x"
                             " JOIN pg_namespace ns ON ns.oid = x.typnamespace"
                             " WHERE ns.nspname = $1 AND x.typname = $2");
        break;
    case ObjType::Trigger:
        object.Catalog = QStringLiteral("pg_trigger");
        sql = QStringLiteral("SELECT x.oid FROM pg_trigger x"
                             " JOIN pg_class c ON c.oid = x.tgrelid"
                             " JOIN pg_namespace ns ON ns.oid = c.relnamespace"
                             " WHERE ns.nspname = $1 AND x.tgname = $2 AND c.relname = $3");
        params << Table;
        break;
    case ObjType::Rule:
        object.Catalog = QStringLiteral("pg_rewrite");
        sql = QStringLiteral("SELECT x.oid FROM pg_rewrite x"
                             " JOIN pg_class c ON c.oid = x.ev_class"
                             " JOIN pg_namespace ns ON ns.oid = c.relnamespace"
                             " WHERE ns.nspname = $1 AND x.rulename = $2 AND c.relname = $3");
        params << Table;
        break;
    default:
        object.Catalog = QStringLiteral("pg_class");
        sql = QStringLiteral("SELECT c.oid FROM pg_class c"
                             " JOIN pg_namespace ns ON ns.oid = c.relnamespace"
                             " WHERE ns.nspname = $1 AND c.relname = $2");
        break;
    }
    ++m_statements;
    const pg::Result rows = m_connection.exec(sql, params);
    if (rows.rowCount() > 0)
        object.Oid = rows.text(0, 0).toUInt();
    return object;
}

TCrossNode TCrossLoader::Load(const TCrossObject &root, TCrossDirection direction, int depth)
{
    TCrossNode tree;
    tree.Object = root;
    Load(tree, direction, depth);
    return tree;
}

void TCrossLoader::Load(TCrossNode &tree, TCrossDirection direction, int depth)
{
    m_cancelled = false;
    tree.Children.clear();
    if (!tree.Object.Found())
        return;
    QList<Pending> level { { &tree, { Key { tree.Object.Catalog, tree.Object.Oid } } } };
    for (int depthOfLevel = 0; !level.isEmpty(); ++depthOfLevel) {
        if (Poll())
            return;
        const QList<DependRow> rows = ReadDependRows(level, direction);
        if (Poll())
            return;
        QList<Key> keys;
        keys.reserve(rows.size());
        for (const DependRow &row : rows)
            keys << row.Row;
        NameAll(keys);
        if (Poll())
            return;
        ReadArguments();

        struct Child
        {
            QString RowCatalog;
            TCrossObject Object;
        };
        QList<QList<Child>> children(level.size());
        QList<QSet<Key>> seen(level.size());
        for (const DependRow &row : rows) {
            const TCrossObject object = m_named.value(row.Row);
            if (object.Code < 0 || object.Schema.isEmpty() || object.Name.isEmpty()
                || m_hidden.contains(object.Code))
                continue;
            const Key identity { object.Catalog, object.Oid };
            if (level.at(row.Node).Path.contains(identity) || seen[row.Node].contains(identity))
                continue;
            seen[row.Node].insert(identity);
            children[row.Node] << Child { row.Row.Catalog, object };
        }

        QList<Pending> next;
        for (int i = 0; i < level.size(); ++i) {
            QList<Child> &list = children[i];
            std::stable_sort(list.begin(), list.end(), [](const Child &a, const Child &b) {
                if (a.RowCatalog != b.RowCatalog)
                    return a.RowCatalog < b.RowCatalog;
                return a.Object.Caption() < b.Object.Caption();
            });
            TCrossNode *node = level.at(i).Node;
            node->Children.reserve(list.size());
            for (const Child &child : std::as_const(list))
                node->Children.append(TCrossNode { child.Object, {} });
            // The children of this level are complete: their addresses stay as they are.
            if (depthOfLevel + 1 >= depth)
                continue;
            for (TCrossNode &child : node->Children) {
                QList<Key> path = level.at(i).Path;
                path << Key { child.Object.Catalog, child.Object.Oid };
                next << Pending { &child, path };
            }
        }
        level = std::move(next);
    }
}
