#include "commandcontext.h"
#include "commandregistry.h"
#include "commandrequest.h"
#include "database.h"
#include "demoseed.h"
#include "replywriter.h"
#include "serveroptions.h"
#include "userstore.h"
#include "sqlvaluelist.h"
#include "zelserver.h"

#include "link/replyhelpers.h"
#include "link/wirecodec.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWaitMs = 10000;

// A server on a fresh database file in a temporary folder, with cheap password hashing.
struct Fixture
{
    explicit Fixture(bool demo = true)
    {
        options.databasePath = dir.filePath(u"zel.db"_s);
        options.passwordIterations = 500;
        if (demo)
            options.seed = u"demo"_s;
    }

    bool start()
    {
        server = std::make_unique<ZelServer>();
        QString error;
        if (!server->start(options, &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        return true;
    }

    qint64 scalar(const QString &sql) const
    {
        QSqlQuery query(server->database().connection());
        if (!query.exec(sql) || !query.next())
            return -1;
        return query.value(0).toLongLong();
    }

    int userId(const QString &name) const
    {
        UserRecord user;
        UserStore users(server->database(), 1);
        return users.find(name, &user) == UserStore::Lookup::Found ? user.id : 0;
    }

    QTemporaryDir dir;
    ServerOptions options;
    std::unique_ptr<ZelServer> server;
};

// The length of the first whole reply in `bytes`: a data block up to "/CMDDATA" CR LF or an error
// reply up to its line end; -1 while it is not complete.
qsizetype replyLength(const QByteArray &bytes)
{
    if (bytes.startsWith("CMDDATA")) {
        const qsizetype end = bytes.indexOf("/CMDDATA\r\n");
        return end < 0 ? -1 : end + 10;
    }
    if (bytes.startsWith("ERROR|")) {
        const qsizetype end = bytes.indexOf("\r\n");
        return end < 0 ? -1 : end + 2;
    }
    return -1;
}

// The client end of one connection, driven from the test's event loop (the server runs in it too).
class Peer
{
public:
    explicit Peer(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
            received += socket.readAll();
            ++reads;
        });
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket.connectToHost(QHostAddress::LocalHost, port);
    }

    bool waitConnected()
    {
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; }, kWaitMs);
    }

    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }

    // Every piece leaves on its own and the server gets the chance to read it before the next.
    void sendInPieces(const QByteArray &bytes, qsizetype size)
    {
        for (qsizetype at = 0; at < bytes.size(); at += size) {
            send(bytes.mid(at, size));
            QCoreApplication::processEvents();
        }
    }

    // The next whole command reply, or nothing after the time-out.
    QByteArray nextReply()
    {
        if (!QTest::qWaitFor([this] { return replyLength(received) > 0; }, kWaitMs))
            return {};
        const qsizetype length = replyLength(received);
        const QByteArray reply = received.first(length);
        received.remove(0, length);
        return reply;
    }

    // A logon answer: plain text, whatever arrived.
    QByteArray nextAnswer()
    {
        if (!QTest::qWaitFor([this] { return !received.isEmpty(); }, kWaitMs))
            return {};
        return std::exchange(received, {});
    }

    QByteArray exchange(const QByteArray &request)
    {
        send(request);
        return nextReply();
    }

    bool waitClosed()
    {
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; }, kWaitMs);
    }

    QTcpSocket socket;
    QByteArray received;
    int reads = 0;
};

QByteArray logonAttempt(const QString &user, const QString &password, const QString &newPassword = {},
                        const QString &application = u"ZELCLIENT"_s)
{
    return "USERNAME" + WireCodec::encode(user) + "/USERNAME" + "PASSWORD" + WireCodec::encode(password)
           + "/PASSWORD" + "PASSWRD2" + WireCodec::encode(newPassword) + "/PASSWRD2" + "ANWENDUNG"
           + WireCodec::encode(application) + "/ANWENDUNG" + "COMPUTER" + "WARD-PC-07" + "/COMPUTER";
}

QByteArray rightsQuery(const QString &user)
{
    return logonAttempt(user, u"RIGHTSQUERYMARKERXYZ"_s);
}

QByteArray numberReply(qint64 n)
{
    return "CMDDATA\r\n" + QByteArray::number(n) + "\r\n/CMDDATA\r\n";
}

} // namespace

class TestServer : public QObject
{
    Q_OBJECT

private slots:
    // command framing
    void requestsArriveInAnyPieces_data();
    void requestsArriveInAnyPieces();
    void badRequestsGetErrorReplies_data();
    void badRequestsGetErrorReplies();
    void idleConnectionIsClosed();
    void replyWriterKeepsTheFraming();
    void registryFindsKeywordsWithoutCaseAndByPrefix();

    // NewID
    void newIdIsAboveEveryIdAndSurvivesRestart_data();
    void newIdIsAboveEveryIdAndSurvivesRestart();
    void severalClientsAtOnceGetDistinctIds();

    // logon
    void loginAnswers_data();
    void loginAnswers();
    void rightsOfTheDemoUsers_data();
    void rightsOfTheDemoUsers();
    void rightsOnlyForTheUserLoggedOnHere();
    void logonInPiecesWithRightsOnTheSameConnection();
    void passwordChange();
    void logonConnectionLimitAnswersBusy();

    // robustness
    void hostileInputLeavesServerAndDataIntact();

    // test options
    void replyInPieces();
    void silentAndFailingCommands();
    void delayedReply();

    // database and program
    void sqlValueListsAreReadSafely_data();
    void sqlValueListsAreReadSafely();
    void patientsAreRegisteredFoundAndUpdated();
    void patientSearchUsesLikePatterns_data();
    void patientSearchUsesLikePatterns();
    void badPatientValuesAreRefused_data();
    void badPatientValuesAreRefused();

    void demoSeedIsPlausibleAndRepeatable();
    void newerSchemaIsRefused();
    void executableListensAndEndsCleanlyOnSigterm();
    void executableAdministersUsers();
};

