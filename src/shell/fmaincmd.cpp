#include "fmaincmd.h"

#include "core/qvtoolwindows.h"

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

// The main window's actions whose command opens a tool window on the current connection.
struct ToolWindowAction
{
    const char *action;
    const char *window;
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
            list.push_back({ [window](ConnectionWindow *current) {
                                if (current)
                                    OpenToolWindow(window, current);
                            },
                             [](ConnectionWindow *current) { return current != nullptr; } });
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
