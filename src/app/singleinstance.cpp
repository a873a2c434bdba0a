#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// One lock per application folder: copies installed in different folders (and tests with their own
// folders) do not see each other.
QString lockPathFor(const QString &appFolder, const QString &lockFolder)
{
    const QFileInfo info(appFolder);
    const QString folder = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QString dir = lockFolder.isEmpty() ? QDir::tempPath() : lockFolder;
    return QDir(dir).filePath(u"zelclient-"_s + QString::fromLatin1(hash) + u".lock"_s);
}

} // namespace

SingleInstance::SingleInstance(const QString &appFolder, const QString &lockFolder)
    : m_path(lockPathFor(appFolder, lockFolder))
    , m_lock(m_path)
{
    // The lock is held for the whole run, so its age says nothing; only a dead owner makes it stale.
    m_lock.setStaleLockTime(0);
}

SingleInstance::State SingleInstance::claim()
{
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return State::Alone;
    switch (m_lock.error()) {
    case QLockFile::LockFailedError:
        return State::AnotherCopyRuns;
    case QLockFile::PermissionError:
        m_errorNumber = 70;
        m_errorText = u"Permission denied ("_s + QDir::toNativeSeparators(m_path) + u")"_s;
        return State::Failed;
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        break;
    }
    m_errorNumber = 75;
    m_errorText = u"Path/File access error ("_s + QDir::toNativeSeparators(m_path) + u")"_s;
    return State::Failed;
}