void TestServer::requestsArriveInAnyPieces_data()
{
    QTest::addColumn<int>("pieceSize");
    QTest::newRow("whole") << 0;
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("two bytes") << 2;
    QTest::newRow("seven bytes") << 7;
}

void TestServer::requestsArriveInAnyPieces()
{
    QFETCH(int, pieceSize);
    Fixture f;
    QVERIFY(f.start());
    Peer peer(f.server->commandPort());
    QVERIFY(peer.waitConnected());

    // Three requests chained on one connection, the way the client sends follow-ups, with line ends
    // between two of them.
    const QByteArray requests = "CMDNewID|tblPatienten/CMD"
                                "CMDError|Error/CMD\r\n"
                                "CMDNewID|tblPatienten/CMD";
    if (pieceSize == 0)
        peer.send(requests);
    else
        peer.sendInPieces(requests, pieceSize);

    QCOMPARE(peer.nextReply(), numberReply(DemoSeed::PatientCount + 1));
    const QByteArray error = peer.nextReply();
    QCOMPARE(error, "ERROR|999|Test error requested by the client|Error\r\n"_ba);
    QCOMPARE(ServerErrorText(WireCodec::decode(error)),
             u"Servererror #999\r\nTest error requested by the client\r\nFunction: Error"_s);
    const QByteArray second = peer.nextReply();
    QCOMPARE(ExtractID(WireCodec::decode(second)), DemoSeed::PatientCount + 2);
    QCOMPARE(peer.socket.state(), QAbstractSocket::ConnectedState);
}

void TestServer::badRequestsGetErrorReplies_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("function");
    QTest::addColumn<bool>("closes");

    QTest::newRow("unknown keyword") << "CMDNoSuchThing|x/CMD"_ba << 100 << u"Dispatch"_s << false;
    QTest::newRow("no bar after keyword") << "CMDNewID/CMD"_ba << 101 << u"Framing"_s << false;
    QTest::newRow("empty keyword") << "CMD|tblPatienten/CMD"_ba << 101 << u"Framing"_s << false;
    QTest::newRow("keyword with a quote") << "CMDNew'ID|tblPatienten/CMD"_ba << 101 << u"Framing"_s << false;
    QTest::newRow("NewID of an unknown table") << "CMDNewID|tblUsers/CMD"_ba << 200 << u"NewID"_s << false;
    QTest::newRow("garbage before CMD") << "xyzCMDNewID|tblPatienten/CMD"_ba << 101 << u"Framing"_s << true;
    QTest::newRow("NUL bytes before CMD") << QByteArray("\0\0CMDError|Error/CMD", 20) << 101 << u"Framing"_s
                                          << true;
    QTest::newRow("lower-case head") << "cmdNewID|tblPatienten/CMD"_ba << 101 << u"Framing"_s << true;
    QTest::newRow("longer than the limit") << "CMDNewID|"_ba + QByteArray(5000, 'A') << 102 << u"Framing"_s
                                           << true;
}

void TestServer::badRequestsGetErrorReplies()
{
    QFETCH(QByteArray, request);
    QFETCH(int, number);
    QFETCH(QString, function);
    QFETCH(bool, closes);

    Fixture f(false);
    f.options.maxRequestBytes = 4096;
    QVERIFY(f.start());
    Peer peer(f.server->commandPort());
    QVERIFY(peer.waitConnected());

    const QByteArray reply = peer.exchange(request);
    QVERIFY2(reply.startsWith("ERROR|"), reply.constData());
    const QStringList fields = WireCodec::decode(reply).trimmed().split(u'|');
    QCOMPARE(fields.size(), 4);
    QCOMPARE(fields.at(1), QString::number(number));
    QVERIFY(!fields.at(2).isEmpty());
    QCOMPARE(fields.at(3), function);
    QVERIFY(ServerErrorText(WireCodec::decode(reply)).startsWith(u"Servererror #"_s + QString::number(number)));

    if (closes) {
        QVERIFY(peer.waitClosed());
    } else {
        // The framing held: the connection goes on with the next request.
        QCOMPARE(peer.exchange("CMDNewID|tblStudies/CMD"), numberReply(1));
    }
}

void TestServer::idleConnectionIsClosed()
{
    Fixture f(false);
    f.options.idleTimeoutMs = 300;
    QVERIFY(f.start());
    Peer command(f.server->commandPort());
    Peer logon(f.server->logonPort());
    QVERIFY(command.waitConnected());
    QVERIFY(logon.waitConnected());
    command.send("CMDNewID|tblStu"); // abandoned half way
    QVERIFY(command.waitClosed());
    QVERIFY(logon.waitClosed());
    QTRY_COMPARE(f.server->commandConnections(), 0);
    QTRY_COMPARE(f.server->logonConnections(), 0);
}

void TestServer::replyWriterKeepsTheFraming()
{
    ReplyWriter records(u"PATLIST"_s);
    records.beginRecords();
    records.record({u"1"_s, u"12345678"_s, u"Smith|Jones"_s, u"line\r\nbreak\rand\nmore"_s});
    records.record(QStringList{u"2"_s, u"Müller"_s});
    // Next to the end marker's letters a line break could make them frame the reply: blanks there.
    records.record({u"3"_s, u"a\r\n/cmddata"_s});
    records.endRecords();
    // Records end with CR LF; a line break inside a field travels as a lone LF, which is data.
    QCOMPARE(records.bytes(),
             "CMDDATA\r\n1|12345678|Smith Jones|line\nbreak\nand\nmore\r\n2|M\xfcller\r\n3|a  /cmddata\r\n/CMDDATA\r\n"_ba);
    QVERIFY(!records.isError());

    // A failure half way through a list still answers with a clean error reply, whose text cannot
    // break the four fields the client reads.
    records.beginRecords();
    records.record({u"3"_s});
    records.error(500, u"disk full | retry\r\nlater"_s);
    QVERIFY(records.isError());
    QCOMPARE(records.bytes(), "ERROR|500|disk full retry later|PATLIST\r\n"_ba);
    QCOMPARE(ServerErrorText(WireCodec::decode(records.bytes())),
             u"Servererror #500\r\ndisk full retry later\r\nFunction: PATLIST"_s);
}

