// How the record grids lay themselves out from a data set: lanes per visible field, the empty
// result, customized items, the transposed grid's shape, and the selection's life.
#include "dbgridtest.h"

#include <gtest/gtest.h>

using namespace dbgridtest;

namespace dbgridlayouttest {

const char FruitTable[] = "CREATE TABLE fruit (id int PRIMARY KEY, name text, price numeric(8,2),"
                          " picked date, note text);"
                          "INSERT INTO fruit VALUES (1, 'りんご', 120.5, '2026-01-05', 'a'),"
                          " (2, 'みかん', NULL, '2026-01-06', NULL), (3, 'もも', 350, NULL, 'c')";

QStringList titles(TqvDBGrid *grid)
{
    QStringList t;
    for (int i = 0; i < grid->ItemCount(); ++i)
        t << grid->Items()->Item(i)->TitleCaption();
    return t;
}

QList<int> fieldMap(TqvDBGrid *grid)
{
    QList<int> m;
    for (int i = 0; i < grid->FieldCount(); ++i)
        m << grid->DataLink()->FieldListIndex(i);
    return m;
}

TEST(DbGridLayout, LanesFollowTheVisibleFieldsInOrder)
{
    for (const bool recordsInRows : { true, false }) {
        SCOPED_TRACE(recordsInRows ? "one record per row" : "one record per column");
        GridFixture f(recordsInRows, FruitTable, "SELECT * FROM fruit ORDER BY id");
        ASSERT_TRUE(f.show());
        EXPECT_EQ(titles(f.grid), QStringList({ "id", "name", "price", "picked", "note" }));
        const int fieldLanes = recordsInRows ? f.grid->ColCount() : f.grid->RowCount();
        EXPECT_EQ(fieldLanes, 5 + f.grid->IndicatorOffset());

        f.dataSet.setFieldVisible(2, false);
        EXPECT_EQ(titles(f.grid), QStringList({ "id", "name", "picked", "note" }));
        EXPECT_EQ(fieldMap(f.grid), QList<int>({ 0, 1, 3, 4 }));
        f.dataSet.setFieldVisible(0, false);
        EXPECT_EQ(fieldMap(f.grid), QList<int>({ 1, 3, 4 }));

        // shown again, a field takes its place in the field list
        f.dataSet.setFieldVisible(2, true);
        EXPECT_EQ(titles(f.grid), QStringList({ "name", "price", "picked", "note" }));
        f.dataSet.setFieldVisible(0, true);
        EXPECT_EQ(fieldMap(f.grid), QList<int>({ 0, 1, 2, 3, 4 }));

        // another result lays the grid out afresh
        f.dataSet.setSql("SELECT note, id FROM fruit");
        f.dataSet.open();
        EXPECT_EQ(titles(f.grid), QStringList({ "note", "id" }));
    }
}

TEST(DbGridLayout, FieldsOfTheSameNameEachHaveTheirLane)
{
    GridFixture f(true, FruitTable, "SELECT id, name, id, name FROM fruit ORDER BY id");
    ASSERT_TRUE(f.show());
    EXPECT_EQ(fieldMap(f.grid), QList<int>({ 0, 1, 2, 3 }));
}

TEST(DbGridLayout, AnEmptyResultShowsOneEmptyRecord)
{
    for (const bool recordsInRows : { true, false }) {
        SCOPED_TRACE(recordsInRows ? "one record per row" : "one record per column");
        GridFixture f(recordsInRows, FruitTable, "SELECT * FROM fruit WHERE false");
        ASSERT_TRUE(f.show());
        EXPECT_EQ(f.dataSet.recordCount(), 0);
        const int recordLanes = recordsInRows ? f.grid->RowCount() : f.grid->ColCount();
        const int fieldLanes = recordsInRows ? f.grid->ColCount() : f.grid->RowCount();
        EXPECT_EQ(recordLanes, f.grid->TitleOffset() + 1);
        EXPECT_EQ(fieldLanes, f.grid->IndicatorOffset() + 5);
        // the empty record's cells exist; nothing beyond them
        const int first = f.grid->TitleOffset();
        const QRect cell
            = recordsInRows ? f.grid->GetCellRect(1, first) : f.grid->GetCellRect(first, 1);
        EXPECT_FALSE(cell.isEmpty());
        const QRect beyond
            = recordsInRows ? f.grid->GetCellRect(1, first + 1) : f.grid->GetCellRect(first + 1, 1);
        EXPECT_TRUE(beyond.isEmpty());
    }
}

TEST(DbGridLayout, AClosedQueryLeavesOneEmptyLaneAndNoSelection)
{
    GridFixture f(true, FruitTable, "SELECT * FROM fruit ORDER BY id");
    ASSERT_TRUE(f.show());
    f.click(0, 1);
    f.click(0, 3, Qt::ShiftModifier);
    EXPECT_EQ(f.grid->SelectedRecords()->Count(), 3);
    f.dataSet.close();
    EXPECT_EQ(f.grid->SelectedRecords()->Count(), 0);
    EXPECT_EQ(f.grid->RowCount(), 2);
    EXPECT_EQ(f.grid->ItemCount(), 1); // one column without a field
    EXPECT_EQ(f.grid->FieldCount(), 0);
    EXPECT_FALSE(f.grid->EditorMode());
    f.dataSet.open();
    EXPECT_EQ(f.grid->ItemCount(), 5);
    EXPECT_EQ(f.grid->SelectedRecords()->Count(), 0);
    EXPECT_TRUE(f.grid->EditorMode());
}

TEST(DbGridLayout, CustomizedItemsMapByNameAndKeepUnknownOnes)
{
    GridFixture f(true, FruitTable, "");
    auto *grid = static_cast<TqvDBGridV *>(f.grid);
    grid->Columns()->Add()->setFieldName("price");
    TColumn *unknown = grid->Columns()->Add();
    unknown->setFieldName("nosuch");
    grid->Columns()->Add()->setFieldName("id");
    EXPECT_EQ(grid->Columns()->State(), csCustomized);
    f.dataSet.setSql("SELECT * FROM fruit ORDER BY id");
    f.dataSet.open();
    ASSERT_TRUE(f.show());
    EXPECT_EQ(fieldMap(grid), QList<int>({ 2, -1, 0 }));
    EXPECT_TRUE(grid->DataLink()->SparseMap());
    EXPECT_FALSE(grid->DataLink()->DefaultFields());
    EXPECT_EQ(grid->Fields(1), nullptr);
    EXPECT_EQ(unknown->TitleCaption(), "nosuch");
    EXPECT_EQ(grid->ColCount(), 4);
    // back to the default state: the grid makes its own columns again
    grid->Columns()->setState(csDefault);
    EXPECT_EQ(grid->ItemCount(), 5);
    EXPECT_FALSE(grid->DataLink()->SparseMap());
}

TEST(DbGridLayout, AColumnWidthSurvivesTheNextLayout)
{
    GridFixture f(true, FruitTable, "SELECT * FROM fruit ORDER BY id");
    ASSERT_TRUE(f.show());
    auto *grid = static_cast<TqvDBGridV *>(f.grid);
    TColumn *name = grid->Columns()->Items(1);
    name->setWidth(150);
    f.dataSet.setFieldVisible(0, false);
    EXPECT_EQ(grid->Columns()->Items(0)->Width(), 150);
    EXPECT_EQ(grid->GetCellRect(1, 1).width(), 150);
    name->setVisible(false);
    EXPECT_EQ(name->Width(), -1);
}

TEST(DbGridLayout, IndicatorColumnIsElevenPixelsWide)
{
    GridFixture f(true, FruitTable, "SELECT * FROM fruit ORDER BY id");
    ASSERT_TRUE(f.show());
    EXPECT_EQ(f.grid->IndicatorOffset(), 1);
    EXPECT_EQ(f.grid->GetCellRect(0, 1).width(), 11);
    f.grid->setOptions(f.grid->Options() & ~TDBGridOptions(dgIndicator));
    EXPECT_EQ(f.grid->IndicatorOffset(), 0);
    EXPECT_EQ(f.grid->ColCount(), 5);
}

TEST(DbGridLayout, TransposedGridHasAFieldPerRowAndEqualRecordColumns)
{
    QStringList columns;
    for (int i = 1; i <= 30; ++i)
        columns << QStringLiteral("c%1 int").arg(i);
    columns[17] = "a_rather_long_field_title_here int";
    const QString setup = "CREATE TABLE wide (" + columns.join(", ")
        + "); INSERT INTO wide SELECT g FROM generate_series(1, 3) AS g";
    GridFixture f(false, setup, "SELECT * FROM wide", QSize(700, 900));
    ASSERT_TRUE(f.show());
    auto *grid = static_cast<TqvDBGridH *>(f.grid);
    EXPECT_EQ(grid->RowCount(), 31);
    EXPECT_EQ(grid->ColCount(), 4);
    for (int col = 1; col <= 3; ++col)
        EXPECT_EQ(grid->GetColWidth(col), 64);
    const int longest = grid->fontMetrics().horizontalAdvance("a_rather_long_field_title_here");
    EXPECT_EQ(grid->GetColWidth(0), qMax(64, longest + 4));
    grid->setDefaultColWidth(120);
    for (int col = 1; col <= 3; ++col)
        EXPECT_EQ(grid->GetCellRect(col, 1).width(), 120);
}

TEST(DbGridLayout, SizingOneRecordColumnSizesThemAll)
{
    GridFixture f(false, FruitTable, "SELECT * FROM fruit ORDER BY id", QSize(700, 300));
    ASSERT_TRUE(f.show());
    auto *grid = static_cast<TqvDBGridH *>(f.grid);
    const QRect indicator = grid->GetCellRect(1, 0);
    const QPoint border(indicator.right() + 1, indicator.center().y());
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, border);
    QTest::mouseMove(grid->viewport(), border + QPoint(56, 0));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, border + QPoint(56, 0));
    EXPECT_EQ(grid->DefaultColWidth(), 120);
    EXPECT_EQ(grid->GetCellRect(3, 2).width(), 120);
}

TEST(DbGridLayout, EachGridKeepsItsOwnWholeRecordFlag)
{
    GridFixture f(true, FruitTable, "SELECT * FROM fruit ORDER BY id");
    ASSERT_TRUE(f.show());
    auto *other = new TqvDBGridV(&f.window);
    other->setOptions(other->Options() | dgMultiSelect);
    f.window.layout()->addWidget(other);
    pg::DataSet second(&f.connection);
    second.setSql("SELECT * FROM fruit ORDER BY id");
    second.open();
    other->setDataSet(&second);
    QApplication::processEvents();

    f.click(0, 2); // the indicator: whole records
    EXPECT_TRUE(f.grid->WholeRecords());
    EXPECT_FALSE(other->WholeRecords());

    other->setFocus();
    QTest::mouseClick(other->viewport(), Qt::LeftButton, {}, other->GetCellRect(2, 1).center());
    EXPECT_FALSE(other->WholeRecords());
    EXPECT_TRUE(f.grid->WholeRecords());
    other->setDataSet(nullptr);
}

} // namespace dbgridlayouttest
