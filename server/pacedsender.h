#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

// Writes replies to one socket in order. Normally at once; with the test options a reply first
// waits `delayMs`, then leaves in pieces of `pieceSize` bytes with `gapMs` between them, so clients
// can be tried against a slow server and against replies that arrive split at every byte.
class PacedSender : public QObject
{
    Q_OBJECT

public:
    PacedSender(QTcpSocket *socket, int delayMs, int pieceSize, int gapMs, QObject *parent = nullptr);

    // Queues one reply; with closeAfter the connection is closed once it has left.
    void send(const QByteArray &bytes, bool closeAfter = false);
    // True while a reply is still waiting or going out piece by piece.
    bool isBusy() const { return !m_queue.isEmpty(); }

signals:
    // The last queued reply has left (emitted only when sending had to wait).
    void drained();

private:
    struct Outgoing
    {
        QByteArray bytes;
        qsizetype sent = 0;
        bool closeAfter = false;
    };

    void pump();
    void writeNow(const QByteArray &bytes, bool closeAfter);

    QPointer<QTcpSocket> m_socket;
    int m_delayMs;
    int m_pieceSize;
    int m_gapMs;
    QList<Outgoing> m_queue;
    QTimer m_timer;
};
