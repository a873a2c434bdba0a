#include "tablecommands.h"

#include "tablehosts.h"
#include "tablerequests.h"
#include "tablerules.h"

#include "core/hosts.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"

#include <QList>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kLocationNotSaved = u"Changes not saved!"_s;
const QString kChangesNotSaved = u"Changes not saved, please try again!"_s;
const QString kProcedureNotSaved = u"New procedure not saved, please try again!"_s;

// The numbers the failures of a list filler are logged with: a field that is not there, a value of
// the wrong kind.
constexpr std::int32_t kMissingField = 9;
constexpr std::int32_t kWrongKind = 13;

// The first `count` records of a batch as a batch of their own.
RecordBatch leadingRecords(const RecordBatch &records, qsizetype count)
{
    QByteArray bytes;
    QList<std::pair<qsizetype, qsizetype>> lines;
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArrayView line = records.raw(i);
        lines.append({bytes.size(), line.size()});
        bytes.append(line);
    }
    return RecordBatch(std::move(bytes), std::move(lines));
}

// Why a record cannot make a row; nothing when it can.
using RecordCheck = std::optional<HandlerFailure> (*)(const Record &);

std::optional<HandlerFailure> checkLocation(const Record &fields)
{
    if (fields.size() < 3)
        return HandlerFailure(kMissingField, u"A referring location from the server has fewer than three fields: "_s
                                                 + fields.join(u'|'));
    if (!truthValue(fields.at(2)))
        return HandlerFailure(kWrongKind, u"The visibility flag '"_s + fields.at(2) + u"' of the referring location "_s
                                              + fields.at(0) + u" is not a truth value"_s);
    return std::nullopt;
}

std::optional<HandlerFailure> checkDoctor(const Record &fields)
{
    if (fields.size() < 2)
        return HandlerFailure(kMissingField, u"A doctor from the server has fewer than two fields: "_s
                                                 + fields.join(u'|'));
    return std::nullopt;
}

// Hands the readable records to the list; at the first that cannot be read the filling of this
// data event ends: the rows so far are shown, and the failure goes to the link, which reports it and
// closes the connection.
template <typename Add, typename Complete>
void fillChecked(const RecordBatch &records, RecordCheck check, Add add, Complete complete)
{
    for (qsizetype i = 0; i < records.size(); ++i) {
        std::optional<HandlerFailure> failure = check(records.at(i));
        if (!failure)
            continue;
        if (i > 0)
            add(leadingRecords(records, i));
        complete();
        throw *failure;
    }
    add(records);
}

// The command ends without a word: the window it works for has been closed.
void abandon(CommandLink &link)
{
    link.CloseSocket();
    link.ResetPointers();
}

// The reply of a table's save: 1 empties the list and reloads it on this connection; anything else
// closes, tells the host and shows the message.
template <typename Host>
void saveReply(CommandLink &link, Session &session, Prompter &prompter, std::int32_t result, Command reload,
               const QByteArray &reloadLine, void (Host::*saved)(), void (Host::*notSaved)(),
               const QString &message)
{
    Host *host = targetHost<Host>(session);
    if (!host)
        return abandon(link);
    if (result == 1) {
        (host->*saved)();
        link.follow(reload, reloadLine);
        return;
    }
    link.CloseSocket();
    (host->*notSaved)();
    link.ResetPointers();
    prompter.error(kTitle, message);
}

} // namespace

void FillLocations(Session &session, const RecordBatch &records)
{
    LocationTableHost *host = targetHost<LocationTableHost>(session);
    if (!host)
        return;
    fillChecked(
        records, checkLocation, [host](const RecordBatch &batch) { host->addLocationRecords(batch); },
        [host] { host->locationListComplete(); });
}

void FillDoctors(Session &session, const RecordBatch &records)
{
    DoctorTableHost *host = targetHost<DoctorTableHost>(session);
    if (!host)
        return;
    fillChecked(
        records, checkDoctor, [host](const RecordBatch &batch) { host->addDoctorRecords(batch); },
        [host] { host->doctorListComplete(); });
}

void FillProcedureTable(Session &session, const RecordBatch &records)
{
    if (ProcedureTableHost *host = targetHost<ProcedureTableHost>(session))
        host->addProcedureRecords(records);
}

