#include "qvdbgrid.h"

#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"

#include <QApplication>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace qvdbgridnav {

// What a key does, with the axes of the grid in mind.
enum class Logical { None, RecordPrior, RecordNext, FieldPrior, FieldNext };

Logical logicalKey(int key, bool recordsInRows)
{
    switch (key) {
    case Qt::Key_Up:
        return recordsInRows ? Logical::RecordPrior : Logical::FieldPrior;
    case Qt::Key_Down:
        return recordsInRows ? Logical::RecordNext : Logical::FieldNext;
    case Qt::Key_Left:
        return recordsInRows ? Logical::FieldPrior : Logical::RecordPrior;
    case Qt::Key_Right:
        return recordsInRows ? Logical::FieldNext : Logical::RecordNext;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Logical::FieldNext;
    default:
        return Logical::None;
    }
}

// The keys that Ctrl turns into record moves, which drop the selection first.
bool clearsWithCtrl(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp
        || key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
}

} // namespace qvdbgridnav

// ---------------------------------------------------------------------------------------------
// Keys

bool TqvDBGrid::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // the grid's own keys are not the window's shortcuts
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Insert:
        case Qt::Key_F2:
            event->accept();
            return true;
        case Qt::Key_Delete:
            if (key->modifiers() & Qt::ControlModifier) {
                event->accept();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool TqvDBGrid::focusNextPrevChild(bool next)
{
    Q_UNUSED(next)
    // the grid keeps Tab for itself, as it keeps the arrows
    return false;
}

void TqvDBGrid::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers shift = event->modifiers() & ~Qt::KeypadModifier;
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        paste();
        return;
    }
    const QString text = event->text();
    const bool character = !text.isEmpty() && text.at(0).isPrint()
        && !(shift & (Qt::ControlModifier | Qt::AltModifier));
    if (!character) {
        keyDown(event->key(), shift);
        return;
    }
    // a character opens the editor with it
    if (m_options.testFlag(dgEditing) && !m_options.testFlag(dgRowSelect) && m_link->Active()) {
        if (!m_editorMode)
            showEditor();
        if (m_editorMode && m_editor->isVisible()) {
            m_editor->setFocus();
            QKeyEvent copyEvent(event->type(), event->key(), event->modifiers(), text);
            QApplication::sendEvent(m_editor, &copyEvent);
        }
    }
}

void TqvDBGrid::keyDown(int key, Qt::KeyboardModifiers shift)
{
    RunGuarded([&] {
        TqvGridCommitScope rule(DataSet());
        int k = key;
        handleKeyDown(k, shift, false);
    });
}

