#include "qvformat.h"

#include "qvsqltext.h"

#include "core/qvoption.h"
#include "core/qvreserve.h"

#include <QSet>

#include <vector>

namespace qvformat {

// ---- tokens --------------------------------------------------------------------------------

enum class Tok { Word, Quoted, LineComment, BlockComment, Op, Punct, Space, Newline };

struct Token
{
    Tok kind = Tok::Word;
    int start = 0;
    int end = 0;
    bool glued = false; // no blank or line break between it and the token before
};

bool isOperatorChar(QChar c)
{
    switch (c.unicode()) {
    case '+':
    case '-':
    case '*':
    case '/':
    case '<':
    case '>':
    case '=':
    case '~':
    case '!':
    case '@':
    case '%':
    case '^':
    case '&':
    case '|':
    case '`':
    case '?':
    case ':':
        return true;
    default:
        return false;
    }
}

bool isPunctChar(QChar c)
{
    return c == u'(' || c == u')' || c == u',' || c == u';';
}

bool isSpaceChar(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\f' || c == u'\v';
}

bool isWordChar(QChar c)
{
    return !(isSpaceChar(c) || c == u'\n' || c == u'\r' || c == u'\'' || c == u'"' || isPunctChar(c)
             || isOperatorChar(c));
}

std::vector<Token> tokenize(const QString &s)
{
    std::vector<Token> tokens;
    const sqltext::SpanReader reader(s);
    const int n = int(s.size());
    int i = 0;
    bool glued = false;
    while (i < n) {
        Token t;
        t.start = i;
        t.glued = glued;
        const QChar c = s.at(i);
        const sqltext::Span span = reader.spanAt(i);
        if (span.end >= 0) {
            t.end = span.end;
            if (span.kind == sqltext::SpanKind::Quoted)
                t.kind = Tok::Quoted;
            else
                t.kind = c == u'-' ? Tok::LineComment : Tok::BlockComment;
        } else if (c == u'\r' || c == u'\n') {
            t.kind = Tok::Newline;
            t.end = (c == u'\r' && i + 1 < n && s.at(i + 1) == u'\n') ? i + 2 : i + 1;
        } else if (isSpaceChar(c)) {
            t.kind = Tok::Space;
            t.end = i + 1;
            while (t.end < n && isSpaceChar(s.at(t.end)))
                ++t.end;
        } else if (isPunctChar(c)) {
            t.kind = Tok::Punct;
            t.end = i + 1;
        } else if (isOperatorChar(c)) {
            t.kind = Tok::Op;
            int e = i;
            while (e < n && isOperatorChar(s.at(e))) {
                // a comment begins a token of its own
                if (e > i && e + 1 < n
                    && ((s.at(e) == u'-' && s.at(e + 1) == u'-')
                        || (s.at(e) == u'/' && s.at(e + 1) == u'*')))
                    break;
                ++e;
            }
            t.end = e;
        } else {
            t.kind = Tok::Word;
            int e = i;
            while (e < n && isWordChar(s.at(e))) {
                // a dollar quote may open right after characters that no name holds
                if (e > i && s.at(e) == u'$' && reader.spanAt(e).end >= 0)
                    break;
                ++e;
                // a number's exponent sign belongs to the number
                if (e + 1 < n && s.at(i).isDigit() && (s.at(e - 1) == u'e' || s.at(e - 1) == u'E')
                    && (s.at(e) == u'+' || s.at(e) == u'-') && s.at(e + 1).isDigit())
                    e += 2;
            }
            t.end = e;
            // E'...', B'...', X'...' and N'...': the prefix and its literal are one token
            const int len = e - i;
            if (len == 1 && e < n && s.at(e) == u'\''
                && QStringLiteral("EeBbXxNn").contains(s.at(i))) {
                const sqltext::Span literal = reader.spanAt(e);
                if (literal.end >= 0) {
                    t.kind = Tok::Quoted;
                    t.end = literal.end;
                }
            }
        }
        glued = !(t.kind == Tok::Space || t.kind == Tok::Newline);
        tokens.push_back(t);
        i = t.end;
    }
    return tokens;
}

// ---- layout --------------------------------------------------------------------------------

enum class Stmt { None, Select, Insert, Update, Delete };
enum class Clause { None, SelectList, SetList, Insert, Values, From, Where, Group, Having, Order };

const QSet<QString> &reservedWords()
{
    static const QSet<QString> words = [] {
        QStringList list;
        SetDefaultReserveWords(list);
        QSet<QString> set;
        for (const QString &w : std::as_const(list))
            set.insert(w.toUpper());
        return set;
    }();
    return words;
}

bool isClauseWord(const QString &upper)
{
    static const QSet<QString> words = {
        QStringLiteral("SELECT"), QStringLiteral("FROM"),   QStringLiteral("WHERE"),
        QStringLiteral("GROUP"),  QStringLiteral("ORDER"),  QStringLiteral("HAVING"),
        QStringLiteral("RIGHT"),  QStringLiteral("LEFT"),   QStringLiteral("INNER"),
        QStringLiteral("OUTER"),  QStringLiteral("JOIN"),   QStringLiteral("INSERT"),
        QStringLiteral("VALUES"), QStringLiteral("UPDATE"), QStringLiteral("SET"),
        QStringLiteral("DELETE"), QStringLiteral("UNION"),  QStringLiteral("FOR"),
    };
    return words.contains(upper);
}

class Formatter
{
public:
    Formatter(const QString &sql, const TFormatOption &o)
        : s(sql)
        , o(o)
        , tokens(tokenize(sql))
    {
        out.reserve(sql.size() + sql.size() / 4 + 16);
    }