void TestServer::registryFindsKeywordsWithoutCaseAndByPrefix()
{
    CommandRegistry registry;
    QString called;
    const auto handler = [&called](const QString &name) {
        return [&called, name](const CommandRequest &, ReplyWriter &, CommandContext &) { called = name; };
    };
    QVERIFY(registry.add(u"Proclist", handler(u"exact"_s)));
    QVERIFY(registry.add(u"STAT00393", handler(u"single"_s)));
    QVERIFY(registry.addPrefix(u"Stat", handler(u"walk"_s)));
    QVERIFY(!registry.add(u"PROCLIST", handler(u"again"_s)));

    QTemporaryDir dir;
    Database database;
    ServerOptions options;
    CommandContext context{database, options, dir.path()};
    ReplyWriter reply;
    const auto call = [&](const QString &keyword) {
        called.clear();
        if (const CommandHandler *h = registry.find(keyword))
            (*h)(CommandRequest{keyword, {}, {}}, reply, context);
        return called;
    };
    QCOMPARE(call(u"proclist"_s), u"exact"_s);
    QCOMPARE(call(u"Stat00393"_s), u"single"_s);
    QCOMPARE(call(u"Stat0049"_s), u"walk"_s);
    QCOMPARE(call(u"STAT00113"_s), u"walk"_s);
    QCOMPARE(call(u"Sta"_s), QString());
}

void TestServer::newIdIsAboveEveryIdAndSurvivesRestart_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("insertHigh"); // stores a row with id 5000
    QTest::addColumn<qint64>("first");

    QTest::newRow("patients") << u"tblPatienten"_s
                              << u"INSERT INTO tblPatienten (PATID, PATID1, PATNachname) VALUES (5000, 'x5000', 'X')"_s
                              << qint64(DemoSeed::PatientCount + 1);
    QTest::newRow("examinations") << u"tblStudies"_s
                                  << u"INSERT INTO tblStudies (StudyID, StudyNr) VALUES (5000, 99)"_s
                                  << qint64(DemoSeed::ExaminationCount + 1);
    QTest::newRow("referrers") << u"tblUeberweiser"_s
                               << u"INSERT INTO tblUeberweiser (UeberweiserID, UeberweiserName) VALUES (5000, 'X')"_s
                               << qint64(25);
    QTest::newRow("documents") << u"tblDocuments"_s << u"INSERT INTO tblDocuments (DocID) VALUES (5000)"_s
                               << qint64(1);
}

void TestServer::newIdIsAboveEveryIdAndSurvivesRestart()
{
    QFETCH(QString, table);
    QFETCH(QString, insertHigh);
    QFETCH(qint64, first);

    Fixture f;
    QVERIFY(f.start());
    const QByteArray request = "CMDNewID|" + WireCodec::encode(table) + "/CMD";
    {
        Peer peer(f.server->commandPort());
        QVERIFY(peer.waitConnected());
        QCOMPARE(peer.exchange(request), numberReply(first));
        QCOMPARE(peer.exchange(request), numberReply(first + 1));
    }

    // An id handed out is never handed out again, not even after a restart on the same file.
    f.server.reset();
    f.options.seed.clear();
    QVERIFY(f.start());
    {
        Peer peer(f.server->commandPort());
        QVERIFY(peer.waitConnected());
        QCOMPARE(peer.exchange(request), numberReply(first + 2));
        // A row stored with a higher id by other means moves the next id above it.
        QSqlQuery query(f.server->database().connection());
        QVERIFY2(query.exec(insertHigh), qPrintable(query.lastError().text()));
        QCOMPARE(peer.exchange(request), numberReply(5001));
    }
}

void TestServer::severalClientsAtOnceGetDistinctIds()
{
    Fixture f;
    QVERIFY(f.start());
    constexpr int kClients = 12;
    constexpr int kRounds = 5;
    std::vector<std::unique_ptr<Peer>> peers;
    for (int i = 0; i < kClients; ++i) {
        peers.push_back(std::make_unique<Peer>(f.server->commandPort()));
        QVERIFY(peers.back()->waitConnected());
    }
    // Every client sends its requests before any reply is read, some in pieces.
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < kClients; ++i) {
            if (i % 3 == 0)
                peers[i]->sendInPieces("CMDNewID|tblStudies/CMD", 5);
            else
                peers[i]->send("CMDNewID|tblStudies/CMD");
        }
    }
    QSet<int> ids;
    for (auto &peer : peers) {
        for (int round = 0; round < kRounds; ++round) {
            const int id = ExtractID(WireCodec::decode(peer->nextReply()));
            QVERIFY(id > DemoSeed::ExaminationCount);
            ids.insert(id);
        }
    }
    QCOMPARE(ids.size(), kClients * kRounds);
    QCOMPARE(f.scalar(u"SELECT LastID FROM tblNewID WHERE TableName = 'tblStudies'"_s),
             qint64(DemoSeed::ExaminationCount + kClients * kRounds));
}

void TestServer::loginAnswers_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("application");
    QTest::addColumn<int>("answer"); // 1: the user's id

    QTest::newRow("accepted") << u"admin"_s << u"zeladmin"_s << u"ZELCLIENT"_s << 1;
    QTest::newRow("accepted, name in other case") << u"CLERK"_s << u"zelclerk"_s << u"ZELCLIENT"_s << 1;
    QTest::newRow("accepted from the viewer") << u"stats"_s << u"zelstats"_s << u"VIEWER"_s << 1;
    QTest::newRow("empty password must be changed") << u"newbie"_s << QString() << u"ZELCLIENT"_s << -12;
    QTest::newRow("no user name") << QString() << u"zeladmin"_s << u"ZELCLIENT"_s << -1;
    QTest::newRow("unknown user") << u"nobody"_s << u"zeladmin"_s << u"ZELCLIENT"_s << -8;
    QTest::newRow("wrong password") << u"admin"_s << u"zelclerk"_s << u"ZELCLIENT"_s << -9;
    QTest::newRow("password in other case") << u"admin"_s << u"ZELADMIN"_s << u"ZELCLIENT"_s << -9;
    QTest::newRow("password for an empty one") << u"newbie"_s << u"guess"_s << u"ZELCLIENT"_s << -9;
    QTest::newRow("other application") << u"admin"_s << u"zeladmin"_s << u"PACSVIEW"_s << -10;
    QTest::newRow("disabled user") << u"retired"_s << u"old-pass"_s << u"ZELCLIENT"_s << -10;
}

