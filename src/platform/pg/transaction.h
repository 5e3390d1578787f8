#pragma once

namespace pg {

class Connection;

// A unit of work on a connection that is rolled back unless commit() is called. It opens a
// transaction, or a savepoint when a transaction is open already (one the user opened, or an
// outer unit), so units nest and an inner unit's failure leaves the outer one usable. It never
// commits a transaction it did not open.
//
//     pg::Transaction tx(connection);
//     connection.exec(...);
//     tx.commit();          // or leave the scope by an exception: rolled back
class Transaction
{
public:
    explicit Transaction(Connection &connection);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Throws Error when the server refuses (e.g. sqlstate::TransactionRollback for a failed
    // transaction); the unit is then still open and is rolled back at the end of the scope.
    void commit();
    void rollback();
    bool isActive() const { return m_active; }

private:
    Connection &m_connection;
    int m_depth = 0;
    bool m_active = false;
};

} // namespace pg
