#include "fmainopen.h"

#include "core/qvappwindows.h"
#include "core/qvobjsql.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"

#include <QStringList>

namespace fmainopen {

struct LookupBlock
{
    int no;
    int code;
    bool edition; // GetObjectListSQL is given the connection's edition flag
    const char *kind;
    const char *schemaName;
    const char *objectName;
    const char *oid;
    const char *tableName;
    const char *nameCondition;
    const char *schemaCondition;
};

const char *const tableSchema = "SELECT  TblNsp.nspname    AS SchemaNm";
const char *const tableName = "        TblInf.relname    AS ObjNm";
const char *const zeroOid = "        0                 AS OID";
const char *const tableTable = "        TblInf.relname    AS TblNm";
const char *const noTable = "        ''              AS TblNm";
const char *const tableNameCond = "TblInf.relname    =   :OBJNM";
const char *const tableSchemaCond = "AND     TblNsp.nspname    =   :OWNER";
const char *const procSchema = "SELECT  Nms.nspname       AS SchemaNm";
const char *const procName = "        Prc.proname       AS ObjNm";
const char *const procOid = "        Prc.oid           AS OID";
const char *const procNameCond = "Prc.proname       =   :OBJNM";
const char *const procSchemaCond = "AND     Nms.nspname       =   :OWNER";

// The trigger block's pieces, each line joined to the next by one blank.
const char *const triggerSchema[]
    = { "SELECT  CASE", "          WHEN TblShe.schemaname IS NULL THEN VieShe.schemaname",
        "          ELSE TblShe.schemaname", "        END               AS SchemaNm" };
const char *const triggerTable[]
    = { "        CASE", "          WHEN TblShe.tablename IS NULL THEN VieShe.viewname",
        "          ELSE TblShe.tablename", "        END               AS TblNm" };
const char *const triggerSchemaCond[]
    = { "AND     (", "              TblShe.schemaname   =   :OWNER",
        "          OR  VieShe.schemaname   =   :OWNER", "        )" };

const LookupBlock lookupBlocks[] = {
    { 1, 45, false, "        'TABLE'         AS ObjTyp", tableSchema, tableName, zeroOid,
      tableTable, tableNameCond, tableSchemaCond },
    { 2, 47, false, "        'VIEW'          AS ObjTyp", tableSchema, tableName, zeroOid,
      tableTable, tableNameCond, tableSchemaCond },
    { 3, 46, false, "        'INDEX'         AS ObjTyp", "SELECT  N.nspname         AS SchemaNm",
      "        C.relname         AS ObjNm", zeroOid, noTable, "C.relname         =   :OBJNM",
      "AND     N.nspname         =   :OWNER" },
    { 4, 52, true, "        'FUNCTION'      AS ObjTyp", procSchema, procName, procOid, noTable,
      procNameCond, procSchemaCond },
    { 5, 55, false, "        'TYPE'          AS ObjTyp", "SELECT  N.nspname         AS SchemaNm",
      "        T.typname         AS ObjNm", zeroOid, noTable, "T.typname         =   :OBJNM",
      "AND     N.nspname         =   :OWNER" },
    { 6, 57, false, "        'TRIGGER'       AS ObjTyp", nullptr,
      "        TrgInf.tgname     AS ObjNm", zeroOid, nullptr, "TrgInf.tgname     =   :OBJNM",
      nullptr },
    { 7, 58, false, "        'SEQUENCE'      AS ObjTyp", "SELECT  N.nspname         AS SchemaNm",
      "        C.relname         AS ObjNm", zeroOid, noTable, "C.relname         =   :OBJNM",
      "AND     N.nspname         =   :OWNER" },
    { 8, 66, false, "        'CONSTRAINT'    AS ObjTyp", "SELECT  ConNsp.nspname    AS SchemaNm",
      "        ConInf.conname    AS ObjNm", zeroOid, "        TblInf.relname    AS TblNm",
      "ConInf.conname    =   :OBJNM", "AND     ConNsp.nspname    =   :OWNER" },
    { 9, 127, false, "        'RULE'          AS ObjTyp", "SELECT  ns.nspname        AS SchemaNm",
      "        r.rulename        AS ObjNm", zeroOid, "        c.relname         AS TblNm",
      "r.rulename        =   :OBJNM", "AND     ns.nspname        =   :OWNER" },
    { 10, 61, false, "        'MATERIALIZED VIEW'          AS ObjTyp", tableSchema, tableName,
      zeroOid, tableTable, tableNameCond, tableSchemaCond },
    { 11, 128, false, "        'AGGREGATE'     AS ObjTyp", procSchema, procName, procOid, noTable,
      procNameCond, procSchemaCond },
    { 12, 51, true, "        'PROCEDURE'     AS ObjTyp", procSchema, procName, procOid, noTable,
      procNameCond, procSchemaCond },
    { 13, 53, true, "        'PACKAGE'       AS ObjTyp", "SELECT  Nms.nspname       AS SchemaNm",
      "        pac.pkgname       AS ObjNm", "        pac.oid           AS OID", noTable,
      "pac.pkgname       =   :OBJNM", "AND     Nms.nspname       =   :OWNER" },
    { 14, 60, false, "        'SYNONYM'     AS ObjTyp", "SELECT  nms.nspname     AS SchemaNm",
      "        syn.synname     AS ObjNm", "        0               AS OID",
      "        ''            AS TblNm", "syn.synname    =   :OBJNM",
      "AND     nms.nspname    =   :OWNER" },
};

QString joined(const char *const (&lines)[4])
{
    QStringList parts;
    for (const char *line : lines)
        parts << QString::fromLatin1(line);
    return parts.join(QLatin1Char(' '));
}

// "        1                 AS ObjNo": the number, then blanks up to column 27 (block 14
// has two blanks fewer).
QString numberLine(int no)
{
    const QString number = QString::number(no);
    const int width = no == 14 ? 16 : 18;
    return QStringLiteral("        ") + number.leftJustified(width, QLatin1Char(' '))
        + QStringLiteral("AS ObjNo");
}

bool blockPresent(int no, int version, bool edition)
{
    switch (no) {
    case 10:
        return version >= 90300;
    case 11:
        return version >= 90400;
    case 12:
        return edition || version >= 110000;
    case 13:
    case 14:
        return edition;
    default:
        return true;
    }
}

} // namespace fmainopen

