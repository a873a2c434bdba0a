#include "clientini.h"

#include "link/wirecodec.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

const QString kFileNotFound = u"File not found"_s;
const QString kFileAccess = u"Path/File access error"_s;
const QString kPastEndOfFile = u"Input past end of file"_s;
const QString kTypeMismatch = u"Type mismatch"_s;
const QString kOverflow = u"Overflow"_s;

ClientIni::Result lineError(std::int32_t number, const QString &text, int line)
{
    return {number, text + u" (line "_s + QString::number(line) + u" of "_s + ClientIni::FileName.toString()
                        + u")"_s};
}

// Lines end with CR LF; a bare LF is accepted too, for files edited with other tools. The break after
// the last line does not start another line.
QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

// A required whole number in lines 2 to 4.
template <typename T>
std::optional<ClientIni::Result> readRequired(const QStringList &lines, int line, T &target)
{
    if (lines.size() < line)
        return lineError(ClientIni::ErrPastEndOfFile, kPastEndOfFile, line);
    const std::optional<qint64> value = parseUserNumber(lines.at(line - 1));
    if (!value)
        return lineError(ClientIni::ErrTypeMismatch, kTypeMismatch, line);
    if (*value < std::numeric_limits<T>::min() || *value > std::numeric_limits<T>::max())
        return lineError(ClientIni::ErrOverflow, kOverflow, line);
    target = static_cast<T>(*value);
    return std::nullopt;
}

// An optional whole number in lines 5 and 8: anything unreadable leaves the setting as it was.
void readOptional(const QStringList &lines, int line, std::int32_t &target)
{
    if (lines.size() < line)
        return;
    if (const auto value = parseUserNumberAs<std::int32_t>(lines.at(line - 1)))
        target = *value;
}

void readSwitch(const QStringList &lines, int line, bool &target)
{
    if (lines.size() < line || lines.at(line - 1).trimmed().isEmpty())
        return;
    const std::optional<qint64> value = parseUserNumber(lines.at(line - 1));
    if (!value)
        target = true; // a word such as "yes" or "True" means on
    else if (*value == 0)
        target = false;
    else if (*value == 1)
        target = true;
    // any other number leaves the switch as it is
}

} // namespace


namespace ClientIni {

QString path(const QString &appFolder)
{
    return QDir(appFolder).filePath(FileName.toString());
}

Result read(const QString &filePath, Settings &settings)
{
    QFile file(filePath);
    if (!file.exists())
        return {ErrFileNotFound, kFileNotFound + u" ("_s + QDir::toNativeSeparators(filePath) + u")"_s};
    if (!file.open(QIODevice::ReadOnly))
        return {ErrFileAccess, kFileAccess + u" ("_s + QDir::toNativeSeparators(filePath) + u"): "_s
                                   + file.errorString()};
    const QStringList lines = splitLines(WireCodec::decode(file.readAll()));
    file.close();

    if (lines.isEmpty())
        return lineError(ErrPastEndOfFile, kPastEndOfFile, 1);
    settings.MainServerHost = lines.at(0).trimmed();
    if (auto failed = readRequired(lines, 2, settings.MainServerPort))
        return *failed;
    if (auto failed = readRequired(lines, 3, settings.ConnectTimeout))
        return *failed;
    if (auto failed = readRequired(lines, 4, settings.CommandTimeout))
        return *failed;

    readOptional(lines, 5, settings.LogonPort);
    readSwitch(lines, 6, settings.UseAppSystem);
    if (lines.size() >= 7)
        settings.SecondServerHost = lines.at(6).trimmed();
    readOptional(lines, 8, settings.SecondServerPort);
    return {};
}

QStringList linesOf(const Settings &settings)
{
    return {settings.MainServerHost,
            QString::number(settings.MainServerPort),
            QString::number(settings.ConnectTimeout),
            QString::number(settings.CommandTimeout),
            QString::number(settings.LogonPort),
            settings.UseAppSystem ? u"1"_s : u"0"_s,
            settings.SecondServerHost,
            QString::number(settings.SecondServerPort)};
}

Result write(const QString &filePath, const QStringList &lines)
{
    QByteArray bytes;
    for (QString line : lines.mid(0, LineCount)) {
        // A line break inside a value would shift every following value to the wrong line.
        line.replace(u'\r', u' ').replace(u'\n', u' ');
        bytes += WireCodec::encode(line) + "\r\n";
    }

    QSaveFile file(filePath);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return {};
    return {ErrFileAccess,
            kFileAccess + u" ("_s + QDir::toNativeSeparators(filePath) + u"): "_s + file.errorString()};
}

} // namespace ClientIni

ClientIni::Result ReadINI(Session &session, const QString &appFolder)
{
    ClientIni::Result result = ClientIni::read(ClientIni::path(appFolder), session.settings);
    if (result.ok())
        session.ServerHost = session.settings.MainServerHost;
    return result;
}
