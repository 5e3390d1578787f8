// Compiled into a start-up child: when the first frame of a shown window has been painted and
// flushed, writes "frame RSS-KiB" on standard output and ends the process at once, so that the
// parent's clock stops at the frame and not at a teardown the user never waits for.
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

class FirstFrame : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || m_seen)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !widget->window()->isVisible())
            return false;
        m_seen = true;
        // The paint events of one frame are delivered together and flushed after them.
        QTimer::singleShot(0, [] {
            std::printf("frame %ld\n", residentKb());
            std::fflush(stdout);
            std::_Exit(0);
        });
        return false;
    }

private:
    bool m_seen = false;
};

void installFirstFrame()
{
    QCoreApplication::instance()->installEventFilter(new FirstFrame(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installFirstFrame)
