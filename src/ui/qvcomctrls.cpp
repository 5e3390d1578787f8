#include "qvcomctrls.h"

#include "core/qvnumtext.h"

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QDrag>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLocale>
#include <QMetaMethod>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace qvcomctrls {

// Cells take the alignment of their column's header unless they carry their own.
class ColumnDelegate : public QStyledItemDelegate
{
public:
    explicit ColumnDelegate(QTreeWidget *view)
        : QStyledItemDelegate(view)
        , m_view(view)
    { }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        auto *tree = qobject_cast<TqvTreeView *>(m_view);
        if (tree && index.column() > 0) {
            auto *node = dynamic_cast<TqvTreeNode *>(tree->itemFromIndex(index.siblingAtColumn(0)));
            if (node) {
                QRect rect = option.rect;
                bool defaultDraw = true;
                Q_EMIT tree->OnCustomDrawSubItem(node, index.column() - 1, option.state, painter,
                                                 rect, defaultDraw);
                if (!defaultDraw)
                    return;
                QStyleOptionViewItem moved = option;
                moved.rect = rect;
                QStyledItemDelegate::paint(painter, moved, index);
                return;
            }
        }
        QStyledItemDelegate::paint(painter, option, index);
    }

    // A committed caption goes through the list's OnEdited before the item takes it.
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        auto *list = qobject_cast<TqvListView *>(m_view);
        auto *line = qobject_cast<QLineEdit *>(editor);
        if (list && line && index.column() == 0) {
            list->commitCaption(list->itemFromIndex(index), line->text());
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!index.data(Qt::TextAlignmentRole).isValid()) {
            const QVariant column
                = m_view->headerItem()->data(index.column(), Qt::TextAlignmentRole);
            if (column.isValid())
                option->displayAlignment = Qt::Alignment(column.toInt()) | Qt::AlignVCenter;
        }
    }

private:
    QTreeWidget *m_view;
};

static bool equalsFolded(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode();
        char16_t y = b.at(i).unicode();
        if (x >= u'A' && x <= u'Z')
            x = x - u'A' + u'a';
        if (y >= u'A' && y <= u'Z')
            y = y - u'A' + u'a';
        if (x != y)
            return false;
    }
    return true;
}

static int sign(double value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

} // namespace qvcomctrls

using namespace qvcomctrls;

// --- TqvListView

TqvListView::TqvListView(QWidget *parent)
    : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setItemDelegate(new ColumnDelegate(this));
    header()->setSectionsClickable(true);
    connect(header(), &QHeaderView::sectionClicked, this, &TqvListView::columnClicked);
}

void TqvListView::setColumnAlignment(int column, Qt::Alignment alignment)
{
    headerItem()->setData(column, Qt::TextAlignmentRole, int(alignment | Qt::AlignVCenter));
    viewport()->update();
}

Qt::Alignment TqvListView::ColumnAlignment(int column) const
{
    const QVariant value = headerItem()->data(column, Qt::TextAlignmentRole);
    return value.isValid() ? Qt::Alignment(value.toInt()) & Qt::AlignHorizontal_Mask
                           : Qt::Alignment(Qt::AlignLeft);
}

void TqvListView::columnClicked(int column)
{
    if (std::abs(m_sortID) == column + 1)
        m_sortID = -m_sortID;
    else
        m_sortID = column + 1;
    SortItems();
    Q_EMIT OnColumnClick(column);
}

int TqvListView::CompareItems(QTreeWidgetItem *item1, QTreeWidgetItem *item2)
{
    int result = 0;
    const int column = std::abs(m_sortID) - 1;
    if (m_sortID != 0 && column < columnCount()) {
        // A missing sub-item reads as the empty text.
        QString first = (m_sortID > 0 ? item1 : item2)->text(column);
        QString second = (m_sortID > 0 ? item2 : item1)->text(column);
        if (ColumnAlignment(column) & Qt::AlignRight) {
            // Figures with thousands separators; always read with "." as the decimal point.
            const double a = StrToFloatDefault(first.remove(u','), 0);
            const double b = StrToFloatDefault(second.remove(u','), 0);
            result = sign(std::nearbyint((a - b) * 100));
        } else {
            result = sign(QString::localeAwareCompare(first, second));
        }
    }
    Q_EMIT OnCompare(item1, item2, result);
    return result;
}

