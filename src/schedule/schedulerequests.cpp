#include "schedulerequests.h"

#include "link/commandlink.h"

using namespace Qt::StringLiterals;

namespace {

const QString kDayFormat = u"yyyyMMdd"_s;
const QString kTimeFormat = u"HH:mm"_s;

// A single quote inside a quoted SQL value is written twice, so it cannot end the value.
QString doubledQuotes(QString text)
{
    return text.replace(u'\'', u"''"_s);
}

QString day(const QDate &date)
{
    return date.toString(kDayFormat);
}

QString clock(const QTime &time)
{
    return time.toString(kTimeFormat);
}

// The values A1 to A7 that TERMNEU and EMNEU both send after the patient id, each already quoted
// but for the quotes that join them.
QStringList sharedValues(const BookingData &b)
{
    return {QString::number(b.ModalityId), doubledQuotes(b.Date), clock(b.Time), doubledQuotes(b.BodyPart),
            doubledQuotes(b.Information), QString::number(b.Duration), doubledQuotes(b.Status)};
}

} // namespace

QByteArray ModListRequest()
{
    return CommandLink::requestLine(Command::MODLIST);
}

QByteArray BodyListRequest()
{
    return CommandLink::requestLine(Command::BODYLIST);
}

QByteArray TermCountRequest(const QDate &date, std::int32_t modality)
{
    return CommandLink::requestLine(Command::TERMCOUNT, day(date) + u'|' + QString::number(modality));
}

QByteArray TermListRequest(const QDate &date, std::int32_t modality)
{
    return CommandLink::requestLine(Command::TERMLIST, day(date) + u'|' + QString::number(modality));
}

QByteArray CheckAppRequest(const QDate &date, std::int32_t modality)
{
    return CommandLink::requestLine(Command::CHECKAPP, day(date) + u'|' + QString::number(modality));
}

QString TermNeuArguments(const BookingData &b)
{
    QStringList values{doubledQuotes(b.PatientId)};
    values += sharedValues(b);
    values.append(doubledQuotes(b.AccessionNumber));
    return values.join(u"','"_s);
}

QByteArray TermNeuRequest(const BookingData &booking)
{
    return CommandLink::requestLine(Command::TERMNEU, TermNeuArguments(booking));
}

QString EmNeuArguments(const BookingData &b)
{
    return b.PatientId + u",'"_s + sharedValues(b).join(u"','"_s) + u"', "_s + QString::number(b.Emergency);
}

QByteArray EmNeuRequest(const BookingData &booking)
{
    return CommandLink::requestLine(Command::EMNEU, EmNeuArguments(booking));
}

QByteArray TermIdRequest(const QString &patientId, const QString &date, const QTime &time)
{
    return CommandLink::requestLine(Command::TERMID, patientId + u'|' + date + u'|' + clock(time));
}

QByteArray EmInsertRequest(const QDate &date, const QTime &time, std::int32_t modality, std::int32_t appointmentId)
{
    return CommandLink::requestLine(Command::EMINSERT, day(date) + u'|' + clock(time) + u'|'
                                                           + QString::number(modality) + u'|'
                                                           + QString::number(appointmentId));
}

QByteArray AppUpdateRequest(const QTime &start, std::int32_t appointmentId)
{
    return CommandLink::requestLine(Command::APPUPDATE, clock(start) + u'|' + QString::number(appointmentId));
}

QString AppEditArguments(const BookingData &b, std::int32_t appointmentId)
{
    // The server reads the texts of this list with their doubled quotes made single again.
    return QStringList{b.Date,
                       clock(b.Time),
                       doubledQuotes(b.BodyPart),
                       doubledQuotes(b.Information),
                       QString::number(b.Duration),
                       doubledQuotes(b.Status),
                       QString::number(b.Emergency),
                       QString::number(appointmentId)}
        .join(u'|');
}

QByteArray AppEditRequest(const BookingData &booking, std::int32_t appointmentId)
{
    return CommandLink::requestLine(Command::APPEDIT, AppEditArguments(booking, appointmentId));
}

QByteArray WeekRecRequest(std::int32_t appointmentId)
{
    return CommandLink::requestLine(Command::WEEKREC, QString::number(appointmentId));
}

QByteArray DelAppRequest(const QDate &today)
{
    return CommandLink::requestLine(Command::DELAPP, day(today));
}

QByteArray DelApp2Request(const QTime &before)
{
    return CommandLink::requestLine(Command::DELAPP2, clock(before));
}

QByteArray TermDelRequest(std::int32_t appointmentId)
{
    return CommandLink::requestLine(Command::TERMDEL, QString::number(appointmentId));
}
