#pragma once

#include <QDate>
#include <QObject>
#include <QString>

class Prompter;
class QFormLayout;
class QLineEdit;
class QWidget;

// The two date boxes of the period windows, Text1 ("Start Date:") and Text2 ("End Date:"). Entering
// a box selects its text; leaving it shows a valid date in the system's short form and leaves any
// other text as it is.
class PeriodFields : public QObject
{
    Q_OBJECT

public:
    PeriodFields(QWidget *window, QFormLayout *layout);

    QLineEdit *startBox() const { return m_start; }
    QLineEdit *endBox() const { return m_end; }

    // Checks the boxes before a statistic is asked for: both empty gives the message of the period
    // windows; a box that does not hold a valid date is named, and gets the focus. True when both
    // dates are valid; they are then in `from` and `to`.
    bool check(Prompter &prompter, QDate *from, QDate *to) const;

    static const QString NoDatesMessage;
    static QString invalidDateMessage(const QString &field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_start;
    QLineEdit *m_end;
};
