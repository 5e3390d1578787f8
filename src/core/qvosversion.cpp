#include "qvosversion.h"

#include "platform/os/osinfo.h"

QString GetWindowsName(const QString &Default)
{
    const QString name = os::productName();
    return name.isEmpty() ? Default : name;
}

QString GetOSVersionText(quint8 Kind, const QString &Default)
{
    switch (Kind) {
    case 0:
        return os::processBits() == 64 ? QStringLiteral("64ビット") : QStringLiteral("32ビット");
    case 4:
        return GetWindowsName(QStringLiteral("Unknown"));
    case 5:
        return os::platformFamily();
    case 6:
        return QStringLiteral("0.0");
    case 7:
    case 8:
        return QStringLiteral("0");
    case 1:
    case 2:
    case 3:
    case 9:
        break;
    default:
        return QString();
    }
    os::VersionNumbers v;
    if (!os::parseVersionNumbers(os::kernelRelease(), v))
        return Default;
    switch (Kind) {
    case 1:
        return QString::number(v.build);
    case 2:
        return QString::number(v.major);
    case 3:
        return QString::number(v.minor);
    default:
        return QStringLiteral("%1.%2.%3").arg(v.major).arg(v.minor).arg(v.build);
    }
}
