#pragma once

#include "core/qvoption.h"

#include <QString>
#include <QStringList>

class TfraData;

namespace pg {
class DataSet;
}

// The data frame's output of its whole result (every record, not only those on screen): as
// tab- or comma-separated text on the clipboard, and into a workbook file. Both walk the
// records under the cancel guard, report "n / total" in the main window's status bar and stop
// when the user presses Esc; a stopped output changes nothing (the clipboard keeps its text,
// an existing file stays as it was) and says that it was stopped.

// The text of one value: bytea as the upper-case hexadecimal of its bytes, booleans "true" /
// "false", NULL empty, any other value as the server's text.
QString OutputValueText(const pg::DataSet *set, int row, int field);

// The titles of the visible fields: their names; with tmComment the comment of the column of
// that name in the owner editor's column grid grdColumn (table editor: name in column 1,
// comment in column 6; view and materialized-view editors: columns 0 and 3), the name where
// there is none.
QStringList OutputTitles(const TfraData *frame, TTitleMode mode);

// The clipboard text of the result: with header, the titles (tmComment: comments, otherwise
// names) joined by the separator; then one line per record, each value quoted as the record
// grids copy (GridCopyValueText), every line ending in CR LF. False when Esc stopped it; the
// text is then incomplete.
bool BuildClipboardText(const TfraData *frame, bool header, TTitleMode titles, QChar separator,
                        QString *text);

// What the workbook output writes and where.
struct TWorkbookRequest
{
    QString FileName;
    QString Sheet; // empty: a new workbook's first sheet, a template's active sheet
    QString Template; // a workbook whose sheets and styles the output fills; empty for none
    int StartCol = 0; // 0-based: the titles' column
    int StartRow = 0; // 0-based: the titles' row
    int Mode = 0; // 0 one record per row, 1 one record per column
    TTitleMode Title = tmColumnName;
};

enum class TOutputEnd { Done, Cancelled };

// The rows of the frame's statement (its SQL, or the statement of qryData when a window runs
// qryData itself, with the parameters qryData holds), counted on the server. Throws pg::Error
// when the count fails.
qint64 CountHostRows(const TfraData *frame);

// Writes the frame's result into the workbook request names:
// - titles (unless tmNone) in the start row (one record per row) or the start column (one
//   record per column);
// - one record per row below the titles, or one record per column to their right;
// - text, character and bytea fields as text with the text format "@" (the whole column, or
//   the whole row in the per-column layout); numbers as numbers (a numeric with more digits
//   than a double keeps stays text); dates and timestamps without time zone as dates;
//   everything else as its text, its line breaks (CR LF, CR) as LF;
// - column widths from the fields' display widths (1 .. 255 characters), or 20 for the title
//   column of the per-column layout.
// The file is saved only when every record is written: a stopped output returns Cancelled and
// writes nothing. Throws workbook::Error (bad sheet name, template, file) and pg::Error.
TOutputEnd WriteFrameWorkbook(TfraData *frame, const TWorkbookRequest &request);

// The messages of the two outputs.
QString ClipboardDoneMessage();
QString ClipboardCancelledMessage();
QString WorkbookDoneMessage();
QString WorkbookCancelledMessage();
