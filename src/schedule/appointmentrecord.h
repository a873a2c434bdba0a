#pragma once

#include "link/replyshapes.h"

#include <QDate>
#include <QString>
#include <QTime>

// The fields of an appointment record as the server sends it in the TERMLIST and WEEKREC replies
// (at least 24 fields, "|"-separated). The client reads only these.
namespace AppointmentField {
enum : int {
    PatientId = 0,
    Surname = 2,
    FirstName = 3,
    Modality = 7,
    AppointmentId = 12,
    Date = 13,
    Start = 14,
    BodyPart = 15,
    Information = 16,
    Duration = 18,
    Status = 19,
    Emergency = 20,
    Accession = 23,
    Count = 24, // fields the server sends at least
};
} // namespace AppointmentField

// The fields of a record of the EMINSERT reply: one appointment the emergency pushes back, in the
// order the appointments are to follow it. The start and duration are those before the move.
namespace DelayField {
enum : int { Start = 0, Duration = 1, AppointmentId = 2, Surname = 3, FirstName = 4 };
} // namespace DelayField

// Dates and times as the server writes them into records: a date "yyyy-mm-dd" (also "dd.mm.yyyy"
// or "yyyymmdd"), a time "hh:mm" (also with seconds, or after a date). Null when unreadable.
QDate recordDate(const QString &text);
QTime recordTime(const QString &text);
