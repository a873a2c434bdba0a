#include "replyhelpers.h"

#include "usernumber.h"

#include <QStringList>


#include <cstring>

using namespace Qt::StringLiterals;

namespace {

template <typename Text, typename Marker>
Text stripMarkersAndCrLf(Text text, Marker closeMarker, Marker openMarker, Marker crlf)
{
    text.replace(closeMarker, Text());
    text.replace(openMarker, Text());
    qsizetype begin = 0;
    while (text.size() - begin >= 2 && text.sliced(begin, 2) == crlf)
        begin += 2;
    qsizetype end = text.size();
    while (end - begin >= 2 && text.sliced(end - 2, 2) == crlf)
        end -= 2;
    return text.sliced(begin, end - begin);
}

char upperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

} // namespace

QString StripReply(QString text)
{
    return stripMarkersAndCrLf(std::move(text), u"/CMDDATA"_s, u"CMDDATA"_s, u"\r\n"_s);
}

QByteArray StripReply(QByteArray bytes)
{
    return stripMarkersAndCrLf(std::move(bytes), "/CMDDATA"_ba, "CMDDATA"_ba, "\r\n"_ba);
}

std::int32_t ExtractID(const QString &text)
{
    return parseUserNumberAs<std::int32_t>(StripReply(text)).value_or(0);
}

QString ServerErrorText(const QString &reply)
{
    const QStringList fields = reply.trimmed().split(u'|');
    if (fields.size() < 4)
        return {};
    return u"Servererror #"_s + fields.at(1) + u"\r\n"_s + fields.at(2) + u"\r\n"_s + u"Function: "_s
           + fields.at(3);
}

QString StripLeadingZeros(QString text)
{
    qsizetype n = 0;
    while (n < text.size() && text.at(n) == u'0')
        ++n;
    return text.sliced(n);
}

QString SqlWildcards(QString text)
{
    return text.replace(u'?', u'_').replace(u'*', u'%');
}

QString DelCrLF(QString text)
{
    while (text.endsWith(u"\r\n"_s))
        text.chop(2);
    return text;
}

bool Saved(const QString &text)
{
    return text.left(10) == u"DATA SAVED"_s;
}

bool NoData(const QString &text)
{
    return text.contains(u"NO DATA"_s);
}

bool Failed(const QString &text)
{
    return text.contains(u"FAILED DATA"_s);
}

QString formatByteCount(qint64 count)
{
    if (count == 0)
        return {};
    QString digits = QString::number(count < 0 ? -count : count);
    for (qsizetype pos = digits.size() - 3; pos > 0; pos -= 3)
        digits.insert(pos, u' ');
    return count < 0 ? u"-"_s + digits : digits;
}

qsizetype indexOfMarker(QByteArrayView haystack, QByteArrayView upperMarker, qsizetype from)
{
    const qsizetype m = upperMarker.size();
    if (m == 0)
        return from;
    const char first = upperMarker.front();
    const bool letter = first >= 'A' && first <= 'Z';
    const char firstLower = letter ? char(first - 'A' + 'a') : first;
    const char *data = haystack.data();
    for (qsizetype i = std::max<qsizetype>(from, 0); i + m <= haystack.size(); ++i) {
        if (!letter) {
            // Markers that open with a sign ("/CMDDATA", "/REPORT"): let memchr skip to candidates.
            const void *hit = std::memchr(data + i, first, size_t(haystack.size() - m + 1 - i));
            if (!hit)
                return -1;
            i = static_cast<const char *>(hit) - data;
        } else if (const char c = data[i]; c != first && c != firstLower) {
            continue;
        }
        qsizetype k = 1;
        while (k < m && upperAscii(haystack[i + k]) == upperMarker[k])
            ++k;
        if (k == m)
            return i;
    }
    return -1;
}
