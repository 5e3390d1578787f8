#include "execcall.h"

#include "core/qvname.h"
#include "core/qvobjsql.h"
#include "platform/pg/connection.h"
#include "platform/pg/query.h"
#include "platform/pg/result.h"

#include <QSet>

#include <functional>

namespace {

const QString Crlf = QStringLiteral("\r\n");

// The kind of a routine for servers before 11, which had no prokind.
QString proKindColumn(int dbVersion)
{
    return dbVersion >= 110000
        ? QStringLiteral("Prc.prokind::text")
        : QStringLiteral(
            "CASE WHEN Prc.proisagg THEN 'a' WHEN Prc.proiswindow THEN 'w' ELSE 'f' END");
}

// One row per argument, in order; a routine without arguments gives one row with a NULL
// position. proargtypes lists the input arguments only, proallargtypes every one.
QString argumentSQL(int dbVersion)
{
    return QStringLiteral("SELECT  Prc.proname\n"
                          "      , Prc.prorettype\n"
                          "      , %1 AS prokind\n"
                          "      , Arg.ord\n"
                          "      , Arg.typ\n"
                          "      , COALESCE(Prc.proargmodes[Arg.ord]::text, 'i') AS argmode\n"
                          "      , COALESCE(Prc.proargnames[Arg.ord], '') AS argname\n"
                          "FROM    pg_proc         AS Prc\n"
                          "JOIN    pg_namespace    AS Nms\n"
                          "  ON  Prc.pronamespace  = Nms.oid\n"
                          "LEFT JOIN LATERAL unnest(COALESCE(Prc.proallargtypes,\n"
                          "                                  Prc.proargtypes::oid[]))\n"
                          "          WITH ORDINALITY AS Arg(typ, ord) ON true\n"
                          "WHERE   Nms.nspname   = :OWNER\n"
                          "AND     Prc.proname   = :FNCNM\n"
                          "AND     Prc.oid       = :OIDNO\n"
                          "ORDER BY Arg.ord")
        .arg(proKindColumn(dbVersion));
}

const char *const ArgumentTypesSQL = R"(
SELECT  string_agg(COALESCE(Typ.typname, ''), ',' ORDER BY Arg.ord)
FROM    pg_proc AS Prc
CROSS JOIN LATERAL unnest(COALESCE(Prc.proallargtypes, Prc.proargtypes::oid[]))
        WITH ORDINALITY AS Arg(typ, ord)
LEFT JOIN pg_type AS Typ
  ON  Typ.oid = Arg.typ
WHERE   Prc.oid = :OID)";

// An array is a type with an element type and a variable length: name, point and box have an
// element type too but a fixed length, and are read as themselves.
const char *const TypeSQL = R"(
SELECT  CASE WHEN IsArray THEN Elm.typname ELSE Typ.typname END AS TypNm
      , CASE WHEN IsArray THEN ElmNsp.nspname ELSE TypNsp.nspname END AS NspNm
      , IsArray
      , Typ.typtype::text AS TypType
      , Typ.typrelid
FROM    pg_type AS Typ
JOIN    pg_namespace AS TypNsp
  ON  Typ.typnamespace = TypNsp.oid
CROSS JOIN LATERAL (SELECT Typ.typelem <> 0 AND Typ.typlen = -1 AS IsArray) AS Arr
LEFT JOIN pg_type AS Elm
  ON  Typ.typelem = Elm.oid
LEFT JOIN pg_namespace AS ElmNsp
  ON  Elm.typnamespace = ElmNsp.oid
WHERE   Typ.oid = :OID)";

const char *const TypeItemsSQL = R"(
SELECT  Att.attnum
      , Att.attname
      , Att.atttypid
FROM    pg_attribute AS Att
WHERE   Att.attrelid = :RELID
AND     Att.attnum > 0
AND     NOT Att.attisdropped
ORDER BY Att.attnum)";

