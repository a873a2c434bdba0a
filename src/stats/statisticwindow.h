#pragma once

#include "core/actioncode.h"
#include "ui/taskdesk.h"

#include <QDateTime>
#include <QString>
#include <QWidget>

class QPushButton;
class QTextEdit;

// fStatistic: a finished statistic as formatted text. The report is built once, when the window is
// made for a walk that has ended; "Print" opens the page preview.
class StatisticWindow : public QWidget
{
    Q_OBJECT

public:
    StatisticWindow(TaskDesk &desk, ActionCode statistic, QDateTime now = QDateTime::currentDateTime(),
                    QWidget *parent = nullptr);

    // StatInsert: writes the report from the session's statistics values. Throws HandlerFailure when
    // a value it needs is missing or not a number; the text built so far stays.
    void build();

    QString bez() const { return m_bez; }
    QTextEdit *textBox() const { return m_text; }

    static const QString Caption;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void onPrint();
    void place();

    TaskDesk &m_desk;
    TaskContext m_context;
    ActionCode m_statistic;
    QDateTime m_now;
    QString m_bez;
    QTextEdit *m_text = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_close = nullptr;
};
