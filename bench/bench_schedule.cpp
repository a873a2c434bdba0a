// The day view under a full day: 300 appointments of one modality listed through the reference
// server (in-process on a thread of its own, on a real SQLite file, over loopback), from
// Terminliste to the last row of ListView1 painted, with the real window, link, handlers and list:
//   against a bare QTcpSocket reader that sends the same two requests (TERMCOUNT, TERMLIST) on
//   connections of their own and only collects the replies, in the same run against the same server;
//   and the window's responsiveness meanwhile: the longest time the event loop was kept from a 1 ms
//   timer while the list was being filled (goal: a few milliseconds, far below what a user notices).

#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "schedule/appointmentlist.h"
#include "schedule/appointmentwindow.h"
#include "schedule/schedulecommands.h"
#include "schedule/schedulerequests.h"
#include "schedule/schedulestate.h"
#include "ui/dialogs.h"
#include "ui/taskdesk.h"
#include "zelserver.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kAppointments = 300;
constexpr int kRounds = 21;
const QDate kDay(2008, 5, 12);

class SilentPrompter : public Prompter
{
public:
    void show(Icon, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(text));
    }
    Answer ask(Icon, const QString &, const QString &, Buttons) override { return Answer::Cancel; }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Sends one request on a fresh connection and collects its reply; returns its size.
qsizetype collect(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    QEventLoop loop;
    QByteArray reply;
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        reply.append(socket.readAll());
        if (reply.endsWith("/CMDDATA\r\n"))
            loop.quit();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, [&] { loop.quit(); });
    socket.connectToHost(u"127.0.0.1"_s, port);
    loop.exec();
    return reply.size();
}

double bareRead(quint16 port, qsizetype *bytes)
{
    QElapsedTimer clock;
    clock.start();
    collect(port, TermCountRequest(kDay, 1));
    *bytes = collect(port, TermListRequest(kDay, 1));
    return double(clock.nsecsElapsed()) / 1e6;
}

struct WindowRun
{
    double ms = 0;
    double longestStallMs = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The server on a thread of its own, so the event loop measured is the client's alone.
    QTemporaryDir dir;
    QThread serverThread;
    serverThread.start();
    QObject serverSide;
    serverSide.moveToThread(&serverThread);
    ZelServer *server = nullptr;
    quint16 port = 0;
    QString error;
    QMetaObject::invokeMethod(&serverSide, [&] {
        server = new ZelServer;
        ZelServer::Options options;
        options.databasePath = dir.filePath(u"department.sqlite"_s);
        if (!server->start(options, &error))
            return;
        Database &db = server->database();
        db.execute(u"INSERT INTO tblModality (ModalityID, ModalityName, Room, Description) VALUES (1, 'X-Ray', 'Room 1', 'Plain')"_s, nullptr);
        db.execute(u"BEGIN"_s, nullptr);
        for (int i = 0; i < kAppointments; ++i) {
            db.execute(u"INSERT INTO tblPatienten (PATID, PATID1, PATNachname, PATVorname) VALUES (%1, '%2', 'Surname%1', 'Firstname')"_s
                           .arg(i + 1)
                           .arg(10000000 + i),
                       nullptr);
            db.execute(u"INSERT INTO tblAppointments (PATID, ModalityID, AppDate, StartTime, BodyPart, Information, Duration,"
                       u" Status, AccessionNumber) VALUES (%1, 1, '2008-05-12', '%2', 'Chest', 'Bring previous films', 4,"
                       u" 'Booked', '%3')"_s.arg(i + 1)
                           .arg(QTime(0, 0).addSecs(i * 4 * 60).toString(u"HH:mm"_s))
                           .arg(60000 + i),
                       nullptr);
        }
        db.execute(u"COMMIT"_s, nullptr);
        port = server->commandPort();
    }, Qt::BlockingQueuedConnection);
    if (port == 0) {
        std::fprintf(stderr, "zelserver: %s\n", qPrintable(error));
        return 1;
    }

    SilentPrompter prompter;
    LogBook log(dir.path(), prompter);
    Session session;
    session.ServerHost = u"127.0.0.1"_s;
    session.ServerPort = port;
    session.settings.ConnectTimeout = 10;
    session.settings.CommandTimeout = 30;
    CommandLink link(session, prompter, log);
    bindScheduleCommands(link, session, prompter, {});
    ScheduleState &state = session.state<ScheduleState>();
    state.ModalityList = {u"1|X-Ray|Room 1|Plain"_s};
    QtDialogs dialogs;
    AppointmentWindow window(TaskContext{session, link, prompter, log, dir.path(), dialogs});
    window.resize(1280, 900);
    window.show();
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    auto *list = window.findChild<AppointmentList *>(u"ListView1"_s);

    const auto windowRun = [&](const QDate &day, int rows) {
        WindowRun run;
        QEventLoop loop;
        QElapsedTimer clock;
        QElapsedTimer beat;
        QTimer heartbeat;
        heartbeat.setInterval(1);
        QObject::connect(&heartbeat, &QTimer::timeout, &loop, [&] {
            run.longestStallMs = std::max(run.longestStallMs, double(beat.nsecsElapsed()) / 1e6);
            beat.restart();
        });
        const QMetaObject::Connection done = QObject::connect(&link, &CommandLink::busyEnded, &loop, [&] {
            if (link.phase() != CommandLink::Phase::Idle || list->topLevelItemCount() != rows)
                return;
            list->viewport()->repaint();
            run.ms = double(clock.nsecsElapsed()) / 1e6;
            loop.quit();
        });
        clock.start();
        beat.start();
        heartbeat.start();
        window.findChild<QCalendarWidget *>()->setSelectedDate(day);
        loop.exec();
        heartbeat.stop();
        QObject::disconnect(done);
        return run;
    };

    std::vector<double> windowMs, bareMs, stalls;
    qsizetype bytes = 0;
    for (int i = 0; i < kRounds; ++i) {
        bareMs.push_back(bareRead(port, &bytes));
        // Away to an empty day first, so every round lists the full day afresh.
        (void)windowRun(kDay.addDays(1 + i % 2), 0);
        const WindowRun run = windowRun(kDay, kAppointments);
        windowMs.push_back(run.ms);
        stalls.push_back(run.longestStallMs);
    }
    if (list->topLevelItemCount() != kAppointments)
        std::fprintf(stderr, "the list holds %d rows\n", list->topLevelItemCount());
    const double w = median(windowMs);
    const double b = median(bareMs);
    std::printf("a day of %d appointments on one modality (%lld bytes of TERMLIST), median of %d rounds,\n"
                "through the reference server (its own thread), TERMCOUNT + TERMLIST:\n",
                kAppointments, qlonglong(bytes), kRounds);
    std::printf("  fAppointment, ListView1 filled and painted   %7.2f ms\n", w);
    std::printf("  bare QTcpSocket reader, replies collected    %7.2f ms\n", b);
    std::printf("  ratio                                        %7.2f\n", w / b);
    std::printf("  longest event-loop stall while filling       %7.2f ms (median), %.2f ms (worst)\n", median(stalls),
                *std::max_element(stalls.begin(), stalls.end()));
    QMetaObject::invokeMethod(&serverSide, [&] { delete server; }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
    return 0;
}