pg::Result openCatalog(pg::Connection &connection, const QString &sql,
                       const QList<pg::Param> &values)
{
    pg::Query query(connection);
    query.setSql(sql);
    for (int i = 0; i < values.size(); ++i)
        query.bind(i, values.at(i));
    return query.open();
}

QString modeName(const QString &letter)
{
    if (letter == QLatin1String("i"))
        return QStringLiteral("IN");
    if (letter == QLatin1String("o"))
        return QStringLiteral("OUT");
    if (letter == QLatin1String("b"))
        return QStringLiteral("IN/OUT");
    if (letter == QLatin1String("v"))
        return QStringLiteral("VARIADIC");
    if (letter == QLatin1String("t"))
        return QStringLiteral("TABLE");
    return QString();
}

int markerOf(const QString &mode)
{
    if (mode == QLatin1String("OUT") || mode == QLatin1String("TABLE"))
        return ExecArgOut;
    if (mode == QLatin1String("IN/OUT"))
        return ExecArgInOut;
    return ExecArgIn;
}

// A node of the type's kind: its name, the array mark, and what it is bound as.
TExecArg typedNode(const QString &name, const TExecTypeInfo &type)
{
    TExecArg node;
    node.Name = name;
    node.TypeName = type.IsArray ? type.Name + QStringLiteral("[]") : type.Name;
    node.IsArray = type.IsArray;
    node.TypeOid = type.Pseudo ? pg::type::Unknown : type.Oid;
    return node;
}

// The node of one argument; a composite argument that takes a value gets one child per
// attribute, each bound as its own type.
TExecArg argumentNode(pg::Connection &connection, const QString &name, const QString &mode,
                      pg::Oid typeOid)
{
    const TExecTypeInfo type = ExpandTypeItems(connection, typeOid);
    TExecArg node = typedNode(name, type);
    node.Mode = mode;
    node.Marker = markerOf(mode);
    if (type.HasItems && !type.IsArray && node.Marker != ExecArgOut) {
        node.Composite = true;
        node.RowType = QuoteName(type.Schema) + QLatin1Char('.') + QuoteName(type.Name);
        for (const TItemInfDtl &item : type.Items) {
            TExecArg child = typedNode(item.strItemNm, ExpandTypeItems(connection, item.intOID));
            child.Mode = mode;
            child.Marker = node.Marker;
            node.Children << child;
        }
    }
    return node;
}

TExecArg resultNode(pg::Connection &connection, pg::Oid typeOid)
{
    const TExecTypeInfo type = ExpandTypeItems(connection, typeOid);
    TExecArg node = typedNode(QStringLiteral("RESULT"), type);
    node.Mode = QStringLiteral("OUT");
    node.Marker = ExecArgReturn;
    return node;
}

// The name of an argument: its own, or "$" and its position (from 1) when it has none.
QString argumentName(const QString &name, int position)
{
    return name.isEmpty() ? QStringLiteral("$") + QString::number(position) : name;
}

// Whether the parameter scanner reads the whole name after a bare ":".
bool isBareParamName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        const bool ascii = c.unicode() < 128;
        if (ascii ? !(c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#') : !c.isLetter())
            return false;
    }
    return true;
}

// Writes the parameter markers of the call: each node its own parameter, named after the
// node where that name is free, after its parent and itself, or numbered, so that two
// attributes of one name under two arguments never share a value.
class ParamWriter
{
public:
    explicit ParamWriter(TExecCall &call)
        : m_call(call)
    { }

