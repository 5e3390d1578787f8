#include "transaction.h"

#include "connection.h"

namespace pg {

Transaction::Transaction(Connection &connection)
    : m_connection(connection)
{
    m_connection.startTransaction();
    m_depth = m_connection.transactionDepth();
    m_active = true;
}

Transaction::~Transaction()
{
    if (!m_active)
        return;
    try {
        rollback();
    } catch (const Error &) {
        // a destructor must not throw; a lost connection has ended the unit anyway
    }
}

void Transaction::commit()
{
    if (!m_active)
        return;
    // units left open inside this one are ended with it
    while (m_connection.isOpen() && m_connection.transactionDepth() > m_depth)
        m_connection.rollback();
    m_connection.commit();
    m_active = false;
}

void Transaction::rollback()
{
    if (!m_active)
        return;
    m_active = false;
    while (m_connection.isOpen() && m_connection.transactionDepth() > m_depth)
        m_connection.rollback();
    if (m_connection.isOpen() && m_connection.transactionDepth() == m_depth)
        m_connection.rollback();
}

} // namespace pg
