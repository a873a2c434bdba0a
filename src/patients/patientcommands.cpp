#include "patientcommands.h"

#include "patienthosts.h"
#include "patientrequests.h"

#include "core/hosts.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kNotInDatabase = u"'Folder No' not in database, please create new patient!"_s;
const QString kNewPatientNotSaved = u"New patient not saved, please retry!"_s;
const QString kFolderNoExists = u"New patient not saved!\r\nFolderNo. already exists in Database!"_s;
const QString kRegistered = u"New patient registered successfully!"_s;
const QString kNotRegistered = u"New patient not registered, please try again!"_s;

// The PATLIST reply: records stream into the patient list as they arrive; a reply without a single
// record line tells the user the patient is not registered.
class PatListReply : public ReplyHandler
{
public:
    PatListReply(Session &session, Prompter &prompter)
        : ReplyHandler(Shape::StreamedRecords)
        , m_session(session)
        , m_prompter(prompter)
    {
        m_stream = streamedRecords(
            [this](CommandLink &, const RecordBatch &records) {
                m_lines += records.size();
                PatListInsert(m_session, records);
            },
            [this](CommandLink &) {
                PatientListHost *host = targetHost<PatientListHost>(m_session);
                if (host)
                    host->patientListComplete();
                if (m_lines > 0)
                    return;
                m_prompter.information(kTitle, kNotInDatabase);
                // The box may have outlived the window.
                if ((host = targetHost<PatientListHost>(m_session)))
                    host->noPatientFound();
            });
    }

    void begin() override
    {
        m_lines = 0;
        m_stream->begin();
    }

    Progress onData(CommandLink &link, const QByteArray &piece) override { return m_stream->onData(link, piece); }

private:
    Session &m_session;
    Prompter &m_prompter;
    HandlerPtr m_stream;
    qsizetype m_lines = 0;
};

// The command ends without a word: the window it works for has been closed, or the server refused an
// update, which the unchanged window shows well enough.
void abandon(CommandLink &link)
{
    link.CloseSocket();
    link.ResetPointers();
}

} // namespace

void PatListInsert(Session &session, const RecordBatch &records)
{
    if (PatientListHost *host = targetHost<PatientListHost>(session))
        host->addPatientRecords(records);
}

void bindPatientCommands(CommandLink &link, Session &session, Prompter &prompter)
{
    link.bind(
        Command::PATLIST,
        [&session](CommandLink &l) { l.send(PatListRequest(session.SearchFolderNo, session.SearchSurname)); },
        std::make_shared<PatListReply>(session, prompter));

    link.bind(Command::NEWPATID, [](CommandLink &l) { l.send(NewPatIdRequest()); },
              numberReply([&session, &prompter](CommandLink &l, std::int32_t id) {
                  const PatientRegistrationHost *host = targetHost<PatientRegistrationHost>(session);
                  if (!host)
                      return abandon(l);
                  if (id == 0) {
                      l.CloseSocket();
                      prompter.warning(NewPatientCaption.toString(), kNewPatientNotSaved);
                      l.ResetPointers();
                      return;
                  }
                  session.WorkNumber = id;
                  l.follow(Command::PATID1, PatId1Request(host->savingDetails().FolderNo));
              }));

    link.bind(Command::PATID1, {}, numberReply([&session, &prompter](CommandLink &l, std::int32_t taken) {
                  const PatientRegistrationHost *host = targetHost<PatientRegistrationHost>(session);
                  if (!host)
                      return abandon(l);
                  if (taken == 0) {
                      l.follow(Command::NEWPAT, NewPatRequest(session.WorkNumber, host->savingDetails()));
                      return;
                  }
                  l.CloseSocket();
                  prompter.warning(kTitle, kFolderNoExists);
                  l.ResetPointers();
              }));

    link.bind(Command::NEWPAT, {}, numberReply([&session, &prompter](CommandLink &l, std::int32_t result) {
                  l.CloseSocket();
                  if (result == 1) {
                      prompter.information(kTitle, kRegistered);
                      l.ResetPointers();
                      if (PatientRegistrationHost *host = targetHost<PatientRegistrationHost>(session))
                          host->registrationDone();
                      return;
                  }
                  // The window keeps the typed data for another attempt.
                  prompter.information(kTitle, kNotRegistered);
                  l.ResetPointers();
              }));

    link.bind(
        Command::PATUPDATE,
        [&session](CommandLink &l) {
            const PatientUpdateHost *host = targetHost<PatientUpdateHost>(session);
            if (!host)
                return abandon(l);
            l.send(PatUpdateRequest(host->updateDetails()));
        },
        numberReply([&session](CommandLink &l, std::int32_t saved) {
            PatientUpdateHost *host = targetHost<PatientUpdateHost>(session);
            if (saved != 1 || !host)
                return abandon(l);
            // The refreshed list is the confirmation: the last search again, on this connection.
            host->clearPatientRows();
            l.follow(Command::PATLIST, PatListRequest(session.SearchFolderNo, session.SearchSurname));
        }));
}
