#include "ddlrun.h"

#include "core/qvscript.h"
#include "platform/pg/error.h"

#include <exception>

QStringList DdlStatements(const QStringList &script)
{
    QStringList statements = SplitScriptStatements(script);
    for (QString &statement : statements) {
        statement.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        if (statement.endsWith(QLatin1Char('\n')))
            statement.chop(1);
    }
    return statements;
}

DdlScriptRun::DdlScriptRun(const QStringList &script)
    : m_pending(DdlStatements(script))
{ }

DdlScriptRun::Outcome DdlScriptRun::runNext(const Executor &execute)
{
    Outcome outcome;
    if (m_pending.isEmpty())
        return outcome;
    outcome.statement = m_pending.takeFirst();
    try {
        execute(outcome.statement);
    } catch (const pg::Error &e) {
        outcome.ok = false;
        outcome.message = e.text();
        outcome.sqlState = e.sqlState();
    } catch (const std::exception &e) {
        outcome.ok = false;
        outcome.message = QString::fromLocal8Bit(e.what());
    }
    if (!outcome.ok)
        ++m_errors;
    return outcome;
}
