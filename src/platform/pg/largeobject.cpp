#include "largeobject.h"

#include "connection.h"

namespace pg {

namespace largeobject {

constexpr int ReadMode = 0x40000; // INV_READ
constexpr int WriteMode = 0x20000; // INV_WRITE
constexpr qint64 Chunk = 1 << 20; // bytes per loread/lowrite call

} // namespace largeobject

LargeObject::LargeObject(Connection &connection, Oid oid, QObject *parent)
    : QIODevice(parent)
    , m_connection(connection)
    , m_oid(oid)
{ }

LargeObject::~LargeObject()
{
    close();
}

Oid LargeObject::create(Connection &connection)
{
    const Result r = connection.exec(QStringLiteral("SELECT pg_catalog.lo_create(0)"));
    return Oid(r.text(0, 0).toUInt());
}

void LargeObject::remove(Connection &connection, Oid oid)
{
    connection.exec(QStringLiteral("SELECT pg_catalog.lo_unlink($1)"),
                    { Param(QVariant(uint(oid)), type::OidType) });
}

bool LargeObject::fail(const Error &e)
{
    m_error = e;
    setErrorString(e.text());
    return false;
}

bool LargeObject::open(OpenMode mode)
{
    if (isOpen())
        close();
    m_error.reset();
    int loMode = 0;
    if (mode & ReadOnly)
        loMode |= largeobject::ReadMode;
    if (mode & WriteOnly)
        loMode |= largeobject::WriteMode;
    try {
        m_ownTransaction = !m_connection.inTransaction();
        if (m_ownTransaction)
            m_connection.exec(QStringLiteral("BEGIN"));
        const Result r = m_connection.exec(
            QStringLiteral("SELECT pg_catalog.lo_open($1, $2)"),
            { Param(QVariant(uint(m_oid)), type::OidType), Param(QVariant(loMode), type::Int4) });
        m_fd = r.text(0, 0).toInt();
        if (mode & Truncate)
            m_connection.exec(QStringLiteral("SELECT pg_catalog.lo_truncate64($1, 0)"),
                              { Param(QVariant(m_fd), type::Int4) });
    } catch (const Error &e) {
        if (m_ownTransaction && m_connection.isOpen()) {
            try {
                m_connection.exec(QStringLiteral("ROLLBACK"));
            } catch (const Error &) {
                // the error of the open is the one to report
            }
        }
        m_ownTransaction = false;
        m_fd = -1;
        return fail(e);
    }
    return QIODevice::open(mode | Unbuffered);
}

void LargeObject::close()
{
    if (!isOpen())
        return;
    QIODevice::close();
    try {
        if (m_fd >= 0 && m_connection.isOpen())
            m_connection.exec(QStringLiteral("SELECT pg_catalog.lo_close($1)"),
                              { Param(QVariant(m_fd), type::Int4) });
        m_fd = -1;
        if (m_ownTransaction && m_connection.isOpen())
            m_connection.exec(QStringLiteral("COMMIT"));
    } catch (const Error &e) {
        fail(e);
        if (m_ownTransaction && m_connection.inTransaction()) {
            try {
                m_connection.exec(QStringLiteral("ROLLBACK"));
            } catch (const Error &) {
                // already reported
            }
        }
    }
    m_fd = -1;
    m_ownTransaction = false;
}

qint64 LargeObject::size() const
{
    if (m_fd < 0)
        return 0;
    try {
        const Param fd(QVariant(m_fd), type::Int4);
        const Result r = m_connection.exec(
            QStringLiteral(
                "SELECT pg_catalog.lo_lseek64($1, 0, 2), pg_catalog.lo_lseek64($1, $2, 0)"),
            { fd, Param(QVariant(pos()), type::Int8) });
        return r.text(0, 0).toLongLong();
    } catch (const Error &e) {
        const_cast<LargeObject *>(this)->fail(e);
        return 0;
    }
}

bool LargeObject::seek(qint64 pos)
{
    if (m_fd < 0)
        return false;
    try {
        m_connection.exec(QStringLiteral("SELECT pg_catalog.lo_lseek64($1, $2, 0)"),
                          { Param(QVariant(m_fd), type::Int4), Param(QVariant(pos), type::Int8) });
    } catch (const Error &e) {
        return fail(e);
    }
    return QIODevice::seek(pos);
}

qint64 LargeObject::readData(char *data, qint64 maxSize)
{
    qint64 done = 0;
    try {
        while (done < maxSize) {
            const qint64 want = qMin(maxSize - done, largeobject::Chunk);
            const Result r = m_connection.exec(
                QStringLiteral("SELECT pg_catalog.loread($1, $2)"),
                { Param(QVariant(m_fd), type::Int4), Param(QVariant(int(want)), type::Int4) });
            const QByteArray chunk = r.bytes(0, 0);
            memcpy(data + done, chunk.constData(), size_t(chunk.size()));
            done += chunk.size();
            if (chunk.size() < want)
                break;
        }
    } catch (const Error &e) {
        fail(e);
        return done > 0 ? done : -1;
    }
    return done;
}

qint64 LargeObject::writeData(const char *data, qint64 maxSize)
{
    qint64 done = 0;
    try {
        while (done < maxSize) {
            const qint64 n = qMin(maxSize - done, largeobject::Chunk);
            m_connection.exec(
                QStringLiteral("SELECT pg_catalog.lowrite($1, $2)"),
                { Param(QVariant(m_fd), type::Int4), Param(QByteArray(data + done, int(n))) });
            done += n;
        }
    } catch (const Error &e) {
        fail(e);
        return done > 0 ? done : -1;
    }
    return done;
}

} // namespace pg
