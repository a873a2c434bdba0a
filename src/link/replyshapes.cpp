#include "replyshapes.h"

#include "commandlink.h"
#include "replyhelpers.h"
#include "wirecodec.h"

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView kOpen = "CMDDATA";
constexpr QByteArrayView kClose = "/CMDDATA";
// A one-value reply never needs more than this; past it the value is used as it stands rather
// than held for ever.
constexpr qsizetype kValueLimit = 64 * 1024;

class AnyReply : public ReplyHandler
{
public:
    explicit AnyReply(LinkAction action) : ReplyHandler(Shape::AnyReply), m_action(std::move(action)) {}

    Progress onData(CommandLink &link, const QByteArray &) override
    {
        m_action(link);
        return Progress::Done;
    }

private:
    LinkAction m_action;
};

// What the shapes that hand on text (first event, whole reply, statistics step) make of a reply:
// the text before its end marker, without the opening marker and without CR LF pairs at either end.
// Only the framing goes: the same letters inside the records are left as the server sent them.
QByteArray stripFraming(QByteArrayView reply)
{
    qsizetype begin = 0;
    while (begin < reply.size() && (reply[begin] == ' ' || reply[begin] == '\t' || reply[begin] == '\r' || reply[begin] == '\n'))
        ++begin;
    QByteArrayView rest = reply.sliced(begin).startsWith(kOpen) ? reply.sliced(begin + kOpen.size()) : reply;
    while (rest.size() >= 2 && rest.first(2) == "\r\n")
        rest = rest.sliced(2);
    while (rest.size() >= 2 && rest.last(2) == "\r\n")
        rest.chop(2);
    return rest.toByteArray();
}

// Watches a stream of pieces for an end marker (any case). Only what is new is searched, plus the few
// bytes before it where a marker cut in two may have begun, so the cost stays linear in the size of
// the reply however it is cut.
class MarkerWatch
{
public:
    explicit MarkerWatch(QByteArrayView upperMarker) : m_marker(upperMarker) {}

    void clear()
    {
        m_seen = 0;
        m_seam.clear();
    }
    // Position of the marker counted from the start of the reply, or -1 while it has not arrived.
    qsizetype feed(QByteArrayView piece)
    {
        const qsizetype keep = m_marker.size() - 1;
        // A marker that spans the seam between the previous bytes and this piece.
        QByteArray seam = m_seam + piece.first(std::min(keep, piece.size())).toByteArray();
        const qsizetype inSeam = indexOfMarker(seam, m_marker);
        qsizetype found = -1;
        if (inSeam >= 0 && inSeam < m_seam.size())
            found = m_seen - m_seam.size() + inSeam;
        else if (const qsizetype inPiece = indexOfMarker(piece, m_marker); inPiece >= 0)
            found = m_seen + inPiece;
        m_seen += piece.size();
        m_seam = piece.size() >= keep ? piece.last(keep).toByteArray() : seam.right(keep);
        return found;
    }

private:
    QByteArrayView m_marker;
    qsizetype m_seen = 0;
    QByteArray m_seam;
};

// Watches a record reply for its end marker, "/CMDDATA" in any case, where it frames the reply: at
// the start of a line (or of the reply, or right after the opening "CMDDATA"), or ending its line.
// The same letters inside a record ("Smith/cmddata|John", a name typed in another program) are data.
// A marker that ends the bytes received so far without starting a line is in doubt: the next bytes
// decide, or, when nothing more comes, the handler settles it as the end (a server may leave out
// the last line break). Like MarkerWatch, only the new bytes and a short seam before them are read.
class EndMarkerWatch
{
public:
    void clear()
    {
        m_seen = 0;
        m_scanFrom = 0;
        m_pending = -1;
        m_window.clear();
    }

    // Position of the framing marker counted from the start of the reply, or -1.
    qsizetype feed(QByteArrayView piece)
    {
        const QByteArray text = m_window + piece.toByteArray();
        const qsizetype base = m_seen - m_window.size(); // reply position of text[0]
        const qsizetype from = std::max<qsizetype>(0, (m_pending >= 0 ? m_pending : m_scanFrom) - base);
        m_pending = -1;
        qsizetype found = -1;
        for (qsizetype at = indexOfMarker(text, kClose, from); at >= 0; at = indexOfMarker(text, kClose, at + 1)) {
            const Verdict verdict = judge(text, base, at);
            if (verdict == Verdict::Frames) {
                found = base + at;
                break;
            }
            if (verdict == Verdict::InDoubt) {
                m_pending = base + at;
                break;
            }
        }
        m_seen += piece.size();
        m_window = text.right(kWindow);
        // A marker cut off at the end starts in the last bytes: they are read again next time.
        m_scanFrom = std::max<qsizetype>(0, m_seen - (kClose.size() - 1));
        return found;
    }

