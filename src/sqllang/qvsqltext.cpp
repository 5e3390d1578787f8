#include "qvsqltext.h"

#include "platform/pg/paramscanner.h"

namespace sqltext {

SpanReader::SpanReader(const QString &text)
    : m_text(text + QLatin1Char('\n'))
    , m_size(int(text.size()))
{ }

Span SpanReader::spanAt(int i) const
{
    if (i < 0 || i >= m_size)
        return {};
    const pg::SqlSpan span = pg::skipSqlSpan(m_text, i);
    if (span.end < 0)
        return {};
    Span result;
    result.kind = span.kind == pg::SqlSpanKind::Comment ? SpanKind::Comment : SpanKind::Quoted;
    // A line comment stops at the appended line end and is never open; anything else that
    // reaches past the real text was not closed in it.
    result.closed = span.end <= m_size;
    result.end = qMin(span.end, m_size);
    return result;
}

bool IsParserWordChar(QChar c)
{
    const ushort u = c.unicode();
    if (u >= 0x80)
        return !c.isSpace();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_'
        || u == '$' || u == '#';
}

bool IsEditorDelimiter(QChar c)
{
    switch (c.unicode()) {
    case ' ':
    case '(':
    case ')':
    case '%':
    case ';':
    case '.':
    case ',':
    case '+':
    case '-':
    case '<':
    case '>':
    case '{':
    case '}':
    case '[':
    case ']':
    case '"':
    case '\'':
    case '\r':
    case '\n':
    case '\t':
        return true;
    default:
        return false;
    }
}

bool EditorWordAt(const QString &line, int index, int *start, int *length)
{
    if (index <= 0 || index > line.size())
        return false;
    const int c = index - 1;
    if (IsEditorDelimiter(line.at(c)))
        return false;
    int s = c;
    while (s > 0 && !IsEditorDelimiter(line.at(s - 1)))
        --s;
    int e = c + 1;
    while (e < line.size() && !IsEditorDelimiter(line.at(e)))
        ++e;
    *start = s;
    *length = e - s;
    return true;
}

namespace {

bool isBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20;
}

// Start of the run of non-delimiters and dots that ends at end (exclusive).
int chainRunStart(const QString &line, int end)
{
    int s = end;
    while (s > 0 && (line.at(s - 1) == u'.' || !IsEditorDelimiter(line.at(s - 1))))
        --s;
    return s;
}

// For a quoted name whose closing quote is at close: the index of its opening quote (doubled
// quotes inside are part of the name); -1 when there is none on the line.
int openingQuote(const QString &line, int close)
{
    int j = close - 1;
    while (j >= 0) {
        if (line.at(j) == u'"') {
            if (j > 0 && line.at(j - 1) == u'"') {
                j -= 2;
                continue;
            }
            return j;
        }
        --j;
    }
    return -1;
}

} // namespace

QString CodeAssistToken(const QString &line, int caret)
{
    if (line.isEmpty() || caret <= 0 || caret > line.size())
        return {};
    const QChar p = line.at(caret - 1);
    const bool hasQ = caret >= 2;
    const QChar q = hasQ ? line.at(caret - 2) : QChar();
    if (p == u'.' && (!hasQ || isBlankOrControl(q)))
        return QStringLiteral(".");
    if (p == u'.' && line.contains(QLatin1String("csv"), Qt::CaseInsensitive)
        && (q == u'"' || q == u'\'' || q == u'.'))
        return QStringLiteral(".");
    if (p != u'.' && IsEditorDelimiter(p))
        return {};
    if (p == u'.' && IsEditorDelimiter(q)) {
        // Right after a closing quote, bracket or second dot: only a name before it makes a
        // chain; after a bracket the chain is the dot alone.
        if (caret < 3 || IsEditorDelimiter(line.at(caret - 3)))
            return {};
        if (q != u'"' && q != u'.')
            return QStringLiteral(".");
    }

    // The chain: runs of name characters and dots, and quoted names that are joined to them
    // by a dot, given without their quotes.
    QString token;
    int end = caret;
    for (;;) {
        const int s = chainRunStart(line, end);
        token.prepend(QStringView(line).mid(s, end - s));
        if (s >= 1 && line.at(s - 1) == u'"' && s < line.size() && line.at(s) == u'.') {
            const int open = openingQuote(line, s - 1);
            if (open < 0)
                break;
            QString name = line.mid(open + 1, s - 1 - open - 1);
            name.replace(QLatin1String("\"\""), QLatin1String("\""));
            if (name.isEmpty())
                break;
            token.prepend(name);
            if (open >= 1 && line.at(open - 1) == u'.') {
                token.prepend(QLatin1Char('.'));
                end = open - 1;
                continue;
            }
        }
        break;
    }
    return token;
}

namespace {

bool isWideningChar(QChar c)
{
    const ushort u = c.unicode();
    return u == '(' || u == ')' || u == '-' || (u >= '1' && u <= '9') || (u >= 'A' && u <= 'Z')
        || (u >= 'a' && u <= 'z');
}

} // namespace

WidenedToken TokenStringStatsPack(const QString &line, int start, int end)
{
    WidenedToken w;
    start = qBound(0, start, int(line.size()));
    end = qBound(start, end, int(line.size()));
    int s = start;
    while (s > 0 && line.at(s - 1) != u' ')
        --s;
    int e = end;
    for (;;) {
        if (e < line.size() && isWideningChar(line.at(e))) {
            ++e;
        } else if (e + 1 < line.size() && line.at(e) == u' ' && isWideningChar(line.at(e + 1))) {
            ++e;
        } else {
            break;
        }
    }
    w.start = s;
    w.end = e;
    w.text = line.mid(s, e - s);
    return w;
}

bool IsCommentedLine(const QString &line)
{
    int i = 0;
    while (i < line.size() && line.at(i).unicode() <= 0x20)
        ++i;
    return QStringView(line).mid(i).startsWith(QLatin1String("--"));
}

QStringList ToggleLineComments(const QStringList &lines)
{
    bool all = !lines.isEmpty();
    for (const QString &line : lines)
        all = all && IsCommentedLine(line);
    QStringList result;
    result.reserve(lines.size());
    for (const QString &line : lines) {
        if (all) {
            QString changed = line;
            changed.remove(int(line.indexOf(QLatin1String("--"))), 2);
            result.append(changed);
        } else {
            result.append(QLatin1String("--") + line);
        }
    }
    return result;
}

QStringList ToggleBoxComments(const QStringList &lines, const QList<int> &columns)
{
    bool all = !lines.isEmpty();
    for (int i = 0; i < lines.size(); ++i) {
        const int column = i < columns.size() ? columns.at(i) : 0;
        all = all && lines.at(i).size() >= column && IsCommentedLine(lines.at(i).mid(column));
    }
    QStringList result;
    result.reserve(lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const int column = i < columns.size() ? columns.at(i) : 0;
        QString changed = line;
        if (column >= 0 && line.size() >= column) {
            if (all)
                changed.remove(int(line.indexOf(QLatin1String("--"), column)), 2);
            else
                changed.insert(column, QLatin1String("--"));
        }
        result.append(changed);
    }
    return result;
}

} // namespace sqltext
