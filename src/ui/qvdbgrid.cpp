#include "qvdbgrid.h"

#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "platform/pg/dataset.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTimer>

// ---------------------------------------------------------------------------------------------
// Construction and settings

TqvDBGrid::TqvDBGrid(bool recordsInRows, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_recordsInRows(recordsInRows)
{
    if (recordsInRows)
        m_items = std::make_unique<TDBGridColumns>(this);
    else
        m_items = std::make_unique<TDBGridRows>(this);
    m_options = TDBGridOptions(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines
                               | dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit
                               | dgAlwaysShowEditor);
    m_link = new TGridDataLink(this);
    m_bookmarks = std::make_unique<TBookmarkList>(this);
    m_editor = new TDBGridInplaceEdit(this);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QScrollBar *records = m_recordsInRows ? verticalScrollBar() : horizontalScrollBar();
    QScrollBar *fields = m_recordsInRows ? horizontalScrollBar() : verticalScrollBar();
    connect(records, &QScrollBar::actionTriggered, this, &TqvDBGrid::recordScrollAction);
    connect(fields, &QScrollBar::actionTriggered, this, &TqvDBGrid::fieldScrollAction);
    connect(qApp, &QApplication::focusChanged, this, &TqvDBGrid::focusChanged);
    internalLayout();
}

TqvDBGrid::~TqvDBGrid()
{
    disconnect(qApp, &QApplication::focusChanged, this, &TqvDBGrid::focusChanged);
    m_link->setDataSet(nullptr);
}

pg::DataSet *TqvDBGrid::DataSet() const
{
    return m_link->DataSet();
}

void TqvDBGrid::setDataSet(pg::DataSet *dataSet)
{
    if (dataSet == DataSet())
        return;
    clearSelection();
    m_link->setDataSet(dataSet);
}

void TqvDBGrid::setOptions(TDBGridOptions options)
{
    if (options.testFlag(dgRowSelect))
        options &= ~TDBGridOptions(dgEditing | dgAlwaysShowEditor);
    if (options == m_options)
        return;
    const TDBGridOptions old = m_options;
    m_options = options;
    if (old.testFlag(dgMultiSelect) && !options.testFlag(dgMultiSelect))
        clearSelection();
    const TDBGridOptions layoutOptions(dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator
                                       | dgColLines | dgRowLines | dgRowSelect
                                       | dgAlwaysShowSelection);
    if ((old & layoutOptions) != (options & layoutOptions))
        LayoutChanged();
    if (!options.testFlag(dgEditing) || options.testFlag(dgRowSelect))
        hideEditor();
    else if (options.testFlag(dgAlwaysShowEditor) && m_link->Active())
        showEditor();
    viewport()->update();
}

void TqvDBGrid::setReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    LayoutChanged();
    if (m_editorMode)
        refreshEditor();
}

void TqvDBGrid::setSortMark(int fieldIndex, bool descending)
{
    if (fieldIndex < 0)
        descending = false;
    if (fieldIndex == m_sortField && descending == m_sortDescending)
        return;
    m_sortField = fieldIndex;
    m_sortDescending = descending;
    viewport()->update();
}

QFont TqvDBGrid::TitleFont() const
{
    return m_titleFontSet ? m_titleFont : font();
}

void TqvDBGrid::setTitleFont(const QFont &font)
{
    m_titleFont = font;
    m_titleFontSet = true;
    if (m_options.testFlag(dgTitles))
        LayoutChanged();
}

void TqvDBGrid::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        LayoutChanged();
        if (m_editor)
            m_editor->setFont(font());
    } else if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
}

int TqvDBGrid::ItemCount() const
{
    return m_items->Count();
}

