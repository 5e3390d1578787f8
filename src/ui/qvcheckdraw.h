#pragma once

#include <QRect>
#include <QSize>

class QPainter;
class QPalette;
class QColor;

// The state of a drawn check box, numbered as the check lists and grids store it.
enum TCheckBoxState { cbUnchecked = 0, cbChecked = 1, cbGrayed = 2 };

// The size of one check box as the check lists and the string grid draw it.
QSize QvCheckBoxSize();

// Draws a check box in the classic sunken look into box (of QvCheckBoxSize()): a white well,
// the mark when checked, a grey well with a grey mark when grayed, greyed out when not
// enabled. flat replaces the 3-D frame by one line in the shadow colour, the inner ring being
// painted in background.
void QvDrawCheckBox(QPainter &painter, const QRect &box, TCheckBoxState state, bool enabled,
                    bool flat, const QPalette &palette, const QColor &background);

// The box of QvCheckBoxSize() centred in cell (offsets rounded towards zero).
QRect QvCheckBoxRect(const QRect &cell);
