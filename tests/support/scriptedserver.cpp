#include "scriptedserver.h"

#include <QTimer>


namespace {

// Where a request line ends: the marker that closes it and everything before.
qsizetype requestEnd(const QByteArray &bytes)
{
    qsizetype best = -1;
    for (const QByteArrayView marker : {QByteArrayView("/CMD"), QByteArrayView("/GET"), QByteArrayView("/PUT"), QByteArrayView("/COMPUTER")}) {
        const qsizetype at = bytes.indexOf(marker);
        if (at >= 0 && (best < 0 || at + marker.size() < best))
            best = at + marker.size();
    }
    return best;
}

} // namespace

ScriptedServer::ScriptedServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::onNewConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

void ScriptedServer::answer(const QByteArray &reply, Split split, bool closeAfter)
{
    Answer a;
    a.closeAfter = closeAfter;
    if (split == Split::Whole) {
        a.pieces = {reply};
    } else {
        for (const char c : reply)
            a.pieces.append(QByteArray(1, c));
    }
    m_script.append(a);
}

void ScriptedServer::answerInPieces(const QList<QByteArray> &pieces, bool closeAfter)
{
    m_script.append(Answer{pieces, closeAfter, false});
}

void ScriptedServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const int index = int(connectionBytes.size());
        connectionBytes.append(QByteArray());
        m_pending.append(QByteArray());
        m_latest = socket;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, index] { onReadyRead(socket, index); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void ScriptedServer::onReadyRead(QTcpSocket *socket, int index)
{
    const QByteArray bytes = socket->readAll();
    connectionBytes[index].append(bytes);
    QByteArray &pending = m_pending[index];
    pending.append(bytes);
    for (qsizetype end = requestEnd(pending); end >= 0; end = requestEnd(pending)) {
        const QByteArray line = pending.left(end);
        pending.remove(0, end);
        requests.append(line);
        emit requestReceived(line);
        if (!m_script.isEmpty())
            play(socket, m_script.takeFirst());
    }
}

void ScriptedServer::play(QTcpSocket *socket, Answer answer)
{
    if (answer.silent)
        return;
    // Each piece leaves after its own pause, so the client sees it as a data event of its own.
    int at = 0;
    for (const QByteArray &piece : std::as_const(answer.pieces)) {
        QTimer::singleShot(at, socket, [socket, piece] {
            socket->write(piece);
            socket->flush();
        });
        at += pieceDelayMs;
    }
    if (answer.closeAfter)
        QTimer::singleShot(at, socket, [socket] { socket->disconnectFromHost(); });
}

void ScriptedServer::sendNow(const QByteArray &bytes)
{
    if (m_latest) {
        m_latest->write(bytes);
        m_latest->flush();
    }
}

void ScriptedServer::closeNow()
{
    if (m_latest)
        m_latest->disconnectFromHost();
}
