// A 50 MB dictation both ways, each against the floor of the same work, in the same run:
//   (a) the upload: a PUT block through zelserver's command port into its file store, against a bare
//       loopback reader that only counts the bytes and answers;
//   (b) the download's reply handler, which finds the end by the wave file's own length, against
//       the link's plain file transfer handler on the same pieces.
// Prints the time of each and their ratio.

#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "reports/recordertransfer.h"
#include "zelserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kDataBytes = 50 * 1000 * 1000;
constexpr qsizetype kChunk = 64000;
constexpr int kRuns = 3;

class SilentPrompter : public Prompter
{
public:
    void show(Icon, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "unexpected box: %s\n", qPrintable(text));
    }
    Answer ask(Icon, const QString &, const QString &, Buttons) override { return Answer::Cancel; }
};

QByteArray wave()
{
    QByteArray file(44 + kDataBytes, Qt::Uninitialized);
    for (qsizetype i = 0; i < file.size(); ++i)
        file[i] = char((i * 2654435761u) >> 24);
    std::memcpy(file.data(), "RIFF\0\0\0\0WAVEfmt ", 16);
    qToLittleEndian<quint32>(quint32(file.size() - 8), file.data() + 4);
    return file;
}

// Sends the PUT as the client does, in chunks, and waits for the answer.
double upload(quint16 port, const QByteArray &file)
{
    QTcpSocket socket;
    QEventLoop loop;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] {
        for (const QByteArray &piece : {QByteArray("PUT"), QByteArray("UID2.25.1/UID"), QByteArray("FORMATWAV/FORMAT"),
                                       QByteArray("STATUS-10/STATUS"), QByteArray("DATA")})
            socket.write(piece);
        for (qsizetype at = 0; at < file.size(); at += kChunk)
            socket.write(file.mid(at, kChunk));
        socket.write("/DATA");
        socket.write("/PUT");
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        answer += socket.readAll();
        if (answer.contains("DATA SAVED") || answer.contains("FAILED") || answer.contains("ERROR"))
            loop.quit();
    });
    QElapsedTimer t;
    t.start();
    socket.connectToHost(u"127.0.0.1"_s, port);
    loop.exec();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (!answer.contains("DATA SAVED"))
        std::fprintf(stderr, "upload answered %s\n", answer.left(80).constData());
    return ms;
}

// The floor: a peer that reads and counts, and answers once everything is in.
class CountingServer : public QObject
{
public:
    explicit CountingServer(qint64 expected) : m_expected(expected)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *s = m_server.nextPendingConnection();
            auto *count = new qint64(0);
            connect(s, &QTcpSocket::readyRead, s, [this, s, count] {
                *count += s->readAll().size();
                if (*count >= m_expected)
                    s->write("DATA SAVED");
            });
            connect(s, &QTcpSocket::disconnected, s, [s, count] {
                delete count;
                s->deleteLater();
            });
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QTcpServer m_server;
    qint64 m_expected;
};

double handlerTime(const HandlerPtr &handler, const QList<QByteArray> &pieces, CommandLink &link, qsizetype *got)
{
    QElapsedTimer t;
    t.start();
    handler->begin();
    for (const QByteArray &p : pieces) {
        if (handler->onData(link, p) == ReplyHandler::Progress::Done)
            break;
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (*got != kDataBytes + 44)
        std::fprintf(stderr, "handler handed on %lld bytes\n", qlonglong(*got));
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char *what, const char *label, const std::vector<double> &ms, const char *floorLabel,
            const std::vector<double> &floorMs)
{
    const double a = median(ms);
    const double b = median(floorMs);
    std::printf("%s\n  %-58s %8.1f ms\n  %-58s %8.1f ms\n  ratio %.2f\n", what, label, a, floorLabel, b, a / b);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray file = wave();

    QTemporaryDir dir;
    ZelServer server;
    ZelServer::Options options;
    options.databasePath = dir.filePath(u"bench.sqlite"_s);
    QString error;
    if (!server.start(options, &error)) {
        std::fprintf(stderr, "zelserver: %s\n", qPrintable(error));
        return 1;
    }
    QSqlQuery(server.database().connection())
        .exec(u"INSERT INTO tblStudies (StudyID, StudyNr, StudyUID) VALUES (1, 1, '2.25.1')"_s);
    CountingServer floor(file.size() + 52 + 9); // the header pieces, the file, "/DATA/PUT"

    std::vector<double> stored, counted;
    for (int i = 0; i < kRuns; ++i) {
        stored.push_back(upload(server.commandPort(), file));
        counted.push_back(upload(floor.port(), file));
    }
    report("(a) 50 MB dictation upload (PUT in 64000-byte chunks)", "zelserver: block reader into the file store",
           stored, "bare reader that counts the bytes", counted);

    const QByteArray reply = "REPORT" + file + "/REPORT\r\n";
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < reply.size(); at += 65536)
        pieces.append(reply.mid(at, 65536));
    SilentPrompter prompter;
    LogBook log(dir.path(), prompter);
    Session session;
    CommandLink link(session, prompter, log);
    qsizetype got = 0;
    const auto keep = [&got](CommandLink &, const QByteArray &content) { got = content.size(); };
    std::vector<double> byLength, byMarker;
    for (int i = 0; i < kRuns; ++i) {
        byLength.push_back(handlerTime(RecorderTransfer::dictationDownload(keep), pieces, link, &got));
        byMarker.push_back(handlerTime(fileTransfer(keep), pieces, link, &got));
    }
    report("(b) 50 MB dictation download, reply handler on 64 KiB pieces", "dictation handler (end by RIFF length)",
           byLength, "plain file transfer handler (end by marker)", byMarker);
    return 0;
}
