#pragma once

#include <QString>
#include <QStringView>

// Recorder.ini in the application folder, read only: its first line, trimmed, is the record flag.
// "no" (exactly, lower case) keeps the user from recording and sending dictations; any other value,
// an empty line or a missing file allows both. Further lines are not read.
namespace RecorderIni {

inline constexpr QStringView FileName = u"Recorder.ini";

QString readRecordFlag(const QString &appFolder);
bool recordingAllowed(const QString &recordFlag);

} // namespace RecorderIni
