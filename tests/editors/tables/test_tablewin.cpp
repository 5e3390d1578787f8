// The table editor window on the fixture's tables: what the column grid, the constraint tree,
// the storage, row-policy, privileges and dependency pages show, how edits of the grid reach
// the edit model, and a new table.
#include "editorstest.h"
#include "tabletest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "editors/tables/ftable.h"
#include "editors/tables/rcross.h"
#include "editors/tables/rgrant.h"
#include "editors/tables/rstorage.h"
#include "platform/pg/connection.h"
#include "ui/qvcomctrls.h"
#include "ui/qvgrid.h"
#include "ui/qvlongtext.h"
#include "ui/qvprinter.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using editorstest::EditorTest;

namespace tablewin {

class TableWindow : public EditorTest
{
protected:
    TfrmTable *open(const QString &schema, const QString &name)
    {
        TfrmTable *window = TfrmTable::Open(conn.get(), schema, name);
        EXPECT_NE(window, nullptr) << name.toStdString();
        return window;
    }

    static void type(TfrmTable *window, int col, int row, const QString &text)
    {
        tabletest::typeInto(window, col, row, text);
    }

    static void clickCell(TfrmTable *window, int col, int row)
    {
        TqvStringGrid *grid = window->grdColumn;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->CellRect(col, row).center());
    }

    static QStringList names(const TTableEdit &edit)
    {
        QStringList list;
        for (const TTableColumnEdit &column : edit.Columns)
            list << column.Name;
        return list;
    }

    static QList<int> attNums(const TTableEdit &edit)
    {
        QList<int> list;
        for (const TTableColumnEdit &column : edit.Columns)
            list << column.AttNum;
        return list;
    }

    static bool tabShown(TfrmTable *window, QWidget *tab)
    {
        return window->pagObject->isTabVisible(window->pagObject->indexOf(tab));
    }
};

