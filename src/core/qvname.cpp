#include "qvname.h"

#include "qvoption.h"

#include "platform/pg/paramscanner.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <string_view>

namespace qvname {

// The keywords that PostgreSQL does not accept as a bare table or column name everywhere
// (reserved, type-or-function-name and column-name keywords of PostgreSQL 15, sorted).
constexpr std::array<std::string_view, 151> restrictedKeywords = { "all",
                                                                   "analyse",
                                                                   "analyze",
                                                                   "and",
                                                                   "any",
                                                                   "array",
                                                                   "as",
                                                                   "asc",
                                                                   "asymmetric",
                                                                   "authorization",
                                                                   "between",
                                                                   "bigint",
                                                                   "binary",
                                                                   "bit",
                                                                   "boolean",
                                                                   "both",
                                                                   "case",
                                                                   "cast",
                                                                   "char",
                                                                   "character",
                                                                   "check",
                                                                   "coalesce",
                                                                   "collate",
                                                                   "collation",
                                                                   "column",
                                                                   "concurrently",
                                                                   "constraint",
                                                                   "create",
                                                                   "cross",
                                                                   "current_catalog",
                                                                   "current_date",
                                                                   "current_role",
                                                                   "current_schema",
                                                                   "current_time",
                                                                   "current_timestamp",
                                                                   "current_user",
                                                                   "dec",
                                                                   "decimal",
                                                                   "default",
                                                                   "deferrable",
                                                                   "desc",
                                                                   "distinct",
                                                                   "do",
                                                                   "else",
                                                                   "end",
                                                                   "except",
                                                                   "exists",
                                                                   "extract",
                                                                   "false",
                                                                   "fetch",
                                                                   "float",
                                                                   "for",
                                                                   "foreign",
                                                                   "freeze",
                                                                   "from",
                                                                   "full",
                                                                   "grant",
                                                                   "greatest",
                                                                   "group",
                                                                   "grouping",
                                                                   "having",
                                                                   "ilike",
                                                                   "in",
                                                                   "initially",
                                                                   "inner",
                                                                   "inout",
                                                                   "int",
                                                                   "integer",
                                                                   "intersect",
                                                                   "interval",
                                                                   "into",
                                                                   "is",
                                                                   "isnull",
                                                                   "join",
                                                                   "lateral",
                                                                   "leading",
                                                                   "least",
                                                                   "left",
                                                                   "like",
                                                                   "limit",
                                                                   "localtime",
                                                                   "localtimestamp",
                                                                   "national",
                                                                   "natural",
                                                                   "nchar",
                                                                   "none",
                                                                   "normalize",
                                                                   "not",
                                                                   "notnull",
                                                                   "null",
                                                                   "nullif",
                                                                   "numeric",
                                                                   "offset",
                                                                   "on",
                                                                   "only",
                                                                   "or",
                                                                   "order",
                                                                   "out",
                                                                   "outer",
                                                                   "overlaps",
                                                                   "overlay",
                                                                   "placing",
                                                                   "position",
                                                                   "precision",
                                                                   "primary",
                                                                   "real",
                                                                   "references",
                                                                   "returning",
                                                                   "right",
                                                                   "row",
                                                                   "select",
                                                                   "session_user",
                                                                   "setof",
                                                                   "similar",
                                                                   "smallint",
                                                                   "some",
                                                                   "substring",
                                                                   "symmetric",
                                                                   "table",
                                                                   "tablesample",
                                                                   "then",
                                                                   "time",
                                                                   "timestamp",
                                                                   "to",
                                                                   "trailing",
                                                                   "treat",
                                                                   "trim",
                                                                   "true",
                                                                   "union",
                                                                   "unique",
                                                                   "user",
                                                                   "using",
                                                                   "values",
                                                                   "varchar",
                                                                   "variadic",
                                                                   "verbose",
                                                                   "when",
                                                                   "where",
                                                                   "window",
                                                                   "with",
                                                                   "xmlattributes",
                                                                   "xmlconcat",
                                                                   "xmlelement",
                                                                   "xmlexists",
                                                                   "xmlforest",
                                                                   "xmlnamespaces",
                                                                   "xmlparse",
                                                                   "xmlpi",
                                                                   "xmlroot",
                                                                   "xmlserialize",
                                                                   "xmltable" };

// The first words of the type names that SQL spells as keywords; a type name that starts with
// one of them is written bare (quoting "integer" or "char" would name another type or none).
constexpr std::array<std::string_view, 20> keywordTypeStarts
    = { "bigint",  "bit",   "boolean",  "char",    "character", "dec",      "decimal",
        "double",  "float", "int",      "integer", "interval",  "national", "nchar",
        "numeric", "real",  "smallint", "time",    "timestamp", "varchar" };

bool isRestrictedKeyword(const QString &lowerName)
{
    const QByteArray latin = lowerName.toLatin1();
    const std::string_view word(latin.constData(), size_t(latin.size()));
    return std::binary_search(restrictedKeywords.begin(), restrictedKeywords.end(), word);
}

bool isForcingSpecial(char32_t c)
{
    switch (c) {
    case U'(':
    case U')':
    case U'\uFF08': // full-width brackets
    case U'\uFF09':
    case U' ':
    case U'@':
    case U'=':
    case U'\uF8F3':
        return true;
    default:
        return false;
    }
}

// A non-ASCII character that may stand in a bare name: the server takes every non-ASCII
// character as part of an identifier, but only letters that lower-casing keeps, digits and
// marks read back as the same visible name.
bool isBareNonAscii(char32_t c)
{
    if (isForcingSpecial(c))
        return false;
    switch (QChar::category(c)) {
    case QChar::Letter_Lowercase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return QChar::toLower(c) == c;
    default:
        return false;
    }
}

void requireNoNul(const QString &text, const char *what)
{
    if (text.contains(QChar(u'\0')))
        throw SqlTextError(what);
}

// Splits at the delimiter. An item that begins with a double quote runs to its closing quote
// (doubled quotes inside taken as one) and loses its quotes, so it may hold the delimiter.
// Control characters separate items too; a run of them next to a delimiter counts as that one
// separator, and a delimiter at the very end adds an empty last item. Every other character
// stays in its item as it is.
QStringList splitQuoted(const QString &text, QChar delimiter)
{
    QStringList items;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto isControl = [](QChar c) { return c.unicode() < u' '; };
    auto skipControls = [&] {
        while (i < n && isControl(text.at(i)))
            ++i;
    };
    skipControls();
    while (i < n) {
        QString item;
        if (text.at(i) == u'"') {
            ++i;
            while (i < n) {
                if (text.at(i) == u'"') {
                    if (i + 1 < n && text.at(i + 1) == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text.at(i++);
            }
        }
        while (i < n && text.at(i) != delimiter && !isControl(text.at(i)))
            item += text.at(i++);
        items << item;
        skipControls();
        if (i < n && text.at(i) == delimiter) {
            ++i;
            skipControls();
            if (i >= n)
                items << QString();
        }
    }
    return items;
}

} // namespace qvname

bool NameNeedsQuotes(const QString &name, bool useLowerName)
{
    if (useLowerName || name.isEmpty())
        return true;
    bool first = true;
    bool ascii = true;
    for (const char32_t c : name.toUcs4()) {
        bool bare;
        if (c >= 0x80) {
            bare = qvname::isBareNonAscii(c);
            ascii = false;
        } else if ((c >= U'a' && c <= U'z') || c == U'_') {
            bare = true;
        } else if ((c >= U'0' && c <= U'9') || c == U'$') {
            bare = !first;
        } else {
            bare = false;
        }
        if (!bare)
            return true;
        first = false;
    }
    return ascii && qvname::isRestrictedKeyword(name);
}

QString QuoteName(const QString &name)
{
    qvname::requireNoNul(name, "識別子に NUL 文字は使用できません。");
    if (!NameNeedsQuotes(name, AppOption.UseLowerName))
        return name;
    return pg::quoteIdentifier(name);
}

QStringList SplitQuotedName(const QString &names, QChar delimiter)
{
    if (names.isEmpty())
        return {};
    return qvname::splitQuoted(names, delimiter);
}

QString QuoteNameList(const QString &names, bool commaText, const QString &delimiter)
{
    qvname::requireNoNul(names, "識別子に NUL 文字は使用できません。");
    const QChar splitAt = commaText ? QChar(u',')
        : delimiter.isEmpty()       ? QChar(u'\0') // one name; NUL was refused above
                                    : delimiter.at(0);
    const QString joiner = commaText ? QStringLiteral(",") : delimiter;
    QStringList parts;
    if (!names.isEmpty())
        parts = qvname::splitQuoted(names, splitAt);
    for (QString &part : parts)
        part = QuoteName(part);

    return parts.join(joiner);
}

QString QuoteTypeName(const QString &typeName)
{
    qvname::requireNoNul(typeName, "識別子に NUL 文字は使用できません。");
    QString base = typeName;
    QString arraySuffix;
    while (base.endsWith(QStringLiteral("[]"))) {
        arraySuffix += QStringLiteral("[]");
        base.chop(2);
    }

    qsizetype wordEnd = 0;
    while (wordEnd < base.size() && base.at(wordEnd).isLetter()
           && base.at(wordEnd).unicode() < 0x80)
        ++wordEnd;
    const QString firstWord = base.left(wordEnd).toLower();
    const QByteArray latin = firstWord.toLatin1();
    const std::string_view word(latin.constData(), size_t(latin.size()));
    const bool keywordType
        = std::find(qvname::keywordTypeStarts.begin(), qvname::keywordTypeStarts.end(), word)
        != qvname::keywordTypeStarts.end();
    // The keyword spellings ("timestamp(3) with time zone", "numeric(10,2)") hold nothing but
    // ASCII letters, digits, blanks, brackets and commas; anything else is a name.
    const bool plainText = std::all_of(base.begin(), base.end(), [](QChar c) {
        return c.unicode() < 0x80
            && (c.isLetterOrNumber() || c == u' ' || c == u'(' || c == u')' || c == u',');
    });
    const bool wordEnds
        = wordEnd == base.size() || base.at(wordEnd) == u' ' || base.at(wordEnd) == u'(';
    if (keywordType && plainText && wordEnds)
        return base + arraySuffix;
    return QuoteNameList(base, false, QStringLiteral(".")) + arraySuffix;
}

QString QuoteLiteral(const QString &s)
{
    qvname::requireNoNul(s, "文字列定数に NUL 文字は使用できません。");
    QString body = s;
    body.replace(u'\'', QStringLiteral("''"));
    if (!body.contains(u'\\'))
        return u'\'' + body + u'\'';
    body.replace(u'\\', QStringLiteral("\\\\"));
    return QStringLiteral("E'") + body + u'\'';
}

QString QuoteLiteralLine(const QString &s)
{
    qvname::requireNoNul(s, "文字列定数に NUL 文字は使用できません。");
    bool control = false;
    for (const QChar c : s)
        control = control || c.unicode() < 0x20 || c.unicode() == 0x7f;
    if (!control)
        return QuoteLiteral(s);
    QString body;
    body.reserve(s.size() + 8);
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '\\':
            body += QStringLiteral("\\\\");
            break;
        case '\'':
            body += QStringLiteral("''");
            break;
        case '\n':
            body += QStringLiteral("\\n");
            break;
        case '\r':
            body += QStringLiteral("\\r");
            break;
        case '\t':
            body += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                body += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                body += c;
        }
    }
    return QStringLiteral("E'") + body + u'\'';
}

QString StripDoubleQuotes(const QString &s)
{
    if (s.size() >= 1 && s.startsWith(u'"') && s.endsWith(u'"'))
        return s.size() == 1 ? QString() : s.mid(1, s.size() - 2);
    return s;
}

QString DequoteName(const QString &name)
{
    if (!name.startsWith(u'"'))
        return name;
    QString out;
    for (qsizetype i = 1; i < name.size(); ++i) {
        if (name.at(i) == u'"') {
            if (i + 1 < name.size() && name.at(i + 1) == u'"') {
                out += u'"';
                ++i;
                continue;
            }
            break;
        }
        out += name.at(i);
    }
    return out;
}
