#include "fmaincmd.h"

#include "fmainedit.h"

#include "core/qvappwindows.h"
#include "core/qvtoolwindows.h"
#include "platform/pg/connection.h"
#include "sqllang/qvmemo.h"
#include "ui/qvcomctrls.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>

#include <iterator>
#include <vector>

namespace fmaincmd {

QHash<QString, TMainCommand> &commands()
{
    static QHash<QString, TMainCommand> table;
    return table;
}

void notify()
{
    if (QCoreApplication::instance())
        Q_EMIT MainCommandNotifier::instance()->commandsChanged();
}

// The default schema of the connection's main session.
QString defaultSchema(ConnectionWindow *current)
{
    const pg::Connection *session = current ? current->dbsMain() : nullptr;
    return session ? session->param(QStringLiteral("MetaDefSchema")) : QString();
}

// The table and column browser starts on the table named by the editor's selected text
// (upper-cased; "schema.table" or a table of the default schema) or by the selected row of a
// list (its first sub-item the schema, its caption the name).
TToolWindowArgs fieldArgs(ConnectionWindow *current)
{
    TToolWindowArgs args;
    QWidget *control = ActiveControl();
    if (auto *memo = qobject_cast<TqvMemo *>(control)) {
        args.ObjectName = memo->selectedText().toUpper();
        args.Schema = defaultSchema(current);
        const int dot = int(args.ObjectName.indexOf(QLatin1Char('.')));
        if (dot >= 0) {
            args.Schema = args.ObjectName.left(dot);
            args.ObjectName = args.ObjectName.mid(dot + 1);
        }
    } else if (auto *list = qobject_cast<TqvListView *>(control)) {
        QTreeWidgetItem *item = list->currentItem();
        if (!item || !item->isSelected()) {
            const QList<QTreeWidgetItem *> selected = list->selectedItems();
            item = selected.isEmpty() ? nullptr : selected.first();
        }
        if (item && item->columnCount() > 1) {
            args.Schema = item->text(1);
            args.ObjectName = item->text(0);
        }
    }
    return args;
}

// The backup of one schema, the connection's default schema.
TToolWindowArgs exportArgs(ConnectionWindow *current)
{
    TToolWindowArgs args;
    args.Mode = 1;
    args.Schema = defaultSchema(current);
    return args;
}

// The SQL reference looks up the editor's selected text.
TToolWindowArgs templateArgs(ConnectionWindow *)
{
    TToolWindowArgs args;
    if (TqvMemo *memo = ActiveMemo())
        args.SQLText = memo->selectedText();
    return args;
}

// The main window's actions whose command opens a tool window on the current connection.
struct ToolWindowAction
{
    const char *action;
    const char *window;
    TToolWindowArgs (*args)(ConnectionWindow *current) = nullptr;
    bool needsCurrent = true;
};

constexpr ToolWindowAction toolWindowActions[] = {
    { "actViewSQL", ToolWindowSQL },
    { "actViewScript", ToolWindowScript },
    { "actViewComp", ToolWindowCompare },
    { "actViewSQLCatch", ToolWindowSQLCatch },
    { "actViewSQLCRUD", ToolWindowSQLCRUD },
    { "actAdminUser", ToolWindowUserList },
    { "actAdminStorage", ToolWindowStorage },
    { "actAdminSession", ToolWindowSession },
    { "actAdminLock", ToolWindowLock },
    { "actAdminDatabase", ToolWindowDatabase },
    { "actAdminPerform", ToolWindowPerform },
    { "actAdminDBLink", ToolWindowDBLinkList },
    { "actAdminEventList", ToolWindowEventList },
    { "actAdminImport", ToolWindowImport },
    { "actAdminLoad", ToolWindowLoad },
    { "actToolIndexAdviser", ToolWindowIndexAdviser },
    { "actToolDBTest", ToolWindowDBTest },
    { "actViewField", ToolWindowField, fieldArgs },
    { "actAdminExport", ToolWindowExport, exportArgs },
    { "actViewTemplate", ToolWindowTemplate, templateArgs, false },
};

// The command of actionName when its tool window is registered, else nullptr.
const TMainCommand *toolWindowCommand(const QString &actionName)
{
    constexpr int count = int(std::size(toolWindowActions));
    // Made once: the main window keeps the pointers only while it evaluates one action.
    static const std::vector<TMainCommand> made = [] {
        std::vector<TMainCommand> list;
        for (const ToolWindowAction &entry : toolWindowActions) {
            const QString window = QString::fromLatin1(entry.window);
            const auto args = entry.args;
            const bool needsCurrent = entry.needsCurrent;
            list.push_back({ [window, args, needsCurrent](ConnectionWindow *current) {
                                if (needsCurrent && !current)
                                    return;
                                OpenToolWindow(window, current,
                                               args ? args(current) : TToolWindowArgs());
                            },
                             [needsCurrent](ConnectionWindow *current) {
                                 return !needsCurrent || current != nullptr;
                             } });
        }
        return list;
    }();
    for (int i = 0; i < count; ++i) {
        if (actionName == QLatin1String(toolWindowActions[i].action))
            return IsToolWindowRegistered(QString::fromLatin1(toolWindowActions[i].window))
                ? &made[size_t(i)]
                : nullptr;
    }
    return nullptr;
}

} // namespace fmaincmd

void RegisterMainCommand(const QString &actionName, TMainCommand command)
{
    if (!command.execute)
        fmaincmd::commands().remove(actionName);
    else
        fmaincmd::commands().insert(actionName, std::move(command));
    fmaincmd::notify();
}

void UnregisterMainCommand(const QString &actionName)
{
    if (fmaincmd::commands().remove(actionName) > 0)
        fmaincmd::notify();
}

const TMainCommand *FindMainCommand(const QString &actionName)
{
    const auto it = fmaincmd::commands().constFind(actionName);
    return it == fmaincmd::commands().constEnd() ? fmaincmd::toolWindowCommand(actionName)
                                                 : &it.value();
}

bool IsMainCommandRegistered(const QString &actionName)
{
    return FindMainCommand(actionName) != nullptr;
}

MainCommandNotifier *MainCommandNotifier::instance()
{
    static QPointer<MainCommandNotifier> notifier;
    if (!notifier) {
        notifier = new MainCommandNotifier(QCoreApplication::instance());
        // A window registered or removed changes the commands that open it.
        QObject::connect(ToolWindowNotifier::instance(), &ToolWindowNotifier::windowsChanged,
                         notifier.data(), &MainCommandNotifier::commandsChanged);
    }
    return notifier;
}
