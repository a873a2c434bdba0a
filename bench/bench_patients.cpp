// The patient list under a 100 000-patient PATLIST reply over loopback, from the request to the last
// row in the PATList of fEditPatient (the real window, link, handler and list):
//   (a) against a bare QTcpSocket reader that only collects the same reply, in the same run (the
//       server is a plain blocking socket loop on its own thread, so both readers face the same peer);
//   (b) the reply sent whole against the same reply sent in pieces of one TCP segment (1 460 bytes)
//       and of 200 bytes, each piece sent once the client has read the one before, so every piece is
//       a data event of its own (their number is printed), as on a network slower than the client.
//       The list's work must stay linear in the records whatever the pieces (goal: 1 460-byte pieces
//       within 2x the whole reply).

#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "patients/editpatientwindow.h"
#include "patients/patientcommands.h"
#include "patients/patientlist.h"
#include "payloadserver.h"
#include "ui/dialogs.h"
#include "ui/taskdesk.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/ioctl.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPatients = 100000;
constexpr int kRounds = 5;
const QByteArray kRequest = "CMDPATLIST|F1%|%/CMD";

class SilentPrompter : public Prompter
{
public:
    void show(Icon, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(text));
    }
    Answer ask(Icon, const QString &, const QString &, Buttons) override { return Answer::Cancel; }
};

// CPU time of the calling thread: the client's own work, whatever the pacing of the server.
double threadCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Cost
{
    double wallMs = 0;
    double cpuMs = 0;
};

double msSince(PayloadServer::Clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(PayloadServer::Clock::now() - from).count();
}

// Collects the reply and counts its lines: the least any list reader does.
double bareRead(const PayloadServer &server, qint64 expected)
{
    QTcpSocket socket;
    QEventLoop loop;
    QByteArray reply;
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(kRequest); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        reply.append(socket.readAll());
        if (reply.size() >= expected)
            loop.quit();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, [&] { loop.quit(); });
    socket.connectToHost(u"127.0.0.1"_s, server.port());
    loop.exec();
    const qsizetype lines = reply.count("\r\n");
    const double ms = msSince(server.firstByteSent());
    if (reply.size() != expected || lines != kPatients + 2)
        std::fprintf(stderr, "bare reader got %lld of %lld bytes\n", qlonglong(reply.size()), qlonglong(expected));
    return ms;
}

// The real search: fEditPatient's "Find", the link, PatListInsert and PATList, until the last row is
// in the list and painted. Returns the time from the click; `events` counts the data events the link
// saw.
// The client's socket while a paced reply is being read; -1 when none.
std::atomic<int> g_clientSocket{-1};

// Waits until the client has read everything sent so far, so the next piece is a data event of its
// own, as on a network that is slower than the client.
void waitUntilRead()
{
    for (;;) {
        const int fd = g_clientSocket.load();
        int unread = 0;
        if (fd < 0 || ::ioctl(fd, FIONREAD, &unread) != 0 || unread == 0)
            return;
        std::this_thread::yield();
    }
}

Cost listRead(quint16 port, int *events)
{
    QTemporaryDir dir;
    SilentPrompter prompter;
    LogBook log(dir.path(), prompter);
    Session session;
    session.ServerHost = u"127.0.0.1"_s;
    session.ServerPort = port;
    session.settings.ConnectTimeout = 10;
    session.settings.CommandTimeout = 60;
    CommandLink link(session, prompter, log);
    bindPatientCommands(link, session, prompter);
    QtDialogs dialogs;
    EditPatientWindow window(TaskContext{session, link, prompter, log, dir.path(), dialogs});
    window.resize(1280, 800);
    window.show();
    auto *list = window.findChild<PatientList *>(u"PATList"_s);

    QEventLoop loop;
    QElapsedTimer clock;
    Cost cost;
    double cpuStart = 0;
    QObject::connect(list, &PatientList::filled, &loop, [&] {
        if (list->topLevelItemCount() < kPatients)
            return;
        list->viewport()->repaint();
        cost.wallMs = double(clock.nsecsElapsed()) / 1e6;
        cost.cpuMs = threadCpuMs() - cpuStart;
        loop.quit();
    });
    window.findChild<QLineEdit *>(u"PATID1Search"_s)->setText(u"F1*"_s);
    clock.start();
    cpuStart = threadCpuMs();
    window.findChild<QPushButton *>(u"cmdSearch"_s)->click();
    int seen = 0;
    if (auto *socket = link.findChild<QTcpSocket *>()) {
        QObject::connect(socket, &QTcpSocket::readyRead, &loop, [&seen] { ++seen; });
        QObject::connect(socket, &QTcpSocket::connected, &loop,
                         [socket] { g_clientSocket = int(socket->socketDescriptor()); });
    }
    loop.exec();
    g_clientSocket = -1;
    if (events)
        *events = seen;
    return cost;
}

