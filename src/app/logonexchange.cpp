#include "logonexchange.h"

#include <QTcpSocket>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// The answer is plain text without framing: it is complete at a line end, when the server closes,
// or when nothing more has come for this long.
constexpr int kAnswerQuietMs = 100;

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}
} // namespace

LogonExchange::LogonExchange(QObject *parent) : QObject(parent)
{
    m_timer.setObjectName(u"Timer1"_s);
    m_timer.setSingleShot(true);
    m_timer.setInterval(ConnectTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        close();
        emit noResponse();
    });
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kAnswerQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &LogonExchange::onQuiet);
}

LogonExchange::~LogonExchange()
{
    close();
}

void LogonExchange::start(const QString &host, int port, const QList<QByteArray> &pieces)
{
    close();
    m_pending = pieces;
    auto *socket = new QTcpSocket(this);
    socket->setObjectName(u"WS"_s);
    m_socket = socket;
    connect(socket, &QTcpSocket::connected, this, &LogonExchange::onConnected);
    connect(socket, &QTcpSocket::readyRead, this, &LogonExchange::onReadyRead);
    connect(socket, &QTcpSocket::errorOccurred, this, &LogonExchange::onError);
    connect(socket, &QTcpSocket::disconnected, this, &LogonExchange::onDisconnected);
    m_timer.start();
    socket->connectToHost(host, quint16(port));
}

void LogonExchange::send(const QList<QByteArray> &pieces)
{
    if (!m_socket)
        return;
    for (const QByteArray &piece : pieces)
        m_socket->write(piece);
    m_awaiting = true;
}

void LogonExchange::close()
{
    m_timer.stop();
    m_quiet.stop();
    m_answer.clear();
    m_awaiting = false;
    if (QTcpSocket *socket = m_socket) {
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void LogonExchange::onConnected()
{
    m_timer.stop();
    send(std::exchange(m_pending, {}));
}

void LogonExchange::onReadyRead()
{
    if (!m_socket)
        return;
    m_answer.append(m_socket->readAll());
    dropLeadingLineEnds();
    if (m_answer.isEmpty())
        return;
    if (std::any_of(m_answer.cbegin(), m_answer.cend(), isLineEnd))
        deliver();
    else
        m_quiet.start();
}

void LogonExchange::dropLeadingLineEnds()
{
    // What precedes an answer's text is the end of the line before it (a CR LF cut between two
    // pieces) or a stray line end: never an answer of its own.
    qsizetype n = 0;
    while (n < m_answer.size() && isLineEnd(m_answer.at(n)))
        ++n;
    m_answer.remove(0, n);
}

void LogonExchange::onQuiet()
{
    if (!m_answer.isEmpty())
        deliver();
}

void LogonExchange::onDisconnected()
{
    if (!m_socket)
        return;
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
    if (!m_socket)
        return;
    if (!m_answer.isEmpty()) {
        deliver();
        return;
    }
    // The server went away with a question unanswered: the user hears so, as for a refused connection.
    if (m_awaiting) {
        close();
        emit noResponse();
    }
}

void LogonExchange::onError()
{
    if (!m_socket)
        return;
    // A refused connection says at once what the time-out would say ten seconds later.
    if (m_socket->state() != QAbstractSocket::ConnectedState && m_timer.isActive()) {
        close();
        emit noResponse();
    }
}

void LogonExchange::deliver()
{
    m_quiet.stop();
    // One answer: the text up to its line end. The line end itself is dropped with the next piece.
    const auto end = std::find_if(m_answer.cbegin(), m_answer.cend(), isLineEnd);
    const qsizetype length = end - m_answer.cbegin();
    const QByteArray text = m_answer.left(length);
    m_answer.remove(0, length);
    dropLeadingLineEnds();
    m_awaiting = false;
    emit answered(text);
}
