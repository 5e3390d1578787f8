#include "connection.h"

#include "connection_p.h"
#include "startup.h"

#include <QDateTime>

namespace pg {

namespace connection { } // namespace connection

void Connection::Private::noticeReceiver(void *arg, const PGresult *res)
{
    auto *d = static_cast<Connection::Private *>(arg);
    const detail::TextCodec *codec = d->codec();
    auto field = [&](int code) {
        const char *v = PQresultErrorField(res, code);
        return v ? codec->decode(v, qstrlen(v)) : QString();
    };
    Notice n;
    n.severity = field(PG_DIAG_SEVERITY_NONLOCALIZED);
    if (n.severity.isEmpty())
        n.severity = field(PG_DIAG_SEVERITY);
    n.sqlState = field(PG_DIAG_SQLSTATE);
    n.message = field(PG_DIAG_MESSAGE_PRIMARY);
    n.detail = field(PG_DIAG_MESSAGE_DETAIL);
    n.hint = field(PG_DIAG_MESSAGE_HINT);
    d->pendingNotices.append(n);
}

namespace connection {

// Statements that begin, end or nest a transaction themselves, by their first two words:
// PREPARE alone makes a prepared statement, an ordinary one.
bool isTransactionControl(const QStringList &words)
{
    static const QStringList control = {
        QStringLiteral("BEGIN"),     QStringLiteral("START"),    QStringLiteral("COMMIT"),
        QStringLiteral("END"),       QStringLiteral("ROLLBACK"), QStringLiteral("ABORT"),
        QStringLiteral("SAVEPOINT"), QStringLiteral("RELEASE"),
    };
    const QString first = words.value(0);
    if (first == QLatin1String("PREPARE"))
        return words.value(1) == QLatin1String("TRANSACTION");
    return control.contains(first);
}

// Statements whose answer ROLLBACK means the server rolled the failed transaction back
// instead of doing what was asked.
bool endsTransaction(const QStringList &words)
{
    const QString first = words.value(0);
    return first == QLatin1String("COMMIT") || first == QLatin1String("END")
        || (first == QLatin1String("PREPARE") && words.value(1) == QLatin1String("TRANSACTION"));
}

QByteArray numberText(double v)
{
    if (qIsNaN(v))
        return QByteArrayLiteral("NaN");
    if (qIsInf(v))
        return v > 0 ? QByteArrayLiteral("Infinity") : QByteArrayLiteral("-Infinity");
    return QByteArray::number(v, 'g', 17);
}

} // namespace connection

int versionNumberFromBanner(const QString &banner)
{
    constexpr int Unreadable = 999999;
    const int blank = banner.indexOf(u' ');
    if (blank < 0)
        return Unreadable;
    int end = blank + 1;
    while (end < banner.size() && banner.at(end) != u',' && banner.at(end) != u' ')
        ++end;
    if (end >= banner.size())
        return Unreadable; // nothing ends the word: no version to read
    QString token = banner.mid(blank + 1, end - blank - 1);
    for (const QLatin1String mark : { QLatin1String("beta"), QLatin1String("rc") }) {
        const int at = token.indexOf(mark);
        if (at >= 0)
            token = token.left(at) + QLatin1String(".0");
    }
    QStringList parts = token.split(u'.');
    if (parts.size() > 3)
        parts = parts.mid(0, 3);
    int factors[] = { 10000, 100, 1 };
    int number = 0;
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const int v = parts.at(i).toInt(&ok);
        if (!ok || parts.at(i).isEmpty() || !parts.at(i).at(0).isDigit())
            return Unreadable;
        number += v * factors[i];
    }
    return number;
}

// ---------------------------------------------------------------------------------------------

const detail::TextCodec *Connection::Private::codec() const
{
    return detail::TextCodec::forEncoding(conn ? PQclientEncoding(conn) : 6 /* UTF8 */);
}

void Connection::Private::checkOpen() const
{
    if (conn)
        return;
    if (lostFlag) {
        throw Error(QString::fromLatin1(sqlstate::ConnectionDoesNotExist),
                    QStringLiteral("サーバーとの接続は切断されています。接続し直してください。"));
    }
    throw Error(QString::fromLatin1(sqlstate::ConnectionDoesNotExist),
                QStringLiteral("データベースに接続されていません。"));
}

