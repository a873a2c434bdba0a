#pragma once

#include "link/replyshapes.h"

class CommandLink;
class Prompter;
struct Session;

// Binds the patient commands on the link: PATLIST (the shared search), NEWPATID, PATID1 and NEWPAT
// (the registration chain) and PATUPDATE (the update). Their handlers fill and answer the session's
// TargetWindow through the patient hosts it implements.
void bindPatientCommands(CommandLink &link, Session &session, Prompter &prompter);

// Fills the patient list of the session's TargetWindow with the complete records of one data event.
void PatListInsert(Session &session, const RecordBatch &records);
