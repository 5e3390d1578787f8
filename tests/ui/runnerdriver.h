#pragma once

// Drives the DDL runner window the way a user does while a compile runs: a timer watches for
// the window, closes it or clicks its buttons. Shared by the runner's own tests and by the
// tests of the windows that run their scripts through it.
#include "ui/fddlexec.h"

#include <QApplication>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace runnertest {

// The runner window on the screen, or nullptr.
inline TfrmDDLExec *runnerWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *runner = qobject_cast<TfrmDDLExec *>(w); runner && runner->isVisible())
            return runner;
    }
    return nullptr;
}

// Watches the runner while a compile runs: onStop is called once when the run stops at an
// error, and a finished window that stayed open is closed (as the user closes it) after its
// log has been kept in lastLog.
class RunnerDriver
{
public:
    explicit RunnerDriver(std::function<void(TfrmDDLExec *)> onStop = {},
                          std::function<void(TfrmDDLExec *)> onStart = {})
        : m_onStop(std::move(onStop))
        , m_onStart(std::move(onStart))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
    }

    QString lastLog;
    int stops = 0;

private:
    void tick()
    {
        TfrmDDLExec *runner = runnerWindow();
        if (!runner)
            return;
        lastLog = runner->LogText();
        if (m_onStart && m_started != runner) {
            m_started = runner;
            m_onStart(runner);
        }
        if (runner->state() == TfrmDDLExec::State::Stopped && m_stopped != runner->ErrorCount()) {
            m_stopped = runner->ErrorCount();
            ++stops;
            if (m_onStop)
                m_onStop(runner);
            else
                runner->close();
        } else if (runner->btnCancel->text() == QStringLiteral("終了(&X)")) {
            runner->close();
        }
    }

    std::function<void(TfrmDDLExec *)> m_onStop;
    std::function<void(TfrmDDLExec *)> m_onStart;
    QPointer<TfrmDDLExec> m_started;
    int m_stopped = 0;
    QTimer m_timer;
};

} // namespace runnertest
