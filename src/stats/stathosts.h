#pragma once

#include "core/actioncode.h"
#include "core/referencehosts.h"
#include "link/replyshapes.h"

#include <QString>

// What the statistics commands' reply handlers need from the windows. The windows side implements
// these; the handlers see nothing else of it.

// The statistics run as the user sees it: the progress window while the walk runs, the statistics
// window once it has ended.
class StatisticsPresenter
{
public:
    virtual ~StatisticsPresenter() = default;
    // The first request of a statistic is about to go out.
    virtual void walkStarted(ActionCode statistic) = 0;
    // An answer has come in; `done` answers so far, `total` the number the walk collects (0 when the
    // special walk's length is not known beforehand), `next` the code asked next (0 at the end).
    virtual void walkAdvanced(ActionCode statistic, int done, int total, int next) = 0;
    // The walk has ended: build the report (StatInsert) and show it. May throw HandlerFailure when a
    // value the report needs is missing; what was built is shown all the same.
    virtual void walkEnded(ActionCode statistic) = 0;
};

// The procedure choice of the single-procedure statistic is a ProcedureListHost (core/referencehosts.h).
