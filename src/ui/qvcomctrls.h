#pragma once

#include <QStyle>
#include <QTreeWidget>
#include <QVariant>

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

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    void columnClicked(int column);

    int m_sortID = 1;
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