    QString add(TExecArg &node, const QString &parentName, const pg::Param &value)
    {
        QStringList candidates { node.Name };
        if (!parentName.isEmpty())
            candidates << parentName + QLatin1Char('.') + node.Name;
        QString marker;
        QString key;
        for (const QString &candidate : std::as_const(candidates)) {
            if (tryName(candidate, marker, key))
                break;
        }
        for (int n = 1; key.isEmpty(); ++n)
            tryName(QStringLiteral("%1#%2").arg(node.Name).arg(n), marker, key);
        m_used.insert(key);
        node.ParamIndex = int(m_call.Params.size());
        m_call.Params << key;
        m_call.Values << value;
        return marker;
    }

private:
    bool tryName(const QString &name, QString &marker, QString &key) const
    {
        const bool bare = isBareParamName(name);
        const QString k = bare ? name.toUpper() : name;
        if (m_used.contains(k) || name.contains(u'"'))
            return false;
        marker = QLatin1Char(':') + (bare ? name : QLatin1Char('"') + name + QLatin1Char('"'));
        key = k;
        return true;
    }

    TExecCall &m_call;
    QSet<QString> m_used;
};

// The text an array argument is bound as: the elements typed, in braces; a value already in
// braces as typed; nothing typed as one NULL element.
QString arrayText(const QString &value)
{
    const QString t = value.trimmed();
    if (t.isEmpty())
        return QStringLiteral("{NULL}");
    if (t.startsWith(u'{'))
        return value;
    return QLatin1Char('{') + value + QLatin1Char('}');
}

pg::Param boundValue(const TExecArg &node)
{
    if (node.IsArray)
        return pg::Param(QVariant(arrayText(node.Value)), node.TypeOid);
    if (node.Value.isEmpty())
        return pg::Param::null(node.TypeOid);
    return pg::Param(QVariant(node.Value), node.TypeOid);
}

// The nodes of the tree in display order, with their paths.
void walk(const QList<TExecArg> &nodes, const QStringList &path,
          const std::function<void(const TExecArg &, const QStringList &, bool)> &visit)
{
    for (const TExecArg &node : nodes) {
        const QStringList p = path + QStringList { node.Name };
        visit(node, p, path.isEmpty());
        walk(node.Children, p, visit);
    }
}

} // namespace

QString LoadArgumentTypes(pg::Connection &connection, qint64 oid)
{
    const pg::Result r = openCatalog(connection, QString::fromUtf8(ArgumentTypesSQL),
                                     { pg::Param(QVariant(oid)) });
    return r.rowCount() > 0 && !r.isNull(0, 0) ? r.text(0, 0) : QString();
}

TExecTypeInfo ExpandTypeItems(pg::Connection &connection, pg::Oid oid)
{
    TExecTypeInfo info;
    info.Oid = oid;
    const pg::Result r
        = openCatalog(connection, QString::fromUtf8(TypeSQL), { pg::Param(QVariant(qint64(oid))) });
    if (r.rowCount() == 0)
        return info;
    info.Name = r.text(0, 0);
    info.Schema = r.text(0, 1);
    info.IsArray = r.text(0, 2) == QLatin1String("t");
    info.Pseudo = r.text(0, 3) == QLatin1String("p");
    const qint64 relid = r.text(0, 4).toLongLong();
    if (r.text(0, 3) != QLatin1String("c") || relid == 0 || info.IsArray)
        return info;
    const pg::Result items
        = openCatalog(connection, QString::fromUtf8(TypeItemsSQL), { pg::Param(QVariant(relid)) });
    for (int row = 0; row < items.rowCount(); ++row) {
        info.Items << TItemInfDtl { pg::Oid(items.text(row, 2).toUInt()), items.text(row, 1),
                                    QStringLiteral("c") };
    }
    info.HasItems = !info.Items.isEmpty();
    return info;
}

QString SubProgramListSQL(int dbVersion)
{
    return QStringLiteral(" SELECT") + QStringLiteral(" ele.eltname")
        + QStringLiteral(" , ele.eltdatatype::VARCHAR") + QStringLiteral(" , ele.argtypes::VARCHAR")
        + QStringLiteral(" FROM") + QStringLiteral(" ") + GetPackageElementSubquery()
        + QStringLiteral(" ele") + QStringLiteral(" LEFT JOIN ") + GetPackageSubquery(dbVersion)
        + QStringLiteral(" pkg ON ele.packageoid = pkg.oid")
        + QStringLiteral(" LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid")
        + QStringLiteral(" WHERE 0 = 0") + QStringLiteral(" AND eltclass <> 'V'")
        + QStringLiteral(" AND pkgname = :PKG_NAME")
        + QStringLiteral(" AND nsp.nspname = :SCHEMA_NAME") + QStringLiteral(" ORDER BY")
        + QStringLiteral(" 1");
}

