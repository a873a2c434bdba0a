// The examination commands: the X-ray number pool, new examinations with their procedure rows, the
// examination search, and the loading, updating and deleting of one examination.
//
// The X-ray number pool, tblXRay, knows three states: 0 free, 1 reserved (handed out for an
// examination being entered), 2 used by a stored examination. A number is handed out and reserved in
// one transaction, so two clients never get the same one, and a number a stored examination uses is
// never handed out or freed, whatever the pool's status says.
//
// Several examinations may share one X-ray number (a further examination filed under an earlier
// one's number). The requests that name an examination by its X-ray number (load, update, delete)
// mean the newest examination with that number, which is the one the search lists first.

#include "handlers.h"

#include "commandcontext.h"
#include "commandregistry.h"
#include "commandrequest.h"
#include "connectionstate.h"
#include "database.h"
#include "replywriter.h"
#include "servererrors.h"
#include "sqlvaluelist.h"
#include "transaction.h"

#include <QDate>
#include <QDateTime>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTime>
#include <QVariant>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

enum PoolStatus { Free = 0, Reserved = 1, Used = 2 };

constexpr int kStudyValues = 15;

QString text(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

// A whole number as the client writes it (digits, an optional sign, blanks around; leading zeros
// allowed); nothing for anything else.
std::optional<qint64> wholeNumber(const QString &field)
{
    const QString t = field.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (!(c.isDigit() && c.unicode() < 128) && !(i == 0 && (c == u'-' || c == u'+')))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = t.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

// The argument as an X-ray number, an id or a count: a whole number above 0.
std::optional<qint64> positiveArgument(const CommandRequest &request, ReplyWriter &reply, const QString &what)
{
    const std::optional<qint64> value = wholeNumber(request.argumentText);
    if (!value || *value <= 0) {
        reply.error(ServerErrors::BadArgument,
                    request.keyword + u": "_s + what + u" must be a whole number above 0"_s);
        return std::nullopt;
    }
    return value;
}

// Runs a query; on failure answers with a database error and returns false.
bool run(QSqlQuery &query, ReplyWriter &reply)
{
    QString error;
    if (Database::run(query, &error))
        return true;
    reply.error(ServerErrors::DatabaseFailure, error);
    return false;
}

// The first column of the first row, or `none`.
std::optional<qint64> scalar(Database &database, const QString &sql, const QVariantList &values, QString *error)
{
    QSqlQuery query = database.prepare(sql);
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values.at(i));
    if (!Database::run(query, error))
        return std::nullopt;
    if (!query.next() || query.value(0).isNull())
        return qint64(0);
    return query.value(0).toLongLong();
}

// The newest examination filed under an X-ray number; 0 when there is none.
std::optional<qint64> newestStudy(Database &database, qint64 xrayNumber, QString *error)
{
    return scalar(database, u"SELECT MAX(StudyID) FROM tblStudies WHERE StudyNr = ?"_s, {xrayNumber}, error);
}

// Dates travel as yyyy-mm-dd, times as the client's date-time "1899-12-30 HH:MM".
QString shownDate(const QString &stored)
{
    const QDate date = QDate::fromString(stored.left(10), u"yyyy-MM-dd"_s);
    return date.isValid() ? date.toString(u"dd.MM.yyyy"_s) : stored;
}

QString shownTime(const QString &stored)
{
    const qsizetype blank = stored.lastIndexOf(u' ');
    const QString time = blank >= 0 ? stored.mid(blank + 1) : stored;
    return time.left(5);
}

bool isDate(const QVariant &value)
{
    return QDate::fromString(text(value).trimmed(), u"yyyy-MM-dd"_s).isValid();
}

bool isDateTime(const QVariant &value)
{
    return QDateTime::fromString(text(value).trimmed(), u"yyyy-MM-dd HH:mm"_s).isValid();
}

// --- the X-ray number pool

// The condition of a free number that may be handed out: free in the pool and not used by any
// stored examination (a pool that disagrees with the examinations never hands out a used number).
const QString kHandable = u"Status = 0 AND NOT EXISTS (SELECT 1 FROM tblStudies s WHERE s.StudyNr = tblXRay.XRayNumber)"_s;

void freeXRays(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    QString error;
    const auto count = scalar(context.database, u"SELECT COUNT(*) FROM tblXRay WHERE "_s + kHandable, {}, &error);
    if (!count)
        return reply.error(ServerErrors::DatabaseFailure, error);
    reply.number(*count);
}

// The lowest free number, reserved at once in the same transaction; 0 when none is left.
void newXRayNumber(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    Transaction transaction(context.database);
    if (!transaction.isActive())
        return reply.error(ServerErrors::DatabaseFailure, transaction.error());
    QString error;
    const auto lowest =
        scalar(context.database, u"SELECT MIN(XRayNumber) FROM tblXRay WHERE "_s + kHandable, {}, &error);
    if (!lowest)
        return reply.error(ServerErrors::DatabaseFailure, error);
    if (*lowest == 0)
        return reply.number(0);
    QSqlQuery reserve =
        context.database.prepare(u"UPDATE tblXRay SET Status = ? WHERE XRayNumber = ? AND Status = ?"_s);
    reserve.bindValue(0, int(Reserved));
    reserve.bindValue(1, *lowest);
    reserve.bindValue(2, int(Free));
    if (!run(reserve, reply))
        return;
    if (reserve.numRowsAffected() != 1 || !transaction.commit(&error))
        return reply.error(ServerErrors::DatabaseFailure, u"the X-ray number could not be reserved: "_s + error);
    reply.number(*lowest);
}

// Reserves a number the client has drawn; a used or unknown number stays as it is. Answers how many
// numbers changed.
void reserveXRay(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto number = positiveArgument(request, reply, u"the X-ray number"_s);
    if (!number)
        return;
    QSqlQuery query = context.database.prepare(
        u"UPDATE tblXRay SET Status = ? WHERE XRayNumber = ? AND Status = ?"
        u" AND NOT EXISTS (SELECT 1 FROM tblStudies s WHERE s.StudyNr = tblXRay.XRayNumber)"_s);
    query.bindValue(0, int(Reserved));
    query.bindValue(1, *number);
    query.bindValue(2, int(Free));
    if (run(query, reply))
        reply.number(query.numRowsAffected() > 0 ? 1 : 0);
}

// Gives a number back to the pool, unless a stored examination still uses it.
void releaseXRay(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto number = positiveArgument(request, reply, u"the X-ray number"_s);
    if (!number)
        return;
    QSqlQuery query = context.database.prepare(
        u"UPDATE tblXRay SET Status = ? WHERE XRayNumber = ? AND Status <> ?"
        u" AND NOT EXISTS (SELECT 1 FROM tblStudies s WHERE s.StudyNr = tblXRay.XRayNumber)"_s);
    query.bindValue(0, int(Free));
    query.bindValue(1, *number);
    query.bindValue(2, int(Free));
    if (run(query, reply))
        reply.number(query.numRowsAffected() > 0 ? 1 : 0);
}

// The X-ray number of the patient's newest examination; 0 when the patient has none.
void existXRay(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    QString error;
    const auto number = scalar(context.database,
                               u"SELECT s.StudyNr FROM tblStudies s JOIN tblPatienten p ON p.PATID = s.PATID"
                               u" WHERE p.PATID1 = ? ORDER BY s.StudyID DESC LIMIT 1"_s,
                               {request.argumentText}, &error);
    if (!number)
        return reply.error(ServerErrors::DatabaseFailure, error);
    reply.number(*number);
}

// --- the new examination

// The patient of a folder number: internal id, surname, initials; no record when unknown.
void patientByFolder(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    QSqlQuery query = context.database.prepare(
        u"SELECT PATID, PATNachname, PAT2Vorname FROM tblPatienten WHERE PATID1 = ?"_s);
    query.bindValue(0, request.argumentText);
    if (!run(query, reply))
        return;
    reply.beginRecords();
    if (query.next())
        reply.record({text(query.value(0)), text(query.value(1)), text(query.value(2))});
    reply.endRecords();
}

// The patient of an internal id: folder number, surname, initials; no record when unknown.
void patientById(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    reply.beginRecords();
    const std::optional<qint64> id = wholeNumber(request.argumentText);
    if (id) {
        QSqlQuery query =
            context.database.prepare(u"SELECT PATID1, PATNachname, PAT2Vorname FROM tblPatienten WHERE PATID = ?"_s);
        query.bindValue(0, *id);
        if (!run(query, reply))
            return;
        if (query.next())
            reply.record({text(query.value(0)), text(query.value(1)), text(query.value(2))});
    }
    reply.endRecords();
}

// A study UID in the DICOM form for UUID-derived UIDs: "2.25." and a 128-bit random number in decimal.
QString newUid()
{
    // The number as four 32-bit limbs, most significant first, divided by 10 digit by digit.
    quint32 limbs[4];
    for (quint32 &limb : limbs)
        limb = QRandomGenerator::system()->generate();
    QString digits;
    const auto isZero = [&limbs] { return limbs[0] == 0 && limbs[1] == 0 && limbs[2] == 0 && limbs[3] == 0; };
    while (!isZero()) {
        quint64 remainder = 0;
        for (quint32 &limb : limbs) {
            const quint64 part = (remainder << 32) | limb;
            limb = quint32(part / 10);
            remainder = part % 10;
        }
        digits.prepend(QChar(u'0' + int(remainder)));
    }
    return u"2.25."_s + (digits.isEmpty() ? u"0"_s : digits);
}

void studyUid(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString uid = newUid();
        QString error;
        const auto taken = scalar(context.database, u"SELECT COUNT(*) FROM tblStudies WHERE StudyUID = ?"_s, {uid}, &error);
        if (!taken)
            return reply.error(ServerErrors::DatabaseFailure, error);
        if (*taken == 0)
            return reply.value(uid);
    }
    reply.error(ServerErrors::DatabaseFailure, u"no unused study UID found"_s);
}