void TestServer::loginAnswers()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, application);
    QFETCH(int, answer);

    Fixture f;
    QVERIFY(f.start());
    UserStore users(f.server->database(), f.options.passwordIterations);
    QVERIFY(users.addUser(u"retired"_s, u"old-pass"_s, {true, true}, nullptr));
    QVERIFY(users.setDisabled(u"retired"_s, true, nullptr));

    Peer peer(f.server->logonPort());
    QVERIFY(peer.waitConnected());
    peer.send(logonAttempt(user, password, {}, application));
    const QByteArray expected = answer == 1 ? QByteArray::number(f.userId(user)) : QByteArray::number(answer);
    QCOMPARE(peer.nextAnswer(), expected);
    if (answer == 1)
        QVERIFY(f.userId(user) > 0);
}

void TestServer::rightsOfTheDemoUsers_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("rights");

    QTest::newRow("admin") << u"admin"_s << u"zeladmin"_s << "111"_ba;
    QTest::newRow("stats") << u"stats"_s << u"zelstats"_s << "101"_ba;
    QTest::newRow("clerk") << u"clerk"_s << u"zelclerk"_s << "100"_ba;
}

void TestServer::rightsOfTheDemoUsers()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QByteArray, rights);

    Fixture f;
    QVERIFY(f.start());
    Peer peer(f.server->logonPort());
    QVERIFY(peer.waitConnected());
    peer.send(logonAttempt(user, password));
    QCOMPARE(peer.nextAnswer(), QByteArray::number(f.userId(user)));
    peer.send(rightsQuery(user));
    QCOMPARE(peer.nextAnswer(), rights);

    // Rights changed by the administrator count from the next query on.
    UserStore users(f.server->database(), 1);
    QVERIFY(users.setRights(user, {true, false}, nullptr));
    peer.send(rightsQuery(user));
    QCOMPARE(peer.nextAnswer(), "110"_ba);
}

void TestServer::rightsOnlyForTheUserLoggedOnHere()
{
    Fixture f;
    QVERIFY(f.start());

    Peer fresh(f.server->logonPort());
    QVERIFY(fresh.waitConnected());
    fresh.send(rightsQuery(u"admin"_s));
    QCOMPARE(fresh.nextAnswer(), "-9"_ba);

    Peer clerk(f.server->logonPort());
    QVERIFY(clerk.waitConnected());
    clerk.send(logonAttempt(u"clerk"_s, u"zelclerk"_s));
    QCOMPARE(clerk.nextAnswer(), QByteArray::number(f.userId(u"clerk"_s)));
    clerk.send(rightsQuery(u"admin"_s));
    QCOMPARE(clerk.nextAnswer(), "-9"_ba);

    // A failed login on the same connection ends what the earlier one allowed.
    clerk.send(logonAttempt(u"clerk"_s, u"wrong"_s));
    QCOMPARE(clerk.nextAnswer(), "-9"_ba);
    clerk.send(rightsQuery(u"clerk"_s));
    QCOMPARE(clerk.nextAnswer(), "-9"_ba);

    // The empty-password login is no logon either.
    Peer newbie(f.server->logonPort());
    QVERIFY(newbie.waitConnected());
    newbie.send(logonAttempt(u"newbie"_s, {}));
    QCOMPARE(newbie.nextAnswer(), "-12"_ba);
    newbie.send(rightsQuery(u"newbie"_s));
    QCOMPARE(newbie.nextAnswer(), "-9"_ba);
}

void TestServer::logonInPiecesWithRightsOnTheSameConnection()
{
    Fixture f;
    QVERIFY(f.start());
    Peer peer(f.server->logonPort());
    QVERIFY(peer.waitConnected());
    peer.sendInPieces(logonAttempt(u"admin"_s, u"zeladmin"_s), 1);
    QCOMPARE(peer.nextAnswer(), QByteArray::number(f.userId(u"admin"_s)));
    peer.sendInPieces(rightsQuery(u"admin"_s), 4);
    QCOMPARE(peer.nextAnswer(), "111"_ba);

    // Whatever does not follow the five tags ends the connection without an answer.
    peer.send("USERNAMEadmin/USERNAMEPASSWRD2");
    QVERIFY(peer.waitClosed());
    QVERIFY(peer.received.isEmpty());
}

