#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace pg {

struct ParamScanOptions
{
    // false: the text goes to the server as written and ":" stays literal
    bool enabled = true;
    // whether "." continues a name (":P1.X" is the one name "P1.X" rather than "P1" and ".X")
    bool allowDots = false;
    // the session's standard_conforming_strings: off, a backslash escapes the next character
    // in every '...' literal, not only in E'...'
    bool standardStrings = true;
};

// One ":name" marker found in statement text.
struct ParamMarker
{
    int sourceStart = 0; // index of the ":" in the original text (UTF-16 units)
    int sourceLength = 0; // ":" and the name as written
    int rewrittenStart = 0;
    int rewrittenLength = 0; // the "$n" put in its place
    int paramIndex = 0; // index into ParamScan::names
};

// Statement text with its ":name" markers turned into the server's "$n" placeholders.
struct ParamScan
{
    QString source;
    QString rewritten;
    QStringList names; // distinct names, upper-cased, in order of first appearance
    QList<ParamMarker> markers;
    // top-level ";" separated statements: more than one means the text cannot be prepared
    int statementCount = 0;
    // how the text's '...' literals were read (ParamScanOptions::standardStrings)
    bool standardStrings = true;

    // The 1-based character position the server reported in the rewritten text, as a 1-based
    // character position in the source text.
    int sourcePosition(int rewrittenPosition) const;
};

// Scans statement text for ":name" parameter markers. A name is every following ASCII letter
// or digit, "_", "$", "#", Unicode letter, full-width digit ("０"-"９") and, when allowed, ".";
// it is upper-cased; a name written in double quotes after the colon is taken as written.
// Markers are never found inside '...', E'...', "...", $tag$...$tag$, comments or a "::" cast,
// nor after the colon of an array slice ("a[1:2]", "a[i:j]", "a[:n]"): inside the brackets of a
// subscript a colon is a slice; inside an ARRAY[...] constructor it starts a marker as anywhere.
// Each distinct name becomes one "$n", however often it appears. Throws pg::Error
// (sqlstate::InvalidName) for a name longer than 255 characters.
ParamScan scanParameters(const QString &sql, const ParamScanOptions &options = {});

// What a stretch of statement text is to the server's lexer.
enum class SqlSpanKind { Code, Quoted, Comment };
struct SqlSpan
{
    int end = -1; // index just after the span; -1 when none opens at the index asked
    SqlSpanKind kind = SqlSpanKind::Code;
};

// The literal ('...', E'...'), quoted name ("..."), dollar-quoted string ($tag$...$tag$) or
// comment (-- up to the next LF or CR, nested /* */) that opens at index i, running to the end of
// the text when it is never closed; end -1 when i starts none of them. standardStrings as the
// session's standard_conforming_strings (off: a backslash escapes in '...' too). Every reader
// of statement text that must tell code from literals and comments walks the text with this.
SqlSpan skipSqlSpan(const QString &sql, int i, bool standardStrings = true);

// The first word of statement text, upper-cased, past blanks, opening brackets and comments
// (nested block comments included): "SELECT" for "/* a /* b */ c */ (select 1)". Empty when
// the text starts with anything else (a literal, a quoted name, a symbol) or has no word.
// Every place that classifies a statement by its leading keyword asks this.
QString firstKeyword(const QString &sql);

// The first count words of statement text, upper-cased, read as firstKeyword reads the first
// and each next one past blanks and comments: {"PREPARE", "TRANSACTION"} for
// "prepare /* x */ transaction 'a'". Fewer where a literal, a symbol or the end comes first.
QStringList leadingKeywords(const QString &sql, int count);

// Index of the first occurrence of word (a keyword, any letter case, as a whole word) at or
// after from that stands outside literals, quoted names, comments and brackets; -1 when none.
int findTopLevelWord(const QString &sql, QLatin1String word, int from = 0,
                     bool standardStrings = true);

// An identifier in double quotes, its own double quotes doubled: the server reads it back as
// exactly this name, whatever its letters, blanks or symbols. The one quoter of the layer and
// of the core's QuoteName; text holding NUL cannot be a name (callers refuse it first).
QString quoteIdentifier(const QString &name);

} // namespace pg