// The archive new examinations are filed in; 0 when none is active.
void archiveId(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    QString error;
    const auto id = scalar(context.database, u"SELECT MIN(ArchiveID) FROM tblArchives WHERE Active = 1"_s, {}, &error);
    if (!id)
        return reply.error(ServerErrors::DatabaseFailure, error);
    reply.number(*id);
}

// Refuses what the examination table must never hold; empty when the values are fine.
QString checkStudy(const QList<SqlValueList::Value> &v)
{
    using Kind = SqlValueList::Value::Kind;
    const auto number = [&v](int i) { return v[i].kind == Kind::Number && wholeNumber(v[i].text).has_value(); };
    const char *const names[] = {"the study id", "the X-ray number", "", "the patient id", "the archive id",
                                 "the referrer id", "the study status"};
    for (int i : {0, 1, 3, 4, 5, 6}) {
        if (!number(i))
            return QString::fromLatin1(names[i]) + u" is not a whole number"_s;
    }
    if (wholeNumber(v[0].text).value() <= 0 || wholeNumber(v[1].text).value() <= 0)
        return u"the study id and the X-ray number must be above 0"_s;
    for (int i = 8; i <= 11; ++i) {
        if (!number(i))
            return u"the classification %1 is not a whole number"_s.arg(i + 1);
    }
    if (!isDate(v[12].toVariant()))
        return u"the visit date is not of the form yyyy-mm-dd"_s;
    if (!isDateTime(v[13].toVariant()))
        return u"the visit time is not of the form yyyy-mm-dd HH:MM"_s;
    if (v[14].kind != Kind::Text || v[14].text.trimmed().isEmpty())
        return u"the study UID is missing"_s;
    return {};
}

