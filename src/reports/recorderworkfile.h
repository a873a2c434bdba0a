#pragma once

#include <QByteArray>
#include <QString>

// Report.wav, the dictation's work file in the application folder, and what keeps an unsent
// dictation from being lost. A dictation saved for sending is marked with the UID of its
// examination (Report.wav.pending) until the server confirms it; a failed or timed-out upload
// leaves both, and the recorder offers the dictation again when it next opens for that
// examination. A dictation of another examination that is in the way is set aside in the folder
// Unsent, never overwritten. A Report.wav without the mark is a dictation downloaded for listening
// and goes when the recorder opens.
class RecorderWorkFile
{
public:
    explicit RecorderWorkFile(QString appFolder);

    QString path() const;       // Report.wav
    QString markPath() const;   // Report.wav.pending
    QString asideFolder() const; // Unsent

    enum class Opening { Nothing, PendingForThisStudy };
    // At the recorder's load, for the examination `uid`: a downloaded file goes, another
    // examination's unsent dictation is set aside, and this examination's unsent dictation (in
    // Report.wav or set aside earlier) is made Report.wav again.
    Opening prepare(const QString &uid);

    // The UID an unsent Report.wav belongs to; empty when there is none.
    QString pendingUid() const;
    // Report.wav has just been saved for sending the dictation of `uid`.
    bool markPending(const QString &uid, QString *error);
    // The server has the dictation: the work file and its mark go.
    void confirmSent();
    // Writes a downloaded dictation as Report.wav, byte for byte. An unsent dictation in Report.wav
    // is set aside first.
    bool storeDownload(const QByteArray &bytes, QString *error);

    // The file name an examination's dictation is set aside under: the UID itself when it is a
    // plain one, otherwise a digest of it.
    static QString asideName(const QString &uid);

private:
    bool setAside(const QString &uid);

    QString m_folder;
};
