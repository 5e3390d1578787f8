#include "qvgrid.h"

#include "qvcheckdraw.h"
#include "qvpicklist.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMetaMethod>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace qvgrid {

struct Cell
{
    QString text;
    QVariant object;
};

// Holds every cell, fixed ones included, addressed as (column, row) of the grid; shows the
// view only the cells right of the fixed columns and below the fixed rows.
class GridModel : public QAbstractTableModel
{
public:
    explicit GridModel(TqvStringGrid *grid)
        : QAbstractTableModel(grid)
    {
        m_rows = QList<QList<Cell>>(5, QList<Cell>(5));
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : qMax(0, int(m_rows.size()) - m_fixedRows);
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : qMax(0, m_colCount - m_fixedCols);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return QVariant();
        return text(index.column() + m_fixedCols, index.row() + m_fixedRows);
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    int rows() const { return int(m_rows.size()); }
    int cols() const { return m_colCount; }
    int fixedRows() const { return m_fixedRows; }
    int fixedCols() const { return m_fixedCols; }
    bool inside(int col, int row) const
    {
        return col >= 0 && row >= 0 && col < m_colCount && row < m_rows.size();
    }
    QString text(int col, int row) const
    {
        return inside(col, row) ? m_rows.at(row).at(col).text : QString();
    }
    QVariant object(int col, int row) const
    {
        return inside(col, row) ? m_rows.at(row).at(col).object : QVariant();
    }
    // Returns whether the cell is one the view shows (not fixed).
    bool setText(int col, int row, const QString &text)
    {
        if (!inside(col, row))
            return false;
        m_rows[row][col].text = text;
        if (col >= m_fixedCols && row >= m_fixedRows) {
            const QModelIndex at = index(row - m_fixedRows, col - m_fixedCols);
            Q_EMIT dataChanged(at, at);
            return true;
        }
        return false;
    }
    void setObject(int col, int row, const QVariant &object)
    {
        if (inside(col, row))
            m_rows[row][col].object = object;
    }

    void setRowCount(int count)
    {
        count = qMax(1, count);
        if (count <= m_fixedRows) {
            beginResetModel();
            m_fixedRows = count - 1;
            m_rows.resize(count, QList<Cell>(m_colCount));
            endResetModel();
            return;
        }
        const int old = rows();
        if (count > old) {
            beginInsertRows(QModelIndex(), old - m_fixedRows, count - m_fixedRows - 1);
            m_rows.resize(count, QList<Cell>(m_colCount));
            endInsertRows();
        } else if (count < old) {
            beginRemoveRows(QModelIndex(), count - m_fixedRows, old - m_fixedRows - 1);
            m_rows.resize(count);
            endRemoveRows();
        }
    }
    void setColCount(int count)
    {
        count = qMax(1, count);
        if (count <= m_fixedCols) {
            beginResetModel();
            m_fixedCols = count - 1;
            resizeCols(count);
            endResetModel();
            return;
        }
        const int old = m_colCount;
        if (count > old) {
            beginInsertColumns(QModelIndex(), old - m_fixedCols, count - m_fixedCols - 1);
            resizeCols(count);
            endInsertColumns();
        } else if (count < old) {
            beginRemoveColumns(QModelIndex(), count - m_fixedCols, old - m_fixedCols - 1);
            resizeCols(count);
            endRemoveColumns();
        }
    }
    void setFixed(int fixedCols, int fixedRows)
    {
        beginResetModel();
        m_fixedCols = qMax(0, fixedCols);
        m_fixedRows = qMax(0, fixedRows);
        if (m_colCount <= m_fixedCols)
            resizeCols(m_fixedCols + 1);
        if (rows() <= m_fixedRows)
            m_rows.resize(m_fixedRows + 1, QList<Cell>(m_colCount));
        endResetModel();
    }

    void insertRowAt(int index)
    {
        index = qBound(0, index, rows());
        if (index >= m_fixedRows) {
            beginInsertRows(QModelIndex(), index - m_fixedRows, index - m_fixedRows);
            m_rows.insert(index, QList<Cell>(m_colCount));
            endInsertRows();
        } else {
            beginResetModel();
            m_rows.insert(index, QList<Cell>(m_colCount));
            endResetModel();
        }
    }
    void removeRowAt(int index)
    {
        if (index < 0 || index >= rows())
            return;
        if (rows() - 1 <= m_fixedRows || index < m_fixedRows) {
            beginResetModel();
            m_rows.removeAt(index);
            if (m_rows.isEmpty())
                m_rows.append(QList<Cell>(m_colCount));
            m_fixedRows = qMin(m_fixedRows, rows() - 1);
            endResetModel();
            return;
        }
        beginRemoveRows(QModelIndex(), index - m_fixedRows, index - m_fixedRows);
        m_rows.removeAt(index);
        endRemoveRows();
    }
    void moveRowTo(int from, int to)
    {
        if (from == to || from < 0 || to < 0 || from >= rows() || to >= rows())
            return;
        if (from >= m_fixedRows && to >= m_fixedRows) {
            const int source = from - m_fixedRows;
            const int target = to - m_fixedRows;
            beginMoveRows(QModelIndex(), source, source, QModelIndex(),
                          target > source ? target + 1 : target);
            m_rows.move(from, to);
            endMoveRows();
        } else {
            beginResetModel();
            m_rows.move(from, to);
            endResetModel();
        }
    }
    void insertColAt(int index)
    {
        index = qBound(0, index, m_colCount);
        auto insert = [&] {
            for (QList<Cell> &row : m_rows)
                row.insert(index, Cell());
            ++m_colCount;
        };
        if (index >= m_fixedCols) {
            beginInsertColumns(QModelIndex(), index - m_fixedCols, index - m_fixedCols);
            insert();
            endInsertColumns();
        } else {
            beginResetModel();
            insert();
            endResetModel();
        }
    }
    void removeColAt(int index)
    {
        if (index < 0 || index >= m_colCount)
            return;
        auto remove = [&] {
            for (QList<Cell> &row : m_rows)
                row.removeAt(index);
            --m_colCount;
        };
        if (m_colCount - 1 <= m_fixedCols || index < m_fixedCols) {
            beginResetModel();
            remove();
            if (m_colCount == 0)
                resizeCols(1);
            m_fixedCols = qMin(m_fixedCols, m_colCount - 1);
            endResetModel();
            return;
        }
        beginRemoveColumns(QModelIndex(), index - m_fixedCols, index - m_fixedCols);
        remove();
        endRemoveColumns();
    }
    void moveColTo(int from, int to)
    {
        if (from == to || from < 0 || to < 0 || from >= m_colCount || to >= m_colCount)
            return;
        auto move = [&] {
            for (QList<Cell> &row : m_rows)
                row.move(from, to);
        };
        if (from >= m_fixedCols && to >= m_fixedCols) {
            const int source = from - m_fixedCols;
            const int target = to - m_fixedCols;
            beginMoveColumns(QModelIndex(), source, source, QModelIndex(),
                             target > source ? target + 1 : target);
            move();
            endMoveColumns();
        } else {
            beginResetModel();
            move();
            endResetModel();
        }
    }

private:
    void resizeCols(int count)
    {
        for (QList<Cell> &row : m_rows)
            row.resize(count);
        m_colCount = count;
    }

    QList<QList<Cell>> m_rows; // [row][col]
    int m_colCount = 5;
    int m_fixedRows = 1;
    int m_fixedCols = 1;
};

// The fixed rows (above the cells) or the fixed columns (left of them): one section per data
// column or data row, painted as a stack of fixed cells.
class GridHeader : public QHeaderView
{
public:
    GridHeader(Qt::Orientation orientation, TqvStringGrid *grid)
        : QHeaderView(orientation, grid)
        , m_grid(grid)
    {
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(1);
    }

