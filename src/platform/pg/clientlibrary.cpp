#include "clientlibrary.h"

#include <QFileInfo>

#include <dlfcn.h>
#include <libpq-fe.h>

namespace pg {

QString clientLibraryPath()
{
    Dl_info info {};
    // Any function of the library names the file it came from.
    if (dladdr(reinterpret_cast<void *>(&PQlibVersion), &info) == 0 || !info.dli_fname)
        return QString();
    const QString file = QString::fromLocal8Bit(info.dli_fname);
    const QString resolved = QFileInfo(file).canonicalFilePath();
    return resolved.isEmpty() ? file : resolved;
}

int clientLibraryVersion()
{
    return PQlibVersion();
}

QString clientLibraryVersionText(int version)
{
    if (version <= 0)
        return QString();
    if (version >= 100000)
        return QStringLiteral("%1.%2").arg(version / 10000).arg(version % 10000);
    return QStringLiteral("%1.%2.%3")
        .arg(version / 10000)
        .arg(version / 100 % 100)
        .arg(version % 100);
}

} // namespace pg
