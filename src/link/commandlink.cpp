#include "commandlink.h"

#include "commandcatalogue.h"
#include "replyhelpers.h"
#include "wirecodec.h"

#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"

#include <QTcpSocket>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kPhaseConnect = u"CON"_s;
const QString kPhaseCommand = u"CMD"_s;

// Longest start of a reply that is held back to decide whether it is a server error.
constexpr qsizetype kHeadLimit = 4096;
// An error reply without a line end is taken as complete after this much quiet.
constexpr int kErrorQuietMs = 300;
// A reply whose end is in doubt is taken as ended after this much quiet.
constexpr int kSettleMs = 150;
// A connection we close gracefully is aborted if the server has not let go by then.
constexpr int kRetireMs = 30000;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

// True when `text` is a non-empty proper start of `upperWord`, in any case.
bool isProperStartOf(QByteArrayView text, QByteArrayView upperWord)
{
    return !text.empty() && text.size() < upperWord.size()
           && indexOfMarker(upperWord.first(text.size()), text.toByteArray().toUpper()) == 0;
}

enum class HeadVerdict { Undecided, Data, ServerError };

// Server errors are recognised by the first field of a reply: a reply is a server error when it does
// not open a data block ("CMDDATA" records or a "REPORT" file) and the text before its first "|" or
// line end contains "ERROR" in any case. The word inside records, report texts or audio data is
// data. While the bytes so far could still become a marker, or end in the first letters of "ERROR",
// the decision waits for more.
HeadVerdict judgeHead(QByteArrayView head, bool final)
{
    qsizetype start = 0;
    while (start < head.size() && isBlank(head[start]))
        ++start;
    const QByteArrayView rest = head.sliced(start);
    if (rest.empty())
        return final ? HeadVerdict::Data : HeadVerdict::Undecided;
    if (indexOfMarker(rest, "CMDDATA") == 0 || indexOfMarker(rest, "REPORT") == 0)
        return HeadVerdict::Data;
    qsizetype fieldEnd = 0;
    while (fieldEnd < rest.size() && rest[fieldEnd] != '|' && rest[fieldEnd] != '\r' && rest[fieldEnd] != '\n')
        ++fieldEnd;
    const QByteArrayView field = rest.first(fieldEnd);
    if (indexOfMarker(field, "ERROR") >= 0)
        return HeadVerdict::ServerError;
    if (final || fieldEnd < rest.size())
        return HeadVerdict::Data;
    if (isProperStartOf(rest, "CMDDATA") || isProperStartOf(rest, "REPORT"))
        return HeadVerdict::Undecided;
    for (qsizetype n = 1; n <= 4 && n <= field.size(); ++n) {
        if (isProperStartOf(field.last(n), "ERROR"))
            return HeadVerdict::Undecided;
    }
    return HeadVerdict::Data;
}

// An error reply is complete once its fourth field has ended with a line end.
bool errorReplyComplete(QByteArrayView reply)
{
    const qsizetype bars = reply.count('|');
    if (bars < 3)
        return false;
    qsizetype third = -1;
    for (int i = 0; i < 3; ++i)
        third = reply.indexOf('|', third + 1);
    const QByteArrayView last = reply.sliced(third + 1);
    return last.contains('\r') || last.contains('\n');
}

} // namespace

const QString CommandLink::ConnectFailedTail = u"' is not available, please click on ZelServer Button!"_s;
const QString CommandLink::NotRespondingTail = u"' does not responding, please click on ZelServer Button!"_s;
const QString CommandLink::ClosedEarlyTail =
    u"' closed the connection before its reply was complete, please click on ZelServer Button!"_s;

CommandLink::CommandLink(Session &session, Prompter &prompter, LogBook &log, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_prompter(prompter)
    , m_log(log)
{
    // Created stopped, with the interval of a full minute.
    m_timer.setSingleShot(true);
    m_timer.setInterval(60000);
    connect(&m_timer, &QTimer::timeout, this, &CommandLink::onTimeout);
    m_errorQuiet.setSingleShot(true);
    m_errorQuiet.setInterval(kErrorQuietMs);
    connect(&m_errorQuiet, &QTimer::timeout, this, &CommandLink::onErrorQuiet);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CommandLink::onSettle);
}

CommandLink::~CommandLink()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

void CommandLink::bind(Command command, Builder build, HandlerPtr handler)
{
    const CommandEntry &entry = CommandCatalogue::entry(command);
    const auto refuse = [&entry](const char *why) {
        throw std::logic_error(std::string("CommandLink: cannot bind ") + entry.name.data() + ": " + why);
    };
    if (m_bindings[std::size_t(command)])
        refuse("it is bound already");
    if (!handler)
        refuse("no reply handler");
    if (handler->shape() != entry.shape)
        refuse("the handler's shape is not the catalogue's");
    m_bindings[std::size_t(command)] = Binding{std::move(build), std::move(handler)};
}

