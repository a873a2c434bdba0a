#include "replywriter.h"

#include "link/wirecodec.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView kOpen = "CMDDATA\r\n";
constexpr QByteArrayView kClose = "/CMDDATA\r\n";
constexpr QByteArrayView kLineEnd = "\r\n";

} // namespace

ReplyWriter::ReplyWriter(QString function)
    : m_function(std::move(function))
{
}

void ReplyWriter::number(qint64 value)
{
    m_error = false;
    m_inRecords = false;
    m_bytes = kOpen.toByteArray() + QByteArray::number(value) + kLineEnd + kClose;
}

void ReplyWriter::value(const QString &text)
{
    m_error = false;
    m_inRecords = false;
    m_bytes = kOpen.toByteArray() + WireCodec::encode(fieldText(text)) + kLineEnd + kClose;
}

void ReplyWriter::beginRecords()
{
    m_error = false;
    m_inRecords = true;
    m_bytes = kOpen.toByteArray();
}

void ReplyWriter::record(const QStringList &fields)
{
    if (!m_inRecords)
        beginRecords();
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            m_bytes += '|';
        m_bytes += WireCodec::encode(fieldText(fields.at(i)));
    }
    m_bytes += kLineEnd;
}

void ReplyWriter::record(std::initializer_list<QString> fields)
{
    record(QStringList(fields));
}

void ReplyWriter::endRecords()
{
    if (!m_inRecords)
        beginRecords();
    m_inRecords = false;
    m_bytes += kClose;
}

void ReplyWriter::records(const QList<QStringList> &rows)
{
    beginRecords();
    for (const QStringList &row : rows)
        record(row);
    endRecords();
}

void ReplyWriter::status(const QString &word)
{
    m_error = false;
    m_inRecords = false;
    m_bytes = WireCodec::encode(fieldText(word));
}

void ReplyWriter::error(int number, const QString &text, const QString &function)
{
    m_error = true;
    m_inRecords = false;
    m_bytes = errorReply(number, text, function.isEmpty() ? m_function : function);
}

QString ReplyWriter::fieldText(QStringView text)
{
    QString result = text.toString();
    result.replace(u'|', u' ');
    if (!result.contains(u'\r') && !result.contains(u'\n'))
        return result;
    if (result.contains(u"/CMDDATA"_s, Qt::CaseInsensitive)) {
        for (QChar &c : result) {
            if (c == u'\r' || c == u'\n')
                c = u' ';
        }
        return result;
    }
    result.replace(u"\r\n"_s, u"\n"_s);
    return result.replace(u'\r', u'\n');
}

QString ReplyWriter::errorText(QStringView text)
{
    QString result = text.toString();
    for (QChar &c : result) {
        if (c == u'|' || c.category() == QChar::Other_Control)
            c = u' ';
    }
    return result.simplified();
}

QByteArray ReplyWriter::errorReply(int number, QStringView text, QStringView function)
{
    return "ERROR|" + QByteArray::number(number) + '|' + WireCodec::encode(errorText(text)) + '|'
           + WireCodec::encode(errorText(function)) + kLineEnd;
}
