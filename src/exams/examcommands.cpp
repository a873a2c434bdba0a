#include "examcommands.h"

#include "examhosts.h"
#include "examrequests.h"
#include "examstate.h"

#include "core/hosts.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "link/replyhelpers.h"

using namespace Qt::StringLiterals;

const QString NewVisitCaption = u"New Examination (Visit)"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kNoStudyId = u"Cannot create new examination, please retry!"_s;
const QString kPatientNotFound = u"Patient/Folder No not found!"_s;
const QString kNoFreeNumber =
    u"No free Xray number is left in the table Xray, none has been reserved!\r\nPlease create new Xray Numbers!!"_s;
const QString kNoUid = u"Cannot save 'New Examination', no studyuid received"_s;
const QString kStudySaved = u"New examination/visit saved successfully!"_s;
const QString kStudyNotSaved = u"New examination/visit not saved, please try again"_s;
const QString kProceduresNotSaved = u"Procedure(s) not saved, please update examination/visit."_s;
const QString kStudyNotUpdated = u"Examination/Visit not updated, please retry."_s;
const QString kProceduresNotUpdated = u"Procedure(s) not saved successfully, please retry!"_s;
const QString kStudyUpdated = u"Examination/Visit updated succesfully!"_s;
const QString kStudyDeleted = u" current study deleted!"_s;

QByteArray line(Command command, const QString &arguments = {})
{
    return CommandLink::requestLine(command, arguments);
}

// The command ends without a word: the window it works for has gone.
void abandon(CommandLink &link)
{
    link.CloseSocket();
    link.ResetPointers();
}

ReferrerTarget targetOf(const Session &session)
{
    const ReferrerListHost *host = targetHost<ReferrerListHost>(session);
    return host ? host->referrerTarget() : ReferrerTarget::Other;
}

// The 1-based number of the first filled row after `after`; 0 when there is none.
int nextFilledRow(const QList<ProcedureRow> &rows, int after)
{
    for (int i = after; i < rows.size(); ++i) {
        if (rows.at(i).isFilled())
            return i + 1;
    }
    return 0;
}

// The procedure rows of an update, one request per filled row from the row after `after`; an
// unfilled row in between is skipped rather than taken for the end of the list.
void SendProcUpdate(CommandLink &link, Session &session, Prompter &prompter, int after)
{
    EditVisitDetailsHost *host = targetHost<EditVisitDetailsHost>(session);
    if (!host)
        return abandon(link);
    const ExamUpdate &update = host->savingUpdate();
    ExamState &state = session.state<ExamState>();
    const int row = nextFilledRow(update.rows, after);
    if (row == 0) {
        link.CloseSocket();
        link.ResetPointers();
        prompter.plain(kTitle, kStudyUpdated);
        if ((host = targetHost<EditVisitDetailsHost>(session)))
            host->updateDone();
        return;
    }
    state.ProcRow = row;
    link.follow(Command::PROCUPDATE, requestBytes(ProcUpdateString(update.rows.at(row - 1), update.FolderNo)));
}

void bindXRayCommands(CommandLink &link, Session &session, Prompter &prompter)
{
    link.bind(Command::FREEXRAY, [](CommandLink &l) { l.send(line(Command::FREEXRAY)); },
              numberReply([&session, &prompter](CommandLink &l, std::int32_t count) {
                  session.state<ExamState>().FreeXRayCount = count;
                  l.CloseSocket();
                  if (const QString warning = freeXRayWarning(count); !warning.isEmpty())
                      prompter.plain(kTitle, warning);
                  l.ResetPointers();
              }));

    link.bind(Command::NEWXRAYNO, [](CommandLink &l) { l.send(line(Command::NEWXRAYNO)); },
              numberReply([&session, &prompter](CommandLink &l, std::int32_t number) {
                  NewVisitHost *host = targetHost<NewVisitHost>(session);
                  if (!host)
                      return abandon(l);
                  if (number <= 0) {
                      // Nothing to reserve: a 0 shown as the number would be saved as one.
                      l.CloseSocket();
                      prompter.error(kTitle, kNoFreeNumber);
                      l.ResetPointers();
                      return;
                  }
                  session.WorkNumber = number;
                  host->xrayNumberDrawn(number);
                  l.follow(Command::XRAYUPDATE, line(Command::XRAYUPDATE, QString::number(session.WorkNumber)));
              }));

    // The acknowledgements are not examined.
    link.bind(Command::XRAYUPDATE, {}, wholeReply([](CommandLink &, const QString &) {}));
    link.bind(Command::XRAYUPDATE2,
              [&session](CommandLink &l) { l.send(line(Command::XRAYUPDATE2, QString::number(session.WorkNumber))); },
              wholeReply([](CommandLink &, const QString &) {}));

    link.bind(Command::EXISTXRAY,
              [&session](CommandLink &l) {
                  const NewVisitHost *host = targetHost<NewVisitHost>(session);
                  if (!host)
                      return abandon(l);
                  l.send(line(Command::EXISTXRAY, host->folderNumber()));
              },
              numberReply([&session](CommandLink &l, std::int32_t number) {
                  if (NewVisitHost *host = targetHost<NewVisitHost>(session))
                      host->setPreviousXRayNumber(number);
                  abandon(l);
              }));
}

