#pragma once

#include "link/replyshapes.h"

// Hosts of the reference lists several domains load with the same request, so one reply handler
// serves every window that shows them.

// A window with a procedure choice that a PROCLIST reply fills: an entry per procedure record,
// "description|code", with the procedure id as its data (the procedure picker, the single-procedure
// statistic's period window).
class ProcedureListHost
{
public:
    virtual ~ProcedureListHost() = default;
    virtual void addProcedureRecords(const RecordBatch &records) = 0;
    virtual void procedureListComplete() {}
};
