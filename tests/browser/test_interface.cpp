// The connection window seen through the interface that the windows of other subsystems hold
// (ConnectionWindow): every service on a real window against the fixture server, statements
// checked from a second connection; the single-statement services refuse several statements;
// the object list's selection as object calls, its view style, the shortcuts taken from the main
// window and the new-object command.
#include "browsertest.h"
#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/result.h"
#include "ui/qvcomctrls.h"

#include <QAction>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTest>
#include <QThread>
#include <QTreeWidgetItem>

#include <map>

using browsertest::BrowserTest;

namespace interfacetest {

// Every message of the test, answered with OK.
class Answers
{
public:
    Answers()
        : m_responder([this](DialogRequest &request) {
            texts << request.text;
            return IDOK;
        })
    { }
    QStringList texts;

private:
    ScopedDialogResponder m_responder;
};

// Editors for some kinds that record what they are asked to open; the editors registered
// before come back afterwards.
class RecordingEditors
{
public:
    explicit RecordingEditors(const QList<int> &codes)
    {
        for (int code : codes) {
            m_previous[code] = RegisterObjectEditor(
                code,
                { [this](ConnectionWindow *owner, const TObjectCall &call) -> QWidget * {
                     opened << call;
                     owners << owner;
                     return nullptr;
                 },
                  {} });
        }
    }
    ~RecordingEditors()
    {
        for (const auto &[code, editor] : m_previous)
            RegisterObjectEditor(code, editor);
    }
    QList<TObjectCall> opened;
    QList<ConnectionWindow *> owners;

private:
    std::map<int, TObjectEditor> m_previous;
};

class ConnectionInterface : public BrowserTest
{
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        for (bool *on : { &AppOption.ShowTable, &AppOption.ShowFunc, &AppOption.ShowTrigger })
            *on = true;
        AppOption.TreeSort = 0;
        AppOption.ShowLevel0 = true;
        AppOption.ShowLevel1 = true;
        AppOption.TreeData = false;
    }

    // The mixed list of one schema node, as a click on the node shows it.
    static void showSchema(TfrmObject *window, const QString &schema)
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
    static QTreeWidgetItem *rowOf(TfrmObject *window, const QString &name, const QString &kind)
    {
        for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = window->lstObject->topLevelItem(i);
            if (row->text(0) == name && ObjectListSubItem(row, 1) == kind)
                return row;
        }
        return nullptr;
    }
    static QAction *action(TfrmObject *window, const char *name)
    {
        return window->findChild<QAction *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    }
    // An action of the main window as the real one has it: its design name, a direct child.
    QAction *mainAction(const char *name, const QKeySequence &key = {})
    {
        auto *item = new QAction(&main);
        item->setObjectName(QLatin1String(name));
        item->setShortcut(key);
        return item;
    }
    // A check item of the main window's View menu.
    QAction *mainCheckItem(const char *name, bool checked)
    {
        QAction *item = mainAction(name);
        item->setCheckable(true);
        item->setChecked(checked);
        return item;
    }
};

