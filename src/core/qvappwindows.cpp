#include "qvappwindows.h"

#include "platform/pg/connection.h"
#include "qvconnkey.h"
#include "qvtypetext.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

namespace qvappwindows {
MainWindowServices *mainServices = nullptr;
constexpr int messageBase = QEvent::User + 0x8000;
} // namespace qvappwindows

QStringList ConnectionWindow::GetDataType(int)
{
    QStringList names;
    if (pg::Connection *connection = dbsMain()) {
        const pg::Result rows = connection->exec(GetDataTypeSQL());
        names.reserve(rows.rowCount());
        for (int row = 0; row < rows.rowCount(); ++row)
            names << rows.text(row, 0);
    }
    return DataTypePickList(names);
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
