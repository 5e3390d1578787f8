#include "startup.h"

#include "error.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <poll.h>

namespace pg::detail {

QString plainStartupMessage(const QString &verbose, QString *sqlState)
{
    // "FATAL:  28P01: password authentication failed …": the severity is in the server's
    // language, the code and its place are not.
    static const QRegularExpression code(QStringLiteral(":  ([0-9A-Z]{5}): "));
    // "LOCATION:  auth_failed, auth.c:334": the label is in the client's language.
    static const QRegularExpression location(
        QStringLiteral("^[^\\n]*:  (?:[^\\n]*, )?[^\\s,:]+\\.[a-z]+:\\d+\\n?"),
        QRegularExpression::MultilineOption);
    QString text = verbose;
    QString last;
    for (QRegularExpressionMatch m = code.match(text); m.hasMatch(); m = code.match(text)) {
        last = m.captured(1);
        text.remove(m.capturedStart(1), m.capturedLength(1) + 2);
    }
    text.remove(location);
    if (sqlState)
        *sqlState = last;
    return text.trimmed();
}

PGconn *startSession(const char *const *keys, const char *const *values, int timeoutSeconds,
                     StartupFailure &failure)
{
    PGconn *c = PQconnectStartParams(keys, values, 0);
    if (!c) {
        failure
            = { QString::fromLatin1(sqlstate::UnableToConnect), QStringLiteral("out of memory") };
        return nullptr;
    }
    bool timedOut = false;
    if (PQstatus(c) != CONNECTION_BAD) {
        // The server's fields reach the text only in the verbose form.
        PQsetErrorVerbosity(c, PQERRORS_VERBOSE);
        const int seconds = timeoutSeconds <= 0 ? 0 : std::max(timeoutSeconds, 2);
        const QDeadlineTimer deadline = seconds > 0 ? QDeadlineTimer(qint64(seconds) * 1000)
                                                    : QDeadlineTimer(QDeadlineTimer::Forever);
        PostgresPollingStatusType state = PGRES_POLLING_WRITING;
        while (state == PGRES_POLLING_READING || state == PGRES_POLLING_WRITING) {
            pollfd fd {};
            fd.fd = PQsocket(c);
            fd.events = state == PGRES_POLLING_READING ? POLLIN : POLLOUT;
            const qint64 left = deadline.remainingTime();
            const int ready = ::poll(&fd, 1, left < 0 ? -1 : int(std::min<qint64>(left, INT_MAX)));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready == 0) {
                timedOut = true;
                break;
            }
            state = PQconnectPoll(c);
        }
    }
    if (!timedOut && PQstatus(c) == CONNECTION_OK) {
        PQsetErrorVerbosity(c, PQERRORS_DEFAULT);
        return c;
    }

    QString code;
    failure.message = timedOut ? QStringLiteral("timeout expired")
                               : plainStartupMessage(QString::fromUtf8(PQerrorMessage(c)), &code);
    if (!timedOut && PQconnectionNeedsPassword(c))
        code = QString::fromLatin1(sqlstate::InvalidPassword);
    failure.sqlState = code.startsWith(QLatin1String("28"))
        ? code
        : QString::fromLatin1(sqlstate::UnableToConnect);
    PQfinish(c);
    return nullptr;
}

} // namespace pg::detail
