// The main window as a user meets it, with the real connection window on a fresh database of the
// fixture server and the table editor opened from the object list: where children open and how
// a maximized one hands its state on, the captions the window system shows, and status texts
// that speak of the window in front and of a logon that failed.
#include "shelltest.h"

#include "../ui/uitest.h"

#include "browser/flogon.h"
#include "browser/fobject.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "editors/tables/ftable.h"
#include "editors/tables/tableeditors.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"
#include "ui/qvstdctl.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QWindow>

#include <array>
#include <memory>

#include <gtest/gtest.h>

using namespace shelltest;

namespace presenttest {

// The caption as the window system shows it: Qt appends the application's display name, where
// one was set, to every caption that does not already end in it (" — " between them). An unset
// display name follows the application name, which tells the two apart.
QString shownTitle(const QWidget &window)
{
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(name + QStringLiteral("#probe"));
    const bool displayNameSet
        = QGuiApplication::applicationDisplayName() != QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(name);
    const QString display = QGuiApplication::applicationDisplayName();
    const QString title = window.windowTitle();
    if (displayNameSet && !title.endsWith(display))
        return title.isEmpty() ? display : title + QStringLiteral(" \u2014 ") + display;
    return title;
}

// The main window at its default size with a connection window on a fresh database, the table
// editors registered as the program registers them.
class PresentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = AppOption;
        AppOption.KeepAliveInterval = 0;
        AppOption.UpdateToCommit = true;
        AppOption.TreeSort = 0;
        AppOption.TreeData = false;
        for (int code : m_codes)
            m_previous.append(RegisteredObjectEditor(code));
        RegisterTableEditors();
        main = std::make_unique<TfrmMain>();
        ASSERT_TRUE(showActive(*main));
        // The first paint's logon runs now, while no logon command is registered.
        QTest::qWait(50);
    }
    void TearDown() override
    {
        // The windows go before the database does.
        if (main) {
            const QList<QMdiSubWindow *> subs = main->mdiArea()->subWindowList();
            for (QMdiSubWindow *sub : subs)
                delete sub;
            main.reset();
        }
        for (int i = 0; i < int(m_codes.size()); ++i)
            RegisterObjectEditor(m_codes[i], m_previous.at(i));
        AppOption = m_saved;
    }

    TfrmObject *connect()
    {
        const testsupport::ServerInfo &s = testsupport::server();
        return TfrmObject::Create(main.get(), s.host, QString::number(s.port), db.name(),
                                  QStringLiteral("sales"), s.user, QString());
    }
    // Lists the tables of schema as a click on its TABLE node does.
    static void listTables(TfrmObject *window, const QString &schema)
    {
        QTreeWidgetItem *root = window->lstTree->topLevelItem(0);
        ASSERT_NE(root, nullptr);
        QTreeWidgetItem *node = nullptr;
        for (int i = 0; i < root->childCount() && !node; ++i)
            if (root->child(i)->text(0) == schema)
                node = root->child(i);
        ASSERT_NE(node, nullptr);
        QTreeWidgetItem *tables = nullptr;
        for (int i = 0; i < node->childCount() && !tables; ++i)
            if (node->child(i)->text(0) == QLatin1String("TABLE"))
                tables = node->child(i);
        ASSERT_NE(tables, nullptr);
        {
            const QSignalBlocker block(window->lstTree);
            window->lstTree->setCurrentItem(tables);
        }
        window->ShowObject(false);
    }
    // Opens the table of the listed row name with a double click, as the user does; the window
    // opened.
    TfrmTable *openByDoubleClick(TfrmObject *window, const QString &name)
    {
        QTreeWidget *list = window->lstObject;
        QTreeWidgetItem *row = nullptr;
        for (int i = 0; i < list->topLevelItemCount() && !row; ++i)
            if (list->topLevelItem(i)->text(0) == name)
                row = list->topLevelItem(i);
        if (!row)
            return nullptr;
        list->scrollToItem(row);
        const QPoint at = list->visualItemRect(row).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QMdiSubWindow *active = main->mdiArea()->activeSubWindow();
        return active ? qobject_cast<TfrmTable *>(active->widget()) : nullptr;
    }
    // Lets the frames and the work area's scroll bars settle, as between two user actions.
    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::processEvents();
        }
    }
    // Closes a child as its own exit command does and waits until it is gone.
    static void closeAsTheUser(QWidget *window)
    {
        QPointer<QWidget> alive(window);
        window->close();
        for (int i = 0; i < 50 && alive; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        settle();
    }
    static QMdiSubWindow *frameOf(QWidget *window)
    {
        return qobject_cast<QMdiSubWindow *>(window->parentWidget());
    }

    MainEnvironment env;
    testsupport::TestDatabase db;
    std::unique_ptr<TfrmMain> main;

private:
    TqvOption m_saved;
    const std::array<int, 4> m_codes { ObjType::Table, ObjType::Index, ObjType::Constraint,
                                       ObjType::Policy };
    QList<TObjectEditor> m_previous;
};

} // namespace presenttest

