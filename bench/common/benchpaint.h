#pragma once

// The first paint as the user sees it: the event loop runs until the widget has been painted
// and the events posted while that frame was drawn are delivered (its flush included), with no
// repaint forced.

#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace bench {

// Runs the event loop until widget is painted; false when no paint came within timeoutMs.
inline bool waitForPaint(QWidget *widget, int timeoutMs = 10000)
{
    struct Watch : QObject
    {
        QEventLoop loop;
        bool painted = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && !painted) {
                painted = true;
                QTimer::singleShot(0, &loop, &QEventLoop::quit);
            }
            return false;
        }
    } watch;
    widget->installEventFilter(&watch);
    QTimer::singleShot(timeoutMs, &watch.loop, &QEventLoop::quit);
    watch.loop.exec();
    widget->removeEventFilter(&watch);
    return watch.painted;
}

} // namespace bench
