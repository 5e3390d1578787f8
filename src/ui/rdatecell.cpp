#include "rdatecell.h"

#include <QRegularExpression>

namespace rdatecell {

// yyyy-mm-dd[ hh:mi:ss[.ffffff][±hh[:mi[:ss]]]][ BC]; years of five digits and more too.
const QRegularExpression &isoPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\d{4,})-(\d{2})-(\d{2})(?: (\d{2}):(\d{2}):(\d{2})(\.\d+)?)"
                       R"(([+-]\d{2}(?::\d{2}){0,2})?)?( BC)?$)"));
    return pattern;
}

} // namespace rdatecell

TDateCellText ParseDateCellText(const QString &text)
{
    TDateCellText cell;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return cell;
    if (t == QLatin1String("infinity")) {
        cell.kind = TDateCellText::PlusInfinity;
        return cell;
    }
    if (t == QLatin1String("-infinity")) {
        cell.kind = TDateCellText::MinusInfinity;
        return cell;
    }
    cell.kind = TDateCellText::Unreadable;
    const QRegularExpressionMatch m = rdatecell::isoPattern().match(t);
    if (!m.hasMatch())
        return cell;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        return cell;
    cell.date = date;
    cell.bc = !m.captured(9).isEmpty();
    if (!m.captured(4).isEmpty()) {
        cell.time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!cell.time.isValid())
            return cell;
        cell.hasTime = true;
        cell.fraction = m.captured(7);
        cell.zone = m.captured(8);
    }
    cell.kind = TDateCellText::Finite;
    return cell;
}

bool DatePickerCanEdit(const TDateCellText &cell)
{
    if (cell.kind != TDateCellText::Finite)
        return cell.kind == TDateCellText::Empty || cell.kind == TDateCellText::PlusInfinity
            || cell.kind == TDateCellText::MinusInfinity;
    return !cell.bc && cell.date.year() >= 100 && cell.date.year() <= 9999;
}

QString DateCellText(const TDateCellText &original, const QDate &date, const QTime &time,
                     bool withTime)
{
    const bool keep = original.kind == TDateCellText::Finite;
    QString text = QStringLiteral("%1-%2-%3")
                       .arg(date.year(), 4, 10, QLatin1Char('0'))
                       .arg(date.month(), 2, 10, QLatin1Char('0'))
                       .arg(date.day(), 2, 10, QLatin1Char('0'));
    if (keep ? original.hasTime : withTime) {
        text += QStringLiteral(" %1:%2:%3")
                    .arg(time.hour(), 2, 10, QLatin1Char('0'))
                    .arg(time.minute(), 2, 10, QLatin1Char('0'))
                    .arg(time.second(), 2, 10, QLatin1Char('0'));
        if (keep)
            text += original.fraction + original.zone;
    }
    if (keep && original.bc)
        text += QLatin1String(" BC");
    return text;
}
