// The main window as it is built: its actions with category, caption, default shortcut and
// picture; the menu bar, the editor pop-up and the tool bars in their order; the pictures.
#include "shelltest.h"

#include "core/qvshortcut.h"
#include "shell/fmainimg.h"

#include <QComboBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace shelltest;

namespace tablestest {

struct ActionRow
{
    const char *name;
    const char *category;
    const char *caption;
    const char *shortcut;
    int image;
};

const ActionRow actionRows[] = {
    { "actDBCommit", "ファイル", "コミット(&C)", "", 15 },
    { "actDBRollback", "ファイル", "ロールバック(&R)", "", 16 },
    { "actDBLogon", "ファイル", "データベース接続(&L)", "", 13 },
    { "actDBLogoff", "ファイル", "データベース切断(&D)", "", 14 },
    { "actFileExit", "ファイル", "終了(&X)", "", -1 },
    { "actEditUndo", "編集", "元に戻す(&U)", "Ctrl+Z", 19 },
    { "actEditRedo", "編集", "やり直し(&R)", "Ctrl+Y", -1 },
    { "actEditCut", "編集", "切り取り(&T)", "Ctrl+X", 20 },
    { "actEditCopy", "編集", "コピー(&C)", "Ctrl+C", 21 },
    { "actEditPaste", "編集", "貼り付け(&P)", "Ctrl+V", 22 },
    { "actEditDelete", "編集", "削除(&D)", "", -1 },
    { "actEditRename", "編集", "名前の変更(&H)", "", -1 },
    { "actEditSelectAll", "編集", "すべて選択(&L)", "Ctrl+A", -1 },
    { "actEditSelectMode", "編集", "矩形選択モード(&B)", "", -1 },
    { "actEditFind", "編集", "検索(&F)", "Ctrl+F", 23 },
    { "actEditFindNext", "編集", "次を検索(&S)", "F3", -1 },
    { "actEditFindPrev", "編集", "前を検索(&P)", "Shift+F3", -1 },
    { "actEditReplace", "編集", "置換(&E)...", "Ctrl+R", -1 },
    { "actEditJump", "編集", "行ジャンプ(&J)...", "Ctrl+G", -1 },
    { "actEditFormat", "編集", "SQL整形(&O)", "", -1 },
    { "actEditComment", "編集", "コメント挿入/削除", "Ctrl+-", -1 },
    { "actEditUpperCase", "編集", "大文字に変更", "", -1 },
    { "actEditLowerCase", "編集", "小文字に変更", "", -1 },
    { "actEditIndentF", "編集", "インデント", "", -1 },
    { "actEditIndentR", "編集", "逆インデント", "", -1 },
    { "actEditMacroSave", "編集", "マクロ記録開始", "", -1 },
    { "actEditMacroExec", "編集", "マクロ実行", "", -1 },
    { "actEditOpen", "編集", "定義情報", "", -1 },
    { "actViewSQL", "表示", "SQL実行(&S)", "Ctrl+S", 10 },
    { "actViewScript", "表示", "スクリプト実行", "", 11 },
    { "actViewField", "表示", "表・列", "Ctrl+T", 12 },
    { "actViewTemplate", "表示", "SQLリファレンス", "Ctrl+J", -1 },
    { "actViewComp", "表示", "オブジェクト比較(&C)", "", 119 },
    { "actViewSQLCatch", "表示", "SQLキャッチ(&T)", "", 105 },
    { "actViewSQLCRUD", "表示", "テーブルアクセス表(&A)", "", 106 },
    { "actAdminUser", "管理", "ユーザー情報(&U)", "", 3 },
    { "actAdminStorage", "管理", "テーブルスペース情報(&T)", "", 69 },
    { "actAdminSession", "管理", "セッション情報(&S)", "", 5 },
    { "actAdminLock", "管理", "ロック情報(&L)", "", 6 },
    { "actAdminDatabase", "管理", "サーバ情報(&D)", "", 1 },
    { "actAdminPerform", "管理", "パフォーマンス情報(&Q)", "", 107 },
    { "actAdminDBLink", "管理", "データベースリンク情報(&L)", "", 64 },
    { "actAdminEventList", "管理", "待機イベント情報(&W)", "", 130 },
    { "actAdminExport", "管理", "バックアップ(&B)", "", 7 },
    { "actAdminImport", "管理", "リストア(&E)", "", 8 },
    { "actAdminLoad", "管理", "ロード(&O)", "", 9 },
    { "actToolCommandSetup", "ツール", "ユーザー定義コマンドの登録(&M)", "", -1 },
    { "actToolReportSetup", "ツール", "レポート定義の登録(&R)", "", -1 },
    { "actToolIndexAdviser", "ツール", "インデックスアドバイザ(&I)", "", 120 },
    { "actToolDBTest", "ツール", "DB負荷テスト(&D)", "", -1 },
    { "actToolOption", "ツール", "オプション(&P)...", "", -1 },
    { "actToolEditorOption", "ツール", "エディタオプション(&E)...", "", -1 },
    { "actToolScriptOption", "ツール", "スクリプト出力オプション(&S)...", "", -1 },
    { "actWindowClose", "ウィンドウ", "閉じる(&L)", "", -1 },
    { "actWindowCascade", "ウィンドウ", "重ねて表示(&C)", "", 25 },
    { "actWindowTileH", "ウィンドウ", "上下に並べて表示(&H)", "", 26 },
    { "actWindowTileV", "ウィンドウ", "左右に並べて表示(&V)", "", 27 },
    { "actWindowMinimizeAll", "ウィンドウ", "全てを最小化(&M)", "", -1 },
    { "actWindowArrange", "ウィンドウ", "アイコンの整列(&A)", "", -1 },
    { "actHelp", "ヘルプ", "Corvane ヘルプ(&C)", "", -1 },
    { "actHelpHomePageTop", "ヘルプ", "Corvane ホームページ(&P)", "", -1 },
    { "actHelpHomePageTech", "ヘルプ", "Corvane 便利機能紹介(&T)", "", -1 },
    { "actHelpHomePageFAQ", "ヘルプ", "Corvane FAQ(&F)", "", -1 },
    { "actHelpSupport", "ヘルプ", "サポート情報(&S)...", "", -1 },
    { "actOpen", "オブジェクトリスト", "開く(&O)", "", 17 },
    { "actOpenDefine", "オブジェクトリスト", "定義情報を開く", "", 17 },
    { "actOpenSource", "オブジェクトリスト", "ソースを開く", "", -1 },
    { "actOpenData", "オブジェクトリスト", "データを開く", "", -1 },
    { "actOpenDataTop", "", "データを開く(件数指定)", "", -1 },
    { "actExec", "オブジェクトリスト", "実行(&E)", "", 28 },
    { "actScript", "オブジェクトリスト", "スクリプト出力(&S)", "", 18 },
    { "actPrint", "オブジェクトリスト", "印刷(&P)", "", 98 },
    { "actCross", "オブジェクトリスト", "クロスリファレンス(&F)", "", 92 },
    { "actMatrix", "オブジェクトリスト", "マトリックス表(&M)", "", -1 },
    { "actGrant", "オブジェクトリスト", "権限(&G)", "", 91 },
    { "actAnalyze", "オブジェクトリスト", "統計情報(&A)", "", -1 },
    { "actDelete", "オブジェクトリスト", "削除(&D)", "Del", 41 },
    { "actGrep", "オブジェクトリスト", "全文検索", "", 24 },
    { "actExport", "オブジェクトリスト", "バックアップ(&R)", "", 7 },
    { "actLoad", "オブジェクトリスト", "ロード(&L)", "", 9 },
    { "actNew", "オブジェクトリスト", "新規作成(&N)", "", -1 },
    { "actSynonym", "オブジェクトリスト", "シノニム作成(&Y)", "", 60 },
};

// The entries of a menu: an action's name, "-" for a separator, a submenu's name.
QStringList entries(const QMenu *menu)
{
    QStringList names;
    const QList<QAction *> actions = menu->actions();
    for (const QAction *action : actions) {
        if (action->isSeparator())
            names << "-";
        else if (action->menu())
            names << action->menu()->objectName();
        else
            names << action->objectName();
    }
    return names;
}

QStringList split(const char *text)
{
    return QString::fromLatin1(text).split(' ', Qt::SkipEmptyParts);
}

} // namespace tablestest

