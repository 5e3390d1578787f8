#pragma once

#include "platform/pg/param.h"

#include <QString>

class QWidget;
class TqvMemo;

namespace pg {
class Connection;
}

// Code assist: what the dotted name at the caret of an editor qualifies, read from the
// catalogs, and the completion list (TqvCodeAssist) that offers what may follow it.
//
//   void TfrmX::WMCodeAssist(TqvMemo *editor, int x, int y)
//   {
//       ShowCodeAssist(editor, this, *conn->dbsMain(), schema, conn->DBVer(),
//                      conn->g_bPostgresPlus(), conn->DBAMODE(), x, y);
//   }

// The stored program whose source a window edits. A window that edits one implements
// TqvCodeAssistProgramSource; code assist then offers the program's arguments before the
// objects of the schema.
struct TqvCodeAssistProgram
{
    pg::Oid oid = 0; // pg_proc row of the program; meaningful when not isNew
    bool isNew = true;
    int objType = 0; // object-type code: 51 procedure, 52 function, 54 package body
};

class TqvCodeAssistProgramSource
{
public:
    virtual ~TqvCodeAssistProgramSource() = default;
    virtual TqvCodeAssistProgram CodeAssistProgram() const = 0;
};

// The lookups of code assist, numbered as GetCodeAssistSQL takes them.
namespace codeassist {
inline constexpr int Table = 0;
inline constexpr int View = 1;
inline constexpr int Schema = 2;
inline constexpr int Index = 3;
inline constexpr int Function = 4;
inline constexpr int Type = 5;
inline constexpr int Trigger = 6;
inline constexpr int Sequence = 7;
inline constexpr int Constraint = 8;
inline constexpr int Rule = 9;
inline constexpr int MaterializedView = 10;
inline constexpr int Aggregate = 11;
inline constexpr int Procedure = 12;
inline constexpr int Package = 13;
inline constexpr int Synonym = 14;
inline constexpr int DatabaseLink = 15;
inline constexpr int SchemaObjects = 16;
inline constexpr int Columns = 17;
inline constexpr int KeyColumns = 18;
inline constexpr int KindCount = 19;
} // namespace codeassist

// The text of one lookup for a server of that version and edition; empty where the server has
// no such object. Parameters: :OWNER (the schema) and the name: kind 2 has only :SCHNM, kind 16
// only :OWNER, kinds 17 and 18 :OWNER and :TBLNM.
QString GetCodeAssistSQL(int Kind, bool IsEDB, int ServerVersion);

// Opens the completion list of Memo for the name at its caret, or nothing when the option is
// off, a list is open already, or nothing fits. Owner is the window that asked (the list's
// owner); every lookup runs on Query, the window's main session. A single candidate is
// inserted at once. A catalog error closes a list already made and reaches the caller.
// DBAMode is handed on by the windows and used by no lookup.
void ShowCodeAssist(TqvMemo *Memo, QWidget *Owner, pg::Connection &Query,
                    const QString &DefaultSchema, int ServerVersion, bool IsEDB, bool DBAMode,
                    int X, int Y);