void TqvDBGrid::handleKeyDown(int &key, Qt::KeyboardModifiers shift, bool fromEditor)
{
    using qvdbgridnav::Logical;
    Q_UNUSED(fromEditor)
    Q_EMIT OnKeyDown(key, shift);
    pg::DataSet *ds = DataSet();
    if (key == 0 || !m_link->Active() || !ds)
        return;
    const bool ctrl = shift & Qt::ControlModifier;
    const Logical logical = qvdbgridnav::logicalKey(key, m_recordsInRows);
    const bool rowSelect = m_options.testFlag(dgRowSelect);
    const int current = ds->currentRow();
    const int buffered
        = ds->recordCount() > 0 ? qMin(VisibleRecordCount(), ds->recordCount() - m_top) : 0;

    if (ctrl) {
        if (qvdbgridnav::clearsWithCtrl(key))
            clearSelection();
        if (key == Qt::Key_Home) {
            moveToRecord(0);
        } else if (key == Qt::Key_End) {
            moveToRecord(ds->recordCount() - 1);
        } else if (key == Qt::Key_Delete) {
            if (!m_readOnly && ds->recordCount() > 0 && current >= 0 && ds->canModify()
                && confirmDelete())
                deleteRecords();
        } else if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            // the grid with one record per column leaves Ctrl with the page keys alone
            if (m_recordsInRows && buffered > 0)
                moveRecordBy(key == Qt::Key_PageUp ? -(current - m_top)
                                                   : m_top + buffered - 1 - current);
        } else if (logical == Logical::RecordPrior && key != Qt::Key_Return
                   && key != Qt::Key_Enter) {
            moveRecordBy(-(current - m_top));
        } else if (logical == Logical::RecordNext) {
            if (buffered > 0)
                moveRecordBy(m_top + buffered - 1 - current);
        } else if (logical == Logical::FieldPrior) {
            fieldMove(firstShowingIndex(), 1, shift);
        } else if (logical == Logical::FieldNext && key != Qt::Key_Return && key != Qt::Key_Enter) {
            fieldMove(lastShowingIndex(), -1, shift);
        }
        return;
    }

    const bool single = ItemCount() == 1;
    switch (logical) {
    case Logical::RecordPrior:
        priorRecord(true, shift);
        return;
    case Logical::RecordNext:
        nextRecord(true, shift);
        return;
    case Logical::FieldPrior:
        if (rowSelect)
            priorRecord(false, shift);
        else
            fieldMove(m_curField - 1, -1, shift);
        return;
    case Logical::FieldNext:
        if (rowSelect)
            nextRecord(false, shift);
        else
            fieldMove(m_curField + 1, 1, shift);
        return;
    case Logical::None:
        break;
    }
    switch (key) {
    case Qt::Key_Home:
        if (single || rowSelect) {
            clearSelection();
            moveToRecord(0);
        } else {
            fieldMove(firstShowingIndex(), 1, shift);
        }
        break;
    case Qt::Key_End:
        if (single || rowSelect) {
            clearSelection();
            moveToRecord(ds->recordCount() - 1);
        } else {
            fieldMove(lastShowingIndex(), -1, shift);
        }
        break;
    case Qt::Key_PageDown:
        clearSelection();
        moveRecordBy(VisibleRecordCount());
        break;
    case Qt::Key_PageUp:
        clearSelection();
        moveRecordBy(-VisibleRecordCount());
        break;
    case Qt::Key_Insert:
        if (ds->canModify() && !m_readOnly && m_options.testFlag(dgEditing)) {
            clearSelection();
            m_link->UpdateData();
            ds->insert();
        }
        break;
    case Qt::Key_Tab:
        if (!(shift & Qt::AltModifier))
            tab(!(shift & Qt::ShiftModifier));
        break;
    case Qt::Key_Backtab:
        if (!(shift & Qt::AltModifier))
            tab(false);
        break;
    case Qt::Key_Escape:
        m_link->Reset();
        clearSelection();
        if (!m_options.testFlag(dgAlwaysShowEditor))
            hideEditor();
        else
            refreshEditor();
        break;
    case Qt::Key_F2:
        setEditorMode(true);
        break;
    default:
        break;
    }
}

void TqvDBGrid::fieldMove(int dataIndex, int direction, Qt::KeyboardModifiers shift, bool tab,
                          bool updateSelection)
{
    m_link->UpdateData();
    const int count = ItemCount();
    if (count == 0)
        return;
    int target = qBound(0, dataIndex, count - 1);
    if (direction != 0) {
        while (target >= 0 && target < count && fieldPitch(target) <= 0)
            target += direction;
        if (target < 0 || target >= count)
            return;
    }
    if (target != m_curField) {
        if (!m_inFieldExit) {
            const int before = m_curField;
            m_inFieldExit = true;
            fieldExit();
            m_inFieldExit = false;
            if (m_curField != before)
                return;
        }
        if (!m_options.testFlag(dgAlwaysShowEditor))
            hideEditor();
        m_curField = target;
        ensureFieldVisible();
        updateScrollBars();
        fieldEnter();
        if (m_editorMode) {
            // the editor goes with the current cell, not only with its text
            refreshEditor();
            placeEditor();
        }
    }
    if (!updateSelection)
        return;
    const bool ctrl = shift & Qt::ControlModifier;
    if ((shift & Qt::ShiftModifier) && !tab) {
        m_rangeEnd = m_curField;
    } else {
        m_rangeStart = m_curField;
        m_rangeEnd = m_curField;
    }
    m_wholeRecords = ctrl;
    pg::DataSet *ds = DataSet();
    if (m_options.testFlag(dgMultiSelect) && m_link->Active() && ds && ds->currentRow() >= 0)
        m_bookmarks->setCurrentRowSelected(m_recordsInRows ? !ctrl : true);
    viewport()->update();
}

