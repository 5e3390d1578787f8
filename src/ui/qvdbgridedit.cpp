#include "qvdbgrid.h"
#include "qvdbgridtext.h"
#include "qvpicklist.h"

#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/dataset.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QListWidget>
#include <QToolButton>

#include <memory>

// ---------------------------------------------------------------------------------------------
// TDBGridInplaceEdit

TDBGridInplaceEdit::TDBGridInplaceEdit(TqvDBGrid *grid)
    : QLineEdit(grid->viewport())
    , m_grid(grid)
{
    setObjectName(QStringLiteral("InplaceEditor"));
    setFrame(false);
    setMaxLength(0x3FFFFFFF);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    hide();
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("EditButton"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->hide();
    connect(m_button, &QToolButton::clicked, this, [this] {
        if (m_pickList) {
            if (ListVisible())
                CloseUp(false);
            else
                DropDown();
        } else {
            m_grid->editButtonClick();
        }
    });
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        // what the user types is a value, no longer the NULL the cell held
        setPlaceholderText(QString());
        m_grid->setEditText(text);
    });
}

TDBGridInplaceEdit::~TDBGridInplaceEdit() = default;

void TDBGridInplaceEdit::UpdateContents()
{
    const int index = m_grid->SelectedIndex();
    TDBGridItem *item
        = index >= 0 && index < m_grid->ItemCount() ? m_grid->Items()->Item(index) : nullptr;
    const pg::Field *field = m_grid->SelectedField();
    const bool readOnly = !item || !field || item->ReadOnly() || m_grid->ReadOnly();
    setReadOnly(readOnly);
    setFont(m_grid->font());
    setAlignment((item ? item->Alignment() : Qt::AlignLeft) | Qt::AlignVCenter);
    m_pickList = false;
    bool button = false;
    if (item) {
        switch (item->ButtonStyle()) {
        case cbsEllipsis:
            button = true;
            break;
        case cbsAuto:
            m_pickList = !item->PickList().isEmpty() && !readOnly;
            button = m_pickList;
            break;
        case cbsNone:
            break;
        }
    }
    const bool limited = field
        && (field->fieldClass == pg::FieldClass::String
            || field->fieldClass == pg::FieldClass::FixedChar)
        && field->size > 0;
    setMaxLength(limited ? field->size : 0x3FFFFFFF);
    m_button->setText(m_pickList ? QStringLiteral("▾") : QStringLiteral("…"));
    m_button->setVisible(button);
    placeButton();
}

void TDBGridInplaceEdit::placeButton()
{
    if (!m_button->isVisible()) {
        setTextMargins(0, 0, 0, 0);
        return;
    }
    const int w = qMin(height(), 18);
    m_button->setGeometry(width() - w, 0, w, height());
    setTextMargins(0, 0, w, 0);
}

bool TDBGridInplaceEdit::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // The first select-all selects the cell's text; once all of it is selected, the key is
        // the window's select-all command, which marks every record.
        if (static_cast<QKeyEvent *>(event)->matches(QKeySequence::SelectAll)
            && wholeTextSelected()) {
            event->ignore();
            return true;
        }
        // the keys the editor hands to its grid are not the window's shortcuts either
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Insert:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_F2:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QLineEdit::event(event);
}

void TDBGridInplaceEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeButton();
}

void TDBGridInplaceEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    m_grid->viewport()->update();
}

bool TDBGridInplaceEdit::wholeTextSelected() const
{
    // characters, not bytes of any code page: the whole text is selected or there is none
    if (text().isEmpty())
        return true;
    return hasSelectedText() && selectionStart() == 0 && selectedText().size() >= text().size();
}

bool TDBGridInplaceEdit::leftSide() const
{
    return (cursorPosition() == 0 && !hasSelectedText()) || wholeTextSelected();
}

bool TDBGridInplaceEdit::rightSide() const
{
    return (cursorPosition() == text().size() && !hasSelectedText()) || wholeTextSelected();
}

void TDBGridInplaceEdit::sendToGrid(int key, Qt::KeyboardModifiers modifiers)
{
    m_grid->setEditText(text());
    m_grid->keyDown(key, modifiers);
}

