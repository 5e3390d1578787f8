// The sample cluster that scripts/run.sh starts trusts whoever connects, so nobody but its owner
// may reach it: it listens on no TCP address, and its socket folder is closed to other users.
// Run as root, the script keeps each user's cluster apart and stops only the one it started.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSandbox = QStringLiteral(CORVANE_SOURCE_DIR "/scripts/pg-sandbox.sh");
const QString kRun = QStringLiteral(CORVANE_SOURCE_DIR "/scripts/run.sh");

QMap<QString, QString> readEnvFile(const QString &path)
{
    QMap<QString, QString> values;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray &line : file.readAll().split('\n'))
            if (const qsizetype eq = line.indexOf('='); eq > 0)
                values[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1));
    return values;
}

// Runs psql; its exit code and what it wrote.
std::pair<int, QString> psql(const QStringList &prefix, const QString &host, const QString &port)
{
    QProcess p;
    QStringList args = prefix;
    args << QStandardPaths::findExecutable("psql") << "-XAtq"
         << "-h" << host << "-p" << port << "-U"
         << "postgres"
         << "-d"
         << "postgres"
         << "-c"
         << "SELECT 42";
    p.start(args.takeFirst(), args);
    p.waitForFinished(60000);
    return { p.exitCode(),
             QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError()) };
}

// Stops the cluster however the test ends.
struct Stopper
{
    QString dir;
    ~Stopper() { QProcess::execute("bash", { kSandbox, "stop", dir }); }
};

} // namespace

TEST(SampleCluster, OnlyItsOwnerReachesItThroughTheSocketFolder)
{
    QTemporaryDir base(QDir::tempPath() + "/corvane-sample-XXXXXX");
    // The server runs as the postgres user when the test runs as root; it must reach the folder.
    ::chmod(QFile::encodeName(base.path()).constData(), 0755);
    const QString dir = base.path() + "/cluster";
    Stopper stopper { dir };
    QProcess start;
    start.start("bash", { kSandbox, "start", "--socket-only", dir });
    ASSERT_TRUE(start.waitForFinished(180000));
    ASSERT_EQ(start.exitCode(), 0) << start.readAllStandardError().toStdString();

    const auto env = readEnvFile(dir + "/server.env");
    const QString port = env.value("PGPORT");
    ASSERT_FALSE(port.isEmpty());
    EXPECT_EQ(env.value("PGHOST"), dir);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(dir).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // The owner gets in through the socket folder, the way run.sh connects the program.
    const auto owner = psql({}, dir, port);
    EXPECT_EQ(owner.first, 0) << owner.second.toStdString();
    EXPECT_EQ(owner.second.trimmed(), "42");
    // Nobody gets in over TCP.
    const auto tcp = psql({}, "127.0.0.1", port);
    EXPECT_NE(tcp.first, 0) << tcp.second.toStdString();
    // Another local user cannot reach the socket.
    if (::geteuid() == 0) {
        const auto other = psql({ "runuser", "-u", "nobody", "--" }, dir, port);
        EXPECT_NE(other.first, 0) << other.second.toStdString();
    }
}

namespace {

// One person's root run of scripts/run.sh: sudo's SUDO_USER and a data folder of its own.
class RootRun
{
public:
    explicit RootRun(const QString &name)
        : m_user(
            QStringLiteral("corvane-t-%1-%2").arg(name).arg(QCoreApplication::applicationPid()))
        , m_home(QDir::tempPath() + "/corvane-run-XXXXXX")
    { }
    ~RootRun()
    {
        // Whatever the test left: the server stopped and its folder gone.
        if (!m_cluster.isEmpty()) {
            QProcess::execute("bash", { kSandbox, "stop", m_cluster });
            QDir(m_cluster).removeRecursively();
        }
    }

    // Runs the script with argument; its exit code and what it wrote.
    std::pair<int, QString> run(const QString &argument)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SUDO_USER", m_user);
        env.insert("XDG_DATA_HOME", m_home.path());
        p.setProcessEnvironment(env);
        p.start("bash", { kRun, argument });
        if (!p.waitForFinished(300000))
            p.kill();
        p.waitForFinished(10000);
        const QString out
            = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        static const QRegularExpression where(QStringLiteral("socket in (\\S+), port (\\d+)"));
        if (const auto m = where.match(out); m.hasMatch()) {
            m_cluster = m.captured(1);
            m_port = m.captured(2);
        }
        return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, out };
    }
    // Whether the cluster answers through its socket.
    bool answers() const
    {
        return !m_cluster.isEmpty() && psql({}, m_cluster, m_port).second.trimmed() == "42";
    }

    QString user() const { return m_user; }
    QString dataFolder() const { return m_home.path() + "/QVR22"; }
    QString cluster() const { return m_cluster; }

