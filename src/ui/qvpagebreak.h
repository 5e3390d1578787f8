#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QFont;

// Breaks the lines of a text into pages of a given body height. Each source line is laid out
// once (wrapped at word boundaries, a word wider than the body at characters); a page then
// takes as many whole visual lines as fit, found by binary search over their running heights.
// A 10,000-line source so costs one layout per line, not one per page and character.
//
//     TqvFontMeasure measure(font, bodyWidth, tabStop);
//     const QList<TqvPageLines> pages = BreakPages(lines, bodyHeight, measure);
//
// Rules of the text: empty lines before the first non-empty line are dropped, and so are empty
// lines at the top of a continuation page; a page holds at least one visual line, even one
// taller than the body; a line split across pages continues without a line break.

// One visual line of a laid-out source line: where it starts in the line and its height.
struct TqvVisualLine
{
    int start = 0;
    double height = 0;
};

// Lays out one source line (no line breaks in it) in the body width; an empty line is one
// visual line starting at 0.
using TqvTextMeasure = std::function<QList<TqvVisualLine>(const QString &line)>;

// The real measure: font (pixel-sized), body width and tab distance, all in the same pixels.
TqvTextMeasure FontMeasure(const QFont &font, double width, double tabStop);

struct TqvPageLine
{
    QString text;
    double top = 0; // from the top of the body
    double height = 0;
};
using TqvPageLines = QList<TqvPageLine>;

QList<TqvPageLines> BreakPages(const QStringList &source, double bodyHeight,
                               const TqvTextMeasure &measure);
