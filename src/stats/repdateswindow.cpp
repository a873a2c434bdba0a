#include "repdateswindow.h"

#include "periodfields.h"
#include "statrequests.h"
#include "statsstate.h"

#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QFormLayout>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString RepDatesWindow::Caption = u"Enter Report Dates"_s;

RepDatesWindow::RepDatesWindow(TaskDesk &desk, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_desk(desk)
    , m_context(desk.context())
{
    setObjectName(u"fRepDates"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);

    // A new statistic starts with no values.
    m_context.session.state<StatsState>().StatRows.clear();

    auto *form = new QFormLayout;
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    m_period = new PeriodFields(this, form);
    auto *accept = Ui::button(u"Accept"_s, u"cmdOk"_s, this);
    accept->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(14);
    layout->addLayout(form);
    layout->addWidget(Ui::buttonBox(this, {{accept, QDialogButtonBox::AcceptRole}}));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(accept, &QPushButton::clicked, this, &RepDatesWindow::onAccept);
}

void RepDatesWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    QTimer::singleShot(0, m_period->startBox(), [box = m_period->startBox()] { box->setFocus(); });
}

void RepDatesWindow::onAccept()
{
    QDate from;
    QDate to;
    if (!m_period->check(m_context.prompter, &from, &to))
        return;
    Session &session = m_context.session;
    StatsState &state = session.state<StatsState>();
    state.StatDateFrom = Stats::isoDate(from);
    state.StatDateTo = Stats::isoDate(to);
    if (session.ActionCode == ActionCode::StatisticsDayTime)
        state.StatShiftFlag = 0;
    else if (session.ActionCode == ActionCode::StatisticsAfterHours)
        state.StatShiftFlag = 1;
    if (const std::optional<Command> first = Stats::firstCommand(session.ActionCode);
        first && *first != Command::STAT00393) {
        m_desk.setBusy();
        m_context.link.StartCommand(*first);
    }
    close();
}
