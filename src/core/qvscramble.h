#pragma once

#include <QByteArray>
#include <QString>

// Reversible scrambling of the passwords kept in the settings (saved connections, the password
// values of the TRACE, EXPORT_DP and IMPORT_DP keys). It hides a password from a casual look
// at the settings file; it uses no key and is no encryption.
//
// The scrambled form is a text of code-table characters only, at least 132 characters long,
// with random filler, so that the same password looks different each time it is saved.

// The scrambled form of bytes; empty for empty bytes.
QByteArray ScrambleString(const QByteArray &bytes);
// The bytes restored from their scrambled form: exactly the bytes given to ScrambleString, or,
// for values written before passwords kept their blanks, the bytes with leading and trailing
// blanks and control characters removed. Empty for an empty or too short value.
QByteArray UnscrambleString(const QByteArray &scrambled);

// A password as text: scrambled from its UTF-8 bytes.
QString ScramblePassword(const QString &password);
// The password restored from a stored value; empty for an empty value or one that holds a
// character outside the code table (edited by hand or damaged).
QString UnscramblePassword(const QString &stored);
