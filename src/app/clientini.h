#pragma once

#include "core/session.h"
#include "link/usernumber.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <limits>
#include <optional>

// Client.ini in the application folder: eight lines, one value each, no keys. Lines 1 to 4 (main
// server, port, connect and command time-outs) are required; lines 5 to 8 (logon port, appointment
// system, second server and port) may be missing.
namespace ClientIni {

inline constexpr QStringView FileName = u"Client.ini";
inline constexpr int LineCount = 8;

// Error numbers in the classic BASIC runtime numbering; the error log and the error box show them.
inline constexpr std::int32_t ErrOverflow = 6;
inline constexpr std::int32_t ErrTypeMismatch = 13;
inline constexpr std::int32_t ErrFileNotFound = 53;
inline constexpr std::int32_t ErrPastEndOfFile = 62;
inline constexpr std::int32_t ErrFileAccess = 75;

// number 0 means success; otherwise number and text are what LogError records and shows.
struct Result
{
    std::int32_t number = 0;
    QString text;

    bool ok() const { return number == 0; }
};

QString path(const QString &appFolder);

// Reads the file into settings line by line. On failure in lines 1 to 4 the settings of the lines
// before the failing one are already set and stay set.
Result read(const QString &filePath, Settings &settings);

// The eight lines the configuration window would write for these settings.
QStringList linesOf(const Settings &settings);

// Replaces the file with the given lines (at most eight), each ended by CR LF. The old file stays
// untouched when the new one cannot be written completely.
Result write(const QString &filePath, const QStringList &lines);

} // namespace ClientIni

// Reads Client.ini from the application folder into the session's settings. On success the server in
// use becomes the main server's host; the caller reports a failure with LogError(..., "ReadINI").
ClientIni::Result ReadINI(Session &session, const QString &appFolder);
