#pragma once

#include "commandcatalogue.h"
#include "replyshapes.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class LogBook;
class Prompter;
class QTcpSocket;
struct Session;

// The one link to the department server: one connection per command, one time-out timer guarding the
// connection phase ("CON") and the reply phase ("CMD"), dispatch on the command name to the builders
// and reply handlers that the domain folders bind. At most one command is in progress; starting a
// command ends the one before it without a word.
class CommandLink : public QObject
{
    Q_OBJECT

public:
    using Builder = std::function<void(CommandLink &)>;

    enum class Phase {
        Idle,          // no command, or a finished command whose connection was left open
        Connecting,    // waiting for the connection
        AwaitingReply, // request sent, no reply yet
        Receiving,     // part of the reply is in, the handler waits for the rest
        ErrorReply,    // a server error reply is being collected
    };

    CommandLink(Session &session, Prompter &prompter, LogBook &log, QObject *parent = nullptr);
    ~CommandLink() override;

    // Attaches a command's request builder (run when its connection is up; may be empty for commands
    // only ever sent by reply handlers) and its reply handler, whose shape must be the catalogue's.
    // Binding a command twice, without a handler or with another shape is a programming error and
    // throws std::logic_error.
    void bind(Command command, Builder build, HandlerPtr handler);
    bool isBound(Command command) const;

    // The request line "CMD" + keyword + "|" + arguments + "/CMD" of a catalogued command, in the
    // wire's code page. Without arguments the command's fixed word ("List", "X", ...) is used.
    static QByteArray requestLine(Command command, const QString &arguments = {});
    // A statistics step: "CMDStat" + step + "|" + arguments + "/CMD".
    static QByteArray stepRequestLine(const QString &step, const QString &arguments);

    // Starts a command on a fresh connection; the one in progress ends without a word. A command
    // that nothing has bound is reported at once (error log and box) and nothing is sent.
    void StartCommand(Command command);
    // Hands over from the command in hand to a follow-up its catalogue row declares, in the form the
    // row gives: on the open connection with or without the command time-out (the line is sent),
    // sent and closed (the line is sent, its reply never read), or fresh (the follow-up starts on
    // a new connection and its builder sends). A statistics step passes its tag ("STAT0049").
    // A follow-up the row does not declare throws std::logic_error.
    void follow(Command next, const QByteArray &line = {}, const QString &stepTag = {});
    // Sends bytes on the open connection (request builders).
    void send(const QByteArray &bytes);
    void CloseSocket();
    void ResetPointers();
    // The "ZelServer" toolbar action: main server <-> second server.
    void switchServer();

    Command command() const { return m_command; }
    QString tag() const { return m_tag; }
    Phase phase() const { return m_phase; }
    bool isConnected() const;
    bool isTimerActive() const { return m_timer.isActive(); }
    int timerInterval() const { return m_timer.interval(); }
    QString timerTag() const { return m_timerTag; }

    static const QString ConnectFailedTail;
    static const QString NotRespondingTail;
    static const QString ClosedEarlyTail;

signals:
    // Panel 1: the server state; panel 2: transfer progress.
    void statusText(int panel, const QString &text);
    // The command ended: every window's busy pointer goes back to normal.
    void busyEnded();

private:
    struct Binding
    {
        Builder build;
        HandlerPtr handler;
    };

    void chain(Command next, const QString &tag, const QByteArray &line, bool untimed);

    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    void onBytesWritten(qint64 bytes);
    void onTimeout();
    void onErrorQuiet();

    void beginReply();
    void dispatch(QByteArray bytes);
    void onSettle();
    bool handlerHasPendingEnd();
    void runHandler(const std::function<ReplyHandler::Progress(ReplyHandler &)> &step);
    void takeErrorBytes(QByteArrayView bytes, bool final);
    void showServerError();
    void failTimeout(const QString &tail);
    void detachSocket(bool graceful);
    void startCommandTimer();
    std::int32_t cappedSeconds(std::int16_t &setting) const;
    Binding *bindingFor(Command command);

    Session &m_session;
    Prompter &m_prompter;
    LogBook &m_log;
    std::array<std::optional<Binding>, CommandCount> m_bindings;

    QPointer<QTcpSocket> m_socket;
    Command m_command = Command::ERROR;
    QString m_tag; // the command's name as the status and the statistics steps read it
    Phase m_phase = Phase::Idle;
    quint64 m_generation = 0; // bumped whenever the connection or the command in hand changes

    QTimer m_timer;
    QString m_timerTag;

    // The start of the current reply, held until it shows whether the reply is a server error.
    bool m_headDecided = false;
    QByteArray m_head;
    QByteArray m_errorReply;
    QTimer m_errorQuiet;
    QTimer m_settle; // settles a reply whose end marker is in doubt

    qint64 m_sentTotal = 0;
    bool m_untimed = false; // the reply in hand is awaited without a time-out
};
