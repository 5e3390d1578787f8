#pragma once

// The ground of the editor tests: a fresh database of the fixture server, a settings file, a
// main window with a connection window on that database, and the options a test changes put
// back afterwards. The runner's windows are driven by a timer the way a user drives them.
#include "appdoubles.h"

#include "core/qvoption.h"
#include "editors/tables/fddlexec.h"
#include "platform/pg/connection.h"
#include "testserver.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace editorstest {

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

// Runs a script in the DDL script convention (statements ended by a line holding only ";")
// statement by statement on connection.
inline void runScriptLines(pg::Connection &connection, const QStringList &lines)
{
    QStringList statement;
    for (const QString &line : lines) {
        if (line == QLatin1String(";")) {
            connection.exec(statement.join(QLatin1Char('\n')));
            statement.clear();
        } else {
            statement << line;
        }
    }
    if (!statement.isEmpty())
        connection.exec(statement.join(QLatin1Char('\n')));
}

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedOption = AppOption;
        m_savedScript = ScriptOption;
        AppOption.ShowDDL = false;
        AppOption.CloseDDL = true;
        AppOption.ShowStorageSource = true;
        ScriptOption.Storage = true;
        ScriptOption.Owner = 0;
        ScriptOption.NullLine = false;
        conn = std::make_unique<appdoubles::TestConnectionWindow>(db.name(), true);
        main.addConnection(conn.get());
        main.resize(900, 600);
        main.show();
    }
    void TearDown() override
    {
        const QList<QMdiSubWindow *> subs = main.mdiArea()->subWindowList();
        for (QMdiSubWindow *sub : subs)
            delete sub;
        AppOption = m_savedOption;
        ScriptOption = m_savedScript;
    }

    QString query(const QString &sql) const { return db.query(sql); }

    testsupport::TestDatabase db;
    appdoubles::OwnRegistry registry;
    appdoubles::TestMainWindow main;
    std::unique_ptr<appdoubles::TestConnectionWindow> conn;

private:
    TqvOption m_savedOption;
    TScriptOption m_savedScript;
};

} // namespace editorstest
