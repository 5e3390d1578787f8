#include "qvdbgridlink.h"

#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "qvdbgrid.h"

#include <QHash>

#include <algorithm>

namespace qvdbgridlink {

// How many transaction rules are open per connection: the outermost one ends the rule.
QHash<const void *, int> &ruleDepth()
{
    static QHash<const void *, int> depth;
    return depth;
}

} // namespace qvdbgridlink

EInvalidGridOperation::EInvalidGridOperation(const QString &message)
    : std::runtime_error(message.toStdString())
{ }

void RaiseGridOperationError(const QString &message)
{
    throw EInvalidGridOperation(message);
}

// ---------------------------------------------------------------------------------------------
// TGridDataLink

TGridDataLink::TGridDataLink(TqvDBGrid *grid)
    : QObject(grid)
    , m_grid(grid)
{ }

TGridDataLink::~TGridDataLink()
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
}

void TGridDataLink::setDataSet(pg::DataSet *dataSet)
{
    if (m_dataSet == dataSet)
        return;
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_dataSet = dataSet;
    if (dataSet) {
        m_connections << connect(dataSet, &pg::DataSet::aboutToBeReset, this,
                                 [this] { m_grid->beforeDataSetReset(); });
        m_connections << connect(dataSet, &pg::DataSet::wasReset, this, &TGridDataLink::reset);
        m_connections << connect(dataSet, &pg::DataSet::rowsInserted, this,
                                 &TGridDataLink::dataChanged);
        m_connections << connect(dataSet, &pg::DataSet::rowsRemoved, this, [this] {
            m_grid->m_bookmarks->Refresh();
            dataChanged();
        });
        m_connections << connect(dataSet, &pg::DataSet::currentChanged, this,
                                 &TGridDataLink::dataChanged);
        m_connections << connect(dataSet, &pg::DataSet::rowChanged, this,
                                 &TGridDataLink::recordChanged);
        m_connections << connect(dataSet, &pg::DataSet::stateChanged, this,
                                 &TGridDataLink::stateChanged);
        m_connections << connect(dataSet, &pg::DataSet::layoutChanged, this,
                                 &TGridDataLink::layoutChanged);
        m_connections << connect(dataSet, &pg::DataSet::aboutToPost, this, [this] {
            // the editor's text belongs to the record about to be written
            if (!m_inUpdateData)
                UpdateData();
        });
        m_connections << connect(dataSet, &QObject::destroyed, this, [this] {
            m_connections.clear();
            if (m_active) {
                m_active = false;
                m_modified = false;
                m_grid->linkActive(false);
            }
        });
    }
    const bool active = dataSet && dataSet->isActive();
    m_active = active;
    m_modified = false;
    m_grid->linkActive(active);
}

bool TGridDataLink::ReadOnly() const
{
    return !m_dataSet || !m_dataSet->canModify();
}

bool TGridDataLink::AddMapping(const QString &fieldName)
{
    if (FieldCount() >= MaxMapCount)
        RaiseGridOperationError(QStringLiteral("グリッドの 256 カラム数の限界を超えました"));
    int index = -1;
    if (m_dataSet)
        index = m_dataSet->fieldIndex(fieldName);
    if (index < 0 && !m_sparseMap) {
        throw pg::Error(QString::fromLatin1(pg::sqlstate::InvalidValue),
                        QStringLiteral("フィールド '%1' が見つかりません").arg(fieldName));
    }
    if (m_fieldMap.size() == m_fieldMap.capacity()) {
        const size_t grown = m_fieldMap.empty() ? 8 : m_fieldMap.size() * 2;
        m_fieldMap.reserve(std::min<size_t>(grown, MaxMapCount));
    }
    m_fieldMap.push_back(index);
    return true;
}

void TGridDataLink::AddMappingIndex(int fieldIndex)
{
    if (FieldCount() >= MaxMapCount)
        RaiseGridOperationError(QStringLiteral("グリッドの 256 カラム数の限界を超えました"));
    m_fieldMap.push_back(fieldIndex);
}

void TGridDataLink::ClearMapping()
{
    std::vector<int>().swap(m_fieldMap);
}

