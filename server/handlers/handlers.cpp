#include "handlers.h"

void registerAllCommands(CommandRegistry &registry)
{
    registerGenericCommands(registry);
    registerPatientCommands(registry);
    registerReferenceCommands(registry);
    registerScheduleCommands(registry);
}
