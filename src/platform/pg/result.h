#pragma once

#include "fields.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>

namespace pg {

namespace detail {
struct ResultData;
}

// The rows a statement returned, read in place from the client library's buffer: nothing is
// copied per cell until a cell is asked for. Copies share the same buffer; it is freed with the
// last copy. Values are in the server's text form: numeric, money, times and timestamps stay
// exact text; NULL and the empty string stay distinct.
class Result
{
public:
    Result();

    bool isValid() const { return d != nullptr; }
    int rowCount() const;
    int columnCount() const;
    const FieldList &fields() const;
    int columnIndex(const QString &name) const { return fields().indexOf(name); }

    bool isNull(int row, int column) const;
    // the server's bytes for the cell; valid as long as a copy of this Result lives
    QByteArrayView raw(int row, int column) const;
    // the cell as text (a null QString for NULL); bytea as its "\x…" text
    QString text(int row, int column) const;
    QString text(int row, const QString &column) const;
    // typed value: bool, int, qlonglong, uint (oid), double, QByteArray (bytea); every other
    // class, numeric and timestamps included, as QString. A null QVariant for NULL.
    QVariant value(int row, int column) const;
    // the decoded bytes of a bytea cell (other cells: their text in the client encoding)
    QByteArray bytes(int row, int column) const;
    // date and timestamp cells as Qt values (to the millisecond); invalid for NULL or infinity
    QDate date(int row, int column) const;
    QDateTime dateTime(int row, int column) const;

    // "SELECT 3", "UPDATE 1", "COMMIT", ...
    QString commandTag() const;
    // rows the statement inserted, updated, deleted or returned; 0 when it reports none
    qint64 rowsAffected() const;
    // the statement as the caller wrote it
    QString statement() const;

private:
    friend class Connection;
    friend class DataSet;
    explicit Result(std::shared_ptr<const detail::ResultData> data);
    std::shared_ptr<const detail::ResultData> d;
};

// Conversions between the server's text form and Qt values, shared by results and data sets.
QVariant valueFromText(FieldClass fieldClass, QByteArrayView raw, const QString &text);
QByteArray decodeBytea(QByteArrayView raw);
QByteArray encodeBytea(const QByteArray &bytes); // "\x…" hex form
QDate parseDate(QStringView text);
QDateTime parseTimestamp(QStringView text); // with an offset: an offset-from-UTC QDateTime

} // namespace pg