// The examination row, and its number marked as used in the pool, in one transaction. 1 when stored,
// 0 when the database refused it (an id or a UID in use, an unknown patient or referrer).
void newStudy(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    QString error;
    const auto values = SqlValueList::parse(request.argumentText, &error);
    if (!values || values->size() != kStudyValues) {
        return reply.error(ServerErrors::BadArgument, u"STDNEW needs fifteen values: "_s
                                                          + (values ? u"got %1"_s.arg(values->size()) : error));
    }
    const QList<SqlValueList::Value> &v = *values;
    if (const QString problem = checkStudy(v); !problem.isEmpty())
        return reply.error(ServerErrors::BadArgument, u"STDNEW: "_s + problem);

    const qint64 studyId = *wholeNumber(v[0].text);
    const qint64 xrayNumber = *wholeNumber(v[1].text);
    Transaction transaction(context.database);
    if (!transaction.isActive())
        return reply.error(ServerErrors::DatabaseFailure, transaction.error());
    QSqlQuery insert = context.database.prepare(
        u"INSERT INTO tblStudies (StudyID, StudyNr, StudyDesc, PATID, ArchiveID, FKeyUeberweiserID, StudyStatus,"
        u" WebKey, OfficeHours, HospitalPrivate, InOutPatient, Department, StudyDate, StudyTime, StudyUID)"
        u" VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    const QVariantList bound = {studyId,
                                xrayNumber,
                                v[2].kind == SqlValueList::Value::Kind::Null ? QVariant() : QVariant(v[2].text.trimmed()),
                                *wholeNumber(v[3].text),
                                *wholeNumber(v[4].text),
                                *wholeNumber(v[5].text),
                                *wholeNumber(v[6].text),
                                v[7].toVariant(),
                                *wholeNumber(v[8].text),
                                *wholeNumber(v[9].text),
                                *wholeNumber(v[10].text),
                                *wholeNumber(v[11].text),
                                v[12].text.trimmed(),
                                v[13].text.trimmed(),
                                v[14].text.trimmed()};
    for (qsizetype i = 0; i < bound.size(); ++i)
        insert.bindValue(int(i), bound.at(i));
    if (!Database::run(insert, &error))
        return reply.number(0);
    QSqlQuery used = context.database.prepare(
        u"INSERT INTO tblXRay (XRayNumber, Status) VALUES (?, ?)"
        u" ON CONFLICT (XRayNumber) DO UPDATE SET Status = excluded.Status"_s);
    used.bindValue(0, xrayNumber);
    used.bindValue(1, int(Used));
    if (!Database::run(used, &error) || !transaction.commit(&error))
        return reply.number(0);
    context.connection->studyId = studyId;
    reply.number(1);
}