const pg::Field *TGridDataLink::Fields(int i) const
{
    const int index = FieldListIndex(i);
    if (index < 0 || !m_dataSet || index >= m_dataSet->fields().count())
        return nullptr;
    return &m_dataSet->fields().at(index);
}

int TGridDataLink::FieldListIndex(int i) const
{
    return i >= 0 && i < FieldCount() ? m_fieldMap[size_t(i)] : -1;
}

bool TGridDataLink::DefaultFields() const
{
    if (!m_sparseMap)
        return true;
    return std::find(m_fieldMap.begin(), m_fieldMap.end(), -1) == m_fieldMap.end();
}

void TGridDataLink::Reset()
{
    if (m_modified) {
        m_modified = false;
        m_grid->recordChanged(-1);
    } else if (m_dataSet && m_dataSet->isActive()) {
        m_dataSet->cancel();
    }
}

void TGridDataLink::UpdateData()
{
    if (m_inUpdateData)
        return;
    m_inUpdateData = true;
    try {
        if (m_modified)
            m_grid->updateDataFromEditor();
    } catch (...) {
        m_inUpdateData = false;
        throw;
    }
    m_inUpdateData = false;
    m_modified = false;
}

void TGridDataLink::DisableControls()
{
    ++m_disabled;
}

void TGridDataLink::EnableControls()
{
    if (m_disabled > 0 && --m_disabled == 0)
        flush();
}

void TGridDataLink::flush()
{
    const bool layout = m_pendingLayout;
    const bool data = m_pendingData;
    m_pendingLayout = false;
    m_pendingData = false;
    if (layout)
        m_grid->LayoutChanged();
    if (data || layout)
        m_grid->dataChanged();
}

void TGridDataLink::reset()
{
    const bool active = m_dataSet && m_dataSet->isActive();
    m_modified = false;
    if (active != m_active) {
        m_active = active;
        m_grid->linkActive(active);
    } else {
        // the same state with other rows and fields (a result shown in place of another)
        layoutChanged();
    }
}

void TGridDataLink::dataChanged()
{
    if (m_disabled > 0) {
        m_pendingData = true;
        return;
    }
    m_grid->dataChanged();
}

void TGridDataLink::layoutChanged()
{
    if (m_disabled > 0) {
        m_pendingLayout = true;
        return;
    }
    m_grid->LayoutChanged();
    m_grid->dataChanged();
}

void TGridDataLink::stateChanged()
{
    if (m_disabled > 0) {
        m_pendingData = true;
        return;
    }
    m_grid->editingChanged();
}

void TGridDataLink::recordChanged(int row)
{
    if (m_dataSet && row == m_dataSet->currentRow())
        m_modified = false;
    if (m_disabled > 0) {
        m_pendingData = true;
        return;
    }
    m_grid->recordChanged(row);
}

// ---------------------------------------------------------------------------------------------
// TBookmarkList

TBookmarkList::TBookmarkList(TqvDBGrid *grid)
    : m_grid(grid)
{ }

pg::DataSet *TBookmarkList::dataSet() const
{
    return m_grid->DataSet();
}

void TBookmarkList::changed()
{
    m_cache = pg::NoBookmark;
    m_cacheIndex = -1;
}

void TBookmarkList::Clear()
{
    if (m_list.empty())
        return;
    m_list.clear();
    changed();
    m_grid->invalidateAll();
}

bool TBookmarkList::Find(pg::Bookmark item, int &index) const
{
    if (item == m_cache && m_cacheIndex >= 0) {
        index = m_cacheIndex;
        return m_cacheFind;
    }
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int c = CompareItems(m_list[size_t(middle)], item);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                low = middle;
            }
        }
    }
    index = low;
    m_cache = item;
    m_cacheIndex = low;
    m_cacheFind = found;
    return found;
}

int TBookmarkList::IndexOf(pg::Bookmark item) const
{
    int index = -1;
    return Find(item, index) ? index : -1;
}

