#include "schedulerules.h"

#include "appointmentrecord.h"

#include "link/usernumber.h"
#include "link/wirecodec.h"


#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int kMinutesPerDay = 24 * 60;
constexpr int kEditDays = 91;

const QString kTimeFormat = u"HH:mm"_s;
const QString kFramingMessage = u"The field '%1' must not contain '|', '/CMD' or line breaks."_s;
const QString kCodePageMessage = u"The field '%1' contains characters that cannot be sent to the server: %2"_s;

// Characters of the text that the wire's code page cannot carry (they would arrive as '?').
QString unsendable(const QString &text)
{
    QString lost;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView one = QStringView(text).sliced(i, length);
        if (WireCodec::decode(WireCodec::encode(one)) != one && !lost.contains(one))
            lost += one;
        i += length - 1;
    }
    return lost;
}

QString minutesText(int minutes)
{
    return QTime(0, 0).addSecs(qint64(minutes) * 60).toString(kTimeFormat);
}

} // namespace

QTime readClock(const QString &text)
{
    static const QStringList forms{u"H:m"_s, u"H:m:s"_s, u"h:m AP"_s, u"h:m:s AP"_s, u"h:mAP"_s, u"h:m:sAP"_s};
    for (const QString &form : forms) {
        if (const QTime time = QTime::fromString(text, form); time.isValid())
            return time;
    }
    return {};
}

QList<DaySlot> daySlotTable(int minutes, const QString &start, const QString &stop)
{
    if (minutes <= 0)
        minutes = SchedulePrefs::FallbackDuration;
    // 1440 / s - 1 to the nearest whole number, halves to the even one.
    const long k = std::lrint(double(kMinutesPerDay) / minutes - 1.0);
    QList<DaySlot> slotList;
    int colour = 0;
    for (long n = 0; n <= k; ++n) {
        const QString time = minutesText(int(n * minutes));
        if (!start.isEmpty() && time == start)
            colour = 1;
        if (!stop.isEmpty() && time == stop)
            colour = 0;
        slotList.append({time, colour});
    }
    return slotList;
}

QStringList slotTimes(const QList<DaySlot> &slotList)
{
    QStringList times;
    times.reserve(slotList.size());
    for (const DaySlot &slot : slotList)
        times.append(slot.time);
    return times;
}

int weekdayIndex(const QDate &date)
{
    return date.dayOfWeek() - 1;
}

QList<QDate> editDates(const QDateTime &now)
{
    // The day as a whole number, rounded to the nearest one: from noon on it is the next day.
    const QDate first = now.time().hour() >= 12 ? now.date().addDays(1) : now.date();
    QList<QDate> dates;
    for (int i = 0; i < kEditDays; ++i)
        dates.append(first.addDays(i));
    return dates;
}

QStringList durationChoices(int defaultMinutes)
{
    QStringList choices;
    for (int i = 1; i <= 10; ++i)
        choices.append(QString::number(i * defaultMinutes));
    return choices;
}

QString presetEmergencyTime(const QStringList &slotList, const QDate &day, const QString &workStart,
                            const QDateTime &now)
{
    const QString earliest = day == now.date() ? now.time().toString(kTimeFormat) : workStart;
    for (const QString &slot : slotList) {
        if (slot >= earliest) // "hh:mm" texts compare as the times they are
            return slot;
    }
    return now.time().toString(kTimeFormat);
}

TimeReading readTimeValue(const QString &text)
{
    TimeReading reading;
    const QString t = text.trimmed();
    reading.hasColon = t.contains(u':');
    if (reading.hasColon) {
        // A time, alone or after a date.
        QString clock = t;
        if (const qsizetype space = t.indexOf(u' '); space > 0 && readDate(t.left(space)).isValid())
            clock = t.sliced(space + 1).trimmed();
        reading.time = readClock(clock);
    } else if (readDate(t).isValid()) {
        reading.time = QTime(0, 0);
    }
    reading.readable = reading.time.isValid();
    if (!reading.readable)
        reading.failure = u"'%1' cannot be read as a time of day."_s.arg(t);
    return reading;
}

DurationReading readDuration(const QString &text)
{
    DurationReading reading;
    reading.minutes = parseUserNumberAs<std::int16_t>(text);
    if (!reading.minutes)
        reading.failure = u"'%1' is not a whole number of minutes."_s.arg(text.trimmed());
    return reading;
}

QDate readDate(const QString &text)
{
    const QString t = text.trimmed();
    static const QStringList forms{u"d.M.yyyy"_s, u"yyyy-M-d"_s, u"yyyyMMdd"_s};
    for (const QString &form : forms) {
        if (const QDate date = QDate::fromString(t, form); date.isValid())
            return date;
    }
    return {};
}

QString sendingProblem(const QList<TypedText> &fields)
{
    for (const TypedText &field : fields) {
        if (field.text.contains(u'|') || field.text.contains(u'\r') || field.text.contains(u'\n')
            || field.text.contains(u"/CMD"_s, Qt::CaseInsensitive))
            return kFramingMessage.arg(field.name);
        if (const QString lost = unsendable(field.text); !lost.isEmpty())
            return kCodePageMessage.arg(field.name, lost);
    }
    return {};
}

DelayPlan delayPlan(const QList<Record> &records, const QTime &emergencyStart, int emergencyMinutes)
{
    DelayPlan plan;
    int next = emergencyStart.msecsSinceStartOfDay() / 60000 + emergencyMinutes;
    for (const Record &record : records) {
        bool ok = false;
        const std::int32_t id = record.value(DelayField::AppointmentId).trimmed().toInt(&ok);
        if (!ok)
            continue; // a record without an id names nothing to move
        DelayMove move;
        move.id = id;
        move.from = recordTime(record.value(DelayField::Start));
        const QString surname = record.value(DelayField::Surname);
        const QString firstName = record.value(DelayField::FirstName);
        if (!surname.isEmpty())
            move.name = firstName.isEmpty() ? surname : surname + u", "_s + firstName;
        if (next >= kMinutesPerDay || !plan.unmoved.isEmpty()) {
            plan.unmoved.append(move);
            continue;
        }
        move.to = QTime(0, 0).addSecs(qint64(next) * 60);
        const int own = record.value(DelayField::Duration).trimmed().toInt(&ok);
        next += std::max(emergencyMinutes, ok ? own : 0);
        plan.moves.append(move);
    }
    return plan;
}
