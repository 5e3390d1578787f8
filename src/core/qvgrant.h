#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class ConnectionWindow;
class QIODevice;

// GRANT scripts: the privileges the catalog's access-control lists record, written back as
// GRANT statements in the DDL script convention (each statement on a line of its own, then a
// line that holds only ";").
//
// Modes: 1 one object (Schema, ObjectName, its kind keyword as the object list shows it and,
// for routines, the pg_proc oid as decimal text); 2 everything the role named by Schema owns
// or has been granted on relations, routines, sequences and types, with the default
// privileges of what it owns; any other value one tablespace (ObjectName).

// One catalog row of the GRANT queries.
struct TGrantRow
{
    QString kind; // TABLE, PROCEDURE, FUNCTION, PACKAGE, TYPE, SEQUENCE or TABLESPACE
    QString schema; // empty for a tablespace
    QString name;
    QString owner;
    QStringList acl; // the items in their text form
    bool aclCountNull = true; // the ACL is NULL or an empty array: the defaults apply
    qint64 oid = -1; // routines and packages; -1 otherwise
};

// How the references are qualified.
struct TGrantNaming
{
    int owner = 0; // the script option "Owner": 0 always, 1 unless MetaDefSchema, 2 never
    QString metaDefSchema;
    QHash<qint64, QString> argTypes; // the argument-type list of each routine oid
};

// The statement that reads the rows of a mode (for mode 1 the kind keyword chooses it); empty
// when the kind has no privileges to write (a type before 9.2, a package outside the
// EnterpriseDB edition). The ":NAME" parameters are bound by GrantParameters.
QString GrantSQL(int mode, const QString &objectKind, int dbVersion, bool postgresPlus);
// The package query of the EnterpriseDB edition.
QString GrantPackageSQL(int dbVersion);
// The values of GrantSQL's parameters in their order of first appearance. Throws
// std::invalid_argument when a routine's oid is not a number.
QStringList GrantParameters(int mode, const QString &objectKind, const QString &Schema,
                            const QString &ObjectName, const QString &oid);

// The statements of the rows, each followed by its ";" line; no widgets, no database.
QStringList GrantStatements(const QList<TGrantRow> &rows, int mode, const QString &Schema,
                            const TGrantNaming &naming);

// Reads the rows on the window's main session and appends the script to Stream in the
// file-encoding option's encoding without a byte-order mark. Everything is read and built
// before the first byte is written, so a failure (pg::Error, std::invalid_argument for an oid
// that is not a number) leaves Stream untouched. A kind without privileges writes nothing.
void WriteGrantScript(ConnectionWindow &window, const QString &Schema, const QString &ObjectName,
                      QIODevice &Stream, int intMode, const QString &strObjCls,
                      const QString &strOid);
