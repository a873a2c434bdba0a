#include "filetransfer.h"

#include "commandregistry.h"
#include "replywriter.h"
#include "servererrors.h"

#include "link/wirecodec.h"

#include <QtEndian>

#include <exception>

using namespace Qt::StringLiterals;

namespace {

// A block's header is short: the UID, the format and a status. Past this it is not a header.
constexpr qsizetype kHeaderLimit = 4096;
constexpr qsizetype kMaxUid = 128;
constexpr qsizetype kMaxFormat = 16;
constexpr qsizetype kMaxStatus = 20;
// Blanks allowed between "/DATA" and "/PUT".
constexpr qsizetype kMaxTrailerBlanks = 16;
const QString kFunction = u"FileTransfer"_s;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

enum class Match { Partial, No, Complete };

// Whether `literal` stands at `at`; Partial when the bytes end inside it.
Match matchAt(QByteArrayView bytes, qsizetype at, QByteArrayView literal)
{
    const qsizetype have = bytes.size() - at;
    if (have < literal.size())
        return bytes.sliced(at) == literal.first(have) ? Match::Partial : Match::No;
    return bytes.sliced(at, literal.size()) == literal ? Match::Complete : Match::No;
}

// The end of a PUT's data at `at`: "/DATA", blanks, "/PUT". `end` is where it stops.
Match trailerAt(QByteArrayView bytes, qsizetype at, qsizetype *end)
{
    Match m = matchAt(bytes, at, "/DATA");
    if (m != Match::Complete)
        return m;
    qsizetype p = at + 5;
    for (qsizetype blanks = 0; p < bytes.size() && isBlank(bytes[p]); ++p) {
        if (++blanks > kMaxTrailerBlanks)
            return Match::No;
    }
    m = matchAt(bytes, p, "/PUT");
    if (m == Match::Complete)
        *end = p + 4;
    return m;
}

struct HeaderRead
{
    enum class State { NeedMore, Bad, Done } state = State::NeedMore;
    FileBlock block;
    qsizetype consumed = 0;
    QString why;
};

// Reads a block's header from the start of `bytes`.
HeaderRead readHeader(QByteArrayView bytes)
{
    HeaderRead read;
    qsizetype p = 0;
    const auto skipBlanks = [&] {
        while (p < bytes.size() && isBlank(bytes[p]))
            ++p;
    };
    const auto bad = [&read](const QString &why) {
        read.state = HeaderRead::State::Bad;
        read.why = why;
        return read;
    };
    // Returns false when the header cannot go on (read.state says why).
    const auto expect = [&](QByteArrayView literal) {
        skipBlanks();
        const Match m = matchAt(bytes, p, literal);
        if (m == Match::Complete) {
            p += literal.size();
            return true;
        }
        if (m == Match::No) {
            read.state = HeaderRead::State::Bad;
            read.why = u"the block lacks "_s + QString::fromLatin1(literal);
        }
        return false;
    };
    const auto value = [&](QByteArrayView close, qsizetype limit, QByteArray *out) {
        const qsizetype end = bytes.indexOf(close, p);
        if (end < 0 || end - p > limit) {
            if (bytes.size() - p > limit + close.size()) {
                read.state = HeaderRead::State::Bad;
                read.why = u"the value before "_s + QString::fromLatin1(close) + u" is too long"_s;
            }
            return false;
        }
        *out = bytes.sliced(p, end - p).toByteArray();
        p = end + close.size();
        return true;
    };

    skipBlanks();
    if (matchAt(bytes, p, "PUT") == Match::Complete)
        read.block.kind = FileBlock::Kind::Put;
    else if (matchAt(bytes, p, "GET") == Match::Complete)
        read.block.kind = FileBlock::Kind::Get;
    else
        return bad(u"not a PUT or GET block"_s);
    p += 3;

    QByteArray uid, format, status;
    if (!expect("UID") || !value("/UID", kMaxUid, &uid))
        return read;
    for (char c : uid) {
        if (uchar(c) < 0x21 || uchar(c) > 0x7e)
            return bad(u"the UID holds a character that is not allowed"_s);
    }
    if (uid.isEmpty())
        return bad(u"the UID is empty"_s);
    if (!expect("FORMAT") || !value("/FORMAT", kMaxFormat, &format))
        return read;
    for (char c : format) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return bad(u"the format is not a word"_s);
    }
    skipBlanks();
    if (p >= bytes.size())
        return read;
    if (bytes[p] == 'S') {
        if (!expect("STATUS") || !value("/STATUS", kMaxStatus, &status))
            return read;
        bool ok = false;
        const qint64 number = status.trimmed().toLongLong(&ok);
        if (!ok)
            return bad(u"the status is not a number"_s);
        read.block.status = number;
    }
    if (!expect(read.block.kind == FileBlock::Kind::Put ? QByteArrayView("DATA") : QByteArrayView("/GET")))
        return read;
    read.block.uid = WireCodec::decode(uid);
    read.block.format = WireCodec::decode(format);
    read.state = HeaderRead::State::Done;
    read.consumed = p;
    return read;
}

// Takes a PUT that cannot be stored, so the stream stays readable, and answers as told.
class RefusedUpload : public FileUpload
{
public:
    explicit RefusedUpload(QByteArray reply) : m_reply(std::move(reply)) {}
    void write(QByteArrayView) override {}
    QByteArray finish() override { return m_reply; }

private:
    QByteArray m_reply;
};

} // namespace

FileBlockReader::FileBlockReader(const CommandRegistry &registry, CommandContext &context)
    : m_registry(registry)
    , m_context(context)
{
}

FileBlockReader::~FileBlockReader() = default;

