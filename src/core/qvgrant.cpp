#include "qvgrant.h"

#include "platform/pg/result.h"
#include "qvappwindows.h"
#include "qvconnkey.h"
#include "qvencoding.h"
#include "qvfuncargs.h"
#include "qvname.h"
#include "qvobjsql.h"
#include "qvobjtype.h"
#include "qvoption.h"
#include "qvtypetext.h"

#include <QByteArray>
#include <QIODevice>

#include <stdexcept>

namespace qvgrant {

// The object-type codes that have a GRANT query in mode 1.
enum GrantKindCode {
    kcTable = 45,
    kcView = 47,
    kcMatView = 61,
    kcProcedure = 51,
    kcFunction = 52,
    kcAggregate = 128,
    kcPackage = 53,
    kcPackageBody = 54,
    kcType = 55,
    kcSequence = 58,
};

// The ACL items joined into one text, one line each.
QString aclText(const QString &column)
{
    return QStringLiteral("array_to_string(%1, E'\\r\\n')").arg(column);
}

// The seven columns every query returns.
QString selectList(const QString &kind, const QString &schema, const QString &name,
                   const QString &owner, const QString &acl, const QString &oid)
{
    return QStringLiteral("SELECT %1::text AS cls, %2::text AS nspname, %3::text AS relname, "
                          "%4::text AS rolname, %5 AS stracl, array_length(%6, 1) AS lenacl, "
                          "%7 AS oid ")
        .arg(kind, schema, name, owner, aclText(acl), acl, oid);
}

QString relkindCondition(int dbVersion)
{
    return dbVersion >= 90300 ? QStringLiteral("WHERE cl.relkind IN ('r', 'v', 'm') ")
                              : QStringLiteral("WHERE cl.relkind IN ('r', 'v') ");
}

QString relationFrom()
{
    return QStringLiteral("FROM pg_class cl "
                          "JOIN pg_namespace na ON cl.relnamespace = na.oid "
                          "LEFT JOIN pg_roles au ON cl.relowner = au.oid ");
}

// The kind keyword of a pg_proc row: from server 11 on, prokind tells procedures apart.
QString routineKind(int dbVersion, const QString &fallback)
{
    if (dbVersion >= 110000)
        return QStringLiteral("CASE pr.prokind WHEN 'p' THEN 'PROCEDURE' ELSE 'FUNCTION' END");
    return QStringLiteral("'%1'").arg(fallback);
}

QString routineFrom()
{
    return QStringLiteral("FROM pg_proc pr "
                          "JOIN pg_namespace na ON pr.pronamespace = na.oid "
                          "LEFT JOIN pg_roles au ON pr.proowner = au.oid ");
}

QString typeFrom()
{
    return QStringLiteral("FROM pg_type ty "
                          "JOIN pg_namespace na ON ty.typnamespace = na.oid "
                          "LEFT JOIN pg_class cl ON ty.typrelid = cl.oid "
                          "LEFT JOIN pg_roles au ON ty.typowner = au.oid ");
}

QString typeCondition()
{
    return QStringLiteral("WHERE (cl.relkind = 'c' OR ty.typtype = 'e' OR ty.typtype = 'r'"
                          " OR ( ty.typtype = 'b' AND ty.typcategory NOT IN("
                          "'A','B','C','D','E','G','I','N','P','R','S','T','V','X')) ) ");
}

// The role condition of one sub-select of mode 2: the role owns the object or its name occurs
// in the ACL text (the statements keep exact grantees only).
QString roleCondition(const QString &start, const QString &acl)
{
    return start
        + QStringLiteral(" (au.rolname = :UNAME OR position(:UNAME in %1) > 0 ) ")
              .arg(aclText(acl));
}

const QString noSystemSchemas = QStringLiteral(
    "AND NOT(na.nspname LIKE 'pg#_%' escape '#') AND na.nspname <> 'information_schema' ");

const QString nullOid = QStringLiteral("NULL::int8");

QString relationSelect()
{
    return selectList(QStringLiteral("'TABLE'"), QStringLiteral("na.nspname"),
                      QStringLiteral("cl.relname"), QStringLiteral("au.rolname"),
                      QStringLiteral("cl.relacl"), nullOid)
        + relationFrom();
}

QString sequenceSelect()
{
    return selectList(QStringLiteral("'SEQUENCE'"), QStringLiteral("na.nspname"),
                      QStringLiteral("cl.relname"), QStringLiteral("au.rolname"),
                      QStringLiteral("cl.relacl"), nullOid)
        + relationFrom() + QStringLiteral("WHERE  cl.relkind = 'S' ");
}

QString routineSelect(int dbVersion, const QString &kind)
{
    return selectList(routineKind(dbVersion, kind), QStringLiteral("na.nspname"),
                      QStringLiteral("pr.proname"), QStringLiteral("au.rolname"),
                      QStringLiteral("pr.proacl"), QStringLiteral("pr.oid::int8"))
        + routineFrom();
}

QString typeSelect()
{
    return selectList(QStringLiteral("'TYPE'"), QStringLiteral("na.nspname"),
                      QStringLiteral("ty.typname"), QStringLiteral("au.rolname"),
                      QStringLiteral("ty.typacl"), nullOid)
        + typeFrom() + typeCondition();
}

const QString schemaAndName = QStringLiteral("AND    na.nspname = :SCHEMA AND %1 = :OBJNAME");

bool isRoutineCode(int code)
{
    return code == kcProcedure || code == kcFunction || code == kcAggregate;
}

// The privilege letters in the order every item is examined.
struct Letter
{
    QChar letter;
    const char *privilege;
};
const Letter letters[] = {
    { u'd', "DELETE" },     { u'X', "EXECUTE" }, { u'a', "INSERT" },
    { u'x', "REFERENCES" }, { u'r', "SELECT" },  { u't', "TRIGGER" },
    { u'D', "TRUNCATE" },   { u'w', "UPDATE" },  { u'U', "USAGE" },
};

// The privileges an object without an ACL grants: to the owner for the kinds listed, and to
// public as well for the kinds of the last column.
struct DefaultPrivilege
{
    const char *privilege;
    QStringList kinds;
    QStringList publicKinds;
};

const QList<DefaultPrivilege> &defaultPrivileges()
{
    static const QList<DefaultPrivilege> list = {
        { "DELETE", { "TABLE" }, {} },
        { "EXECUTE", { "FUNCTION" }, { "FUNCTION" } },
        { "INSERT", { "TABLE" }, {} },
        { "REFERENCES", { "TABLE" }, {} },
        { "SELECT", { "TABLE", "SEQUENCE" }, {} },
        { "TRIGGER", { "TABLE" }, {} },
        { "TRUNCATE", { "TABLE" }, {} },
        { "UPDATE", { "TABLE", "SEQUENCE" }, {} },
        { "USAGE", { "TYPE", "SEQUENCE" }, { "TYPE" } },
    };
    return list;
}

QString qualifiedName(const TGrantRow &row, const TGrantNaming &naming)
{
    const bool qualify
        = naming.owner == 0 || (naming.owner == 1 && row.schema != naming.metaDefSchema);
    return qualify ? QuoteName(row.schema) + QLatin1Char('.') + QuoteName(row.name)
                   : QuoteName(row.name);
}

QString reference(const TGrantRow &row, const TGrantNaming &naming)
{
    if (row.kind == QLatin1String("TABLESPACE"))
        return QStringLiteral("TABLESPACE ") + QuoteName(row.name);
    QString text = row.kind + QLatin1Char(' ') + qualifiedName(row, naming);
    if (row.kind == QLatin1String("PROCEDURE") || row.kind == QLatin1String("FUNCTION"))
        text += QLatin1Char('(') + naming.argTypes.value(row.oid) + QLatin1Char(')');
    return text;
}

void addStatement(QStringList &out, const QString &statement)
{
    out << statement << QStringLiteral(";");
}

// The statements of one ACL item's letters to grantee.
void itemStatements(QStringList &out, const QString &privileges, const QString &ref,
                    const QString &grantee)
{
    for (const Letter &l : letters) {
        if (!privileges.contains(l.letter))
            continue;
        QString statement = QStringLiteral("GRANT %1 ON %2 TO %3")
                                .arg(QLatin1String(l.privilege), ref, QuoteName(grantee));
        if (privileges.contains(QString(l.letter) + QLatin1Char('*')))
            statement += QStringLiteral(" WITH GRANT OPTION");
        addStatement(out, statement);
    }
}

void defaultStatements(QStringList &out, const TGrantRow &row, const QString &ref,
                       const QString &grantee, bool withPublic)
{
    for (const DefaultPrivilege &p : defaultPrivileges()) {
        if (withPublic && p.publicKinds.contains(row.kind))
            addStatement(
                out,
                QStringLiteral("GRANT %1 ON %2 TO public").arg(QLatin1String(p.privilege), ref));
        if (p.kinds.contains(row.kind))
            addStatement(out,
                         QStringLiteral("GRANT %1 ON %2 TO %3")
                             .arg(QLatin1String(p.privilege), ref, QuoteName(grantee)));
    }
}

} // namespace qvgrant

