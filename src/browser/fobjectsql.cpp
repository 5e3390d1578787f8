#include "fobjectsql.h"

#include "core/qvobjsql.h"
#include "core/qvobjtype.h"
#include "core/qvtypetext.h"
#include "platform/pg/connection.h"

#include <array>

namespace fobjectsql {

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

} // namespace fobjectsql

TServerFacts ServerFactsFromBanner(const QString &banner)
{
    TServerFacts facts;
    facts.DBVer = pg::versionNumberFromBanner(banner);
    facts.g_bPostgresPlus = banner.contains(QLatin1String("EnterpriseDB"), Qt::CaseInsensitive);
    facts.g_Linux_Ver = banner.contains(QLatin1String("linux"), Qt::CaseSensitive);
    return facts;
}

QString GetObjectSQL(const QString &schema, const QString &objectType, int dbVersion,
                     bool postgresPlus)
{
    using namespace fobjectsql;
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

QString ChooseLogonSchema(const QString &schema, const QStringList &schemas)
{
    if (schemas.isEmpty() || schemas.contains(schema, Qt::CaseSensitive))
        return schema;
    return schemas.first();
}

bool IsLoginTimeout(const QString &message, qint64 elapsedMs, int timeoutSeconds)
{
    // The client library words it in the language of the user's locale.
    if (message.contains(QLatin1String("timeout")) && message.contains(QLatin1String("expired")))
        return true;
    if (message.contains(QStringLiteral("タイムアウト")))
        return true;
    // libpq waits at least two seconds; a little less than the whole time is the time-out
    constexpr qint64 slackMs = 250;
    return timeoutSeconds > 0 && elapsedMs >= qMax(timeoutSeconds, 2) * 1000 - slackMs;
}