    QString run()
    {
        for (i = 0; i < int(tokens.size()); ++i)
            step();
        trimTrailing();
        return out;
    }

private:
    // ---- token access
    QStringView text(int k) const
    {
        const Token &t = tokens[size_t(k)];
        return QStringView(s).mid(t.start, t.end - t.start);
    }
    QString upper(int k) const { return text(k).toString().toUpper(); }
    bool isWord(int k, const char *w) const
    {
        return k >= 0 && k < int(tokens.size()) && tokens[size_t(k)].kind == Tok::Word
            && text(k).compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    }
    bool isPunct(int k, char c) const
    {
        return k >= 0 && k < int(tokens.size()) && tokens[size_t(k)].kind == Tok::Punct
            && text(k).at(0) == QLatin1Char(c);
    }
    // The next token after k that is not a blank (line breaks count when withBreaks is false).
    int next(int k, bool skipBreaks = true) const
    {
        int j = k + 1;
        while (j < int(tokens.size())
               && (tokens[size_t(j)].kind == Tok::Space
                   || (skipBreaks && tokens[size_t(j)].kind == Tok::Newline)))
            ++j;
        return j;
    }
    bool atEnd(int k) const { return k >= int(tokens.size()); }
    // Only blanks, then a line break or the end of the text, follow token k.
    bool lineEndAfter(int k) const
    {
        const int j = next(k, false);
        return atEnd(j) || tokens[size_t(j)].kind == Tok::Newline;
    }
    bool isComment(int k) const
    {
        return !atEnd(k)
            && (tokens[size_t(k)].kind == Tok::LineComment
                || tokens[size_t(k)].kind == Tok::BlockComment);
    }

    // ---- case and padding
    QString keywordCase(const QString &w) const
    {
        if (o.ReserveTrans == 0)
            return w.toUpper();
        if (o.ReserveTrans == 1)
            return w.toLower();
        return w;
    }
    QString wordCase(const QString &w) const
    {
        if (w.isEmpty())
            return w;
        if (reservedWords().contains(w.toUpper()))
            return keywordCase(w);
        if (o.ItemTrans == 0)
            return w.toUpper();
        if (o.ItemTrans == 1)
            return w.toLower();
        return w;
    }
    QString indentText() const { return QString(qMax(0, indent), QLatin1Char(' ')); }
    QString padKeyword(const QString &kw) const
    {
        const bool blanks = kw.trimmed().isEmpty();
        QString r = kw;
        if (kw.size() <= 6) {
            const QString pad(6 - kw.size(), QLatin1Char(' '));
            r = o.ReservePos == 0 ? pad + kw : kw + pad;
        }
        if ((clause == Clause::Group || clause == Clause::Order) && (o.ReservePos == 0 || blanks))
            r = QLatin1Char(' ') + kw;
        if (!blanks)
            r += QLatin1Char(' ');
        return r;
    }
    QString continuationPad() const
    {
        QString r;
        switch (clause) {
        case Clause::SelectList:
        case Clause::SetList:
        case Clause::From:
        case Clause::Where:
        case Clause::Having:
            r = padKeyword(QString(6, QLatin1Char(' ')));
            break;
        case Clause::Insert:
        case Clause::Values:
        case Clause::Group:
        case Clause::Order:
            r = padKeyword(QString(7, QLatin1Char(' ')));
            break;
        case Clause::None:
            return r;
        }
        if (((clause == Clause::Where || clause == Clause::Having) && o.AndPos == 1)
            || o.CommaPos == 1)
            r += QLatin1Char(' ');
        if ((clause == Clause::Group || clause == Clause::Order) && o.ReservePos == 0)
            r += QLatin1Char(' ');
        return r;
    }

