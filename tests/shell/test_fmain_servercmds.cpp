// The main window's commands against the server: COMMIT with the auto-commit option off (also
// when the server turns it into a rollback), the auto-commit change reaching every connection,
// the lookup that opens the objects of a selected name, and the workspace panel.
#include "shelltest.h"

#include "browser/fobject.h"
#include "core/qvobjeditors.h"
#include "core/qvtoolwindows.h"
#include "core/qvworkspace.h"
#include "platform/pg/connection.h"
#include "shell/fmainopen.h"
#include "sqllang/qvmemo.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"
#include "ui/qvstsbar.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <map>

using namespace shelltest;

namespace servercmdstest {

const int recordedKinds[] = { 45, 46, 47, 51, 52, 55, 57, 58, 61, 66, 127, 128 };

// The main window and real connection windows on a fresh database; the object editors record
// what they are asked to open.
class ServerCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (int code : recordedKinds)
            m_previous[code] = RegisterObjectEditor(
                code,
                { [this](ConnectionWindow *, const TObjectCall &call) -> QWidget * {
                     opened << call;
                     return nullptr;
                 },
                  {} });
        AppOption.KeepAliveInterval = 0;
        AppOption.UpdateToCommit = true;
        db.exec("CREATE TABLE public.emp (empno integer PRIMARY KEY);"
                "CREATE FUNCTION public.emp(p integer) RETURNS integer LANGUAGE sql AS "
                "'SELECT p';"
                "CREATE SCHEMA a; CREATE TABLE a.\"b.c\" (id integer);"
                "CREATE FUNCTION lst.ov(p integer) RETURNS integer LANGUAGE sql AS 'SELECT p';"
                "CREATE FUNCTION lst.ov(p text) RETURNS text LANGUAGE sql AS 'SELECT p';");
        main = std::make_unique<TfrmMain>();
        main->resize(1000, 700);
        main->show();
        QApplication::setActiveWindow(main.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    }
    void TearDown() override
    {
        if (main) {
            for (QMdiSubWindow *sub : main->mdiArea()->subWindowList())
                sub->close();
            for (int i = 0; i < 20; ++i)
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            main->close();
            main.reset();
        }
        for (const auto &[code, editor] : m_previous)
            RegisterObjectEditor(code, editor);
        WorkSpaces.clear();
        if (!m_role.isEmpty())
            testsupport::exec(testsupport::conninfo("postgres"),
                              QStringLiteral("DROP ROLE IF EXISTS %1").arg(m_role));
    }

    TfrmObject *open(const QString &user = QString())
    {
        const testsupport::ServerInfo &s = testsupport::server();
        return TfrmObject::Create(main.get(), s.host, QString::number(s.port), db.name(), "public",
                                  user.isEmpty() ? s.user : user, QString());
    }
    // A second login role of this run, for a second connection to the same database.
    QString otherUser()
    {
        if (m_role.isEmpty()) {
            m_role = testsupport::uniqueName("ws_user");
            testsupport::exec(testsupport::conninfo("postgres"),
                              QStringLiteral("CREATE ROLE %1 LOGIN SUPERUSER").arg(m_role));
        }
        return m_role;
    }
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
    // Selects exactly the rows of the names (and kind) given.
    static int selectRows(TfrmObject *window, const QStringList &names, const QString &kind)
    {
        int count = 0;
        window->lstObject->clearSelection();
        for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = window->lstObject->topLevelItem(i);
            if (names.contains(row->text(0)) && ObjectListSubItem(row, 1) == kind) {
                row->setSelected(true);
                ++count;
            }
        }
        return count;
    }
    QString query(const QString &sql) const { return db.query(sql); }

    MainEnvironment env;
    testsupport::TestDatabase db;
    std::unique_ptr<TfrmMain> main;
    QList<TObjectCall> opened;
    std::map<int, TObjectEditor> m_previous;
    QString m_role;
};

// ------------------------------------------------------------------ COMMIT and auto-commit

