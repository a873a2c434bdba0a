#pragma once

#include "link/replyshapes.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

// What the appointment commands' reply handlers need from the windows. The windows implement these;
// the handlers reach them through the window pointers of ScheduleState and see nothing else of them.

// The day view, fAppointment.
class DayViewHost
{
public:
    virtual ~DayViewHost() = default;
    // The TERMLIST reply without its framing: the records of the day and modality last requested;
    // an empty text empties the list.
    virtual void showAppointments(const QString &records) = 0;
    // BuildGrid with the active modality index, then Terminliste with the active modality id.
    virtual void refreshDay() = 0;
};

// A window with a body part box that the BODYLIST reply fills.
class BodyPartHost
{
public:
    virtual ~BodyPartHost() = default;
    virtual void addBodyParts(const QStringList &parts) = 0;
    // The reply has been handled (also when it was empty).
    virtual void bodyPartsLoaded() {}
};

// fTerminNeu and fTerminEmergency: the booking they sent was registered, or refused.
class BookingHost : public BodyPartHost
{
public:
    virtual void bookingRegistered() = 0;
    virtual void bookingRefused() = 0;
};

// fTerminEdit.
class EditAppointmentHost : public BodyPartHost
{
public:
    // The first record of the WEEKREC reply.
    virtual void showAppointment(const Record &record) = 0;
    virtual void editSaved() = 0;
};

// The window as the host it is; nothing when it is gone or is no such host.
template <typename Host>
Host *scheduleHost(const QPointer<QObject> &window)
{
    return dynamic_cast<Host *>(window.data());
}
