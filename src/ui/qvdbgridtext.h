#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The tab-separated text in which the record grids copy records to the clipboard and read
// pasted text back as new records. Spreadsheets read and write the same form.

// The text of one copied value: a value that holds a tab, a line break or a double quote is
// enclosed in double quotes with its quotes doubled, and its line breaks (CR LF, CR) become LF,
// the line break spreadsheets keep inside a cell. A NULL value (a null QString) is empty.
QString GridCopyValueText(const QString &value);

// Whether pasted text is meant as records rather than as text for the cell editor: it holds
// a tab or a line end (CR LF, LF or CR).
bool IsGridRecordText(const QString &text);

// One pasted line, split into its field texts, and the line of the text where it began
// (1-based), for messages. A record cut short by a quote that never closes holds the fields
// before that quote; openQuoteLine is then the line where the quote stands (0 otherwise).
struct TGridPasteRecord
{
    QStringList values;
    int line = 1;
    int openQuoteLine = 0;

    bool complete() const { return openQuoteLine == 0; }
};

// Splits pasted text into records: lines end at CR LF, LF or CR, fields at tabs. A field that
// opens with a double quote runs to the closing quote, across tabs and line ends, with doubled
// quotes read as one; what follows the closing quote up to the next tab or line end is
// dropped. A quote that never closes protects the rest of the text: no later tab or line end
// splits anything, so the list ends with the record it stands in, cut short before it. An
// empty line is a record with one empty field; the line end after the last line adds no
// record.
QList<TGridPasteRecord> ParseGridRecordText(const QString &text);
