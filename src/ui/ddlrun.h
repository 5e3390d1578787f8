#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The statements of a DDL script, run one at a time. A script is a list of lines; a line that
// holds only ";" ends a statement (the splitter of qvscript.h reads the convention), blank
// statements are left out, and a statement's lines are sent joined by LF. The run keeps the
// statements not yet tried, so that a run stopped at an error can go on with the next one.
//
// No widget and no transaction here: the runner window shows the outcomes, and the compile
// sequence (fddlexec.h) opens the transaction and the savepoint around each statement.
class DdlScriptRun
{
public:
    explicit DdlScriptRun(const QStringList &script);

    struct Outcome
    {
        QString statement;
        bool ok = true;
        QString message; // the error's text when !ok
        QString sqlState;
    };

    // Runs one statement through execute (which throws on failure).
    using Executor = std::function<void(const QString &statement)>;

    bool hasPending() const { return !m_pending.isEmpty(); }
    const QStringList &pending() const { return m_pending; }
    // Takes the next statement off and runs it; a failure is caught, counted and returned.
    Outcome runNext(const Executor &execute);
    // Failures of the whole run, those before a continue included; fail() adds one from outside
    // (the commit).
    int errorCount() const { return m_errors; }
    void fail() { ++m_errors; }

private:
    QStringList m_pending;
    int m_errors = 0;
};

// The statements of script as the runner sends them.
QStringList DdlStatements(const QStringList &script);