// The link alone under the same reply: every record decoded and split into its fields, no list.
Cost linkRead(quint16 port, int *events)
{
    QTemporaryDir dir;
    SilentPrompter prompter;
    LogBook log(dir.path(), prompter);
    Session session;
    session.ServerHost = u"127.0.0.1"_s;
    session.ServerPort = port;
    session.settings.ConnectTimeout = 10;
    session.settings.CommandTimeout = 60;
    CommandLink link(session, prompter, log);
    QEventLoop loop;
    qint64 fields = 0;
    link.bind(Command::PATLIST, [](CommandLink &l) { l.send(CommandLink::requestLine(Command::PATLIST, u"%|%"_s)); },
              streamedRecords(
                  [&fields](CommandLink &, const RecordBatch &r) {
                      for (qsizetype k = 0; k < r.size(); ++k)
                          fields += r.at(k).size();
                  },
                  [&loop](CommandLink &) { loop.quit(); }));
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = threadCpuMs();
    link.StartCommand(Command::PATLIST);
    int seen = 0;
    if (auto *socket = link.findChild<QTcpSocket *>()) {
        QObject::connect(socket, &QTcpSocket::readyRead, &loop, [&seen] { ++seen; });
        QObject::connect(socket, &QTcpSocket::connected, &loop,
                         [socket] { g_clientSocket = int(socket->socketDescriptor()); });
    }
    loop.exec();
    const Cost cost{double(clock.nsecsElapsed()) / 1e6, threadCpuMs() - cpuStart};
    g_clientSocket = -1;
    *events = seen;
    if (fields != qint64(kPatients) * 8)
        std::fprintf(stderr, "link alone decoded %lld fields\n", qlonglong(fields));
    return cost;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Cost median(const std::vector<Cost> &costs)
{
    std::vector<double> wall, cpu;
    for (const Cost &c : costs) {
        wall.push_back(c.wallMs);
        cpu.push_back(c.cpuMs);
    }
    return {median(wall), median(cpu)};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QByteArray payload = "CMDDATA\r\n";
    for (int i = 0; i < kPatients; ++i) {
        payload += QByteArray::number(100000 + i) + "|F" + QByteArray::number(10000000 + i) + "|Surname"
                   + QByteArray::number(i) + "|Firstname|FS|1970-01-01|M|1\r\n";
    }
    payload += "/CMDDATA\r\n";
    {
        PayloadServer server(payload);
        std::vector<double> listMs, bareMs;
        for (int i = 0; i < kRounds; ++i) {
            bareMs.push_back(bareRead(server, payload.size()));
            const auto sent = PayloadServer::Clock::now();
            int events = 0;
            (void)listRead(server.port(), &events);
            listMs.push_back(msSince(std::max(sent, server.firstByteSent())));
        }
        const double list = median(listMs);
        const double bare = median(bareMs);
        std::printf("(a) 100 000-patient PATLIST, %.1f MB, median of %d rounds, from the first byte sent\n",
                    double(payload.size()) / 1e6, kRounds);
        std::printf("  PATList of fEditPatient, last row painted   %7.1f ms  %9.0f rows/s\n", list, kPatients / list * 1000);
        std::printf("  bare QTcpSocket reader, bytes collected     %7.1f ms  %9.0f rows/s\n", bare, kPatients / bare * 1000);
        std::printf("  ratio                                       %7.2f\n", list / bare);
    }
    {
        std::printf("(b) the same reply into PATList by the size of its pieces, median of %d rounds, from the click;\n"
                    "    client CPU time (its own work, whatever the pacing) and wall time\n",
                    kRounds);
        double wholeCpu = 0;
        for (const qsizetype piece : {qsizetype(0), qsizetype(1460), qsizetype(200)}) {
            PayloadServer server(payload, piece);
            server.setPacer(waitUntilRead);
            std::vector<Cost> list, linkOnly;
            int events = 0;
            int linkEvents = 0;
            for (int i = 0; i < kRounds; ++i) {
                list.push_back(listRead(server.port(), &events));
                linkOnly.push_back(linkRead(server.port(), &linkEvents));
            }
            const Cost l = median(list);
            const Cost k = median(linkOnly);
            if (piece == 0)
                wholeCpu = l.cpuMs;
            const QString how = piece == 0 ? u"whole reply"_s : u"%1-byte pieces"_s.arg(piece);
            std::printf("  %-17s %5d events  PATList cpu %7.1f ms (ratio to whole %5.2f) wall %7.1f ms"
                        " | link alone cpu %7.1f ms wall %7.1f ms\n",
                        qPrintable(how), events, l.cpuMs, l.cpuMs / wholeCpu, l.wallMs, k.cpuMs, k.wallMs);
        }
    }
    return 0;
}