using namespace tablestest;

TEST(MainWindowTables, EveryActionWithCategoryCaptionShortcutPictureAndHint)
{
    MainEnvironment env;
    TfrmMain main;
    ASSERT_EQ(main.actMain().size(), int(std::size(actionRows)));
    for (int i = 0; i < main.actMain().size(); ++i) {
        const ActionRow &row = actionRows[i];
        const QAction *action = main.actMain().at(i);
        SCOPED_TRACE(row.name);
        EXPECT_EQ(action->objectName(), row.name);
        EXPECT_EQ(action->property("Category").toString(), QString::fromUtf8(row.category));
        EXPECT_EQ(action->text(), QString::fromUtf8(row.caption));
        EXPECT_EQ(shortcutToText(action->shortcut()), QString::fromUtf8(row.shortcut));
        EXPECT_EQ(action->property("ImageIndex").toInt(), row.image);
        EXPECT_EQ(action->icon().isNull(), row.image < 0);
        // short text "|" long text; the short one is the tooltip
        const QStringList hint = action->property("Hint").toString().split('|');
        ASSERT_EQ(hint.size(), 2);
        EXPECT_FALSE(hint.at(1).isEmpty());
        EXPECT_EQ(action->toolTip(), hint.at(0));
        EXPECT_FALSE(hint.at(0).contains('&'));
    }
    EXPECT_EQ(main.action("actViewSQL")->property("Hint").toString(),
              QStringLiteral("SQL実行|SQL実行画面を開きます。"));
}

