#pragma once

#include <QString>

class Database;

// One write transaction that takes the write lock at once (BEGIN IMMEDIATE), so a read followed by a
// write inside it cannot be overtaken by another writer on the same file. Rolled back unless
// committed.
class Transaction
{
public:
    explicit Transaction(Database &database);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool isActive() const { return m_active; }
    QString error() const { return m_error; }
    bool commit(QString *error = nullptr);
    void rollback();

private:
    Database &m_database;
    bool m_active = false;
    QString m_error;
};
