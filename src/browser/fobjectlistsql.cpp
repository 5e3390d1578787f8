#include "fobjectlistsql.h"

#include "core/qvname.h"
#include "core/qvobjsql.h"
#include "core/qvobjtype.h"
#include "core/qvstr.h"
#include "platform/pg/result.h"

#include <QLocale>

namespace fobjectlistsql {

constexpr int versionSequenceView = 100000; // pg_sequences
constexpr int versionMaterializedView = 90300;
constexpr int versionAggregate = 90400;
constexpr int versionProcedure = 110000;

// The argument types of a routine, one OID per line, and its argument modes (empty when every
// argument is IN).
constexpr char argumentTypes[]
    = "CASE   WHEN Prc.proallargtypes IS NULL     THEN  array_to_string(Prc.proargtypes, "
      "'\r\n')   ELSE    array_to_string(Prc.proallargtypes, '\r\n') END";
constexpr char argumentModes[] = "CASE   WHEN Prc.proargmodes IS NULL     THEN  ''   ELSE    "
                                 "array_to_string(Prc.proargmodes, '\r\n') END";

bool isRoutine(int code)
{
    return code == ObjType::Function || code == ObjType::Procedure || code == ObjType::Aggregate;
}

QString lit(const char *kind)
{
    return QLatin1Char('\'') + QLatin1String(kind) + QLatin1Char('\'');
}

// The default tablespace of the database for relations without one of their own.
QString defaultTablespace(const char *alias, const QString &dbName)
{
    const QString a = QLatin1String(alias);
    return QStringLiteral("(SELECT %1.spcname FROM pg_database D LEFT JOIN pg_tablespace %1 ON "
                          "D.dattablespace = %1.oid WHERE D.datname = %2)")
        .arg(a, QuoteLiteral(dbName));
}

QString routineDetail(const char *kind)
{
    return QStringLiteral("SELECT %1, Prc.proname, Nms.nspname, %1, Prc.oid, %2 AS AryType, "
                          "Typ.typname, TblRol.rolname AS OWNER, ObjCom.description AS Comment, "
                          "NULL, Prc.oid, NULL, NULL, NULL, %3 AS AryMode ")
        .arg(lit(kind), QLatin1String(argumentTypes), QLatin1String(argumentModes));
}

QString routineShort(const char *kind)
{
    return QStringLiteral("SELECT %1, Prc.proname, Nms.nspname, %1, %2 AS AryType, Typ.typname, "
                          "TblRol.rolname AS OWNER, ObjCom.description AS "
                          "Comment, NULL , NULL , Prc.oid, NULL , NULL , NULL , %3 AS AryMode ")
        .arg(lit(kind), QLatin1String(argumentTypes), QLatin1String(argumentModes));
}

// One member of the mixed list: the sixteen fields in their fixed order.
struct Member
{
    const char *name;
    const char *schema;
    const char *oid;
    const char *tableName;
    const char *argument;
    const char *returnValue;
    const char *comment;
    const char *openOid; // the OID of the kinds opened by OID, 0 for the others
    const char *typeKind;
    const char *argTable; // the table of a trigger, rule or constraint
    const char *dropArgument; // the argument modes of routines
};

QString memberSql(const char *kind, const Member &m)
{
    auto f = [](const char *expression) { return QLatin1String(expression); };
    return QStringLiteral("SELECT %1 AS OBJECT_TYPE, %2 AS OBJECT_NAME, %3 AS OBJECT_SCHEMA, "
                          "%1 AS OBJECT_TYPE, %4 AS OBJECT_OID, %5 AS TABLE_NAME, %6 AS ARGUMENT, "
                          "%7 AS RETURN_VALUE, TblRol.rolname AS OWNER, %8 AS COMMENTS, "
                          "%9 AS OBJECT_OID, %10 AS TYPE_KIND, NULL AS DUMMY_COL1, "
                          "%11 AS ARG_TBLNAME, %12 AS DEL_ARGUMENT, %10 AS TYPE_KIND ")
        .arg(lit(kind), f(m.name), f(m.schema), f(m.oid), f(m.tableName), f(m.argument),
             f(m.returnValue), f(m.comment), f(m.openOid), f(m.typeKind), f(m.argTable),
             f(m.dropArgument));
}

Member routineMember()
{
    return { "Prc.proname",        "Nms.nspname", "Prc.oid", "NULL", argumentTypes, "Typ.typname",
             "ObjCom.description", "Prc.oid",     "NULL",    "NULL", argumentModes };
}

Member relationMember(const char *comment = "ObjCom.description")
{
    return { "TblInf.relname", "TblNsp.nspname", "TblInf.oid", "NULL", "NULL", "NULL", comment, "0",
             "NULL",           "NULL",           "NULL" };
}

QString selectList(int code, TObjectListForm form, const TObjectListFilter &filter)
{
    using T = TObjectListForm;
    switch (code) {
    case ObjType::Table:
        if (form == T::Detail)
            return QStringLiteral(
                       "SELECT 'TABLE' AS OBJECT_TYPE, TblInf.relname AS TABLE_NAME, "
                       "TblNsp.nspname AS TABLE_SCHEMA, 'TABLE' AS OBJECT_TYPE, TblInf.oid AS "
                       "TABLE_OID, COALESCE(TblSpe.spcname, %1)  AS TBS_NAME, "
                       "(CAST(TblInf.relpages AS NUMERIC) * CAST(8192 AS NUMERIC)) as USE_SIZE, "
                       "CASE TblInf.relhasindex    WHEN 'TRUE' THEN '○' ELSE '－' END AS "
                       "TABLE_INDEX, "
                       "CASE TblInf.relhastriggers WHEN 'TRUE' THEN '○' ELSE '－' END AS "
                       "TABLE_TRIGGER, "
                       "CASE TblInf.relhasrules    WHEN 'TRUE' THEN '○' ELSE '－' END AS "
                       "TABLE_RULES, "
                       "CASE TblInf.relhassubclass WHEN 'TRUE' THEN '○' ELSE '－' END AS "
                       "TABLE_INHERITANCE, "
                       "TblRol.rolname AS OWNER, ObjCom.description AS "
                       "COMMENTS ")
                .arg(defaultTablespace("TblSpe", filter.dbName));
        if (form == T::Short)
            return QStringLiteral(
                "SELECT 'TABLE' AS OBJECT_TYPE, TblInf.relname AS TABLE_NAME, TblNsp.nspname AS "
                "TABLE_SCHEMA, 'TABLE' AS OBJECT_TYPE, TblRol.rolname AS OWNER, "
                "ObjCom.description AS COMMENTS ");
        return memberSql("TABLE", relationMember());
    case ObjType::Index:
        if (form == T::Detail)
            return QStringLiteral(
                       "SELECT 'INDEX' AS OBJECT_TYPE, C.relname AS INDEX_NAME, N.nspname AS "
                       "INDEX_SCHEMA, 'INDEX' AS OBJECT_TYPE, C.oid AS INDEX_OID, "
                       "COALESCE(T.spcname , %1)  AS tblsp_name, "
                       "(CAST(C.relpages AS NUMERIC) * CAST(8192 AS NUMERIC)) as USE_SIZE, "
                       "C2.relname AS TABLE_NAME, N2.nspname AS TABLE_SCHEMA, TblRol.rolname AS "
                       "OWNER, D.description AS COMMENTS ")
                .arg(defaultTablespace("T", filter.dbName));
        if (form == T::Short)
            return QStringLiteral(
                "SELECT 'INDEX' AS OBJECT_TYPE, C.relname AS INDEX_NAME, N.nspname AS "
                "INDEX_SCHEMA, 'INDEX' AS OBJECT_TYPE, TblRol.rolname AS OWNER, D.description "
                "AS COMMENTS ");
        return memberSql("INDEX",
                         { "C.relname", "N.nspname", "C.oid", "NULL", "NULL", "NULL",
                           "D.description", "0", "NULL", "NULL", "NULL" });
    case ObjType::View:
    case ObjType::MaterializedView: {
        const char *kind = code == ObjType::View ? "VIEW" : "MATERIALIZED VIEW";
        if (form == T::Detail)
            return QStringLiteral("SELECT %1 AS OBJECT_TYPE, TblInf.relname AS TABLE_NAME, "
                                  "TblNsp.nspname AS TABLE_SCHEMA, %1 AS OBJECT_TYPE, TblInf.oid "
                                  "AS TABLE_OID, TblRol.rolname AS OWNER, "
                                  "ObjCom.description AS COMMENTS ")
                .arg(lit(kind));
        if (form == T::Short)
            return QStringLiteral("SELECT %1 AS OBJECT_TYPE, TblInf.relname AS TABLE_NAME, "
                                  "TblNsp.nspname AS TABLE_SCHEMA, %1 AS OBJECT_TYPE, "
                                  "TblRol.rolname AS OWNER, ObjCom.description AS COMMENTS ")
                .arg(lit(kind));
        return memberSql(kind, relationMember());
    }
    case ObjType::Function:
    case ObjType::Procedure:
    case ObjType::Aggregate: {
        const char *kind = code == ObjType::Function ? "FUNCTION"
            : code == ObjType::Procedure             ? "PROCEDURE"
                                                     : "AGGREGATE";
        if (form == T::Detail)
            return routineDetail(kind);
        if (form == T::Short)
            return routineShort(kind);
        return memberSql(kind, routineMember());
    }
    case ObjType::Package:
        if (form == T::Detail)
            return QStringLiteral(
                "SELECT 'PACKAGE' AS \"OBJ_TYPE\", pac.pkgname AS \"OBJ_NAME\", Nms.nspname AS "
                "\"OBJ_SCHEMA_NAME\", 'PACKAGE' AS \"OBJ_TYPE_NAME\", pac.oid::int8, "
                "TblRol.rolname AS \"OWNER_NAME\", ObjCom.description AS "
                "\"COMMENT\" ");
        if (form == T::Short)
            return QStringLiteral("SELECT 'PACKAGE'      AS OBJECT_TYPE, pac.pkgname      AS "
                                  "PACKAGE_NAME, Nms.nspname      AS PACKAGE_SCHEMA, 'PACKAGE'   "
                                  "   AS OBJECT_TYPE, TblRol.rolname   AS OWNER, "
                                  "ObjCom.description AS COMMENTS ");
        return memberSql("PACKAGE",
                         { "pac.pkgname", "Nms.nspname", "pac.oid::int8", "NULL", "NULL", "NULL",
                           "ObjCom.description", "pac.oid::int8", "NULL", "NULL", "NULL" });
    case ObjType::Type:
        if (form == T::Detail)
            return QStringLiteral("SELECT 'TYPE', T.typname, N.nspname, 'TYPE', T.oid, "
                                  "T.typtype, TblRol.rolname AS OWNER, ObjCom.description AS "
                                  "Comment, NULL,  NULL,  T.oid, NULL,  NULL,  "
                                  "NULL,  NULL,  T.typtype ");
        if (form == T::Short)
            return QStringLiteral("SELECT 'TYPE', T.typname, N.nspname, 'TYPE', TblRol.rolname "
                                  "AS OWNER, ObjCom.description AS Comment, NULL,  "
                                  "NULL,  NULL,  NULL,  T.oid, NULL,  NULL,  NULL,  NULL,  "
                                  "T.typtype ");
        return memberSql("TYPE",
                         { "T.typname", "N.nspname", "T.oid", "NULL", "NULL", "NULL",
                           "ObjCom.description", "T.oid", "T.typtype::text", "NULL", "NULL" });
    case ObjType::Trigger:
        // Timing and events are read from tgtype (ObjectListSubItems decodes them), never from
        // the definition text, where a trigger or function name can hold the same words.
        if (form == T::Detail)
            return QStringLiteral(
                "SELECT 'TRIGGER', TrgInf.tgname, Nms.nspname, 'TRIGGER', TrgInf.oid, "
                "TblInf.relname, Nms.nspname, TrgInf.tgtype AS TrgTim, TrgInf.tgtype AS TrgEve, "
                "FncNms.nspname, FncInf.proname, TblRol.rolname AS OWNER, TrgCom.description, "
                "TblInf.relname ");
        if (form == T::Short)
            return QStringLiteral(
                "SELECT 'TRIGGER', TrgInf.tgname, Nms.nspname, 'TRIGGER', TblInf.relname, "
                "TblRol.rolname AS OWNER, TrgCom.description, NULL, NULL, NULL, NULL, NULL, "
                "NULL, TblInf.relname ");
        return memberSql("TRIGGER",
                         { "TrgInf.tgname", "Nms.nspname", "TrgInf.oid", "TblInf.relname", "NULL",
                           "NULL", "TrgCom.description", "0", "NULL", "TblInf.relname", "NULL" });
    case ObjType::Rule:
        if (form == T::Detail)
            return QStringLiteral(
                " SELECT 'RULE', r.rulename, ns.nspname, 'RULE', r.oid, c.relname, ns.nspname, "
                "CASE ev_type WHEN '1' THEN 'SELECT' WHEN '2' THEN 'UPDATE' WHEN '3' THEN "
                "'INSERT' WHEN '4' THEN 'DELETE' ELSE '(Unknown)' END AS ev_typename, CASE "
                "is_instead WHEN true THEN 'INSTEAD' ELSE 'ALSO' END AS ev_action, CASE "
                "ev_enabled WHEN 'O' THEN 'Origin' WHEN 'D' THEN 'Disable' WHEN 'R' THEN "
                "'Replica' WHEN 'A' THEN 'Always' ELSE '(Unknown)' END AS "
                "ev_enabledname,TblRol.rolname AS OWNER,  cm.description, NULL,  c.relname ");
        if (form == T::Short)
            return QStringLiteral(" SELECT 'RULE', r.rulename, ns.nspname, 'RULE', "
                                  "c.relname,TblRol.rolname AS OWNER,  cm.description, NULL, "
                                  "NULL, NULL, NULL, NULL, NULL, c.relname ");
        return QLatin1Char(' ')
            + memberSql("RULE",
                        { "r.rulename", "ns.nspname", "r.oid", "c.relname", "NULL", "NULL",
                          "cm.description", "0", "NULL", "c.relname", "NULL" });
    case ObjType::Sequence:
        if (form == T::Detail) {
            // The six values come with the list from pg_sequences (joined by the FROM text);
            // a sequence the view does not show (another session's temporary one) gets six
            // empty values.
            if (filter.dbVer >= versionSequenceView)
                return QStringLiteral(
                    "SELECT 'SEQUENCE', C.relname, N.nspname, 'SEQUENCE', C.oid, "
                    "Seq.last_value AS LAST_VALUE , Seq.min_value AS MIN, Seq.max_value AS MAX, "
                    "Seq.increment_by AS INQ, CASE WHEN Seq.sequencename IS NULL THEN NULL WHEN "
                    "Seq.cycle THEN 'YES' ELSE 'NO' END AS CYCLE, Seq.cache_size AS CHACH, "
                    "TblRol.rolname AS OWNER, ObjCom.description AS Comment ");
            return QStringLiteral("SELECT 'SEQUENCE', C.relname, N.nspname, 'SEQUENCE', C.oid, "
                                  "'' AS LAST_VALUE , '' AS MIN, '' AS MAX, '' AS INQ, '' AS "
                                  "CYCLE, '' AS CHACH, TblRol.rolname AS OWNER, "
                                  "ObjCom.description AS Comment ");
        }
        if (form == T::Short)
            return QStringLiteral("SELECT 'SEQUENCE', C.relname, N.nspname, 'SEQUENCE', "
                                  "TblRol.rolname AS OWNER, ObjCom.description "
                                  "AS Comment ");
        return memberSql("SEQUENCE",
                         { "C.relname", "N.nspname", "C.oid", "NULL", "NULL", "NULL",
                           "ObjCom.description", "0", "NULL", "NULL", "NULL" });
    case ObjType::Synonym:
        if (form == T::Detail)
            return QStringLiteral(
                "SELECT 'SYNONYM'      AS OBJECT_TYPE, Syn.synname      AS SYNONYM_NAME, "
                "Nms.nspname      AS SYNONYM_SCHEMA, 'SYNONYM'      AS OBJECT_TYPE, Syn.oid   "
                "       AS TABLE_OID, Syn.synobjname   AS TABLE_NAME, Syn.synobjschema AS "
                "TABLE_SCHEMA, Syn.synlink      AS DBLINK, TblRol.rolname   AS OWNER, "
                "ObjCom.description AS COMMENTS ");
        if (form == T::Short)
            return QStringLiteral(
                "SELECT 'SYNONYM'      AS OBJECT_TYPE, Syn.synname      AS SYNONYM_NAME, "
                "Nms.nspname      AS SYNONYM_SCHEMA, 'SYNONYM'      AS OBJECT_TYPE, "
                "Syn.synobjname   AS TABLE_NAME, TblRol.rolname   AS OWNER, "
                "ObjCom.description AS COMMENTS ");
        return memberSql("SYNONYM",
                         { "Syn.synname", "Nms.nspname", "Syn.oid", "Syn.synobjname", "NULL",
                           "NULL", "ObjCom.description", "0", "NULL", "NULL", "NULL" });
    case ObjType::Constraint:
        if (form == T::Detail)
            return QStringLiteral(
                "SELECT 'CONSTRAINT',           ConInf.conname,           ConNsp.nspname,     "
                "      'CONSTRAINT',           ConInf.oid,               UPPER(ConInf.contype) "
                ",   TblInf.relname,           TblNsp.nspname,           TblRol.rolname AS "
                "OWNER,  ObjCom.description AS Comment, NULL,          "
                "           NULL,                     NULL,                     TblInf.relname, "
                "          ObjCom.description AS Comment ");
        if (form == T::Short)
            return QStringLiteral(
                "SELECT 'CONSTRAINT', ConInf.conname, ConNsp.nspname, 'CONSTRAINT', "
                "UPPER(ConInf.contype), TblInf.relname, TblRol.rolname AS OWNER, "
                "ObjCom.description AS Comment, NULL, NULL, NULL, "
                "NULL, NULL, TblInf.relname ");
        return memberSql("CONSTRAINT",
                         { "ConInf.conname", "ConNsp.nspname", "ConInf.oid", "TblInf.relname",
                           "NULL", "NULL", "ObjCom.description", "0", "NULL", "TblInf.relname",
                           "NULL" });
    default:
        return QString();
    }
}

// The comment of each listed object, joined once for the whole list as ObjCom (a comment function
// per row costs the server a query of its own for every row). Indexes, triggers and rules join
// their comments in their own FROM text.
QString commentJoin(int code)
{
    const char *oid = nullptr;
    const char *catalog = "pg_class";
    switch (code) {
    case ObjType::Table:
    case ObjType::View:
    case ObjType::MaterializedView:
        oid = "TblInf.oid";
        break;
    case ObjType::Sequence:
        oid = "C.oid";
        break;
    case ObjType::Synonym:
        oid = "Syn.oid";
        break;
    case ObjType::Function:
    case ObjType::Procedure:
    case ObjType::Aggregate:
        oid = "Prc.oid";
        catalog = "pg_proc";
        break;
    case ObjType::Package:
        oid = "pac.oid";
        catalog = "pg_namespace";
        break;
    case ObjType::Type:
        oid = "T.oid";
        catalog = "pg_type";
        break;
    case ObjType::Constraint:
        oid = "ConInf.oid";
        catalog = "pg_constraint";
        break;
    default:
        return QString();
    }
    return QStringLiteral(" LEFT JOIN pg_description AS ObjCom  ON  ObjCom.objoid = %1  AND "
                          "ObjCom.classoid = 'pg_catalog.%2'::regclass  AND ObjCom.objsubid = 0")
        .arg(QLatin1String(oid), QLatin1String(catalog));
}

// The schema and name columns of each kind's joins.
struct FilterColumns
{
    const char *schema;
    const char *name;
};

FilterColumns filterColumns(int code)
{
    switch (code) {
    case ObjType::Table:
    case ObjType::View:
    case ObjType::MaterializedView:
        return { "TblNsp.nspname", "TblInf.relname" };
    case ObjType::Index:
    case ObjType::Sequence:
        return { "N.nspname", "C.relname" };
    case ObjType::Procedure:
    case ObjType::Function:
    case ObjType::Aggregate:
        return { "Nms.nspname", "Prc.proname" };
    case ObjType::Package:
        return { "Nms.nspname", "pac.pkgname" };
    case ObjType::Synonym:
        return { "Nms.nspname", "Syn.synname" };
    case ObjType::Type:
        return { "N.nspname", "T.typname" };
    case ObjType::Rule:
        return { "ns.nspname", "r.rulename" };
    case ObjType::Constraint:
        return { "ConNsp.nspname", "ConInf.conname" };
    case ObjType::Trigger:
        // the schema of the trigger's table (or view)
        return { "Nms.nspname", "TrgInf.tgname" };
    default:
        return { nullptr, nullptr };
    }
}

// The members of the mixed list in their order, as the server has them.
QList<int> mixedMembers(int dbVer, bool postgresPlus)
{
    QList<int> codes { ObjType::Table, ObjType::Index, ObjType::View, ObjType::Function };
    if (postgresPlus || dbVer >= versionProcedure)
        codes << ObjType::Procedure;
    if (postgresPlus)
        codes << ObjType::Package;
    codes << ObjType::Type << ObjType::Trigger << ObjType::Rule << ObjType::Sequence;
    if (postgresPlus)
        codes << ObjType::Synonym;
    codes << ObjType::Constraint;
    if (dbVer >= versionMaterializedView)
        codes << ObjType::MaterializedView;
    if (dbVer >= versionAggregate)
        codes << ObjType::Aggregate;
    return codes;
}

QString typeText(quint32 oid, const TObjectListTypes &types, const QString &defaultSchema,
                 bool quoted)
{
    const auto found = types.constFind(oid);
    if (found == types.cend())
        return QString::number(oid);
    const TObjectListType &type = *found;
    const bool bare = type.schema == QLatin1String("pg_catalog") || type.schema == defaultSchema;
    if (!quoted)
        return bare ? type.name : type.schema + QLatin1Char('.') + type.name;
    return bare ? QuoteName(type.name)
                : QuoteName(type.schema) + QLatin1Char('.') + QuoteName(type.name);
}

QStringList lines(const QString &text)
{
    if (text.isEmpty())
        return {};
    return text.split(QStringLiteral("\r\n"));
}

} // namespace fobjectlistsql