TEST(MainWindowTables, StoredShortcutsReplaceTheDefaultsAndReachTheConnectionWindows)
{
    MainEnvironment env;
    const int sql = ShortcutIndex("ViewSQL");
    ASSERT_GE(sql, 0);
    {
        TfrmMain first;
        ShortcutList[sql] = textToShortcut("Ctrl+Shift+Q");
        first.close();
    }
    ResetShortcuts();
    TfrmMain main; // reads the SHORTCUT key again
    EXPECT_EQ(shortcutToText(main.action("actViewSQL")->shortcut()), "Shift+Ctrl+Q");

    FakeConnectionWindow db("sales", 150000);
    main.ShowChildWindow(&db);
    main.AddConnection(&db);
    ShortcutList[sql] = textToShortcut("F9");
    main.SetShortCut();
    EXPECT_EQ(shortcutToText(main.action("actViewSQL")->shortcut()), "F9");
    EXPECT_EQ(db.shortcutCopies, 1);
    main.RemoveConnection(&db);
    ResetShortcuts();
}

TEST(MainWindowTables, MenuBarInOrderWithGroupIndexes)
{
    MainEnvironment env;
    TfrmMain main;
    const QMenuBar *bar = main.menuBar();
    EXPECT_EQ(bar->objectName(), "mnuMain");
    const struct
    {
        const char *name;
        const char *caption;
        int group;
        const char *items;
    } menus[] = {
        { "mnuFile", "ファイル(&F)", 0,
          "actDBCommit actDBRollback actDBLogon actDBLogoff - actFileExit" },
        { "mnuEdit", "編集(&E)", 1,
          "actEditUndo actEditRedo - actEditCut actEditCopy actEditPaste actEditDelete "
          "actEditRename actEditSelectAll actEditSelectMode - actEditFind actEditFindNext "
          "actEditFindPrev actEditReplace actEditJump - actEditFormat actEditComment - "
          "actEditUpperCase actEditLowerCase - actEditIndentF actEditIndentR - actEditMacroSave "
          "mnuEditMacroExec - actEditOpen" },
        { "mnuDisplay", "表示(&V)", 3,
          "actViewSQL actViewScript actViewField actViewTemplate - mnuToolbar mnuWorkSpace "
          "mnuTaskBar mnuStsbar - mnuDispList mnuDispReport - mnuReload" },
        { "mnuAdmin", "管理(&A)", 4,
          "actAdminUser actAdminStorage actAdminSession actAdminLock actAdminDatabase "
          "actAdminPerform actAdminDBLink actAdminEventList - actAdminExport actAdminImport "
          "actAdminLoad" },
        { "mnuTool", "ツール(&T)", 4,
          "mnuCommandMenu mnuReportMenu actViewComp actToolIndexAdviser actViewSQLCatch "
          "actViewSQLCRUD - actToolOption actToolEditorOption actToolScriptOption" },
        { "mnuWindow", "ウィンドウ(&W)", 5,
          "actWindowCascade actWindowTileH actWindowTileV actWindowMinimizeAll - actWindowClose" },
        { "mnuHelp", "ヘルプ(&H)", 5, "actHelp - mnuHelpHomePage - actHelpSupport" },
    };
    const QList<QAction *> top = bar->actions();
    ASSERT_EQ(top.size(), int(std::size(menus)));
    for (int i = 0; i < top.size(); ++i) {
        SCOPED_TRACE(menus[i].name);
        ASSERT_NE(top.at(i)->menu(), nullptr);
        EXPECT_EQ(top.at(i)->menu()->objectName(), menus[i].name);
        EXPECT_EQ(top.at(i)->text(), QString::fromUtf8(menus[i].caption));
        EXPECT_EQ(top.at(i)->property("GroupIndex").toInt(), menus[i].group);
        EXPECT_EQ(entries(top.at(i)->menu()), split(menus[i].items));
    }

    // Items with a key of their own run their action.
    const auto *macro = main.findChild<QAction *>("mnuEditMacroExec");
    ASSERT_NE(macro, nullptr);
    EXPECT_EQ(macro->property("Action").toString(), "actEditMacroExec");
    EXPECT_EQ(shortcutToText(macro->shortcut()), "Ctrl+M");
    EXPECT_EQ(shortcutToText(main.findChild<QAction *>("mnuReload")->shortcut()), "F5");

    // Submenus
    auto menu = [&](const char *name) { return main.findChild<QMenu *>(name); };
    EXPECT_EQ(entries(menu("mnuToolbar")),
              split("mnuTool1 mnuTool2 mnuTool3 mnuTool7 mnuTool4 mnuTool5 - mnuTool6"));
    EXPECT_EQ(entries(menu("mnuCommandMenu")), split("- actToolCommandSetup"));
    EXPECT_EQ(menu("mnuCommandMenu")->actions().first()->objectName(), "mnuTB1");
    EXPECT_EQ(entries(menu("mnuReportMenu")), split("- actToolReportSetup"));
    EXPECT_EQ(menu("mnuReportMenu")->actions().first()->objectName(), "mnuTB2");
    EXPECT_EQ(menu("mnuToolbar")->title(), "ツールバー");
    EXPECT_EQ(menu("mnuCommandMenu")->title(), "ユーザー定義コマンド");
    EXPECT_EQ(menu("mnuReportMenu")->title(), "レポート出力");
    EXPECT_EQ(menu("mnuHelpHomePage")->title(), "ホームページを開く");
    EXPECT_TRUE(main.findChild<QAction *>("mnuDispReport")->isChecked());
    EXPECT_FALSE(main.findChild<QAction *>("mnuDispList")->isChecked());
}

