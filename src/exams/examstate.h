#pragma once

#include <cstdint>
#include <functional>

// The examination domain's own session values, which outlive the windows that set them
// (session.state<ExamState>()).
struct ExamState
{
    std::int32_t FreeXRayCount = 0; // the last count of free X-ray numbers (FREEXRAY)
    std::int32_t ArchiveId = 0;     // the archive of the examination being saved (GETARCHIVEID)
    int ProcRow = 0;                // 1-based procedure row being saved (STDNEW/PROCSAVE, PROCUPDATE)
    std::int32_t DeleteXRayNo = 0;  // the X-ray number of the examination being deleted
    std::int32_t ProcedureId = 0;   // the procedure last selected in the picker (PROCCODE)
    // The user chose to book an appointment once the new examination is saved.
    bool BookAppointment = false;
    // Opens the appointment system for the patient just saved. Empty until the appointment system is
    // installed: its installer sets it, and until then fNewVisit keeps its appointment option hidden.
    std::function<void()> OpenAppointmentSystem;
};
