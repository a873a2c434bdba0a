#pragma once

#include <QLatin1StringView>

// The control names of the main window's menu items and toolbar buttons. The menus, the toolbar and
// the domains' installers all name items through these constants, never through literals of their own.
struct MenuId
{
    QLatin1StringView control;
    bool operator==(const MenuId &other) const { return control == other.control; }
};

namespace MenuIds {

// File
inline constexpr MenuId NewPatient{QLatin1StringView("mnuNewPatient")};
inline constexpr MenuId NewExam{QLatin1StringView("mnuNewExam")};
inline constexpr MenuId NewReport{QLatin1StringView("mnuReport")};
inline constexpr MenuId UpdatePatient{QLatin1StringView("mnuUpdatePatient")};
inline constexpr MenuId UpdateExam{QLatin1StringView("mnuUpdateExam")};
inline constexpr MenuId EditReport{QLatin1StringView("mnuEditRep")};
inline constexpr MenuId Logoff{QLatin1StringView("mnuLoggoff")};
inline constexpr MenuId Quit{QLatin1StringView("mnuQuit")};
// Edit
inline constexpr MenuId DeleteAppointments{QLatin1StringView("mnuDelApp")};
inline constexpr MenuId Configuration{QLatin1StringView("mnuConfig")};
// Utilities
inline constexpr MenuId TableDoctors{QLatin1StringView("mnuTblDoctors")};
inline constexpr MenuId TableLocations{QLatin1StringView("mntTblLocations")};
inline constexpr MenuId TableProcedures{QLatin1StringView("mnuTblProcedures")};
inline constexpr MenuId CreateXRayNumbers{QLatin1StringView("mnuXRay")};
// Statistics
inline constexpr MenuId Statistics24Hours{QLatin1StringView("mnuHours")};
inline constexpr MenuId StatisticsDayTime{QLatin1StringView("mnuDay")};
inline constexpr MenuId StatisticsAfterHours{QLatin1StringView("mnuAfter")};
inline constexpr MenuId StatisticsAnnual{QLatin1StringView("mnuAnnual")};
inline constexpr MenuId StatisticsSingleProcedure{QLatin1StringView("mnuSingle")};
inline constexpr MenuId StatisticsSpecial1{QLatin1StringView("mnuSpec1")};
inline constexpr MenuId StatisticsSpecial2{QLatin1StringView("mnuSpec2")};
inline constexpr MenuId ReferringLocationReport{QLatin1StringView("mnuRef")};
// Digital
inline constexpr MenuId AppointmentSystem{QLatin1StringView("mnuAppointment")};
// ?
inline constexpr MenuId Info{QLatin1StringView("mnuInfo")};
// The pop-up of the table windows and the hidden test menu
inline constexpr MenuId ContextEdit{QLatin1StringView("mnuContextEdit")};
inline constexpr MenuId ContextNew{QLatin1StringView("mnuContextNew")};
inline constexpr MenuId TestError{QLatin1StringView("mnuError")};

} // namespace MenuIds

// The toolbar buttons by their keys.
namespace ToolIds {

inline constexpr MenuId NewPatient{QLatin1StringView("NP")};
inline constexpr MenuId NewVisit{QLatin1StringView("NE")};
inline constexpr MenuId NewReport{QLatin1StringView("NR")};
inline constexpr MenuId EditPatient{QLatin1StringView("EP")};
inline constexpr MenuId EditVisit{QLatin1StringView("EE")};
inline constexpr MenuId EditReport{QLatin1StringView("ER")};
inline constexpr MenuId Scheduler{QLatin1StringView("AP")};
inline constexpr MenuId ServerSwitch{QLatin1StringView("ZEL")};
inline constexpr MenuId Exit{QLatin1StringView("EX")};

} // namespace ToolIds
