#pragma once

#include <QObject>
#include <QString>

#include <functional>

class ConnectionWindow;
class QWidget;

// The tool windows of the subsystems above the connection window (SQL window, script runner,
// privileges dialog, comparison, monitoring and administration windows), opened by name. Each
// library registers its windows once at start-up (the program calls its registration
// routine), as the editor libraries register their kinds in qvobjeditors.h; a command whose
// window is not registered stays disabled. The main window's commands for these windows are
// served from here (fmaincmd.h).
//
//     RegisterToolWindow(ToolWindowSQL, openSqlWindow); // in the SQL window's library
//     if (IsToolWindowRegistered(ToolWindowSQL))
//         OpenToolWindow(ToolWindowSQL, current, args);

// The names of the tool windows.
inline constexpr char ToolWindowSQL[] = "SQL"; // the SQL window
inline constexpr char ToolWindowScript[] = "Script"; // the script-file runner
inline constexpr char ToolWindowPrivileges[] = "Privileges"; // the object privileges dialog
inline constexpr char ToolWindowCompare[] = "Compare"; // the object comparison
inline constexpr char ToolWindowSQLCatch[] = "SQLCatch"; // the statement statistics
inline constexpr char ToolWindowSQLCRUD[] = "SQLCRUD"; // the table access matrix
inline constexpr char ToolWindowUserList[] = "UserList"; // users, roles and schemas
inline constexpr char ToolWindowStorage[] = "Storage"; // the tablespace list
inline constexpr char ToolWindowDBLinkList[] = "DBLinkList"; // the database link list
inline constexpr char ToolWindowSession[] = "Session"; // the sessions window
inline constexpr char ToolWindowLock[] = "Lock"; // the locks window
inline constexpr char ToolWindowDatabase[] = "Database"; // the server settings window
inline constexpr char ToolWindowPerform[] = "Perform"; // the statistics window
inline constexpr char ToolWindowEventList[] = "EventList"; // the wait events window
inline constexpr char ToolWindowImport[] = "Import"; // the restore window
inline constexpr char ToolWindowLoad[] = "Load"; // the server-side load
inline constexpr char ToolWindowIndexAdviser[] = "IndexAdviser"; // the index adviser
inline constexpr char ToolWindowDBTest[] = "DBTest"; // the load test
inline constexpr char ToolWindowField[] = "Field"; // the table and column browser
inline constexpr char ToolWindowExport[] = "Export"; // the backup window
inline constexpr char ToolWindowTemplate[] = "Template"; // the SQL reference viewer
inline constexpr char ToolWindowExecProc[] = "ExecProc"; // the stored-program runner
inline constexpr char ToolWindowMatrix[] = "Matrix"; // the dependency matrix of the selection
inline constexpr char ToolWindowComment[] = "Comment"; // the comment check of the selection
inline constexpr char ToolWindowAnalyze[] = "Analyze"; // the statistics (ANALYZE) dialog

// What a caller may hand a tool window beyond its connection; a window uses what it knows and
// ignores the rest.
struct TToolWindowArgs
{
    // An object the window starts on (the privileges dialog, the load, the table and column
    // browser, the stored-program runner with the routine's oid, -1 for none).
    int ObjectType = 0;
    QString Schema;
    QString ObjectName;
    qint64 OID = -1;
    // The backup kind the backup window starts with: 0 the database, 1 schemas, 2 tables.
    int Mode = 0;
    // The SQL window: the editor's text (the SQL reference viewer: the word it looks up), the
    // explain pane switched on, and a run at once.
    QString SQLText;
    bool Explain = false;
    bool Execute = false;
};

// Opens a new window (or brings forward one that serves the same purpose) on current, or on
// the main window's current connection when current is nullptr. Returns the window, or
// nullptr when nothing was opened: the opener has then told the user why, or throws.
using TToolWindowOpener
    = std::function<QWidget *(ConnectionWindow *current, const TToolWindowArgs &args)>;

// Registers the opener of name (replacing the one there; an empty one removes it) and returns
// the one replaced.
TToolWindowOpener RegisterToolWindow(const QString &name, TToolWindowOpener open);
bool IsToolWindowRegistered(const QString &name);

// Opens the tool window name. Returns the window, or nullptr when nothing was opened: a
// failure (no window of that name, an error while the window was made) has then been shown to
// the user; the silent abort (a window that gave up after telling the user) stays silent.
QWidget *OpenToolWindow(const QString &name, ConnectionWindow *current,
                        const TToolWindowArgs &args = {});

// Tells whoever offers the windows' commands that the set of registered windows changed.
class ToolWindowNotifier : public QObject
{
    Q_OBJECT
public:
    static ToolWindowNotifier *instance();

Q_SIGNALS:
    void windowsChanged();

private:
    using QObject::QObject;
};
