#include "replyshapes.h"

#include "commandlink.h"
#include "replyhelpers.h"
#include "wirecodec.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView kOpen = "CMDDATA";
constexpr QByteArrayView kClose = "/CMDDATA";
constexpr QByteArrayView kCrLf = "\r\n";
// A one-value reply never needs more than this; past it the value is used as it stands rather
// than held for ever.
constexpr qsizetype kValueLimit = 64 * 1024;

// Hands on the one value of a number or first-event reply. A value that opens a "CMDDATA" block
// waits until the block is closed, so a reply cut into pieces is never read half.
class FirstValue : public ReplyHandler
{
public:
    FirstValue(Shape shape, TextAction action) : ReplyHandler(shape), m_action(std::move(action)) {}

    void begin() override { m_text.clear(); }

    Progress onData(CommandLink &link, QByteArrayView piece) override
    {
        m_text.append(piece);
        if (m_text.size() < kValueLimit) {
            if (m_text.trimmed().isEmpty())
                return Progress::Waiting;
            const qsizetype open = indexOfMarker(m_text, kOpen);
            if (open >= 0 && indexOfMarker(m_text, kClose, open) < 0) {
                // The opening marker may itself be "/CMDDATA" with the "/" cut off by the split;
                // either way the closing marker has not come yet.
                return Progress::Waiting;
            }
        }
        const qsizetype close = indexOfMarker(m_text, kClose);
        const QByteArray value = close >= 0 ? m_text.left(close + kClose.size()) : m_text;
        m_text.clear();
        m_action(link, WireCodec::decode(value));
        return Progress::Done;
    }

private:
    TextAction m_action;
    QByteArray m_text;
};

class AnyReply : public ReplyHandler
{
public:
    explicit AnyReply(LinkAction action) : ReplyHandler(Shape::AnyReply), m_action(std::move(action)) {}

    Progress onData(CommandLink &link, QByteArrayView) override
    {
        m_action(link);
        return Progress::Done;
    }

private:
    LinkAction m_action;
};

// Collects the reply until its end marker turns up. The search only covers what is new, so the cost
// stays linear in the size of the reply however it is cut.
class MarkerCollector
{
public:
    explicit MarkerCollector(QByteArrayView upperMarker) : m_marker(upperMarker) {}

    void clear()
    {
        m_bytes.clear();
        m_scanned = 0;
    }
    // Position of the end marker, or -1 while it has not arrived.
    qsizetype append(QByteArrayView piece)
    {
        m_bytes.append(piece);
        const qsizetype from = std::max<qsizetype>(0, m_scanned - (m_marker.size() - 1));
        m_scanned = m_bytes.size();
        return indexOfMarker(m_bytes, m_marker, from);
    }
    QByteArray &bytes() { return m_bytes; }
    // Forgets the first n bytes, which have been used.
    void dropFront(qsizetype n)
    {
        m_bytes.remove(0, n);
        m_scanned = std::max<qsizetype>(0, m_scanned - n);
    }

private:
    QByteArrayView m_marker;
    QByteArray m_bytes;
    qsizetype m_scanned = 0;
};

// Streamed records and records per event: complete records are decoded and handed on, the
// unfinished last one (the reply buffer) waits for the next event.
class RecordStream : public ReplyHandler
{
public:
    RecordStream(Shape shape, RecordsAction filler, LinkAction done)
        : ReplyHandler(shape), m_collector(kClose), m_filler(std::move(filler)), m_done(std::move(done))
    {
    }

    void begin() override { m_collector.clear(); }

    Progress onData(CommandLink &link, QByteArrayView piece) override
    {
        QByteArray &buffer = m_collector.bytes();
        const qsizetype searchFrom = std::max<qsizetype>(0, buffer.size() - 1);
        const qsizetype end = m_collector.append(piece);
        if (end >= 0) {
            const QList<Record> records = parse(QByteArrayView(buffer).first(end), true);
            m_collector.clear();
            link.CloseSocket();
            if (!records.isEmpty())
                m_filler(link, records);
            if (m_done)
                m_done(link);
            link.ResetPointers();
            return Progress::Done;
        }
        // Only the new bytes (and the one before them, for a CR LF cut in two) can end a record.
        const qsizetype lastEnd = QByteArrayView(buffer).sliced(searchFrom).lastIndexOf(kCrLf);
        if (lastEnd < 0)
            return Progress::Waiting;
        const qsizetype consumed = searchFrom + lastEnd + kCrLf.size();
        const QList<Record> records = parse(QByteArrayView(buffer).first(consumed), false);
        m_collector.dropFront(consumed);
        if (!records.isEmpty())
            m_filler(link, records);
        return Progress::Waiting;
    }

private:
    static QList<Record> parse(QByteArrayView text, bool last)
    {
        QList<Record> records;
        qsizetype pos = 0;
        while (pos < text.size()) {
            qsizetype eol = QByteArrayView(text).sliced(pos).indexOf(kCrLf);
            if (eol < 0) {
                if (!last)
                    break;
                eol = text.size() - pos;
            }
            QByteArray line = text.sliced(pos, eol).toByteArray();
            pos += eol + kCrLf.size();
            line.replace(kClose, QByteArrayView());
            line.replace(kOpen, QByteArrayView());
            if (line.isEmpty())
                continue;
            records.append(WireCodec::decode(line).split(u'|'));
        }
        return records;
    }

    MarkerCollector m_collector;
    RecordsAction m_filler;
    LinkAction m_done;
};

