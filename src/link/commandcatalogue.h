#pragma once

#include "replyshapes.h"

#include <QLatin1StringView>
#include <QStringView>

#include <array>
#include <span>

// How a reply handler hands over to the next command.
enum class FollowUpKind {
    Timed,         // on the open connection, with the command time-out
    Untimed,       // on the open connection, without a time-out
    SentAndClosed, // a last request on the open connection, its reply not read
    Fresh,         // on a new connection
};

struct FollowUp
{
    QLatin1StringView command;
    FollowUpKind kind = FollowUpKind::Timed;
};

// One command the client exchanges with the department server.
struct CommandEntry
{
    QLatin1StringView name;           // the command name, upper case
    QLatin1StringView keyword;        // request head: "CMD" + keyword + "|"; empty for GET/PUT framing
    QLatin1StringView fixedArguments; // the word sent in place of arguments ("List", "X", ...), if any
    Shape shape;
    std::array<FollowUp, 3> followUps{}; // empty command names are unused slots
    bool sentOnConnect = true;        // false: only ever sent by a reply handler or its own sender
    bool namePrefix = false;          // the name is a prefix: "STAT" + step

    bool hasFollowUps() const { return !followUps[0].command.isEmpty(); }
};

namespace CommandCatalogue {

std::span<const CommandEntry> all();
// Looks a command up by name, without regard to case; names starting with "STAT" that are not in the
// table are statistics steps.
const CommandEntry *find(QStringView name);
inline const CommandEntry *find(QLatin1StringView name) { return find(QStringView(QString(name))); }

} // namespace CommandCatalogue
