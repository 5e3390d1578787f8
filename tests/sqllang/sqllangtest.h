#pragma once

#include "sqllang/qvsqltext.h"

#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace sqllangtest {

inline bool isOp(QChar c)
{
    return QStringLiteral("+-*/<>=~!@#%^&|`?:").contains(c);
}

// The tokens of the server's lexer, roughly: literals, quoted names and dollar quotes exactly
// as written, words and numbers in upper case, operator runs, single punctuation; comments and
// blanks dropped.
inline QStringList significantTokens(const QString &s)
{
    QStringList tokens;
    const sqltext::SpanReader reader(s);
    int i = 0;
    const int n = int(s.size());
    while (i < n) {
        const QChar c = s.at(i);
        const sqltext::Span span = reader.spanAt(i);
        if (span.end >= 0) {
            if (span.kind == sqltext::SpanKind::Quoted)
                tokens.append(s.mid(i, span.end - i));
            i = span.end;
            continue;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        int e = i + 1;
        if (c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'.' || c.unicode() >= 0x80) {
            while (e < n && !s.at(e).isSpace()
                   && (s.at(e).isLetterOrNumber() || s.at(e) == u'_' || s.at(e) == u'$'
                       || s.at(e) == u'.' || s.at(e).unicode() >= 0x80))
                ++e;
            tokens.append(s.mid(i, e - i).toUpper());
        } else if (isOp(c)) {
            while (e < n && isOp(s.at(e)) && reader.spanAt(e).end < 0)
                ++e;
            tokens.append(s.mid(i, e - i));
        } else {
            tokens.append(QString(c));
        }
        i = e;
    }
    return tokens;
}

} // namespace sqllangtest
