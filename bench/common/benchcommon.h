#pragma once

// What the benchmarks share: the server to run against, the query of N rows × 10 columns of
// mixed types, and the process's peak memory.

#include "platform/pg/connection.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

namespace bench {

// Connection settings; they default to the PG* environment.
struct Server
{
    QString host = qEnvironmentVariable("PGHOST");
    QString port = qEnvironmentVariable("PGPORT");
    QString database = qEnvironmentVariable("PGDATABASE", QStringLiteral("postgres"));
    QString user = qEnvironmentVariable("PGUSER");

    // Takes --host, --port, --db and --user; false for any other option.
    bool takeOption(const QString &key, const QString &value)
    {
        if (key == QLatin1String("--host"))
            host = value;
        else if (key == QLatin1String("--port"))
            port = value;
        else if (key == QLatin1String("--db"))
            database = value;
        else if (key == QLatin1String("--user"))
            user = value;
        else
            return false;
        return true;
    }

    void applyTo(pg::Connection &connection) const
    {
        connection.setParam(QStringLiteral("Server"), host);
        connection.setParam(QStringLiteral("Port"), port);
        connection.setParam(QStringLiteral("Database"), database);
        connection.setParam(QStringLiteral("User_Name"), user);
        connection.setParam(QStringLiteral("Password"), qEnvironmentVariable("PGPASSWORD"));
    }
};

// Reads the "--key value" pairs of a command line: the server's options into server, every
// other pair through take(key, value).
template<class Take> void readOptions(const QStringList &args, Server &server, Take take)
{
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString &key = args.at(i);
        const QString &value = args.at(i + 1);
        if (!server.takeOption(key, value))
            take(key, value);
    }
}

inline QString mixedRowsSql(qint64 rows)
{
    return QStringLiteral(
               "SELECT g AS id,"
               " g * 1.5 AS amount,"
               " 'row ' || g AS label,"
               " g % 7 = 0 AS flag,"
               " timestamp '2026-01-01' + g * interval '1.000001 second' AS stamp,"
               " date '2026-01-01' + (g % 365)::int AS day,"
               " g::float8 / 3 AS ratio,"
               " md5(g::text) AS hash,"
               " CASE WHEN g % 10 = 0 THEN NULL ELSE 'テキスト' || (g % 100) END AS note,"
               " (g % 32767)::int2 AS small"
               " FROM generate_series(1, %1::bigint) AS g")
        .arg(rows);
}

// Counts the paints of a widget (install it on the widget's viewport).
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// Milliseconds since the timer started.
inline double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

inline long peakKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace bench
