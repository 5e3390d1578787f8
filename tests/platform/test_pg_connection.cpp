// Sessions: parameters, server facts, errors, notices, cancel and a dropped connection.
#include "pgtestutil.h"

#include "platform/pg/dataset.h"
#include "platform/pg/query.h"

#include <QTemporaryDir>

#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace testsupport;

namespace test_pg_connection {

TEST(PgConnection, ParametersAreReadBackByNameAndUnsetOnesAreEmpty)
{
    pg::Connection c;
    c.setParam(QStringLiteral("User_Name"), QStringLiteral("alice"));
    c.setParam(QStringLiteral("MetaDefSchema"), QStringLiteral("sales"));
    EXPECT_EQ(c.param(QStringLiteral("user_name")), QStringLiteral("alice"));
    EXPECT_EQ(c.param(QStringLiteral("MetaDefSchema")), QStringLiteral("sales"));
    EXPECT_TRUE(c.param(QStringLiteral("Password")).isEmpty());
    EXPECT_TRUE(c.param(QStringLiteral("CharacterSet")).isEmpty());
    EXPECT_FALSE(c.isOpen());
    EXPECT_EQ(c.transactionStatus(), pg::TransactionStatus::Unknown);
}

TEST(PgConnection, KnowsTheServerItTalksTo)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    EXPECT_TRUE(c->serverBanner().startsWith(QLatin1String("PostgreSQL 15.")));
    EXPECT_GE(c->serverVersion(), 150000);
    EXPECT_LT(c->serverVersion(), 160000);
    EXPECT_EQ(c->backendPid(),
              c->exec(QStringLiteral("SELECT pg_backend_pid()")).text(0, 0).toInt());
    EXPECT_EQ(c->clientEncoding(), QStringLiteral("UTF8"));
    EXPECT_EQ(c->exec(QStringLiteral("SHOW application_name")).text(0, 0),
              QStringLiteral("corvane-test"));
}

TEST(PgConnection, FailedConnectReportsTheClientLibrarysReason)
{
    TestDatabase db;
    pg::Connection c;
    c.setParam(QStringLiteral("Server"), server().host);
    c.setParam(QStringLiteral("Port"), QString::number(server().port));
    c.setParam(QStringLiteral("Database"), QStringLiteral("no_such_database"));
    c.setParam(QStringLiteral("User_Name"), server().user);
    try {
        c.open();
        FAIL() << "connected to a database that does not exist";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::UnableToConnect));
        EXPECT_TRUE(e.message().contains(QLatin1String("no_such_database"))) << e.what();
    }
    EXPECT_FALSE(c.isOpen());
}

TEST(PgConnection, ConnectGivesUpAfterTheLoginTimeout)
{
    // a port that accepts the connection but never answers
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);

    pg::Connection c;
    c.setParam(QStringLiteral("Server"), QStringLiteral("127.0.0.1"));
    c.setParam(QStringLiteral("Port"), QString::number(ntohs(address.sin_port)));
    c.setParam(QStringLiteral("User_Name"), QStringLiteral("nobody"));
    c.setParam(QStringLiteral("LoginTimeout"), QStringLiteral("2"));
    QElapsedTimer timer;
    timer.start();
    try {
        c.open();
        ADD_FAILURE() << "connected to a silent port";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::UnableToConnect));
        // the connection window tells a time-out by these two words
        EXPECT_TRUE(e.message().contains(QLatin1String("timeout"))
                    && e.message().contains(QLatin1String("expired")))
            << e.what();
    }
    EXPECT_LT(timer.elapsed(), 8000);
    close(listener);
}

struct BannerCase
{
    const char *banner;
    int version;
};

const BannerCase BannerCases[] = {
    { "PostgreSQL 9.6.24 on x86_64-pc-linux-gnu, compiled by gcc", 90624 },
    { "PostgreSQL 14.5, compiled by Visual C++ build 1914, 64-bit", 140500 },
    { "PostgreSQL 15beta1 on x86_64-pc-linux-gnu, compiled by gcc", 150000 },
    { "PostgreSQL 9.6rc1 on x86_64-pc-linux-gnu", 90600 },
    { "EnterpriseDB 9.5.0.5 on x86_64-pc-linux-gnu, compiled by gcc", 90500 },
    { "PostgreSQL 16devel on x86_64-pc-linux-gnu", 999999 },
    { "PostgreSQL 15.4", 999999 }, // nothing ends the version word
    { "nonsense", 999999 },
};

TEST(PgConnection, VersionNumberFromBanner)
{
    for (const BannerCase &c : BannerCases)
        EXPECT_EQ(pg::versionNumberFromBanner(QString::fromLatin1(c.banner)), c.version)
            << c.banner;
}