    QSize sizeHint() const override
    {
        QSize size = QHeaderView::sizeHint();
        int extent = 0;
        if (orientation() == Qt::Horizontal) {
            for (int row = 0; row < m_grid->FixedRows(); ++row)
                extent += m_grid->RowHeights(row);
            size.setHeight(extent);
        } else {
            for (int col = 0; col < m_grid->FixedCols(); ++col)
                extent += m_grid->ColWidths(col);
            size.setWidth(extent);
        }
        return size;
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        if (orientation() == Qt::Horizontal) {
            int top = rect.top();
            for (int row = 0; row < m_grid->FixedRows(); ++row) {
                const int height = m_grid->RowHeights(row);
                m_grid->paintFixedCell(*painter, m_grid->FixedCols() + logicalIndex, row,
                                       QRect(rect.left(), top, rect.width(), height));
                top += height;
            }
        } else {
            int left = rect.left();
            for (int col = 0; col < m_grid->FixedCols(); ++col) {
                const int width = m_grid->ColWidths(col);
                m_grid->paintFixedCell(*painter, col, m_grid->FixedRows() + logicalIndex,
                                       QRect(left, rect.top(), width, rect.height()));
                left += width;
            }
        }
    }

private:
    TqvStringGrid *m_grid;
};

// The fixed cells where the fixed rows and the fixed columns meet.
class GridCorner : public QWidget
{
public:
    explicit GridCorner(TqvStringGrid *grid)
        : QWidget(grid)
        , m_grid(grid)
    { }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        int top = 0;
        for (int row = 0; row < m_grid->FixedRows(); ++row) {
            const int height = m_grid->RowHeights(row);
            int left = 0;
            for (int col = 0; col < m_grid->FixedCols(); ++col) {
                const int width = m_grid->ColWidths(col);
                m_grid->paintFixedCell(painter, col, row, QRect(left, top, width, height));
                left += width;
            }
            top += height;
        }
    }

private:
    TqvStringGrid *m_grid;
};

// Paints the data cells: text on one line, or the check box of a check-box column.
class GridDelegate : public QStyledItemDelegate
{
public:
    explicit GridDelegate(TqvStringGrid *grid)
        : QStyledItemDelegate(grid)
        , m_grid(grid)
    { }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const int col = index.column() + m_grid->FixedCols();
        const int row = index.row() + m_grid->FixedRows();
        const bool selected = option.state & QStyle::State_Selected;
        const bool active = option.state & QStyle::State_Active;
        const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
        painter->fillRect(
            option.rect,
            option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base));
        const TqvGridEditStyle style = m_grid->GetEditStyles(col);
        if (style == geCheckBox || style == geViewCheckBox) {
            m_grid->DrawCheck(*painter, col, row, option.rect, true);
        } else if (m_grid->DefaultDrawing()) {
            QString text = index.data().toString();
            text.replace(QLatin1String("\r\n"), QLatin1String(" "));
            text.replace(u'\n', u' ');
            text.replace(u'\r', u' ');
            painter->save();
            painter->setClipRect(option.rect);
            painter->setPen(
                option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
            painter->drawText(option.rect.adjusted(2, 0, -2, 0),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
            painter->restore();
        }
        if (option.state & QStyle::State_HasFocus) {
            painter->save();
            QPen pen(
                option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
            pen.setStyle(Qt::DotLine);
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
            painter->restore();
        }
        int state = 0;
        if (selected)
            state |= gdSelected;
        if (option.state & QStyle::State_HasFocus)
            state |= gdFocused;
        Q_EMIT m_grid->OnDrawCell(col, row, painter, option.rect, state);
    }

private:
    TqvStringGrid *m_grid;
};

// Letters A to Z compare without regard to case, everything else exactly.
static bool startsWithFolded(const QString &entry, const QString &prefix)
{
    if (entry.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        char16_t a = entry.at(i).unicode();
        char16_t b = prefix.at(i).unicode();
        if (a >= u'A' && a <= u'Z')
            a = a - u'A' + u'a';
        if (b >= u'A' && b <= u'Z')
            b = b - u'A' + u'a';
        if (a != b)
            return false;
    }
    return true;
}

static bool isCheckStyle(TqvGridEditStyle style)
{
    return style == geCheckBox || style == geViewCheckBox;
}

} // namespace qvgrid

using namespace qvgrid;

// --- TqvInplaceEditor

