#include "scheduleprefs.h"

#include "link/usernumber.h"
#include "link/wirecodec.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kDurationKeyLength = 21; // "mod0_defaultduration="
constexpr quint32 kLargestColour = 0xFFFFFF;

const QString kTimeFormat = u"HH:mm"_s;

// A time of day as the file holds it: "hh:mm", with or without leading zeros and seconds.
QTime fileTime(QStringView text)
{
    const QString t = text.trimmed().toString();
    for (const QString &form : {u"H:m"_s, u"H:m:s"_s}) {
        if (const QTime time = QTime::fromString(t, form); time.isValid())
            return time;
    }
    return {};
}

// The file's lines; CR LF ends them, a bare LF or CR reads the same.
QStringList lines(const QString &text)
{
    QStringList out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        out.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        out.append(text.sliced(start));
    return out;
}

QStringView afterEquals(const QString &line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QStringView() : QStringView(line).sliced(eq + 1);
}

} // namespace

SchedulePrefs SchedulePrefs::defaults()
{
    SchedulePrefs prefs;
    prefs.durations.fill(FallbackDuration);
    for (int d = 0; d < DayCount; ++d)
        prefs.hours[std::size_t(d)] = d < 5 ? Hours{QTime(8, 0), QTime(17, 0)} : Hours{QTime(8, 0), QTime(12, 0)};
    // The colours the preferences dialog offers first: light yellow, olive, orange, red.
    prefs.colours = {0x0080FFFF, 0x0000C0C0, 0x000080FF, 0x000000FF};
    return prefs;
}

std::int16_t GetDuration(const SchedulePrefs &prefs, int position)
{
    if (position < 1 || position > SchedulePrefs::ButtonCount)
        return SchedulePrefs::FallbackDuration;
    const std::int16_t minutes = prefs.durations[std::size_t(position - 1)];
    return minutes > 0 ? minutes : SchedulePrefs::FallbackDuration;
}

QString GetStart(const SchedulePrefs &prefs, int weekday)
{
    if (weekday < 0)
        return u"00:00"_s;
    while (weekday > 6)
        weekday -= 7;
    return prefs.hours[std::size_t(weekday)].start.toString(kTimeFormat);
}

QString GetStop(const SchedulePrefs &prefs, int weekday)
{
    if (weekday < 0 || weekday > 6)
        return u"23:59"_s;
    return prefs.hours[std::size_t(weekday)].stop.toString(kTimeFormat);
}

quint32 GetBackColour(const SchedulePrefs &prefs, int index)
{
    if (index < 0 || index >= SchedulePrefs::ColourCount)
        return 0;
    return prefs.colours[std::size_t(index)];
}

namespace ScheduleIni {

QString path(const QString &appFolder)
{
    return QDir(appFolder).filePath(u"Schedule.ini"_s);
}

SchedulePrefs read(const QString &appFolder)
{
    QFile file(path(appFolder));
    if (!file.open(QIODevice::ReadOnly))
        return SchedulePrefs::defaults();
    return parse(file.readAll());
}

SchedulePrefs parse(const QByteArray &bytes)
{
    SchedulePrefs prefs = SchedulePrefs::defaults();
    const QStringList all = lines(WireCodec::decode(bytes));
    for (int k = 0; k < SchedulePrefs::ButtonCount && k < all.size(); ++k) {
        const QString &line = all.at(k);
        if (line.size() <= kDurationKeyLength)
            continue;
        const auto minutes = parseUserNumberAs<std::int16_t>(QStringView(line).sliced(kDurationKeyLength));
        if (minutes && *minutes > 0)
            prefs.durations[std::size_t(k)] = *minutes;
    }
    for (int d = 0; d < SchedulePrefs::DayCount; ++d) {
        const int at = SchedulePrefs::ButtonCount + d;
        if (at >= all.size())
            break;
        const QStringView value = afterEquals(all.at(at));
        const qsizetype dash = value.indexOf(u'-');
        if (dash < 0)
            continue;
        const QTime start = fileTime(value.left(dash));
        const QTime stop = fileTime(value.sliced(dash + 1));
        if (start.isValid() && stop.isValid())
            prefs.hours[std::size_t(d)] = {start, stop};
    }
    for (int c = 0; c < SchedulePrefs::ColourCount; ++c) {
        const int at = SchedulePrefs::ButtonCount + SchedulePrefs::DayCount + c;
        if (at >= all.size())
            break;
        const auto value = parseUserNumber(afterEquals(all.at(at)));
        if (value && *value >= 0 && *value <= kLargestColour)
            prefs.colours[std::size_t(c)] = quint32(*value);
    }
    return prefs;
}

QByteArray text(const SchedulePrefs &prefs)
{
    QString out;
    for (int k = 0; k < SchedulePrefs::ButtonCount; ++k)
        out += u"mod%1_defaultduration=%2\r\n"_s.arg(k).arg(prefs.durations[std::size_t(k)]);
    for (int d = 0; d < SchedulePrefs::DayCount; ++d) {
        const SchedulePrefs::Hours &h = prefs.hours[std::size_t(d)];
        out += u"default%1=%2-%3\r\n"_s.arg(d).arg(h.start.toString(kTimeFormat), h.stop.toString(kTimeFormat));
    }
    for (int c = 0; c < SchedulePrefs::ColourCount; ++c)
        out += u"backcolor%1=%2\r\n"_s.arg(c).arg(prefs.colours[std::size_t(c)]);
    return WireCodec::encode(out);
}

bool write(const QString &appFolder, const SchedulePrefs &prefs, QString *error)
{
    QSaveFile file(path(appFolder));
    const QByteArray bytes = text(prefs);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace ScheduleIni
