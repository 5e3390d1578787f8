// The main window's services to the other windows: window lookup, the connection of a key,
// status texts, activation of children, the application messages, the task bar's pop-up; and
// its start and its close.
#include "shelltest.h"

#include "../ui/uitest.h"

#include "core/qvencoding.h"
#include "ui/qvctlopt.h"
#include "ui/qvstsbar.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QThread>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace shelltest;

namespace windowstest {

class ToolWindow : public TqvForm
{
    Q_OBJECT
public:
    explicit ToolWindow(QObject *owner, const QString &caption)
        : TqvForm(owner, false)
    {
        setWindowTitle(caption);
        resize(200, 150);
    }
    void DBChange(QObject *) override { ++dbChanges; }
    void Reload(QObject *) override { ++reloads; }
    int dbChanges = 0;
    int reloads = 0;
};

class TableWindow : public ToolWindow
{
    Q_OBJECT
public:
    using ToolWindow::ToolWindow;
};

class OtherWindow : public TqvForm
{
    Q_OBJECT
public:
    explicit OtherWindow(QObject *owner, const QString &caption)
        : TqvForm(owner, false)
    {
        setWindowTitle(caption);
    }
};

// Counts the paints of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace windowstest

using namespace windowstest;

TEST(MainWindowLookup, FindWindowByClassAndExactCaption)
{
    MainEnvironment env;
    TfrmMain main;
    auto *tool = new ToolWindow(&main, "テーブル : public.emp");
    auto *table = new TableWindow(&main, "テーブル : public.dept");
    auto *other = new OtherWindow(&main, "テーブル : public.emp");
    for (QWidget *w : { static_cast<QWidget *>(tool), static_cast<QWidget *>(table),
                        static_cast<QWidget *>(other) })
        main.ShowChildWindow(w);
    ASSERT_EQ(main.mdiArea()->activeSubWindow()->widget(), other);

    // a derived class is found for its base; the caption compares with case
    EXPECT_EQ(main.FindWindow<ToolWindow>("テーブル : public.dept", false), table);
    EXPECT_EQ(main.FindWindow<TableWindow>("テーブル : public.emp", false), nullptr);
    EXPECT_EQ(main.FindWindow<ToolWindow>("テーブル : PUBLIC.emp", false), nullptr);
    EXPECT_EQ(main.FindWindow<ToolWindow>("テーブル : public.emp", false), tool);
    EXPECT_EQ(main.FindWindow<OtherWindow>("テーブル : public.emp", false), other);
    EXPECT_EQ(main.FindWindow(&TqvForm::staticMetaObject, "none", false), nullptr);
    // not shown: the front window stays
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), other);
    EXPECT_EQ(main.FindWindow<ToolWindow>("テーブル : public.emp", true), tool);
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), tool);
    EXPECT_EQ(main.MDIChildren().first(), tool); // the front-most first
    // the same lookup for the windows below the shell
    EXPECT_EQ(mainWindowServices()->FindWindow(&ToolWindow::staticMetaObject,
                                               "テーブル : public.dept", false),
              table);
}