TqvInplaceEditor::TqvInplaceEditor(TqvStringGrid *grid)
    : QLineEdit(grid->viewport())
    , m_grid(grid)
{
    setObjectName(QStringLiteral("InplaceEditor"));
    setFrame(false);
    // Drops over the editor belong to the grid and its window.
    setAcceptDrops(false);
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("EditButton"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->hide();
    connect(m_button, &QToolButton::clicked, this, [this] {
        if (IsPickList()) {
            if (ListVisible())
                CloseUp(false);
            else
                DropDown();
        } else if (m_style == geEllipsis) {
            Q_EMIT m_grid->OnEditButtonClick();
        }
    });
    m_popup = new TqvPickListPopup(this, [this](bool accept) { CloseUp(accept); });
    m_popup->hide();
}

TqvInplaceEditor::~TqvInplaceEditor() = default;

void TqvInplaceEditor::takeCell(int col, int row, TqvGridEditStyle style, const QString &text)
{
    m_col = col;
    m_row = row;
    m_style = style;
    m_items.clear();
    m_itemsLoaded = false;
    // A drop-down list cell holds an entry of its list or nothing: typing only picks entries.
    setReadOnly(style == geDropList);
    setMaxLength(32767);
    setText(text);
    if (style == geEllipsis) {
        m_button->setArrowType(Qt::NoArrow);
        m_button->setText(QStringLiteral("…"));
        m_button->show();
    } else if (IsPickList()) {
        m_button->setText(QString());
        m_button->setArrowType(Qt::DownArrow);
        m_button->show();
    } else {
        m_button->hide();
    }
    placeButton();
}

void TqvInplaceEditor::placeButton()
{
    if (m_button->isHidden()) {
        setTextMargins(0, 0, 0, 0);
        return;
    }
    const int width = qMin(height(), 18);
    m_button->setGeometry(this->width() - width, 0, width, height());
    setTextMargins(0, 0, width, 0);
}

void TqvInplaceEditor::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeButton();
}

void TqvInplaceEditor::InputComplite()
{
    if (m_col < 0 || m_row < 0)
        return;
    if (text() != m_grid->Cells(m_col, m_row))
        m_grid->storeEditText(m_col, m_row, text());
}

bool TqvInplaceEditor::ListVisible() const
{
    return m_popup->isVisible();
}

QListWidget *TqvInplaceEditor::PickListWidget() const
{
    return m_popup;
}

void TqvInplaceEditor::loadPickList(bool force)
{
    if (m_itemsLoaded && !force)
        return;
    m_items.clear();
    Q_EMIT m_grid->OnGetPickListitems(m_col, m_row, m_items);
    m_itemsLoaded = true;
}

void TqvInplaceEditor::DropDown()
{
    if (!IsPickList() || ListVisible())
        return;
    // The list is asked for afresh each time it drops down: it may depend on other cells.
    loadPickList(true);
    if (m_items.isEmpty())
        return;
    m_popup->DropDown(this, m_items, text(), m_dropDownRows);
}

void TqvInplaceEditor::CloseUp(bool accept)
{
    if (!ListVisible())
        return;
    const int index = m_popup->currentRow();
    m_popup->HideQuietly();
    if (accept && index >= 0 && index < m_items.size()) {
        if (text() != m_items.at(index))
            setText(m_items.at(index));
        InputComplite();
        if (m_grid->isSignalConnected(QMetaMethod::fromSignal(&TqvStringGrid::OnSelectListItems)))
            Q_EMIT m_grid->OnSelectListItems(m_col, m_row, index);
    }
    if (isVisible()) {
        setFocus(Qt::PopupFocusReason);
        selectAll();
    }
}

bool TqvInplaceEditor::wholeTextSelected() const
{
    return text().isEmpty() || (selectionStart() == 0 && selectedText().size() == text().size());
}

bool TqvInplaceEditor::complete(const QString &typed)
{
    const QString prefix = (hasSelectedText() ? text().left(selectionStart()) : text()) + typed;
    loadPickList(false);
    for (const QString &entry : std::as_const(m_items)) {
        if (startsWithFolded(entry, prefix)) {
            setText(entry);
            setSelection(int(entry.size()), -int(entry.size() - prefix.size()));
            return true;
        }
    }
    return false;
}

void TqvInplaceEditor::keyPressEvent(QKeyEvent *event)
{
    const TqvGridEditorMode mode = m_grid->GridMode();
    const bool access = mode == geAccess;
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;

    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down:
        // In this mode leaving a cell by any key keeps what was typed, Esc included.
        if (access)
            InputComplite();
        break;
    default:
        break;
    }

    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (access) {
            InputComplite();
            m_grid->returnKey(shift);
        } else if (mode == geExcel && m_style == geSimple) {
            m_grid->returnKey(shift);
        } else {
            m_grid->hideEditor(true);
        }
        event->accept();
        return;
    case Qt::Key_Down:
        if (IsPickList() && (!access || alt)) {
            DropDown();
            event->accept();
            return;
        }
        m_grid->editorKey(event);
        return;
    case Qt::Key_Up:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        m_grid->editorKey(event);
        return;
    case Qt::Key_Escape:
        if (!access) {
            setText(m_grid->Cells(m_col, m_row));
            if (!(m_grid->Options() & goAlwaysShowEditor))
                m_grid->hideEditor(false);
        }
        event->accept();
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (m_grid->Options() & goTabs) {
            m_grid->tabKey(key == Qt::Key_Backtab || shift);
        } else {
            InputComplite();
            m_grid->hideEditor(false);
            m_grid->focusNextPrevChild(!(key == Qt::Key_Backtab || shift));
        }
        event->accept();
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (ctrl) {
            m_grid->editorKey(event);
            return;
        }
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int length = int(text().size());
        const int start = hasSelectedText() ? selectionStart() : cursorPosition();
        const int end = hasSelectedText() ? selectionEnd() : cursorPosition();
        const bool leftSide = start == 0 && (end == 0 || end == length);
        const bool rightSide = end == length && (start == 0 || start == end);
        if (ctrl || (key == Qt::Key_Left ? leftSide : rightSide)) {
            if (access)
                InputComplite();
            m_grid->moveCell(key == Qt::Key_Left ? -1 : 1, 0);
            event->accept();
            return;
        }
        break;
    }
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (m_style == geDropList) {
            setText(QString());
            event->accept();
            return;
        }
        break;
    default:
        break;
    }

    const QString typed = event->text();
    if (IsPickList() && !typed.isEmpty() && typed.at(0).isPrint() && !ctrl && !alt) {
        if (complete(typed) || m_style == geDropList) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TqvInplaceEditor::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!IsPickList()) {
        QLineEdit::mouseDoubleClickEvent(event);
        return;
    }
    loadPickList(false);
    if (m_items.size() < 2)
        return;
    // A double click steps to the next entry of the list.
    const int next = int((m_items.indexOf(text()) + 1) % m_items.size());
    setText(m_items.at(next));
    selectAll();
}

