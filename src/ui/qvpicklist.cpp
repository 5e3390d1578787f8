#include "qvpicklist.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>

TqvPickListPopup::TqvPickListPopup(QWidget *owner, std::function<void(bool accept)> closeUp)
    : QListWidget(owner)
    , m_closeUp(std::move(closeUp))
{
    setWindowFlags(Qt::Popup);
    setObjectName(QStringLiteral("PickList"));
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TqvPickListPopup::DropDown(QWidget *anchor, const QStringList &items, const QString &current,
                                int rows)
{
    clear();
    addItems(items);
    setCurrentRow(int(items.indexOf(current)));
    rows = qMin(int(items.size()), qMax(1, rows));
    const int rowHeight = qMax(sizeHintForRow(0), 1);
    const int frame = 2 * frameWidth();
    int width = qMax(anchor->width(), sizeHintForColumn(0) + frame + 4);
    if (items.size() > rows)
        width += verticalScrollBar()->sizeHint().width();
    const QSize size(width, rows * rowHeight + frame);
    QPoint at = anchor->mapToGlobal(QPoint(0, anchor->height()));
    if (const QScreen *screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        if (at.y() + size.height() > area.bottom())
            at.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - size.height());
        if (at.x() + size.width() > area.right())
            at.setX(area.right() - size.width());
    }
    m_closing = false;
    setGeometry(QRect(at, size));
    show();
    setFocus(Qt::PopupFocusReason);
}

void TqvPickListPopup::HideQuietly()
{
    m_closing = true;
    hide();
    m_closing = false;
}

void TqvPickListPopup::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_closeUp(true);
        return;
    case Qt::Key_Escape:
    case Qt::Key_F4:
        m_closeUp(false);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (event->modifiers() & Qt::AltModifier) {
            m_closeUp(true);
            return;
        }
        break;
    default:
        break;
    }
    QListWidget::keyPressEvent(event);
}

void TqvPickListPopup::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    if (itemAt(event->position().toPoint()))
        m_closeUp(true);
}

void TqvPickListPopup::hideEvent(QHideEvent *event)
{
    QListWidget::hideEvent(event);
    // a click outside closes the list without choosing
    if (!m_closing)
        m_closeUp(false);
}