QString EditOpenLookupSQL(int serverVersion, bool postgresPlus)
{
    using namespace fmainopen;
    QString sql;
    bool first = true;
    for (const LookupBlock &block : lookupBlocks) {
        if (!blockPresent(block.no, serverVersion, postgresPlus))
            continue;
        const bool trigger = block.code == 57;
        const QStringList select = {
            trigger ? joined(triggerSchema) : QString::fromLatin1(block.schemaName),
            QString::fromLatin1(block.kind),
            numberLine(block.no),
            QString::fromLatin1(block.objectName),
            QString::fromLatin1(block.oid),
            trigger ? joined(triggerTable) : QString::fromLatin1(block.tableName),
        };
        QString from;
        QString where;
        GetObjectListSQL(block.code, from, where, serverVersion,
                         block.edition ? postgresPlus : false);
        if (!first)
            sql += QStringLiteral(" UNION ALL");
        first = false;
        sql += QLatin1Char(' ') + select.join(QLatin1Char(','));
        sql += QLatin1Char(' ') + from + QLatin1Char(' ') + where;
        sql += QLatin1Char(' ')
            + (where.trimmed().isEmpty() ? QStringLiteral("WHERE   ") : QStringLiteral("AND     "))
            + QString::fromLatin1(block.nameCondition);
        sql += QLatin1Char(' ')
            + (trigger ? joined(triggerSchemaCond) : QString::fromLatin1(block.schemaCondition));
    }
    return sql;
}

int EditOpenExecute(ConnectionWindow *current, const QString &selected)
{
    if (!current)
        return 0;
    QString schema;
    QString name = selected;
    const int dot = int(selected.indexOf(QLatin1Char('.')));
    if (dot >= 0) {
        schema = selected.left(dot);
        name = selected.mid(dot + 1);
    }
    if (schema.isEmpty() && current->dbsMain())
        schema = current->dbsMain()->param(QStringLiteral("MetaDefSchema"));
    const pg::Result rows = current->OpenSQL(
        EditOpenLookupSQL(current->DBVer(), current->g_bPostgresPlus()), { name, schema });
    const int schemaColumn = rows.columnIndex(QStringLiteral("schemanm"));
    const int kindColumn = rows.columnIndex(QStringLiteral("objtyp"));
    const int oidColumn = rows.columnIndex(QStringLiteral("oid"));
    const int tableColumn = rows.columnIndex(QStringLiteral("tblnm"));
    for (int row = 0; row < rows.rowCount(); ++row) {
        const qint64 oid = rows.text(row, oidColumn).toLongLong();
        current->OpenObject(GetObjectTypeCode(rows.text(row, kindColumn)),
                            rows.text(row, schemaColumn), name, AppOption.OpenMode, 0,
                            oid == 0 ? -1 : oid, rows.text(row, tableColumn));
    }
    return rows.rowCount();
}
