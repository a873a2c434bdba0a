#pragma once

#include "scheduleprefs.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTime>

#include <cstdint>

// One appointment as the booking windows hand it to the request builders, in the order the
// requests send the values.
struct BookingData
{
    QString PatientId;         // the patient's internal id
    std::int32_t ModalityId = 0;
    QString Date;              // "yyyymmdd" when a window sets it; field 13 of a record as received
    QTime Time;                // sent as "hh:mm"
    QString BodyPart;
    QString Information;       // up to 255 characters
    std::int16_t Duration = 0; // minutes
    QString Status;            // empty for new bookings
    QString AccessionNumber;   // sent only by TERMNEU
    std::int16_t Emergency = 0; // 0 default, -1 a new emergency, the check box (0 or 1) when editing
};

// One appointment an emergency moved: where it was and where it went.
struct DelayMove
{
    std::int32_t id = 0;
    QTime from; // null when the server did not say
    QTime to;
    QString name; // "Surname, First name" when the server said
};

// The appointment domain's session values, which outlive its windows (session.state<ScheduleState>()).
struct ScheduleState
{
    // The latest MODLIST reply, one entry per data event, each the event's records joined by CR LF;
    // emptied just before MODLIST is started.
    QStringList ModalityList;
    // The pressed modality button (0 to 9) and its modality id; they survive the day view.
    int ActiveMod = 0;
    std::int32_t ActiveModID = 0;
    // The modality and day of the list last requested by Terminliste.
    std::int32_t lAETID = 0;
    QDate ListDate;
    // The appointment chosen in the day list.
    std::int32_t CurrentTerminID = 0;
    // The latest TERMCOUNT reply.
    QString TermCount;
    // The time the day view hands to the booking windows; always empty (nothing picks one).
    QString PickedTime;
    // The appointment being booked or edited.
    BookingData Booking;
    // What the open day view loaded from Schedule.ini.
    SchedulePrefs Prefs = SchedulePrefs::defaults();
    // The appointment WEEKREC asks for.
    std::int32_t WeekTerminID = 0;
    // The days DELAPP and DELAPP2 send.
    QDate DeleteDay;
    QTime DeleteBefore;

    // The emergency in hand, kept as it was booked: its own date, time, duration and modality, so
    // nothing another window books meanwhile can change where the others are moved to.
    QDate EmergencyDate;
    QTime EmergencyTime;
    std::int16_t EmergencyDuration = 0;
    std::int32_t EmergencyModality = 0;
    QString EmergencyPatient;
    std::int32_t EmergencyTerminID = 0;
    QTime DelayStart;           // the start the next moved appointment gets
    std::int32_t DelayTerminID = 0;
    QList<DelayMove> PendingDelays; // moves not yet confirmed by the server, in order
    QList<DelayMove> UnmovedDelays; // moves that would pass midnight: left for the desk to rebook
    bool EmergencyRunning = false;

    // Appointments an emergency moved this session, by id, with the day and modality they are on:
    // the day view marks them so the desk can call those patients.
    struct Moved
    {
        QDate date;
        std::int32_t modality = 0;
        DelayMove move;
    };
    QHash<std::int32_t, Moved> MovedAppointments;

    // The main window's caption, which titles some of the messages.
    QString MainCaption;

    // The open windows of the domain, which the reply handlers reach through their host interfaces.
    QPointer<QObject> DayView;
    QPointer<QObject> NewWindow;
    QPointer<QObject> EmergencyWindow;
    QPointer<QObject> EditWindow;
};