using namespace fobjectlistsql;

const QStringList &ObjectListKinds()
{
    static const QStringList kinds {
        QStringLiteral("TABLE"),      QStringLiteral("INDEX"),
        QStringLiteral("VIEW"),       QStringLiteral("FUNCTION"),
        QStringLiteral("TYPE"),       QStringLiteral("TRIGGER"),
        QStringLiteral("RULE"),       QStringLiteral("SEQUENCE"),
        QStringLiteral("CONSTRAINT"), QStringLiteral("MATERIALIZED VIEW"),
        QStringLiteral("AGGREGATE"),  QStringLiteral("PROCEDURE"),
        QStringLiteral("PACKAGE"),    QStringLiteral("SYNONYM"),
    };
    return kinds;
}

TObjectListForm ObjectListFormOf(const QString &kind, bool treeData)
{
    if (!ObjectListKinds().contains(kind))
        return TObjectListForm::Mixed;
    return treeData ? TObjectListForm::Detail : TObjectListForm::Short;
}

QString ObjectListSchemaCondition(const QString &schema, int disp,
                                  const QStringList &displaySchemas)
{
    if (schema == QLatin1String("pg_temp") || schema == QLatin1String("pg_toast_temp"))
        return QStringLiteral("LIKE ") + QuoteLiteral(schema + QLatin1Char('%'));
    if (schema == QLatin1String("%")) {
        if (disp == 2 && !displaySchemas.isEmpty()) {
            QStringList quoted;
            for (const QString &name : displaySchemas)
                quoted << QuoteLiteral(name);
            return QStringLiteral("IN (") + quoted.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        return QStringLiteral("LIKE '%'");
    }
    return QStringLiteral("= ") + QuoteLiteral(schema);
}

QString ObjectListNamePattern(const QString &searchText, bool findAuto)
{
    const QString text = searchText.trimmed();
    if (findAuto && !text.contains(QLatin1Char('%')))
        return QLatin1Char('%') + text + QLatin1Char('%');
    return text;
}

QString ObjectListFormSQL(int code, TObjectListForm form, const TObjectListFilter &filter)
{
    const QString select = selectList(code, form, filter);
    if (select.isEmpty())
        return QString();
    QString from, where;
    const bool edition
        = (code == ObjType::Function || code == ObjType::Procedure) && filter.postgresPlus;
    GetObjectListSQL(code, from, where, filter.dbVer, edition);
    from += commentJoin(code);
    if (code == ObjType::Sequence && form == TObjectListForm::Detail
        && filter.dbVer >= versionSequenceView)
        from += QStringLiteral(" LEFT JOIN pg_sequences     AS Seq"
                               "  ON  Seq.schemaname      =  N.nspname"
                               "  AND Seq.sequencename    =  C.relname");
    const FilterColumns columns = filterColumns(code);
    QString extended = where;
    extended += where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND   ");
    extended += QLatin1String(columns.schema) + QLatin1Char(' ') + filter.schemaCondition;
    extended += QStringLiteral(" AND   ") + QLatin1String(columns.name) + QStringLiteral(" LIKE ")
        + QuoteLiteral(filter.namePattern);
    return select + from + QLatin1Char(' ') + extended;
}

QStringList ObjectListSQL(const QString &kind, bool treeData, const TObjectListFilter &filter)
{
    if (kind == QLatin1String("%")) {
        QStringList sql;
        for (const int code : mixedMembers(filter.dbVer, filter.postgresPlus)) {
            if (!sql.isEmpty())
                sql << QStringLiteral("UNION ALL");
            sql << ObjectListFormSQL(code, TObjectListForm::Mixed, filter);
        }
        return sql;
    }
    if (!ObjectListKinds().contains(kind))
        return {};
    return { ObjectListFormSQL(GetObjectTypeCode(kind), ObjectListFormOf(kind, treeData), filter) };
}

QList<TObjectListColumn> ObjectListColumns(const QString &kind, bool treeData)
{
    const Qt::Alignment right = Qt::AlignRight;
    const Qt::Alignment centre = Qt::AlignHCenter;
    const QString owner = QStringLiteral("作成者");
    const QString comment = QStringLiteral("コメント");
    const QString tableName = QStringLiteral("テーブル名");
    const QString tableSchema = QStringLiteral("テーブルスキーマ");
    const QString tablespace = QStringLiteral("テーブルスペース");
    const QString size = QStringLiteral("サイズ(KB)");
    QList<TObjectListColumn> columns { { QStringLiteral("オブジェクト名"), 200 },
                                       { QStringLiteral("スキーマ"), 100 },
                                       { QStringLiteral("タイプ"), 140 } };
    const int code = GetObjectTypeCode(kind);
    if (ObjectListFormOf(kind, treeData) == TObjectListForm::Detail) {
        columns << TObjectListColumn { QStringLiteral("OID"), 100, right };
        switch (code) {
        case ObjType::Table:
            columns << TObjectListColumn { tablespace, 140 }
                    << TObjectListColumn { size, 140, right }
                    << TObjectListColumn { QStringLiteral("インデックス"), 100, centre }
                    << TObjectListColumn { QStringLiteral("トリガー"), 80, centre }
                    << TObjectListColumn { QStringLiteral("ルール"), 80, centre }
                    << TObjectListColumn { QStringLiteral("継承"), 80, centre }
                    << TObjectListColumn { owner, 100 } << TObjectListColumn { comment, 200 };
            break;
        case ObjType::Index:
            columns << TObjectListColumn { tablespace, 140 }
                    << TObjectListColumn { size, 120, right }
                    << TObjectListColumn { tableName, 140 }
                    << TObjectListColumn { tableSchema, 140 } << TObjectListColumn { owner, 100 }
                    << TObjectListColumn { comment, 200 };
            break;
        case ObjType::Function:
        case ObjType::Procedure:
        case ObjType::Aggregate:
            columns << TObjectListColumn { QStringLiteral("引数"), 100 }
                    << TObjectListColumn { QStringLiteral("戻り値"), 100 }
                    << TObjectListColumn { owner, 100 } << TObjectListColumn { comment, 200 };
            break;
        case ObjType::Type:
            columns << TObjectListColumn { QStringLiteral("タイプ種別"), 100 }
                    << TObjectListColumn { owner, 100 } << TObjectListColumn { comment, 200 };
            break;
        case ObjType::Trigger:
            columns << TObjectListColumn { tableName, 140 }
                    << TObjectListColumn { tableSchema, 140 }
                    << TObjectListColumn { QStringLiteral("タイミング"), 100 }
                    // wide enough for "INSERT, UPDATE, DELETE, TRUNCATE"
                    << TObjectListColumn { QStringLiteral("イベント"), 200 }
                    << TObjectListColumn { QStringLiteral("ﾌｧﾝｸｼｮﾝｽｷｰﾏ"), 140 }
                    << TObjectListColumn { QStringLiteral("使用ファンクション"), 140 }
                    << TObjectListColumn { owner, 100 } << TObjectListColumn { comment, 200 };
            break;
        case ObjType::Rule:
            columns << TObjectListColumn { tableName, 140 }
                    << TObjectListColumn { tableSchema, 140 }
                    << TObjectListColumn { QStringLiteral("イベント"), 100 }
                    << TObjectListColumn { QStringLiteral("動作種別"), 100 }
                    << TObjectListColumn { QStringLiteral("制御"), 100 }
                    << TObjectListColumn { owner, 100 } << TObjectListColumn { comment, 140 };
            break;
        case ObjType::Sequence:
            for (const char *caption :
                 { "現在値", "最小値", "最大値", "増分", "サイクル", "キャッシュ" })
                columns << TObjectListColumn { QString::fromUtf8(caption), 100, right };
            columns << TObjectListColumn { owner, 100 } << TObjectListColumn { comment, 200 };
            break;
        case ObjType::Constraint:
            columns << TObjectListColumn { QStringLiteral("制約種別"), 100 }
                    << TObjectListColumn { tableName, 140 }
                    << TObjectListColumn { tableSchema, 140 } << TObjectListColumn { owner, 100 }
                    << TObjectListColumn { comment, 200 };
            break;
        case ObjType::Synonym:
            columns << TObjectListColumn { QStringLiteral("参照名"), 100 }
                    << TObjectListColumn { QStringLiteral("参照スキーマ"), 200 }
                    << TObjectListColumn { QStringLiteral("参照DBリンク"), 100 }
                    << TObjectListColumn { owner, 100 } << TObjectListColumn { comment, 200 };
            break;
        default: // VIEW, MATERIALIZED VIEW, PACKAGE
            columns << TObjectListColumn { owner, 100 } << TObjectListColumn { comment, 200 };
            break;
        }
        return columns;
    }
    switch (code) {
    case ObjType::Function:
    case ObjType::Procedure:
    case ObjType::Aggregate:
        columns << TObjectListColumn { QStringLiteral("引数"), 140 }
                << TObjectListColumn { QStringLiteral("戻り値"), 140 };
        break;
    case ObjType::Trigger:
    case ObjType::Rule:
        columns << TObjectListColumn { tableName, 200 };
        break;
    case ObjType::Constraint:
        columns << TObjectListColumn { QStringLiteral("タイプ"), 140 }
                << TObjectListColumn { tableName, 200 };
        break;
    case ObjType::Synonym:
        columns << TObjectListColumn { QStringLiteral("参照名"), 140 };
        break;
    case -1: // the mixed list
        // right-aligned as in the detail lists, so that it sorts as a number
        if (treeData)
            columns << TObjectListColumn { QStringLiteral("OID"), 100, right };
        columns << TObjectListColumn { tableName, 140 }
                << TObjectListColumn { QStringLiteral("引数"), 140 }
                << TObjectListColumn { QStringLiteral("戻り値"), 140 };
        break;
    default:
        break;
    }
    columns << TObjectListColumn { owner, 100 } << TObjectListColumn { comment, 200 };
    return columns;
}

QString ObjectListWidthPrefix(const QString &kind, bool treeData)
{
    switch (ObjectListFormOf(kind, treeData)) {
    case TObjectListForm::Detail:
        return kind;
    case TObjectListForm::Short:
        return QStringLiteral("SOURCE_") + kind;
    case TObjectListForm::Mixed:
        break;
    }
    return treeData ? QStringLiteral("SOURCE_OID") : QStringLiteral("SOURCE");
}

QString ObjectListTypeSQL()
{
    return QStringLiteral(" SELECT  TY.oid,        TY.typname,        NA.nspname "
                          "FROM    pg_type TY LEFT JOIN pg_namespace NA ON TY.typnamespace = "
                          "NA.oid ORDER BY TY.oid");
}

bool ObjectListNeedsTypes(const QString &kind)
{
    return kind == QLatin1String("%") || kind == QLatin1String("FUNCTION")
        || kind == QLatin1String("PROCEDURE") || kind == QLatin1String("AGGREGATE");
}

QString ObjectListKilobytes(const QString &bytes)
{
    bool ok = false;
    qint64 value = bytes.trimmed().toLongLong(&ok);
    if (!ok) {
        // numeric(…) texts such as "8192" arrive as integers; anything else counts as 0
        value = 0;
    }
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale.toString(value / 1024).rightJustified(12, QLatin1Char(' '));
}

QString TriggerTimingText(int tgtype)
{
    // pg_trigger.tgtype: 1 row, 2 before, 4 insert, 8 delete, 16 update, 32 truncate, 64 instead
    if (tgtype & 2)
        return QStringLiteral("BEFORE");
    if (tgtype & 64)
        return QStringLiteral("INSTEAD");
    return QStringLiteral("AFTER");
}

QString TriggerEventsText(int tgtype)
{
    QStringList events;
    if (tgtype & 4)
        events << QStringLiteral("INSERT");
    if (tgtype & 16)
        events << QStringLiteral("UPDATE");
    if (tgtype & 8)
        events << QStringLiteral("DELETE");
    if (tgtype & 32)
        events << QStringLiteral("TRUNCATE");
    return events.join(QStringLiteral(", "));
}

QString RoutineArgumentText(const QString &typeOids, const TObjectListTypes &types,
                            const QString &defaultSchema)
{
    QStringList names;
    for (const QString &oid : lines(typeOids))
        names << typeText(oid.toUInt(), types, defaultSchema, false);
    return names.join(QLatin1Char(','));
}

QString RoutineDropArguments(const QString &typeOids, const QString &modes,
                             const TObjectListTypes &types, const QString &defaultSchema,
                             bool aggregate)
{
    const QStringList oids = lines(typeOids);
    const QStringList modeList = lines(modes);
    QStringList names;
    for (qsizetype i = 0; i < oids.size(); ++i) {
        // OUT and TABLE columns are no part of a routine's identity
        const QString mode = modeList.value(i);
        if (mode == QLatin1String("o") || mode == QLatin1String("t"))
            continue;
        names << typeText(oids.at(i).toUInt(), types, defaultSchema, true);
    }
    if (names.isEmpty() && aggregate)
        return QStringLiteral("*");
    return names.join(QLatin1Char(','));
}

QString ObjectListOldSequenceSQL(const QString &schema, const QString &name)
{
    return QStringLiteral("SELECT last_value, min_value, max_value, increment_by, CASE WHEN "
                          "is_cycled THEN 'YES' ELSE 'NO' END CYCLED, cache_value FROM ")
        + QuoteName(schema) + QLatin1Char('.') + QuoteName(name);
}

QStringList ObjectListSubItems(const pg::Result &result, int row, const TObjectListFill &fill)
{
    const int fieldCount = result.columnCount();
    const QString kind = result.text(row, 0);
    const int code = GetObjectTypeCode(kind);
    const bool routine = isRoutine(code);
    const TObjectListForm form = fill.form;
    const bool detail = form == TObjectListForm::Detail;
    const int argumentField = form == TObjectListForm::Short ? 4 : detail ? 5 : 6;
    static const TObjectListTypes noTypes;
    const TObjectListTypes &types = fill.types ? *fill.types : noTypes;

    QStringList sub;
    sub.reserve(fieldCount + 2);
    QString argumentOids;
    for (int i = 2; i < fieldCount; ++i) {
        const QString text = result.text(row, i);
        if (detail && (code == ObjType::Table || code == ObjType::Index) && i == 6) {
            sub << ObjectListKilobytes(text);
        } else if (routine && i == argumentField) {
            argumentOids = text;
            sub << RoutineArgumentText(text, types, fill.defaultSchema);
        } else if (routine && i == 14) {
            sub << RoutineDropArguments(argumentOids, text, types, fill.defaultSchema,
                                        code == ObjType::Aggregate);
        } else if (detail && code == ObjType::Trigger && (i == 7 || i == 8)) {
            const int tgtype = text.toInt();
            sub << (i == 7 ? TriggerTimingText(tgtype) : TriggerEventsText(tgtype));
        } else if (form == TObjectListForm::Mixed && !fill.treeData && i == 4) {
            // without the OID column the OID stays at sub-item 8 (field 10)
        } else if (form == TObjectListForm::Mixed && !fill.treeData && i == 10
                   && (routine || code == ObjType::Type)) {
            sub << QString() << text;
        } else if (form == TObjectListForm::Mixed && !fill.treeData && i == 13
                   && (code == ObjType::Trigger || code == ObjType::Constraint
                       || code == ObjType::Rule)) {
            sub << QString() << text;
        } else {
            sub << text;
        }
    }
    return sub;
}
