#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>

#include <array>
#include <cstdint>

// The scheduler preferences of this workstation: a default appointment duration per modality
// button (also the length of a slot in the day view), the main working hours of each weekday
// (Monday 0 to Sunday 6), and four colours as &H00BBGGRR numbers: 0 not main working hours, 1 main
// working hours, 2 default appointment, 3 emergency appointment.
struct SchedulePrefs
{
    static constexpr int ButtonCount = 10;
    static constexpr int DayCount = 7;
    static constexpr int ColourCount = 4;
    // A duration that is missing, unreadable, 0 or less falls back to this: a slot of no length
    // would divide the day by zero.
    static constexpr std::int16_t FallbackDuration = 30;

    struct Hours
    {
        QTime start;
        QTime stop;
        bool operator==(const Hours &) const = default;
    };

    std::array<std::int16_t, ButtonCount> durations{};
    std::array<Hours, DayCount> hours{};
    std::array<quint32, ColourCount> colours{};

    bool operator==(const SchedulePrefs &) const = default;

    // What a workstation without a (complete) Schedule.ini uses.
    static SchedulePrefs defaults();
};

// The lookups the day view offers the booking windows and the preferences dialog.
// GetDuration: position n is 1-based (button n - 1); a position outside 1 to 10 gives the fallback.
std::int16_t GetDuration(const SchedulePrefs &prefs, int position);
// GetStart: an index above 6 is reduced by 7 until it is at most 6; a negative one gives "00:00".
QString GetStart(const SchedulePrefs &prefs, int weekday);
// GetStop: an index outside 0 to 6 gives "23:59".
QString GetStop(const SchedulePrefs &prefs, int weekday);
// GetBackColour: any index but 0 to 3 gives 0.
quint32 GetBackColour(const SchedulePrefs &prefs, int index);

// Schedule.ini in the application folder: 21 lines ended by CR LF, read by position. Lines 1 to 10
// "mod<k>_defaultduration=<minutes>" (the value is everything after the first 21 characters),
// 11 to 17 "default<d>=<hh:mm>-<hh:mm>", 18 to 21 "backcolor<c>=<number>".
namespace ScheduleIni {

QString path(const QString &appFolder);
// A missing file, a missing line or a value that cannot be read gives the default for that value.
SchedulePrefs read(const QString &appFolder);
SchedulePrefs parse(const QByteArray &bytes);
// The 21 lines, in the wire's code page.
QByteArray text(const SchedulePrefs &prefs);
// Replaces the file whole and atomically: a failed write leaves the old file. False with `error`
// set when it could not be written.
bool write(const QString &appFolder, const SchedulePrefs &prefs, QString *error);

} // namespace ScheduleIni
