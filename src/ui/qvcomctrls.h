#pragma once

#include <QStyle>
#include <QTreeWidget>
#include <QVariant>

class QMimeData;

// The data role of column 0 that holds an item's image index (for the object lists, the
// object-type code of the row).
inline constexpr int ListImageIndexRole = Qt::UserRole + 16;

// The format of the rows a TqvListView drags. The payload is UTF-8 JSON:
//     { "source": "<DragSource()>", "rows": [ { "image": 45, "caption": "item",
//       "subItems": [ "inv", "TABLE", ... ] }, ... ] }
// source names the window the rows come from (the connection window puts its connection key
// there); rows are the selected items in list order, each with its image index
// (ListImageIndexRole, -1 when none), its caption and every sub-item it holds. A drop target
// in this process also learns the list itself from QDropEvent::source().
inline constexpr char ListDragMimeType[] = "application/x-corvane-objects";

namespace qvcomctrls {
class ColumnDelegate;
}

// A report list whose header sorts it: a click on a column sorts by that column, a second
// click on the same column reverses the order. Right-aligned columns compare as numbers
// ("1,200" after "30", a text that is no number as 0), the others as the locale orders
// texts. The sort is kept as SortID: 0 none, +n ascending by column n-1, -n descending.
// Column 0 holds an item's caption, column k its sub-item k-1.
class TqvListView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TqvListView(QWidget *parent = nullptr);

    int SortID() const { return m_sortID; }
    void setSortID(int sortID) { m_sortID = sortID; }

    // The alignment of a column's header and cells; right alignment makes it numeric.
    void setColumnAlignment(int column, Qt::Alignment alignment);
    Qt::Alignment ColumnAlignment(int column) const;

    // In-place editing of an item's caption. EditCaption asks OnEditing first (as does the
    // list itself for a slow second click on a selected caption) and opens the editor only when
    // the handler allows it. When the user commits, OnEdited receives the typed text, may change
    // it, and the item takes the final text as its caption; Esc leaves the caption alone.
    bool EditCaption(QTreeWidgetItem *item);
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }

    // The name of the window whose rows this list drags (see ListDragMimeType).
    QString DragSource() const { return m_dragSource; }
    void setDragSource(const QString &source) { m_dragSource = source; }
    // The drag payload of the selected items (nullptr when none is selected).
    QMimeData *DragData() const;

    // Sorts the items by SortID (stable: equal items keep their order).
    void SortItems();
    // item1 against item2 under SortID (negative, 0, positive), after OnCompare.
    int CompareItems(QTreeWidgetItem *item1, QTreeWidgetItem *item2);

public Q_SLOTS:
    // The captions of the selected items, in list order, one per line, to the clipboard.
    void copy();
    // Selects every item when the list allows several selected items.
    void selectAll() override;

Q_SIGNALS:
    // After the list sorted itself for a click on column.
    void OnColumnClick(int column);
    // After the list compared two items; a handler may change compare.
    void OnCompare(QTreeWidgetItem *item1, QTreeWidgetItem *item2, int &compare);
    // Before the caption editor opens on item; clear AllowEdit to refuse it.
    void OnEditing(QTreeWidgetItem *item, bool &AllowEdit);
    // The user committed the caption text S of item; the handler may change S (give the old
    // caption back to undo the edit). The item shows S afterwards.
    void OnEdited(QTreeWidgetItem *item, QString &S);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
    friend class qvcomctrls::ColumnDelegate;
    void columnClicked(int column);
    void commitCaption(QTreeWidgetItem *item, QString text);

    int m_sortID = 1;
    QString m_dragSource;
};

// A node of TqvTreeView: the texts of the further columns (SubItems) and two more data
// slots besides its own.
class TqvTreeNode : public QTreeWidgetItem
{
public:
    static constexpr int NodeType = QTreeWidgetItem::UserType + 0x71;

    explicit TqvTreeNode(QTreeWidget *tree, const QString &text = QString());
    explicit TqvTreeNode(QTreeWidgetItem *parent, const QString &text = QString());

    QString Text() const { return text(0); }
    void setNodeText(const QString &text) { setText(0, text); }

    QVariant Data() const { return data(0, Qt::UserRole); }
    void setNodeData(const QVariant &value) { setData(0, Qt::UserRole, value); }
    QVariant Data2() const { return data(0, Qt::UserRole + 1); }
    void setData2(const QVariant &value) { setData(0, Qt::UserRole + 1, value); }
    QVariant Data3() const { return data(0, Qt::UserRole + 2); }
    void setData3(const QVariant &value) { setData(0, Qt::UserRole + 2, value); }

    // Sub-item k shows in column k+1; a node may hold more than there are columns.
    QStringList SubItems() const { return m_subItems; }
    void setSubItems(const QStringList &subItems);
    void setSubItem(int index, const QString &text);

    // The first child (with recurse, descendant: each child before its own descendants)
    // whose text equals name, letters A to Z compared without regard to case.
    TqvTreeNode *FindName(const QString &name, bool recurse) const;
    // The first child (descendant) whose Data() equals value.
    TqvTreeNode *FindData(const QVariant &value, bool recurse) const;

private:
    QStringList m_subItems;
};

// A tree whose nodes show further columns under the tree's header. Without sections (no
// header) a node shows its text alone. OnCustomDrawSubItem lets the window paint a sub-item
// itself; a click where there is no node leaves no node selected.
class TqvTreeView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TqvTreeView(QWidget *parent = nullptr);

    // The header's sections: the first is the tree's own column. An empty list hides the
    // header and with it every sub-item.
    void setSections(const QStringList &captions);
    void setSectionAlignment(int section, Qt::Alignment alignment);

    TqvTreeNode *Selected() const;
    TqvTreeNode *AddNode(QTreeWidgetItem *parent, const QString &text);

Q_SIGNALS:
    // Before sub-item index of node is drawn in rect; clear defaultDraw to draw it yourself
    // with painter, or change rect to move the default text.
    void OnCustomDrawSubItem(TqvTreeNode *node, int index, QStyle::State state, QPainter *painter,
                             QRect &rect, bool &defaultDraw);
    // After the tree scrolled.
    void OnScroll();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
};
