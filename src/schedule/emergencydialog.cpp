#include "emergencydialog.h"

#include "appointmentwindow.h"
#include "schedulestate.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"

#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

const QString EmergencyDialog::Caption = u"Emergency Appointment"_s;

namespace {
const QString kNoModality = u"No modality selected!"_s;
const QString kNoBodyPart = u"No bodypart selected!"_s;
const QString kNotATime = u"Not a time-value!"_s;
} // namespace

EmergencyDialog::EmergencyDialog(const TaskContext &context, AppointmentWindow &day, QWidget *parent)
    : BookingDialog(context, day, u"fTerminEmergency"_s, Caption, parent)
{
    setModal(false);
    m_date = addReadOnly(u"Date:"_s, u"txtDatum"_s);
    m_name = addReadOnly(u"Name:"_s, u"txtName"_s);
    m_id = addReadOnly(u"ID:"_s, u"txtID"_s);
    m_modality = addReadOnly(u"Modality:"_s, u"txtModality"_s);
    addTimeDurationBodyPart();
    addInformation();
    finishLayout();
    connect(m_ok, &QPushButton::clicked, this, &EmergencyDialog::onOk);

    m_state.EmergencyWindow = this;
    // What the user can type is filled once; coming back to the window keeps it.
    showDayValues();
    const QStringList slotList = m_day.slotTimes();
    const QString preset = m_day.GetZeit().isEmpty()
                               ? presetEmergencyTime(slotList, m_day.shownDate(),
                                                     m_day.GetStart(weekdayIndex(m_day.shownDate())),
                                                     QDateTime::currentDateTime())
                               : m_day.GetZeit();
    m_time->setEditText(preset);
    fillDurations(m_day.GetDuration(m_day.GetActiveMod() + 1), true);
    m_context.link.StartCommand(Command::BODYLIST);
}

bool EmergencyDialog::event(QEvent *event)
{
    // Back from the day view: the day, the patient and the modality are the day view's again; the
    // time, duration, body part and information stay as the user left them.
    if (event->type() == QEvent::WindowActivate)
        showDayValues();
    return BookingDialog::event(event);
}

void EmergencyDialog::showDayValues()
{
    const PatientChoice &patient = m_context.session.SelectedPatient;
    m_date->setText(m_day.shownDate().toString(u"dd.MM.yyyy"_s));
    m_name->setText(patient.Surname + u", "_s + patient.FirstName);
    m_id->setText(patient.PatientId);
    m_modality->setText(m_day.activeModalityCaption());
    const QString typedTime = m_time ? m_time->currentText() : QString();
    if (m_time) {
        m_time->clear();
        m_time->addItems(m_day.slotTimes());
        m_time->setEditText(typedTime);
    }
    if (m_duration)
        fillDurations(m_day.GetDuration(m_day.GetActiveMod() + 1), false);
}

void EmergencyDialog::onOk()
{
    showDayValues();
    if (m_day.GetActiveModID() == 0) {
        m_context.prompter.error(Caption, kNoModality);
        return;
    }
    const std::optional<Checked> checked =
        checkEntries({kNoBodyPart, kNotATime, Caption});
    if (!checked)
        return;
    if (!checkTyped({{u"Bodypart"_s, m_bodyPart->currentText()}, {u"Additional Informations"_s, information()}})
        || !checkPatientId(m_id->text()))
        return;

    BookingData &booking = m_state.Booking;
    booking.PatientId = m_id->text();
    booking.ModalityId = m_day.GetActiveModID();
    booking.Date = m_day.shownDate().toString(u"yyyyMMdd"_s);
    booking.Time = checked->time;
    booking.BodyPart = m_bodyPart->currentText();
    booking.Information = information();
    booking.Duration = checked->duration;
    booking.Status.clear();
    booking.Emergency = -1; // the accession number stays as it is: EMNEU does not send it

    // The emergency keeps its own values for the moves that follow its registration.
    m_state.EmergencyDate = m_day.shownDate();
    m_state.EmergencyTime = checked->time;
    m_state.EmergencyDuration = checked->duration;
    m_state.EmergencyModality = booking.ModalityId;
    m_state.EmergencyPatient = booking.PatientId;
    setBusy(true);
    m_context.link.StartCommand(Command::EMNEU);
}

void EmergencyDialog::bookingRegistered()
{
    setBusy(false);
    accept();
}

void EmergencyDialog::bookingRefused()
{
    setBusy(false);
}
