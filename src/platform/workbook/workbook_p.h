#pragma once

#include <QString>

#include <functional>

// What the workbook's two writers share.
namespace workbook {

// Has write fill a temporary file in path's folder (created when missing) and renames it over
// path when write returns; when write throws, the temporary file goes and path stays as it
// was. Throws Error.
void WriteFileAtomically(const QString &path, const std::function<void(const QString &)> &write);

// text with the characters XML reserves escaped, and the control characters an XML file
// cannot hold written as the spreadsheet's "_xHHHH_".
QString EscapeXml(const QString &text);

} // namespace workbook