    // ---- output
    // Whether the current output line holds nothing but blanks.
    bool lineEmpty() const
    {
        for (qsizetype k = out.size() - 1; k >= 0; --k) {
            if (out.at(k) == u'\n')
                return true;
            if (out.at(k) != u' ')
                return false;
        }
        return true;
    }
    // Whether the output, without its trailing blanks and line breaks, ends in the three letters
    // of word (any case).
    bool outEndsWith(const char *word) const
    {
        qsizetype e = out.size();
        while (e > 0 && out.at(e - 1).isSpace())
            --e;
        return e >= 3
            && QStringView(out).mid(e - 3, 3).compare(QLatin1String(word), Qt::CaseInsensitive)
            == 0;
    }
    QChar lastChar() const { return out.isEmpty() ? QChar() : out.back(); }
    void trimTrailing()
    {
        while (out.size() > m_verbatimEnd && (out.back() == u' ' || out.back() == u'\t'))
            out.chop(1);
    }
    // Ends the current line; a line that holds only blanks is reused rather than left empty.
    void breakLine()
    {
        trimTrailing();
        if (!out.isEmpty() && out.back() != u'\n')
            out += QLatin1Char('\n');
        mustBreak = false;
        itemComma = false;
    }
    // Starts a line at the block indentation, unless the current line is still empty.
    void newLine()
    {
        if (!out.isEmpty() && !lineEmpty())
            breakLine();
        else
            trimTrailing();
        mustBreak = false;
        out += indentText();
    }
    void ensureIndent()
    {
        if (lineEmpty() && !out.isEmpty() && out.back() == u'\n')
            out += indentText();
        else if (out.isEmpty())
            out += indentText();
    }
    void breakUnlessLineStart()
    {
        if (!lineEmpty())
            breakLine();
    }
    void breakUnlessLineEnd()
    {
        if (!lineEndAfter(i))
            breakLine();
    }
    void continuation()
    {
        breakLine();
        out += indentText() + continuationPad();
    }
    void space()
    {
        const QChar c = lastChar();
        if (!out.isEmpty() && c != u' ' && c != u'\n')
            out += QLatin1Char(' ');
    }
    void writeKeyword(const QString &kw) { out += padKeyword(keywordCase(kw)); }
    void writeVerbatim(QStringView t)
    {
        out += t;
        m_verbatimEnd = out.size();
    }
    static bool joinsLikeWord(QChar c) { return isWordChar(c) || c == u'\'' || c == u'"'; }
    // Token k was apart from the one before it and would run into what the output ends with.
    bool needsSeparator(int k) const
    {
        const Token &t = tokens[size_t(k)];
        if (t.glued || out.isEmpty())
            return false;
        const QChar last = out.back();
        const QChar first = s.at(t.start);
        return (joinsLikeWord(last) && joinsLikeWord(first))
            || (isOperatorChar(last) && isOperatorChar(first));
    }
    void writeToken(int k)
    {
        const Token &t = tokens[size_t(k)];
        if (needsSeparator(k))
            out += QLatin1Char(' ');
        if (t.kind == Tok::Word)
            out += wordCase(text(k).toString());
        else if (t.kind == Tok::Quoted || t.kind == Tok::LineComment || t.kind == Tok::BlockComment)
            writeVerbatim(text(k));
        else
            out += text(k);
        if (t.kind == Tok::LineComment)
            mustBreak = true;
        itemComma = false;
    }
    // After a line comment nothing may follow on its line.
    void breakAfterComment()
    {
        if (!mustBreak)
            return;
        if (stmt == Stmt::None) {
            breakLine();
            out += indentText();
        } else {
            continuation();
        }
        mustBreak = false;
    }
    // Copies the comments that follow token k on its line; returns the last token copied.
    int copyTrailingComments(int k)
    {
        int j = next(k, false);
        while (isComment(j)) {
            space();
            writeToken(j);
            k = j;
            j = next(k, false);
        }
        return k;
    }

