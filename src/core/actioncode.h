#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// ActionCode: what the window or menu that starts a command is doing, so the reply handlers know
// what to fill and what to chain. The values are the documented numbers; a handler that asks whether
// the code is "800 or more" reads the number.
enum class ActionCode : std::int16_t {
    Empty = -1,                 // the empty text; read as a number it is 0
    Search = 0,                 // a patient search from an examination window; finding examinations
    New = 1,                    // a new examination with a new X-ray number; a new report
    EditReport = 2,
    Statistics24Hours = 4,
    StatisticsDayTime = 5,
    StatisticsAfterHours = 6,
    StatisticsAnnual = 7,
    StatisticsSingleProcedure = 8,
    StatisticsSpecial1 = 9,
    StatisticsSpecial2 = 10,
    NewAppointment = 100,
    NewEmergencyAppointment = 101,
    EditAppointment = 102,
    ReferrerEntered = 800,      // the referrer field of the new examination was entered
    ExistingXRayNo = 5000,      // a new examination under the X-ray number of an earlier one
};

// The code read as a number, as the handlers compare it.
constexpr int actionNumber(ActionCode code)
{
    return code == ActionCode::Empty ? 0 : int(code);
}

// The code as the documented text ("5000"; "" for the empty code).
QString actionText(ActionCode code);
// A documented value from its text; nothing for any other text.
std::optional<ActionCode> actionFromText(const QString &text);
