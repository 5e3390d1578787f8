#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

// The statements and text rules behind the session services of the connection window, apart
// from any window so that they are checked as text and against the server alike.

// What the version banner of a server ("PostgreSQL 15.4 on x86_64-pc-linux-gnu, …") tells.
struct TServerFacts
{
    int DBVer = 0; // major × 10000 + minor × 100 + patch; 999999 when the version is unreadable
    bool g_bPostgresPlus = false; // the EnterpriseDB edition (the banner names it, any case)
    bool g_Linux_Ver = false; // the server runs on Linux ("linux" in the banner, case counts)
};
TServerFacts ServerFactsFromBanner(const QString &banner);

// A request for a list the services cannot give: no object kind, or a kind without a name
// list. what() is the message for the user (UTF-8).
class ObjectKindError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// GetObject's statement: the names of the objects of one kind (a keyword such as "TABLE",
// "MATERIALIZED VIEW", "PACKAGE BODY"; letter case and surrounding blanks do not matter) in
// one schema, ordered by name. A schema that is empty after trimming lists every schema and
// the statement has no parameter; any other schema is compared as it is (equality, not a
// pattern) through the one parameter :SCHEMA. Throws ObjectKindError for an empty kind and for
// a kind that has no name list (PACKAGE, INDEX, TRIGGER, …).
QString GetObjectSQL(const QString &schema, const QString &objectType, int dbVersion,
                     bool postgresPlus);

// GetSchemaInfo's statement: schema names in order. objList: the object tree's form (user
// schemas, pg_catalog, pg_toast, one "pg_temp" and one "pg_toast_temp" standing for every
// temporary schema); otherwise the editors' form (user schemas and pg_catalog). The edition's
// package namespaces are left out on its servers.
QString GetSchemaInfoSQL(bool objList, int dbVersion, bool postgresPlus);

// The logon schema to use: schema itself when schemas holds it exactly (letter case counts),
// else the first of schemas; schema when schemas is empty.
QString ChooseLogonSchema(const QString &schema, const QStringList &schemas);

// Whether a failed connect ran out of the time the logon waits for the server: the message of
// the client library says so, or the attempt took the whole time.
bool IsLoginTimeout(const QString &message, qint64 elapsedMs, int timeoutSeconds);
