#include "qvobjsql.h"

#include "qvobjtype.h"

#include <QStringList>

#include <initializer_list>

namespace qvobjsql {

// Server versions at which the catalogs changed in ways the lists depend on.
constexpr int versionInternalTrigger = 90000; // pg_trigger.tgisinternal
constexpr int versionNamespaceObjectType = 90200; // pg_namespace.nspobjecttype (edition)
constexpr int versionAggregateKind = 90400; // ordered-set aggregates, pg_aggregate joined
constexpr int versionPartitionedTable = 100000; // relkind 'p'
constexpr int versionProcedure = 110000; // pg_proc.prokind
constexpr int versionPartitionedIndex = 110000; // relkind 'I'

using Fragments = std::initializer_list<const char *>;

// Each fragment after one blank, so the text starts with a blank and reads as one line.
void append(QString &text, Fragments fragments)
{
    for (const char *fragment : fragments) {
        text += u' ';
        text += QLatin1String(fragment);
    }
}

QString joined(Fragments fragments)
{
    QString text;
    append(text, fragments);
    return text;
}

void storedProgramFrom(QString &from, bool withAggregate)
{
    append(from,
           { "FROM pg_proc             AS Prc", "LEFT JOIN pg_namespace   AS Nms",
             " ON  Prc.pronamespace    =   Nms.oid", "LEFT JOIN pg_type        AS Typ",
             " ON  Prc.prorettype      =   Typ.oid", "LEFT JOIN pg_roles       AS TblRol",
             " ON  TblRol.oid          =  Prc.proowner" });
    if (withAggregate)
        append(from,
               { "LEFT JOIN pg_aggregate   AS Agr", " ON  Prc.oid             =  Agr.aggfnoid" });
}

void storedProgramWhere(QString &where, int objType, int dbVersion, bool postgresPlus)
{
    const bool procedure = objType == ObjType::Procedure;
    where = QStringLiteral("WHERE 1 = 1");
    if (dbVersion >= versionProcedure)
        // Window functions are functions too; before prokind they were listed with the others.
        append(where, { procedure ? "AND  Prc.prokind = 'p'" : "AND Prc.prokind IN ('f', 'w')" });
    if (postgresPlus)
        append(where, { procedure ? "AND Prc.protype = '1'" : "AND Prc.protype = '0'" });
    if (dbVersion >= versionAggregateKind)
        append(where, { "AND Agr.aggfnoid IS NULL" });
}

void packageFrom(QString &from, int dbVersion)
{
    from = QStringLiteral(" FROM ") + GetPackageSubquery(dbVersion)
        + QLatin1String("         AS pac");
    append(from,
           { "LEFT JOIN pg_namespace   AS Nms", " ON  pac.pkgnamespace    = Nms.oid",
             "LEFT JOIN pg_roles       AS TblRol", " ON  pac.pkgowner        = TblRol.oid" });
}

QString selectItems(std::initializer_list<std::pair<const char *, const char *>> items)
{
    QStringList list;
    for (const auto &[expression, column] : items)
        list << QLatin1String(expression) + QLatin1String(" AS \"") + QLatin1String(column) + u'"';
    return list.join(QLatin1String(" , "));
}

} // namespace qvobjsql

