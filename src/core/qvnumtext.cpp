#include "qvnumtext.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

QString FilterNumericText(const QString &text, bool allowMinus, int *cursor)
{
    // Walk from the end so that the last "." is the one that survives.
    QString kept;
    kept.reserve(text.size());
    int cursorKept = 0;
    bool dotSeen = false;
    bool minusSeen = false;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text.at(i);
        bool keep = false;
        if (c >= u'0' && c <= u'9') {
            keep = true;
        } else if (c == u'.') {
            keep = !dotSeen;
            dotSeen = true;
        } else if (c == u'-') {
            minusSeen = true;
        }
        if (keep) {
            kept.prepend(c);
            if (cursor && i < *cursor)
                ++cursorKept;
        }
    }
    if (minusSeen && allowMinus) {
        kept.prepend(u'-');
        ++cursorKept;
    }
    if (cursor)
        *cursor = cursorKept;
    return kept;
}

double StrToFloatDefault(const QString &text, double defaultValue)
{
    QByteArray bytes = text.trimmed().toLatin1();
    if (bytes.startsWith('+'))
        bytes.remove(0, 1);
    if (bytes.isEmpty() || bytes.startsWith('+'))
        return defaultValue;
    // Only plain ASCII may reach from_chars: toLatin1 turns other characters into "?".
    for (const QChar c : text)
        if (c.unicode() > 0x7f)
            return defaultValue;
    double value = 0;
    const char *first = bytes.constData();
    const char *last = first + bytes.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(value))
        return defaultValue;
    return value;
}

QString FloatToText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (value == 0)
        return QStringLiteral("0");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    QString text = QString::fromLatin1(buffer);
    // "1.5E+20" → "1.5E20", "1E-07" → "1E-7".
    const qsizetype e = text.indexOf(u'E');
    if (e >= 0) {
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        bool negative = exponent.startsWith(u'-');
        if (exponent.startsWith(u'+') || negative)
            exponent.remove(0, 1);
        while (exponent.size() > 1 && exponent.startsWith(u'0'))
            exponent.remove(0, 1);
        text = mantissa + u'E' + (negative ? QStringLiteral("-") : QString()) + exponent;
    }
    return text;
}

QString FloatToDecimalText(double value)
{
    if (!std::isfinite(value) || value == 0)
        return QStringLiteral("0");
    // Round to 15 significant digits first, then write the digits out in full.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    const double rounded = std::strtod(buffer, nullptr);
    const int magnitude = int(std::floor(std::log10(std::fabs(rounded))));
    const int decimals = qBound(0, 14 - magnitude, 340);
    QString text = QString::number(rounded, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

std::optional<qint32> RoundToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding mode: half to even
    if (rounded < double(std::numeric_limits<qint32>::min())
        || rounded > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

NumericTextValidator::NumericTextValidator(QObject *parent)
    : QValidator(parent)
{ }

QValidator::State NumericTextValidator::validate(QString &input, int &pos) const
{
    int cursor = pos;
    const QString filtered = FilterNumericText(input, m_allowMinus, &cursor);
    if (filtered != input) {
        input = filtered;
        pos = cursor;
    }
    return Acceptable;
}
