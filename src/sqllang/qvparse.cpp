#include "qvparse.h"

#include "qvsqltext.h"

#include "core/qvstr.h"

using sqltext::IsParserWordChar;
using sqltext::SpanKind;
using sqltext::SpanReader;

// ---- TqvParseList --------------------------------------------------------------------------

EParseListIndexError::EParseListIndexError(int index)
    : std::out_of_range(
        QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index).toStdString())
    , m_index(index)
{ }

void TqvParseList::check(int index) const
{
    if (index < 0 || index >= FCount)
        throw EParseListIndexError(index);
}

void TqvParseList::grow()
{
    int delta = 4;
    if (FCapacity > 64)
        delta = FCapacity / 4;
    else if (FCapacity > 8)
        delta = 16;
    SetCapacity(FCapacity + delta);
}

void TqvParseList::SetCapacity(int value)
{
    FCapacity = qMax(value, FCount);
    FList.reserve(size_t(FCapacity));
}

int TqvParseList::Add(const QString &objectName, const QString &alias)
{
    const int index = FCount;
    Insert(index, objectName, alias);
    return index;
}

void TqvParseList::Insert(int index, const QString &objectName, const QString &alias)
{
    if (FCount == FCapacity)
        grow();
    index = qBound(0, index, FCount);
    FList.insert(FList.begin() + index, TqvParseItem { objectName, alias });
    ++FCount;
}

void TqvParseList::Delete(int index)
{
    check(index);
    FList.erase(FList.begin() + index);
    --FCount;
}

void TqvParseList::Clear()
{
    if (FCount == 0)
        return;
    FList.clear();
    FList.shrink_to_fit();
    FCount = 0;
    FCapacity = 0;
}

int TqvParseList::IndexOf(const QString &objectName, const QString &alias) const
{
    for (int i = 0; i < FCount; ++i) {
        if (FList[size_t(i)].FObjectName == objectName && FList[size_t(i)].FAlias == alias)
            return i;
    }
    return -1;
}

QString TqvParseList::ObjectName(int index) const
{
    check(index);
    return FList[size_t(index)].FObjectName;
}

void TqvParseList::SetObjectName(int index, const QString &value)
{
    check(index);
    FList[size_t(index)].FObjectName = value;
}

QString TqvParseList::Alias(int index) const
{
    check(index);
    return FList[size_t(index)].FAlias;
}

void TqvParseList::SetAlias(int index, const QString &value)
{
    check(index);
    FList[size_t(index)].FAlias = value;
}

