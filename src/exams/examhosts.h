#pragma once

#include "core/referencehosts.h"

#include "examrecords.h"
#include "refphysroute.h"

#include "link/replyshapes.h"

#include <QStringList>

#include <cstdint>

// What the examination commands' reply handlers need from the windows that started them. The
// windows implement these; the handlers see nothing else of them.

// A window with the referrer combo FKeyUeberweiserID that REFPHYS fills.
class ReferrerListHost
{
public:
    virtual ~ReferrerListHost() = default;
    virtual ReferrerTarget referrerTarget() const = 0;
    // RefPhysFill: each record's name goes to the end of the combo, its id as the item data. The
    // combo is not cleared first.
    virtual void addReferrers(const RecordBatch &records) = 0;
    // The complete list is in: fNewVisit shows itself; fEditVisitDetails selects the entry whose id
    // the combo's text holds (SetFkeyUeberweiserID).
    virtual void referrerListComplete() {}
    // The window holds an X-ray number it reserved: a further referrer list draws no other.
    virtual bool holdsReservedXRayNumber() const { return false; }
};

// A window with an examination list Visits that STDLIST fills (VisitListInsert).
class VisitListHost
{
public:
    virtual ~VisitListHost() = default;
    virtual void addVisitRecords(const RecordBatch &records) = 0;
    virtual void visitListComplete() = 0;
};

// fNewVisit as its commands see it.
class NewVisitHost : public ReferrerListHost, public VisitListHost
{
public:
    // NEWSTDID: the new study id.
    virtual void setStudyId(std::int32_t id) = 0;
    // PATID1 as typed, for PATDATA and EXISTXRAY.
    virtual QString folderNumber() const = 0;
    // PatDataFill: the patient of the folder number (internal id, surname, initials).
    virtual void showPatientData(const QStringList &fields) = 0;
    // The folder number is unknown: the patient shown before is cleared, so the examination cannot
    // be filed under it.
    virtual void patientNotFound() = 0;
    // NEWXRAYNO: the number drawn and reserved for this window.
    virtual void xrayNumberDrawn(std::int32_t number) = 0;
    // EXISTXRAY: the patient's previous X-ray number.
    virtual void setPreviousXRayNumber(std::int32_t number) = 0;

    // The save chain works on the values confirmed by the user.
    virtual const NewExamination &savingExamination() const = 0;
    // STDNEW stored the examination: it cannot be stored again, and its number is no longer the
    // window's to release.
    virtual void examinationStored() = 0;
    enum class SaveEnd { Close, Hide };
    // The save chain is over: the window closes (the last row was saved, or a row was refused) or is
    // hidden (an unfilled row ended the list; the appointment booking may still read it).
    virtual void saveChainEnded(SaveEnd end) = 0;
};

// The window that opened the procedure picker (OwnerWindow) and receives the procedure chosen.
class ProcedurePickHost
{
public:
    virtual ~ProcedurePickHost() = default;
    virtual QString pickXRayNumber() const = 0;  // StudyNr
    virtual QString pickFolderNumber() const = 0; // PATID1
    // "OK": the current row gets the X-ray number, the procedure as shown, its code and its id; the
    // last row being filled, a fresh empty row is appended and becomes current.
    virtual void procedurePicked(const ProcedureRow &pick) = 0;
};

// The procedure picker fProclist as PROCLIST and PROCCODE fill it (TargetWindow).
class ProcedurePickerHost : public ProcedureListHost
{
public:
    // addProcedureRecords is ProcPickerFill.
    virtual void setProcedureCode(const QString &code) = 0;
};

// The window that opened the examination finder fFindVisit (OwnerWindow) and receives the
// examination the user clicks. The report window implements it: the finder hands over the row's ten
// fields as shown ("Folder No" .. "PATID", the X-ray number padded, the department by name) and the
// owner takes what it needs; a double click on the row hides the finder.
class ExamPickHost
{
public:
    virtual ~ExamPickHost() = default;
    virtual void examinationPicked(const ExamPick &pick) = 0;
};

// fEditVisitDetails as its load, save and delete chains see it.
class EditVisitDetailsHost : public ReferrerListHost
{
public:
    // VisitDataFill: the STDDATA record (study id, patient id, referrer id, date, time, in/out,
    // office hours, hospital/private, department).
    virtual void showStudyData(const QStringList &fields) = 0;
    // STDDATA found nothing: the dialog stays unloaded, so it cannot overwrite or delete anything.
    virtual void studyNotFound() = 0;
    // PATID, for PATDATAID.
    virtual QString patientId() const = 0;
    // StudyNr as loaded, for PROCDATA.
    virtual QString procedureXRayNumber() const = 0;
    // ProcDataInsert: stored procedure rows (row id, procedure id, X-ray number, folder number,
    // description, code).
    virtual void addProcedureRecords(const RecordBatch &records) = 0;
    // The load chain is through: AddEmptyProc; "Save" and "Delete" become available.
    virtual void examinationLoaded() = 0;

    virtual const ExamUpdate &savingUpdate() const = 0;
    // The update and every filled procedure row are saved.
    virtual void updateDone() = 0;
    // The examination was deleted: the dialog closes.
    virtual void deletionDone() = 0;
};
