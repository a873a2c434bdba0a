#include "tablerequests.h"

#include "tablerules.h"

#include "link/commandlink.h"

using namespace Qt::StringLiterals;

namespace {

// A single quote inside an SQL text is written twice, so it cannot end the value.
QString doubledQuotes(QString text)
{
    return text.replace(u'\'', u"''"_s);
}

QString quoted(const QString &text)
{
    return u'\'' + doubledQuotes(text) + u'\'';
}

QString flag(bool visible)
{
    return visible ? u"1"_s : u"0"_s;
}

QString multiLine(const QString &text)
{
    return doubledQuotes(wireLineBreaks(text));
}

} // namespace

QString UpdateLocString(const LocationEntry &location)
{
    return location.id + u'|' + doubledQuotes(location.name) + u'|' + flag(location.visible);
}

QString InsertLocString(const LocationEntry &location)
{
    return location.id + u", "_s + quoted(location.name) + u", "_s + flag(location.visible);
}

QString UpdateDocString(const DoctorEntry &doctor)
{
    return doctor.id + u'|' + doubledQuotes(doctor.name);
}

QString InsertDocString(const DoctorEntry &doctor)
{
    return quoted(doctor.name);
}

QString UpdateProcString(const ProcedureEntry &procedure)
{
    return procedure.id + u'|' + doubledQuotes(procedure.code) + u'|' + multiLine(procedure.description) + u'|'
           + numberOrNull(procedure.spInvHead) + u'|' + numberOrNull(procedure.spInv) + u'|'
           + multiLine(procedure.investType);
}

QString InsertProcString(const ProcedureEntry &procedure)
{
    const QString investType =
        procedure.investType.isEmpty() ? u"Null"_s : u'\'' + multiLine(procedure.investType) + u'\'';
    return quoted(procedure.code) + u", '"_s + multiLine(procedure.description) + u"', "_s
           + numberOrNull(procedure.spInvHead) + u", "_s + numberOrNull(procedure.spInv) + u", "_s + investType;
}

QByteArray RefPhysAllRequest()
{
    return CommandLink::requestLine(Command::REFPHYSALL);
}

QByteArray RefNewIdRequest()
{
    return CommandLink::requestLine(Command::REFNEWID);
}

QByteArray RefUpdateRequest(const LocationEntry &location)
{
    return CommandLink::requestLine(Command::REFUPDATE, UpdateLocString(location));
}

QByteArray RefInsertRequest(const LocationEntry &location)
{
    return CommandLink::requestLine(Command::REFINSERT, InsertLocString(location));
}

QByteArray DocListRequest()
{
    return CommandLink::requestLine(Command::DOCLIST);
}

QByteArray DocUpdateRequest(const DoctorEntry &doctor)
{
    return CommandLink::requestLine(Command::DOCUPDATE, UpdateDocString(doctor));
}

QByteArray DocInsertRequest(const DoctorEntry &doctor)
{
    return CommandLink::requestLine(Command::DOCINSERT, InsertDocString(doctor));
}

QByteArray ProcList2Request()
{
    return CommandLink::requestLine(Command::PROCLIST2);
}

QByteArray ICD9UpdateRequest(const ProcedureEntry &procedure)
{
    return CommandLink::requestLine(Command::ICD9UPDATE, UpdateProcString(procedure));
}

QByteArray ICD9InsertRequest(const ProcedureEntry &procedure)
{
    return CommandLink::requestLine(Command::ICD9INSERT, InsertProcString(procedure));
}
