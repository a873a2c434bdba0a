#pragma once

#include "patientrequests.h"

#include "link/replyshapes.h"

#include <QStringView>

// The caption of the registration window, which also titles its boxes.
inline constexpr QStringView NewPatientCaption = u"New Patient";

// What the patient commands' reply handlers need from the window that started them. The windows
// implement these; the handlers see nothing else of them.

// A window with a patient list that a PATLIST reply fills.
class PatientListHost
{
public:
    virtual ~PatientListHost() = default;
    // The complete records of one data event, in the server's order.
    virtual void addPatientRecords(const RecordBatch &records) = 0;
    // The reply is complete.
    virtual void patientListComplete() = 0;
    // Nobody was found, and the user has been told. A window that exists only for the patient it
    // searched for cancels itself here.
    virtual void noPatientFound() {}
};

// The window whose registration NEWPATID, PATID1 and NEWPAT carry out.
class PatientRegistrationHost
{
public:
    virtual ~PatientRegistrationHost() = default;
    // The values of the registration in progress, as they were when "Save" was clicked.
    virtual const PatientDetails &savingDetails() const = 0;
    // The patient is registered: the window closes.
    virtual void registrationDone() = 0;
};

// The window whose correction PATUPDATE saves; a saved update repeats the search into its list.
class PatientUpdateHost : public PatientListHost
{
public:
    virtual const PatientDetails &updateDetails() const = 0;
    virtual void clearPatientRows() = 0;
};