QString GrantSQL(int mode, const QString &objectKind, int dbVersion, bool postgresPlus)
{
    using namespace qvgrant;
    if (mode == 1) {
        const int code = GetObjectTypeCode(objectKind);
        switch (code) {
        case kcTable:
        case kcView:
        case kcMatView:
            return relationSelect() + relkindCondition(dbVersion)
                + schemaAndName.arg(QStringLiteral("cl.relname"));
        case kcProcedure:
            return routineSelect(dbVersion, QStringLiteral("PROCEDURE"))
                + QStringLiteral("WHERE  pr.oid = :FUNCOID");
        case kcFunction:
        case kcAggregate:
            return routineSelect(dbVersion, QStringLiteral("FUNCTION"))
                + QStringLiteral("WHERE  pr.oid = :FUNCOID");
        case kcPackage:
        case kcPackageBody:
            return postgresPlus ? GrantPackageSQL(dbVersion) : QString();
        case kcType:
            if (dbVersion < 90200)
                return QString();
            return typeSelect() + schemaAndName.arg(QStringLiteral("ty.typname"));
        case kcSequence:
            return sequenceSelect() + schemaAndName.arg(QStringLiteral("cl.relname"));
        default:
            return QString();
        }
    }
    if (mode == 2) {
        QStringList parts;
        parts << relationSelect() + relkindCondition(dbVersion)
                + roleCondition(QStringLiteral("AND   "), QStringLiteral("cl.relacl"))
                + noSystemSchemas;
        parts << routineSelect(dbVersion, QStringLiteral("FUNCTION"))
                + roleCondition(QStringLiteral("WHERE "), QStringLiteral("pr.proacl"))
                + noSystemSchemas;
        parts << sequenceSelect()
                + roleCondition(QStringLiteral("AND   "), QStringLiteral("cl.relacl"))
                + noSystemSchemas;
        if (dbVersion >= 90200)
            parts << typeSelect()
                    + roleCondition(QStringLiteral("AND   "), QStringLiteral("ty.typacl"))
                    + noSystemSchemas;
        return QStringLiteral("SELECT cls, nspname, relname, rolname, stracl, lenacl, oid FROM ( ")
            + parts.join(QStringLiteral("UNION ALL ")) + QStringLiteral(") acl_tbl ORDER BY 2,3");
    }
    return QStringList { QStringLiteral("SELECT 'TABLESPACE'::text AS OBJTYPE"),
                         QStringLiteral("NULL::text AS SCHEMA"),
                         QStringLiteral("TBS.spcname::text AS OBJNM"),
                         QStringLiteral("ROL.rolname::text AS OWNER"),
                         aclText(QStringLiteral("TBS.spcacl")) + QStringLiteral(" AS AUTHORITY"),
                         QStringLiteral("array_length(TBS.spcacl, 1) AS AUTHORITYNUM"),
                         QStringLiteral("NULL::int8 AS OID") }
               .join(QStringLiteral(","))
        + QStringLiteral(" FROM pg_tablespace   TBS"
                         " LEFT JOIN pg_roles     ROL ON TBS.spcowner = ROL.oid"
                         " WHERE  TBS.spcname = :TBSNM");
}

