#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// The data frame's date picker edits a date and a time to the second. A cell of the server
// holds more: fractional seconds, an offset from UTC, the era of a date before Christ, or
// infinity. The picker's value is therefore put back into the cell's own text, replacing only
// the date and the time to the second and keeping every other part as the server wrote it:
//     2026-01-02 03:04:05.123456+09   picker: 2026-01-05 03:04:05
//  -> 2026-01-05 03:04:05.123456+09
// Free of widgets, so that the frame and its tests share it.

// The server's ISO text of a date, timestamp or timestamptz value, split into parts.
struct TDateCellText
{
    enum Kind {
        Empty, // NULL or empty text
        Finite,
        PlusInfinity,
        MinusInfinity,
        Unreadable, // not the ISO form (another DateStyle)
    };
    Kind kind = Empty;
    QDate date; // the year as written (44 for "0044-03-15 BC"); see bc
    bool bc = false;
    bool hasTime = false;
    QTime time; // to the second
    QString fraction; // ".123456", or empty
    QString zone; // "+09", "-03:30", "+00:53:28", or empty
};

// Splits the text of a cell (DateStyle ISO, as the server writes it).
TDateCellText ParseDateCellText(const QString &text);

// Whether the picker can show the value: finite, of our era, in the years 100 to 9999 that
// the picker offers.
bool DatePickerCanEdit(const TDateCellText &cell);

// The cell's text with the date and time (to the second) of the picker: fraction, offset and
// era of original stay. An original without time (a date) stays without time; an original
// that is not finite (empty, infinity) gives the picked date and time alone, to which the
// server adds the session's offset for a timestamptz. withTime: the field holds a time.
QString DateCellText(const TDateCellText &original, const QDate &date, const QTime &time,
                     bool withTime);