TEST_F(ServerCommands, CommitWithAutoCommitOffLeavesTheSessionInATransaction)
{
    TfrmObject *window = open();
    ASSERT_TRUE(window);
    AppOption.UpdateToCommit = false;
    pg::Connection *session = window->dbsMain();
    window->ExecuteSQL("BEGIN");
    window->ExecuteSQL("INSERT INTO trn.parent VALUES (1)");
    main->action("actDBCommit")->trigger();
    EXPECT_EQ(session->transactionStatus(), pg::TransactionStatus::InTransaction);
    EXPECT_EQ(query("SELECT count(*) FROM trn.parent"), "1");
    EXPECT_TRUE(
        main->MessageText().endsWith(QStringLiteral("のトランザクションを COMMIT しました。")))
        << main->MessageText().toStdString();
    EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join('\n').toStdString();

    // a row that breaks the deferred key: the COMMIT fails, the error is shown, and the session
    // is inside a transaction again
    main->SetStatusText(QString());
    window->ExecuteSQL("INSERT INTO trn.child VALUES (1, 99)");
    main->action("actDBCommit")->trigger();
    ASSERT_EQ(env.messages.texts.size(), 1);
    EXPECT_TRUE(env.messages.texts.at(0).contains("child_parent_fkey"))
        << env.messages.texts.at(0).toStdString();
    EXPECT_EQ(session->transactionStatus(), pg::TransactionStatus::InTransaction);
    EXPECT_EQ(main->MessageText(), QString()) << "no COMMIT text for a rolled-back COMMIT";
    EXPECT_EQ(query("SELECT count(*) FROM trn.child"), "0");
    // the next statement waits for the user's COMMIT
    window->ExecuteSQL("INSERT INTO trn.parent VALUES (2)");
    EXPECT_EQ(query("SELECT count(*) FROM trn.parent"), "1");
    window->ExecuteSQL("ROLLBACK");
}

// A connection window that writes what it runs into a log the test shares.
class LoggingWindow : public FakeConnectionWindow
{
public:
    LoggingWindow(const QString &database, QStringList *log)
        : FakeConnectionWindow(database, 150000)
        , m_log(log)
    { }
    void ExecuteSQL(const QString &sql) override
    {
        FakeConnectionWindow::ExecuteSQL(sql);
        *m_log << windowTitle() + ":" + sql;
    }

private:
    QStringList *m_log;
};

TEST(MainWindowAutoCommit, TheOptionChangeReachesEveryConnectionInSelectorOrder)
{
    MainEnvironment env;
    AppOption.UpdateToCommit = true;
    TfrmMain main;
    QStringList log;
    LoggingWindow first("one", &log);
    LoggingWindow second("two", &log);
    main.AddConnection(&first);
    main.AddConnection(&second);
    // the options dialog as its subsystem registers it: it turns the option to *next
    bool next = false;
    RegisterMainCommand("actToolOption",
                        { [&next](ConnectionWindow *) { AppOption.UpdateToCommit = next; }, {} });
    const struct
    {
        bool to;
        QStringList statements;
    } cases[] = {
        { false, { "one:BEGIN", "two:BEGIN" } },
        { false, {} },
        { true, { "one:COMMIT", "two:COMMIT" } },
    };
    for (const auto &c : cases) {
        log.clear();
        next = c.to;
        main.UpdateActions();
        main.action("actToolOption")->trigger();
        EXPECT_EQ(log, c.statements);
    }
    EXPECT_TRUE(env.messages.texts.isEmpty());

    // a failure on the first still lets the second follow; the failure names its connection
    log.clear();
    first.failOn = "BEGIN";
    next = false;
    main.action("actToolOption")->trigger();
    EXPECT_EQ(log, QStringList { "two:BEGIN" });
    ASSERT_EQ(env.messages.texts.size(), 1);
    EXPECT_TRUE(env.messages.texts.at(0).contains(ConnectionKey(first)))
        << env.messages.texts.at(0).toStdString();
    EXPECT_FALSE(env.messages.texts.at(0).contains(ConnectionKey(second)));
    UnregisterMainCommand("actToolOption");
    main.RemoveConnection(&second);
    main.RemoveConnection(&first);
}

// ------------------------------------------------------------------ open by name

TEST_F(ServerCommands, OpenByNameOpensEveryObjectOfTheName)
{
    TfrmObject *window = open();
    ASSERT_TRUE(window);
    const struct
    {
        const char *selected;
        QStringList opened; // code:schema.name, in any order
    } cases[] = {
        { "public.emp", { "45:public.emp", "52:public.emp" } },
        { "emp", { "45:public.emp", "52:public.emp" } },
        { "EMP", {} },
        { "\"emp\"", {} },
        { " emp", {} },
        { "a.b.c", { "45:a.b.c" } },
        { "sales.orders_customer_idx", { "46:sales.orders_customer_idx" } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.selected);
        opened.clear();
        EditOpenExecute(window, QString::fromUtf8(c.selected));
        QStringList got;
        for (const TObjectCall &call : std::as_const(opened))
            got << QString::number(call.ObjectType) + ":" + call.Schema + "." + call.ObjectName;
        got.sort();
        EXPECT_EQ(got, c.opened);
    }
    // the function is opened by its oid, the table with its own name as table
    opened.clear();
    EditOpenExecute(window, "emp");
    for (const TObjectCall &call : std::as_const(opened)) {
        if (call.ObjectType == 52)
            EXPECT_EQ(QString::number(call.OID),
                      query("SELECT 'public.emp(integer)'::regprocedure::oid"));
    }
    EXPECT_TRUE(env.messages.texts.isEmpty());
}

