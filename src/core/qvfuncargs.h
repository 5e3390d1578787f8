#pragma once

#include "platform/pg/param.h"

#include <QHash>
#include <QList>
#include <QString>

namespace pg {
class Connection;
}

// The argument list of a function, procedure or aggregate. The server tells
// routines of one name apart by their argument types, so captions, window keys,
// DROP, COMMENT, GRANT and REVOKE all name a routine by the signature built
// here.

struct TFuncArgument
{
    pg::Oid intOid = 0; // the argument's type
    QString strMode; // i in, o out, b in-out, v variadic, t column of RETURNS TABLE
    QString strArgName; // empty when unnamed and for arguments after ORDER BY
    bool blnOrder = false; // an aggregated argument of an ordered-set aggregate
    QString strSchema; // schema of the type
    QString strTypeNaOri; // the type's own name (int4, _int4)
    QString strTypeNaCon; // format_type(oid, NULL) (integer, integer[])
    QString strTypeNaConLen; // left to the callers
    int intLength = 0; // left to the callers
};

// In the order of pg_proc's argument arrays, output arguments included.
using FncArgArray = QList<TFuncArgument>;

// Reads every argument of the pg_proc row into args (empty when the oid names
// no row). Returns true; a database error propagates as pg::Error and leaves
// args as it was.
bool GetFuncArguments(pg::Oid oid, pg::Connection &connection, FncArgArray &args, int dbVersion);
// The same for many routines in one statement: args holds an entry for each oid that names a
// pg_proc row (a routine without arguments has none). A database error propagates and leaves
// args as it was.
void GetFuncArgumentsOf(const QList<pg::Oid> &oids, pg::Connection &connection,
                        QHash<pg::Oid, FncArgArray> &args, int dbVersion);

// The argument types of the signature, without brackets, separated by "," with
// no blank: the arguments whose mode passes the filter, each type quoted by
// QuoteName and qualified by its schema unless that is pg_catalog (also when it
// is the routine's own schema, so that the signature names the same overload
// under any search path; the schema argument is kept for the callers and not
// used); the aggregated arguments of an ordered-set aggregate after " ORDER BY
// ". Filters: 0 i, 1 o, 2 b, 3 v, 4 t, 5 the identity of the routine (i, b, v),
// 6 all, 7+ none.
QString GetFuncArgTypes(const FncArgArray &args, quint8 modeFilter, const QString &schema);
