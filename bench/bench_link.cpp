// Streams large replies through the command link and through a bare QTcpSocket reader (which only
// collects the bytes) in the same run, over loopback, and prints the time of each and their ratio:
//   (a) a 50 MB file transfer reply, (b) a 100 000-record list with a no-op filler.
// The server is a plain blocking socket loop on its own thread, so both readers face the same peer.

#include "app/logbook.h"
#include "app/prompter.h"
#include "app/session.h"
#include "link/commandlink.h"
#include "payloadserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>

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

double linkRead(quint16 port, const QString &command, const HandlerPtr &handler, QEventLoop &loop,
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

void report(const char *what, const std::vector<double> &linkMs, const std::vector<double> &keepMs,
            const std::vector<double> &countMs)
{
    const double l = median(linkMs);
    const double k = median(keepMs);
    const double c = median(countMs);
    std::printf("%-26s link %7.1f ms | bare, keeping %7.1f ms: ratio %5.2f | bare, counting %7.1f ms: ratio %5.2f\n",
                what, l, k, l / k, c, l / c);
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
            linkMs.push_back(linkRead(server.port(), u"REPLOAD"_s, handler, loop,
                                      [](CommandLink &l) { l.send("GET/GET"); }));
        }
        if (delivered != body.size())
            std::fprintf(stderr, "file transfer delivered %lld bytes\n", qlonglong(delivered));
        report("(a) 50 MB file transfer", linkMs, keepMs, countMs);
    }

    { // (b) list
        QByteArray payload = "CMDDATA\r\n";
        for (int i = 0; i < 100000; ++i) {
            payload += QByteArray::number(100000 + i) + "|F" + QByteArray::number(i) + "|Surname" + QByteArray::number(i)
                       + "|Firstname|M.|1970-01-01|2|1\r\n";
        }
        payload += "/CMDDATA\r\n";
        PayloadServer server(payload);
        std::vector<double> linkMs, keepMs, countMs;
        qint64 rows = 0;
        for (int i = 0; i < rounds; ++i) {
            keepMs.push_back(bareRead(server.port(), "CMDPATLIST|%|%/CMD", payload.size(), true));
            countMs.push_back(bareRead(server.port(), "CMDPATLIST|%|%/CMD", payload.size(), false));
            QEventLoop loop;
            rows = 0;
            auto handler = streamedRecords([&rows](CommandLink &, const RecordBatch &r) { rows += r.size(); });
            linkMs.push_back(linkRead(server.port(), u"PATLIST"_s, handler, loop, [](CommandLink &l) {
                l.send(CommandLink::requestLine(u"PATLIST"_s, u"%|%"_s));
            }));
        }
        if (rows != 100000)
            std::fprintf(stderr, "list delivered %lld rows\n", qlonglong(rows));
        report("(b) 100 000-record list", linkMs, keepMs, countMs);
    }
    return 0;
}
