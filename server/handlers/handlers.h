#pragma once

class CommandRegistry;

// One registration function per domain file in this folder. A new domain adds its file, declares its
// function here and calls it from registerAllCommands().
void registerGenericCommands(CommandRegistry &registry);
void registerPatientCommands(CommandRegistry &registry);
void registerReferenceCommands(CommandRegistry &registry);
void registerTableCommands(CommandRegistry &registry);
void registerDictationCommands(CommandRegistry &registry);
void registerStatsCommands(CommandRegistry &registry);
void registerExamCommands(CommandRegistry &registry);
void registerScheduleCommands(CommandRegistry &registry);

void registerAllCommands(CommandRegistry &registry);