TEST_F(ServerCommands, OpenByNameFromTheEditorShowsALookupThatFails)
{
    // a connection whose session was never opened: the lookup fails on the client side
    FakeConnectionWindow db("sales", 150000);
    main->AddConnection(&db);
    auto *host = new QWidget;
    auto *memo = new TqvMemo(host);
    (new QVBoxLayout(host))->addWidget(memo);
    main->ShowChildWindow(host);
    memo->setText("emp");
    memo->selectAll(true);
    memo->setFocus();
    main->UpdateActions();
    ASSERT_TRUE(main->action("actEditOpen")->isEnabled());
    main->action("actEditOpen")->trigger();
    EXPECT_EQ(env.messages.texts.size(), 1);
    main->RemoveConnection(&db);
}

TEST(MainWindowOpenByName, TheLookupStatementByServer)
{
    const auto blocks = [](const QString &sql) { return int(sql.count(" UNION ALL")) + 1; };
    EXPECT_EQ(blocks(EditOpenLookupSQL(90200, false)), 9);
    EXPECT_EQ(blocks(EditOpenLookupSQL(90300, false)), 10);
    EXPECT_EQ(blocks(EditOpenLookupSQL(100000, false)), 11);
    EXPECT_EQ(blocks(EditOpenLookupSQL(150000, false)), 12);
    EXPECT_EQ(blocks(EditOpenLookupSQL(100000, true)), 14);

    const QString edb = EditOpenLookupSQL(150000, true);
    EXPECT_TRUE(edb.startsWith(" SELECT  TblNsp.nspname    AS SchemaNm,        'TABLE'         AS "
                               "ObjTyp,        1                 AS ObjNo,"))
        << edb.left(200).toStdString();
    EXPECT_TRUE(edb.contains(",        'PACKAGE'       AS ObjTyp,        13                AS "
                             "ObjNo,        pac.pkgname       AS ObjNm,        pac.oid           "
                             "AS OID,        ''              AS TblNm"));
    EXPECT_TRUE(edb.contains("pac.pkgname       =   :OBJNM AND     Nms.nspname       =   :OWNER"));
    EXPECT_TRUE(edb.endsWith(",        'SYNONYM'     AS ObjTyp,        14              AS ObjNo,"
                             "        syn.synname     AS ObjNm,        0               AS OID,"
                             "        ''            AS TblNm  FROM pg_synonym AS Syn")
                || edb.contains("AND     syn.synname    =   :OBJNM AND     nms.nspname    =   "
                                ":OWNER")
                || edb.contains("WHERE   syn.synname    =   :OBJNM AND     nms.nspname    =   "
                                ":OWNER"))
        << edb.right(300).toStdString();
    EXPECT_TRUE(edb.contains(
        "SELECT  CASE           WHEN TblShe.schemaname IS NULL THEN VieShe.schemaname"));
    EXPECT_TRUE(edb.contains("AND     (               TblShe.schemaname   =   :OWNER           OR  "
                             "VieShe.schemaname   =   :OWNER         )"));
    EXPECT_FALSE(EditOpenLookupSQL(150000, false).contains("pkgname"));
    EXPECT_FALSE(EditOpenLookupSQL(150000, false).contains("synname"));
}

// ------------------------------------------------------------------ workspace

