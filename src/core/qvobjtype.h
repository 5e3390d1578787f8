#pragma once

#include <QString>

// The object-type code: the one integer name of a kind of database object. It is at the same
// time the kind's icon index in the main image list and the kind stored in workspace entries, so
// the values never change.
namespace ObjType {
inline constexpr int User = 2;
inline constexpr int User2 = 3;
inline constexpr int Schema = 4;
inline constexpr int Table = 45;
inline constexpr int Index = 46;
inline constexpr int View = 47;
inline constexpr int Procedure = 51;
inline constexpr int Function = 52;
inline constexpr int Package = 53;
inline constexpr int PackageBody = 54;
inline constexpr int Type = 55;
inline constexpr int Trigger = 57;
inline constexpr int Sequence = 58;
inline constexpr int Synonym = 60;
inline constexpr int MaterializedView = 61;
inline constexpr int DatabaseLink = 64;
inline constexpr int Constraint = 66;
inline constexpr int Role = 68;
inline constexpr int Tablespace = 69;
inline constexpr int TablePartition = 73;
inline constexpr int IndexPartition = 74;
inline constexpr int Schema2 = 126;
inline constexpr int Rule = 127;
inline constexpr int Aggregate = 128;
inline constexpr int Policy = 129;
} // namespace ObjType

// The code whose SQL keyword equals the text upper-cased in ASCII (no trimming; inner blanks
// single, as in "MATERIALIZED VIEW"); -1 when no keyword matches. "USER" gives 2.
int GetObjectTypeCode(const QString &typeName);

// The SQL keyword of the code; empty for a code without one (schema 4 and 126, policy 129 and
// every unused code). 2 and 3 both give "USER".
QString GetObjectTypeName(int code);
