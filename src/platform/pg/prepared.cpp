#include "prepared.h"

#include "connection.h"
#include "connection_p.h"
#include "error.h"

#include <atomic>

namespace pg {

namespace {

std::atomic<int> g_preparedSerial { 0 };

} // namespace

PreparedStatement::PreparedStatement(Connection &connection, const QString &sql)
    : m_connection(connection)
    , m_name(QByteArrayLiteral("cv_prep_") + QByteArray::number(++g_preparedSerial))
{
    ParamScanOptions options;
    options.standardStrings = connection.standardConformingStrings();
    m_scan = scanParameters(sql, options);
    m_values.resize(m_scan.names.size());
    m_bound.resize(m_scan.names.size(), false);
}

PreparedStatement::~PreparedStatement()
{
    if (!m_prepared || !m_connection.isOpen())
        return;
    // A failed transaction refuses every statement but its end: the session keeps the
    // statement then, under a name no one uses again.
    const TransactionStatus status = m_connection.transactionStatus();
    if (status != TransactionStatus::Idle && status != TransactionStatus::InTransaction)
        return;
    try {
        m_connection.d->internal(QStringLiteral("DEALLOCATE ") + QString::fromLatin1(m_name));
    } catch (const Error &) {
        // a destructor must not throw; a lost session has dropped the statement anyway
    }
}

int PreparedStatement::paramIndex(const QString &name) const
{
    const int index = int(m_scan.names.indexOf(name));
    return index >= 0 ? index : int(m_scan.names.indexOf(name.toUpper()));
}

void PreparedStatement::bind(int index, const Param &value)
{
    if (index < 0 || index >= m_values.size()) {
        throw Error(
            QString::fromLatin1(sqlstate::UndefinedParameter),
            QStringLiteral("パラメータ番号 %1 はこの SQL 文にありません（パラメータ数 %2）。")
                .arg(index + 1)
                .arg(m_values.size()))
            .setStatement(m_scan.source);
    }
    m_values[index] = value;
    m_bound[index] = true;
}

void PreparedStatement::bind(const QString &name, const Param &value)
{
    const int index = paramIndex(name);
    if (index < 0) {
        throw Error(QString::fromLatin1(sqlstate::UndefinedParameter),
                    QStringLiteral("パラメータ :%1 はこの SQL 文にありません。").arg(name))
            .setStatement(m_scan.source);
    }
    bind(index, value);
}

void PreparedStatement::clearBindings()
{
    m_values.fill(Param());
    m_bound.fill(false);
}

qint64 PreparedStatement::execute()
{
    Connection::Private &c = *m_connection.d;
    c.checkOpen();
    for (int i = 0; i < m_bound.size(); ++i) {
        if (!m_bound.at(i)) {
            throw Error(
                QString::fromLatin1(sqlstate::UndefinedParameter),
                QStringLiteral("パラメータ :%1 に値が設定されていません。").arg(m_scan.names.at(i)))
                .setStatement(m_scan.source);
        }
    }
    const detail::EncodedParams ep = c.encodeParams(m_values, &m_scan);
    QByteArray text;
    if (!m_prepared)
        text = c.encodeText(m_scan.rewritten, QStringLiteral("SQL 文"));
    PGconn *conn = c.conn;
    const bool wrap = c.continueOnError && PQtransactionStatus(conn) == PQTRANS_INTRANS;

    // The savepoint, the parse, the execution and the release travel as one pipeline: one
    // round trip per row instead of four. The server skips what follows a failure up to the
    // sync, so a failed row leaves the savepoint open for the rollback below.
    if (PQenterPipelineMode(conn) != 1)
        c.sendFailed(m_scan.source);
    enum Step { Savepoint, Parse, Run, Release };
    QList<Step> steps;
    bool sent = true;
    auto plain = [&](const char *sql) {
        sent = sent && PQsendQueryParams(conn, sql, 0, nullptr, nullptr, nullptr, nullptr, 0);
    };
    if (wrap) {
        plain("SAVEPOINT cv_stmt");
        steps << Savepoint;
    }
    if (!m_prepared) {
        sent = sent && PQsendPrepare(conn, m_name.constData(), text.constData(), 0, nullptr);
        steps << Parse;
    }
    sent = sent
        && PQsendQueryPrepared(conn, m_name.constData(), ep.count(), ep.values.data(),
                               ep.lengths.data(), ep.formats.data(), 0);
    steps << Run;
    if (wrap) {
        plain("RELEASE SAVEPOINT cv_stmt");
        steps << Release;
    }
    sent = sent && PQpipelineSync(conn);
    if (!sent) {
        PQexitPipelineMode(conn);
        c.sendFailed(m_scan.source);
    }

    detail::ResultPtr firstError;
    detail::ResultPtr runResult;
    bool parsed = false;
    int step = 0;
    bool synced = false;
    while (!synced) {
        PGresult *r = PQgetResult(conn);
        if (!r) {
            if (PQstatus(conn) == CONNECTION_BAD)
                break;
            ++step; // the end of one statement's results
            continue;
        }
        detail::ResultPtr res(r);
        switch (PQresultStatus(r)) {
        case PGRES_PIPELINE_SYNC:
            synced = true;
            break;
        case PGRES_FATAL_ERROR:
            if (!firstError)
                firstError = std::move(res);
            break;
        case PGRES_PIPELINE_ABORTED:
            break;
        default:
            if (step < steps.size() && steps.at(step) == Parse)
                parsed = true;
            else if (step < steps.size() && steps.at(step) == Run)
                runResult = std::move(res);
            break;
        }
        if (PQstatus(conn) == CONNECTION_BAD)
            break;
    }
    if (PQstatus(conn) == CONNECTION_BAD)
        c.raiseLost(firstError.get());
    PQexitPipelineMode(conn);
    c.flushNotices();
    if (parsed)
        m_prepared = true; // a parsed statement outlives the savepoint's rollback
    if (firstError) {
        const Error error = c.makeError(firstError.get(), m_scan.source, &m_scan);
        if (wrap && c.conn) {
            try {
                c.internal(QStringLiteral("ROLLBACK TO SAVEPOINT cv_stmt"));
                c.internal(QStringLiteral("RELEASE SAVEPOINT cv_stmt"));
            } catch (const Error &) {
                // the statement's own error is the one to report
            }
        }
        throw error;
    }
    if (!runResult)
        return 0;
    const char *tuples = PQcmdTuples(runResult.get());
    return tuples && *tuples ? QByteArray(tuples).toLongLong() : 0;
}

} // namespace pg
