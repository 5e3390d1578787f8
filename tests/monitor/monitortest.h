#pragma once

// The ground of the monitoring windows' tests: the program's main window with the monitoring
// windows registered as the program registers them, connection windows on fresh databases of
// the fixture server, and second sessions that play the other users of the server.
#include "../shell/shelltest.h"

#include "browser/fobject.h"
#include "core/qvappwindows.h"
#include "core/qvtoolwindows.h"
#include "monitor/monitorwindows.h"
#include "platform/pg/connection.h"
#include "testserver.h"
#include "ui/qvcomctrls.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

namespace monitortest {

using shelltest::MainEnvironment;

// A session of the fixture server of its own (another user of the server).
inline std::unique_ptr<pg::Connection> openSession(const QString &database,
                                                   const QString &application = QString(),
                                                   const QString &user = QString())
{
    const testsupport::ServerInfo &s = testsupport::server();
    auto session = std::make_unique<pg::Connection>();
    session->setParam("Server", s.host);
    session->setParam("Port", QString::number(s.port));
    session->setParam("Database", database);
    session->setParam("User_Name", user.isEmpty() ? s.user : user);
    if (!application.isEmpty())
        session->setParam("ApplicationName", application);
    session->open();
    return session;
}

// A login role without superuser rights for one test, dropped afterwards.
class LoginRole
{
public:
    LoginRole()
        : m_name(testsupport::uniqueName(QStringLiteral("mon_user")))
    {
        testsupport::exec(testsupport::conninfo(QStringLiteral("postgres")),
                          QStringLiteral("CREATE ROLE %1 LOGIN").arg(m_name));
    }
    ~LoginRole()
    {
        try {
            testsupport::exec(testsupport::conninfo(QStringLiteral("postgres")),
                              QStringLiteral("DROP ROLE IF EXISTS %1").arg(m_name));
        } catch (...) { }
    }
    QString name() const { return m_name; }

private:
    QString m_name;
};

// Waits, without a time limit of the test's own beyond a generous bound, until check is true;
// false when it never was.
inline bool waitUntil(const std::function<bool()> &check)
{
    for (int i = 0; i < 600; ++i) {
        if (check())
            return true;
        QThread::msleep(50);
    }
    return false;
}

class MonitorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterMonitorWindows();
        main = std::make_unique<TfrmMain>();
        main->resize(1100, 800);
        main->show();
        AppOption.KeepAliveInterval = 0;
        AppOption.UpdateToCommit = autoCommit;
        db.exec(QStringLiteral("create table t (id int primary key, v text); "
                               "insert into t values (1, 'one')"));
    }
    void TearDown() override
    {
        for (QMdiSubWindow *sub : main->mdiArea()->subWindowList())
            delete sub;
        main.reset();
        for (const char *name : { ToolWindowSession, ToolWindowLock, ToolWindowDatabase })
            RegisterToolWindow(QString::fromLatin1(name), {});
    }

    // A connection window on database, as the logon dialog makes it; it becomes the current one.
    TfrmObject *connect(const QString &database, const QString &user = QString())
    {
        const testsupport::ServerInfo &s = testsupport::server();
        TfrmObject *window = TfrmObject::Create(main.get(), s.host, QString::number(s.port),
                                                database, QStringLiteral("public"),
                                                user.isEmpty() ? s.user : user, QString());
        main->UpdateActions();
        return window;
    }
    // Brings window to the front as a click on it does.
    void activate(QWidget *window)
    {
        main->mdiArea()->setActiveSubWindow(subWindow(window));
        main->UpdateActions();
    }
    // The main window's command actionName; the window in front afterwards.
    template<class T> T *command(const char *actionName)
    {
        main->action(QLatin1String(actionName))->trigger();
        QMdiSubWindow *active = main->mdiArea()->activeSubWindow();
        return active ? qobject_cast<T *>(active->widget()) : nullptr;
    }
    template<class T> int windowsOf() const
    {
        int n = 0;
        for (QMdiSubWindow *sub : main->mdiArea()->subWindowList())
            n += qobject_cast<T *>(sub->widget()) != nullptr;
        return n;
    }
    static QMdiSubWindow *subWindow(QWidget *widget)
    {
        return qobject_cast<QMdiSubWindow *>(widget->parentWidget());
    }
    // Closes the child window around widget as its close button does.
    static void closeChild(QWidget *widget)
    {
        subWindow(widget)->close();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The first row of list whose column holds text; nullptr when none does.
    static QTreeWidgetItem *rowWith(TqvListView *list, int column, const QString &text)
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(column) == text)
                return list->topLevelItem(i);
        }
        return nullptr;
    }
    static QList<QTreeWidgetItem *> rowsWith(TqvListView *list, int column, const QString &text)
    {
        QList<QTreeWidgetItem *> rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(column) == text)
                rows << list->topLevelItem(i);
        }
        return rows;
    }

    bool autoCommit = true; // the option UpdateToCommit for the connection windows of the test
    MainEnvironment env;
    testsupport::TestDatabase db;
    std::unique_ptr<TfrmMain> main;
};

// The same with auto-commit off: every connection window holds a transaction open.
class MonitorTestInTransaction : public MonitorTest
{
protected:
    void SetUp() override
    {
        autoCommit = false;
        MonitorTest::SetUp();
    }
};

} // namespace monitortest
