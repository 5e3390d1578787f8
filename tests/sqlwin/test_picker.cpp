// The history picker: rows per entry, find, move and delete change the history index.
#include "sqlwintest.h"

#include "core/qvreg.h"
#include "core/sqllog.h"
#include "sqlwin/fsqllog.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>

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

const QString SqlLogKey = QStringLiteral("\\Software\\Quorlane\\QVR22\\GUI\\SQLLOG");

// Runs the picker as the SQL window does; while it is up, during runs inside its loop.
int showPicker(const std::function<void(TfrmSQLLog *)> &during)
{
    QTimer::singleShot(0, [during] {
        auto *picker = qobject_cast<TfrmSQLLog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(picker);
        during(picker);
        if (picker->isVisible())
            picker->btnExitClick();
    });
    return TfrmSQLLog::ShowWindow(nullptr);
}

TEST_F(SqlWinTest, PickerKeepsItsSizeUnderItsOwnKey)
{
    ASSERT_TRUE(AppRegistry->OpenKey(SqlLogKey, true));
    AppRegistry->WriteInteger("Width", 640);
    AppRegistry->WriteInteger("Height", 420);
    AppRegistry->CloseKey();

    QSize shown;
    showPicker([&](TfrmSQLLog *picker) {
        shown = picker->size();
        picker->resize(700, 460);
    });
    EXPECT_EQ(shown, QSize(640, 420));
    ASSERT_TRUE(AppRegistry->OpenKey(SqlLogKey, false));
    EXPECT_EQ(AppRegistry->GetInteger("Width", 0), 700);
    EXPECT_EQ(AppRegistry->GetInteger("Height", 0), 460);
    AppRegistry->CloseKey();

    // a maximized picker leaves the kept size as it was
    showPicker([&](TfrmSQLLog *picker) { picker->setWindowState(Qt::WindowMaximized); });
    ASSERT_TRUE(AppRegistry->OpenKey(SqlLogKey, false));
    EXPECT_EQ(AppRegistry->GetInteger("Width", 0), 700);
    AppRegistry->CloseKey();
}

TEST_F(SqlWinTest, PickerFindBoxFollowsTheLowerNameOption)
{
    for (const bool lower : { false, true }) {
        AppOption.UseLowerName = lower;
        QString typed;
        showPicker([&](TfrmSQLLog *picker) {
            picker->txtFind->setFocus();
            QTest::keyClicks(picker->txtFind, "select");
            typed = picker->txtFind->text();
        });
        EXPECT_EQ(typed, lower ? "select" : "SELECT");
    }
}

} // namespace pickertest
