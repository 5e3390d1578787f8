#include "qvsqllexer.h"

#include "qvsqltext.h"

#include "core/qveditorsettings.h"
#include "core/qvfontmap.h"

#include <Qsci/qsciscintilla.h>

#include <vector>

namespace qvsqllexer {

constexpr const char *Marker = "QVSTS";

bool isWordStart(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_'
        || (u >= 0x80 && !c.isSpace());
}

bool isWordPart(QChar c)
{
    return isWordStart(c) || c.isDigit() || c == u'$';
}

} // namespace qvsqllexer

TqvSqlLexer::TqvSqlLexer(QObject *parent)
    : QsciLexerCustom(parent)
{ }

const char *TqvSqlLexer::language() const
{
    return "SQL";
}

QString TqvSqlLexer::description(int style) const
{
    switch (style) {
    case Default:
        return QStringLiteral("Default");
    case Comment:
        return QStringLiteral("Comment");
    case String:
        return QStringLiteral("String");
    case Number:
        return QStringLiteral("Number");
    case Reserved:
        return QStringLiteral("Reserved word");
    default:
        return {};
    }
}

void TqvSqlLexer::setReserveWords(const QStringList &words)
{
    QStringList sorted = words;
    sorted.sort(Qt::CaseInsensitive);
    m_statementMode
        = !sorted.isEmpty() && sorted.first().contains(QLatin1String(qvsqllexer::Marker));
    m_words.clear();
    for (const QString &w : std::as_const(sorted))
        m_words.insert(w.toUpper());
    if (editor())
        editor()->recolor();
}

bool TqvSqlLexer::isReserved(const QString &word) const
{
    return m_words.contains(word.toUpper());
}

void TqvSqlLexer::applySettings(const TqvEditorSettings &settings)
{
    const QFont font = MapFont(settings.Font.Name, settings.Font.Size, settings.Font.FixedPitch);
    const QColor text = EditorColorToQColor(settings.Font.Color);
    const QColor paper = EditorColorToQColor(settings.Color);
    const auto pair = [&](const TqvEditorColorPair &p, int style) {
        const QColor fore = EditorColorToQColor(p.Color);
        const QColor back = EditorColorToQColor(p.BkColor);
        setColor(fore.isValid() ? fore : text, style);
        setPaper(back.isValid() ? back : paper, style);
    };
    setDefaultFont(font);
    setFont(font, -1);
    if (text.isValid())
        setDefaultColor(text);
    if (paper.isValid())
        setDefaultPaper(paper);
    setColor(text, Default);
    setPaper(paper, Default);
    pair(settings.View.Colors.Comment, Comment);
    pair(settings.View.Colors.Str, String);
    pair(settings.View.Colors.Str, Number);
    pair(settings.View.Colors.Reserve, Reserved);
    setReserveWords(settings.ReserveWordList);
}

