#include "xraypool.h"

#include "link/wirecodec.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

QAtomicInt connectionCounter;

QString driverText(const QSqlError &error)
{
    QString text = error.text().trimmed();
    return text.isEmpty() ? u"unknown database failure"_s : text;
}

// Runs one statement; on failure the driver's description goes to `error`.
bool exec(QSqlQuery &query, const QString &sql, QString *error)
{
    if (query.exec(sql))
        return true;
    if (error)
        *error = driverText(query.lastError());
    return false;
}

} // namespace

QString XRayPoolSettings::fileName()
{
    return u"XRayPool.ini"_s;
}

XRayPoolSettings XRayPoolSettings::read(const QString &appFolder)
{
    XRayPoolSettings settings;
    QFile file(QDir(appFolder).filePath(fileName()));
    if (!file.open(QIODevice::ReadOnly))
        return settings;
    const QString text = WireCodec::decode(file.readAll());
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#') || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key.compare(u"Login"_s, Qt::CaseInsensitive) == 0)
            settings.login = value;
        else if (key.compare(u"Password"_s, Qt::CaseInsensitive) == 0)
            settings.password = value;
        else if (key.compare(u"Connection"_s, Qt::CaseInsensitive) == 0)
            settings.connection = value;
    }
    return settings;
}

QString XRayPoolSettings::connectionText(const QString &serverHost) const
{
    if (!connection.isEmpty())
        return connection;
    return u"driver={SQL Server};server="_s + serverHost + u";uid="_s + login + u";pwd="_s + password
           + u";database=VQMDB2"_s;
}

XRayPoolDatabase::XRayPoolDatabase(QString connectionText)
    : m_connectionName(u"zel-xraypool-"_s + QString::number(connectionCounter.fetchAndAddRelaxed(1)))
    , m_connectionText(std::move(connectionText))
{
}

XRayPoolDatabase::~XRayPoolDatabase()
{
    close();
}

bool XRayPoolDatabase::isOpen() const
{
    return QSqlDatabase::contains(m_connectionName) && QSqlDatabase::database(m_connectionName, false).isOpen();
}

bool XRayPoolDatabase::open(QString *error)
{
    if (isOpen())
        return true;
    if (!QSqlDatabase::isDriverAvailable(u"QODBC"_s)) {
        if (error)
            *error = u"The ODBC database driver (QODBC) is not installed."_s;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::contains(m_connectionName) ? QSqlDatabase::database(m_connectionName, false)
                                                               : QSqlDatabase::addDatabase(u"QODBC"_s, m_connectionName);
    db.setDatabaseName(m_connectionText);
    // Both in seconds: a minute to log on, a minute for any one request.
    db.setConnectOptions(u"SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1"_s.arg(TimeoutSeconds));
    if (db.open())
        return true;
    if (error)
        *error = driverText(db.lastError());
    return false;
}

QString XRayPoolDatabase::connectOptions() const
{
    return QSqlDatabase::contains(m_connectionName) ? QSqlDatabase::database(m_connectionName, false).connectOptions()
                                                    : QString();
}

void XRayPoolDatabase::close()
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

std::optional<std::int64_t> XRayPoolDatabase::highestFree(QString *error)
{
    if (!open(error))
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!exec(query, u"Select Max(XRayNumber) as XrayNumber from tblXRay where Status = 0"_s, error))
        return std::nullopt;
    if (!query.next())
        return 0;
    const QVariant value = query.value(u"XrayNumber"_s);
    return value.isNull() ? 0 : value.toLongLong();
}

XRayPoolDatabase::Result XRayPoolDatabase::createRange(std::int64_t start, std::int64_t end, const Progress &progress,
                                                       QString *error)
{
    if (!open(error))
        return Result::Failed;
    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    for (std::int64_t n = start; n <= end; ++n) {
        const QString number = QString::number(n);
        QSqlQuery used(db);
        if (!exec(used, u"Select StudyNr from tblStudies where StudyNr = "_s + number, error))
            return Result::Failed;
        if (!used.next()) {
            used.finish();
            QSqlQuery existing(db);
            if (!exec(existing, u"Select XRayID from tblXRay where XRayNumber = "_s + number, error))
                return Result::Failed;
            const bool inPool = existing.next();
            existing.finish();
            if (!inPool) {
                QSqlQuery insert(db);
                if (!exec(insert, u"Insert into tblXRay (XRayNumber, Status) Values("_s + number + u", 0)"_s, error))
                    return Result::Failed;
                if (insert.numRowsAffected() != 1 && progress.notInserted)
                    progress.notInserted(n);
                if (progress.inserted)
                    progress.inserted(n);
            }
        }
        used.finish();
        if (progress.keepGoing && !progress.keepGoing())
            return Result::Stopped;
    }
    return Result::Done;
}
