#include "osinfo.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSysInfo>

#include <cerrno>
#include <grp.h>
#include <sys/types.h>
#include <unistd.h>

#include <vector>

namespace os {

QString productName()
{
    return QSysInfo::prettyProductName();
}

QString kernelRelease()
{
    return QSysInfo::kernelVersion();
}

bool parseVersionNumbers(const QString &release, VersionNumbers &numbers)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?"));
    const QRegularExpressionMatch match = pattern.match(release);
    if (!match.hasMatch())
        return false;
    numbers.major = match.captured(1).toInt();
    numbers.minor = match.captured(2).toInt();
    numbers.build = match.captured(3).toInt();
    return true;
}

int processBits()
{
    return QSysInfo::WordSize;
}

QString platformFamily()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Windows");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("MacOS");
#else
    return QString();
#endif
}

UserRank userRankOf(unsigned uid, const QStringList &groupNames)
{
    if (uid == 0)
        return UserRank::Administrator;
    for (const char *adminGroup : { "sudo", "wheel", "admin" }) {
        if (groupNames.contains(QLatin1String(adminGroup)))
            return UserRank::Administrator;
    }
    return UserRank::User;
}

UserRank currentUserRank()
{
    const int count = getgroups(0, nullptr);
    if (count < 0)
        return UserRank::Unknown;
    std::vector<gid_t> groups(size_t(count) + 1);
    const int read = getgroups(count, groups.data());
    if (read < 0)
        return UserRank::Unknown;
    groups.resize(size_t(read));
    groups.push_back(getegid());
    QStringList names;
    for (const gid_t gid : groups) {
        // getgrgid_r with a buffer that grows until the entry fits.
        std::vector<char> buffer(1024);
        group entry {};
        group *found = nullptr;
        int rc = 0;
        while ((rc = getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE)
            buffer.resize(buffer.size() * 2);
        if (rc == 0 && found && found->gr_name)
            names << QString::fromLocal8Bit(found->gr_name);
    }
    return userRankOf(unsigned(geteuid()), names);
}

QString programFile()
{
    return QCoreApplication::applicationFilePath();
}

QString searchPath()
{
    return qEnvironmentVariable("PATH");
}

QChar searchPathSeparator()
{
#if defined(Q_OS_WIN)
    return QLatin1Char(';');
#else
    return QLatin1Char(':');
#endif
}

} // namespace os