bool CommandLink::isBound(Command command) const
{
    return m_bindings[std::size_t(command)].has_value();
}

QByteArray CommandLink::requestLine(Command command, const QString &arguments)
{
    const CommandEntry &entry = CommandCatalogue::entry(command);
    if (entry.keyword.isEmpty())
        throw std::logic_error(std::string("CommandLink: ") + entry.name.data() + " has no request line");
    const QString args = arguments.isEmpty() ? QString(entry.fixedArguments) : arguments;
    return WireCodec::encode(QString(u"CMD"_s + entry.keyword + u'|' + args + u"/CMD"_s));
}

QByteArray CommandLink::stepRequestLine(const QString &step, const QString &arguments)
{
    return WireCodec::encode(QString(u"CMD"_s + CommandCatalogue::entry(Command::STAT).keyword + step + u'|'
                                     + arguments + u"/CMD"_s));
}

CommandLink::Binding *CommandLink::bindingFor(Command command)
{
    std::optional<Binding> &binding = m_bindings[std::size_t(command)];
    return binding ? &*binding : nullptr;
}

std::int32_t CommandLink::cappedSeconds(std::int16_t &setting) const
{
    if (setting > 60)
        setting = 60; // the session value changes, the file does not
    return setting;
}

void CommandLink::StartCommand(Command command)
{
    cappedSeconds(m_session.settings.ConnectTimeout);
    m_timer.stop();
    detachSocket(false);
    ++m_generation;
    m_phase = Phase::Idle;

    const CommandEntry &entry = CommandCatalogue::entry(command);
    if (!bindingFor(command)) {
        // A window started a command nothing has bound: say so now rather than after a time-out.
        m_log.LogError(5, u"The command "_s + entry.name + u" is not available in this program"_s,
                       u"StartCommand"_s);
        ResetPointers();
        return;
    }

    m_command = command;
    m_tag = entry.name;
    beginReply();
    m_untimed = false;

    m_timerTag = kPhaseConnect;
    m_timer.setInterval(std::int32_t(m_session.settings.ConnectTimeout) * 1000);
    m_phase = Phase::Connecting;

    auto *socket = new QTcpSocket(this);
    m_socket = socket;
    connect(socket, &QTcpSocket::connected, this, &CommandLink::onConnected);
    connect(socket, &QTcpSocket::readyRead, this, &CommandLink::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &CommandLink::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &CommandLink::onSocketError);
    connect(socket, &QTcpSocket::bytesWritten, this, &CommandLink::onBytesWritten);
    // Nagle would hold back the small request lines.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const quint64 generation = m_generation;
    socket->connectToHost(m_session.ServerHost, quint16(m_session.ServerPort));
    // A connection error can be reported from inside connectToHost (an invalid host name).
    if (generation == m_generation && m_phase == Phase::Connecting && m_timer.interval() > 0)
        m_timer.start();
}

void CommandLink::onConnected()
{
    if (m_phase != Phase::Connecting)
        return;
    m_timer.stop();
    m_timer.setInterval(cappedSeconds(m_session.settings.CommandTimeout) * 1000);
    m_timerTag = kPhaseCommand;
    m_phase = Phase::AwaitingReply;
    emit statusText(1, u"ZelServer connected on IP: "_s + m_session.ServerHost + u" Port: "_s
                           + QString::number(m_session.ServerPort));

    const quint64 generation = m_generation;
    if (Binding *binding = bindingFor(m_command); binding && binding->build)
        binding->build(*this);
    // A builder may have started something else altogether.
    if (generation == m_generation && m_phase == Phase::AwaitingReply)
        startCommandTimer();
}

void CommandLink::startCommandTimer()
{
    m_timerTag = kPhaseCommand;
    m_timer.setInterval(cappedSeconds(m_session.settings.CommandTimeout) * 1000);
    if (m_timer.interval() > 0)
        m_timer.start();
}

void CommandLink::beginReply()
{
    m_headDecided = false;
    m_head.clear();
    m_errorReply.clear();
    m_errorQuiet.stop();
    if (Binding *binding = bindingFor(m_command); binding && binding->handler)
        binding->handler->begin();
}

