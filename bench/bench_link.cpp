// Streams large replies through the command link and through bare readers of the same bytes, in the
// same run, over loopback, and prints the time of each and their ratio:
//   (a) a 50 MB file transfer reply: the link's file transfer handler against a QTcpSocket reader
//       that keeps (or only counts) the bytes;
//   (b) a 100 000-record list: the link with a consumer that decodes every record and every field,
//       against a raw recv() reader that keeps the bytes and does nothing else: the floor of any
//       reader on this machine.
// The server is a plain blocking socket loop on its own thread, so every reader faces the same peer.

#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "payloadserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

class SilentPrompter : public Prompter
{
public:
    void show(Icon, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(text));
    }
    Answer ask(Icon, const QString &, const QString &, Buttons) override { return Answer::Cancel; }
};

// keep: collect the reply in memory, as a reader that uses it must; otherwise only count the bytes.
double bareRead(quint16 port, const QByteArray &request, qint64 expected, bool keep)
{
    QTcpSocket socket;
    QEventLoop loop;
    // What any reader of a reply does at the least: keep the bytes until the reply is in.
    QByteArray reply;
    qint64 received = 0;
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        const QByteArray piece = socket.readAll();
        received += piece.size();
        if (keep)
            reply.append(piece);
        if (received >= expected)
            loop.quit();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, [&] { loop.quit(); });
    QElapsedTimer t;
    t.start();
    socket.connectToHost(u"127.0.0.1"_s, port);
    loop.exec();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (received != expected)
        std::fprintf(stderr, "bare reader got %lld of %lld bytes\n", qlonglong(received), qlonglong(expected));
    return ms;
}

// A blocking recv() loop into one buffer: no event loop, no copies beyond the kernel's.
double rawRead(quint16 port, const QByteArray &request, qint64 expected)
{
    QElapsedTimer t;
    t.start();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        std::fprintf(stderr, "raw reader cannot connect\n");
        ::close(fd);
        return 0;
    }
    ::write(fd, request.constData(), size_t(request.size()));
    QByteArray reply(expected, Qt::Uninitialized);
    qint64 received = 0;
    while (received < expected) {
        const ssize_t n = ::recv(fd, reply.data() + received, size_t(expected - received), 0);
        if (n <= 0)
            break;
        received += n;
    }
    ::close(fd);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (received != expected)
        std::fprintf(stderr, "raw reader got %lld of %lld bytes\n", qlonglong(received), qlonglong(expected));
    return ms;
}

double linkRead(quint16 port, Command command, const HandlerPtr &handler, QEventLoop &loop,
                const CommandLink::Builder &build)
{
    QTemporaryDir dir;
    SilentPrompter prompter;
    LogBook log(dir.path(), prompter);
    Session session;
    session.ServerHost = u"127.0.0.1"_s;
    session.ServerPort = port;
    session.settings.ConnectTimeout = 10;
    session.settings.CommandTimeout = 30;
    CommandLink link(session, prompter, log);
    link.bind(command, build, handler);
    QObject::connect(&link, &CommandLink::busyEnded, &loop, [&loop] { loop.quit(); });
    QElapsedTimer t;
    t.start();
    link.StartCommand(command);
    loop.exec();
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char *what, const char *linkLabel, const std::vector<double> &linkMs, const char *bareLabel,
            const std::vector<double> &bareMs)
{
    const double l = median(linkMs);
    const double b = median(bareMs);
    std::printf("%s\n  %-52s %8.1f ms\n  %-52s %8.1f ms\n  ratio %.2f\n", what, linkLabel, l, bareLabel, b, l / b);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = 5;

    { // (a) file transfer
        QByteArray payload = "REPORT";
        QByteArray body(50 * 1024 * 1024, Qt::Uninitialized);
        auto *words = reinterpret_cast<quint32 *>(body.data());
        QRandomGenerator gen(1);
        gen.fillRange(words, body.size() / 4);
        body.replace("/REPORT", "/RxPORT"); // keep the marker out of the noise
        payload += body + "/REPORT";
        PayloadServer server(payload);
        std::vector<double> linkMs, keepMs, countMs;
        qint64 delivered = 0;
        for (int i = 0; i < rounds; ++i) {
            keepMs.push_back(bareRead(server.port(), "GET/GET", payload.size(), true));
            countMs.push_back(bareRead(server.port(), "GET/GET", payload.size(), false));
            QEventLoop loop;
            auto handler = fileTransfer([&](CommandLink &l, const QByteArray &content) {
                delivered = content.size();
                l.ResetPointers();
            });
            linkMs.push_back(linkRead(server.port(), Command::REPLOAD, handler, loop,
                                      [](CommandLink &l) { l.send("GET/GET"); }));
        }
        if (delivered != body.size())
            std::fprintf(stderr, "file transfer delivered %lld bytes\n", qlonglong(delivered));
        report("(a) 50 MB file transfer, median of 5", "link, file transfer handler (content copied once)", linkMs,
               "bare QTcpSocket reader keeping the bytes", keepMs);
        report("", "link, file transfer handler", linkMs, "bare QTcpSocket reader only counting the bytes", countMs);
    }

    { // (b) list
        QByteArray payload = "CMDDATA\r\n";
        for (int i = 0; i < 100000; ++i) {
            payload += QByteArray::number(100000 + i) + "|F" + QByteArray::number(i) + "|Surname" + QByteArray::number(i)
                       + "|Firstname|M.|1970-01-01|2|1\r\n";
        }
        payload += "/CMDDATA\r\n";
        PayloadServer server(payload);
        std::vector<double> linkMs, rawMs;
        qint64 rows = 0;
        qint64 fields = 0;
        for (int i = 0; i < rounds; ++i) {
            rawMs.push_back(rawRead(server.port(), "CMDPATLIST|%|%/CMD", payload.size()));
            QEventLoop loop;
            rows = fields = 0;
            // Every record decoded from the code page and split into its fields, as a list filler does.
            auto handler = streamedRecords([&rows, &fields](CommandLink &, const RecordBatch &r) {
                for (qsizetype k = 0; k < r.size(); ++k) {
                    const Record record = r.at(k);
                    fields += record.size();
                    ++rows;
                }
            });
            linkMs.push_back(linkRead(server.port(), Command::PATLIST, handler, loop, [](CommandLink &l) {
                l.send(CommandLink::requestLine(Command::PATLIST, u"%|%"_s));
            }));
        }
        if (rows != 100000 || fields != 800000)
            std::fprintf(stderr, "list delivered %lld rows, %lld fields\n", qlonglong(rows), qlonglong(fields));
        report("(b) 100 000-record list, median of 5", "link, every record and field decoded", linkMs,
               "raw recv() reader keeping the bytes", rawMs);
    }
    return 0;
}