// One procedure row: X-ray number, procedure id, folder number. It belongs to the examination the
// preceding STDNEW or STDUPDATE on this connection wrote, otherwise to the newest examination with
// that X-ray number, and takes that examination's number.
void newProcedure(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    QString error;
    const auto values = SqlValueList::parse(request.argumentText, &error);
    if (!values || values->size() != 3) {
        return reply.error(ServerErrors::BadArgument, u"Procinsert needs three values: "_s
                                                          + (values ? u"got %1"_s.arg(values->size()) : error));
    }
    const QList<SqlValueList::Value> &v = *values;
    const std::optional<qint64> xrayNumber = wholeNumber(v[0].text);
    const std::optional<qint64> procedure = wholeNumber(v[1].text);
    if (v[0].kind != SqlValueList::Value::Kind::Number || !xrayNumber || v[1].kind != SqlValueList::Value::Kind::Number
        || !procedure) {
        return reply.error(ServerErrors::BadArgument, u"Procinsert: the X-ray number and the procedure id must be whole numbers"_s);
    }

    qint64 studyId = 0;
    qint64 studyNumber = *xrayNumber;
    if (context.connection->studyId > 0) {
        const auto number = scalar(context.database, u"SELECT StudyNr FROM tblStudies WHERE StudyID = ?"_s,
                                   {context.connection->studyId}, &error);
        if (!number)
            return reply.error(ServerErrors::DatabaseFailure, error);
        if (*number > 0) {
            studyId = context.connection->studyId;
            studyNumber = *number;
        }
    }
    if (studyId == 0) {
        const auto newest = newestStudy(context.database, *xrayNumber, &error);
        if (!newest)
            return reply.error(ServerErrors::DatabaseFailure, error);
        studyId = *newest;
    }
    if (studyId == 0)
        return reply.number(0); // no examination to file it under
    QSqlQuery insert = context.database.prepare(
        u"INSERT INTO tblStudyProcedures (StudyNr, ICD9ID, PATID1, StudyID) VALUES (?, ?, ?, ?)"_s);
    insert.bindValue(0, studyNumber);
    insert.bindValue(1, *procedure);
    insert.bindValue(2, v[2].toVariant());
    insert.bindValue(3, studyId);
    if (!Database::run(insert, &error))
        return reply.number(0);
    reply.number(1);
}

