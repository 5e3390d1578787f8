// The sample cluster that scripts/run.sh starts trusts whoever connects, so nobody but its owner
// may reach it: it listens on no TCP address, and its socket folder is closed to other users.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSandbox = QStringLiteral(CORVANE_SOURCE_DIR "/scripts/pg-sandbox.sh");

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
