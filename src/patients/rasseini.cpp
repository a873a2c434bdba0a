#include "rasseini.h"

#include "link/wirecodec.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace RasseIni {

QString path(const QString &appFolder)
{
    return QDir(appFolder).filePath(u"Rasse.ini"_s);
}

QStringList read(const QString &appFolder)
{
    QFile file(path(appFolder));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = WireCodec::decode(file.readAll());
    QStringList entries;
    // Lines end with CR LF; a file saved with bare LF or CR line ends reads the same.
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        entries.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        entries.append(text.sliced(start)); // a last line without a line end
    return entries;
}

} // namespace RasseIni