TEST_F(ServerCommands, WorkspaceDropsKeepOneEntryPerObjectAndConnection)
{
    TfrmObject *one = open();
    ASSERT_TRUE(one);
    showSchema(one, "lst");
    ASSERT_EQ(selectRows(one, { "event" }, "TABLE"), 1);
    EXPECT_TRUE(main->lstWorkSpaceDragOver(one->lstObject));
    EXPECT_FALSE(main->lstWorkSpaceDragOver(one->lstTree));
    EXPECT_TRUE(main->lstWorkSpaceDragDrop(one->lstObject));
    EXPECT_TRUE(main->lstWorkSpaceDragDrop(one->lstObject));
    LoadWorkSpace();
    ASSERT_EQ(WorkSpaces.size(), 1);
    EXPECT_EQ(WorkSpaces.at(0).Title, "event (lst)");
    EXPECT_EQ(main->lstWorkSpace()->topLevelItemCount(), 1);

    TfrmObject *two = open(otherUser());
    ASSERT_TRUE(two);
    showSchema(two, "lst");
    ASSERT_EQ(selectRows(two, { "event" }, "TABLE"), 1);
    main->lstWorkSpaceDragDrop(two->lstObject);
    LoadWorkSpace();
    ASSERT_EQ(WorkSpaces.size(), 2);
    EXPECT_NE(WorkSpaces.at(0).Connect, WorkSpaces.at(1).Connect);
    EXPECT_EQ(main->lstWorkSpace()->topLevelItemCount(), 2);

    // the entries of a closed connection leave the list and come back with it
    two->close();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->lstWorkSpace()->topLevelItemCount(), 1);
    ASSERT_TRUE(open(otherUser()));
    EXPECT_EQ(main->lstWorkSpace()->topLevelItemCount(), 2);
}

// Edit → 名前の変更 on the object list asks the list's owner first: an object outside the logon
// schema is not renamed in place, one inside it is.
TEST_F(ServerCommands, EditRenameOnTheObjectListAsksTheListFirst)
{
    TfrmObject *one = open();
    ASSERT_TRUE(one);
    QAction *rename = main->action("actEditRename");
    showSchema(one, "lst");
    ASSERT_EQ(selectRows(one, { "event" }, "TABLE"), 1);
    one->lstObject->setCurrentItem(one->lstObject->selectedItems().first(), 0,
                                   QItemSelectionModel::NoUpdate);
    one->lstObject->setFocus();
    QApplication::processEvents();
    rename->trigger();
    EXPECT_FALSE(one->lstObject->IsEditing());

    db.exec("create table public.renamable (id int)");
    one->ShowObject(false);
    showSchema(one, "public");
    ASSERT_EQ(selectRows(one, { "renamable" }, "TABLE"), 1);
    one->lstObject->setCurrentItem(one->lstObject->selectedItems().first(), 0,
                                   QItemSelectionModel::NoUpdate);
    one->lstObject->setFocus();
    QApplication::processEvents();
    rename->trigger();
    EXPECT_TRUE(one->lstObject->IsEditing());
}