    // The clause-keyword test of the look-ahead: a clause word, AND or OR when they begin their
    // own lines, or "(" in the column list of an INSERT. A match ends a join phrase.
    bool clauseKeywordAt(int k)
    {
        if (atEnd(k))
            return false;
        bool result = false;
        const Token &t = tokens[size_t(k)];
        if (t.kind == Tok::Word) {
            const QString w = upper(k);
            result = isClauseWord(w)
                || ((w == QLatin1String("AND") || w == QLatin1String("OR")) && o.AndPos == 0
                    && o.ItemReturn == 0);
        } else if (t.kind == Tok::Punct && text(k).at(0) == u'(') {
            result = clause == Clause::Insert;
        }
        if (result)
            joinPhrase = false;
        return result;
    }

    // ---- rules
    void step()
    {
        const Token &t = tokens[size_t(i)];
        if (t.kind == Tok::Word) {
            const QString w = upper(i);
            if (stmt == Stmt::None && blockRule(w))
                return;
            if (statementRule(w))
                return;
        }
        if (t.kind == Tok::Punct && text(i).at(0) == u';' && stmt != Stmt::None) {
            endStatement();
            return;
        }
        if (stmt != Stmt::None)
            clauseRule();
        else
            outsideRule();
    }

    bool loneSemicolon() const
    {
        if (i == 0 || tokens[size_t(i - 1)].kind != Tok::Newline)
            return false;
        return lineEndAfter(i);
    }

    void endStatement()
    {
        if (loneSemicolon()) {
            while (!out.isEmpty() && out.size() > m_verbatimEnd && out.back().isSpace())
                out.chop(1);
            out += QLatin1String("\n;");
        } else {
            breakAfterComment();
            if (clause == Clause::Where || clause == Clause::Having || clause == Clause::SetList)
                space();
            out += QLatin1Char(';');
        }
        stmt = Stmt::None;
        clause = Clause::None;
        depth = 0;
        cursorSeen = false;
        itemComma = false;
        createSeen = programHeader = false;
    }

