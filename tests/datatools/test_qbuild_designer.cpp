// The designer with its grid and editor: adding and removing boxes, the statement kind, the
// text written and read, and a refused text that stays the user's.
#include "qbuildtest.h"

#include "core/qvexcept.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

namespace qbuilddesigner {

using qbuildtest::QBuildTest;

void addRow(TqvStringGrid *grid, const QStringList &cells)
{
    const int row = grid->RowCount() - 1;
    for (int col = 0; col < cells.size(); ++col)
        grid->setCells(col, row, cells[col]);
    grid->setRowCount(grid->RowCount() + 1);
}

TEST_F(QBuildTest, AddTableNamesPlacesAndWrites)
{
    auto h = host();
    TqvSQLDesigner *d = h->designer;
    TqvSQLBuildTable *emp = d->AddTable("emp");
    TqvSQLBuildTable *orders = d->AddTable("sales.orders");
    EXPECT_EQ(emp->Alias(), "a");
    EXPECT_EQ(orders->Alias(), "b");
    EXPECT_EQ(emp->HeaderPanel()->text(), "qbuild.emp");
    EXPECT_EQ(orders->HeaderPanel()->text(), "sales.orders");
    EXPECT_EQ(emp->GetSchema(), "");
    EXPECT_EQ(emp->geometry().topLeft(), QPoint(16, 16));
    EXPECT_EQ(orders->geometry().topLeft(), QPoint(166, 16));
    EXPECT_EQ(emp->ItemList()->item(0)->text(), "*");
    EXPECT_TRUE(emp->ItemList()->item(1)->font().bold()); // empno, the key
    EXPECT_FALSE(emp->ItemList()->item(2)->font().bold());
    d->DesignToSQL();
    EXPECT_EQ(d->SaveSQL(), h->memo->text());
    EXPECT_TRUE(h->memo->text().contains("sales.orders b", Qt::CaseInsensitive));
    EXPECT_TRUE(d->InStep());
    EXPECT_TRUE(emp->isEnabled());
}

TEST_F(QBuildTest, RemovingBoxesCascades)
{
    auto h = host();
    TqvSQLDesigner *d = h->designer;
    TqvSQLBuildTable *a = d->AddTable("emp");
    TqvSQLBuildTable *b = d->AddTable("dept");
    d->AddConnect(a, b, "deptno", "deptno");
    addRow(h->grid, { "a.ename", "", "1" });
    addRow(h->grid, { "b.dname", "", "1" });
    addRow(h->grid, { "b.loc", "", "1" });
    d->setSelected(b);
    d->RemoveTable(b);
    EXPECT_EQ(d->Tables(), QList<TqvSQLBuildTable *>({ a }));
    EXPECT_TRUE(d->Connects().isEmpty());
    EXPECT_EQ(d->Selected(), nullptr);
    EXPECT_EQ(h->grid->RowCount(), 3);
    EXPECT_EQ(h->grid->Cells(0, 1), "a.ename");
    EXPECT_FALSE(h->memo->text().contains("dept"));
    EXPECT_NO_THROW(runRolledBack(h->memo->text()));

    d->setSQLType(sqltUpdate);
    TqvSQLBuildTable *u = d->AddTable("emp");
    EXPECT_FALSE(u->AliasEdit()->isEnabled());
    EXPECT_EQ(u->ItemList()->item(0)->text(), "empno");
    addRow(h->grid, { "sal", "1" });
    d->RemoveTable(u);
    EXPECT_EQ(h->grid->RowCount(), 2);
    EXPECT_EQ(h->grid->Cells(0, 1), "");
}

TEST_F(QBuildTest, StatementKindChanges)
{
    auto h = host();
    TqvSQLDesigner *d = h->designer;
    d->AddTable("emp");
    addRow(h->grid, { "a.ename", "", "1" });
    d->DesignToSQL();
    d->setSQLType(sqltSelect); // the same kind: nothing changes
    EXPECT_EQ(d->Tables().size(), 1);
    EXPECT_FALSE(h->memo->text().isEmpty());
    d->setSQLType(sqltUpdate);
    EXPECT_TRUE(d->Tables().isEmpty());
    EXPECT_EQ(h->grid->RowCount(), 2);
    EXPECT_EQ(h->grid->Cells(0, 1), "");
    EXPECT_TRUE(h->memo->text().isEmpty());
    EXPECT_EQ(h->grid->Cells(gcAlias, 0), "値");
    EXPECT_EQ(h->grid->GetEditStyles(gcShow), geViewCheckBox);
    // with the busy flag the design stays and only the grid is relabelled
    d->AddTable("emp");
    d->setSQLDesign(true);
    d->setSQLType(sqltCreateView);
    d->setSQLDesign(false);
    EXPECT_EQ(d->Tables().size(), 1);
    EXPECT_EQ(h->grid->Cells(gcAlias, 0), "別名");
    EXPECT_EQ(h->grid->GetEditStyles(gcShow), geCheckBox);
}

TEST_F(QBuildTest, TextReadIntoBoxesAndGrid)
{
    auto h = host();
    TqvSQLDesigner *d = h->designer;
    h->memo->setText("select e.ename nm from emp e, dept d where e.deptno = d.deptno");
    d->SQLToDesign();
    ASSERT_EQ(d->Tables().size(), 2);
    EXPECT_EQ(d->Tables()[0]->Alias(), "e");
    ASSERT_EQ(d->Connects().size(), 1);
    EXPECT_EQ(d->Connects()[0]->FromTable(), d->Tables()[0]);
    EXPECT_EQ(h->grid->Cells(0, 1), "e.ename");
    EXPECT_EQ(h->grid->Cells(1, 1), "nm");
    EXPECT_EQ(h->grid->RowCount(), 3);
    EXPECT_TRUE(d->InStep());
    // the user's text itself stays as typed
    EXPECT_EQ(h->memo->text(), "select e.ename nm from emp e, dept d where e.deptno = d.deptno");
}

// A refused text stays in the editor: it is not read again, the boxes stay disabled, and a
// design change asks before writing over it.
TEST_F(QBuildTest, RefusedTextIsKeptAfterNo)
{
    auto h = host();
    TqvSQLDesigner *d = h->designer;
    d->AddTable("emp");
    d->DesignToSQL();
    const QString refused
        = QStringLiteral("select a.ename from emp a left join dept b on a.deptno = b.deptno");
    h->memo->setText(refused);
    EXPECT_THROW(d->SQLToDesign(), SilentAbort);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].text, SQLBuildRefusedMessage());
    EXPECT_TRUE(d->Tables().isEmpty());
    EXPECT_TRUE(d->Refused());
    // not parsed again on the next focus change
    EXPECT_NO_THROW(d->SQLToDesign());
    EXPECT_EQ(dialogs.size(), 1);

    answer = IDNO;
    TqvSQLBuildTable *box = d->AddTable("dept");
    addRow(h->grid, { "a.dname", "", "1" });
    d->DesignToSQL();
    EXPECT_EQ(h->memo->text(), refused);
    EXPECT_EQ(dialogs.size(), 2);
    EXPECT_EQ(dialogs[1].buttons, QList<int>({ IDYES, IDNO }));
    EXPECT_FALSE(box->isEnabled());
    d->setSQLType(sqltDelete);
    EXPECT_EQ(h->memo->text(), refused);

    answer = IDYES;
    d->AddTable("dept");
    d->DesignToSQL();
    EXPECT_NE(h->memo->text(), refused);
    EXPECT_FALSE(d->Refused());
    EXPECT_TRUE(d->Tables()[0]->isEnabled());
}

