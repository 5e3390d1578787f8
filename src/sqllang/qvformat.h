#pragma once

#include <QString>

struct TFormatOption;

// Rewrites SQL text in the house layout: each clause keyword on a line of its own, right- or
// left-aligned to a six-character column; one list item per line with the comma at the start
// or the end of the line; AND and OR at the start or the end of the line, BETWEEN ... AND kept
// together; blocks (DECLARE, BEGIN, EXCEPTION, IF, LOOP, END) indented by a fixed step;
// reserved words and other words in the case the settings ask for.
//
// Only blanks and line breaks change: every other character stays, in its order (letter case
// aside), so literals, quoted names, dollar-quoted bodies and comments come out exactly as they
// went in. Lines end in "\n" (input may end its lines in CR LF, CR or LF). Never fails.
//
// The reserved words are the built-in list (SetDefaultReserveWords); the settings are those of
// FormatOption, read at each call.
QString FormatSQL(const QString &sql);
QString FormatSQL(const QString &sql, const TFormatOption &options);