    bool blockRule(const QString &w)
    {
        const int step = o.Indent;
        if (w == QLatin1String("CREATE")) {
            breakUnlessLineStart();
            indent = 0;
            exceptionSection = forSeen = whileSeen = cursorSeen = false;
            declarationMode = firstWhen = true;
            afterDeclare = false;
            createSeen = true;
            programHeader = false;
            return false; // written as a word
        }
        if (createSeen
            && (w == QLatin1String("FUNCTION") || w == QLatin1String("PROCEDURE")
                || w == QLatin1String("PACKAGE") || w == QLatin1String("TRIGGER")
                || w == QLatin1String("TYPE")))
            programHeader = true;
        if (w == QLatin1String("DECLARE")) {
            breakUnlessLineStart();
            ensureIndent();
            if (!declarationMode)
                indent += step;
            out += keywordCase(text(i).toString());
            breakUnlessLineEnd();
            afterDeclare = true;
            return true;
        }
        if (w == QLatin1String("BEGIN") || (w == QLatin1String("IS") && indent == 0)) {
            if (w == QLatin1String("IS") && cursorSeen) {
                cursorSeen = false;
                return false;
            }
            // IS opens the body of a stored program only in its header: not in COMMENT ON
            // ... IS nor in IS NULL, IS NOT and the other tests
            if (w == QLatin1String("IS")) {
                const int k = next(i);
                if (!programHeader || isWord(k, "NULL") || isWord(k, "NOT") || isWord(k, "DISTINCT")
                    || isWord(k, "TRUE") || isWord(k, "FALSE") || isWord(k, "UNKNOWN")
                    || isWord(k, "OF") || isWord(k, "DOCUMENT") || isWord(k, "JSON")
                    || isWord(k, "NORMALIZED"))
                    return false;
                programHeader = false;
            }
            breakUnlessLineStart();
            if (declarationMode) {
                indent = 0;
                if (w == QLatin1String("BEGIN"))
                    declarationMode = false;
            } else if (afterDeclare) {
                indent = qMax(0, indent - step);
            }
            ensureIndent();
            out += keywordCase(text(i).toString());
            breakUnlessLineEnd();
            indent += step;
            afterDeclare = false;
            return true;
        }
        if (w == QLatin1String("EXCEPTION")) {
            exceptionSection = true;
            firstWhen = true;
            breakUnlessLineStart();
            indent = qMax(0, indent - step);
            ensureIndent();
            out += keywordCase(text(i).toString());
            breakUnlessLineEnd();
            indent += step;
            return true;
        }
        if (w == QLatin1String("END")) {
            breakUnlessLineStart();
            indent = qMax(0, indent - step);
            const int k = next(i);
            if (exceptionSection && !firstWhen && !isWord(k, "IF") && !isWord(k, "LOOP"))
                indent = qMax(0, indent - step);
            ensureIndent();
            out += keywordCase(text(i).toString());
            return true;
        }
        if (w == QLatin1String("IF") || w == QLatin1String("LOOP")) {
            if (w == QLatin1String("IF") && (isWord(next(i), "EXISTS") || isWord(next(i), "NOT")))
                return false; // DROP ... IF EXISTS, CREATE ... IF NOT EXISTS
            if (outEndsWith("END")) {
                out += keywordCase(text(i).toString());
                const int k = next(i, false);
                if (isPunct(k, ';')) {
                    out += QLatin1Char(';');
                    i = k;
                }
                breakUnlessLineEnd();
                return true;
            }
            if (w == QLatin1String("LOOP") && (forSeen || whileSeen)) {
                forSeen = whileSeen = false;
                ensureIndent();
            } else {
                breakUnlessLineStart();
                ensureIndent();
            }
            if (w == QLatin1String("LOOP")) {
                indent += step;
                out += keywordCase(text(i).toString());
                breakUnlessLineEnd();
                return true;
            }
            return false; // IF is written as a word
        }
        if (w == QLatin1String("ELSE") || w == QLatin1String("ELSIF")) {
            breakUnlessLineStart();
            indent = qMax(0, indent - step);
            ensureIndent();
            out += keywordCase(text(i).toString());
            if (w == QLatin1String("ELSE")) {
                breakUnlessLineEnd();
                indent += step;
            }
            return true;
        }
        if (w == QLatin1String("FOR"))
            forSeen = true;
        else if (w == QLatin1String("WHILE"))
            whileSeen = true;
        else if (w == QLatin1String("CURSOR"))
            cursorSeen = true;
        if (w == QLatin1String("THEN")) {
            ensureIndent();
            if (!lineEmpty())
                space();
            out += keywordCase(text(i).toString());
            indent += step;
            breakUnlessLineEnd();
            return true;
        }
        if (w == QLatin1String("WHEN") && exceptionSection) {
            if (firstWhen)
                firstWhen = false;
            else
                indent = qMax(0, indent - step);
        }
        return false;
    }

    void startStatementLine()
    {
        if (lineEmpty())
            trimTrailing(); // the line's own indentation gives way to the block's
        else
            breakLine();
        ensureIndent();
    }

    // The word before token i (blanks, line breaks and comments passed over), upper-cased; ","
    // for a comma; empty for anything else or the start of the text.
    QString previousWord() const
    {
        int k = i - 1;
        while (k >= 0
               && (tokens[size_t(k)].kind == Tok::Space || tokens[size_t(k)].kind == Tok::Newline
                   || tokens[size_t(k)].kind == Tok::LineComment
                   || tokens[size_t(k)].kind == Tok::BlockComment))
            --k;
        if (k < 0)
            return {};
        if (tokens[size_t(k)].kind == Tok::Word)
            return upper(k);
        return isPunct(k, ',') ? QStringLiteral(",") : QString();
    }
    // SELECT, UPDATE and DELETE name a privilege, a trigger event or a referential action
    // here rather than begin a statement.
    bool namesAnAction() const
    {
        static const QSet<QString> before = {
            QStringLiteral("ON"),     QStringLiteral("OR"), QStringLiteral("BEFORE"),
            QStringLiteral("AFTER"),  QStringLiteral("OF"), QStringLiteral("GRANT"),
            QStringLiteral("REVOKE"), QStringLiteral(","),
        };
        return before.contains(previousWord());
    }

