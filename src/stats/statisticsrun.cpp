#include "statisticsrun.h"

#include "progresswindow.h"
#include "statisticwindow.h"

#include "link/commandlink.h"
#include "link/replyshapes.h"
#include "ui/taskdesk.h"
#include "ui/widgets.h"

#include <QMdiSubWindow>

using namespace Qt::StringLiterals;

StatisticsRun::StatisticsRun(TaskDesk &desk, QObject *parent)
    : QObject(parent)
    , m_desk(desk)
{
    connect(&desk.context().link, &CommandLink::busyEnded, this, &StatisticsRun::onCommandEnded);
}

StatisticsRun::~StatisticsRun()
{
    delete m_progress.data();
}

ProgressWindow *StatisticsRun::progress()
{
    if (!m_progress)
        m_progress = new ProgressWindow(m_desk.dialogParent());
    return m_progress;
}

void StatisticsRun::walkStarted(ActionCode statistic)
{
    m_running = true;
    progress()->begin(statistic);
    m_desk.setBusy();
}

void StatisticsRun::walkAdvanced(ActionCode statistic, int done, int total, int next)
{
    if (m_progress)
        m_progress->advance(statistic, done, total, next);
}

void StatisticsRun::walkEnded(ActionCode statistic)
{
    m_running = false;
    // Every report starts fresh: a statistics window left from an earlier statistic goes first.
    if (QWidget *parent = m_desk.dialogParent()) {
        for (StatisticWindow *old : parent->findChildren<StatisticWindow *>())
            Ui::closeTaskWindow(*old);
    }
    auto *window = new StatisticWindow(m_desk, statistic);
    const auto show = [this, window] {
        if (m_progress)
            m_progress->hide();
        m_desk.openInWorkspace(window)->showMaximized();
    };
    try {
        window->build();
    } catch (const HandlerFailure &) {
        // The window shows what was built; the failure is reported as any failure of a reply.
        show();
        throw;
    }
    show();
}

void StatisticsRun::onCommandEnded()
{
    // The command ended without the walk's end: an error reply, a time-out or another command. The
    // values received so far stay in StatRows.
    if (m_running && m_progress)
        m_progress->hide();
    m_running = false;
}
