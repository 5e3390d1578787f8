#include "platform/os/osinfo.h"
#include "platform/pg/clientlibrary.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(OsInfo, VersionNumbersFromAReleaseText)
{
    const struct
    {
        const char *release;
        bool ok;
        int major, minor, build;
    } cases[] = {
        { "6.1.0-18-amd64", true, 6, 1, 0 },
        { "5.15.153.1-microsoft-standard-WSL2", true, 5, 15, 153 },
        { "10.0.19045", true, 10, 0, 19045 },
        { "6", true, 6, 0, 0 },
        { "6.8", true, 6, 8, 0 },
        { "", false, 0, 0, 0 },
        { "linux-6.1", false, 0, 0, 0 },
    };
    for (const auto &c : cases) {
        os::VersionNumbers v;
        EXPECT_EQ(os::parseVersionNumbers(QString::fromLatin1(c.release), v), c.ok) << c.release;
        if (c.ok) {
            EXPECT_EQ(v.major, c.major) << c.release;
            EXPECT_EQ(v.minor, c.minor) << c.release;
            EXPECT_EQ(v.build, c.build) << c.release;
        }
    }
}

TEST(OsInfo, UserRankFromUidAndGroups)
{
    const struct
    {
        unsigned uid;
        QStringList groups;
        os::UserRank rank;
    } cases[] = {
        { 0, {}, os::UserRank::Administrator },
        { 1000, { "users", "sudo" }, os::UserRank::Administrator },
        { 1000, { "wheel" }, os::UserRank::Administrator },
        { 1000, { "users", "audio" }, os::UserRank::User },
        { 1000, {}, os::UserRank::User },
        { 1000, { "Sudo" }, os::UserRank::User }, // group names are exact
    };
    for (const auto &c : cases)
        EXPECT_EQ(os::userRankOf(c.uid, c.groups), c.rank)
            << c.uid << " " << c.groups.join(',').toStdString();
    EXPECT_NE(os::currentUserRank(), os::UserRank::Unknown);
}

TEST(OsInfo, SearchPathAndBits)
{
    EXPECT_EQ(os::searchPathSeparator(), QLatin1Char(':'));
    EXPECT_EQ(os::searchPath(), qEnvironmentVariable("PATH"));
    EXPECT_EQ(os::processBits(), int(sizeof(void *) * 8));
    EXPECT_TRUE(os::platformFamily().isEmpty());
}

TEST(ClientLibrary, VersionText)
{
    const struct
    {
        int version;
        const char *text;
    } cases[] = {
        { 150005, "15.5" }, { 170000, "17.0" }, { 100012, "10.12" }, { 90624, "9.6.24" }, { 0, "" }
    };
    for (const auto &c : cases)
        EXPECT_EQ(pg::clientLibraryVersionText(c.version), QString::fromLatin1(c.text))
            << c.version;
}

TEST(ClientLibrary, PathIsTheMappedFile)
{
    const QString path = pg::clientLibraryPath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isAbsolute());
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith("libpq.so")) << path.toStdString();
    QFile maps("/proc/self/maps");
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromLocal8Bit(maps.readAll()).contains(path));
    EXPECT_GE(pg::clientLibraryVersion(), 100000);
}

} // namespace
