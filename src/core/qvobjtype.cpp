#include "qvobjtype.h"

#include <algorithm>
#include <array>

namespace qvobjtype {

struct Keyword
{
    int code;
    const char *keyword;
};

// 3 is the second user code; the keyword maps back to 2, so it stands after 2.
constexpr std::array<Keyword, 33> keywords = { {
    { 2, "USER" },
    { 3, "USER" },
    { 45, "TABLE" },
    { 46, "INDEX" },
    { 47, "VIEW" },
    { 48, "JAVA SOURCE" },
    { 49, "JAVA CLASS" },
    { 50, "JAVA RESOURCE" },
    { 51, "PROCEDURE" },
    { 52, "FUNCTION" },
    { 53, "PACKAGE" },
    { 54, "PACKAGE BODY" },
    { 55, "TYPE" },
    { 56, "TYPE BODY" },
    { 57, "TRIGGER" },
    { 58, "SEQUENCE" },
    { 59, "CLUSTER" },
    { 60, "SYNONYM" },
    { 61, "MATERIALIZED VIEW" },
    { 62, "MATERIALIZED VIEW LOG" },
    { 63, "REFRESH GROUP" },
    { 64, "DATABASE LINK" },
    { 65, "LIBRARY" },
    { 66, "CONSTRAINT" },
    { 67, "PROFILE" },
    { 68, "ROLE" },
    { 69, "TABLESPACE" },
    { 70, "ROLLBACK SEGMENT" },
    { 72, "DIRECTORY" },
    { 73, "TABLE PARTITION" },
    { 74, "INDEX PARTITION" },
    { 127, "RULE" },
    { 128, "AGGREGATE" },
} };

// Upper-cases a-z only: the keywords are ASCII, and locale rules (a dotless i, a sharp s) must
// not turn another word into one of them.
QString asciiUpper(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return out;
}

} // namespace qvobjtype

int GetObjectTypeCode(const QString &typeName)
{
    // Kinds mostly come in capitals already (a list's rows): those are compared as they are,
    // without a copy.
    const bool capitals = std::none_of(typeName.cbegin(), typeName.cend(),
                                       [](QChar c) { return c >= u'a' && c <= u'z'; });
    const QString upper = capitals ? typeName : qvobjtype::asciiUpper(typeName);
    for (const auto &entry : qvobjtype::keywords) {
        if (upper == QLatin1String(entry.keyword))
            return entry.code;
    }
    return -1;
}

QString GetObjectTypeName(int code)
{
    for (const auto &entry : qvobjtype::keywords) {
        if (entry.code == code)
            return QString::fromLatin1(entry.keyword);
    }
    return {};
}
