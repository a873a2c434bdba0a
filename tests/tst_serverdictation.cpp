// The server side of dictations: the header ("RepSend" with a .wav file), the wave files in PUT and
// GET blocks, and the file store behind them.

#include "database.h"
#include "zelserver.h"

#include <QDir>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <QVariant>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWaitMs = 10000;
const QString kUid = u"2.25.31"_s;

// A server on an empty database with two examinations and a doctor.
struct Fixture
{
    Fixture()
    {
        options.databasePath = dir.filePath(u"zel.db"_s);
        options.filesDirectory = dir.filePath(u"files"_s);
        options.passwordIterations = 500;
        QString error;
        if (!server.start(options, &error))
            qFatal("%s", qPrintable(error));
        exec(u"INSERT INTO tblStudies (StudyID, StudyNr, StudyUID) VALUES (1, 123, '2.25.31')"_s);
        exec(u"INSERT INTO tblStudies (StudyID, StudyNr, StudyUID) VALUES (2, 124, '../../xy')"_s);
        exec(u"INSERT INTO tblDoctors (DoctorID, DoctorName) VALUES (3, 'Dr. Naidoo')"_s);
    }

    void exec(const QString &sql)
    {
        QSqlQuery query(server.database().connection());
        if (!query.exec(sql))
            qFatal("%s", qPrintable(sql));
    }

    QVariant value(const QString &sql)
    {
        QSqlQuery query(server.database().connection());
        return query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }

    QStringList files() const
    {
        return QDir(server.filesDirectory()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QTemporaryDir dir;
    ServerOptions options;
    ZelServer server;
};

// The client end of one connection.
class Peer
{
public:
    explicit Peer(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] { received += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(kWaitMs))
            qFatal("no connection");
    }

    // Sends in pieces of `size` bytes (0: at once), each given the chance to arrive on its own.
    void send(const QByteArray &bytes, qsizetype size = 0)
    {
        if (size <= 0)
            size = bytes.size();
        for (qsizetype at = 0; at < bytes.size(); at += size) {
            socket.write(bytes.mid(at, size));
            socket.flush();
            QCoreApplication::processEvents();
        }
    }

    // Waits until what arrived ends with `end`, and takes it.
    QByteArray until(QByteArrayView end)
    {
        (void)QTest::qWaitFor([&] { return received.endsWith(end); }, kWaitMs);
        return std::exchange(received, {});
    }
    // Waits for `count` bytes at least, and takes what arrived.
    QByteArray atLeast(qsizetype count)
    {
        (void)QTest::qWaitFor([&] { return received.size() >= count; }, kWaitMs);
        return std::exchange(received, {});
    }
    bool closedByServer()
    {
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; }, kWaitMs);
    }

    QTcpSocket socket;
    QByteArray received;
};

QByteArray wave(qsizetype dataBytes, int seed)
{
    QByteArray data(dataBytes, Qt::Uninitialized);
    for (qsizetype i = 0; i < dataBytes; ++i)
        data[i] = char((i * 13 + seed) & 0xff);
    QByteArray header = "RIFF" + QByteArray(4, '\0') + "WAVEfmt " + QByteArray(20, '\0') + "data" + QByteArray(4, '\0');
    qToLittleEndian<quint32>(quint32(36 + dataBytes), header.data() + 4);
    qToLittleEndian<quint32>(16, header.data() + 16);
    qToLittleEndian<quint32>(quint32(dataBytes), header.data() + 40);
    return header + data;
}

QByteArray put(const QString &uid, const QByteArray &data)
{
    return "PUTUID" + uid.toLatin1() + "/UIDFORMATWAV/FORMATSTATUS-10/STATUSDATA" + data + "/DATA/PUT";
}

QByteArray get(const QString &uid)
{
    return "GETUID" + uid.toLatin1() + "/UIDFORMATWAV/FORMATSTATUS-10/STATUS/GET";
}

} // namespace

