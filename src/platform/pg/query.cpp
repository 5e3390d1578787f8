#include "query.h"

#include "connection.h"
#include "connection_p.h"
#include "error.h"

namespace pg {

Query::Query(Connection &connection, const QString &sql)
    : m_connection(&connection)
{
    setSql(sql);
}

void Query::setSql(const QString &sql)
{
    m_scan = ParamScan();
    m_scan.source = sql;
    m_scan.rewritten = sql;
    m_values.clear();
    m_bound.clear();
    m_options.standardStrings = m_connection->standardConformingStrings();
    m_scan = scanParameters(sql, m_options);
    m_values.resize(m_scan.names.size());
    m_bound.resize(m_scan.names.size(), false);
}

void Query::followSession()
{
    if (m_connection->standardConformingStrings() != m_scan.standardStrings)
        rescan();
}

void Query::rescan()
{
    const QStringList names = m_scan.names;
    const QList<Param> values = m_values;
    const QList<bool> bound = m_bound;
    setSql(m_scan.source);
    for (int i = 0; i < names.size(); ++i) {
        const int index = m_scan.names.indexOf(names.at(i));
        if (index >= 0 && bound.at(i)) {
            m_values[index] = values.at(i);
            m_bound[index] = true;
        }
    }
}

void Query::setParamScanning(bool on)
{
    m_options.enabled = on;
}

void Query::setAllowDotsInNames(bool on)
{
    m_options.allowDots = on;
}

void Query::bind(const QString &name, const Param &value)
{
    int index = m_scan.names.indexOf(name);
    if (index < 0)
        index = m_scan.names.indexOf(name.toUpper());
    if (index < 0) {
        throw Error(QString::fromLatin1(sqlstate::UndefinedParameter),
                    QStringLiteral("パラメータ :%1 はこの SQL 文にありません。").arg(name))
            .setStatement(m_scan.source);
    }
    bind(index, value);
}

void Query::bind(int index, const Param &value)
{
    if (index < 0 || index >= m_values.size()) {
        throw Error(
            QString::fromLatin1(sqlstate::UndefinedParameter),
            QStringLiteral("パラメータ番号 %1 はこの SQL 文にありません（パラメータ数 %2）。")
                .arg(index + 1)
                .arg(m_values.size()))
            .setStatement(m_scan.source);
    }
    m_values[index] = value;
    m_bound[index] = true;
}

void Query::bindValues(const QStringList &values)
{
    for (int i = 0; i < values.size() && i < m_values.size(); ++i)
        bind(i, Param(values.at(i)));
}

void Query::clearBindings()
{
    m_values.fill(Param());
    m_bound.fill(false);
}

bool Query::isBound(int index) const
{
    return index >= 0 && index < m_bound.size() && m_bound.at(index);
}

Param Query::boundValue(int index) const
{
    return isBound(index) ? m_values.at(index) : Param();
}

QList<Param> Query::values() const
{
    for (int i = 0; i < m_bound.size(); ++i) {
        if (!m_bound.at(i)) {
            throw Error(
                QString::fromLatin1(sqlstate::UndefinedParameter),
                QStringLiteral("パラメータ :%1 に値が設定されていません。").arg(m_scan.names.at(i)))
                .setStatement(m_scan.source);
        }
    }
    return m_values;
}

qint64 Query::execute()
{
    return open().rowsAffected();
}

Result Query::open()
{
    followSession();
    return m_connection->d->run(m_scan.rewritten, values(), m_scan.source, &m_scan, true, m_single);
}

} // namespace pg