void TqvListView::SortItems()
{
    // A handler of OnCompare may change any verdict, so it must see every comparison the sort
    // makes; without one the texts are read and keyed once per item instead of twice per
    // comparison.
    if (!signalsBlocked() && isSignalConnected(QMetaMethod::fromSignal(&TqvListView::OnCompare))) {
        QTreeWidgetItem *current = currentItem();
        const QList<QTreeWidgetItem *> selected = selectedItems();
        QList<QTreeWidgetItem *> items = invisibleRootItem()->takeChildren();
        std::stable_sort(
            items.begin(), items.end(),
            [this](QTreeWidgetItem *a, QTreeWidgetItem *b) { return CompareItems(a, b) < 0; });
        addTopLevelItems(items);
        if (current)
            setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
        for (QTreeWidgetItem *item : selected)
            item->setSelected(true);
        return;
    }
    const int column = std::abs(m_sortID) - 1;
    const int count = topLevelItemCount();
    // Every pair compares equal: a stable sort keeps the order as it is.
    if (m_sortID == 0 || column >= columnCount() || count < 2)
        return;
    const bool descending = m_sortID < 0;
    QList<QTreeWidgetItem *> items;
    items.reserve(count);
    for (int i = 0; i < count; ++i)
        items << topLevelItem(i);
    std::vector<int> order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        order[size_t(i)] = i;
    bool sorted = false;
    if (ColumnAlignment(column) & Qt::AlignRight) {
        // The same figures CompareItems reads, read once. Two figures closer than a hundredth
        // are equal, which is not transitive: the sort makes the comparisons CompareItems
        // would, and the list is never taken as sorted from its neighbours alone.
        std::vector<double> figures(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            figures[size_t(i)] = StrToFloatDefault(items.at(i)->text(column).remove(u','), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            if (descending)
                std::swap(a, b);
            return std::nearbyint((figures[size_t(a)] - figures[size_t(b)]) * 100) < 0;
        });
    } else {
        // QString::localeAwareCompare is the default collator's compare; its sort keys order
        // as it does. Under the C locale it compares UTF-16 units, which the texts themselves
        // do faster than keys. An empty text sorts first, as the collator's compare has it.
        const QCollator collator;
        const bool plain = collator.locale().language() == QLocale::C;
        QStringList texts;
        texts.reserve(count);
        for (QTreeWidgetItem *item : std::as_const(items))
            texts << item->text(column);
        std::vector<QCollatorSortKey> keys;
        if (!plain) {
            keys.reserve(size_t(count));
            for (const QString &text : std::as_const(texts))
                keys.push_back(collator.sortKey(text));
        }
        const auto less = [&](int a, int b) {
            if (descending)
                std::swap(a, b);
            const QString &first = texts.at(a);
            const QString &second = texts.at(b);
            if (first.isEmpty() || second.isEmpty())
                return first.isEmpty() && !second.isEmpty();
            return plain ? first.compare(second) < 0 : keys[size_t(a)].compare(keys[size_t(b)]) < 0;
        };
        // Lists mostly come in the server's order already, which is often this one.
        sorted = true;
        for (int i = 1; i < count && sorted; ++i)
            sorted = !less(i, i - 1);
        if (!sorted)
            std::stable_sort(order.begin(), order.end(), less);
    }
    if (sorted)
        return;
    QTreeWidgetItem *current = currentItem();
    const QList<QTreeWidgetItem *> selected = selectedItems();
    invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem *> ordered;
    ordered.reserve(count);
    for (const int i : order)
        ordered << items.at(i);
    addTopLevelItems(ordered);
    if (current)
        setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem *item : selected)
        item->setSelected(true);
}

bool TqvListView::EditCaption(QTreeWidgetItem *item)
{
    if (!item || item->treeWidget() != this)
        return false;
    setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    return edit(indexFromItem(item, 0), AllEditTriggers, nullptr);
}

bool TqvListView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // Only a trigger that opens an editor asks the window; the view also calls this for every
    // press and key to let editors see events.
    const bool opens = trigger == AllEditTriggers || (trigger & editTriggers());
    if (!opens || !index.isValid() || IsEditing())
        return QTreeWidget::edit(index, trigger, event);
    QTreeWidgetItem *item = itemFromIndex(index.siblingAtColumn(0));
    if (!item)
        return false;
    bool allow = true;
    Q_EMIT OnEditing(item, allow);
    if (!allow)
        return false;
    if (!(item->flags() & Qt::ItemIsEditable))
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    return QTreeWidget::edit(index.siblingAtColumn(0), trigger, event);
}

void TqvListView::commitCaption(QTreeWidgetItem *item, QString text)
{
    // A message box that the handler shows takes the focus from the editor, which commits
    // again: only the first commit counts.
    static bool committing = false;
    if (!item || committing)
        return;
    committing = true;
    struct Reset
    {
        ~Reset() { committing = false; }
    } reset;
    // The handler may remove the item: it is looked for again afterwards.
    const QPersistentModelIndex where(indexFromItem(item, 0));
    Q_EMIT OnEdited(item, text);
    if (where.isValid())
        itemFromIndex(where)->setText(0, text);
}