using presenttest::PresentTest;
using presenttest::shownTitle;

TEST_F(PresentTest, ChildrenOpenInsideTheWorkAreaAtTheDefaultSize)
{
    ASSERT_EQ(main->size(), QSize(852, 729));
    TfrmObject *window = connect();
    ASSERT_NE(window, nullptr);
    listTables(window, "sales");
    TfrmTable *customer = openByDoubleClick(window, "customer");
    ASSERT_NE(customer, nullptr);
    TfrmTable *orders = nullptr;
    // The second table from the list behind it: its frame takes the next step of the cascade.
    orders = openByDoubleClick(window, "orders");
    ASSERT_NE(orders, nullptr);
    settle();

    QMdiArea *area = main->mdiArea();
    const QRect inside(QPoint(0, 0), area->viewport()->size());
    for (QWidget *child : { static_cast<QWidget *>(window), static_cast<QWidget *>(customer),
                            static_cast<QWidget *>(orders) }) {
        SCOPED_TRACE(child->windowTitle().toStdString());
        const QRect frame = frameOf(child)->geometry();
        EXPECT_TRUE(inside.contains(frame))
            << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height()
            << " in " << inside.width() << "x" << inside.height();
    }
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    // The cascade: each one further down than the one before.
    EXPECT_LT(frameOf(customer)->y(), frameOf(orders)->y());
}

TEST_F(PresentTest, AMaximizedChildStaysMaximizedForTheNextOne)
{
    TfrmObject *window = connect();
    ASSERT_NE(window, nullptr);
    listTables(window, "sales");
    TfrmTable *customer = openByDoubleClick(window, "customer");
    ASSERT_NE(customer, nullptr);
    frameOf(customer)->showMaximized();
    settle();

    // The connection window to the front by its task button takes the maximized state; a table
    // opened from its list opens maximized.
    window->TaskButton()->click();
    settle();
    EXPECT_TRUE(frameOf(window)->isMaximized());
    TfrmTable *orders = openByDoubleClick(window, "orders");
    ASSERT_NE(orders, nullptr);
    settle();
    EXPECT_TRUE(frameOf(orders)->isMaximized());

    // The editor's own exit: the window that comes to the front, the connection window, takes
    // the maximized state.
    closeAsTheUser(orders);
    QMdiSubWindow *front = main->mdiArea()->activeSubWindow();
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->widget(), window);
    EXPECT_TRUE(front->isMaximized());
    // The same through the other editor, brought to the front by its task button.
    customer->TaskButton()->click();
    settle();
    EXPECT_TRUE(frameOf(customer)->isMaximized());
    closeAsTheUser(customer);
    front = main->mdiArea()->activeSubWindow();
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->widget(), window);
    EXPECT_TRUE(front->isMaximized());

    // Restored, it hands on the normal state.
    front->showNormal();
    settle();
    TfrmTable *again = openByDoubleClick(window, "orders");
    ASSERT_NE(again, nullptr);
    settle();
    EXPECT_FALSE(frameOf(again)->isMaximized());
}

