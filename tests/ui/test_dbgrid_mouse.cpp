// The mouse in the record grids: clicks, Shift- and Ctrl-clicks on cells and indicators, the
// right click that keeps a selection for the popup menu, title and cell clicks, and moving a
// column by its title.
#include "dbgridtest.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace dbgridtest;

namespace dbgridmousetest {

const char Rows[] = "CREATE TABLE m (id int PRIMARY KEY, a text, b text, c text);"
                    "INSERT INTO m SELECT g, 'a' || g, 'b' || g, 'c' || g"
                    " FROM generate_series(0, 11) AS g";

// Grid coordinates of a record's indicator and of a cell, for either grid.
QPoint indicatorOf(const GridFixture &f, int record)
{
    const int lane = f.grid->TitleOffset() + record - f.grid->TopRecord();
    return f.grid->RecordsInRows() ? QPoint(0, lane) : QPoint(lane, 0);
}

QPoint cellOf(const GridFixture &f, int record, int field)
{
    const int lane = f.grid->TitleOffset() + record - f.grid->TopRecord();
    const int fieldLane = f.grid->IndicatorOffset() + field;
    return f.grid->RecordsInRows() ? QPoint(fieldLane, lane) : QPoint(lane, fieldLane);
}

void clickAt(GridFixture &f, QPoint cell, Qt::KeyboardModifiers modifiers = {},
             Qt::MouseButton button = Qt::LeftButton)
{
    f.click(cell.x(), cell.y(), modifiers, button);
}

TEST(DbGridMouse, ClicksSelectAsTheKeysDo)
{
    for (const bool recordsInRows : { true, false }) {
        SCOPED_TRACE(recordsInRows ? "one record per row" : "one record per column");
        GridFixture f(recordsInRows, Rows, "SELECT * FROM m ORDER BY id", QSize(900, 420));
        ASSERT_TRUE(f.show());

        // a plain click on a cell: that cell, no record selected
        clickAt(f, cellOf(f, 2, 1));
        EXPECT_EQ(f.dataSet.currentRow(), 2);
        EXPECT_EQ(f.grid->SelectedIndex(), 1);
        EXPECT_EQ(f.selectedRows(), QList<int>());
        EXPECT_EQ(f.grid->RangeStart(), 1);

        // the indicator: that record, whole
        clickAt(f, indicatorOf(f, 3));
        EXPECT_EQ(f.selectedRows(), QList<int>({ 3 }));
        EXPECT_TRUE(f.grid->WholeRecords());
        // Shift on another indicator: the records between, whole
        clickAt(f, indicatorOf(f, 5), Qt::ShiftModifier);
        EXPECT_EQ(f.selectedRows(), QList<int>({ 3, 4, 5 }));
        EXPECT_TRUE(f.grid->WholeRecords());
        EXPECT_EQ(f.dataSet.currentRow(), 5);

        // Shift on a cell instead: the same records within the fields
        clickAt(f, indicatorOf(f, 3));
        clickAt(f, cellOf(f, 5, 2), Qt::ShiftModifier);
        EXPECT_EQ(f.selectedRows(), QList<int>({ 3, 4, 5 }));
        EXPECT_FALSE(f.grid->WholeRecords());
        EXPECT_EQ(f.grid->RangeEnd(), 2);

        // Ctrl toggles one record
        clickAt(f, cellOf(f, 7, 0), Qt::ControlModifier);
        EXPECT_TRUE(f.selectedRows().contains(7));
        clickAt(f, cellOf(f, 4, 0), Qt::ControlModifier);
        EXPECT_FALSE(f.selectedRows().contains(4));
        EXPECT_FALSE(f.connection.autoCommit());
    }
}

TEST(DbGridMouse, ARightClickOnTheIndicatorsKeepsTheSelection)
{
    for (const bool recordsInRows : { true, false }) {
        SCOPED_TRACE(recordsInRows ? "one record per row" : "one record per column");
        GridFixture f(recordsInRows, Rows, "SELECT * FROM m ORDER BY id", QSize(900, 420));
        ASSERT_TRUE(f.show());
        clickAt(f, indicatorOf(f, 1));
        clickAt(f, indicatorOf(f, 3), Qt::ShiftModifier);
        ASSERT_EQ(f.selectedRows(), QList<int>({ 1, 2, 3 }));
        clickAt(f, indicatorOf(f, 6), {}, Qt::RightButton);
        EXPECT_EQ(f.selectedRows(), QList<int>({ 1, 2, 3 }));
        EXPECT_EQ(f.dataSet.currentRow(), 3);
        // elsewhere it is an ordinary press
        clickAt(f, cellOf(f, 6, 2), {}, Qt::RightButton);
        EXPECT_EQ(f.dataSet.currentRow(), 6);
        EXPECT_EQ(f.selectedRows(), QList<int>());
    }
}

TEST(DbGridMouse, TitleCellAndDoubleClicksReachTheHost)
{
    GridFixture f(true, Rows, "SELECT * FROM m ORDER BY id");
    ASSERT_TRUE(f.show());
    auto *grid = static_cast<TqvDBGridV *>(f.grid);
    QList<TColumn *> titles;
    QList<TColumn *> cells;
    QObject::connect(grid, &TqvDBGridV::OnTitleClick, [&](TColumn *c) { titles << c; });
    QObject::connect(grid, &TqvDBGridV::OnCellClick, [&](TColumn *c) { cells << c; });
    QSignalSpy doubles(grid, &TqvDBGrid::OnDblClick);
    f.click(3, 0);
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(titles.first(), grid->Columns()->Items(2));
    EXPECT_EQ(f.dataSet.currentRow(), 0); // a title click moves nothing
    f.click(2, 4);
    ASSERT_EQ(cells.size(), 1);
    EXPECT_EQ(cells.first(), grid->Columns()->Items(1));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->GetCellRect(2, 5).center());
    EXPECT_EQ(doubles.count(), 1);
}