TEST(MainWindowLookup, GetDBFormByConnectionKey)
{
    MainEnvironment env;
    TfrmMain main;
    EXPECT_EQ(main.GetDBForm("alice @ sales/dbhost:5432"), nullptr);
    FakeConnectionWindow a1("sales", 150000);
    FakeConnectionWindow b("stock", 150000);
    FakeConnectionWindow a2("sales", 150000); // the same key as a1
    main.ShowChildWindow(&a1);
    main.ShowChildWindow(&b);
    main.ShowChildWindow(&a2);
    main.AddConnection(&a1);
    main.AddConnection(&b);
    main.AddConnection(&a2);

    EXPECT_EQ(ConnectionKey(a1), "alice @ sales/dbhost:5432");
    // the current window when it has the key
    main.SelectConnection(ConnectionKey(b));
    EXPECT_EQ(main.CurrentForm(), &b);
    EXPECT_EQ(main.GetDBForm("alice @ stock/dbhost:5432"), &b);
    // else the window nearest the end of the children: the back-most one
    main.ShowChildWindow(&a2);
    main.ShowChildWindow(&b);
    EXPECT_EQ(main.MDIChildren().last(), &a1);
    EXPECT_EQ(main.GetDBForm("alice @ sales/dbhost:5432"), &a1);
    EXPECT_EQ(main.GetDBForm("alice @ SALES/dbhost:5432"), nullptr);
    EXPECT_EQ(main.GetDBForm("bob @ sales/dbhost:5432"), nullptr);
    // the connection windows as the reload sees them, in child order
    EXPECT_EQ(main.connectionWindows().size(), 3);
    main.RemoveConnection(&a1);
    main.RemoveConnection(&b);
    main.RemoveConnection(&a2);
}

TEST(MainWindowMessages, LoopAndSummaryTexts)
{
    MainEnvironment env;
    TfrmMain main;
    const struct
    {
        int now;
        int max;
        const char *text;
    } loops[] = {
        { 0, 0, " [ESC]キーを押すと処理を中断" },
        { 0, 10, "0 / 10 [ESC]キーを押すと処理を中断" },
        { 5, 0, "5件処理中... [ESC]キーを押すと処理を中断" },
        { 5, -1, "5件処理中... [ESC]キーを押すと処理を中断" },
        { 1234, 5678, "1234 / 5678 [ESC]キーを押すと処理を中断" },
    };
    for (const auto &loop : loops) {
        main.SetLoopMessage(loop.now, loop.max);
        EXPECT_EQ(main.MessageText(), QString::fromUtf8(loop.text));
        EXPECT_EQ(main.stsMain()->PanelText(2), main.MessageText());
    }
    // the same texts for the windows below the shell
    mainWindowServices()->SetLoopMessage(7, 8);
    EXPECT_EQ(main.MessageText(), "7 / 8 [ESC]キーを押すと処理を中断");
    main.SetLoopMessage(1234, 5678);
    // Without a connection the summary leaves the last text.
    main.SetDefMessage();
    EXPECT_EQ(main.MessageText(), "1234 / 5678 [ESC]キーを押すと処理を中断");
    FakeConnectionWindow db("sales", 150000);
    main.AddConnection(&db);
    db.objects = 12;
    main.SetDefMessage();
    EXPECT_EQ(main.MessageText(), "12個のオブジェクトがあります。");
    db.selected = 3;
    main.SetDefMessage();
    EXPECT_EQ(main.MessageText(), "12個中 3個のオブジェクトを選択中。");
    main.RemoveConnection(&db);
}

TEST(MainWindowMessages, LoopTextPaintsAtOnceButNotMoreThanEvery50ms)
{
    MainEnvironment env;
    TfrmMain main;
    ASSERT_TRUE(showActive(main));
    QTest::qWait(100);
    auto *panel = main.stsMain()->findChild<QLabel *>("Panel2");
    ASSERT_NE(panel, nullptr);
    PaintCounter counter;
    panel->installEventFilter(&counter);

    // Whether a call painted the panel before it returned.
    auto paintedBy = [&](int now, int max) {
        const int before = counter.paints;
        main.SetLoopMessage(now, max);
        return counter.paints > before;
    };
    EXPECT_TRUE(paintedBy(1, 100)); // the first text paints at once, inside the loop
    QElapsedTimer clock;
    clock.start();
    int painting = 0;
    for (int i = 2; i <= 2000; ++i)
        painting += paintedBy(i, 2000);
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(panel->text(), "2000 / 2000 [ESC]キーを押すと処理を中断");
    EXPECT_LE(painting, elapsed / 50 + 1);
    QThread::msleep(60);
    EXPECT_TRUE(paintedBy(1, 1));
    panel->removeEventFilter(&counter);
}

