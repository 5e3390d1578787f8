#include "qvfuncargs.h"

#include "platform/pg/connection.h"
#include "platform/pg/query.h"
#include "qvname.h"

namespace qvfuncargs {

constexpr int versionAggregateKind = 90400; // pg_aggregate.aggnumdirectargs and aggkind
constexpr pg::Oid oidArrayType = 1028; // oid[]

// One row per argument, by routine and in argument order. proargtypes is an oidvector
// (subscripts from 0), the other argument arrays start at 1; when
// proallargtypes is set it lists every argument, output ones included, and the
// mode and name arrays run parallel to it. Names are read as array elements, so
// a name holding a line break stays one name.
constexpr const char *argumentsSql = R"(
SELECT Arg.Pos
     , Arg.ProcOid
     , COALESCE(Arg.AllTypes[Arg.Pos + 1], Arg.InTypes[Arg.Pos]) AS TypOid
     , COALESCE(Arg.Modes[Arg.Pos + 1], 'i')                     AS Mode
     , COALESCE(Arg.Names[Arg.Pos + 1], '')                      AS ArgName
     , Arg.OrderNum
     , Arg.AggKind
     , NA.nspname
     , TY.typname
     , format_type(TY.oid, NULL)
FROM  (SELECT generate_series(0, COALESCE(array_upper(Prc.proallargtypes, 1), Prc.pronargs) - 1)
                                        AS Pos
            , Prc.oid                   AS ProcOid
            , Prc.proallargtypes        AS AllTypes
            , Prc.proargtypes           AS InTypes
            , Prc.proargmodes           AS Modes
            , Prc.proargnames           AS Names
            , %1
       FROM   pg_proc           AS Prc
       %2
       WHERE  Prc.oid = ANY (:OIDS)
      ) AS Arg
LEFT JOIN pg_type        AS TY
  ON  TY.oid           = COALESCE(Arg.AllTypes[Arg.Pos + 1], Arg.InTypes[Arg.Pos])
LEFT JOIN pg_namespace   AS NA
  ON  TY.typnamespace  = NA.oid
ORDER BY Arg.ProcOid, Arg.Pos
)";

constexpr const char *aggregateColumns
    = "COALESCE(Agr.aggnumdirectargs, 0) AS OrderNum\n"
      "            , COALESCE(Agr.aggkind, 'n')        AS AggKind";
constexpr const char *aggregateJoin = "LEFT JOIN pg_aggregate AS Agr ON Prc.oid = Agr.aggfnoid";
constexpr const char *noAggregateColumns = "0 AS OrderNum, 'n' AS AggKind";

bool modePasses(const QString &mode, quint8 filter)
{
    if (mode.size() != 1)
        return false;
    const char m = char(mode.at(0).unicode());
    switch (filter) {
    case 0:
        return m == 'i';
    case 1:
        return m == 'o';
    case 2:
        return m == 'b';
    case 3:
        return m == 'v';
    case 4:
        return m == 't';
    case 5: // what the server takes as the routine's identity
        return m == 'i' || m == 'b' || m == 'v';
    case 6:
        return m == 'i' || m == 'o' || m == 'b' || m == 'v' || m == 't';
    default:
        return false;
    }
}

} // namespace qvfuncargs

bool GetFuncArguments(pg::Oid oid, pg::Connection &connection, FncArgArray &args, int dbVersion)
{
    QHash<pg::Oid, FncArgArray> read;
    GetFuncArgumentsOf({ oid }, connection, read, dbVersion);
    args = read.value(oid);
    return true;
}

void GetFuncArgumentsOf(const QList<pg::Oid> &oids, pg::Connection &connection,
                        QHash<pg::Oid, FncArgArray> &args, int dbVersion)
{
    using namespace qvfuncargs;
    QHash<pg::Oid, FncArgArray> read;
    if (oids.isEmpty()) {
        args = std::move(read);
        return;
    }
    const bool aggregates = dbVersion >= versionAggregateKind;
    pg::Query query(connection,
                    QString::fromLatin1(argumentsSql)
                        .arg(QLatin1String(aggregates ? aggregateColumns : noAggregateColumns),
                             QLatin1String(aggregates ? aggregateJoin : "")));
    QStringList list;
    list.reserve(oids.size());
    for (pg::Oid oid : oids)
        list << QString::number(oid);
    query.bind(QStringLiteral("OIDS"),
               pg::Param(QVariant(u'{' + list.join(u',') + u'}'), oidArrayType));
    const pg::Result rows = query.open();

    for (int row = 0; row < rows.rowCount(); ++row) {
        const pg::Oid routine = rows.text(row, 1).toUInt();
        FncArgArray &routineArgs = read[routine];
        const int position = int(routineArgs.size());
        TFuncArgument arg;
        arg.intOid = rows.text(row, 2).toUInt();
        arg.strMode = rows.text(row, 3);
        arg.strArgName = rows.text(row, 4);
        const int directArgs = rows.text(row, 5).toInt();
        const QString aggKind = rows.text(row, 6);
        // The arguments after the direct ones are the aggregated ones of an
        // ordered-set or hypothetical-set aggregate. When the direct arguments end
        // in a variadic one that also stands for the aggregated ones, the server
        // stores a single argument and none is flagged.
        arg.blnOrder = aggKind != QLatin1String("n") && position >= directArgs;
        if (arg.blnOrder)
            arg.strArgName.clear();
        arg.strSchema = rows.text(row, 7);
        arg.strTypeNaOri = rows.text(row, 8);
        arg.strTypeNaCon = rows.text(row, 9);
        routineArgs.append(arg);
    }
    args = std::move(read);
}

QString GetFuncArgTypes(const FncArgArray &args, quint8 modeFilter, const QString &schema)
{
    using namespace qvfuncargs;
    Q_UNUSED(schema)
    // Every type outside pg_catalog is qualified, after ORDER BY too, also one in the
    // routine's own schema: the statement that uses the signature may run with any search
    // path, and a bare "T" there may name another schema's type and so another overload.
    auto typeText = [](const TFuncArgument &arg) -> QString {
        QString text;
        if (arg.strSchema != QLatin1String("pg_catalog"))
            text = QuoteName(arg.strSchema) + u'.';
        return text + QuoteName(arg.strTypeNaOri);
    };
    QString result;
    bool orderWritten = false;
    for (const TFuncArgument &arg : args) {
        if (arg.blnOrder) {
            if (orderWritten)
                result += u',';
            else
                result += result.isEmpty() ? QStringLiteral("ORDER BY ")
                                           : QStringLiteral(" ORDER BY ");
            orderWritten = true;
            result += typeText(arg);
        } else if (modePasses(arg.strMode, modeFilter)) {
            if (!result.isEmpty())
                result += u',';
            result += typeText(arg);
        }
    }
    return result;
}
