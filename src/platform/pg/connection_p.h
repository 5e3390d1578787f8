#pragma once

// Private to the layer: the session behind a pg::Connection.

#include "connection.h"
#include "paramscanner.h"
#include "result_p.h"

#include <QMap>

#include <libpq-fe.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace pg {

namespace detail {

struct ResultDeleter
{
    void operator()(PGresult *r) const { PQclear(r); }
};
using ResultPtr = std::unique_ptr<PGresult, ResultDeleter>;

// Values ready for PQexecParams.
struct EncodedParams
{
    std::vector<QByteArray> storage;
    std::vector<const char *> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    std::vector<::Oid> types;
    int count() const { return int(values.size()); }
};

} // namespace detail

struct Connection::Private
{
    explicit Private(Connection *q)
        : q(q)
    { }

    struct Level
    {
        bool savepoint = false;
        QString name;
    };

    Connection *q;
    QMap<QString, QPair<QString, QString>> params; // lower-case name -> (name, value)
    PGconn *conn = nullptr;
    std::mutex cancelMutex;
    PGcancel *cancelHandle = nullptr;
    bool lostFlag = false;
    QString banner;
    int version = 0;
    int pid = 0;
    bool autoCommit = true;
    bool continueOnError = false;
    QList<Level> levels;
    int savepointSerial = 0;
    QList<Notice> pendingNotices;

    static void noticeReceiver(void *arg, const PGresult *res);
    const detail::TextCodec *codec() const;
    void checkOpen() const;
    QByteArray encodeText(const QString &text, const QString &what) const;
    detail::EncodedParams encodeParams(const QList<Param> &params, const ParamScan *scan) const;

    // Runs one round of statement text; throws Error. With wrap, "go on after errors" applies;
    // with single the text goes through the extended protocol, which takes one statement only.
    Result run(const QString &serverSql, const QList<Param> &params, const QString &source,
               const ParamScan *scan, bool wrap = true, bool single = false);
    detail::ResultPtr exchange(const QByteArray &text, const detail::EncodedParams &ep,
                               const QString &source, const ParamScan *scan, bool extended);
    // Collects every result of the statement sent last; throws Error for its first error.
    detail::ResultPtr collect(const QString &source, const ParamScan *scan);
    // A statement of the layer's own (BEGIN, SAVEPOINT, catalog reads); throws Error.
    detail::ResultPtr internal(const QString &sql, const QList<Param> &params = {});

    // Parses and describes statement text without running it (as the unnamed statement, which
    // the next statement replaces).
    detail::ResultPtr prepare(const QByteArray &text, const detail::EncodedParams &ep,
                              const QString &source, const ParamScan *scan);

    Error makeError(const PGresult *res, const QString &source, const ParamScan *scan) const;
    [[noreturn]] void raiseLost(const PGresult *serverError);
    // Whether the session has been dropped, looking at the socket when libpq has not noticed.
    bool sessionGone();
    // A PQsend… call failed: the session is lost, or the statement is refused; throws Error.
    [[noreturn]] void sendFailed(const QString &source);
    void checkCommitAnswer(const PGresult *res, const QString &source) const;
    void flushNotices();
    void syncLevels();
    QString nextSavepointName(const char *prefix);

    // Runs a probe of the layer's own (a describe, a plan) that may fail without harming the
    // user's transaction: inside a savepoint when a transaction is open. A failure of the
    // probe, other than a lost connection, counts as false; false undoes what it did.
    bool probe(const char *savepoint, const std::function<bool()> &body);

    // Writes one change as a unit of its own: inside a savepoint when a transaction is open,
    // else in a transaction that is committed when auto-commit is on. With expectOneRow the
    // statement must touch exactly one row, or it is undone and refused.
    Result writeUnit(const QString &serverSql, const QList<Param> &params, bool expectOneRow);
};

} // namespace pg