TEST_F(PresentTest, CaptionsNameTheProgramOnceAndTheSocketFolderWithoutADoubledSlash)
{
    const testsupport::ServerInfo &s = testsupport::server();
    ASSERT_TRUE(s.host.startsWith('/'));
    TfrmObject *window = connect();
    ASSERT_NE(window, nullptr);
    const QString key = s.user + QStringLiteral(" @ ") + db.name() + s.host + QStringLiteral(":")
        + QString::number(s.port);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("オブジェクトリスト - ") + key);
    EXPECT_EQ(main->cmbDBName()->currentText(), key);

    // A maximized child's caption joins the program's: the name stands once.
    EXPECT_EQ(shownTitle(*main), "Corvane for Postgres");
    listTables(window, "sales");
    TfrmTable *customer = openByDoubleClick(window, "customer");
    ASSERT_NE(customer, nullptr);
    EXPECT_FALSE(customer->windowTitle().contains(QStringLiteral("//")))
        << customer->windowTitle().toStdString();
    frameOf(customer)->showMaximized();
    settle();
    const QString title = shownTitle(*main);
    EXPECT_EQ(title,
              QStringLiteral("Corvane for Postgres - [") + customer->windowTitle()
                  + QStringLiteral("]"));
    EXPECT_EQ(title.count(QStringLiteral("Corvane for Postgres")), 1) << title.toStdString();

    // The logon dialog, opened by the logon command: "ログオン" and nothing more.
    RegisterMainCommand(
        "actDBLogon",
        { [](ConnectionWindow *) { TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false); }, {} });
    QString logonTitle;
    whenModal([&](QWidget *modal) {
        logonTitle = shownTitle(*modal);
        static_cast<TfrmLogon *>(modal)->btnCancel->click();
    });
    main->action("actDBLogon")->trigger();
    UnregisterMainCommand("actDBLogon");
    EXPECT_EQ(logonTitle, QStringLiteral("ログオン"));
}

TEST_F(PresentTest, TheStatusTextSpeaksOfTheWindowInFront)
{
    TfrmObject *window = connect();
    ASSERT_NE(window, nullptr);
    listTables(window, "sales");
    main->SetDefMessage();
    const QString count = main->MessageText();
    EXPECT_TRUE(count.endsWith(QStringLiteral("個のオブジェクトがあります。")))
        << count.toStdString();

    TfrmTable *customer = openByDoubleClick(window, "customer");
    ASSERT_NE(customer, nullptr);
    EXPECT_EQ(main->MessageText(), QString());

    // The connection window in front again, by its task button: its count comes back.
    window->TaskButton()->click();
    EXPECT_EQ(main->mdiArea()->activeSubWindow()->widget(), window);
    EXPECT_EQ(main->MessageText(), count);
    // And the editor's button takes it away again.
    customer->TaskButton()->click();
    EXPECT_EQ(main->MessageText(), QString());
}

TEST_F(PresentTest, AFailedLogonLeavesNoConnectingText)
{
    // Without a connection the panel is empty afterwards; with one, it shows that one's count.
    for (const bool withConnection : { false, true }) {
        SCOPED_TRACE(withConnection ? "with a connection open" : "without a connection");
        TfrmObject *window = withConnection ? connect() : nullptr;
        if (withConnection) {
            ASSERT_NE(window, nullptr);
            listTables(window, "sales");
        }
        RegisterMainCommand(
            "actDBLogon",
            { [](ConnectionWindow *) { TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false); },
              {} });
        const testsupport::ServerInfo &s = testsupport::server();
        int dialogs = 0;
        QString duringMessage;
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<TfrmLogon *>(modal);
            ASSERT_NE(dialog, nullptr);
            ++dialogs;
            dialog->txtUserID->setText(s.user);
            dialog->txtHost->setText(s.host);
            dialog->txtPort->setText(QString::number(s.port));
            dialog->txtDatabase->setText(testsupport::uniqueName("nosuchdb"));
            // The failure's message, then the dialog again: the user gives up.
            whenModal([&](QWidget *again) {
                ++dialogs;
                duringMessage = main->MessageText();
                static_cast<TfrmLogon *>(again)->btnCancel->click();
            });
            dialog->btnOk->click();
        });
        main->action("actDBLogon")->trigger();
        UnregisterMainCommand("actDBLogon");
        EXPECT_EQ(dialogs, 2);
        ASSERT_EQ(env.messages.texts.size(), 1);
        env.messages.texts.clear();
        const QString expected = withConnection
            ? QString::number(window->lstObject->topLevelItemCount())
                + QStringLiteral("個のオブジェクトがあります。")
            : QString();
        EXPECT_EQ(duringMessage, expected);
        EXPECT_EQ(main->MessageText(), expected);
    }
}
