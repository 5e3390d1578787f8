#include "qvtoolwindows.h"

#include "qvexcept.h"
#include "qvmsgbox.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace qvtoolwindows {

QHash<QString, TToolWindowOpener> &registry()
{
    static QHash<QString, TToolWindowOpener> openers;
    return openers;
}

void notify()
{
    if (QCoreApplication::instance())
        Q_EMIT ToolWindowNotifier::instance()->windowsChanged();
}

} // namespace qvtoolwindows

TToolWindowOpener RegisterToolWindow(const QString &name, TToolWindowOpener open)
{
    TToolWindowOpener previous = qvtoolwindows::registry().value(name);
    if (open)
        qvtoolwindows::registry().insert(name, std::move(open));
    else
        qvtoolwindows::registry().remove(name);
    qvtoolwindows::notify();
    return previous;
}

bool IsToolWindowRegistered(const QString &name)
{
    return qvtoolwindows::registry().contains(name);
}

QWidget *OpenToolWindow(const QString &name, ConnectionWindow *current, const TToolWindowArgs &args)
{
    // A copy: the opener may register windows while it runs.
    const TToolWindowOpener open = qvtoolwindows::registry().value(name);
    if (!open) {
        ShowMessageBox(QStringLiteral("ウィンドウ %1 はありません。").arg(name),
                       MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    try {
        return open(current, args);
    } catch (const SilentAbort &) {
        return nullptr;
    } catch (...) {
        ShowExceptionMessage(std::current_exception());
        return nullptr;
    }
}

ToolWindowNotifier *ToolWindowNotifier::instance()
{
    static QPointer<ToolWindowNotifier> notifier;
    if (!notifier)
        notifier = new ToolWindowNotifier(QCoreApplication::instance());
    return notifier;
}
