// The history picker: rows per entry, find, move and delete change the history index.
#include "sqlwintest.h"

#include "core/sqllog.h"
#include "sqlwin/fsqllog.h"

#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

using sqlwintest::SqlWinTest;

namespace pickertest {

TEST_F(SqlWinTest, PickerListsFindsMovesAndDeletes)
{
    AppOption.Encoding = 2;
    ASSERT_EQ(SQLLogAdd("select 1\r\nfrom a"), 0);
    ASSERT_EQ(SQLLogAdd("select 2"), 0);
    ASSERT_EQ(SQLLogAdd("update b set x = 1"), 0);
    TfrmSQLLog picker;
    ASSERT_EQ(picker.lstSQL->count(), 3);
    EXPECT_TRUE(picker.lstSQL->item(2)->text().endsWith("    select 1 from a"));

    picker.txtFind->setText("Select");
    picker.btnFindClick();
    EXPECT_FALSE(picker.lstSQL->item(0)->data(Qt::UserRole).toBool());
    EXPECT_TRUE(picker.lstSQL->item(1)->data(Qt::UserRole).toBool());
    EXPECT_TRUE(picker.lstSQL->item(2)->data(Qt::UserRole).toBool());

    const QStringList names = SQLLogList;
    picker.lstSQL->setCurrentRow(2);
    picker.btnUpClick();
    EXPECT_EQ(SQLLogList, QStringList({ names[0], names[2], names[1] }));
    EXPECT_EQ(picker.lstSQL->currentRow(), 1);

    // two rows selected cannot move
    picker.lstSQL->item(0)->setSelected(true);
    picker.lstSQL->item(1)->setSelected(true);
    picker.btnDownClick();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].text, "同時に複数行を移動する事は出来ません。１行だけ選択して下さい。");
    picker.btnDelClick();
    EXPECT_EQ(SQLLogList, QStringList({ names[1] }));
    EXPECT_EQ(picker.lstSQL->count(), 1);

    picker.lstSQL->setCurrentRow(0);
    picker.btnSelectClick();
    EXPECT_EQ(picker.Result(), 0);
}

} // namespace pickertest