void GetObjectListSQL(int objType, QString &fromText, QString &whereText, int dbVersion,
                      bool postgresPlus)
{
    using namespace qvobjsql;
    fromText.clear();
    whereText.clear();

    switch (objType) {
    case ObjType::Table:
        append(fromText,
               { "FROM pg_class            AS TblInf", "LEFT JOIN pg_namespace   AS TblNsp",
                 " ON  TblNsp.oid          =   TblInf.relnamespace",
                 "LEFT JOIN pg_tablespace  AS TblSpe",
                 " ON  TblSpe.oid          =   TblInf.reltablespace",
                 "LEFT JOIN pg_roles       AS TblRol",
                 " ON  TblRol.oid          =  TblInf.relowner" });
        append(whereText,
               { dbVersion >= versionPartitionedTable
                     ? "WHERE  TblInf.relkind    IN  ('r', 'f', 't', 'p')"
                     : "WHERE  TblInf.relkind    IN  ('r', 'f', 't')" });
        break;
    case ObjType::Index:
        append(fromText,
               { "FROM pg_class            AS C", "LEFT JOIN pg_namespace   AS N",
                 " ON  C.relnamespace      =   N.oid", "LEFT JOIN pg_index       AS I",
                 " ON  C.oid               =   I.indexrelid", "LEFT JOIN pg_am          AS AM",
                 " ON  C.relam             =   AM.oid", "LEFT JOIN pg_tablespace  AS T",
                 " ON  C.reltablespace     =   T.oid", "LEFT JOIN pg_class       AS C2",
                 " ON  I.indrelid          =   C2.oid", "LEFT JOIN pg_namespace   AS N2",
                 " ON  C2.relnamespace     =   N2.oid", "LEFT JOIN pg_description AS D",
                 " ON  C.oid               =   D.objoid",
                 " AND D.classoid          =   'pg_class'::regclass",
                 " AND D.objsubid          =   0", "LEFT JOIN pg_roles       AS TblRol",
                 " ON  TblRol.oid          =  C.relowner" });
        append(whereText,
               { dbVersion >= versionPartitionedIndex ? "WHERE  C.relkind         IN  ('i', 'I')"
                                                      : "WHERE  C.relkind         =   'i'" });
        break;
    case ObjType::View:
    case ObjType::MaterializedView:
        append(fromText,
               { "FROM pg_class            AS TblInf", "LEFT JOIN pg_namespace   AS TblNsp",
                 " ON  TblNsp.oid          =   TblInf.relnamespace",
                 "LEFT JOIN pg_roles       AS TblRol",
                 " ON  TblRol.oid          =  TblInf.relowner" });
        append(whereText,
               { objType == ObjType::View ? "WHERE  TblInf.relkind    IN  ('v')"
                                          : "WHERE  TblInf.relkind    IN  ('m')" });
        break;
    case ObjType::Procedure:
    case ObjType::Function:
        storedProgramFrom(fromText, dbVersion >= versionAggregateKind);
        storedProgramWhere(whereText, objType, dbVersion, postgresPlus);
        break;
    case ObjType::Aggregate:
        storedProgramFrom(fromText, true);
        append(whereText, { "WHERE  Agr.aggfnoid      IS NOT NULL" });
        break;
    case ObjType::Package:
        packageFrom(fromText, dbVersion);
        break;
    case ObjType::PackageBody:
        packageFrom(fromText, dbVersion);
        whereText = QStringLiteral("WHERE pac.pkgbodysrc IS NOT null");
        break;
    case ObjType::Type:
        append(fromText,
               { "FROM pg_type             AS T", "LEFT JOIN pg_namespace   AS N",
                 " ON  T.typnamespace      =   N.oid", "LEFT JOIN pg_class       AS C",
                 " ON  T.typrelid          =   c.oid", "LEFT JOIN pg_roles       AS TblRol",
                 " ON  TblRol.oid          =  T.typowner" });
        append(whereText,
               { "WHERE  (", "             C.relkind = 'c'", "         OR  T.typtype = 'e'",
                 "         OR  T.typtype = 'r'", "         OR  T.typtype = 'p'", "         OR  (",
                 "                   T.typtype     =       'b'",
                 "               AND T.typcategory NOT IN  "
                 "('A','B','C','D','E','G','I','N','P','R','S','T','V','X')",
                 "             )", "       )" });
        break;
    case ObjType::Trigger:
        append(fromText,
               { "FROM pg_trigger            AS TrgInf",
                 "LEFT JOIN pg_class         AS TblInf",
                 "  ON  TrgInf.tgrelid       =   TblInf.oid",
                 "LEFT JOIN pg_class         AS RefTblInf",
                 "  ON  TrgInf.tgconstrrelid =   RefTblInf.oid",
                 "LEFT JOIN pg_proc          AS FncInf",
                 "  ON  TrgInf.tgfoid        =   FncInf.oid",
                 "LEFT JOIN pg_namespace     AS Nms",
                 "  ON  TblInf.relnamespace  =   Nms.oid",
                 "LEFT JOIN pg_tables        AS TblShe",
                 "  ON  TblInf.relname       =   TblShe.tablename",
                 "  AND Nms.nspname          =   TblShe.schemaname",
                 "LEFT JOIN pg_views         AS VieShe",
                 "  ON  TblInf.relname       =   VieShe.viewname",
                 "  AND Nms.nspname          =   VieShe.schemaname",
                 "LEFT JOIN pg_namespace     AS FncNms",
                 "  ON  FncInf.pronamespace  =   FncNms.oid",
                 "LEFT JOIN pg_description   AS TrgCom",
                 "  ON  TrgInf.oid           =   TrgCom.Objoid",
                 "  AND TrgCom.classoid      =   'pg_trigger'::regclass",
                 "  AND TrgCom.objsubid      =   0",
                 "LEFT JOIN pg_roles         AS TblRol",
                 " ON  TblRol.oid            =  TblInf.relowner" });
        // The server's own triggers (those of foreign keys) are no objects of the user.
        if (dbVersion >= versionInternalTrigger)
            append(whereText, { "WHERE  NOT TrgInf.tgisinternal" });
        break;
    case ObjType::Sequence:
        append(fromText,
               { "FROM pg_class            AS C", "LEFT JOIN pg_namespace   AS N",
                 " ON  C.relnamespace      =  N.oid", "LEFT JOIN pg_roles       AS TblRol",
                 " ON  TblRol.oid          =  C.relowner" });
        append(whereText, { "WHERE  C.relkind         = 'S'" });
        break;
    case ObjType::Synonym:
        append(fromText,
               { "FROM pg_synonym          AS Syn", "LEFT JOIN pg_namespace   AS Nms",
                 " ON  Syn.synnamespace    =  Nms.oid", "LEFT JOIN pg_roles       AS TblRol",
                 " ON  TblRol.oid          =  Syn.synowner" });
        break;
    case ObjType::DatabaseLink:
        append(fromText,
               { "FROM edb_dblink          AS Lnk", "LEFT JOIN pg_roles       AS Rol",
                 " ON  Rol.oid             =  Lnk.lnkowner", "LEFT JOIN pg_namespace   AS Nsp",
                 " ON  Nsp.nspowner        = Rol.oid" });
        break;
    case ObjType::Constraint:
        append(fromText,
               { "FROM pg_constraint       AS ConInf", "LEFT JOIN pg_namespace   AS ConNsp",
                 " ON  ConNsp.oid          =   ConInf.connamespace",
                 "LEFT JOIN pg_class       AS TblInf",
                 " ON  TblInf.oid          =   ConInf.conrelid",
                 "LEFT JOIN pg_namespace   AS TblNsp",
                 " ON  TblNsp.oid          =   TblInf.relnamespace",
                 "LEFT JOIN pg_roles       AS TblRol",
                 " ON  TblRol.oid          =  TblInf.relowner" });
        append(whereText, { "WHERE  ConInf.contype    <>  't'" });
        break;
    case ObjType::Rule:
        append(fromText,
               { "FROM pg_rewrite          AS r", "LEFT JOIN pg_class       AS c",
                 " ON  c.oid               =   r.ev_class", "LEFT JOIN pg_namespace   AS ns",
                 " ON  ns.oid              =   c.relnamespace", "LEFT JOIN pg_description AS cm",
                 " ON  r.oid               =   cm.Objoid",
                 " AND cm.classoid         =   'pg_rewrite'::regclass",
                 " AND cm.objsubid         =   0", "LEFT JOIN pg_roles       AS TblRol",
                 " ON  TblRol.oid          =  c.relowner" });
        break;
    default:
        break;
    }
}