// --- TqvStringGrid

TqvStringGrid::TqvStringGrid(QWidget *parent)
    : QTableView(parent)
{
    m_model = new GridModel(this);
    m_top = new GridHeader(Qt::Horizontal, this);
    m_left = new GridHeader(Qt::Vertical, this);
    setHorizontalHeader(m_top);
    setVerticalHeader(m_left);
    setModel(m_model);
    setItemDelegate(new GridDelegate(this));
    setCornerButtonEnabled(false);
    m_corner = new GridCorner(this);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_top->setDefaultSectionSize(m_defaultColWidth);
    m_left->setDefaultSectionSize(m_defaultRowHeight);
    m_fixedColWidths = { m_defaultColWidth };
    m_fixedRowHeights = { m_defaultRowHeight };
    m_editStyles = QList<TqvGridEditStyle>(ColCount(), geSimple);
    connect(m_top, &QHeaderView::sectionResized, this, [this] {
        placeEditor();
        m_corner->update();
    });
    connect(m_left, &QHeaderView::sectionResized, this, [this] { placeEditor(); });
    connect(qApp, &QApplication::focusChanged, this, &TqvStringGrid::focusChanged);
    applyResizeModes();
    syncShape();
    setCurrentIndex(m_model->index(0, 0));
}

TqvStringGrid::~TqvStringGrid()
{
    disconnect(qApp, &QApplication::focusChanged, this, &TqvStringGrid::focusChanged);
}

// --- shape

int TqvStringGrid::ColCount() const
{
    return m_model->cols();
}

int TqvStringGrid::RowCount() const
{
    return m_model->rows();
}

int TqvStringGrid::FixedCols() const
{
    return m_model->fixedCols();
}

int TqvStringGrid::FixedRows() const
{
    return m_model->fixedRows();
}

QList<int> TqvStringGrid::captureWidths() const
{
    QList<int> widths;
    for (int col = 0; col < ColCount(); ++col)
        widths.append(ColWidths(col));
    return widths;
}

QList<int> TqvStringGrid::captureHeights() const
{
    QList<int> heights;
    for (int row = 0; row < RowCount(); ++row)
        heights.append(RowHeights(row));
    return heights;
}

void TqvStringGrid::applySizes(const QList<int> &widths, const QList<int> &heights)
{
    m_fixedColWidths.clear();
    for (int col = 0; col < FixedCols(); ++col)
        m_fixedColWidths.append(widths.value(col, m_defaultColWidth));
    for (int col = FixedCols(); col < ColCount(); ++col)
        m_top->resizeSection(col - FixedCols(), widths.value(col, m_defaultColWidth));
    m_fixedRowHeights.clear();
    for (int row = 0; row < FixedRows(); ++row)
        m_fixedRowHeights.append(heights.value(row, m_defaultRowHeight));
    for (int row = FixedRows(); row < RowCount(); ++row)
        m_left->resizeSection(row - FixedRows(), heights.value(row, m_defaultRowHeight));
}

void TqvStringGrid::setColCount(int count)
{
    const int fixed = FixedCols();
    const QList<int> widths = captureWidths();
    const QList<int> heights = captureHeights();
    m_model->setColCount(count);
    if (fixed != FixedCols())
        applySizes(widths, heights);
    syncShape();
}

void TqvStringGrid::setRowCount(int count)
{
    const int fixed = FixedRows();
    const QList<int> widths = captureWidths();
    const QList<int> heights = captureHeights();
    m_model->setRowCount(count);
    if (fixed != FixedRows())
        applySizes(widths, heights);
    syncShape();
}

void TqvStringGrid::setFixedCols(int count)
{
    if (count == FixedCols())
        return;
    hideEditor(true);
    const QList<int> widths = captureWidths();
    const QList<int> heights = captureHeights();
    m_model->setFixed(count, FixedRows());
    applySizes(widths, heights);
    syncShape();
    setCurrentIndex(m_model->index(0, 0));
}

void TqvStringGrid::setFixedRows(int count)
{
    if (count == FixedRows())
        return;
    hideEditor(true);
    const QList<int> widths = captureWidths();
    const QList<int> heights = captureHeights();
    m_model->setFixed(FixedCols(), count);
    applySizes(widths, heights);
    syncShape();
    setCurrentIndex(m_model->index(0, 0));
}

void TqvStringGrid::setDefaultColWidth(int width)
{
    m_defaultColWidth = width;
    m_top->setDefaultSectionSize(width);
    applySizes(QList<int>(ColCount(), width), captureHeights());
    syncShape();
}

void TqvStringGrid::setDefaultRowHeight(int height)
{
    m_defaultRowHeight = height;
    m_left->setDefaultSectionSize(height);
    applySizes(captureWidths(), QList<int>(RowCount(), height));
    syncShape();
}

int TqvStringGrid::ColWidths(int col) const
{
    if (col < FixedCols())
        return m_fixedColWidths.value(col, m_defaultColWidth);
    return m_top->sectionSize(col - FixedCols());
}

void TqvStringGrid::setColWidths(int col, int width)
{
    if (col < 0 || col >= ColCount())
        return;
    if (col < FixedCols()) {
        while (m_fixedColWidths.size() <= col)
            m_fixedColWidths.append(m_defaultColWidth);
        m_fixedColWidths[col] = width;
        syncShape();
    } else {
        m_top->resizeSection(col - FixedCols(), width);
    }
}

