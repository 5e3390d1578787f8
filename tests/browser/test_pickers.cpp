// The column and table pickers over a real connection window, on the fixture server: the
// chosen order, pre-selection of quoted names, the kind buttons, the filter, partitioned tables
// and the queries as text.
#include "browsertest.h"
#include "uitest.h"

#include "core/qvappwindows.h"
#include "core/qvobjtype.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "platform/pg/connection.h"
#include "ui/ffldlist.h"
#include "ui/ftablelist.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

using browsertest::BrowserTest;

namespace pickerstest {

// The names of list in list order.
QStringList namesOf(const QListWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

// Selects the rows of list named in names, nothing else.
void selectNames(QListWidget *list, const QStringList &names)
{
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(names.contains(list->item(i)->text()));
}

TEST(PickerSql, ColumnQueryLeavesDroppedColumnsOutAndAsksForPartitionedTables)
{
    const QString recent = TfrmFieldList::FieldSQL(150000);
    EXPECT_TRUE(recent.contains(QStringLiteral(" WHERE  A.attisdropped  =   'false'\n")));
    EXPECT_TRUE(recent.contains(QStringLiteral(", 'p'\n")));
    EXPECT_TRUE(recent.contains(QStringLiteral(", 'm'\n")));
    EXPECT_TRUE(recent.endsWith(QStringLiteral(" ORDER\n BY     A.attnum\n")));
    const QString old = TfrmFieldList::FieldSQL(90200);
    EXPECT_FALSE(old.contains(QStringLiteral("'m'")));
}

TEST(PickerSql, TableQueryWithAndWithoutSynonyms)
{
    const QString plain = TfrmTableList::TableSQL(QStringLiteral("'r', 'v'"), false);
    EXPECT_TRUE(plain.startsWith(QStringLiteral(" SELECT  Cls.relname\n,        CASE\n")));
    EXPECT_TRUE(plain.contains(QStringLiteral(" WHERE   Cls.relkind       IN  ('r', 'v')\n")));
    EXPECT_TRUE(plain.contains(QStringLiteral("WHEN Cls.relkind = 'p' THEN 'TABLE'")));
    EXPECT_FALSE(plain.contains(QStringLiteral("pg_synonym")));
    EXPECT_TRUE(plain.endsWith(QStringLiteral(" AND     Nms.nspname       =   :OWNER\n"
                                              " ORDER BY 1\n")));

    const QString synonyms = TfrmTableList::TableSQL(QStringLiteral("'r'"), true);
    EXPECT_TRUE(synonyms.endsWith(QStringLiteral(" AND     Nms.nspname       =   :OWNER\n"
                                                 " UNION\n"
                                                 " SELECT  Syn.synname\n"
                                                 ",'SYNONYM'\n"
                                                 " FROM    pg_synonym     AS Syn\n"
                                                 " LEFT JOIN pg_namespace AS Nms\n"
                                                 "   ON  Syn.synnamespace =  Nms.oid\n"
                                                 " WHERE   Nms.nspname    =  :OWNER\n"
                                                 " ORDER BY 1\n")));
}

class Pickers : public BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        db.exec(QStringLiteral("CREATE TABLE public.pick_cols (a int, \"Mixed\" text, b int, "
                               "gone int, c int); ALTER TABLE public.pick_cols DROP COLUMN gone; "
                               "CREATE TABLE public.\"Orders\" (id int); "
                               "CREATE TABLE public.orders_x (id int); "
                               "CREATE TABLE public.customer_orders (id int); "
                               "CREATE TABLE public.\"ORD_Y\" (id int); "
                               "CREATE VIEW public.ord_view AS SELECT 1 AS one"));
        window = open();
        ASSERT_NE(window, nullptr);
    }

    // Runs the column picker on schema.table with list; pick does what the user does.
    void pickColumns(const QString &schema, const QString &table, QStringList &list,
                     const std::function<void(TfrmFieldList *)> &pick)
    {
        whenModal([&pick](QWidget *modal) {
            auto *form = qobject_cast<TfrmFieldList *>(modal);
            ASSERT_NE(form, nullptr);
            pick(form);
        });
        TfrmFieldList::ShowWindow(window, schema, table, list);
    }

    void pickTables(ConnectionWindow *owner, QStringList &list,
                    const std::function<void(TfrmTableList *)> &pick)
    {
        whenModal([&pick](QWidget *modal) {
            auto *form = qobject_cast<TfrmTableList *>(modal);
            ASSERT_NE(form, nullptr);
            pick(form);
        });
        TfrmTableList::ShowWindow(owner, list);
    }