// The code of one procedure; empty when the id is unknown.
void procedureCode(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto id = positiveArgument(request, reply, u"the procedure id"_s);
    if (!id)
        return;
    QSqlQuery query = context.database.prepare(u"SELECT ICD9Code FROM tblICD9 WHERE ICD9ID = ?"_s);
    query.bindValue(0, *id);
    if (!run(query, reply))
        return;
    reply.value(query.next() ? text(query.value(0)) : QString());
}

// --- finding and editing examinations

// Examinations by X-ray number and folder number patterns (SQL LIKE), newest first: folder number,
// surname, first name, department, X-ray number, date, time, UID, description, patient id.
void studyList(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    if (request.arguments.size() != 2)
        return reply.error(ServerErrors::BadArgument, u"Stdlist takes an X-ray number and a folder number pattern"_s);
    QSqlQuery query = context.database.prepare(
        u"SELECT p.PATID1, p.PATNachname, p.PATVorname, s.Department, s.StudyNr, s.StudyDate, s.StudyTime,"
        u" s.StudyUID, s.StudyDesc, s.PATID"
        u" FROM tblStudies s LEFT JOIN tblPatienten p ON p.PATID = s.PATID"
        u" WHERE CAST(s.StudyNr AS TEXT) LIKE ? AND COALESCE(p.PATID1, '') LIKE ?"
        u" ORDER BY s.StudyDate DESC, s.StudyTime DESC, s.StudyID DESC"_s);
    query.setForwardOnly(true);
    query.bindValue(0, request.arguments.at(0));
    query.bindValue(1, request.arguments.at(1));
    if (!run(query, reply))
        return;
    reply.beginRecords();
    while (query.next()) {
        reply.record({text(query.value(0)), text(query.value(1)), text(query.value(2)), text(query.value(3)),
                      text(query.value(4)), shownDate(text(query.value(5))), shownTime(text(query.value(6))),
                      text(query.value(7)), text(query.value(8)), text(query.value(9))});
    }
    reply.endRecords();
}

// The newest examination with the X-ray number: study id, patient id, referrer id, date
// (yyyy-mm-dd), time (1899-12-30 HH:MM), in/out patient, office hours, hospital/private, department.
void studyData(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    reply.beginRecords();
    if (const std::optional<qint64> number = wholeNumber(request.argumentText)) {
        QSqlQuery query = context.database.prepare(
            u"SELECT StudyID, PATID, FKeyUeberweiserID, StudyDate, StudyTime, InOutPatient, OfficeHours,"
            u" HospitalPrivate, Department FROM tblStudies WHERE StudyNr = ? ORDER BY StudyID DESC LIMIT 1"_s);
        query.bindValue(0, *number);
        if (!run(query, reply))
            return;
        if (query.next()) {
            QStringList fields;
            for (int i = 0; i < 9; ++i)
                fields.append(text(query.value(i)));
            reply.record(fields);
        }
    }
    reply.endRecords();
}