class WholeReply : public ReplyHandler
{
public:
    explicit WholeReply(TextAction action)
        : ReplyHandler(Shape::WholeReply), m_collector(kClose), m_action(std::move(action))
    {
    }

    void begin() override { m_collector.clear(); }

    Progress onData(CommandLink &link, QByteArrayView piece) override
    {
        const qsizetype end = m_collector.append(piece);
        if (end < 0)
            return Progress::Waiting;
        const QString text = StripReply(WireCodec::decode(QByteArrayView(m_collector.bytes()).first(end)));
        m_collector.clear();
        link.CloseSocket();
        m_action(link, text);
        link.ResetPointers();
        return Progress::Done;
    }

private:
    MarkerCollector m_collector;
    TextAction m_action;
};

class StatusWordReply : public ReplyHandler
{
public:
    explicit StatusWordReply(StatusAction action)
        : ReplyHandler(Shape::StatusWord), m_action(std::move(action))
    {
    }

    void begin() override
    {
        m_tail.clear();
        m_failed = m_saved = false;
    }

    Progress onData(CommandLink &link, QByteArrayView piece) override
    {
        // Only the last few bytes can still complete a word cut by a split.
        QByteArray window = m_tail + piece.toByteArray();
        m_failed = m_failed || indexOfMarker(window, "FAILED DATA") >= 0;
        m_saved = m_saved || indexOfMarker(window, "DATA SAVED") >= 0;
        m_tail = window.right(10);
        if (!m_failed && !m_saved)
            return Progress::Waiting;
        link.CloseSocket();
        m_action(link, m_failed ? StatusWord::Failed : StatusWord::Saved);
        return Progress::Done;
    }

private:
    StatusAction m_action;
    QByteArray m_tail;
    bool m_failed = false;
    bool m_saved = false;
};

class FileTransfer : public ReplyHandler
{
public:
    explicit FileTransfer(BytesAction action)
        : ReplyHandler(Shape::FileTransfer), m_collector("/REPORT"), m_action(std::move(action))
    {
    }

    void begin() override { m_collector.clear(); }

    Progress onData(CommandLink &link, QByteArrayView piece) override
    {
        if (m_collector.append(piece) < 0)
            return Progress::Waiting;
        const QByteArray &all = m_collector.bytes();
        QByteArray content;
        const qsizetype open = all.indexOf("REPORT");
        const qsizetype close = all.indexOf("/REPORT");
        if (open >= 0 && close > open)
            content = all.mid(open + 6, close - open - 6);
        m_collector.clear();
        link.CloseSocket();
        m_action(link, content);
        return Progress::Done;
    }

private:
    MarkerCollector m_collector;
    BytesAction m_action;
};

class NotRead : public ReplyHandler
{
public:
    NotRead() : ReplyHandler(Shape::NotRead) {}
    Progress onData(CommandLink &, QByteArrayView) override { return Progress::Done; }
};

} // namespace

QString shapeName(Shape shape)
{
    switch (shape) {
    case Shape::Number: return u"number"_s;
    case Shape::FirstEvent: return u"first event"_s;
    case Shape::AnyReply: return u"any reply"_s;
    case Shape::StreamedRecords: return u"streamed records"_s;
    case Shape::RecordsPerEvent: return u"records per event"_s;
    case Shape::WholeReply: return u"whole reply"_s;
    case Shape::StatusWord: return u"status word"_s;
    case Shape::FileTransfer: return u"file transfer"_s;
    case Shape::NotRead: return u"not read"_s;
    case Shape::StatisticsStep: return u"statistics step"_s;
    }
    return {};
}

HandlerFailure::HandlerFailure(std::int32_t number, const QString &text)
    : std::runtime_error(text.toStdString()), m_number(number)
{
}

HandlerPtr numberReply(NumberAction action)
{
    return std::make_shared<FirstValue>(Shape::Number, [action = std::move(action)](CommandLink &link, const QString &text) {
        action(link, ExtractID(text));
    });
}

HandlerPtr firstEvent(TextAction action)
{
    return std::make_shared<FirstValue>(Shape::FirstEvent, [action = std::move(action)](CommandLink &link, const QString &text) {
        action(link, StripReply(text));
    });
}

HandlerPtr anyReply(LinkAction action)
{
    return std::make_shared<AnyReply>(std::move(action));
}

HandlerPtr streamedRecords(RecordsAction filler, LinkAction done)
{
    return std::make_shared<RecordStream>(Shape::StreamedRecords, std::move(filler), std::move(done));
}

HandlerPtr recordsPerEvent(RecordsAction filler, LinkAction done)
{
    return std::make_shared<RecordStream>(Shape::RecordsPerEvent, std::move(filler), std::move(done));
}

HandlerPtr wholeReply(TextAction action)
{
    return std::make_shared<WholeReply>(std::move(action));
}

HandlerPtr statusWord(StatusAction action)
{
    return std::make_shared<StatusWordReply>(std::move(action));
}

HandlerPtr fileTransfer(BytesAction action)
{
    return std::make_shared<FileTransfer>(std::move(action));
}

HandlerPtr notRead()
{
    return std::make_shared<NotRead>();
}

QList<Record> splitRecords(const QString &text)
{
    QList<Record> records;
    for (const QString &line : text.split(u"\r\n"_s)) {
        if (!line.isEmpty())
            records.append(line.split(u'|'));
    }
    return records;
}
