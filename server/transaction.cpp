#include "transaction.h"

#include "database.h"

using namespace Qt::StringLiterals;

Transaction::Transaction(Database &database)
    : m_database(database)
{
    m_active = m_database.execute(u"BEGIN IMMEDIATE"_s, &m_error);
}

Transaction::~Transaction()
{
    rollback();
}

bool Transaction::commit(QString *error)
{
    if (!m_active) {
        if (error)
            *error = m_error.isEmpty() ? u"no transaction"_s : m_error;
        return false;
    }
    m_active = false;
    if (m_database.execute(u"COMMIT"_s, &m_error))
        return true;
    m_database.execute(u"ROLLBACK"_s, nullptr);
    if (error)
        *error = m_error;
    return false;
}

void Transaction::rollback()
{
    if (!m_active)
        return;
    m_active = false;
    m_database.execute(u"ROLLBACK"_s, nullptr);
}
