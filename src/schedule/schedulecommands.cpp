#include "schedulecommands.h"

#include "appointmentrecord.h"
#include "schedulehosts.h"
#include "schedulerequests.h"
#include "schedulerules.h"
#include "schedulestate.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "link/replyhelpers.h"

#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kEmergencyCaption = u"Emergency Appointment"_s;
const QString kNoModalities = u"No Modalities in database, please configure modality list!"_s;
const QString kNoBodyparts = u"No Bodyparts in database, please configure bodypart list!"_s;
const QString kRegistered = u"New appointment registered successfully!"_s;
const QString kNotRegistered = u"New appointment not registered, please try again!"_s;
const QString kEmergencyRegistered = u"New emergency appointment registered successfully!"_s;
const QString kEmergencyNotRegistered = u"New emergency appointment not registered, please try again!"_s;
const QString kDelayed = u"Other appointments have been delayed!"_s;
const QString kEdited = u"Appointment edit successfully"_s;
const QString kDeleted = u"Appointment delete succesfully!"_s;
const QString kDeletedCount = u" Appointments deleted!"_s;
const QString kNoEmergencyId =
    u"The emergency appointment is registered, but the server did not name it: no other appointment has been delayed."_s;
const QString kNotMoved =
    u"These appointments would be delayed past midnight and were left where they are; please rebook them:"_s;

// How often a running emergency looks whether its command is still on the link.
constexpr int kWatchMs = 500;

ScheduleState &stateOf(Session &session)
{
    return session.state<ScheduleState>();
}

QList<Record> recordsOf(const QString &text)
{
    return splitRecords(text);
}

// The MODLIST reply: each data event's records become an entry of ModalityList; a reply without a
// single record tells the user and opens nothing.
class ModListReply : public ReplyHandler
{
public:
    ModListReply(Session &session, Prompter &prompter, std::function<void()> showDayView)
        : ReplyHandler(Shape::RecordsPerEvent)
    {
        m_stream = recordsPerEvent(
            [this, &session](CommandLink &, const RecordBatch &records) {
                QStringList lines;
                for (qsizetype i = 0; i < records.size(); ++i)
                    lines.append(records.at(i).join(u'|'));
                m_records += records.size();
                stateOf(session).ModalityList.append(lines.join(u"\r\n"_s));
            },
            [this, &session, &prompter, showDayView = std::move(showDayView)](CommandLink &) {
                if (m_records == 0) {
                    stateOf(session).ModalityList.clear();
                    prompter.information(kTitle, kNoModalities);
                    return;
                }
                if (showDayView)
                    showDayView();
            });
    }

    void begin() override
    {
        m_records = 0;
        m_stream->begin();
    }
    Progress onData(CommandLink &link, const QByteArray &piece) override { return m_stream->onData(link, piece); }
    bool hasPendingEnd() const override { return m_stream->hasPendingEnd(); }
    Progress settle(CommandLink &link) override { return m_stream->settle(link); }

private:
    HandlerPtr m_stream;
    qsizetype m_records = 0;
};

// The emergency once it is registered: TERMID names it, EMINSERT lists the appointments it pushes
// back, and each of them is moved by an APPUPDATE of its own. The link runs one command at a time
// and a new one replaces the one in hand, so the moves go one after the other, each once the
// server has answered the one before; the message and the refresh of the day view come once, at
// the end. A command another window starts meanwhile is waited out, and the step it replaced is
// sent again (every step from TERMID on can be repeated without harm).
class EmergencyFlow : public QObject
{
public:
    EmergencyFlow(CommandLink &link, Session &session, Prompter &prompter)
        : QObject(&link), m_link(link), m_session(session), m_prompter(prompter)
    {
        m_watch.setInterval(kWatchMs);
        connect(&m_watch, &QTimer::timeout, this, &EmergencyFlow::check);
        // A command that ends resets the pointers: a moment to look whether the step is still ours.
        connect(&link, &CommandLink::busyEnded, this, [this] {
            if (stateOf(m_session).EmergencyRunning)
                QTimer::singleShot(0, this, &EmergencyFlow::check);
        });
    }

