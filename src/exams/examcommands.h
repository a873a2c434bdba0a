#pragma once

#include <QString>

class CommandLink;
class Prompter;
struct Session;

// The caption of the new examination window, which also titles its study id message.
extern const QString NewVisitCaption;

// Binds the examination commands on the link: the X-ray number pool (FREEXRAY, NEWXRAYNO,
// XRAYUPDATE, XRAYUPDATE2, EXISTXRAY), the new examination (NEWSTDID, REFPHYS, PATDATA, STDLIST), the
// procedure picker (PROCLIST, PROCCODE), the save chain (NEWUID, GETARCHIVEID, STDNEW, PROCSAVE) and
// the edit chains (STDDATA, PATDATAID, PROCDATA, STDUPDATE, PROCUPDATE, DELSTUDY, DELPROC). Their
// handlers reach the session's TargetWindow through the examination hosts it implements.
void bindExamCommands(CommandLink &link, Session &session, Prompter &prompter);