private:
    QString m_user;
    QTemporaryDir m_home;
    QString m_cluster;
    QString m_port;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(SampleCluster, RootRunsOfTwoPeopleKeepTheirClustersApartAndStopOnlyTheirOwn)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the script keeps a cluster in the user's own data folder unless root";
    RootRun alice("alice");
    RootRun bob("bob");
    for (RootRun *run : { &alice, &bob }) {
        const auto started = run->run("--server");
        ASSERT_EQ(started.first, 0) << started.second.toStdString();
        ASSERT_TRUE(run->answers()) << started.second.toStdString();
        // Who started it, recorded in its folder.
        EXPECT_EQ(readAll(run->cluster() + "/owner"),
                  QString("user=%1\ndata=%2\n").arg(run->user(), run->dataFolder()).toUtf8());
    }
    EXPECT_NE(alice.cluster(), bob.cluster());
    EXPECT_TRUE(alice.cluster().contains(alice.user())) << alice.cluster().toStdString();

    // A second run of the same person reuses the cluster.
    const QString aliceCluster = alice.cluster();
    EXPECT_EQ(alice.run("--server").first, 0);
    EXPECT_EQ(alice.cluster(), aliceCluster);

    // Bob's stop stops his cluster only.
    const auto stopped = bob.run("--stop");
    EXPECT_EQ(stopped.first, 0) << stopped.second.toStdString();
    EXPECT_FALSE(bob.answers());
    EXPECT_TRUE(alice.answers());
    EXPECT_EQ(alice.run("--stop").first, 0);
    EXPECT_FALSE(alice.answers());
}

TEST(SampleCluster, ARootRunNeitherUsesNorStopsAClusterItDidNotStart)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the script keeps a cluster in the user's own data folder unless root";
    const struct
    {
        const char *what;
        const char *owner; // the owner file written over the run's own; nullptr: none
    } cases[] = {
        { "another person's owner file", "user=mallory\ndata=/home/mallory/.local/share/QVR22\n" },
        { "no owner file", nullptr },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RootRun run("carol");
        const auto started = run.run("--server");
        ASSERT_EQ(started.first, 0) << started.second.toStdString();
        ASSERT_TRUE(run.answers());
        const QString owner = run.cluster() + "/owner";
        const QByteArray own = readAll(owner);
        QFile::remove(owner);
        if (c.owner) {
            QFile file(owner);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.owner);
        }

        const auto stop = run.run("--stop");
        EXPECT_NE(stop.first, 0) << stop.second.toStdString();
        EXPECT_TRUE(stop.second.contains("left running")) << stop.second.toStdString();
        EXPECT_TRUE(run.answers());
        const auto reuse = run.run("--server");
        EXPECT_NE(reuse.first, 0) << reuse.second.toStdString();
        EXPECT_TRUE(run.answers());

        // With its own record back, the run stops it.
        QFile::remove(owner);
        QFile file(owner);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(own);
        file.close();
        EXPECT_EQ(run.run("--stop").first, 0);
        EXPECT_FALSE(run.answers());
    }
}

TEST(SampleCluster, ARootRunRefusesAFolderThatSomeoneElseMadeInVarTmp)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the script keeps a cluster in the user's own data folder unless root";
    RootRun run("dave");
    // Where the run puts its cluster: started once, stopped, and the folder taken away.
    ASSERT_EQ(run.run("--server").first, 0);
    const QString cluster = run.cluster();
    ASSERT_EQ(run.run("--stop").first, 0);
    ASSERT_TRUE(QDir(cluster).removeRecursively());

    // Another local user makes the folder first, with an owner file copied from a real one.
    ASSERT_TRUE(QDir().mkpath(cluster));
    {
        QFile file(cluster + "/owner");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QString("user=%1\ndata=%2\n").arg(run.user(), run.dataFolder()).toUtf8());
    }
    ASSERT_EQ(QProcess::execute("chown", { "-R", "nobody", cluster }), 0);
    const auto refused = run.run("--server");
    EXPECT_NE(refused.first, 0) << refused.second.toStdString();
    EXPECT_FALSE(QFileInfo::exists(cluster + "/data")) << "the server was set up in it";
    EXPECT_EQ(QFileInfo(cluster).owner(), "nobody");
}