TEST_F(TableWindow, LoadShowsColumnsKeysCommentsAndEveryCheck)
{
    TfrmTable *window = open("tbl", "product");
    ASSERT_NE(window, nullptr);
    TqvStringGrid *grid = window->grdColumn;
    EXPECT_EQ(grid->Cells(TfrmTable::colName, 1), "product_id");
    EXPECT_EQ(grid->Cells(TfrmTable::colKey, 1), "1");
    // serial_no is an INCLUDE column of the key, not a key column
    EXPECT_EQ(grid->Cells(TfrmTable::colName, 2), "serial_no");
    EXPECT_EQ(grid->Cells(TfrmTable::colKey, 2), "");
    EXPECT_EQ(grid->Cells(TfrmTable::colNotNull, 3), "1");
    EXPECT_EQ(grid->Cells(TfrmTable::colType, 3), "character varying");
    EXPECT_EQ(grid->Cells(TfrmTable::colLength, 3), "40");
    EXPECT_EQ(grid->Cells(TfrmTable::colComment, 3), "品名");
    EXPECT_EQ(grid->Cells(TfrmTable::colName, grid->RowCount() - 1), "");
    EXPECT_FALSE(window->GridChanged());
    EXPECT_FALSE(window->IsCreate());

    // every CHECK, the IS NOT NULL one too; the schema rides hidden on indexes
    QStringList checks;
    QTreeWidgetItem *constraints = window->lstConst->topLevelItem(0);
    for (int i = 0; i < constraints->childCount(); ++i)
        if (constraints->child(i)->text(1) == "CHECK")
            checks << constraints->child(i)->text(0);
    EXPECT_EQ(checks,
              QStringList({ "product_name_nn", "product_note_short", "product_price_check" }));
    auto *index = static_cast<TqvTreeNode *>(window->lstConst->topLevelItem(1)->child(0));
    EXPECT_EQ(index->SubItems().value(2), "tbl");
    EXPECT_EQ(window->lstConst->columnCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(window->lstConst->topLevelItem(i)->icon(0).isNull());

    // a partitioned table opens as well
    TfrmTable *parted = open("tbl", "parted");
    ASSERT_NE(parted, nullptr);
    EXPECT_EQ(parted->grdColumn->Cells(TfrmTable::colName, 2), "at");
    EXPECT_EQ(parted->CurrentEdit().Columns.size(), 2);
}

TEST_F(TableWindow, GridEditsReachTheEditModel)
{
    QString typedDefault = "now() + interval '1 day'";
    const TLongTextEditor previous
        = SetLongTextEditor([&](QString &text, bool &, bool nullShow, bool readOnly) {
              EXPECT_FALSE(nullShow);
              EXPECT_FALSE(readOnly);
              text = typedDefault;
              return IDOK;
          });
    TfrmTable *window = open("tbl", "product");
    ASSERT_NE(window, nullptr);
    TqvStringGrid *grid = window->grdColumn;
    EXPECT_FALSE(window->Modified());

    // a comment typed into a cell
    type(window, TfrmTable::colComment, 4, "unit price");
    EXPECT_TRUE(window->Modified());
    EXPECT_TRUE(window->GridChanged());
    EXPECT_EQ(window->CurrentEdit().Columns.at(3).Comment, "unit price");

    // price moves above "Name"; both keep their column numbers
    grid->setCurrentCell(TfrmTable::colName, 4);
    ASSERT_TRUE(window->actColUp->isEnabled());
    window->actColUp->trigger();
    EXPECT_EQ(grid->Row(), 3);
    TTableEdit edit = window->CurrentEdit();
    EXPECT_EQ(names(edit).mid(0, 4), QStringList({ "product_id", "serial_no", "price", "Name" }));
    EXPECT_EQ(attNums(edit).mid(0, 4), QList<int>({ 1, 2, 4, 3 }));
    EXPECT_EQ(edit.Columns.at(2).Row, 3);
    EXPECT_TRUE(window->IsCreate());

    // an empty row inserted before serial_no and named; note deleted
    grid->setCurrentCell(TfrmTable::colName, 2);
    QTest::mouseClick(window->btnColInsert, Qt::LeftButton);
    type(window, TfrmTable::colName, 2, "added");
    grid->setCurrentCell(TfrmTable::colName, 12);
    ASSERT_EQ(grid->Cells(TfrmTable::colName, 12), "note");
    QTest::mouseClick(window->btnColDelete, Qt::LeftButton);
    edit = window->CurrentEdit();
    EXPECT_EQ(edit.LoadedCount, 11);
    EXPECT_EQ(edit.Columns.size(), 11);
    EXPECT_EQ(edit.Columns.at(1).Name, "added");
    EXPECT_EQ(edit.Columns.at(1).AttNum, 0);
    EXPECT_FALSE(names(edit).contains("note"));

    // the default of "created" through the long-text editor: marked as edited, no other
    const int createdRow = 11;
    ASSERT_EQ(grid->Cells(TfrmTable::colName, createdRow), "created");
    grid->setCurrentCell(TfrmTable::colDefault, createdRow);
    ASSERT_NE(grid->InplaceEditor(), nullptr);
    grid->InplaceEditor()->EditButton()->click();
    grid->setCurrentCell(TfrmTable::colName, createdRow);
    edit = window->CurrentEdit();
    for (const TTableColumnEdit &column : std::as_const(edit.Columns)) {
        EXPECT_EQ(column.DefaultEdited, column.Name == "created") << column.Name.toStdString();
        if (column.Name == "created")
            EXPECT_EQ(column.Default, typedDefault);
    }
    window->SetDefaultCell(createdRow, "now()");
    EXPECT_EQ(grid->Cells(TfrmTable::colDefault, createdRow), "now()");
    EXPECT_TRUE(window->CurrentEdit().Columns.at(createdRow - 1).DefaultEdited);

    // a key ticked by a click makes its column NOT NULL
    ASSERT_EQ(grid->Cells(TfrmTable::colNotNull, 2), "");
    grid->setCurrentCell(TfrmTable::colName, 2);
    clickCell(window, TfrmTable::colKey, 2);
    EXPECT_EQ(grid->Cells(TfrmTable::colKey, 2), "1");
    EXPECT_EQ(grid->Cells(TfrmTable::colNotNull, 2), "1");
    EXPECT_TRUE(window->CurrentEdit().Columns.at(1).PrimaryKey);
    SetLongTextEditor(previous);
}

TEST_F(TableWindow, TextFromTheLongTextEditorCountsAsAnEdit)
{
    const TLongTextEditor previous = SetLongTextEditor([](QString &text, bool &, bool, bool) {
        text = "a comment\nof two lines";
        return IDOK;
    });
    TfrmTable *window = open("tbl", "product");
    ASSERT_NE(window, nullptr);
    TqvStringGrid *grid = window->grdColumn;
    grid->setFocus();
    grid->setCurrentCell(TfrmTable::colComment, 2);
    ASSERT_NE(grid->InplaceEditor(), nullptr);
    grid->InplaceEditor()->EditButton()->click();
    grid->setCurrentCell(TfrmTable::colName, 2);
    EXPECT_EQ(grid->Cells(TfrmTable::colComment, 2), "a comment\nof two lines");
    // a window that closed without asking would lose the comment
    EXPECT_TRUE(window->Modified());
    EXPECT_TRUE(window->GridChanged());
    SetLongTextEditor(previous);
}

TEST_F(TableWindow, OneColumnAppendedIsAnAlterAndTheEntryRowGrows)
{
    TfrmTable *window = open("tbl", "product");
    ASSERT_NE(window, nullptr);
    TqvStringGrid *grid = window->grdColumn;
    const int entry = grid->RowCount() - 1;
    type(window, TfrmTable::colName, entry, "extra");
    EXPECT_EQ(grid->RowCount(), entry + 2);
    EXPECT_EQ(grid->Cells(TfrmTable::colName, entry + 1), "");
    EXPECT_EQ(window->RowAttNum(entry), 0);
    EXPECT_TRUE(window->Modified());
    EXPECT_FALSE(window->IsCreate());
    // the type list of the connection: built-in types and the database's own
    QStringList types;
    window->grdColumnGetPickListitems(TfrmTable::colType, entry, types);
    EXPECT_TRUE(types.contains("integer"));
    EXPECT_TRUE(types.contains("inv.dimension"));
}

TEST_F(TableWindow, StoragePageByPersistenceAndToast)
{
    pg::Connection &c = *conn->dbsMain();
    c.exec("CREATE TEMPORARY TABLE win_scratch (id integer, t text)");
    const QString tempSchema
        = c.exec("SELECT nspname FROM pg_namespace WHERE oid = pg_my_temp_schema()").text(0, 0);

    TfrmTable *temp = open(tempSchema, "win_scratch");
    ASSERT_NE(temp, nullptr);
    temp->pagObject->setCurrentWidget(temp->tabStorage);
    EXPECT_EQ(temp->fraStorage->pagStorage->currentWidget(), temp->fraStorage->tabTemporary);
    EXPECT_EQ(temp->fraStorage->cmbStorageType->currentText(), "一時表");

    TfrmTable *product = open("tbl", "product");
    ASSERT_NE(product, nullptr);
    product->pagObject->setCurrentWidget(product->tabStorage);
    EXPECT_EQ(product->fraStorage->pagStorage->currentWidget(), product->fraStorage->tabDefault);
    EXPECT_FALSE(product->fraStorage->grpOnCommit->isVisibleTo(product));
    EXPECT_EQ(product->fraStorage->cmbTBS->currentText(), "pg_default");
    EXPECT_TRUE(product->fraStorage->rdoTargetToast->isVisibleTo(product));
    EXPECT_FALSE(product->Modified());

    // a table without a TOAST table vacuums only itself
    TfrmTable *plain = open("dsp", "parent_a");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->fraStorage->rdoTargetToast->isVisibleTo(plain));
    EXPECT_TRUE(plain->fraStorage->rdoTargetTable->isChecked());

    // a new table offers ON COMMIT once it is made temporary
    TfrmTable *fresh = open("tbl", "");
    ASSERT_NE(fresh, nullptr);
    fresh->pagObject->setCurrentWidget(fresh->tabStorage);
    EXPECT_FALSE(fresh->fraStorage->grpOnCommit->isVisibleTo(fresh));
    QComboBox *types = fresh->fraStorage->cmbStorageType;
    types->setCurrentIndex(types->findText("一時表"));
    Q_EMIT types->activated(types->currentIndex());
    EXPECT_TRUE(fresh->fraStorage->grpOnCommit->isVisibleTo(fresh));
    c.exec("DROP TABLE win_scratch");
}

