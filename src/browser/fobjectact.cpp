// The connection window's actions (new object, open and the other object-list commands), the
// shortcuts they take over from the main window, the object list's view style and the
// user-command and report menus.
#include "fobject.h"

#include "core/qvexcept.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvtoolwindows.h"
#include "ui/qvcomctrls.h"
#include "ui/qvimages.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidgetItem>

namespace fobjectact {

struct NewAction
{
    const char *name;
    const char *caption;
    int code;
};

constexpr NewAction newActions[] = {
    { "actNewTable", "テーブル(&T)", ObjType::Table },
    { "actNewIndex", "インデックス(&I)", ObjType::Index },
    { "actNewView", "ビュー(&V)", ObjType::View },
    { "actNewProc", "プロシージャ(&P)", ObjType::Procedure },
    { "actNewFunc", "ファンクション(&F)", ObjType::Function },
    { "actNewPack", "パッケージ(&K)", ObjType::Package },
    { "actNewType", "タイプ(&O)", ObjType::Type },
    { "actNewTrigger", "トリガー(&G)", ObjType::Trigger },
    { "actNewSeq", "シーケンス(&Q)", ObjType::Sequence },
    { "actNewSynonym", "シノニム(&S)", ObjType::Synonym },
    { "actNewMView", "マテリアライズドビュー(&M)", ObjType::MaterializedView },
    { "actNewConst", "制約(&N)", ObjType::Constraint },
    { "actNewRule", "ルール(&R)", ObjType::Rule },
    { "actNewAgrg", "集約関数(&H)", ObjType::Aggregate },
};

// The actions of the window's commands and their images (-1: none). The commands of the
// object menu act on the list's selection; those of the tree menu on the tree node under the
// menu (FRSelected).
struct CommandAction
{
    const char *name;
    const char *caption;
    int image;
};

constexpr CommandAction listActions[] = {
    { "actDelete", "削除(&D)", 41 },
    { "actRename", "名前の変更(&H)", -1 },
    { "actOpenDataTop", "データを開く(件数指定)", -1 },
    { "actExec", "実行(&E)", 28 },
    { "actPrint", "印刷(&P)", 98 },
    { "actCross", "相関 - クロスリファレンス(&F)", 92 },
    { "actMatrix", "マトリックス表(&M)", -1 },
    { "actGrant", "権限(&G)", 91 },
    { "actAnalyze", "統計情報(&A)", -1 },
    { "actComment", "コメントチェック(&O)", 88 },
    { "actAddWorkSpace", "ワークスペースに追加(&W)", -1 },
};

// The object-list commands whose work comes with later changes (script output, synonyms,
// full-text search, backup and load of the selection, index rebuild). They stay disabled, so
// that neither a shortcut nor a menu reaches a command that does nothing; they exist already
// so that their shortcuts follow the main window's.
constexpr CommandAction laterActions[] = {
    { "actScript", "スクリプト出力(&S)", 18 },
    { "actSynonym", "シノニム作成(&Y)", 60 },
    { "actGrep", "全文検索", 24 },
    { "actExport", "バックアップ(&R)", 7 },
    { "actLoad", "ロード(&L)", 9 },
    { "actIndexFragment", "インデックスの再構築", -1 },
};

// The tree menu's commands: each opens the tool window named (none: disabled until its work
// comes).
struct TreeAction
{
    const char *name;
    const char *caption;
    int image;
    const char *window;
};

constexpr TreeAction treeActions[] = {
    { "actLogon", "接続(&C)", 13, nullptr },
    { "actUser", "ユーザー情報(&U)", 2, ToolWindowUserList },
    { "actStorage", "テーブルスペース情報(&T)", 69, ToolWindowStorage },
    { "actSession", "セッション情報(&S)", 5, ToolWindowSession },
    { "actLock", "ロック情報(&L)", 6, ToolWindowLock },
    { "actDatabase", "サーバ情報(&D)", 1, ToolWindowDatabase },
    { "actPerform", "パフォーマンス情報(&Q)", 107, ToolWindowPerform },
    { "actDBLink", "データベースリンク情報(&L)", 64, ToolWindowDBLinkList },
    { "actDBExport", "バックアップ(&P)", 7, nullptr },
};

// Each action of the window and the main window's action whose shortcut it takes.
struct ShortcutSource
{
    const char *own;
    const char *main;
};

constexpr ShortcutSource shortcutSources[] = {
    { "actNew", "actNew" },
    { "actDelete", "actEditDelete" },
    { "actRename", "actEditRename" },
    { "actOpen", "actOpen" },
    { "actOpenDefine", "actOpenDefine" },
    { "actOpenSource", "actOpenSource" },
    { "actOpenData", "actOpenData" },
    { "actOpenDataTop", "actOpenDataTop" },
    { "actExec", "actExec" },
    { "actScript", "actScript" },
    { "actPrint", "actPrint" },
    { "actSynonym", "actSynonym" },
    { "actCross", "actCross" },
    { "actMatrix", "actMatrix" },
    { "actGrant", "actGrant" },
    { "actAnalyze", "actAnalyze" },
    { "actGrep", "actGrep" },
    { "actExport", "actExport" },
    { "actLoad", "actLoad" },
};

constexpr int listStyle = 2;
constexpr int reportStyle = 3;

// An action of the main window by its design name; nullptr without a main window. The
// connection windows below it carry actions of the same names: only the main window's own
// count.
QAction *mainAction(const char *name)
{
    MainWindowServices *main = mainWindowServices();
    QWidget *widget = main ? main->mainWidget() : nullptr;
    return widget ? widget->findChild<QAction *>(QLatin1String(name), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

// An item of the main window's menus by its design name (the menu owns it).
QAction *mainMenuItem(const char *name)
{
    MainWindowServices *main = mainWindowServices();
    QWidget *widget = main ? main->mainWidget() : nullptr;
    return widget ? widget->findChild<QAction *>(QLatin1String(name)) : nullptr;
}

} // namespace fobjectact

void TfrmObject::setupActions()
{
    using namespace fobjectact;
    auto add = [this](const char *name, const QString &caption, int image,
                      const QString &category = QStringLiteral("オブジェクトリスト")) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setProperty("Category", category);
        if (image >= 0) {
            action->setProperty("ImageIndex", image);
            action->setIcon(MainImage(image));
        }
        // Every connection window has these actions: each answers its keys only while it has
        // the focus.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        actObject << action;
        return action;
    };
    for (const NewAction &entry : newActions) {
        QAction *action = add(entry.name, QString::fromUtf8(entry.caption), entry.code);
        const int code = entry.code;
        connect(action, &QAction::triggered, this,
                [this, code] { RunGuarded([this, code] { NewObject(code); }); });
    }
    QAction *actNew = add("actNew", QStringLiteral("新規作成(&N)"), -1);
    connect(actNew, &QAction::triggered, this, [this] {
        RunGuarded([this] {
            // the kind of the selected tree node below the database: a kind node its kind, a
            // schema node a schema
            const QTreeWidgetItem *node = lstTree->currentItem();
            if (node && node->parent())
                NewObject(node->data(0, TreeImageRole).toInt());
        });
    });
    const struct
    {
        const char *name;
        const char *caption;
        int image;
        bool byOption; // the page the option OpenMode names
        TOpenMode mode;
    } opens[] = {
        { "actOpen", "開く(&O)", 17, true, omDefine },
        { "actOpenDefine", "定義情報を開く", 17, false, omDefine },
        { "actOpenSource", "ソースを開く", -1, false, omSource },
        { "actOpenData", "データを開く", -1, false, omData },
    };
    for (const auto &entry : opens) {
        QAction *action = add(entry.name, QString::fromUtf8(entry.caption), entry.image);
        if (entry.byOption) {
            connect(action, &QAction::triggered, this,
                    [this] { RunGuarded([this] { actOpenExecute(); }); });
            continue;
        }
        const TOpenMode mode = entry.mode;
        connect(action, &QAction::triggered, this,
                [this, mode] { RunGuarded([this, mode] { OpenSelectedObjects(mode); }); });
    }
    for (const CommandAction &entry : listActions)
        add(entry.name, QString::fromUtf8(entry.caption), entry.image);
    const std::pair<const char *, void (TfrmObject::*)()> handlers[] = {
        { "actDelete", &TfrmObject::actDeleteExecute },
        { "actRename", &TfrmObject::actRenameExecute },
        { "actOpenDataTop", &TfrmObject::actOpenDataTopExecute },
        { "actExec", &TfrmObject::actExecExecute },
        { "actPrint", &TfrmObject::actPrintExecute },
        { "actCross", &TfrmObject::actCrossExecute },
        { "actMatrix", &TfrmObject::actMatrixExecute },
        { "actGrant", &TfrmObject::actGrantExecute },
        { "actAnalyze", &TfrmObject::actAnalyzeExecute },
        { "actComment", &TfrmObject::actCommentExecute },
        { "actAddWorkSpace", &TfrmObject::actAddWorkSpaceExecute },
    };
    for (const auto &[name, handler] : handlers) {
        connect(action(name), &QAction::triggered, this,
                [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    }
    for (const CommandAction &entry : laterActions)
        add(entry.name, QString::fromUtf8(entry.caption), entry.image)->setEnabled(false);
    for (const TreeAction &entry : treeActions) {
        QAction *item = add(entry.name, QString::fromUtf8(entry.caption), entry.image,
                            QStringLiteral("オブジェクトツリー"));
        const QString window = entry.window ? QLatin1String(entry.window) : QString();
        item->setProperty("ToolWindow", window);
        item->setEnabled(false);
        if (!window.isEmpty()) {
            connect(item, &QAction::triggered, this, [this, window] {
                RunGuarded([this, window] { OpenToolWindow(window, this); });
            });
        }
    }

    mnuCommand = new QMenu(QStringLiteral("ユーザー定義コマンド(&U)"), this);
    mnuCommand->setObjectName(QStringLiteral("mnuCommand"));
    mnuReport = new QMenu(QStringLiteral("レポート出力(&X)"), this);
    mnuReport->setObjectName(QStringLiteral("mnuReport"));

    setupObjectMenu();
}

QAction *TfrmObject::action(const char *name) const
{
    return findChild<QAction *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

void TfrmObject::setupObjectMenu()
{
    using namespace fobjectact;
    // The window's menu, which the main window shows in its menu bar while the window is in
    // front: one item of group 2 with the list commands ("-" a separator, "@" a submenu, "*" an
    // action of the main window); commands this window does not have are left out.
    auto *mnuTool = new QMenuBar(this);
    mnuTool->setObjectName(QStringLiteral("mnuTool"));
    mnuTool->hide();
    mnuObject = mnuTool->addMenu(QStringLiteral("オブジェクトリスト(&O)"));
    mnuObject->setObjectName(QStringLiteral("mnuObject"));
    mnuObject->menuAction()->setObjectName(QStringLiteral("mnuObject"));
    mnuObject->menuAction()->setProperty("GroupIndex", 2);
    mnuNew1 = new QMenu(QStringLiteral("新規作成(&N)"), mnuObject);
    mnuNew1->setObjectName(QStringLiteral("mnuNew1"));
    for (const NewAction &entry : newActions)
        mnuNew1->addAction(action(entry.name));
    static const char *const objectItems[] = { "@mnuNew1",
                                               "actNew",
                                               "actCopy",
                                               "actPaste",
                                               "actDelete",
                                               "actRename",
                                               "-",
                                               "actOpenDefine",
                                               "actOpenData",
                                               "actOpenDataTop",
                                               "actOpenSource",
                                               "actIndexFragment",
                                               "-",
                                               "actScript",
                                               "@mnuReport",
                                               "actPrint",
                                               "actExport",
                                               "actLoad",
                                               "-",
                                               "*actViewField",
                                               "actGrant",
                                               "actCross",
                                               "actMatrix",
                                               "actAnalyze",
                                               "actComment",
                                               "@mnuCommand",
                                               "-",
                                               "actExec",
                                               "actSynonym",
                                               "actGrep",
                                               "actAddWorkSpace" };
    for (const char *entry : objectItems) {
        if (entry[0] == '-') {
            mnuObject->addSeparator();
        } else if (entry[0] == '@') {
            const QLatin1String name(entry + 1);
            mnuObject->addMenu(name == QLatin1String("mnuReport")     ? mnuReport
                                   : name == QLatin1String("mnuNew1") ? mnuNew1
                                                                      : mnuCommand);
        } else if (entry[0] == '*') {
            if (QAction *item = mainAction(entry + 1))
                mnuObject->addAction(item);
        } else if (QAction *item = action(entry)) {
            mnuObject->addAction(item);
        }
    }
    // The menu bar shows the state of the moment it opens.
    connect(mnuObject, &QMenu::aboutToShow, this,
            [this] { RunGuarded([this] { mnuObjectClick(); }); });

    popTree = new QMenu(this);
    popTree->setObjectName(QStringLiteral("popTree"));
    static const char *const treeItems[]
        = { "actLogon", "actNew",      "-",          "actUser",   "actStorage", "actSession",
            "actLock",  "actDatabase", "actPerform", "actDBLink", "actDBExport" };
    for (const char *entry : treeItems) {
        if (entry[0] == '-') {
            popTree->addSeparator()->setObjectName(QStringLiteral("mnuTB1"));
        } else if (QAction *item = action(entry)) {
            popTree->addAction(item);
        }
    }
    connect(popTree, &QMenu::aboutToShow, this, [this] { RunGuarded([this] { popTreePopup(); }); });
    connect(ToolWindowNotifier::instance(), &ToolWindowNotifier::windowsChanged, this,
            [this] { RunGuarded([this] { mnuObjectClick(); }); });
    setupListEvents();
}

void TfrmObject::SetShortCut()
{
    using namespace fobjectact;
    for (const ShortcutSource &source : shortcutSources) {
        const QAction *from = mainAction(source.main);
        auto *to = findChild<QAction *>(QLatin1String(source.own), Qt::FindDirectChildrenOnly);
        if (from && to)
            to->setShortcut(from->shortcut());
    }
}

void TfrmObject::SetCommandList()
{
    // User commands are not read from their documents yet: the main window's menu holds none
    // above its fixed items, and so does the window's.
    mnuCommand->clear();
}

void TfrmObject::SetReportList()
{
    // Likewise the report definitions.
    mnuReport->clear();
}

void TfrmObject::InitObjectListStyle()
{
    using namespace fobjectact;
    const QAction *list = mainMenuItem("mnuDispList");
    const QAction *report = mainMenuItem("mnuDispReport");
    if (report && report->isChecked())
        m_listStyle = reportStyle;
    else if (list && list->isChecked())
        m_listStyle = listStyle;
    ApplyObjectListStyle();
}

void TfrmObject::SetObjectListStyle(int style)
{
    using namespace fobjectact;
    if ((style != listStyle && style != reportStyle) || style == m_listStyle)
        return;
    // The widths the user gave the columns are kept before the header goes.
    if (style == listStyle)
        SaveObjectListWidths();
    m_listStyle = style;
    ApplyObjectListStyle();
}

void TfrmObject::ApplyObjectListStyle()
{
    using namespace fobjectact;
    const bool report = m_listStyle == reportStyle;
    const int columns = lstObject->columnCount();
    // Hidden columns keep their widths for the report style.
    for (int i = 1; i < columns; ++i)
        lstObject->setColumnHidden(i, !report);
    // No columns: no list is shown, and no header either.
    lstObject->setHeaderHidden(!report || columns == 0);
}