void TqvSqlLexer::styleText(int start, int end)
{
    using namespace qvsqllexer;
    QsciScintilla *ed = editor();
    if (!ed || end <= start)
        return;
    const int length = int(ed->SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
    const int firstLine = int(ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, start));
    const int lastLine = int(ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, end));
    start = int(ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, firstLine));
    end = lastLine + 1 < ed->lines()
        ? int(ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, lastLine + 1))
        : length;

    // A comment, literal or dollar quote still open at the end of the line before: read again
    // from where it began (two characters earlier as well, for the E of E'...').
    const int carried = firstLine > 0
        ? int(ed->SendScintilla(QsciScintillaBase::SCI_GETLINESTATE, firstLine - 1))
        : 0;
    const int from = carried > 0 && carried - 1 < start ? carried - 1 : start;
    // Two characters back, not two bytes: a read that starts inside a character of several
    // bytes decodes it as a replacement character, and every offset after it is off.
    int fetch = from;
    for (int k = 0; k < 2 && fetch > 0; ++k)
        fetch = int(ed->SendScintilla(QsciScintillaBase::SCI_POSITIONBEFORE, long(fetch)));

    QByteArray bytes(end - fetch + 1, '\0');
    ed->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, long(fetch), long(end), bytes.data());
    bytes.resize(end - fetch);
    const QString t = QString::fromUtf8(bytes);

    // byte offset (from fetch) of every UTF-16 unit, and of the end
    std::vector<int> offset(size_t(t.size()) + 1, 0);
    {
        int b = 0;
        for (qsizetype k = 0; k < t.size(); ++k) {
            offset[size_t(k)] = b;
            const ushort u = t.at(k).unicode();
            if (t.at(k).isHighSurrogate())
                continue; // the pair's four bytes are counted at its low half
            b += t.at(k).isLowSurrogate() ? 4 : u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
        }
        offset[size_t(t.size())] = b;
    }
    int first = 0;
    while (first < t.size() && fetch + offset[size_t(first)] < from)
        ++first;

    std::vector<quint8> style(size_t(t.size()), Default);
    struct Open
    {
        int start; // byte position of a span that runs past a line end
        int end;
    };
    std::vector<Open> multiLine;
    const sqltext::SpanReader reader(t);
    const int n = int(t.size());
    int lineStart = first;
    int i = first;
    while (i < n) {
        const QChar c = t.at(i);
        if (c == u'\n') {
            lineStart = i + 1;
            ++i;
            continue;
        }
        const sqltext::Span span = reader.spanAt(i);
        if (span.end >= 0) {
            const quint8 st = span.kind == sqltext::SpanKind::Comment ? Comment : String;
            int s = i;
            // E'...': the prefix takes the literal's colour
            if (c == u'\'' && i > first && (t.at(i - 1) == u'E' || t.at(i - 1) == u'e'))
                s = i - 1;
            std::fill(style.begin() + s, style.begin() + span.end, st);
            const int nl = int(t.indexOf(u'\n', i));
            if (nl >= 0 && (nl < span.end || !span.closed))
                multiLine.push_back({ fetch + offset[size_t(i)],
                                      span.closed ? fetch + offset[size_t(span.end)] : INT_MAX });
            for (int k = i; k < span.end; ++k) {
                if (t.at(k) == u'\n')
                    lineStart = k + 1;
            }
            i = span.end;
            continue;
        }
        if (isWordStart(c)) {
            int e = i + 1;
            while (e < n && isWordPart(t.at(e)))
                ++e;
            if (m_statementMode) {
                int le = int(t.indexOf(u'\n', i));
                if (le < 0)
                    le = n;
                const QString line = t.mid(lineStart, le - lineStart);
                const sqltext::WidenedToken w
                    = sqltext::TokenStringStatsPack(line, i - lineStart, e - lineStart);
                if (m_words.contains(QLatin1String(Marker) + w.text.toUpper())) {
                    std::fill(style.begin() + lineStart + w.start,
                              style.begin() + lineStart + w.end, quint8(Reserved));
                    e = qMax(e, lineStart + w.end);
                }
            } else if (isReserved(t.mid(i, e - i))) {
                std::fill(style.begin() + i, style.begin() + e, quint8(Reserved));
            }
            i = e;
            continue;
        }
        if (c.isDigit()
            || (c == u'.' && i + 1 < n && t.at(i + 1).isDigit()
                && (i == 0 || !isWordPart(t.at(i - 1))))) {
            int e = i + 1;
            while (e < n && (t.at(e).isDigit() || t.at(e) == u'.'))
                ++e;
            if (e + 1 < n && (t.at(e) == u'e' || t.at(e) == u'E')
                && (t.at(e + 1).isDigit()
                    || ((t.at(e + 1) == u'+' || t.at(e + 1) == u'-') && e + 2 < n
                        && t.at(e + 2).isDigit())))
                for (e += 2; e < n && t.at(e).isDigit(); ++e) { }
            std::fill(style.begin() + i, style.begin() + e, quint8(Number));
            i = e;
            continue;
        }
        ++i;
    }

    startStyling(fetch + offset[size_t(first)]);
    int k = first;
    while (k < n) {
        int e = k + 1;
        while (e < n && style[size_t(e)] == style[size_t(k)])
            ++e;
        setStyling(offset[size_t(e)] - offset[size_t(k)], style[size_t(k)]);
        k = e;
    }

    // Line states: the start (+1) of the span still open at each line's end, else 0.
    size_t m = 0;
    for (int line = firstLine; line <= lastLine; ++line) {
        const int lineEnd = int(ed->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, line));
        while (m < multiLine.size() && multiLine[m].end <= lineEnd)
            ++m;
        int state = 0;
        if (m < multiLine.size() && multiLine[m].start <= lineEnd)
            state = multiLine[m].start + 1;
        ed->SendScintilla(QsciScintillaBase::SCI_SETLINESTATE, line, state);
    }
}