ESQLParseError::ESQLParseError(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{ }

// ---- StripSQLComments ----------------------------------------------------------------------

namespace qvparse {

bool isBlank4(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Empty lines and REM or REMARK lines (the word alone or followed by a blank).
bool isRemarkLine(const QString &line)
{
    const QString t = TrimBlanks(line).toUpper();
    if (t.isEmpty())
        return true;
    for (const QLatin1String word : { QLatin1String("REM"), QLatin1String("REMARK") }) {
        if (t.startsWith(word) && (t.size() == word.size() || isBlank4(t.at(word.size()))))
            return true;
    }
    return false;
}

} // namespace qvparse

void StripSQLComments(QStringList &lines, bool cutAtSemicolon)
{
    using namespace qvparse;
    while (!lines.isEmpty() && isRemarkLine(lines.first()))
        lines.removeFirst();
    while (!lines.isEmpty() && isRemarkLine(lines.last()))
        lines.removeLast();
    if (lines.isEmpty())
        return;

    QStringList trimmed;
    trimmed.reserve(lines.size());
    for (const QString &line : std::as_const(lines))
        trimmed.append(TrimBlanks(line));
    const QString text = trimmed.join(QLatin1Char('\n'));
    const SpanReader reader(text);
    QString out;
    out.reserve(text.size());
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        const sqltext::Span span = reader.spanAt(i);
        if (span.end >= 0) {
            if (span.kind == SpanKind::Quoted) {
                out.append(QStringView(text).mid(i, span.end - i));
            } else {
                // A comment goes; a block comment leaves its line breaks, so that the lines it
                // covered stay in place as empty lines.
                for (int j = i; j < span.end; ++j) {
                    if (text.at(j) == u'\n')
                        out.append(u'\n');
                }
            }
            i = span.end;
            continue;
        }
        if (c == u';' && cutAtSemicolon)
            break;
        out.append(c);
        ++i;
    }
    lines = out.split(QLatin1Char('\n'));
}

// ---- ParseSQL ------------------------------------------------------------------------------

namespace qvparse {

enum class State {
    None,
    SelectList,
    SetList,
    InsertColumns,
    Values,
    Tables,
    Condition,
    GroupList,
    Having,
    OrderList
};
enum class Column { Comma, Clause, Having, End };

class Parser
{
public:
    Parser(const QString &sql, TqvParseList *columns, TqvParseList *tables, TqvParseList *orders,
           QStringList *conditions, QStringList *groups, QStringList *havings,
           const QString &errorMessage, QString &viewName, QList<TqvParseJoin> *joins)
        : s(sql)
        , n(int(sql.size()))
        , reader(sql)
        , columns(columns)
        , tables(tables)
        , orders(orders)
        , conditions(conditions)
        , groups(groups)
        , havings(havings)
        , errorMessage(errorMessage)
        , viewName(viewName)
        , joins(joins)
        , collectAll(errorMessage.isEmpty())
    { }

    TqvSQLType run()
    {
        viewName.clear();
        int from = 0;
        TqvSQLType first = sqltNone;
        bool firstStatement = true;
        // Collect-all mode reads one statement after the other in this loop.
        for (;;) {
            const TqvSQLType kind = parseOne(from);
            if (firstStatement)
                first = kind;
            firstStatement = false;
            if (!restart)
                break;
            viewName.clear();
            from = pos;
        }
        return first;
    }

private:
    [[noreturn]] void fail() const { throw ESQLParseError(errorMessage); }

    QString text(int from, int to) const // [from, to), trimmed
    {
        if (to <= from || from >= n)
            return {};
        return TrimBlanks(s.mid(from, to - from));
    }

    TqvSQLType findKind(int from)
    {
        int i = from;
        while (i < n) {
            const sqltext::Span span = reader.spanAt(i);
            if (span.end >= 0) {
                i = span.end;
                continue;
            }
            if (!IsParserWordChar(s.at(i))) {
                ++i;
                continue;
            }
            int j = i;
            while (j < n && IsParserWordChar(s.at(j)))
                ++j;
            const QStringView word = QStringView(s).mid(i, j - i);
            const auto is = [&](const char *w) {
                return word.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
            };
            if (is("SELECT") || is("INSERT") || is("UPDATE") || is("DELETE")) {
                pos = j;
                if (is("SELECT")) {
                    state = State::SelectList;
                    return sqltSelect;
                }
                state = State::Tables;
                return is("INSERT") ? sqltInsert : is("UPDATE") ? sqltUpdate : sqltDelete;
            }
            if (is("CREATE")) {
                int k = j;
                while (k < n && isBlank4(s.at(k)))
                    ++k;
                int e = k;
                while (e < n && IsParserWordChar(s.at(e)))
                    ++e;
                if (k > j
                    && QStringView(s).mid(k, e - k).compare(QLatin1String("VIEW"),
                                                            Qt::CaseInsensitive)
                        == 0) {
                    // the character after VIEW is passed over, as the blank after a clause word
                    pos = qMin(e + 1, n);
                    state = State::Tables;
                    return sqltCreateView;
                }
            }
            i = j;
        }
        return sqltNone;
    }

    void addString(QStringList *list, const QString &value)
    {
        if (list && !value.isEmpty())
            list->append(value);
    }

    void addPair(TqvParseList *list, QString name, QString alias, bool isTables)
    {
        if (!list)
            return;
        if (isTables && alias.isEmpty()) {
            const qsizetype blank
                = std::find_if(name.cbegin(), name.cend(), isBlank4) - name.cbegin();
            if (blank < name.size()) {
                alias = TrimBlanks(name.mid(blank));
                name = name.left(blank);
                list->Add(name, alias);
                return;
            }
        }
        if (name.isEmpty() && alias.isEmpty())
            return;
        if (name.isEmpty())
            list->Add(alias, QString());
        else
            list->Add(name, alias);
    }

    void itemRule(TqvParseList *list, bool aliasReset)
    {
        if (aliasReset && aliasStart == itemStart)
            aliasStart = pos;
        const int split = qMax(aliasStart, itemStart);
        addPair(list, text(itemStart, split), text(split, pos), list == tables);
    }

    void flush(Column column)
    {
        switch (state) {
        case State::SelectList:
            if (column == Column::Clause || column == Column::Having)
                fail();
            itemRule(columns, true);
            break;
        case State::SetList: {
            const int eq = qMax(equalsPos, itemStart);
            addPair(columns, text(itemStart, eq), text(eq + 1, pos), false);
            break;
        }
        case State::InsertColumns:
            if (column == Column::Comma)
                addPair(columns, text(itemStart, pos), QString(), false);
            break;
        case State::Values:
            if (column == Column::Comma)
                addString(&values, text(itemStart, pos));
            break;
        case State::Tables:
            itemRule(tables, true);
            break;
        case State::Condition:
        case State::Having:
            if (column == Column::Comma)
                fail();
            addString(state == State::Condition ? conditions : havings, text(aliasStart, pos));
            break;
        case State::GroupList:
            addString(groups, text(itemStart, pos));
            break;
        case State::OrderList:
            if (column == Column::Having)
                fail();
            itemRule(orders, true);
            break;
        case State::None:
            break;
        }
    }

    // The join words are recorded as they pass, also where the conditions take them as tokens
    // (a later JOIN of the same FROM clause); the flow of the parse does not change.
    void recordJoinWord(const QString &word, bool inTables)
    {
        if (!joins || !(inTables || (state == State::Condition && onCondition)))
            return;
        if (word == QLatin1String("NATURAL"))
            joinNatural = true;
        else if (word == QLatin1String("LEFT"))
            pendingJoin = jkLeft;
        else if (word == QLatin1String("RIGHT"))
            pendingJoin = jkRight;
        else if (word == QLatin1String("FULL"))
            pendingJoin = jkFull;
        else if (word == QLatin1String("CROSS"))
            pendingJoin = jkCross;
        else if (word == QLatin1String("JOIN")) {
            joins->append(TqvParseJoin { joinNatural ? jkNatural : pendingJoin, false });
            pendingJoin = jkInner;
            joinNatural = false;
        } else if (word == QLatin1String("ON") && !joins->isEmpty() && !joins->last().on)
            joins->last().on = true;
    }

    bool inConditions() const { return state == State::Condition || state == State::Having; }
    QStringList *tokenList() const { return state == State::Condition ? conditions : havings; }
    void addPendingToken(int end) { addString(tokenList(), text(aliasStart, end)); }

    void setMarks(int at) { itemStart = equalsPos = aliasStart = at; }

    void blankHandler()
    {
        if (inConditions()) {
            addPendingToken(pos);
            aliasStart = pos;
        }
        for (;;) {
            if (pos < n && isBlank4(s.at(pos))) {
                ++pos;
                continue;
            }
            const sqltext::Span span = reader.spanAt(pos);
            if (span.end >= 0 && span.kind == SpanKind::Comment) {
                pos = span.end;
                continue;
            }
            break;
        }
        if (pos >= n) {
            stop = true;
            return;
        }
        int j = pos;
        while (j < n && IsParserWordChar(s.at(j)))
            ++j;
        const QString word = s.mid(pos, j - pos).toUpper();
        const int length = j - pos;
        const auto skip = [&](int k) {
            setMarks(pos + k + 1);
            pos += k;
        };
        const auto is = [&](const char *w) { return word == QLatin1String(w); };
        const bool inTables = state == State::Tables;
        recordJoinWord(word, inTables);

        if (is("FROM")) {
            if (state == State::SelectList)
                itemRule(columns, true);
            state = State::Tables;
            skip(4);
        } else if ((is("LEFT") || is("RIGHT") || is("FULL") || is("CROSS") || is("NATURAL"))
                   && inTables) {
            itemRule(tables, false);
            joinLeftRight = true;
            skip(length);
        } else if ((is("INNER") || is("OUTER")) && inTables) {
            if (!joinLeftRight)
                itemRule(tables, false);
            (is("INNER") ? joinInner : joinOuter) = true;
            skip(5);
        } else if (is("JOIN") && inTables) {
            if (!joinLeftRight && !joinInner && !joinOuter)
                itemRule(tables, false);
            joinJoin = true;
            skip(4);
        } else if (is("ON") && inTables && joinJoin) {
            itemRule(tables, false);
            state = State::Condition;
            joinLeftRight = joinInner = joinOuter = joinJoin = false;
            onCondition = true;
            skip(2);
        } else if (is("WHERE") || is("GROUP") || is("ORDER")) {
            flush(Column::Clause);
            if (joins && onCondition && is("WHERE") && conditions)
                conditions->append(QStringLiteral("AND"));
            onCondition = false;
            const QChar first = s.at(pos).toUpper();
            state = first == u'W' ? State::Condition
                : first == u'G'   ? State::GroupList
                                  : State::OrderList;
            skip(5);
        } else if (is("HAVING")) {
            flush(Column::Having);
            onCondition = false;
            state = State::Having;
            skip(6);
        } else if (is("SET") && kind == sqltUpdate) {
            if (inTables)
                itemRule(tables, true);
            state = State::SetList;
            skip(3);
        } else if (is("INTO")) {
            skip(4);
        } else if (s.at(pos) == u'(' && kind == sqltInsert && inTables) {
            itemRule(tables, false);
            state = State::InsertColumns;
            itemStart = equalsPos = pos + 1;
        } else if (is("VALUES") && kind == sqltInsert) {
            if (inTables)
                itemRule(tables, false);
            state = State::Values;
            skip(6);
        } else if (is("AS") && kind == sqltCreateView) {
            if (inTables) {
                int end = pos;
                while (end > 0 && isBlank4(s.at(end - 1)))
                    --end;
                const int from = aliasStart == itemStart ? itemStart : aliasStart;
                viewName = text(from, end);
            }
            skip(2);
        } else if (is("SELECT") && kind == sqltCreateView && !viewName.isEmpty()) {
            state = State::SelectList;
            skip(6);
        } else if (is("BY")) {
            skip(2);
        } else if (is("UNION") || is("FOR")) {
            fail();
        } else if (is("SELECT") || is("INSERT") || is("UPDATE") || is("DELETE")) {
            if (collectAll) {
                restart = true;
                stop = true;
            }
        } else if (s.at(pos) == u';' && pos > 0 && isBlank4(s.at(pos - 1))
                   && (pos + 1 >= n || isBlank4(s.at(pos + 1)))) {
            // a ";" on its own ends the statement of a strict parse
            if (!collectAll)
                stop = true;
        } else if (s.at(pos) != u',') {
            // A comma at the start of a line (the formatter's layout) ends the item; the
            // item's last word before it stays its alias.
            aliasStart = pos;
        }
    }

    TqvSQLType parseOne(int from)
    {
        restart = false;
        stop = false;
        state = State::None;
        kind = findKind(from);
        if (kind == sqltNone)
            return kind;
        setMarks(pos);
        depth = 0;
        values.clear();
        joinLeftRight = joinInner = joinOuter = joinJoin = false;
        onCondition = joinNatural = false;
        pendingJoin = jkInner;
        const int columnsBefore = columns ? columns->Count() : 0;
        bool openQuote = false;

        while (!stop && pos < n) {
            const QChar c = s.at(pos);
            const sqltext::Span span = reader.spanAt(pos);
            if (span.end >= 0) {
                if (span.kind == SpanKind::Comment) {
                    if (depth == 0 || collectAll)
                        blankHandler();
                    else
                        pos = span.end;
                    continue;
                }
                if (!span.closed)
                    openQuote = true;
                if (c == u'"' && kind == sqltCreateView && viewName.isEmpty()) {
                    pos = span.end; // part of the view's name
                    continue;
                }
                // An E'...' string keeps its E.
                int start = pos;
                if (c == u'\'' && pos > 0 && (s.at(pos - 1) == u'E' || s.at(pos - 1) == u'e')
                    && (pos < 2 || !IsParserWordChar(s.at(pos - 2))))
                    start = pos - 1;
                if (depth == 0 && inConditions()) {
                    if (start > aliasStart)
                        addPendingToken(start);
                    addString(tokenList(), s.mid(start, span.end - start));
                }
                aliasStart = span.end;
                pos = span.end;
                continue;
            }
            switch (c.unicode()) {
            case '(':
                if (depth == 0) {
                    if (state == State::Tables && kind == sqltInsert) {
                        itemRule(tables, true);
                        state = State::InsertColumns;
                        itemStart = equalsPos = pos + 1;
                    }
                    if (state == State::Values) {
                        values.clear();
                        itemStart = equalsPos = pos + 1;
                    }
                    if (inConditions())
                        addPendingToken(pos);
                    aliasStart = pos;
                }
                ++depth;
                ++pos;
                break;
            case ')':
                if (--depth < 0)
                    fail();
                if (depth == 0) {
                    if (inConditions())
                        addPendingToken(pos + 1);
                    if (state == State::InsertColumns) {
                        addPair(columns, text(itemStart, pos), QString(), false);
                        state = State::Values;
                        itemStart = pos + 1;
                    }
                    if (state == State::Values) {
                        addString(&values, text(itemStart, pos));
                        itemStart = pos + 1;
                    }
                    aliasStart = pos + 1;
                }
                ++pos;
                break;
            case ',':
                if (depth == 0 || collectAll
                    || (depth == 1 && (state == State::InsertColumns || state == State::Values))) {
                    flush(Column::Comma);
                    setMarks(pos + 1);
                }
                ++pos;
                break;
            case '!':
            case '<':
            case '=':
            case '>':
                if (depth == 0 || collectAll) {
                    if (inConditions()) {
                        addPendingToken(pos);
                        int end = pos;
                        while (end < n
                               && (s.at(end) == u'!' || s.at(end) == u'<' || s.at(end) == u'='
                                   || s.at(end) == u'>'))
                            ++end;
                        addString(tokenList(), s.mid(pos, end - pos));
                        aliasStart = pos = end;
                        break;
                    }
                    if (c == u'=' && equalsPos == itemStart)
                        equalsPos = pos;
                }
                ++pos;
                break;
            case ' ':
            case '\t':
            case '\n':
            case '\r':
                if (depth == 0 || collectAll)
                    blankHandler();
                else
                    ++pos;
                break;
            default:
                ++pos;
                break;
            }
        }

        pos = qMin(pos, n);
        if (!text(itemStart, pos).isEmpty())
            flush(Column::End);
        if (openQuote)
            fail();
        if (depth > 0 && !collectAll)
            fail();
        if (kind == sqltInsert && columns) {
            const int added = columns->Count() - columnsBefore;
            if (added == 0) {
                for (const QString &value : std::as_const(values))
                    columns->Add(QString(), value);
            } else if (added != values.size()) {
                fail();
            } else {
                for (int i = 0; i < added; ++i)
                    columns->SetAlias(columnsBefore + i, values.at(i));
            }
        }
        return kind;
    }

    const QString &s;
    const int n;
    const SpanReader reader;
    TqvParseList *columns;
    TqvParseList *tables;
    TqvParseList *orders;
    QStringList *conditions;
    QStringList *groups;
    QStringList *havings;
    const QString errorMessage;
    QString &viewName;
    QList<TqvParseJoin> *joins;
    const bool collectAll;

    TqvSQLType kind = sqltNone;
    State state = State::None;
    int pos = 0;
    int itemStart = 0;
    int aliasStart = 0;
    int equalsPos = 0;
    int depth = 0;
    bool restart = false;
    bool stop = false;
    bool joinLeftRight = false;
    bool joinInner = false;
    bool joinOuter = false;
    bool joinJoin = false;
    bool onCondition = false; // reading the ON condition of the first JOIN
    bool joinNatural = false;
    TqvJoinKind pendingJoin = jkInner;
    QStringList values;
};

} // namespace qvparse

TqvSQLType ParseSQL(const QString &sql, TqvParseList *columns, TqvParseList *tables,
                    TqvParseList *orders, QStringList *conditions, QStringList *groups,
                    QStringList *havings, const QString &errorMessage, QString &viewName,
                    QList<TqvParseJoin> *joins)
{
    qvparse::Parser parser(sql, columns, tables, orders, conditions, groups, havings, errorMessage,
                           viewName, joins);
    return parser.run();
}
