#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Small readers of SQL text that the editor control, the parser and the formatter share. What
// is a literal, a quoted name, a dollar quote or a comment is decided by the data layer's one
// reader (pg::skipSqlSpan); this unit only adds what the editor-side services need on top.

namespace sqltext {

enum class SpanKind { Code, Quoted, Comment };

struct Span
{
    int end = -1; // index just after the span; -1 when no span opens at the index asked
    SpanKind kind = SpanKind::Code;
    bool closed = true; // false when the text ends before the span's closing mark
};

// Walks one text with pg::skipSqlSpan and also tells whether a span was closed: the reader
// keeps a copy of the text with one line end appended, so that a span still open at the end
// of the text runs into that extra character.
class SpanReader
{
public:
    explicit SpanReader(const QString &text);
    int size() const { return m_size; }
    // The literal ('...', E'...'), quoted name, dollar quote or comment that opens at i.
    Span spanAt(int i) const;

private:
    QString m_text;
    int m_size = 0;
};

// A character of a word as the statement parser reads words: "#", "$", "_", ASCII letters and
// digits, and any character beyond ASCII that is not a blank (Japanese names are words).
bool IsParserWordChar(QChar c);

// The 20 delimiters of word selection and of the code-assist token: blank ( ) % ; . , + - < >
// { } [ ] " ' CR LF TAB.
bool IsEditorDelimiter(QChar c);

// The word that a double click selects: the run of non-delimiters around the character just
// before index in line. Returns false (nothing to select) when index is 0 or beyond the line,
// or that character is a delimiter.
bool EditorWordAt(const QString &line, int index, int *start, int *length);

// The text at the caret (caret = number of characters before it on its line) that code assist
// completes: a name, a chain of names joined by dots, a chain ending in a dot, "." or nothing.
// A name in double quotes within the chain is given without its quotes, in its own case.
QString CodeAssistToken(const QString &line, int caret);

// The statement-keyword widening of the token [start, end) of line: the characters left of it
// up to the nearest blank, then to the right every character of the widening set ( ) - 1-9
// A-Z a-z and every single blank followed by one. Stays within the line.
struct WidenedToken
{
    int start = 0;
    int end = 0;
    QString text;
};
WidenedToken TokenStringStatsPack(const QString &line, int start, int end);

// Whether line, without its leading blanks and control characters, begins with "--".
bool IsCommentedLine(const QString &line);
// The comment toggle of whole lines: when every line is commented, the first "--" of each is
// removed (indentation stays); otherwise every line gets "--" in front of its first character.
QStringList ToggleLineComments(const QStringList &lines);
// The comment toggle of a box: columns[i] is the character index of the box's left edge in
// lines[i]. A line shorter than its column stays as it is and counts as not commented; the
// others get "--" inserted at the column, or lose the first "--" at or after it when every line
// of the box is commented from the column on.
QStringList ToggleBoxComments(const QStringList &lines, const QList<int> &columns);

} // namespace sqltext
