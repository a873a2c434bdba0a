// The patient commands: the search by folder number and surname patterns, the folder number check,
// registration and update.

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
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPatientFields = 8;

// Dates travel as yyyy-mm-dd; anything else is refused rather than stored as it stands.
bool validDate(const QVariant &value)
{
    return value.isNull() || QDate::fromString(value.toString().trimmed(), u"yyyy-MM-dd"_s).isValid();
}

QString text(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

// Both patterns use SQL LIKE: "_" is one character, "%" any run of them, letters in any case.
void patientList(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    if (request.arguments.size() != 2) {
        reply.error(ServerErrors::BadArgument, u"PATLIST takes a folder number and a surname pattern"_s);
        return;
    }
    QSqlQuery query = context.database.prepare(
        u"SELECT PATID, PATID1, PATNachname, PATVorname, PAT2Vorname, PATGebDatum, PATGeschlecht, Rasse"
        u" FROM tblPatienten WHERE PATID1 LIKE :folder AND PATNachname LIKE :surname"
        u" ORDER BY PATNachname COLLATE NOCASE, PATVorname COLLATE NOCASE, PATID1"_s);
    query.setForwardOnly(true);
    query.bindValue(u":folder"_s, request.arguments.at(0));
    query.bindValue(u":surname"_s, request.arguments.at(1));
    QString error;
    if (!Database::run(query, &error)) {
        reply.error(ServerErrors::DatabaseFailure, error);
        return;
    }
    reply.beginRecords();
    QStringList fields;
    while (query.next()) {
        fields.clear();
        for (int i = 0; i < kPatientFields; ++i)
            fields.append(text(query.value(i)));
        reply.record(fields);
    }
    reply.endRecords();
}

// 0 when no patient has the folder number, 1 when one has.
void folderTaken(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    QSqlQuery query = context.database.prepare(u"SELECT COUNT(*) FROM tblPatienten WHERE PATID1 = :folder"_s);
    query.bindValue(u":folder"_s, request.argumentText);
    QString error;
    if (!Database::run(query, &error) || !query.next()) {
        reply.error(ServerErrors::DatabaseFailure, error);
        return;
    }
    reply.number(query.value(0).toLongLong() > 0 ? 1 : 0);
}

// Runs an insert or update of one patient; 1 when a row was written, 0 when the database refused it
// (a folder number taken meanwhile, an id in use).
void writePatient(QSqlQuery &query, ReplyWriter &reply)
{
    QString error;
    if (!Database::run(query, &error)) {
        reply.number(0);
        return;
    }
    reply.number(query.numRowsAffected() > 0 ? 1 : 0);
}

void bindPatient(QSqlQuery &query, const QList<QVariant> &v)
{
    query.bindValue(u":id"_s, v[0]);
    query.bindValue(u":folder"_s, v[1]);
    query.bindValue(u":surname"_s, v[2]);
    query.bindValue(u":first"_s, v[3]);
    query.bindValue(u":initials"_s, v[4]);
    query.bindValue(u":born"_s, v[5].isNull() ? QVariant() : QVariant(v[5].toString().trimmed()));
    query.bindValue(u":sex"_s, v[6]);
    query.bindValue(u":race"_s, v[7]);
}

// Refuses what the table must never hold; empty when the values are fine.
QString checkPatient(const QList<QVariant> &v)
{
    bool ok = false;
    if (v[0].toString().toLongLong(&ok) <= 0 || !ok)
        return u"the patient id must be a whole number above 0"_s;
    if (text(v[1]).trimmed().isEmpty())
        return u"the folder number is missing"_s;
    if (text(v[2]).trimmed().isEmpty())
        return u"the surname is missing"_s;
    if (!validDate(v[5]))
        return u"the birth date is not a date of the form yyyy-mm-dd"_s;
    if (!v[7].isNull()) {
        v[7].toString().trimmed().toInt(&ok);
        if (!ok)
            return u"the race/sex position is not a whole number"_s;
    }
    return {};
}

void newPatient(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    QString error;
    const auto values = SqlValueList::parse(request.argumentText, &error);
    if (!values || values->size() != kPatientFields) {
        reply.error(ServerErrors::BadArgument,
                    u"PATNEW needs eight values: "_s + (values ? u"got %1"_s.arg(values->size()) : error));
        return;
    }
    QList<QVariant> v;
    for (const SqlValueList::Value &value : *values)
        v.append(value.toVariant());
    if (const QString problem = checkPatient(v); !problem.isEmpty()) {
        reply.error(ServerErrors::BadArgument, u"PATNEW: "_s + problem);
        return;
    }
    QSqlQuery query = context.database.prepare(
        u"INSERT INTO tblPatienten (PATID, PATID1, PATNachname, PATVorname, PAT2Vorname, PATGebDatum,"
        u" PATGeschlecht, Rasse) VALUES (:id, :folder, :surname, :first, :initials, :born, :sex, :race)"_s);
    bindPatient(query, v);
    writePatient(query, reply);
}

void updatePatient(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    if (request.arguments.size() != kPatientFields) {
        reply.error(ServerErrors::BadArgument,
                    u"PATUPDATE needs eight values, got %1"_s.arg(request.arguments.size()));
        return;
    }
    QList<QVariant> v;
    for (const QString &field : request.arguments)
        v.append(SqlValueList::plainField(field));
    // The id and the folder number come as they stand: the client doubles no quotes in them.
    v[0] = request.arguments.at(0);
    v[1] = request.arguments.at(1);
    if (const QString problem = checkPatient(v); !problem.isEmpty()) {
        reply.error(ServerErrors::BadArgument, u"PATUPDATE: "_s + problem);
        return;
    }
    QSqlQuery query = context.database.prepare(
        u"UPDATE tblPatienten SET PATID1 = :folder, PATNachname = :surname, PATVorname = :first,"
        u" PAT2Vorname = :initials, PATGebDatum = :born, PATGeschlecht = :sex, Rasse = :race"
        u" WHERE PATID = :id"_s);
    bindPatient(query, v);
    writePatient(query, reply);
}

} // namespace

void registerPatientCommands(CommandRegistry &registry)
{
    registry.add(u"PATLIST", patientList);
    registry.add(u"PATID1", folderTaken);
    registry.add(u"PATNEW", newPatient);
    registry.add(u"PATUPDATE", updatePatient);
}
