#include "uitest.h"

#include "ui/qvcomctrls.h"

#include <QClipboard>
#include <QHeaderView>
#include <QPainter>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QStringList captions(const QTreeWidget &list)
{
    QStringList out;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        out << list.topLevelItem(i)->text(0);
    return out;
}

void addRow(QTreeWidget &list, const QStringList &texts)
{
    new QTreeWidgetItem(&list, texts);
}

// A list of objects with a right-aligned size column and an owner column that some items
// lack.
struct ObjectList
{
    TqvListView list;
    ObjectList()
    {
        list.setColumnCount(3);
        list.setHeaderLabels({ "名前", "サイズ", "所有者" });
        list.setColumnAlignment(1, Qt::AlignRight);
        addRow(list, { "b", "1,200", "postgres" });
        addRow(list, { "a", "30" });
        addRow(list, { "c", "abc", "alice" });
    }
    void clickHeader(int column) { list.header()->sectionClicked(column); }
};

TEST(ListViewSort, ClicksCycleTheOrder)
{
    ObjectList o;
    QSignalSpy clicks(&o.list, &TqvListView::OnColumnClick);
    EXPECT_EQ(o.list.SortID(), 1);
    o.clickHeader(0); // the caption column is "sorted" from the start: first click reverses
    EXPECT_EQ(o.list.SortID(), -1);
    EXPECT_EQ(captions(o.list), QStringList({ "c", "b", "a" }));
    o.clickHeader(1);
    EXPECT_EQ(o.list.SortID(), 2);
    EXPECT_EQ(captions(o.list), QStringList({ "c", "a", "b" })) << "abc (0), 30, 1,200";
    o.clickHeader(1);
    EXPECT_EQ(o.list.SortID(), -2);
    EXPECT_EQ(captions(o.list), QStringList({ "b", "a", "c" }));
    o.clickHeader(2);
    EXPECT_EQ(o.list.SortID(), 3);
    EXPECT_EQ(captions(o.list).first(), "a") << "a missing sub-item reads as empty: first";
    ASSERT_EQ(clicks.count(), 4);
    EXPECT_EQ(clicks.at(3).at(0).toInt(), 2);
}

TEST(ListViewSort, NumbersCloserThanAHundredthAreEqual)
{
    TqvListView list;
    list.setColumnCount(2);
    list.setColumnAlignment(1, Qt::AlignRight);
    const struct
    {
        const char *a;
        const char *b;
        int result;
    } cases[] = { { "1.001", "1.004", 0 }, { "1.00", "1.01", -1 }, { "1,000", "999.99", 1 },
                  { "-5", "abc", -1 },     { "", "0", 0 },         { "1e3", "999", 1 } };
    list.setSortID(2);
    for (const auto &c : cases) {
        QTreeWidgetItem a(QStringList({ "x", c.a }));
        QTreeWidgetItem b(QStringList({ "y", c.b }));
        EXPECT_EQ(list.CompareItems(&a, &b), c.result) << c.a << " vs " << c.b;
        list.setSortID(-2);
        EXPECT_EQ(list.CompareItems(&a, &b), -c.result) << c.a << " vs " << c.b;
        list.setSortID(2);
    }
    list.setSortID(0);
    QTreeWidgetItem a(QStringList({ "x", "1" }));
    QTreeWidgetItem b(QStringList({ "y", "2" }));
    EXPECT_EQ(list.CompareItems(&a, &b), 0);
    list.setSortID(9);
    EXPECT_EQ(list.CompareItems(&a, &b), 0) << "beyond the columns";
}

// The order the item-by-item comparer gives (CompareItems, a stable sort), for each locale,
// column and direction, on names that differ in case, width, script, digits and accents, on
// equal texts, empty ones and figures closer than a hundredth; sorting a second time keeps it.
TEST(ListViewSort, OrdersAsTheItemComparerDoes)
{
    const char16_t *names[]
        = { u"abc",   u"ABC", u"Abc",  u"abc", u"a b", u"ab",  u"a-b", u"テーブル", u"てーぶる",
            u"ﾃｰﾌﾞﾙ", u"表",  u"表10", u"表2", u"表1", u"t10", u"t2",  u"T1",       u"t1",
            u"",      u"_x",  u"x_",   u"Ａ",  u"é",   u"e",   u"f",   u"𠮷",       u"\uE000",
            u"ア",    u"あ",  u"アイ", u"ä",   u"a",   u"ß",   u"ss",  u"",         u"ABC" };
    const char *figures[]
        = { "1,200", "30", "1.001", "1.004", "1.006", "1.000", "abc", "",      "-5",     "1e3",
            "999",   "0",  "1.010", "1.002", "30",    "x",     "2",   "1,000", "-0.004", "0.004" };
    const QLocale before;
    for (const QLocale &locale : { QLocale::c(), QLocale(QLocale::Japanese, QLocale::Japan),
                                   QLocale(QLocale::English, QLocale::UnitedStates),
                                   QLocale(QLocale::German, QLocale::Germany) }) {
        QLocale::setDefault(locale);
        for (const int sortID : { 2, -2, 3, -3 }) {
            TqvListView list;
            list.setColumnCount(3);
            list.setColumnAlignment(2, Qt::AlignRight);
            const int rows = int(std::size(names));
            for (int i = 0; i < rows; ++i)
                addRow(list,
                       { QString::number(i), QString::fromUtf16(names[i]),
                         QString::fromLatin1(figures[size_t(i) % std::size(figures)]) });
            list.setSortID(sortID);
            // What the comparer makes of the list as it stands (figures closer than a hundredth
            // are equal, which is not transitive, so the order in depends on the order before).
            const auto expected = [&list] {
                QList<QTreeWidgetItem *> items;
                for (int i = 0; i < list.topLevelItemCount(); ++i)
                    items << list.topLevelItem(i);
                std::stable_sort(items.begin(), items.end(),
                                 [&list](auto *a, auto *b) { return list.CompareItems(a, b) < 0; });
                QStringList ids;
                for (const QTreeWidgetItem *item : items)
                    ids << item->text(0);
                return ids.join(u' ').toStdString();
            };
            for (const char *pass : { "first", "again" }) {
                const std::string want = expected();
                list.SortItems();
                EXPECT_EQ(captions(list).join(u' ').toStdString(), want)
                    << locale.name().toStdString() << " sort " << sortID << ", " << pass;
            }
        }
    }
    QLocale::setDefault(before);
}

