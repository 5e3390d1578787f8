// The main window's commands that act on the connection windows, through the real windows as
// the program opens them: a real connection window on a fresh database of the fixture server
// and the table library's editors registered as at start-up. The new-object buttons open a
// new definition window of their kind (and name the kinds that have none), View → 一覧/詳細
// change the real object list, and changed shortcuts reach the connection window's actions.
#include "shelltest.h"

#include "browser/fobject.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "core/qvshortcut.h"
#include "core/qvtoolwindows.h"
#include "editors/tables/tableeditors.h"
#include "sqlwin/sqlwindows.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"
#include "ui/qvforms.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include <map>

using namespace shelltest;

namespace newobjecttest {

// The editors of the table library, registered as the program registers them at start-up;
// what was registered before comes back afterwards.
class TableEditors
{
public:
    TableEditors()
    {
        for (int code : { ObjType::Table, ObjType::Index, ObjType::Constraint, ObjType::Policy })
            m_previous[code] = RegisteredObjectEditor(code);
        RegisterTableEditors();
    }
    ~TableEditors()
    {
        for (const auto &[code, editor] : m_previous)
            RegisterObjectEditor(code, editor);
    }

private:
    std::map<int, TObjectEditor> m_previous;
};

// The main window with one connection window on the test's database.
class MainWithConnection : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AppOption.KeepAliveInterval = 0;
        AppOption.UpdateToCommit = true;
        AppOption.ShowTable = true;
        AppOption.ShowLevel1 = true;
        AppOption.TreeSort = 0;
        main = std::make_unique<TfrmMain>();
        main->show();
        window = open();
        ASSERT_FALSE(window.isNull());
    }
    void TearDown() override
    {
        // The definition windows go without being asked to compile, then the main window.
        const QList<QMdiSubWindow *> subs = main->mdiArea()->subWindowList();
        for (QMdiSubWindow *sub : subs) {
            if (sub->widget() != window.data())
                delete sub;
        }
        main->close();
        for (int i = 0; i < 20 && window; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        main.reset();
        ResetShortcuts();
    }

    QPointer<TfrmObject> open()
    {
        const testsupport::ServerInfo &s = testsupport::server();
        return TfrmObject::Create(main.get(), s.host, QString::number(s.port), db.name(), "sales",
                                  s.user, QString());
    }

    // The multi-document children that are not connection windows.
    QList<TqvForm *> definitionWindows() const
    {
        QList<TqvForm *> windows;
        for (QMdiSubWindow *sub : main->mdiArea()->subWindowList()) {
            auto *form = qobject_cast<TqvForm *>(sub->widget());
            if (form && !qobject_cast<TfrmObject *>(form))
                windows << form;
        }
        return windows;
    }

    // The list of one schema node, as a click on the node shows it.
    void showSchema(const QString &schema)
    {
        QTreeWidgetItem *root = window->lstTree->topLevelItem(0);
        ASSERT_NE(root, nullptr);
        QTreeWidgetItem *node = nullptr;
        for (int i = 0; i < root->childCount() && !node; ++i)
            if (root->child(i)->text(0) == schema)
                node = root->child(i);
        ASSERT_NE(node, nullptr);
        {
            const QSignalBlocker block(window->lstTree);
            window->lstTree->setCurrentItem(node);
        }
        window->ShowObject(false);
    }

    MainEnvironment env;
    TableEditors editors;
    testsupport::TestDatabase db;
    std::unique_ptr<TfrmMain> main;
    QPointer<TfrmObject> window;
};

