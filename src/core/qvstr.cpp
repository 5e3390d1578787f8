#include "qvstr.h"

#include "qvconnkey.h"
#include "qvencoding.h"
#include "qvoption.h"

#include <QDateTime>

#include <cmath>
#include <limits>

const QStringList CharTypeNames = {
    "character",   "char",   "character varying",   "varchar",
    "character[]", "char[]", "character varying[]", "varchar[]",
};

const QStringList StringTypeNames = CharTypeNames + QStringList { "text" };

const QStringList ModifierTypeNames = {
    "character",
    "char",
    "character varying",
    "varchar",
    "bit",
    "bit varying",
    "numeric",
    "character[]",
    "char[]",
    "character varying[]",
    "varchar[]",
    "bit[]",
    "bit varying[]",
    "numeric[]",
    "interval",
    "interval[]",
    "interval SECOND",
    "interval SECOND[]",
    "interval DAY TO SECOND",
    "interval DAY TO SECOND[]",
    "interval HOUR TO SECOND",
    "interval HOUR TO SECOND[]",
    "interval MINUTE TO SECOND",
    "interval MINUTE TO SECOND[]",
};

const QStringList NumericTypeNames = { "numeric", "numeric[]" };

const QStringList NumberTypeNames = {
    "bigint",    "bigserial",   "double precision",   "integer",
    "numeric",   "real",        "smallint",           "serial",
    "bigint[]",  "bigserial[]", "double precision[]", "integer[]",
    "numeric[]", "real[]",      "smallint[]",         "serial[]",
};

const QStringList PseudoTypeNames = {
    "any",      "anyarray",         "anyelement", "anyenum", "anynonarray", "cstring", "cstring[]",
    "internal", "language_handler", "opaque",     "record",  "record[]",    "trigger", "void",
};

const QStringList TimeTypeNames = {
    "time with time zone",         "time with time zone[]",         "time without time zone",
    "time without time zone[]",    "timestamp with time zone",      "timestamp with time zone[]",
    "timestamp without time zone", "timestamp without time zone[]",
};

const QStringList IntervalTypeNames = { "interval", "interval[]" };

const QStringList BitTypeNames = { "bit", "bit[]", "bit varying", "bit varying[]" };

namespace qvstr {

bool isNullVariant(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

const QDate &dateBase()
{
    static const QDate base(1899, 12, 30);
    return base;
}

} // namespace qvstr

QString CopyRange(const QString &s, int fromPos, int toPos)
{
    if (toPos < fromPos)
        return {};
    const int from = qMax(fromPos, 1);
    if (toPos < from)
        return {};
    return s.mid(from - 1, toPos - from + 1);
}

QString TrimBlanks(const QString &s)
{
    auto isBlank = [](QChar c) { return c == u'\t' || c == u'\n' || c == u'\r' || c == u' '; };
    qsizetype start = 0, end = s.size();
    while (start < end && isBlank(s.at(start)))
        ++start;
    while (end > start && isBlank(s.at(end - 1)))
        --end;
    return s.mid(start, end - start);
}

int AnsiPosFrom(const QString &subStr, const QString &s, int offset)
{
    if (subStr.isEmpty())
        return 0;
    if (offset <= 0)
        return int(s.indexOf(subStr)) + 1;
    if (offset > s.size())
        return 0;
    qsizetype from = offset;
    if (s.at(offset - 1).isHighSurrogate() && offset < s.size() && s.at(offset).isLowSurrogate())
        ++from;
    return int(s.indexOf(subStr, from)) + 1;
}

int StrPosFrom(const QByteArray &subStr, const QByteArray &s, int offset)
{
    if (offset < 1 || s.size() < offset || subStr.isEmpty())
        return 0;
    qsizetype i = 0;
    while (i < s.size()) {
        if (i >= offset - 1 && QByteArrayView(s).sliced(i).startsWith(subStr))
            return int(i) + 1;
        i += (IsShiftJisLeadByte(uchar(s.at(i))) && i + 1 < s.size()) ? 2 : 1;
    }
    return 0;
}

bool StrInArray(const QString &s, const QStringList &values)
{
    return values.contains(s, Qt::CaseSensitive);
}

bool IsHalfWidthChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x20 && u <= 0x7E) || (u >= 0xFF61 && u <= 0xFF9F);
}

