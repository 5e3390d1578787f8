#include "fmaincmd.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>

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
    return it == fmaincmd::commands().constEnd() ? nullptr : &it.value();
}

bool IsMainCommandRegistered(const QString &actionName)
{
    return FindMainCommand(actionName) != nullptr;
}

MainCommandNotifier *MainCommandNotifier::instance()
{
    static QPointer<MainCommandNotifier> notifier;
    if (!notifier)
        notifier = new MainCommandNotifier(QCoreApplication::instance());
    return notifier;
}