TEST_F(ConnectionInterface, StatementsAndFactsOnTheRealWindow)
{
    TfrmObject *window = open("sales");
    ASSERT_NE(window, nullptr);
    ConnectionWindow *svc = window;

    // the window as the main window's selector hands it out
    ConnectionWindow *current = main.CurrentForm();
    EXPECT_EQ(current, svc);
    EXPECT_EQ(current->connectionWidget(), static_cast<QWidget *>(window));
    ASSERT_NE(svc->dbsMain(), nullptr);
    EXPECT_TRUE(svc->dbsMain()->isOpen());
    EXPECT_GE(svc->DBVer(), 150000);
    EXPECT_FALSE(svc->g_bPostgresPlus());
    EXPECT_FALSE(svc->DBAMODE());

    svc->ExecuteSQL("CREATE TABLE sales.walk (id integer PRIMARY KEY, note text)");
    svc->ExecuteSQL("INSERT INTO sales.walk VALUES (:ID, :NOTE)", { "1", "a:b" });
    svc->ExecuteSQL(QStringList { "INSERT INTO sales.walk VALUES (2, 'two')", ";",
                                  "INSERT INTO sales.walk VALUES (3, 'three')" },
                    false);
    // the second connection sees what the window's session did (auto-commit is on)
    EXPECT_EQ(query("SELECT string_agg(id || '=' || note, ',' ORDER BY id) FROM sales.walk"),
              "1=a:b,2=two,3=three");

    const pg::Result rows = svc->OpenSQL("SELECT note FROM sales.walk WHERE id > 1 ORDER BY id");
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.text(1, 0), "three");
    EXPECT_EQ(svc->OpenSQL("SELECT note FROM sales.walk WHERE id = :ID", { "1" }).text(0, 0),
              "a:b");

    const int sid = svc->GetMySID();
    EXPECT_EQ(sid, window->MYSID);
    EXPECT_EQ(query(QStringLiteral("SELECT datname FROM pg_stat_activity WHERE pid = %1").arg(sid)),
              db.name());

    EXPECT_EQ(svc->VerStr(svc->DBVer(), "new", "old"), "new");
    EXPECT_EQ(svc->VerStr(svc->DBVer() + 1, "new", "old"), "old");

    // the background sessions are the window's own, left for the runner and the debugger
    ASSERT_NE(svc->dbsBG(), nullptr);
    ASSERT_NE(svc->dbsBG2(), nullptr);
    EXPECT_NE(svc->dbsBG(), svc->dbsMain());
    EXPECT_NE(svc->dbsBG(), svc->dbsBG2());
    EXPECT_FALSE(svc->dbsBG()->isOpen());
    EXPECT_EQ(svc->dbsBG(), window->dbsBG());
    QThread finished;
    svc->RegisterBackgroundWorker(&finished);

    // the database node lists every object; a reload reads the catalog again
    svc->reloadObjectList();
    EXPECT_NE(rowOf(window, "walk", "TABLE"), nullptr);
    EXPECT_EQ(svc->ObjectCount(), window->lstObject->topLevelItemCount());
}

TEST_F(ConnectionInterface, PickListsOnTheRealWindow)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    ConnectionWindow *svc = window;
    const testsupport::ServerInfo &s = testsupport::server();

    const QStringList users = svc->GetUser(true);
    EXPECT_TRUE(users.contains(s.user));
    EXPECT_EQ(users.last(), "public");
    EXPECT_FALSE(svc->GetUser(false).contains("public"));
    EXPECT_FALSE(svc->GetRole().contains(s.user));
    EXPECT_TRUE(svc->GetTBS().contains("pg_default"));
    // no database links on this edition: the catalog is missing, and the error says so
    EXPECT_THROW(svc->GetDBLink(), pg::Error);
    EXPECT_TRUE(svc->GetObject("sales", "TABLE").contains("customer"));
    EXPECT_FALSE(svc->GetObject("inv", "table").contains("customer"));
    const QStringList types = svc->GetDataType();
    EXPECT_TRUE(types.contains("integer"));
    EXPECT_FALSE(types.contains("void"));
    const QStringList schemas = svc->GetSchemaInfo(false);
    EXPECT_TRUE(schemas.contains("sales"));
    EXPECT_TRUE(schemas.contains("pg_catalog"));
    EXPECT_FALSE(schemas.contains("pg_toast"));
    EXPECT_TRUE(svc->GetSchemaInfo(true).contains("pg_toast"));
}

// One statement each: text that holds several is refused before any of them runs, as a
// prepared statement refuses it, by every single-statement service alike.
TEST_F(ConnectionInterface, SingleStatementServicesRefuseSeveral)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    ConnectionWindow *svc = window;
    const struct
    {
        const char *what;
        std::function<void()> run;
    } refused[] = {
        { "ExecuteSQL",
          [&] {
              svc->ExecuteSQL("CREATE TABLE public.one (x int); CREATE TABLE public.two (x int)");
          } },
        { "ExecuteSQL with parameters",
          [&] {
              svc->ExecuteSQL("CREATE TABLE public.one (x int); CREATE TABLE public.two (x int)",
                              QStringList());
          } },
        { "ExecuteSQL with a bound parameter",
          [&] { svc->ExecuteSQL("CREATE TABLE public.one (x int); SELECT :V::text", { "v" }); } },
        { "OpenSQL", [&] { svc->OpenSQL("CREATE TABLE public.one (x int); SELECT 1"); } },
        { "OpenSQL with parameters",
          [&] { svc->OpenSQL("CREATE TABLE public.one (x int); SELECT :V::text", { "v" }); } },
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.what);
        try {
            c.run();
            ADD_FAILURE() << "several statements ran";
        } catch (const pg::Error &e) {
            EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::SyntaxError));
        }
        EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname IN ('one', 'two')"), "0");
    }

    // one statement with a closing semicolon, or with a semicolon inside a literal or a
    // comment, is one statement
    svc->ExecuteSQL("CREATE TABLE public.one (x text);");
    svc->ExecuteSQL("INSERT INTO public.one VALUES ('a;b') -- ; not a second statement");
    EXPECT_EQ(query("SELECT x FROM public.one"), "a;b");
    EXPECT_EQ(svc->OpenSQL("SELECT x FROM public.one;").text(0, 0), "a;b");

    // a script still runs statement by statement, each on its own
    svc->ExecuteSQL(QStringList { "INSERT INTO public.one VALUES ('c')", ";",
                                  "INSERT INTO public.one VALUES ('d')" },
                    false);
    EXPECT_EQ(query("SELECT string_agg(x, ',' ORDER BY x) FROM public.one"), "a;b,c,d");
}