TEST_F(QBuildTest, GridEditsFollowTheRules)
{
    auto h = host();
    TqvSQLDesigner *d = h->designer;
    d->AddTable("emp");
    h->grid->SetEditStyles(gcShow, geCheckBox);
    // typing into the alias of the empty last row appends a row and shows the typed one
    h->grid->setCells(gcExpr, 1, "a.ename");
    h->grid->setCells(gcAlias, 1, "nm");
    Q_EMIT h->grid->OnSetEditText(gcAlias, 1, "nm");
    EXPECT_EQ(h->grid->RowCount(), 3);
    EXPECT_TRUE(h->grid->GetChecked(gcShow, 1));
    EXPECT_TRUE(h->memo->text().contains("a.ename nm", Qt::CaseInsensitive));
    // clearing the direction clears the position, and the other way round
    h->grid->setCells(gcSort, 1, "昇順");
    h->grid->setCells(gcSortOrder, 1, "1");
    h->grid->Save();
    h->grid->setCells(gcSort, 1, "");
    Q_EMIT h->grid->OnSetEditText(gcSort, 1, "");
    EXPECT_EQ(h->grid->Cells(gcSortOrder, 1), "");
    h->grid->setCells(gcSort, 1, "降順");
    h->grid->setCells(gcSortOrder, 1, "7");
    Q_EMIT h->grid->OnSetEditText(gcSortOrder, 1, "7");
    EXPECT_EQ(h->grid->Cells(gcSortOrder, 1), "1");
    h->grid->setCells(gcSortOrder, 1, "");
    Q_EMIT h->grid->OnSetEditText(gcSortOrder, 1, "");
    EXPECT_EQ(h->grid->Cells(gcSort, 1), "");
    QStringList items;
    Q_EMIT h->grid->OnGetPickListitems(gcExpr, 1, items);
    EXPECT_EQ(items.value(0), "a.*");
    EXPECT_TRUE(items.contains("a.ename"));
}

} // namespace qbuilddesigner
