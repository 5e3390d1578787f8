#include "sqlwindows.h"

#include "core/qvappwindows.h"
#include "core/qvtoolwindows.h"
#include "sqlwin/fexecprc.h"
#include "sqlwin/fexecscr.h"
#include "sqlwin/fmemo.h"
#include "sqlwin/fsql.h"
#include "ui/qvlongtext.h"

#include <QToolButton>

namespace sqlwindows {

// A new SQL window on current (the main window's current connection when nullptr) with the
// text of args, its explain pane switched on and its text run as args ask.
QWidget *openSqlWindow(ConnectionWindow *current, const TToolWindowArgs &args)
{
    QObject *owner = current ? current->connectionWidget() : nullptr;
    if (!owner) {
        if (MainWindowServices *main = mainWindowServices())
            owner = main->mainWidget();
    }
    TfrmSQL *window = TfrmSQL::Open(owner);
    if (!window)
        return nullptr;
    if (!args.SQLText.isEmpty())
        window->txtSQL->setText(args.SQLText);
    if (args.Explain)
        window->btnExplan->setChecked(true); // btnExplanClick follows the button
    if (args.Execute)
        window->actExecExecute();
    return window;
}

// A new script runner on current (the main window's current connection when nullptr); each
// command opens one more.
QWidget *openScriptWindow(ConnectionWindow *current, const TToolWindowArgs &)
{
    if (!current) {
        if (MainWindowServices *main = mainWindowServices())
            current = main->CurrentForm();
    }
    if (!current)
        return nullptr;
    return TfrmExecScript::ShowWindow(current);
}

// The stored-program runner for the routine of args (its kind, schema, name and oid) on current
// (the main window's current connection when nullptr).
QWidget *openExecProcWindow(ConnectionWindow *current, const TToolWindowArgs &args)
{
    QObject *owner = current ? current->connectionWidget() : nullptr;
    if (!owner) {
        if (MainWindowServices *main = mainWindowServices())
            owner = main->mainWidget();
    }
    return TfrmExecProc::ShowWindow(owner, args.Schema, args.ObjectName, args.ObjectType, args.OID,
                                    true);
}

} // namespace sqlwindows

void RegisterSqlWindows()
{
    RegisterToolWindow(QString::fromLatin1(ToolWindowSQL), sqlwindows::openSqlWindow);
    RegisterToolWindow(QString::fromLatin1(ToolWindowScript), sqlwindows::openScriptWindow);
    SetLongTextEditor(&TfrmMemo::ShowWindow);
    RegisterToolWindow(QString::fromLatin1(ToolWindowExecProc), sqlwindows::openExecProcWindow);
}
