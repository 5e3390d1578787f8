#include "qvdbgridcolumns.h"

#include "platform/pg/dataset.h"
#include "qvdbgrid.h"

#include <QFontMetrics>

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TDBGridItem

TDBGridItem::TDBGridItem(TDBGridItems *collection)
    : m_collection(collection)
{ }

TDBGridItem::~TDBGridItem() = default;

TqvDBGrid *TDBGridItem::Grid() const
{
    return m_collection ? m_collection->Grid() : nullptr;
}

int TDBGridItem::Index() const
{
    return m_collection ? m_collection->IndexOf(this) : -1;
}

void TDBGridItem::setIndex(int index)
{
    if (m_collection)
        m_collection->Move(Index(), index);
}

int TDBGridItem::FieldIndex() const
{
    if (m_fieldResolved)
        return m_field;
    m_field = -1;
    TqvDBGrid *grid = Grid();
    pg::DataSet *ds = grid ? grid->DataSet() : nullptr;
    if (ds && ds->isActive() && !m_fieldName.isEmpty()) {
        m_field = ds->fieldIndex(m_fieldName);
        m_fieldResolved = true;
    }
    return m_field;
}

const pg::Field *TDBGridItem::Field() const
{
    const int index = FieldIndex();
    TqvDBGrid *grid = Grid();
    pg::DataSet *ds = grid ? grid->DataSet() : nullptr;
    if (index < 0 || !ds || index >= ds->fields().count())
        return nullptr;
    return &ds->fields().at(index);
}

void TDBGridItem::setFieldName(const QString &name)
{
    m_fieldName = name;
    m_fieldResolved = false;
    m_field = -1;
    changed(true);
}

void TDBGridItem::setFieldIndex(int index)
{
    if (m_fieldResolved && m_field == index)
        return;
    TqvDBGrid *grid = Grid();
    pg::DataSet *ds = grid ? grid->DataSet() : nullptr;
    const bool valid = ds && index >= 0 && index < ds->fields().count();
    m_field = valid ? index : -1;
    m_fieldResolved = true;
    if (valid) {
        m_fieldName = ds->fields().at(index).name;
    } else if (!m_stored) {
        m_fieldName.clear();
    }
    if (!m_stored)
        RestoreDefaults();
}

QString TDBGridItem::DefaultTitleCaption() const
{
    const pg::Field *f = Field();
    return f ? f->name : m_fieldName;
}

QString TDBGridItem::TitleCaption() const
{
    return m_assigned.testFlag(cvTitleCaption) ? m_title : DefaultTitleCaption();
}

void TDBGridItem::setTitleCaption(const QString &caption)
{
    if (m_assigned.testFlag(cvTitleCaption) && m_title == caption)
        return;
    m_title = caption;
    m_assigned |= cvTitleCaption;
    changed(true); // the title lane's size may follow the captions
}

Qt::Alignment TDBGridItem::DefaultAlignment() const
{
    const pg::Field *f = Field();
    return f && pg::isNumeric(f->fieldClass) ? Qt::AlignRight : Qt::AlignLeft;
}

Qt::Alignment TDBGridItem::Alignment() const
{
    return m_assigned.testFlag(cvAlignment) ? m_alignment : DefaultAlignment();
}

void TDBGridItem::setAlignment(Qt::Alignment alignment)
{
    if (m_assigned.testFlag(cvAlignment) && m_alignment == alignment)
        return;
    m_alignment = alignment;
    m_assigned |= cvAlignment;
    changed();
}

bool TDBGridItem::DefaultReadOnly() const
{
    TqvDBGrid *grid = Grid();
    if (grid && grid->ReadOnly())
        return true;
    const pg::Field *f = Field();
    return f ? f->readOnly : false;
}

bool TDBGridItem::ReadOnly() const
{
    return m_assigned.testFlag(cvReadOnly) ? m_readOnly : DefaultReadOnly();
}

void TDBGridItem::setReadOnly(bool readOnly)
{
    if (m_assigned.testFlag(cvReadOnly) && m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    m_assigned |= cvReadOnly;
    changed();
}

void TDBGridItem::setButtonStyle(TColumnButtonStyle style)
{
    if (m_buttonStyle == style)
        return;
    m_buttonStyle = style;
    changed();
}

void TDBGridItem::setPickList(const QStringList &items)
{
    m_pickList = items;
    changed();
}

void TDBGridItem::setVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    changed(true);
}

void TDBGridItem::RestoreDefaults()
{
    m_assigned = {};
    m_title.clear();
    m_pickList.clear();
    m_buttonStyle = cbsAuto;
    changed();
}

void TDBGridItem::Assign(const TDBGridItem &source)
{
    TDBGridItems *c = m_collection;
    if (c)
        c->BeginUpdate();
    RestoreDefaults();
    m_fieldName = source.m_fieldName;
    m_fieldResolved = false;
    if (source.m_assigned.testFlag(cvAlignment))
        setAlignment(source.m_alignment);
    if (source.m_assigned.testFlag(cvReadOnly))
        setReadOnly(source.m_readOnly);
    if (source.m_assigned.testFlag(cvTitleCaption))
        setTitleCaption(source.m_title);
    m_dropDownRows = source.m_dropDownRows;
    m_buttonStyle = source.m_buttonStyle;
    m_pickList = source.m_pickList;
    m_visible = source.m_visible;
    changed(true);
    if (c)
        c->EndUpdate();
}

void TDBGridItem::changed(bool all)
{
    if (m_collection)
        m_collection->itemChanged(this, all);
}

// ---------------------------------------------------------------------------------------------
// TColumn

