#include "deleteappointmentsdialog.h"

#include "schedulestate.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString DeleteAppointmentsDialog::Caption = u"Delete Appointments"_s;

namespace {

const QString kNotATime = u"'%1' is not a time of day (hh:mm): no appointment has been deleted."_s;

QGroupBox *boldFrame(const QString &caption, QWidget *parent)
{
    auto *frame = new QGroupBox(caption, parent);
    QFont bold = frame->font();
    bold.setBold(true);
    frame->setFont(bold);
    return frame;
}

// The controls inside a bold frame keep the normal weight.
void normalWeight(QWidget *widget)
{
    QFont font = widget->font();
    font.setBold(false);
    widget->setFont(font);
}

} // namespace

DeleteAppointmentsDialog::DeleteAppointmentsDialog(const TaskContext &context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_context(context)
{
    setObjectName(u"frmDelApp"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());

    auto *older = boldFrame(u"Delete appointments older 1 day..."_s, this);
    auto *deleteOlder = Ui::button(u"Delete"_s, u"cmdOK"_s, older);
    normalWeight(deleteOlder);
    auto *olderLayout = new QHBoxLayout(older);
    olderLayout->addStretch(1);
    olderLayout->addWidget(deleteOlder);

    auto *before = boldFrame(u"Delete appointments time before ..."_s, this);
    m_time = Ui::named<QLineEdit>(u"MaskEdBox1"_s, before);
    m_time->setInputMask(u"99:99;_"_s);
    m_time->setFixedWidth(70);
    m_time->setAlignment(Qt::AlignCenter);
    normalWeight(m_time);
    Ui::selectAllOnFocus(m_time);
    auto *deleteBefore = Ui::button(u"Delete"_s, u"cmdOK2"_s, before);
    normalWeight(deleteBefore);
    auto *beforeLayout = new QHBoxLayout(before);
    beforeLayout->addWidget(m_time);
    beforeLayout->addStretch(1);
    beforeLayout->addWidget(deleteBefore);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(older);
    layout->addWidget(before);
    setMinimumWidth(312);
    older->setMinimumWidth(290);

    connect(deleteOlder, &QPushButton::clicked, this, &DeleteAppointmentsDialog::onDeleteOlder);
    connect(deleteBefore, &QPushButton::clicked, this, &DeleteAppointmentsDialog::onDeleteBefore);
    connect(&m_context.link, &CommandLink::busyEnded, this, [this] { unsetCursor(); });
}

void DeleteAppointmentsDialog::onDeleteOlder()
{
    m_context.session.state<ScheduleState>().DeleteDay = QDate::currentDate();
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::DELAPP);
}

void DeleteAppointmentsDialog::onDeleteBefore()
{
    // Only a whole time of day goes: "7_:3_" or "25:99" would delete by a time nobody typed.
    const QString text = m_time->text();
    const QTime time = QTime::fromString(text, u"HH:mm"_s);
    if (!m_time->hasAcceptableInput() || !time.isValid()) {
        m_context.prompter.error(Caption, kNotATime.arg(m_time->displayText()));
        m_time->setFocus();
        return;
    }
    m_context.session.state<ScheduleState>().DeleteBefore = time;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::DELAPP2);
}
