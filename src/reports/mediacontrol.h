#pragma once

#include <QString>

// The recorder drives its wave devices with text commands, one string at a time:
//   "open new type waveaudio alias capture", "record capture from 0", "play capture from 04500",
//   "pause capture", "status capture position", "save capture \"/path/Report.wav\"", "close all", ...
// Two logical devices are in use, "capture" (a new recording) and "sound" (a received dictation).
// Positions and lengths are milliseconds; a status command answers with decimal text.
class MediaControl
{
public:
    struct Reply
    {
        bool ok = true;
        QString text;  // the answer of a status command, decimal text; empty for the others
        QString error; // why the command failed

        // A status answer as a number of milliseconds: 0 when the command failed or gave no number,
        // as a reply buffer of blanks reads.
        qint64 number() const;
    };

    virtual ~MediaControl() = default;

    virtual Reply command(const QString &text) = 0;
};

inline qint64 MediaControl::Reply::number() const
{
    if (!ok)
        return 0;
    bool converted = false;
    const qint64 value = text.trimmed().toLongLong(&converted);
    return converted ? value : 0;
}