void TestServer::passwordChange()
{
    Fixture f;
    f.options.maxPasswordChangesPerDay = 3;
    QVERIFY(f.start());
    const QString viewer = u"VIEWER"_s;
    const auto attempt = [&f](const QByteArray &bytes) {
        Peer peer(f.server->logonPort());
        if (!peer.waitConnected())
            return QByteArray("no connection");
        peer.send(bytes);
        return peer.nextAnswer();
    };

    QCOMPARE(attempt(logonAttempt(u"newbie"_s, {})), "-12"_ba);
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, u"wrong"_s, u"Secret-1"_s, viewer)), "-5"_ba);
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, {}, u"Secret-1"_s, viewer)), "-7"_ba);
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, u"Secret-1"_s)), QByteArray::number(f.userId(u"newbie"_s)));
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, {})), "-9"_ba);

    // The old password is checked against the stored one, not just against being empty.
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, {}, u"Other-2"_s, viewer)), "-5"_ba);
    QCOMPARE(attempt(logonAttempt(u"nobody"_s, u"x"_s, u"y"_s, viewer)), "-8"_ba);
    QCOMPARE(attempt(logonAttempt(QString(), u"x"_s, u"y"_s, viewer)), "-1"_ba);
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, u"Secret-1"_s, u"Other-2"_s, u"SOMETHING"_s)), "-10"_ba);

    // Non-ASCII passwords of the code page survive the round trip.
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, u"Secret-1"_s, u"Grüße-3"_s, viewer)), "-7"_ba);
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, u"Grüße-3"_s)), QByteArray::number(f.userId(u"newbie"_s)));

    QCOMPARE(attempt(logonAttempt(u"newbie"_s, u"Grüße-3"_s, u"Third-4"_s, viewer)), "-7"_ba);
    // The fourth change of the day is refused and leaves the password as it was.
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, u"Third-4"_s, u"Fourth-5"_s, viewer)), "-6"_ba);
    QCOMPARE(attempt(logonAttempt(u"newbie"_s, u"Third-4"_s)), QByteArray::number(f.userId(u"newbie"_s)));

    // Only salt, digest and rounds are stored.
    QSqlQuery query(f.server->database().connection());
    QVERIFY(query.exec(u"SELECT COUNT(*) FROM tblUsers WHERE CAST(PasswordHash AS TEXT) LIKE '%Third%'"
                       u" OR CAST(PasswordSalt AS TEXT) LIKE '%Third%'"_s));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 0);
}

void TestServer::logonConnectionLimitAnswersBusy()
{
    Fixture f;
    f.options.maxLogonConnections = 2;
    QVERIFY(f.start());
    auto first = std::make_unique<Peer>(f.server->logonPort());
    Peer second(f.server->logonPort());
    QVERIFY(first->waitConnected());
    QVERIFY(second.waitConnected());
    QTRY_COMPARE(f.server->logonConnections(), 2);

    Peer third(f.server->logonPort());
    QCOMPARE(third.nextAnswer(), "BUSY"_ba);
    QVERIFY(third.waitClosed());
    bool isNumber = false;
    WireCodec::decode("BUSY").toShort(&isNumber);
    QVERIFY(!isNumber);

    first.reset();
    QTRY_COMPARE(f.server->logonConnections(), 1);
    Peer fourth(f.server->logonPort());
    QVERIFY(fourth.waitConnected());
    fourth.send(logonAttempt(u"admin"_s, u"zeladmin"_s));
    QCOMPARE(fourth.nextAnswer(), QByteArray::number(f.userId(u"admin"_s)));
}

void TestServer::hostileInputLeavesServerAndDataIntact()
{
    Fixture f;
    QVERIFY(f.start());
    const qint64 patients = f.scalar(u"SELECT COUNT(*) FROM tblPatienten"_s);

    // Random bytes, some opening like a request, on both ports and many connections.
    QRandomGenerator random(4711);
    std::vector<std::unique_ptr<Peer>> peers;
    for (int i = 0; i < 60; ++i) {
        QByteArray junk(1 + random.bounded(3000), Qt::Uninitialized);
        for (char &c : junk)
            c = char(random.bounded(256));
        if (i % 3 == 1)
            junk.prepend("CMD");
        if (i % 3 == 2)
            junk = "USERNAME" + junk;
        auto peer = std::make_unique<Peer>(i % 2 ? f.server->logonPort() : f.server->commandPort());
        QVERIFY(peer->waitConnected());
        peer->send(junk);
        if (i % 4 == 0)
            peer->send("/CMD");
        peer->socket.disconnectFromHost();
        peers.push_back(std::move(peer));
    }
    QTRY_COMPARE(f.server->commandConnections(), 0);
    QTRY_COMPARE(f.server->logonConnections(), 0);

    // Values meant to change the meaning of SQL stay values.
    Peer command(f.server->commandPort());
    QVERIFY(command.waitConnected());
    for (const QByteArray &request : {"CMDNewID|tblPatienten; DROP TABLE tblPatienten/CMD"_ba,
                                      "CMDNewID|tblPatienten' OR '1'='1/CMD"_ba,
                                      QByteArray("CMDNewID|tbl\0Studies/CMD", 24),
                                      "CMDError|'); DELETE FROM tblUsers; --/CMD"_ba}) {
        const QByteArray reply = command.exchange(request);
        QVERIFY2(reply.startsWith("ERROR|"), reply.constData());
    }
    Peer logon(f.server->logonPort());
    QVERIFY(logon.waitConnected());
    logon.send(logonAttempt(u"admin' --"_s, u"x"_s));
    QCOMPARE(logon.nextAnswer(), "-8"_ba);
    logon.send(logonAttempt(u"admin"_s, u"' OR '1'='1"_s));
    QCOMPARE(logon.nextAnswer(), "-9"_ba);
    logon.send(logonAttempt(u"%"_s, u"zeladmin"_s));
    QCOMPARE(logon.nextAnswer(), "-8"_ba);

    // Still serving, nothing lost, the file sound.
    QCOMPARE(command.exchange("CMDNewID|tblPatienten/CMD"), numberReply(patients + 1));
    logon.send(logonAttempt(u"admin"_s, u"zeladmin"_s));
    QCOMPARE(logon.nextAnswer(), QByteArray::number(f.userId(u"admin"_s)));
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblPatienten"_s), patients);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblUsers"_s), 4);
    QSqlQuery check(f.server->database().connection());
    QVERIFY(check.exec(u"PRAGMA integrity_check"_s) && check.next());
    QCOMPARE(check.value(0).toString(), u"ok"_s);
}