// The procedure rows of the newest examination with the X-ray number: row id, procedure id, X-ray
// number, folder number, description, code.
void procedureData(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    reply.beginRecords();
    if (const std::optional<qint64> number = wholeNumber(request.argumentText)) {
        QString error;
        const auto study = newestStudy(context.database, *number, &error);
        if (!study)
            return reply.error(ServerErrors::DatabaseFailure, error);
        QSqlQuery query = context.database.prepare(
            u"SELECT r.ProcID, r.ICD9ID, r.StudyNr, r.PATID1, i.ICD9Description, i.ICD9Code"
            u" FROM tblStudyProcedures r LEFT JOIN tblICD9 i ON i.ICD9ID = r.ICD9ID"
            u" WHERE r.StudyID = ? ORDER BY r.ProcID"_s);
        query.bindValue(0, *study);
        if (!run(query, reply))
            return;
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < 6; ++i)
                fields.append(text(query.value(i)));
            reply.record(fields);
        }
    }
    reply.endRecords();
}

// Updates the newest examination with the old X-ray number: old number, referrer, date, time, in/out
// patient, department, office hours, hospital/private, new number, patient id. Its procedure rows
// follow its number and its patient's folder number. The pool is left as it is.
void updateStudy(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QStringList &a = request.arguments;
    if (a.size() != 10)
        return reply.error(ServerErrors::BadArgument, u"Stdupdate needs ten values, got %1"_s.arg(a.size()));
    std::optional<qint64> n[10];
    for (int i : {0, 1, 4, 5, 6, 7, 8, 9}) {
        n[i] = wholeNumber(a.at(i));
        if (!n[i])
            return reply.error(ServerErrors::BadArgument, u"Stdupdate: value %1 is not a whole number"_s.arg(i + 1));
    }
    if (!isDate(a.at(2)) || !isDateTime(a.at(3)))
        return reply.error(ServerErrors::BadArgument, u"Stdupdate: the visit date or time is not valid"_s);
    if (*n[8] <= 0)
        return reply.error(ServerErrors::BadArgument, u"Stdupdate: the new X-ray number must be above 0"_s);

    Transaction transaction(context.database);
    if (!transaction.isActive())
        return reply.error(ServerErrors::DatabaseFailure, transaction.error());
    QString error;
    const auto study = newestStudy(context.database, *n[0], &error);
    if (!study)
        return reply.error(ServerErrors::DatabaseFailure, error);
    if (*study == 0)
        return reply.number(0);
    QSqlQuery update = context.database.prepare(
        u"UPDATE tblStudies SET FKeyUeberweiserID = ?, StudyDate = ?, StudyTime = ?, InOutPatient = ?,"
        u" Department = ?, OfficeHours = ?, HospitalPrivate = ?, StudyNr = ?, PATID = ? WHERE StudyID = ?"_s);
    const QVariantList bound = {*n[1], a.at(2).trimmed(), a.at(3).trimmed(), *n[4], *n[5], *n[6], *n[7], *n[8],
                                *n[9], *study};
    for (qsizetype i = 0; i < bound.size(); ++i)
        update.bindValue(int(i), bound.at(i));
    if (!Database::run(update, &error) || update.numRowsAffected() != 1)
        return reply.number(0);
    QSqlQuery rows = context.database.prepare(
        u"UPDATE tblStudyProcedures SET StudyNr = ?,"
        u" PATID1 = COALESCE((SELECT PATID1 FROM tblPatienten WHERE PATID = ?), PATID1) WHERE StudyID = ?"_s);
    rows.bindValue(0, *n[8]);
    rows.bindValue(1, *n[9]);
    rows.bindValue(2, *study);
    if (!Database::run(rows, &error) || !transaction.commit(&error))
        return reply.number(0);
    context.connection->studyId = *study;
    reply.number(1);
}

