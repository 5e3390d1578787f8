#pragma once

#include "qvobjectwindows.h"
#include "qvoption.h"

#include <QEvent>
#include <QList>
#include <QMetaObject>
#include <QString>
#include <QStringList>

class QIcon;
class QIODevice;
class QObject;
class QThread;
class QToolBar;
class QWidget;
struct TConnParams;
struct TObjectCall;

namespace pg {
class Connection;
class Result;
} // namespace pg

// What the window framework needs of the two windows above it: the connection window (one per
// open database) and the main window. They implement these interfaces; the main window
// registers itself with setMainWindowServices when it is created and clears it when it goes.
// Tests put doubles in their place.

// The session with one database and its services to every window bound to it.
//
// The services run on dbsMain in the user-interface thread. None of them opens, commits or
// rolls back a transaction: the statements join whatever transaction the session is in. The
// members with a body here work on dbsMain as they stand; the connection window overrides
// them to show the SQL-wait cursor while they run.
class ConnectionWindow : public ObjectListWindow
{
public:
    // The window itself: its lifetime ends the binding of every window bound to it.
    virtual QWidget *connectionWidget() = 0;
    // The main session that every window of this database shares.
    virtual pg::Connection *dbsMain() const = 0;
    // major × 10000 + minor × 100 + patch; 999999 when the banner could not be read
    virtual int DBVer() const = 0;
    // the server is of the EnterpriseDB edition
    virtual bool g_bPostgresPlus() const = 0;
    // Handed to code assist; no connection of this program runs in that mode.
    virtual bool DBAMODE() const { return false; }

    // --- statements on dbsMain; errors reach the caller as pg::Error
    // Runs one statement; its rows are discarded. ":" is not a parameter marker here. Text that
    // holds several statements ("a; b") is refused before any of them runs.
    virtual void ExecuteSQL(const QString &SQLText) = 0;
    // One statement with ":name" parameters, bound by position from ParamData as text; further
    // values are ignored, too few is an error.
    virtual void ExecuteSQL(const QString &SQLText, const QStringList &ParamData);
    // A script in the DDL script convention (statements ended by a line holding only ";"), each
    // statement through the single-statement ExecuteSQL. Without IgnoreError the first failure
    // stops the run and reaches the caller; with it every statement runs, and inside an open
    // transaction each one in a savepoint of its own so that a failure does not abort the
    // statements after it.
    virtual void ExecuteSQL(const QStringList &SQLText, bool IgnoreError);
    // The rows of one statement (":" is text); the caller keeps them as long as it likes, no
    // later service call disturbs them.
    virtual pg::Result OpenSQL(const QString &SQLText);
    // The same with ":name" parameters bound by position from ParamData as text.
    virtual pg::Result OpenSQL(const QString &SQLText, const QStringList &ParamData);
    // The backend process id of dbsMain as the server reports it; -1 when that fails.
    virtual int GetMySID();
    // The login identity of dbsMain: session_user, read once per session (a reconnect reads it
    // again). Owners, permission checks and the login user's mark compare with it, never with
    // the "User_Name" parameter, which holds the name as typed at logon (quoted, or in a case
    // the server folded). Empty when it cannot be read.
    virtual QString LoginUser() const;
    // S1 when the server's version (DBVer) is at least Version, else S2.
    virtual QString VerStr(int Version, const QString &S1, const QString &S2) const;

    // --- pick lists, one text per row (errors reach the caller)
    // The login roles, then "public" when AddPublic.
    virtual QStringList GetUser(bool AddPublic);
    // The roles that cannot log in.
    virtual QStringList GetRole();
    virtual QStringList GetTBS();
    // The database links (the edition's servers only; elsewhere the catalog is missing).
    virtual QStringList GetDBLink();
    // The names of the objects of one kind in one schema; see GetObjectSQL (qvconnsql.h).
    virtual QStringList GetObject(const QString &Schema, const QString &ObjectType);
    // The type names of the type pick lists of the definition windows (GetDataTypeSQL,
    // DataTypePickList); ObjType has no effect.
    virtual QStringList GetDataType(int ObjType = 0);
    // Schema names in order; see GetSchemaInfoSQL (qvconnsql.h).
    virtual QStringList GetSchemaInfo(bool ObjList);