TEST_F(ServerCommands, WorkspaceOverloadsAreTwoEntriesAndRenameChangesOnlyItsOwn)
{
    TfrmObject *one = open();
    ASSERT_TRUE(one);
    showSchema(one, "lst");
    ASSERT_EQ(selectRows(one, { "ov" }, "FUNCTION"), 2);
    main->lstWorkSpaceDragDrop(one->lstObject);
    LoadWorkSpace();
    ASSERT_EQ(WorkSpaces.size(), 2);
    EXPECT_NE(WorkSpaces.at(0).oid, WorkSpaces.at(1).oid);
    EXPECT_NE(WorkSpaces.at(0).Title, WorkSpaces.at(1).Title);
    const TqvWorkSpace firstEntry = WorkSpaces.at(0);
    const quint32 secondOid = WorkSpaces.at(1).oid;

    // the item of the entry stored second
    QTreeWidgetItem *second = nullptr;
    for (int i = 0; i < main->lstWorkSpace()->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = main->lstWorkSpace()->topLevelItem(i);
        if (item->text(4) == QString::number(secondOid))
            second = item;
    }
    ASSERT_TRUE(second);

    // A function runs in the stored-program runner: the pop-up offers 実行 only while that
    // window is registered.
    main->lstWorkSpace()->clearSelection();
    second->setSelected(true);
    QAction *exec = main->popWorkSpace()->findChild<QAction *>("mnuWorkSpaceExec");
    ASSERT_TRUE(exec);
    const QString runner = QString::fromLatin1(ToolWindowExecProc);
    ASSERT_FALSE(IsToolWindowRegistered(runner));
    main->popWorkSpacePopup();
    EXPECT_FALSE(exec->isEnabled());
    RegisterToolWindow(
        runner, [](ConnectionWindow *, const TToolWindowArgs &) -> QWidget * { return nullptr; });
    main->popWorkSpacePopup();
    EXPECT_TRUE(exec->isEnabled());
    RegisterToolWindow(runner, {});

    main->lstWorkSpaceEdited(second, "renamed");
    LoadWorkSpace();
    ASSERT_EQ(WorkSpaces.size(), 2);
    EXPECT_EQ(WorkSpaces.at(0), firstEntry);
    EXPECT_EQ(WorkSpaces.at(1).Title, "renamed");

    // renaming to the same title stores nothing
    const auto fileText = [this] {
        QFile file(env.store().filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray stored = fileText();
    main->lstWorkSpaceEdited(second, "renamed");
    EXPECT_EQ(fileText(), stored);

    // The pop-up's rename opens the list's own editor on the title; Enter stores what was typed.
    main->show();
    main->lstWorkSpace()->clearSelection();
    second->setSelected(true);
    main->lstWorkSpace()->setCurrentItem(second);
    main->popWorkSpace()->findChild<QAction *>("mnuWorkSpaceRename")->trigger();
    ASSERT_TRUE(main->lstWorkSpace()->IsEditing());
    auto *editor = main->lstWorkSpace()->viewport()->findChild<QLineEdit *>();
    ASSERT_TRUE(editor);
    editor->setText("typed in place");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(main->lstWorkSpace()->IsEditing());
    LoadWorkSpace();
    ASSERT_EQ(WorkSpaces.size(), 2);
    EXPECT_EQ(WorkSpaces.at(0), firstEntry);
    EXPECT_EQ(WorkSpaces.at(1).Title, "typed in place");
}

TEST_F(ServerCommands, WorkspaceFunctionMadeAnewOpensByNameWithTheMessage)
{
    TfrmObject *one = open();
    ASSERT_TRUE(one);
    showSchema(one, "lst");
    ASSERT_EQ(selectRows(one, { "ov" }, "FUNCTION"), 2);
    main->lstWorkSpaceDragDrop(one->lstObject);
    const QString oldOid = query("SELECT 'lst.ov(integer)'::regprocedure::oid");
    const QString textOid = query("SELECT 'lst.ov(text)'::regprocedure::oid");
    // one of the two is dropped and made again: a new oid
    db.exec("DROP FUNCTION lst.ov(integer);"
            "CREATE FUNCTION lst.ov(p integer) RETURNS integer LANGUAGE sql AS 'SELECT p + 1'");
    main->lstWorkSpace()->clearSelection();
    for (int i = 0; i < main->lstWorkSpace()->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = main->lstWorkSpace()->topLevelItem(i);
        if (item->text(4) == oldOid)
            item->setSelected(true);
    }
    ASSERT_EQ(main->lstWorkSpace()->selectedItems().size(), 1);
    opened.clear();
    main->OpenWorkSpaceItems(false, false, omDefine);
    EXPECT_EQ(opened.size(), 2) << "every function of the name";
    ASSERT_EQ(env.messages.texts.size(), 1);
    EXPECT_TRUE(env.messages.texts.at(0).startsWith(
        QStringLiteral("OID番号が一致するオブジェクトが見つからなかった為、")));

    // the other, unchanged, opens by its oid without a message
    env.messages.texts.clear();
    main->lstWorkSpace()->clearSelection();
    for (int i = 0; i < main->lstWorkSpace()->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = main->lstWorkSpace()->topLevelItem(i);
        if (item->text(4) == textOid)
            item->setSelected(true);
    }
    opened.clear();
    main->OpenWorkSpaceItems(false, false, omDefine);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(QString::number(opened.at(0).OID), textOid);
    EXPECT_TRUE(env.messages.texts.isEmpty());
}

TEST_F(ServerCommands, WorkspaceCancelAtTheSecondCountPromptStops)
{
    TfrmObject *one = open();
    ASSERT_TRUE(one);
    showSchema(one, "lst");
    ASSERT_EQ(selectRows(one, { "event", "event_ref", "part" }, "TABLE"), 3);
    main->lstWorkSpaceDragDrop(one->lstObject);
    ASSERT_EQ(main->lstWorkSpace()->topLevelItemCount(), 3);
    main->lstWorkSpace()->selectAll();
    int prompts = 0;
    ScopedDialogResponder answer([&](DialogRequest &request) {
        if (request.kind != DialogKind::InputQuery)
            return IDOK;
        ++prompts;
        request.value = "10";
        return prompts == 1 ? IDOK : IDCANCEL;
    });
    opened.clear();
    QAction *item = main->popWorkSpace()->findChild<QAction *>("mnuWorkSpaceOpenDataTop");
    ASSERT_TRUE(item);
    item->trigger();
    EXPECT_EQ(prompts, 2);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.at(0).DefTopRecord, 10);
    EXPECT_EQ(opened.at(0).OpenMode, omData);

    // deleting the selected entries empties the store
    main->mnuWorkSpaceDeleteClick();
    LoadWorkSpace();
    EXPECT_TRUE(WorkSpaces.isEmpty());
    EXPECT_EQ(main->lstWorkSpace()->topLevelItemCount(), 0);
}

} // namespace servercmdstest
