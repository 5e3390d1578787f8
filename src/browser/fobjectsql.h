#pragma once

#include "core/qvconnsql.h"

#include <QString>
#include <QStringList>

// The text rules of the connection window's connect, apart from any window so that they are
// checked on their own. The statements of its pick lists are in core/qvconnsql.h.

// What the version banner of a server ("PostgreSQL 15.4 on x86_64-pc-linux-gnu, …") tells.
struct TServerFacts
{
    int DBVer = 0; // major × 10000 + minor × 100 + patch; 999999 when the version is unreadable
    bool g_bPostgresPlus = false; // the EnterpriseDB edition (the banner names it, any case)
    bool g_Linux_Ver = false; // the server runs on Linux ("linux" in the banner, case counts)
};
TServerFacts ServerFactsFromBanner(const QString &banner);

// The logon schema to use: schema itself when schemas holds it exactly (letter case counts),
// else the first of schemas; schema when schemas is empty.
QString ChooseLogonSchema(const QString &schema, const QStringList &schemas);

// Whether a failed connect ran out of the time the logon waits for the server: the message of
// the client library says so, or the attempt took the whole time.
bool IsLoginTimeout(const QString &message, qint64 elapsedMs, int timeoutSeconds);
