#pragma once

// The main window under test: its own settings file, data folder and answers to its messages,
// and connection windows that stand in for the real ones without a server.
#include "../ui/appdoubles.h"

#include "core/qvdialoghook.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvsub.h"
#include "shell/fmain.h"
#include "shell/fmaincmd.h"
#include "shell/fmaindefs.h"

#include <QCloseEvent>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>

namespace shelltest {

// A connection window with a session that is never opened: its parameters give the connection
// key; version and edition are set by the test; statements are recorded.
class FakeConnectionWindow : public QWidget, public ConnectionWindow
{
public:
    FakeConnectionWindow(const QString &database, int version, bool edition = false,
                         const QString &server = QStringLiteral("dbhost"),
                         const QString &user = QStringLiteral("alice"))
        : m_version(version)
        , m_edition(edition)
    {
        m_connection.setParam("Server", server);
        m_connection.setParam("Port", "5432");
        m_connection.setParam("Database", database);
        m_connection.setParam("User_Name", user);
        m_connection.setParam("MetaDefSchema", "public");
        setWindowTitle(database);
        resize(300, 200);
    }

    QWidget *connectionWidget() override { return this; }
    pg::Connection *dbsMain() const override { return &m_connection; }
    int DBVer() const override { return m_version; }
    bool g_bPostgresPlus() const override { return m_edition; }
    void ExecuteSQL(const QString &sql) override
    {
        if (sql == failOn)
            throw std::runtime_error("statement failed");
        executed << sql;
    }
    void reloadObjectList() override { reloadOrder->append(this); }
    int ObjectCount() const override { return objects; }
    int SelectedObjectCount() const override { return selected; }
    void NewObject(int objectType) override
    {
        newObjects << objectType;
        if (newFails == 1)
            throw std::runtime_error("could not open the editor");
        if (newFails == 2)
            throw SilentAbort();
    }
    void SetShortCut() override { ++shortcutCopies; }
    void SetObjectListStyle(int style) override { listStyle = style; }
    // No background work and no rows to hand on.
    pg::Connection *dbsBG() const override { return &m_background; }
    pg::Connection *dbsBG2() const override { return &m_background2; }
    void RegisterBackgroundWorker(QThread *) override { }
    QList<TObjectCall> SelectedObjectCalls() const override { return {}; }

    QStringList executed;
    QString failOn;
    QList<int> newObjects;
    int newFails = 0; // 1 an error, 2 the silent abort
    int objects = 0;
    int selected = 0;
    int shortcutCopies = 0;
    int listStyle = 0;
    bool refuseClose = false;
    QList<FakeConnectionWindow *> *reloadOrder = &m_ownOrder;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (refuseClose)
            event->ignore();
        else
            event->accept();
    }

private:
    int m_version;
    bool m_edition;
    mutable pg::Connection m_connection;
    mutable pg::Connection m_background;
    mutable pg::Connection m_background2;
    QList<FakeConnectionWindow *> m_ownOrder;
};

// Records every message and answers it with answer (or the first button).
class Messages
{
public:
    explicit Messages(int answer = 0)
        : m_responder([this, answer](DialogRequest &request) {
            texts << request.text;
            return answer ? answer : (request.buttons.isEmpty() ? IDOK : request.buttons.first());
        })
    { }
    QStringList texts;

private:
    ScopedDialogResponder m_responder;
};

// A fresh settings file and data folder for one main window.
class MainEnvironment
{
public:
    MainEnvironment()
        : m_oldDataDir(DataDir)
        , m_oldDocumentDir(DocumentDir)
    {
        DataDir = m_data.path() + QStringLiteral("/");
        DocumentDir = m_data.path() + QStringLiteral("/documents/");
    }
    ~MainEnvironment()
    {
        ResetOptions();
        SQLLogList.clear();
        DataDir = m_oldDataDir;
        DocumentDir = m_oldDocumentDir;
    }
    QString dataDir() const { return DataDir; }
    reg::SettingsStore &store() { return m_registry.store(); }

private:
    QTemporaryDir m_data;
    appdoubles::OwnRegistry m_registry;

public:
    Messages messages; // every message of the test, answered with its first button

private:
    QString m_oldDataDir;
    QString m_oldDocumentDir;
};

inline const QString root = QStringLiteral("Software\\Quorlane\\QVR22");

// Registers a command for every registered-kind action; execute records the action's name.
class AllCommands
{
public:
    AllCommands()
    {
        for (int i = 0; i < MainActionDefCount; ++i) {
            const TMainActionDef &def = MainActionDefs[i];
            if (def.kind != TMainActionKind::Registered)
                continue;
            const QString name = QString::fromLatin1(def.name);
            m_names << name;
            RegisterMainCommand(name,
                                { [this, name](ConnectionWindow *current) {
                                     runs << name;
                                     currents << current;
                                 },
                                  {} });
        }
    }
    ~AllCommands()
    {
        for (const QString &name : std::as_const(m_names))
            UnregisterMainCommand(name);
    }
    QStringList runs;
    QList<ConnectionWindow *> currents;

private:
    QStringList m_names;
};

} // namespace shelltest
