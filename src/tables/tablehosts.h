#pragma once

#include "tablerequests.h"

#include "link/replyshapes.h"

#include <cstdint>

// What the reference table commands' reply handlers, and the main window's shared pop-up menu, need
// from the table window that is the session's TargetWindow. The windows implement these; the
// handlers and the menu see nothing else of them.

// A table window as the pop-up menu "Edit" / "New" (mnuContextEdit, mnuContextNew) sees it.
class TableEditorHost
{
public:
    virtual ~TableEditorHost() = default;
    // Edit on: the table's add/edit dialog opens for the row chosen last (nothing without one).
    virtual void editEntry() = 0;
    // Edit off: the dialog opens for a new entry.
    virtual void newEntry() = 0;
};

// fUtilLocations: filled by REFPHYSALL, saving with REFUPDATE / REFINSERT, and the window whose dialog
// waits for the id REFNEWID draws.
class LocationTableHost
{
public:
    virtual ~LocationTableHost() = default;
    // The records of one data event that could be read, in the server's order.
    virtual void addLocationRecords(const RecordBatch &records) = 0;
    // The list is in (or no more of it will come): the window shows.
    virtual void locationListComplete() = 0;
    // The entry being saved, as it was when "OK" was clicked.
    virtual const LocationEntry &savingLocation() const = 0;
    // Saved: the dialog closes and the list is emptied for the reload that follows.
    virtual void locationSaved() = 0;
    // Not saved: the dialog closes, its input is lost.
    virtual void locationNotSaved() = 0;
    virtual void referrerIdDrawn(std::int32_t id) = 0;
    // No id: the dialog for the new entry closes.
    virtual void referrerIdRefused() = 0;
};

// fUtilDoctors: filled by DOCLIST, saving with DOCUPDATE / DOCINSERT.
class DoctorTableHost
{
public:
    virtual ~DoctorTableHost() = default;
    virtual void addDoctorRecords(const RecordBatch &records) = 0;
    virtual void doctorListComplete() = 0;
    virtual const DoctorEntry &savingDoctor() const = 0;
    // Saved: the dialog closes and the list is emptied for the reload.
    virtual void doctorSaved() = 0;
    // Not saved: the dialog stays open with its input, for another try.
    virtual void doctorNotSaved() = 0;
};

// fUtilProcedures: filled by PROCLIST2, saving with ICD9UPDATE / ICD9INSERT.
class ProcedureTableHost
{
public:
    virtual ~ProcedureTableHost() = default;
    virtual void addProcedureRecords(const RecordBatch &records) = 0;
    virtual void procedureListComplete() = 0;
    virtual const ProcedureEntry &savingProcedure() const = 0;
    virtual void procedureSaved() = 0;
    // Not saved: the dialog stays open with its input.
    virtual void procedureNotSaved() = 0;
};