void TqvDBGrid::setRecordLaneWidth(int width)
{
    width = qMax(width, 1);
    if (width == m_recordWidth)
        return;
    m_recordWidth = width;
    updateRecordCount();
    updateScrollBars();
    placeEditor();
    viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Current cell and selection

void TqvDBGrid::setSelectedIndex(int index)
{
    RunGuarded([&] { fieldMove(index, 0, Qt::NoModifier); });
}

const pg::Field *TqvDBGrid::SelectedField() const
{
    return m_link->Fields(m_curField);
}

int TqvDBGrid::SelectedFieldIndex() const
{
    return m_link->FieldListIndex(m_curField);
}

void TqvDBGrid::setSelectedField(int fieldIndex)
{
    if (fieldIndex < 0)
        return;
    for (int i = 0; i < m_link->FieldCount(); ++i) {
        if (m_link->FieldListIndex(i) == fieldIndex)
            setSelectedIndex(i);
    }
}

int TqvDBGrid::dataIndexOfField(int fieldIndex) const
{
    for (int i = 0; i < m_link->FieldCount(); ++i) {
        if (m_link->FieldListIndex(i) == fieldIndex)
            return i;
    }
    return -1;
}

void TqvDBGrid::setRangeStart(int index)
{
    m_rangeStart = index;
    viewport()->update();
}

void TqvDBGrid::setRangeEnd(int index)
{
    m_rangeEnd = index;
    viewport()->update();
}

void TqvDBGrid::setWholeRecords(bool on)
{
    m_wholeRecords = on;
    viewport()->update();
}

void TqvDBGrid::SelectAllRecords()
{
    m_bookmarks->SelectAll();
}

void TqvDBGrid::clearSelection()
{
    m_selecting = false;
    if (m_options.testFlag(dgMultiSelect))
        m_bookmarks->Clear();
}

// ---------------------------------------------------------------------------------------------
// Notifications

void TqvDBGrid::linkActive(bool active)
{
    if (!active)
        hideEditor();
    m_bookmarks->SetLinkActive(active);
    m_selecting = false;
    m_selectionAnchor = pg::NoBookmark;
    m_top = 0;
    try {
        LayoutChanged();
    } catch (...) {
        updateScrollBars();
        throw;
    }
    updateScrollBars();
    if (active && m_options.testFlag(dgAlwaysShowEditor))
        showEditor();
    viewport()->update();
}

void TqvDBGrid::dataChanged()
{
    updateRecordCount();
    updateScrollBars();
    updateActive();
    viewport()->update();
}

void TqvDBGrid::editingChanged()
{
    viewport()->update();
}

void TqvDBGrid::recordChanged(int row)
{
    if (row < 0)
        viewport()->update();
    else
        invalidateRecord(row);
    pg::DataSet *ds = DataSet();
    if (!ds || !m_editorMode)
        return;
    if ((row < 0 || row == ds->currentRow()) && !m_link->IsModified()) {
        const int field = SelectedFieldIndex();
        const QString text = field >= 0 ? CellEditText(ds->currentRow(), field) : QString();
        if (text != m_editText || m_editor->text() != text)
            refreshEditor();
    }
}

void TqvDBGrid::itemChanged(TDBGridItem *item)
{
    Q_UNUSED(item)
    if (m_inLayout)
        return;
    updateScrollBars();
    placeEditor();
    if (m_editorMode)
        m_editor->UpdateContents();
    viewport()->update();
}

void TqvDBGrid::updateDataFromEditor()
{
    const int field = SelectedFieldIndex();
    if (field < 0)
        return;
    writeFieldText(field, m_editText);
}

void TqvDBGrid::writeFieldText(int fieldIndex, const QString &text)
{
    pg::DataSet *ds = DataSet();
    if (!ds)
        return;
    const pg::Field &f = ds->fields().at(fieldIndex);
    // an empty text is NULL for every field that is not text, as the server reads nothing
    // else from it
    if (text.isEmpty() && !pg::isTextual(f.fieldClass))
        ds->setNull(fieldIndex);
    else
        ds->setText(fieldIndex, text.isNull() ? QString(QLatin1String("")) : text);
}

void TqvDBGrid::UpdateData()
{
    m_link->UpdateData();
}

bool TqvDBGrid::untouchedInsert() const
{
    pg::DataSet *ds = DataSet();
    return ds && ds->state() == pg::DataSetState::Insert && !ds->isModified()
        && !m_link->IsModified();
}

bool TqvDBGrid::inserting() const
{
    pg::DataSet *ds = DataSet();
    return ds && ds->state() == pg::DataSetState::Insert;
}

bool TqvDBGrid::ConfirmPendingRecord()
{
    pg::DataSet *ds = DataSet();
    if (!ds || !ds->isActive())
        return true;
    const bool changing
        = ds->state() == pg::DataSetState::Edit || ds->state() == pg::DataSetState::Insert;
    const bool pending = m_link->IsModified() || (changing && ds->isModified());
    if (!pending) {
        if (changing)
            RunGuarded([&] { ds->cancel(); });
        return true;
    }
    m_inDialog = true;
    const int answer = ShowMessageBox(QStringLiteral("編集中のレコードが保存されていません。"
                                                     "保存しますか？"),
                                      MB_YESNOCANCEL | MB_ICONQUESTION);
    m_inDialog = false;
    if (answer == IDCANCEL)
        return false;
    if (answer == IDNO) {
        m_link->Reset();
        RunGuarded([&] { ds->cancel(); });
        return true;
    }
    return RunGuarded([&] {
        TqvGridCommitScope rule(ds);
        m_link->UpdateData();
        ds->post();
    });
}

void TqvDBGrid::beforeDataSetReset()
{
    // The data set is about to close under the grid (a host reopens it, a window goes):
    // what the user typed is stored or dropped as the user says, never dropped unasked.
    pg::DataSet *ds = DataSet();
    if (!ds || !ds->isActive() || m_inDialog)
        return;
    const bool changing
        = ds->state() == pg::DataSetState::Edit || ds->state() == pg::DataSetState::Insert;
    if (!m_link->IsModified() && !(changing && ds->isModified()))
        return;
    m_inDialog = true;
    const int answer = ShowMessageBox(QStringLiteral("編集中のレコードが保存されていません。"
                                                     "保存しますか？"),
                                      MB_YESNO | MB_ICONQUESTION);
    m_inDialog = false;
    if (answer == IDYES) {
        RunGuarded([&] {
            TqvGridCommitScope rule(ds);
            m_link->UpdateData();
            ds->post();
        });
    }
    m_link->Reset();
    if (ds->state() != pg::DataSetState::Browse)
        RunGuarded([&] { ds->cancel(); });
}

// ---------------------------------------------------------------------------------------------
// Layout

void TqvDBGrid::LayoutChanged()
{
    if (m_inLayout)
        return;
    if (m_layoutLock > 0) {
        return; // the bracket in progress lays the grid out when it ends
    }
    internalLayout();
}

void TqvDBGrid::BeginLayout()
{
    ++m_layoutLock;
    ++m_updateLock;
}

void TqvDBGrid::EndLayout()
{
    if (m_layoutLock <= 0)
        return;
    --m_updateLock;
    if (--m_layoutLock == 0)
        internalLayout();
}

void TqvDBGrid::internalLayout()
{
    if (m_inLayout)
        return;
    m_inLayout = true;
    struct Done
    {
        bool &flag;
        ~Done() { flag = false; }
    } done { m_inLayout };

    auto &items = m_items->m_items;
    // a collection never mixes the two kinds: the grid's own items go when stored ones follow
    bool seenDefault = false;
    bool mixed = false;
    for (const auto &item : items) {
        if (!item->Stored())
            seenDefault = true;
        else if (seenDefault)
            mixed = true;
    }
    if (mixed) {
        items.erase(std::remove_if(
                        items.begin(), items.end(),
                        [](const std::unique_ptr<TDBGridItem> &item) { return !item->Stored(); }),
                    items.end());
    }
    m_indicatorOffset = m_options.testFlag(dgIndicator) ? 1 : 0;
    m_titleOffset = m_options.testFlag(dgTitles) ? 1 : 0;

    // the field map
    const bool customized = m_items->State() == csCustomized;
    m_link->ClearMapping();
    pg::DataSet *ds = DataSet();
    if (m_link->Active() && ds) {
        if (customized) {
            m_link->setSparseMap(true);
            for (const auto &item : items)
                m_link->AddMapping(item->FieldName());
        } else {
            m_link->setSparseMap(false);
            const pg::FieldList &fields = ds->fields();
            for (int f = 0; f < fields.count(); ++f) {
                if (fields.at(f).visible)
                    m_link->AddMappingIndex(f);
            }
        }
    }

    // the items in line with the map
    if (customized) {
        for (auto &item : items)
            item->m_fieldResolved = false;
    } else {
        if (!m_link->Active() && m_link->DefaultFields()) {
            items.clear();
        } else {
            for (int i = int(items.size()) - 1; i >= 0; --i) {
                const int f = items[size_t(i)]->m_fieldResolved ? items[size_t(i)]->m_field : -1;
                bool mapped = false;
                for (int m = 0; m < m_link->FieldCount() && !mapped; ++m)
                    mapped = m_link->FieldListIndex(m) == f && f >= 0;
                if (!mapped)
                    items.erase(items.begin() + i);
            }
        }
        const int n = m_link->FieldCount() == 0 && items.empty() ? 1 : m_link->FieldCount();
        for (int i = 0; i < n; ++i) {
            const int f = m_link->FieldListIndex(i);
            int at = -1;
            if (f >= 0) {
                for (int j = i; j < int(items.size()); ++j) {
                    if (items[size_t(j)]->m_fieldResolved && items[size_t(j)]->m_field == f) {
                        at = j;
                        break;
                    }
                }
            }
            if (at < 0) {
                auto item = m_items->createItem();
                item->m_stored = false;
                item->m_fieldResolved = true;
                item->m_field = f;
                item->m_fieldName = f >= 0 && ds ? ds->fields().at(f).name : QString();
                items.push_back(std::move(item));
                at = int(items.size()) - 1;
            }
            if (at != i) {
                auto moved = std::move(items[size_t(at)]);
                items.erase(items.begin() + at);
                items.insert(items.begin() + i, std::move(moved));
            }
        }
        // nothing beyond the map stays in a default collection
        if (int(items.size()) > n)
            items.resize(size_t(n));
    }

    if (m_recordsInRows) {
        for (auto &item : items)
            static_cast<TColumn *>(item.get())->m_defaultWidth = -1;
    }
    updateRowHeights();
    const int count = ItemCount();
    if (m_curField >= count)
        m_curField = qMax(0, count - 1);
    if (m_curField < 0)
        m_curField = 0;
    if (count > 0 && !itemShowing(m_curField)) {
        const int next = firstShowingIndex();
        if (next >= 0)
            m_curField = next;
    }
    if (m_leftField >= count)
        m_leftField = 0;
    updateRecordCount();
    ensureFieldVisible();
    updateScrollBars();
    updateActive();
    if (m_editorMode)
        m_editor->UpdateContents();
    viewport()->update();
}

void TqvDBGrid::updateRowHeights()
{
    const QFontMetrics fm(font());
    const QFontMetrics tfm(TitleFont());
    const int rowLines = m_options.testFlag(dgRowLines) ? 1 : 0;
    m_rowHeight = fm.height() + 3 + rowLines;
    const int titleHeight = tfm.height() + 4;
    if (m_recordsInRows) {
        m_titleExtent = m_titleOffset ? titleHeight : 0;
        m_indicatorExtent = m_indicatorOffset ? 11 : 0;
    } else {
        m_indicatorExtent = m_indicatorOffset ? titleHeight : 0;
        int width = 64;
        if (m_titleOffset) {
            for (int i = 0; i < ItemCount(); ++i)
                width = qMax(width, fm.horizontalAdvance(m_items->Item(i)->TitleCaption()) + 4);
        }
        m_titleExtent = m_titleOffset ? width : 0;
    }
}

int TqvDBGrid::lineAfterRecord() const
{
    return m_options.testFlag(m_recordsInRows ? dgRowLines : dgColLines) ? 1 : 0;
}

int TqvDBGrid::lineAfterField() const
{
    return m_options.testFlag(m_recordsInRows ? dgColLines : dgRowLines) ? 1 : 0;
}

int TqvDBGrid::recordPitch() const
{
    return (m_recordsInRows ? m_rowHeight : m_recordWidth) + lineAfterRecord();
}

bool TqvDBGrid::itemShowing(int dataIndex) const
{
    return dataIndex >= 0 && dataIndex < ItemCount() && m_items->Item(dataIndex)->Showing();
}

int TqvDBGrid::firstShowingIndex() const
{
    for (int i = 0; i < ItemCount(); ++i) {
        if (itemShowing(i))
            return i;
    }
    return -1;
}

int TqvDBGrid::lastShowingIndex() const
{
    for (int i = ItemCount() - 1; i >= 0; --i) {
        if (itemShowing(i))
            return i;
    }
    return -1;
}

int TqvDBGrid::fieldPitch(int dataIndex) const
{
    if (!itemShowing(dataIndex))
        return 0;
    if (m_recordsInRows) {
        const auto *column = static_cast<const TColumn *>(m_items->Item(dataIndex));
        return qMax(column->Width(), 0) + lineAfterField();
    }
    return m_rowHeight + lineAfterField();
}

int TqvDBGrid::titlePitch() const
{
    return m_titleOffset ? m_titleExtent + lineAfterRecord() : 0;
}

int TqvDBGrid::indicatorPitch() const
{
    return m_indicatorOffset ? m_indicatorExtent + lineAfterField() : 0;
}

int TqvDBGrid::recordAxisLength() const
{
    return m_recordsInRows ? viewport()->height() : viewport()->width();
}

int TqvDBGrid::fieldAxisLength() const
{
    return m_recordsInRows ? viewport()->width() : viewport()->height();
}

QRect TqvDBGrid::orient(int recordPos, int recordLen, int fieldPos, int fieldLen) const
{
    return m_recordsInRows ? QRect(fieldPos, recordPos, fieldLen, recordLen)
                           : QRect(recordPos, fieldPos, recordLen, fieldLen);
}

int TqvDBGrid::VisibleRecordCount() const
{
    const int pitch = recordPitch();
    return qMax(1, pitch > 0 ? (recordAxisLength() - titlePitch()) / pitch : 1);
}

int TqvDBGrid::shownRecordLanes() const
{
    pg::DataSet *ds = DataSet();
    if (!m_link->Active() || !ds || ds->recordCount() == 0)
        return 1;
    const int pitch = recordPitch();
    const int room = recordAxisLength() - titlePitch();
    const int lanes = pitch > 0 ? qMax(1, (room + pitch - 1) / pitch) : 1;
    return qMax(1, qMin(lanes, ds->recordCount() - m_top));
}

int TqvDBGrid::fieldLaneStart(int dataIndex) const
{
    if (dataIndex < m_leftField || !itemShowing(dataIndex))
        return -1;
    int pos = indicatorPitch();
    const int length = fieldAxisLength();
    for (int i = m_leftField; i < dataIndex; ++i) {
        pos += fieldPitch(i);
        if (pos >= length)
            return -1;
    }
    return pos < length ? pos : -1;
}

QRect TqvDBGrid::dataCellRect(int lane, int dataIndex) const
{
    if (lane < 0 || lane >= shownRecordLanes())
        return QRect();
    const int start = fieldLaneStart(dataIndex);
    if (start < 0)
        return QRect();
    const int rpos = titlePitch() + lane * recordPitch();
    return orient(rpos, recordPitch() - lineAfterRecord(), start,
                  fieldPitch(dataIndex) - lineAfterField());
}

void TqvDBGrid::updateRecordCount()
{
    pg::DataSet *ds = DataSet();
    const int count = m_link->Active() && ds ? ds->recordCount() : 0;
    const int visible = VisibleRecordCount();
    if (count <= visible) {
        m_top = 0;
    } else {
        // A hidden grid has no size of its own yet (or an old one): following the current
        // record with it would scroll records out of view that the shown grid has room for.
        // It follows the record once it is shown and sized.
        const int current = isVisible() ? ds->currentRow() : -1;
        if (current >= 0) {
            if (current < m_top)
                m_top = current;
            else if (current >= m_top + visible)
                m_top = current - visible + 1;
        }
        m_top = qBound(0, m_top, count - visible);
    }
}

void TqvDBGrid::updateActive()
{
    if (!m_editorMode)
        return;
    placeEditor();
    if (!m_link->IsModified()) {
        pg::DataSet *ds = DataSet();
        const int field = SelectedFieldIndex();
        const QString text = ds && field >= 0 && ds->currentRow() >= 0
            ? CellEditText(ds->currentRow(), field)
            : QString();
        if (text != m_editText || text != m_editor->text())
            refreshEditor();
    }
}

void TqvDBGrid::ensureFieldVisible()
{
    const int count = ItemCount();
    if (count == 0) {
        m_leftField = 0;
        return;
    }
    if (m_curField < m_leftField)
        m_leftField = m_curField;
    const int length = fieldAxisLength();
    auto endOfCurrent = [&] {
        int pos = indicatorPitch();
        for (int i = m_leftField; i <= m_curField; ++i)
            pos += fieldPitch(i);
        return pos;
    };
    while (m_leftField < m_curField && endOfCurrent() > length)
        ++m_leftField;
}

void TqvDBGrid::updateScrollBars()
{
    QScrollBar *records = m_recordsInRows ? verticalScrollBar() : horizontalScrollBar();
    QScrollBar *fields = m_recordsInRows ? horizontalScrollBar() : verticalScrollBar();
    const QSignalBlocker blockRecords(records);
    const QSignalBlocker blockFields(fields);
    pg::DataSet *ds = DataSet();
    if (m_link->Active() && ds && ds->recordCount() > VisibleRecordCount()) {
        records->setRange(0, ds->recordCount() - 1);
        records->setPageStep(VisibleRecordCount());
        records->setSingleStep(1);
        // the thumb follows the current record while it is browsed or edited
        if (ds->state() != pg::DataSetState::Insert)
            records->setValue(qMax(0, ds->currentRow()));
    } else {
        records->setRange(0, 0);
    }
    // fields: the last place from which the remaining lanes fill the view
    const int room = fieldAxisLength() - indicatorPitch();
    int maxLeft = 0;
    int used = 0;
    for (int i = ItemCount() - 1; i >= 0; --i) {
        used += fieldPitch(i);
        if (used > room) {
            maxLeft = i + 1;
            break;
        }
    }
    maxLeft = qMin(maxLeft, qMax(0, ItemCount() - 1));
    int fullyVisible = 0;
    for (int i = m_leftField, pos = 0; i < ItemCount(); ++i) {
        pos += fieldPitch(i);
        if (pos > room)
            break;
        ++fullyVisible;
    }
    fields->setRange(0, maxLeft);
    fields->setPageStep(qMax(1, fullyVisible));
    fields->setSingleStep(1);
    fields->setValue(qMin(m_leftField, maxLeft));
}

void TqvDBGrid::scrollContentsBy(int dx, int dy)
{
    Q_UNUSED(dx)
    Q_UNUSED(dy)
    // the grid scrolls by records and fields itself (recordScrollAction, fieldScrollAction)
}

void TqvDBGrid::fieldScrollAction(int action)
{
    Q_UNUSED(action)
    QScrollBar *fields = m_recordsInRows ? horizontalScrollBar() : verticalScrollBar();
    const int left = qBound(0, fields->sliderPosition(), qMax(0, ItemCount() - 1));
    if (left == m_leftField)
        return;
    m_leftField = left;
    placeEditor();
    viewport()->update();
}

void TqvDBGrid::recordScrollAction(int action)
{
    QScrollBar *records = m_recordsInRows ? verticalScrollBar() : horizontalScrollBar();
    const int position = records->sliderPosition();
    pg::DataSet *ds = DataSet();
    if (!m_link->Active() || !ds)
        return;
    if (!hasFocus() && !(m_editor && m_editor->hasFocus()))
        setFocus(Qt::MouseFocusReason);
    RunGuarded([&] {
        TqvGridCommitScope rule(ds);
        const int current = ds->currentRow();
        const int last = m_top + qMin(VisibleRecordCount(), ds->recordCount() - m_top) - 1;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            moveRecordBy(-(current - m_top + 1));
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            moveRecordBy(last - current + 1);
            break;
        case QAbstractSlider::SliderPageStepSub:
            moveRecordBy(-VisibleRecordCount());
            break;
        case QAbstractSlider::SliderPageStepAdd:
            moveRecordBy(VisibleRecordCount());
            break;
        case QAbstractSlider::SliderToMinimum:
            moveToRecord(0);
            break;
        case QAbstractSlider::SliderToMaximum:
            moveToRecord(ds->recordCount() - 1);
            break;
        case QAbstractSlider::SliderMove:
            moveToRecord(position);
            break;
        default:
            break;
        }
    });
    records->setSliderPosition(qMax(0, ds->currentRow()));
}