bool FileBlockReader::opensBlock(QByteArrayView bytes, bool *incomplete)
{
    *incomplete = false;
    for (QByteArrayView word : {QByteArrayView("PUT"), QByteArrayView("GET")}) {
        const Match m = matchAt(bytes, 0, word);
        if (m == Match::Complete)
            return true;
        if (m == Match::Partial)
            *incomplete = true;
    }
    return false;
}

qsizetype FileBlockReader::feed(QByteArrayView bytes)
{
    switch (m_phase) {
    case Phase::Header:
        return feedHeader(bytes);
    case Phase::Data:
        return feedData(bytes);
    case Phase::Done:
        break;
    }
    return 0;
}

qsizetype FileBlockReader::feedHeader(QByteArrayView bytes)
{
    const qsizetype before = m_header.size();
    m_header.append(bytes);
    const HeaderRead read = readHeader(m_header);
    switch (read.state) {
    case HeaderRead::State::NeedMore:
        if (m_header.size() > kHeaderLimit)
            fail(ServerErrors::RequestTooLong, u"The block header is longer than 4096 bytes"_s, true);
        return bytes.size();
    case HeaderRead::State::Bad:
        fail(ServerErrors::MalformedRequest, u"The file block cannot be read: "_s + read.why, true);
        return bytes.size();
    case HeaderRead::State::Done:
        break;
    }
    const qsizetype used = read.consumed - before;
    m_header.clear();
    startBlock(read.block);
    if (m_phase != Phase::Data)
        return used;
    return used + feedData(bytes.sliced(used));
}

void FileBlockReader::startBlock(const FileBlock &block)
{
    const FileFormatHandler *handler = m_registry.findFileFormat(block.format);
    const bool put = block.kind == FileBlock::Kind::Put;
    const QByteArray unknown = ReplyWriter::errorReply(
        ServerErrors::BadArgument, QString(u"The server keeps no files of the format '"_s + block.format + u"'"_s),
        kFunction);
    try {
        if (!put) {
            complete(handler && handler->get ? handler->get(block, m_context) : unknown);
            return;
        }
        m_upload = handler && handler->put ? handler->put(block, m_context) : nullptr;
    } catch (const std::exception &e) {
        const QByteArray broken = ReplyWriter::errorReply(
            ServerErrors::HandlerFailure, QString(u"The file transfer failed: "_s + QString::fromLocal8Bit(e.what())),
            kFunction);
        if (!put) {
            complete(broken);
            return;
        }
        m_upload = std::make_unique<RefusedUpload>(broken);
    }
    if (!m_upload)
        m_upload = std::make_unique<RefusedUpload>(handler ? QByteArray("FAILED DATA") : unknown);
    m_phase = Phase::Data;
}

void FileBlockReader::writeData(qsizetype count)
{
    if (count <= 0)
        return;
    m_upload->write(QByteArrayView(m_pending).first(count));
    m_written += count;
    m_pending.remove(0, count);
}

qsizetype FileBlockReader::feedData(QByteArrayView bytes)
{
    m_pending.append(bytes);
    qsizetype end = -1;
    const auto finish = [&](qsizetype trailerEnd) {
        const qsizetype leftover = m_pending.size() - trailerEnd;
        m_pending.clear();
        QByteArray reply;
        try {
            reply = m_upload->finish();
        } catch (const std::exception &e) {
            reply = ReplyWriter::errorReply(ServerErrors::HandlerFailure,
                                            QString(u"The file transfer failed: "_s + QString::fromLocal8Bit(e.what())),
                                            kFunction);
        }
        complete(reply);
        return bytes.size() - leftover;
    };

    for (;;) {
        switch (m_dataEnd) {
        case DataEnd::Undecided: {
            if (m_pending.size() >= 12) {
                if (m_pending.startsWith("RIFF") && QByteArrayView(m_pending).sliced(8, 4) == "WAVE") {
                    m_dataEnd = DataEnd::ByLength;
                    m_expected = 8 + qint64(qFromLittleEndian<quint32>(m_pending.constData() + 4));
                } else {
                    m_dataEnd = DataEnd::ByMarker;
                }
                continue;
            }
            const bool mayBeWave = matchAt(m_pending, 0, "RIFF") != Match::No;
            if (!mayBeWave || trailerAt(m_pending, 0, &end) == Match::Complete) {
                m_dataEnd = DataEnd::ByMarker;
                continue;
            }
            return bytes.size();
        }
        case DataEnd::ByLength: {
            writeData(qsizetype(std::min<qint64>(m_expected - m_written, m_pending.size())));
            if (m_written < m_expected)
                return bytes.size();
            const Match m = trailerAt(m_pending, 0, &end);
            if (m == Match::Complete)
                return finish(end);
            if (m == Match::Partial)
                return bytes.size();
            // The header's length was wrong: the first end marker ends the data.
            m_dataEnd = DataEnd::ByMarker;
            continue;
        }
        case DataEnd::ByMarker:
            for (qsizetype p = m_pending.indexOf('/'); p >= 0; p = m_pending.indexOf('/', p + 1)) {
                const Match m = trailerAt(m_pending, p, &end);
                if (m == Match::No)
                    continue;
                writeData(p);
                if (m == Match::Complete)
                    return finish(end - p);
                return bytes.size(); // the marker may be beginning: wait for the rest
            }
            writeData(m_pending.size());
            return bytes.size();
        }
    }
}

void FileBlockReader::fail(int number, const QString &text, bool closeAfter)
{
    m_upload.reset();
    m_pending.clear();
    m_closeAfter = closeAfter;
    complete(ReplyWriter::errorReply(number, text, kFunction));
}

void FileBlockReader::complete(QByteArray reply)
{
    m_upload.reset();
    m_reply = std::move(reply);
    m_complete = true;
    m_phase = Phase::Done;
}