TEST(MainWindowWindows, ActivatingAChildSelectsItsConnectionWithoutRegating)
{
    MainEnvironment env;
    TfrmMain main;
    FakeConnectionWindow plain("plain", 100000);
    FakeConnectionWindow edb("edb", 110000, true);
    main.AddConnection(&plain);
    auto *tool = new ToolWindow(&plain, "SQL - plain");
    main.AddConnection(&edb);
    ASSERT_EQ(main.CurrentForm(), &edb);
    main.ShowChildWindow(tool);
    EXPECT_EQ(main.CurrentForm(), &plain);
    main.RemoveConnection(&edb);
    main.RemoveConnection(&plain);
}

TEST(MainWindowWindows, MessagesOneAndTwoReachTheWindowsBeforeTheyReturn)
{
    MainEnvironment env;
    TfrmMain main;
    QList<FakeConnectionWindow *> order;
    FakeConnectionWindow a("a", 150000);
    FakeConnectionWindow b("b", 150000);
    a.reloadOrder = &order;
    b.reloadOrder = &order;
    main.ShowChildWindow(&a);
    main.ShowChildWindow(&b);
    auto *tool = new ToolWindow(&main, "tool");
    main.ShowChildWindow(tool);

    BroadcastAppMessage(QvMsgConnectionListChanged);
    EXPECT_EQ(tool->dbChanges, 1);
    RefreshObjectWindows();
    EXPECT_EQ(order, QList<FakeConnectionWindow *>({ &b, &a })); // front-most first
    EXPECT_EQ(tool->reloads, 0);

    // F5 reloads the active window
    main.findChild<QAction *>("mnuReload")->trigger();
    EXPECT_EQ(tool->reloads, 1);
}

TEST(MainWindowWindows, TaskPopupBringsTheButtonsWindowForwardAndClosesIt)
{
    MainEnvironment env;
    TfrmMain main;
    ASSERT_TRUE(showActive(main));
    auto *first = new ToolWindow(&main, "first");
    first->CreateTaskButton();
    main.ShowChildWindow(first);
    auto *second = new ToolWindow(&main, "second");
    second->CreateTaskButton();
    main.ShowChildWindow(second);
    ASSERT_EQ(main.mdiArea()->activeSubWindow()->widget(), second);
    QTest::qWait(50);

    QToolButton *button = first->TaskButton();
    const QPoint pos = button->geometry().center();
    main.popTaskPopup(pos);
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), first);
    main.popTask()->hide();
    QPointer<ToolWindow> gone(first);
    main.popTask()->actions().first()->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(main.MDIChildren(), QList<QWidget *>({ second }));

    // the empty part of the bar activates nothing; "閉じる" closes the active window
    main.popTaskPopup(QPoint(main.tolTask()->width() - 2, 2));
    main.popTask()->hide();
    main.mnuCloseWindowClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main.MDIChildren().isEmpty());
}

TEST(MainWindowStart, OptionsHistoryIndexAndWorkbookType)
{
    MainEnvironment env;
    const QString temp = env.dataDir() + "temp/";
    QDir().mkpath(temp);
    SaveStringsToFile(temp + "SQLLOG.IDX", { "SQLLOG1.SQL", "SQLLOG2.SQL" }, GetFileEncoding());
    ASSERT_TRUE(env.store().createKey(root));
    env.store().setValue(root, "DefTopRecord", reg::Value::fromDWord(77));
    SQLLogList = QStringList({ "stale" });

    TfrmMain main;
    EXPECT_EQ(main.windowTitle(), "Corvane for Postgres");
    EXPECT_EQ(ApplicationTitle(), "Corvane for Postgres");
    EXPECT_EQ(AppOption.DefTopRecord, 77);
    EXPECT_EQ(AppOption.TempDir, temp);
    EXPECT_EQ(SQLLogList, QStringList({ "SQLLOG1.SQL", "SQLLOG2.SQL" }));
    EXPECT_EQ(AppOption.ExcelExt, ".XLSX");
    EXPECT_EQ(ExcelFilter, "Excelファイル(*.xlsx)|*.xlsx");
    EXPECT_EQ(SharedEditorPopup(), main.popEditor());
    EXPECT_EQ(mainWindowServices(), &main);
    // the message panel and its neighbours
    EXPECT_EQ(main.stsMain()->PanelCount(), 3);
    EXPECT_TRUE(env.messages.texts.isEmpty());
}

