// The appointment commands: modalities and body parts, the day list of a modality, booking,
// emergencies with the appointments they push back, editing and deleting.
//
// Appointments keep their day as "yyyy-mm-dd" and their start as "hh:mm", so both sort as text.
// The client writes days as "yyyymmdd" and times as "hh:mm"; everything it sends is checked and
// bound as a parameter.

#include "handlers.h"

#include "commandcontext.h"
#include "commandregistry.h"
#include "commandrequest.h"
#include "database.h"
#include "replywriter.h"
#include "servererrors.h"
#include "sqlvaluelist.h"

#include <QDate>
#include <QSqlQuery>
#include <QTime>
#include <QVariant>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kMinutesPerDay = 24 * 60;
constexpr qsizetype kTextLimit = 255;
const QString kStoredDay = u"yyyy-MM-dd"_s;
const QString kStoredTime = u"HH:mm"_s;

// The fields of an appointment record as the client reads it (24 of them). Those the client does
// not read carry what a reader of the list may find useful.
const QString kRecordSelect =
    u"SELECT a.PATID, p.PATID1, p.PATNachname, p.PATVorname, p.PAT2Vorname, p.PATGebDatum, p.PATGeschlecht,"
    u" a.ModalityID, m.ModalityName, m.Room, m.Description, a.AppointmentID, a.AppDate, a.StartTime,"
    u" a.BodyPart, a.Information, a.Duration, a.Status, a.Emergency, a.CreatedAt, a.AccessionNumber"
    u" FROM tblAppointments a LEFT JOIN tblPatienten p ON p.PATID = a.PATID"
    u" LEFT JOIN tblModality m ON m.ModalityID = a.ModalityID"_s;

