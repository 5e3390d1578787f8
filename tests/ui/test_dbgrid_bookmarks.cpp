// The selected records of a grid: one entry per record in record order, records that go leave
// the list, and a closed data set refuses the question.
#include "dbgridtest.h"

#include <gtest/gtest.h>

using namespace dbgridtest;

namespace dbgridbookmarkstest {

const char Rows[] = "CREATE TABLE b (id int PRIMARY KEY, v text);"
                    "INSERT INTO b SELECT g, 'v' || g FROM generate_series(1, 8) AS g";

TEST(DbGridBookmarks, RecordsAreKeptOnceAndInRecordOrder)
{
    GridFixture f(true, Rows, "SELECT * FROM b ORDER BY id");
    ASSERT_TRUE(f.show());
    TBookmarkList *list = f.grid->SelectedRecords();
    for (const int row : { 5, 1, 3, 5 }) {
        f.dataSet.setCurrentRow(row);
        list->setCurrentRowSelected(true);
    }
    EXPECT_EQ(f.selectedRows(), QList<int>({ 1, 3, 5 }));
    f.dataSet.setCurrentRow(2);
    list->setCurrentRowSelected(false); // not selected: nothing changes
    EXPECT_EQ(list->Count(), 3);
    EXPECT_TRUE((f.dataSet.setCurrentRow(3), list->CurrentRowSelected()));
    EXPECT_EQ(list->IndexOf(f.dataSet.bookmarkAt(5)), 2);
    EXPECT_EQ(list->IndexOf(f.dataSet.bookmarkAt(4)), -1);

    // a record inserted before them keeps the order; one deleted leaves the list
    f.dataSet.setCurrentRow(0);
    f.dataSet.insert();
    f.dataSet.cancel();
    f.dataSet.setCurrentRow(3);
    f.dataSet.deleteRecord();
    EXPECT_EQ(f.selectedRows(), QList<int>({ 1, 4 }));

    f.grid->SelectAllRecords();
    EXPECT_EQ(list->Count(), f.dataSet.recordCount());
}

TEST(DbGridBookmarks, DeleteRemovesTheSelectedRecordsLastFirst)
{
    GridFixture f(true, Rows, "SELECT * FROM b ORDER BY id");
    ASSERT_TRUE(f.show());
    TBookmarkList *list = f.grid->SelectedRecords();
    for (const int row : { 1, 4, 6 }) {
        f.dataSet.setCurrentRow(row);
        list->setCurrentRowSelected(true);
    }
    list->Delete();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(f.db.query("SELECT string_agg(id::text, ',' ORDER BY id) FROM b"), "1,3,4,6,8");
}

TEST(DbGridBookmarks, AClosedOrEmptyDataSetHasNoCurrentRecordToSelect)
{
    GridFixture f(true, Rows, "SELECT * FROM b WHERE false");
    ASSERT_TRUE(f.show());
    TBookmarkList *list = f.grid->SelectedRecords();
    list->setCurrentRowSelected(true);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_FALSE(list->CurrentRowSelected());
    f.dataSet.close();
    EXPECT_THROW(list->CurrentRowSelected(), EInvalidGridOperation);
    try {
        list->setCurrentRowSelected(true);
        FAIL();
    } catch (const EInvalidGridOperation &e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  "データセットは閉じているため, この操作は実行できません");
    }
}

} // namespace dbgridbookmarkstest
