#pragma once

#include "param.h"
#include "paramscanner.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace pg {

class Connection;

// A statement with ":name" parameters that the server parses and plans once and then runs many
// times with new values: the loop of a bulk write. It is made on the server at the first
// execute() and dropped when the object goes.
//
//     pg::PreparedStatement insert(connection, "INSERT INTO t (a, b) VALUES (:A, :B)");
//     for (...) { insert.bind("A", a); insert.bind("B", b); insert.execute(); }
//
// The server fixes the parameter types from the statement when it parses it; the types of the
// values bound later are not sent. "Go on after errors" applies as to any statement: inside an
// open transaction each execution (and the parse, when it comes with it) runs in a savepoint of
// its own, sent in the same round trip as the statement, so that a failing row is undone alone.
class PreparedStatement
{
public:
    PreparedStatement(Connection &connection, const QString &sql);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement &) = delete;
    PreparedStatement &operator=(const PreparedStatement &) = delete;

    const QString &sql() const { return m_scan.source; }
    const QStringList &paramNames() const { return m_scan.names; }
    int paramCount() const { return int(m_scan.names.size()); }
    // The position of a parameter (as written, then upper-cased); -1 when there is none.
    int paramIndex(const QString &name) const;

    // Throws Error (sqlstate::UndefinedParameter) for a parameter the statement does not have.
    void bind(int index, const Param &value);
    void bind(const QString &name, const Param &value);
    void clearBindings();

    // Runs the statement with the values bound (every parameter needs one); returns the rows it
    // inserted, updated or deleted. Throws Error.
    qint64 execute();
    bool isPrepared() const { return m_prepared; }

private:
    Connection &m_connection;
    ParamScan m_scan;
    QByteArray m_name;
    QList<Param> m_values;
    QList<bool> m_bound;
    bool m_prepared = false;
};

} // namespace pg
