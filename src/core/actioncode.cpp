#include "actioncode.h"

#include <array>

namespace {

constexpr std::array kValues = {
    ActionCode::Empty,
    ActionCode::Search,
    ActionCode::New,
    ActionCode::EditReport,
    ActionCode::Statistics24Hours,
    ActionCode::StatisticsDayTime,
    ActionCode::StatisticsAfterHours,
    ActionCode::StatisticsAnnual,
    ActionCode::StatisticsSingleProcedure,
    ActionCode::StatisticsSpecial1,
    ActionCode::StatisticsSpecial2,
    ActionCode::NewAppointment,
    ActionCode::NewEmergencyAppointment,
    ActionCode::EditAppointment,
    ActionCode::ReferrerEntered,
    ActionCode::ExistingXRayNo,
};

} // namespace

QString actionText(ActionCode code)
{
    return code == ActionCode::Empty ? QString() : QString::number(int(code));
}

std::optional<ActionCode> actionFromText(const QString &text)
{
    for (const ActionCode code : kValues) {
        if (actionText(code) == text)
            return code;
    }
    return std::nullopt;
}
