#pragma once

#include "tbldef.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the user made of a loaded table in the table editor, without widgets: the header boxes,
// the table comment and the column grid as it stands. The ALTER statements, the decision to
// re-create the table and the re-creation script are all written from this and the table's
// definition as it was loaded (TTableDefinition).

// One row of the column grid that has a name, in grid order.
struct TTableColumnEdit
{
    // The column number (attnum) the row was loaded from; 0 for a row added since. A loaded
    // row keeps its number through moves and renames, so the row copy of a re-creation and the
    // ALTER statements find the column it stands for.
    int AttNum = 0;
    QString Name;
    QString Type; // the type cell: "integer", "character varying", "tbl.\"Kind\"[]"
    QString Length; // the length cell: "40", "10,2"
    bool NotNull = false;
    // The default cell. For a loaded identity or generated column the grid shows the clause
    // ("GENERATED ALWAYS AS IDENTITY", "GENERATED ALWAYS AS (expr) STORED"); while the cell
    // is not edited the column keeps what it had.
    QString Default;
    bool DefaultEdited = false; // the user changed the default cell since the load
    QString Comment;
    bool PrimaryKey = false;
    int Row = -1; // the grid row it was read from
};

struct TTableEdit
{
    QString Schema; // the header's schema box
    QString Name; // the header's name box
    QString Comment;
    QList<TTableColumnEdit> Columns;
    // The number of loaded columns the grid showed at load (its snapshot); a smaller count of
    // loaded rows in Columns means columns were deleted.
    int LoadedCount = 0;
};

// The grid's default cell of a loaded column: its default expression, or the identity or
// generated clause it carries.
QString ColumnDefaultCell(const TTableColumn &column);
