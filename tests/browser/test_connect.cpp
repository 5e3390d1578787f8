// Connecting and closing: the transaction of the auto-commit-off mode and what happens to
// uncommitted work at close, the session settings, the logon schema, the selector entry, the
// task button, the messages to the other windows, and the failures of the connect.
#include "browsertest.h"
#include "uitest.h"

#include "browser/fobjectsql.h"
#include "core/qvdialoghook.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "ui/qvcomctrls.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QToolButton>
#include <QTreeWidgetItem>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

using browsertest::BrowserTest;

namespace connecttest {

// A window of another kind that counts the "connection list changed" messages.
class Listener : public TqvForm
{
public:
    Listener()
        : TqvForm(nullptr, false)
    { }
    void DBChange(QObject *) override { ++changes; }
    int changes = 0;
};

QString rowsOf(const QString &conninfo)
{
    return testsupport::queryValue(conninfo,
                                   "SELECT count(*) FROM sales.customer WHERE name = "
                                   "'接続テスト'");
}

const char insertSql[]
    = "INSERT INTO sales.customer (customer_id, name) VALUES (100, '接続テスト')";

TEST_F(BrowserTest, AutoCommitOffWorksInATransactionAndCloseDiscardsIt)
{
    AppOption.UpdateToCommit = false;
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->dbsMain()->transactionStatus(), pg::TransactionStatus::InTransaction);
    window->ExecuteSQL(QString::fromUtf8(insertSql));
    // the insert stays the session's own
    EXPECT_EQ(rowsOf(db.conninfo()), "0");
    const int pid = window->MYSID;
    closeWindow(window);
    EXPECT_EQ(rowsOf(db.conninfo()), "0");
    EXPECT_EQ(
        query(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = %1").arg(pid)),
        "0");
}

TEST_F(BrowserTest, AutoCommitOnCommitsEveryStatement)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->dbsMain()->transactionStatus(), pg::TransactionStatus::Idle);
    window->ExecuteSQL(QString::fromUtf8(insertSql));
    EXPECT_EQ(rowsOf(db.conninfo()), "1");
}

TEST_F(BrowserTest, SessionSettingsAfterConnect)
{
    TfrmObject *window = open("inv");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->OpenSQL("SHOW search_path").text(0, 0), "inv");
    EXPECT_EQ(window->MYSID, window->dbsMain()->backendPid());
    EXPECT_EQ(window->GetMySID(), window->OpenSQL("SELECT pg_backend_pid()").text(0, 0).toInt());
    EXPECT_EQ(window->GetMySID(), window->MYSID);
    // seen from a second connection
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    EXPECT_EQ(query(QStringLiteral("SELECT application_name FROM pg_stat_activity WHERE pid = %1")
                        .arg(window->MYSID)),
              program);
    EXPECT_EQ(window->DBName, db.name());
}

// The settings made at connect are not part of the transaction that the auto-commit-off mode
// opens: the user's first ROLLBACK keeps them.
TEST_F(BrowserTest, AutoCommitOffRollbackKeepsSessionSettings)
{
    AppOption.UpdateToCommit = false;
    TfrmObject *window = open("sales");
    ASSERT_NE(window, nullptr);
    window->ExecuteSQL("ROLLBACK");
    EXPECT_EQ(window->OpenSQL("SHOW search_path").text(0, 0), "sales");
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    EXPECT_EQ(window->OpenSQL("SHOW application_name").text(0, 0), program);
}

TEST_F(BrowserTest, LogonSchemaNotInCatalogIsReplacedByTheFirst)
{
    struct Case
    {
        const char *schema;
        const char *used;
    };
    // the object tree's list: Mixed, cns, cns_ref, dep, dep.dot, dep_other, dsp, dsp_twin, ext,
    // grt, idx, information_schema, inv, pg_catalog, pg_toast, public, sales, wbk
    for (const Case &c : { Case { "sales", "sales" }, Case { "Public", "Mixed" },
                           Case { "", "Mixed" }, Case { "nosuch", "Mixed" } }) {
        SCOPED_TRACE(c.schema);
        TfrmObject *window = open(c.schema);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->dbsMain()->param("MetaDefSchema"), c.used);
        EXPECT_EQ(window->OpenSQL("SELECT current_schema()").text(0, 0), c.used);
        closeWindow(window);
    }
}

TEST_F(BrowserTest, RegistersInSelectorAndTaskBar)
{
    Listener listener;
    const testsupport::ServerInfo &s = testsupport::server();
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    // The fixture's host is its socket folder, which starts with its own "/".
    const QString key = s.user + " @ " + db.name() + s.host + ":" + QString::number(s.port);
    EXPECT_EQ(window->windowTitle(), "オブジェクトリスト - " + key);
    ASSERT_EQ(main.selector()->count(), 1);
    EXPECT_EQ(main.selector()->itemText(0), key);
    EXPECT_EQ(main.CurrentForm(), window);
    EXPECT_EQ(listener.changes, 1);
    QToolButton *button = window->TaskButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parentWidget(), main.tolTask());
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(button->text(), key.left(10) + QChar(0x2026));
    EXPECT_EQ(button->toolTip(), window->windowTitle());
    EXPECT_EQ(button->property("Tag").value<QObject *>(), window);
    EXPECT_TRUE(main.workspaceCalls.contains(nullptr));
    EXPECT_GE(main.defMessages, 1);
    EXPECT_TRUE(main.statusTexts.contains("データベースに接続中です．．．"));
    EXPECT_TRUE(main.activations.contains(window));

    QPointer<QToolButton> gone(button);
    closeWindow(window);
    EXPECT_EQ(main.selector()->count(), 0);
    EXPECT_EQ(main.CurrentForm(), nullptr);
    EXPECT_EQ(listener.changes, 2);
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(main.workspaceCalls.last(), window);
    EXPECT_EQ(main.message(), "");
}