QString GrantPackageSQL(int dbVersion)
{
    using namespace qvgrant;
    return selectList(QStringLiteral("'PACKAGE'"), QStringLiteral("nsp.nspname"),
                      QStringLiteral("pkg.pkgname"), QStringLiteral("rol.rolname"),
                      QStringLiteral("pkg.pkgacl"), QStringLiteral("pkg.oid::int8"))
        + QStringLiteral("FROM ") + GetPackageSubquery(dbVersion)
        + QStringLiteral(" pkg"
                         " LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid"
                         " LEFT JOIN pg_roles     rol ON pkg.pkgowner = rol.oid"
                         " WHERE 0 = 0"
                         " AND nsp.nspname = :SCHEMA"
                         " AND pkg.pkgname = :OBJNAME");
}

QStringList GrantParameters(int mode, const QString &objectKind, const QString &Schema,
                            const QString &ObjectName, const QString &oid)
{
    using namespace qvgrant;
    if (mode == 1) {
        if (isRoutineCode(GetObjectTypeCode(objectKind))) {
            bool ok = false;
            const qint64 value = oid.trimmed().toLongLong(&ok);
            if (!ok)
                throw std::invalid_argument(
                    QStringLiteral("「%1」は整数ではありません。").arg(oid).toStdString());
            return { QString::number(value) };
        }
        return { Schema, ObjectName };
    }
    if (mode == 2)
        return { Schema };
    return { ObjectName };
}

