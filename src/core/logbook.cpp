#include "logbook.h"

#include "core/prompter.h"
#include "link/wirecodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

LogBook::LogBook(const QString &appFolder, Prompter &prompter)
    : m_folder(QDir(appFolder).filePath(u"Log"_s))
    , m_prompter(prompter)
{
}

bool LogBook::ensureFolder() const
{
    return QDir().mkpath(m_folder);
}

QString LogBook::errorLogPath() const
{
    return QDir(m_folder).filePath(u"Error.log"_s);
}

QString LogBook::statusLogPath() const
{
    return QDir(m_folder).filePath(u"Status.log"_s);
}

void LogBook::LogError(std::int32_t number, const QString &text, const QString &routine)
{
    append(errorLogPath(), u" | #"_s + QString::number(number) + u" | "_s + text + u" | "_s + routine);
    m_prompter.error(routine, u"Error #"_s + QString::number(number) + u"\r\n\r\n"_s + text);
}

void LogBook::LogStatus(const QString &text)
{
    append(statusLogPath(), u" | "_s + text);
}

void LogBook::append(const QString &path, const QString &line) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    // One entry is one line: line breaks inside a message would split it.
    QString flat = line;
    flat.replace(u"\r\n"_s, u" "_s).replace(u'\r', u' ').replace(u'\n', u' ');
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
    file.write(WireCodec::encode(QString(stamp + flat + u"\r\n"_s)));
}
