#include "newappointmentdialog.h"

#include "appointmentwindow.h"
#include "schedulestate.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

const QString NewAppointmentDialog::Caption = u"New Appointment"_s;

namespace {
const QString kNoModality = u"No modality selected!"_s;
const QString kNoBodyPart = u"No bodypart selcted!"_s;
const QString kNotATime = u"Date is not a time-value!"_s;
const QString kTitle = u"ZEL-Client"_s;
} // namespace

NewAppointmentDialog::NewAppointmentDialog(const TaskContext &context, AppointmentWindow &day, QWidget *parent)
    : BookingDialog(context, day, u"fTerminNeu"_s, Caption, parent)
{
    m_date = addReadOnly(u"Date:"_s, u"txtDatum"_s);
    m_xray = Ui::named<QLineEdit>(u"txtXray"_s, this);
    Ui::selectAllOnFocus(m_xray);
    m_form->addRow(u"XRay No."_s, m_xray);
    m_name = addReadOnly(u"Name:"_s, u"txtName"_s);
    m_folder = addReadOnly(u"ID:"_s, u"txtFolder"_s);
    // The patient's internal id, kept out of sight where the folder number is shown.
    m_id = Ui::named<QLineEdit>(u"txtID"_s, this);
    m_id->hide();
    m_modality = addReadOnly(u"Modality:"_s, u"txtModality"_s);
    addTimeDurationBodyPart();
    addInformation();
    finishLayout();
    connect(m_ok, &QPushButton::clicked, this, &NewAppointmentDialog::onOk);

    m_state.NewWindow = this;
    fill();
    m_context.session.ActionCode = ActionCode::NewAppointment;
    m_context.link.StartCommand(Command::BODYLIST);
}

void NewAppointmentDialog::fill()
{
    const PatientChoice &patient = m_context.session.SelectedPatient;
    m_date->setText(QDate::currentDate().toString(u"dd.MM.yyyy"_s));
    m_xray->setText(patient.StudyNr);
    m_name->setText(patient.Surname + u", "_s + patient.FirstName);
    m_id->setText(patient.PatientId);
    m_folder->setText(patient.FolderNo);
    m_time->setEditText(now());
    m_modality->setText(m_day.activeModalityCaption());
    fillDurations(m_day.GetDuration(m_day.GetActiveMod() + 1), true);
}

void NewAppointmentDialog::onOk()
{
    if (m_day.GetActiveModID() == 0) {
        m_context.prompter.error(kTitle, kNoModality);
        return;
    }
    const std::optional<Checked> checked =
        checkEntries({kNoBodyPart, kNotATime, kTitle});
    if (!checked)
        return;
    if (!checkTyped({{u"Bodypart"_s, m_bodyPart->currentText()},
                     {u"Additional Informations"_s, information()},
                     {u"XRay No."_s, m_xray->text()}})
        || !checkPatientId(m_id->text()))
        return;

    BookingData booking;
    booking.PatientId = m_id->text();
    booking.ModalityId = m_day.GetActiveModID();
    booking.Date = QDate::currentDate().toString(u"yyyyMMdd"_s);
    booking.Time = checked->time;
    booking.BodyPart = m_bodyPart->currentText();
    booking.Information = information();
    booking.Duration = checked->duration;
    booking.AccessionNumber = m_xray->text();
    booking.Emergency = 0;
    m_state.Booking = booking;
    setBusy(true);
    m_context.link.StartCommand(Command::TERMNEU);
}

void NewAppointmentDialog::bookingRegistered()
{
    setBusy(false);
    accept();
}

void NewAppointmentDialog::bookingRefused()
{
    setBusy(false);
}