QString PackageArgumentSQL(int dbVersion)
{
    const QString element
        = QStringLiteral(
              " SELECT nsp.nspname , pkg.pkgname , \"edb_pkg_prc\".* FROM ( SELECT oid AS eltoid"
              " , pronamespace AS \"packageoid\" , proname AS \"eltname\" , proaccess AS"
              " \"visibility\" , DECODE(protype,'0','F','1','P' ) AS \"eltclass\" , prorettype AS"
              " \"eltdatatype\" , pronargs AS \"nargs\" , pronargdefaults AS \"argdefnum\" ,"
              " proargtypes AS \"org_argtypes\" , CASE WHEN proallargtypes IS NULL THEN"
              " array_to_string(proargtypes, '%1') ELSE array_to_string(proallargtypes, '%1') END"
              " AS \"argtypes\" , array_to_string(proargmodes, '%1') AS \"argmodes\" ,"
              " array_to_string(proargnames, '%1') AS \"argnames\" FROM pg_proc WHERE"
              " pg_proc.pronamespace IN (SELECT oid FROM pg_namespace WHERE nspparent != 0) ) AS"
              " \"edb_pkg_prc\" LEFT JOIN ")
              .arg(Crlf);
    return element + GetPackageSubquery(dbVersion)
        + QStringLiteral(" pkg ON \"edb_pkg_prc\".packageoid = pkg.oid")
        + QStringLiteral(" LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid")
        + QStringLiteral(" WHERE") + QStringLiteral(" nsp.nspname = :SCHEMA_NAME")
        + QStringLiteral(" AND pkg.pkgname = :PACKAGE_NAME")
        + QStringLiteral(" AND \"edb_pkg_prc\".eltname = :SUB_PROGRAM_NAME")
        + QStringLiteral(" AND \"edb_pkg_prc\".eltdatatype::varchar || ',' ||"
                         " \"edb_pkg_prc\".org_argtypes::varchar = :SUB_PROGRAM_KEY");
}

QList<TExecArgRow> SplitPackageArguments(const QString &types, const QString &modes,
                                         const QString &names)
{
    QList<TExecArgRow> rows;
    if (types.isEmpty())
        return rows;
    const QStringList typeLines = types.split(Crlf);
    const QStringList modeLines = modes.isEmpty() ? QStringList() : modes.split(Crlf);
    const QStringList nameLines = names.isEmpty() ? QStringList() : names.split(Crlf);
    for (int i = 0; i < typeLines.size(); ++i) {
        TExecArgRow row;
        row.Type = pg::Oid(typeLines.at(i).trimmed().toUInt());
        row.Mode = modeLines.isEmpty() ? QStringLiteral("i") : modeLines.value(i);
        row.Name = argumentName(nameLines.value(i), i + 1);
        rows << row;
    }
    return rows;
}

QList<TExecSubProgram> LoadSubPrograms(pg::Connection &connection, int dbVersion,
                                       const QString &schema, const QString &package)
{
    const pg::Result r = openCatalog(connection, SubProgramListSQL(dbVersion), { package, schema });
    QList<TExecSubProgram> out;
    for (int row = 0; row < r.rowCount(); ++row)
        out << TExecSubProgram { r.text(row, 0),
                                 r.text(row, 1) + QLatin1Char(',') + r.text(row, 2) };
    return out;
}

