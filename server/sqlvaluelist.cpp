#include "sqlvaluelist.h"

using namespace Qt::StringLiterals;

namespace SqlValueList {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isNumber(QStringView text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    qsizetype digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i].isDigit() && text[i].unicode() < 128) {
            ++digits;
        } else if (text[i] == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits > 0;
}

} // namespace

QVariant Value::toVariant() const
{
    switch (kind) {
    case Kind::Null:
        return QVariant();
    case Kind::Number:
        return text.contains(u'.') ? QVariant(text.toDouble()) : QVariant(text.toLongLong());
    case Kind::Text:
        return text;
    }
    return {};
}

std::optional<QList<Value>> parse(QStringView list, QString *error)
{
    QList<Value> values;
    qsizetype i = 0;
    const qsizetype n = list.size();
    while (true) {
        while (i < n && isBlank(list[i]))
            ++i;
        Value value;
        if (i < n && list[i] == u'\'') {
            value.kind = Value::Kind::Text;
            ++i;
            bool closed = false;
            while (i < n) {
                if (list[i] == u'\'') {
                    if (i + 1 < n && list[i + 1] == u'\'') {
                        value.text.append(u'\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value.text.append(list[i++]);
            }
            if (!closed) {
                *error = u"value %1: the quoted text is not closed"_s.arg(values.size() + 1);
                return std::nullopt;
            }
        } else {
            const qsizetype start = i;
            while (i < n && list[i] != u',')
                ++i;
            const QStringView word = list.sliced(start, i - start).trimmed();
            if (word.compare(u"null"_s, Qt::CaseInsensitive) == 0) {
                value.kind = Value::Kind::Null;
            } else if (isNumber(word)) {
                value.kind = Value::Kind::Number;
                value.text = word.toString();
            } else {
                *error = u"value %1: '%2' is neither a number, a quoted text nor Null"_s.arg(values.size() + 1)
                             .arg(word.left(40));
                return std::nullopt;
            }
        }
        values.append(value);
        while (i < n && isBlank(list[i]))
            ++i;
        if (i == n)
            return values;
        if (list[i] != u',') {
            *error = u"value %1: a comma is missing after it"_s.arg(values.size());
            return std::nullopt;
        }
        ++i;
    }
}

QVariant plainField(const QString &field)
{
    if (field.trimmed().compare(u"null"_s, Qt::CaseInsensitive) == 0)
        return QVariant();
    return QString(field).replace(u"''"_s, u"'"_s);
}

} // namespace SqlValueList
