#pragma once

#include "schedulestate.h"

#include "link/replyshapes.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <cstdint>
#include <optional>

// The rules of the appointment windows that need no widgets.

// The day slot table: one slot every `minutes` minutes from midnight, k + 1 of them where k is
// 1440 / minutes - 1 rounded to the nearest whole number (halves to the even one). A length of 0 or
// less is taken as the fallback duration. Each slot knows its colour: 1 from the slot whose time is
// `start` (main working hours), 0 again from the one whose time is `stop`.
struct DaySlot
{
    QString time; // "hh:mm"
    int colour = 0;
};
QList<DaySlot> daySlotTable(int minutes, const QString &start = {}, const QString &stop = {});
QStringList slotTimes(const QList<DaySlot> &slotList);

// Monday 0 to Sunday 6.
int weekdayIndex(const QDate &date);

// The 91 dates of the edit window's date list: from the current day (from noon on, the next one).
QList<QDate> editDates(const QDateTime &now);

// The ten durations the duration lists offer: 1 to 10 times the default.
QStringList durationChoices(int defaultMinutes);

// The time an emergency window starts with: on today's list the first slot not before now, on
// another day the first slot not before the start of the main working hours (never midnight just
// because it is the first slot); when no slot is left, the current time.
QString presetEmergencyTime(const QStringList &slotList, const QDate &day, const QString &workStart,
                            const QDateTime &now);

// A typed time the way the booking windows read it: a time of day (h:mm, with seconds, with AM/PM,
// or after a date) or a date alone, which reads but has no time in it.
struct TimeReading
{
    bool readable = false;
    bool hasColon = false;
    QTime time;      // 00:00 for a date alone
    QString failure; // why it does not read
};
TimeReading readTimeValue(const QString &text);

// A typed duration: a whole number of minutes (a fraction is rounded, halves to the even one).
struct DurationReading
{
    std::optional<std::int16_t> minutes;
    QString failure;
};
DurationReading readDuration(const QString &text);

// A time of day: "h:mm", with seconds, or with AM/PM. Null otherwise.
QTime readClock(const QString &text);

// A typed date: "dd.mm.yyyy" (with or without leading zeros), "yyyy-mm-dd" or "yyyymmdd".
QDate readDate(const QString &text);

// A typed value and the name of its field as the window labels it.
struct TypedText
{
    QString name;
    QString text;
};
// Typed text travels inside "|"-separated request lines that "/CMD" ends, in the wire's code page:
// the message for the first field that would break that or lose characters; empty when all can go.
QString sendingProblem(const QList<TypedText> &fields);

// Where an emergency moves the appointments it pushes back: the records of the EMINSERT reply in
// order; the first starts where the emergency ends, each next one where the one before ends, which
// is a slot as long as the emergency, or longer when the moved appointment is itself longer, so
// that the moved appointments never overlap. A move that would pass midnight is not made: it and
// the ones after it are left for the desk to rebook.
struct DelayPlan
{
    QList<DelayMove> moves;
    QList<DelayMove> unmoved;
};
DelayPlan delayPlan(const QList<Record> &records, const QTime &emergencyStart, int emergencyMinutes);