TEST(PgConnection, ServerErrorsCarryTheirFieldsAndThePositionInTheTextAsWritten)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    pg::Query q(*c, QStringLiteral("SELECT :long_name::int + nosuch FROM sales.customer"));
    q.bind(QStringLiteral("long_name"), 1);
    try {
        q.open();
        FAIL();
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("42703"));
        EXPECT_EQ(e.severity(), QStringLiteral("ERROR"));
        EXPECT_TRUE(e.message().contains(QLatin1String("nosuch")));
        EXPECT_EQ(e.statement(), q.sql());
        EXPECT_EQ(e.position(), q.sql().indexOf(QLatin1String("nosuch")) + 1);
    }
    try {
        c->exec(QStringLiteral("INSERT INTO sales.customer (customer_id, name) VALUES (1, 'x')"));
        FAIL();
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("23505"));
        EXPECT_FALSE(e.detail().isEmpty());
        EXPECT_EQ(e.tableName(), QStringLiteral("customer"));
        EXPECT_EQ(e.constraintName(), QStringLiteral("customer_pkey"));
        EXPECT_TRUE(e.text().contains(QLatin1String("DETAIL: ")));
    }
}

TEST(PgConnection, ParametersBindByNameAndPosition)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    pg::Query q(*c,
                QStringLiteral("SELECT name FROM sales.customer WHERE customer_id = :id "
                               "OR customer_id = :ID + :step ORDER BY 1"));
    ASSERT_EQ(q.paramNames(), (QStringList { QStringLiteral("ID"), QStringLiteral("STEP") }));
    q.bindValues({ QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("ignored") });
    const pg::Result r = q.open();
    ASSERT_EQ(r.rowCount(), 2);
    EXPECT_EQ(r.text(0, 0), QStringLiteral("山田商事")); // customers 1 and 3
    EXPECT_EQ(r.text(1, 0), QStringLiteral("田中工業"));

    pg::Query unbound(*c, QStringLiteral("SELECT :a"));
    try {
        unbound.open();
        FAIL();
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::UndefinedParameter));
    }
    EXPECT_THROW(unbound.bind(QStringLiteral("b"), 1), pg::Error);

    pg::Query literal(*c, QString());
    literal.setParamScanning(false);
    literal.setSql(QStringLiteral("SELECT ':a' || ':b'"));
    EXPECT_EQ(literal.open().text(0, 0), QStringLiteral(":a:b"));

    EXPECT_EQ(pg::Query(*c, QStringLiteral("UPDATE sales.orders SET note = 'x'")).execute(), 3);
}

TEST(PgConnection, NoticesArriveAfterTheStatement)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    QSignalSpy spy(c.get(), &pg::Connection::notice);
    c->exec(
        QStringLiteral("DO $$ BEGIN RAISE NOTICE 'こんにちは %', 1; RAISE WARNING 'w'; END $$"));
    ASSERT_EQ(spy.count(), 2);
    const auto first = spy.at(0).at(0).value<pg::Notice>();
    EXPECT_EQ(first.severity, QStringLiteral("NOTICE"));
    EXPECT_EQ(first.message, QStringLiteral("こんにちは 1"));
    EXPECT_EQ(spy.at(1).at(0).value<pg::Notice>().severity, QStringLiteral("WARNING"));
}

TEST(PgConnection, CancelFromAnotherThreadStopsAStatementQuickly)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        c->cancel();
    });
    QElapsedTimer timer;
    timer.start();
    try {
        c->exec(QStringLiteral("SELECT pg_sleep(30)"));
        ADD_FAILURE() << "pg_sleep(30) was not cancelled";
    } catch (const pg::Error &e) {
        EXPECT_TRUE(e.isCancelled()) << e.what();
    }
    canceller.join();
    EXPECT_LT(timer.elapsed(), 2000);
    // the session goes on
    EXPECT_EQ(c->exec(QStringLiteral("SELECT 1")).text(0, 0), QStringLiteral("1"));
}

TEST(PgConnection, DroppedSessionGivesAClearErrorNotACrash)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    QSignalSpy lost(c.get(), &pg::Connection::lost);
    c->exec(QStringLiteral("BEGIN"));
    exec(db.conninfo(), QStringLiteral("SELECT pg_terminate_backend(%1)").arg(c->backendPid()));
    try {
        c->exec(QStringLiteral("SELECT 1"));
        FAIL() << "statement on a terminated session succeeded";
    } catch (const pg::Error &e) {
        EXPECT_TRUE(e.isConnectionLost()) << e.what();
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::ConnectionFailure));
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(c->isOpen());
    // every later statement says the same, without touching a dead handle
    try {
        c->exec(QStringLiteral("SELECT 1"));
        FAIL();
    } catch (const pg::Error &e) {
        EXPECT_TRUE(e.isConnectionLost());
    }
    EXPECT_THROW(c->commit(), pg::Error);
    c->reopen();
    EXPECT_EQ(c->exec(QStringLiteral("SELECT 2")).text(0, 0), QStringLiteral("2"));
}