class TestServerDictation : public QObject
{
    Q_OBJECT

private slots:
    void dictationHeaderIsRecorded();
    void dictationHeaderOfAnotherFormIsRefused_data();
    void dictationHeaderOfAnotherFormIsRefused();
    void uploadedDictationComesBackByteForByte_data();
    void uploadedDictationComesBackByteForByte();
    void examinationWithoutDictationGetsAnEmptyOne();
    void uploadForAnUnknownExaminationFailsAndTheConnectionGoesOn();
    void brokenOffUploadLeavesTheStoredDictation();
    void uidNeverLeavesTheFilesFolder();
    void badBlocksAreRefused_data();
    void badBlocksAreRefused();
};

void TestServerDictation::dictationHeaderIsRecorded()
{
    Fixture f;
    Peer peer(f.server.commandPort());
    peer.send("CMDRepSend|17, 123, 123, '2.25.31.wav', 'O''Neil', 3/CMD");
    QCOMPARE(peer.until("/CMDDATA\r\n"), QByteArray("CMDDATA\r\n1\r\n/CMDDATA\r\n"));
    QCOMPARE(f.value(u"SELECT Typist FROM tblDocuments WHERE DocID = 17"_s).toString(), u"O'Neil"_s);
    QCOMPARE(f.value(u"SELECT DoctorID FROM tblDocuments WHERE DocID = 17"_s).toInt(), 3);
    QCOMPARE(f.value(u"SELECT StudyKey FROM tblDocuments WHERE DocID = 17"_s).toString(), u"123"_s);

    // Sent again (the upload failed the first time): the same row, now with a key that is a word and
    // a doctor who is not in the table.
    peer.send("CMDRepSend|17, 123, CT head, '2.25.31.wav', 'Sue', 99/CMD");
    QCOMPARE(peer.until("/CMDDATA\r\n"), QByteArray("CMDDATA\r\n1\r\n/CMDDATA\r\n"));
    QCOMPARE(f.value(u"SELECT COUNT(*) FROM tblDocuments"_s).toInt(), 1);
    QCOMPARE(f.value(u"SELECT StudyKey FROM tblDocuments WHERE DocID = 17"_s).toString(), u"CT head"_s);
    QVERIFY(f.value(u"SELECT DoctorID FROM tblDocuments WHERE DocID = 17"_s).isNull());
}

void TestServerDictation::dictationHeaderOfAnotherFormIsRefused_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("the report's header") << QByteArray("CMDRepSend|17, 123, '2.25.31.txt', 'Sue', 3, '01.02.2024'/CMD");
    QTest::newRow("five values") << QByteArray("CMDRepSend|17, 123, 123, '2.25.31.wav', 'Sue'/CMD");
    QTest::newRow("document id a word") << QByteArray("CMDRepSend|x, 123, 123, '2.25.31.wav', 'Sue', 3/CMD");
    QTest::newRow("typist not quoted") << QByteArray("CMDRepSend|17, 123, 123, '2.25.31.wav', Sue, 3/CMD");
    QTest::newRow("a statement in the typist")
        << QByteArray("CMDRepSend|17, 123, 123, '2.25.31.wav', 'x'); DROP TABLE tblDocuments; --', 3/CMD");
}

void TestServerDictation::dictationHeaderOfAnotherFormIsRefused()
{
    QFETCH(QByteArray, request);
    Fixture f;
    Peer peer(f.server.commandPort());
    peer.send(request);
    QVERIFY(peer.until("\r\n").startsWith("ERROR|200|RepSend: "));
    QCOMPARE(f.value(u"SELECT COUNT(*) FROM tblDocuments"_s).toInt(), 0);
}