TEST(MainWindowStart, MissingHistoryIndexStartsEmpty)
{
    MainEnvironment env;
    SQLLogList = QStringList({ "stale" });
    TfrmMain main;
    EXPECT_TRUE(SQLLogList.isEmpty());
}

TEST(MainWindowStart, FirstPaintRunsTheLogonOnce)
{
    MainEnvironment env;
    int logons = 0;
    RegisterMainCommand("actDBLogon", { [&](ConnectionWindow *) { ++logons; }, {} });
    {
        TfrmMain main;
        ASSERT_TRUE(showActive(main));
        QTest::qWait(50);
        EXPECT_EQ(logons, 1);
        main.repaint();
        main.hide();
        main.show();
        QTest::qWait(50);
        EXPECT_EQ(logons, 1);
    }
    UnregisterMainCommand("actDBLogon");
}

TEST(MainWindowStart, HomePageItemsOnlyForAddresses)
{
    MainEnvironment env;
    TfrmMain main;
    auto *homePage = main.findChild<QMenu *>("mnuHelpHomePage");
    EXPECT_TRUE(homePage->actions().isEmpty());
    main.SetHomePage({ "", "https://example.org/tips", "https://example.org/faq" });
    QStringList names;
    for (QAction *item : homePage->actions())
        names << item->objectName();
    EXPECT_EQ(names, QStringList({ "actHelpHomePageTech", "actHelpHomePageFAQ" }));
    main.SetHomePage({ "", "", "" });
    EXPECT_TRUE(homePage->actions().isEmpty());
}

TEST(MainWindowStart, MenuBarCarriesTheBarColourToItsRightEnd)
{
    MainEnvironment env;
    TfrmMain main;
    ASSERT_TRUE(showActive(main));
    QTest::qWait(50);
    const QColor bar(0xC7, 0xD9, 0xEB);
    const QImage menu = main.menuBar()->grab().toImage();
    const int y = menu.height() / 2;
    EXPECT_EQ(QColor(menu.pixel(menu.width() - 3, y)), bar);
    // beside the Help item, to the right of every item
    const QRect help = main.menuBar()->actionGeometry(main.menuBar()->actions().last());
    EXPECT_EQ(QColor(menu.pixel(help.right() + 4, y)), bar);
    // the tool-bar area beside the new-object bar
    const QToolBar *newObj = main.findChild<QToolBar *>("pnlNewObj");
    const QImage window = main.grab().toImage();
    EXPECT_EQ(QColor(window.pixel(window.width() - 4, newObj->geometry().center().y())), bar);
}

TEST(MainWindowClose, WritesOptionsLayoutAndHistoryIndex)
{
    MainEnvironment env;
    {
        TfrmMain main;
        main.show();
        AppOption.DefTopRecord = 321;
        SQLLogList = QStringList({ "SQLLOG1.SQL" });
        EXPECT_TRUE(main.close());
    }
    EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join('\n').toStdString();
    reg::SettingsStore store(env.store().filePath());
    EXPECT_EQ(store.value(root, "DefTopRecord")->dword, 321u);
    EXPECT_TRUE(store.value(root + "\\GUI\\MAIN", "WindowState").has_value());
    EXPECT_TRUE(store.value(root + "\\GUI\\MAIN", "pnlNewObjVisible").has_value());
    // the temporary folder is made when it is missing
    const QString index = env.dataDir() + "temp/SQLLOG.IDX";
    ASSERT_TRUE(QFile::exists(index));
    EXPECT_EQ(LoadStringsFromFile(index, GetFileEncoding()), QStringList({ "SQLLOG1.SQL" }));
}

