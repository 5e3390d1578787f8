#pragma once

#include "qvreg.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

struct TConnParams;

// Small string routines with exact rules that the whole system relies on. Positions are 1-based
// and count UTF-16 units, as the callers count them.

// PostgreSQL type names as the server's type formatter spells them, for StrInArray tests.
extern const QStringList CharTypeNames; // character, char, character varying, varchar (+ [])
extern const QStringList StringTypeNames; // CharTypeNames, then text
extern const QStringList ModifierTypeNames; // the types that take a length, precision or fields
extern const QStringList NumericTypeNames; // numeric, numeric[]
extern const QStringList NumberTypeNames; // the eight number types, then with []
extern const QStringList PseudoTypeNames;
extern const QStringList TimeTypeNames;
extern const QStringList IntervalTypeNames;
extern const QStringList BitTypeNames;

// Characters FromPos to ToPos inclusive, clipped to the text; empty when ToPos < FromPos.
QString CopyRange(const QString &s, int fromPos, int toPos);
// S without leading and trailing TAB, LF, CR and blank (only these four).
QString TrimBlanks(const QString &s);
// The position of SubStr in S, searching after character Offset (after a whole surrogate pair
// when Offset points at its first half); for Offset <= 0 from the start. 0 when not found.
int AnsiPosFrom(const QString &subStr, const QString &s, int offset);
// The byte position of SubStr in the code page 932 bytes S, from byte Offset on, never starting
// on the second byte of a double-byte character; 0 when not found or S is shorter than Offset.
int StrPosFrom(const QByteArray &subStr, const QByteArray &s, int offset);
// Whether S equals one of the values exactly (with case).
bool StrInArray(const QString &s, const QStringList &values);

// The characters that take one display cell: U+0020 to U+007E and U+FF61 to U+FF9F.
bool IsHalfWidthChar(QChar c);
// The display width in half-width cells: 1 per half-width character, 2 per other UTF-16 unit.
int GetHalfWidthLength(const QString &s);
// The UTF-16 LE bytes of S as upper-case hexadecimal pairs; with MaxBytes >= 0 the bytes are
// first cut or padded with zero bytes to exactly MaxBytes.
QString StrToUnicodeHex(const QString &s, int maxBytes);

// SQL NULL arrives as an invalid (or null-pointer) variant.
QVariant VarIfThen(bool condition, const QVariant &trueValue, const QVariant &falseValue);
// Default for NULL or a value that does not convert; strings convert with "." as the decimal
// separator; integers round half to even.
double VarToFloatDef(const QVariant &v, double defaultValue);
qint32 VarToIntDef(const QVariant &v, qint32 defaultValue);
TDateTime VarToDateTimeDef(const QVariant &v, TDateTime defaultValue);

// Date-times as days since 1899-12-30 with the time of day as the fraction.
TDateTime DateTimeToTDateTime(const QDateTime &dateTime);
QDateTime TDateTimeToDateTime(TDateTime value);

// Deletes the empty lines (a line of blanks stays) when the script option NullLine is set.
void DeleteBlankLines(QStringList &lines);

// User_Name "/" Password "@" Database, then " AS " AuthMode unless AuthMode is NORMAL (in any
// case). For the dump tools' connect argument of the data-pump windows.
QString GetToolConnectString(const TConnParams &conn, const QString &authMode);