    // The marker in doubt, or -1.
    qsizetype pending() const { return m_pending; }

private:
    enum class Verdict { Data, Frames, InDoubt };

    static constexpr qsizetype kWindow = 16;

    static bool isSpace(char c) { return c == ' ' || c == '\t'; }

    static Verdict judge(QByteArrayView text, qsizetype base, qsizetype at)
    {
        // Starts a line, the reply, or follows the opening marker.
        qsizetype before = at;
        while (before > 0 && isSpace(text[before - 1]))
            --before;
        const bool startsLine = before == 0 ? base == 0
                                            : text[before - 1] == '\n'
                                                  || (before >= kOpen.size()
                                                      && indexOfMarker(text.sliced(before - kOpen.size(), kOpen.size()),
                                                                       kOpen) == 0);
        if (startsLine)
            return Verdict::Frames;
        // Ends its line.
        qsizetype after = at + kClose.size();
        while (after < text.size() && isSpace(text[after]))
            ++after;
        if (after == text.size())
            return Verdict::InDoubt;
        return text[after] == '\r' || text[after] == '\n' ? Verdict::Frames : Verdict::Data;
    }

    qsizetype m_seen = 0;
    qsizetype m_scanFrom = 0;
    qsizetype m_pending = -1;
    QByteArray m_window;
};

// Hands on the one value of a number or first-event reply. A value that opens a "CMDDATA" block
// waits until the block is closed, so a reply cut into pieces is never read half.
class FirstValue : public ReplyHandler
{
public:
    FirstValue(Shape shape, TextAction action) : ReplyHandler(shape), m_action(std::move(action)) {}

    void begin() override
    {
        m_text.clear();
        m_end.clear();
    }

    Progress onData(CommandLink &link, const QByteArray &piece) override
    {
        m_text.append(piece);
        const qsizetype close = m_end.feed(piece);
        if (close < 0 && m_text.size() < kValueLimit) {
            if (m_text.trimmed().isEmpty())
                return Progress::Waiting;
            // The opening marker may itself be "/CMDDATA" with the "/" cut off by the split; either
            // way the closing marker has not come yet.
            if (indexOfMarker(m_text, kOpen) >= 0)
                return Progress::Waiting;
        }
        return finish(link, close >= 0 ? close : m_text.size());
    }

    bool hasPendingEnd() const override { return m_end.pending() >= 0; }
    Progress settle(CommandLink &link) override { return finish(link, m_end.pending()); }

private:
    // The value is what stands before the end marker (or the whole text of a bare value).
    Progress finish(CommandLink &link, qsizetype end)
    {
        const QByteArray value = stripFraming(QByteArrayView(m_text).first(end));
        m_text.clear();
        m_action(link, WireCodec::decode(value));
        return Progress::Done;
    }

    TextAction m_action;
    QByteArray m_text;
    EndMarkerWatch m_end;
};

// Streamed records and records per event: complete records are handed on event by event, the
// unfinished last one (the reply buffer) waits for the rest.
class RecordStream : public ReplyHandler
{
public:
    RecordStream(Shape shape, RecordsAction filler, LinkAction done, bool closeAtEnd = true)
        : ReplyHandler(shape), m_filler(std::move(filler)), m_done(std::move(done)), m_closeAtEnd(closeAtEnd)
    {
    }

    void begin() override
    {
        m_buffer.clear();
        m_end.clear();
        m_offset = 0;
        m_firstLine = true;
    }

    Progress onData(CommandLink &link, const QByteArray &piece) override
    {
        const qsizetype before = m_buffer.size();
        const qsizetype end = m_end.feed(piece);
        if (m_buffer.isEmpty())
            m_buffer = piece; // shares the bytes: no copy
        else
            m_buffer.append(piece);
        if (end >= 0)
            return finish(link, end);
        // Only the new bytes (and the one before them, for a CR LF cut in two) can end a record.
        const qsizetype from = std::max<qsizetype>(0, before - 1);
        const qsizetype lastEnd = QByteArrayView(m_buffer).sliced(from).lastIndexOf("\r\n");
        if (lastEnd < 0)
            return Progress::Waiting;
        const RecordBatch batch = take(from + lastEnd + 2, false);
        if (!batch.isEmpty())
            m_filler(link, batch);
        return Progress::Waiting;
    }