int GetHalfWidthLength(const QString &s)
{
    int width = 0;
    for (const QChar c : s)
        width += IsHalfWidthChar(c) ? 1 : 2;
    return width;
}

QString StrToUnicodeHex(const QString &s, int maxBytes)
{
    QByteArray bytes = TqvEncoding(TqvEncoding::Utf16LE).encode(s);
    if (maxBytes >= 0) {
        if (bytes.size() > maxBytes)
            bytes.truncate(maxBytes);
        else
            bytes.append(maxBytes - bytes.size(), '\0');
    }
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QVariant VarIfThen(bool condition, const QVariant &trueValue, const QVariant &falseValue)
{
    return condition ? trueValue : falseValue;
}

double VarToFloatDef(const QVariant &v, double defaultValue)
{
    if (qvstr::isNullVariant(v))
        return defaultValue;
    switch (v.metaType().id()) {
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return DateTimeToTDateTime(v.toDateTime());
    case QMetaType::QString: {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        return ok ? d : defaultValue;
    }
    default: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        return ok ? d : defaultValue;
    }
    }
}

qint32 VarToIntDef(const QVariant &v, qint32 defaultValue)
{
    if (qvstr::isNullVariant(v))
        return defaultValue;
    bool ok = false;
    switch (v.metaType().id()) {
    case QMetaType::QString: {
        const qint32 i = v.toString().trimmed().toInt(&ok);
        return ok ? i : defaultValue;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = std::nearbyint(v.toDouble(&ok));
        if (!ok || !std::isfinite(d) || d < std::numeric_limits<qint32>::min()
            || d > std::numeric_limits<qint32>::max())
            return defaultValue;
        return qint32(d);
    }
    default: {
        const qlonglong l = v.toLongLong(&ok);
        if (!ok || l < std::numeric_limits<qint32>::min() || l > std::numeric_limits<qint32>::max())
            return defaultValue;
        return qint32(l);
    }
    }
}

TDateTime DateTimeToTDateTime(const QDateTime &dateTime)
{
    const qint64 days = qvstr::dateBase().daysTo(dateTime.date());
    return double(days) + dateTime.time().msecsSinceStartOfDay() / 86400000.0;
}

QDateTime TDateTimeToDateTime(TDateTime value)
{
    const double days = std::floor(value);
    const qint64 msecs = qRound64((value - days) * 86400000.0);
    return QDateTime(qvstr::dateBase().addDays(qint64(days)), QTime(0, 0)).addMSecs(msecs);
}

TDateTime VarToDateTimeDef(const QVariant &v, TDateTime defaultValue)
{
    if (qvstr::isNullVariant(v))
        return defaultValue;
    switch (v.metaType().id()) {
    case QMetaType::QDateTime:
        return DateTimeToTDateTime(v.toDateTime());
    case QMetaType::QDate:
        return DateTimeToTDateTime(QDateTime(v.toDate(), QTime(0, 0)));
    case QMetaType::QTime:
        return v.toTime().msecsSinceStartOfDay() / 86400000.0;
    case QMetaType::QString: {
        const QString text = v.toString().trimmed();
        QDateTime dt = QDateTime::fromString(text, Qt::ISODateWithMs);
        for (const char *format : { "yyyy/MM/dd HH:mm:ss", "yyyy/MM/dd H:mm:ss", "yyyy/MM/dd HH:mm",
                                    "yyyy/MM/dd", "yyyy-MM-dd" }) {
            if (dt.isValid())
                break;
            dt = QDateTime::fromString(text, QLatin1String(format));
        }
        if (dt.isValid())
            return DateTimeToTDateTime(dt);
        const QTime t = QTime::fromString(text, Qt::ISODateWithMs);
        if (t.isValid())
            return t.msecsSinceStartOfDay() / 86400000.0;
        return defaultValue;
    }
    default:
        return VarToFloatDef(v, defaultValue);
    }
}

void DeleteBlankLines(QStringList &lines)
{
    if (!ScriptOption.NullLine)
        return;
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines.at(i).isEmpty())
            lines.removeAt(i);
    }
}

QString GetToolConnectString(const TConnParams &conn, const QString &authMode)
{
    QString text = conn.User_Name + u'/' + conn.Password + u'@' + conn.Database;
    if (authMode.toUpper() != QLatin1String("NORMAL"))
        text += QStringLiteral(" AS ") + authMode;
    return text;
}
