#pragma once

#include "replyshapes.h"

#include <QLatin1StringView>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// Every command the client exchanges with the department server. The enumerators are the command
// names; the catalogue below holds one row per enumerator, in this order.
enum class Command : std::uint8_t {
    // patients
    PATLIST, NEWPATID, PATID1, NEWPAT, PATUPDATE,
    // examinations
    PATDATA, NEWSTDID, REFPHYS, NEWUID, GETARCHIVEID, STDNEW, PROCSAVE, PATDATAID, STDLIST, STDDATA,
    PROCDATA, STDUPDATE, PROCUPDATE, DELSTUDY, DELPROC,
    // X-ray numbers
    NEWXRAYNO, XRAYUPDATE, XRAYUPDATE2, FREEXRAY, EXISTXRAY,
    // procedure picker
    PROCLIST, PROCCODE,
    // reference tables
    REFPHYSALL, REFNEWID, REFUPDATE, REFINSERT, DOCLIST, DOCUPDATE, DOCINSERT, PROCLIST2, ICD9UPDATE,
    ICD9INSERT,
    // reports and dictation
    NEWDOCID, DOCLIST2, REPSEND, REPUPDATE, REPLOAD2, REPLOAD, SENDDOC, WAVLOAD, WAVSEND, SENDWAV,
    // statistics: the first request of each walk, and STAT, the name prefix of every further step
    STAT001, STAT00113, STAT00237, STAT00393, STAT00394, STAT00400, STAT,
    // appointments
    MODLIST, BODYLIST, TERMCOUNT, TERMLIST, TERMNEU, EMNEU, TERMID, CHECKAPP, EMINSERT, APPUPDATE,
    APPEDIT, WEEKREC, DELAPP, DELAPP2, TERMDEL,
    // the hidden test command: the server answers with an error reply
    ERROR,
};
inline constexpr int CommandCount = int(Command::ERROR) + 1;

// How a reply handler hands over to the next command.
enum class FollowUpKind : std::uint8_t {
    None,          // an unused slot
    Timed,         // on the open connection, with the command time-out
    Untimed,       // on the open connection, without a time-out
    SentAndClosed, // a last request on the open connection, its reply not read
    Fresh,         // on a new connection
};

struct FollowUp
{
    Command command = Command::ERROR;
    FollowUpKind kind = FollowUpKind::None;
};

// One row of the catalogue.
struct CommandEntry
{
    Command command;
    QLatin1StringView name;           // the command name, upper case
    QLatin1StringView keyword;        // request head: "CMD" + keyword + "|"; empty for GET/PUT framing
    QLatin1StringView fixedArguments; // the word sent in place of arguments ("List", "X", ...), if any
    Shape shape;
    std::array<FollowUp, 3> followUps{}; // unused slots have kind None
    bool sentOnConnect = true;        // false: only ever sent by a reply handler or its own sender
    bool namePrefix = false;          // the name is a prefix: "STAT" + step

    bool hasFollowUps() const { return followUps[0].kind != FollowUpKind::None; }
};

namespace CommandCatalogue {

std::span<const CommandEntry> all();
const CommandEntry &entry(Command command);
inline QLatin1StringView name(Command command) { return entry(command).name; }

// Looks a command up by name, without regard to case; a name that starts with "STAT" and is not a
// row of its own is a statistics step.
std::optional<Command> find(QStringView name);

// The follow-up `from` declares for `to`; nothing when it declares none.
std::optional<FollowUpKind> followUpKind(Command from, Command to);

} // namespace CommandCatalogue
