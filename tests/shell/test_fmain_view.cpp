// The Window and View menus: the list of child windows, tiling and minimising, the bars shown
// or hidden, and the layout that the close writes and the first paint reads back.
#include "shelltest.h"

#include "../ui/uitest.h"

#include "ui/qvhhelp.h"
#include "ui/qvstsbar.h"

#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QtEndian>

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

const QString mainKey = root + QStringLiteral("\\GUI\\MAIN");

// A tool bar's place as the layout keeps it: left, top, right, bottom, 32-bit little-endian.
QByteArray barRect(qint32 left, qint32 top, qint32 right, qint32 bottom)
{
    QByteArray data(16, Qt::Uninitialized);
    const qint32 values[4] = { left, top, right, bottom };
    for (int i = 0; i < 4; ++i)
        qToLittleEndian<qint32>(values[i], data.data() + 4 * i);
    return data;
}

void store(MainEnvironment &env, const char *name, const reg::Value &value)
{
    ASSERT_TRUE(env.store().createKey(mainKey));
    ASSERT_TRUE(env.store().setValue(mainKey, QString::fromLatin1(name), value));
}

QToolBar *bar(TfrmMain &main, const char *name)
{
    return main.findChild<QToolBar *>(QString::fromLatin1(name));
}

// Shows a main window and lets its first paint restore the layout.
void start(TfrmMain &main)
{
    ASSERT_TRUE(showActive(main));
    QTest::qWait(50);
    // The bars' places are read from the layout, which a loaded machine may not have run yet.
    main.layout()->activate();
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

TEST(MainWindowView, WorkSpaceSideAndSizeAndFloatingBarsSurviveRestarts)
{
    MainEnvironment env;
    {
        TfrmMain main;
        start(main);
        main.resize(900, 700);
        QTest::qWait(20);
        main.SetWorkSpaceAlign(3); // left
        main.SetWorkSpaceSize(150);
        bar(main, "pnlTool")->hide();
        EXPECT_TRUE(main.close());
    }
    // Between two starts the store says pnlAdmin floats and pnlNewObj shares the first row.
    store(env, "pnlAdminFloat", reg::Value::fromDWord(1));
    store(env, "pnlAdminRect", reg::Value::fromBinary(barRect(300, 200, 446, 224)));
    const std::optional<reg::Value> db = env.store().value(mainKey, "pnlDBRect");
    ASSERT_TRUE(db && db->bytes.size() == 16);
    const qint32 firstRow = qFromLittleEndian<qint32>(db->bytes.constData() + 4);
    store(env, "pnlNewObjRect",
          reg::Value::fromBinary(barRect(900, firstRow, 1200, firstRow + 24)));
    for (int restart = 0; restart < 2; ++restart) {
        SCOPED_TRACE(restart);
        TfrmMain main;
        start(main);
        EXPECT_EQ(main.size(), QSize(900, 700));
        EXPECT_EQ(main.WorkSpaceAlign(), 3);
        EXPECT_EQ(main.WorkSpaceSize(), 150);
        auto *split = main.findChild<QSplitter *>("splWorkSpace");
        EXPECT_EQ(split->orientation(), Qt::Horizontal);
        EXPECT_EQ(split->widget(0)->objectName(), "lstWorkSpace");
        EXPECT_TRUE(bar(main, "pnlTool")->isHidden());
        EXPECT_FALSE(main.findChild<QAction *>("mnuTool3")->isChecked());
        QToolBar *admin = bar(main, "pnlAdmin");
        EXPECT_TRUE(admin->isWindow());
        EXPECT_FALSE(admin->isHidden());
        EXPECT_EQ(admin->pos(), QPoint(300, 200));
        EXPECT_EQ(bar(main, "pnlNewObj")->y(), bar(main, "pnlDB")->y());
        EXPECT_GT(bar(main, "pnlNewObj")->x(), bar(main, "pnlEdit")->x());
        EXPECT_GT(bar(main, "pnlTool2")->y(), bar(main, "pnlDB")->y());
        EXPECT_TRUE(main.close());
    }
    // The reset docks the floating bar again.
    TfrmMain main;
    start(main);
    Messages yes(IDYES);
    main.findChild<QAction *>("mnuTool6")->trigger();
    EXPECT_FALSE(bar(main, "pnlAdmin")->isWindow());
    EXPECT_FALSE(bar(main, "pnlAdmin")->isHidden());
    EXPECT_FALSE(bar(main, "pnlTool")->isHidden());
    // ... and every bar is back at its fixed place: database and edit in the first row; tools,
    // administration and tools 2 in the second; new objects alone in the third.
    QTest::qWait(20);
    const auto y = [&](const char *name) { return bar(main, name)->y(); };
    const auto x = [&](const char *name) { return bar(main, name)->x(); };
    EXPECT_EQ(y("pnlEdit"), y("pnlDB"));
    EXPECT_LT(x("pnlDB"), x("pnlEdit"));
    EXPECT_GT(y("pnlTool"), y("pnlDB"));
    EXPECT_EQ(y("pnlAdmin"), y("pnlTool"));
    EXPECT_EQ(y("pnlTool2"), y("pnlTool"));
    EXPECT_LT(x("pnlTool"), x("pnlAdmin"));
    EXPECT_LT(x("pnlAdmin"), x("pnlTool2"));
    EXPECT_GT(y("pnlNewObj"), y("pnlTool"));
    EXPECT_EQ(x("pnlNewObj"), x("pnlDB"));
    // A second reset leaves everything where the first put it: no empty rows pile up.
    QList<QRect> places;
    for (const char *name : { "pnlDB", "pnlEdit", "pnlTool", "pnlAdmin", "pnlTool2", "pnlNewObj" })
        places.append(bar(main, name)->geometry());
    const QRect work = main.centralWidget()->geometry();
    main.findChild<QAction *>("mnuTool6")->trigger();
    QTest::qWait(20);
    int i = 0;
    for (const char *name : { "pnlDB", "pnlEdit", "pnlTool", "pnlAdmin", "pnlTool2", "pnlNewObj" })
        EXPECT_EQ(bar(main, name)->geometry(), places.at(i++)) << name;
    EXPECT_EQ(main.centralWidget()->geometry(), work);
}

TEST(MainWindowView, AMalformedStoredValueIsIgnoredAndTheRestRestored)
{
    MainEnvironment env;
    store(env, "Width", reg::Value::fromString("wide"));
    store(env, "Height", reg::Value::fromDWord(480));
    store(env, "pnlDBRect", reg::Value::fromBinary(QByteArray(12, 'x'))); // too short
    store(env, "pnlEditRect", reg::Value::fromDWord(7)); // not binary
    store(env, "pnlToolVisible", reg::Value::fromString("no"));
    store(env, "pnlTool2Visible", reg::Value::fromDWord(0));
    store(env, "StatusBar", reg::Value::fromDWord(0));
    store(env, "WorkSpaceAlign", reg::Value::fromDWord(1));
    store(env, "WorkSpaceSize", reg::Value::fromDWord(80));
    TfrmMain main;
    const int width = main.width();
    start(main);
    EXPECT_TRUE(env.messages.texts.isEmpty()) << env.messages.texts.join('\n').toStdString();
    EXPECT_EQ(main.width(), width);
    EXPECT_EQ(main.height(), 480);
    EXPECT_FALSE(bar(main, "pnlDB")->isHidden());
    EXPECT_FALSE(bar(main, "pnlEdit")->isHidden());
    EXPECT_FALSE(bar(main, "pnlTool")->isHidden()); // the default
    EXPECT_TRUE(bar(main, "pnlTool2")->isHidden());
    EXPECT_EQ(bar(main, "pnlEdit")->y(), bar(main, "pnlDB")->y()); // kept in their row
    EXPECT_TRUE(main.stsMain()->isHidden());
    EXPECT_EQ(main.WorkSpaceAlign(), 1);
    EXPECT_EQ(main.WorkSpaceSize(), 80);
}

TEST(MainWindowView, StoredWorkSpaceSizeIsKeptBetweenOnePixelAndHalfTheClientArea)
{
    const struct
    {
        int align;
        int stored;
        bool half; // expect half the client area instead of the stored size
    } cases[] = { { 2, 0, false },
                  { 2, -5, false },
                  { 2, 100000, true },
                  { 4, 100000, true },
                  { 4, 60, false } };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.align << " " << c.stored);
        MainEnvironment env;
        store(env, "WorkSpaceAlign", reg::Value::fromDWord(quint32(c.align)));
        store(env, "WorkSpaceSize", reg::Value::fromDWord(quint32(c.stored)));
        TfrmMain main;
        start(main);
        const QSize client = main.centralWidget()->size();
        const int half = (c.align <= 2 ? client.height() : client.width()) / 2;
        EXPECT_EQ(main.WorkSpaceSize(), c.half ? half : std::max(c.stored, 1));
    }
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
