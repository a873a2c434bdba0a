#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <stdexcept>

class CommandLink;

// How a command's reply handler reads its reply. Every command of the catalogue has one.
enum class Shape {
    Number,          // a number from the first event
    FirstEvent,      // one value or one record from the first event
    AnyReply,        // the arrival of data is the acknowledgement
    StreamedRecords, // records handed on as they arrive
    RecordsPerEvent, // records handed on event by event
    WholeReply,      // the reply as a whole once it is complete
    StatusWord,      // "DATA SAVED" / "FAILED DATA" after an upload
    FileTransfer,    // the content between "REPORT" and "/REPORT"
    NotRead,         // sent and closed: the reply is never read
    StatisticsStep,  // one answer of a statistics run
};

QString shapeName(Shape shape);

// Thrown by a reply handler or a filler when a reply cannot be used (a missing field, a value that
// does not convert). The link logs it under "DataArrival", resets the pointers and closes the
// connection.
class HandlerFailure : public std::runtime_error
{
public:
    HandlerFailure(std::int32_t number, const QString &text);
    std::int32_t number() const { return m_number; }
    QString text() const { return QString::fromUtf8(what()); }

private:
    std::int32_t m_number;
};

// The fields of one record, in the order the server sends them.
using Record = QStringList;

// The complete records of one data event. Records are cut out of the received bytes without being
// copied; a record is decoded and split into its fields only when it is asked for, so a list of
// 100 000 rows costs little more than receiving it.
class RecordBatch
{
public:
    RecordBatch() = default;
    RecordBatch(QByteArray bytes, QList<std::pair<qsizetype, qsizetype>> lines);

    qsizetype size() const { return m_lines.size(); }
    bool isEmpty() const { return m_lines.isEmpty(); }
    Record at(qsizetype i) const;
    QByteArrayView raw(qsizetype i) const;
    QList<Record> toList() const;

    class const_iterator
    {
    public:
        const_iterator(const RecordBatch *batch, qsizetype i) : m_batch(batch), m_i(i) {}
        Record operator*() const { return m_batch->at(m_i); }
        const_iterator &operator++()
        {
            ++m_i;
            return *this;
        }
        bool operator!=(const const_iterator &o) const { return m_i != o.m_i; }

    private:
        const RecordBatch *m_batch;
        qsizetype m_i;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    QByteArray m_bytes;
    QList<std::pair<qsizetype, qsizetype>> m_lines; // start and length of each record in m_bytes
};

// A reply handler: the shape's reading of the bytes plus the command's own logic, given as callbacks.
// One handler object serves its command for the whole run; begin() forgets the previous reply.
class ReplyHandler
{
public:
    enum class Progress { Waiting, Done };

    explicit ReplyHandler(Shape shape) : m_shape(shape) {}
    virtual ~ReplyHandler() = default;
    ReplyHandler(const ReplyHandler &) = delete;
    ReplyHandler &operator=(const ReplyHandler &) = delete;

    Shape shape() const { return m_shape; }

    virtual void begin() {}
    // One data event's bytes, unchanged. Waiting: the reply is not complete and more is expected.
    virtual Progress onData(CommandLink &link, const QByteArray &piece) = 0;

    // A reply whose end is in doubt (an end marker that ends the bytes so far without starting a
    // line: the end, or the letters inside a record cut just there) is settled as ended when
    // nothing more comes for a moment or the server closes: the link then calls settle().
    virtual bool hasPendingEnd() const { return false; }
    virtual Progress settle(CommandLink &) { return Progress::Waiting; }

private:
    Shape m_shape;
};

using HandlerPtr = std::shared_ptr<ReplyHandler>;

using LinkAction = std::function<void(CommandLink &)>;
using NumberAction = std::function<void(CommandLink &, std::int32_t)>;
using TextAction = std::function<void(CommandLink &, const QString &)>;
using RecordsAction = std::function<void(CommandLink &, const RecordBatch &)>;
using BytesAction = std::function<void(CommandLink &, const QByteArray &)>;
enum class StatusWord { Saved, Failed };
using StatusAction = std::function<void(CommandLink &, StatusWord)>;

// The value of the first event through ExtractID. The action decides whether to chain or close.
HandlerPtr numberReply(NumberAction action);
// The first event without its framing (the markers and the CR LF pairs around the value), as one
// value or one record. The action decides what follows.
HandlerPtr firstEvent(TextAction action);
// The action runs on the first data; the reply itself is not read.
HandlerPtr anyReply(LinkAction action);
// Complete records go to the filler as they arrive, a batch per data event; an unfinished last
// record waits for the rest. When "/CMDDATA" arrives the connection is closed, the last records are
// filled, `done` runs and the pointers are reset.
HandlerPtr streamedRecords(RecordsAction filler, LinkAction done = {});
HandlerPtr recordsPerEvent(RecordsAction filler, LinkAction done = {});
// As recordsPerEvent, but the end of the reply leaves the connection open and the pointers busy:
// `done` chains the next command on it, or closes and resets the pointers itself.
HandlerPtr recordsPerEventThenChain(RecordsAction filler, LinkAction done);
// The reply without its framing once it is complete; the connection is closed before the action runs.
HandlerPtr wholeReply(TextAction action);
// As wholeReply, but the connection is left open for the action, which sends a last request on it
// or closes it, and resets the pointers itself.
HandlerPtr wholeReplyThenChain(TextAction action);
// Waits for "FAILED DATA" or "DATA SAVED" (a reply with both is a failure) and closes the connection.
HandlerPtr statusWord(StatusAction action);
// Collects bytes until "/REPORT" and hands on what stands between the first "REPORT" and the first
// "/REPORT", byte for byte; the connection is closed before the action runs.
HandlerPtr fileTransfer(BytesAction action);
// One answer of a statistics walk, stripped, once its end marker has come; the connection stays
// open for the next step.
HandlerPtr statisticsStep(TextAction action);
// For commands whose reply is never read.
HandlerPtr notRead();

// Splits stripped list text into records at CR LF and into fields at "|"; empty lines are skipped.
QList<Record> splitRecords(const QString &text);
