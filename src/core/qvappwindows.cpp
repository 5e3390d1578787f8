#include "qvappwindows.h"

#include "qvgrant.h"

#include "platform/pg/connection.h"
#include "platform/pg/query.h"
#include "platform/pg/result.h"
#include "qvconnkey.h"
#include "qvconnsql.h"
#include "qvobjeditors.h"
#include "qvscript.h"
#include "qvtypetext.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace qvappwindows {
MainWindowServices *mainServices = nullptr;
constexpr int messageBase = QEvent::User + 0x8000;

// The first column of every row, as text, in row order.
QStringList firstColumn(const pg::Result &rows)
{
    QStringList names;
    names.reserve(rows.rowCount());
    for (int row = 0; row < rows.rowCount(); ++row)
        names << rows.text(row, 0);
    return names;
}

// One statement with ":name" parameters bound by position, on the window's main session.
pg::Result runWithParameters(pg::Connection &session, const QString &sql, const QStringList &values)
{
    pg::Query query(session);
    query.setSingleStatement(true);
    query.setSql(sql);
    query.bindValues(values);
    return query.open();
}

} // namespace qvappwindows

void ConnectionWindow::ExecuteSQL(const QString &SQLText, const QStringList &ParamData)
{
    qvappwindows::runWithParameters(*dbsMain(), SQLText, ParamData);
}

void ConnectionWindow::ExecuteSQL(const QStringList &SQLText, bool IgnoreError)
{
    const QStringList statements = SplitScriptStatements(SQLText);
    // Going on after a failure inside a transaction needs each statement in its own savepoint;
    // otherwise the first failure would make every later statement fail as well.
    std::optional<pg::ContinueOnErrorScope> savepoints;
    if (IgnoreError)
        savepoints.emplace(*dbsMain());
    for (const QString &statement : statements) {
        try {
            ExecuteSQL(statement);
        } catch (const pg::Error &) {
            if (!IgnoreError)
                throw;
        }
    }
}

pg::Result ConnectionWindow::OpenSQL(const QString &SQLText)
{
    return dbsMain()->execStatement(SQLText);
}

pg::Result ConnectionWindow::OpenSQL(const QString &SQLText, const QStringList &ParamData)
{
    return qvappwindows::runWithParameters(*dbsMain(), SQLText, ParamData);
}

int ConnectionWindow::GetMySID()
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

QString ConnectionWindow::LoginUser() const
{
    // Kept on the session itself, tagged with its backend, so a reconnect reads it afresh.
    pg::Connection *session = dbsMain();
    if (!session || !session->isOpen())
        return QString();
    const char *const valueKey = "qvLoginUser";
    const char *const pidKey = "qvLoginUserPid";
    const int pid = session->backendPid();
    if (session->property(pidKey).toInt() == pid && pid != 0)
        return session->property(valueKey).toString();
    QString user;
    try {
        const pg::Result result = session->exec(QStringLiteral("SELECT session_user"));
        if (result.rowCount() > 0)
            user = result.text(0, 0);
    } catch (const pg::Error &) {
        return QString();
    }
    session->setProperty(valueKey, user);
    session->setProperty(pidKey, pid);
    return user;
}

QString ConnectionWindow::VerStr(int Version, const QString &S1, const QString &S2) const
{
    return DBVer() >= Version ? S1 : S2;
}

QStringList ConnectionWindow::GetUser(bool AddPublic)
{
    QStringList names = qvappwindows::firstColumn(OpenSQL(GetUserSQL()));
    if (AddPublic)
        names << QStringLiteral("public");
    return names;
}

QStringList ConnectionWindow::GetRole()
{
    return qvappwindows::firstColumn(OpenSQL(GetRoleSQL()));
}

QStringList ConnectionWindow::GetTBS()
{
    return qvappwindows::firstColumn(OpenSQL(GetTBSSQL()));
}

QStringList ConnectionWindow::GetDBLink()
{
    return qvappwindows::firstColumn(OpenSQL(GetDBLinkSQL()));
}

