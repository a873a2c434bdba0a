#pragma once

class CommandLink;
class StatisticsPresenter;
struct Session;

// Binds the statistics commands on the link: the first request of every statistic (STAT001,
// STAT00113, STAT00237, STAT00393, STAT00394, STAT00400), the further steps of the walks ("STAT" +
// code), and, unless the procedure picker has bound it already, PROCLIST for the procedure window.
//
// A walk runs on one connection: every answer is collected until its end marker has come, appended
// to the walk's rows and answered with the next code's request, until the walk ends and the report
// is shown through the presenter. The walk keeps the statistic it was started for and its own rows,
// so a statistics menu chosen while it runs (which sets ActionCode and empties StatRows) cannot send
// it down another statistic's codes.
void bindStatsCommands(CommandLink &link, Session &session, StatisticsPresenter &presenter);