void bindNewVisitCommands(CommandLink &link, Session &session, Prompter &prompter)
{
    link.bind(Command::NEWSTDID, [](CommandLink &l) { l.send(line(Command::NEWSTDID)); },
              numberReply([&session, &prompter](CommandLink &l, std::int32_t id) {
                  NewVisitHost *host = targetHost<NewVisitHost>(session);
                  // Only the two modes that asked for it use the id.
                  if (!host || (session.ActionCode != ActionCode::New && session.ActionCode != ActionCode::ExistingXRayNo))
                      return abandon(l);
                  if (id == 0) {
                      l.CloseSocket();
                      prompter.warning(NewVisitCaption, kNoStudyId);
                      l.ResetPointers();
                      return;
                  }
                  host->setStudyId(id);
                  l.follow(Command::REFPHYS, line(Command::REFPHYS));
              }));

    // Sent when the connection is up: the referrer field's own request (the chained ones are sent by
    // the handlers before it).
    link.bind(Command::REFPHYS, [](CommandLink &l) { l.send(line(Command::REFPHYS)); },
              recordsPerEventThenChain(
                  [&session](CommandLink &, const RecordBatch &records) {
                      if (ReferrerListHost *host = targetHost<ReferrerListHost>(session))
                          host->addReferrers(records);
                  },
                  [&session](CommandLink &l) {
                      ReferrerListHost *host = targetHost<ReferrerListHost>(session);
                      const bool reserved = host && host->holdsReservedXRayNumber();
                      switch (refPhysEnd(session.ActionCode, targetOf(session), reserved)) {
                      case RefPhysEnd::Close:
                          return abandon(l);
                      case RefPhysEnd::CloseAndShow:
                          l.CloseSocket();
                          host->referrerListComplete();
                          l.ResetPointers();
                          return;
                      case RefPhysEnd::CloseShowAndDrawNumber:
                          l.CloseSocket();
                          host->referrerListComplete();
                          l.ResetPointers();
                          l.follow(Command::NEWXRAYNO);
                          return;
                      case RefPhysEnd::ListExaminations:
                          l.follow(Command::STDLIST);
                          return;
                      case RefPhysEnd::LoadProcedures: {
                          host->referrerListComplete();
                          const EditVisitDetailsHost *edit = targetHost<EditVisitDetailsHost>(session);
                          if (!edit)
                              return abandon(l);
                          l.follow(Command::PROCDATA,
                                   line(Command::PROCDATA, StripLeadingZeros(edit->procedureXRayNumber())));
                          return;
                      }
                      }
                  }));

    link.bind(Command::PATDATA,
              [&session](CommandLink &l) {
                  const NewVisitHost *host = targetHost<NewVisitHost>(session);
                  if (!host)
                      return abandon(l);
                  l.send(line(Command::PATDATA, host->folderNumber()));
              },
              firstEvent([&session, &prompter](CommandLink &l, const QString &text) {
                  // PatDataFill.
                  const QList<Record> records = splitRecords(text);
                  if (records.isEmpty()) {
                      prompter.error(kTitle, kPatientNotFound);
                      if (NewVisitHost *host = targetHost<NewVisitHost>(session))
                          host->patientNotFound();
                  } else if (NewVisitHost *host = targetHost<NewVisitHost>(session)) {
                      host->showPatientData(records.first());
                  }
                  if (!targetHost<NewVisitHost>(session))
                      return abandon(l);
                  l.follow(Command::REFPHYS, line(Command::REFPHYS));
              }));

    link.bind(Command::STDLIST,
              [&session](CommandLink &l) {
                  l.send(line(Command::STDLIST, session.SearchXRayNo + u'|' + session.SearchFolderNo));
              },
              streamedRecords(
                  [&session](CommandLink &, const RecordBatch &records) {
                      if (VisitListHost *host = targetHost<VisitListHost>(session))
                          host->addVisitRecords(records);
                  },
                  [&session](CommandLink &) {
                      if (VisitListHost *host = targetHost<VisitListHost>(session))
                          host->visitListComplete();
                  }));
}

