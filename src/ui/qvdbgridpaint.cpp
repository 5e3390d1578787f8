#include "qvdbgrid.h"

#include "platform/pg/dataset.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTransform>

#include <cmath>

namespace qvdbgridpaint {

// The indicator pictures pointing right, 6 × 11, "X" drawn.
const char *const Pictures[5][11] = {
    // the current record: a solid triangle
    { "X.....", "XX....", "XXX...", "XXXX..", "XXXXX.", "XXXXXX", "XXXXX.", "XXXX..", "XXX...",
      "XX....", "X....." },
    // being edited: a text caret with split bars at both ends
    { "XX..XX", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..", "..XX..",
      "..XX..", "XX..XX" },
    // being inserted: an asterisk
    { "......", "......", "......", "X.X.X.", ".XXX..", "XXXXX.", ".XXX..", "X.X.X.", "......",
      "......", "......" },
    // selected: a round dot
    { "......", "......", "......", "......", ".XX...", "XXXX..", "XXXX..", ".XX...", "......",
      "......", "......" },
    // current and selected: a triangle outline behind a bar
    { "......", "......", "..X...", "X.XX..", "X.X.X.", "X.X..X", "X.X.X.", "X.XX..", "..X...",
      "......", "......" },
};

QColor lineColor()
{
    return QColor(0xC0, 0xC0, 0xC0);
}

// Text for one line of a cell: control characters would paint as boxes.
QString cellLine(const QString &text)
{
    constexpr qsizetype MaxPainted = 1000;
    QString line = text.size() > MaxPainted ? text.left(MaxPainted) : text;
    for (QChar &c : line) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    return line;
}

// The contrast of two colours as the web's accessibility rules measure it: 1 (none) to 21.
double contrastRatio(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF())
            + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

} // namespace qvdbgridpaint

QBitmap GridIndicatorPicture(TDBGridIndicator kind, bool recordsInRows)
{
    QImage image(6, 11, QImage::Format_Mono);
    image.setColorCount(2);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    image.fill(0);
    const auto &rows = qvdbgridpaint::Pictures[qBound(0, int(kind), 4)];
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 6; ++x) {
            if (rows[y][x] == 'X')
                image.setPixel(x, y, 1);
        }
    }
    if (!recordsInRows) // the same picture turned to point down at the record's column
        image = image.transformed(QTransform().rotate(90));
    return QBitmap::fromImage(image);
}

QString GridNullText()
{
    return QStringLiteral("(NULL)");
}

QColor GridNullColour(const QColor &background)
{
    using qvdbgridpaint::contrastRatio;
    const QColor blue(0x00, 0x00, 0xFF);
    // 3:1 is what large text and marks need; blue on white is 8.6, on a selection about 2
    if (contrastRatio(blue, background) >= 3.0)
        return blue;
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    return contrastRatio(white, background) >= contrastRatio(black, background) ? white : black;
}

void DrawGridCellText(QPainter &painter, const QRect &cellRect, int dx, int dy, const QString &text,
                      Qt::Alignment alignment)
{
    if (painter.brush().style() != Qt::NoBrush)
        painter.fillRect(cellRect, painter.brush());
    if (text.isEmpty())
        return;
    QString line = qvdbgridpaint::cellLine(text);
    const QFontMetrics fm(painter.font());
    int width = fm.horizontalAdvance(line);
    const int room = cellRect.width() - qMax(dx, 0) - 3;
    if (width > room) {
        line = fm.elidedText(line, Qt::ElideRight, qMax(room, 0));
        width = fm.horizontalAdvance(line);
    }
    int x = cellRect.x() + dx;
    if (alignment & Qt::AlignRight)
        x = cellRect.x() + cellRect.width() - width - 3;
    else if (alignment & Qt::AlignHCenter)
        x = cellRect.x() + cellRect.width() / 2 - width / 2;
    painter.save();
    painter.setClipRect(cellRect, Qt::IntersectClip);
    painter.drawText(x, cellRect.y() + dy + fm.ascent(), line);
    painter.restore();
}

