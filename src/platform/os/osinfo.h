#pragma once

#include <QString>
#include <QStringList>

// Facts about the running system for the support window: no state, each call asks again.
namespace os {

// The distribution's own name of the system ("Debian GNU/Linux 12 (bookworm)"); empty when
// it cannot be told.
QString productName();

// The kernel release as the system reports it ("6.1.0-18-amd64").
QString kernelRelease();

// The first three numbers of a release text ("6.1.0-18-amd64" → 6, 1, 0); false when it does
// not begin with a number.
struct VersionNumbers
{
    int major = 0;
    int minor = 0;
    int build = 0;
};
bool parseVersionNumbers(const QString &release, VersionNumbers &numbers);

// 64 or 32: the width of the processor architecture the program was built for.
int processBits();

// "Windows", "MacOS", or empty for any other system.
QString platformFamily();

// The rank of the current user: an administrator (the superuser, or a member of a group that
// may act as one: sudo, wheel, admin), an ordinary user, or unknown when the user database
// cannot be read.
enum class UserRank { Administrator, User, Unknown };
UserRank currentUserRank();
// Pure part of it: uid and the names of the user's groups.
UserRank userRankOf(unsigned uid, const QStringList &groupNames);

// The program file's full path, exactly as the system names it.
QString programFile();

// The search path of programs and the character that separates its folders.
QString searchPath();
QChar searchPathSeparator();

} // namespace os
