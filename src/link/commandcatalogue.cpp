#include "commandcatalogue.h"

using namespace Qt::StringLiterals;

namespace {

using C = Command;
using K = FollowUpKind;
using S = Shape;

constexpr FollowUp timed(Command c) { return {c, K::Timed}; }
constexpr FollowUp untimed(Command c) { return {c, K::Untimed}; }
constexpr FollowUp fresh(Command c) { return {c, K::Fresh}; }
constexpr FollowUp sentAndClosed(Command c) { return {c, K::SentAndClosed}; }

constexpr bool kOnConnect = true;
constexpr bool kByHandler = false;

// Every command of the client: command, name, keyword, fixed argument word, reply shape, follow-ups,
// and whether the connect handler sends it. One row per Command, in the enumeration's order.
constexpr CommandEntry kCommands[] = {
    // patients
    {C::PATLIST, "PATLIST"_L1, "PATLIST"_L1, {}, S::StreamedRecords, {}, kOnConnect},
    {C::NEWPATID, "NEWPATID"_L1, "NewID"_L1, "tblPatienten"_L1, S::Number, {timed(C::PATID1)}, kOnConnect},
    {C::PATID1, "PATID1"_L1, "PATID1"_L1, {}, S::Number, {timed(C::NEWPAT)}, kByHandler},
    {C::NEWPAT, "NEWPAT"_L1, "PATNEW"_L1, {}, S::Number, {}, kByHandler},
    {C::PATUPDATE, "PATUPDATE"_L1, "PATUPDATE"_L1, {}, S::Number, {untimed(C::PATLIST)}, kOnConnect},
    // examinations
    {C::PATDATA, "PATDATA"_L1, "Patdata"_L1, {}, S::FirstEvent, {timed(C::REFPHYS)}, kOnConnect},
    {C::NEWSTDID, "NEWSTDID"_L1, "NewID"_L1, "tblStudies"_L1, S::Number, {timed(C::REFPHYS)}, kOnConnect},
    {C::REFPHYS, "REFPHYS"_L1, "RefPhys"_L1, "List"_L1, S::RecordsPerEvent,
     {timed(C::PROCDATA), fresh(C::STDLIST), fresh(C::NEWXRAYNO)}, kByHandler},
    {C::NEWUID, "NEWUID"_L1, "NEWUID"_L1, "NEWUID"_L1, S::FirstEvent, {timed(C::GETARCHIVEID)}, kOnConnect},
    {C::GETARCHIVEID, "GETARCHIVEID"_L1, "GetArchiveID"_L1, "X"_L1, S::Number, {timed(C::STDNEW)}, kByHandler},
    {C::STDNEW, "STDNEW"_L1, "STDNEW"_L1, {}, S::Number, {timed(C::PROCSAVE)}, kByHandler},
    {C::PROCSAVE, "PROCSAVE"_L1, "Procinsert"_L1, {}, S::Number, {timed(C::PROCSAVE)}, kByHandler},
    {C::PATDATAID, "PATDATAID"_L1, "Patdataid"_L1, {}, S::FirstEvent, {timed(C::REFPHYS)}, kByHandler},
    {C::STDLIST, "STDLIST"_L1, "Stdlist"_L1, {}, S::StreamedRecords, {}, kOnConnect},
    {C::STDDATA, "STDDATA"_L1, "Stddata"_L1, {}, S::FirstEvent, {timed(C::PATDATAID)}, kOnConnect},
    {C::PROCDATA, "PROCDATA"_L1, "Procdata"_L1, {}, S::RecordsPerEvent, {}, kByHandler},
    {C::STDUPDATE, "STDUPDATE"_L1, "Stdupdate"_L1, {}, S::Number, {timed(C::PROCUPDATE)}, kOnConnect},
    // A stored row is sent with this keyword, a new row with "Procinsert".
    {C::PROCUPDATE, "PROCUPDATE"_L1, "Procupdate"_L1, {}, S::Number, {timed(C::PROCUPDATE)}, kByHandler},
    {C::DELSTUDY, "DELSTUDY"_L1, "DelStudy"_L1, {}, S::WholeReply,
     {sentAndClosed(C::DELPROC), fresh(C::XRAYUPDATE2)}, kOnConnect},
    {C::DELPROC, "DELPROC"_L1, "DelProc"_L1, {}, S::NotRead, {}, kByHandler},
    // X-ray numbers
    {C::NEWXRAYNO, "NEWXRAYNO"_L1, "NewXRayNumber"_L1, "List"_L1, S::Number, {timed(C::XRAYUPDATE)}, kOnConnect},
    {C::XRAYUPDATE, "XRAYUPDATE"_L1, "XRayupdate"_L1, {}, S::WholeReply, {}, kByHandler},
    {C::XRAYUPDATE2, "XRAYUPDATE2"_L1, "XRayupdate2"_L1, {}, S::WholeReply, {}, kOnConnect},
    {C::FREEXRAY, "FREEXRAY"_L1, "FreeXRays"_L1, "List"_L1, S::Number, {}, kOnConnect},
    {C::EXISTXRAY, "EXISTXRAY"_L1, "ExistXRay"_L1, {}, S::Number, {}, kOnConnect},
    // procedure picker
    {C::PROCLIST, "PROCLIST"_L1, "Proclist"_L1, "List"_L1, S::StreamedRecords, {}, kOnConnect},
    {C::PROCCODE, "PROCCODE"_L1, "Proccode"_L1, {}, S::FirstEvent, {}, kOnConnect},
    // reference tables
    {C::REFPHYSALL, "REFPHYSALL"_L1, "Refphysall"_L1, "List"_L1, S::RecordsPerEvent, {}, kOnConnect},
    {C::REFNEWID, "REFNEWID"_L1, "NewID"_L1, "tblUeberweiser"_L1, S::Number, {}, kOnConnect},
    {C::REFUPDATE, "REFUPDATE"_L1, "Refphysupdate"_L1, {}, S::Number, {timed(C::REFPHYSALL)}, kOnConnect},
    {C::REFINSERT, "REFINSERT"_L1, "Refphysinsert"_L1, {}, S::Number, {timed(C::REFPHYSALL)}, kOnConnect},
    {C::DOCLIST, "DOCLIST"_L1, "Doclist"_L1, "List"_L1, S::RecordsPerEvent, {}, kOnConnect},
    {C::DOCUPDATE, "DOCUPDATE"_L1, "Docupdate"_L1, {}, S::Number, {timed(C::DOCLIST)}, kOnConnect},
    {C::DOCINSERT, "DOCINSERT"_L1, "Docinsert"_L1, {}, S::Number, {timed(C::DOCLIST)}, kOnConnect},
    {C::PROCLIST2, "PROCLIST2"_L1, "Proclist"_L1, "List"_L1, S::StreamedRecords, {}, kOnConnect},
    {C::ICD9UPDATE, "ICD9UPDATE"_L1, "ICD9Update"_L1, {}, S::Number, {timed(C::PROCLIST2)}, kOnConnect},
    {C::ICD9INSERT, "ICD9INSERT"_L1, "ICD9Insert"_L1, {}, S::Number, {timed(C::PROCLIST2)}, kOnConnect},
    // reports and dictation
    {C::NEWDOCID, "NEWDOCID"_L1, "NewID"_L1, "tblDocuments"_L1, S::Number, {untimed(C::DOCLIST2)}, kOnConnect},
    {C::DOCLIST2, "DOCLIST2"_L1, "Doclist"_L1, "List"_L1, S::RecordsPerEvent, {}, kOnConnect},
    {C::REPSEND, "REPSEND"_L1, "RepSend"_L1, {}, S::AnyReply, {fresh(C::SENDDOC)}, kOnConnect},
    {C::REPUPDATE, "REPUPDATE"_L1, "RepUpdate"_L1, {}, S::AnyReply, {fresh(C::SENDDOC)}, kOnConnect},
    {C::REPLOAD2, "REPLOAD2"_L1, "RepLoad2"_L1, {}, S::WholeReply, {}, kOnConnect},
    // The file transfers speak their own GET/PUT framing.
    {C::REPLOAD, "REPLOAD"_L1, {}, {}, S::FileTransfer, {fresh(C::REPLOAD2)}, kOnConnect},
    {C::SENDDOC, "SENDDOC"_L1, {}, {}, S::StatusWord, {}, kOnConnect},
    {C::WAVLOAD, "WAVLOAD"_L1, {}, {}, S::FileTransfer, {}, kOnConnect},
    {C::WAVSEND, "WAVSEND"_L1, "RepSend"_L1, {}, S::AnyReply, {fresh(C::SENDWAV)}, kOnConnect},
    {C::SENDWAV, "SENDWAV"_L1, {}, {}, S::StatusWord, {}, kOnConnect},
    // statistics
    {C::STAT001, "STAT001"_L1, "Stat001"_L1, {}, S::StatisticsStep, {untimed(C::STAT)}, kOnConnect},
    {C::STAT00113, "STAT00113"_L1, "Stat00113"_L1, {}, S::StatisticsStep, {untimed(C::STAT)}, kOnConnect},
    {C::STAT00237, "STAT00237"_L1, "Stat00237"_L1, {}, S::StatisticsStep, {untimed(C::STAT)}, kOnConnect},
    {C::STAT00393, "STAT00393"_L1, "STAT00393"_L1, {}, S::RecordsPerEvent, {untimed(C::STAT)}, kOnConnect},
    {C::STAT00394, "STAT00394"_L1, "STAT00394"_L1, {}, S::StatisticsStep, {untimed(C::STAT)}, kOnConnect},
    {C::STAT00400, "STAT00400"_L1, "STAT00400"_L1, {}, S::StatisticsStep, {untimed(C::STAT)}, kOnConnect},
    {C::STAT, "STAT"_L1, "Stat"_L1, {}, S::StatisticsStep, {untimed(C::STAT)}, kByHandler, true},
    // appointments
    {C::MODLIST, "MODLIST"_L1, "ModList"_L1, "List"_L1, S::RecordsPerEvent, {}, kOnConnect},
    {C::BODYLIST, "BODYLIST"_L1, "BodyList"_L1, "List"_L1, S::WholeReply, {}, kOnConnect},
    {C::TERMCOUNT, "TERMCOUNT"_L1, "TermCount"_L1, {}, S::WholeReply, {}, kOnConnect},
    {C::TERMLIST, "TERMLIST"_L1, "Termlist"_L1, {}, S::WholeReply, {}, kOnConnect},
    {C::TERMNEU, "TERMNEU"_L1, "TermNeu"_L1, {}, S::Number, {}, kOnConnect},
    {C::EMNEU, "EMNEU"_L1, "EmNeu"_L1, {}, S::Number, {}, kOnConnect},
    {C::TERMID, "TERMID"_L1, "TermId"_L1, {}, S::WholeReply, {fresh(C::CHECKAPP), fresh(C::EMINSERT)}, kOnConnect},
    {C::CHECKAPP, "CHECKAPP"_L1, "Termlist"_L1, {}, S::WholeReply, {}, kOnConnect},
    {C::EMINSERT, "EMINSERT"_L1, "EmInsert"_L1, {}, S::WholeReply, {fresh(C::CHECKAPP), fresh(C::APPUPDATE)}, kOnConnect},
    {C::APPUPDATE, "APPUPDATE"_L1, "AppUpdate"_L1, {}, S::AnyReply, {}, kOnConnect},
    {C::APPEDIT, "APPEDIT"_L1, "AppEdit"_L1, {}, S::AnyReply, {}, kOnConnect},
    {C::WEEKREC, "WEEKREC"_L1, "WeekRec"_L1, {}, S::WholeReply, {}, kOnConnect},
    {C::DELAPP, "DELAPP"_L1, "DELAPP"_L1, {}, S::WholeReply, {}, kOnConnect},
    {C::DELAPP2, "DELAPP2"_L1, "DELAPP2"_L1, {}, S::WholeReply, {}, kOnConnect},
    {C::TERMDEL, "TERMDEL"_L1, "TermDel"_L1, {}, S::AnyReply, {}, kOnConnect},
    // the hidden test command: the server answers with an error reply
    {C::ERROR, "ERROR"_L1, "Error"_L1, "Error"_L1, S::AnyReply, {}, kOnConnect},
};

// The rows and the enumeration cannot drift apart: each row sits at its command's index, and every
// follow-up names a command of the table.
constexpr bool rowsMatchCommands()
{
    if (std::size(kCommands) != std::size_t(CommandCount))
        return false;
    for (std::size_t i = 0; i < std::size(kCommands); ++i) {
        if (kCommands[i].command != Command(i) || kCommands[i].name.isEmpty())
            return false;
    }
    return true;
}
static_assert(rowsMatchCommands(), "every Command has its row, in the order of the enumeration");

} // namespace

namespace CommandCatalogue {

std::span<const CommandEntry> all()
{
    return kCommands;
}

const CommandEntry &entry(Command command)
{
    return kCommands[std::size_t(command)];
}

std::optional<Command> find(QStringView name)
{
    std::optional<Command> prefixMatch;
    for (const CommandEntry &row : kCommands) {
        if (row.namePrefix) {
            if (name.startsWith(row.name, Qt::CaseInsensitive))
                prefixMatch = row.command;
        } else if (name.compare(row.name, Qt::CaseInsensitive) == 0) {
            return row.command;
        }
    }
    return prefixMatch;
}

std::optional<FollowUpKind> followUpKind(Command from, Command to)
{
    for (const FollowUp &f : entry(from).followUps) {
        if (f.kind != FollowUpKind::None && f.command == to)
            return f.kind;
    }
    return std::nullopt;
}

} // namespace CommandCatalogue
