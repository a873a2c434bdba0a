#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

// One conversation with the logon server: connect, send the five pieces, read the answer. The
// connection phase is guarded by the window's 10-second timer `Timer1`; once connected there is no
// time-out, the window waits until the user cancels.
class LogonExchange : public QObject
{
    Q_OBJECT

public:
    explicit LogonExchange(QObject *parent = nullptr);
    ~LogonExchange() override;

    // Closes any earlier connection, connects and sends the pieces once connected.
    void start(const QString &host, int port, const QList<QByteArray> &pieces);
    // A further request on the connection that is open (the rights query after a login).
    void send(const QList<QByteArray> &pieces);
    void close();

    QTimer *timer() { return &m_timer; }

    static constexpr int ConnectTimeoutMs = 10000;

signals:
    void answered(const QByteArray &text);
    // No connection within the time-out, the connection was refused, or the server closed it without
    // answering.
    void noResponse();

private:
    void onConnected();
    void onReadyRead();
    void onQuiet();
    void onError();
    void onDisconnected();
    void dropLeadingLineEnds();
    void deliver();

    QPointer<QTcpSocket> m_socket;
    QList<QByteArray> m_pending;
    QTimer m_timer;
    QTimer m_quiet;
    QByteArray m_answer;
    bool m_awaiting = false; // a request went out and its answer has not come
};
