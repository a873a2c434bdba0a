#include "patientrules.h"

#include "link/wirecodec.h"

#include <QLocale>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

const QString kFramingMessage = u"The field '%1' must not contain '|', '/CMD' or line breaks."_s;
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

} // namespace

QString SexFromRace(const QString &entry)
{
    const QStringList words = entry.split(u' ');
    return words.size() < 2 ? QString() : words.at(1).left(1);
}

QString autoInitials(const QString &initials, const QString &firstName, const QString &surname)
{
    if (!initials.isEmpty() || firstName.isEmpty() || surname.isEmpty())
        return initials;
    return firstName.left(1) + surname.left(1);
}

QString typedTextProblem(const QList<TypedField> &fields)
{
    for (const TypedField &field : fields) {
        if (field.text.contains(u'|') || field.text.contains(u'\r') || field.text.contains(u'\n')
            || field.text.contains(u"/CMD"_s, Qt::CaseInsensitive))
            return kFramingMessage.arg(field.name);
        if (const QString lost = unsendable(field.text); !lost.isEmpty())
            return kCodePageMessage.arg(field.name, lost);
    }
    return {};
}

namespace BirthDate {

QString shortText(const QDate &date)
{
    return date.toString(u"dd.MM.yyyy"_s);
}

QString inputMask()
{
    return u"99.99.9999;_"_s;
}

QDate parse(const QString &text)
{
    // A time after the date (from a server that sends date-times) is not part of a birth date.
    static const QRegularExpression time(u"[ T]\\d{1,2}:\\d{2}(:\\d{2}(\\.\\d+)?)?$"_s);
    QString t = text.trimmed();
    t.remove(time);
    t.remove(u' ');
    if (t.isEmpty())
        return {};
    static const QStringList forms{u"d.M.yyyy"_s, u"yyyy-M-d"_s};
    for (const QString &form : forms) {
        if (const QDate date = QDate::fromString(t, form); date.isValid())
            return date;
    }
    // The system's short date, with the year widened: a two-digit year would guess the century of a
    // birth date.
    QString system = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!system.contains(u"yyyy"_s))
        system.replace(u"yy"_s, u"yyyy"_s);
    system.remove(u' ');
    return QDate::fromString(t, system);
}

} // namespace BirthDate
