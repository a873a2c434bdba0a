#pragma once

#include "stathosts.h"

#include <QObject>
#include <QPointer>

class ProgressWindow;
class StatisticWindow;
class TaskDesk;

// The windows side of a statistics walk: the progress window while it runs, the statistics window
// when it ends. A walk that ends any other way (a server error, a time-out, another command) takes
// the progress window down with it.
class StatisticsRun : public QObject, public StatisticsPresenter
{
    Q_OBJECT

public:
    explicit StatisticsRun(TaskDesk &desk, QObject *parent = nullptr);
    ~StatisticsRun() override;

    void walkStarted(ActionCode statistic) override;
    void walkAdvanced(ActionCode statistic, int done, int total, int next) override;
    void walkEnded(ActionCode statistic) override;

    ProgressWindow *progress();

private:
    void onCommandEnded();

    TaskDesk &m_desk;
    QPointer<ProgressWindow> m_progress;
    bool m_running = false;
};
