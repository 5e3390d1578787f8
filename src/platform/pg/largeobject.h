#pragma once

#include "error.h"
#include "param.h"

#include <QIODevice>

#include <optional>

namespace pg {

class Connection;

// A large object on the server as a random-access stream.
//
// Large objects live only inside a transaction: when the session is idle, open() starts one
// and close() commits it (a failed commit is reported by close() through lastError()); inside
// an open transaction the stream works within it and commits nothing. Failures of read, write
// and seek come back as -1 / false, with the server's error in lastError().
class LargeObject : public QIODevice
{
    Q_OBJECT

public:
    LargeObject(Connection &connection, Oid oid, QObject *parent = nullptr);
    ~LargeObject() override;

    // Creates an empty large object; throws Error.
    static Oid create(Connection &connection);
    // Removes a large object; throws Error.
    static void remove(Connection &connection, Oid oid);

    Oid oid() const { return m_oid; }
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;
    // the error of the last failing call, if any
    const std::optional<Error> &lastError() const { return m_error; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    bool fail(const Error &e);

    Connection &m_connection;
    Oid m_oid;
    int m_fd = -1;
    bool m_ownTransaction = false;
    std::optional<Error> m_error;
};

} // namespace pg