bool TBookmarkList::Refresh()
{
    pg::DataSet *ds = dataSet();
    if (!ds || m_list.empty())
        return false;
    const size_t before = m_list.size();
    m_list.erase(std::remove_if(m_list.begin(), m_list.end(),
                                [ds](pg::Bookmark b) { return !ds->isValidBookmark(b); }),
                 m_list.end());
    if (m_list.size() == before)
        return false;
    changed();
    m_grid->invalidateAll();
    return true;
}

void TBookmarkList::Delete()
{
    pg::DataSet *ds = dataSet();
    if (!ds)
        return;
    TGridDataLink *link = m_grid->DataLink();
    link->DisableControls();
    try {
        while (!m_list.empty()) {
            const pg::Bookmark b = m_list.back();
            if (ds->gotoBookmark(b))
                ds->deleteRecord();
            // the removal notification may have dropped the entry already
            const auto it = std::find(m_list.begin(), m_list.end(), b);
            if (it != m_list.end())
                m_list.erase(it);
            changed();
        }
    } catch (...) {
        link->EnableControls();
        m_grid->invalidateAll();
        throw;
    }
    link->EnableControls();
    m_grid->invalidateAll();
}

void TBookmarkList::SelectAll()
{
    pg::DataSet *ds = dataSet();
    if (!ds || !ds->isActive())
        return;
    const int count = ds->recordCount();
    m_list.clear();
    m_list.reserve(size_t(count));
    for (int row = 0; row < count; ++row)
        m_list.push_back(ds->bookmarkAt(row));
    changed();
    m_grid->invalidateAll();
}

void TBookmarkList::SelectRows(int from, int to)
{
    pg::DataSet *ds = dataSet();
    if (!ds || !ds->isActive())
        return;
    if (from > to)
        std::swap(from, to);
    from = qMax(0, from);
    to = qMin(to, ds->recordCount() - 1);
    m_list.clear();
    for (int row = from; row <= to; ++row)
        m_list.push_back(ds->bookmarkAt(row));
    changed();
    m_grid->invalidateAll();
}

int TBookmarkList::CompareItems(pg::Bookmark a, pg::Bookmark b) const
{
    pg::DataSet *ds = dataSet();
    return ds ? ds->compareBookmarks(a, b) : (a < b ? -1 : (a > b ? 1 : 0));
}

pg::Bookmark TBookmarkList::CurrentBookmark() const
{
    pg::DataSet *ds = dataSet();
    if (!m_linkActive || !ds)
        RaiseGridOperationError(
            QStringLiteral("データセットは閉じているため, この操作は実行できません"));
    return ds->bookmark();
}

bool TBookmarkList::CurrentRowSelected() const
{
    const pg::Bookmark current = CurrentBookmark();
    if (current == pg::NoBookmark)
        return false;
    int index = -1;
    return Find(current, index);
}

void TBookmarkList::setCurrentRowSelected(bool selected)
{
    const pg::Bookmark current = CurrentBookmark();
    if (current == pg::NoBookmark)
        return;
    int index = -1;
    if (Find(current, index) == selected)
        return;
    if (selected)
        m_list.insert(m_list.begin() + index, current);
    else
        m_list.erase(m_list.begin() + index);
    changed();
    m_grid->invalidateRecord(dataSet()->currentRow());
}

void TBookmarkList::SetLinkActive(bool active)
{
    m_list.clear();
    changed();
    m_linkActive = active;
}

// ---------------------------------------------------------------------------------------------
// TqvGridCommitScope

TqvGridCommitScope::TqvGridCommitScope(pg::DataSet *dataSet)
    : m_connection(dataSet ? dataSet->connection() : nullptr)
{
    if (!m_connection)
        return;
    ++qvdbgridlink::ruleDepth()[m_connection.data()];
    m_connection->setAutoCommit(AppOption.UpdateToCommit);
}

TqvGridCommitScope::~TqvGridCommitScope()
{
    if (!m_connection)
        return;
    auto &depth = qvdbgridlink::ruleDepth();
    const void *key = m_connection.data();
    if (--depth[key] <= 0) {
        depth.remove(key);
        m_connection->setAutoCommit(false);
    }
}
