#pragma once

#include <QString>

class ConnectionWindow;

// Opening the definitions of a name selected in an SQL editor (actEditOpen).
//
// The lookup statement: one SELECT per object kind joined by UNION ALL, each over the object
// list's catalog joins of that kind (GetObjectListSQL), with the columns SchemaNm, ObjTyp,
// ObjNo (the block's number, 1 to 14), ObjNm, OID and TblNm, and the parameters :OBJNM (the
// name) and :OWNER (the schema). Materialized views from 9.3, aggregates from 9.4, procedures
// from 11 or on the EnterpriseDB edition, packages and synonyms only on that edition.
QString EditOpenLookupSQL(int serverVersion, bool postgresPlus);

// Splits selected into schema and name (at the first "."; without one, the schema is the
// connection's default schema), looks the name up on current's main session and opens every
// object found through current's OpenObject, in the order the server returns them. A server
// error of the lookup reaches the caller; a window that fails has been reported by OpenObject.
// A name that matches nothing opens nothing and says nothing. Returns the number of hits.
int EditOpenExecute(ConnectionWindow *current, const QString &selected);
