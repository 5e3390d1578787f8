#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

// The statement parser: takes one SQL statement apart into the columns, tables with aliases,
// conditions, groups, HAVING conditions and ordering that the query builder, the index adviser
// and code assist need. A character scanner with a small clause state machine, not a grammar;
// literals, quoted names, dollar quotes and comments are recognised by the data layer's one
// reader of them.
//
//   QStringList lines = editor->lines();
//   StripSQLComments(lines, true);
//   ParseSQL(lines.join('\n'), &columns, &tables, &orders, &conds, &groups, &havings,
//            tr("..."), viewName);

struct TqvParseItem
{
    QString FObjectName;
    QString FAlias;
};

// An index outside the items of a TqvParseList.
class EParseListIndexError : public std::out_of_range
{
public:
    explicit EParseListIndexError(int index);
    int index() const { return m_index; }

private:
    int m_index;
};

// Name and alias pairs in insertion order; duplicates allowed. Its capacity grows by 4 up to 8
// items, by 16 up to 64 and by a quarter beyond.
class TqvParseList
{
public:
    TqvParseList() = default;

    int Add(const QString &objectName, const QString &alias);
    void Insert(int index, const QString &objectName, const QString &alias);
    void Delete(int index);
    void Clear();
    int IndexOf(const QString &objectName, const QString &alias) const;

    QString ObjectName(int index) const;
    void SetObjectName(int index, const QString &value);
    QString Alias(int index) const;
    void SetAlias(int index, const QString &value);

    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }
    void SetCapacity(int value);

private:
    void check(int index) const;
    void grow();

    std::vector<TqvParseItem> FList;
    int FCount = 0;
    int FCapacity = 0;
};

enum TqvSQLType { sqltNone, sqltSelect, sqltInsert, sqltUpdate, sqltDelete, sqltCreateView };

// What the parser could not place; its text is the message that the caller chose.
class ESQLParseError : public std::runtime_error
{
public:
    explicit ESQLParseError(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// The kind of one JOIN of a FROM clause as the parser read it: the words before JOIN (LEFT,
// RIGHT, FULL with or without OUTER; CROSS; NATURAL with any of them), and whether an ON
// condition followed.
enum TqvJoinKind { jkInner, jkLeft, jkRight, jkFull, jkCross, jkNatural };
struct TqvParseJoin
{
    TqvJoinKind kind = jkInner;
    bool on = false;
};

// Prepares editor lines for the parser, in place: drops leading and trailing lines that are
// empty or REM/REMARK lines, trims every line, removes comments (a block comment keeps its
// line breaks, so the lines between its ends become empty) and, with cutAtSemicolon, cuts the
// text at the first ";" outside literals and comments.
void StripSQLComments(QStringList &lines, bool cutAtSemicolon);

// Parses the statement in sql and appends what it finds to the six lists (never clearing
// them); returns the statement's kind. With an errorMessage the parse is strict and raises
// ESQLParseError(errorMessage) for what it cannot place. With an empty errorMessage it
// collects from every statement of the text (each further SELECT, INSERT, UPDATE or DELETE
// starts the next one, in a loop, so a script of any length is read without recursion) and
// raises ESQLParseError with an empty message where it has to stop; what it found before stays
// in the lists.
//
// With joins given, every JOIN read is appended to it, also the later JOINs that the
// conditions receive as tokens, and a WHERE after the ON condition of the first JOIN puts the
// token "AND" between the two in conditions, so that the ON condition and the WHERE part stay
// apart.
TqvSQLType ParseSQL(const QString &sql, TqvParseList *columns, TqvParseList *tables,
                    TqvParseList *orders, QStringList *conditions, QStringList *groups,
                    QStringList *havings, const QString &errorMessage, QString &viewName,
                    QList<TqvParseJoin> *joins = nullptr);
