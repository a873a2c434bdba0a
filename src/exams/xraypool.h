#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// The local file XRayPool.ini in the application folder: how the X-ray number tool reaches the
// department's SQL database. One "key=value" per line:
//   Login=<database login>
//   Password=<its password>
//   Connection=<a whole ODBC connection text>   (optional; replaces the standard one)
// Without Connection the standard text is used: driver={SQL Server} on the host of the server in use,
// database VQMDB2, with the login and password of the file. A missing file gives empty values.
struct XRayPoolSettings
{
    QString login;
    QString password;
    QString connection;

    static XRayPoolSettings read(const QString &appFolder);
    static QString fileName();
    // The ODBC connection text for the server host in use.
    QString connectionText(const QString &serverHost) const;
};

// The X-ray number pool in the department's SQL database, reached over ODBC (Qt's QODBC driver). The
// only place where the client talks to the database rather than to the department server: it
// creates new free numbers in tblXRay, skipping numbers that examinations use or the pool holds.
class XRayPoolDatabase
{
public:
    explicit XRayPoolDatabase(QString connectionText);
    ~XRayPoolDatabase();
    XRayPoolDatabase(const XRayPoolDatabase &) = delete;
    XRayPoolDatabase &operator=(const XRayPoolDatabase &) = delete;

    // Opens the connection unless it is open; the driver's description on failure.
    bool open(QString *error);
    bool isOpen() const;
    void close();
    // The options the open connection was made with (its time-outs).
    QString connectOptions() const;

    // The highest free number; 0 when the pool holds no free number; nothing on failure.
    std::optional<std::int64_t> highestFree(QString *error);

    struct Progress
    {
        std::function<void(std::int64_t)> notInserted; // the insert affected no row (the range goes on)
        std::function<void(std::int64_t)> inserted;    // after each insert: the number last created
        std::function<bool()> keepGoing;               // between two numbers; false stops the range
    };
    enum class Result { Done, Stopped, Failed };
    // Creates the free numbers from start to end, both included, in ascending order; a start above
    // the end creates none. A database failure ends the range at once (`error` says why); what was
    // inserted before stays.
    Result createRange(std::int64_t start, std::int64_t end, const Progress &progress, QString *error);

    // Seconds the driver may take to log on and to answer one request.
    static constexpr int TimeoutSeconds = 60;

private:
    QString m_connectionName;
    QString m_connectionText;
};
