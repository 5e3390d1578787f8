// A connection the server refuses keeps the reason callers branch on: a refused password is
// sqlstate::InvalidPassword, every other refusal UnableToConnect, and the text is libpq's usual
// one without the SQLSTATE and source place that the verbose form carries.
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/startup.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace pgstartuptest {

const QString kSandbox = QStringLiteral(CORVANE_SOURCE_DIR "/scripts/pg-sandbox.sh");

// A cluster of the test's own that asks for passwords over TCP, with a role that has one.
class PasswordCluster
{
public:
    PasswordCluster()
        : m_base(QDir::tempPath() + QStringLiteral("/corvane-pw-XXXXXX"))
    {
        // As root the server runs as the postgres user, who must reach the folder.
        QFile::setPermissions(m_base.path(),
                              QFile::permissions(m_base.path()) | QFileDevice::ExeOther
                                  | QFileDevice::ReadOther);
        m_dir = m_base.path() + QStringLiteral("/cluster");
        run(QStringLiteral("bash"),
            { kSandbox, QStringLiteral("start"), QStringLiteral("--password-auth"), m_dir });
        QFile env(m_dir + QStringLiteral("/server.env"));
        if (env.open(QIODevice::ReadOnly))
            for (const QByteArray &line : env.readAll().split('\n'))
                if (line.startsWith("PGPORT="))
                    m_port = QString::fromLatin1(line.mid(7));
        run(QStringLiteral("psql"),
            { QStringLiteral("-XAtq"), QStringLiteral("-h"), m_dir, QStringLiteral("-p"), m_port,
              QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-d"),
              QStringLiteral("postgres"), QStringLiteral("-c"),
              QStringLiteral("CREATE ROLE startup_user LOGIN PASSWORD 'right one'") });
    }
    ~PasswordCluster() { QProcess::execute(QStringLiteral("bash"), { kSandbox, "stop", m_dir }); }
    QString port() const { return m_port; }

private:
    static void run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(180000);
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            throw std::runtime_error(p.readAllStandardError().toStdString());
    }
    QTemporaryDir m_base;
    QString m_dir;
    QString m_port;
};

} // namespace pgstartuptest

TEST(PgStartup, ARefusedPasswordIsToldApartFromOtherRefusals)
{
    pgstartuptest::PasswordCluster cluster;
    const struct
    {
        const char *what;
        const char *password;
        const char *database;
        const char *sqlState;
        const char *inMessage;
    } cases[] = {
        { "a wrong password", "wrong one", "postgres", pg::sqlstate::InvalidPassword,
          "startup_user" },
        { "no password where one is asked for", "", "postgres", pg::sqlstate::InvalidPassword,
          "password" },
        { "a database that is not there", "right one", "no_such_database",
          pg::sqlstate::UnableToConnect, "no_such_database" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        pg::Connection session;
        session.setParam(QStringLiteral("Server"), QStringLiteral("127.0.0.1"));
        session.setParam(QStringLiteral("Port"), cluster.port());
        session.setParam(QStringLiteral("Database"), QString::fromLatin1(c.database));
        session.setParam(QStringLiteral("User_Name"), QStringLiteral("startup_user"));
        session.setParam(QStringLiteral("Password"), QString::fromUtf8(c.password));
        try {
            session.open();
            ADD_FAILURE() << "connected";
        } catch (const pg::Error &e) {
            EXPECT_EQ(e.sqlState(), QLatin1String(c.sqlState)) << e.what();
            EXPECT_TRUE(e.message().contains(QLatin1String(c.inMessage))) << e.what();
            EXPECT_FALSE(e.message().contains(QLatin1String("28P01"))) << e.what();
            EXPECT_FALSE(e.message().contains(QLatin1String("3D000"))) << e.what();
            EXPECT_FALSE(e.message().contains(QLatin1String(".c:"))) << e.what();
        }
        EXPECT_FALSE(session.isOpen());
    }
    // The right password connects, and statements fail with their usual texts.
    pg::Connection session;
    session.setParam(QStringLiteral("Server"), QStringLiteral("127.0.0.1"));
    session.setParam(QStringLiteral("Port"), cluster.port());
    session.setParam(QStringLiteral("Database"), QStringLiteral("postgres"));
    session.setParam(QStringLiteral("User_Name"), QStringLiteral("startup_user"));
    session.setParam(QStringLiteral("Password"), QStringLiteral("right one"));
    session.open();
    EXPECT_EQ(session.exec(QStringLiteral("SELECT current_user")).text(0, 0), "startup_user");
    try {
        session.exec(QStringLiteral("SELECT * FROM no_such_table"));
        ADD_FAILURE() << "ran";
    } catch (const pg::Error &e) {
        EXPECT_FALSE(e.message().contains(QLatin1String("42P01"))) << e.what();
        EXPECT_FALSE(e.message().contains(QLatin1String("LOCATION"))) << e.what();
    }
}

TEST(PgStartup, TheVerboseTextLosesItsCodesAndSourcePlaces)
{
    const struct
    {
        const char *verbose;
        const char *plain;
        const char *sqlState;
    } cases[] = {
        { "connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  28P01: password "
          "authentication failed for user \"u\"\nLOCATION:  auth_failed, auth.c:334\n",
          "connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  password "
          "authentication failed for user \"u\"",
          "28P01" },
        // A server and a client that answer in Japanese; two addresses tried one after the other.
        { "connection to server at \"::1\", port 5432 failed: 致命的エラー:  3D000: データベース"
          "\"x\"は存在しません\n場所:  InitPostgres, postinit.c:948\nconnection to server at "
          "\"127.0.0.1\", port 5432 failed: 致命的エラー:  28000: 拒否されました\n"
          "場所:  ClientAuthentication, auth.c:542\n",
          "connection to server at \"::1\", port 5432 failed: 致命的エラー:  データベース\"x\"は"
          "存在しません\nconnection to server at \"127.0.0.1\", port 5432 failed: 致命的エラー:  "
          "拒否されました",
          "28000" },
        // The client's own refusals carry none.
        { "connection to server at \"127.0.0.1\", port 5432 failed: fe_sendauth: no password "
          "supplied\n",
          "connection to server at \"127.0.0.1\", port 5432 failed: fe_sendauth: no password "
          "supplied",
          "" },
        { "timeout expired\n", "timeout expired", "" },
    };
    for (const auto &c : cases) {
        QString code = QStringLiteral("unset");
        EXPECT_EQ(pg::detail::plainStartupMessage(QString::fromUtf8(c.verbose), &code),
                  QString::fromUtf8(c.plain));
        EXPECT_EQ(code, QLatin1String(c.sqlState));
    }
}
