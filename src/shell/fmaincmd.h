#pragma once

#include <QObject>
#include <QString>

#include <functional>

class ConnectionWindow;

// The commands of the main window whose windows live in the subsystems above the shell (logon,
// SQL window, tools, administration lists, options dialogs, help). Each is registered under the
// name of its action ("actViewSQL") by the program's start-up code or by the subsystem that
// builds its window; until then the action stays in its menus, disabled, so that no command is
// offered that does nothing.
//
//     RegisterMainCommand("actViewSQL", {[](ConnectionWindow *db) { OpenSqlWindow(db); }});
//
// The main window calls execute with its current connection window (nullptr without one; a
// command that needs a connection is not called then) and asks update, when given, whether the
// action is enabled, each time it re-evaluates its actions (focus changes, menus opening,
// connections changing).
//
// The commands that open a tool window of the window registry (core/qvtoolwindows.h:
// actViewSQL the "SQL" window, actViewScript the "Script" window, the administration and
// analysis windows; actViewField the "Field" window on the table selected in the focused editor
// or list, actAdminExport the "Export" window on the default schema, actViewTemplate the
// "Template" window with the editor's selected text, also without a connection) are not
// registered here: registering the window makes the command, which opens it on the current
// connection and is enabled while there is one. A command registered here under the same
// action name takes its place.
//
// actToolOption is the options dialog's own command; after it ran, a changed auto-commit option
// is carried to every open connection (TfrmMain::ApplyAutoCommit).
struct TMainCommand
{
    std::function<void(ConnectionWindow *current)> execute;
    std::function<bool(ConnectionWindow *current)> update; // empty: always enabled
};

// Registers (or replaces) the command of actionName; an empty execute removes it.
void RegisterMainCommand(const QString &actionName, TMainCommand command);
void UnregisterMainCommand(const QString &actionName);
// The registered command, else the command of a registered tool window; nullptr for none.
const TMainCommand *FindMainCommand(const QString &actionName);
bool IsMainCommandRegistered(const QString &actionName);

// Tells the main window that the set of registered commands changed (tool windows included).
class MainCommandNotifier : public QObject
{
    Q_OBJECT
public:
    static MainCommandNotifier *instance();

Q_SIGNALS:
    void commandsChanged();

private:
    using QObject::QObject;
};