void TestServer::replyInPieces()
{
    Fixture f;
    f.options.replyPieceSize = 4;
    QVERIFY(f.start());
    Peer peer(f.server->commandPort());
    QVERIFY(peer.waitConnected());
    // Two chained requests sent at once: the replies keep their order and their bytes.
    peer.send("CMDNewID|tblUeberweiser/CMDCMDError|Error/CMD");
    QCOMPARE(peer.nextReply(), numberReply(25));
    QCOMPARE(peer.nextReply(), "ERROR|999|Test error requested by the client|Error\r\n"_ba);
    QVERIFY2(peer.reads > 4, QByteArray::number(peer.reads).constData());

    Peer logon(f.server->logonPort());
    QVERIFY(logon.waitConnected());
    logon.send(logonAttempt(u"newbie"_s, {}));
    QTRY_COMPARE(logon.received, "-12"_ba);
}

void TestServer::silentAndFailingCommands()
{
    Fixture f;
    f.options.silentKeywords = {u"newid"_s};
    f.options.failKeywords = {u"Stat001"_s, u"Error"_s};
    QVERIFY(f.start());
    Peer peer(f.server->commandPort());
    QVERIFY(peer.waitConnected());

    // The silent command gets nothing at all: the next reply on the connection is the next command's.
    peer.send("CMDNewID|tblPatienten/CMD");
    const QByteArray failed = peer.exchange("CMDStat001|20080301|20080331|0/CMD");
    QVERIFY2(failed.startsWith("ERROR|998|"), failed.constData());
    QVERIFY(failed.endsWith("|Stat001\r\n"));
    // A configured failure replaces even the command's own error reply.
    const QByteArray error = peer.exchange("CMDError|Error/CMD");
    QVERIFY2(error.startsWith("ERROR|998|"), error.constData());
    QVERIFY(peer.received.isEmpty());
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblNewID"_s), 0);
}

void TestServer::delayedReply()
{
    Fixture f(false);
    f.options.replyDelayMs = 300;
    QVERIFY(f.start());
    Peer peer(f.server->commandPort());
    QVERIFY(peer.waitConnected());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(peer.exchange("CMDNewID|tblDocuments/CMD"), numberReply(1));
    QVERIFY(clock.elapsed() >= 250);
}

void TestServer::sqlValueListsAreReadSafely_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("expected"); // kind:text per value, or "error"
    QTest::newRow("registration") << "4711, '12345678', 'O''Brien', 'Mary', 'MO', '1970-01-31', 'F',  2"
                                  << "N:4711|T:12345678|T:O'Brien|T:Mary|T:MO|T:1970-01-31|T:F|N:2";
    QTest::newRow("nulls in any case") << "1, 'A', Null, NULL,  NUll" << "N:1|T:A|0:|0:|0:";
    QTest::newRow("comma and quote inside text") << "'a, b', 'it''s', ''''" << "T:a, b|T:it's|T:'";
    QTest::newRow("injection stays text") << "1, 'x''); DROP TABLE tblPatienten; --'" << "N:1|T:x'); DROP TABLE tblPatienten; --";
    QTest::newRow("negative and decimal") << "-3, 2.5" << "N:-3|N:2.5";
    QTest::newRow("unclosed quote") << "1, 'abc" << "error";
    QTest::newRow("bare word") << "1, DROP" << "error";
    QTest::newRow("missing comma") << "'a' 'b'" << "error";
    QTest::newRow("empty value") << "1,,2" << "error";
}

void TestServer::sqlValueListsAreReadSafely()
{
    QFETCH(QString, list);
    QFETCH(QString, expected);
    QString error;
    const auto values = SqlValueList::parse(list, &error);
    if (expected == u"error") {
        QVERIFY(!values);
        QVERIFY(!error.isEmpty());
        return;
    }
    QVERIFY2(values, qPrintable(error));
    QStringList seen;
    for (const SqlValueList::Value &v : *values) {
        const QString kind = v.kind == SqlValueList::Value::Kind::Null     ? u"0"_s
                             : v.kind == SqlValueList::Value::Kind::Number ? u"N"_s
                                                                            : u"T"_s;
        seen.append(kind + u':' + v.text);
    }
    QCOMPARE(seen.join(u'|'), expected);
}

void TestServer::patientsAreRegisteredFoundAndUpdated()
{
    Fixture f(false);
    QVERIFY(f.start());
    {
        Peer peer(f.server->commandPort());
        QVERIFY(peer.waitConnected());
        // The registration chain on one connection, as the client sends it.
        QCOMPARE(peer.exchange("CMDNewID|tblPatienten/CMD"), numberReply(1));
        QCOMPARE(peer.exchange("CMDPATID1|F-0001'x/CMD"), numberReply(0));
        QCOMPARE(peer.exchange("CMDPATNEW|1, 'F-0001''x', 'O''Brien', 'Mary', 'MO', '1970-01-31', 'F',  1/CMD"),
                 numberReply(1));
        QCOMPARE(peer.exchange("CMDPATID1|F-0001'x/CMD"), numberReply(1));
        // The same folder number again is refused, not stored twice.
        QCOMPARE(peer.exchange("CMDPATNEW|2, 'F-0001''x', 'Smith', Null, Null, '1980-02-29', Null,  NUll/CMD"),
                 numberReply(0));
        QCOMPARE(peer.exchange("CMDPATNEW|3, 'F-0003', 'Smith', Null, Null, '1980-02-29', Null,  NUll/CMD"),
                 numberReply(1));
        QCOMPARE(peer.exchange("CMDPATLIST|%|%/CMD"),
                 QByteArray("CMDDATA\r\n1|F-0001'x|O'Brien|Mary|MO|1970-01-31|F|1\r\n"
                            "3|F-0003|Smith|||1980-02-29||\r\n/CMDDATA\r\n"));
        QCOMPARE(peer.exchange("CMDPATUPDATE|1|F-0001''x|O''Brian|Null|MO|1970-01-30|F|2/CMD"), numberReply(1));
        QCOMPARE(peer.exchange("CMDPATUPDATE|99|F-9|Nobody|Null|Null|1970-01-30|Null| NUll/CMD"), numberReply(0));
        // Taking another patient's folder number is refused.
        QCOMPARE(peer.exchange("CMDPATUPDATE|3|F-0001''x|Smith|Null|Null|1980-02-29|Null| NUll/CMD"), numberReply(0));
    }
    // Everything survives a restart.
    f.server.reset();
    QVERIFY(f.start());
    Peer peer(f.server->commandPort());
    QVERIFY(peer.waitConnected());
    QCOMPARE(peer.exchange("CMDPATLIST|F-0001%|o'br_an/CMD"),
             QByteArray("CMDDATA\r\n1|F-0001''x|O'Brian||MO|1970-01-30|F|2\r\n/CMDDATA\r\n"));
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblPatienten"_s), 2);
}

