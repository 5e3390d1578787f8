#include "paramscanner.h"

#include "error.h"

#include <QHash>

#include <vector>

namespace pg {

namespace paramscanner {

constexpr int MaxNameLength = 255;

char32_t codePointAt(const QString &s, int i, int *units)
{
    const QChar c = s.at(i);
    if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, s.at(i + 1));
    }
    *units = 1;
    return c.unicode();
}

// Letters, digits, "_" and "$" continue an SQL identifier; every non-ASCII character counts
// as a letter for the server's lexer.
bool isSqlIdentChar(QChar c)
{
    const ushort u = c.unicode();
    return u >= 0x80 || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
        || u == '_' || u == '$';
}

bool isDollarTagChar(QChar c, bool first)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return !first;
    return u >= 0x80 || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_';
}

bool isNameChar(char32_t cp, bool allowDots)
{
    if (cp < 0x80) {
        return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9')
            || cp == '_' || cp == '$' || cp == '#' || (allowDots && cp == '.');
    }
    if (cp >= 0xFF10 && cp <= 0xFF19) // full-width digits
        return true;
    return QChar::isLetter(cp);
}

// Index just after the closing quote of the literal or quoted name opening at i (the end of
// the text when it is never closed).
int skipQuoted(const QString &s, int i, QChar quote, bool backslashEscapes)
{
    const int n = s.size();
    int j = i + 1;
    while (j < n) {
        const QChar c = s.at(j);
        if (backslashEscapes && c == u'\\') {
            j += 2;
            continue;
        }
        if (c == quote) {
            if (j + 1 < n && s.at(j + 1) == quote) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return n;
}

// For "$tag$" opening at i: the index just after the closing "$tag$"; -1 when no dollar quote
// opens at i (e.g. "$1").
int skipDollarQuote(const QString &s, int i)
{
    const int n = s.size();
    int j = i + 1;
    while (j < n && isDollarTagChar(s.at(j), j == i + 1))
        ++j;
    if (j >= n || s.at(j) != u'$')
        return -1;
    const QString tag = s.mid(i, j - i + 1);
    const int close = s.indexOf(tag, j + 1);
    return close < 0 ? n : close + tag.size();
}

int skipBlockComment(const QString &s, int i)
{
    const int n = s.size();
    int depth = 0;
    int j = i;
    while (j < n) {
        if (s.at(j) == u'/' && j + 1 < n && s.at(j + 1) == u'*') {
            ++depth;
            j += 2;
        } else if (s.at(j) == u'*' && j + 1 < n && s.at(j + 1) == u'/') {
            j += 2;
            if (--depth == 0)
                return j;
        } else {
            ++j;
        }
    }
    return n;
}

// Whether a "[" opens a subscript (of a name, a quoted name, a bracketed expression, another
// subscript or a parameter) rather than an ARRAY[...] constructor or its inner rows. last is
// the index of the code before the "[", lastStart where that word or quoted name begins.
bool isSubscriptOpening(const QString &s, int last, int lastStart)
{
    if (last < 0)
        return false;
    const QChar c = s.at(last);
    if (c == u')' || c == u']' || c == u'"')
        return true;
    if (!isSqlIdentChar(c) || lastStart < 0)
        return false;
    return QStringView(s)
               .mid(lastStart, last - lastStart + 1)
               .compare(QLatin1String("ARRAY"), Qt::CaseInsensitive)
        != 0;
}

int codePointCount(const QString &s, int end)
{
    int count = 0;
    for (int i = 0; i < end && i < s.size(); ++i) {
        if (!(s.at(i).isLowSurrogate() && i > 0 && s.at(i - 1).isHighSurrogate()))
            ++count;
    }
    return count;
}

int unitIndexOfCodePoint(const QString &s, int codePoint)
{
    int i = 0;
    for (int cp = 0; cp < codePoint && i < s.size(); ++cp) {
        int units = 1;
        codePointAt(s, i, &units);
        i += units;
    }
    return i;
}

} // namespace paramscanner

SqlSpan skipSqlSpan(const QString &sql, int i, bool standardStrings)
{
    using namespace paramscanner;
    const int n = sql.size();
    if (i < 0 || i >= n)
        return {};
    const QChar c = sql.at(i);
    const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
    if (c == u'\'') {
        const bool escapeString = i > 0 && (sql.at(i - 1) == u'E' || sql.at(i - 1) == u'e')
            && (i < 2 || !isSqlIdentChar(sql.at(i - 2)));
        // U&'...' never takes backslash escapes of this kind, whatever the setting
        const bool unicodeString
            = i > 1 && sql.at(i - 1) == u'&' && (sql.at(i - 2) == u'U' || sql.at(i - 2) == u'u');
        const bool backslashes = escapeString || (!standardStrings && !unicodeString);
        return { skipQuoted(sql, i, c, backslashes), SqlSpanKind::Quoted };
    }
    if (c == u'"')
        return { skipQuoted(sql, i, c, false), SqlSpanKind::Quoted };
    if (c == u'-' && next == u'-') {
        // the server's lexer ends a line comment at LF and at CR alike
        int end = i + 2;
        while (end < n && sql.at(end) != u'\n' && sql.at(end) != u'\r')
            ++end;
        return { end, SqlSpanKind::Comment };
    }
    if (c == u'/' && next == u'*')
        return { skipBlockComment(sql, i), SqlSpanKind::Comment };
    if (c == u'$' && (i == 0 || !isSqlIdentChar(sql.at(i - 1)))) {
        const int end = skipDollarQuote(sql, i);
        if (end >= 0)
            return { end, SqlSpanKind::Quoted };
    }
    return {};
}

int ParamScan::sourcePosition(int rewrittenPosition) const
{
    using namespace paramscanner;
    if (rewrittenPosition <= 0)
        return 0;
    const int idx = unitIndexOfCodePoint(rewritten, rewrittenPosition - 1);
    int delta = 0;
    for (const ParamMarker &m : markers) {
        if (idx < m.rewrittenStart)
            break;
        if (idx < m.rewrittenStart + m.rewrittenLength)
            return codePointCount(source, m.sourceStart) + 1;
        delta = (m.sourceStart + m.sourceLength) - (m.rewrittenStart + m.rewrittenLength);
    }
    return codePointCount(source, idx + delta) + 1;
}

ParamScan scanParameters(const QString &sql, const ParamScanOptions &options)
{
    using namespace paramscanner;
    ParamScan scan;
    scan.source = sql;
    const int n = sql.size();
    QString &out = scan.rewritten;
    out.reserve(n + 8);
    bool segmentHasContent = false;

    scan.standardStrings = options.standardStrings;
    QHash<QString, int> nameIndex; // position of each name in scan.names
    // The open brackets, innermost last: true for a subscript "[", false for "(" and for the
    // "[" of an ARRAY constructor. A colon whose innermost bracket is a subscript is a slice.
    std::vector<bool> brackets;
    int lastCode = -1; // index of the last character of code (not blank, literal or comment)
    int lastCodeStart = -1; // where the word or quoted name ending there begins

    int i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
        const SqlSpan span = skipSqlSpan(sql, i, options.standardStrings);
        const int end = span.end;
        if (end >= 0) {
            if (span.kind == SqlSpanKind::Quoted) {
                segmentHasContent = true;
                lastCode = end - 1;
                lastCodeStart = i;
            }
            out.append(QStringView(sql).mid(i, end - i));
            i = end;
            continue;
        }

        if (c == u'[') {
            brackets.push_back(isSubscriptOpening(sql, lastCode, lastCodeStart));
        } else if (c == u'(') {
            brackets.push_back(false);
        } else if ((c == u']' || c == u')') && !brackets.empty()) {
            brackets.pop_back();
        }
        const bool inSubscript = !brackets.empty() && brackets.back();
        if (!c.isSpace()) {
            if (isSqlIdentChar(c) && lastCode == i - 1 && lastCode >= 0
                && isSqlIdentChar(sql.at(lastCode))) {
                // the word goes on
            } else {
                lastCodeStart = i;
            }
            lastCode = i;
        }

        if (c == u';') {
            if (segmentHasContent)
                ++scan.statementCount;
            segmentHasContent = false;
            out.append(c);
            ++i;
            continue;
        }

        if (c == u':' && options.enabled && !inSubscript) {
            if (next == u':') { // a cast
                out.append(QLatin1String("::"));
                i += 2;
                segmentHasContent = true;
                continue;
            }
            QString name;
            int nameEnd = i + 1;
            if (next == u'"') {
                nameEnd = skipQuoted(sql, i + 1, next, false);
                if (nameEnd > i + 3 && sql.at(nameEnd - 1) == u'"')
                    name = sql.mid(i + 2, nameEnd - i - 3)
                               .replace(QLatin1String("\"\""), QLatin1String("\""));
            } else {
                int length = 0;
                while (nameEnd < n) {
                    int units = 1;
                    if (!isNameChar(codePointAt(sql, nameEnd, &units), options.allowDots))
                        break;
                    nameEnd += units;
                    ++length;
                }
                if (length > MaxNameLength) {
                    throw Error(QString::fromLatin1(sqlstate::InvalidName),
                                QStringLiteral("パラメータ名が長すぎます（%1 文字まで）: :%2…")
                                    .arg(MaxNameLength)
                                    .arg(sql.mid(i + 1, 20)))
                        .setPosition(codePointCount(sql, i) + 1)
                        .setStatement(sql);
                }
                if (length > 0)
                    name = sql.mid(i + 1, nameEnd - i - 1).toUpper();
            }
            if (!name.isEmpty()) {
                int index = nameIndex.value(name, -1);
                if (index < 0) {
                    index = scan.names.size();
                    scan.names.append(name);
                    nameIndex.insert(name, index);
                }
                ParamMarker m;
                m.sourceStart = i;
                m.sourceLength = nameEnd - i;
                m.rewrittenStart = out.size();
                const QString placeholder = QLatin1Char('$') + QString::number(index + 1);
                m.rewrittenLength = placeholder.size();
                m.paramIndex = index;
                scan.markers.append(m);
                out.append(placeholder);
                lastCode = nameEnd - 1;
                lastCodeStart = i;
                i = nameEnd;
                segmentHasContent = true;
                continue;
            }
        }

        if (c == u':' && next == u':') { // a cast, also inside a subscript
            out.append(QLatin1String("::"));
            lastCode = i + 1;
            lastCodeStart = i;
            i += 2;
            segmentHasContent = true;
            continue;
        }
        if (!c.isSpace())
            segmentHasContent = true;
        out.append(c);
        ++i;
    }
    if (segmentHasContent)
        ++scan.statementCount;
    return scan;
}