TEST_F(ConnectionInterface, SelectedRowsAsObjectCalls)
{
    TfrmObject *window = open("lst");
    ASSERT_NE(window, nullptr);
    ConnectionWindow *svc = window;
    showSchema(window, "lst");
    ASSERT_GT(svc->ObjectCount(), 3);
    EXPECT_TRUE(svc->SelectedObjectCalls().isEmpty());

    QTreeWidgetItem *table = rowOf(window, "event", "TABLE");
    QTreeWidgetItem *trigger = rowOf(window, "before_x", "TRIGGER");
    QTreeWidgetItem *aggregate = rowOf(window, "tally", "AGGREGATE");
    ASSERT_TRUE(table && trigger && aggregate);
    for (QTreeWidgetItem *row : { table, trigger, aggregate })
        row->setSelected(true);
    EXPECT_EQ(svc->SelectedObjectCount(), 3);

    const QList<TObjectCall> calls = svc->SelectedObjectCalls();
    ASSERT_EQ(calls.size(), 3);
    // in list order, each as the dispatch takes it
    QList<TObjectCall> expected;
    for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = window->lstObject->topLevelItem(i);
        if (row == table)
            expected << ObjectCallFor(45, "lst", "event");
        else if (row == trigger)
            expected << ObjectCallFor(57, "lst", "before_x", omDefine, 0, -1, "event");
        else if (row == aggregate)
            expected << ObjectCallFor(
                128, "lst", "tally", omDefine, 0,
                query("SELECT 'lst.tally()'::regprocedure::oid").toLongLong());
    }
    for (int i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls.at(i).ObjectType, expected.at(i).ObjectType);
        EXPECT_EQ(calls.at(i).Schema, expected.at(i).Schema);
        EXPECT_EQ(calls.at(i).ObjectName, expected.at(i).ObjectName);
        EXPECT_EQ(calls.at(i).OID, expected.at(i).OID);
        EXPECT_EQ(calls.at(i).TableName, expected.at(i).TableName);
        EXPECT_EQ(calls.at(i).OpenMode, omDefine);
    }
    // asking changes nothing of the selection
    EXPECT_EQ(svc->SelectedObjectCount(), 3);
}

TEST_F(ConnectionInterface, ListStyleChangesTheRealListAndStays)
{
    TfrmObject *window = open("lst");
    ASSERT_NE(window, nullptr);
    ConnectionWindow *svc = window;
    showSchema(window, "lst");
    TqvListView *list = window->lstObject;
    const int columns = list->columnCount();
    ASSERT_GT(columns, 2);
    auto shownColumns = [list] {
        int shown = 0;
        for (int i = 0; i < list->columnCount(); ++i)
            shown += list->isColumnHidden(i) ? 0 : 1;
        return shown;
    };
    EXPECT_EQ(window->ObjectListStyle(), 3);
    EXPECT_FALSE(list->isHeaderHidden());
    EXPECT_EQ(shownColumns(), columns);
    list->setColumnWidth(2, 123);

    svc->SetObjectListStyle(2);
    EXPECT_EQ(window->ObjectListStyle(), 2);
    EXPECT_TRUE(list->isHeaderHidden());
    EXPECT_EQ(shownColumns(), 1);
    // the next list keeps the style
    showSchema(window, "lst");
    EXPECT_TRUE(list->isHeaderHidden());
    EXPECT_EQ(shownColumns(), 1);
    EXPECT_GT(list->topLevelItemCount(), 3);

    svc->SetObjectListStyle(3);
    EXPECT_FALSE(list->isHeaderHidden());
    EXPECT_EQ(shownColumns(), columns);
    // the width given before the list style went is the column's again
    EXPECT_EQ(list->columnWidth(2), 123);

    svc->SetObjectListStyle(7); // no style: nothing changes
    EXPECT_EQ(window->ObjectListStyle(), 3);
}

