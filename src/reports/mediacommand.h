#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// One media command string read into its parts. The forms understood (keywords and aliases in any
// case, blanks between words; a path in double quotes may hold blanks, an unquoted one runs to the
// end of its place):
//   open new type waveaudio alias <alias>
//   open waveaudio!<path> alias <alias>
//   close <alias> | close all
//   record <alias> [from <ms>] [insert | overwrite]
//   play <alias> [from <ms>]
//   pause <alias> | stop <alias>
//   status <alias> position | length | mode
//   save <alias> <path>
// Millisecond values are decimal digits; leading zeros are allowed ("from 04500" is 4500).
struct MediaCommand
{
    enum class Verb { OpenNew, OpenFile, Close, CloseAll, Rec, Play, Pause, Stop, Status, Save };
    enum class Item { Position, Length, Mode };
    enum class RecordMode { Insert, Overwrite };

    Verb verb = Verb::CloseAll;
    QString alias; // lower case
    QString path;  // OpenFile, Save: without the quotes
    std::optional<qint64> from;
    Item item = Item::Position;
    RecordMode recordMode = RecordMode::Insert;

    // Reads a command; nothing when it is not one of the forms above, and `error` says why.
    static std::optional<MediaCommand> parse(QStringView text, QString *error);

    // A path as it goes into a command: in double quotes, so a folder with blanks stays one path.
    static QString quoted(const QString &path);
};