TExecProgram LoadExecProgram(pg::Connection &connection, int dbVersion, const QString &schema,
                             const QString &name, int objType, qint64 oid)
{
    TExecProgram program;
    program.Schema = schema;
    program.Name = name;
    program.ObjType = objType == 54 ? 53 : objType;
    const pg::Result r = openCatalog(connection, argumentSQL(dbVersion),
                                     { schema, name, pg::Param(QVariant(oid)) });
    pg::Oid returnType = 0;
    QList<TExecArgRow> rows;
    for (int row = 0; row < r.rowCount(); ++row) {
        returnType = pg::Oid(r.text(row, 1).toUInt());
        program.ProKind = r.text(row, 2);
        if (r.isNull(row, 3))
            continue;
        rows << TExecArgRow { argumentName(r.text(row, 6), r.text(row, 3).toInt()), r.text(row, 5),
                              pg::Oid(r.text(row, 4).toUInt()) };
    }
    // The catalog knows better than the caller whether the routine is a procedure.
    if (program.ProKind == QLatin1String("p"))
        program.ObjType = 51;
    else if (!program.ProKind.isEmpty() && program.ObjType == 51)
        program.ObjType = 52;
    if (program.ObjType == 52)
        program.Args << resultNode(connection, returnType);
    for (const TExecArgRow &row : std::as_const(rows))
        program.Args << argumentNode(connection, row.Name, modeName(row.Mode), row.Type);
    return program;
}

TExecProgram LoadExecPackageProgram(pg::Connection &connection, int dbVersion,
                                    const QString &schema, const QString &package,
                                    const TExecSubProgram &subProgram)
{
    TExecProgram program;
    program.Schema = schema;
    program.Name = package;
    program.ObjType = 53;
    program.SubProgram = subProgram.Name;
    const pg::Result r = openCatalog(connection, PackageArgumentSQL(dbVersion),
                                     { schema, package, subProgram.Name, subProgram.Key });
    pg::Oid returnType = 0;
    QList<TExecArgRow> rows;
    for (int row = 0; row < r.rowCount(); ++row) {
        const QString eltClass = r.text(row, QStringLiteral("eltclass"));
        if (row == 0)
            program.SubObjType = eltClass == QLatin1String("F") ? 52 : 51;
        returnType = pg::Oid(r.text(row, QStringLiteral("eltdatatype")).toUInt());
        rows = SplitPackageArguments(r.text(row, QStringLiteral("argtypes")),
                                     r.text(row, QStringLiteral("argmodes")),
                                     r.text(row, QStringLiteral("argnames")));
    }
    if (program.SubObjType == 52)
        program.Args << resultNode(connection, returnType);
    for (const TExecArgRow &row : std::as_const(rows))
        program.Args << argumentNode(connection, row.Name, modeName(row.Mode), row.Type);
    return program;
}

