#pragma once

#include "stathosts.h"

#include "ui/taskdesk.h"

#include <QDialog>

class PeriodFields;
class QComboBox;
class QLineEdit;

// fRepDates2: the period and the procedure of the single-procedure statistic. The procedure list
// comes from PROCLIST when the window opens.
class RepDates2Window : public QDialog, public ProcedureListHost
{
    Q_OBJECT

public:
    RepDates2Window(TaskDesk &desk, QWidget *parent);

    void addProcedureRecords(const RecordBatch &records) override;
    void procedureListComplete() override;

    static const QString Caption;
    static const QString NoProcedureMessage;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onChoose(int index);
    void onTyped(const QString &text);
    void onAccept();
    void onCommandEnded();

    TaskDesk &m_desk;
    TaskContext m_context;
    PeriodFields *m_period = nullptr;
    QComboBox *m_procedure = nullptr;
    QLineEdit *m_code = nullptr;
    bool m_loaded = false;
};