void TDBGridInplaceEdit::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;

    if (event->matches(QKeySequence::Copy)
        || (key == Qt::Key_Insert && mods == Qt::ControlModifier)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::Paste)
        || (key == Qt::Key_Insert && mods == Qt::ShiftModifier)) {
        paste();
        return;
    }
    if (event->matches(QKeySequence::Cut) || (key == Qt::Key_Delete && mods == Qt::ShiftModifier)) {
        if (hasSelectedText() && m_grid->CanEditModify()) {
            cut();
            m_grid->setEditText(text());
        }
        return;
    }
    if (m_pickList && ((key == Qt::Key_Down && alt) || key == Qt::Key_F4)) {
        DropDown();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ctrl && m_button->isVisible()
        && !m_pickList) {
        m_grid->editButtonClick();
        return;
    }
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && wholeTextSelected()) {
        sendToGrid(key, mods);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        sendToGrid(key, mods);
        return;
    }
    const bool forward = m_grid->Options().testFlag(dgAlwaysShowEditor);
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Escape:
        sendToGrid(key, mods);
        return;
    case Qt::Key_Insert:
        if (mods == Qt::NoModifier)
            sendToGrid(key, mods);
        return;
    case Qt::Key_Left:
    case Qt::Key_Home:
        if (forward && (ctrl || leftSide())) {
            sendToGrid(key, mods);
            return;
        }
        break;
    case Qt::Key_Right:
    case Qt::Key_End:
        if (forward && (ctrl || rightSide())) {
            sendToGrid(key, mods);
            return;
        }
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (!alt)
            sendToGrid(key, mods);
        return;
    case Qt::Key_Delete:
        if (ctrl) {
            sendToGrid(key, mods);
            return;
        }
        break;
    case Qt::Key_F2: {
        int k = key;
        Q_EMIT m_grid->OnKeyDown(k, mods);
        if (k == Qt::Key_F2)
            end(false);
        return;
    }
    default:
        break;
    }
    // the keys the editor keeps reach the grid's key event as well
    int k = key;
    Q_EMIT m_grid->OnKeyDown(k, mods);
    if (k == 0)
        return;
    const QString typed = event->text();
    const bool modifies = (!typed.isEmpty() && typed.at(0).isPrint() && !ctrl && !alt)
        || key == Qt::Key_Backspace || key == Qt::Key_Delete || event->matches(QKeySequence::Undo)
        || event->matches(QKeySequence::Redo);
    if (modifies && !m_grid->CanEditModify())
        return;
    QLineEdit::keyPressEvent(event);
}

void TDBGridInplaceEdit::copy()
{
    if (m_grid->SelectedRecords()->Count() > 0)
        m_grid->copy();
    else
        QLineEdit::copy();
}

void TDBGridInplaceEdit::paste()
{
    if (!m_grid->canModifyRecords())
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (!IsGridRecordText(text)) {
        if (m_grid->CanEditModify()) {
            QLineEdit::paste();
            m_grid->setEditText(this->text());
        }
        return;
    }
    m_grid->pasteRecords(text);
}

void TDBGridInplaceEdit::deleteSelected()
{
    if (!m_grid->canModifyRecords())
        return;
    if (m_grid->SelectedRecords()->Count() > 0) {
        m_grid->deleteSelectedRecords();
        return;
    }
    if (hasSelectedText() && m_grid->CanEditModify()) {
        del();
        m_grid->setEditText(text());
    }
}

bool TDBGridInplaceEdit::ListVisible() const
{
    return m_popup && m_popup->isVisible();
}

QListWidget *TDBGridInplaceEdit::PickListWidget() const
{
    return m_popup;
}

void TDBGridInplaceEdit::DropDown()
{
    if (!m_pickList || ListVisible())
        return;
    const int index = m_grid->SelectedIndex();
    if (index < 0 || index >= m_grid->ItemCount())
        return;
    TDBGridItem *item = m_grid->Items()->Item(index);
    if (!m_popup)
        m_popup = new TqvPickListPopup(this, [this](bool accept) { CloseUp(accept); });
    m_popup->DropDown(this, item->PickList(), text(), item->DropDownRows());
}

