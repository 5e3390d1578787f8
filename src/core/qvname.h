#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

// Identifiers and string constants as they go into SQL text. Every statement the system writes
// puts names and values through these routines, so a name that the user typed can never end a
// statement or start another one.
//
// The quoting rule follows the general option UseLowerName (on by default): while it is on,
// every identifier is written in double quotes and keeps its case; while it is off, a name is
// written bare only when the server reads it back unchanged (lower-case letters, digits, "_" and
// "$", not starting with a digit or "$", and not a keyword that a bare name may not be), and in
// double quotes otherwise. A name is always taken as the name itself: a caller that holds an
// already quoted identifier passes it through DequoteName first.

// Raised for text that cannot be written into SQL at all (a NUL character).
class SqlTextError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

// One identifier, quoted when the rule above asks for it. Throws SqlTextError for a NUL.
QString QuoteName(const QString &name);

// Whether QuoteName would write the name in double quotes under the given option value.
bool NameNeedsQuotes(const QString &name, bool useLowerName);

// A qualified name ("schema.table" with delimiter ".") or, with commaText, a comma list of
// names. Parts in double quotes are taken without their quotes (and may hold the delimiter or
// commas); control characters separate parts as the delimiter does; every part, also a single
// name without any delimiter, goes through QuoteName. No other character of a part is changed:
// blanks and U+F8F3 are kept as they are.
QString QuoteNameList(const QString &names, bool commaText, const QString &delimiter);

// The parts of a qualified name or a list of names, split at delimiter outside double quotes;
// a part in double quotes is given without them (doubled quotes made single), any other part
// as it stands. The reader behind QuoteNameList.
QStringList SplitQuotedName(const QString &names, QChar delimiter);

// A type name as the server's type formatter spells it ("character varying",
// "timestamp with time zone", "integer[]", "myschema.mytype"): the names that SQL writes as
// keywords stay bare, every other part is quoted as QuoteNameList quotes it.
QString QuoteTypeName(const QString &typeName);

// A string constant. Apostrophes are doubled; a text with a backslash is written as an escape
// string (E'...') with its backslashes doubled, so that it means the same text whatever the
// server's standard_conforming_strings says. Throws SqlTextError for a NUL.
QString QuoteLiteral(const QString &s);

// The same constant kept on one line: a text with control characters (line breaks, tabs) is
// written as an escape string with \n, \r, \t and \xHH, so that no line of a script ever
// holds a piece of the value alone (a value line of only ";" would end a statement).
QString QuoteLiteralLine(const QString &s);

// S without one enclosing pair of double quotes; inner doubled quotes stay doubled.
QString StripDoubleQuotes(const QString &s);

// The inverse of quoting: when the name begins with a double quote, the text up to the closing
// (single) quote with each doubled quote made single, anything after it dropped; otherwise the
// name unchanged.
QString DequoteName(const QString &name);
