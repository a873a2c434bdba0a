#include "database.h"

#include "schema.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

QAtomicInt connectionCounter;

QString driverText(const QSqlError &error)
{
    const QString text = error.text().trimmed();
    return text.isEmpty() ? u"unknown database failure"_s : text;
}

} // namespace

Database::Database()
    : m_connectionName(u"zelserver-"_s + QString::number(connectionCounter.fetchAndAddRelaxed(1)))
{
}

Database::~Database()
{
    close();
}

bool Database::open(const QString &path, QString *error)
{
    close();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connectionName);
        db.setDatabaseName(path);
        // A second writer on the file (the X-ray number tool of the client) waits instead of failing.
        db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
        if (!db.open()) {
            if (error)
                *error = u"cannot open database "_s + path + u": "_s + driverText(db.lastError());
            db = QSqlDatabase();
            close();
            return false;
        }
    }
    QString failure;
    QSqlQuery wal(connection());
    if (!wal.exec(u"PRAGMA journal_mode=WAL"_s) || !wal.next()
        || wal.value(0).toString().compare(u"wal"_s, Qt::CaseInsensitive) != 0) {
        failure = u"cannot switch to WAL mode: "_s + driverText(wal.lastError());
    }
    wal.finish();
    if (failure.isEmpty() && (!execute(u"PRAGMA foreign_keys=ON"_s, &failure)
                              || !execute(u"PRAGMA synchronous=NORMAL"_s, &failure))) {
        failure.prepend(u"cannot set up the connection: "_s);
    }
    if (failure.isEmpty() && !Schema::upgrade(*this, &failure))
        failure.prepend(u"cannot prepare the schema: "_s);
    if (!failure.isEmpty()) {
        if (error)
            *error = path + u": "_s + failure;
        close();
        return false;
    }
    return true;
}

void Database::close()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && connection().isOpen();
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

QSqlQuery Database::prepare(const QString &sql) const
{
    QSqlQuery query(connection());
    query.prepare(sql);
    return query;
}

bool Database::run(QSqlQuery &query, QString *error)
{
    if (query.exec())
        return true;
    if (error)
        *error = driverText(query.lastError());
    return false;
}

bool Database::execute(const QString &sql, QString *error) const
{
    QSqlQuery query(connection());
    if (query.exec(sql))
        return true;
    if (error)
        *error = driverText(query.lastError());
    return false;
}

bool Database::isEmpty() const
{
    QSqlQuery query(connection());
    if (!query.exec(u"SELECT (SELECT COUNT(*) FROM tblPatienten) + (SELECT COUNT(*) FROM tblStudies)"
                    u" + (SELECT COUNT(*) FROM tblUsers)"_s)
        || !query.next()) {
        return false;
    }
    return query.value(0).toLongLong() == 0;
}

int Database::schemaVersion() const
{
    QSqlQuery query(connection());
    if (!query.exec(u"PRAGMA user_version"_s) || !query.next())
        return -1;
    return query.value(0).toInt();
}
