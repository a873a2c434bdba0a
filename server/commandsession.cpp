#include "commandsession.h"

#include "commandcontext.h"
#include "commandregistry.h"
#include "commandrequest.h"
#include "filetransfer.h"
#include "replywriter.h"
#include "serveroptions.h"
#include "servererrors.h"

#include "link/wirecodec.h"

#include <QTcpSocket>

#include <cstring>
#include <exception>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView kHead = "CMD";
constexpr QByteArrayView kEnd = "/CMD";
constexpr qsizetype kMaxKeyword = 64;
// How much the socket may hold for us while a reply is still going out; beyond it TCP holds the
// sender back.
constexpr qint64 kSocketBuffer = 256 * 1024;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isKeyword(QByteArrayView bytes)
{
    if (bytes.isEmpty() || bytes.size() > kMaxKeyword)
        return false;
    for (char c : bytes) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

CommandSession::CommandSession(QTcpSocket *socket, const CommandRegistry &registry, CommandContext &context,
                               QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_registry(registry)
    , m_context(context)
    , m_sender(socket, context.options.replyDelayMs, context.options.replyPieceSize,
               context.options.pieceGapMs)
{
    m_context.connection = &m_connection;
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kSocketBuffer);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(qMax(1, m_context.options.idleTimeoutMs));
    connect(&m_idleTimer, &QTimer::timeout, this, &CommandSession::onIdle);
    connect(m_socket, &QTcpSocket::readyRead, this, &CommandSession::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    connect(&m_sender, &PacedSender::drained, this, [this] {
        m_idleTimer.start();
        onReadyRead();
    });
    m_idleTimer.start();
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
}

CommandSession::~CommandSession() = default;

void CommandSession::onReadyRead()
{
    if (m_closing) {
        m_socket->readAll(); // the stream is finished with; what follows is dropped
        return;
    }
    // While a reply is still on its way, later requests wait in the socket: replies keep their order.
    if (m_sender.isBusy())
        return;
    if (m_socket->bytesAvailable() > 0) {
        const QByteArray bytes = m_socket->readAll();
        m_idleTimer.start();
        if (m_block)
            feedBlock(bytes); // file data goes on to its file, never into the request buffer
        else
            m_buffer += bytes;
    }
    processBuffer();
}

void CommandSession::processBuffer()
{
    while (!m_closing && !m_sender.isBusy()) {
        qsizetype blanks = 0;
        while (blanks < m_buffer.size() && isBlank(m_buffer.at(blanks)))
            ++blanks;
        if (blanks > 0) {
            m_buffer.remove(0, blanks);
            m_searchFrom = 0;
        }
        if (m_buffer.isEmpty())
            return;

        bool blockBegun = false;
        if (FileBlockReader::opensBlock(m_buffer, &blockBegun)) {
            m_block = std::make_unique<FileBlockReader>(m_registry, m_context);
            m_searchFrom = 0;
            feedBlock(std::exchange(m_buffer, {}));
            continue;
        }
        if (blockBegun)
            return; // "P" or "GE" so far

        const qsizetype headBytes = qMin(m_buffer.size(), kHead.size());
        if (std::memcmp(m_buffer.constData(), kHead.data(), size_t(headBytes)) != 0) {
            refuse(ServerErrors::MalformedRequest, u"The request does not begin with CMD"_s, u"Framing"_s, true);
            return;
        }
        const qsizetype end = m_buffer.indexOf(kEnd, qMax(m_searchFrom, kHead.size()));
        if (end < 0) {
            if (m_buffer.size() > m_context.options.maxRequestBytes) {
                refuse(ServerErrors::RequestTooLong,
                       u"The request is longer than "_s + QString::number(m_context.options.maxRequestBytes)
                           + u" bytes without /CMD"_s,
                       u"Framing"_s, true);
                return;
            }
            // "/CMD" may already have begun in the last bytes.
            m_searchFrom = qMax(kHead.size(), m_buffer.size() - (kEnd.size() - 1));
            return;
        }
        const QByteArray body = m_buffer.mid(kHead.size(), end - kHead.size());
        m_buffer.remove(0, end + kEnd.size());
        m_searchFrom = 0;
        dispatch(body);
    }
}

void CommandSession::dispatch(QByteArrayView body)
{
    const qsizetype bar = body.indexOf('|');
    if (bar < 0) {
        refuse(ServerErrors::MalformedRequest, u"The request has no argument separator after its keyword"_s, u"Framing"_s, false);
        return;
    }
    if (!isKeyword(body.first(bar))) {
        refuse(ServerErrors::MalformedRequest, u"The request has no valid keyword"_s, u"Framing"_s, false);
        return;
    }
    CommandRequest request;
    request.keyword = WireCodec::decode(body.first(bar));
    request.argumentText = WireCodec::decode(body.sliced(bar + 1));
    request.arguments = request.argumentText.split(u'|');

    const ServerOptions &options = m_context.options;
    if (options.silentKeywords.contains(request.keyword, Qt::CaseInsensitive))
        return;
    if (options.failKeywords.contains(request.keyword, Qt::CaseInsensitive)) {
        refuse(ServerErrors::ForcedFailure, u"Failure requested for this command"_s, request.keyword, false);
        return;
    }
    const CommandHandler *handler = m_registry.find(request.keyword);
    if (!handler) {
        refuse(ServerErrors::UnknownCommand, u"Unknown command "_s + request.keyword, u"Dispatch"_s, false);
        return;
    }

    ReplyWriter reply(request.keyword);
    try {
        (*handler)(request, reply, m_context);
    } catch (const std::exception &e) {
        reply.error(ServerErrors::HandlerFailure, u"The command failed: "_s + QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reply.error(ServerErrors::HandlerFailure, u"The command failed"_s);
    }
    if (!reply.hasReply())
        reply.error(ServerErrors::HandlerFailure, u"The command gave no reply"_s);
    m_sender.send(reply.bytes());
}

void CommandSession::feedBlock(QByteArrayView bytes)
{
    const qsizetype used = m_block->feed(bytes);
    if (!m_block->isComplete())
        return;
    const bool closeAfter = m_block->closeAfter();
    const QByteArray reply = m_block->reply();
    m_block.reset();
    if (closeAfter) {
        m_closing = true;
        m_buffer.clear();
    } else {
        m_buffer = bytes.sliced(used).toByteArray() + m_buffer;
    }
    m_sender.send(reply, closeAfter);
}

void CommandSession::refuse(int number, const QString &text, const QString &function, bool closeAfter)
{
    if (closeAfter) {
        m_closing = true;
        m_buffer.clear();
    }
    m_sender.send(ReplyWriter::errorReply(number, text, function), closeAfter);
}

void CommandSession::onIdle()
{
    // Nobody is reading or writing any more: let the connection go without waiting for the peer.
    m_socket->abort();
    deleteLater();
}
