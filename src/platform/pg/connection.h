#pragma once

#include "error.h"
#include "param.h"
#include "result.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace pg {

enum class TransactionStatus {
    Idle, // no transaction open
    Active, // a statement is running
    InTransaction, // inside a transaction block
    InError, // inside a failed transaction block: only ROLLBACK helps
    Unknown, // not connected
};

// The server version number from the banner of "SELECT version()": major × 10000 + minor × 100
// + patch, read from the word after the first blank ("15beta1" counts as 15.0); 999999 when
// that word cannot be read as a version.
int versionNumberFromBanner(const QString &banner);

// One session with a database server.
//
// Parameters are set by name before open(): "Server", "Port", "Database", "User_Name",
// "Password", "MetaDefSchema", "CharacterSet" (client encoding, UTF8 when empty),
// "ApplicationName" and "LoginTimeout" (seconds to wait for the server, 15 when empty). Names
// are matched without regard to letter case; any other name is kept and read back as given;
// a name never set reads as empty.
//
// A connection is used from one thread at a time; only cancel() may be called from any thread.
// When the server or the network drops the session, the statement that notices it fails with
// an Error whose isConnectionLost() is true, lost() is emitted, and every later statement fails
// with the same kind of error until open() or reopen() connects again.
//
// Transactions: the session's state is the server's (transactionStatus()). startTransaction()
// opens a transaction, or a SAVEPOINT when one is open already; commit() and rollback() end the
// innermost level (RELEASE / ROLLBACK TO for a savepoint). A COMMIT, END or PREPARE TRANSACTION
// that the server answers with ROLLBACK (the transaction had failed) is reported as an Error
// (sqlstate::TransactionRollback), whether it comes from commit() or from statement text.
class Connection : public QObject
{
    Q_OBJECT

public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    void setParam(const QString &name, const QString &value);
    QString param(const QString &name) const;
    QStringList paramNames() const;

    // Connects with the parameters; throws Error on failure with libpq's message (e.g.
    // "timeout expired") and sqlstate::UnableToConnect, or the server's class-28 code when the
    // user's credentials were refused (sqlstate::InvalidPassword for a wrong or missing
    // password). An open session is closed first.
    void open();
    // Connects again with the same parameters (after a lost connection).
    void reopen() { open(); }
    void close();
    bool isOpen() const;

    QString serverBanner() const; // "PostgreSQL 15.4 on x86_64-pc-linux-gnu, ..."
    int serverVersion() const; // see versionNumberFromBanner; 0 when not connected
    int backendPid() const;
    QString clientEncoding() const; // the session's current one, e.g. "UTF8"
    // The session's standard_conforming_strings (on when not connected): off, a backslash in
    // an ordinary '...' literal escapes the next character.
    bool standardConformingStrings() const;

    // Asks the server to stop the statement running on this session. Safe from any thread;
    // the statement then fails with an Error whose isCancelled() is true. False when no request
    // could be sent (not connected).
    bool cancel();

    TransactionStatus transactionStatus() const;
    bool inTransaction() const;
    void startTransaction();
    void commit();
    void rollback();
    int transactionDepth() const; // levels opened by startTransaction() and still open

    // Whether a change written through a data set while no transaction is open is committed at
    // once (on, the default) or left in a transaction the layer opens for it, to be ended by a
    // later commit() or rollback(). A change made inside an open transaction is never committed
    // by the layer, whatever this says.
    void setAutoCommit(bool on);
    bool autoCommit() const;

    // "Go on after errors": inside an open transaction every statement runs inside its own
    // savepoint, so that a failing one is undone alone and the transaction stays usable.
    void setContinueOnError(bool on);
    bool continueOnError() const;

    // Runs statement text as the server reads it ("$1" placeholders, no ":name" scanning).
    // Text without parameters may hold several statements; the last one's result is returned.
    Result exec(const QString &sql, const QList<Param> &params = {});
    // The same; returns the rows affected.
    qint64 execute(const QString &sql, const QList<Param> &params = {});
    // Runs exactly one statement, as a prepared statement runs: text holding several is
    // refused by the server (sqlstate::SyntaxError) before any of them runs.
    Result execStatement(const QString &sql, const QList<Param> &params = {});
    // Parses and describes one statement without running it: the result has the statement's
    // fields and no rows. Throws Error when the server refuses the text; inside an open
    // transaction the refusal is undone to a savepoint, so the transaction goes on.
    Result describe(const QString &sql);

    // The SCRAM-SHA-256 verifier of password for role user, made here on the client (libpq's
    // PQencryptPasswordConn), so that the statement that sets it carries no clear text: neither
    // a runner log nor the server's statement log ever sees the password itself.
    QString encryptPassword(const QString &password, const QString &user) const;

Q_SIGNALS:
    // Messages below ERROR level; emitted after the statement that caused them has ended.
    void notice(const pg::Notice &notice);
    // The session was found dropped; error describes how.
    void lost(const pg::Error &error);

private:
    friend class Query;
    friend class DataSet;
    friend class LargeObject;
    friend class PreparedStatement;
    struct Private;
    std::unique_ptr<Private> d;
};

// Runs the statements of a scope in "go on after errors" mode and restores the mode after.
class ContinueOnErrorScope
{
public:
    explicit ContinueOnErrorScope(Connection &connection)
        : m_connection(connection)
        , m_previous(connection.continueOnError())
    {
        connection.setContinueOnError(true);
    }
    ~ContinueOnErrorScope() { m_connection.setContinueOnError(m_previous); }
    ContinueOnErrorScope(const ContinueOnErrorScope &) = delete;
    ContinueOnErrorScope &operator=(const ContinueOnErrorScope &) = delete;

private:
    Connection &m_connection;
    bool m_previous;
};

} // namespace pg

Q_DECLARE_METATYPE(pg::Notice)
Q_DECLARE_METATYPE(pg::Error)
