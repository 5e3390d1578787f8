#pragma once

#include <QString>
#include <QStringList>

// The WHERE conditions that the user ran before on an object (and the search texts of the
// connection window, stored under "%" and "%"), kept in the object's settings file in the work
// folder: section WHERE, keys "00" to "19" from the top of the list.

inline constexpr int WhereListCapacity = 20;

// The object's settings file: the option TempDir followed by RemoveInvalidFileChars of
// schema "." object ".ini". The data frame keeps its column widths in the same file.
QString GetObjectIniFileName(const QString &schema, const QString &objectName);

// Clears Items and fills it with the saved conditions in order (empty values skipped). Nothing
// is read for an empty object name. Throws TextFileError when the file cannot be read.
void LoadWhereList(const QString &schema, const QString &objectName, QStringList &items);

// Replaces the saved conditions by the first 20 non-empty items (a condition removed from the
// list is gone from the file too); other sections of the file stay. Nothing is written for an
// empty object name. Throws TextFileError when the folder or file cannot be written.
void SaveWhereList(const QString &schema, const QString &objectName, const QStringList &items);
