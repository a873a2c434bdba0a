#pragma once

#include "bookingdialog.h"
#include "schedulehosts.h"

class QLineEdit;

// fTerminNeu: books a default appointment for today, for the patient chosen in the examination
// windows, on the day view's modality (TERMNEU).
class NewAppointmentDialog : public BookingDialog, public BookingHost
{
    Q_OBJECT

public:
    NewAppointmentDialog(const TaskContext &context, AppointmentWindow &day, QWidget *parent = nullptr);

    static const QString Caption;

    void addBodyParts(const QStringList &parts) override { addBodyPartEntries(parts); }
    void bookingRegistered() override;
    void bookingRefused() override;

private:
    void fill();
    void onOk();

    QLineEdit *m_date = nullptr;
    QLineEdit *m_xray = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_folder = nullptr;
    QLineEdit *m_id = nullptr;
    QLineEdit *m_modality = nullptr;
};
