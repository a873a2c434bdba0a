#pragma once

#include "link/replyshapes.h"
#include "ui/streamedlist.h"

#include <QDate>

#include <cstdint>

struct ScheduleState;

// ListView1: the appointments of the day shown, one row per record of a TERMLIST reply: its id,
// start, names, body part, duration and accession number, and, for an appointment an emergency
// moved, where it was moved from, so the desk can call the patient.
class AppointmentList : public StreamedList
{
    Q_OBJECT

public:
    enum Column { AppId, Time, LastName, FirstName, BodyPart, Duration, Accession, Delayed, ColumnCount };

    explicit AppointmentList(QWidget *parent = nullptr);

    // Replaces the rows by the records (the reply without its framing). A record with too few
    // fields leaves the columns it lacks empty; `stopAtShortRecord` (debug mode) stops the fill at
    // the first such record instead. Returns the index of that record, or -1.
    qsizetype showRecords(const QString &records, bool stopAtShortRecord);

    // Marks the rows of appointments an emergency moved on that day and modality.
    void markMoved(const ScheduleState &state, const QDate &day, std::int32_t modality);

    static std::int32_t appointmentId(const QTreeWidgetItem *row);
};
