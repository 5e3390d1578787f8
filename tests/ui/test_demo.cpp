// A window that shows the controls side by side. In a normal run it is only built and
// painted; with CORVANE_DEMO_SHOT set to a file name (under Xvfb with QT_QPA_PLATFORM=xcb)
// it also saves a picture of the screen there.
#include "uitest.h"

#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "ui/qvchklst.h"
#include "ui/qvcomctrls.h"
#include "ui/qvgrid.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

TqvStringGrid *columnGrid(QWidget *parent)
{
    auto *grid = new TqvStringGrid(parent);
    grid->setObjectName("grdColumn");
    grid->setColCount(7);
    grid->setRowCount(6);
    grid->setFixedCols(0);
    grid->setFixedRows(1);
    grid->setDefaultRowHeight(22);
    grid->setOptions(goEditing | goTabs | goColSizing);
    grid->setHeader({ "項目名", "型", "長さ", "必須", "省略時値", "照合順序", "継承" });
    const TqvGridEditStyle styles[]
        = { geSimple, gePickList, geSimple, geCheckBox, geEllipsis, geDropList, geViewCheckBox };
    const int widths[] = { 110, 120, 48, 40, 130, 90, 40 };
    for (int col = 0; col < 7; ++col) {
        grid->SetEditStyles(col, styles[col]);
        grid->setColWidths(col, widths[col]);
    }
    const char *rows[][7] = {
        { "受注番号", "integer", "", "1", "nextval('受注_seq')", "", "1" },
        { "顧客名", "character varying", "100", "1", "", "ja-JP-x-icu", "2" },
        { "受注日", "date", "", "2", "CURRENT_DATE", "", "" },
        { "金額", "numeric", "12,2", "", "0", "", "1" },
        { "備考", "text", "", "", "", "C", "" },
    };
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 7; ++col)
            grid->setCells(col, row + 1, QString::fromUtf8(rows[row][col]));
    QObject::connect(grid, &TqvStringGrid::OnGetPickListitems, [](int, int, QStringList &items) {
        items << "integer"
              << "character varying"
              << "date"
              << "numeric"
              << "text";
    });
    grid->Save();
    return grid;
}

TqvCheckListBox *privilegeList(QWidget *parent)
{
    auto *list = new TqvCheckListBox(parent);
    list->setObjectName("lstPrivilege");
    list->addItems({ "SELECT", "INSERT", "UPDATE", "DELETE", "TRUNCATE", "REFERENCES", "TRIGGER" });
    list->SetStateL(0, cbChecked);
    list->SetStateR(0, cbChecked);
    list->SetStateL(1, cbChecked);
    list->SetStateL(2, cbGrayed);
    list->SetStateR(2, cbGrayed);
    list->SetItemEnabledL(4, false);
    list->SetItemEnabledR(4, false);
    list->SetStateL(5, cbChecked);
    return list;
}

TqvListView *objectList(QWidget *parent)
{
    auto *list = new TqvListView(parent);
    list->setObjectName("lstObject");
    list->setColumnCount(3);
    list->setHeaderLabels({ "オブジェクト名", "サイズ(KB)", "所有者" });
    list->setColumnAlignment(1, Qt::AlignRight);
    const char *rows[][3] = { { "受注", "1,200", "postgres" }, { "受注明細", "35,840", "postgres" },
                              { "顧客", "96", "営業部" },      { "商品", "2,048", "" },
                              { "在庫", "abc", "倉庫" },       { "仕入先", "0.5", "購買部" } };
    for (const auto &row : rows)
        new QTreeWidgetItem(
            list,
            { QString::fromUtf8(row[0]), QString::fromUtf8(row[1]), QString::fromUtf8(row[2]) });
    list->header()->resizeSection(0, 130);
    list->header()->resizeSection(1, 90);
    // Two clicks on the size column: largest first.
    list->header()->sectionClicked(1);
    list->header()->sectionClicked(1);
    return list;
}

TEST(Demo, ControlsWindow)
{
    const QString shot = qEnvironmentVariable("CORVANE_DEMO_SHOT");
    const QFont savedFont = QApplication::font();
    QApplication::setFont(FormFont());

    QWidget window;
    window.setWindowTitle(QStringLiteral("コントロールの見本"));
    auto *layout = new QGridLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("列の定義（編集スタイル: 文字・選択・チェック・"
                                                "ボタン・ドロップダウン・表示のみ）")),
                      0, 0, 1, 2);
    TqvStringGrid *grid = columnGrid(&window);
    layout->addWidget(grid, 1, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("権限（左: 権限 / 右: 付与オプション）")), 2, 0);
    layout->addWidget(new QLabel(QStringLiteral("オブジェクト一覧（サイズの大きい順）")), 2, 1);
    TqvCheckListBox *privileges = privilegeList(&window);
    layout->addWidget(privileges, 3, 0);
    TqvListView *objects = objectList(&window);
    layout->addWidget(objects, 3, 1);
    layout->setRowStretch(1, 3);
    layout->setRowStretch(3, 2);
    window.setGeometry(10, 10, 800, 560);
    ASSERT_TRUE(showActive(window));
    // The editor with its "..." button over the default of the third row.
    grid->setFocus();
    grid->setCurrentCell(4, 3);
    grid->setEditorMode(true);

    bool cascade = true;
    bool ignoreErrors = false;
    MessageDialog dialog(QStringLiteral("オブジェクトを削除しますか？"), 0x124,
                         MessageDialog::Style::CheckMessage);
    dialog.addCheck(QStringLiteral("CASCADE オプション"), cascade);
    dialog.addCheck(QStringLiteral("削除時のエラーを無視する"), ignoreErrors);
    dialog.adjustSize();
    dialog.move(830, 120);
    dialog.show();
    QTest::qWait(300);

    EXPECT_EQ(objects->topLevelItem(0)->text(0), QStringLiteral("受注明細"));
    EXPECT_EQ(objects->topLevelItem(5)->text(0), QStringLiteral("在庫"));
    EXPECT_TRUE(grid->InplaceEditor()->EditButton()->isVisible());
    EXPECT_FALSE(window.grab().isNull());
    EXPECT_FALSE(dialog.grab().isNull());

    if (!shot.isEmpty()) {
        QScreen *screen = QGuiApplication::primaryScreen();
        const QPixmap picture = screen->grabWindow(0, 0, 0, 1280, 700);
        ASSERT_FALSE(picture.isNull());
        EXPECT_TRUE(picture.save(shot));
        window.grab().save(shot + QStringLiteral(".window.png"));
        dialog.grab().save(shot + QStringLiteral(".dialog.png"));
    }
    dialog.done(0);
    QApplication::setFont(savedFont);
}

} // namespace
