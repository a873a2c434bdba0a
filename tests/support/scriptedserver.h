#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A department server stand-in for tests, on 127.0.0.1 with a free port: records every request line
// it receives, byte for byte, and answers each one from a script, whole or in pieces.
class ScriptedServer : public QObject
{
    Q_OBJECT

public:
    enum class Split { Whole, ByteByByte };

    struct Answer
    {
        QList<QByteArray> pieces; // sent one after the other, a short pause between them
        bool closeAfter = false;
        bool silent = false;      // no answer at all
    };

    explicit ScriptedServer(QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }

    // Queues the answer to the next request line.
    void answer(Answer answer) { m_script.append(std::move(answer)); }
    void answer(const QByteArray &reply, Split split = Split::Whole, bool closeAfter = false);
    void answerInPieces(const QList<QByteArray> &pieces, bool closeAfter = false);
    void stayQuiet() { m_script.append(Answer{{}, false, true}); }

    // Direct control of the newest connection, for tests that look between the pieces.
    void sendNow(const QByteArray &bytes);
    void closeNow();

    QList<QByteArray> requests;   // complete request lines, in order, over all connections
    QList<QByteArray> connectionBytes; // everything received, one entry per connection
    int pieceDelayMs = 5;

signals:
    void requestReceived(const QByteArray &line);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket, int index);
    void play(QTcpSocket *socket, Answer answer);

    QTcpServer m_server;
    QList<Answer> m_script;
    QPointer<QTcpSocket> m_latest;
    QList<QByteArray> m_pending;
};
