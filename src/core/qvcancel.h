#pragma once

#include <QElapsedTimer>

class QTimer;

// The guard every long loop of the user-interface thread runs under. While a guard lives:
//  - user input (keys, mouse buttons, wheel, shortcuts, drops, window close requests) is
//    swallowed before it reaches any window, except Esc, which sets the guard's cancel flag;
//    a modal dialog that the loop itself opens still gets its input;
//  - the keep-alive timers registered with RegisterKeepAliveTimer wait, and run again when the
//    last guard goes;
//  - poll(), and EscapePressed() which asks the innermost guard, let pending events run every
//    few milliseconds so that progress text paints and the Esc key is seen, whenever it was
//    pressed during the loop.
// Guards nest; Esc cancels every guard that is alive. A loop that stops on the flag reports its
// run as cancelled, never as done.
//
//     CancelGuard guard;
//     for (int i = 0; i < count; ++i) {
//         if (EscapePressed())
//             break;
//         ...
//     }
//     if (guard.cancelled()) ...
class CancelGuard
{
public:
    CancelGuard();
    ~CancelGuard();
    CancelGuard(const CancelGuard &) = delete;
    CancelGuard &operator=(const CancelGuard &) = delete;

    bool cancelled() const { return m_cancelled; }
    void cancel() { m_cancelled = true; }
    // Runs pending events when the last run is more than a few milliseconds ago, then answers
    // cancelled(). Cheap enough to call at every step.
    bool poll();
    // Runs pending events now (after writing progress text that must show at once).
    void processEvents();

    // The innermost guard alive, or nullptr.
    static CancelGuard *current();

private:
    friend class CancelGuardFilter;
    CancelGuard *m_outer = nullptr;
    bool m_cancelled = false;
    QElapsedTimer m_sinceEvents;
};

// Whether Esc was pressed during the innermost guarded loop (false when no guard is alive).
// Runs pending events as CancelGuard::poll does.
bool EscapePressed();

// A timer that keeps a connection alive: it stops while any guard lives and starts again, if it
// was running, when the last one goes. The registration ends with the timer.
void RegisterKeepAliveTimer(QTimer *timer);
