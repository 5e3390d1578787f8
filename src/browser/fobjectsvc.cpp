// The session services of the connection window: statements, scripts, queries and the pick
// lists, all on the main session in the user-interface thread.
#include "fobject.h"

#include "fobjectsql.h"

#include "core/qvscript.h"
#include "core/qvtypetext.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/query.h"

#include <optional>

void TfrmObject::ExecuteSQL(const QString &SQLText)
{
    const SQLWaitCursor wait;
    m_dbsMain->exec(SQLText);
}

void TfrmObject::ExecuteSQL(const QString &SQLText, const QStringList &ParamData)
{
    const SQLWaitCursor wait;
    pg::Query query(*m_dbsMain);
    query.setSql(SQLText);
    query.bindValues(ParamData);
    query.execute();
}

void TfrmObject::ExecuteSQL(const QStringList &SQLText, bool IgnoreError)
{
    const SQLWaitCursor wait;
    const QStringList statements = SplitScriptStatements(SQLText);
    // Going on after a failure inside a transaction needs each statement in its own savepoint;
    // otherwise the first failure would make every later statement fail as well.
    std::optional<pg::ContinueOnErrorScope> savepoints;
    if (IgnoreError)
        savepoints.emplace(*m_dbsMain);
    for (const QString &statement : statements) {
        try {
            ExecuteSQL(statement);
        } catch (const pg::Error &) {
            if (!IgnoreError)
                throw;
        }
    }
}

pg::Result TfrmObject::OpenSQL(const QString &SQLText)
{
    const SQLWaitCursor wait;
    return m_dbsMain->exec(SQLText);
}

pg::Result TfrmObject::OpenSQL(const QString &SQLText, const QStringList &ParamData)
{
    const SQLWaitCursor wait;
    pg::Query query(*m_dbsMain);
    query.setSql(SQLText);
    query.bindValues(ParamData);
    return query.open();
}

int TfrmObject::GetMySID()
{
    try {
        const pg::Result result = OpenSQL(QStringLiteral("SELECT pg_backend_pid()"));
        if (result.rowCount() == 0)
            return 0;
        return result.text(0, 0).toInt();
    } catch (const pg::Error &) {
        return -1;
    }
}

QString TfrmObject::VerStr(int Version, const QString &S1, const QString &S2) const
{
    return m_dbVer >= Version ? S1 : S2;
}

QStringList TfrmObject::pickList(const QString &sql, const QStringList &params)
{
    const SQLWaitCursor wait;
    const pg::Result result = params.isEmpty() ? OpenSQL(sql) : OpenSQL(sql, params);
    QStringList names;
    names.reserve(result.rowCount());
    for (int row = 0; row < result.rowCount(); ++row)
        names << result.text(row, 0);
    return names;
}

QStringList TfrmObject::GetUser(bool AddPublic)
{
    QStringList names = pickList(
        QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = True ORDER BY 1"));
    if (AddPublic)
        names << QStringLiteral("public");
    return names;
}

QStringList TfrmObject::GetRole()
{
    return pickList(
        QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = False ORDER BY 1"));
}

QStringList TfrmObject::GetTBS()
{
    return pickList(QStringLiteral("SELECT spcname FROM pg_tablespace ORDER BY 1"));
}

QStringList TfrmObject::GetDBLink()
{
    return pickList(QStringLiteral("select lnkname from edb_dblink order by 1"));
}

QStringList TfrmObject::GetObject(const QString &Schema, const QString &ObjectType)
{
    const QString sql = GetObjectSQL(Schema, ObjectType, m_dbVer, m_postgresPlus);
    if (Schema.trimmed().isEmpty())
        return pickList(sql);
    return pickList(sql, { Schema });
}

QStringList TfrmObject::GetDataType(int ObjType)
{
    return DataTypePickList(pickList(GetDataTypeSQL()));
}

QStringList TfrmObject::GetSchemaInfo(bool ObjList)
{
    return pickList(GetSchemaInfoSQL(ObjList, m_dbVer, m_postgresPlus));
}
