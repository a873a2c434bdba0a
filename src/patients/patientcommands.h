#pragma once

#include "link/replyshapes.h"

#include <functional>

class CommandLink;
class Prompter;
struct Session;

// Binds the patient commands on the link: PATLIST (the shared search), NEWPATID, PATID1 and NEWPAT
// (the registration chain of fNewPatient) and PATUPDATE (fEditPatient). Their handlers fill and
// answer the session's TargetWindow. `emptyResult` runs after the "not in database" message of a
// search that found nobody: an open new examination window is cancelled there.
void bindPatientCommands(CommandLink &link, Session &session, Prompter &prompter,
                         std::function<void()> emptyResult = {});

// Fills the PATList of the session's TargetWindow with the complete records of one data event.
void PatListInsert(Session &session, const RecordBatch &records);