    bool statementRule(const QString &w)
    {
        if (w == QLatin1String("SELECT") && !namesAnAction()) {
            stmt = Stmt::Select;
            clause = Clause::SelectList;
            if (!out.isEmpty())
                startStatementLine();
            writeKeyword(text(i).toString());
            depth = 0;
            joinPhrase = false;
            return true;
        }
        if (w == QLatin1String("FROM") && (stmt == Stmt::Select || stmt == Stmt::Delete)) {
            clause = Clause::From;
            newLine();
            writeKeyword(text(i).toString());
            return true;
        }
        if (w == QLatin1String("WHERE")) {
            clause = Clause::Where;
            newLine();
            writeKeyword(text(i).toString());
            betweenSeen = false;
            return true;
        }
        if (w == QLatin1String("AND")
            || (w == QLatin1String("OR")
                && (stmt == Stmt::Select || stmt == Stmt::Update || stmt == Stmt::Delete))) {
            if (stmt != Stmt::None && clause != Clause::Having)
                clause = Clause::Where;
            return false;
        }
        if ((w == QLatin1String("GROUP") || w == QLatin1String("ORDER")) && stmt == Stmt::Select) {
            clause = w == QLatin1String("GROUP") ? Clause::Group : Clause::Order;
            newLine();
            const int k = next(i);
            if (isWord(k, "BY")) {
                writeKeyword(text(i).toString() + QLatin1Char(' ') + text(k).toString());
                i = k;
            } else {
                writeKeyword(text(i).toString());
            }
            return true;
        }
        if (w == QLatin1String("HAVING") && stmt == Stmt::Select) {
            clause = Clause::Having;
            newLine();
            writeKeyword(text(i).toString());
            return true;
        }
        if ((w == QLatin1String("RIGHT") || w == QLatin1String("LEFT")
             || w == QLatin1String("INNER") || w == QLatin1String("OUTER"))
            && stmt == Stmt::Select && !isPunct(i + 1, '(')) {
            if (joinPhrase) {
                space();
                out += keywordCase(text(i).toString());
            } else {
                clause = Clause::From;
                newLine();
                writeKeyword(text(i).toString());
            }
            joinPhrase = true;
            return true;
        }
        if (w == QLatin1String("JOIN") && stmt == Stmt::Select) {
            if (joinPhrase && lastChar() == u' ') {
                out += keywordCase(text(i).toString()) + QLatin1Char(' ');
            } else {
                clause = Clause::From;
                newLine();
                writeKeyword(text(i).toString());
            }
            joinPhrase = false;
            return true;
        }
        if (w == QLatin1String("ON") && joinPhrase && stmt != Stmt::None) {
            clause = Clause::Where;
            newLine();
            writeKeyword(text(i).toString());
            return true;
        }
        if (w == QLatin1String("INSERT") && isWord(next(i), "INTO")) {
            const int k = next(i);
            stmt = Stmt::Insert;
            clause = Clause::Insert;
            startStatementLine();
            writeKeyword(text(i).toString() + QLatin1Char(' ') + text(k).toString());
            i = k;
            depth = 0;
            return true;
        }
        if (w == QLatin1String("VALUES") && stmt == Stmt::Insert) {
            clause = Clause::Values;
            startStatementLine();
            writeKeyword(text(i).toString());
            depth = 0;
            return true;
        }
        if (w == QLatin1String("UPDATE") && !outEndsWith("FOR") && !namesAnAction()) {
            stmt = Stmt::Update;
            clause = Clause::From;
            startStatementLine();
            writeKeyword(text(i).toString());
            depth = 0;
            return true;
        }
        if (w == QLatin1String("SET") && stmt == Stmt::Update) {
            clause = Clause::SetList;
            startStatementLine();
            writeKeyword(text(i).toString());
            return true;
        }
        if (w == QLatin1String("DELETE") && !namesAnAction()) {
            stmt = Stmt::Delete;
            clause = Clause::From;
            startStatementLine();
            writeKeyword(text(i).toString());
            depth = 0;
            return true;
        }
        if (w == QLatin1String("UNION")) {
            stmt = Stmt::Select;
            clause = Clause::SelectList;
            newLine();
            writeKeyword(text(i).toString());
            depth = 0;
            return true;
        }
        if (w == QLatin1String("FOR") && (stmt == Stmt::Select || stmt == Stmt::Update)) {
            startStatementLine();
            writeKeyword(text(i).toString());
            return true;
        }
        return false;
    }

