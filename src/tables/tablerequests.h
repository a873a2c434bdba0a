#pragma once

#include <QByteArray>
#include <QString>

// The values of one entry of each reference table as the dialogs hand them to the request builders.
// Texts are as typed; the builders write them into the request lines.

struct LocationEntry
{
    QString id;           // the referrer id (the dialog's hidden ID)
    QString name;         // Location
    bool visible = false; // Zel: offered to the examination windows
};

struct DoctorEntry
{
    QString id;   // empty for a new doctor: the server gives the id
    QString name; // Doctor
};

struct ProcedureEntry
{
    QString id;          // ICD9ID, a whole number (updates only)
    QString code;        // ICD9Code
    QString description; // ICD9Description, may hold line breaks
    QString spInvHead;   // as typed: sent as a number or NULL
    QString spInv;
    QString investType;  // may hold line breaks; empty for none
};

// The argument texts. Every typed text that the server reads as an SQL text has its single quotes
// doubled, in the "|"-joined update lists as much as inside the quoted values of the insert lists.
// Line breaks of the multi-line procedure texts travel as LF (see wireLineBreaks).

// "ID|Location|flag", the flag "0" or "1".
QString UpdateLocString(const LocationEntry &location);
// "ID, 'Location', flag": an SQL value list.
QString InsertLocString(const LocationEntry &location);
// "ID|Doctor".
QString UpdateDocString(const DoctorEntry &doctor);
// "'Doctor'": the quoted name only; the server gives the id.
QString InsertDocString(const DoctorEntry &doctor);
// "ID|Code|Description|h|s|InvestType": h and s in plain decimal or "NULL"; an empty InvestType
// leaves the text ending with "|".
QString UpdateProcString(const ProcedureEntry &procedure);
// "'Code', 'Description', h, s, t": t is the quoted InvestType, or "Null" when it is empty.
QString InsertProcString(const ProcedureEntry &procedure);

// Request lines in the wire's code page.
QByteArray RefPhysAllRequest();
QByteArray RefNewIdRequest();
QByteArray RefUpdateRequest(const LocationEntry &location);
QByteArray RefInsertRequest(const LocationEntry &location);
QByteArray DocListRequest();
QByteArray DocUpdateRequest(const DoctorEntry &doctor);
QByteArray DocInsertRequest(const DoctorEntry &doctor);
QByteArray ProcList2Request();
QByteArray ICD9UpdateRequest(const ProcedureEntry &procedure);
QByteArray ICD9InsertRequest(const ProcedureEntry &procedure);
