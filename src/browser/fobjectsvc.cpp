// The session services of the connection window: statements, scripts, queries and the pick
// lists, all on the main session in the user-interface thread. The interface's own bodies do
// the work; the window adds the SQL-wait cursor and runs single statements itself.
#include "fobject.h"

#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"

void TfrmObject::ExecuteSQL(const QString &SQLText)
{
    const SQLWaitCursor wait;
    m_dbsMain->execStatement(SQLText);
}

void TfrmObject::ExecuteSQL(const QString &SQLText, const QStringList &ParamData)
{
    const SQLWaitCursor wait;
    ConnectionWindow::ExecuteSQL(SQLText, ParamData);
}

void TfrmObject::ExecuteSQL(const QStringList &SQLText, bool IgnoreError)
{
    const SQLWaitCursor wait;
    ConnectionWindow::ExecuteSQL(SQLText, IgnoreError);
}

pg::Result TfrmObject::OpenSQL(const QString &SQLText)
{
    const SQLWaitCursor wait;
    return ConnectionWindow::OpenSQL(SQLText);
}

pg::Result TfrmObject::OpenSQL(const QString &SQLText, const QStringList &ParamData)
{
    const SQLWaitCursor wait;
    return ConnectionWindow::OpenSQL(SQLText, ParamData);
}

int TfrmObject::GetMySID()
{
    return ConnectionWindow::GetMySID();
}

QString TfrmObject::VerStr(int Version, const QString &S1, const QString &S2) const
{
    return m_dbVer >= Version ? S1 : S2;
}

QStringList TfrmObject::GetUser(bool AddPublic)
{
    const SQLWaitCursor wait;
    return ConnectionWindow::GetUser(AddPublic);
}

QStringList TfrmObject::GetRole()
{
    const SQLWaitCursor wait;
    return ConnectionWindow::GetRole();
}

QStringList TfrmObject::GetTBS()
{
    const SQLWaitCursor wait;
    return ConnectionWindow::GetTBS();
}

QStringList TfrmObject::GetDBLink()
{
    const SQLWaitCursor wait;
    return ConnectionWindow::GetDBLink();
}

QStringList TfrmObject::GetObject(const QString &Schema, const QString &ObjectType)
{
    const SQLWaitCursor wait;
    return ConnectionWindow::GetObject(Schema, ObjectType);
}

QStringList TfrmObject::GetDataType(int ObjType)
{
    const SQLWaitCursor wait;
    return ConnectionWindow::GetDataType(ObjType);
}

QStringList TfrmObject::GetSchemaInfo(bool ObjList)
{
    const SQLWaitCursor wait;
    return ConnectionWindow::GetSchemaInfo(ObjList);
}