void TqvDBGrid::paintEvent(QPaintEvent *event)
{
    QPainter p(viewport());
    const QRect clip = event->rect();
    const QPalette pal = palette();
    p.fillRect(clip, pal.color(QPalette::Base));

    pg::DataSet *ds = DataSet();
    const bool active = m_link->Active() && ds;
    const int count = active ? ds->recordCount() : 0;
    const int lanes = shownRecordLanes();
    const int rp = recordPitch();
    const int tp = titlePitch();
    const int ip = indicatorPitch();
    const int lineR = lineAfterRecord();
    const int lineF = lineAfterField();
    const int fieldLength = fieldAxisLength();

    // the field lanes in view
    QList<QPair<int, int>> fieldLanes;
    for (int i = m_leftField, pos = ip; i < ItemCount() && pos < fieldLength; ++i) {
        const int pitch = fieldPitch(i);
        if (pitch <= 0)
            continue;
        fieldLanes.append({ i, pos });
        pos += pitch;
    }
    const QColor fixedLine = pal.color(QPalette::Dark);

    if (m_titleOffset) {
        for (const auto &[i, pos] : std::as_const(fieldLanes)) {
            const int pitch = fieldPitch(i);
            const QRect outer = orient(0, tp, pos, pitch);
            if (!outer.intersects(clip))
                continue;
            p.fillRect(outer, fixedLine);
            paintTitle(p, i, orient(0, m_titleExtent, pos, pitch - lineF));
        }
    }
    if (m_titleOffset && m_indicatorOffset) {
        const QRect outer = orient(0, tp, 0, ip);
        p.fillRect(outer, fixedLine);
        const QRect cell = orient(0, m_titleExtent, 0, m_indicatorExtent);
        p.fillRect(cell, pal.color(QPalette::Button));
        paintFixedEdges(p, cell);
    }
    for (int k = 0; k < lanes; ++k) {
        const int rpos = tp + k * rp;
        const int row = active && m_top + k < count ? m_top + k : -1;
        if (m_indicatorOffset) {
            const QRect outer = orient(rpos, rp, 0, ip);
            if (outer.intersects(clip)) {
                p.fillRect(outer, fixedLine);
                m_paintingRecord = row;
                paintIndicator(p, k, orient(rpos, rp - lineR, 0, m_indicatorExtent));
                m_paintingRecord = -1;
            }
        }
        for (const auto &[i, pos] : std::as_const(fieldLanes)) {
            const int pitch = fieldPitch(i);
            const QRect outer = orient(rpos, rp, pos, pitch);
            if (!outer.intersects(clip))
                continue;
            p.fillRect(outer, qvdbgridpaint::lineColor());
            const QRect cell = orient(rpos, rp - lineR, pos, pitch - lineF);
            m_paintingRecord = row;
            try {
                paintCell(p, k, i, cell);
            } catch (...) {
                // a painting handler's failure must not end the paint loop of the window
            }
            m_paintingRecord = -1;
        }
    }
}

void TqvDBGrid::paintFixedEdges(QPainter &painter, const QRect &rect)
{
    if (!(m_options.testFlag(dgRowLines) && m_options.testFlag(dgColLines)))
        return;
    const QPalette pal = palette();
    painter.save();
    painter.setPen(pal.color(QPalette::Light));
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.restore();
}