QString GetPackageSubquery(int dbVersion)
{
    using namespace qvobjsql;
    const QString items
        = selectItems({ { "oid", "oid" },
                        { "nspname", "pkgname" },
                        { "nspparent", "pkgnamespace" },
                        { "nspowner", "pkgowner" },
                        { "pg_catalog.edb_get_packageheaddef(oid)", "pkgheadsrc" },
                        { "pg_catalog.edb_get_packagebodydef(oid)", "pkgbodysrc" } })
        + QLatin1String(" , 'P'::char AS pkgproperties , ")
        + selectItems({ { "nspacl", "pkgacl" } });
    return QStringLiteral(" ( SELECT ") + items
        + joined({ "FROM", "pg_namespace", "WHERE",
                   dbVersion >= versionNamespaceObjectType
                       ? "(nspparent != 0) AND (nspobjecttype = 0)"
                       : "nspparent != 0",
                   ") " });
}

QString GetPackageElementSubquery()
{
    using namespace qvobjsql;
    const QString variables = selectItems({ { "varpackage::int8", "packageoid" },
                                            { "varname", "eltname" },
                                            { "varaccess", "visibility" },
                                            { "'V'", "eltclass" },
                                            { "vartype::int8", "eltdatatype" },
                                            { "NULL", "nargs" },
                                            { "NULL", "argtypes" },
                                            { "NULL", "argmodes" },
                                            { "NULL", "argnames" } });
    const QString programs = selectItems({ { "pronamespace::int8", "packageoid" },
                                           { "proname", "eltname" },
                                           { "proaccess", "visibility" },
                                           { "DECODE(protype,'0','F','1','P' )", "eltclass" },
                                           { "prorettype::int4", "eltdatatype" },
                                           { "pronargs", "nargs" },
                                           { "proargtypes", "argtypes" },
                                           { "proargmodes", "argmodes" },
                                           { "proargnames", "argnames" } });
    return QStringLiteral(" ( SELECT ") + variables + joined({ "FROM", "edb_variable", "UNION" })
        + QStringLiteral(" SELECT ") + programs
        + joined({ "FROM", "pg_proc", "WHERE",
                   "pg_proc.pronamespace IN (SELECT oid FROM pg_namespace WHERE nspparent != 0)",
                   ") AS " });
}
