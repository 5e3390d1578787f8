#include "result.h"

#include "result_p.h"

#include <QTimeZone>

namespace pg {

namespace detail {

ResultData::ResultData(PGresult *r, const TextCodec *c, const QString &stmt, int hiddenColumns)
    : res(r)
    , codec(c)
    , statement(stmt)
{
    columns = PQnfields(res);
    readFields(res, qMax(0, columns - hiddenColumns), &fields, codec);
}

ResultData::~ResultData()
{
    PQclear(res);
}

void readFields(const PGresult *res, int count, FieldList *fields, const TextCodec *codec)
{
    fields->clear();
    for (int c = 0; c < count; ++c) {
        Field f;
        const char *name = PQfname(res, c);
        f.name = codec->decode(name, qstrlen(name));
        f.index = c;
        f.typeOid = PQftype(res, c);
        f.typeModifier = PQfmod(res, c);
        f.tableOid = PQftable(res, c);
        f.tableColumn = PQftablecol(res, c);
        describeField(f);
        fields->append(f);
    }
}

} // namespace detail

namespace result {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

const QString &emptyString()
{
    static const QString empty;
    return empty;
}

} // namespace result

Result::Result() = default;

Result::Result(std::shared_ptr<const detail::ResultData> data)
    : d(std::move(data))
{ }

int Result::rowCount() const
{
    return d ? PQntuples(d->res) : 0;
}

int Result::columnCount() const
{
    return d ? d->fields.count() : 0;
}

const FieldList &Result::fields() const
{
    static const FieldList none;
    return d ? d->fields : none;
}

bool Result::isNull(int row, int column) const
{
    return !d || PQgetisnull(d->res, row, column);
}

QByteArrayView Result::raw(int row, int column) const
{
    if (!d)
        return {};
    return QByteArrayView(PQgetvalue(d->res, row, column), PQgetlength(d->res, row, column));
}

QString Result::text(int row, int column) const
{
    if (!d || PQgetisnull(d->res, row, column))
        return QString();
    const char *v = PQgetvalue(d->res, row, column);
    const int len = PQgetlength(d->res, row, column);
    if (len == 0)
        return QString(QLatin1String("")); // empty, not null
    return d->codec->decode(v, len);
}

QString Result::text(int row, const QString &column) const
{
    const int c = columnIndex(column);
    return c < 0 ? QString() : text(row, c);
}

QVariant Result::value(int row, int column) const
{
    if (!d || PQgetisnull(d->res, row, column))
        return QVariant();
    const FieldClass fc = d->fields.at(column).fieldClass;
    const QByteArrayView r = raw(row, column);
    if (fc == FieldClass::Blob || isNumeric(fc) || fc == FieldClass::Boolean)
        return valueFromText(fc, r, QString());
    return valueFromText(fc, r, text(row, column));
}

QByteArray Result::bytes(int row, int column) const
{
    if (!d || PQgetisnull(d->res, row, column))
        return QByteArray();
    const QByteArrayView r = raw(row, column);
    if (d->fields.at(column).fieldClass == FieldClass::Blob)
        return decodeBytea(r);
    return r.toByteArray();
}

QDate Result::date(int row, int column) const
{
    return parseDate(text(row, column));
}

QDateTime Result::dateTime(int row, int column) const
{
    return parseTimestamp(text(row, column));
}

QString Result::commandTag() const
{
    return d ? QString::fromLatin1(PQcmdStatus(d->res)) : QString();
}

qint64 Result::rowsAffected() const
{
    return d ? QByteArray(PQcmdTuples(d->res)).toLongLong() : 0;
}

QString Result::statement() const
{
    return d ? d->statement : QString();
}

QVariant valueFromText(FieldClass fc, QByteArrayView raw, const QString &text)
{
    bool ok = false;
    switch (fc) {
    case FieldClass::Boolean:
        return QVariant(!raw.isEmpty() && raw.at(0) == 't');
    case FieldClass::SmallInt:
    case FieldClass::Integer: {
        const int v = raw.toInt(&ok);
        return ok ? QVariant(v) : QVariant(QString::fromLatin1(raw));
    }
    case FieldClass::LargeInt: {
        const qlonglong v = raw.toLongLong(&ok);
        return ok ? QVariant(v) : QVariant(QString::fromLatin1(raw));
    }
    case FieldClass::LongWord: {
        const uint v = raw.toUInt(&ok);
        return ok ? QVariant(v) : QVariant(QString::fromLatin1(raw));
    }
    case FieldClass::Float: {
        // "NaN", "Infinity" and "-Infinity" included
        const QByteArray s = raw.toByteArray();
        if (s == "Infinity")
            return QVariant(qInf());
        if (s == "-Infinity")
            return QVariant(-qInf());
        if (s == "NaN")
            return QVariant(qQNaN());
        const double v = s.toDouble(&ok);
        return ok ? QVariant(v) : QVariant(QString::fromLatin1(s));
    }
    case FieldClass::BCD:
    case FieldClass::Currency:
        return QVariant(text.isNull() ? QString::fromLatin1(raw) : text);
    case FieldClass::Blob:
        return QVariant(decodeBytea(raw));
    default:
        return QVariant(text);
    }
}

QByteArray decodeBytea(QByteArrayView raw)
{
    if (raw.size() >= 2 && raw.at(0) == '\\' && raw.at(1) == 'x') {
        QByteArray out;
        out.resize((raw.size() - 2) / 2);
        char *dst = out.data();
        qsizetype n = 0;
        for (qsizetype i = 2; i + 1 < raw.size(); i += 2) {
            const int hi = result::hexValue(raw.at(i));
            const int lo = result::hexValue(raw.at(i + 1));
            if (hi < 0 || lo < 0)
                break;
            dst[n++] = char((hi << 4) | lo);
        }
        out.resize(n);
        return out;
    }
    // the older escape form ("bytea_output = escape")
    size_t length = 0;
    const QByteArray zeroTerminated = raw.toByteArray();
    unsigned char *bytes = PQunescapeBytea(
        reinterpret_cast<const unsigned char *>(zeroTerminated.constData()), &length);
    if (!bytes)
        return QByteArray();
    QByteArray out(reinterpret_cast<const char *>(bytes), qsizetype(length));
    PQfreemem(bytes);
    return out;
}

QByteArray encodeBytea(const QByteArray &bytes)
{
    return QByteArrayLiteral("\\x") + bytes.toHex();
}

QDate parseDate(QStringView text)
{
    if (text.size() < 10)
        return QDate();
    return QDate::fromString(text.left(10).toString(), Qt::ISODate);
}

QDateTime parseTimestamp(QStringView text)
{
    // "2026-01-02 03:04:05.123456+09" and variants without fraction or offset
    if (text.size() < 19)
        return QDateTime(parseDate(text), QTime(0, 0));
    const QDate date = parseDate(text);
    const QStringView rest = text.mid(11);
    qsizetype i = 8;
    const QTime base = QTime::fromString(rest.left(8).toString(), QStringLiteral("HH:mm:ss"));
    int msec = 0;
    if (i < rest.size() && rest.at(i) == u'.') {
        ++i;
        int digits = 0;
        int value = 0;
        while (i < rest.size() && rest.at(i).isDigit()) {
            if (digits < 3) {
                value = value * 10 + rest.at(i).digitValue();
                ++digits;
            }
            ++i;
        }
        while (digits < 3) {
            value *= 10;
            ++digits;
        }
        msec = value;
    }
    const QTime time = base.addMSecs(msec);
    if (i < rest.size() && (rest.at(i) == u'+' || rest.at(i) == u'-')) {
        const int sign = rest.at(i) == u'-' ? -1 : 1;
        const QStringView off = rest.mid(i + 1);
        const int hours = off.left(2).toInt();
        const int minutes = off.size() >= 5 ? off.mid(3, 2).toInt() : 0;
        const int seconds = off.size() >= 8 ? off.mid(6, 2).toInt() : 0;
        return QDateTime(date, time, QTimeZone(sign * (hours * 3600 + minutes * 60 + seconds)));
    }
    return QDateTime(date, time);
}

} // namespace pg
