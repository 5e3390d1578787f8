#pragma once

// Private to the layer: opening a libpq session so that a refusal keeps its reason.

#include <QString>

#include <libpq-fe.h>

namespace pg::detail {

// Why a connection could not be made: the SQLSTATE callers branch on and libpq's text.
struct StartupFailure
{
    QString sqlState;
    QString message;
};

// Connects as PQconnectdbParams does (keys and values end with nullptr; timeoutSeconds as
// connect_timeout, at least 2, 0 waits for ever) and returns the open session, or nullptr with
// failure filled in. libpq folds every refusal into its text; here the server's SQLSTATE is
// kept where the logon's credentials were the cause: class 28 as the server sent it
// (28P01 a wrong password, 28000 a refused authorization), and 28P01 also when the server asked
// for a password and none was given. Every other failure is sqlstate::UnableToConnect. The
// text is libpq's usual one.
PGconn *startSession(const char *const *keys, const char *const *values, int timeoutSeconds,
                     StartupFailure &failure);

// libpq's verbose text of a refused connection turned back into its usual one: the SQLSTATE
// after each severity and the source-location lines taken out. sqlState is the last SQLSTATE
// found in it, empty when none was.
QString plainStartupMessage(const QString &verbose, QString *sqlState);

} // namespace pg::detail