void TqvDBGrid::moveRecordBy(int distance)
{
    pg::DataSet *ds = DataSet();
    if (!ds || !ds->isActive() || distance == 0)
        return;
    m_link->UpdateData();
    ds->moveBy(distance);
}

void TqvDBGrid::moveToRecord(int row)
{
    pg::DataSet *ds = DataSet();
    if (!ds || !ds->isActive() || ds->recordCount() == 0)
        return;
    m_link->UpdateData();
    ds->setCurrentRow(qBound(0, row, ds->recordCount() - 1));
}

void TqvDBGrid::moveWithSelection(bool select, int direction, Qt::KeyboardModifiers shift)
{
    pg::DataSet *ds = DataSet();
    bool selectReached = false;
    if (m_options.testFlag(dgMultiSelect) && m_link->Active() && ds->currentRow() >= 0) {
        if (select && (shift & Qt::ShiftModifier)) {
            if (!m_selecting) {
                m_selectionAnchor = ds->bookmark();
                m_bookmarks->setCurrentRowSelected(true);
                m_selecting = true;
                selectReached = true;
            } else if (m_bookmarks->CompareItems(ds->bookmark(), m_selectionAnchor) == -direction) {
                // moving back toward the anchor gives up the record left behind
                m_bookmarks->setCurrentRowSelected(false);
            } else {
                selectReached = true;
            }
        } else {
            clearSelection();
        }
    }
    moveRecordBy(direction);
    if (selectReached && ds->currentRow() >= 0)
        m_bookmarks->setCurrentRowSelected(true);
}

void TqvDBGrid::nextRecord(bool select, Qt::KeyboardModifiers shift)
{
    pg::DataSet *ds = DataSet();
    bool atEnd = false;
    if (untouchedInsert()) {
        if (ds->currentRow() >= ds->recordCount() - 1)
            return; // a new record at the end stays as it is
        ds->cancel();
    } else {
        const int before = ds->currentRow();
        moveWithSelection(select, 1, shift);
        atEnd = ds->recordCount() == 0 || ds->currentRow() == before;
    }
    if (atEnd && ds->canModify() && !m_readOnly && m_options.testFlag(dgEditing)) {
        m_link->UpdateData();
        ds->append();
    }
}

void TqvDBGrid::priorRecord(bool select, Qt::KeyboardModifiers shift)
{
    pg::DataSet *ds = DataSet();
    if (untouchedInsert() && ds->currentRow() >= ds->recordCount() - 1)
        ds->cancel();
    else
        moveWithSelection(select, -1, shift);
}

void TqvDBGrid::tab(bool forward)
{
    pg::DataSet *ds = DataSet();
    const int count = ItemCount();
    if (count == 0 || !ds)
        return;
    auto tabStop = [&](int i) {
        if (!itemShowing(i))
            return false;
        const TDBGridItem *item = m_items->Item(i);
        const pg::Field *field = m_link->Fields(i);
        return !item->ReadOnly() && m_link->Active() && field && !field->readOnly;
    };
    ++m_updateLock;
    struct Unlock
    {
        int &lock;
        ~Unlock() { --lock; }
    } unlock { m_updateLock };
    const int start = m_curField;
    int i = start;
    for (int guard = 0; guard <= count + 1; ++guard) {
        i += forward ? 1 : -1;
        if (i >= count) {
            nextRecord(false, Qt::NoModifier);
            i = 0;
        } else if (i < 0) {
            priorRecord(false, Qt::NoModifier);
            i = count - 1;
        }
        if (i == start)
            break;
        if (tabStop(i)) {
            fieldMove(i, 0, Qt::NoModifier, true);
            break;
        }
    }
    viewport()->update();
}

