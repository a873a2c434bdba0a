// The reference lists several windows load with the same request: the procedure codes (the procedure
// picker, the procedure table and the single-procedure statistic all send "Proclist|List"), the
// doctors (the doctor table and the report window's radiologists both send "Doclist|List"), and the
// referring locations the examination windows offer.

#include "handlers.h"

#include "commandcontext.h"
#include "commandregistry.h"
#include "commandrequest.h"
#include "database.h"
#include "replywriter.h"
#include "servererrors.h"

#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

QString text(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

// Runs a query without parameters and answers with its rows, every column a field.
void listReply(Database &database, const QString &sql, int columns, ReplyWriter &reply)
{
    QSqlQuery query = database.prepare(sql);
    query.setForwardOnly(true);
    QString error;
    if (!Database::run(query, &error)) {
        reply.error(ServerErrors::DatabaseFailure, error);
        return;
    }
    reply.beginRecords();
    QStringList fields;
    while (query.next()) {
        fields.clear();
        for (int i = 0; i < columns; ++i)
            fields.append(text(query.value(i)));
        reply.record(fields);
    }
    reply.endRecords();
}

// Procedure records: id, description, SpInvHead, SpInv, InvestType, code; by description, so the
// picker's list reads alphabetically.
void procedureList(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    listReply(context.database,
              u"SELECT ICD9ID, ICD9Description, SpInvHead, SpInv, InvestType, ICD9Code FROM tblICD9"
              u" ORDER BY ICD9Description, ICD9Code, ICD9ID"_s,
              6, reply);
}

// Doctor records: id, name, of the doctors still offered.
void doctorList(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    listReply(context.database,
              u"SELECT DoctorID, DoctorName FROM tblDoctors WHERE Visible = 1 ORDER BY DoctorName, DoctorID"_s, 2,
              reply);
}

// Referrer records for the examination windows: id, name, of the locations still offered.
void referrerList(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    listReply(context.database,
              u"SELECT UeberweiserID, UeberweiserName FROM tblUeberweiser WHERE Zel = 1"
              u" ORDER BY UeberweiserName, UeberweiserID"_s,
              2, reply);
}

} // namespace

void registerReferenceCommands(CommandRegistry &registry)
{
    registry.add(u"Proclist", procedureList);
    registry.add(u"Doclist", doctorList);
    registry.add(u"RefPhys", referrerList);
}
