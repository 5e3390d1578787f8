#pragma once

#include "qvencoding.h"
#include "qvoption.h"

#include <QString>
#include <QStringList>

#include <functional>

class ConnectionWindow;
class QIODevice;
class QWidget;

// The editors of the object kinds, keyed by object-type code, and the dispatch that the
// connection windows run over them: OpenObjectWindow opens an object's definition window,
// WriteObjectScript appends its CREATE script to a stream. The editor libraries live above the
// connection window; each registers its kinds here once at start-up (the program calls their
// registration routines), so nothing below them links an editor.
//
//     RegisterObjectEditor(ObjType::Index, { openIndex, indexScript });
//     OpenObjectWindow(owner, ObjectCallFor(ObjType::Index, "public", "ix"));

// One object as an editor receives it. The dispatch fills only what the kind uses: OID for
// procedures, functions and aggregates (-1 otherwise), TableName for triggers, constraints,
// rules and policies, DefTopRecord for tables, views and materialized views, NewSchema and
// NewObjectName (empty: keep the object's own) for the scripts of those three.
struct TObjectCall
{
    int ObjectType = 0;
    QString Schema;
    QString ObjectName; // empty: a new object
    TOpenMode OpenMode = omDefine;
    int DefTopRecord = 0;
    qint64 OID = -1;
    QString TableName;
    QString NewSchema;
    QString NewObjectName;
};

// An editor's two entry points; either may be empty (a kind with a script but no window).
//  - Open shows the object's window and returns it. nullptr means nothing was opened and the
//    user knows why: a window for that object was open and has been brought forward, or the
//    opener has shown its failure itself. Anything it throws is shown by the dispatch, except
//    the silent abort.
//  - Script returns the object's CREATE script as lines (statements each followed by a ";"
//    line), without a window on the screen, and throws when the object cannot be read: it
//    never returns a partial script.
struct TObjectEditor
{
    std::function<QWidget *(ConnectionWindow *owner, const TObjectCall &call)> Open;
    std::function<QStringList(ConnectionWindow *owner, const TObjectCall &call)> Script;
};

// Registers the editor of code (replacing the one there) and returns the one replaced.
TObjectEditor RegisterObjectEditor(int code, TObjectEditor editor);
// The editor registered for code itself; empty members when none is.
TObjectEditor RegisteredObjectEditor(int code);

// The call for an object as the dispatch hands it on: the values the kind does not use are
// dropped (see TObjectCall).
TObjectCall ObjectCallFor(int code, const QString &Schema, const QString &ObjectName,
                          TOpenMode OpenMode = omDefine, int DefTopRecord = 0, qint64 OID = -1,
                          const QString &TableName = QString(),
                          const QString &NewSchema = QString(),
                          const QString &NewObjectName = QString());

// The code whose editor serves code: the code itself when an editor is registered for it, else
// the kind it shares an editor with (user 3 → 2, schema 126 → 4, function 52, package 53 and
// type 55 → procedure 51); 0 when there is none. The script side has no editor for the logon
// schema (126) and the partitions (73, 74): their scripts are never written.
int OpenerCode(int code);
int ScriptWriterCode(int code);

// Opens the definition window of the object (call as ObjectCallFor makes it) on owner. A table
// partition (73) or index partition (74) named "table.partition" opens the table (45) or index
// (46) "table" with no row limit. Returns
// the window, or nullptr when nothing was opened: a failure (no editor for the kind, a
// partition name without its table, an error while the editor reads the catalog) has then
// been shown to the user; only a window for that object that was open already is brought
// forward without a word.
QWidget *OpenObjectWindow(ConnectionWindow *owner, const TObjectCall &call);

// Appends the object's CREATE script to stream at its position: UTF-16 (little-endian, no
// byte-order mark) into an in-memory buffer (QBuffer), into any other device the encoding
// of the file-encoding option, without byte-order mark; every line ends with CR LF. Returns
// false when nothing was written, after telling the user why (no script for the kind, the
// object could not be read, the device refused the bytes); the stream is then as it was: a
// device that took only part of the script is cut back to its former size.
[[nodiscard]] bool WriteObjectScript(ConnectionWindow *owner, const TObjectCall &call,
                                     QIODevice &stream);

// The encoding a script goes into a stream with: UTF-16 LE for an in-memory buffer, otherwise
// the file-encoding option's.
TqvEncoding ScriptStreamEncoding(const QIODevice &stream);
// The bytes WriteObjectScript appends to stream for lines.
QByteArray ScriptStreamBytes(const QStringList &lines, const QIODevice &stream);
