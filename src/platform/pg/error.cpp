#include "error.h"

namespace pg {

Error::Error(const QString &sqlState, const QString &message, const QString &detail,
             const QString &hint)
    : m_sqlState(sqlState)
    , m_message(message)
    , m_detail(detail)
    , m_hint(hint)
{ }

QString Error::text() const
{
    QString t = m_severity + QLatin1String(": ") + m_message;
    if (!m_detail.isEmpty())
        t += QLatin1String("\nDETAIL: ") + m_detail;
    if (!m_hint.isEmpty())
        t += QLatin1String("\nHINT: ") + m_hint;
    return t;
}

const char *Error::what() const noexcept
{
    try {
        m_what = text().toUtf8();
    } catch (...) {
        return "pg::Error";
    }
    return m_what.constData();
}

Error &Error::setSeverity(const QString &v)
{
    if (!v.isEmpty())
        m_severity = v;
    return *this;
}

Error &Error::setDetail(const QString &v)
{
    m_detail = v;
    return *this;
}

Error &Error::setHint(const QString &v)
{
    m_hint = v;
    return *this;
}

Error &Error::setContext(const QString &v)
{
    m_context = v;
    return *this;
}

Error &Error::setPosition(int v)
{
    m_position = v;
    return *this;
}

Error &Error::setStatement(const QString &v)
{
    m_statement = v;
    return *this;
}

Error &Error::setObjectNames(const QString &schema, const QString &table, const QString &column,
                             const QString &constraint)
{
    m_schema = schema;
    m_table = table;
    m_column = column;
    m_constraint = constraint;
    return *this;
}

} // namespace pg
