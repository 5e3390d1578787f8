#include "fobjectsql.h"

#include "platform/pg/connection.h"

TServerFacts ServerFactsFromBanner(const QString &banner)
{
    TServerFacts facts;
    facts.DBVer = pg::versionNumberFromBanner(banner);
    facts.g_bPostgresPlus = banner.contains(QLatin1String("EnterpriseDB"), Qt::CaseInsensitive);
    facts.g_Linux_Ver = banner.contains(QLatin1String("linux"), Qt::CaseSensitive);
    return facts;
}

QString ChooseLogonSchema(const QString &schema, const QStringList &schemas)
{
    if (schemas.isEmpty() || schemas.contains(schema, Qt::CaseSensitive))
        return schema;
    return schemas.first();
}

bool IsLoginTimeout(const QString &message, qint64 elapsedMs, int timeoutSeconds)
{
    // The client library words it in the language of the user's locale.
    if (message.contains(QLatin1String("timeout")) && message.contains(QLatin1String("expired")))
        return true;
    if (message.contains(QStringLiteral("タイムアウト")))
        return true;
    // libpq waits at least two seconds; a little less than the whole time is the time-out
    constexpr qint64 slackMs = 250;
    return timeoutSeconds > 0 && elapsedMs >= qMax(timeoutSeconds, 2) * 1000 - slackMs;
}
