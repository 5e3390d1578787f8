#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The statement text of the data frame, its row limit, the owners whose row-count box limits
// it, and its per-object column-widths file. Free of widgets, so that the frame and its tests
// share them.
//
// The frame never edits the user's SQL. With neither a sort nor a row limit it runs the text
// as it is. Otherwise, less one trailing ";", the text is followed by the sort and the limit,
// each on a line of its own:
//     <sql>
//     ORDER BY <column> [DESC]
//     LIMIT <n>
// when it is one query that can take them there (no ORDER BY of its own when a sort is
// asked; no LIMIT, OFFSET, FETCH or FOR); such a result stays as editable as the text itself
// (the data layer adds the row identity of a keyless table to the user's own SELECT). Any
// other query goes into a subquery:
//     SELECT * FROM (
//     <sql>
//     ) AS q
//     ORDER BY <column> [DESC]
//     LIMIT <n>
// so that its own ORDER BY, LIMIT or locking cannot break the statement or change what it
// means. The line breaks keep a closing line comment from swallowing what follows.
//
// The object editors (table, view, materialized view) instead describe the rows they want as a
// TDataTableSource, and the frame writes the whole SELECT itself from the table's name: a
// plain SELECT … FROM the table, which the data set can write back to also when the table has
// no primary key (it adds ctid and tableoid to such a SELECT, which a subquery would hide).

// The rows of one table or view that an object editor shows.
struct TDataTableSource
{
    QString schema; // as the catalog spells it, unquoted
    QString name;
    QStringList columns; // in order; empty for every column
    QString where; // the editor's condition text, without "WHERE"; empty for none
    QString orderBy; // the editor's own order, without "ORDER BY"; empty for none

    bool isEmpty() const { return name.isEmpty(); }
};

// text without one ";" that ends it outside literals, quoted names and comments (blanks and
// comments may follow the ";"); the text unchanged otherwise.
QString RemoveTrailingSemicolon(const QString &sql);

// The statement that counts the rows of the user's text: the text (trimmed, less one trailing
// ";") as a subquery, on lines of its own so that a closing line comment ends before ")":
//     SELECT COUNT(*) FROM (
//     <sql>
//     ) TBL
// Its ":name" parameters are those of the text.
QString BuildCountQuery(const QString &sql);

// Whether the text is a query that may stand as a subquery in FROM: its first word outside
// comments is SELECT, WITH, VALUES or TABLE, or it begins with "(".
bool IsWrappableQuery(const QString &sql);

// The statement the frame runs for the user's text: sortColumn is the 1-based position in the
// result's column list (0: no sort), limit the row limit (0: none). Text that cannot be a
// subquery is run as it is, without sort or limit.
QString BuildDataQuery(const QString &sql, int sortColumn, bool desc, qint64 limit);

// The statement the frame runs for a table or view: SELECT of the columns (each in double
// quotes) FROM "schema"."name", then each on a line of its own the editor's condition (WHERE),
// the frame's sort before the editor's own order (ORDER BY), and the row limit (LIMIT), so
// that a condition ending in a line comment keeps the clauses after it.
QString BuildTableQuery(const TDataTableSource &source, int sortColumn, bool desc, qint64 limit);

// The number of items of the first SELECT list of the text (top-level commas plus one); 0 when
// the text has no SELECT … FROM.
int SelectListCount(const QString &sql);

// The text of a row-count box as a row limit: empty (or blanks) is no limit (0); a whole
// number of at least 1 is the limit; anything else is refused (false).
bool ParseRowLimit(const QString &text, qint64 *limit);
// What the frame tells the user about a refused row limit.
QString RowLimitMessage();

// Owners whose row-count box txtRecord limits the frame's rows: the table, view and
// materialized-view editors, known by the beginning of their object name.
bool IsRowLimitedOwnerName(const QString &objectName);

// The column-widths file of a frame: the option TempDir, the frame's table name with the
// characters that a file name cannot hold removed, and ".ini".
QString ColumnWidthsFileName(const QString &tableName);

// The widths kept for a frame: section COLWIDTH_V, one key per column title (pixels); section
// COLWIDTH_H, key "(ALL)", the default column width of the transposed grid.
struct TColumnWidths
{
    QList<int> vertical; // per title asked for; 0 when none is kept (or 0 or less is kept)
    int horizontal = 0; // 0 when none is kept
};

// Reads the kept widths for the titles; a missing file, section or key reads as 0. Creates
// the folder TempDir when it is missing. Throws TextFileError when the file cannot be read.
TColumnWidths LoadColumnWidths(const QString &tableName, const QStringList &titles);
// Writes the widths of the titles (a later title of the same text wins) and the transposed
// grid's default width, keeping the other sections of the file. Throws TextFileError.
void SaveColumnWidths(const QString &tableName, const QStringList &titles, const QList<int> &widths,
                      int horizontal);
