#include "core/qvosversion.h"
#include "platform/os/osinfo.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TEST(OsVersionText, EveryKind)
{
    os::VersionNumbers v;
    ASSERT_TRUE(os::parseVersionNumbers(os::kernelRelease(), v));
    const struct
    {
        quint8 kind;
        QString text;
    } cases[] = {
        { 0, sizeof(void *) == 8 ? QStringLiteral("64ビット") : QStringLiteral("32ビット") },
        { 1, QString::number(v.build) },
        { 2, QString::number(v.major) },
        { 3, QString::number(v.minor) },
        { 4, GetWindowsName(QStringLiteral("Unknown")) },
        { 5, QString() },
        { 6, QStringLiteral("0.0") },
        { 7, QStringLiteral("0") },
        { 8, QStringLiteral("0") },
        { 9, QStringLiteral("%1.%2.%3").arg(v.major).arg(v.minor).arg(v.build) },
        { 10, QString() },
        { 255, QString() },
    };
    for (const auto &c : cases)
        EXPECT_EQ(GetOSVersionText(c.kind, QStringLiteral("Unknown")), c.text) << int(c.kind);
    EXPECT_TRUE(GetOSVersionText(9, "x").contains(QRegularExpression("^\\d+\\.\\d+\\.\\d+$")));
}

TEST(OsVersionText, ProductName)
{
    EXPECT_EQ(GetWindowsName("Unknown"),
              os::productName().isEmpty() ? "Unknown" : os::productName());
    EXPECT_FALSE(GetWindowsName("Unknown").isEmpty());
}

} // namespace