    // --- background sessions and their workers
    // The stored-program runner's session and the debugger's: the runner and the debugger set
    // their parameters and open them; the window closes them when it closes.
    virtual pg::Connection *dbsBG() const = 0;
    virtual pg::Connection *dbsBG2() const = 0;
    // A thread that works on a background session. Before the window closes its sessions it
    // cancels their statements, asks every registered thread to stop (requestInterruption) and
    // waits until each has ended. The registration ends with the thread object.
    virtual void RegisterBackgroundWorker(QThread *worker) = 0;

    // --- the object list
    // Its rows, and how many of them are selected (the main window's object-count summary).
    virtual int ObjectCount() const = 0;
    virtual int SelectedObjectCount() const = 0;
    // The selected rows in list order, each as the object-editor dispatch takes it
    // (ObjectCallFor of the row's kind, schema, name, object id and table; omDefine).
    virtual QList<TObjectCall> SelectedObjectCalls() const = 0;
    // Its view style: 2 list (names only), 3 report (every column under its header).
    virtual void SetObjectListStyle(int style) = 0;
    // Copies the shortcuts of the main window's object-list actions onto the window's own
    // (after the user changed them, and when the window is made).
    virtual void SetShortCut() = 0;
    // The object-list options changed (the options dialog's OK): the search bar follows Find,
    // the list's row selection RowSelect, and with rebuildTree the tree-order buttons take
    // TreeSort and the tree is built again. A window without those controls has nothing to
    // follow.
    virtual void ApplyListOptions(bool rebuildTree) { }
    // The new-object command for the kind objectType (an object-type code): the kind's
    // definition window for a new object in the connection's default schema (MetaDefSchema),
    // through the object-editor registry; a kind without one is reported to the user. The main
    // window's new-object buttons forward to it.
    virtual void NewObject(int objectType);

    // Opens the definition window of one object (ObjectType is an object-type code) on the
    // page OpenMode names, through the object-editor registry (OpenObjectWindow). DefTopRecord
    // is the number of rows a data page shows first, OID tells overloaded routines apart (-1:
    // none), TableName is the table of a trigger, rule or constraint. Returns the new window,
    // or nullptr when nothing was opened: a failure has then been reported to the user, except
    // when a window for that object was open already (it is brought forward silently).
    virtual QWidget *OpenObject(int ObjectType, const QString &Schema, const QString &ObjectName,
                                TOpenMode OpenMode = omDefine, int DefTopRecord = 0,
                                qint64 OID = -1, const QString &TableName = QString());
    // Appends the CREATE script of one object to Stream without showing a window
    // (WriteObjectScript): UTF-16 into an in-memory buffer, otherwise the encoding the
    // file-encoding option chooses. NewSchema and NewObjectName (empty: keep) rename a table,
    // view or materialized view in the script. False when no script was written; the failure
    // has then been reported to the user.
    [[nodiscard]] virtual bool OutputScript(int ObjectType, const QString &Schema,
                                            const QString &ObjectName, QIODevice &Stream,
                                            const QString &NewSchema = QString(),
                                            const QString &NewObjectName = QString(),
                                            qint64 OID = -1, const QString &TableName = QString());
    // Appends the GRANT script of one object (intMode 1: its kind keyword as the object list
    // shows it, the pg_proc oid of a routine as text), of one role (2: Schema names it) or of
    // one tablespace (any other mode: ObjectName) to Stream (WriteGrantScript, qvgrant.h).
    // Errors reach the caller and leave Stream untouched.
    virtual void OutputGrant(const QString &Schema, const QString &ObjectName, QIODevice &Stream,
                             int intMode, const QString &strObjCls = QString(),
                             const QString &strOid = QString());
};

