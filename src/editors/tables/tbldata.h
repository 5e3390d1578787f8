#pragma once

#include "tbldef.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>

class ConnectionWindow;
class QFile;
class QIODevice;
struct TScriptOption;

// A table's rows as INSERT statements that reload to identical rows: NULL as null, finite
// numbers bare, booleans as true / false, every other value (bytea in hex) as a quoted literal
// cast to the column's type, control characters escaped so that a value never breaks a line.
// Generated columns are left out (the server computes them); identity columns that refuse
// values get OVERRIDING SYSTEM VALUE.

// The data output was stopped with Esc.
class DataOutputCancelled : public std::runtime_error
{
public:
    DataOutputCancelled();
};

// One value as the INSERT statement writes it; text is the server's text form in an ISO
// session (null QString = NULL), typeOid the result column's type, typeText the column's type.
QString DataValueText(const QString &text, quint32 typeOid, const QString &typeText);

// The head of every INSERT statement of the table: "INSERT INTO name" with the column list
// and OVERRIDING SYSTEM VALUE where the columns ask for them, then " VALUES(".
QString DataInsertHead(const TTableDefinition &def, const QString &tableName);

// Reads the rows of the table through a cursor, a batch at a time (never the whole table in
// memory), and hands every statement (its lines, the last one ";") to sink. progress gets the
// rows done and the estimated total after every batch and answers false to stop: the run then
// throws DataOutputCancelled. Statements after the rows set the serial and identity sequences
// to where they stood. Returns the number of rows.
qint64 WriteTableData(pg::Connection &connection, const TTableDefinition &def,
                      const QString &tableName,
                      const std::function<void(const QStringList &)> &sink,
                      const std::function<bool(qint64, qint64)> &progress = {});

// The data files of one script-output run: a file is emptied the first time the run opens it
// and appended to afterwards, so running the output twice never doubles the rows.
class TTableDataRun
{
public:
    std::unique_ptr<QFile> open(const QString &path);

private:
    QSet<QString> m_opened;
};

// The data file of schema.table under the script folder as the script options place it:
// InsertMode 1 one file per table, 2 one file for all tables (treeBySchema: the object tree
// groups by schema first). Names go through the file-name sanitiser; folders are created.
QString TableDataFilePath(const TScriptOption &options, bool treeBySchema, const QString &Schema,
                          const QString &ObjectName);

// Script output of one table to Stream without a window: its CREATE script (renamed to
// NewSchema.NewObjectName when both are given; Index keeps the key names then), then, when
// the script option Insert is on, its rows, into Stream or into the data file of run. Throws
// when the table cannot be read; Esc during the rows throws DataOutputCancelled after the
// CREATE script and the rows so far were written.
void GetTableScript(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                    QIODevice &Stream, const QString &NewSchema = QString(),
                    const QString &NewObjectName = QString(), bool Index = false,
                    TTableDataRun *run = nullptr, bool treeBySchema = false);