TExecCall BuildExecCall(const TExecProgram &program, bool postgresPlus)
{
    TExecCall call;
    call.Args = program.Args;
    const bool procedure = program.CallKind() == 51;
    for (const TExecArg &node : std::as_const(call.Args)) {
        if (node.Marker == ExecArgReturn || node.Marker == ExecArgOut
            || node.Marker == ExecArgInOut)
            call.ReturnsResult = true;
    }
    // The edition's servers run every call as a SELECT, which always gives rows.
    call.ReturnsResult = call.ReturnsResult || postgresPlus;

    QString qualified = QuoteName(program.Schema) + QLatin1Char('.') + QuoteName(program.Name);
    if (program.ObjType == 53)
        qualified += QLatin1Char('.') + QuoteName(program.SubProgram);

    QStringList lines;
    if (!call.Args.isEmpty() && call.Args.first().Marker == ExecArgReturn
        && call.Args.first().IsArray) {
        // A set-returning FROM item names its single column after the routine.
        const QString column = program.ObjType == 53 ? program.SubProgram : program.Name;
        lines << QStringLiteral("SELECT array_to_string(") + QuoteName(column)
                + QStringLiteral(",  ',')")
              << QStringLiteral("  FROM ") + qualified;
    } else if (postgresPlus) {
        lines << QStringLiteral("SELECT * FROM ") + qualified;
    } else if (procedure) {
        lines << QStringLiteral("CALL ") + qualified;
    } else {
        lines << QStringLiteral("SELECT * ") << QStringLiteral("  FROM ") + qualified;
    }

    ParamWriter params(call);
    QStringList args;
    for (TExecArg &node : call.Args) {
        if (node.Marker == ExecArgReturn)
            continue;
        if (node.Marker == ExecArgOut) {
            // A procedure's OUT argument has its place in CALL (from PostgreSQL 14 on it must);
            // a function's is no argument at all.
            if (procedure && !postgresPlus)
                args << QStringLiteral("NULL");
            continue;
        }
        const QString variadic
            = node.Mode == QLatin1String("VARIADIC") ? QStringLiteral("VARIADIC ") : QString();
        if (node.Composite) {
            QStringList items;
            for (TExecArg &child : node.Children)
                items << params.add(child, node.Name, boundValue(child));
            args << variadic + QStringLiteral("ROW(") + items.join(QStringLiteral(", "))
                    + QStringLiteral(")::") + node.RowType;
            continue;
        }
        args << variadic + params.add(node, QString(), boundValue(node));
    }
    lines.last() += QLatin1Char('(') + args.join(QStringLiteral(", ")) + QStringLiteral(");");
    call.Text = lines.join(QStringLiteral("\r\n"));
    return call;
}

pg::Result RunExecCall(pg::Connection &connection, const TExecCall &call)
{
    pg::Query query(connection);
    query.setSql(call.Text);
    for (int i = 0; i < call.Params.size(); ++i)
        query.bind(i, call.Values.at(i));
    if (call.ReturnsResult)
        return query.open();
    query.execute();
    return pg::Result();
}

QString GetNodePath(const QStringList &names)
{
    QString path;
    for (const QString &name : names) {
        const QString part = name.isEmpty() ? QStringLiteral("(i)") : name;
        path = path.isEmpty() ? part : path + QLatin1Char('.') + part;
    }
    return path.replace(QStringLiteral(".(i)"), QStringLiteral("(i)"));
}

QStringList ExecListing(const TExecProgram &program, const TExecCall &call,
                        const pg::Result &result)
{
    QStringList lines { QStringLiteral("【 実行後パラメータ値 】") };
    const bool function = program.CallKind() == 52;
    const bool rows = result.isValid();
    int outputPosition = 0;
    walk(call.Args, {}, [&](const TExecArg &node, const QStringList &path, bool topLevel) {
        QString value;
        if (topLevel && node.Marker == ExecArgReturn) {
            if (!function)
                return;
            for (int row = 0; rows && row < result.rowCount(); ++row) {
                for (int column = 0; column < result.columnCount(); ++column) {
                    const QString field = result.text(row, column);
                    value = value.isEmpty() ? field : value + QLatin1Char('\t') + field;
                }
            }
        } else if (topLevel && (node.Marker == ExecArgOut || node.Marker == ExecArgInOut)) {
            // The result's columns are the output arguments in order; an unnamed one has a
            // column name of the server's choosing.
            const int position = outputPosition++;
            if (rows && result.rowCount() > 0) {
                int column = result.columnIndex(node.Name);
                if (column < 0 && position < result.columnCount())
                    column = position;
                if (column >= 0)
                    value = result.text(0, column);
            }
        } else if (node.Composite) {
            return;
        } else if (node.ParamIndex >= 0) {
            const QVariant bound = call.Values.at(node.ParamIndex).value;
            value = bound.isNull() ? QString() : bound.toString();
        } else {
            value = node.Value;
        }
        lines << GetNodePath(path) + QStringLiteral(" : ") + value;
    });
    return lines;
}

QString ExecRefusal(const TExecProgram &program)
{
    if (program.ObjType == 128 || program.ProKind == QLatin1String("a"))
        return QStringLiteral("集約関数は実行できません。");
    return QString();
}
