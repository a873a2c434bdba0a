#include "recorderini.h"

#include "link/wirecodec.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace RecorderIni {

QString readRecordFlag(const QString &appFolder)
{
    QFile file(QDir(appFolder).filePath(FileName.toString()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The line ends at CR or LF, whichever the file uses.
    QByteArray line = file.readLine(4096);
    const qsizetype end = line.indexOf('\r');
    if (end >= 0)
        line.truncate(end);
    return WireCodec::decode(line).trimmed();
}

bool recordingAllowed(const QString &recordFlag)
{
    return recordFlag != u"no"_s;
}

} // namespace RecorderIni