// A new window takes the style the main window's View menu has checked.
TEST_F(ConnectionInterface, NewWindowTakesTheCheckedListStyle)
{
    mainCheckItem("mnuDispList", true);
    QAction *report = mainCheckItem("mnuDispReport", false);
    TfrmObject *listed = open("lst");
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(listed->ObjectListStyle(), 2);
    showSchema(listed, "lst");
    EXPECT_TRUE(listed->lstObject->isHeaderHidden());

    // both checked: the report style wins
    report->setChecked(true);
    TfrmObject *reported = open("lst");
    ASSERT_NE(reported, nullptr);
    EXPECT_EQ(reported->ObjectListStyle(), 3);
}

TEST_F(ConnectionInterface, ShortcutsFollowTheMainWindowsActions)
{
    RecordingEditors editors({ ObjType::Table });
    Answers answers;
    mainAction("actOpen", QKeySequence(Qt::CTRL | Qt::Key_F9));
    mainAction("actEditDelete", QKeySequence(Qt::Key_Delete));
    mainAction("actOpenData", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    // taken when the window is made
    TfrmObject *window = open("lst");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(action(window, "actOpen")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F9));
    EXPECT_EQ(action(window, "actDelete")->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(action(window, "actOpenData")->shortcut(),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    // nothing is selected: the drop command's key reaches nothing
    EXPECT_FALSE(action(window, "actDelete")->isEnabled());

    // the user changed them: the main window's actions first, then each connection window
    main.findChild<QAction *>("actOpen")->setShortcut(QKeySequence(Qt::ALT | Qt::Key_O));
    main.findChild<QAction *>("actOpenData")->setShortcut(QKeySequence());
    static_cast<ConnectionWindow *>(window)->SetShortCut();
    EXPECT_EQ(action(window, "actOpen")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_O));
    EXPECT_TRUE(action(window, "actOpenData")->shortcut().isEmpty());

    // the key opens the selected row where the focus is in the window
    showSchema(window, "lst");
    QTreeWidgetItem *table = rowOf(window, "event", "TABLE");
    ASSERT_NE(table, nullptr);
    table->setSelected(true);
    ASSERT_TRUE(showActive(main));
    window->lstObject->setFocus();
    QTest::keyClick(window->lstObject, Qt::Key_O, Qt::AltModifier);
    ASSERT_EQ(editors.opened.size(), 1);
    EXPECT_EQ(editors.opened.at(0).ObjectName, "event");
    EXPECT_EQ(editors.owners.at(0), static_cast<ConnectionWindow *>(window));
    EXPECT_TRUE(answers.texts.isEmpty()) << answers.texts.join('\n').toStdString();
}

TEST_F(ConnectionInterface, NewObjectOpensTheKindsEditorOrSaysThereIsNone)
{
    RecordingEditors editors({ ObjType::Table, ObjType::Procedure });
    Answers answers;
    TfrmObject *window = open("lst");
    ASSERT_NE(window, nullptr);
    ConnectionWindow *svc = window;

    svc->NewObject(ObjType::Table);
    // a function is made in the procedure's editor
    svc->NewObject(ObjType::Function);
    ASSERT_EQ(editors.opened.size(), 2);
    for (const TObjectCall &call : editors.opened) {
        EXPECT_EQ(call.Schema, "lst"); // the logon schema
        EXPECT_TRUE(call.ObjectName.isEmpty());
        EXPECT_EQ(call.OpenMode, omDefine);
    }
    EXPECT_EQ(editors.opened.at(0).ObjectType, ObjType::Table);
    EXPECT_EQ(editors.opened.at(1).ObjectType, ObjType::Function);
    EXPECT_TRUE(answers.texts.isEmpty());

    // a kind without an editor is named to the user
    svc->NewObject(ObjType::Sequence);
    EXPECT_EQ(editors.opened.size(), 2);
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts.at(0).contains("SEQUENCE"));
    EXPECT_TRUE(answers.texts.at(0).contains("ウィンドウはありません"));

    // the window's own new-object actions do the same
    action(window, "actNewTable")->trigger();
    ASSERT_EQ(editors.opened.size(), 3);
    EXPECT_EQ(editors.opened.at(2).ObjectType, ObjType::Table);
    EXPECT_EQ(action(window, "actNewTable")->property("ImageIndex").toInt(), ObjType::Table);
}

} // namespace interfacetest