    bool isListClause() const
    {
        return clause == Clause::SelectList || clause == Clause::Insert || clause == Clause::Values
            || clause == Clause::From || clause == Clause::Group || clause == Clause::Order
            || clause == Clause::None;
    }

    // The depth at which a comma separates the items of the clause.
    int itemDepth() const { return (clause == Clause::Insert || clause == Clause::Values) ? 1 : 0; }
    bool itemCommaHere() const
    {
        return depth == itemDepth() || (depth == 0 && clause == Clause::Values);
    }

    void itemBreakComma()
    {
        if (o.ItemReturn == 1) {
            out += QLatin1String(", ");
            return;
        }
        if (o.CommaPos == 1) {
            out += QLatin1Char(',');
            i = copyTrailingComments(i);
            continuation();
        } else {
            continuation();
            out += QLatin1Char(',');
            i = copyTrailingComments(i);
            breakAfterComment();
        }
        itemComma = true;
    }

    void clauseRule()
    {
        if (clause == Clause::Where || clause == Clause::Having || clause == Clause::SetList)
            conditionRule();
        else
            listRule();
    }

    void commentOnOwnLine()
    {
        // a comment that stands on a line of its own stays there, indented as a continuation
        breakLine();
        out += indentText();
        if (o.CommaPos == 0)
            out += QLatin1Char(' ');
        out += continuationPad();
    }

    void listRule()
    {
        const Token &t = tokens[size_t(i)];
        switch (t.kind) {
        case Tok::Space:
            if (lineEmpty() || lastChar() == u' ' || lastChar() == u',')
                return;
            {
                const int k = next(i, false);
                const bool plain = !clauseKeywordAt(k) && !isPunct(k, ',');
                if (plain || depth > 0)
                    out += QLatin1Char(' ');
            }
            return;
        case Tok::Newline: {
            const int k = next(i);
            if (isComment(k) && !lineEmpty() && !mustBreak) {
                commentOnOwnLine();
                return;
            }
            if (lineEmpty() || lastChar() == u' ' || lastChar() == u',' || isPunct(k, ',')
                || clauseKeywordAt(k))
                return;
            out += QLatin1Char(' ');
            return;
        }
        case Tok::Punct: {
            const QChar c = text(i).at(0);
            breakAfterComment();
            if (c == u',') {
                if (itemCommaHere())
                    itemBreakComma();
                else
                    out += QLatin1String(", ");
                return;
            }
            if (c == u'(') {
                if (clause == Clause::Insert && depth == 0) {
                    breakLine();
                    out += indentText() + padKeyword(QString(7, QLatin1Char(' ')));
                }
                out += c;
                ++depth;
                return;
            }
            if (c == u')') {
                depth = qMax(0, depth - 1);
                out += c;
                if (clause == Clause::Insert && depth == 0 && !lineEndAfter(i))
                    breakLine();
                return;
            }
            out += c;
            return;
        }
        case Tok::LineComment:
        case Tok::BlockComment:
            breakAfterComment();
            space();
            writeToken(i);
            return;
        default:
            breakAfterComment();
            if (t.kind == Tok::Word && lastChar() == u')' && text(i).at(0) != u'.'
                && text(i).at(0) != u'[')
                out += QLatin1Char(' ');
            writeToken(i);
            return;
        }
    }

    static bool isComparison(QStringView op)
    {
        for (const QChar c : op) {
            if (c != u'<' && c != u'>' && c != u'=' && c != u'!')
                return false;
        }
        return !op.isEmpty();
    }