void TestServerDictation::uploadedDictationComesBackByteForByte_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("pieceSize"); // 0: at once
    QByteArray marked = wave(5000, 1);
    marked.replace(1000, 18, "/DATA/PUT/DATA/PUT"); // audio that looks like the end marker
    QTest::newRow("wave at once") << wave(3000, 2) << 0;
    QTest::newRow("wave byte by byte") << wave(300, 3) << 1;
    QTest::newRow("wave in the client's chunks") << wave(3 * 1000 * 1000 + 7, 4) << 64000;
    QTest::newRow("end marker inside the audio") << marked << 0;
    QTest::newRow("end marker inside the audio, cut through it") << marked << 1009;
    QTest::newRow("not a wave file") << QByteArray("hello /DATA x /DAT") << 3;
    QTest::newRow("nothing") << QByteArray() << 0;
}

void TestServerDictation::uploadedDictationComesBackByteForByte()
{
    QFETCH(QByteArray, data);
    QFETCH(int, pieceSize);
    Fixture f;
    Peer peer(f.server.commandPort());
    peer.send(put(kUid, data), pieceSize);
    QCOMPARE(peer.until("DATA SAVED"), QByteArray("DATA SAVED"));
    QCOMPARE(f.files(), QStringList{u"2.25.31.wav"_s});
    QCOMPARE(f.value(u"SELECT ByteCount FROM tblReportFiles WHERE StudyUID = '2.25.31' AND Format = 'WAV'"_s).toLongLong(),
             qint64(data.size()));
    QCOMPARE(f.value(u"SELECT Status FROM tblReportFiles WHERE StudyUID = '2.25.31'"_s).toInt(), -10);

    // On the same connection, as a new one would.
    peer.send(get(kUid));
    const QByteArray expected = "REPORT" + data + "/REPORT\r\n";
    QCOMPARE(peer.atLeast(expected.size()), expected);

    // A second upload replaces the first.
    const QByteArray second = wave(100, 9);
    Peer other(f.server.commandPort());
    other.send(put(kUid, second));
    QCOMPARE(other.until("DATA SAVED"), QByteArray("DATA SAVED"));
    other.send(get(kUid));
    QCOMPARE(other.until("/REPORT\r\n"), "REPORT" + second + "/REPORT\r\n");
    QCOMPARE(f.value(u"SELECT COUNT(*) FROM tblReportFiles"_s).toInt(), 1);
}

void TestServerDictation::examinationWithoutDictationGetsAnEmptyOne()
{
    Fixture f;
    Peer peer(f.server.commandPort());
    peer.send(get(kUid), 5);
    QCOMPARE(peer.until("/REPORT\r\n"), QByteArray("REPORT/REPORT\r\n"));
    peer.send(get(u"1.2.3.unknown"_s));
    QCOMPARE(peer.until("/REPORT\r\n"), QByteArray("REPORT/REPORT\r\n"));
}

void TestServerDictation::uploadForAnUnknownExaminationFailsAndTheConnectionGoesOn()
{
    Fixture f;
    Peer peer(f.server.commandPort());
    peer.send(put(u"9.9.9"_s, wave(2000, 1)), 700);
    QCOMPARE(peer.until("FAILED DATA"), QByteArray("FAILED DATA"));
    QVERIFY(f.files().isEmpty());
    QCOMPARE(f.value(u"SELECT COUNT(*) FROM tblReportFiles"_s).toInt(), 0);
    // The whole block was taken: what follows it is a request again.
    peer.send("CMDNewID|tblDocuments/CMD");
    QCOMPARE(peer.until("/CMDDATA\r\n"), QByteArray("CMDDATA\r\n1\r\n/CMDDATA\r\n"));
}