int TqvStringGrid::RowHeights(int row) const
{
    if (row < FixedRows())
        return m_fixedRowHeights.value(row, m_defaultRowHeight);
    return m_left->sectionSize(row - FixedRows());
}

void TqvStringGrid::setRowHeights(int row, int height)
{
    if (row < 0 || row >= RowCount())
        return;
    if (row < FixedRows()) {
        while (m_fixedRowHeights.size() <= row)
            m_fixedRowHeights.append(m_defaultRowHeight);
        m_fixedRowHeights[row] = height;
        syncShape();
    } else {
        m_left->resizeSection(row - FixedRows(), height);
    }
}

void TqvStringGrid::setOptions(TGridOptions options)
{
    m_options = options;
    applyResizeModes();
    setSelectionBehavior(options & goRowSelect ? SelectRows : SelectItems);
    setTabKeyNavigation(options & goTabs);
    if ((options & goEditing) && (options & goAlwaysShowEditor))
        showEditor(false);
    else if (!(options & goEditing))
        hideEditor(true);
}

void TqvStringGrid::applyResizeModes()
{
    m_top->setSectionResizeMode(m_options & goColSizing ? QHeaderView::Interactive
                                                        : QHeaderView::Fixed);
    m_left->setSectionResizeMode(m_options & goRowSizing ? QHeaderView::Interactive
                                                         : QHeaderView::Fixed);
}

void TqvStringGrid::syncShape()
{
    m_editStyles.resize(ColCount(), geSimple);
    m_top->setVisible(FixedRows() > 0);
    m_left->setVisible(FixedCols() > 0);
    updateGeometries();
    m_top->viewport()->update();
    m_left->viewport()->update();
    m_corner->update();
    viewport()->update();
    placeEditor();
}

void TqvStringGrid::updateGeometries()
{
    QTableView::updateGeometries();
    if (!m_corner)
        return;
    if (FixedRows() > 0 && FixedCols() > 0) {
        const QRect area = viewport()->geometry();
        const int width = m_left->isHidden() ? 0 : m_left->width();
        const int height = m_top->isHidden() ? 0 : m_top->height();
        m_corner->setGeometry(area.left() - width, area.top() - height, width, height);
        m_corner->show();
        m_corner->raise();
    } else {
        m_corner->hide();
    }
    placeEditor();
}

void TqvStringGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    placeEditor();
}

void TqvStringGrid::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    if ((m_options & goEditing) && (m_options & goAlwaysShowEditor) && !m_editorShown)
        showEditor(false);
}

void TqvStringGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    placeEditor();
}

// --- content

QString TqvStringGrid::Cells(int col, int row) const
{
    return m_model->text(col, row);
}

void TqvStringGrid::setCells(int col, int row, const QString &text)
{
    if (!m_model->setText(col, row, text)) {
        m_top->viewport()->update();
        m_left->viewport()->update();
        m_corner->update();
    }
    if (m_editorShown && m_editor->m_col == col && m_editor->m_row == row
        && m_editor->text() != text)
        m_editor->setText(text);
}

QVariant TqvStringGrid::Objects(int col, int row) const
{
    return m_model->object(col, row);
}

void TqvStringGrid::setObjects(int col, int row, const QVariant &object)
{
    m_model->setObject(col, row, object);
}

QStringList TqvStringGrid::Rows(int row) const
{
    QStringList texts;
    if (row < 0 || row >= RowCount())
        return texts;
    for (int col = 0; col < ColCount(); ++col)
        texts.append(Cells(col, row));
    return texts;
}

void TqvStringGrid::setRows(int row, const QStringList &texts)
{
    for (int col = 0; col < ColCount() && col < texts.size(); ++col)
        setCells(col, row, texts.at(col));
}

QStringList TqvStringGrid::Cols(int col) const
{
    QStringList texts;
    if (col < 0 || col >= ColCount())
        return texts;
    for (int row = 0; row < RowCount(); ++row)
        texts.append(Cells(col, row));
    return texts;
}

void TqvStringGrid::setCols(int col, const QStringList &texts)
{
    for (int row = 0; row < RowCount() && row < texts.size(); ++row)
        setCells(col, row, texts.at(row));
}

void TqvStringGrid::setHeader(const QStringList &titles)
{
    for (int col = 0; col < ColCount(); ++col)
        setCells(col, 0, titles.value(col));
}

// --- current cell

QModelIndex TqvStringGrid::modelIndex(int col, int row) const
{
    return m_model->index(row - FixedRows(), col - FixedCols());
}

int TqvStringGrid::Col() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() + FixedCols() : FixedCols();
}

int TqvStringGrid::Row() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + FixedRows() : FixedRows();
}

bool TqvStringGrid::setCurrentCell(int col, int row)
{
    const QModelIndex target = modelIndex(col, row);
    if (!target.isValid())
        return false;
    if (target == currentIndex())
        return true;
    bool canSelect = true;
    Q_EMIT OnSelectCell(col, row, canSelect);
    if (!canSelect)
        return false;
    setCurrentIndex(target);
    return true;
}

QModelIndex TqvStringGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    if (!next.isValid() || next == currentIndex())
        return next;
    bool canSelect = true;
    Q_EMIT OnSelectCell(next.column() + FixedCols(), next.row() + FixedRows(), canSelect);
    return canSelect ? next : currentIndex();
}

int TqvStringGrid::TopRow() const
{
    const int row = rowAt(0);
    return (row < 0 ? 0 : row) + FixedRows();
}

void TqvStringGrid::setTopRow(int row)
{
    const int data = row - FixedRows();
    if (data >= 0 && data < m_model->rowCount())
        verticalScrollBar()->setValue(data);
}

int TqvStringGrid::LeftCol() const
{
    const int col = columnAt(0);
    return (col < 0 ? 0 : col) + FixedCols();
}

