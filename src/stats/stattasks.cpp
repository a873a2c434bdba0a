#include "stattasks.h"

#include "repdates2window.h"
#include "repdateswindow.h"
#include "statcommands.h"
#include "statisticsrun.h"

#include "core/session.h"
#include "ui/taskdesk.h"
#include "ui/widgets.h"

#include <QFont>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// The reports' captions ask for Century; machines without it get a Century-like face.
void substituteCentury()
{
    static const bool done = [] {
        QFont::insertSubstitutions(u"Century"_s, {u"Century Schoolbook"_s, u"C059"_s, u"Century Schoolbook L"_s,
                                                  u"TeX Gyre Schola"_s});
        return true;
    }();
    (void)done;
}

} // namespace

void installStatsTasks(TaskDesk &desk)
{
    substituteCentury();
    const TaskContext &context = desk.context();
    auto *run = new StatisticsRun(desk, desk.dialogParent());
    bindStatsCommands(context.link, context.session, *run);

    const auto period = [&desk](ActionCode statistic) {
        return [&desk, statistic] {
            desk.context().session.ActionCode = statistic;
            (new RepDatesWindow(desk, desk.dialogParent()))->show();
        };
    };
    desk.addTask(MenuIds::Statistics24Hours, period(ActionCode::Statistics24Hours));
    desk.addTask(MenuIds::StatisticsDayTime, period(ActionCode::StatisticsDayTime));
    desk.addTask(MenuIds::StatisticsAfterHours, period(ActionCode::StatisticsAfterHours));
    desk.addTask(MenuIds::StatisticsAnnual, period(ActionCode::StatisticsAnnual));
    desk.addTask(MenuIds::StatisticsSpecial2, period(ActionCode::StatisticsSpecial2));
    desk.addTask(MenuIds::StatisticsSpecial1, [&desk, open = period(ActionCode::StatisticsSpecial1)] {
        // A new examination being entered is closed first (it is found by its name: the examination
        // windows are not this folder's). One that is not open is left alone.
        if (QWidget *parent = desk.dialogParent()) {
            for (QWidget *visit : parent->findChildren<QWidget *>(u"fNewVisit"_s)) {
                visit->hide();
                Ui::closeTaskWindow(*visit);
            }
        }
        open();
    });
    desk.addTask(MenuIds::StatisticsSingleProcedure, [&desk] {
        desk.context().session.ActionCode = ActionCode::StatisticsSingleProcedure;
        (new RepDates2Window(desk, desk.dialogParent()))->show();
    });
}