// A relay on a Unix socket of its own between one client and the fixture server. It can drop
// the client's side right after passing on what the server sent last, as a server that
// crashes leaves an idle session: a message that is no answer waiting, then a closed socket.
class SocketRelay
{
public:
    SocketRelay()
    {
        const ServerInfo &s = server();
        m_serverPath = QStringLiteral("%1/.s.PGSQL.%2").arg(s.host).arg(s.port);
        m_listener = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray path
            = QStringLiteral("%1/.s.PGSQL.%2").arg(m_dir.path()).arg(s.port).toLocal8Bit();
        qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
        bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        listen(m_listener, 1);
        m_thread = std::thread([this] { run(); });
    }
    ~SocketRelay()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }
    QString host() const { return m_dir.path(); }
    void cutAfterNextServerData() { m_cutArmed = true; }
    bool waitForCut()
    {
        for (int i = 0; i < 500 && !m_cut; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return m_cut;
    }

private:
    void run()
    {
        pollfd accepting { m_listener, POLLIN, 0 };
        while (!m_stop && poll(&accepting, 1, 50) <= 0) { }
        if (m_stop)
            return;
        int client = accept(m_listener, nullptr, nullptr);
        int upstream = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, m_serverPath.toLocal8Bit().constData(), sizeof address.sun_path);
        ::connect(upstream, reinterpret_cast<sockaddr *>(&address), sizeof address);
        char buffer[65536];
        while (!m_stop && client >= 0) {
            pollfd fds[2] = { { client, POLLIN, 0 }, { upstream, POLLIN, 0 } };
            if (poll(fds, 2, 50) <= 0)
                continue;
            if (fds[0].revents) {
                const ssize_t n = read(client, buffer, sizeof buffer);
                if (n <= 0 || write(upstream, buffer, size_t(n)) != n)
                    break;
            }
            if (fds[1].revents) {
                const ssize_t n = read(upstream, buffer, sizeof buffer);
                if (n <= 0 || write(client, buffer, size_t(n)) != n)
                    break;
                if (m_cutArmed) {
                    ::close(client);
                    client = -1;
                    m_cut = true;
                }
            }
        }
        if (client >= 0)
            ::close(client);
        ::close(upstream);
    }

    QTemporaryDir m_dir;
    QString m_serverPath;
    int m_listener = -1;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_cutArmed { false };
    std::atomic<bool> m_cut { false };
    std::thread m_thread;
};

// The session is dropped while idle with a message from the server waiting unread, as a crash
// of the server leaves it: the very first statement reports the lost connection.
TEST(PgConnection, FirstStatementAfterTheServerWentAwayReportsTheLostConnection)
{
    TestDatabase db;
    SocketRelay relay;
    pg::Connection c;
    c.setParam(QStringLiteral("Server"), relay.host());
    c.setParam(QStringLiteral("Port"), QString::number(server().port));
    c.setParam(QStringLiteral("Database"), db.name());
    c.setParam(QStringLiteral("User_Name"), server().user);
    c.open();
    c.exec(QStringLiteral("LISTEN corvane_relay"));
    QSignalSpy lost(&c, &pg::Connection::lost);
    relay.cutAfterNextServerData();
    exec(db.conninfo(), QStringLiteral("NOTIFY corvane_relay"));
    ASSERT_TRUE(relay.waitForCut());
    try {
        c.exec(QStringLiteral("SELECT 1"));
        FAIL() << "a statement on a dropped session succeeded";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::ConnectionFailure)) << e.what();
        EXPECT_TRUE(e.isConnectionLost());
    }
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(c.isOpen());
}

// libpq refuses to prepare a statement with more parameters than the protocol carries. That is
// the statement's error: the session stays open and nothing reports it lost.
TEST(PgConnection, StatementThatCannotBePreparedLeavesTheSessionOpen)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    QSignalSpy lost(c.get(), &pg::Connection::lost);
    QStringList items;
    for (int i = 0; i < 65536; ++i)
        items << QStringLiteral(":p%1").arg(i);
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT ") + items.join(u',')
              + QStringLiteral(" FROM sales.customer"));
    for (int i = 0; i < 65536; ++i)
        ds.query().bind(i, pg::Param(i));
    try {
        ds.open();
        FAIL() << "65536 parameters were sent";
    } catch (const pg::Error &e) {
        EXPECT_FALSE(e.isConnectionLost()) << e.what();
    }
    EXPECT_EQ(lost.count(), 0);
    ASSERT_TRUE(c->isOpen());
    EXPECT_EQ(c->exec(QStringLiteral("SELECT 1")).text(0, 0), QStringLiteral("1"));
}