TEST(MainWindowTables, EditorPopupAndTaskPopupInOrder)
{
    MainEnvironment env;
    TfrmMain main;
    EXPECT_EQ(entries(main.popEditor()),
              split("actEditUndo actEditRedo - actEditCut actEditCopy actEditPaste actEditDelete "
                    "actEditSelectAll actEditSelectMode - actEditFind actEditFindNext "
                    "actEditFindPrev actEditReplace actEditJump - actEditFormat actEditComment - "
                    "actEditUpperCase actEditLowerCase - actEditIndentF actEditIndentR - "
                    "actEditMacroSave actEditMacroExec - popEditOpen actViewField "
                    "actViewTemplate"));
    const auto *open = main.findChild<QAction *>("popEditOpen");
    EXPECT_EQ(open->property("Action").toString(), "actEditOpen");
    EXPECT_EQ(shortcutToText(open->shortcut()), "Ctrl+O");
    EXPECT_EQ(entries(main.popTask()), split("mnuCloseWindow"));
    EXPECT_EQ(main.popTask()->actions().first()->text(), "閉じる");
}

TEST(MainWindowTables, ToolBarsWithTheirButtonsInOrder)
{
    MainEnvironment env;
    TfrmMain main;
    const struct
    {
        const char *name;
        const char *caption;
        const char *buttons;
    } bars[] = {
        { "pnlDB", "データベース", "btnDBLogon btnDBLogoff cmbDBName btnDBCommit btnDBRollback" },
        { "pnlEdit", "編集", "btnEditUndo btnEditS1 btnEditCut btnEditCopy btnEditPaste" },
        { "pnlTool", "ツール", "btnViewSQL btnViewScript btnViewField" },
        { "pnlAdmin", "管理",
          "btnAdminUser btnAdminStorage btnAdminSession btnAdminLock btnAdminDatabase "
          "btnAdminPerform btnAdminDBLink btnAdminEventList" },
        { "pnlTool2", "ツール", "btnViewComp btnViewIndexAdviser btnViewSQLCatch btnViewSQLCRUD" },
        { "pnlNewObj", "新規オブジェクト",
          "btnNewTable btnNewIndex btnNewView btnNewFunc btnNewType btnNewTrigger btnNewSeq "
          "btnNewMView btnNewConst btnNewRule btnNewAgrg btnNewProc btnNewPack btnNewSynonym" },
    };
    for (const auto &def : bars) {
        SCOPED_TRACE(def.name);
        const auto *bar = main.findChild<QToolBar *>(def.name);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->windowTitle(), QString::fromUtf8(def.caption));
        QStringList names;
        for (QAction *action : bar->actions()) {
            if (action->isSeparator())
                names << action->objectName();
            else if (QWidget *widget = bar->widgetForAction(action))
                names << widget->objectName();
        }
        EXPECT_EQ(names, split(def.buttons));
    }
    // a button shows its action's state and runs it
    const auto *sql = main.findChild<QToolButton *>("btnViewSQL");
    EXPECT_EQ(sql->defaultAction(), main.action("actViewSQL"));
    EXPECT_EQ(main.findChild<QComboBox *>("cmbDBName")->toolTip(), "現行データベース");
    EXPECT_EQ(main.findChild<QComboBox *>("cmbDBName")->width(), 340);

    const struct
    {
        const char *name;
        int code;
        const char *hint;
    } news[] = {
        { "btnNewTable", 45, "新規テーブル" },  { "btnNewIndex", 46, "新規インデックス" },
        { "btnNewView", 47, "新規ビュー" },     { "btnNewFunc", 52, "新規ファンクション" },
        { "btnNewType", 55, "新規タイプ" },     { "btnNewTrigger", 57, "新規トリガー" },
        { "btnNewSeq", 58, "新規シーケンス" },  { "btnNewMView", 61, "新規マテリアライズドビュー" },
        { "btnNewConst", 66, "新規制約" },      { "btnNewRule", 127, "新規ルール" },
        { "btnNewAgrg", 128, "新規集約関数" },  { "btnNewProc", 51, "新規プロシージャ" },
        { "btnNewPack", 53, "新規パッケージ" }, { "btnNewSynonym", 60, "新規シノニム" }
    };
    for (const auto &button : news) {
        const auto *tool = main.findChild<QToolButton *>(button.name);
        ASSERT_NE(tool, nullptr) << button.name;
        EXPECT_EQ(tool->property("ImageIndex").toInt(), button.code) << button.name;
        EXPECT_EQ(tool->toolTip(), QString::fromUtf8(button.hint));
    }
}

