#include "pacedsender.h"

#include <QTcpSocket>

PacedSender::PacedSender(QTcpSocket *socket, int delayMs, int pieceSize, int gapMs, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_delayMs(qMax(0, delayMs))
    , m_pieceSize(qMax(0, pieceSize))
    , m_gapMs(qMax(0, gapMs))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PacedSender::pump);
}

void PacedSender::send(const QByteArray &bytes, bool closeAfter)
{
    if (m_queue.isEmpty() && m_delayMs == 0 && m_pieceSize == 0) {
        writeNow(bytes, closeAfter);
        return;
    }
    m_queue.append(Outgoing{bytes, 0, closeAfter});
    if (m_queue.size() == 1) {
        if (m_delayMs > 0)
            m_timer.start(m_delayMs);
        else
            pump();
    }
}

void PacedSender::pump()
{
    if (m_queue.isEmpty() || !m_socket)
        return;
    Outgoing &current = m_queue.first();
    const qsizetype left = current.bytes.size() - current.sent;
    const qsizetype size = m_pieceSize > 0 ? qMin<qsizetype>(m_pieceSize, left) : left;
    const QByteArray piece = current.bytes.mid(current.sent, size);
    current.sent += size;
    const bool done = current.sent >= current.bytes.size();
    const bool closeAfter = done && current.closeAfter;
    if (done)
        m_queue.removeFirst();
    writeNow(piece, closeAfter);
    if (!done) {
        m_timer.start(m_gapMs);
    } else if (!m_queue.isEmpty()) {
        if (m_delayMs > 0)
            m_timer.start(m_delayMs);
        else
            m_timer.start(m_gapMs);
    } else {
        emit drained();
    }
}

void PacedSender::writeNow(const QByteArray &bytes, bool closeAfter)
{
    if (!m_socket)
        return;
    if (!bytes.isEmpty()) {
        m_socket->write(bytes);
        m_socket->flush();
    }
    if (closeAfter)
        m_socket->disconnectFromHost();
}