bool TqvDBGrid::confirmDelete() const
{
    if (!m_options.testFlag(dgConfirmDelete))
        return true;
    const QString question = m_bookmarks->Count() > 1
        ? QStringLiteral("選択されたレコードをすべて削除してよいですか？")
        : QStringLiteral("レコードを削除しますか？");
    auto *self = const_cast<TqvDBGrid *>(this);
    self->m_inDialog = true;
    const int answer = ShowMessageBox(question, MB_OKCANCEL | MB_ICONQUESTION);
    self->m_inDialog = false;
    return answer != IDCANCEL;
}

bool TqvDBGrid::deleteRecords()
{
    pg::DataSet *ds = DataSet();
    if (m_bookmarks->Count() == 0) {
        ds->deleteRecord();
        return true;
    }
    const int selected = m_bookmarks->Count();
    QString failure;
    {
        const SQLWaitCursor wait;
        try {
            m_bookmarks->Delete();
        } catch (const pg::Error &e) {
            failure = e.text();
        } catch (const std::exception &e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    if (failure.isNull())
        return true;
    // the record that failed is still selected, with those not reached yet
    const int deleted = selected - m_bookmarks->Count();
    QString text = QStringLiteral("選択された %1 件のうち %2 件のレコードを削除した後、"
                                  "次のレコードの削除で中断しました。\n\n%3")
                       .arg(selected)
                       .arg(deleted)
                       .arg(failure);
    pg::Connection *connection = ds->connection();
    if (deleted > 0 && connection && connection->inTransaction())
        text += QStringLiteral("\n\n削除したレコードはまだコミットされていません。");
    m_inDialog = true;
    ShowMessageBox(text, MB_OK | MB_ICONERROR);
    m_inDialog = false;
    return false;
}

bool TqvDBGrid::DeleteRecords()
{
    pg::DataSet *ds = DataSet();
    if (!canModifyRecords() || ds->currentRow() < 0)
        return true;
    TqvGridCommitScope rule(ds);
    return deleteRecords();
}

bool TqvDBGrid::canModifyRecords() const
{
    pg::DataSet *ds = DataSet();
    return !m_readOnly && m_link->Active() && ds && ds->canModify();
}

void TqvDBGrid::deleteSelected()
{
    if (m_editorMode && m_editor->isVisible()) {
        m_editor->deleteSelected();
        return;
    }
    if (m_bookmarks->Count() > 0 && canModifyRecords())
        deleteSelectedRecords();
}

void TqvDBGrid::deleteSelectedRecords()
{
    if (!canModifyRecords() || m_bookmarks->Count() == 0)
        return;
    if (!confirmDelete())
        return;
    RunGuarded([&] {
        TqvGridCommitScope rule(DataSet());
        deleteRecords();
    });
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TqvDBGrid::mousePressEvent(QMouseEvent *event)
{
    m_pressHandled = false;
    m_pressField = -1;
    m_dragging = false;
    RunGuarded([&] {
        TqvGridCommitScope rule(DataSet());
        const QPoint pos = event->position().toPoint();
        const Qt::KeyboardModifiers shift = event->modifiers();
        const Qt::MouseButton button = event->button();
        // a right click on the selected records' indicators keeps them for the popup menu
        if (button == Qt::RightButton && m_bookmarks->Count() > 0) {
            const bool inIndicators = m_recordsInRows ? pos.x() < m_indicatorOffset + 10
                                                      : pos.y() < m_indicatorOffset + 17;
            if (inIndicators)
                return;
        }
        if (!hasFocus() && !m_editor->hasFocus())
            setFocus(Qt::MouseFocusReason);
        if (!hasFocus() && !m_editor->hasFocus() && QApplication::focusWidget())
            return;
        const Hit h = hitTest(pos);
        if (button == Qt::LeftButton && h.border != -1) {
            m_link->UpdateData();
            m_sizingField = h.border;
            // sizing follows the mouse from where it took the border
            m_sizingOrigin = m_recordsInRows ? pos.x() : (h.border >= 0 ? pos.y() : pos.x());
            m_sizingStart = h.border >= 0 ? static_cast<TColumn *>(m_items->Item(h.border))->Width()
                                          : m_recordWidth;
            return;
        }
        m_selectedCell = MouseCoord(pos);
        if (!h.inCell)
            return;
        if (h.inTitles) {
            if (h.field >= 0 && (m_options.testFlag(dgColumnResize) || button == Qt::LeftButton)) {
                m_link->UpdateData();
                m_pressField = h.field;
                m_pressPos = pos;
            }
            return;
        }
        pg::DataSet *ds = DataSet();
        if (!m_link->Active() || !ds)
            return;
        ++m_updateLock;
        struct Unlock
        {
            int &lock;
            ~Unlock() { --lock; }
        } unlock { m_updateLock };
        m_link->UpdateData();
        const int oldRow = ds->currentRow();
        const int oldField = m_curField;
        if (h.lane >= 0 && ds->recordCount() > 0) {
            const int pressed = m_top + h.lane;
            if (pressed != ds->currentRow())
                moveRecordBy(pressed - ds->currentRow());
        }
        // Ctrl toggles the pressed record as it was before the click: the field move below
        // marks or unmarks it on its own account
        const bool wasSelected = m_options.testFlag(dgMultiSelect) && ds->currentRow() >= 0
            && m_bookmarks->CurrentRowSelected();
        if (!h.inIndicator && h.field >= 0)
            fieldMove(h.field, 0, shift);
        if (m_options.testFlag(dgMultiSelect) && ds->currentRow() >= 0) {
            m_selecting = false;
            if (shift & Qt::ControlModifier) {
                m_bookmarks->setCurrentRowSelected(!wasSelected);
            } else if (shift & Qt::ShiftModifier) {
                const int now = ds->currentRow();
                m_bookmarks->SelectRows(oldRow < 0 ? now : oldRow, now);
                m_rangeEnd = m_curField;
                m_wholeRecords = h.inIndicator;
            } else {
                m_bookmarks->Clear();
                if (h.inIndicator)
                    m_bookmarks->setCurrentRowSelected(true);
                m_wholeRecords = h.inIndicator;
            }
        }
        m_pressHandled = true;
        const bool sameCell = oldRow == ds->currentRow() && oldField == m_curField;
        if (button == Qt::LeftButton && (sameCell || m_options.testFlag(dgAlwaysShowEditor))) {
            showEditor();
        } else if (m_editorMode) {
            placeEditor();
        }
        viewport()->update();
    });
}

void TqvDBGrid::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    Q_EMIT OnMouseMove(event->buttons(), event->modifiers(), pos.x(), pos.y());
    if (m_sizingField != -1) {
        const int along = m_sizingField >= 0 ? (m_recordsInRows ? pos.x() : pos.y())
                                             : (m_recordsInRows ? pos.y() : pos.x());
        const int size = qMax(1, m_sizingStart + along - m_sizingOrigin);
        if (m_sizingField >= 0 && m_recordsInRows)
            static_cast<TColumn *>(m_items->Item(m_sizingField))->setWidth(size);
        else if (m_sizingField == -2)
            setRecordLaneWidth(size);
        return;
    }
    if (m_pressField >= 0 && (event->buttons() & Qt::LeftButton)
        && (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance())
        // columns move only in a collection of their own: the grid's own columns follow
        // the field list, and its hosts address fields by column
        m_dragging = m_recordsInRows && m_items->State() == csCustomized;
    const Hit h = hitTest(pos);
    if (h.border != -1) {
        const bool sizesColumns = m_recordsInRows || h.border == -2;
        viewport()->setCursor(sizesColumns ? Qt::SplitHCursor : Qt::SplitVCursor);
    } else if (m_dragging) {
        viewport()->setCursor(Qt::DragMoveCursor);
    } else {
        viewport()->unsetCursor();
    }
}

void TqvDBGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (m_sizingField != -1) {
        m_sizingField = -1;
        viewport()->unsetCursor();
        return;
    }
    const Hit h = hitTest(pos);
    if (m_pressField >= 0) {
        const int pressed = m_pressField;
        m_pressField = -1;
        if (m_dragging) {
            m_dragging = false;
            viewport()->unsetCursor();
            if (h.field >= 0 && h.field != pressed) {
                m_items->Move(pressed, h.field);
                if (m_curField == pressed)
                    m_curField = h.field;
                fieldMoved(pressed, h.field);
            }
            return;
        }
        if (event->button() == Qt::LeftButton && h.inTitles && h.field == pressed)
            titleClick(m_items->Item(pressed));
        return;
    }
    if (event->button() != Qt::LeftButton || !m_pressHandled)
        return;
    m_pressHandled = false;
    if (h.inCell && !h.inTitles && !h.inIndicator && m_curField < ItemCount())
        cellClick(m_items->Item(m_curField));
}

void TqvDBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        Q_EMIT OnDblClick();
        return;
    }
    mousePressEvent(event);
}