void TqvDBGrid::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    // the layout sizes a grid it shows after this event: follow the current record then
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            followSize();
    });
}

void TqvDBGrid::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    followSize();
}

void TqvDBGrid::followSize()
{
    if (m_updateLock == 0)
        updateRecordCount();
    ensureFieldVisible();
    updateScrollBars();
    placeEditor();
    viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Grid coordinates

int TqvDBGrid::Col() const
{
    pg::DataSet *ds = DataSet();
    const int lane = ds && ds->currentRow() >= 0 ? ds->currentRow() - m_top : 0;
    return m_recordsInRows ? m_indicatorOffset + m_curField : m_titleOffset + lane;
}

int TqvDBGrid::Row() const
{
    pg::DataSet *ds = DataSet();
    const int lane = ds && ds->currentRow() >= 0 ? ds->currentRow() - m_top : 0;
    return m_recordsInRows ? m_titleOffset + lane : m_indicatorOffset + m_curField;
}

int TqvDBGrid::ColCount() const
{
    pg::DataSet *ds = DataSet();
    const int buffer = m_link->Active() && ds && ds->recordCount() > 0
        ? qMin(VisibleRecordCount(), ds->recordCount() - m_top)
        : 1;
    return m_recordsInRows ? m_indicatorOffset + ItemCount() : m_titleOffset + buffer;
}

int TqvDBGrid::RowCount() const
{
    pg::DataSet *ds = DataSet();
    const int buffer = m_link->Active() && ds && ds->recordCount() > 0
        ? qMin(VisibleRecordCount(), ds->recordCount() - m_top)
        : 1;
    return m_recordsInRows ? m_titleOffset + buffer : m_indicatorOffset + ItemCount();
}

QRect TqvDBGrid::GetCellRect(int col, int row) const
{
    const int recordCoord = m_recordsInRows ? row : col;
    const int fieldCoord = m_recordsInRows ? col : row;
    const int lane = recordCoord - m_titleOffset;
    const int dataIndex = fieldCoord - m_indicatorOffset;
    int rpos = 0;
    int rlen = 0;
    if (lane < 0) {
        if (!m_titleOffset || recordCoord < 0)
            return QRect();
        rlen = m_titleExtent;
    } else {
        if (lane >= shownRecordLanes())
            return QRect();
        rpos = titlePitch() + lane * recordPitch();
        rlen = recordPitch() - lineAfterRecord();
    }
    int fpos = 0;
    int flen = 0;
    if (dataIndex < 0) {
        if (!m_indicatorOffset || fieldCoord < 0)
            return QRect();
        flen = m_indicatorExtent;
    } else {
        fpos = fieldLaneStart(dataIndex);
        if (fpos < 0)
            return QRect();
        flen = fieldPitch(dataIndex) - lineAfterField();
    }
    return orient(rpos, rlen, fpos, flen);
}

TqvDBGrid::Hit TqvDBGrid::hitTest(const QPoint &pos) const
{
    Hit h;
    const int r = m_recordsInRows ? pos.y() : pos.x();
    const int f = m_recordsInRows ? pos.x() : pos.y();
    if (r < 0 || f < 0 || r >= recordAxisLength() || f >= fieldAxisLength())
        return h;
    const int tp = titlePitch();
    bool recordOk = false;
    if (r < tp) {
        h.inTitles = true;
        recordOk = true;
    } else {
        const int lane = (r - tp) / recordPitch();
        if (lane < shownRecordLanes()) {
            h.lane = lane;
            recordOk = true;
            // the end of a record lane, where the lanes of the other grid are sized
            const int end = tp + (lane + 1) * recordPitch();
            if (!m_recordsInRows && end - r <= 3)
                h.border = -2;
        }
    }
    const int ip = indicatorPitch();
    bool fieldOk = false;
    if (f < ip) {
        h.inIndicator = true;
        fieldOk = true;
    } else {
        int start = ip;
        for (int i = m_leftField; i < ItemCount(); ++i) {
            const int pitch = fieldPitch(i);
            if (pitch <= 0)
                continue;
            if (f < start + pitch) {
                h.field = i;
                fieldOk = true;
                if (m_recordsInRows && start + pitch - f <= 3)
                    h.border = i;
                break;
            }
            start += pitch;
        }
        // just right of a column's end still sizes that column
        if (!fieldOk && m_recordsInRows) {
            int end = ip;
            for (int i = m_leftField; i < ItemCount(); ++i) {
                end += fieldPitch(i);
                if (fieldPitch(i) > 0 && qAbs(f - end) <= 2)
                    h.border = i;
            }
        }
    }
    h.inCell = recordOk && fieldOk;
    // sizing happens only where the titles of the fields (or the records' indicators) are
    const bool sizingPlace
        = m_recordsInRows ? h.inTitles && !h.inIndicator : h.inIndicator && !h.inTitles;
    if (!sizingPlace || !m_options.testFlag(dgColumnResize))
        h.border = -1;
    return h;
}

QPoint TqvDBGrid::MouseCoord(const QPoint &viewportPos) const
{
    const Hit h = hitTest(viewportPos);
    if (!h.inCell)
        return QPoint(-1, -1);
    const int recordCoord = h.inTitles ? 0 : m_titleOffset + h.lane;
    const int fieldCoord = h.inIndicator ? 0 : m_indicatorOffset + h.field;
    return m_recordsInRows ? QPoint(fieldCoord, recordCoord) : QPoint(recordCoord, fieldCoord);
}

int TqvDBGrid::PaintingRecord() const
{
    if (m_paintingRecord >= 0)
        return m_paintingRecord;
    pg::DataSet *ds = DataSet();
    return ds ? ds->currentRow() : -1;
}

QString TqvDBGrid::DisplayText(int row, int fieldIndex) const
{
    pg::DataSet *ds = DataSet();
    if (!ds || row < 0 || fieldIndex < 0 || fieldIndex >= ds->fields().count()
        || ds->isNull(row, fieldIndex))
        return QString();
    if (ds->fields().at(fieldIndex).fieldClass == pg::FieldClass::Boolean) {
        const QByteArrayView raw = ds->raw(row, fieldIndex);
        return !raw.isEmpty() && raw.at(0) == 't' ? QStringLiteral("true")
                                                  : QStringLiteral("false");
    }
    return ds->text(row, fieldIndex);
}

QString TqvDBGrid::CellEditText(int row, int fieldIndex) const
{
    pg::DataSet *ds = DataSet();
    if (!ds || row < 0 || fieldIndex < 0 || fieldIndex >= ds->fields().count()
        || ds->isNull(row, fieldIndex))
        return QString(QLatin1String(""));
    if (ds->fields().at(fieldIndex).fieldClass == pg::FieldClass::Blob)
        return QString::fromLatin1(ds->bytes(row, fieldIndex).left(200).toHex().toUpper());
    return DisplayText(row, fieldIndex);
}

// ---------------------------------------------------------------------------------------------
// The two grids

TqvDBGridV::TqvDBGridV(QWidget *parent)
    : TqvDBGrid(true, parent)
{ }

void TqvDBGridV::DefaultDrawColumnCell(QPainter &painter, const QRect &rect, int dataCol,
                                       TColumn *column, int state)
{
    Q_UNUSED(state)
    const int field = column ? column->FieldIndex() : DataLink()->FieldListIndex(dataCol);
    DrawGridCellText(painter, rect, 2, 2, DisplayText(PaintingRecord(), field),
                     column ? column->Alignment() : Qt::AlignLeft);
}

void TqvDBGridV::drawItemCell(QPainter *painter, const QRect &rect, int dataIndex,
                              TDBGridItem *item, int state)
{
    Q_EMIT OnDrawColumnCell(painter, rect, dataIndex, static_cast<TColumn *>(item), state);
}

void TqvDBGridV::cellClick(TDBGridItem *item)
{
    Q_EMIT OnCellClick(static_cast<TColumn *>(item));
}

void TqvDBGridV::titleClick(TDBGridItem *item)
{
    Q_EMIT OnTitleClick(static_cast<TColumn *>(item));
}

TqvDBGridH::TqvDBGridH(QWidget *parent)
    : TqvDBGrid(false, parent)
{ }

int TqvDBGridH::GetColWidth(int col) const
{
    return col < TitleOffset() ? GetCellRect(col, 0).width() : DefaultColWidth();
}

void TqvDBGridH::DefaultDrawRowCell(QPainter &painter, const QRect &rect, int dataRow, TRow *row,
                                    int state)
{
    Q_UNUSED(state)
    const int field = row ? row->FieldIndex() : DataLink()->FieldListIndex(dataRow);
    DrawGridCellText(painter, rect, 2, 2, DisplayText(PaintingRecord(), field),
                     row ? row->Alignment() : Qt::AlignLeft);
}

void TqvDBGridH::drawItemCell(QPainter *painter, const QRect &rect, int dataIndex,
                              TDBGridItem *item, int state)
{
    Q_EMIT OnDrawRowCell(painter, rect, dataIndex, static_cast<TRow *>(item), state);
}

void TqvDBGridH::cellClick(TDBGridItem *item)
{
    Q_EMIT OnCellClick(static_cast<TRow *>(item));
}

void TqvDBGridH::titleClick(TDBGridItem *item)
{
    Q_EMIT OnTitleClick(static_cast<TRow *>(item));
}