int TqvStringGrid::VisibleRowCount() const
{
    int count = 0;
    const int height = viewport()->height();
    for (int row = rowAt(0); row >= 0 && row < m_model->rowCount(); ++row) {
        if (rowViewportPosition(row) + rowHeight(row) > height)
            break;
        ++count;
    }
    return count;
}

int TqvStringGrid::VisibleColCount() const
{
    int count = 0;
    const int width = viewport()->width();
    for (int col = columnAt(0); col >= 0 && col < m_model->columnCount(); ++col) {
        if (columnViewportPosition(col) + columnWidth(col) > width)
            break;
        ++count;
    }
    return count;
}

QPoint TqvStringGrid::MouseCoord(const QPoint &viewportPos) const
{
    const QModelIndex at = indexAt(viewportPos);
    if (!at.isValid())
        return QPoint(-1, -1);
    return QPoint(at.column() + FixedCols(), at.row() + FixedRows());
}

QRect TqvStringGrid::CellRect(int col, int row) const
{
    if (col >= FixedCols() && row >= FixedRows())
        return visualRect(modelIndex(col, row));
    int x = 0;
    if (col < FixedCols()) {
        x = -m_left->width();
        for (int c = 0; c < col; ++c)
            x += ColWidths(c);
    } else {
        x = columnViewportPosition(col - FixedCols());
    }
    int y = 0;
    if (row < FixedRows()) {
        y = -m_top->height();
        for (int r = 0; r < row; ++r)
            y += RowHeights(r);
    } else {
        y = rowViewportPosition(row - FixedRows());
    }
    return QRect(x, y, ColWidths(col), RowHeights(row));
}

void TqvStringGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (!m_editor)
        return;
    if (m_editorShown) {
        m_editor->InputComplite();
        if (m_options & goAlwaysShowEditor)
            refreshEditor();
        else
            hideEditor(false);
    } else if ((m_options & goAlwaysShowEditor) && (m_options & goEditing)) {
        showEditor(false);
    }
}

// --- editor

bool TqvStringGrid::canShowEditor() const
{
    return (m_options & goEditing) && currentIndex().isValid()
        && !isCheckStyle(GetEditStyles(Col()));
}

bool TqvStringGrid::EditorMode() const
{
    return m_editorShown;
}

void TqvStringGrid::setEditorMode(bool shown)
{
    if (shown)
        showEditor(true);
    else
        hideEditor(true);
}

void TqvStringGrid::showEditor(bool selectAll)
{
    if (!canShowEditor()) {
        hideEditor(true);
        return;
    }
    if (!m_editor)
        m_editor = new TqvInplaceEditor(this);
    const bool takeFocus = hasFocus() || (m_editorShown && m_editor->hasFocus());
    const int col = Col();
    const int row = Row();
    m_editor->takeCell(col, row, GetEditStyles(col), Cells(col, row));
    m_editorShown = true;
    placeEditor();
    if (isSignalConnected(QMetaMethod::fromSignal(&TqvStringGrid::OnShowEditor)))
        Q_EMIT OnShowEditor(col, row, m_editor);
    if (GetEditStyles(col) == geDropList)
        m_editor->setMaxLength(32767);
    m_editor->show();
    if (takeFocus)
        m_editor->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        m_editor->selectAll();
    else
        m_editor->end(false);
}

void TqvStringGrid::refreshEditor()
{
    showEditor(true);
}

void TqvStringGrid::hideEditor(bool store)
{
    if (!m_editorShown || !m_editor)
        return;
    if (store)
        m_editor->InputComplite();
    // The grid takes the focus before the editor goes: hiding a focused widget would pass
    // the focus on as a Tab would, which moves the current cell.
    if (m_editor->hasFocus() || m_editor->ListVisible())
        setFocus(Qt::OtherFocusReason);
    m_editorShown = false;
    m_editor->hide();
}

void TqvStringGrid::placeEditor()
{
    if (!m_editorShown || !m_editor)
        return;
    const QRect cell = visualRect(modelIndex(m_editor->m_col, m_editor->m_row));
    if (cell.isValid())
        m_editor->setGeometry(cell.adjusted(0, 0, -1, -1));
}

void TqvStringGrid::setGridMode(TqvGridEditorMode mode)
{
    if (mode == m_gridMode)
        return;
    m_gridMode = mode;
    TGridOptions options = m_options;
    options.setFlag(goAlwaysShowEditor, mode == geAccess);
    setOptions(options);
}

TqvGridEditStyle TqvStringGrid::GetEditStyles(int col) const
{
    return m_editStyles.value(col, geSimple);
}

void TqvStringGrid::SetEditStyles(int col, TqvGridEditStyle style)
{
    if (col < 0 || col >= m_editStyles.size())
        return;
    m_editStyles[col] = style;
    viewport()->update();
    if (m_editorShown && m_editor->m_col == col)
        refreshEditor();
}

void TqvStringGrid::setDefaultDrawing(bool on)
{
    m_defaultDrawing = on;
    viewport()->update();
}

void TqvStringGrid::storeEditText(int col, int row, const QString &value)
{
    Q_EMIT OnBeforeSetEditText(col, row, value);
    setCells(col, row, value);
    Q_EMIT OnSetEditText(col, row, value);
}

// --- check boxes

void TqvStringGrid::setFlatCheckBox(bool flat)
{
    if (m_flatCheckBox == flat)
        return;
    m_flatCheckBox = flat;
    viewport()->update();
}

bool TqvStringGrid::GetChecked(int col, int row) const
{
    return isCheckStyle(GetEditStyles(col)) && Cells(col, row) == QStringLiteral("1");
}

void TqvStringGrid::SetChecked(int col, int row, bool checked)
{
    if (!isCheckStyle(GetEditStyles(col)))
        return;
    setCells(col, row, checked ? QStringLiteral("1") : QString());
    storeEditText(col, row, Cells(col, row));
}

void TqvStringGrid::DrawCheck(QPainter &painter, int col, int row, const QRect &rect,
                              bool enabled) const
{
    const QString text = Cells(col, row);
    TCheckBoxState state = cbUnchecked;
    if (text == QStringLiteral("1"))
        state = cbChecked;
    else if (text == QStringLiteral("2"))
        state = cbGrayed;
    QvDrawCheckBox(painter, QvCheckBoxRect(rect), state, enabled && isEnabled(), m_flatCheckBox,
                   palette(), palette().color(QPalette::Base));
}

