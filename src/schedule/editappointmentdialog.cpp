#include "editappointmentdialog.h"

#include "appointmentrecord.h"
#include "appointmentwindow.h"
#include "schedulestate.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

const QString EditAppointmentDialog::Caption = u"Edit Appointment"_s;

namespace {
const QString kNoBodyPart = u"No bodypart selcted!"_s;
const QString kNotATime = u"Not a time-value!"_s;
const QString kNoDate = u"'%1' cannot be read as a date."_s;
const QString kNoId = u"The appointment has no id the server can use."_s;
const QString kDateFormat = u"dd.MM.yyyy"_s;
} // namespace

EditAppointmentDialog::EditAppointmentDialog(const TaskContext &context, AppointmentWindow &day, QWidget *parent)
    : BookingDialog(context, day, u"fTerminEdit"_s, Caption, parent)
{
    m_date = Ui::named<QComboBox>(u"txtDate"_s, this);
    m_date->setEditable(true);
    m_date->setInsertPolicy(QComboBox::NoInsert);
    m_date->setMaxVisibleItems(14);
    for (const QDate &date : editDates(QDateTime::currentDateTime()))
        m_date->addItem(date.toString(kDateFormat));
    m_date->setCurrentIndex(-1);
    m_form->addRow(u"Date:"_s, m_date);
    m_name = addReadOnly(u"Name:"_s, u"txtName"_s);
    m_id = addReadOnly(u"ID:"_s, u"txtID"_s);
    m_modality = addReadOnly(u"Modality:"_s, u"txtModality"_s);
    addTimeDurationBodyPart();
    m_status = Ui::named<QComboBox>(u"cboStatus"_s, this);
    m_status->setEditable(true);
    m_form->addRow(u"Status:"_s, m_status);
    addInformation();

    m_emergency = Ui::named<QCheckBox>(u"Emergency"_s, u"Emergency"_s, this);
    QFont bold = m_emergency->font();
    bold.setBold(true);
    m_emergency->setFont(bold);
    m_emergency->setStyleSheet(u"QCheckBox { color: #D00000; }"_s);
    m_terminId = Ui::named<QLabel>(u"lblTerminID"_s, this);
    m_terminId->hide();
    finishLayout(m_emergency);
    fillDurations(m_day.GetDuration(m_day.GetActiveMod() + 1), false);
    connect(m_ok, &QPushButton::clicked, this, &EditAppointmentDialog::onOk);
    m_ok->setEnabled(false); // until the appointment is in the window

    m_state.EditWindow = this;
    m_context.link.StartCommand(Command::BODYLIST);
}

void EditAppointmentDialog::bodyPartsLoaded()
{
    if (m_asked)
        return;
    // Only now: WEEKREC started at once would replace BODYLIST on the link and leave the box without
    // its list.
    m_asked = true;
    m_context.session.ActionCode = ActionCode::EditAppointment;
    m_state.WeekTerminID = m_state.CurrentTerminID;
    m_context.link.StartCommand(Command::WEEKREC);
}

void EditAppointmentDialog::showAppointment(const Record &r)
{
    namespace F = AppointmentField;
    m_id->setText(r.value(F::PatientId));
    m_name->setText(r.value(F::Surname) + u", "_s + r.value(F::FirstName));
    const QDate date = recordDate(r.value(F::Date));
    m_date->setCurrentIndex(date.isValid() ? m_date->findText(date.toString(kDateFormat)) : -1);
    m_date->setEditText(date.isValid() ? date.toString(kDateFormat) : r.value(F::Date));
    m_time->setEditText(recordTime(r.value(F::Start)).toString(u"HH:mm"_s));
    m_duration->setEditText(r.value(F::Duration));
    m_bodyPart->setCurrentIndex(m_bodyPart->findText(r.value(F::BodyPart)));
    m_bodyPart->setEditText(r.value(F::BodyPart));
    m_information->setPlainText(r.value(F::Information));
    m_status->setEditText(r.value(F::Status));
    bool ok = false;
    const int flag = r.value(F::Emergency).trimmed().toInt(&ok);
    m_emergency->setChecked(ok && flag != 0);
    m_modality->setText(m_day.activeModalityCaption());
    m_terminId->setText(r.value(F::AppointmentId));
    m_filled = true;
    m_ok->setEnabled(true);
}

void EditAppointmentDialog::onOk()
{
    if (!m_filled)
        return;
    const std::optional<Checked> checked =
        checkEntries({kNoBodyPart, kNotATime, Caption});
    if (!checked)
        return;
    const QDate date = readDate(m_date->currentText());
    if (!date.isValid()) {
        m_context.prompter.error(Caption, kNoDate.arg(m_date->currentText()));
        m_date->setFocus();
        return;
    }
    if (!checkTyped({{u"Bodypart"_s, m_bodyPart->currentText()},
                     {u"Status"_s, m_status->currentText()},
                     {u"Additional Informations"_s, information()}}))
        return;
    bool ok = false;
    const std::int32_t id = m_terminId->text().trimmed().toInt(&ok);
    if (!ok) {
        m_context.prompter.error(Caption, kNoId);
        return;
    }

    BookingData &booking = m_state.Booking;
    booking.Date = date.toString(u"yyyyMMdd"_s);
    booking.Time = checked->time;
    booking.BodyPart = m_bodyPart->currentText();
    booking.Information = information();
    booking.Duration = checked->duration;
    booking.Status = m_status->currentText();
    booking.Emergency = m_emergency->isChecked() ? 1 : 0;
    m_state.CurrentTerminID = id;
    setBusy(true);
    m_context.link.StartCommand(Command::APPEDIT);
}

void EditAppointmentDialog::editSaved()
{
    setBusy(false);
    accept();
}
