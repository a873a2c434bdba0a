#include "recorderworkfile.h"

#include "link/wirecodec.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

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

QString readMark(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return WireCodec::decode(file.readLine(1024)).trimmed();
}

bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = u"cannot write "_s + QDir::toNativeSeparators(path) + u": "_s + file.errorString();
    return false;
}

// Moves a file, replacing what is at the target.
bool moveFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::rename(from, to);
}

} // namespace

RecorderWorkFile::RecorderWorkFile(QString appFolder) : m_folder(std::move(appFolder)) {}

QString RecorderWorkFile::path() const
{
    return QDir(m_folder).filePath(u"Report.wav"_s);
}

QString RecorderWorkFile::markPath() const
{
    return path() + u".pending"_s;
}

QString RecorderWorkFile::asideFolder() const
{
    return QDir(m_folder).filePath(u"Unsent"_s);
}

QString RecorderWorkFile::asideName(const QString &uid)
{
    if (isPlain(uid))
        return uid + u".wav"_s;
    return QString::fromLatin1(QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha256).toHex())
           + u".wav"_s;
}

QString RecorderWorkFile::pendingUid() const
{
    if (!QFile::exists(path()))
        return {};
    return readMark(markPath());
}

bool RecorderWorkFile::setAside(const QString &uid)
{
    if (!QDir().mkpath(asideFolder()))
        return false;
    const QString target = QDir(asideFolder()).filePath(asideName(uid));
    if (!moveFile(path(), target))
        return false;
    moveFile(markPath(), target + u".pending"_s);
    return true;
}

RecorderWorkFile::Opening RecorderWorkFile::prepare(const QString &uid)
{
    const QString pending = pendingUid();
    if (!pending.isEmpty() && pending == uid)
        return Opening::PendingForThisStudy;
    if (!pending.isEmpty()) {
        // Another examination's dictation still waits for the server: keep it for its own turn.
        if (!setAside(pending))
            return Opening::Nothing; // it stays where it is rather than be lost
    } else {
        QFile::remove(path());
        QFile::remove(markPath());
    }
    if (uid.isEmpty())
        return Opening::Nothing;
    const QString aside = QDir(asideFolder()).filePath(asideName(uid));
    if (QFile::exists(aside) && readMark(aside + u".pending"_s) == uid && moveFile(aside, path())) {
        moveFile(aside + u".pending"_s, markPath());
        return Opening::PendingForThisStudy;
    }
    return Opening::Nothing;
}

bool RecorderWorkFile::markPending(const QString &uid, QString *error)
{
    return writeAtomically(markPath(), WireCodec::encode(uid) + "\r\n", error);
}

void RecorderWorkFile::confirmSent()
{
    QFile::remove(path());
    QFile::remove(markPath());
}

bool RecorderWorkFile::storeDownload(const QByteArray &bytes, QString *error)
{
    if (const QString pending = pendingUid(); !pending.isEmpty() && !setAside(pending)) {
        if (error)
            *error = u"an unsent dictation is in "_s + QDir::toNativeSeparators(path()) + u" and cannot be moved aside"_s;
        return false;
    }
    if (!writeAtomically(path(), bytes, error))
        return false;
    QFile::remove(markPath());
    return true;
}