    // The blank before token k in a condition or a SET item.
    bool blankBefore(int k) const
    {
        if (lineEmpty() || lastChar() == u' ' || lastChar() == u'\n'
            || (itemComma && lastChar() == u','))
            return false;
        const Token &t = tokens[size_t(k)];
        const QStringView tt = text(k);
        if (t.kind == Tok::Punct && (tt.at(0) == u'(' || tt.at(0) == u')'))
            return false;
        if (lastChar() == u'(')
            return false;
        if (t.kind == Tok::Punct && tt.at(0) == u',')
            return true;
        if (t.kind == Tok::Op && isComparison(tt))
            return true;
        if (m_lastOp && isComparison(m_lastOpText))
            return true;
        if (t.kind == Tok::LineComment || t.kind == Tok::BlockComment)
            return true;
        return !t.glued;
    }

    void conditionRule()
    {
        const Token &t = tokens[size_t(i)];
        if (t.kind == Tok::Space)
            return;
        if (t.kind == Tok::Newline) {
            const int k = next(i);
            if (isComment(k) && !lineEmpty() && !mustBreak)
                commentOnOwnLine();
            return;
        }
        breakAfterComment();
        if (t.kind == Tok::Word) {
            const QString w = upper(i);
            if ((w == QLatin1String("AND") || w == QLatin1String("OR"))
                && clause != Clause::SetList) {
                if (betweenSeen && w == QLatin1String("AND")) {
                    betweenSeen = false;
                    space();
                    writeToken(i);
                } else if (depth > 0 || o.ItemReturn == 1) {
                    space();
                    out += wordCase(text(i).toString()) + QLatin1Char(' ');
                } else if (o.AndPos == 1) {
                    space();
                    out += wordCase(text(i).toString());
                    i = copyTrailingComments(i);
                    continuation();
                } else {
                    breakLine();
                    out += indentText() + padKeyword(wordCase(text(i).toString()));
                    i = copyTrailingComments(i);
                    breakAfterComment();
                }
                m_lastOp = false;
                return;
            }
            if (w == QLatin1String("BETWEEN"))
                betweenSeen = true;
        }
        if (t.kind == Tok::Punct && text(i).at(0) == u',' && clause == Clause::SetList
            && depth == 0) {
            itemBreakComma();
            m_lastOp = false;
            return;
        }
        if (blankBefore(i))
            out += QLatin1Char(' ');
        if (t.kind == Tok::Punct && text(i).at(0) == u'(')
            ++depth;
        else if (t.kind == Tok::Punct && text(i).at(0) == u')')
            depth = qMax(0, depth - 1);
        writeToken(i);
        m_lastOp = t.kind == Tok::Op;
        if (m_lastOp)
            m_lastOpText = text(i);
    }

    void outsideRule()
    {
        const Token &t = tokens[size_t(i)];
        if (t.kind == Tok::Newline) {
            if (out.isEmpty())
                return;
            trimTrailing();
            out += QLatin1Char('\n'); // empty lines between statements stay
            mustBreak = false;
            return;
        }
        if (t.kind == Tok::Space) {
            // outside blocks a line keeps its own indentation; inside them it takes the block's
            if (out.isEmpty() || (lineEmpty() && indent > 0) || lastChar() == u' ')
                return;
            out += text(i);
            return;
        }
        breakAfterComment();
        ensureIndent();
        writeToken(i);
        if (t.kind == Tok::Punct && text(i).at(0) == u';')
            createSeen = programHeader = false;
    }

    const QString &s;
    const TFormatOption &o;
    std::vector<Token> tokens;
    int i = 0;
    QString out;
    qsizetype m_verbatimEnd = 0; // trailing blanks before this index belong to a literal or comment

    Stmt stmt = Stmt::None;
    Clause clause = Clause::None;
    int indent = 0;
    int depth = 0;
    bool joinPhrase = false;
    bool betweenSeen = false;
    bool mustBreak = false;
    bool itemComma = false; // the last comma written started an item line
    bool m_lastOp = false;
    QStringView m_lastOpText;

    bool afterDeclare = false;
    bool exceptionSection = false;
    bool declarationMode = true;
    bool firstWhen = true;
    bool forSeen = false;
    bool whileSeen = false;
    bool cursorSeen = false;
    bool createSeen = false; // a CREATE since the last ";"
    bool programHeader = false; // ... of a function, procedure, package, trigger or type
};

} // namespace qvformat

QString FormatSQL(const QString &sql, const TFormatOption &options)
{
    if (sql.isEmpty())
        return {};
    return qvformat::Formatter(sql, options).run();
}

QString FormatSQL(const QString &sql)
{
    return FormatSQL(sql, FormatOption);
}
