// The statistics, measured in one run:
//   (a) the 135-code 24-hour walk of the real link and handlers, answered by zelserver over a
//       department of 100 000 examinations, against the same walk answered by a bare scripted peer
//       (a Qt server that replies "0" to every request at once; goal: within 2x), and, as the floor,
//       by a blocking socket loop. Each server runs on a thread of its own. "Changed data": the database changes before every walk, so each
//       walk pays its grouped pass; "unchanged": the summary of the period is reused.
//   (b) the preview of a 50-page report: showing its last page against showing its first (goal:
//       within 2x; no page may lay the whole text out again).

#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"
#include "database.h"
#include "link/commandlink.h"
#include "stats/pagedreport.h"
#include "stats/previewwindow.h"
#include "stats/statcommands.h"
#include "stats/stathosts.h"
#include "stats/statreport.h"
#include "stats/statsstate.h"
#include "ui/dialogs.h"
#include "ui/taskdesk.h"
#include "zelserver.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPageSize>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kExaminations = 100000;
constexpr int kPatients = 20000;
constexpr int kRounds = 15;

class SilentPrompter : public Prompter
{
public:
    void show(Icon, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(text));
    }
    Answer ask(Icon, const QString &, const QString &, Buttons) override { return Answer::Cancel; }
};

// A department of 100 000 examinations over the two years 2007 and 2008.
bool fillDepartment(const QString &path)
{
    Database db;
    QString error;
    if (!db.open(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    db.execute(u"BEGIN"_s, &error);
    const QStringList races = {u"White Male"_s, u"White Female"_s, u"Coloured Male"_s,
                               u"Coloured Female"_s, u"Black Male"_s, u"Black Female"_s};
    QSqlQuery race = db.prepare(u"INSERT INTO tblRaceGroups (Rasse, Entry) VALUES (?, ?)"_s);
    for (int i = 0; i < races.size(); ++i) {
        race.bindValue(0, i);
        race.bindValue(1, races.at(i));
        Database::run(race, &error);
    }
    QSqlQuery icd = db.prepare(u"INSERT INTO tblICD9 (ICD9ID, ICD9Code, ICD9Description, SpInvHead, SpInv) VALUES (?, ?, ?, ?, ?)"_s);
    for (int i = 1; i <= 40; ++i) {
        icd.bindValue(0, i);
        icd.bindValue(1, u"%1.%2"_s.arg(80 + i / 10).arg(i % 10));
        icd.bindValue(2, u"Procedure %1"_s.arg(i));
        icd.bindValue(3, i <= 10 ? QVariant(i % 6 + 1) : QVariant(QMetaType::fromType<int>()));
        icd.bindValue(4, i <= 10 ? QVariant(1) : QVariant(QMetaType::fromType<int>()));
        Database::run(icd, &error);
    }
    QRandomGenerator random(2008);
    QSqlQuery patient = db.prepare(u"INSERT INTO tblPatienten (PATID, PATID1, PATNachname, Rasse) VALUES (?, ?, ?, ?)"_s);
    for (int id = 1; id <= kPatients; ++id) {
        patient.bindValue(0, id);
        patient.bindValue(1, QString::number(10000000 + id));
        patient.bindValue(2, u"Patient"_s);
        patient.bindValue(3, random.bounded(6));
        Database::run(patient, &error);
    }
    QSqlQuery study = db.prepare(
        u"INSERT INTO tblStudies (StudyID, StudyNr, PATID, StudyDate, Department, OfficeHours, HospitalPrivate,"
        u" InOutPatient) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s);
    QSqlQuery procedure = db.prepare(u"INSERT INTO tblStudyProcedures (StudyNr, ICD9ID, StudyID) VALUES (?, ?, ?)"_s);
    const QDate first(2007, 1, 1);
    for (int id = 1; id <= kExaminations; ++id) {
        const QVariantList values = {id,
                                     100000 + id,
                                     1 + random.bounded(kPatients),
                                     first.addDays(random.bounded(731)).toString(Qt::ISODate),
                                     random.bounded(7),
                                     random.bounded(2),
                                     random.bounded(2),
                                     random.bounded(3)};
        for (int i = 0; i < values.size(); ++i)
            study.bindValue(i, values.at(i));
        Database::run(study, &error);
        for (int r = 0, rows = 1 + random.bounded(2); r < rows; ++r) {
            procedure.bindValue(0, 100000 + id);
            procedure.bindValue(1, 1 + random.bounded(40));
            procedure.bindValue(2, id);
            Database::run(procedure, &error);
        }
    }
    if (!db.execute(u"COMMIT"_s, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    return true;
}

// zelserver on a thread of its own.
class ServerThread : public QThread
{
public:
    explicit ServerThread(QString path) : m_path(std::move(path)) {}
    quint16 port() const { return m_port.load(); }

protected:
    void run() override
    {
        ZelServer server;
        ZelServer::Options options;
        options.databasePath = m_path;
        options.passwordIterations = 500;
        QString error;
        if (!server.start(options, &error)) {
            std::fprintf(stderr, "zelserver: %s\n", qPrintable(error));
            m_port = 1;
            return;
        }
        m_port = server.commandPort();
        exec();
        server.stop();
    }

private:
    QString m_path;
    std::atomic<quint16> m_port{0};
};

// A peer that answers every request line with "0" at once, over one connection at a time.
class BarePeer
{
public:
    BarePeer()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(m_fd, 8);
        socklen_t len = sizeof addr;
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~BarePeer()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
    }
    quint16 port() const { return m_port; }

private:
    void serve()
    {
        static const QByteArray reply = "CMDDATA\r\n0\r\n/CMDDATA\r\n";
        for (;;) {
            const int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                return;
            const int one = 1;
            ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            QByteArray buffer;
            char chunk[512];
            for (;;) {
                const ssize_t n = ::read(c, chunk, sizeof chunk);
                if (n <= 0)
                    break;
                buffer.append(chunk, n);
                for (qsizetype end = buffer.indexOf("/CMD"); end >= 0; end = buffer.indexOf("/CMD")) {
                    buffer.remove(0, end + 4);
                    if (::write(c, reply.constData(), size_t(reply.size())) < 0)
                        break;
                }
            }
            ::close(c);
        }
    }

    int m_fd = -1;
    quint16 m_port = 0;
    std::thread m_thread;
};

// The bare scripted peer: a Qt server on a thread of its own that answers every request line with
// "0" as soon as it has read it, the least any server built like zelserver can do.
class ScriptedPeerThread : public QThread
{
public:
    quint16 port() const { return m_port.load(); }

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                auto buffer = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, buffer] {
                    buffer->append(socket->readAll());
                    for (qsizetype end = buffer->indexOf("/CMD"); end >= 0; end = buffer->indexOf("/CMD")) {
                        buffer->remove(0, end + 4);
                        socket->write("CMDDATA\r\n0\r\n/CMDDATA\r\n");
                    }
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_port = server.serverPort();
        exec();
    }

private:
    std::atomic<quint16> m_port{0};
};

// The walk as the client runs it, without windows: the presenter only says when it has ended.
class EndOfWalk : public StatisticsPresenter
{
public:
    void walkStarted(ActionCode) override {}
    void walkAdvanced(ActionCode, int done, int, int) override { answers = done; }
    void walkEnded(ActionCode) override { ended = true; }
    bool ended = false;
    int answers = 0;
};

struct Client
{
    Client() : log(dir.path(), prompter), link(session, prompter, log)
    {
        session.settings.ConnectTimeout = 10;
        session.settings.CommandTimeout = 10;
        session.ServerHost = u"127.0.0.1"_s;
        bindStatsCommands(link, session, presenter);
    }

    // One 24-hour walk from its first request to its end, in milliseconds.
    double walk(quint16 port, const QString &from, const QString &to)
    {
        session.ServerPort = port;
        session.ActionCode = ActionCode::Statistics24Hours;
        StatsState &state = session.state<StatsState>();
        state.StatDateFrom = from;
        state.StatDateTo = to;
        presenter.ended = false;
        QElapsedTimer clock;
        clock.start();
        link.StartCommand(Command::STAT001);
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (presenter.ended || clock.elapsed() > 60000)
                loop.quit();
        });
        poll.start();
        loop.exec();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (!presenter.ended || presenter.answers != 135)
            std::fprintf(stderr, "walk did not end (%d answers)\n", presenter.answers);
        return ms;
    }

    QTemporaryDir dir;
    SilentPrompter prompter;
    Session session;
    LogBook log;
    CommandLink link;
    EndOfWalk presenter;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void touch(const QString &path)
{
    Database other;
    QString error;
    if (other.open(path, &error))
        other.execute(u"UPDATE tblRaceGroups SET Entry = Entry WHERE Rasse = 0"_s, &error);
}

void benchWalk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"department.sqlite"_s);
    QElapsedTimer fill;
    fill.start();
    if (!fillDepartment(path))
        return;
    std::printf("department of %d examinations filled in %.0f ms\n", kExaminations, double(fill.elapsed()));

    ServerThread server(path);
    server.start();
    while (server.port() == 0)
        QThread::msleep(5);
    BarePeer bare;
    ScriptedPeerThread scripted;
    scripted.start();
    while (scripted.port() == 0)
        QThread::msleep(5);
    Client client;

    struct Period
    {
        const char *name;
        QString from;
        QString to;
    };
    const Period periods[] = {{"one day", u"2008-06-15"_s, u"2008-06-15"_s},
                              {"one month", u"2008-06-01"_s, u"2008-06-30"_s},
                              {"one year", u"2008-01-01"_s, u"2008-12-31"_s}};
    client.walk(bare.port(), periods[0].from, periods[0].to); // warms the client up
    for (const Period &p : periods) {
        std::vector<double> real;
        std::vector<double> warm;
        std::vector<double> peer;
        std::vector<double> socketPeer;
        for (int round = 0; round < kRounds; ++round) {
            touch(path);
            real.push_back(client.walk(server.port(), p.from, p.to));
            warm.push_back(client.walk(server.port(), p.from, p.to));
            peer.push_back(client.walk(scripted.port(), p.from, p.to));
            socketPeer.push_back(client.walk(bare.port(), p.from, p.to));
        }
        const double r = median(real);
        const double w = median(warm);
        const double b = median(peer);
        const double f = median(socketPeer);
        std::printf("(a) 24-hour walk, %-9s  zelserver: changed data %6.1f ms, unchanged %6.1f ms;"
                    " bare scripted peer %6.1f ms: ratio %.2fx (unchanged %.2fx);"
                    " blocking-socket peer %6.1f ms: ratio %.2fx\n",
                    p.name, r, w, b, r / b, w / b, f, r / f);
    }
    server.quit();
    server.wait();
    scripted.quit();
    scripted.wait();
}