    void begin()
    {
        ScheduleState &s = stateOf(m_session);
        s.EmergencyRunning = true;
        s.EmergencyTerminID = 0;
        s.PendingDelays.clear();
        s.UnmovedDelays.clear();
        m_watch.start();
        run(Command::TERMID);
    }

    void named(std::int32_t id)
    {
        ScheduleState &s = stateOf(m_session);
        if (id <= 0) {
            end(kNoEmergencyId, Prompter::Icon::Error);
            return;
        }
        s.EmergencyTerminID = id;
        s.DelayStart = s.EmergencyTime.addSecs(qint64(s.EmergencyDuration) * 60);
        m_step = Command::EMINSERT;
        m_link.follow(Command::EMINSERT);
    }

    void listed(const QString &reply)
    {
        ScheduleState &s = stateOf(m_session);
        const DelayPlan plan = delayPlan(recordsOf(reply), s.EmergencyTime, s.EmergencyDuration);
        s.PendingDelays = plan.moves;
        s.UnmovedDelays = plan.unmoved;
        if (s.PendingDelays.isEmpty()) {
            end();
            return;
        }
        m_step = Command::APPUPDATE;
        prepareMove();
        m_link.follow(Command::APPUPDATE);
    }

    void moved()
    {
        ScheduleState &s = stateOf(m_session);
        m_link.CloseSocket();
        if (!s.PendingDelays.isEmpty()) {
            const DelayMove done = s.PendingDelays.takeFirst();
            s.MovedAppointments.insert(done.id, {s.EmergencyDate, s.EmergencyModality, done});
        }
        if (!s.PendingDelays.isEmpty()) {
            run(Command::APPUPDATE);
            return;
        }
        end(kDelayed, Prompter::Icon::Information);
    }

    void prepareMove()
    {
        ScheduleState &s = stateOf(m_session);
        if (s.PendingDelays.isEmpty())
            return;
        s.DelayStart = s.PendingDelays.constFirst().to;
        s.DelayTerminID = s.PendingDelays.constFirst().id;
    }

private:
    void run(Command step)
    {
        m_step = step;
        if (step == Command::APPUPDATE)
            prepareMove();
        m_link.StartCommand(step);
    }

    // The link is idle while the emergency is not finished: either its step ended without its
    // handler (a server error or a time-out, already reported: the flow ends there), or another
    // command replaced it and has finished (the step goes again).
    void check()
    {
        const ScheduleState &s = stateOf(m_session);
        if (!s.EmergencyRunning || m_link.phase() != CommandLink::Phase::Idle)
            return;
        if (m_link.command() == m_step) {
            end();
            return;
        }
        run(m_step);
    }

    // The emergency is done (or can go no further): its message, the moves it could not make, and
    // the day view shows the day as it now is.
    void end(const QString &message = {}, Prompter::Icon icon = Prompter::Icon::None)
    {
        ScheduleState &s = stateOf(m_session);
        if (!s.EmergencyRunning)
            return;
        s.EmergencyRunning = false;
        m_watch.stop();
        if (icon == Prompter::Icon::Information)
            m_prompter.information(s.MainCaption, message);
        else if (icon == Prompter::Icon::Error)
            m_prompter.error(kEmergencyCaption, message);
        if (!s.UnmovedDelays.isEmpty()) {
            QStringList lines{kNotMoved};
            for (const DelayMove &move : std::as_const(s.UnmovedDelays)) {
                lines.append(move.from.toString(u"HH:mm"_s) + u"  "_s + move.name + u" (#"_s
                             + QString::number(move.id) + u')');
            }
            s.UnmovedDelays.clear();
            m_prompter.warning(kEmergencyCaption, lines.join(u"\r\n"_s));
        }
        m_link.ResetPointers();
        if (DayViewHost *day = scheduleHost<DayViewHost>(s.DayView))
            day->refreshDay();
    }

    CommandLink &m_link;
    Session &m_session;
    Prompter &m_prompter;
    Command m_step = Command::TERMID;
    QTimer m_watch;
};

} // namespace

bool emergencyInHand(const CommandLink &link, const ScheduleState &state)
{
    if (state.EmergencyRunning)
        return true;
    return link.command() == Command::EMNEU && link.phase() != CommandLink::Phase::Idle;
}

