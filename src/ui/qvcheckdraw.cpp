#include "qvcheckdraw.h"

#include <QPainter>
#include <QPalette>

QSize QvCheckBoxSize()
{
    return QSize(13, 13);
}

QRect QvCheckBoxRect(const QRect &cell)
{
    const QSize size = QvCheckBoxSize();
    return QRect(cell.left() + (cell.width() - size.width()) / 2,
                 cell.top() + (cell.height() - size.height()) / 2, size.width(), size.height());
}

void QvDrawCheckBox(QPainter &painter, const QRect &box, TCheckBoxState state, bool enabled,
                    bool flat, const QPalette &palette, const QColor &background)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor shadow = palette.color(QPalette::Active, QPalette::Dark);
    const QColor light = palette.color(QPalette::Active, QPalette::Light);
    const QColor darkShadow = palette.color(QPalette::Active, QPalette::Shadow);
    const QColor face = palette.color(QPalette::Active, QPalette::Button);
    const QColor well
        = (state == cbGrayed || !enabled) ? face : palette.color(QPalette::Active, QPalette::Base);
    const QColor markColour = (state == cbGrayed || !enabled)
        ? palette.color(QPalette::Disabled, QPalette::Text)
        : palette.color(QPalette::Active, QPalette::Text);
    const int l = box.left();
    const int t = box.top();
    const int r = box.right();
    const int b = box.bottom();

    painter.fillRect(box.adjusted(2, 2, -2, -2), well);
    if (flat) {
        painter.setPen(background);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(1, 1, -2, -2));
        painter.setPen(shadow);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    } else {
        // Sunken: a frame in the shadow colour all round (the classic white outer edge would
        // vanish on a white cell), darker inside along the top and the left.
        painter.setPen(shadow);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.setPen(darkShadow);
        painter.drawLine(l + 1, t + 1, r - 2, t + 1);
        painter.drawLine(l + 1, t + 1, l + 1, b - 2);
        painter.setPen(light);
        painter.drawLine(l + 1, b - 1, r - 1, b - 1);
        painter.drawLine(r - 1, t + 1, r - 1, b - 1);
    }
    if (state == cbChecked || state == cbGrayed) {
        // The mark: a 7-pixel tick, three pixels thick, as the classic box draws it.
        painter.setPen(markColour);
        const int x = l + 3;
        const int y = t + 5;
        for (int i = 0; i < 3; ++i) {
            painter.drawLine(x, y + i, x + 2, y + 2 + i);
            painter.drawLine(x + 2, y + 2 + i, x + 6, y - 2 + i);
        }
    }
    painter.restore();
}
