#pragma once

#include "fdatagen.h"

#include "platform/pg/result.h"

#include <QByteArrayView>
#include <QString>

// A query of the generator read through a server-side cursor, a chunk of rows at a time. The
// cursor is WITH HOLD: it outlives the batch commits of a run (the server keeps the rows the
// run has not read yet), and a rollback of the transaction that declared it drops it.
class DataGenerator::CursorQuery
{
public:
    CursorQuery(pg::Connection &connection, const QString &select);
    ~CursorQuery();
    CursorQuery(const CursorQuery &) = delete;
    CursorQuery &operator=(const CursorQuery &) = delete;

    const QString &select() const { return m_select; }
    // Declares the cursor (again) and stands on its first row; throws pg::Error.
    void open();
    void close();
    bool isOpen() const { return m_open; }
    // Past the last row (also when the table has none).
    bool eof() const { return m_row >= m_chunk.rowCount(); }
    void next();

    int columnCount() const { return m_chunk.columnCount(); }
    bool isNull(int column) const { return m_chunk.isNull(m_row, column); }
    QString text(int column) const { return m_chunk.text(m_row, column); }
    QByteArrayView raw(int column) const { return m_chunk.raw(m_row, column); }

    // 1 once the table was found empty.
    int Tag = 0;

private:
    void fetch();

    pg::Connection &m_connection;
    QString m_select;
    QString m_name;
    pg::Result m_chunk;
    int m_row = 0;
    bool m_open = false;
};
