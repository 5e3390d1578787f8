#pragma once

#include <QString>
#include <QStringList>

// The SQL history: the last texts run in SQL windows, one file per entry ("SQLLOG<n>.SQL",
// 1 <= n <= the option SQLBuf) in the option TempDir, and the index SQLLogList (newest first)
// kept in "SQLLOG.IDX" in the same folder.

// The folder of the history files, ending in "/".
QString SQLLogFolder();

// Records text as the newest entry: drops the oldest name when SQLBuf names are held, takes the
// first free number, writes the entry to a temporary file, then the index, and only then puts
// the entry file in place (each file replaced whole). A name enters SQLLogList only after both
// files were written; a failed write is reported and leaves the index and every entry file as
// they were.
// Returns the new entry's position (0), or -1 when nothing was recorded (recording off, no
// free number, a failed write).
int SQLLogAdd(const QString &text, bool writeBom = true);

// The text of the entry at index: read by its byte-order mark, else in the encoding of the
// option Encoding; empty when the file cannot be read.
QString SQLLogRead(int index);

// The index file into SQLLogList (empty when missing or unreadable), read by its byte-order
// mark, else in the encoding of the option Encoding; and back, in the encoding it was read in.
// Saving throws TextFileError when the folder or the file cannot be written.
void SQLLogLoadIndex();
void SQLLogSaveIndex();
