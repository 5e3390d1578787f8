#pragma once

#include <QString>
#include <QStringList>

// Access to the throwaway server that the CTest fixture starts for a test run.
namespace testsupport {

struct ServerInfo
{
    QString host; // the socket folder
    int port = 0;
    QString user;
};

// The fixture's server; fails the calling test when the run has no server.
const ServerInfo &server();

// libpq connection string for a database of the fixture server, over the Unix socket or TCP.
QString conninfo(const QString &database, bool tcp = false);

// A name unique to this process, for databases and cluster-wide objects (roles, tablespaces).
QString uniqueName(const QString &base);

// Runs one statement on its own connection and returns the first column of every row;
// throws std::runtime_error with the server's message on failure. Meant for checks "from a
// second connection".
QStringList queryColumn(const QString &conninfo, const QString &sql);
QString queryValue(const QString &conninfo, const QString &sql);
void exec(const QString &conninfo, const QString &sql);

// A fresh database created from the template that holds the sample schema; dropped when the
// object goes (connections still open to it are ended first).
class TestDatabase
{
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    QString name() const { return m_name; }
    QString conninfo(bool tcp = false) const { return testsupport::conninfo(m_name, tcp); }
    QString query(const QString &sql) const { return queryValue(conninfo(), sql); }
    void exec(const QString &sql) const { testsupport::exec(conninfo(), sql); }

private:
    QString m_name;
};

// A folder under the test's own temporary folder (settings, data and documents of the process).
QString testTempDir();

} // namespace testsupport
