#pragma once

#include <QString>
#include <QStringList>

// The DDL script convention: a script is a list of statements, each followed by a line that
// holds only ";" (blanks and control characters around it do not count). The ";" line belongs
// to no statement; a line with anything else beside the ";" (a comment, a second statement) is
// an ordinary line of the next statement. The last statement needs no ";" line.

// The statements of the script in order: each is its lines joined and ended by CR LF, as the
// script held them. Statements that are empty after trimming are left out.
QStringList SplitScriptStatements(const QStringList &lines);

// text without the blanks and control characters (every character up to U+0020) at both ends;
// other white space (the ideographic blank U+3000 among it) stays.
QString TrimControl(const QString &text);