void TqvStringGrid::toggleCheck()
{
    const int col = Col();
    const int row = Row();
    if (GetEditStyles(col) == geCheckBox && currentIndex().isValid())
        SetChecked(col, row, !GetChecked(col, row));
}

bool TqvStringGrid::GetIsNull(int col, int row) const
{
    const QString text = Cells(col, row);
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return begin == end;
}

void TqvStringGrid::paintFixedCell(QPainter &painter, int col, int row, const QRect &rect)
{
    const QPalette &colours = palette();
    painter.save();
    painter.fillRect(rect, colours.color(QPalette::Button));
    painter.setPen(colours.color(QPalette::Light));
    painter.drawLine(rect.topLeft(), QPoint(rect.right() - 1, rect.top()));
    painter.drawLine(rect.topLeft(), QPoint(rect.left(), rect.bottom() - 1));
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    if (m_defaultDrawing) {
        QString text = Cells(col, row);
        text.replace(u'\n', u' ');
        text.replace(u'\r', u' ');
        painter.setClipRect(rect.adjusted(0, 0, -1, -1));
        painter.setPen(colours.color(QPalette::ButtonText));
        painter.drawText(rect.adjusted(3, 0, -2, 0),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
    painter.restore();
    Q_EMIT OnDrawCell(col, row, &painter, rect, gdFixed);
}

// --- keyboard and mouse

void TqvStringGrid::returnKey(bool shift)
{
    switch (m_gridMode) {
    case geAccess:
        if (Col() < ColCount() - 1)
            setCurrentCell(Col() + 1, Row());
        return;
    case geExcel:
        if (GetEditStyles(Col()) == geSimple) {
            hideEditor(true);
            if (shift) {
                if (Row() > FixedRows())
                    setCurrentCell(Col(), Row() - 1);
            } else if (Row() < RowCount() - 1) {
                setCurrentCell(Col(), Row() + 1);
            }
            return;
        }
        break;
    case geNormal:
        break;
    }
    // Return opens a closed editor and closes an open one, keeping its text.
    if (m_editorShown)
        hideEditor(true);
    else
        showEditor(true);
}

bool TqvStringGrid::moveCell(int dCol, int dRow)
{
    return setCurrentCell(Col() + dCol, Row() + dRow);
}

void TqvStringGrid::tabKey(bool backwards)
{
    if (m_model->rowCount() == 0 || m_model->columnCount() == 0)
        return;
    int col = Col();
    int row = Row();
    if (backwards) {
        if (--col < FixedCols()) {
            col = ColCount() - 1;
            if (--row < FixedRows())
                row = RowCount() - 1;
        }
    } else if (++col >= ColCount()) {
        col = FixedCols();
        if (++row >= RowCount())
            row = FixedRows();
    }
    setCurrentCell(col, row);
}

void TqvStringGrid::editorKey(QKeyEvent *event)
{
    QTableView::keyPressEvent(event);
}

void TqvStringGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        returnKey(mods & Qt::ShiftModifier);
        event->accept();
        return;
    case Qt::Key_F2:
        if (m_options & goEditing)
            showEditor(false);
        event->accept();
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (m_options & goTabs) {
            tabKey(event->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier));
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        hideEditor(false);
        break;
    default:
        break;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint()
        && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        const TqvGridEditStyle style = GetEditStyles(Col());
        // Space is the one key that toggles a check box; other characters do nothing there.
        if (isCheckStyle(style)) {
            if (event->key() == Qt::Key_Space)
                toggleCheck();
        } else if (m_options & goEditing) {
            showEditor(true);
            if (m_editorShown) {
                m_editor->setFocus(Qt::OtherFocusReason);
                if (style != gePickList && style != geDropList)
                    m_editor->clear();
                QCoreApplication::sendEvent(m_editor, event);
            }
        }
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TqvStringGrid::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid() && at != currentIndex()) {
        bool canSelect = true;
        Q_EMIT OnSelectCell(at.column() + FixedCols(), at.row() + FixedRows(), canSelect);
        if (!canSelect) {
            event->accept();
            return;
        }
    }
    const bool onCurrent = at.isValid() && at == currentIndex();
    QTableView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !at.isValid() || currentIndex() != at)
        return;
    // Only the left button toggles a check box: the right one opens the context menu.
    const TqvGridEditStyle style = GetEditStyles(Col());
    if (style == geCheckBox)
        toggleCheck();
    else if (onCurrent && !isCheckStyle(style) && (m_options & goEditing) && !m_editorShown)
        showEditor(true);
}

void TqvStringGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    const QModelIndex at = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !at.isValid() || currentIndex() != at)
        return;
    // The second press of a double click has toggled a check box already.
    const TqvGridEditStyle style = GetEditStyles(Col());
    if (!isCheckStyle(style) && (m_options & goEditing) && !m_editorShown)
        showEditor(true);
}

bool TqvStringGrid::owns(const QWidget *widget) const
{
    if (!widget)
        return false;
    if (widget == this || isAncestorOf(widget))
        return true;
    return m_editor && (widget == m_editor->m_popup || m_editor->m_popup->isAncestorOf(widget));
}

void TqvStringGrid::focusChanged(QWidget *old, QWidget *now)
{
    const bool wasInside = owns(old);
    const bool isInside = owns(now);
    if (!wasInside && isInside) {
        bool ignored = true;
        Q_EMIT OnSelectCell(Col(), Row(), ignored);
        if (m_editor && m_editorShown
            && isSignalConnected(QMetaMethod::fromSignal(&TqvStringGrid::OnShowEditor)))
            Q_EMIT OnShowEditor(Col(), Row(), m_editor);
        if (now == this && m_editorShown)
            m_editor->setFocus(Qt::OtherFocusReason);
    } else if (wasInside && !isInside && now) {
        // Leaving the grid keeps what was typed into the open editor.
        if (m_editorShown && (m_options & goEditing))
            m_editor->InputComplite();
    }
}

