#pragma once

// Helpers of the table editor tests: the grid a loaded table gives, and typing into a cell of
// the window's column grid as the user does.
#include "editors/tables/ftable.h"
#include "editors/tables/tbldef.h"
#include "editors/tables/tbledit.h"
#include "testserver.h"
#include "ui/qvgrid.h"

#include <QTest>

#include <gtest/gtest.h>

namespace tabletest {

// The grid as the window fills it from a loaded table.
inline TTableEdit editOf(const TTableDefinition &def)
{
    TTableEdit edit;
    edit.Schema = def.Schema;
    edit.Name = def.Name;
    edit.Comment = def.Comment;
    edit.LoadedCount = int(def.Columns.size());
    for (const TTableColumn &column : def.Columns) {
        TTableColumnEdit row;
        row.AttNum = column.AttNum;
        row.Name = column.Name;
        row.Type = column.TypeName;
        row.Length = column.Length;
        row.NotNull = column.NotNull;
        row.Default = ColumnDefaultCell(column);
        row.Comment = column.Comment;
        row.PrimaryKey = column.PrimaryKey;
        row.Row = int(edit.Columns.size()) + 1;
        edit.Columns << row;
    }
    return edit;
}

// Types text into the cell as the user does: the cell becomes current (its editor opens with
// the text selected), the keys replace it, and leaving the cell stores it.
inline void typeInto(TfrmTable *window, int col, int row, const QString &text)
{
    TqvStringGrid *grid = window->grdColumn;
    grid->setFocus();
    grid->setCurrentCell(col, row);
    TqvInplaceEditor *editor = grid->InplaceEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(grid->EditorMode());
    editor->selectAll();
    QTest::keyClicks(editor, text);
    grid->setCurrentCell(col == TfrmTable::colName ? TfrmTable::colType : TfrmTable::colName, row);
}

// The column names of a table in column order, read on a session of its own.
inline QStringList columnNames(const testsupport::TestDatabase &db, const QString &table)
{
    return testsupport::queryColumn(db.conninfo(),
                                    "SELECT attname FROM pg_attribute WHERE attrelid = '" + table
                                        + "'::regclass AND attnum > 0 AND NOT attisdropped "
                                          "ORDER BY attnum");
}

} // namespace tabletest