void TestServer::patientSearchUsesLikePatterns_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("rows");
    QTest::newRow("everything") << QByteArray("CMDPATLIST|%|%/CMD") << 4;
    QTest::newRow("surname prefix, any case") << QByteArray("CMDPATLIST|%|m%/CMD") << 3;
    QTest::newRow("one character") << QByteArray("CMDPATLIST|%|M_ller/CMD") << 2;
    QTest::newRow("folder pattern") << QByteArray("CMDPATLIST|123%|%/CMD") << 2;
    QTest::newRow("both") << QByteArray("CMDPATLIST|123%|Meyer/CMD") << 1;
    QTest::newRow("exact folder") << QByteArray("CMDPATLIST|12345678|%/CMD") << 1;
    QTest::newRow("nothing") << QByteArray("CMDPATLIST|%|Zulu%/CMD") << 0;
}

void TestServer::patientSearchUsesLikePatterns()
{
    QFETCH(QByteArray, request);
    QFETCH(int, rows);
    Fixture f(false);
    QVERIFY(f.start());
    Peer peer(f.server->commandPort());
    QVERIFY(peer.waitConnected());
    for (const QByteArray &row : {QByteArray("1, '12345678', 'M\xfcller', Null, Null, '1970-01-01', 'M', 0"),
                                  QByteArray("2, '12399999', 'Meyer', Null, Null, '1970-01-01', 'F', 1"),
                                  QByteArray("3, '55500000', 'Muller', Null, Null, '1970-01-01', 'M', 0"),
                                  QByteArray("4, '55511111', 'Abrahams', Null, Null, '1970-01-01', 'F', 1")})
        QCOMPARE(peer.exchange("CMDPATNEW|" + row + "/CMD"), numberReply(1));
    const QByteArray reply = peer.exchange(request);
    QVERIFY(reply.startsWith("CMDDATA\r\n"));
    QCOMPARE(int(reply.count("\r\n")) - 2, rows);
}

void TestServer::badPatientValuesAreRefused_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("seven values") << QByteArray("CMDPATNEW|1, 'F1', 'A', Null, Null, '1970-01-01', 'M'/CMD");
    QTest::newRow("no surname") << QByteArray("CMDPATNEW|1, 'F1', '', Null, Null, '1970-01-01', 'M', 1/CMD");
    QTest::newRow("not a date") << QByteArray("CMDPATNEW|1, 'F1', 'A', Null, Null, '31.01.1970', 'M', 1/CMD");
    QTest::newRow("id not a number") << QByteArray("CMDPATNEW|'x', 'F1', 'A', Null, Null, '1970-01-01', 'M', 1/CMD");
    QTest::newRow("broken list") << QByteArray("CMDPATNEW|1, 'F1', 'A, Null/CMD");
    QTest::newRow("update without id") << QByteArray("CMDPATUPDATE||F1|A|Null|Null|1970-01-01|M|1/CMD");
    QTest::newRow("update race not a number") << QByteArray("CMDPATUPDATE|1|F1|A|Null|Null|1970-01-01|M|x/CMD");
    QTest::newRow("list with one pattern") << QByteArray("CMDPATLIST|%/CMD");
}

void TestServer::badPatientValuesAreRefused()
{
    QFETCH(QByteArray, request);
    Fixture f(false);
    QVERIFY(f.start());
    Peer peer(f.server->commandPort());
    QVERIFY(peer.waitConnected());
    const QByteArray reply = peer.exchange(request);
    QVERIFY2(reply.startsWith("ERROR|200|"), reply.constData());
    QCOMPARE(ServerErrorText(WireCodec::decode(reply)).count(u"\r\n"_s), 2);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblPatienten"_s), 0);
}

