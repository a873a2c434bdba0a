#pragma once

#include "replyshapes.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

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
    enum class Timing { Timed, Untimed };

    CommandLink(Session &session, Prompter &prompter, LogBook &log, QObject *parent = nullptr);
    ~CommandLink() override;

    // Attaches a command's request builder (run when its connection is up; may be empty for commands
    // only ever sent by reply handlers) and its reply handler. The name must be in the catalogue and
    // the handler's shape must be the catalogue's; false (and nothing bound) otherwise.
    bool bind(const QString &name, Builder build, HandlerPtr handler);

    // The request line "CMD" + keyword + "|" + arguments + "/CMD" of a catalogued command, in the
    // wire's code page. Without arguments the command's fixed word ("List", "X", ...) is used.
    static QByteArray requestLine(const QString &name, const QString &arguments = {});

    void StartCommand(const QString &name, const QString &phase = QStringLiteral("CON"));
    // A follow-up on the open connection: its reply is handled by the follow-up's handler.
    void chain(const QString &name, const QByteArray &line, Timing timing = Timing::Timed);
    // A last request on the open connection, then the connection is closed; the reply is not read.
    void sendAndClose(const QByteArray &line);
    // A follow-up that needs a fresh connection.
    void startFresh(const QString &name);
    // Sends bytes on the open connection (request builders).
    void send(const QByteArray &bytes);
    void CloseSocket();
    void ResetPointers();
    // The "ZelServer" toolbar action: main server <-> second server.
    void switchServer();

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

    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    void onBytesWritten(qint64 bytes);
    void onTimeout();
    void onErrorQuiet();

    void beginReply();
    void dispatch(QByteArray bytes);
    void takeErrorBytes(QByteArrayView bytes, bool final);
    void showServerError();
    void failTimeout(const QString &tail);
    void detachSocket(bool graceful);
    void startCommandTimer();
    std::int32_t cappedSeconds(std::int16_t &setting) const;
    Binding *bindingFor(const QString &name);

    Session &m_session;
    Prompter &m_prompter;
    LogBook &m_log;
    QHash<QString, Binding> m_bindings;

    QPointer<QTcpSocket> m_socket;
    QString m_tag;
    Phase m_phase = Phase::Idle;
    quint64 m_generation = 0; // bumped whenever the connection or the command in hand changes

    QTimer m_timer;
    QString m_timerTag;

    // The start of the current reply, held until it shows whether the reply is a server error.
    bool m_headDecided = false;
    QByteArray m_head;
    QByteArray m_errorReply;
    QTimer m_errorQuiet;

    qint64 m_sentTotal = 0;
    bool m_untimed = false; // the reply in hand is awaited without a time-out
};
