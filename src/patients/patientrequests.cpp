#include "patientrequests.h"

#include "link/commandlink.h"
#include "link/replyhelpers.h"
#include "link/wirecodec.h"

using namespace Qt::StringLiterals;

namespace {

// A single quote inside a quoted SQL value is written twice, so it cannot end the value.
QString doubledQuotes(QString text)
{
    return text.replace(u'\'', u"''"_s);
}

// An optional text of the insert's value list: quoted, or Null when empty.
QString insertOptional(const QString &text)
{
    return text.isEmpty() ? u"Null, "_s : u'\'' + doubledQuotes(text) + u"', "_s;
}

QString updateOptional(const QString &text)
{
    return text.isEmpty() ? u"Null"_s : doubledQuotes(text);
}

QString sqlDate(const QDate &date)
{
    return date.toString(u"yyyy-MM-dd"_s);
}

// The server reads " NUll" (with its leading space) as "no race/sex chosen".
QString racePosition(int position)
{
    return position >= 0 ? QString::number(position) : u" NUll"_s;
}

} // namespace

QString PatInsertString(std::int32_t patientId, const PatientDetails &patient)
{
    // The folder number is a quoted SQL value like the names: its quotes are doubled too, or a
    // folder number with an apostrophe would end the value early and break the statement.
    QString values = QString::number(patientId) + u", '"_s + doubledQuotes(patient.FolderNo) + u"', '"_s
                     + doubledQuotes(patient.Surname) + u"', "_s + insertOptional(patient.FirstName)
                     + insertOptional(patient.Initials);
    values += patient.BirthDate.isValid() ? u'\'' + sqlDate(patient.BirthDate) + u"', "_s : u"Null, "_s;
    values += insertOptional(patient.Sex);
    values += patient.RacePosition >= 0 ? u' ' + QString::number(patient.RacePosition) : u" NUll"_s;
    return u"CMDPATNEW|"_s + values + u"/CMD"_s;
}

QString PatUpdateString(const PatientDetails &patient)
{
    const QStringList values{
        patient.PatientId,
        patient.FolderNo,
        doubledQuotes(patient.Surname),
        updateOptional(patient.FirstName),
        updateOptional(patient.Initials),
        patient.BirthDate.isValid() ? sqlDate(patient.BirthDate) : u"Null"_s,
        updateOptional(patient.Sex),
        racePosition(patient.RacePosition),
    };
    return values.join(u'|');
}

QByteArray PatListRequest(const QString &folderNoPattern, const QString &surnamePattern)
{
    return CommandLink::requestLine(Command::PATLIST, SqlWildcards(folderNoPattern) + u'|' + SqlWildcards(surnamePattern));
}

QByteArray NewPatIdRequest()
{
    return CommandLink::requestLine(Command::NEWPATID);
}

QByteArray PatId1Request(const QString &folderNo)
{
    return CommandLink::requestLine(Command::PATID1, folderNo);
}

QByteArray NewPatRequest(std::int32_t patientId, const PatientDetails &patient)
{
    return WireCodec::encode(PatInsertString(patientId, patient));
}

QByteArray PatUpdateRequest(const PatientDetails &patient)
{
    return CommandLink::requestLine(Command::PATUPDATE, PatUpdateString(patient));
}