QStringList GrantStatements(const QList<TGrantRow> &rows, int mode, const QString &Schema,
                            const TGrantNaming &naming)
{
    using namespace qvgrant;
    QStringList out;
    for (const TGrantRow &row : rows) {
        const QString ref = reference(row, naming);
        if (mode == 1) {
            if (row.aclCountNull)
                defaultStatements(out, row, ref, row.owner, true);
            for (const QString &item : row.acl) {
                QString grantee;
                QString privileges;
                ParseAclItem(item, row.owner, grantee, privileges);
                itemStatements(out, privileges, ref,
                               grantee.isEmpty() ? QStringLiteral("public") : grantee);
            }
        } else if (mode == 2) {
            if (row.aclCountNull && row.owner == Schema)
                defaultStatements(out, row, ref, Schema, false);
            for (const QString &item : row.acl) {
                QString grantee;
                QString privileges;
                ParseAclItem(item, row.owner, grantee, privileges);
                if (grantee == Schema)
                    itemStatements(out, privileges, ref, Schema);
            }
        } else {
            for (const QString &item : row.acl) {
                QString grantee;
                QString privileges;
                ParseAclItem(item, row.owner, grantee, privileges);
                if (!privileges.contains(QLatin1Char('C')))
                    continue;
                QString statement
                    = QStringLiteral("GRANT CREATE ON %1 TO %2")
                          .arg(ref,
                               QuoteName(grantee.isEmpty() ? QStringLiteral("public") : grantee));
                if (privileges.contains(QStringLiteral("C*")))
                    statement += QStringLiteral(" WITH GRANT OPTION");
                addStatement(out, statement);
            }
        }
    }
    return out;
}

void WriteGrantScript(ConnectionWindow &window, const QString &Schema, const QString &ObjectName,
                      QIODevice &Stream, int intMode, const QString &strObjCls,
                      const QString &strOid)
{
    pg::Connection *session = window.dbsMain();
    const int dbVersion = window.DBVer();
    const QString sql = GrantSQL(intMode, strObjCls, dbVersion, window.g_bPostgresPlus());
    if (sql.isEmpty())
        return;
    const QStringList values = GrantParameters(intMode, strObjCls, Schema, ObjectName, strOid);
    const pg::Result result = window.OpenSQL(sql, values);
    QList<TGrantRow> rows;
    TGrantNaming naming;
    naming.owner = ScriptOption.Owner;
    naming.metaDefSchema = ConnectionParams(window).MetaDefSchema;
    for (int i = 0; i < result.rowCount(); ++i) {
        TGrantRow row;
        row.kind = result.text(i, 0);
        row.schema = result.text(i, 1);
        row.name = result.text(i, 2);
        row.owner = result.text(i, 3);
        if (!result.isNull(i, 4) && !result.text(i, 4).isEmpty())
            row.acl = result.text(i, 4).split(QStringLiteral("\r\n"));
        row.aclCountNull = result.isNull(i, 5);
        if (!result.isNull(i, 6))
            row.oid = result.text(i, 6).toLongLong();
        if (row.kind == QLatin1String("FUNCTION") || row.kind == QLatin1String("PROCEDURE")) {
            if (!naming.argTypes.contains(row.oid)) {
                FncArgArray args;
                GetFuncArguments(static_cast<pg::Oid>(row.oid), *session, args, dbVersion);
                // GRANT names a routine by its plain argument list; an ordered-set
                // aggregate's "ORDER BY" would be a syntax error there.
                for (TFuncArgument &arg : args)
                    arg.blnOrder = false;
                naming.argTypes.insert(row.oid, GetFuncArgTypes(args, 5, naming.metaDefSchema));
            }
        }
        rows << row;
    }
    const QStringList lines = GrantStatements(rows, intMode, Schema, naming);
    if (lines.isEmpty())
        return;
    const QByteArray bytes
        = GetFileEncoding().encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    Stream.write(bytes);
}