TEST(MainWindowTables, PicturesAreDrawnForEveryIndexInUse)
{
    // Every index the actions, buttons and object kinds use has a picture of its own, and no
    // two of them look alike at the tool-bar size unless they stand for the same thing.
    QList<int> used = { 0, 2, 3, 4, 45, 46, 47, 51, 52, 53, 54, 55, 56, 57, 58, 60, 61, 64, 66, 68,
                        69, 73, 74, 126, 127, 128, 129,
                        // the tree-order and level buttons, the connection window's icon and
                        // task button
                        75, 76, 94, 95,
                        // the commands of the definition windows: compile, revert, delete,
                        // exit, save, output, print
                        15, 16, 41, 42, 18, 36, 98,
                        // the SQL reference viewer's categories and entries
                        72, 93,
                        // the stored-program runner's debug button and argument kinds
                        43, 79, 80, 81, 82 };
    for (int i = 0; i < MainActionDefCount; ++i) {
        if (MainActionDefs[i].image >= 0)
            used << MainActionDefs[i].image;
    }
    const QList<int> drawn = MainImageIndexes();
    for (int index : used)
        EXPECT_TRUE(drawn.contains(index)) << index;
    for (int index : drawn) {
        const QImage image = PaintMainImage(index, 16).toImage();
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 12) << index; // something is drawn
    }
    // an index without a picture of its own still gives an icon
    EXPECT_FALSE(MainImageIcon(999).isNull());
}
