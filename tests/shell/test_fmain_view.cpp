// The Window and View menus: the list of child windows, tiling and minimising, the bars shown
// or hidden, and the layout that the close writes and the first paint reads back.
#include "shelltest.h"

#include "../ui/uitest.h"

#include "ui/qvhhelp.h"
#include "ui/qvstsbar.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace shelltest;

namespace viewtest {

QWidget *child(TfrmMain &main, const QString &title)
{
    auto *window = new QWidget;
    window->setWindowTitle(title);
    window->resize(200, 120);
    main.ShowChildWindow(window);
    return window;
}

QMdiSubWindow *frameOf(QWidget *window)
{
    return qobject_cast<QMdiSubWindow *>(window->parentWidget());
}

} // namespace viewtest

using namespace viewtest;

TEST(MainWindowView, WindowMenuListsTheChildrenAndTheWindowCommandsNeedOne)
{
    MainEnvironment env;
    TfrmMain main;
    ASSERT_TRUE(showActive(main));
    auto *menu = main.findChild<QMenu *>("mnuWindow");
    Q_EMIT menu->aboutToShow();
    EXPECT_EQ(menu->actions().size(), 6); // the fixed items only
    EXPECT_FALSE(main.action("actWindowCascade")->isEnabled());
    EXPECT_FALSE(main.action("actWindowClose")->isEnabled());

    QWidget *first = child(main, "first");
    QWidget *second = child(main, "second");
    Q_EMIT menu->aboutToShow();
    const QList<QAction *> items = menu->actions();
    ASSERT_EQ(items.size(), 9);
    EXPECT_TRUE(items.at(6)->isSeparator());
    EXPECT_EQ(items.at(7)->text(), "&1 first");
    EXPECT_EQ(items.at(8)->text(), "&2 second");
    EXPECT_FALSE(items.at(7)->isChecked());
    EXPECT_TRUE(items.at(8)->isChecked());
    EXPECT_TRUE(main.action("actWindowCascade")->isEnabled());
    items.at(7)->trigger();
    EXPECT_EQ(main.mdiArea()->activeSubWindow()->widget(), first);
    // opening again lists them anew, without doubles
    Q_EMIT menu->aboutToShow();
    EXPECT_EQ(menu->actions().size(), 9);

    const QRect area = main.mdiArea()->viewport()->rect();
    main.action("actWindowTileH")->trigger();
    EXPECT_EQ(frameOf(first)->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(frameOf(second)->geometry().top(), area.height() / 2);
    main.action("actWindowTileV")->trigger();
    EXPECT_EQ(frameOf(first)->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(frameOf(second)->geometry().left(), area.width() / 2);
    main.action("actWindowMinimizeAll")->trigger();
    EXPECT_TRUE(frameOf(first)->isMinimized());
    EXPECT_TRUE(frameOf(second)->isMinimized());

    main.action("actWindowClose")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main.MDIChildren().size(), 1);
}

TEST(MainWindowView, BarsShownAndHiddenFromTheViewMenu)
{
    MainEnvironment env;
    TfrmMain main;
    ASSERT_TRUE(showActive(main));
    const struct
    {
        const char *item;
        const char *bar;
    } bars[]
        = { { "mnuTool1", "pnlDB" },    { "mnuTool2", "pnlEdit" },   { "mnuTool3", "pnlTool" },
            { "mnuTool4", "pnlAdmin" }, { "mnuTool5", "pnlNewObj" }, { "mnuTool7", "pnlTool2" } };
    for (const auto &b : bars) {
        SCOPED_TRACE(b.item);
        auto *item = main.findChild<QAction *>(b.item);
        auto *bar = main.findChild<QToolBar *>(b.bar);
        ASSERT_TRUE(item->isChecked());
        item->trigger();
        EXPECT_TRUE(bar->isHidden());
        item->trigger();
        EXPECT_FALSE(bar->isHidden());
    }
    // the reset asks first; No changes nothing, Yes shows every bar again
    main.findChild<QToolBar *>("pnlAdmin")->hide();
    {
        Messages no(IDNO);
        main.findChild<QAction *>("mnuTool6")->trigger();
        EXPECT_EQ(no.texts, QStringList({ "ツールバーの位置を初期化します。よろしいですか？" }));
        EXPECT_TRUE(main.findChild<QToolBar *>("pnlAdmin")->isHidden());
    }
    {
        Messages yes(IDYES);
        main.findChild<QAction *>("mnuTool6")->trigger();
        EXPECT_FALSE(main.findChild<QToolBar *>("pnlAdmin")->isHidden());
        EXPECT_FALSE(main.findChild<QAction *>("mnuTool6")->isChecked());
    }

    // Task bar, status bar and workspace list; the View menu's marks follow them when it opens.
    main.findChild<QAction *>("mnuTaskBar")->trigger();
    EXPECT_TRUE(main.findChild<QWidget *>("scrTask")->isHidden());
    main.findChild<QAction *>("mnuStsbar")->trigger();
    EXPECT_TRUE(main.stsMain()->isHidden());
    main.findChild<QWidget *>("lstWorkSpace")->hide();
    Q_EMIT main.findChild<QMenu *>("mnuDisplay")->aboutToShow();
    EXPECT_FALSE(main.findChild<QAction *>("mnuWorkSpace")->isChecked());
    EXPECT_FALSE(main.findChild<QAction *>("mnuDispList")->isEnabled()); // no connection
    EXPECT_FALSE(main.findChild<QAction *>("mnuReload")->isEnabled());
}

TEST(MainWindowView, ObjectListStyleGoesToEveryConnectionWindow)
{
    MainEnvironment env;
    TfrmMain main;
    FakeConnectionWindow a("a", 150000);
    FakeConnectionWindow b("b", 150000);
    main.AddConnection(&a);
    main.AddConnection(&b);
    main.findChild<QAction *>("mnuDispList")->trigger();
    EXPECT_EQ(a.listStyle, 2);
    EXPECT_EQ(b.listStyle, 2);
    main.findChild<QAction *>("mnuDispReport")->trigger();
    EXPECT_EQ(a.listStyle, 3);
    EXPECT_TRUE(main.findChild<QAction *>("mnuDispReport")->isChecked());
    main.RemoveConnection(&a);
    main.RemoveConnection(&b);
}

TEST(MainWindowView, LayoutWrittenAtCloseIsReadOnTheNextStart)
{
    MainEnvironment env;
    {
        TfrmMain main;
        ASSERT_TRUE(showActive(main));
        main.resize(700, 500);
        main.findChild<QToolBar *>("pnlTool2")->hide();
        main.stsMain()->hide();
        EXPECT_TRUE(main.close());
    }
    TfrmMain main;
    ASSERT_TRUE(showActive(main));
    QTest::qWait(50); // the first paint reads the layout
    EXPECT_EQ(main.size(), QSize(700, 500));
    EXPECT_TRUE(main.findChild<QToolBar *>("pnlTool2")->isHidden());
    EXPECT_FALSE(main.findChild<QToolBar *>("pnlTool")->isHidden());
    EXPECT_TRUE(main.stsMain()->isHidden());
    EXPECT_FALSE(main.findChild<QAction *>("mnuStsbar")->isChecked());
    EXPECT_FALSE(main.findChild<QAction *>("mnuTool7")->isChecked());
}

TEST(MainWindowView, HelpContentsAndSupportWindowFromTheHelpMenu)
{
    MainEnvironment env;
    TfrmMain main;
    ASSERT_TRUE(showActive(main));
    QList<QUrl> opened;
    const THelpOpener previous = setHelpOpener([&](const QUrl &url) {
        opened << url;
        return true;
    });
    ASSERT_TRUE(main.action("actHelp")->isEnabled());
    main.action("actHelp")->trigger();
    setHelpOpener(previous);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.first().toString().contains("index.html"))
        << opened.first().toString().toStdString();

    ASSERT_TRUE(main.action("actHelpSupport")->isEnabled());
    QString shown;
    whenModal([&](QWidget *dialog) {
        shown = dialog->objectName();
        dialog->close();
    });
    main.action("actHelpSupport")->trigger();
    EXPECT_EQ(shown, "frmSupport");
    EXPECT_TRUE(env.messages.texts.isEmpty());
}
