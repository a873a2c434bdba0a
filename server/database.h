#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// The server's one SQLite file: opened in WAL mode with foreign keys on, its schema created or
// brought up to date on open. Every server instance has a connection of its own, so several servers
// can run in one process (tests) and one file can be opened again after a restart.
class Database
{
public:
    Database();
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    bool open(const QString &path, QString *error);
    void close();
    bool isOpen() const;

    QSqlDatabase connection() const;
    // A statement prepared on this connection; an unprepared one when the SQL does not compile,
    // which the following run() then reports.
    QSqlQuery prepare(const QString &sql) const;
    // Runs a prepared statement with its bound values; on failure fills `error` with the driver's text.
    static bool run(QSqlQuery &query, QString *error);
    // Runs one statement without parameters (schema, pragmas, transaction control).
    bool execute(const QString &sql, QString *error) const;

    // No patients, examinations or users yet: the only state a demo seed may be written into.
    bool isEmpty() const;
    int schemaVersion() const;

private:
    QString m_connectionName;
};