void TestServer::demoSeedIsPlausibleAndRepeatable()
{
    Fixture f;
    QVERIFY(f.start());
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblPatienten"_s), DemoSeed::PatientCount);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblStudies"_s), DemoSeed::ExaminationCount);
    const qint64 procedureRows = f.scalar(u"SELECT COUNT(*) FROM tblStudyProcedures"_s);
    QVERIFY(procedureRows >= DemoSeed::ExaminationCount && procedureRows <= 3 * DemoSeed::ExaminationCount);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblStudies s WHERE NOT EXISTS"
                      u" (SELECT 1 FROM tblStudyProcedures p WHERE p.StudyNr = s.StudyNr)"_s),
             0);
    QVERIFY(f.scalar(u"SELECT COUNT(*) FROM tblUeberweiser WHERE Zel = 1"_s) >= 10);
    QVERIFY(f.scalar(u"SELECT COUNT(*) FROM tblDoctors"_s) >= 3);
    QVERIFY(f.scalar(u"SELECT COUNT(*) FROM tblICD9"_s) >= 20);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblModality"_s), 5);
    QVERIFY(f.scalar(u"SELECT COUNT(*) FROM tblBodyParts"_s) >= 10);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblUsers"_s), 4);
    // Enough free numbers that the new examination window does not warn.
    QVERIFY(f.scalar(u"SELECT COUNT(*) FROM tblXRay WHERE Status = 0"_s) >= 100);
    // No free number is one an examination already uses.
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblXRay x JOIN tblStudies s ON s.StudyNr = x.XRayNumber"
                      u" WHERE x.Status = 0"_s),
             0);
    // Examinations of the last two years, in all seven departments.
    const QString twoYearsAgo = QDate::currentDate().addDays(-731).toString(Qt::ISODate);
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblStudies WHERE StudyDate < '"_s + twoYearsAgo + u"'"_s), 0);
    QCOMPARE(f.scalar(u"SELECT COUNT(DISTINCT Department) FROM tblStudies"_s), 7);
    // Sex letter and race/sex position agree; folder numbers are unique and long enough.
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblPatienten WHERE Rasse NOT BETWEEN 0 AND 5"
                      u" OR PATGeschlecht <> CASE Rasse % 2 WHEN 0 THEN 'M' ELSE 'F' END"_s),
             0);
    QCOMPARE(f.scalar(u"SELECT COUNT(DISTINCT PATID1) FROM tblPatienten WHERE LENGTH(PATID1) >= 8"_s),
             DemoSeed::PatientCount);
    QCOMPARE(DemoSeed::raceSexEntries().size(), 6);
    QSqlQuery foreignKeys(f.server->database().connection());
    QVERIFY(foreignKeys.exec(u"PRAGMA foreign_key_check"_s));
    QVERIFY(!foreignKeys.next());

    // Seeding again changes nothing in a filled database.
    f.server.reset();
    QVERIFY(f.start());
    QCOMPARE(f.scalar(u"SELECT COUNT(*) FROM tblPatienten"_s), DemoSeed::PatientCount);

    // The same department every time for the same day.
    const auto patientRows = [](Database &database) {
        QStringList rows;
        QSqlQuery query(database.connection());
        query.exec(u"SELECT PATID, PATID1, PATNachname, PATVorname, PATGebDatum, Rasse FROM tblPatienten ORDER BY PATID"_s);
        while (query.next())
            rows.append(query.value(1).toString() + query.value(2).toString() + query.value(3).toString()
                        + query.value(4).toString() + query.value(5).toString());
        return rows;
    };
    QTemporaryDir other;
    Database a;
    Database b;
    QVERIFY(a.open(other.filePath(u"a.db"_s), nullptr));
    QVERIFY(b.open(other.filePath(u"b.db"_s), nullptr));
    const QDate day(2008, 3, 5);
    QVERIFY(DemoSeed::fill(a, 1, nullptr, day));
    QVERIFY(DemoSeed::fill(b, 1, nullptr, day));
    QCOMPARE(patientRows(a), patientRows(b));
}

void TestServer::newerSchemaIsRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"future.db"_s);
    {
        Database database;
        QVERIFY(database.open(path, nullptr));
        QVERIFY(database.execute(u"PRAGMA user_version = 99"_s, nullptr));
    }
    Database database;
    QString error;
    QVERIFY(!database.open(path, &error));
    QVERIFY2(error.contains(u"99"_s), qPrintable(error));
    QVERIFY(!database.isOpen());
}

void TestServer::executableListensAndEndsCleanlyOnSigterm()
{
    QTemporaryDir dir;
    QProcess process;
    process.start(QStringLiteral(ZELSERVER_EXECUTABLE),
                  {u"--db"_s, dir.filePath(u"zel.db"_s), u"--port"_s, u"0"_s, u"--logon-port"_s, u"0"_s,
                   u"--seed"_s, u"demo"_s, u"--iterations"_s, u"500"_s});
    QVERIFY(process.waitForStarted());
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += process.readAllStandardOutput()).count('\n') >= 2, kWaitMs);
    const QList<QByteArray> lines = output.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).startsWith("command port "));
    QVERIFY(lines.at(1).startsWith("logon port "));
    const quint16 commandPort = lines.at(0).mid(13).toUShort();
    const quint16 logonPort = lines.at(1).mid(11).toUShort();
    QVERIFY(commandPort > 0 && logonPort > 0 && commandPort != logonPort);

    Peer command(commandPort);
    QVERIFY(command.waitConnected());
    QCOMPARE(command.exchange("CMDNewID|tblPatienten/CMD"), numberReply(DemoSeed::PatientCount + 1));
    Peer logon(logonPort);
    QVERIFY(logon.waitConnected());
    logon.send(logonAttempt(u"admin"_s, u"zeladmin"_s));
    const QByteArray id = logon.nextAnswer();
    QVERIFY2(id.toInt() > 0, id.constData());

    process.terminate(); // SIGTERM, with clients still connected
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(command.waitClosed());
}

void TestServer::executableAdministersUsers()
{
    QTemporaryDir dir;
    const QString db = dir.filePath(u"zel.db"_s);
    const auto run = [&db](const QStringList &arguments) {
        QProcess process;
        process.start(QStringLiteral(ZELSERVER_EXECUTABLE), QStringList{u"--db"_s, db, u"--iterations"_s, u"500"_s} + arguments);
        if (!process.waitForFinished(kWaitMs) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    };
    QCOMPARE(run({u"--add-user"_s, u"bob"_s, u"--password"_s, u"pw-1"_s, u"--rights"_s, u"utilities"_s}), 0);
    QCOMPARE(run({u"--add-user"_s, u"bob"_s, u"--password"_s, u"again"_s}), 1);
    QCOMPARE(run({u"--add-user"_s, u"eve"_s, u"--rights"_s, u"everything"_s}), 2);
    QCOMPARE(run({u"--set-password"_s, u"bob"_s, u"pw-2"_s}), 0);
    QCOMPARE(run({u"--set-rights"_s, u"bob"_s, u"statistics,utilities"_s}), 0);
    QCOMPARE(run({u"--set-rights"_s, u"nobody"_s, u"none"_s}), 1);

    Database database;
    QVERIFY(database.open(db, nullptr));
    UserStore users(database, 1);
    UserRecord bob;
    QCOMPARE(users.find(u"bob"_s, &bob), UserStore::Lookup::Found);
    QVERIFY(users.verify(bob, u"pw-2"_s));
    QVERIFY(!users.verify(bob, u"pw-1"_s));
    QVERIFY(bob.rights.utilities && bob.rights.statistics);
    QCOMPARE(bob.digest.iterations, 500);
    UserRecord eve;
    QCOMPARE(users.find(u"eve"_s, &eve), UserStore::Lookup::Missing);
}

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
