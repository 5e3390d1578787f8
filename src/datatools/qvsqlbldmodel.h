#pragma once

#include "sqllang/qvparse.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

class ConnectionWindow;

// The query builder's design as plain values: the statement kind, the table boxes, the join
// lines and the rows of the output grid. The designer control (qvsqlbld.h) keeps its boxes and
// grid as widgets and hands this snapshot to the two text directions below, so that both are
// the same code with and without a window.
//
//   TqvSQLDesign design;
//   SQLTextToDesign(editorText, design, &catalog);      // throws ESQLParseError when refused
//   const QString text = FormatSQL(DesignToSQLLines(design, currentSchema).join('\n'));

enum TqvSQLBuildConnectType { ctEQ, ctGT, ctGE, ctLT, ctLE, ctNE };
enum TqvSQLBuildJoinType { jtInner, jtLeftOuter, jtRightOuter };

// The seven columns of the output grid (the header row is not part of the design).
enum TqvSQLBuildGridCol {
    gcExpr = 0, // "項目名/式": a column reference or an expression
    gcAlias = 1, // "別名" (SELECT, CREATE VIEW) or "値" (INSERT, UPDATE)
    gcShow = 2, // "表示": "1" when checked
    gcSort = 3, // "ソート": "昇順", "降順" or blank
    gcSortOrder = 4, // "ソート順序"
    gcGroup = 5, // "グルーピング"
    gcCondition = 6, // "抽出条件": an operator and its right side
};
inline constexpr int SQLBuildGridCols = 7;

struct TqvSQLBuildColumn
{
    QString Name;
    bool Key = false; // a column of the table's primary key
    bool operator==(const TqvSQLBuildColumn &o) const = default;
};

struct TqvSQLDesignTable
{
    QString TableSchema; // empty for a sub-query
    QString TableName; // the name as found (unquoted), or the whole parenthesised sub-query
    QString AliasText; // the alias the user typed or the text gave; may be empty
    QList<TqvSQLBuildColumn> Columns; // "*" first for SELECT and CREATE VIEW
    bool operator==(const TqvSQLDesignTable &o) const = default;

    bool IsSubQuery() const;
    // The alias edit's text, else the quoted table name.
    QString AliasName() const;
    // Empty for a sub-query or the current schema (compared exactly), else the quoted schema
    // and ".".
    QString GetSchema(const QString &currentSchema) const;
    // The alias name and "." for SELECT and CREATE VIEW; for the other kinds only when an
    // alias was typed. A sub-query without alias has none.
    QString GetRefName(TqvSQLType kind) const;
    // The item as it stands in FROM, INSERT INTO, UPDATE or DELETE FROM.
    QString TableReference(const QString &currentSchema) const;
    // Header caption: schema "." name, or the name alone.
    QString Caption() const;
    bool HasColumn(const QString &column) const; // ignoring case
};

struct TqvSQLDesignConnect
{
    int FromTable = -1; // indexes into TqvSQLDesign::Tables
    int ToTable = -1;
    QString FromColumn;
    QString ToColumn;
    TqvSQLBuildConnectType ConnectType = ctEQ;
    TqvSQLBuildJoinType JoinType = jtInner;
    bool operator==(const TqvSQLDesignConnect &o) const = default;
};

struct TqvSQLDesign
{
    TqvSQLType SQLType = sqltSelect;
    QString ViewName;
    QList<TqvSQLDesignTable> Tables;
    QList<TqvSQLDesignConnect> Connects;
    // Data rows of the output grid, SQLBuildGridCols texts each; the last one is kept empty.
    QList<QStringList> Rows;
    bool operator==(const TqvSQLDesign &o) const = default;

    // The next alias that no box uses: a .. z, aa .. az, aaa ..
    QString NewAliasName() const;
    // The last box whose alias name equals alias (ignoring case; any box when alias is empty)
    // and that lists column; -1 when none does.
    int FindTable(const QString &alias, const QString &column) const;
};

// What the design reads from the database: the current schema, the columns and keys of a
// table, the result columns of a sub-query.
class TqvSQLBuildCatalog
{
public:
    virtual ~TqvSQLBuildCatalog() = default;
    virtual QString CurrentSchema() const = 0;
    // Fills the columns of a table box (after the "*" entry when there is one).
    virtual void ReadColumns(TqvSQLDesignTable &table) = 0;
    // The result column names of a query, found without running it.
    virtual QStringList DescribeQuery(const QString &query) = 0;
};

// The catalog of a connection window's main session. Relations are found by schema and name
// among tables, partitioned tables, foreign tables, views and materialized views, and read by
// their oid; on the edition's servers a name that is no relation is looked up as a synonym in
// its schema, then in public. Errors of the table reads reach the caller; a sub-query that
// cannot be described gives no columns.
class TqvSQLBuildConnCatalog : public TqvSQLBuildCatalog
{
public:
    explicit TqvSQLBuildConnCatalog(ConnectionWindow *connection);
    QString CurrentSchema() const override;
    void ReadColumns(TqvSQLDesignTable &table) override;
    QStringList DescribeQuery(const QString &query) override;

    static const QString RelationSQL; // :SCHEMANM, :NAME -> oid
    static const QString ColumnSQL; // :OID -> attname, key flag, in column order
    static const QString SynonymSQL; // :AOWNER, :ANAME -> synobjschema, synobjname

private:
    ConnectionWindow *m_connection;
};

// The message of a text the builder cannot show.
QString SQLBuildRefusedMessage();

// A new box for name (a table, "schema.table" with quote-aware splitting, or a parenthesised
// sub-query) with its columns read from catalog (none without one). Errors of the table reads
// propagate; a sub-query's are swallowed.
TqvSQLDesignTable NewDesignTable(TqvSQLType kind, const QString &name, const QString &alias,
                                 TqvSQLBuildCatalog *catalog);

// Where a new box goes: from start, moved 150 right (and back to 16, 176 down past width)
// while it meets one of others.
QRect PlaceDesignTable(QRect start, const QList<QRect> &others, int width);

// Whether a condition holds OR outside parentheses, literals and quoted names.
bool HasTopLevelOr(const QString &condition);

// The statement of the design as lines, before the formatter; renumbers the sort positions of
// Rows (columns 3 and 4) as written. currentSchema decides which boxes need no schema.
QStringList DesignToSQLLines(TqvSQLDesign &design, const QString &currentSchema);

// Reads text into design: the boxes (columns through catalog), join lines and rows. An empty
// text empties the design and keeps its kind and view name. Throws ESQLParseError with
// SQLBuildRefusedMessage() for text the builder cannot show; design is then empty.
void SQLTextToDesign(const QString &text, TqvSQLDesign &design, TqvSQLBuildCatalog *catalog);

// S without its surrounding double quotes, doubled inner quotes made single; otherwise S.
QString UnquoteName(const QString &s);
