#pragma once

#include "core/actioncode.h"

// The window whose referrer list a REFPHYS reply fills.
enum class ReferrerTarget {
    NewVisit,          // fNewVisit
    EditVisitDetails,  // fEditVisitDetails
    Other,             // any other window, or none
};

// What the REFPHYS handler does once the referrer list is complete. Every data event's records go
// into the target's list as they come; what follows the last of them depends on the mode in force
// when the reply ends and on the window that asked.
enum class RefPhysEnd {
    Close,                // the list is in; nothing follows
    CloseAndShow,         // fNewVisit: the window is shown
    CloseShowAndDrawNumber, // fNewVisit in mode "1" without a reserved number: shown, NEWXRAYNO fresh
    ListExaminations,     // mode "5000": STDLIST fresh
    LoadProcedures,       // fEditVisitDetails: the stored referrer is selected, PROCDATA on this connection
};

// The follow-up starts only here, at the end of the list: started on a piece of it, it would close the
// connection and cut off the rest of the list. A number already reserved by the window is kept rather
// than a second one drawn (which would leak the first).
RefPhysEnd refPhysEnd(ActionCode code, ReferrerTarget target, bool numberReserved);
