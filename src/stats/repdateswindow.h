#pragma once

#include "ui/taskdesk.h"

#include <QDialog>

class PeriodFields;

// fRepDates: the period of a shift, annual or special statistic. "Accept" stores the period and
// starts the statistic's first request; the window closes.
class RepDatesWindow : public QDialog
{
    Q_OBJECT

public:
    RepDatesWindow(TaskDesk &desk, QWidget *parent);

    static const QString Caption;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onAccept();

    TaskDesk &m_desk;
    TaskContext m_context;
    PeriodFields *m_period = nullptr;
};
