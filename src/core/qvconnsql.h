#pragma once

#include <QString>

#include <stdexcept>

// The statements of the pick lists that every connection window offers the windows bound to it
// (ConnectionWindow::GetUser and its kin), apart from any window so that they are checked as
// text and against the server alike.

// A request for a list the services cannot give: no object kind, or a kind without a name
// list. what() is the message for the user (UTF-8).
class ObjectKindError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// GetUser's statement (the login roles), GetRole's (the roles that cannot log in), GetTBS's
// (the tablespaces) and GetDBLink's (the database links; the edition's catalog only), each one
// text column in name order.
QString GetUserSQL();
QString GetRoleSQL();
QString GetTBSSQL();
QString GetDBLinkSQL();

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