TEST_F(TableWindow, PolicyPageListsEveryPolicyWithItsRoles)
{
    TfrmTable *window = open("tbl", "product");
    ASSERT_NE(window, nullptr);
    window->pagObject->setCurrentWidget(window->tabPolicy);
    EXPECT_TRUE(window->chkPolicyEnable->isChecked());
    ASSERT_EQ(window->lstPolicy->topLevelItemCount(), 3);
    const auto row = [&](int i) {
        QStringList texts;
        for (int col = 0; col < window->lstPolicy->columnCount(); ++col)
            texts << window->lstPolicy->topLevelItem(i)->text(col);
        return texts;
    };
    EXPECT_EQ(
        row(0),
        QStringList({ "product_add", "", "*", "", "", "corvane_tbl_writer", "", "(qty > 0)" }));
    // restrictive, for every command and PUBLIC
    EXPECT_EQ(row(1),
              QStringList({ "product_limit", "*", "*", "*", "*", "PUBLIC", "true",
                            "(price < (1000)::numeric)" }));
    EXPECT_EQ(row(2).mid(0, 7),
              QStringList({ "product_read", "*", "", "", "",
                            "corvane_tbl Mixed, corvane_tbl_reader", "(price > (0)::numeric)" }));

    window->lstPolicy->setCurrentItem(window->lstPolicy->topLevelItem(2));
    ASSERT_EQ(window->lstRole->count(), 2);
    EXPECT_EQ(window->lstRole->item(0)->text(), "corvane_tbl Mixed");
    EXPECT_EQ(window->lstRole->item(1)->text(), "corvane_tbl_reader");
    EXPECT_EQ(window->txtSecurity->toPlainText(), "(price > (0)::numeric)");
    EXPECT_TRUE(window->txtWithCheck->toPlainText().isEmpty());
    EXPECT_TRUE(window->txtSecurity->isReadOnly());

    EXPECT_FALSE(window->Modified());
    QTest::mouseClick(window->chkPolicyEnable, Qt::LeftButton, {},
                      window->chkPolicyEnable->rect().bottomLeft() + QPoint(8, -8));
    EXPECT_FALSE(window->chkPolicyEnable->isChecked());
    EXPECT_TRUE(window->Modified());
}