void bindPickerCommands(CommandLink &link, Session &session)
{
    // Every window with a procedure choice: the picker, and the single-procedure statistic.
    link.bind(Command::PROCLIST, [](CommandLink &l) { l.send(line(Command::PROCLIST)); },
              streamedRecords(
                  [&session](CommandLink &, const RecordBatch &records) {
                      if (ProcedureListHost *host = targetHost<ProcedureListHost>(session))
                          host->addProcedureRecords(records);
                  },
                  [&session](CommandLink &) {
                      if (ProcedureListHost *host = targetHost<ProcedureListHost>(session))
                          host->procedureListComplete();
                  }));

    // The connection stays open after the code: the next command closes it.
    link.bind(Command::PROCCODE,
              [&session](CommandLink &l) {
                  l.send(line(Command::PROCCODE, QString::number(session.state<ExamState>().ProcedureId)));
              },
              firstEvent([&session](CommandLink &l, const QString &code) {
                  if (ProcedurePickerHost *host = targetHost<ProcedurePickerHost>(session))
                      host->setProcedureCode(code);
                  l.ResetPointers();
              }));
}

void bindSaveCommands(CommandLink &link, Session &session, Prompter &prompter)
{
    link.bind(Command::NEWUID, [](CommandLink &l) { l.send(line(Command::NEWUID)); },
              firstEvent([&session, &prompter](CommandLink &l, const QString &uid) {
                  session.StudyUid = uid.trimmed();
                  if (session.StudyUid.isEmpty()) {
                      l.CloseSocket();
                      prompter.error(kTitle, kNoUid);
                      l.ResetPointers();
                      return;
                  }
                  l.follow(Command::GETARCHIVEID, line(Command::GETARCHIVEID));
              }));

    link.bind(Command::GETARCHIVEID, {}, numberReply([&session](CommandLink &l, std::int32_t archive) {
                  const NewVisitHost *host = targetHost<NewVisitHost>(session);
                  if (!host)
                      return abandon(l);
                  ExamState &state = session.state<ExamState>();
                  state.ArchiveId = archive == 0 ? 1 : archive;
                  l.follow(Command::STDNEW, requestBytes(StudyInsertString(host->savingExamination(), state.ArchiveId,
                                                                           session.StudyUid)));
              }));

    link.bind(Command::STDNEW, {}, numberReply([&session, &prompter](CommandLink &l, std::int32_t saved) {
                  if (saved != 1) {
                      // Rows without their examination would be filed under nothing or another one.
                      l.CloseSocket();
                      prompter.error(kTitle, kStudyNotSaved);
                      l.ResetPointers();
                      return;
                  }
                  prompter.information(kTitle, kStudySaved);
                  NewVisitHost *host = targetHost<NewVisitHost>(session);
                  if (!host)
                      return abandon(l);
                  host->examinationStored();
                  const QList<ProcedureRow> &rows = host->savingExamination().rows;
                  ExamState &state = session.state<ExamState>();
                  state.ProcRow = nextFilledRow(rows, 0);
                  if (state.ProcRow == 0)
                      return abandon(l); // no procedure picked: the window stays open
                  l.follow(Command::PROCSAVE, requestBytes(ProcInsertString(rows.at(state.ProcRow - 1))));
              }));

    link.bind(Command::PROCSAVE, {}, numberReply([&session, &prompter](CommandLink &l, std::int32_t saved) {
                  NewVisitHost *host = targetHost<NewVisitHost>(session);
                  if (!host)
                      return abandon(l);
                  if (saved != 1) {
                      l.CloseSocket();
                      prompter.error(kTitle, kProceduresNotSaved);
                      l.ResetPointers();
                      if ((host = targetHost<NewVisitHost>(session)))
                          host->saveChainEnded(NewVisitHost::SaveEnd::Close);
                      return;
                  }
                  const QList<ProcedureRow> &rows = host->savingExamination().rows;
                  ExamState &state = session.state<ExamState>();
                  const int next = nextFilledRow(rows, state.ProcRow);
                  if (next != 0) {
                      state.ProcRow = next;
                      l.follow(Command::PROCSAVE, requestBytes(ProcInsertString(rows.at(next - 1))));
                      return;
                  }
                  l.CloseSocket();
                  l.ResetPointers();
                  if (state.ProcRow == rows.size()) {
                      // The last row was a filled one: nothing was left for the appointment hand-over.
                      host->saveChainEnded(NewVisitHost::SaveEnd::Close);
                      return;
                  }
                  host->saveChainEnded(NewVisitHost::SaveEnd::Hide);
                  const bool book = std::exchange(state.BookAppointment, false);
                  if (book && state.OpenAppointmentSystem)
                      state.OpenAppointmentSystem();
              }));
}