TEST_F(MainWithConnection, NewObjectButtonsOpenANewDefinitionWindowOfTheirKind)
{
    const struct
    {
        const char *button;
        const char *window; // objectName of the definition window; nullptr: none for the kind
        const char *kind; // the kind the message names when there is none
    } cases[] = {
        { "btnNewTable", "frmTable", nullptr },
        { "btnNewIndex", "frmIndex", nullptr },
        { "btnNewView", nullptr, "VIEW" },
        { "btnNewSeq", nullptr, "SEQUENCE" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.button);
        env.messages.texts.clear();
        const QList<TqvForm *> before = definitionWindows();
        auto *button = main->findChild<QToolButton *>(c.button);
        ASSERT_NE(button, nullptr);
        button->click();
        const QList<TqvForm *> after = definitionWindows();
        if (!c.window) {
            EXPECT_EQ(after.size(), before.size());
            ASSERT_EQ(env.messages.texts.size(), 1);
            EXPECT_TRUE(env.messages.texts.at(0).contains(QLatin1String(c.kind)))
                << env.messages.texts.at(0).toStdString();
            EXPECT_TRUE(
                env.messages.texts.at(0).contains(QStringLiteral("ウィンドウはありません")));
            continue;
        }
        EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join('\n').toStdString();
        ASSERT_EQ(after.size(), before.size() + 1);
        TqvForm *opened = after.last();
        EXPECT_EQ(opened->objectName(), QLatin1String(c.window));
        // a new object of the connection's logon schema, bound to the connection window
        EXPECT_EQ(opened->Owner(), window.data());
        auto *name = opened->findChild<QLineEdit *>("txtName");
        ASSERT_NE(name, nullptr);
        EXPECT_TRUE(name->text().isEmpty());
    }
}

TEST_F(MainWithConnection, ViewListAndDetailChangeTheRealObjectList)
{
    showSchema("sales");
    TqvListView *list = window->lstObject;
    ASSERT_GT(list->columnCount(), 2);
    ASSERT_FALSE(list->isHeaderHidden());

    // as the user opens the View menu and chooses
    Q_EMIT main->findChild<QMenu *>("mnuDisplay")->aboutToShow();
    QAction *listItem = main->findChild<QAction *>("mnuDispList");
    QAction *reportItem = main->findChild<QAction *>("mnuDispReport");
    ASSERT_TRUE(listItem->isEnabled());
    listItem->trigger();
    EXPECT_EQ(window->ObjectListStyle(), 2);
    EXPECT_TRUE(list->isHeaderHidden());
    EXPECT_TRUE(list->isColumnHidden(1));
    EXPECT_FALSE(list->isColumnHidden(0));

    // a connection window opened now starts with the list style
    QPointer<TfrmObject> second = open();
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(second->ObjectListStyle(), 2);

    reportItem->trigger();
    EXPECT_EQ(window->ObjectListStyle(), 3);
    EXPECT_EQ(second->ObjectListStyle(), 3);
    EXPECT_FALSE(list->isHeaderHidden());
    EXPECT_FALSE(list->isColumnHidden(1));
    EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join('\n').toStdString();
}

TEST_F(MainWithConnection, ChangedShortcutsReachTheConnectionWindowsActions)
{
    auto own = [this](const char *name) {
        return window->findChild<QAction *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    };
    ASSERT_NE(own("actOpen"), nullptr);
    // the defaults, taken when the window was made
    EXPECT_EQ(own("actOpen")->shortcut(), main->action("actOpen")->shortcut());

    const struct
    {
        const char *value; // the SHORTCUT value the options dialog edits
        const char *key;
        const char *action; // the connection window's action that takes it
    } cases[] = {
        { "ObjectOpen", "Ctrl+F9", "actOpen" },
        { "ObjectOpenData", "Shift+Ctrl+D", "actOpenData" },
        { "EditDelete", "Shift+Del", "actDelete" },
        { "ObjectNew", "Alt+N", "actNew" },
        { "ObjectScript", "F11", "actScript" },
    };
    for (const auto &c : cases) {
        const int index = ShortcutIndex(QLatin1String(c.value));
        ASSERT_GE(index, 0) << c.value;
        ShortcutList[index] = textToShortcut(QLatin1String(c.key));
    }
    main->SetShortCut();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.action);
        EXPECT_EQ(shortcutToText(own(c.action)->shortcut()), QLatin1String(c.key));
    }
}