void TqvDBGrid::paintIndicator(QPainter &painter, int lane, const QRect &rect)
{
    Q_UNUSED(lane)
    const QPalette pal = palette();
    const bool bothLines = m_options.testFlag(dgRowLines) && m_options.testFlag(dgColLines);
    const int frameOffset = bothLines ? 1 : 2;
    const QRect inner = bothLines ? rect.adjusted(1, 1, -1, -1) : rect;
    painter.fillRect(rect, pal.color(QPalette::Button));
    pg::DataSet *ds = DataSet();
    const int row = m_paintingRecord;
    if (m_link->Active() && ds && row >= 0) {
        bool isSelected = false;
        if (m_options.testFlag(dgMultiSelect) && m_bookmarks->Count() > 0) {
            int index = 0;
            isSelected = m_bookmarks->Find(ds->bookmarkAt(row), index);
        }
        const bool current = row == ds->currentRow();
        if (current || isSelected) {
            TDBGridIndicator kind = diArrow;
            if (!current) {
                kind = diMultiDot;
            } else if (ds->state() == pg::DataSetState::Edit) {
                kind = diEdit;
            } else if (ds->state() == pg::DataSetState::Insert) {
                kind = diInsert;
            } else if (isSelected) {
                kind = diMultiArrow;
            }
            const QBitmap picture = GridIndicatorPicture(kind, m_recordsInRows);
            const int x = m_recordsInRows
                ? inner.x() + inner.width() - picture.width() - frameOffset
                : inner.x() - frameOffset + 2;
            const int y = m_recordsInRows ? inner.y() + (inner.height() - picture.height()) / 2
                                          : inner.y() + (inner.height() - picture.height()) / 2;
            painter.save();
            painter.setPen(pal.color(QPalette::ButtonText));
            painter.setBackgroundMode(Qt::TransparentMode);
            painter.drawPixmap(x, y, picture);
            painter.restore();
        }
        if (!m_recordsInRows) {
            // the title of a record column: the record's number, after the indicator's place
            const int pictureWidth = 11;
            const QRect title = inner.adjusted(pictureWidth + 2, 0, 0, 0);
            painter.save();
            painter.setBrush(Qt::NoBrush);
            painter.setPen(pal.color(QPalette::ButtonText));
            painter.setFont(font());
            DrawGridCellText(painter, title, 2, frameOffset, QString::number(row + 1),
                             Qt::AlignLeft);
            painter.restore();
        }
    }
    paintFixedEdges(painter, rect);
}

void TqvDBGrid::paintTitle(QPainter &painter, int dataIndex, const QRect &rect)
{
    const QPalette pal = palette();
    const bool bothLines = m_options.testFlag(dgRowLines) && m_options.testFlag(dgColLines);
    const int frameOffset = bothLines ? 1 : 2;
    const QRect inner = bothLines ? rect.adjusted(1, 1, -1, -1) : rect;
    painter.save();
    painter.fillRect(rect, pal.color(QPalette::Button));
    painter.setBrush(pal.color(QPalette::Button));
    painter.setPen(pal.color(QPalette::ButtonText));
    // the titles of the one-record-per-column grid are its left column, in the grid's font
    painter.setFont(m_recordsInRows ? TitleFont() : font());
    const TDBGridItem *item = m_items->Item(dataIndex);
    QRect captionRect = inner;
    if (m_sortField >= 0 && item->FieldIndex() == m_sortField) {
        // a small triangle at the end of the title: up ascending, down descending
        const int w = 7;
        const int h = 4;
        const int x = inner.right() - w - 3;
        const int y = inner.center().y() - h / 2;
        if (x > inner.x() + frameOffset) {
            const QPolygon mark = m_sortDescending
                ? QPolygon({ QPoint(x, y), QPoint(x + w, y), QPoint(x + w / 2, y + h) })
                : QPolygon({ QPoint(x, y + h), QPoint(x + w, y + h), QPoint(x + w / 2, y) });
            captionRect.setRight(x - 2);
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setBrush(pal.color(QPalette::ButtonText));
            painter.setPen(pal.color(QPalette::ButtonText));
            painter.drawPolygon(mark);
            painter.restore();
        }
    }
    painter.setBrush(Qt::NoBrush);
    DrawGridCellText(painter, captionRect, frameOffset + 1, frameOffset, item->TitleCaption(),
                     Qt::AlignLeft);
    painter.restore();
    paintFixedEdges(painter, rect);
}

