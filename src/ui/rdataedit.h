#pragma once

#include <QString>

// The data frame's editing commands and totals (the frame's members are in rdata.h; they are
// defined in rdataedit.cpp). Free of widgets here: what the totals run and what they say.

// The totals the column popup offers.
enum class TDataTotal { Count, Sum, Average, Max, Min };

// "SELECT COUNT(" … : the aggregate's opening text, and the label of its message.
QString TotalFunction(TDataTotal total);
QString TotalLabel(TDataTotal total);

// The statement that totals one column over the host's whole text (no sort, no row limit):
//     SELECT <function>(<column>), COUNT(*) FROM (
//     <sql without one trailing ";">
//     ) TBL
// The row count tells a total over no rows from a total over NULLs only. The line breaks keep
// a closing line comment from swallowing the end. Empty when the text cannot be a subquery.
QString BuildTotalQuery(TDataTotal total, const QString &column, const QString &sql);

// The message of a total: the column in double quotes, the label and the value ("NULL" for a
// total over NULLs only); rows is the number of rows totalled.
QString TotalMessage(TDataTotal total, const QString &column, const QString &value, bool isNull);
