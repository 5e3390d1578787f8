#include "qvpagebreak.h"

#include <QFont>
#include <QFontMetricsF>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <vector>

TqvTextMeasure FontMeasure(const QFont &font, double width, double tabStop)
{
    return [font, width, tabStop](const QString &line) {
        QList<TqvVisualLine> result;
        QTextLayout layout(line, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        if (tabStop > 0)
            option.setTabStopDistance(tabStop);
        layout.setTextOption(option);
        layout.setCacheEnabled(false);
        layout.beginLayout();
        for (QTextLine visual = layout.createLine(); visual.isValid();
             visual = layout.createLine()) {
            visual.setLineWidth(width);
            result.append({ visual.textStart(), visual.height() });
        }
        layout.endLayout();
        if (result.isEmpty())
            result.append({ 0, QFontMetricsF(font).height() });
        return result;
    };
}

namespace qvpagebreak {

struct FlatLine
{
    QString text;
    double height = 0;
    bool emptySource = false; // the whole of an empty source line
};

} // namespace qvpagebreak

QList<TqvPageLines> BreakPages(const QStringList &source, double bodyHeight,
                               const TqvTextMeasure &measure)
{
    using qvpagebreak::FlatLine;
    std::vector<FlatLine> lines;
    bool started = false;
    for (const QString &line : source) {
        if (!started && line.isEmpty())
            continue;
        started = true;
        const QList<TqvVisualLine> visual = measure(line);
        for (qsizetype i = 0; i < visual.size(); ++i) {
            const int start = qBound(0, visual.at(i).start, int(line.size()));
            const int end = i + 1 < visual.size()
                ? qBound(start, visual.at(i + 1).start, int(line.size()))
                : int(line.size());
            lines.push_back({ line.mid(start, end - start), visual.at(i).height, line.isEmpty() });
        }
    }

    // running[i] is the height of the visual lines before line i.
    std::vector<double> running(lines.size() + 1, 0.0);
    for (size_t i = 0; i < lines.size(); ++i)
        running[i + 1] = running[i] + lines[i].height;

    QList<TqvPageLines> pages;
    size_t begin = 0;
    while (begin < lines.size()) {
        if (!pages.isEmpty()) {
            while (begin < lines.size() && lines[begin].emptySource)
                ++begin;
            if (begin == lines.size())
                break;
        }
        // The first line whose bottom lies below the body ends the page; a tolerance keeps
        // rounding of the running sum from pushing an exactly fitting line off the page.
        const double limit = running[begin] + bodyHeight + 1e-6;
        auto past = std::upper_bound(running.begin() + long(begin) + 1, running.end(), limit);
        size_t end = size_t(past - running.begin()) - 1;
        end = std::max(end, begin + 1);
        TqvPageLines page;
        for (size_t i = begin; i < end; ++i)
            page.append({ lines[i].text, running[i] - running[begin], lines[i].height });
        pages.append(page);
        begin = end;
    }
    return pages;
}