bool TqvDBGrid::highlightCell(int row, int dataIndex) const
{
    pg::DataSet *ds = DataSet();
    if (!ds || row < 0)
        return false;
    if (m_options.testFlag(dgMultiSelect) && m_link->Active()) {
        if (m_bookmarks->Count() == 0)
            return false;
        int index = 0;
        return m_bookmarks->Find(ds->bookmarkAt(row), index);
    }
    const bool showing = hasFocus() || (m_editor && m_editor->hasFocus())
        || m_options.testFlag(dgAlwaysShowSelection);
    if (m_options.testFlag(dgRowSelect))
        return row == ds->currentRow() && showing;
    return row == ds->currentRow() && dataIndex == m_curField && showing && m_updateLock == 0;
}

void TqvDBGrid::paintCell(QPainter &painter, int lane, int dataIndex, const QRect &rect)
{
    Q_UNUSED(lane)
    const QPalette pal = palette();
    pg::DataSet *ds = DataSet();
    const int row = m_paintingRecord;
    painter.save();
    painter.setFont(font());
    painter.setBrush(pal.color(QPalette::Base));
    painter.setPen(pal.color(QPalette::Text));
    if (!m_link->Active() || !ds || row < 0) {
        painter.fillRect(rect, painter.brush());
        painter.restore();
        return;
    }
    TDBGridItem *item = m_items->Item(dataIndex);
    const int fieldIndex = m_link->FieldListIndex(dataIndex);
    int state = 0;
    const bool current = row == ds->currentRow() && dataIndex == m_curField;
    const bool focused = hasFocus() || (m_editor && m_editor->hasFocus());
    if (current) {
        state |= dgsSelected;
        if (focused)
            state |= dgsFocused;
    }
    const int low = qMin(m_rangeStart, m_rangeEnd);
    const int high = qMax(m_rangeStart, m_rangeEnd);
    if (highlightCell(row, dataIndex)
        && (m_wholeRecords || (dataIndex >= low && dataIndex <= high))) {
        painter.setBrush(pal.color(QPalette::Highlight));
        painter.setPen(pal.color(QPalette::HighlightedText));
        state |= dgsSelected;
    }
    if (!isEnabled())
        painter.setPen(pal.color(QPalette::Disabled, QPalette::Text));
    painter.fillRect(rect, painter.brush());
    if (m_defaultDrawing) {
        DrawGridCellText(painter, rect, 2, 2, DisplayText(row, fieldIndex),
                         item ? item->Alignment() : Qt::AlignLeft);
    }
    if (m_items->State() == csDefault)
        Q_EMIT OnDrawDataCell(&painter, rect, fieldIndex, state);
    drawItemCell(&painter, rect, dataIndex, item, state);
    if (m_defaultDrawing && current && (focused || m_options.testFlag(dgAlwaysShowSelection))
        && !m_options.testFlag(dgRowSelect) && m_updateLock == 0 && focused) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

void TqvDBGrid::DefaultDrawDataCell(QPainter &painter, const QRect &rect, int fieldIndex, int state)
{
    Q_UNUSED(state)
    pg::DataSet *ds = DataSet();
    Qt::Alignment alignment = Qt::AlignLeft;
    if (ds && fieldIndex >= 0 && fieldIndex < ds->fields().count()
        && pg::isNumeric(ds->fields().at(fieldIndex).fieldClass))
        alignment = Qt::AlignRight;
    DrawGridCellText(painter, rect, 2, 2, DisplayText(PaintingRecord(), fieldIndex), alignment);
}

void TqvDBGrid::invalidateRecord(int row)
{
    const int lane = row - m_top;
    if (lane < 0 || lane >= shownRecordLanes()) {
        return;
    }
    viewport()->update(
        orient(titlePitch() + lane * recordPitch(), recordPitch(), 0, fieldAxisLength()));
}

void TqvDBGrid::invalidateAll()
{
    viewport()->update();
}
