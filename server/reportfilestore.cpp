#include "reportfilestore.h"

#include "database.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

bool isPlain(const QString &uid)
{
    if (uid.isEmpty() || uid.size() > 100 || uid.startsWith(u'.'))
        return false;
    for (QChar c : uid) {
        const bool ok = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
                        || c == u'.' || c == u'-' || c == u'_';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

ReportFileStore::ReportFileStore(Database &database, QString folder)
    : m_database(database)
    , m_folder(std::move(folder))
{
}

QString ReportFileStore::fileName(const QString &uid, const QString &format)
{
    const QString extension = u'.' + format.toLower();
    // A UID is digits and dots; anything else the client sends never becomes part of a path.
    if (isPlain(uid))
        return uid + extension;
    return u"uid-"_s
           + QString::fromLatin1(QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha256).toHex())
           + extension;
}

ReportFileStore::Upload::Upload(ReportFileStore &store, QString uid, QString format, std::optional<qint64> status,
                                const QString &path)
    : m_store(store)
    , m_uid(std::move(uid))
    , m_format(std::move(format))
    , m_status(status)
    , m_file(path)
{
}

bool ReportFileStore::Upload::write(QByteArrayView bytes)
{
    if (m_failed)
        return false;
    if (m_file.write(bytes.data(), bytes.size()) != bytes.size()) {
        m_failed = true;
        m_file.cancelWriting();
        return false;
    }
    m_bytes += bytes.size();
    return true;
}

bool ReportFileStore::Upload::commit(QString *error)
{
    if (m_failed || !m_file.commit()) {
        if (error)
            *error = u"cannot write "_s + m_file.fileName() + u": "_s + m_file.errorString();
        return false;
    }
    return m_store.record(*this, error);
}

std::unique_ptr<ReportFileStore::Upload> ReportFileStore::begin(const QString &uid, const QString &format,
                                                                std::optional<qint64> status, QString *error)
{
    QSqlQuery study = m_database.prepare(u"SELECT COUNT(*) FROM tblStudies WHERE StudyUID = :uid"_s);
    study.bindValue(u":uid"_s, uid);
    if (!Database::run(study, error))
        return nullptr;
    if (!study.next() || study.value(0).toLongLong() == 0) {
        if (error)
            *error = u"no examination has the UID "_s + uid.left(64);
        return nullptr;
    }
    const QString path = QDir(m_folder).filePath(fileName(uid, format));
    std::unique_ptr<Upload> upload(new Upload(*this, uid, format.toUpper(), status, path));
    if (!upload->m_file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = u"cannot create "_s + path + u": "_s + upload->m_file.errorString();
        return nullptr;
    }
    return upload;
}

bool ReportFileStore::record(const Upload &upload, QString *error)
{
    QSqlQuery row = m_database.prepare(
        u"INSERT INTO tblReportFiles (StudyUID, Format, Status, FileName, ByteCount, SavedAt)"
        u" VALUES (:uid, :format, :status, :file, :bytes, CURRENT_TIMESTAMP)"
        u" ON CONFLICT (StudyUID, Format) DO UPDATE SET Status = excluded.Status, FileName = excluded.FileName,"
        u" ByteCount = excluded.ByteCount, SavedAt = excluded.SavedAt"_s);
    row.bindValue(u":uid"_s, upload.m_uid);
    row.bindValue(u":format"_s, upload.m_format);
    row.bindValue(u":status"_s, upload.m_status ? QVariant(*upload.m_status) : QVariant());
    row.bindValue(u":file"_s, fileName(upload.m_uid, upload.m_format));
    row.bindValue(u":bytes"_s, upload.m_bytes);
    return Database::run(row, error);
}

std::optional<QByteArray> ReportFileStore::read(const QString &uid, const QString &format, QString *error)
{
    QSqlQuery row = m_database.prepare(
        u"SELECT FileName FROM tblReportFiles WHERE StudyUID = :uid AND Format = :format"_s);
    row.bindValue(u":uid"_s, uid);
    row.bindValue(u":format"_s, format.toUpper());
    if (!Database::run(row, error))
        return std::nullopt;
    if (!row.next())
        return QByteArray();
    const QString name = row.value(0).toString();
    // Only names this store gives: a row cannot point the server at another file.
    if (name != fileName(uid, format))
        return QByteArray();
    QFile file(QDir(m_folder).filePath(name));
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = u"cannot read "_s + file.fileName() + u": "_s + file.errorString();
        return std::nullopt;
    }
    return file.readAll();
}