TColumn::TColumn(TDBGridItems *collection)
    : TDBGridItem(collection)
{ }

int TColumn::DefaultWidth() const
{
    TqvDBGrid *grid = Grid();
    if (!grid)
        return 64;
    const pg::Field *f = Field();
    if (!f)
        return 64;
    if (m_defaultWidth >= 0)
        return m_defaultWidth;
    const QFontMetrics fm(grid->font());
    // an unbounded text field starts at ten digits, as long values do
    const int digits = f->displayWidth > 0 ? qMin(f->displayWidth, 200) : 10;
    int width = digits * fm.horizontalAdvance(QLatin1Char('0')) + 4;
    if (grid->Options().testFlag(dgTitles)) {
        const QFontMetrics tfm(grid->TitleFont());
        width = qMax(width, tfm.horizontalAdvance(TitleCaption()) + 4);
    }
    m_defaultWidth = width;
    return width;
}

int TColumn::Width() const
{
    if (!Showing())
        return -1;
    return AssignedValues().testFlag(cvWidth) ? m_width : DefaultWidth();
}

void TColumn::setWidth(int width)
{
    if (width == -1)
        return;
    // a column never gets so narrow that the mouse cannot grab its border again
    width = qMax(width, 1);
    if (AssignedValues().testFlag(cvWidth) || width != DefaultWidth()) {
        m_width = width;
        setAssigned(cvWidth);
    }
    changed();
}

void TColumn::RestoreDefaults()
{
    TDBGridItem::RestoreDefaults();
}

void TColumn::Assign(const TDBGridItem &source)
{
    TDBGridItem::Assign(source);
    if (auto *column = dynamic_cast<const TColumn *>(&source)) {
        if (column->AssignedValues().testFlag(cvWidth))
            setWidth(column->m_width);
    }
}

// ---------------------------------------------------------------------------------------------
// TRow

TRow::TRow(TDBGridItems *collection)
    : TDBGridItem(collection)
{ }

// ---------------------------------------------------------------------------------------------
// TDBGridItems

TDBGridItems::TDBGridItems(TqvDBGrid *grid)
    : m_grid(grid)
{ }

TDBGridItems::~TDBGridItems()
{
    // the items must not report to a grid that is going away
    for (auto &item : m_items)
        item->m_collection = nullptr;
}

TDBGridItem *TDBGridItems::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw EInvalidGridOperation(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    return m_items[size_t(index)].get();
}

int TDBGridItems::IndexOf(const TDBGridItem *item) const
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == item)
            return int(i);
    }
    return -1;
}

TDBGridColumnsState TDBGridItems::State() const
{
    return !m_items.empty() && m_items.front()->m_stored ? csCustomized : csDefault;
}

void TDBGridItems::setState(TDBGridColumnsState state)
{
    if (state == State())
        return;
    if (state == csCustomized) {
        RebuildItems();
    } else {
        BeginUpdate();
        Clear();
        EndUpdate();
    }
}

TDBGridItem *TDBGridItems::AddItem()
{
    if (m_grid)
        m_grid->BeginLayout();
    m_items.push_back(createItem());
    TDBGridItem *item = m_items.back().get();
    if (m_grid)
        m_grid->EndLayout();
    return item;
}

TDBGridItem *TDBGridItems::AddDefaultItem()
{
    m_items.push_back(createItem());
    TDBGridItem *item = m_items.back().get();
    item->m_stored = false;
    return item;
}

void TDBGridItems::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    m_items.erase(m_items.begin() + index);
    itemChanged(nullptr, true);
}

void TDBGridItems::Clear()
{
    if (m_items.empty())
        return;
    m_items.clear();
    itemChanged(nullptr, true);
}

void TDBGridItems::Move(int from, int to)
{
    if (from < 0 || from >= Count())
        return;
    to = qBound(0, to, Count() - 1);
    if (from == to)
        return;
    auto item = std::move(m_items[size_t(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(item));
    itemChanged(nullptr, true);
}

void TDBGridItems::RebuildItems()
{
    pg::DataSet *ds = m_grid ? m_grid->DataSet() : nullptr;
    BeginUpdate();
    m_items.clear();
    if (ds) {
        for (const pg::Field &f : ds->fields()) {
            m_items.push_back(createItem());
            m_items.back()->m_fieldName = f.name;
        }
    }
    m_changedInUpdate = true;
    EndUpdate();
}

void TDBGridItems::RestoreDefaults()
{
    BeginUpdate();
    for (auto &item : m_items)
        item->RestoreDefaults();
    EndUpdate();
}

void TDBGridItems::BeginUpdate()
{
    ++m_updateCount;
}

void TDBGridItems::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0 && m_changedInUpdate) {
        m_changedInUpdate = false;
        itemChanged(nullptr, true);
    }
}

void TDBGridItems::itemChanged(TDBGridItem *item, bool all)
{
    if (!m_grid)
        return;
    if (m_updateCount > 0) {
        m_changedInUpdate = true;
        return;
    }
    if (all || !item)
        m_grid->LayoutChanged();
    else
        m_grid->itemChanged(item);
}

TDBGridColumns::TDBGridColumns(TqvDBGrid *grid)
    : TDBGridItems(grid)
{ }

std::unique_ptr<TDBGridItem> TDBGridColumns::createItem()
{
    return std::make_unique<TColumn>(this);
}

TDBGridRows::TDBGridRows(TqvDBGrid *grid)
    : TDBGridItems(grid)
{ }

std::unique_ptr<TDBGridItem> TDBGridRows::createItem()
{
    return std::make_unique<TRow>(this);
}