void bindEditCommands(CommandLink &link, Session &session, Prompter &prompter)
{
    link.bind(Command::STDDATA, [&session](CommandLink &l) { l.send(line(Command::STDDATA, session.SearchXRayNo)); },
              firstEvent([&session, &prompter](CommandLink &l, const QString &text) {
                  // VisitDataFill.
                  const QList<Record> records = splitRecords(text);
                  if (records.isEmpty()) {
                      prompter.error(kTitle, kPatientNotFound);
                      if (EditVisitDetailsHost *host = targetHost<EditVisitDetailsHost>(session))
                          host->studyNotFound();
                  } else if (EditVisitDetailsHost *host = targetHost<EditVisitDetailsHost>(session)) {
                      host->showStudyData(records.first());
                  }
                  const EditVisitDetailsHost *host = targetHost<EditVisitDetailsHost>(session);
                  if (!host)
                      return abandon(l);
                  l.follow(Command::PATDATAID, line(Command::PATDATAID, host->patientId()));
              }));

    // The dialog shows the patient it was opened with: the record is not used.
    link.bind(Command::PATDATAID, {}, firstEvent([&session](CommandLink &l, const QString &) {
                  if (!targetHost<EditVisitDetailsHost>(session))
                      return abandon(l);
                  l.follow(Command::REFPHYS, line(Command::REFPHYS));
              }));

    link.bind(Command::PROCDATA, {},
              recordsPerEvent(
                  [&session](CommandLink &, const RecordBatch &records) {
                      if (EditVisitDetailsHost *host = targetHost<EditVisitDetailsHost>(session))
                          host->addProcedureRecords(records);
                  },
                  [&session](CommandLink &) {
                      if (EditVisitDetailsHost *host = targetHost<EditVisitDetailsHost>(session))
                          host->examinationLoaded();
                  }));

    link.bind(Command::STDUPDATE,
              [&session](CommandLink &l) {
                  const EditVisitDetailsHost *host = targetHost<EditVisitDetailsHost>(session);
                  if (!host)
                      return abandon(l);
                  l.send(line(Command::STDUPDATE, StudyUpdateString(host->savingUpdate())));
              },
              numberReply([&session, &prompter](CommandLink &l, std::int32_t saved) {
                  if (saved != 1) {
                      l.CloseSocket();
                      l.ResetPointers();
                      prompter.error(kTitle, kStudyNotUpdated);
                      return;
                  }
                  session.state<ExamState>().ProcRow = 0;
                  SendProcUpdate(l, session, prompter, 0);
              }));

    link.bind(Command::PROCUPDATE, {}, numberReply([&session, &prompter](CommandLink &l, std::int32_t saved) {
                  if (saved != 1) {
                      l.CloseSocket();
                      l.ResetPointers();
                      prompter.error(kTitle, kProceduresNotUpdated);
                      return;
                  }
                  SendProcUpdate(l, session, prompter, session.state<ExamState>().ProcRow);
              }));

    link.bind(Command::DELSTUDY,
              [&session](CommandLink &l) {
                  l.send(line(Command::DELSTUDY, QString::number(session.state<ExamState>().DeleteXRayNo)));
              },
              wholeReplyThenChain([&session, &prompter](CommandLink &l, const QString &reply) {
                  const std::int32_t number = session.state<ExamState>().DeleteXRayNo;
                  // Nothing deleted: the procedure rows stay, and the number stays with the examination.
                  const bool deleted = ExtractID(reply) > 0;
                  if (deleted)
                      l.follow(Command::DELPROC, line(Command::DELPROC, QString::number(number)));
                  else
                      l.CloseSocket();
                  prompter.plain(kTitle, StripReply(reply) + kStudyDeleted);
                  if (deleted) {
                      if (EditVisitDetailsHost *host = targetHost<EditVisitDetailsHost>(session))
                          host->deletionDone();
                  }
                  l.ResetPointers();
                  if (deleted) {
                      session.WorkNumber = number;
                      l.follow(Command::XRAYUPDATE2);
                  }
              }));

    link.bind(Command::DELPROC, {}, notRead());
}

} // namespace

void bindExamCommands(CommandLink &link, Session &session, Prompter &prompter)
{
    bindXRayCommands(link, session, prompter);
    bindNewVisitCommands(link, session, prompter);
    bindPickerCommands(link, session);
    bindSaveCommands(link, session, prompter);
    bindEditCommands(link, session, prompter);
}