TEST_F(TableWindow, PrivilegesAndDependenciesLoadWithTheirPage)
{
    TfrmTable *window = open("tbl", "product");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->fraGrant->lstGrant->topLevelItemCount(), 0);
    window->pagObject->setCurrentWidget(window->tabGrant);
    EXPECT_GT(window->fraGrant->lstGrant->topLevelItemCount(), 0);
    window->pagObject->setCurrentWidget(window->tabCross);
    ASSERT_GT(window->fraCross->lstTree1->topLevelItemCount(), 0);
    EXPECT_EQ(window->fraCross->lstTree1->topLevelItem(0)->text(0), "tbl.product");
}

TEST_F(TableWindow, NewTableShowsOnlyItsOwnPages)
{
    TfrmTable *window = open("tbl", "");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "TABLE - 新規");
    EXPECT_TRUE(window->pnlName->isEnabled());
    EXPECT_TRUE(tabShown(window, window->tabDefine));
    EXPECT_TRUE(tabShown(window, window->tabStorage));
    for (QWidget *page :
         { window->tabSource, window->tabPolicy, window->tabGrant, window->tabCross })
        EXPECT_FALSE(tabShown(window, page)) << page->objectName().toStdString();
    EXPECT_EQ(window->lstConst->topLevelItemCount(), 3);
    EXPECT_EQ(window->grdColumn->RowCount(), 2);
    EXPECT_TRUE(window->IsCreate());
    type(window, TfrmTable::colName, 1, "id");
    EXPECT_EQ(window->grdColumn->RowCount(), 3);
    EXPECT_EQ(window->CurrentEdit().Columns.size(), 1);

    TfrmTable *existing = open("tbl", "product");
    ASSERT_NE(existing, nullptr);
    EXPECT_FALSE(existing->pnlName->isEnabled());
    for (QWidget *page : { existing->tabSource, existing->tabPolicy, existing->tabGrant,
                           existing->tabCross, existing->tabStorage })
        EXPECT_TRUE(tabShown(existing, page)) << page->objectName().toStdString();
}

} // namespace tablewin

