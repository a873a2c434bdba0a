#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

#include <memory>
#include <optional>

class Database;

// The report texts and dictations of the examinations, one file per examination UID and format in
// the server's files folder, each with its row in tblReportFiles. A new file is written under a
// temporary name and takes the place of the old one only once it is complete, so a reader never
// sees half a file and an upload that breaks off leaves the stored one as it was.
class ReportFileStore
{
public:
    ReportFileStore(Database &database, QString folder);

    // One file on its way in.
    class Upload
    {
    public:
        bool write(QByteArrayView bytes);
        // Puts the file in place and records it; false (the old file kept) when anything failed.
        bool commit(QString *error);

    private:
        friend class ReportFileStore;
        Upload(ReportFileStore &store, QString uid, QString format, std::optional<qint64> status, const QString &path);

        ReportFileStore &m_store;
        QString m_uid;
        QString m_format;
        std::optional<qint64> m_status;
        QSaveFile m_file;
        qint64 m_bytes = 0;
        bool m_failed = false;
    };

    // An upload for the examination `uid`; nothing (and `error` says why) when no examination has
    // that UID or the file cannot be created.
    std::unique_ptr<Upload> begin(const QString &uid, const QString &format, std::optional<qint64> status,
                                  QString *error);

    // The stored file, or an empty array when there is none; nothing when it cannot be read.
    std::optional<QByteArray> read(const QString &uid, const QString &format, QString *error);

    // The file name of an examination's file: its UID when that is a plain one, else a digest.
    static QString fileName(const QString &uid, const QString &format);

private:
    bool record(const Upload &upload, QString *error);

    Database &m_database;
    QString m_folder;
};
