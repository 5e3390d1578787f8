#include "qvconnsql.h"

#include "qvobjsql.h"
#include "qvobjtype.h"

#include <array>

namespace qvconnsql {

// The name list of one object kind: the code whose catalog joins it reads, and the columns it
// selects, orders and filters by (aliases of those joins).
struct NameListColumns
{
    int code; // the kind's own code
    int listCode; // the code handed to GetObjectListSQL
    bool editionFilter; // the edition's own conditions apply (procedures and functions)
    const char *nameColumn;
    const char *schemaColumn;
};

constexpr std::array<NameListColumns, 11> nameLists { {
    { ObjType::Table, ObjType::Table, false, "TblInf.relname", "TblNsp.nspname" },
    { ObjType::View, ObjType::View, false, "TblInf.relname", "TblNsp.nspname" },
    { ObjType::Procedure, ObjType::Procedure, true, "Prc.proname", "Nms.nspname" },
    { ObjType::Function, ObjType::Function, true, "Prc.proname", "Nms.nspname" },
    // every package of the schema, also one without a body yet
    { ObjType::PackageBody, ObjType::Package, false, "pac.pkgname", "Nms.nspname" },
    { ObjType::Type, ObjType::Type, false, "t.typname", "n.nspname" },
    { ObjType::Sequence, ObjType::Sequence, false, "c.relname", "n.nspname" },
    { ObjType::Synonym, ObjType::Synonym, false, "Syn.synname", "Nms.nspname" },
    { ObjType::MaterializedView, ObjType::MaterializedView, false, "TblInf.relname",
      "TblNsp.nspname" },
    // the link list joins the schema as Nsp
    { ObjType::DatabaseLink, ObjType::DatabaseLink, false, "Lnk.lnkname", "Nsp.nspname" },
    { ObjType::Aggregate, ObjType::Aggregate, false, "Prc.proname", "Nms.nspname" },
} };

} // namespace qvconnsql

QString GetUserSQL()
{
    return QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = True ORDER BY 1");
}

QString GetRoleSQL()
{
    return QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = False ORDER BY 1");
}

QString GetTBSSQL()
{
    return QStringLiteral("SELECT spcname FROM pg_tablespace ORDER BY 1");
}

QString GetDBLinkSQL()
{
    return QStringLiteral("select lnkname from edb_dblink order by 1");
}

QString GetObjectSQL(const QString &schema, const QString &objectType, int dbVersion,
                     bool postgresPlus)
{
    using namespace qvconnsql;
    const QString kind = objectType.trimmed();
    if (kind.isEmpty())
        throw ObjectKindError("オブジェクトの種類が指定されていません。");
    const int code = GetObjectTypeCode(kind);
    const NameListColumns *columns = nullptr;
    for (const NameListColumns &candidate : nameLists) {
        if (candidate.code == code)
            columns = &candidate;
    }
    if (!columns) {
        throw ObjectKindError(QStringLiteral("オブジェクトの種類「%1」の名前一覧は取得できません。")
                                  .arg(kind)
                                  .toStdString());
    }
    QString from;
    QString where;
    GetObjectListSQL(columns->listCode, from, where, dbVersion,
                     columns->editionFilter && postgresPlus);
    from = from.trimmed();
    where = where.trimmed();
    if (!schema.trimmed().isEmpty()) {
        const QString condition
            = QLatin1String(columns->schemaColumn) + QLatin1String(" = :SCHEMA");
        where += where.isEmpty() ? QStringLiteral("WHERE ") + condition
                                 : QStringLiteral(" AND   ") + condition;
    }
    QString sql = QStringLiteral(" SELECT  ") + QLatin1String(columns->nameColumn);
    sql += u' ' + from;
    if (!where.isEmpty())
        sql += u' ' + where;
    sql += QStringLiteral(" ORDER BY      ") + QLatin1String(columns->nameColumn);
    return sql;
}

QString GetSchemaInfoSQL(bool objList, int dbVersion, bool postgresPlus)
{
    QString sql;
    if (objList) {
        sql = QStringLiteral(
            " SELECT DISTINCT CASE WHEN nspname LIKE 'pg#_temp%' escape '#' THEN 'pg_temp'"
            " WHEN nspname LIKE 'pg#_toast#_temp%' escape '#' THEN 'pg_toast_temp'"
            " ELSE nspname END AS \"schema_name\""
            " FROM pg_namespace"
            " WHERE (NOT(nspname LIKE 'pg#_%' escape '#')"
            " OR (nspname = 'pg_catalog')"
            " OR (nspname LIKE 'pg#_temp%' escape '#')"
            " OR (nspname LIKE 'pg#_toast' escape '#')"
            " OR (nspname LIKE 'pg#_toast#_temp%' escape '#'))");
    } else {
        sql = QStringLiteral(" SELECT nspname AS \"schema_name\" FROM pg_namespace WHERE ("
                             " NOT(nspname LIKE 'pg#_%' escape '#') OR nspname = 'pg_catalog' )");
    }
    if (postgresPlus) {
        sql += dbVersion < 90200
            ? QStringLiteral(" AND ( NOT(nspparent != 0)  )")
            : QStringLiteral(" AND ( NOT((nspparent != 0) AND (nspobjecttype = 0)) )");
    }
    sql += QStringLiteral(" ORDER BY 1");
    return sql;
}
