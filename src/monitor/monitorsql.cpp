#include "monitorsql.h"

#include "core/qvname.h"

namespace monitorsql {

constexpr int statusColumnsVersion
    = 90200; // pid, query and state replaced procpid, current_query and waiting
constexpr int lastSysOidDroppedVersion = 150000;

} // namespace monitorsql

QString SessionListSQL(int serverVersion)
{
    if (serverVersion >= monitorsql::statusColumnsVersion) {
        return QStringLiteral("SELECT pid, usesysid, usename, datid, datname,"
                              " host(client_addr) AS client_ip, application_name,"
                              " TO_CHAR(backend_start, 'yyyy/mm/dd hh24:mi:ss') AS backend_start,"
                              " state, query"
                              " FROM pg_stat_activity"
                              " WHERE datname = :datname"
                              " ORDER BY pid");
    }
    return QStringLiteral("SELECT procpid, usesysid, usename, datid, datname,"
                          " host(client_addr) AS client_ip, application_name,"
                          " TO_CHAR(backend_start, 'yyyy/mm/dd hh24:mi:ss') AS backend_start,"
                          " waiting, current_query"
                          " FROM pg_stat_activity"
                          " WHERE datname = :datname"
                          " ORDER BY procpid");
}

QString TerminateBackendSQL()
{
    return QStringLiteral("SELECT pg_terminate_backend(CAST(:pid AS integer))");
}

QString LockListSQL(int serverVersion)
{
    const bool current = serverVersion >= monitorsql::statusColumnsVersion;
    const QString pid = current ? QStringLiteral("pid") : QStringLiteral("procpid");
    const QString query = current ? QStringLiteral("query") : QStringLiteral("current_query");
    return QStringLiteral(
               "SELECT l.pid, l.locktype, a.usename, d.datname, c.relname, l.mode, l.granted,"
               " to_char((clock_timestamp() - a.xact_start)::interval(3), 'HH24:MI:SS.MS')"
               " AS duration,"
               " a.%2"
               " FROM pg_locks l"
               " LEFT OUTER JOIN pg_database d ON l.database = d.oid"
               " LEFT OUTER JOIN pg_stat_activity a ON l.pid = a.%1"
               " LEFT OUTER JOIN pg_class c ON l.relation = c.oid"
               " WHERE d.datname = :db_name OR a.datname = :db_name"
               " ORDER BY l.pid")
        .arg(pid, query);
}

QString ClearStatisticsSnapshotSQL()
{
    return QStringLiteral("SELECT pg_stat_clear_snapshot()");
}

QString DatabaseListSQL()
{
    return QStringLiteral("SELECT datname FROM pg_database WHERE datistemplate = false");
}

QString DatabaseInfoSQL(int serverVersion)
{
    const QString lastSysOid = serverVersion < monitorsql::lastSysOidDroppedVersion
        ? QStringLiteral(" db.datlastsysoid,")
        : QString();
    return QStringLiteral("SELECT db.datname, db.oid, db.datdba, au.rolname,"
                          " pg_encoding_to_char(db.encoding) AS \"encode_name\","
                          " db.datcollate, db.datctype, db.datistemplate, db.datallowconn,"
                          " db.datconnlimit,%1 db.datfrozenxid, db.dattablespace, ts.spcname"
                          " FROM pg_database db"
                          " LEFT OUTER JOIN pg_roles au ON db.datdba = au.oid"
                          " LEFT OUTER JOIN pg_tablespace ts ON db.dattablespace = ts.oid"
                          " WHERE datname = :datname")
        .arg(lastSysOid);
}

QString SuperUserSQL()
{
    return QStringLiteral("SELECT rolsuper FROM pg_roles WHERE rolname = current_user");
}

QString CategoryListSQL()
{
    return QStringLiteral(
        "SELECT DISTINCT(category) AS \"category\" FROM pg_settings ORDER BY category");
}

QString ParameterListSQL()
{
    return QStringLiteral("SELECT name, vartype, setting, unit, context, category"
                          " FROM pg_settings"
                          " WHERE ( UPPER(name) LIKE UPPER(:kensaku)"
                          " OR UPPER(vartype) LIKE UPPER(:kensaku)"
                          " OR UPPER(setting) LIKE UPPER(:kensaku)"
                          " OR UPPER(unit) LIKE UPPER(:kensaku)"
                          " OR UPPER(context) LIKE UPPER(:kensaku)"
                          " OR UPPER(category) LIKE UPPER(:kensaku) )"
                          " AND UPPER(category) LIKE UPPER(:category)"
                          " ORDER BY name");
}

QString ServerInfoSQL()
{
    QString sql = QStringLiteral(
        "SELECT version(),"
        " TO_CHAR(pg_conf_load_time(), 'yyyy/mm/dd hh24:mi:ss') AS \"conf_load_time\","
        " TO_CHAR(pg_postmaster_start_time(), 'yyyy/mm/dd hh24:mi:ss')"
        " AS \"postmaster_start_time\"");
    for (const char *setting :
         { "config_file", "data_directory", "external_pid_file", "hba_file", "ident_file" }) {
        sql += QStringLiteral(", (SELECT setting FROM pg_settings WHERE name = '%1') AS \"%1\"")
                   .arg(QLatin1String(setting));
    }
    return sql;
}

QString AutoConfSQL()
{
    return QStringLiteral(
        "SELECT convert_from(pg_read_binary_file('postgresql.auto.conf'), 'UTF8')");
}

QString SetConfigSQL()
{
    return QStringLiteral("SELECT set_config(:name, :value, false)");
}

QString ReloadConfSQL()
{
    return QStringLiteral("SELECT pg_reload_conf()");
}

QString CategoryMainPart(const QString &category)
{
    const qsizetype slash = category.indexOf(QLatin1Char('/'));
    return slash < 0 ? category : category.left(slash).trimmed();
}

bool IsQuotedListSetting(const QString &name)
{
    static const QStringList lists = {
        QStringLiteral("search_path"),
        QStringLiteral("temp_tablespaces"),
        QStringLiteral("shared_preload_libraries"),
        QStringLiteral("session_preload_libraries"),
        QStringLiteral("local_preload_libraries"),
    };
    return lists.contains(name.trimmed(), Qt::CaseInsensitive);
}

QStringList SettingListElements(const QString &value)
{
    QStringList elements;
    QString current;
    bool quoted = false;
    for (const QChar c : value) {
        if (c == QLatin1Char('"'))
            quoted = !quoted; // a doubled quote inside toggles twice and stays in the text
        if (c == QLatin1Char(',') && !quoted) {
            elements << current;
            current.clear();
        } else {
            current += c;
        }
    }
    elements << current;
    for (QString &element : elements)
        element = DequoteName(element.trimmed());
    return elements;
}

QString AlterSystemSQL(int mode, const QString &name, const QString &value)
{
    switch (mode) {
    case 0: {
        QStringList literals;
        if (IsQuotedListSetting(name)) {
            for (const QString &element : SettingListElements(value))
                literals << QuoteLiteral(element);
        } else {
            literals << QuoteLiteral(value);
        }
        return QStringLiteral("ALTER SYSTEM SET ") + name + QStringLiteral(" = ")
            + literals.join(QStringLiteral(", "));
    }
    case 1:
        return QStringLiteral("ALTER SYSTEM SET ") + name + QStringLiteral(" = DEFAULT");
    default:
        return QStringLiteral("ALTER SYSTEM RESET ALL");
    }
}
