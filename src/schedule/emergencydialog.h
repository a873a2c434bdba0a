#pragma once

#include "bookingdialog.h"
#include "schedulehosts.h"

class QLineEdit;

// fTerminEmergency: books an emergency for the chosen patient on the day and modality of the day
// view (EMNEU). It is not modal: the day view stays usable while it is open. Once the emergency is
// registered the window closes and the appointments it pushes back are moved (TERMID, EMINSERT,
// APPUPDATE); closing it without a registration moves nothing.
class EmergencyDialog : public BookingDialog, public BookingHost
{
    Q_OBJECT

public:
    EmergencyDialog(const TaskContext &context, AppointmentWindow &day, QWidget *parent = nullptr);

    static const QString Caption;

    void addBodyParts(const QStringList &parts) override { addBodyPartEntries(parts); }
    void bookingRegistered() override;
    void bookingRefused() override;

protected:
    bool event(QEvent *event) override;

private:
    void showDayValues();
    void onOk();

    QLineEdit *m_date = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_id = nullptr;
    QLineEdit *m_modality = nullptr;
};
