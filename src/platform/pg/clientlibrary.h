#pragma once

#include <QString>

// The PostgreSQL client library this process has loaded, as the support window reports it.
namespace pg {

// The full path of the shared library file that holds libpq's code in this process (symbolic
// links resolved); empty when the loader cannot tell.
QString clientLibraryPath();

// libpq's own version number (major × 10000 + minor, or major × 10000 + minor × 100 + patch
// before release 10), as PQlibVersion answers it.
int clientLibraryVersion();

// That number as people write it: "15.5", "9.6.24".
QString clientLibraryVersionText(int version);

} // namespace pg