void CommandLink::follow(Command next, const QByteArray &line, const QString &stepTag)
{
    const std::optional<FollowUpKind> kind = CommandCatalogue::followUpKind(m_command, next);
    if (!kind) {
        throw std::logic_error(std::string("CommandLink: ") + CommandCatalogue::name(m_command).data()
                               + " declares no follow-up " + CommandCatalogue::name(next).data());
    }
    const QString tag = stepTag.isEmpty() ? QString(CommandCatalogue::name(next)) : stepTag.toUpper();
    switch (*kind) {
    case FollowUpKind::Timed:
    case FollowUpKind::Untimed:
        chain(next, tag, line, *kind == FollowUpKind::Untimed);
        return;
    case FollowUpKind::SentAndClosed:
        // The command in hand stays the one whose row declares what comes next.
        send(line);
        CloseSocket();
        return;
    case FollowUpKind::Fresh:
        CloseSocket();
        StartCommand(next);
        return;
    case FollowUpKind::None:
        break;
    }
}

void CommandLink::chain(Command next, const QString &tag, const QByteArray &line, bool untimed)
{
    if (!m_socket)
        return;
    m_timer.stop();
    m_command = next;
    m_tag = tag;
    ++m_generation;
    beginReply();
    m_phase = Phase::AwaitingReply;
    m_untimed = untimed;
    send(line);
    if (!m_untimed)
        startCommandTimer();
}

void CommandLink::send(const QByteArray &bytes)
{
    if (!m_socket || bytes.isEmpty())
        return;
    if (m_socket->bytesToWrite() == 0)
        m_sentTotal = 0;
    m_socket->write(bytes);
}

bool CommandLink::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void CommandLink::CloseSocket()
{
    m_timer.stop();
    detachSocket(true);
    m_phase = Phase::Idle;
    ++m_generation;
}

void CommandLink::ResetPointers()
{
    emit busyEnded();
}

void CommandLink::detachSocket(bool graceful)
{
    m_errorQuiet.stop();
    m_settle.stop();
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    if (!socket)
        return;
    socket->disconnect(this);
    if (graceful && socket->state() == QAbstractSocket::ConnectedState) {
        // Whatever is still queued (a last request) goes out before the connection ends.
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kRetireMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        socket->disconnectFromHost();
    } else {
        socket->abort();
        socket->deleteLater();
    }
}

void CommandLink::onReadyRead()
{
    if (!m_socket)
        return;
    const QByteArray bytes = m_socket->readAll();
    if (bytes.isEmpty())
        return;
    // A command that has finished with its connection left open waits for nothing more.
    if (m_phase == Phase::Idle || m_phase == Phase::Connecting)
        return;
    m_timer.stop();
    m_settle.stop();

    if (m_phase == Phase::ErrorReply) {
        takeErrorBytes(bytes, false);
        return;
    }
    if (!m_headDecided) {
        m_head.append(bytes);
        const HeadVerdict verdict = judgeHead(m_head, m_head.size() >= kHeadLimit);
        if (verdict == HeadVerdict::Undecided) {
            m_phase = Phase::Receiving;
            if (!m_untimed)
                startCommandTimer();
            return;
        }
        m_headDecided = true;
        QByteArray head = std::exchange(m_head, {});
        if (verdict == HeadVerdict::ServerError) {
            m_phase = Phase::ErrorReply;
            takeErrorBytes(head, false);
            return;
        }
        dispatch(std::move(head));
        return;
    }
    dispatch(bytes);
}

void CommandLink::dispatch(QByteArray bytes)
{
    m_phase = Phase::Receiving;
    runHandler([&bytes, this](ReplyHandler &handler) { return handler.onData(*this, bytes); });
}

void CommandLink::onSettle()
{
    if (m_phase != Phase::Receiving)
        return;
    runHandler([this](ReplyHandler &handler) { return handler.settle(*this); });
}

bool CommandLink::handlerHasPendingEnd()
{
    const Binding *binding = bindingFor(m_command);
    return binding && binding->handler && binding->handler->hasPendingEnd();
}

void CommandLink::runHandler(const std::function<ReplyHandler::Progress(ReplyHandler &)> &step)
{
    Binding *binding = bindingFor(m_command);
    if (!binding || !binding->handler) {
        m_phase = Phase::Idle; // a command without a reply handler does nothing with its reply
        return;
    }
    const HandlerPtr handler = binding->handler; // the handler may chain or start another command
    const quint64 generation = m_generation;
    ReplyHandler::Progress progress = ReplyHandler::Progress::Done;
    try {
        progress = step(*handler);
    } catch (const HandlerFailure &failure) {
        CloseSocket();
        m_log.LogError(failure.number(), failure.text(), u"DataArrival"_s);
        ResetPointers();
        return;
    } catch (const std::exception &failure) {
        CloseSocket();
        m_log.LogError(5, QString::fromUtf8(failure.what()), u"DataArrival"_s);
        ResetPointers();
        return;
    }
    if (generation != m_generation || m_phase != Phase::Receiving)
        return; // the handler chained, closed or started another command
    if (progress == ReplyHandler::Progress::Waiting) {
        // A server that stops in the middle of a reply must not leave the client waiting for ever.
        if (!m_untimed)
            startCommandTimer();
        if (handler->hasPendingEnd())
            m_settle.start();
    } else {
        m_phase = Phase::Idle;
    }
}

