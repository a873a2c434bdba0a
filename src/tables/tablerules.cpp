#include "tablerules.h"

#include "link/wirecodec.h"

#include <QLocale>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QString kFramingMessage = u"The field '%1' must not contain '|', '/CMD' or line breaks."_s;
const QString kMultiLineFramingMessage = u"The field '%1' must not contain '|' or '/CMD'."_s;
const QString kCodePageMessage = u"The field '%1' contains characters that cannot be sent to the server: %2"_s;

// Characters of the text that the wire's code page cannot carry (they would arrive as '?').
QString unsendable(const QString &text)
{
    QString lost;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView one = QStringView(text).sliced(i, length);
        if (WireCodec::decode(WireCodec::encode(one)) != one && !lost.contains(one))
            lost += one;
        i += length - 1;
    }
    return lost;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

QString tableTextProblem(const QList<TableField> &fields)
{
    for (const TableField &field : fields) {
        const bool lineBreak = field.text.contains(u'\r') || field.text.contains(u'\n');
        if (field.text.contains(u'|') || field.text.contains(u"/CMD"_s, Qt::CaseInsensitive)
            || (lineBreak && !field.multiLine))
            return (field.multiLine ? kMultiLineFramingMessage : kFramingMessage).arg(field.name);
        if (const QString lost = unsendable(field.text); !lost.isEmpty())
            return kCodePageMessage.arg(field.name, lost);
    }
    return {};
}

QString wireLineBreaks(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text;
}

std::optional<bool> truthValue(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty() || t.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    if (t.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (const std::optional<QString> number = plainDecimal(t))
        return *number != u"0"_s;
    return std::nullopt;
}

std::optional<QString> plainDecimal(QStringView typed)
{
    const QStringView t = typed.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    bool separator = false;
    for (; i < t.size(); ++i) {
        if (isAsciiDigit(t[i]))
            ++digits;
        else if ((t[i] == u'.' || t[i] == u',') && !separator)
            separator = true;
        else
            break;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        qsizetype exponentDigits = 0;
        for (; i < t.size() && isAsciiDigit(t[i]); ++i)
            ++exponentDigits;
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    QString c = t.toString();
    c.replace(u',', u'.');
    bool ok = false;
    double value = QLocale::c().toDouble(c, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    if (value == 0)
        value = 0; // no "-0"
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString numberOrNull(QStringView typed)
{
    return plainDecimal(typed).value_or(u"NULL"_s);
}

std::optional<QString> wholeId(QStringView typed)
{
    const QStringView t = typed.trimmed();
    if (t.isEmpty() || t.size() > 18)
        return std::nullopt;
    for (QChar c : t) {
        if (!isAsciiDigit(c))
            return std::nullopt;
    }
    const qint64 value = t.toLongLong();
    if (value <= 0 || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return QString::number(value);
}