QStringList leadingKeywords(const QString &sql, int count)
{
    using namespace paramscanner;
    QStringList words;
    const int n = sql.size();
    int i = 0;
    while (i < n && words.size() < count) {
        // brackets may open the statement, not stand between its words
        if (sql.at(i).isSpace() || (words.isEmpty() && sql.at(i) == u'(')) {
            ++i;
            continue;
        }
        const SqlSpan span = skipSqlSpan(sql, i);
        if (span.end >= 0) {
            if (span.kind != SqlSpanKind::Comment)
                break;
            i = span.end;
            continue;
        }
        int j = i;
        while (j < n && isSqlIdentChar(sql.at(j)))
            ++j;
        if (j == i || sql.at(i).isDigit() || sql.at(i) == u'$')
            break;
        words << sql.mid(i, j - i).toUpper();
        i = j;
    }
    return words;
}

QString firstKeyword(const QString &sql)
{
    return leadingKeywords(sql, 1).value(0);
}

QString quoteIdentifier(const QString &name)
{
    QString quoted;
    quoted.reserve(name.size() + 2);
    quoted += u'"';
    for (const QChar c : name) {
        if (c == u'"')
            quoted += u'"';
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

int findTopLevelWord(const QString &sql, QLatin1String word, int from, bool standardStrings)
{
    using namespace paramscanner;
    const int n = sql.size();
    int depth = 0;
    int i = from;
    while (i < n) {
        const QChar c = sql.at(i);
        const int end = skipSqlSpan(sql, i, standardStrings).end;
        if (end >= 0) {
            i = end;
            continue;
        }
        if (c == u'(' || c == u'[') {
            ++depth;
        } else if (c == u')' || c == u']') {
            --depth;
        } else if (depth == 0 && isSqlIdentChar(c) && (i == 0 || !isSqlIdentChar(sql.at(i - 1)))) {
            int j = i;
            while (j < n && isSqlIdentChar(sql.at(j)))
                ++j;
            if (QStringView(sql).mid(i, j - i).compare(word, Qt::CaseInsensitive) == 0)
                return i;
            i = j;
            continue;
        }
        ++i;
    }
    return -1;
}

} // namespace pg