void bindScheduleCommands(CommandLink &link, Session &session, Prompter &prompter, ScheduleShell shell)
{
    ScheduleState &state = stateOf(session);
    // A new link (a new login) has no emergency under way, whatever the last one left.
    state.EmergencyRunning = false;
    auto *flow = new EmergencyFlow(link, session, prompter);

    link.bind(Command::MODLIST, [](CommandLink &l) { l.send(ModListRequest()); },
              std::make_shared<ModListReply>(session, prompter, std::move(shell.showDayView)));

    link.bind(Command::BODYLIST, [](CommandLink &l) { l.send(BodyListRequest()); },
              wholeReply([&session, &prompter](CommandLink &, const QString &text) {
                  ScheduleState &s = stateOf(session);
                  BodyPartHost *host = nullptr;
                  switch (session.ActionCode) {
                  case ActionCode::NewAppointment: host = scheduleHost<BodyPartHost>(s.NewWindow); break;
                  case ActionCode::NewEmergencyAppointment: host = scheduleHost<BodyPartHost>(s.EmergencyWindow); break;
                  case ActionCode::EditAppointment: host = scheduleHost<BodyPartHost>(s.EditWindow); break;
                  default: break;
                  }
                  if (text.isEmpty()) {
                      prompter.information(kTitle, kNoBodyparts);
                  } else if (actionNumber(session.ActionCode) >= 100 && actionNumber(session.ActionCode) <= 102) {
                      QStringList parts;
                      for (const QString &line : text.split(u"\r\n"_s)) {
                          if (!line.isEmpty())
                              parts.append(line);
                      }
                      if (host)
                          host->addBodyParts(parts);
                      session.ActionCode = ActionCode::Empty;
                  }
                  if (host)
                      host->bodyPartsLoaded();
              }));

    link.bind(Command::TERMCOUNT, [&state](CommandLink &l) { l.send(TermCountRequest(state.ListDate, state.lAETID)); },
              wholeReply([&state](CommandLink &l, const QString &text) {
                  DayViewHost *day = scheduleHost<DayViewHost>(state.DayView);
                  state.TermCount = text.trimmed();
                  if (!day)
                      return;
                  // The count is this day's: none means an empty list, without asking for it.
                  if (state.TermCount == u"0"_s)
                      day->showAppointments({});
                  else
                      l.StartCommand(Command::TERMLIST);
              }));

    link.bind(Command::TERMLIST, [&state](CommandLink &l) { l.send(TermListRequest(state.ListDate, state.lAETID)); },
              wholeReply([&state](CommandLink &, const QString &text) {
                  if (DayViewHost *day = scheduleHost<DayViewHost>(state.DayView))
                      day->showAppointments(text);
              }));

    link.bind(Command::TERMNEU, [&state](CommandLink &l) { l.send(TermNeuRequest(state.Booking)); },
              numberReply([&state, &prompter](CommandLink &l, std::int32_t result) {
                  l.CloseSocket();
                  prompter.information(kTitle, result == 1 ? kRegistered : kNotRegistered);
                  l.ResetPointers();
                  if (BookingHost *host = scheduleHost<BookingHost>(state.NewWindow))
                      result == 1 ? host->bookingRegistered() : host->bookingRefused();
              }));

    link.bind(Command::EMNEU, [&state](CommandLink &l) { l.send(EmNeuRequest(state.Booking)); },
              numberReply([&state, &prompter, flow](CommandLink &l, std::int32_t result) {
                  l.CloseSocket();
                  prompter.information(kTitle, result == 1 ? kEmergencyRegistered : kEmergencyNotRegistered);
                  l.ResetPointers();
                  BookingHost *host = scheduleHost<BookingHost>(state.EmergencyWindow);
                  if (result != 1) {
                      if (host)
                          host->bookingRefused();
                      return;
                  }
                  if (host)
                      host->bookingRegistered();
                  // Registered: now the ones it pushes back move, whatever became of the window.
                  flow->begin();
              }));

    link.bind(Command::TERMID,
              [&state](CommandLink &l) {
                  l.send(TermIdRequest(state.EmergencyPatient, state.EmergencyDate.toString(u"yyyyMMdd"_s),
                                       state.EmergencyTime));
              },
              wholeReply([flow](CommandLink &, const QString &text) { flow->named(ExtractID(text)); }));

    // The day list of the emergency's day; its reply is not needed (the server checks nothing the
    // client could act on), so the emergency goes on to EMINSERT without it.
    link.bind(Command::CHECKAPP,
              [&state](CommandLink &l) { l.send(CheckAppRequest(state.EmergencyDate, state.EmergencyModality)); },
              wholeReply([](CommandLink &, const QString &) {}));

    link.bind(Command::EMINSERT,
              [&state](CommandLink &l) {
                  l.send(EmInsertRequest(state.EmergencyDate, state.EmergencyTime, state.EmergencyModality,
                                         state.EmergencyTerminID));
              },
              wholeReply([flow](CommandLink &, const QString &text) { flow->listed(text); }));

    link.bind(Command::APPUPDATE, [&state](CommandLink &l) { l.send(AppUpdateRequest(state.DelayStart, state.DelayTerminID)); },
              anyReply([flow](CommandLink &) { flow->moved(); }));

    link.bind(Command::APPEDIT, [&state](CommandLink &l) { l.send(AppEditRequest(state.Booking, state.CurrentTerminID)); },
              anyReply([&state, &prompter](CommandLink &l) {
                  l.CloseSocket();
                  prompter.information(state.MainCaption, kEdited);
                  l.ResetPointers();
                  if (EditAppointmentHost *host = scheduleHost<EditAppointmentHost>(state.EditWindow))
                      host->editSaved();
                  if (DayViewHost *day = scheduleHost<DayViewHost>(state.DayView))
                      day->refreshDay();
              }));

    link.bind(Command::WEEKREC, [&state](CommandLink &l) { l.send(WeekRecRequest(state.WeekTerminID)); },
              wholeReply([&session, &state](CommandLink &, const QString &text) {
                  const QList<Record> records = recordsOf(text);
                  if (records.isEmpty())
                      return;
                  const Record &r = records.constFirst();
                  BookingData &b = state.Booking;
                  bool ok = false;
                  b.PatientId = r.value(AppointmentField::PatientId);
                  if (const int modality = r.value(AppointmentField::Modality).toInt(&ok); ok)
                      b.ModalityId = modality;
                  b.Date = r.value(AppointmentField::Date);
                  if (const QTime time = recordTime(r.value(AppointmentField::Start)); time.isValid())
                      b.Time = time;
                  b.BodyPart = r.value(AppointmentField::BodyPart);
                  b.Information = r.value(AppointmentField::Information);
                  if (const short minutes = r.value(AppointmentField::Duration).toShort(&ok); ok)
                      b.Duration = minutes;
                  b.Status = r.value(AppointmentField::Status);
                  if (const short flag = r.value(AppointmentField::Emergency).toShort(&ok); ok)
                      b.Emergency = flag;
                  if (session.ActionCode != ActionCode::EditAppointment)
                      return;
                  if (EditAppointmentHost *host = scheduleHost<EditAppointmentHost>(state.EditWindow))
                      host->showAppointment(r);
              }));

    link.bind(Command::DELAPP, [&state](CommandLink &l) { l.send(DelAppRequest(state.DeleteDay)); },
              wholeReply([&prompter](CommandLink &, const QString &text) { prompter.plain(kTitle, text + kDeletedCount); }));

    link.bind(Command::DELAPP2, [&state](CommandLink &l) { l.send(DelApp2Request(state.DeleteBefore)); },
              wholeReply([&prompter](CommandLink &, const QString &text) { prompter.plain(kTitle, text + kDeletedCount); }));

    link.bind(Command::TERMDEL, [&state](CommandLink &l) { l.send(TermDelRequest(state.CurrentTerminID)); },
              anyReply([&state, &prompter](CommandLink &l) {
                  l.CloseSocket();
                  prompter.plain(kTitle, kDeleted);
                  l.ResetPointers();
                  if (DayViewHost *day = scheduleHost<DayViewHost>(state.DayView))
                      day->refreshDay();
              }));
}