TEST(MainWindowClose, AFailedHistorySaveKeepsTheOptionsAndIsReported)
{
    MainEnvironment env;
    {
        TfrmMain main;
        // A file stands where the temporary folder should be made.
        QFile blocker(env.dataDir() + "blocker");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        AppOption.TempDir = env.dataDir() + "blocker/temp/";
        AppOption.DefTopRecord = 55;
        EXPECT_TRUE(main.close());
    }
    reg::SettingsStore store(env.store().filePath());
    EXPECT_EQ(store.value(root, "DefTopRecord")->dword, 55u);
    ASSERT_EQ(env.messages.texts.size(), 1);
    EXPECT_TRUE(env.messages.texts.first().contains("SQL履歴の保存"));
}

TEST(MainWindowClose, AFailedSettingsSaveKeepsTheHistoryIndexAndIsReported)
{
    MainEnvironment env;
    const QString settings = env.store().filePath();
    {
        TfrmMain main;
        SQLLogList = QStringList({ "SQLLOG9.SQL" });
        // The settings folder becomes a file: neither layout nor options can be written.
        const QString folder = QFileInfo(settings).absolutePath();
        QDir(folder).removeRecursively();
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        EXPECT_TRUE(main.close());
        QFile::remove(folder);
    }
    const QString index = env.dataDir() + "temp/SQLLOG.IDX";
    ASSERT_TRUE(QFile::exists(index));
    EXPECT_EQ(LoadStringsFromFile(index, GetFileEncoding()), QStringList({ "SQLLOG9.SQL" }));
    ASSERT_EQ(env.messages.texts.size(), 1);
    EXPECT_TRUE(env.messages.texts.first().contains("オプションの保存"));
    EXPECT_TRUE(env.messages.texts.first().contains("ウィンドウ配置の保存"));
}

TEST(MainWindowClose, EveryShutdownStepRunsAndOnlyRealFailuresAreReported)
{
    QStringList ran;
    const QStringList failures = RunShutdownSteps({
        { "one",
          [&] {
              ran << "one";
              throw std::runtime_error("disk full");
          } },
        { "two",
          [&] {
              ran << "two";
              throw SilentAbort();
          } },
        { "three", [&] { ran << "three"; } },
    });
    EXPECT_EQ(ran, QStringList({ "one", "two", "three" }));
    EXPECT_EQ(failures, QStringList({ "one: disk full" }));
}

TEST(MainWindowClose, StopsWhenAConnectionWindowOrAModifiedWindowRefuses)
{
    MainEnvironment env;
    TfrmMain main;
    main.show();
    auto *db = new FakeConnectionWindow("sales", 150000);
    main.ShowChildWindow(db);
    main.AddConnection(db);
    db->refuseClose = true;
    EXPECT_FALSE(main.close());
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(env.store().value(root + "\\GUI\\MAIN", "WindowState").has_value());

    // a modified window whose user answers Cancel
    db->refuseClose = false;
    auto *editor = new ToolWindow(&main, "edited");
    main.ShowChildWindow(editor);
    editor->setModified(true);
    {
        Messages cancel(IDCANCEL);
        EXPECT_FALSE(main.close());
        EXPECT_EQ(cancel.texts, QStringList({ "情報が変更されています。コンパイルしますか？" }));
    }
    EXPECT_EQ(main.MDIChildren().size(), 2);
    editor->setModified(false);
    EXPECT_TRUE(main.close());
    EXPECT_FALSE(main.isVisible());
}

#include "test_fmain_windows.moc"