// The six connection parameters of the window's main session.
TConnParams ConnectionParams(const ConnectionWindow &window);
// The connection key of the window (user " @ " database "/" server ":" port), not shortened.
QString ConnectionKey(const ConnectionWindow &window);

// One entry of the main window's connection selector: its text (the connection key) and the
// connection window it stands for.
struct TConnectionEntry
{
    QString key;
    ConnectionWindow *window = nullptr;
};

// The main window as the windows see it.
class MainWindowServices
{
public:
    virtual ~MainWindowServices() = default;

    virtual QWidget *mainWidget() = 0;
    // The connection window of the entry selected in the connection selector; nullptr when
    // none is selected.
    virtual ConnectionWindow *CurrentForm() const = 0;
    // Selects the selector's entry whose text equals key exactly (no entry when none does),
    // without the selector's change notification: no other window hears of it.
    virtual void SelectConnection(const QString &key) = 0;
    // The task bar on which every object and tool window puts its button.
    virtual QToolBar *tolTask() const = 0;
    // Image index of the main image list (an object-type code is its own icon's index).
    virtual QIcon imgMain(int index) const = 0;
    // Shows window as a child of the main window and brings it to the front.
    virtual void ShowChildWindow(QWidget *window) = 0;

    // The connection selector: a connection window adds its entry (key, the window) when it
    // has connected; the entry becomes the selected one and the commands are gated for it.
    virtual void AddConnection(const QString &key, ConnectionWindow *window) { }
    // Removes the last entry of window; the last remaining entry becomes the selected one (none
    // when the selector is empty) and the commands are gated again.
    virtual void RemoveConnection(ConnectionWindow *window) { }
    // The connection window window became the active one: the main window shows the
    // new-object and administration buttons that its server offers.
    virtual void ConnectionActivated(ConnectionWindow *window) { }
    // The message panel of the status bar (panel 2); an empty text clears it.
    virtual void SetStatusText(const QString &text) { }
    // The object-count summary of the current connection window in the message panel.
    virtual void SetDefMessage() { }
    // The workspace panel lists the entries of the open connections again, leaving out those
    // of closing (a connection window that is closing), when given.
    virtual void ShowWorkSpace(ConnectionWindow *closing) { }
    // The child window of class windowClass (or one derived from it) whose caption equals
    // caption exactly; shown and brought to the front when show is set. nullptr when none is.
    virtual QWidget *FindWindow(const QMetaObject * /*windowClass*/, const QString & /*caption*/,
                                bool /*show*/) const
    {
        return nullptr;
    }
    // The progress text of a long loop in the message panel (SetDefMessage after the loop).
    virtual void SetLoopMessage(int /*NowCount*/, int /*MaxCount*/) { }
    // The entries of the connection selector in the selector's order; the tool windows copy
    // them into their own connection lists.
    virtual QList<TConnectionEntry> ConnectionEntries() const { return {}; }
};

void setMainWindowServices(MainWindowServices *services);
MainWindowServices *mainWindowServices();

// The application's own messages, delivered synchronously: 1 connection list changed (to every
// window), 2 reload (to every connection window, see RefreshObjectWindows), 3 code assist (from
// an editor control to its window).
inline constexpr int QvMsgConnectionListChanged = 1;
inline constexpr int QvMsgReload = 2;
inline constexpr int QvMsgCodeAssist = 3;

// The event that carries message n.
class AppMessageEvent : public QEvent
{
public:
    explicit AppMessageEvent(int message);
    int message() const { return m_message; }
    static QEvent::Type eventType(int message);
    // The message of an event of one of the three types; 0 for any other event.
    static int messageOf(const QEvent *event);

private:
    int m_message;
};

// Sends message to target and returns when target has handled it.
void SendAppMessage(QObject *target, int message);
// Sends message to every window of the application: the top-level windows and the children of
// the main window's multi-document area, in no particular order. A window that goes while the
// message travels is skipped.
void BroadcastAppMessage(int message);