void TDBGridInplaceEdit::CloseUp(bool accept)
{
    if (!ListVisible())
        return;
    QListWidgetItem *chosen = m_popup->currentItem();
    const QString value = chosen ? chosen->text() : QString();
    m_popup->HideQuietly();
    setFocus();
    if (!accept || !chosen)
        return;
    RunGuarded([&] {
        if (!m_grid->CanEditModify())
            return;
        const int field = m_grid->SelectedFieldIndex();
        if (field < 0)
            return;
        // the record's change notification takes the editor's pending text away
        m_grid->writeFieldText(field, value);
        m_grid->refreshEditor();
    });
}

// ---------------------------------------------------------------------------------------------
// The grid's side of the editor

bool TqvDBGrid::canShowEditor() const
{
    if (m_layoutLock > 0 || !m_options.testFlag(dgEditing) || m_options.testFlag(dgRowSelect)
        || !m_link->Active() || !itemShowing(m_curField))
        return false;
    return m_options.testFlag(dgAlwaysShowEditor) || hasFocus() || m_editor->hasFocus();
}

void TqvDBGrid::showEditor()
{
    if (!canShowEditor())
        return;
    const bool wasShown = m_editorMode;
    m_editorMode = true;
    if (m_link->IsModified()) {
        m_editor->UpdateContents();
        if (m_editor->text() != m_editText)
            m_editor->setText(m_editText);
    } else if (!wasShown || m_editor->text() != m_editText) {
        refreshEditor();
    }
    placeEditor();
    if (hasFocus())
        m_editor->setFocus();
}

void TqvDBGrid::hideEditor()
{
    if (!m_editorMode)
        return;
    m_editorMode = false;
    const bool hadFocus = m_editor->hasFocus();
    m_editor->hide();
    if (hadFocus)
        setFocus();
}

void TqvDBGrid::setEditorMode(bool shown)
{
    if (shown)
        showEditor();
    else
        hideEditor();
}

void TqvDBGrid::placeEditor()
{
    if (!m_editorMode) {
        m_editor->hide();
        return;
    }
    pg::DataSet *ds = DataSet();
    const int lane = ds && ds->currentRow() >= 0 ? ds->currentRow() - m_top : 0;
    const QRect rect = dataCellRect(lane, m_curField);
    if (rect.isEmpty()) {
        const bool hadFocus = m_editor->hasFocus();
        m_editor->hide();
        if (hadFocus)
            setFocus();
        return;
    }
    m_editor->setGeometry(rect);
    if (!m_editor->isVisible()) {
        m_editor->show();
        if (hasFocus())
            m_editor->setFocus();
    }
}

void TqvDBGrid::refreshEditor()
{
    pg::DataSet *ds = DataSet();
    const int field = SelectedFieldIndex();
    const int row = ds ? ds->currentRow() : -1;
    m_editText = row >= 0 && field >= 0 ? CellEditText(row, field) : QString(QLatin1String(""));
    m_editor->UpdateContents();
    m_editor->setText(m_editText);
    // an empty editor over NULL says so until the user types, as the cell itself does
    const bool null = row >= 0 && field >= 0 && ds->isNull(row, field);
    m_editor->setPlaceholderText(null ? GridNullText() : QString());
    // the whole text selected, shown from its start
    m_editor->setSelection(int(m_editText.size()), -int(m_editText.size()));
}

bool TqvDBGrid::CanEditModify()
{
    pg::DataSet *ds = DataSet();
    if (m_readOnly || !m_link->Active() || !ds || m_link->ReadOnly())
        return false;
    const int index = m_curField;
    if (index < 0 || index >= ItemCount() || m_items->Item(index)->ReadOnly())
        return false;
    const pg::Field *field = m_link->Fields(index);
    if (!field || field->readOnly || field->fieldClass == pg::FieldClass::Blob
        || !ds->isFieldWritable(m_link->FieldListIndex(index)))
        return false;
    const bool ok = RunGuarded([&] {
        if (ds->state() == pg::DataSetState::Browse)
            ds->edit();
    });
    if (!ok)
        return false;
    const bool editing
        = ds->state() == pg::DataSetState::Edit || ds->state() == pg::DataSetState::Insert;
    if (editing)
        m_link->Modified();
    return editing;
}

void TqvDBGrid::setEditText(const QString &text)
{
    m_editText = text;
}

void TqvDBGrid::editButtonClick()
{
    Q_EMIT OnEditButtonClick();
}