TEST_F(MainWithConnection, ClosingTheProgramAsksOnceForAModifiedDefinitionWindow)
{
    const QString question = QStringLiteral("情報が変更されています。コンパイルしますか？");
    const struct
    {
        int answer;
        bool closes; // whether the main window goes
    } cases[] = {
        { IDCANCEL, false },
        { IDNO, true },
    };
    main->findChild<QToolButton *>("btnNewTable")->click();
    ASSERT_EQ(definitionWindows().size(), 1);
    QPointer<TqvForm> table = definitionWindows().first();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.answer);
        table->setModified(true);
        Messages answers(c.answer);
        const bool closed = main->close();
        EXPECT_EQ(closed, c.closes);
        EXPECT_EQ(answers.texts.count(question), 1) << answers.texts.join('\n').toStdString();
        EXPECT_EQ(window.isNull() || !window->isVisible(), c.closes);
    }
}

// The captions of the menu bar's items that are shown, in order.
QStringList barCaptions(QMenuBar *bar)
{
    QStringList captions;
    for (QAction *item : bar->actions()) {
        if (item->isVisible())
            captions << item->text();
    }
    return captions;
}

TEST_F(MainWithConnection, TheChildInFrontShowsItsOwnMenuInTheMenuBar)
{
    const TToolWindowOpener previous = RegisterToolWindow(ToolWindowSQL, {});
    RegisterSqlWindows();
    auto *bar = main->findChild<QMenuBar *>("mnuMain");
    ASSERT_NE(bar, nullptr);
    // the main window's own menus; a child's menu (group 2) stands between 編集 (1) and 表示 (3)
    const QStringList own = { "ファイル(&F)", "編集(&E)",       "表示(&V)",  "管理(&A)",
                              "ツール(&T)",   "ウィンドウ(&W)", "ヘルプ(&H)" };

    main->findChild<QToolButton *>("btnNewTable")->click();
    ASSERT_EQ(definitionWindows().size(), 1);
    QPointer<TqvForm> table = definitionWindows().first();
    main->action("actViewSQL")->trigger();
    QPointer<QWidget> sql;
    for (QMdiSubWindow *sub : main->mdiArea()->subWindowList()) {
        if (sub->widget()->findChild<QMenu *>("mnuSQL", Qt::FindDirectChildrenOnly))
            sql = sub->widget();
    }
    ASSERT_FALSE(sql.isNull()) << env.messages.texts.join('\n').toStdString();

    const struct
    {
        QWidget *child;
        const char *menu; // the caption of the child's menu in the bar
    } cases[] = {
        { window.data(), "オブジェクトリスト(&O)" },
        { table.data(), "TABLE(&O)" },
        { sql.data(), "SQL実行(&O)" },
        { window.data(), "オブジェクトリスト(&O)" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.menu);
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(c.child->parentWidget()));
        QStringList expected = own;
        expected.insert(2, QString::fromUtf8(c.menu));
        EXPECT_EQ(barCaptions(bar), expected);
        // the child no longer shows a menu bar of its own
        if (auto *childBar = c.child->findChild<QMenuBar *>("mnuTool", Qt::FindDirectChildrenOnly))
            EXPECT_FALSE(childBar->isVisible());
    }
    // the object list's menu carries the list commands
    QAction *listMenu = bar->actions().at(2);
    ASSERT_NE(listMenu->menu(), nullptr);
    EXPECT_TRUE(listMenu->menu()->actions().contains(
        window->findChild<QAction *>("actDelete", Qt::FindDirectChildrenOnly)));

    // a child that goes takes its menu along
    main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(sql->parentWidget()));
    delete sql->parentWidget();
    EXPECT_FALSE(barCaptions(bar).contains(QStringLiteral("SQL実行(&O)")));
    RegisterToolWindow(ToolWindowSQL, previous);
}

} // namespace newobjecttest