namespace tablewin {

TEST_F(TableWindow, PrintRecordsTheCreateScript)
{
    TfrmTable *window = open("tbl", "product");
    ASSERT_NE(window, nullptr);
    window->PrintProc();
    ASSERT_GT(prtData().PageCount(), 0);
    const QStringList first = prtData().GetPage(0).texts();
    ASSERT_GE(first.size(), 3);
    EXPECT_EQ(first.at(0), "tbl.product");
    EXPECT_TRUE(first.join('\n').contains("CREATE TABLE tbl.product"))
        << first.join('\n').toStdString();
}

} // namespace tablewin

namespace tablewin {

// The delete command asks with the CASCADE box: without it a table that a view reads stays
// (the window too, with the server's reason), with it the table and the view go, and the
// object lists are told to reload.
TEST_F(TableWindow, DeleteAsksForCascadeAndReloadsTheObjectLists)
{
    db.exec("CREATE TABLE tbl.del_me (id int PRIMARY KEY); "
            "CREATE VIEW tbl.del_me_v AS SELECT id FROM tbl.del_me");
    TfrmTable *window = open("tbl", "del_me");
    ASSERT_NE(window, nullptr);
    QPointer<TfrmTable> alive(window);
    bool cascade = false;
    QStringList checkCaptions;
    int deletedMessages = 0;
    int errors = 0;
    const ScopedDialogResponder responder([&](DialogRequest &r) {
        if (r.text == QStringLiteral("オブジェクトを削除しますか？")) {
            for (DialogCheck &check : r.checks) {
                checkCaptions << check.caption;
                check.checked = cascade;
            }
            return IDYES;
        }
        if (r.text == QStringLiteral("オブジェクトが削除されました。"))
            ++deletedMessages;
        else
            ++errors;
        return IDOK;
    });
    const QString both
        = QStringLiteral("SELECT count(*) FROM pg_class WHERE relname IN ('del_me', 'del_me_v')");

    window->actDelete->trigger();
    QApplication::processEvents();
    EXPECT_EQ(checkCaptions, QStringList({ "CASCADE オプション" }));
    EXPECT_EQ(conn->m_executed.last(), "DROP TABLE tbl.del_me");
    EXPECT_EQ(deletedMessages, 0);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(conn->m_reloads, 0);
    EXPECT_EQ(query(both), "2");
    ASSERT_TRUE(alive);

    cascade = true;
    window->actDelete->trigger();
    QApplication::processEvents();
    EXPECT_EQ(conn->m_executed.last(), "DROP TABLE tbl.del_me CASCADE");
    EXPECT_EQ(deletedMessages, 1);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(conn->m_reloads, 1);
    EXPECT_EQ(query(both), "0");
}

} // namespace tablewin
