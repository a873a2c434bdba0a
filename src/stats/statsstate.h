#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The values of one statistics run, shared by the period windows, the code walk and the report
// builders; no other domain reads them. Reached with session.state<StatsState>().
struct StatsState
{
    // Start and end of the period, "yyyy-mm-dd".
    QString StatDateFrom;
    QString StatDateTo;
    // 0 day time, 1 after hours; only the day-time and after-hours statistics set it, the others
    // send whatever the last one left.
    std::int16_t StatShiftFlag = 0;
    // The procedure of the single-procedure statistic.
    QString StatProcedureCode;
    QString StatProcedureName;
    // The stripped answers of the walk, in the order received (position 1 is index 0). For the
    // special reports: name, count and detail list of every category with a count above 0.
    QStringList StatRows;
    QString SingleProcedureResult;
};