TEST(DbGridMouse, ACustomizedColumnMovesByItsTitle)
{
    GridFixture f(true, Rows, "");
    auto *grid = static_cast<TqvDBGridV *>(f.grid);
    for (const char *name : { "id", "a", "b", "c" })
        grid->Columns()->Add()->setFieldName(name);
    f.dataSet.setSql("SELECT * FROM m ORDER BY id");
    f.dataSet.open();
    ASSERT_TRUE(f.show());
    QSignalSpy moved(grid, &TqvDBGridV::OnColumnMoved);
    const QPoint from = grid->GetCellRect(2, 0).center();
    const QPoint to = grid->GetCellRect(4, 0).center();
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(grid->viewport(), from + QPoint(20, 0));
    QTest::mouseMove(grid->viewport(), to);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, to);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.first().at(0).toInt(), 1);
    EXPECT_EQ(moved.first().at(1).toInt(), 3);
    EXPECT_EQ(grid->Columns()->Items(3)->FieldName(), "a");
    EXPECT_EQ(grid->DataLink()->FieldListIndex(3), 1);
}

TEST(DbGridMouse, SizingAColumnByItsTitleBorder)
{
    GridFixture f(true, Rows, "SELECT * FROM m ORDER BY id");
    ASSERT_TRUE(f.show());
    auto *grid = static_cast<TqvDBGridV *>(f.grid);
    const int before = grid->Columns()->Items(1)->Width();
    const QRect title = grid->GetCellRect(2, 0);
    const QPoint border(title.right() + 1, title.center().y());
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, border);
    QTest::mouseMove(grid->viewport(), border + QPoint(30, 0));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, border + QPoint(30, 0));
    EXPECT_EQ(grid->Columns()->Items(1)->Width(), before + 30);
    EXPECT_EQ(f.dataSet.currentRow(), 0);
}

} // namespace dbgridmousetest
