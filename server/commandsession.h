#pragma once

#include "commandcontext.h"
#include "connectionstate.h"
#include "pacedsender.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QTimer>

#include <memory>

class CommandRegistry;
class FileBlockReader;
class QTcpSocket;

// One connection of the command port. Cuts the byte stream into request lines, "CMD" + keyword +
// "|" + arguments + "/CMD", however the bytes arrive, hands each to its handler and sends the
// replies back in order. A stream that opens with "PUT" or "GET" instead carries a file block,
// which a FileBlockReader takes piece by piece until it is complete. The client chains follow-up requests on the same connection, so the
// connection stays open until the client closes it, an idle time-out ends it, or the stream can no
// longer be read as requests.
class CommandSession : public QObject
{
    Q_OBJECT

public:
    // Takes ownership of the socket.
    CommandSession(QTcpSocket *socket, const CommandRegistry &registry, CommandContext &context,
                   QObject *parent = nullptr);
    ~CommandSession() override;

private:
    void onReadyRead();
    void processBuffer();
    void dispatch(QByteArrayView body);
    // Hands bytes to the file block in progress; once it is complete its reply goes out and what
    // follows it is read as requests again.
    void feedBlock(QByteArrayView bytes);
    // An error reply; with closeAfter the connection ends once it has left (the stream lost its
    // framing, so nothing after it can be trusted).
    void refuse(int number, const QString &text, const QString &function, bool closeAfter);
    void onIdle();

    QTcpSocket *m_socket;
    const CommandRegistry &m_registry;
    ConnectionState m_connection;
    CommandContext m_context; // the server's, with this connection's state
    PacedSender m_sender;
    QTimer m_idleTimer;
    QByteArray m_buffer;
    std::unique_ptr<FileBlockReader> m_block;
    qsizetype m_searchFrom = 0; // where the search for "/CMD" goes on, so a long request is read once
    bool m_closing = false;
};