// ---------------------------------------------------------------------------------------------
// Clipboard

void TqvDBGrid::copy()
{
    pg::DataSet *ds = DataSet();
    if (!m_link->Active() || !ds)
        return;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (m_bookmarks->Count() == 0) {
        const int field = SelectedFieldIndex();
        if (field >= 0 && ds->currentRow() >= 0)
            clipboard->setText(DisplayText(ds->currentRow(), field));
        return;
    }
    // the copied fields are those of the selected lanes, through the field map, so that a
    // hidden field or a moved column never shifts them
    const int low = qMin(m_rangeStart, m_rangeEnd);
    const int high = qMax(m_rangeStart, m_rangeEnd);
    QList<int> fields;
    for (int i = 0; i < ItemCount(); ++i) {
        if (!m_wholeRecords && (i < low || i > high))
            continue;
        const int field = m_link->FieldListIndex(i);
        if (itemShowing(i) && field >= 0)
            fields << field;
    }
    const SQLWaitCursor wait;
    QString out;
    const bool several = m_bookmarks->Count() > 1;
    for (const pg::Bookmark bookmark : m_bookmarks->Bookmarks()) {
        const int row = ds->rowOf(bookmark);
        if (row < 0)
            continue;
        for (int j = 0; j < fields.size(); ++j) {
            if (j > 0)
                out += QLatin1Char('\t');
            out += GridCopyValueText(DisplayText(row, fields.at(j)));
        }
        if (several)
            out += QLatin1String("\r\n");
    }
    clipboard->setText(out);
}

void TqvDBGrid::paste()
{
    if (!canModifyRecords())
        return;
    setEditorMode(true);
    if (m_editorMode && m_editor->isVisible()) {
        m_editor->paste();
        return;
    }
    const QString text = QGuiApplication::clipboard()->text();
    if (IsGridRecordText(text))
        pasteRecords(text);
}

void TqvDBGrid::pasteRecords(const QString &text)
{
    pg::DataSet *ds = DataSet();
    if (!ds || !canModifyRecords())
        return;
    const QList<TGridPasteRecord> records = ParseGridRecordText(text);
    if (records.isEmpty())
        return;
    // the values go to the data set's fields in its own order, whatever the grid shows and
    // wherever its columns were moved: a line means the same in every grid over the data set
    const int fieldCount = int(ds->fields().count());
    int stored = 0;
    int openQuoteLine = 0;
    int line = 1;
    QString failure;
    auto wait = std::make_unique<SQLWaitCursor>();
    m_link->DisableControls();
    try {
        TqvGridCommitScope rule(ds);
        m_link->UpdateData();
        clearSelection();
        for (const TGridPasteRecord &record : records) {
            line = record.line;
            if (!record.complete()) {
                // cut short by a quote that never closes: what came before the quote waits in
                // a new record for the user to finish; nothing after it is pasted
                openQuoteLine = record.openQuoteLine;
                if (record.values.isEmpty())
                    break;
            }
            ds->append();
            for (int i = 0; i < record.values.size() && i < fieldCount; ++i)
                writeFieldText(i, record.values.at(i));
            if (!record.complete())
                break;
            ds->post();
            ++stored;
        }
    } catch (const pg::Error &e) {
        failure = e.text();
    } catch (const std::exception &e) {
        failure = QString::fromUtf8(e.what());
    }
    m_link->EnableControls();
    wait.reset();
    if (failure.isNull() && openQuoteLine > 0) {
        m_inDialog = true;
        ShowMessageBox(
            QStringLiteral("%1 件のレコードを格納しました。貼り付けたテキストの %2 行目の"
                           "二重引用符 (\") が閉じていないため、そこから後は貼り付けて"
                           "いません。")
                .arg(stored)
                .arg(openQuoteLine),
            MB_OK | MB_ICONWARNING);
        m_inDialog = false;
    }
    if (!failure.isNull()) {
        m_inDialog = true;
        ShowMessageBox(QStringLiteral("%1 件のレコードを格納した後、貼り付けたテキストの %2 行目で"
                                      "中断しました。\n\n%3")
                           .arg(stored)
                           .arg(line)
                           .arg(failure),
                       MB_OK | MB_ICONERROR);
        m_inDialog = false;
    }
}