struct PreviewContext
{
    PreviewContext() : log(dir.path(), prompter), link(session, prompter, log) {}
    QTemporaryDir dir;
    SilentPrompter prompter;
    Session session;
    LogBook log;
    CommandLink link;
    QtDialogs dialogs;
    TaskContext context() { return {session, link, prompter, log, dir.path(), dialogs}; }
};

// A special report with `lines` procedures in one category.
void specialReport(QTextDocument &document, int lines)
{
    StatsState state;
    state.StatDateFrom = u"2008-01-01"_s;
    state.StatDateTo = u"2008-12-31"_s;
    QStringList details;
    for (int i = 0; i < lines; ++i)
        details.append(u"Procedure number %1|%2"_s.arg(i).arg(i % 17 + 1));
    state.StatRows = {u"Other"_s, QString::number(lines), details.join(u"\r\n"_s)};
    StatReport::startDocument(document);
    StatReport(document, state, QDateTime::currentDateTime()).StatInsert(ActionCode::StatisticsSpecial1, u"Special Investigation 1"_s);
}

void benchPreview()
{
    // The number of procedure lines that make the report 50 pages long on the preview's page.
    const QSizeF page = PagedReport::pixelsOfPoints(QPageSize(QPageSize::A4).size(QPageSize::Point));
    int low = 100;
    int high = 20000;
    while (low < high) {
        const int mid = (low + high) / 2;
        QTextDocument document;
        specialReport(document, mid);
        if (PagedReport(document, page).pageCount() < 50)
            low = mid + 1;
        else
            high = mid;
    }
    PreviewContext context;
    QTextEdit source;
    specialReport(*source.document(), low);
    PreviewWindow preview(context.context(), &source);
    preview.resize(1200, 900);
    preview.show();
    auto *pageNo = preview.findChild<QComboBox *>(u"cboPageNo"_s);
    const int pages = preview.pageCount();
    std::vector<double> firstPage;
    std::vector<double> lastPage;
    for (int round = 0; round < 3 * kRounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        pageNo->setCurrentIndex(pages - 1);
        lastPage.push_back(double(clock.nsecsElapsed()) / 1e6);
        clock.restart();
        pageNo->setCurrentIndex(0);
        firstPage.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const double f = median(firstPage);
    const double l = median(lastPage);
    std::printf("(b) preview of a %d-page report (%d lines): first page %.1f ms, last page %.1f ms, ratio %.2fx\n",
                pages, low, f, l, l / f);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchWalk();
    benchPreview();
    return 0;
}
