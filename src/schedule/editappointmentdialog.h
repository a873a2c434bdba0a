#pragma once

#include "bookingdialog.h"
#include "schedulehosts.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// fTerminEdit: changes the date, time, duration, body part, status, information and emergency flag
// of the appointment chosen in the day view. It loads the body parts (BODYLIST) and then the
// appointment (WEEKREC); "OK" can be used once the appointment is in the window, and saves it
// (APPEDIT).
class EditAppointmentDialog : public BookingDialog, public EditAppointmentHost
{
    Q_OBJECT

public:
    EditAppointmentDialog(const TaskContext &context, AppointmentWindow &day, QWidget *parent = nullptr);

    static const QString Caption;

    void addBodyParts(const QStringList &parts) override { addBodyPartEntries(parts); }
    void bodyPartsLoaded() override;
    void showAppointment(const Record &record) override;
    void editSaved() override;

protected:
    bool okAllowed() const override { return m_filled; }

private:
    void onOk();

    QComboBox *m_date = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_id = nullptr;
    QLineEdit *m_modality = nullptr;
    QComboBox *m_status = nullptr;
    QCheckBox *m_emergency = nullptr;
    QLabel *m_terminId = nullptr;
    bool m_filled = false;
    bool m_asked = false;
};
