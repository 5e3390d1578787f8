#pragma once

// The ground of the editor tests: a fresh database of the fixture server, a settings file, a
// main window with a connection window on that database, and the options a test changes put
// back afterwards. The runner's windows are driven by a timer the way a user drives them.
#include "appdoubles.h"
#include "runnerdriver.h"

#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "testserver.h"
#include "ui/fddlexec.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace editorstest {

using runnertest::RunnerDriver;
using runnertest::runnerWindow;

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
