#include "handlers.h"

void registerAllCommands(CommandRegistry &registry)
{
    registerGenericCommands(registry);
    registerPatientCommands(registry);
    registerReferenceCommands(registry);
    registerTableCommands(registry);
    registerDictationCommands(registry);
    registerStatsCommands(registry);
    registerExamCommands(registry);
    registerScheduleCommands(registry);
}