void TestServerDictation::brokenOffUploadLeavesTheStoredDictation()
{
    Fixture f;
    const QByteArray stored = wave(4000, 5);
    {
        Peer peer(f.server.commandPort());
        peer.send(put(kUid, stored));
        QCOMPARE(peer.until("DATA SAVED"), QByteArray("DATA SAVED"));
    }
    {
        Peer peer(f.server.commandPort());
        const QByteArray half = put(kUid, wave(200000, 6)).left(100000);
        peer.send(half, 30000);
        // While the new file is on its way, readers get the stored one.
        Peer reader(f.server.commandPort());
        reader.send(get(kUid));
        QCOMPARE(reader.until("/REPORT\r\n"), "REPORT" + stored + "/REPORT\r\n");
        peer.socket.abort();
    }
    QTRY_COMPARE(f.files(), QStringList{u"2.25.31.wav"_s});
    Peer peer(f.server.commandPort());
    peer.send(get(kUid));
    QCOMPARE(peer.until("/REPORT\r\n"), "REPORT" + stored + "/REPORT\r\n");
    QCOMPARE(f.value(u"SELECT ByteCount FROM tblReportFiles"_s).toLongLong(), qint64(stored.size()));
}

void TestServerDictation::uidNeverLeavesTheFilesFolder()
{
    Fixture f;
    const QString uid = u"../../xy"_s;
    const QByteArray data = wave(500, 8);
    Peer peer(f.server.commandPort());
    peer.send(put(uid, data));
    QCOMPARE(peer.until("DATA SAVED"), QByteArray("DATA SAVED"));
    const QStringList files = f.files();
    QCOMPARE(files.size(), 1);
    QVERIFY(files.first().startsWith(u"uid-"_s));
    QVERIFY(files.first().endsWith(u".wav"_s));
    QVERIFY(QDir(f.dir.path()).entryList({u"*.wav"_s}, QDir::Files).isEmpty());
    peer.send(get(uid));
    QCOMPARE(peer.until("/REPORT\r\n"), "REPORT" + data + "/REPORT\r\n");
}

void TestServerDictation::badBlocksAreRefused_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QByteArray>("error");
    QTest::addColumn<bool>("closes");
    QTest::newRow("empty UID") << QByteArray("GETUID/UIDFORMATWAV/FORMAT/GET") << QByteArray("ERROR|101|") << true;
    QTest::newRow("format with a blank") << QByteArray("GETUID1/UIDFORMATW V/FORMAT/GET") << QByteArray("ERROR|101|")
                                         << true;
    QTest::newRow("status not a number") << QByteArray("GETUID1/UIDFORMATWAV/FORMATSTATUSx/STATUS/GET")
                                         << QByteArray("ERROR|101|") << true;
    QTest::newRow("no UID") << QByteArray("PUTFORMATWAV/FORMATDATA/DATA/PUT") << QByteArray("ERROR|101|") << true;
    QTest::newRow("header without end") << "GETUID" + QByteArray(5000, '1') << QByteArray("ERROR|10") << true;
    QTest::newRow("unknown format, data taken")
        << QByteArray("PUTUID2.25.31/UIDFORMATMP3/FORMATDATAabc/DATA/PUT") << QByteArray("ERROR|200|") << false;
    QTest::newRow("get of an unknown format") << QByteArray("GETUID2.25.31/UIDFORMATMP3/FORMAT/GET")
                                              << QByteArray("ERROR|200|") << false;
}

void TestServerDictation::badBlocksAreRefused()
{
    QFETCH(QByteArray, block);
    QFETCH(QByteArray, error);
    QFETCH(bool, closes);
    Fixture f;
    Peer peer(f.server.commandPort());
    peer.send(block);
    QVERIFY2(peer.until("\r\n").startsWith(error), qPrintable(QString::fromLatin1(peer.received)));
    if (closes) {
        QVERIFY(peer.closedByServer());
        return;
    }
    peer.send("CMDNewID|tblDocuments/CMD");
    QCOMPARE(peer.until("/CMDDATA\r\n"), QByteArray("CMDDATA\r\n1\r\n/CMDDATA\r\n"));
    QVERIFY(f.files().isEmpty());
}

QTEST_MAIN(TestServerDictation)
#include "tst_serverdictation.moc"
