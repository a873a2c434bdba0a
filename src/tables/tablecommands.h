#pragma once

#include "link/replyshapes.h"

class CommandLink;
class Prompter;
struct Session;

// Binds the reference table commands on the link: REFPHYSALL, REFNEWID, REFUPDATE, REFINSERT (the
// locations), DOCLIST, DOCUPDATE, DOCINSERT (the doctors), PROCLIST2, ICD9UPDATE, ICD9INSERT (the
// procedure codes). Their handlers fill and answer the session's TargetWindow through the table
// hosts it implements; a save that succeeds reloads the table on the same connection.
void bindTableCommands(CommandLink &link, Session &session, Prompter &prompter);

// The list fillers: the complete records of one data event into the list of the TargetWindow.
// FillLocations and FillDoctors stop at a record they cannot read (too few fields, a visibility flag
// that is no truth value): the rows before it are filled and shown, then a HandlerFailure reports it.
// FillProcedureTable leaves records of fewer than six fields out of the list.
void FillLocations(Session &session, const RecordBatch &records);
void FillDoctors(Session &session, const RecordBatch &records);
void FillProcedureTable(Session &session, const RecordBatch &records);