    bool hasPendingEnd() const override { return m_end.pending() >= 0; }
    Progress settle(CommandLink &link) override { return finish(link, m_end.pending()); }

private:
    Progress finish(CommandLink &link, qsizetype end)
    {
        const RecordBatch batch = take(end - m_offset, true);
        if (m_closeAtEnd)
            link.CloseSocket();
        if (!batch.isEmpty())
            m_filler(link, batch);
        if (m_done)
            m_done(link);
        if (m_closeAtEnd)
            link.ResetPointers();
        return Progress::Done;
    }

    // Cuts the first `length` bytes of the buffer into records; the rest stays for the next event.
    RecordBatch take(qsizetype length, bool last)
    {
        QByteArray bytes = std::move(m_buffer);
        m_buffer = bytes.sliced(length);
        m_offset += length;
        QList<std::pair<qsizetype, qsizetype>> lines;
        const char *data = bytes.constData();
        qsizetype pos = 0;
        while (pos < length) {
            const void *nl = std::memchr(data + pos, '\n', size_t(length - pos));
            qsizetype next = nl ? static_cast<const char *>(nl) - data : length;
            // A lone LF is part of the data; records end with CR LF.
            while (nl && (next == pos || data[next - 1] != '\r')) {
                nl = next + 1 < length ? std::memchr(data + next + 1, '\n', size_t(length - next - 1)) : nullptr;
                next = nl ? static_cast<const char *>(nl) - data : length;
            }
            if (!nl && !last)
                break;
            qsizetype start = pos;
            qsizetype stop = nl ? next - 1 : length;
            pos = nl ? next + 1 : length;
            if (m_firstLine) {
                // The reply opens with "CMDDATA", on a line of its own or before the first record.
                while (start < stop && (data[start] == ' ' || data[start] == '\t'))
                    ++start;
                if (stop == start)
                    continue; // blank lines before the marker
                m_firstLine = false;
                if (QByteArrayView(data + start, stop - start).startsWith(kOpen))
                    start += kOpen.size();
            }
            if (stop > start)
                lines.append({start, stop - start});
        }
        return RecordBatch(std::move(bytes), std::move(lines));
    }

    EndMarkerWatch m_end;
    RecordsAction m_filler;
    LinkAction m_done;
    bool m_closeAtEnd = true;
    QByteArray m_buffer;      // the unfinished last record
    qsizetype m_offset = 0;   // bytes of the reply already cut into records
    bool m_firstLine = true;
};

// The reply as a whole, without its framing, once its end marker has come. A whole reply ends the
// command: the connection closes before the action runs and the pointers are reset after it. A
// statistics step is read the same way, but its walk goes on on the same connection.
class MarkedText : public ReplyHandler
{
public:
    // closeAtEnd false: the action chains on the open connection, which stays open.
    MarkedText(Shape shape, TextAction action, bool closeAtEnd)
        : ReplyHandler(shape), m_action(std::move(action)), m_closeAtEnd(closeAtEnd)
    {
    }

    void begin() override
    {
        m_end.clear();
        m_bytes.clear();
    }

    Progress onData(CommandLink &link, const QByteArray &piece) override
    {
        const qsizetype end = m_end.feed(piece);
        m_bytes.append(piece);
        return end < 0 ? Progress::Waiting : finish(link, end);
    }

    bool hasPendingEnd() const override { return m_end.pending() >= 0; }
    Progress settle(CommandLink &link) override { return finish(link, m_end.pending()); }

private:
    Progress finish(CommandLink &link, qsizetype end)
    {
        const QString text = WireCodec::decode(stripFraming(QByteArrayView(m_bytes).first(end)));
        m_bytes.clear();
        if (m_closeAtEnd)
            link.CloseSocket();
        m_action(link, text);
        if (m_closeAtEnd)
            link.ResetPointers();
        return Progress::Done;
    }

    EndMarkerWatch m_end;
    TextAction m_action;
    bool m_closeAtEnd = true;
    QByteArray m_bytes;
};

class StatusWordReply : public ReplyHandler
{
public:
    explicit StatusWordReply(StatusAction action)
        : ReplyHandler(Shape::StatusWord), m_failedWatch("FAILED DATA"), m_savedWatch("DATA SAVED"),
          m_action(std::move(action))
    {
    }

    void begin() override
    {
        m_failedWatch.clear();
        m_savedWatch.clear();
        m_failed = m_saved = false;
    }

