// Rows per second of a 100 000-patient PATLIST reply over loopback: from the first byte the server
// sends to the last row shown in the PATList of fEditPatient, against a bare QTcpSocket reader that
// only collects the same reply, in the same run. The server is a plain blocking socket loop on its own
// thread, so both readers face the same peer.

#include "app/logbook.h"
#include "app/prompter.h"
#include "app/session.h"
#include "link/commandlink.h"
#include "patients/editpatientwindow.h"
#include "patients/patientcommands.h"
#include "patients/patientlist.h"
#include "payloadserver.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
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
// in the list and painted.
double listRead(const PayloadServer &server)
{
    QTemporaryDir dir;
    SilentPrompter prompter;
    LogBook log(dir.path(), prompter);
    Session session;
    session.ServerHost = u"127.0.0.1"_s;
    session.ServerPort = server.port();
    session.settings.ConnectTimeout = 10;
    session.settings.CommandTimeout = 30;
    CommandLink link(session, prompter, log);
    bindPatientCommands(link, session, prompter);
    EditPatientWindow window(session, link, prompter, dir.path());
    window.resize(1280, 800);
    window.show();
    auto *list = window.findChild<PatientList *>(u"PATList"_s);

    QEventLoop loop;
    double ms = 0;
    QObject::connect(list, &PatientList::filled, &loop, [&] {
        if (list->topLevelItemCount() < kPatients)
            return;
        list->viewport()->repaint();
        ms = msSince(server.firstByteSent());
        loop.quit();
    });
    window.findChild<QLineEdit *>(u"PATID1Search"_s)->setText(u"F1*"_s);
    window.findChild<QPushButton *>(u"cmdSearch"_s)->click();
    loop.exec();
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
    PayloadServer server(payload);

    std::vector<double> listMs, bareMs;
    for (int i = 0; i < kRounds; ++i) {
        bareMs.push_back(bareRead(server, payload.size()));
        listMs.push_back(listRead(server));
    }
    const double list = median(listMs);
    const double bare = median(bareMs);
    std::printf("100 000-patient PATLIST, %.1f MB, median of %d rounds\n", double(payload.size()) / 1e6, kRounds);
    std::printf("  PATList of fEditPatient  %7.1f ms  %9.0f rows/s\n", list, kPatients / list * 1000);
    std::printf("  bare QTcpSocket reader   %7.1f ms  %9.0f rows/s\n", bare, kPatients / bare * 1000);
    std::printf("  ratio                    %7.2f\n", list / bare);
    return 0;
}
