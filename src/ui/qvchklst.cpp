#include "qvchklst.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <stdexcept>

namespace qvchklst {

constexpr int WrapperRole = Qt::UserRole + 0x0C11;

// Draws the two boxes of a line and leaves the rest of the row to the usual item drawing.
class CheckListDelegate : public QStyledItemDelegate
{
public:
    CheckListDelegate(TqvCheckListBox *list)
        : QStyledItemDelegate(list)
        , m_list(list)
    { }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const int column = TqvCheckListBox::CheckColumnWidth();
        const int row = index.row();
        const TqvCheckListBoxDataWrapper data = m_list->GetWrapper(row);
        const bool enabled = m_list->isEnabled();
        const QColor background = option.palette.color(QPalette::Base);
        painter->fillRect(
            QRect(option.rect.left(), option.rect.top(), 2 * column, option.rect.height()),
            background);
        const QRect cellL(option.rect.left(), option.rect.top(), column, option.rect.height());
        const QRect cellR(option.rect.left() + column, option.rect.top(), column,
                          option.rect.height());
        QvDrawCheckBox(*painter, QvCheckBoxRect(cellR), data.FStateR, enabled && !data.FDisabledR,
                       m_list->Flat(), option.palette, background);
        QvDrawCheckBox(*painter, QvCheckBoxRect(cellL), data.FStateL, enabled && !data.FDisabledL,
                       m_list->Flat(), option.palette, background);

        QStyleOptionViewItem text = option;
        text.rect.setLeft(option.rect.left() + 2 * column);
        if (!enabled || data.FDisabledL) {
            const QColor grey = option.palette.color(QPalette::Disabled, QPalette::Text);
            text.palette.setColor(QPalette::Text, grey);
            text.palette.setColor(QPalette::HighlightedText, grey);
        }
        QStyledItemDelegate::paint(painter, text, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        // The height of "Wg" in the list's font, and never less than a box.
        const int height = qMax(option.fontMetrics.height(), QvCheckBoxSize().height() + 2);
        size.setHeight(height);
        size.setWidth(size.width() + 2 * TqvCheckListBox::CheckColumnWidth());
        return size;
    }

private:
    TqvCheckListBox *m_list;
};

static QString indexError(int index)
{
    return QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index);
}

} // namespace qvchklst

using namespace qvchklst;

TqvCheckListBox::TqvCheckListBox(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new CheckListDelegate(this));
    setUniformItemSizes(true);
}

int TqvCheckListBox::CheckColumnWidth()
{
    return QvCheckBoxSize().width() + 2;
}

void TqvCheckListBox::setFlat(bool on)
{
    if (m_flat == on)
        return;
    m_flat = on;
    viewport()->update();
}

QListWidgetItem *TqvCheckListBox::checkedItem(int index) const
{
    QListWidgetItem *line = index >= 0 && index < count() ? item(index) : nullptr;
    if (!line)
        throw std::out_of_range(indexError(index).toStdString());
    return line;
}

TqvCheckListBoxDataWrapper TqvCheckListBox::wrapper(int index) const
{
    const QVariant stored = checkedItem(index)->data(WrapperRole);
    return stored.isValid() ? stored.value<TqvCheckListBoxDataWrapper>()
                            : TqvCheckListBoxDataWrapper();
}

void TqvCheckListBox::setWrapper(int index, const TqvCheckListBoxDataWrapper &data)
{
    checkedItem(index)->setData(WrapperRole, QVariant::fromValue(data));
}

void TqvCheckListBox::SetStateL(int index, TCheckBoxState state)
{
    TqvCheckListBoxDataWrapper data = wrapper(index);
    if (data.FStateL == state)
        return;
    data.FStateL = state;
    setWrapper(index, data);
}

void TqvCheckListBox::SetStateR(int index, TCheckBoxState state)
{
    TqvCheckListBoxDataWrapper data = wrapper(index);
    if (data.FStateR == state)
        return;
    data.FStateR = state;
    setWrapper(index, data);
}

void TqvCheckListBox::SetCheckedL(int index, bool checked)
{
    if (GetCheckedL(index) != checked)
        SetStateL(index, checked ? cbChecked : cbUnchecked);
}

