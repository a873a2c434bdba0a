#include "commandcatalogue.h"

using namespace Qt::StringLiterals;

namespace {

using K = FollowUpKind;
using S = Shape;

constexpr FollowUp timed(QLatin1StringView c) { return {c, K::Timed}; }
constexpr FollowUp untimed(QLatin1StringView c) { return {c, K::Untimed}; }
constexpr FollowUp fresh(QLatin1StringView c) { return {c, K::Fresh}; }
constexpr FollowUp sentAndClosed(QLatin1StringView c) { return {c, K::SentAndClosed}; }

constexpr bool kOnConnect = true;
constexpr bool kByHandler = false;

// Every command of the client: name, keyword, fixed argument word, reply shape, follow-ups, and
// whether the connect handler sends it. The order carries no meaning.
const CommandEntry kCommands[] = {
    // patients
    {"PATLIST"_L1, "PATLIST"_L1, {}, S::StreamedRecords, {}, kOnConnect},
    {"NEWPATID"_L1, "NewID"_L1, "tblPatienten"_L1, S::Number, {timed("PATID1"_L1)}, kOnConnect},
    {"PATID1"_L1, "PATID1"_L1, {}, S::Number, {timed("NEWPAT"_L1)}, kByHandler},
    {"NEWPAT"_L1, "PATNEW"_L1, {}, S::Number, {}, kByHandler},
    {"PATUPDATE"_L1, "PATUPDATE"_L1, {}, S::Number, {untimed("PATLIST"_L1)}, kOnConnect},
    // examinations
    {"PATDATA"_L1, "Patdata"_L1, {}, S::FirstEvent, {timed("REFPHYS"_L1)}, kOnConnect},
    {"NEWSTDID"_L1, "NewID"_L1, "tblStudies"_L1, S::Number, {timed("REFPHYS"_L1)}, kOnConnect},
    {"REFPHYS"_L1, "RefPhys"_L1, "List"_L1, S::RecordsPerEvent,
     {timed("PROCDATA"_L1), fresh("STDLIST"_L1), fresh("NEWXRAYNO"_L1)}, kByHandler},
    {"NEWUID"_L1, "NEWUID"_L1, "NEWUID"_L1, S::FirstEvent, {timed("GETARCHIVEID"_L1)}, kOnConnect},
    {"GETARCHIVEID"_L1, "GetArchiveID"_L1, "X"_L1, S::Number, {timed("STDNEW"_L1)}, kByHandler},
    {"STDNEW"_L1, "STDNEW"_L1, {}, S::Number, {timed("PROCSAVE"_L1)}, kByHandler},
    {"PROCSAVE"_L1, "Procinsert"_L1, {}, S::Number, {timed("PROCSAVE"_L1)}, kByHandler},
    {"PATDATAID"_L1, "Patdataid"_L1, {}, S::FirstEvent, {timed("REFPHYS"_L1)}, kByHandler},
    {"STDLIST"_L1, "Stdlist"_L1, {}, S::StreamedRecords, {}, kOnConnect},
    {"STDDATA"_L1, "Stddata"_L1, {}, S::FirstEvent, {timed("PATDATAID"_L1)}, kOnConnect},
    {"PROCDATA"_L1, "Procdata"_L1, {}, S::RecordsPerEvent, {}, kByHandler},
    {"STDUPDATE"_L1, "Stdupdate"_L1, {}, S::Number, {timed("PROCUPDATE"_L1)}, kOnConnect},
    // A stored row is sent with this keyword, a new row with "Procinsert".
    {"PROCUPDATE"_L1, "Procupdate"_L1, {}, S::Number, {timed("PROCUPDATE"_L1)}, kByHandler},
    {"DELSTUDY"_L1, "DelStudy"_L1, {}, S::WholeReply,
     {sentAndClosed("DELPROC"_L1), fresh("XRAYUPDATE2"_L1)}, kOnConnect},
    {"DELPROC"_L1, "DelProc"_L1, {}, S::NotRead, {}, kByHandler},
    // X-ray numbers
    {"NEWXRAYNO"_L1, "NewXRayNumber"_L1, "List"_L1, S::Number, {timed("XRAYUPDATE"_L1)}, kOnConnect},
    {"XRAYUPDATE"_L1, "XRayupdate"_L1, {}, S::WholeReply, {}, kByHandler},
    {"XRAYUPDATE2"_L1, "XRayupdate2"_L1, {}, S::WholeReply, {}, kOnConnect},
    {"FREEXRAY"_L1, "FreeXRays"_L1, "List"_L1, S::Number, {}, kOnConnect},
    {"EXISTXRAY"_L1, "ExistXRay"_L1, {}, S::Number, {}, kOnConnect},
    // procedure picker
    {"PROCLIST"_L1, "Proclist"_L1, "List"_L1, S::StreamedRecords, {}, kOnConnect},
    {"PROCCODE"_L1, "Proccode"_L1, {}, S::FirstEvent, {}, kOnConnect},
    // reference tables
    {"REFPHYSALL"_L1, "Refphysall"_L1, "List"_L1, S::RecordsPerEvent, {}, kOnConnect},
    {"REFNEWID"_L1, "NewID"_L1, "tblUeberweiser"_L1, S::Number, {}, kOnConnect},
    {"REFUPDATE"_L1, "Refphysupdate"_L1, {}, S::Number, {timed("REFPHYSALL"_L1)}, kOnConnect},
    {"REFINSERT"_L1, "Refphysinsert"_L1, {}, S::Number, {timed("REFPHYSALL"_L1)}, kOnConnect},
    {"DOCLIST"_L1, "Doclist"_L1, "List"_L1, S::RecordsPerEvent, {}, kOnConnect},
    {"DOCUPDATE"_L1, "Docupdate"_L1, {}, S::Number, {timed("DOCLIST"_L1)}, kOnConnect},
    {"DOCINSERT"_L1, "Docinsert"_L1, {}, S::Number, {timed("DOCLIST"_L1)}, kOnConnect},
    {"PROCLIST2"_L1, "Proclist"_L1, "List"_L1, S::StreamedRecords, {}, kOnConnect},
    {"ICD9UPDATE"_L1, "ICD9Update"_L1, {}, S::Number, {timed("PROCLIST2"_L1)}, kOnConnect},
    {"ICD9INSERT"_L1, "ICD9Insert"_L1, {}, S::Number, {timed("PROCLIST2"_L1)}, kOnConnect},
    // reports and dictation
    {"NEWDOCID"_L1, "NewID"_L1, "tblDocuments"_L1, S::Number, {untimed("DOCLIST2"_L1)}, kOnConnect},
    {"DOCLIST2"_L1, "Doclist"_L1, "List"_L1, S::RecordsPerEvent, {}, kOnConnect},
    {"REPSEND"_L1, "RepSend"_L1, {}, S::AnyReply, {fresh("SENDDOC"_L1)}, kOnConnect},
    {"REPUPDATE"_L1, "RepUpdate"_L1, {}, S::AnyReply, {fresh("SENDDOC"_L1)}, kOnConnect},
    {"REPLOAD2"_L1, "RepLoad2"_L1, {}, S::WholeReply, {}, kOnConnect},
    // The file transfers speak their own GET/PUT framing.
    {"REPLOAD"_L1, {}, {}, S::FileTransfer, {fresh("REPLOAD2"_L1)}, kOnConnect},
    {"SENDDOC"_L1, {}, {}, S::StatusWord, {}, kOnConnect},
    {"WAVLOAD"_L1, {}, {}, S::FileTransfer, {}, kOnConnect},
    {"WAVSEND"_L1, "RepSend"_L1, {}, S::AnyReply, {fresh("SENDWAV"_L1)}, kOnConnect},
    {"SENDWAV"_L1, {}, {}, S::StatusWord, {}, kOnConnect},
    // statistics
    {"STAT001"_L1, "Stat001"_L1, {}, S::StatisticsStep, {untimed("STAT"_L1)}, kOnConnect},
    {"STAT00113"_L1, "Stat00113"_L1, {}, S::StatisticsStep, {untimed("STAT"_L1)}, kOnConnect},
    {"STAT00237"_L1, "Stat00237"_L1, {}, S::StatisticsStep, {untimed("STAT"_L1)}, kOnConnect},
    {"STAT00393"_L1, "STAT00393"_L1, {}, S::RecordsPerEvent, {untimed("STAT"_L1)}, kOnConnect},
    {"STAT00394"_L1, "STAT00394"_L1, {}, S::StatisticsStep, {untimed("STAT"_L1)}, kOnConnect},
    {"STAT00400"_L1, "STAT00400"_L1, {}, S::StatisticsStep, {untimed("STAT"_L1)}, kOnConnect},
    {"STAT"_L1, "Stat"_L1, {}, S::StatisticsStep, {untimed("STAT"_L1)}, kByHandler, true},
    // appointments
    {"MODLIST"_L1, "ModList"_L1, "List"_L1, S::RecordsPerEvent, {}, kOnConnect},
    {"BODYLIST"_L1, "BodyList"_L1, "List"_L1, S::WholeReply, {}, kOnConnect},
    {"TERMCOUNT"_L1, "TermCount"_L1, {}, S::WholeReply, {}, kOnConnect},
    {"TERMLIST"_L1, "Termlist"_L1, {}, S::WholeReply, {}, kOnConnect},
    {"TERMNEU"_L1, "TermNeu"_L1, {}, S::Number, {}, kOnConnect},
    {"EMNEU"_L1, "EmNeu"_L1, {}, S::Number, {}, kOnConnect},
    {"TERMID"_L1, "TermId"_L1, {}, S::WholeReply, {fresh("CHECKAPP"_L1), fresh("EMINSERT"_L1)}, kOnConnect},
    {"CHECKAPP"_L1, "Termlist"_L1, {}, S::WholeReply, {}, kOnConnect},
    {"EMINSERT"_L1, "EmInsert"_L1, {}, S::WholeReply, {fresh("CHECKAPP"_L1), fresh("APPUPDATE"_L1)}, kOnConnect},
    {"APPUPDATE"_L1, "AppUpdate"_L1, {}, S::AnyReply, {}, kOnConnect},
    {"APPEDIT"_L1, "AppEdit"_L1, {}, S::AnyReply, {}, kOnConnect},
    {"WEEKREC"_L1, "WeekRec"_L1, {}, S::WholeReply, {}, kOnConnect},
    {"DELAPP"_L1, "DELAPP"_L1, {}, S::WholeReply, {}, kOnConnect},
    {"DELAPP2"_L1, "DELAPP2"_L1, {}, S::WholeReply, {}, kOnConnect},
    {"TERMDEL"_L1, "TermDel"_L1, {}, S::AnyReply, {}, kOnConnect},
    // the hidden test command: the server answers with an error reply
    {"ERROR"_L1, "Error"_L1, "Error"_L1, S::AnyReply, {}, kOnConnect},
};

} // namespace

namespace CommandCatalogue {

std::span<const CommandEntry> all()
{
    return kCommands;
}

const CommandEntry *find(QStringView name)
{
    const CommandEntry *prefixMatch = nullptr;
    for (const CommandEntry &entry : kCommands) {
        if (entry.namePrefix) {
            if (name.startsWith(entry.name, Qt::CaseInsensitive))
                prefixMatch = &entry;
        } else if (name.compare(entry.name, Qt::CaseInsensitive) == 0) {
            return &entry;
        }
    }
    return prefixMatch;
}

} // namespace CommandCatalogue
