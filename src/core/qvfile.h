#pragma once

#include <QString>

// File names made from object and user names.

// The name with every character removed that may not stand in a file name or could lead out of
// the folder it is meant for: "/", "\", "*", "?", ":", "<", ">", the double quote, "|", control
// characters, and every ".." (a lone "." also gives the empty name). Object names become file
// names only through this routine.
QString RemoveInvalidFileChars(const QString &s);

// A file name that nobody else holds: FileName itself when no such file exists, else the first
// free one of Base + "01" + Ext ... Base + "99" + Ext, then Base + "100" + Ext and on. The file
// is created, empty and exclusively, before its name is returned, so two callers never get the
// same name; the caller overwrites it. Throws TextFileError when no file can be created there
// (a missing folder, no permission).
QString GetUniqueFileName(const QString &fileName);

// Creates the folder with its missing parents; throws TextFileError when that fails.
void ForceFolder(const QString &folder);
