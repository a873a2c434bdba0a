#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class CommandRegistry;
struct CommandContext;

// The file blocks of the command port, beside the request lines. A PUT carries a file to the server,
// a GET asks for one; the pieces follow each other on the stream without separators, and blanks or
// line ends between them are allowed:
//   PUT UID<uid>/UID FORMAT<format>/FORMAT [STATUS<n>/STATUS] DATA <bytes> /DATA /PUT
//   GET UID<uid>/UID FORMAT<format>/FORMAT [STATUS<n>/STATUS] /GET
// No length is sent. A wave file gives its own length in its RIFF header, so its data ends exactly
// there; other data ends at the first "/DATA" that "/PUT" follows.
struct FileBlock
{
    enum class Kind { Put, Get };
    Kind kind = Kind::Get;
    QString uid;
    QString format; // as sent, upper case expected ("TXT", "WAV")
    std::optional<qint64> status;
};

// Where the data of one PUT goes as it arrives. Destroyed without finish() (the connection ended
// half way), it leaves nothing behind.
class FileUpload
{
public:
    virtual ~FileUpload() = default;
    virtual void write(QByteArrayView bytes) = 0;
    // All data is in: the reply to the PUT.
    virtual QByteArray finish() = 0;
};

// What a domain registers for a file format: how a PUT of it is taken and a GET answered.
struct FileFormatHandler
{
    std::function<std::unique_ptr<FileUpload>(const FileBlock &, CommandContext &)> put;
    std::function<QByteArray(const FileBlock &, CommandContext &)> get;
};

// Reads one file block from the stream of a connection, whatever the pieces it arrives in, holding
// no more of it than a short header and the few bytes that may begin its end marker.
class FileBlockReader
{
public:
    FileBlockReader(const CommandRegistry &registry, CommandContext &context);
    ~FileBlockReader();

    // True when the stream (after blanks) opens a block; `incomplete` when the bytes so far could
    // still become "PUT" or "GET".
    static bool opensBlock(QByteArrayView bytes, bool *incomplete);

    // Takes the next bytes of the stream; returns how many belong to the block. Once the block is
    // complete the rest is what follows it.
    qsizetype feed(QByteArrayView bytes);
    bool isComplete() const { return m_complete; }
    QByteArray reply() const { return m_reply; }
    // The stream could not be read as a block: after the reply the connection ends.
    bool closeAfter() const { return m_closeAfter; }

private:
    enum class Phase { Header, Data, Done };

    qsizetype feedHeader(QByteArrayView bytes);
    qsizetype feedData(QByteArrayView bytes);
    void startBlock(const FileBlock &block);
    void fail(int number, const QString &text, bool closeAfter);
    void complete(QByteArray reply);
    void writeData(qsizetype count);

    const CommandRegistry &m_registry;
    CommandContext &m_context;
    Phase m_phase = Phase::Header;
    QByteArray m_header;
    std::unique_ptr<FileUpload> m_upload;

    // Data not yet handed to the upload: it may be where the end marker begins.
    QByteArray m_pending;
    qint64 m_written = 0;
    enum class DataEnd { Undecided, ByLength, ByMarker };
    DataEnd m_dataEnd = DataEnd::Undecided;
    qint64 m_expected = -1;

    bool m_complete = false;
    bool m_closeAfter = false;
    QByteArray m_reply;
};
