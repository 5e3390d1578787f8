// Closing a connection window: the windows it owns are asked first, its state is written, the
// object copy list keeps other windows' entries, and background workers end before their
// sessions close.
#include "browsertest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvreg.h"
#include "platform/pg/connection.h"
#include "ui/qvforms.h"

#include <QElapsedTimer>
#include <QSplitter>
#include <QThread>

#include <atomic>

#include <gtest/gtest.h>

using browsertest::BrowserTest;

namespace closetest {

TEST_F(BrowserTest, ClosingOneWindowKeepsTheOthersCopiedObjects)
{
    TfrmObject *first = open("sales");
    TfrmObject *second = open("inv");
    ASSERT_TRUE(first && second);
    TCopyObjectList table;
    table.FSchema = "inv";
    table.FObjectName = "item";
    table.FObjectType = 45;
    TCopyObjectList function;
    function.FSchema = "inv";
    function.FObjectName = "price_of";
    function.FObjectType = 52;
    function.FObjectOID = 4711;
    SetCopyObjectList(second, { table, function });

    closeWindow(first);
    ASSERT_EQ(CopyObjectList().size(), 2);
    EXPECT_EQ(CopyObjectList().at(1).FObjectOID, 4711u);

    closeWindow(second);
    EXPECT_TRUE(CopyObjectList().isEmpty());
}

// A definition window of the connection that its user does not let go keeps the connection
// window open.
class OwnedForm : public TqvForm
{
public:
    explicit OwnedForm(TfrmObject *owner)
        : TqvForm(owner)
    { }
};

TEST_F(BrowserTest, ModifiedOwnedWindowCanKeepTheConnectionOpen)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    auto *owned = CreateForm<OwnedForm>(window);
    ASSERT_NE(owned, nullptr);
    ShowForm(owned);
    EXPECT_EQ(owned->OwnerForm(), window);
    owned->setModified(true);
    int asked = 0;
    {
        ScopedDialogResponder responder([&asked](DialogRequest &) {
            ++asked;
            return IDCANCEL;
        });
        window->close();
    }
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(window->dbsMain()->isOpen());
    EXPECT_EQ(main.selector()->count(), 1);

    QPointer<OwnedForm> ownedAlive(owned);
    {
        ScopedDialogResponder responder([](DialogRequest &) { return IDNO; });
        closeWindow(window);
    }
    for (int i = 0; i < 10 && ownedAlive; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(ownedAlive.isNull());
    EXPECT_EQ(main.selector()->count(), 0);
}

TEST_F(BrowserTest, CloseWritesWindowStateAndTreeChoice)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    window->Disp = 2;
    window->spl1->setSizes({ 150, 400 });
    closeWindow(window);
    TqvRegistry &reg = *AppRegistry;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quorlane\\QVR22\\GUI\\OBJECT", false));
    EXPECT_EQ(reg.GetInteger("TreeWidth", 0), 150);
    EXPECT_EQ(reg.GetInteger("WindowState", -1), 0);
    EXPECT_GT(reg.GetInteger("Width", 0), 0);
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quorlane\\QVR22\\OBJECTTREE\\" + db.name(), false));
    EXPECT_EQ(reg.GetInteger("Disp", -1), 2);
    reg.CloseKey();

    // the next window of that database starts from them
    TfrmObject *again = open();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Disp, 2);
    EXPECT_EQ(again->spl1->sizes().value(0), 150);
}

// A worker blocked in a long statement on a background session.
class SleepingWorker : public QThread
{
public:
    explicit SleepingWorker(pg::Connection *session)
        : m_session(session)
    { }
    std::atomic<bool> started { false };
    std::atomic<bool> cancelled { false };

protected:
    void run() override
    {
        started = true;
        try {
            m_session->exec("SELECT pg_sleep(60)");
        } catch (const pg::Error &e) {
            cancelled = e.isCancelled();
        }
    }

private:
    pg::Connection *m_session;
};

TEST_F(BrowserTest, CloseStopsBackgroundWorkersBeforeTheirSessions)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    pg::Connection *bg = window->dbsBG();
    for (const char *name : { "Server", "Port", "Database", "User_Name" })
        bg->setParam(name, window->dbsMain()->param(name));
    bg->open();
    const int pid = bg->backendPid();
    SleepingWorker worker(bg);
    window->RegisterBackgroundWorker(&worker);
    worker.start();
    // wait until the statement runs on the server
    QElapsedTimer waited;
    waited.start();
    const QString running = QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = %1 "
                                           "AND query LIKE 'SELECT pg_sleep%'")
                                .arg(pid);
    while (query(running) != "1" && waited.elapsed() < 5000)
        QThread::msleep(50);
    ASSERT_EQ(query(running), "1");

    QElapsedTimer closing;
    closing.start();
    closeWindow(window);
    EXPECT_LT(closing.elapsed(), 10000);
    EXPECT_TRUE(worker.isFinished());
    EXPECT_TRUE(worker.cancelled);
    EXPECT_EQ(
        query(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = %1").arg(pid)),
        "0");
}

} // namespace closetest