QStringList ConnectionWindow::GetObject(const QString &Schema, const QString &ObjectType)
{
    const QString sql = GetObjectSQL(Schema, ObjectType, DBVer(), g_bPostgresPlus());
    if (Schema.trimmed().isEmpty())
        return qvappwindows::firstColumn(OpenSQL(sql));
    return qvappwindows::firstColumn(OpenSQL(sql, { Schema }));
}

QStringList ConnectionWindow::GetDataType(int)
{
    return DataTypePickList(qvappwindows::firstColumn(OpenSQL(GetDataTypeSQL())));
}

QStringList ConnectionWindow::GetSchemaInfo(bool ObjList)
{
    return qvappwindows::firstColumn(
        OpenSQL(GetSchemaInfoSQL(ObjList, DBVer(), g_bPostgresPlus())));
}

void ConnectionWindow::NewObject(int objectType)
{
    OpenObject(objectType, dbsMain()->param(QStringLiteral("MetaDefSchema")), QString());
}

QWidget *ConnectionWindow::OpenObject(int ObjectType, const QString &Schema,
                                      const QString &ObjectName, TOpenMode OpenMode,
                                      int DefTopRecord, qint64 OID, const QString &TableName)
{
    return OpenObjectWindow(
        this,
        ObjectCallFor(ObjectType, Schema, ObjectName, OpenMode, DefTopRecord, OID, TableName));
}

bool ConnectionWindow::OutputScript(int ObjectType, const QString &Schema,
                                    const QString &ObjectName, QIODevice &Stream,
                                    const QString &NewSchema, const QString &NewObjectName,
                                    qint64 OID, const QString &TableName)
{
    return WriteObjectScript(this,
                             ObjectCallFor(ObjectType, Schema, ObjectName, omDefine, 0, OID,
                                           TableName, NewSchema, NewObjectName),
                             Stream);
}

void ConnectionWindow::OutputGrant(const QString &Schema, const QString &ObjectName,
                                   QIODevice &Stream, int intMode, const QString &strObjCls,
                                   const QString &strOid)
{
    WriteGrantScript(*this, Schema, ObjectName, Stream, intMode, strObjCls, strOid);
}

TConnParams ConnectionParams(const ConnectionWindow &window)
{
    const pg::Connection *connection = window.dbsMain();
    return TConnParams::fromLookup([connection](const QString &name) {
        return connection ? connection->param(name) : QString();
    });
}

QString ConnectionKey(const ConnectionWindow &window)
{
    return GetRecParamCaption(MakeRecParam(ConnectionParams(window)), 0, false);
}

void setMainWindowServices(MainWindowServices *services)
{
    qvappwindows::mainServices = services;
}

MainWindowServices *mainWindowServices()
{
    return qvappwindows::mainServices;
}

AppMessageEvent::AppMessageEvent(int message)
    : QEvent(eventType(message))
    , m_message(message)
{ }

QEvent::Type AppMessageEvent::eventType(int message)
{
    return QEvent::Type(qvappwindows::messageBase + message);
}

int AppMessageEvent::messageOf(const QEvent *event)
{
    const int n = int(event->type()) - qvappwindows::messageBase;
    return n >= QvMsgConnectionListChanged && n <= QvMsgCodeAssist ? n : 0;
}

void SendAppMessage(QObject *target, int message)
{
    if (!target)
        return;
    AppMessageEvent event(message);
    QCoreApplication::sendEvent(target, &event);
}

void BroadcastAppMessage(int message)
{
    QList<QPointer<QWidget>> windows;
    const QWidgetList all = QApplication::allWidgets();
    for (QWidget *widget : all) {
        if (widget->isWindow() || qobject_cast<QMdiSubWindow *>(widget->parentWidget()))
            windows.append(widget);
    }
    for (const QPointer<QWidget> &window : windows) {
        if (window)
            SendAppMessage(window, message);
    }
}