TEST(ListViewSort, TheWindowMayChangeTheVerdict)
{
    ObjectList o;
    QObject::connect(
        &o.list, &TqvListView::OnCompare,
        [](QTreeWidgetItem *, QTreeWidgetItem *, int &compare) { compare = -compare; });
    o.clickHeader(1);
    EXPECT_EQ(captions(o.list), QStringList({ "b", "a", "c" }));
}

TEST(ListViewSort, SortingKeepsTheSelection)
{
    ObjectList o;
    o.list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    o.list.topLevelItem(0)->setSelected(true);
    o.clickHeader(0);
    ASSERT_EQ(o.list.selectedItems().size(), 1);
    EXPECT_EQ(o.list.selectedItems().first()->text(0), "b");
}

TEST(ListViewEdit, CopyJoinsTheSelectedCaptions)
{
    TqvListView list;
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const char *name : { "", "orders", "", "items", "skip" })
        addRow(list, { QString::fromLatin1(name) });
    QApplication::clipboard()->setText("unchanged");
    list.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "unchanged") << "nothing selected";
    for (int i : { 0, 1, 2, 3 })
        list.topLevelItem(i)->setSelected(true);
    list.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "orders\r\n\r\nitems");
}

TEST(ListViewEdit, SelectAllNeedsSeveralSelectableItems)
{
    ObjectList o;
    o.list.setSelectionMode(QAbstractItemView::SingleSelection);
    o.list.selectAll();
    EXPECT_TRUE(o.list.selectedItems().isEmpty());
    o.list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    o.list.selectAll();
    EXPECT_EQ(o.list.selectedItems().size(), 3);
}

TEST(TreeView, NodesFindChildrenByNameAndData)
{
    TqvTreeView tree;
    auto *root = tree.AddNode(nullptr, "public");
    auto *orders = tree.AddNode(root, "Orders");
    auto *deep = tree.AddNode(orders, "Ärger");
    auto *items = tree.AddNode(root, "items");
    orders->setNodeData(45);
    deep->setNodeData(46);
    items->setNodeData(46);
    EXPECT_EQ(root->FindName("ORDERS", false), orders);
    EXPECT_EQ(root->FindName("ärger", true), nullptr) << "only A to Z fold";
    EXPECT_EQ(root->FindName("Ärger", false), nullptr) << "not a child";
    EXPECT_EQ(root->FindName("Ärger", true), deep);
    EXPECT_EQ(root->FindData(46, false), items);
    EXPECT_EQ(root->FindData(46, true), deep) << "each child before its descendants";
    EXPECT_EQ(root->FindData(99, true), nullptr);
}

TEST(TreeView, SubItemsShowOnlyUnderSections)
{
    TqvTreeView tree;
    auto *node = tree.AddNode(nullptr, "Seq Scan");
    node->setSubItems({ "10.5", "100", "extra" });
    EXPECT_EQ(tree.columnCount(), 1);
    EXPECT_TRUE(tree.isHeaderHidden());
    tree.setSections({ "計画", "コスト", "行数" });
    EXPECT_EQ(tree.columnCount(), 3);
    EXPECT_EQ(node->text(1), "10.5");
    EXPECT_EQ(node->text(2), "100");
    EXPECT_EQ(node->SubItems().size(), 3);
    node->setSubItems({ "1" });
    EXPECT_EQ(node->text(2), "");
    EXPECT_EQ(node->SubItems(), QStringList({ "1" }));
    node->setData2(QStringLiteral("two"));
    node->setData3(3);
    EXPECT_EQ(node->Data2().toString(), "two");
    EXPECT_EQ(node->Data3().toInt(), 3);
}

TEST(TreeView, AClickBesideTheNodesSelectsNone)
{
    TqvTreeView tree;
    tree.resize(200, 300);
    auto *node = tree.AddNode(nullptr, "t");
    ASSERT_TRUE(showActive(tree));
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(node).center());
    EXPECT_EQ(tree.Selected(), node);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(100, 250));
    EXPECT_EQ(tree.Selected(), nullptr);
    EXPECT_TRUE(tree.selectedItems().isEmpty());
}

TEST(TreeView, CustomDrawnSubItems)
{
    TqvTreeView tree;
    tree.setSections({ "a", "b" });
    auto *node = tree.AddNode(nullptr, "n");
    node->setSubItem(0, "drawn by hand");
    int calls = 0;
    QObject::connect(&tree, &TqvTreeView::OnCustomDrawSubItem,
                     [&](TqvTreeNode *n, int index, QStyle::State, QPainter *, QRect &, bool &def) {
                         EXPECT_EQ(n, node);
                         EXPECT_EQ(index, 0);
                         def = false;
                         ++calls;
                     });
    tree.resize(300, 100);
    tree.grab();
    EXPECT_GE(calls, 1);
}

} // namespace
