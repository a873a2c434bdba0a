#include "patientcommands.h"

#include "editpatientwindow.h"
#include "newpatientwindow.h"
#include "patientlist.h"
#include "patientrequests.h"

#include "app/prompter.h"
#include "app/session.h"
#include "link/commandlink.h"

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kNotInDatabase = u"'Folder No' not in database, please create new patient!"_s;
const QString kNewPatientNotSaved = u"New patient not saved, please retry!"_s;
const QString kFolderNoExists = u"New patient not saved!\r\nFolderNo. already exists in Database!"_s;
const QString kRegistered = u"New patient registered successfully!"_s;
const QString kNotRegistered = u"New patient not registered, please try again!"_s;

// The PATLIST reply: records stream into PATList as they arrive; a reply without a single record
// line tells the user the patient is not registered.
class PatListReply : public ReplyHandler
{
public:
    PatListReply(Session &session, Prompter &prompter, std::function<void()> emptyResult)
        : ReplyHandler(Shape::StreamedRecords)
        , m_session(session)
        , m_prompter(prompter)
        , m_emptyResult(std::move(emptyResult))
    {
        m_stream = streamedRecords(
            [this](CommandLink &, const RecordBatch &records) {
                m_lines += records.size();
                PatListInsert(m_session, records);
            },
            [this](CommandLink &) {
                if (m_lines > 0)
                    return;
                m_prompter.information(kTitle, kNotInDatabase);
                if (m_emptyResult)
                    m_emptyResult();
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
    std::function<void()> m_emptyResult;
    HandlerPtr m_stream;
    qsizetype m_lines = 0;
};

template <typename Window>
Window *target(const Session &session)
{
    return qobject_cast<Window *>(session.TargetWindow.data());
}

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
    auto *window = qobject_cast<QWidget *>(session.TargetWindow.data());
    if (auto *list = window ? window->findChild<PatientList *>(u"PATList"_s) : nullptr)
        list->addRecords(records);
}

void bindPatientCommands(CommandLink &link, Session &session, Prompter &prompter, std::function<void()> emptyResult)
{
    link.bind(
        u"PATLIST"_s,
        [&session](CommandLink &l) { l.send(PatListRequest(session.SearchFolderNo, session.SearchSurname)); },
        std::make_shared<PatListReply>(session, prompter, std::move(emptyResult)));

    link.bind(u"NEWPATID"_s, [](CommandLink &l) { l.send(NewPatIdRequest()); },
              numberReply([&session, &prompter](CommandLink &l, std::int32_t id) {
                  const NewPatientWindow *window = target<NewPatientWindow>(session);
                  if (!window)
                      return abandon(l);
                  if (id == 0) {
                      l.CloseSocket();
                      prompter.warning(NewPatientWindow::Caption, kNewPatientNotSaved);
                      l.ResetPointers();
                      return;
                  }
                  session.WorkNumber = id;
                  l.chain(u"PATID1"_s, PatId1Request(window->savingDetails().FolderNo), CommandLink::Timing::Timed);
              }));

    link.bind(u"PATID1"_s, {}, numberReply([&session, &prompter](CommandLink &l, std::int32_t taken) {
                  const NewPatientWindow *window = target<NewPatientWindow>(session);
                  if (!window)
                      return abandon(l);
                  if (taken == 0) {
                      l.chain(u"NEWPAT"_s, NewPatRequest(session.WorkNumber, window->savingDetails()),
                              CommandLink::Timing::Timed);
                      return;
                  }
                  l.CloseSocket();
                  prompter.warning(kTitle, kFolderNoExists);
                  l.ResetPointers();
              }));

    link.bind(u"NEWPAT"_s, {}, numberReply([&session, &prompter](CommandLink &l, std::int32_t result) {
                  NewPatientWindow *window = target<NewPatientWindow>(session);
                  l.CloseSocket();
                  if (result == 1) {
                      prompter.information(kTitle, kRegistered);
                      l.ResetPointers();
                      if (window)
                          window->closeTask();
                      return;
                  }
                  // The window keeps the typed data for another attempt.
                  prompter.information(kTitle, kNotRegistered);
                  l.ResetPointers();
              }));

    link.bind(
        u"PATUPDATE"_s,
        [&session](CommandLink &l) {
            const EditPatientWindow *window = target<EditPatientWindow>(session);
            if (!window)
                return abandon(l);
            l.send(PatUpdateRequest(window->savingDetails()));
        },
        numberReply([&session](CommandLink &l, std::int32_t saved) {
            EditPatientWindow *window = target<EditPatientWindow>(session);
            if (saved != 1 || !window)
                return abandon(l);
            // The refreshed list is the confirmation: the last search again, on this connection.
            window->patientList().clearRows();
            l.chain(u"PATLIST"_s, PatListRequest(session.SearchFolderNo, session.SearchSurname),
                    CommandLink::Timing::Untimed);
        }));
}