void bindTableCommands(CommandLink &link, Session &session, Prompter &prompter)
{
    // --- referring locations

    link.bind(Command::REFPHYSALL, [](CommandLink &l) { l.send(RefPhysAllRequest()); },
              recordsPerEvent([&session](CommandLink &, const RecordBatch &records) { FillLocations(session, records); },
                              [&session](CommandLink &) {
                                  if (LocationTableHost *host = targetHost<LocationTableHost>(session))
                                      host->locationListComplete();
                              }));

    // The doctor dialog starts this request too; only the location dialog takes the id.
    link.bind(Command::REFNEWID, [](CommandLink &l) { l.send(RefNewIdRequest()); },
              numberReply([&session, &prompter](CommandLink &l, std::int32_t id) {
                  l.CloseSocket();
                  if (id > 0) {
                      if (LocationTableHost *host = targetHost<LocationTableHost>(session))
                          host->referrerIdDrawn(id);
                      l.ResetPointers();
                      return;
                  }
                  prompter.error(kTitle, u"ZEL-Server on '"_s + session.ServerHost + u"' does not respond correctly!"_s);
                  if (LocationTableHost *host = targetHost<LocationTableHost>(session))
                      host->referrerIdRefused();
                  l.ResetPointers();
              }));

    const auto sendLocation = [&session](QByteArray (*request)(const LocationEntry &)) {
        return [&session, request](CommandLink &l) {
            const LocationTableHost *host = targetHost<LocationTableHost>(session);
            if (!host)
                return abandon(l);
            l.send(request(host->savingLocation()));
        };
    };
    const auto locationSaved = [&session, &prompter](CommandLink &l, std::int32_t result) {
        saveReply(l, session, prompter, result, Command::REFPHYSALL, RefPhysAllRequest(), &LocationTableHost::locationSaved,
                  &LocationTableHost::locationNotSaved, kLocationNotSaved);
    };
    link.bind(Command::REFUPDATE, sendLocation(RefUpdateRequest), numberReply(locationSaved));
    link.bind(Command::REFINSERT, sendLocation(RefInsertRequest), numberReply(locationSaved));

    // --- doctors

    link.bind(Command::DOCLIST, [](CommandLink &l) { l.send(DocListRequest()); },
              recordsPerEvent([&session](CommandLink &, const RecordBatch &records) { FillDoctors(session, records); },
                              [&session](CommandLink &) {
                                  if (DoctorTableHost *host = targetHost<DoctorTableHost>(session))
                                      host->doctorListComplete();
                              }));

    const auto sendDoctor = [&session](QByteArray (*request)(const DoctorEntry &)) {
        return [&session, request](CommandLink &l) {
            const DoctorTableHost *host = targetHost<DoctorTableHost>(session);
            if (!host)
                return abandon(l);
            l.send(request(host->savingDoctor()));
        };
    };
    const auto doctorSaved = [&session, &prompter](CommandLink &l, std::int32_t result) {
        saveReply(l, session, prompter, result, Command::DOCLIST, DocListRequest(), &DoctorTableHost::doctorSaved,
                  &DoctorTableHost::doctorNotSaved, kChangesNotSaved);
    };
    link.bind(Command::DOCUPDATE, sendDoctor(DocUpdateRequest), numberReply(doctorSaved));
    link.bind(Command::DOCINSERT, sendDoctor(DocInsertRequest), numberReply(doctorSaved));

    // --- procedure codes

    link.bind(Command::PROCLIST2, [](CommandLink &l) { l.send(ProcList2Request()); },
              streamedRecords(
                  [&session](CommandLink &, const RecordBatch &records) { FillProcedureTable(session, records); },
                  [&session](CommandLink &) {
                      if (ProcedureTableHost *host = targetHost<ProcedureTableHost>(session))
                          host->procedureListComplete();
                  }));

    const auto sendProcedure = [&session](QByteArray (*request)(const ProcedureEntry &)) {
        return [&session, request](CommandLink &l) {
            const ProcedureTableHost *host = targetHost<ProcedureTableHost>(session);
            if (!host)
                return abandon(l);
            l.send(request(host->savingProcedure()));
        };
    };
    link.bind(Command::ICD9UPDATE, sendProcedure(ICD9UpdateRequest),
              numberReply([&session, &prompter](CommandLink &l, std::int32_t result) {
                  saveReply(l, session, prompter, result, Command::PROCLIST2, ProcList2Request(),
                            &ProcedureTableHost::procedureSaved, &ProcedureTableHost::procedureNotSaved, kChangesNotSaved);
              }));
    link.bind(Command::ICD9INSERT, sendProcedure(ICD9InsertRequest),
              numberReply([&session, &prompter](CommandLink &l, std::int32_t result) {
                  saveReply(l, session, prompter, result, Command::PROCLIST2, ProcList2Request(),
                            &ProcedureTableHost::procedureSaved, &ProcedureTableHost::procedureNotSaved, kProcedureNotSaved);
              }));
}