// Changes the procedure of a stored row: row id, procedure id.
void updateProcedure(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QStringList &a = request.arguments;
    const std::optional<qint64> row = a.size() == 2 ? wholeNumber(a.at(0)) : std::nullopt;
    const std::optional<qint64> procedure = a.size() == 2 ? wholeNumber(a.at(1)) : std::nullopt;
    if (!row || !procedure)
        return reply.error(ServerErrors::BadArgument, u"Procupdate takes a row id and a procedure id"_s);
    QSqlQuery query = context.database.prepare(u"UPDATE tblStudyProcedures SET ICD9ID = ? WHERE ProcID = ?"_s);
    query.bindValue(0, *procedure);
    query.bindValue(1, *row);
    QString error;
    if (!Database::run(query, &error))
        return reply.number(0);
    reply.number(query.numRowsAffected() == 1 ? 1 : 0);
}

// Deletes the newest examination with the X-ray number together with its procedure rows; answers
// how many examinations were deleted (0 or 1).
void deleteStudy(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto number = positiveArgument(request, reply, u"the X-ray number"_s);
    if (!number)
        return;
    Transaction transaction(context.database);
    if (!transaction.isActive())
        return reply.error(ServerErrors::DatabaseFailure, transaction.error());
    QString error;
    const auto study = newestStudy(context.database, *number, &error);
    if (!study)
        return reply.error(ServerErrors::DatabaseFailure, error);
    if (*study == 0)
        return reply.number(0);
    QSqlQuery rows = context.database.prepare(u"DELETE FROM tblStudyProcedures WHERE StudyID = ?"_s);
    rows.bindValue(0, *study);
    QSqlQuery examination = context.database.prepare(u"DELETE FROM tblStudies WHERE StudyID = ?"_s);
    examination.bindValue(0, *study);
    if (!run(rows, reply) || !run(examination, reply))
        return;
    const int deleted = examination.numRowsAffected();
    if (!transaction.commit(&error))
        return reply.error(ServerErrors::DatabaseFailure, error);
    reply.number(deleted);
}

// Deletes the procedure rows filed under the X-ray number that no longer belong to an examination.
void deleteProcedures(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const auto number = positiveArgument(request, reply, u"the X-ray number"_s);
    if (!number)
        return;
    QSqlQuery query = context.database.prepare(
        u"DELETE FROM tblStudyProcedures WHERE StudyNr = ? AND (StudyID IS NULL"
        u" OR NOT EXISTS (SELECT 1 FROM tblStudies s WHERE s.StudyID = tblStudyProcedures.StudyID))"_s);
    query.bindValue(0, *number);
    if (run(query, reply))
        reply.number(query.numRowsAffected());
}

} // namespace

void registerExamCommands(CommandRegistry &registry)
{
    registry.add(u"FreeXRays", freeXRays);
    registry.add(u"NewXRayNumber", newXRayNumber);
    registry.add(u"XRayupdate", reserveXRay);
    registry.add(u"XRayupdate2", releaseXRay);
    registry.add(u"ExistXRay", existXRay);
    registry.add(u"Patdata", patientByFolder);
    registry.add(u"Patdataid", patientById);
    registry.add(u"NEWUID", studyUid);
    registry.add(u"GetArchiveID", archiveId);
    registry.add(u"STDNEW", newStudy);
    registry.add(u"Procinsert", newProcedure);
    registry.add(u"Proccode", procedureCode);
    registry.add(u"Stdlist", studyList);
    registry.add(u"Stddata", studyData);
    registry.add(u"Procdata", procedureData);
    registry.add(u"Stdupdate", updateStudy);
    registry.add(u"Procupdate", updateProcedure);
    registry.add(u"DelStudy", deleteStudy);
    registry.add(u"DelProc", deleteProcedures);
}
