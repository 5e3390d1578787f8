#pragma once

#include <QString>

// The operating system described in words for the support window. Nothing is kept: each call
// asks the system again. The version numbers are those of the running kernel.

// The product name of the system ("Debian GNU/Linux 12 (bookworm)"), or Default when the
// system does not name itself.
QString GetWindowsName(const QString &Default);

// One fact by kind:
//   0 "64ビット" / "32ビット" (the program's architecture)   5 "Windows", "MacOS" or empty
//   1 build number   2 major version   3 minor version          6 "0.0", 7 "0", 8 "0" (no
//   4 the product name, "Unknown" when there is none             service packs here)
//   9 major "." minor "." build (for example 6.1.0)           any other kind: empty
// Default when the version cannot be read for kinds 1 to 3 and 9.
QString GetOSVersionText(quint8 Kind, const QString &Default);
