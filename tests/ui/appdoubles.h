#pragma once

// Stand-ins for the main window and the connection window, with the services the window
// framework asks of them; the connection window's session is a real one when asked to open.
#include "core/qvappwindows.h"
#include "core/qvfontmap.h"
#include "core/qvobjeditors.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "platform/pg/connection.h"
#include "platform/registry/settingsstore.h"
#include "ui/qvforms.h"

#include "testserver.h"

#include <QComboBox>
#include <QIcon>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>

namespace appdoubles {

class TestConnectionWindow : public QWidget, public ConnectionWindow
{
public:
    // A session to database of the fixture server; opened only when open is set.
    explicit TestConnectionWindow(const QString &database, bool open = false,
                                  const QString &user = QString())
    {
        const testsupport::ServerInfo &s = testsupport::server();
        m_connection.setParam("Server", s.host);
        m_connection.setParam("Port", QString::number(s.port));
        m_connection.setParam("Database", database);
        m_connection.setParam("User_Name", user.isEmpty() ? s.user : user);
        m_connection.setParam("MetaDefSchema", "public");
        if (open)
            m_connection.open();
    }

    ~TestConnectionWindow() override
    {
        // As the connection window does before its sessions go.
        for (const QPointer<QThread> &worker : std::as_const(m_workers)) {
            if (!worker)
                continue;
            worker->requestInterruption();
            while (!worker->wait(100)) {
                m_background.cancel();
                m_background2.cancel();
            }
        }
    }

    QWidget *connectionWidget() override { return this; }
    pg::Connection *dbsMain() const override { return &m_connection; }
    int DBVer() const override { return m_connection.serverVersion(); }
    bool g_bPostgresPlus() const override { return false; }
    using ConnectionWindow::ExecuteSQL;
    void ExecuteSQL(const QString &sql) override
    {
        m_executed << sql;
        m_connection.execStatement(sql);
    }
    void reloadObjectList() override { ++m_reloads; }
    pg::Connection *dbsBG() const override { return &m_background; }
    pg::Connection *dbsBG2() const override { return &m_background2; }
    void RegisterBackgroundWorker(QThread *worker) override { m_workers << worker; }
    // No object list, and no actions to take shortcuts.
    int ObjectCount() const override { return 0; }
    int SelectedObjectCount() const override { return 0; }
    QList<TObjectCall> SelectedObjectCalls() const override { return {}; }
    void SetObjectListStyle(int) override { }
    void SetShortCut() override { }

    QStringList m_executed;
    int m_reloads = 0;

private:
    mutable pg::Connection m_connection;
    mutable pg::Connection m_background;
    mutable pg::Connection m_background2;
    QList<QPointer<QThread>> m_workers;
};

// The main window: the connection selector, the task bar, the multi-document area and the
// directory of connection windows that the reload message goes to.
class TestMainWindow : public QMainWindow, public MainWindowServices, public WindowDirectory
{
public:
    TestMainWindow()
    {
        setObjectName("frmMain");
        setFont(FormFont());
        m_tolTask = new QToolBar(this);
        m_tolTask->setObjectName("tolTask");
        m_tolTask->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        addToolBar(Qt::BottomToolBarArea, m_tolTask);
        m_cmbDBName = new QComboBox(this);
        m_cmbDBName->setObjectName("cmbDBName");
        m_cmbDBName->setMinimumWidth(260);
        auto *top = addToolBar("DB");
        top->addWidget(m_cmbDBName);
        m_mdi = new QMdiArea(this);
        setCentralWidget(m_mdi);
        m_previous = mainWindowServices();
        setMainWindowServices(this);
        m_previousDirectory = windowDirectory();
        setWindowDirectory(this);
        connect(m_cmbDBName, &QComboBox::currentIndexChanged, this,
                [this] { ++m_selectorChanges; });
    }
    ~TestMainWindow() override
    {
        setWindowDirectory(m_previousDirectory);
        setMainWindowServices(m_previous);
    }

    void addConnection(TestConnectionWindow *window)
    {
        m_connections << window;
        m_cmbDBName->addItem(ConnectionKey(*window),
                             QVariant::fromValue<QObject *>(window->connectionWidget()));
    }

    QWidget *mainWidget() override { return this; }
    ConnectionWindow *CurrentForm() const override
    {
        if (m_cmbDBName->currentIndex() < 0)
            return nullptr;
        return dynamic_cast<ConnectionWindow *>(m_cmbDBName->currentData().value<QObject *>());
    }
    void SelectConnection(const QString &key) override
    {
        const QSignalBlocker quiet(m_cmbDBName);
        m_cmbDBName->setCurrentIndex(m_cmbDBName->findText(key, Qt::MatchExactly));
    }
    QToolBar *tolTask() const override { return m_tolTask; }
    QIcon imgMain(int) const override { return QIcon(); }
    void ShowChildWindow(QWidget *window) override
    {
        QMdiSubWindow *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget());
        if (!sub)
            sub = m_mdi->addSubWindow(window);
        window->show();
        sub->show();
        m_mdi->setActiveSubWindow(sub);
    }

    QList<TConnectionEntry> ConnectionEntries() const override
    {
        QList<TConnectionEntry> entries;
        for (int i = 0; i < m_cmbDBName->count(); ++i) {
            entries << TConnectionEntry { m_cmbDBName->itemText(i),
                                          dynamic_cast<ConnectionWindow *>(
                                              m_cmbDBName->itemData(i).value<QObject *>()) };
        }
        return entries;
    }
    QWidget *FindWindow(const QMetaObject *windowClass, const QString &caption,
                        bool show) const override
    {
        const QList<QMdiSubWindow *> subs = m_mdi->subWindowList();
        for (auto it = subs.crbegin(); it != subs.crend(); ++it) {
            QWidget *child = (*it)->widget();
            if (child && child->metaObject()->inherits(windowClass)
                && child->windowTitle() == caption) {
                if (show)
                    const_cast<TestMainWindow *>(this)->ShowChildWindow(child);
                return child;
            }
        }
        return nullptr;
    }

    QList<ObjectListWindow *> connectionWindows() const override
    {
        QList<ObjectListWindow *> windows;
        for (const QPointer<TestConnectionWindow> &window : m_connections) {
            if (window)
                windows << window.data();
        }
        return windows;
    }

    QComboBox *selector() const { return m_cmbDBName; }
    QMdiArea *mdiArea() const { return m_mdi; }
    int m_selectorChanges = 0;

private:
    QToolBar *m_tolTask;
    QComboBox *m_cmbDBName;
    QMdiArea *m_mdi;
    MainWindowServices *m_previous = nullptr;
    WindowDirectory *m_previousDirectory = nullptr;
    // Windows a test deletes before the main window drop out.
    QList<QPointer<TestConnectionWindow>> m_connections;
};

// A settings file of the test's own behind AppRegistry.
class OwnRegistry
{
public:
    OwnRegistry()
        : m_store(std::make_unique<reg::SettingsStore>(m_dir.filePath("QVR22.reg")))
        , m_registry(std::make_unique<TqvRegistry>(m_store.get()))
        , m_old(AppRegistry)
    {
        AppRegistry = m_registry.get();
    }
    ~OwnRegistry() { AppRegistry = m_old; }
    reg::SettingsStore &store() { return *m_store; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<reg::SettingsStore> m_store;
    std::unique_ptr<TqvRegistry> m_registry;
    TqvRegistry *m_old;
};

} // namespace appdoubles