QByteArray Connection::Private::encodeText(const QString &text, const QString &what) const
{
    if (text.contains(QChar(0))) {
        throw Error(
            QString::fromLatin1(sqlstate::CharacterNotInRepertoire),
            QStringLiteral("%1に NUL 文字 (0x00) が含まれているため送信できません。").arg(what),
            QString(),
            QStringLiteral("PostgreSQL の文字列は 0x00 を保持できません。値から取り除くか、"
                           "bytea として扱ってください。"));
    }
    bool ok = true;
    QByteArray out = codec()->encode(text, &ok);
    if (!ok) {
        throw Error(QString::fromLatin1(sqlstate::UntranslatableCharacter),
                    QStringLiteral("%1にクライアント文字コード %2 で表せない文字が含まれています。")
                        .arg(what, codec()->name()));
    }
    return out;
}

detail::EncodedParams Connection::Private::encodeParams(const QList<Param> &params,
                                                        const ParamScan *scan) const
{
    detail::EncodedParams ep;
    const int n = int(params.size());
    ep.storage.resize(n);
    ep.values.resize(n, nullptr);
    ep.lengths.resize(n, 0);
    ep.formats.resize(n, 0);
    ep.types.resize(n, 0);
    for (int i = 0; i < n; ++i) {
        const Param &p = params.at(i);
        ep.types[i] = p.type;
        const QVariant &v = p.value;
        if (!v.isValid() || v.isNull())
            continue;
        const QString what = scan && i < scan->names.size()
            ? QStringLiteral("パラメータ :%1 の値").arg(scan->names.at(i))
            : QStringLiteral("パラメータ $%1 の値").arg(i + 1);
        QByteArray &s = ep.storage[i];
        if (p.asServerText) {
            s = v.toByteArray();
            if (s.contains('\0')) {
                throw Error(
                    QString::fromLatin1(sqlstate::CharacterNotInRepertoire),
                    QStringLiteral("%1に NUL 文字 (0x00) が含まれているため送信できません。")
                        .arg(what));
            }
            ep.values[i] = s.constData();
            ep.lengths[i] = int(s.size());
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::QByteArray:
            s = v.toByteArray();
            if (p.type == type::Unknown || p.type == type::Bytea) {
                ep.types[i] = type::Bytea;
                ep.formats[i] = 1; // binary: bytes go as they are
            } else if (s.contains('\0')) {
                throw Error(
                    QString::fromLatin1(sqlstate::CharacterNotInRepertoire),
                    QStringLiteral("%1に NUL 文字 (0x00) が含まれているため送信できません。")
                        .arg(what));
            }
            break;
        case QMetaType::Bool:
            s = v.toBool() ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
            break;
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::Long:
        case QMetaType::LongLong:
            s = QByteArray::number(v.toLongLong());
            break;
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            s = QByteArray::number(v.toULongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            s = connection::numberText(v.toDouble());
            break;
        case QMetaType::QDate:
            s = v.toDate().toString(Qt::ISODate).toLatin1();
            break;
        case QMetaType::QTime:
            s = v.toTime().toString(Qt::ISODateWithMs).toLatin1();
            break;
        case QMetaType::QDateTime:
            s = v.toDateTime().toString(Qt::ISODateWithMs).toLatin1();
            break;
        default:
            s = encodeText(v.toString(), what);
            break;
        }
        ep.values[i] = s.constData();
        ep.lengths[i] = int(s.size());
    }
    return ep;
}

Error Connection::Private::makeError(const PGresult *res, const QString &source,
                                     const ParamScan *scan) const
{
    const detail::TextCodec *c = codec();
    auto field = [&](int code) {
        const char *v = res ? PQresultErrorField(res, code) : nullptr;
        return v ? c->decode(v, qstrlen(v)) : QString();
    };
    QString message = field(PG_DIAG_MESSAGE_PRIMARY);
    if (message.isEmpty()) {
        const char *m = res ? PQresultErrorMessage(res) : PQerrorMessage(conn);
        if (!m || !*m)
            m = conn ? PQerrorMessage(conn) : "";
        message = c->decode(m, qstrlen(m)).trimmed();
    }
    QString state = field(PG_DIAG_SQLSTATE);
    if (state.isEmpty())
        state = QStringLiteral("XX000");
    Error e(state, message, field(PG_DIAG_MESSAGE_DETAIL), field(PG_DIAG_MESSAGE_HINT));
    QString severity = field(PG_DIAG_SEVERITY_NONLOCALIZED);
    e.setSeverity(severity.isEmpty() ? field(PG_DIAG_SEVERITY) : severity);
    e.setContext(field(PG_DIAG_CONTEXT));
    const int position = field(PG_DIAG_STATEMENT_POSITION).toInt();
    e.setPosition(scan ? scan->sourcePosition(position) : position);
    e.setStatement(source);
    e.setObjectNames(field(PG_DIAG_SCHEMA_NAME), field(PG_DIAG_TABLE_NAME),
                     field(PG_DIAG_COLUMN_NAME), field(PG_DIAG_CONSTRAINT_NAME));
    if (state == QLatin1String(sqlstate::CharacterNotInRepertoire)
        && message.endsWith(QLatin1String("0x00")) && e.hint().isEmpty()) {
        // The server refuses a zero byte in text: say so plainly, and that an open transaction
        // is now unusable, instead of leaving the user to guess why nothing happened.
        QString hint = QStringLiteral("文字列に NUL (0x00) は格納できません。値から 0x00 を"
                                      "取り除いてください。");
        if (conn && PQtransactionStatus(conn) == PQTRANS_INERROR)
            hint += QStringLiteral(
                "開いているトランザクションは中断されました。ROLLBACK してください。");
        e.setHint(hint);
    }
    return e;
}

void Connection::Private::raiseLost(const PGresult *serverError)
{
    QString why;
    if (serverError) {
        const char *m = PQresultErrorField(serverError, PG_DIAG_MESSAGE_PRIMARY);
        if (!m)
            m = PQresultErrorMessage(serverError);
        why = codec()->decode(m, qstrlen(m)).trimmed();
    }
    if (why.isEmpty() && conn)
        why = QString::fromLocal8Bit(PQerrorMessage(conn)).trimmed();
    Error e(QString::fromLatin1(sqlstate::ConnectionFailure),
            QStringLiteral("サーバーとの接続が切断されました。"), why,
            QStringLiteral("接続し直してください。実行中だったトランザクションは失われています。"));
    {
        std::lock_guard lock(cancelMutex);
        if (cancelHandle)
            PQfreeCancel(cancelHandle);
        cancelHandle = nullptr;
    }
    if (conn)
        PQfinish(conn);
    conn = nullptr;
    lostFlag = true;
    levels.clear();
    flushNotices();
    Q_EMIT q->lost(e);
    throw e;
}

void Connection::Private::flushNotices()
{
    if (pendingNotices.isEmpty())
        return;
    const QList<Notice> notices = std::exchange(pendingNotices, {});
    for (const Notice &n : notices)
        Q_EMIT q->notice(n);
}

detail::ResultPtr Connection::Private::collect(const QString &source, const ParamScan *scan)
{
    detail::ResultPtr last;
    detail::ResultPtr firstError;
    while (PGresult *r = PQgetResult(conn)) {
        switch (PQresultStatus(r)) {
        case PGRES_FATAL_ERROR:
            if (!firstError)
                firstError.reset(r);
            else
                PQclear(r);
            break;
        case PGRES_COPY_IN:
            // data from the client is not supplied through this layer
            PQclear(r);
            PQputCopyEnd(conn, "COPY FROM STDIN is not supported on this connection");
            break;
        case PGRES_COPY_OUT: {
            PQclear(r);
            char *buffer = nullptr;
            while (PQgetCopyData(conn, &buffer, 0) > 0)
                PQfreemem(buffer);
            break;
        }
        case PGRES_COPY_BOTH:
            PQclear(r);
            break;
        default:
            last.reset(r);
            break;
        }
        if (PQstatus(conn) == CONNECTION_BAD)
            break;
    }
    // An error that the server did not send (no SQLSTATE) comes from libpq itself: after a
    // crash the write fails and libpq reports it before it has read the closed socket.
    if (PQstatus(conn) == CONNECTION_BAD
        || (firstError && !PQresultErrorField(firstError.get(), PG_DIAG_SQLSTATE) && sessionGone()))
        raiseLost(firstError.get());
    flushNotices();
    if (firstError)
        throw makeError(firstError.get(), source, scan);
    if (!last)
        last.reset(PQmakeEmptyPGresult(conn, PGRES_COMMAND_OK));
    return last;
}

detail::ResultPtr Connection::Private::exchange(const QByteArray &text,
                                                const detail::EncodedParams &ep,
                                                const QString &source, const ParamScan *scan,
                                                bool extended)
{
    checkOpen();
    const int sent = extended || ep.count() > 0
        ? PQsendQueryParams(conn, text.constData(), ep.count(), ep.types.data(), ep.values.data(),
                            ep.lengths.data(), ep.formats.data(), 0)
        : PQsendQuery(conn, text.constData());
    if (!sent)
        sendFailed(source);
    return collect(source, scan);
}

bool Connection::Private::sessionGone()
{
    if (PQstatus(conn) == CONNECTION_BAD)
        return true;
    // Reading what is waiting finds a closed socket (libpq then marks the session bad); on a
    // live idle session it reads nothing and returns at once.
    for (int round = 0; round < 3; ++round) {
        if (!PQconsumeInput(conn) || PQstatus(conn) == CONNECTION_BAD)
            return true;
    }
    return false;
}

void Connection::Private::sendFailed(const QString &source)
{
    // libpq refuses to send on a dead session, and also for reasons of the statement itself
    // on a live one: only the first loses the session
    const QString why
        = codec()->decode(PQerrorMessage(conn), qstrlen(PQerrorMessage(conn))).trimmed();
    if (sessionGone())
        raiseLost(nullptr);
    while (PGresult *r = PQgetResult(conn))
        PQclear(r);
    throw Error(QStringLiteral("XX000"), why).setStatement(source);
}

void Connection::Private::checkCommitAnswer(const PGresult *res, const QString &source) const
{
    if (!connection::endsTransaction(leadingKeywords(source, 2)))
        return;
    if (qstrcmp(PQcmdStatus(const_cast<PGresult *>(res)), "ROLLBACK") != 0)
        return;
    throw Error(QString::fromLatin1(sqlstate::TransactionRollback),
                QStringLiteral("トランザクションはエラーのためロールバックされました。"
                               "変更はコミットされていません。"))
        .setStatement(source);
}

Result Connection::Private::run(const QString &serverSql, const QList<Param> &params,
                                const QString &source, const ParamScan *scan, bool wrap,
                                bool single)
{
    checkOpen();
    const QByteArray text = encodeText(serverSql, QStringLiteral("SQL 文"));
    const detail::EncodedParams ep = encodeParams(params, scan);
    const bool inSavepoint = wrap && continueOnError && PQtransactionStatus(conn) == PQTRANS_INTRANS
        && !connection::isTransactionControl(leadingKeywords(source, 2));
    if (inSavepoint)
        internal(QStringLiteral("SAVEPOINT cv_stmt"));
    detail::ResultPtr res;
    try {
        res = exchange(text, ep, source, scan, single);
    } catch (const Error &) {
        if (inSavepoint && conn) {
            try {
                internal(QStringLiteral("ROLLBACK TO SAVEPOINT cv_stmt"));
                internal(QStringLiteral("RELEASE SAVEPOINT cv_stmt"));
            } catch (const Error &) {
                // the statement's own error is the one to report
            }
        }
        throw;
    }
    if (inSavepoint)
        internal(QStringLiteral("RELEASE SAVEPOINT cv_stmt"));
    checkCommitAnswer(res.get(), source);
    return Result(std::make_shared<detail::ResultData>(res.release(), codec(), source));
}

detail::ResultPtr Connection::Private::internal(const QString &sql, const QList<Param> &params)
{
    checkOpen();
    const detail::EncodedParams ep = encodeParams(params, nullptr);
    return exchange(encodeText(sql, QStringLiteral("SQL 文")), ep, sql, nullptr, !params.isEmpty());
}

detail::ResultPtr Connection::Private::prepare(const QByteArray &text,
                                               const detail::EncodedParams &ep,
                                               const QString &source, const ParamScan *scan)
{
    checkOpen();
    if (!PQsendPrepare(conn, "", text.constData(), ep.count(), ep.types.data()))
        sendFailed(source);
    collect(source, scan);
    if (!PQsendDescribePrepared(conn, ""))
        sendFailed(source);
    return collect(source, scan);
}

bool Connection::Private::probe(const char *savepoint, const std::function<bool()> &body)
{
    const bool inTransaction = PQtransactionStatus(conn) != PQTRANS_IDLE;
    const QString name = QString::fromLatin1(savepoint);
    if (inTransaction)
        internal(QStringLiteral("SAVEPOINT ") + name);
    bool ok = false;
    try {
        ok = body();
    } catch (const Error &e) {
        if (e.isConnectionLost())
            throw;
    }
    if (inTransaction) {
        if (!ok)
            internal(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name);
        internal(QStringLiteral("RELEASE SAVEPOINT ") + name);
    }
    return ok;
}

void Connection::Private::syncLevels()
{
    if (!conn || PQtransactionStatus(conn) == PQTRANS_IDLE)
        levels.clear();
}

QString Connection::Private::nextSavepointName(const char *prefix)
{
    return QString::fromLatin1(prefix) + QString::number(++savepointSerial);
}

Result Connection::Private::writeUnit(const QString &serverSql, const QList<Param> &params,
                                      bool expectOneRow)
{
    checkOpen();
    const bool ownTransaction = PQtransactionStatus(conn) == PQTRANS_IDLE;
    const QString savepoint = nextSavepointName("cv_write_");
    internal(ownTransaction ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT ") + savepoint);
    auto undo = [&] {
        if (!conn)
            return;
        try {
            if (ownTransaction) {
                internal(QStringLiteral("ROLLBACK"));
            } else {
                internal(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint);
                internal(QStringLiteral("RELEASE SAVEPOINT ") + savepoint);
            }
        } catch (const Error &) {
            // the refusal below is what the caller needs to see
        }
    };
    Result result;
    try {
        result = run(serverSql, params, serverSql, nullptr, false);
        const qint64 rows = result.rowsAffected();
        if (expectOneRow && rows == 0) {
            throw Error(
                QString::fromLatin1(sqlstate::RowNotFound),
                QStringLiteral("変更する行が見つかりません。他のセッションで変更または削除された"
                               "可能性があります。変更は取り消されました。"))
                .setStatement(serverSql);
        }
        if (expectOneRow && rows != 1) {
            throw Error(QString::fromLatin1(sqlstate::RowNotUnique),
                        QStringLiteral("変更する行を一意に特定できません（%1 行が該当）。"
                                       "変更は取り消されました。")
                            .arg(rows))
                .setStatement(serverSql);
        }
    } catch (const Error &) {
        undo();
        throw;
    }
    if (!ownTransaction) {
        internal(QStringLiteral("RELEASE SAVEPOINT ") + savepoint);
    } else if (autoCommit) {
        detail::ResultPtr answer = internal(QStringLiteral("COMMIT"));
        checkCommitAnswer(answer.get(), QStringLiteral("COMMIT"));
    }
    return result;
}

// ---------------------------------------------------------------------------------------------

Connection::Connection(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{
    qRegisterMetaType<pg::Notice>();
    qRegisterMetaType<pg::Error>();
}

Connection::~Connection()
{
    close();
}

void Connection::setParam(const QString &name, const QString &value)
{
    d->params.insert(name.toLower(), qMakePair(name, value));
}

QString Connection::param(const QString &name) const
{
    return d->params.value(name.toLower()).second;
}

QStringList Connection::paramNames() const
{
    QStringList names;
    for (const auto &p : d->params)
        names << p.first;
    return names;
}

void Connection::open()
{
    close();
    QList<QByteArray> keys;
    QList<QByteArray> values;
    auto add = [&](const char *key, const QString &value) {
        if (value.isEmpty())
            return;
        keys << QByteArray(key);
        values << value.toUtf8();
    };
    add("host", param(QStringLiteral("Server")));
    add("port", param(QStringLiteral("Port")));
    add("dbname", param(QStringLiteral("Database")));
    add("user", param(QStringLiteral("User_Name")));
    add("password", param(QStringLiteral("Password")));
    const QString timeout = param(QStringLiteral("LoginTimeout"));
    add("connect_timeout", timeout.isEmpty() ? QStringLiteral("15") : timeout);
    const QString encoding = param(QStringLiteral("CharacterSet"));
    add("client_encoding", encoding.isEmpty() ? QStringLiteral("UTF8") : encoding);
    add("application_name", param(QStringLiteral("ApplicationName")));
    add("fallback_application_name", QStringLiteral("corvane"));
    // a dead peer on TCP is found within about a minute instead of hanging a statement
    add("keepalives", QStringLiteral("1"));
    add("keepalives_idle", QStringLiteral("30"));
    add("keepalives_interval", QStringLiteral("10"));
    add("keepalives_count", QStringLiteral("3"));

    std::vector<const char *> k;
    std::vector<const char *> v;
    for (int i = 0; i < keys.size(); ++i) {
        k.push_back(keys.at(i).constData());
        v.push_back(values.at(i).constData());
    }
    k.push_back(nullptr);
    v.push_back(nullptr);
    const int timeoutSeconds = (timeout.isEmpty() ? QStringLiteral("15") : timeout).toInt();
    detail::StartupFailure failure;
    PGconn *c = detail::startSession(k.data(), v.data(), timeoutSeconds, failure);
    if (!c)
        throw Error(failure.sqlState, failure.message);
    d->conn = c;
    d->lostFlag = false;
    d->levels.clear();
    PQsetNoticeReceiver(c, Private::noticeReceiver, d.get());
    {
        std::lock_guard lock(d->cancelMutex);
        d->cancelHandle = PQgetCancel(c);
    }
    d->pid = PQbackendPID(c);
    d->banner.clear();
    d->version = 0;
    try {
        detail::ResultPtr r = d->internal(QStringLiteral("SELECT version()"));
        if (PQntuples(r.get()) > 0)
            d->banner = QString::fromUtf8(PQgetvalue(r.get(), 0, 0));
        d->version = versionNumberFromBanner(d->banner);
    } catch (const Error &) {
        close();
        throw;
    }
}

void Connection::close()
{
    {
        std::lock_guard lock(d->cancelMutex);
        if (d->cancelHandle)
            PQfreeCancel(d->cancelHandle);
        d->cancelHandle = nullptr;
    }
    if (d->conn)
        PQfinish(d->conn);
    d->conn = nullptr;
    d->lostFlag = false;
    d->levels.clear();
    d->pendingNotices.clear();
}

bool Connection::isOpen() const
{
    return d->conn != nullptr;
}

QString Connection::serverBanner() const
{
    return d->conn ? d->banner : QString();
}

int Connection::serverVersion() const
{
    return d->conn ? d->version : 0;
}

int Connection::backendPid() const
{
    return d->conn ? d->pid : 0;
}

QString Connection::encryptPassword(const QString &password, const QString &user) const
{
    d->checkOpen();
    const QByteArray pw = d->encodeText(password, QStringLiteral("パスワード"));
    const QByteArray name = d->encodeText(user, QStringLiteral("ユーザー名"));
    char *verifier
        = PQencryptPasswordConn(d->conn, pw.constData(), name.constData(), "scram-sha-256");
    if (!verifier) {
        throw Error(QString::fromLatin1(sqlstate::ConnectionFailure),
                    QString::fromUtf8(PQerrorMessage(d->conn)).trimmed());
    }
    const QString text = QString::fromLatin1(verifier);
    PQfreemem(verifier);
    return text;
}

QString Connection::clientEncoding() const
{
    return d->conn ? QString::fromLatin1(pg_encoding_to_char(PQclientEncoding(d->conn)))
                   : QString();
}

bool Connection::standardConformingStrings() const
{
    if (!d->conn)
        return true;
    const char *value = PQparameterStatus(d->conn, "standard_conforming_strings");
    return !value || qstrcmp(value, "off") != 0;
}

bool Connection::cancel()
{
    std::lock_guard lock(d->cancelMutex);
    if (!d->cancelHandle)
        return false;
    char message[256];
    return PQcancel(d->cancelHandle, message, int(sizeof message)) == 1;
}

TransactionStatus Connection::transactionStatus() const
{
    if (!d->conn)
        return TransactionStatus::Unknown;
    switch (PQtransactionStatus(d->conn)) {
    case PQTRANS_IDLE:
        return TransactionStatus::Idle;
    case PQTRANS_ACTIVE:
        return TransactionStatus::Active;
    case PQTRANS_INTRANS:
        return TransactionStatus::InTransaction;
    case PQTRANS_INERROR:
        return TransactionStatus::InError;
    default:
        return TransactionStatus::Unknown;
    }
}

bool Connection::inTransaction() const
{
    const TransactionStatus s = transactionStatus();
    return s == TransactionStatus::InTransaction || s == TransactionStatus::InError;
}

void Connection::startTransaction()
{
    d->checkOpen();
    d->syncLevels();
    Private::Level level;
    if (PQtransactionStatus(d->conn) == PQTRANS_IDLE) {
        d->internal(QStringLiteral("BEGIN"));
    } else {
        level.savepoint = true;
        level.name = d->nextSavepointName("cv_tx_");
        d->internal(QStringLiteral("SAVEPOINT ") + level.name);
    }
    d->levels.append(level);
}

void Connection::commit()
{
    d->checkOpen();
    d->syncLevels();
    if (PQtransactionStatus(d->conn) == PQTRANS_IDLE)
        return; // nothing open: nothing to commit
    if (!d->levels.isEmpty() && d->levels.last().savepoint) {
        // stays on the stack when RELEASE fails, so that rollback() can still undo the level
        d->internal(QStringLiteral("RELEASE SAVEPOINT ") + d->levels.last().name);
        d->levels.removeLast();
        return;
    }
    if (!d->levels.isEmpty())
        d->levels.removeLast();
    detail::ResultPtr answer = d->internal(QStringLiteral("COMMIT"));
    d->levels.clear();
    d->checkCommitAnswer(answer.get(), QStringLiteral("COMMIT"));
}

void Connection::rollback()
{
    d->checkOpen();
    d->syncLevels();
    if (PQtransactionStatus(d->conn) == PQTRANS_IDLE)
        return;
    if (!d->levels.isEmpty() && d->levels.last().savepoint) {
        const QString name = d->levels.takeLast().name;
        d->internal(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name);
        d->internal(QStringLiteral("RELEASE SAVEPOINT ") + name);
        return;
    }
    d->levels.clear();
    d->internal(QStringLiteral("ROLLBACK"));
}

int Connection::transactionDepth() const
{
    d->syncLevels();
    return int(d->levels.size());
}

void Connection::setAutoCommit(bool on)
{
    d->autoCommit = on;
}

bool Connection::autoCommit() const
{
    return d->autoCommit;
}

void Connection::setContinueOnError(bool on)
{
    d->continueOnError = on;
}

bool Connection::continueOnError() const
{
    return d->continueOnError;
}

Result Connection::exec(const QString &sql, const QList<Param> &params)
{
    return d->run(sql, params, sql, nullptr);
}

Result Connection::execStatement(const QString &sql, const QList<Param> &params)
{
    return d->run(sql, params, sql, nullptr, true, true);
}

Result Connection::describe(const QString &sql)
{
    Private &c = *d;
    c.checkOpen();
    const bool inTransaction = PQtransactionStatus(c.conn) != PQTRANS_IDLE;
    if (inTransaction)
        c.internal(QStringLiteral("SAVEPOINT cv_describe"));
    try {
        detail::ResultPtr res = c.prepare(c.encodeText(sql, QStringLiteral("SQL 文")),
                                          c.encodeParams({}, nullptr), sql, nullptr);
        if (inTransaction)
            c.internal(QStringLiteral("RELEASE SAVEPOINT cv_describe"));
        return Result(std::make_shared<detail::ResultData>(res.release(), c.codec(), sql));
    } catch (const Error &e) {
        if (inTransaction && !e.isConnectionLost()) {
            c.internal(QStringLiteral("ROLLBACK TO SAVEPOINT cv_describe"));
            c.internal(QStringLiteral("RELEASE SAVEPOINT cv_describe"));
        }
        throw;
    }
}

qint64 Connection::execute(const QString &sql, const QList<Param> &params)
{
    return exec(sql, params).rowsAffected();
}

} // namespace pg