void CommandLink::takeErrorBytes(QByteArrayView bytes, bool final)
{
    if (m_errorReply.size() < kHeadLimit * 16)
        m_errorReply.append(bytes);
    if (final || errorReplyComplete(m_errorReply))
        showServerError();
    else
        m_errorQuiet.start();
}

void CommandLink::onErrorQuiet()
{
    if (m_phase == Phase::ErrorReply)
        showServerError();
}

void CommandLink::showServerError()
{
    const QString reply = WireCodec::decode(m_errorReply);
    CloseSocket();
    m_prompter.error(kTitle, u"Error from server '"_s + m_session.ServerHost + u"' received!\r\n\r\n"_s
                                 + ServerErrorText(reply));
    ResetPointers();
}

void CommandLink::onDisconnected()
{
    if (!m_socket)
        return;
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
    if (!m_socket)
        return;
    switch (m_phase) {
    case Phase::Idle:
        detachSocket(false);
        return;
    case Phase::ErrorReply:
        takeErrorBytes({}, true);
        return;
    case Phase::Connecting:
        failTimeout(ConnectFailedTail);
        return;
    case Phase::AwaitingReply:
    case Phase::Receiving:
        if (!m_headDecided && !m_head.isEmpty()) {
            // What came is all there is: decide on it now.
            m_headDecided = true;
            QByteArray head = std::exchange(m_head, {});
            if (judgeHead(head, true) == HeadVerdict::ServerError) {
                m_phase = Phase::ErrorReply;
                takeErrorBytes(head, true);
                return;
            }
            dispatch(std::move(head));
            if (!m_socket || m_phase == Phase::Idle)
                return;
        }
        // The server is done: an end marker in doubt was the end.
        if (m_phase == Phase::Receiving && handlerHasPendingEnd()) {
            onSettle();
            if (!m_socket || m_phase == Phase::Idle)
                return;
        }
        failTimeout(ClosedEarlyTail);
        return;
    }
}

void CommandLink::onSocketError()
{
    if (!m_socket)
        return;
    // Refused, unknown host, no route: the server is not available. Reported at once rather than
    // when the connection time-out runs out, which with a time-out of 0 would be never.
    if (m_phase == Phase::Connecting)
        failTimeout(ConnectFailedTail);
    else if (m_socket->state() != QAbstractSocket::ConnectedState)
        onDisconnected();
}

void CommandLink::onTimeout()
{
    const QString phase = m_timerTag.toUpper();
    if (phase == kPhaseConnect)
        failTimeout(ConnectFailedTail);
    else if (phase == kPhaseCommand)
        failTimeout(NotRespondingTail);
}

void CommandLink::failTimeout(const QString &tail)
{
    CloseSocket();
    m_prompter.error(kTitle, u"ZEL-Server on '"_s + m_session.ServerHost + tail);
    emit statusText(1, u"ZEL-Server on '"_s + m_session.ServerHost + u"' is not available!"_s);
    ResetPointers();
}

void CommandLink::onBytesWritten(qint64 bytes)
{
    if (!m_socket)
        return;
    m_sentTotal += bytes;
    const qint64 queued = m_socket->bytesToWrite();
    m_timer.stop();
    if (queued > 0) {
        emit statusText(2, u"Sending data "_s + formatByteCount(m_sentTotal) + u" of "_s
                               + formatByteCount(m_sentTotal + queued) + u" bytes..."_s);
        return;
    }
    emit statusText(2, u"Data sent"_s);
    if ((m_phase == Phase::AwaitingReply || m_phase == Phase::Receiving) && !m_untimed
        && m_timer.interval() > 0)
        m_timer.start();
}

void CommandLink::switchServer()
{
    const Settings &s = m_session.settings;
    QString host;
    std::int32_t port = 0;
    if (m_session.ServerHost == s.MainServerHost && m_session.ServerPort == s.MainServerPort) {
        host = s.SecondServerHost;
        port = s.SecondServerPort;
    } else if (m_session.ServerHost == s.SecondServerHost && m_session.ServerPort == s.SecondServerPort) {
        host = s.MainServerHost;
        port = s.MainServerPort;
    } else {
        return;
    }
    CloseSocket();
    m_session.ServerHost = host;
    m_session.ServerPort = port;
    const QString where = u"IP: "_s + host + u" Port: "_s + QString::number(port);
    m_prompter.plain(kTitle, u"You have changed the ZelServer to "_s + where);
    emit statusText(1, u"ZelServer connected on "_s + where);
}
