#include "qvcancel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QList>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace qvcancel {

// How often a polling loop lets events run: often enough that progress paints smoothly and Esc
// answers at once, seldom enough that a loop of cheap steps is not slowed down.
constexpr qint64 eventIntervalMs = 30;

CancelGuard *innermost = nullptr;
QList<QPointer<QTimer>> keepAliveTimers;
QList<QPointer<QTimer>> suspendedTimers;

bool isUserInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    case QEvent::Close:
        return event->spontaneous(); // the user closing a window, not the program
    default:
        return false;
    }
}

// The widget or window an event is meant for, as the top-level window it belongs to.
QObject *topLevelOf(QObject *receiver)
{
    if (auto *widget = qobject_cast<QWidget *>(receiver))
        return widget->window();
    if (auto *window = qobject_cast<QWindow *>(receiver)) {
        const QWidgetList tops = QApplication::topLevelWidgets();
        for (QWidget *top : tops) {
            if (top->windowHandle() == window)
                return top;
        }
        return window;
    }
    return nullptr;
}

} // namespace qvcancel

// Installed on the application while any guard lives.
class CancelGuardFilter : public QObject
{
public:
    explicit CancelGuardFilter(QWidget *modalAtStart)
        : m_modalAtStart(modalAtStart)
    { }

    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (!qvcancel::isUserInput(event))
            return false;
        // A dialog that the loop opened (a question on an error) runs its own modal loop and
        // needs its input; the windows below it are blocked by the dialog anyway.
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != m_modalAtStart && qvcancel::topLevelOf(receiver) == modal)
            return false;
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
                for (CancelGuard *g = qvcancel::innermost; g; g = g->m_outer)
                    g->m_cancelled = true;
            }
        }
        event->accept();
        return true;
    }

private:
    QPointer<QWidget> m_modalAtStart;
};

namespace qvcancel {
CancelGuardFilter *filter = nullptr;
} // namespace qvcancel

CancelGuard::CancelGuard()
    : m_outer(qvcancel::innermost)
{
    Q_ASSERT(!qApp || QThread::currentThread() == qApp->thread());
    qvcancel::innermost = this;
    // Not started: the first poll looks at the queue at once, so an Esc that is already waiting
    // when the loop begins stops it however quickly the loop would run.
    m_sinceEvents.invalidate();
    if (m_outer || !qApp)
        return;
    qvcancel::filter = new CancelGuardFilter(QApplication::activeModalWidget());
    qApp->installEventFilter(qvcancel::filter);
    qvcancel::suspendedTimers.clear();
    for (const QPointer<QTimer> &timer : std::as_const(qvcancel::keepAliveTimers)) {
        if (timer && timer->isActive()) {
            timer->stop();
            qvcancel::suspendedTimers << timer;
        }
    }
}

CancelGuard::~CancelGuard()
{
    qvcancel::innermost = m_outer;
    if (m_outer || !qvcancel::filter)
        return;
    // Input that arrived while the loop ran is dropped with the filter still in place, so
    // that nothing the user typed or clicked meanwhile acts once the loop is over.
    QCoreApplication::processEvents();
    qApp->removeEventFilter(qvcancel::filter);
    delete qvcancel::filter;
    qvcancel::filter = nullptr;
    for (const QPointer<QTimer> &timer : std::as_const(qvcancel::suspendedTimers)) {
        if (timer)
            timer->start();
    }
    qvcancel::suspendedTimers.clear();
}

bool CancelGuard::poll()
{
    if (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= qvcancel::eventIntervalMs)
        processEvents();
    return m_cancelled;
}

void CancelGuard::processEvents()
{
    QCoreApplication::processEvents();
    m_sinceEvents.restart();
}

CancelGuard *CancelGuard::current()
{
    return qvcancel::innermost;
}

bool EscapePressed()
{
    CancelGuard *guard = CancelGuard::current();
    return guard && guard->poll();
}

void RegisterKeepAliveTimer(QTimer *timer)
{
    if (!timer)
        return;
    qvcancel::keepAliveTimers.removeIf([](const QPointer<QTimer> &t) { return t.isNull(); });
    for (const QPointer<QTimer> &t : std::as_const(qvcancel::keepAliveTimers)) {
        if (t == timer)
            return;
    }
    qvcancel::keepAliveTimers << timer;
    // A timer registered while a loop runs waits for it like the others.
    if (qvcancel::filter && timer->isActive()) {
        timer->stop();
        qvcancel::suspendedTimers << timer;
    }
}
