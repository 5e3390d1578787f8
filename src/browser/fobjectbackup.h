#pragma once

#include <QString>

class ConnectionWindow;

// Source backups: copies of an object's CREATE script that a definition window's compile
// leaves behind, the current source before the change (option SaveBeforeSrc, only when the
// object exists) and the new one after a successful commit (option SaveAfterSrc).
//
// The file is <folder>/<schema>/<kind keyword>/<name>.SQL, where the folder is the option
// SaveBeforeSrcDir (SaveAfterSrcDir), a missing schema or keyword (schemas, roles, policies)
// leaves its level out, and the name is the object's name or the name the database's
// script-name table gives it; with the numbering option the name gets "_00" ... "_99" (the
// first one free, "_100" when all are taken). Every part made from a name goes through
// RemoveInvalidFileChars, so nothing leads out of the folder. The file holds the script in the
// file-encoding option's encoding, with a dated comment line first when the header option is
// on; with the dialog option the user confirms or changes the name first (cancel: no backup).
//
// Errors reach the caller: a folder or file that cannot be made (TextFileError), a failing
// statement on the script-name table (pg::Error). A script that cannot be read has been
// reported by the script writer and leaves the file empty or with only its header.
void SaveBeforeSource(ConnectionWindow &owner, const QString &Schema, const QString &ObjectName,
                      int ObjectType, qint64 OID = -1, const QString &TableName = QString());
void SaveAfterSource(ConnectionWindow &owner, const QString &Schema, const QString &ObjectName,
                     int ObjectType, qint64 OID = -1, const QString &TableName = QString());

// The file a backup would go to without the dialog (before or after the change); its folders
// are created.
QString SourceBackupFileName(ConnectionWindow &owner, const QString &Schema,
                             const QString &ObjectName, int ObjectType, bool after);

// Installs the backups as the source-backup writer of the compile sequence (fddlexec.h); the
// program calls it once at start-up.
void RegisterSourceBackups();