void TqvCheckListBox::SetCheckedR(int index, bool checked)
{
    if (GetCheckedR(index) != checked)
        SetStateR(index, checked ? cbChecked : cbUnchecked);
}

void TqvCheckListBox::SetItemEnabledL(int index, bool enabled)
{
    TqvCheckListBoxDataWrapper data = wrapper(index);
    if (data.FDisabledL == !enabled)
        return;
    data.FDisabledL = !enabled;
    setWrapper(index, data);
}

void TqvCheckListBox::SetItemEnabledR(int index, bool enabled)
{
    TqvCheckListBoxDataWrapper data = wrapper(index);
    if (data.FDisabledR == !enabled)
        return;
    data.FDisabledR = !enabled;
    setWrapper(index, data);
}

void TqvCheckListBox::SetItemData(int index, const QVariant &value)
{
    TqvCheckListBoxDataWrapper data = wrapper(index);
    data.FData = value;
    setWrapper(index, data);
}

quint32 TqvCheckListBox::packed(int index) const
{
    const TqvCheckListBoxDataWrapper data = wrapper(index);
    return (quint32(data.FStateL) << 16) | quint32(data.FStateR);
}

void TqvCheckListBox::Save()
{
    m_saveChecked.clear();
    for (int i = 0; i < count(); ++i)
        m_saveChecked.append(packed(i));
}

bool TqvCheckListBox::IsChanged() const
{
    if (count() != m_saveChecked.size())
        return true;
    for (int i = 0; i < count(); ++i)
        if (packed(i) != m_saveChecked.at(i))
            return true;
    return false;
}

bool TqvCheckListBox::GetIsChangedLines(int index) const
{
    if (index < 0 || index >= count() || index >= m_saveChecked.size())
        return true;
    return packed(index) != m_saveChecked.at(index);
}

TCheckBoxState TqvCheckListBox::nextState(TCheckBoxState state) const
{
    switch (state) {
    case cbUnchecked:
        return m_allowGrayed ? cbGrayed : cbChecked;
    case cbChecked:
        return cbUnchecked;
    case cbGrayed:
        return cbChecked;
    }
    return cbUnchecked;
}

void TqvCheckListBox::ToggleL(int index)
{
    if (index < 0 || index >= count() || !GetItemEnabledL(index))
        return;
    SetStateL(index, nextState(GetStateL(index)));
    Q_EMIT OnClickCheckL();
    // R depends on L: without L there is no R.
    if (GetStateL(index) == cbUnchecked && GetStateR(index) != cbUnchecked) {
        SetStateR(index, cbUnchecked);
        Q_EMIT OnClickCheckR();
    }
}

void TqvCheckListBox::ToggleR(int index)
{
    if (index < 0 || index >= count() || !GetItemEnabledR(index))
        return;
    SetStateR(index, nextState(GetStateR(index)));
    Q_EMIT OnClickCheckR();
    if (GetStateR(index) == cbChecked && GetStateL(index) != cbChecked) {
        SetStateL(index, cbChecked);
        Q_EMIT OnClickCheckL();
    }
}

bool TqvCheckListBox::toggleAt(const QPoint &pos)
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return false;
    const int offset = pos.x() - visualRect(index).left();
    if (offset < CheckColumnWidth())
        ToggleL(index.row());
    else if (offset < 2 * CheckColumnWidth())
        ToggleR(index.row());
    else
        return false;
    return true;
}

void TqvCheckListBox::mousePressEvent(QMouseEvent *event)
{
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        toggleAt(event->position().toPoint());
}

void TqvCheckListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A quick second click on a box toggled it with its own press; it is no double click
    // of the line.
    if (event->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid()
            && event->position().x() - visualRect(index).left() < 2 * CheckColumnWidth())
            return;
    }
    QListWidget::mouseDoubleClickEvent(event);
}

void TqvCheckListBox::keyPressEvent(QKeyEvent *event)
{
    QListWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_Space && !(event->modifiers() & ~Qt::KeypadModifier))
        ToggleL(currentRow());
}

void TqvCheckListBox::focusInEvent(QFocusEvent *event)
{
    QListWidget::focusInEvent(event);
    if (m_autoSave)
        Save();
}