QString text(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

std::optional<QDate> dayArgument(const QString &argument)
{
    const QString t = argument.trimmed();
    const QDate day = QDate::fromString(t, u"yyyyMMdd"_s);
    if (t.size() != 8 || !day.isValid())
        return std::nullopt;
    return day;
}

std::optional<QTime> timeArgument(const QString &argument)
{
    const QString t = argument.trimmed();
    for (const QString &form : {u"H:mm"_s, u"HH:mm"_s}) {
        if (const QTime time = QTime::fromString(t, form); time.isValid())
            return time;
    }
    return std::nullopt;
}

std::optional<qint64> numberArgument(const QString &argument)
{
    bool ok = false;
    const qint64 value = argument.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

int minutesOf(const QString &storedTime)
{
    const QTime time = QTime::fromString(storedTime, kStoredTime);
    return time.isValid() ? time.hour() * 60 + time.minute() : 0;
}

QString timeOf(int minutes)
{
    return QTime(0, 0).addSecs(qint64(minutes) * 60).toString(kStoredTime);
}

// Runs a prepared query; on failure answers with the database's error and returns false.
bool run(QSqlQuery &query, ReplyWriter &reply)
{
    QString error;
    if (Database::run(query, &error))
        return true;
    reply.error(ServerErrors::DatabaseFailure, error);
    return false;
}

void appointmentRecords(QSqlQuery &query, ReplyWriter &reply)
{
    reply.beginRecords();
    while (query.next()) {
        const QDate day = QDate::fromString(text(query.value(12)), kStoredDay);
        const int start = minutesOf(text(query.value(13)));
        const int duration = query.value(16).toInt();
        reply.record({
            text(query.value(0)),                         // 0 patient id
            text(query.value(1)),                         // 1 folder number
            text(query.value(2)),                         // 2 last name
            text(query.value(3)),                         // 3 first name
            text(query.value(4)),                         // 4 initials
            text(query.value(5)),                         // 5 birth date
            text(query.value(6)),                         // 6 sex
            text(query.value(7)),                         // 7 modality id
            text(query.value(8)),                         // 8 modality
            text(query.value(9)),                         // 9 room
            text(query.value(10)),                        // 10 modality description
            day.toString(u"dddd"_s),                      // 11 weekday
            text(query.value(11)),                        // 12 appointment id
            text(query.value(12)),                        // 13 date
            text(query.value(13)),                        // 14 start
            text(query.value(14)),                        // 15 body part
            text(query.value(15)),                        // 16 information
            timeOf(std::min(start + duration, kMinutesPerDay - 1)), // 17 end
            QString::number(duration),                    // 18 duration
            text(query.value(17)),                        // 19 status
            text(query.value(18)),                        // 20 emergency flag
            text(query.value(19)),                        // 21 booked at
            QString(),                                    // 22 not used
            text(query.value(20)),                        // 23 accession number
        });
    }
    reply.endRecords();
}

// The day and modality arguments of TERMCOUNT and TERMLIST.
struct DayOfModality
{
    QDate day;
    qint64 modality = 0;
};
std::optional<DayOfModality> dayOfModality(const CommandRequest &request, ReplyWriter &reply, const QString &name)
{
    const auto day = dayArgument(request.arguments.value(0));
    const auto modality = numberArgument(request.arguments.value(1));
    if (request.arguments.size() != 2 || !day || !modality) {
        reply.error(ServerErrors::BadArgument, name + u" takes a day (yyyymmdd) and a modality id"_s);
        return std::nullopt;
    }
    return DayOfModality{*day, *modality};
}

void modalityList(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    QSqlQuery query = context.database.prepare(
        u"SELECT ModalityID, ModalityName, Room, Description FROM tblModality ORDER BY SortOrder, ModalityID"_s);
    query.setForwardOnly(true);
    if (!run(query, reply))
        return;
    reply.beginRecords();
    while (query.next())
        reply.record({text(query.value(0)), text(query.value(1)), text(query.value(2)), text(query.value(3))});
    reply.endRecords();
}

void bodyPartList(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    QSqlQuery query = context.database.prepare(u"SELECT BodyPart FROM tblBodyParts ORDER BY BodyPart"_s);
    query.setForwardOnly(true);
    if (!run(query, reply))
        return;
    reply.beginRecords();
    while (query.next())
        reply.record({text(query.value(0))});
    reply.endRecords();
}

void termCount(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto which = dayOfModality(request, reply, u"TermCount"_s);
    if (!which)
        return;
    QSqlQuery query = context.database.prepare(
        u"SELECT COUNT(*) FROM tblAppointments WHERE AppDate = :day AND ModalityID = :modality"_s);
    query.bindValue(u":day"_s, which->day.toString(kStoredDay));
    query.bindValue(u":modality"_s, which->modality);
    if (!run(query, reply))
        return;
    reply.number(query.next() ? query.value(0).toLongLong() : 0);
}

void termList(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto which = dayOfModality(request, reply, u"Termlist"_s);
    if (!which)
        return;
    QSqlQuery query = context.database.prepare(
        kRecordSelect + u" WHERE a.AppDate = :day AND a.ModalityID = :modality ORDER BY a.StartTime, a.AppointmentID"_s);
    query.setForwardOnly(true);
    query.bindValue(u":day"_s, which->day.toString(kStoredDay));
    query.bindValue(u":modality"_s, which->modality);
    if (run(query, reply))
        appointmentRecords(query, reply);
}

void weekRecord(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto id = numberArgument(request.argumentText);
    if (!id) {
        reply.error(ServerErrors::BadArgument, u"WeekRec takes an appointment id"_s);
        return;
    }
    QSqlQuery query = context.database.prepare(kRecordSelect + u" WHERE a.AppointmentID = :id"_s);
    query.bindValue(u":id"_s, *id);
    if (run(query, reply))
        appointmentRecords(query, reply);
}

// The values of a new booking, checked.
struct Booking
{
    qint64 patient = 0;
    qint64 modality = 0;
    QDate day;
    QTime start;
    QString bodyPart;
    QString information;
    int duration = 0;
    QString status;
    QVariant accession; // TERMNEU only
    int emergency = 0;
};

// Reads the nine values both booking commands send: patient, modality, day, start, body part,
// information, duration, status, and the accession number (TERMNEU) or the emergency flag (EMNEU).
std::optional<Booking> readBooking(const QList<SqlValueList::Value> &values, bool emergency, QString *problem)
{
    const auto field = [&values](int i) { return values.at(i).text.trimmed(); };
    Booking b;
    const auto patient = numberArgument(field(0));
    const auto modality = numberArgument(field(1));
    const auto day = dayArgument(field(2));
    const auto start = timeArgument(field(3));
    const auto duration = numberArgument(field(6));
    if (!patient || *patient <= 0)
        *problem = u"the patient id is not a whole number above 0"_s;
    else if (!modality)
        *problem = u"the modality id is not a whole number"_s;
    else if (!day)
        *problem = u"the day is not a date written yyyymmdd"_s;
    else if (!start)
        *problem = u"the start is not a time written hh:mm"_s;
    else if (!duration || *duration <= 0 || *duration > kMinutesPerDay)
        *problem = u"the duration is not a number of minutes from 1 to 1440"_s;
    for (const int i : {4, 5, 7, 8}) {
        if (problem->isEmpty() && values.at(i).text.size() > kTextLimit)
            *problem = u"value %1 is longer than %2 characters"_s.arg(i + 1).arg(kTextLimit);
    }
    std::optional<qint64> flag;
    if (problem->isEmpty() && emergency) {
        flag = numberArgument(field(8));
        if (!flag || *flag < -32768 || *flag > 32767)
            *problem = u"the emergency flag is not a whole number"_s;
    }
    if (!problem->isEmpty())
        return std::nullopt;
    b.patient = *patient;
    b.modality = *modality;
    b.day = *day;
    b.start = *start;
    b.bodyPart = values.at(4).text;
    b.information = values.at(5).text;
    b.duration = int(*duration);
    b.status = values.at(7).text;
    if (emergency)
        b.emergency = int(*flag);
    else
        b.accession = values.at(8).kind == SqlValueList::Value::Kind::Null ? QVariant() : QVariant(values.at(8).text);
    return b;
}

void insertBooking(const Booking &b, ReplyWriter &reply, CommandContext &context)
{
    QSqlQuery query = context.database.prepare(
        u"INSERT INTO tblAppointments (PATID, ModalityID, AppDate, StartTime, BodyPart, Information, Duration,"
        u" Status, Emergency, AccessionNumber)"
        u" SELECT :patient, :modality, :day, :start, :bodyPart, :information, :duration, :status, :emergency,"
        u" :accession WHERE EXISTS (SELECT 1 FROM tblPatienten WHERE PATID = :patientCheck)"
        u" AND EXISTS (SELECT 1 FROM tblModality WHERE ModalityID = :modalityCheck)"_s);
    query.bindValue(u":patient"_s, b.patient);
    query.bindValue(u":modality"_s, b.modality);
    query.bindValue(u":day"_s, b.day.toString(kStoredDay));
    query.bindValue(u":start"_s, b.start.toString(kStoredTime));
    query.bindValue(u":bodyPart"_s, b.bodyPart);
    query.bindValue(u":information"_s, b.information);
    query.bindValue(u":duration"_s, b.duration);
    query.bindValue(u":status"_s, b.status);
    query.bindValue(u":emergency"_s, b.emergency);
    query.bindValue(u":accession"_s, b.accession);
    query.bindValue(u":patientCheck"_s, b.patient);
    query.bindValue(u":modalityCheck"_s, b.modality);
    QString error;
    // An unknown patient or modality is a booking not registered (0), as the client reports it.
    if (!Database::run(query, &error)) {
        reply.number(0);
        return;
    }
    reply.number(query.numRowsAffected() == 1 ? 1 : 0);
}

// TERMNEU's arguments are a value list without its first and last quote.
void newAppointment(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    QString error;
    const auto values = SqlValueList::parse(QString(u'\'' + request.argumentText + u'\''), &error);
    if (!values || values->size() != 9) {
        reply.error(ServerErrors::BadArgument,
                    u"TermNeu needs nine values: "_s + (values ? u"got %1"_s.arg(values->size()) : error));
        return;
    }
    QString problem;
    const auto booking = readBooking(*values, false, &problem);
    if (!booking) {
        reply.error(ServerErrors::BadArgument, u"TermNeu: "_s + problem);
        return;
    }
    insertBooking(*booking, reply, context);
}

void newEmergency(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    QString error;
    const auto values = SqlValueList::parse(request.argumentText, &error);
    if (!values || values->size() != 9) {
        reply.error(ServerErrors::BadArgument,
                    u"EmNeu needs nine values: "_s + (values ? u"got %1"_s.arg(values->size()) : error));
        return;
    }
    QString problem;
    auto booking = readBooking(*values, true, &problem);
    if (!booking) {
        reply.error(ServerErrors::BadArgument, u"EmNeu: "_s + problem);
        return;
    }
    if (booking->emergency == 0)
        booking->emergency = -1; // what EmNeu books is an emergency
    insertBooking(*booking, reply, context);
}

// The appointment of the patient at that day and start: an emergency before a default one, the
// newest first. 0 when there is none.
void appointmentId(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto patient = numberArgument(request.arguments.value(0));
    const auto day = dayArgument(request.arguments.value(1));
    const auto start = timeArgument(request.arguments.value(2));
    if (request.arguments.size() != 3 || !patient || !day || !start) {
        reply.error(ServerErrors::BadArgument, u"TermId takes a patient id, a day (yyyymmdd) and a time (hh:mm)"_s);
        return;
    }
    QSqlQuery query = context.database.prepare(
        u"SELECT AppointmentID FROM tblAppointments WHERE PATID = :patient AND AppDate = :day AND StartTime = :start"
        u" ORDER BY CASE WHEN Emergency <> 0 THEN 0 ELSE 1 END, AppointmentID DESC"_s);
    query.bindValue(u":patient"_s, *patient);
    query.bindValue(u":day"_s, day->toString(kStoredDay));
    query.bindValue(u":start"_s, start->toString(kStoredTime));
    if (!run(query, reply))
        return;
    reply.number(query.next() ? query.value(0).toLongLong() : 0);
}

// The appointments an emergency pushes back, in the order they are to follow it. Taken in start
// order: one that has not ended when the emergency starts and starts before the place it would
// keep (the end of the emergency, then the end of the one moved before it) moves to that place,
// in a slot as long as the emergency or as its own length if that is longer; the first that
// starts later is not pushed, and neither is anything after it. The client moves them the same way,
// so no two appointments of the modality overlap afterwards.
void emergencyInsert(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto day = dayArgument(request.arguments.value(0));
    const auto start = timeArgument(request.arguments.value(1));
    const auto modality = numberArgument(request.arguments.value(2));
    const auto id = numberArgument(request.arguments.value(3));
    if (request.arguments.size() != 4 || !day || !start || !modality || !id) {
        reply.error(ServerErrors::BadArgument,
                    u"EmInsert takes a day (yyyymmdd), a time (hh:mm), a modality id and the emergency's id"_s);
        return;
    }
    QSqlQuery emergency = context.database.prepare(
        u"SELECT Duration FROM tblAppointments WHERE AppointmentID = :id AND AppDate = :day AND StartTime = :start"
        u" AND ModalityID = :modality"_s);
    emergency.bindValue(u":id"_s, *id);
    emergency.bindValue(u":day"_s, day->toString(kStoredDay));
    emergency.bindValue(u":start"_s, start->toString(kStoredTime));
    emergency.bindValue(u":modality"_s, *modality);
    if (!run(emergency, reply))
        return;
    if (!emergency.next()) {
        reply.error(ServerErrors::BadArgument,
                    u"EmInsert: appointment %1 is not on that day, time and modality"_s.arg(*id));
        return;
    }
    const int emergencyMinutes = std::max(1, emergency.value(0).toInt());
    emergency.finish();

    QSqlQuery others = context.database.prepare(
        u"SELECT a.AppointmentID, a.StartTime, a.Duration, p.PATNachname, p.PATVorname FROM tblAppointments a"
        u" LEFT JOIN tblPatienten p ON p.PATID = a.PATID"
        u" WHERE a.AppDate = :day AND a.ModalityID = :modality AND a.AppointmentID <> :id"
        u" ORDER BY a.StartTime, a.AppointmentID"_s);
    others.setForwardOnly(true);
    others.bindValue(u":day"_s, day->toString(kStoredDay));
    others.bindValue(u":modality"_s, *modality);
    others.bindValue(u":id"_s, *id);
    if (!run(others, reply))
        return;
    const int emergencyStart = start->hour() * 60 + start->minute();
    int place = emergencyStart + emergencyMinutes;
    reply.beginRecords();
    while (others.next()) {
        const QString begins = text(others.value(1));
        const int from = minutesOf(begins);
        const int minutes = std::max(0, others.value(2).toInt());
        if (from + minutes <= emergencyStart && from < emergencyStart)
            continue; // over before the emergency begins
        if (from >= place)
            break;
        reply.record({begins, QString::number(minutes), text(others.value(0)), text(others.value(3)),
                      text(others.value(4))});
        place += std::max(emergencyMinutes, minutes);
    }
    reply.endRecords();
}

// Runs an update or delete of one appointment: 1 when it was there, an error reply when it was not,
// so the client never shows a change as made that was not.
void changeOne(QSqlQuery &query, qint64 id, ReplyWriter &reply)
{
    if (!run(query, reply))
        return;
    if (query.numRowsAffected() < 1) {
        reply.error(ServerErrors::BadArgument, u"There is no appointment %1"_s.arg(id));
        return;
    }
    reply.number(1);
}

void moveAppointment(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto start = timeArgument(request.arguments.value(0));
    const auto id = numberArgument(request.arguments.value(1));
    if (request.arguments.size() != 2 || !start || !id) {
        reply.error(ServerErrors::BadArgument, u"AppUpdate takes a time (hh:mm) and an appointment id"_s);
        return;
    }
    QSqlQuery query = context.database.prepare(u"UPDATE tblAppointments SET StartTime = :start WHERE AppointmentID = :id"_s);
    query.bindValue(u":start"_s, start->toString(kStoredTime));
    query.bindValue(u":id"_s, *id);
    changeOne(query, *id, reply);
}

// A plain field of the "|"-joined edit: the client doubles the quotes of its texts.
QString plainText(const QString &field)
{
    QString t = field;
    return t.replace(u"''"_s, u"'"_s);
}

void editAppointment(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QStringList &a = request.arguments;
    const auto day = dayArgument(a.value(0));
    const auto start = timeArgument(a.value(1));
    const auto duration = numberArgument(a.value(4));
    const auto flag = numberArgument(a.value(6));
    const auto id = numberArgument(a.value(7));
    QString problem;
    if (a.size() != 8)
        problem = u"eight values are needed, got %1"_s.arg(a.size());
    else if (!day)
        problem = u"the day is not a date written yyyymmdd"_s;
    else if (!start)
        problem = u"the start is not a time written hh:mm"_s;
    else if (!duration || *duration <= 0 || *duration > kMinutesPerDay)
        problem = u"the duration is not a number of minutes from 1 to 1440"_s;
    else if (!flag || *flag < -32768 || *flag > 32767)
        problem = u"the emergency flag is not a whole number"_s;
    else if (!id)
        problem = u"the appointment id is not a whole number"_s;
    for (const int i : {2, 3, 5}) {
        if (problem.isEmpty() && plainText(a.value(i)).size() > kTextLimit)
            problem = u"value %1 is longer than %2 characters"_s.arg(i + 1).arg(kTextLimit);
    }
    if (!problem.isEmpty()) {
        reply.error(ServerErrors::BadArgument, u"AppEdit: "_s + problem);
        return;
    }
    QSqlQuery query = context.database.prepare(
        u"UPDATE tblAppointments SET AppDate = :day, StartTime = :start, BodyPart = :bodyPart,"
        u" Information = :information, Duration = :duration, Status = :status, Emergency = :emergency"
        u" WHERE AppointmentID = :id"_s);
    query.bindValue(u":day"_s, day->toString(kStoredDay));
    query.bindValue(u":start"_s, start->toString(kStoredTime));
    query.bindValue(u":bodyPart"_s, plainText(a.at(2)));
    query.bindValue(u":information"_s, plainText(a.at(3)));
    query.bindValue(u":duration"_s, *duration);
    query.bindValue(u":status"_s, plainText(a.at(5)));
    query.bindValue(u":emergency"_s, *flag);
    query.bindValue(u":id"_s, *id);
    changeOne(query, *id, reply);
}

void deleteAppointment(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto id = numberArgument(request.argumentText);
    if (!id) {
        reply.error(ServerErrors::BadArgument, u"TermDel takes an appointment id"_s);
        return;
    }
    QSqlQuery query = context.database.prepare(u"DELETE FROM tblAppointments WHERE AppointmentID = :id"_s);
    query.bindValue(u":id"_s, *id);
    changeOne(query, *id, reply);
}

// Every appointment of a day before the one the client names as its today. A day after the
// server's tomorrow is refused: a client with a wrong clock must not clear out the weeks ahead.
void deleteOlder(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto day = dayArgument(request.argumentText);
    if (!day) {
        reply.error(ServerErrors::BadArgument, u"DELAPP takes today's date (yyyymmdd)"_s);
        return;
    }
    if (*day > QDate::currentDate().addDays(1)) {
        reply.error(ServerErrors::BadArgument,
                    u"DELAPP: "_s + day->toString(kStoredDay) + u" is not today; nothing has been deleted"_s);
        return;
    }
    QSqlQuery query = context.database.prepare(u"DELETE FROM tblAppointments WHERE AppDate < :day"_s);
    query.bindValue(u":day"_s, day->toString(kStoredDay));
    if (run(query, reply))
        reply.number(query.numRowsAffected());
}

// Today's appointments that began before the time.
void deleteBefore(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto before = timeArgument(request.argumentText);
    if (!before) {
        reply.error(ServerErrors::BadArgument, u"DELAPP2 takes a time (hh:mm)"_s);
        return;
    }
    QSqlQuery query = context.database.prepare(u"DELETE FROM tblAppointments WHERE AppDate = :today AND StartTime < :before"_s);
    query.bindValue(u":today"_s, QDate::currentDate().toString(kStoredDay));
    query.bindValue(u":before"_s, before->toString(kStoredTime));
    if (run(query, reply))
        reply.number(query.numRowsAffected());
}

} // namespace

void registerScheduleCommands(CommandRegistry &registry)
{
    registry.add(u"ModList", modalityList);
    registry.add(u"BodyList", bodyPartList);
    registry.add(u"TermCount", termCount);
    registry.add(u"Termlist", termList); // also the emergency's CHECKAPP
    registry.add(u"WeekRec", weekRecord);
    registry.add(u"TermNeu", newAppointment);
    registry.add(u"EmNeu", newEmergency);
    registry.add(u"TermId", appointmentId);
    registry.add(u"EmInsert", emergencyInsert);
    registry.add(u"AppUpdate", moveAppointment);
    registry.add(u"AppEdit", editAppointment);
    registry.add(u"TermDel", deleteAppointment);
    registry.add(u"DELAPP", deleteOlder);
    registry.add(u"DELAPP2", deleteBefore);
}
