#include "logonexchange.h"

#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace {
// The answer is plain text without framing: it is complete at a line end, when the server closes,
// or when nothing more has come for this long.
constexpr int kAnswerQuietMs = 100;
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
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (!m_answer.isEmpty())
            deliver();
    });
    m_timer.start();
    socket->connectToHost(host, quint16(port));
}

void LogonExchange::send(const QList<QByteArray> &pieces)
{
    if (!m_socket)
        return;
    for (const QByteArray &piece : pieces)
        m_socket->write(piece);
}

void LogonExchange::close()
{
    m_timer.stop();
    m_quiet.stop();
    m_answer.clear();
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
    if (m_answer.contains('\n') || m_answer.contains('\r'))
        deliver();
    else
        m_quiet.start();
}

void LogonExchange::onQuiet()
{
    if (!m_answer.isEmpty())
        deliver();
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
    QByteArray text = std::exchange(m_answer, {});
    qsizetype end = text.size();
    for (const char lineEnd : {'\r', '\n'}) {
        if (const qsizetype at = text.indexOf(lineEnd); at >= 0)
            end = std::min(end, at);
    }
    emit answered(text.left(end));
}