// With standard_conforming_strings off the server reads a backslash in '...' as an escape;
// the ":name" scanner reads the literal the same way, so a ":x" inside it is no parameter.
TEST(PgConnection, ParameterMarkersFollowTheSessionsReadingOfLiterals)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    EXPECT_TRUE(c->standardConformingStrings());
    c->exec(
        QStringLiteral("SET escape_string_warning = off; SET standard_conforming_strings = off"));
    EXPECT_FALSE(c->standardConformingStrings());
    pg::Query q(*c, QStringLiteral("SELECT 'a\\' :x ' AS t, :y::int AS n"));
    EXPECT_EQ(q.paramNames(), QStringList { QStringLiteral("Y") });
    q.bind(QStringLiteral("y"), pg::Param(5));
    const pg::Result r = q.open();
    EXPECT_EQ(r.text(0, 0), QStringLiteral("a' :x "));
    EXPECT_EQ(r.text(0, 1), QStringLiteral("5"));

    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT name FROM sales.customer WHERE name <> 'x\\' :x ' "
                             "AND customer_id = :id"));
    ds.query().bind(QStringLiteral("id"), pg::Param(1));
    ds.open();
    EXPECT_EQ(ds.recordCount(), 1);
}

TEST(PgConnection, ZeroByteInTextIsRefusedBeforeSendingAndServerRefusalIsReported)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    c->exec(QStringLiteral("BEGIN"));
    c->exec(QStringLiteral("UPDATE sales.customer SET kana = 'x' WHERE customer_id = 2"));
    // refused by the layer: nothing was sent, the transaction is still usable
    try {
        c->exec(QStringLiteral("UPDATE sales.customer SET kana = $1 WHERE customer_id = 1"),
                { pg::Param(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) });
        FAIL() << "a NUL in text was sent";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::CharacterNotInRepertoire));
    }
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    EXPECT_THROW(c->exec(QStringLiteral("SELECT 'a") + QChar(0) + QStringLiteral("'")), pg::Error);
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);

    // refused by the server: reported, never taken for success
    try {
        c->exec(QStringLiteral("SELECT E'a\\\\x00b'::text, E'a\\x00b'"));
        FAIL() << "the server's refusal of 0x00 was dropped";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::CharacterNotInRepertoire));
        EXPECT_TRUE(e.message().endsWith(QLatin1String("0x00"))) << e.what();
        EXPECT_TRUE(e.hint().contains(QLatin1String("ROLLBACK"))) << e.what();
    }
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InError);
    c->rollback();
    EXPECT_EQ(queryValue(db.conninfo(),
                         QStringLiteral("SELECT count(*) FROM sales.customer "
                                        "WHERE kana = 'x'")),
              QStringLiteral("0"));
}

TEST(PgConnection, CursorErrorsAreReported)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    try {
        c->exec(QStringLiteral("CLOSE no_such_cursor"));
        FAIL() << "closing a cursor that does not exist succeeded";
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(pg::sqlstate::InvalidCursorName));
    }
    try {
        c->exec(QStringLiteral("SELECT * FROM no_such_relation"));
        FAIL();
    } catch (const pg::Error &e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("42P01"));
    }
}

TEST(PgConnection, OtherClientEncodingsAreConverted)
{
    TestDatabase db;
    auto c = pgtest::connect(db);
    c->exec(QStringLiteral("SET CLIENT_ENCODING TO 'SJIS'"));
    EXPECT_EQ(c->clientEncoding(), QStringLiteral("SJIS"));
    EXPECT_EQ(
        c->exec(QStringLiteral("SELECT name FROM sales.customer WHERE customer_id = 1")).text(0, 0),
        QStringLiteral("山田商事"));
    const pg::Result r
        = c->exec(QStringLiteral("SELECT $1::text || '様'"), { pg::Param(QStringLiteral("田中")) });
    EXPECT_EQ(r.text(0, 0), QStringLiteral("田中様"));
    // a character SJIS cannot hold is refused before sending
    EXPECT_THROW(c->exec(QStringLiteral("SELECT $1::text"), { pg::Param(QStringLiteral("한")) }),
                 pg::Error);
}

} // namespace test_pg_connection