    Progress onData(CommandLink &link, const QByteArray &piece) override
    {
        m_failed = m_failedWatch.feed(piece) >= 0 || m_failed;
        m_saved = m_savedWatch.feed(piece) >= 0 || m_saved;
        if (!m_failed && !m_saved)
            return Progress::Waiting;
        link.CloseSocket();
        m_action(link, m_failed ? StatusWord::Failed : StatusWord::Saved);
        return Progress::Done;
    }

private:
    MarkerWatch m_failedWatch;
    MarkerWatch m_savedWatch;
    StatusAction m_action;
    bool m_failed = false;
    bool m_saved = false;
};

// Keeps the pieces as they came and joins them once, when "/REPORT" has arrived: a dictation of
// many megabytes is copied once, not at every piece.
class FileTransfer : public ReplyHandler
{
public:
    explicit FileTransfer(BytesAction action)
        : ReplyHandler(Shape::FileTransfer), m_end("/REPORT"), m_action(std::move(action))
    {
    }

    void begin() override
    {
        m_end.clear();
        m_pieces.clear();
        m_size = 0;
    }

    Progress onData(CommandLink &link, const QByteArray &piece) override
    {
        m_pieces.append(piece);
        m_size += piece.size();
        const qsizetype end = m_end.feed(piece);
        if (end < 0)
            return Progress::Waiting;
        QByteArray content = extract(end);
        m_pieces.clear();
        link.CloseSocket();
        m_action(link, content);
        return Progress::Done;
    }

private:
    // The content: from just after the first "REPORT" to the first "/REPORT", exact case.
    QByteArray extract(qsizetype end) const
    {
        // The usual reply opens with "REPORT" in its first piece and ends with the marker the
        // watch found: copy just the content, once.
        const QByteArray &first = m_pieces.constFirst();
        const qsizetype open = first.indexOf("REPORT");
        if (open >= 0 && open + 6 <= end && joined(end, end + 7) == "/REPORT")
            return joined(open + 6, end);
        QByteArray all = joined(0, m_size);
        const qsizetype o = all.indexOf("REPORT");
        const qsizetype c = o >= 0 ? all.indexOf("/REPORT", o) : -1;
        return (o >= 0 && c > o) ? all.mid(o + 6, c - o - 6) : QByteArray();
    }

    // Bytes [from, to) of the reply.
    QByteArray joined(qsizetype from, qsizetype to) const
    {
        QByteArray out;
        out.reserve(std::max<qsizetype>(0, to - from));
        qsizetype at = 0;
        for (const QByteArray &p : m_pieces) {
            const qsizetype lo = std::max(from, at);
            const qsizetype hi = std::min(to, at + p.size());
            if (lo < hi)
                out.append(QByteArrayView(p).sliced(lo - at, hi - lo));
            at += p.size();
            if (at >= to)
                break;
        }
        return out;
    }

    MarkerWatch m_end;
    QList<QByteArray> m_pieces;
    qsizetype m_size = 0;
    BytesAction m_action;
};

class NotRead : public ReplyHandler
{
public:
    NotRead() : ReplyHandler(Shape::NotRead) {}
    Progress onData(CommandLink &, const QByteArray &) override { return Progress::Done; }
};

} // namespace

RecordBatch::RecordBatch(QByteArray bytes, QList<std::pair<qsizetype, qsizetype>> lines)
    : m_bytes(std::move(bytes)), m_lines(std::move(lines))
{
}

QByteArrayView RecordBatch::raw(qsizetype i) const
{
    const auto [start, length] = m_lines.at(i);
    return QByteArrayView(m_bytes).sliced(start, length);
}

Record RecordBatch::at(qsizetype i) const
{
    return WireCodec::decode(raw(i)).split(u'|');
}

QList<Record> RecordBatch::toList() const
{
    QList<Record> records;
    records.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        records.append(at(i));
    return records;
}

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
    return std::make_shared<FirstValue>(Shape::FirstEvent, std::move(action));
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

HandlerPtr recordsPerEventThenChain(RecordsAction filler, LinkAction done)
{
    return std::make_shared<RecordStream>(Shape::RecordsPerEvent, std::move(filler), std::move(done), false);
}

HandlerPtr wholeReply(TextAction action)
{
    return std::make_shared<MarkedText>(Shape::WholeReply, std::move(action), true);
}

HandlerPtr wholeReplyThenChain(TextAction action)
{
    return std::make_shared<MarkedText>(Shape::WholeReply, std::move(action), false);
}

HandlerPtr statusWord(StatusAction action)
{
    return std::make_shared<StatusWordReply>(std::move(action));
}

HandlerPtr fileTransfer(BytesAction action)
{
    return std::make_shared<FileTransfer>(std::move(action));
}

HandlerPtr statisticsStep(TextAction action)
{
    return std::make_shared<MarkedText>(Shape::StatisticsStep, std::move(action), false);
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