TEST_F(BrowserTest, ObjectCountsForTheSummary)
{
    TfrmObject *window = open();
    ASSERT_NE(window, nullptr);
    ConnectionWindow *connection = window;
    EXPECT_EQ(connection->ObjectCount(), 0);
    EXPECT_EQ(connection->SelectedObjectCount(), 0);
    for (const char *name : { "a", "b", "c" })
        new QTreeWidgetItem(window->lstObject, QStringList { name });
    window->lstObject->topLevelItem(0)->setSelected(true);
    window->lstObject->topLevelItem(2)->setSelected(true);
    EXPECT_EQ(connection->ObjectCount(), 3);
    EXPECT_EQ(connection->SelectedObjectCount(), 2);
}

TEST_F(BrowserTest, ClosingOneOfTwoKeepsTheOther)
{
    TfrmObject *first = open("sales");
    TfrmObject *second = open("inv");
    ASSERT_TRUE(first && second);
    ASSERT_EQ(main.selector()->count(), 2);
    EXPECT_EQ(main.CurrentForm(), second);
    closeWindow(second);
    ASSERT_EQ(main.selector()->count(), 1);
    EXPECT_EQ(main.CurrentForm(), first);
    EXPECT_EQ(first->OpenSQL("SELECT 1").text(0, 0), "1");
}

TEST_F(BrowserTest, ActivatingAWindowSelectsItsConnection)
{
    testsupport::TestDatabase other;
    const testsupport::ServerInfo &s = testsupport::server();
    TfrmObject *first = open("sales");
    TfrmObject *second = TfrmObject::Create(&main, s.host, QString::number(s.port), other.name(),
                                            "inv", s.user, QString());
    ASSERT_TRUE(first && second);
    ASSERT_EQ(main.CurrentForm(), second);
    main.activations.clear();
    main.ShowChildWindow(first);
    EXPECT_EQ(main.activations, QList<ConnectionWindow *>({ first }));
    EXPECT_EQ(main.CurrentForm(), first);
    EXPECT_TRUE(first->TaskButton()->isChecked());
    EXPECT_FALSE(second->TaskButton()->isChecked());
    delete second->parentWidget();
}

TEST_F(BrowserTest, FailedConnectReachesTheCallerAndLeavesNoWindow)
{
    int messages = 0;
    ScopedDialogResponder responder([&messages](DialogRequest &) {
        ++messages;
        return IDOK;
    });
    const testsupport::ServerInfo &s = testsupport::server();
    try {
        TfrmObject::Create(&main, s.host, QString::number(s.port), "corvane_no_such_db", "public",
                           s.user, QString());
        FAIL() << "the connect succeeded";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), pg::sqlstate::UnableToConnect);
    }
    EXPECT_EQ(messages, 0);
    EXPECT_EQ(main.selector()->count(), 0);
    EXPECT_TRUE(main.mdiArea()->subWindowList().isEmpty());
}

// A port where something accepts the connection and never answers.
class SilentListener
{
public:
    SilentListener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr *>(&address), length) == 0
            && ::listen(m_fd, 4) == 0
            && ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(m_fd); }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

TEST_F(BrowserTest, SilentServerGivesTheTimeOutMessage)
{
    SilentListener listener;
    ASSERT_NE(listener.port(), 0);
    QList<DialogRequest> requests;
    ScopedDialogResponder responder([&requests](DialogRequest &request) {
        requests << request;
        return IDOK;
    });
    const int savedTimeout = TfrmObject::LoginTimeout;
    TfrmObject::LoginTimeout = 2;
    QElapsedTimer elapsed;
    elapsed.start();
    bool silent = false;
    try {
        TfrmObject::Create(&main, "127.0.0.1", QString::number(listener.port()), db.name(),
                           "public", testsupport::server().user, QString());
    } catch (const SilentAbort &) {
        silent = true;
    } catch (const std::exception &e) {
        ADD_FAILURE() << e.what();
    }
    TfrmObject::LoginTimeout = savedTimeout;
    EXPECT_TRUE(silent);
    EXPECT_LT(elapsed.elapsed(), 10000);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].text, "タイムアウト時間が過ぎました。");
    EXPECT_EQ(requests[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(main.selector()->count(), 0);
    EXPECT_TRUE(main.mdiArea()->subWindowList().isEmpty());
}

TEST(LoginTimeout, Recognised)
{
    struct Case
    {
        const char *message;
        qint64 elapsedMs;
        bool timeout;
    };
    const Case cases[] = {
        { "connection to server at \"127.0.0.1\", port 5 failed: timeout expired", 10, true },
        { "127.0.0.1 ポート 5 のサーバーへの接続に失敗しました: タイムアウト期間が過ぎました", 10,
          true },
        { "connection to server failed: could not receive data", 15000, true },
        { "connection to server failed: Connection refused", 20, false },
        { "FATAL:  database \"x\" does not exist", 30, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(IsLoginTimeout(QString::fromUtf8(c.message), c.elapsedMs, 15), c.timeout);
    }
}

} // namespace connecttest
