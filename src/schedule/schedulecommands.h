#pragma once

#include <functional>

class CommandLink;
class Prompter;
struct ScheduleState;
struct Session;

// What the appointment commands need from the program around them.
struct ScheduleShell
{
    // MODLIST has brought modalities: show the day view (loaded first if it is not open).
    std::function<void()> showDayView;
};

// Binds the appointment commands on the link: MODLIST, BODYLIST, TERMCOUNT, TERMLIST, TERMNEU,
// EMNEU, TERMID, CHECKAPP, EMINSERT, APPUPDATE, APPEDIT, WEEKREC, DELAPP, DELAPP2 and TERMDEL. The
// handlers answer the windows of ScheduleState through their host interfaces.
void bindScheduleCommands(CommandLink &link, Session &session, Prompter &prompter, ScheduleShell shell);

// True while an emergency booking or the moves it causes are under way on the link. A window that
// would start a command of its own meanwhile (the day view's list) waits for the end instead; a
// command started elsewhere is waited out and the move in hand is sent again.
bool emergencyInHand(const CommandLink &link, const ScheduleState &state);