void TqvDBGrid::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    event->accept();
    if (steps == 0)
        return;
    if (m_recordsInRows) {
        // a wheel step is an arrow key: it moves the current record
        for (int i = 0; i < qAbs(steps); ++i)
            keyDown(steps < 0 ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
    } else {
        // here it moves the current field of the record, and nothing else
        RunGuarded([&] {
            int target = m_curField;
            for (int i = 0; i < qAbs(steps); ++i) {
                int next = target + (steps < 0 ? 1 : -1);
                while (next >= 0 && next < ItemCount() && !itemShowing(next))
                    next += steps < 0 ? 1 : -1;
                if (next < 0 || next >= ItemCount())
                    break;
                target = next;
            }
            fieldMove(target, 0, Qt::NoModifier, false, false);
        });
    }
}

QMenu *TqvDBGrid::PopupMenu() const
{
    return qobject_cast<QMenu *>(m_popupMenu.data());
}

void TqvDBGrid::setPopupMenu(QMenu *menu)
{
    m_popupMenu = menu;
}

void TqvDBGrid::contextMenuEvent(QContextMenuEvent *event)
{
    if (QMenu *menu = PopupMenu()) {
        menu->popup(event->globalPos());
        event->accept();
        return;
    }
    QAbstractScrollArea::contextMenuEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Focus

void TqvDBGrid::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (m_editorMode && m_editor->isVisible())
        m_editor->setFocus(event->reason());
    else if (m_link->Active() && m_options.testFlag(dgAlwaysShowEditor) && !m_editorMode)
        showEditor();
    viewport()->update();
}

bool TqvDBGrid::owns(const QWidget *widget) const
{
    if (!widget)
        return false;
    if (widget == this || isAncestorOf(widget))
        return true;
    const QWidget *popup = m_editor ? m_editor->PickListWidget() : nullptr;
    return popup
        && (widget == popup || popup->isAncestorOf(widget)
            || (popup->window() && popup->window()->isAncestorOf(widget)));
}

void TqvDBGrid::focusChanged(QWidget *old, QWidget *now)
{
    if (m_inDialog || !now)
        return;
    if (!owns(old) || owns(now))
        return;
    // a dialog or a popup of its own is not the user leaving the grid
    if (now->window() != window())
        return;
    viewport()->update();
    gridExit();
}

void TqvDBGrid::gridExit()
{
    pg::DataSet *ds = DataSet();
    if (!m_link->Active() || !ds)
        return;
    m_inDialog = true;
    RunGuarded([&] {
        if (m_options.testFlag(dgCancelOnExit) && untouchedInsert())
            ds->cancel();
        else
            m_link->UpdateData();
    });
    m_inDialog = false;
}