    TfrmObject *window = nullptr;
};

TEST_F(Pickers, ChosenOrderComesBackAndDroppedColumnsAreNotOffered)
{
    QStringList list;
    QStringList offered;
    pickColumns(QStringLiteral("public"), QStringLiteral("pick_cols"), list,
                [&offered](TfrmFieldList *form) {
                    offered = namesOf(form->lstAll);
                    for (const QString &name :
                         { QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b") }) {
                        selectNames(form->lstAll, { name });
                        form->btnIns->click();
                    }
                    form->btnSelect->click();
                });
    EXPECT_EQ(offered, (QStringList { "a", "Mixed", "b", "c" }));
    EXPECT_EQ(list, (QStringList { "c", "a", "b" }));
}

TEST_F(Pickers, QuotedEntryIsPreselectedAndMovesGoToTheEnd)
{
    QStringList list { QStringLiteral("\"Mixed\""), QStringLiteral("b") };
    QStringList chosen;
    QStringList available;
    pickColumns(QStringLiteral("public"), QStringLiteral("pick_cols"), list,
                [&](TfrmFieldList *form) {
                    chosen = namesOf(form->lstSelect);
                    selectNames(form->lstSelect, { QStringLiteral("Mixed") });
                    form->btnDel->click();
                    available = namesOf(form->lstAll);
                    form->btnInsAll->click();
                    form->btnSelect->click();
                });
    EXPECT_EQ(chosen, (QStringList { "Mixed", "b" }));
    EXPECT_EQ(available, (QStringList { "a", "c", "Mixed" }));
    EXPECT_EQ(list, (QStringList { "b", "a", "c", "Mixed" }));
}

TEST_F(Pickers, AllChosenOpensWithAllAvailableAndEmptyChoiceKeepsTheList)
{
    QStringList list { "a", "\"Mixed\"", "b", "c" };
    const QStringList before = list;
    int chosen = -1;
    QStringList available;
    pickColumns(QStringLiteral("public"), QStringLiteral("pick_cols"), list,
                [&](TfrmFieldList *form) {
                    chosen = form->lstSelect->count();
                    available = namesOf(form->lstAll);
                    form->btnSelect->click();
                });
    EXPECT_EQ(chosen, 0);
    EXPECT_EQ(available, (QStringList { "a", "Mixed", "b", "c" }));
    EXPECT_EQ(list, before);
}

TEST_F(Pickers, PartitionedTableColumnsAreOffered)
{
    QStringList list;
    QStringList offered;
    pickColumns(QStringLiteral("inv"), QStringLiteral("stock_move"), list,
                [&offered](TfrmFieldList *form) {
                    offered = namesOf(form->lstAll);
                    form->btnExit->click();
                });
    const QStringList expected = testsupport::queryColumn(
        db.conninfo(),
        QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = "
                       "'inv.stock_move'::regclass AND attnum > 0 AND NOT "
                       "attisdropped ORDER BY attnum"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(offered, expected);
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(Pickers, WindowStateIsKeptUnderItsKey)
{
    QStringList list;
    pickColumns(QStringLiteral("public"), QStringLiteral("pick_cols"), list,
                [](TfrmFieldList *form) {
                    form->resize(400, 420);
                    form->btnExit->click();
                });
    ASSERT_TRUE(
        AppRegistry->OpenKey(QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\FIELDLIST"), false));
    EXPECT_EQ(AppRegistry->GetInteger(QStringLiteral("Width"), 0), 400);
    EXPECT_EQ(AppRegistry->GetInteger(QStringLiteral("WindowState"), -1), 0);
    AppRegistry->CloseKey();
    int width = 0;
    pickColumns(QStringLiteral("public"), QStringLiteral("pick_cols"), list,
                [&width](TfrmFieldList *form) {
                    width = form->width();
                    form->btnExit->click();
                });
    EXPECT_EQ(width, 400);
}

TEST_F(Pickers, FilterFindsEveryNameHoldingOrdInAnyCase)
{
    QStringList listed;
    QStringList list;
    pickTables(window, list, [&listed](TfrmTableList *form) {
        form->txtFindTable->setText(QStringLiteral("ord"));
        QTest::keyClick(form->txtFindTable, Qt::Key_Return);
        listed = namesOf(form->lstTable);
        form->btnExit->click();
    });
    QStringList expected = testsupport::queryColumn(
        db.conninfo(),
        QStringLiteral("SELECT relname FROM pg_class WHERE relnamespace = "
                       "'public'::regnamespace AND relkind IN ('r','t','f','p','v',"
                       "'m') AND lower(relname) LIKE '%ord%'"));
    std::sort(expected.begin(), expected.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_TRUE(expected.contains(QStringLiteral("Orders")));
    EXPECT_TRUE(expected.contains(QStringLiteral("ORD_Y")));
    EXPECT_EQ(listed, expected);
}

TEST_F(Pickers, TableButtonIsPutBackDownAndKindsFilterTheList)
{
    QStringList list;
    bool tableDown = false;
    QStringList viewsOnly;
    pickTables(window, list, [&](TfrmTableList *form) {
        form->btnTable->click(); // views only now
        viewsOnly = namesOf(form->lstTable);
        form->btnView->click(); // neither left: put back down
        EXPECT_FALSE(form->btnTable->isChecked());
        EXPECT_TRUE(form->btnView->isChecked());
        form->btnTable->click();
        form->btnView->click();
        tableDown = form->btnTable->isChecked() && !form->btnView->isChecked();
        form->btnExit->click();
    });
    EXPECT_TRUE(viewsOnly.contains(QStringLiteral("ord_view")));
    EXPECT_FALSE(viewsOnly.contains(QStringLiteral("orders_x")));
    EXPECT_TRUE(tableDown);
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(Pickers, PartitionedTableIsListedAsTableAndChosenNamesAreQualified)
{
    QStringList list { QStringLiteral("kept") };
    int code = -1;
    pickTables(window, list, [&code](TfrmTableList *form) {
        form->cmbSchema->setCurrentText(QStringLiteral("inv"));
        emit form->cmbSchema->activated(form->cmbSchema->currentIndex());
        const QList<QListWidgetItem *> found
            = form->lstTable->findItems(QStringLiteral("stock_move"), Qt::MatchExactly);
        if (!found.isEmpty())
            code = found.first()->data(Qt::UserRole).toInt();
        selectNames(form->lstTable, { QStringLiteral("stock_move"), QStringLiteral("item") });
        form->btnOk->click();
    });
    EXPECT_EQ(code, GetObjectTypeCode(QStringLiteral("TABLE")));
    EXPECT_EQ(list, (QStringList { "kept", "inv.item", "inv.stock_move" }));
}

TEST_F(Pickers, WithoutSchemaNamesStandAloneAndReloadMessageReloads)
{
    QStringList list;
    int afterReload = -1;
    pickTables(window, list, [&](TfrmTableList *form) {
        EXPECT_EQ(form->cmbSchema->currentText(), QStringLiteral("public"));
        form->cmbSchema->setCurrentIndex(-1);
        form->LoadList();
        EXPECT_EQ(form->lstTable->count(), 0);
        form->cmbSchema->setCurrentText(QStringLiteral("public"));
        form->LoadList();
        const int before = form->lstTable->count();
        db.exec(QStringLiteral("CREATE TABLE public.ord_late (id int)"));
        SendAppMessage(form, QvMsgReload);
        afterReload = form->lstTable->count() - before;
        selectNames(form->lstTable, { QStringLiteral("ord_late") });
        form->cmbSchema->setCurrentIndex(-1);
        form->btnOk->click();
    });
    EXPECT_EQ(afterReload, 1);
    EXPECT_EQ(list, (QStringList { "ord_late" }));
}

// A connection window whose server claims an older version.
class OldServerWindow : public appdoubles::TestConnectionWindow
{
public:
    using TestConnectionWindow::TestConnectionWindow;
    int DBVer() const override { return 90200; }
};

TEST_F(Pickers, OldServerHidesMaterializedViewButton)
{
    OldServerWindow old(db.name(), true);
    QStringList list;
    bool visible = true;
    bool down = true;
    bool synonymVisible = true;
    pickTables(&old, list, [&](TfrmTableList *form) {
        visible = form->btnMView->isVisible();
        down = form->btnMView->isChecked();
        synonymVisible = form->btnSynonym->isVisible();
        EXPECT_FALSE(form->KindList().contains(QStringLiteral("'m'")));
        form->btnExit->click();
    });
    EXPECT_FALSE(visible);
    EXPECT_FALSE(down);
    EXPECT_FALSE(synonymVisible);
    pickTables(window, list, [&](TfrmTableList *form) {
        visible = form->btnMView->isVisible();
        form->btnExit->click();
    });
    EXPECT_TRUE(visible);
}

} // namespace pickerstest