QMimeData *TqvListView::DragData() const
{
    QJsonArray rows;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = topLevelItem(i);
        if (!item->isSelected())
            continue;
        QJsonArray subItems;
        for (int column = 1; column < item->columnCount(); ++column)
            subItems.append(item->text(column));
        const QVariant image = item->data(0, ListImageIndexRole);
        rows.append(QJsonObject { { QStringLiteral("image"), image.isValid() ? image.toInt() : -1 },
                                  { QStringLiteral("caption"), item->text(0) },
                                  { QStringLiteral("subItems"), subItems } });
    }
    if (rows.isEmpty())
        return nullptr;
    const QJsonObject payload { { QStringLiteral("source"), m_dragSource },
                                { QStringLiteral("rows"), rows } };
    const QModelIndexList indexes = selectedIndexes();
    QMimeData *data = indexes.isEmpty() ? nullptr : model()->mimeData(indexes);
    if (!data)
        data = new QMimeData;
    data->setData(QLatin1String(ListDragMimeType),
                  QJsonDocument(payload).toJson(QJsonDocument::Compact));
    return data;
}

void TqvListView::copy()
{
    if (state() == QAbstractItemView::EditingState)
        return;
    QString text;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = topLevelItem(i);
        if (!item->isSelected())
            continue;
        if (!text.isEmpty())
            text += QLatin1String("\r\n");
        text += item->text(0);
    }
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TqvListView::selectAll()
{
    if (state() == QAbstractItemView::EditingState)
        return;
    const QAbstractItemView::SelectionMode mode = selectionMode();
    if (mode == SingleSelection || mode == NoSelection)
        return;
    setUpdatesEnabled(false);
    QTreeWidget::selectAll();
    setUpdatesEnabled(true);
}

void TqvListView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy) && state() != QAbstractItemView::EditingState) {
        copy();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void TqvListView::startDrag(Qt::DropActions supportedActions)
{
    // Items travel without a drag image; the list itself is the drag's source.
    QMimeData *data = DragData();
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(supportedActions, defaultDropAction());
}

// --- TqvTreeNode

TqvTreeNode::TqvTreeNode(QTreeWidget *tree, const QString &text)
    : QTreeWidgetItem(tree, NodeType)
{
    setText(0, text);
}

TqvTreeNode::TqvTreeNode(QTreeWidgetItem *parent, const QString &text)
    : QTreeWidgetItem(parent, NodeType)
{
    setText(0, text);
}

void TqvTreeNode::setSubItems(const QStringList &subItems)
{
    const qsizetype old = m_subItems.size();
    m_subItems = subItems;
    for (qsizetype i = 0; i < qMax(old, subItems.size()); ++i)
        setText(int(i + 1), subItems.value(i));
}

void TqvTreeNode::setSubItem(int index, const QString &text)
{
    if (index < 0)
        return;
    while (m_subItems.size() <= index)
        m_subItems.append(QString());
    m_subItems[index] = text;
    setText(index + 1, text);
}

TqvTreeNode *TqvTreeNode::FindName(const QString &name, bool recurse) const
{
    for (int i = 0; i < childCount(); ++i) {
        auto *node = dynamic_cast<TqvTreeNode *>(child(i));
        if (!node)
            continue;
        if (equalsFolded(node->text(0), name))
            return node;
        if (recurse)
            if (TqvTreeNode *found = node->FindName(name, true))
                return found;
    }
    return nullptr;
}

TqvTreeNode *TqvTreeNode::FindData(const QVariant &value, bool recurse) const
{
    for (int i = 0; i < childCount(); ++i) {
        auto *node = dynamic_cast<TqvTreeNode *>(child(i));
        if (!node)
            continue;
        if (node->Data() == value)
            return node;
        if (recurse)
            if (TqvTreeNode *found = node->FindData(value, true))
                return found;
    }
    return nullptr;
}

// --- TqvTreeView

TqvTreeView::TqvTreeView(QWidget *parent)
    : QTreeWidget(parent)
{
    setItemDelegate(new ColumnDelegate(this));
    setColumnCount(1);
    setHeaderHidden(true);
}

void TqvTreeView::setSections(const QStringList &captions)
{
    if (captions.isEmpty()) {
        setColumnCount(1);
        setHeaderHidden(true);
        return;
    }
    setColumnCount(int(captions.size()));
    setHeaderLabels(captions);
    setHeaderHidden(false);
}

void TqvTreeView::setSectionAlignment(int section, Qt::Alignment alignment)
{
    headerItem()->setData(section, Qt::TextAlignmentRole, int(alignment | Qt::AlignVCenter));
    viewport()->update();
}

TqvTreeNode *TqvTreeView::Selected() const
{
    return dynamic_cast<TqvTreeNode *>(currentItem());
}

TqvTreeNode *TqvTreeView::AddNode(QTreeWidgetItem *parent, const QString &text)
{
    return parent ? new TqvTreeNode(parent, text) : new TqvTreeNode(this, text);
}

void TqvTreeView::mousePressEvent(QMouseEvent *event)
{
    QTreeWidget::mousePressEvent(event);
    if (!itemAt(event->position().toPoint())) {
        clearSelection();
        setCurrentItem(nullptr);
    }
}

void TqvTreeView::scrollContentsBy(int dx, int dy)
{
    QTreeWidget::scrollContentsBy(dx, dy);
    Q_EMIT OnScroll();
}