void TqvStringGrid::copy()
{
    if (m_editorShown && m_editor->hasFocus()) {
        m_editor->copy();
        return;
    }
    QApplication::clipboard()->setText(Cells(Col(), Row()));
}

// --- rows and columns

void TqvStringGrid::Clear()
{
    hideEditor(false);
    setUpdatesEnabled(false);
    for (int row = FixedRows(); row < RowCount(); ++row)
        for (int col = FixedCols(); col < ColCount(); ++col)
            m_model->setText(col, row, QString());
    setRowCount(FixedRows() + 1);
    setCurrentIndex(m_model->index(0, 0));
    setUpdatesEnabled(true);
    viewport()->update();
    if ((m_options & goEditing) && (m_options & goAlwaysShowEditor))
        showEditor(false);
}

void TqvStringGrid::InsertRow(int index)
{
    const int fixed = FixedRows();
    const QList<int> widths = captureWidths();
    QList<int> heights = captureHeights();
    const int at = qBound(0, index, RowCount());
    heights.insert(at, m_defaultRowHeight);
    m_model->insertRowAt(at);
    if (at < fixed)
        applySizes(widths, heights);
    syncShape();
}

void TqvStringGrid::DeleteRow(int index)
{
    if (index < 0 || index >= RowCount())
        return;
    const bool editorWasOpen = m_editorShown;
    hideEditor(false);
    const int fixed = FixedRows();
    const QList<int> widths = captureWidths();
    QList<int> heights = captureHeights();
    heights.removeAt(index);
    m_model->removeRowAt(index);
    if (index < fixed || fixed != FixedRows())
        applySizes(widths, heights);
    if (index < RowCount() - 1)
        setCurrentCell(Col(), qMax(index, FixedRows()));
    syncShape();
    if (editorWasOpen)
        showEditor(true);
}

void TqvStringGrid::InsertCol(int index)
{
    const int fixed = FixedCols();
    QList<int> widths = captureWidths();
    const QList<int> heights = captureHeights();
    const int at = qBound(0, index, ColCount());
    widths.insert(at, m_defaultColWidth);
    // Styles belong to column positions: the new position at the end starts plain.
    m_model->insertColAt(at);
    if (at < fixed)
        applySizes(widths, heights);
    syncShape();
    setCurrentCell(at, Row());
}

void TqvStringGrid::DeleteCol(int index)
{
    if (index < 0 || index >= ColCount())
        return;
    hideEditor(false);
    const int fixed = FixedCols();
    QList<int> widths = captureWidths();
    const QList<int> heights = captureHeights();
    widths.removeAt(index);
    m_model->removeColAt(index);
    if (index < fixed || fixed != FixedCols())
        applySizes(widths, heights);
    syncShape();
}

void TqvStringGrid::MoveRow(int fromIndex, int toIndex)
{
    const bool both = fromIndex >= FixedRows() && toIndex >= FixedRows();
    const QList<int> widths = captureWidths();
    QList<int> heights = captureHeights();
    if (fromIndex >= 0 && toIndex >= 0 && fromIndex < heights.size() && toIndex < heights.size())
        heights.move(fromIndex, toIndex);
    m_model->moveRowTo(fromIndex, toIndex);
    if (!both)
        applySizes(widths, heights);
    syncShape();
}

void TqvStringGrid::MoveCol(int fromIndex, int toIndex)
{
    const bool both = fromIndex >= FixedCols() && toIndex >= FixedCols();
    QList<int> widths = captureWidths();
    const QList<int> heights = captureHeights();
    if (fromIndex >= 0 && toIndex >= 0 && fromIndex < widths.size() && toIndex < widths.size())
        widths.move(fromIndex, toIndex);
    m_model->moveColTo(fromIndex, toIndex);
    if (!both)
        applySizes(widths, heights);
    syncShape();
}

// --- snapshot

void TqvStringGrid::Save()
{
    m_saveRowCount = RowCount();
    m_saveRows.clear();
    m_saveObjects.clear();
    for (int row = 0; row < RowCount(); ++row) {
        m_saveRows.append(Rows(row));
        QVariantList objects;
        for (int col = 0; col < ColCount(); ++col)
            objects.append(Objects(col, row));
        m_saveObjects.append(objects);
    }
}

bool TqvStringGrid::IsChanged() const
{
    if (RowCount() != m_saveRowCount)
        return true;
    // Cell by cell: joining a row's cells would let a line break inside a cell hide a change.
    for (int row = 0; row < RowCount(); ++row)
        if (Rows(row) != m_saveRows.value(row))
            return true;
    return false;
}

bool TqvStringGrid::GetIsChangedRow(int row) const
{
    const QStringList current = row >= 0 && row < RowCount() ? Rows(row) : QStringList();
    const QStringList saved
        = row >= 0 && row < m_saveRowCount ? m_saveRows.value(row) : QStringList();
    return current != saved;
}

bool TqvStringGrid::GetIsChangedCol(int col) const
{
    if (RowCount() != m_saveRowCount || col < 0 || col >= ColCount() || m_saveRows.isEmpty()
        || col >= m_saveRows.at(0).size())
        return true;
    for (int row = 0; row < RowCount(); ++row)
        if (Cells(col, row) != m_saveRows.at(row).value(col))
            return true;
    return false;
}

bool TqvStringGrid::GetIsChangedCell(int col, int row) const
{
    const QString current = Cells(col, row);
    const QString saved
        = row >= 0 && row < m_saveRowCount ? m_saveRows.at(row).value(col) : QString();
    return current != saved;
}

QString TqvStringGrid::GetSaveCells(int col, int row) const
{
    return m_saveRows.value(row).value(col);
}

QStringList TqvStringGrid::GetSaveRows(int row) const
{
    return m_saveRows.value(row);
}

QStringList TqvStringGrid::GetSaveCols(int col)
{
    m_saveCols.clear();
    for (const QStringList &row : std::as_const(m_saveRows))
        m_saveCols.append(row.value(col));
    return m_saveCols;
}
