#include "testserver.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

namespace {

ServerInfo readServerInfo()
{
    ServerInfo info;
    const QString path = qEnvironmentVariable("CORVANE_TEST_SERVER");
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return info;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const int eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq), value = line.mid(eq + 1);
        if (key == "PGHOST")
            info.host = value;
        else if (key == "PGPORT")
            info.port = value.toInt();
        else if (key == "PGUSER")
            info.user = value;
    }
    return info;
}

struct PgConnCloser
{
    void operator()(PGconn *c) const { PQfinish(c); }
};
struct PgResultCloser
{
    void operator()(PGresult *r) const { PQclear(r); }
};

std::unique_ptr<PGresult, PgResultCloser> run(const QString &conninfo, const QString &sql)
{
    std::unique_ptr<PGconn, PgConnCloser> conn(PQconnectdb(conninfo.toUtf8().constData()));
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw std::runtime_error(std::string("connect: ") + PQerrorMessage(conn.get()));
    std::unique_ptr<PGresult, PgResultCloser> res(PQexec(conn.get(), sql.toUtf8().constData()));
    const auto status = PQresultStatus(res.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error(sql.toStdString() + ": " + PQerrorMessage(conn.get()));
    return res;
}

} // namespace

const ServerInfo &server()
{
    static const ServerInfo info = readServerInfo();
    if (info.port == 0)
        ADD_FAILURE() << "no test server: run the tests through ctest, which starts one";
    return info;
}

QString conninfo(const QString &database, bool tcp)
{
    const ServerInfo &s = server();
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4 connect_timeout=10")
        .arg(tcp ? QStringLiteral("127.0.0.1") : s.host)
        .arg(s.port)
        .arg(s.user, database);
}

QString uniqueName(const QString &base)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("%1_%2_%3").arg(base).arg(getpid()).arg(++counter);
}

QStringList queryColumn(const QString &conninfo, const QString &sql)
{
    auto res = run(conninfo, sql);
    QStringList out;
    const int rows = PQntuples(res.get());
    for (int r = 0; r < rows; ++r)
        out << QString::fromUtf8(PQgetvalue(res.get(), r, 0));
    return out;
}

QString queryValue(const QString &conninfo, const QString &sql)
{
    const QStringList rows = queryColumn(conninfo, sql);
    return rows.isEmpty() ? QString() : rows.first();
}

void exec(const QString &conninfo, const QString &sql)
{
    run(conninfo, sql);
}

TestDatabase::TestDatabase()
    : m_name(uniqueName(QStringLiteral("t")))
{
    testsupport::exec(testsupport::conninfo("postgres"),
                      QStringLiteral("CREATE DATABASE %1 TEMPLATE corvane_template").arg(m_name));
}

TestDatabase::~TestDatabase()
{
    try {
        testsupport::exec(testsupport::conninfo("postgres"),
                          QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    } catch (const std::exception &) {
        // the cluster goes with the run anyway
    }
}

QString testTempDir()
{
    static QTemporaryDir dir;
    return dir.path();
}

} // namespace testsupport
