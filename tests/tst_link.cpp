#include "core/logbook.h"
#include "core/session.h"
#include "link/commandcatalogue.h"
#include "link/commandlink.h"
#include "link/errorcommand.h"
#include "link/replyhelpers.h"
#include "link/wirecodec.h"
#include "support/promptrecorder.h"
#include "support/scriptedserver.h"

#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// What a handler saw, written out so that one comparison covers every shape.
QString describe(const RecordBatch &records)
{
    QStringList rows;
    for (const Record &r : records)
        rows.append(r.join(u','));
    return rows.join(u';');
}

// The client side of a test: session, recorder, log folder and the link, pointed at a server.
struct Client
{
    explicit Client(quint16 port)
    {
        session.ServerHost = u"127.0.0.1"_s;
        session.ServerPort = port;
        session.settings.ConnectTimeout = 5;
        session.settings.CommandTimeout = 5;
        log.ensureFolder();
    }

    QTemporaryDir dir;
    Session session;
    PromptRecorder prompts;
    LogBook log{dir.path(), prompts};
    CommandLink link{session, prompts, log};
};

// A handler of the given shape that does nothing with the reply but end the command.
HandlerPtr idleHandler(Shape shape)
{
    switch (shape) {
    case Shape::Number: return numberReply([](CommandLink &l, std::int32_t) { l.CloseSocket(); });
    case Shape::FirstEvent: return firstEvent([](CommandLink &l, const QString &) { l.CloseSocket(); });
    case Shape::StreamedRecords: return streamedRecords([](CommandLink &, const RecordBatch &) {});
    case Shape::RecordsPerEvent: return recordsPerEvent([](CommandLink &, const RecordBatch &) {});
    case Shape::WholeReply: return wholeReply([](CommandLink &, const QString &) {});
    default: return anyReply([](CommandLink &l) { l.CloseSocket(); });
    }
}

// Binds `name` with a builder that sends its catalogue line and a handler of its catalogue shape
// whose outcome is written into `result`.
void bindRecording(CommandLink &link, Command name, QString &result)
{
    const CommandEntry *entry = &CommandCatalogue::entry(name);
    const auto build = [name](CommandLink &l) { l.send(CommandLink::requestLine(name, u"42"_s)); };
    HandlerPtr handler;
    switch (entry->shape) {
    case Shape::Number:
        handler = numberReply([&result](CommandLink &l, std::int32_t v) {
            result = QString::number(v);
            l.CloseSocket();
        });
        break;
    case Shape::FirstEvent:
        handler = firstEvent([&result](CommandLink &l, const QString &v) {
            result = v;
            l.CloseSocket();
        });
        break;
    case Shape::AnyReply:
        handler = anyReply([&result](CommandLink &l) {
            result = u"ack"_s;
            l.CloseSocket();
        });
        break;
    case Shape::StreamedRecords:
        handler = streamedRecords(
            [&result](CommandLink &, const RecordBatch &r) {
                result += (result.isEmpty() ? QString() : u";"_s) + describe(r);
            },
            [&result](CommandLink &) { result += u"#done"_s; });
        break;
    case Shape::RecordsPerEvent:
        handler = recordsPerEvent(
            [&result](CommandLink &, const RecordBatch &r) {
                result += (result.isEmpty() ? QString() : u";"_s) + describe(r);
            },
            [&result](CommandLink &) { result += u"#done"_s; });
        break;
    case Shape::WholeReply:
        handler = wholeReply([&result](CommandLink &, const QString &v) { result = v; });
        break;
    case Shape::StatusWord:
        handler = statusWord([&result](CommandLink &, StatusWord w) {
            result = w == StatusWord::Saved ? u"saved"_s : u"failed"_s;
        });
        break;
    case Shape::FileTransfer:
        handler = fileTransfer([&result](CommandLink &, const QByteArray &b) { result = WireCodec::decode(b); });
        break;
    default:
        QFAIL("shape not recorded");
    }
    link.bind(name, entry->keyword.isEmpty() ? CommandLink::Builder([](CommandLink &l) {
        l.send("GET"); l.send("/GET");
    }) : CommandLink::Builder(build), handler);
    QVERIFY(link.isBound(name));
}

// The delete's handler: the procedure delete goes out on the same connection, which then closes,
// and the X-ray number is released on a fresh one.
class DeleteThenRelease : public ReplyHandler
{
public:
    DeleteThenRelease() : ReplyHandler(Shape::WholeReply) {}
    Progress onData(CommandLink &l, const QByteArray &) override
    {
        l.follow(Command::DELPROC, CommandLink::requestLine(Command::DELPROC, u"55"_s));
        l.follow(Command::XRAYUPDATE2);
        return Progress::Done;
    }
};

} // namespace

Q_DECLARE_METATYPE(Command)

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void helpersOnText_data();
    void helpersOnText();
    void extractIdReadsNumbersOnly_data();
    void extractIdReadsNumbersOnly();
    void statusWordsAndByteCounts();
    void codecRoundTripsEveryByte();

    void catalogueIsConsistent();
    void requestLinesAreByteExact_data();
    void requestLinesAreByteExact();
    void bindRefusesUnknownNamesAndWrongShapes();

    void shapesReadTheirReplyHoweverItIsCut_data();
    void shapesReadTheirReplyHoweverItIsCut();
    void splitRecordIsShownWhenRestArrives();
    void firstEventWaitsForItsClosingMarker();
    void endMarkerLettersInsideRecordsAreData_data();
    void endMarkerLettersInsideRecordsAreData();

    void serverErrorReachesTheErrorBox_data();
    void serverErrorReachesTheErrorBox();
    void wordErrorInsideDataIsData_data();
    void wordErrorInsideDataIsData();
    void errorCommandShowsTheServersError();

    void hostileRepliesEndCleanly_data();
    void hostileRepliesEndCleanly();
    void tenMegabytesWithoutMarkersEndWhenServerCloses();
    void refusedConnectionIsReportedAtOnce();
    void silentServerTimesOut();
    void connectPhaseTimesOut();
    void timeoutsAreCappedAndZeroMeansNever();

    void unboundCommandIsReportedAtOnce();
    void undeclaredFollowUpIsRefused();
    void statisticsStepsWalkOnOneConnection();
    void newCommandReplacesTheOneInProgress();
    void chainsRunOnOneConnection();
    void untimedChainWaitsWithoutTimer();
    void sentAndClosedThenFresh();
    void handlerFailureIsLoggedUnderDataArrival();
    void sendProgressReachesStatusBar();
    void serverSwitchTogglesBetweenConfiguredServers();
};

void TestLink::helpersOnText_data()
{
    QTest::addColumn<QString>("helper");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("strip markers and line ends") << "StripReply" << "CMDDATA\r\n7|Smith\r\n/CMDDATA\r\n" << "7|Smith";
    QTest::newRow("strip leaves lower-case markers") << "StripReply" << "cmddata\r\nX\r\n/cmddata" << "cmddata\r\nX\r\n/cmddata";
    QTest::newRow("strip keeps inner line ends") << "StripReply" << "\r\n\r\na\r\nb\r\n\r\n" << "a\r\nb";
    QTest::newRow("strip keeps spaces") << "StripReply" << "CMDDATA  x  /CMDDATA" << "  x  ";
    QTest::newRow("zeros") << "StripLeadingZeros" << "000123" << "123";
    QTest::newRow("only zeros") << "StripLeadingZeros" << "000" << "";
    QTest::newRow("inner zeros stay") << "StripLeadingZeros" << "01020" << "1020";
    QTest::newRow("wildcards") << "SqlWildcards" << "M?ller*" << "M_ller%";
    QTest::newRow("trailing line ends") << "DelCrLF" << "a\r\n\r\n" << "a";
    QTest::newRow("lone LF stays") << "DelCrLF" << "a\n" << "a\n";
    QTest::newRow("server error text") << "ServerErrorText" << "ERROR|1234|Table locked|PatNew\r\n"
                                       << "Servererror #1234\r\nTable locked\r\nFunction: PatNew";
    QTest::newRow("server error too few fields") << "ServerErrorText" << "ERROR|12|x" << "";
}

void TestLink::helpersOnText()
{
    QFETCH(QString, helper);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QString actual;
    if (helper == u"StripReply")
        actual = StripReply(input);
    else if (helper == u"StripLeadingZeros")
        actual = StripLeadingZeros(input);
    else if (helper == u"SqlWildcards")
        actual = SqlWildcards(input);
    else if (helper == u"DelCrLF")
        actual = DelCrLF(input);
    else if (helper == u"ServerErrorText")
        actual = ServerErrorText(input);
    QCOMPARE(actual, expected);
    if (helper == u"StripReply")
        QCOMPARE(StripReply(WireCodec::encode(input)), WireCodec::encode(expected));
}

void TestLink::extractIdReadsNumbersOnly_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("expected");
    QTest::newRow("framed") << "CMDDATA\r\n17\r\n/CMDDATA" << 17;
    QTest::newRow("bare with spaces") << "  42 \r\n" << 42;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("half to even down") << "2.5" << 2;
    QTest::newRow("half to even up") << "3.5" << 4;
    QTest::newRow("fraction") << "7.6" << 8;
    QTest::newRow("status word") << "NO DATA" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("trailing letters") << "12abc" << 0;
    QTest::newRow("beyond 32 bits") << "4294967296" << 0;
}

void TestLink::extractIdReadsNumbersOnly()
{
    QFETCH(QString, reply);
    QFETCH(int, expected);
    QCOMPARE(ExtractID(reply), expected);
}

void TestLink::statusWordsAndByteCounts()
{
    QVERIFY(Saved(u"DATA SAVED\r\n"_s));
    QVERIFY(!Saved(u" DATA SAVED"_s));
    QVERIFY(!Saved(u"data saved"_s));
    QVERIFY(NoData(u"CMDDATA NO DATA"_s));
    QVERIFY(Failed(u"xFAILED DATA"_s));
    QVERIFY(!Failed(u"failed data"_s));
    QCOMPARE(formatByteCount(0), QString());
    QCOMPARE(formatByteCount(999), u"999"_s);
    QCOMPARE(formatByteCount(150000), u"150 000"_s);
    QCOMPARE(formatByteCount(1234567), u"1 234 567"_s);
}

void TestLink::codecRoundTripsEveryByte()
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    QCOMPARE(WireCodec::encode(WireCodec::decode(all)), all);
    QCOMPARE(WireCodec::decode("\x80\x8a\xe9"), u"\u20ac\u0160\u00e9"_s);
    QCOMPARE(WireCodec::encode(u"\u20ac\u0160\u00e9\u4e2d"_s), QByteArray("\x80\x8a\xe9?"));
}

void TestLink::catalogueIsConsistent()
{
    QSet<QString> names;
    for (const CommandEntry &entry : CommandCatalogue::all()) {
        const QString name = entry.name;
        QVERIFY2(!names.contains(name), qPrintable(name));
        names.insert(name);
        QCOMPARE(name, name.toUpper());
        QCOMPARE(CommandCatalogue::find(name), std::optional<Command>(entry.command));
        for (const FollowUp &f : entry.followUps) {
            if (f.kind != FollowUpKind::None)
                QCOMPARE(CommandCatalogue::followUpKind(entry.command, f.command), std::optional<FollowUpKind>(f.kind));
        }
    }
    QCOMPARE(CommandCatalogue::find(u"patlist"), std::optional<Command>(Command::PATLIST));
    QCOMPARE(CommandCatalogue::find(u"STAT00501"), std::optional<Command>(Command::STAT));
    QCOMPARE(CommandCatalogue::entry(Command::STAT00393).shape, Shape::RecordsPerEvent);
    QVERIFY(!CommandCatalogue::find(u"NOSUCH"));
    QVERIFY(!CommandCatalogue::entry(Command::REFPHYS).sentOnConnect);
    QCOMPARE(CommandCatalogue::entry(Command::DELSTUDY).followUps[0].kind, FollowUpKind::SentAndClosed);
    QVERIFY(!CommandCatalogue::followUpKind(Command::PATLIST, Command::NEWPAT));
}

void TestLink::requestLinesAreByteExact_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("fixed word") << Command::NEWPATID << "" << QByteArray("CMDNewID|tblPatienten/CMD");
    QTest::newRow("error") << Command::ERROR << "" << QByteArray("CMDError|Error/CMD");
    QTest::newRow("list word") << Command::PROCLIST << "" << QByteArray("CMDProclist|List/CMD");
    QTest::newRow("arguments") << Command::PATLIST << "12%|M_ller%" << QByteArray("CMDPATLIST|12%|M_ller%/CMD");
    QTest::newRow("mixed-case keyword") << Command::PATDATA << "4711" << QByteArray("CMDPatdata|4711/CMD");
    QTest::newRow("code page") << Command::PATLIST << "|M\u00fcller" << QByteArray("CMDPATLIST||M\xfcller/CMD");
}

void TestLink::requestLinesAreByteExact()
{
    QFETCH(Command, command);
    QFETCH(QString, arguments);
    QFETCH(QByteArray, line);
    QCOMPARE(CommandLink::requestLine(command, arguments), line);

    // And on the wire, as the connect handler sends it.
    ScriptedServer server;
    Client client(server.port());
    client.link.bind(command, [&](CommandLink &l) { l.send(CommandLink::requestLine(command, arguments)); },
                     idleHandler(CommandCatalogue::entry(command).shape));
    client.link.StartCommand(command);
    QTRY_COMPARE(server.requests.size(), 1);
    QCOMPARE(server.requests.first(), line);
    QCOMPARE(client.link.tag(), QString(CommandCatalogue::name(command)));
}

void TestLink::bindRefusesUnknownNamesAndWrongShapes()
{
    Client client(1);
    QVERIFY_THROWS_EXCEPTION(std::logic_error, client.link.bind(Command::PATLIST, {}, numberReply({})));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, client.link.bind(Command::PATLIST, {}, nullptr));
    QVERIFY(!client.link.isBound(Command::PATLIST));
    client.link.bind(Command::PATLIST, {}, streamedRecords({}));
    QVERIFY(client.link.isBound(Command::PATLIST));
    // Twice is a mistake as well.
    QVERIFY_THROWS_EXCEPTION(std::logic_error, client.link.bind(Command::PATLIST, {}, streamedRecords({})));
    // Names that are not commands have no enumerator, and the catalogue finds none for them.
    QVERIFY(!CommandCatalogue::find(u"NOSUCH"));
}

void TestLink::shapesReadTheirReplyHoweverItIsCut_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("anyCut"); // false: only meaningful when it arrives in one piece

    const QByteArray list = "CMDDATA\r\n1|Smith|J\r\n2|O'Brien|P\r\n/CMDDATA\r\n";
    QTest::newRow("number") << Command::FREEXRAY << QByteArray("CMDDATA\r\n1234\r\n/CMDDATA\r\n") << "1234" << true;
    QTest::newRow("number bare") << Command::FREEXRAY << QByteArray("57") << "57" << false;
    QTest::newRow("first event") << Command::PATDATA << QByteArray("CMDDATA\r\n7|Smith|John\r\n/CMDDATA") << "7|Smith|John" << true;
    QTest::newRow("any reply") << Command::APPEDIT << QByteArray("OK") << "ack" << true;
    QTest::newRow("streamed") << Command::PATLIST << list << "1,Smith,J;2,O'Brien,P#done" << true;
    QTest::newRow("per event") << Command::DOCLIST << list << "1,Smith,J;2,O'Brien,P#done" << true;
    QTest::newRow("last record without line end") << Command::PATLIST << QByteArray("CMDDATA\r\n1|A\r\n2|B/CMDDATA") << "1,A;2,B#done" << true;
    QTest::newRow("empty list") << Command::PATLIST << QByteArray("CMDDATA\r\n/CMDDATA") << "#done" << true;
    QTest::newRow("lower-case end marker") << Command::PATLIST << QByteArray("CMDDATA\r\n1|A\r\n/cmddata") << "1,A#done" << true;
    QTest::newRow("whole") << Command::BODYLIST << QByteArray("CMDDATA\r\n1|Head\r\n2|Chest\r\n/CMDDATA") << "1|Head\r\n2|Chest" << true;
    QTest::newRow("status saved") << Command::SENDDOC << QByteArray("DATA SAVED") << "saved" << true;
    QTest::newRow("status both is failure") << Command::SENDDOC << QByteArray("DATA SAVED FAILED DATA") << "failed" << false;
    QTest::newRow("file") << Command::REPLOAD << QByteArray("REPORT Line one\r\n  indented \r\n/REPORT\r\n")
                          << " Line one\r\n  indented \r\n" << true;
}

void TestLink::shapesReadTheirReplyHoweverItIsCut()
{
    QFETCH(Command, command);
    QFETCH(QByteArray, reply);
    QFETCH(QString, expected);
    QFETCH(bool, anyCut);

    for (const auto split : {ScriptedServer::Split::Whole, ScriptedServer::Split::ByteByByte}) {
        if (split != ScriptedServer::Split::Whole && !anyCut)
            continue;
        ScriptedServer server;
        server.pieceDelayMs = 2;
        Client client(server.port());
        QString result;
        bindRecording(client.link, command, result);
        QSignalSpy ended(&client.link, &CommandLink::busyEnded);
        server.answer(reply, split);
        client.link.StartCommand(command);
        QTRY_COMPARE(result, expected);
        QVERIFY(client.prompts.shown.isEmpty());
        const Shape shape = CommandCatalogue::entry(command).shape;
        if (shape == Shape::StreamedRecords || shape == Shape::RecordsPerEvent || shape == Shape::WholeReply)
            QCOMPARE(ended.size(), 1);
        QTRY_COMPARE(client.link.phase(), CommandLink::Phase::Idle);
        QVERIFY(!client.link.isTimerActive());
    }

    if (!anyCut)
        return;
    // Cut inside the first record and again inside the end marker.
    ScriptedServer server;
    Client client(server.port());
    QString result;
    bindRecording(client.link, command, result);
    const qsizetype a = std::min<qsizetype>(12, reply.size() / 2);
    const qsizetype b = std::max<qsizetype>(a, reply.size() - 4);
    server.answerInPieces({reply.left(a), reply.mid(a, b - a), reply.mid(b)});
    client.link.StartCommand(command);
    QTRY_COMPARE(result, expected);
}

void TestLink::splitRecordIsShownWhenRestArrives()
{
    ScriptedServer server;
    Client client(server.port());
    QList<QList<Record>> batches;
    client.link.bind(Command::PATLIST, [](CommandLink &l) { l.send(CommandLink::requestLine(Command::PATLIST, u"%|%"_s)); },
                     streamedRecords([&](CommandLink &, const RecordBatch &r) { batches.append(r.toList()); }));
    server.stayQuiet();
    client.link.StartCommand(Command::PATLIST);
    QTRY_COMPARE(server.requests.size(), 1);

    server.sendNow("CMDDATA\r\n1|Smith|Jo\r\n2|Jo");
    QTRY_COMPARE(batches.size(), 1);
    QCOMPARE(batches.at(0), (QList<Record>{{u"1"_s, u"Smith"_s, u"Jo"_s}}));
    QVERIFY(client.link.isConnected());

    server.sendNow("nes|Ann \r\n3|Lee|Al\r\n/CMDDATA\r\n");
    QTRY_COMPARE(batches.size(), 2);
    QCOMPARE(batches.at(1), (QList<Record>{{u"2"_s, u"Jones"_s, u"Ann "_s}, {u"3"_s, u"Lee"_s, u"Al"_s}}));
    QCOMPARE(client.link.phase(), CommandLink::Phase::Idle);
    QVERIFY(!client.link.isConnected());
}

void TestLink::firstEventWaitsForItsClosingMarker()
{
    ScriptedServer server;
    Client client(server.port());
    QStringList values;
    client.link.bind(Command::PATDATA, [](CommandLink &l) { l.send(CommandLink::requestLine(Command::PATDATA, u"1"_s)); },
                     firstEvent([&](CommandLink &l, const QString &v) {
                         values.append(v);
                         l.CloseSocket();
                     }));
    server.stayQuiet();
    client.link.StartCommand(Command::PATDATA);
    QTRY_COMPARE(server.requests.size(), 1);
    server.sendNow("CMDDATA\r\n12|Smi");
    QTRY_COMPARE(client.link.phase(), CommandLink::Phase::Receiving);
    QVERIFY(values.isEmpty());
    QVERIFY(client.link.isTimerActive()); // a server that stops here is still timed out
    server.sendNow("th|Jo\r\n/CMDDATA");
    QTRY_COMPARE(values, QStringList{u"12|Smith|Jo"_s});
}

// The letters of the end marker inside a record (a name typed in another program) are data, for
// every shape that reads records and however the reply is cut; only the marker that frames the
// reply ends it.
void TestLink::endMarkerLettersInsideRecordsAreData_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
    const QByteArray list = "CMDDATA\r\n1|Smith/cmddata|Jo\r\n2|/CMDDATA Road|X\r\n3|Lee|Al\r\n/CMDDATA\r\n";
    QTest::newRow("streamed") << Command::PATLIST << list << "1,Smith/cmddata,Jo;2,/CMDDATA Road,X;3,Lee,Al#done";
    QTest::newRow("per event") << Command::DOCLIST << list << "1,Smith/cmddata,Jo;2,/CMDDATA Road,X;3,Lee,Al#done";
    QTest::newRow("whole") << Command::BODYLIST << list
                           << "1|Smith/cmddata|Jo\r\n2|/CMDDATA Road|X\r\n3|Lee|Al";
    QTest::newRow("first event") << Command::PATDATA << QByteArray("CMDDATA\r\n7|x/CMDDATA|Jo\r\n/CMDDATA")
                                 << "7|x/CMDDATA|Jo";
}

void TestLink::endMarkerLettersInsideRecordsAreData()
{
    QFETCH(Command, command);
    QFETCH(QByteArray, reply);
    QFETCH(QString, expected);
    for (const auto split : {ScriptedServer::Split::Whole, ScriptedServer::Split::ByteByByte}) {
        ScriptedServer server;
        server.pieceDelayMs = 1;
        Client client(server.port());
        QString result;
        bindRecording(client.link, command, result);
        server.answer(reply, split);
        client.link.StartCommand(command);
        QTRY_COMPARE_WITH_TIMEOUT(client.link.phase(), CommandLink::Phase::Idle, 10000);
        QCOMPARE(result, expected);
        QVERIFY(client.prompts.shown.isEmpty());
    }
}

void TestLink::serverErrorReachesTheErrorBox_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("byteByByte");
    QTest::addColumn<QString>("details");
    const QString full = u"Servererror #-2147\r\nTimeout expired\r\nFunction: PatList"_s;
    QTest::newRow("whole") << QByteArray("ERROR|-2147|Timeout expired|PatList\r\n") << false << full;
    QTest::newRow("byte by byte") << QByteArray("ERROR|-2147|Timeout expired|PatList\r\n") << true << full;
    QTest::newRow("lower case, no line end") << QByteArray("error|-2147|Timeout expired|PatList") << false << full;
    QTest::newRow("word inside first field") << QByteArray("SQLError|-2147|Timeout expired|PatList\r\n") << false << full;
    QTest::newRow("leading blanks") << QByteArray("  \r\nERROR|-2147|Timeout expired|PatList\r\n") << true << full;
    QTest::newRow("fewer than four fields") << QByteArray("ERROR|5") << false << QString();
}

void TestLink::serverErrorReachesTheErrorBox()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, byteByByte);
    QFETCH(QString, details);

    // The same reply must reach the error box whatever shape the command reads.
    for (const Command command : {Command::PATLIST, Command::FREEXRAY, Command::PATDATA, Command::REPLOAD, Command::SENDDOC}) {
        ScriptedServer server;
        server.pieceDelayMs = 1;
        Client client(server.port());
        QString result;
        bindRecording(client.link, command, result);
        QSignalSpy ended(&client.link, &CommandLink::busyEnded);
        server.answer(reply, byteByByte ? ScriptedServer::Split::ByteByByte : ScriptedServer::Split::Whole);
        client.link.StartCommand(command);
        QTRY_COMPARE(client.prompts.shown.size(), 1);
        const auto &box = client.prompts.shown.first();
        QCOMPARE(box.icon, Prompter::Icon::Error);
        QCOMPARE(box.title, u"ZEL-Client"_s);
        QCOMPARE(box.text, u"Error from server '127.0.0.1' received!\r\n\r\n"_s + details);
        QVERIFY2(result.isEmpty(), qPrintable(QString(CommandCatalogue::name(command)) + u": "_s + result));
        QCOMPARE(ended.size(), 1);
        QCOMPARE(client.link.phase(), CommandLink::Phase::Idle);
    }
}

void TestLink::wordErrorInsideDataIsData_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
    QTest::newRow("surname") << Command::PATLIST << QByteArray("CMDDATA\r\n1|Error|Ann\r\n2|Terror|Bo\r\n/CMDDATA") << "1,Error,Ann;2,Terror,Bo#done";
    QTest::newRow("report text") << Command::REPLOAD << QByteArray("REPORTError excluded.\r\nNo ERROR seen./REPORT") << "Error excluded.\r\nNo ERROR seen.";
    QTest::newRow("after the first field") << Command::SENDDOC << QByteArray("DATA SAVED|ERROR in log") << "saved";
    QTest::newRow("whole reply") << Command::BODYLIST << QByteArray("CMDDATA\r\nERROR|x\r\n/CMDDATA") << "ERROR|x";
}

void TestLink::wordErrorInsideDataIsData()
{
    QFETCH(Command, command);
    QFETCH(QByteArray, reply);
    QFETCH(QString, expected);
    for (const auto split : {ScriptedServer::Split::Whole, ScriptedServer::Split::ByteByByte}) {
        ScriptedServer server;
        server.pieceDelayMs = 1;
        Client client(server.port());
        QString result;
        bindRecording(client.link, command, result);
        server.answer(reply, split);
        client.link.StartCommand(command);
        QTRY_COMPARE(result, expected);
        QVERIFY(client.prompts.shown.isEmpty());
    }
}

void TestLink::errorCommandShowsTheServersError()
{
    ScriptedServer server;
    Client client(server.port());
    bindErrorCommand(client.link);
    server.answer("ERROR|999|Test error|Error\r\n");
    client.link.StartCommand(Command::ERROR);
    QTRY_COMPARE(client.prompts.shown.size(), 1);
    QCOMPARE(server.requests, QList<QByteArray>{"CMDError|Error/CMD"});
    QCOMPARE(client.prompts.shown.first().text,
             u"Error from server '127.0.0.1' received!\r\n\r\nServererror #999\r\nTest error\r\nFunction: Error"_s);
}

void TestLink::hostileRepliesEndCleanly_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("closeAfter");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("message");
    const QString closed = u"ZEL-Server on '127.0.0.1"_s + CommandLink::ClosedEarlyTail;
    QTest::newRow("garbage to a number") << Command::FREEXRAY << QByteArray("\xff\xfe\x01zz") << false << "0" << "";
    QTest::newRow("NUL bytes in records") << Command::PATLIST << QByteArray("CMDDATA\r\n1|a\0b\r\n/CMDDATA", 24) << false
                                          << u"1,a\0b#done"_s << "";
    QTest::newRow("nothing, then closed") << Command::PATLIST << QByteArray() << true << "" << closed;
    QTest::newRow("closed mid-reply") << Command::PATLIST << QByteArray("CMDDATA\r\n1|A\r\n2|B") << true << "1,A" << closed;
    QTest::newRow("closed mid-file") << Command::REPLOAD << QByteArray("REPORTabc") << true << "" << closed;
    QTest::newRow("closed after a word") << Command::FREEXRAY << QByteArray("ERR") << true << "0" << "";
    QTest::newRow("blank reply, closed") << Command::FREEXRAY << QByteArray(" \r\n") << true << "" << closed;
}

void TestLink::hostileRepliesEndCleanly()
{
    QFETCH(Command, command);
    QFETCH(QByteArray, reply);
    QFETCH(bool, closeAfter);
    QFETCH(QString, expected);
    QFETCH(QString, message);

    ScriptedServer server;
    Client client(server.port());
    QString result;
    bindRecording(client.link, command, result);
    QSignalSpy ended(&client.link, &CommandLink::busyEnded);
    if (reply.isEmpty())
        server.answerInPieces({}, closeAfter);
    else
        server.answer(reply, ScriptedServer::Split::Whole, closeAfter);
    client.link.StartCommand(command);
    QTRY_COMPARE(client.link.phase(), CommandLink::Phase::Idle);
    QCOMPARE(result, expected);
    if (message.isEmpty()) {
        QVERIFY(client.prompts.shown.isEmpty());
    } else {
        QCOMPARE(client.prompts.shown.size(), 1);
        QCOMPARE(client.prompts.shown.first().text, message);
        QCOMPARE(ended.size(), 1);
    }
    QVERIFY(!client.link.isTimerActive());
}

void TestLink::tenMegabytesWithoutMarkersEndWhenServerCloses()
{
    ScriptedServer server;
    Client client(server.port());
    QString result;
    bindRecording(client.link, Command::PATLIST, result);
    QList<QByteArray> pieces;
    for (int i = 0; i < 160; ++i)
        pieces.append(QByteArray(64 * 1024, 'x'));
    server.pieceDelayMs = 0;
    server.answerInPieces(pieces, true);
    client.link.StartCommand(Command::PATLIST);
    QTRY_COMPARE_WITH_TIMEOUT(client.prompts.shown.size(), 1, 20000);
    QVERIFY(client.prompts.shown.first().text.endsWith(CommandLink::ClosedEarlyTail));
    QVERIFY(result.isEmpty());
}

void TestLink::refusedConnectionIsReportedAtOnce()
{
    quint16 freePort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        freePort = probe.serverPort();
    }
    Client client(freePort);
    client.session.settings.ConnectTimeout = 0; // even with no time-out at all
    QString result;
    bindRecording(client.link, Command::FREEXRAY, result);
    QSignalSpy status(&client.link, &CommandLink::statusText);
    client.link.StartCommand(Command::FREEXRAY);
    QTRY_COMPARE(client.prompts.shown.size(), 1);
    QCOMPARE(client.prompts.shown.first().text, u"ZEL-Server on '127.0.0.1' is not available, please click on ZelServer Button!"_s);
    QCOMPARE(client.prompts.shown.first().title, u"ZEL-Client"_s);
    QCOMPARE(status.last().at(0).toInt(), 1);
    QCOMPARE(status.last().at(1).toString(), u"ZEL-Server on '127.0.0.1' is not available!"_s);
}

void TestLink::silentServerTimesOut()
{
    ScriptedServer server;
    Client client(server.port());
    client.session.settings.CommandTimeout = 1;
    QString result;
    bindRecording(client.link, Command::FREEXRAY, result);
    QSignalSpy ended(&client.link, &CommandLink::busyEnded);
    server.stayQuiet();
    client.link.StartCommand(Command::FREEXRAY);
    QTRY_COMPARE(server.requests.size(), 1);
    QCOMPARE(client.link.timerTag(), u"CMD"_s);
    QCOMPARE(client.link.timerInterval(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(client.prompts.shown.size(), 1, 5000);
    QCOMPARE(client.prompts.shown.first().text,
             u"ZEL-Server on '127.0.0.1' does not responding, please click on ZelServer Button!"_s);
    QCOMPARE(ended.size(), 1);
    QVERIFY(!client.link.isConnected());
}

void TestLink::connectPhaseTimesOut()
{
    // A listening socket whose backlog is full: the kernel drops further connection attempts
    // without refusing them, so the connection phase runs out.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    QCOMPARE(::listen(fd, 0), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    const quint16 port = ntohs(addr.sin_port);
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(std::make_unique<QTcpSocket>());
        fillers.back()->connectToHost(QHostAddress::LocalHost, port);
        fillers.back()->waitForConnected(300);
    }

    Client client(port);
    client.session.settings.ConnectTimeout = 1;
    QString result;
    bindRecording(client.link, Command::FREEXRAY, result);
    client.link.StartCommand(Command::FREEXRAY);
    QCOMPARE(client.link.timerTag(), u"CON"_s);
    QCOMPARE(client.link.timerInterval(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(client.prompts.shown.size(), 1, 5000);
    QCOMPARE(client.prompts.shown.first().text,
             u"ZEL-Server on '127.0.0.1' is not available, please click on ZelServer Button!"_s);
    ::close(fd);
}

void TestLink::timeoutsAreCappedAndZeroMeansNever()
{
    ScriptedServer server;
    Client client(server.port());
    QString result;
    bindRecording(client.link, Command::FREEXRAY, result);
    client.session.settings.ConnectTimeout = 90;
    client.session.settings.CommandTimeout = 0;
    server.stayQuiet();
    client.link.StartCommand(Command::FREEXRAY);
    QCOMPARE(client.session.settings.ConnectTimeout, 60);
    QCOMPARE(client.link.timerInterval(), 60000);
    QVERIFY(client.link.isTimerActive());
    QTRY_COMPARE(server.requests.size(), 1);
    QCOMPARE(client.link.phase(), CommandLink::Phase::AwaitingReply);
    QVERIFY(!client.link.isTimerActive());

    client.session.settings.ConnectTimeout = 45;
    client.session.settings.CommandTimeout = 75;
    server.stayQuiet();
    client.link.StartCommand(Command::FREEXRAY);
    QCOMPARE(client.link.timerInterval(), 45000);
    QTRY_COMPARE(server.requests.size(), 2);
    QCOMPARE(client.link.timerInterval(), 60000);
    QCOMPARE(client.session.settings.CommandTimeout, 60);
}

// A window that starts a command nothing has bound hears so at once, instead of waiting for a
// time-out; nothing goes to the server.
void TestLink::unboundCommandIsReportedAtOnce()
{
    ScriptedServer server;
    Client client(server.port());
    QSignalSpy ended(&client.link, &CommandLink::busyEnded);
    client.link.StartCommand(Command::FREEXRAY);
    QCOMPARE(client.prompts.shown.size(), 1);
    QCOMPARE(client.prompts.shown.first().title, u"StartCommand"_s);
    QVERIFY(client.prompts.shown.first().text.contains(u"FREEXRAY"_s));
    QCOMPARE(ended.size(), 1);
    QCOMPARE(client.link.phase(), CommandLink::Phase::Idle);
    QVERIFY(!client.link.isTimerActive());
    QCOMPARE(server.connectionBytes.size(), 0);
}

// The catalogue row decides what may follow a command and in which form: a follow-up it does not
// declare is refused, by the handler's failure path when a handler asks for it.
void TestLink::undeclaredFollowUpIsRefused()
{
    ScriptedServer server;
    Client client(server.port());
    QVERIFY_THROWS_EXCEPTION(std::logic_error, client.link.follow(Command::NEWPAT, "CMDPATNEW|1/CMD"));
    client.link.bind(Command::FREEXRAY, [](CommandLink &l) { l.send(CommandLink::requestLine(Command::FREEXRAY)); },
                     numberReply([](CommandLink &l, std::int32_t) {
                         l.follow(Command::NEWPAT, CommandLink::requestLine(Command::NEWPAT, u"1"_s));
                     }));
    server.answer("12");
    client.link.StartCommand(Command::FREEXRAY);
    QTRY_COMPARE(client.prompts.shown.size(), 1);
    QCOMPARE(client.prompts.shown.first().title, u"DataArrival"_s);
    QVERIFY(client.prompts.shown.first().text.contains(u"FREEXRAY declares no follow-up NEWPAT"_s));
    QCOMPARE(server.requests, QList<QByteArray>{"CMDFreeXRays|List/CMD"});
    QCOMPARE(client.link.phase(), CommandLink::Phase::Idle);
}

// A statistics walk: each step's answer is collected until its end marker, however it is cut, and
// the next step goes out on the same connection without a time-out.
void TestLink::statisticsStepsWalkOnOneConnection()
{
    ScriptedServer server;
    Client client(server.port());
    QStringList answers;
    QStringList tags;
    const auto step = statisticsStep([&](CommandLink &l, const QString &answer) {
        answers.append(answer);
        tags.append(l.tag());
        if (answers.size() == 3) {
            l.CloseSocket();
            return;
        }
        const QString next = u"00"_s + QString::number(answers.size() + 1);
        l.follow(Command::STAT, CommandLink::stepRequestLine(next, u"20080301|20080331|0"_s), u"STAT"_s + next);
        QVERIFY(!l.isTimerActive());
    });
    client.link.bind(Command::STAT001,
                     [](CommandLink &l) { l.send(CommandLink::requestLine(Command::STAT001, u"20080301|20080331|0"_s)); },
                     step);
    client.link.bind(Command::STAT, {}, step);
    server.answerInPieces({"CMDDATA\r\n1", "2\r\n/CMD", "DATA\r\n"});
    server.answer("CMDDATA\r\n0\r\n/CMDDATA\r\n", ScriptedServer::Split::ByteByByte);
    server.answer("CMDDATA\r\n7\r\n/CMDDATA\r\n");
    client.link.StartCommand(Command::STAT001);
    QTRY_COMPARE(answers, (QStringList{u"12"_s, u"0"_s, u"7"_s}));
    QCOMPARE(tags, (QStringList{u"STAT001"_s, u"STAT002"_s, u"STAT003"_s}));
    QCOMPARE(server.connectionBytes.size(), 1);
    QCOMPARE(server.connectionBytes.first(), QByteArray("CMDStat001|20080301|20080331|0/CMD"
                                                        "CMDStat002|20080301|20080331|0/CMD"
                                                        "CMDStat003|20080301|20080331|0/CMD"));
}

void TestLink::newCommandReplacesTheOneInProgress()
{
    ScriptedServer server;
    Client client(server.port());
    QString first, second;
    bindRecording(client.link, Command::FREEXRAY, first);
    bindRecording(client.link, Command::EXISTXRAY, second);
    server.stayQuiet();
    client.link.StartCommand(Command::FREEXRAY);
    QTRY_COMPARE(server.requests.size(), 1);
    server.answer("77");
    client.link.StartCommand(Command::EXISTXRAY);
    QTRY_COMPARE(second, u"77"_s);
    server.sendNow("12"); // the first connection is gone: nobody reads this
    QTest::qWait(50);
    QVERIFY(first.isEmpty());
    QVERIFY(client.prompts.shown.isEmpty());
}

void TestLink::chainsRunOnOneConnection()
{
    ScriptedServer server;
    Client client(server.port());
    QStringList trace;
    client.link.bind(Command::NEWPATID, [](CommandLink &l) { l.send(CommandLink::requestLine(Command::NEWPATID)); },
                     numberReply([&](CommandLink &l, std::int32_t id) {
                         trace.append(u"id "_s + QString::number(id));
                         l.follow(Command::PATID1, CommandLink::requestLine(Command::PATID1, u"'F-1'"_s));
                     }));
    client.link.bind(Command::PATID1, {}, numberReply([&](CommandLink &l, std::int32_t taken) {
                         trace.append(u"taken "_s + QString::number(taken));
                         QCOMPARE(l.timerTag(), u"CMD"_s);
                         l.follow(Command::NEWPAT, CommandLink::requestLine(Command::NEWPAT, u"9,'F-1'"_s));
                     }));
    client.link.bind(Command::NEWPAT, {}, numberReply([&](CommandLink &l, std::int32_t ok) {
                         trace.append(u"saved "_s + QString::number(ok));
                         l.CloseSocket();
                     }));
    server.answer("CMDDATA\r\n9\r\n/CMDDATA", ScriptedServer::Split::ByteByByte);
    server.answer("0");
    server.answer("1");
    client.link.StartCommand(Command::NEWPATID);
    QTRY_COMPARE(trace, (QStringList{u"id 9"_s, u"taken 0"_s, u"saved 1"_s}));
    QCOMPARE(server.connectionBytes.size(), 1);
    QCOMPARE(server.connectionBytes.first(),
             QByteArray("CMDNewID|tblPatienten/CMDCMDPATID1|'F-1'/CMDCMDPATNEW|9,'F-1'/CMD"));
}

void TestLink::untimedChainWaitsWithoutTimer()
{
    ScriptedServer server;
    Client client(server.port());
    QString list;
    client.link.bind(Command::PATUPDATE, [](CommandLink &l) { l.send(CommandLink::requestLine(Command::PATUPDATE, u"1"_s)); },
                     numberReply([](CommandLink &l, std::int32_t) {
                         l.follow(Command::PATLIST, CommandLink::requestLine(Command::PATLIST, u"%|%"_s));
                     }));
    bindRecording(client.link, Command::PATLIST, list);
    server.answer("1");
    server.stayQuiet();
    client.link.StartCommand(Command::PATUPDATE);
    QTRY_COMPARE(server.requests.size(), 2);
    QTRY_COMPARE(client.link.command(), Command::PATLIST);
    QTest::qWait(20); // let the send-complete event pass: it must not start the timer
    QVERIFY(!client.link.isTimerActive());
    server.sendNow("CMDDATA\r\n1|A\r\n/CMDDATA");
    QTRY_COMPARE(list, u"1,A#done"_s);
}

void TestLink::sentAndClosedThenFresh()
{
    ScriptedServer server;
    Client client(server.port());
    QString released;
    client.link.bind(Command::DELSTUDY, [](CommandLink &l) { l.send(CommandLink::requestLine(Command::DELSTUDY, u"55"_s)); },
                     std::make_shared<DeleteThenRelease>());
    bindRecording(client.link, Command::XRAYUPDATE2, released);
    server.answer("CMDDATA\r\n1\r\n/CMDDATA");
    server.stayQuiet(); // the procedure delete is not answered
    server.answer("CMDDATA\r\nOK\r\n/CMDDATA");
    client.link.StartCommand(Command::DELSTUDY);
    QTRY_COMPARE(released, u"OK"_s);
    QCOMPARE(server.connectionBytes.size(), 2);
    QCOMPARE(server.connectionBytes.at(0), QByteArray("CMDDelStudy|55/CMDCMDDelProc|55/CMD"));
    QCOMPARE(server.connectionBytes.at(1), QByteArray("CMDXRayupdate2|42/CMD"));
}

void TestLink::handlerFailureIsLoggedUnderDataArrival()
{
    ScriptedServer server;
    Client client(server.port());
    client.link.bind(Command::PATLIST, [](CommandLink &l) { l.send(CommandLink::requestLine(Command::PATLIST, u"%|%"_s)); },
                     streamedRecords([](CommandLink &, const RecordBatch &records) {
                         if (records.at(0).size() < 8)
                             throw HandlerFailure(9, u"Subscript out of range"_s);
                     }));
    QSignalSpy ended(&client.link, &CommandLink::busyEnded);
    server.answer("CMDDATA\r\n1|short\r\n/CMDDATA");
    client.link.StartCommand(Command::PATLIST);
    QTRY_COMPARE(client.prompts.shown.size(), 1);
    QCOMPARE(client.prompts.shown.first().title, u"DataArrival"_s);
    QCOMPARE(client.prompts.shown.first().text, u"Error #9\r\n\r\nSubscript out of range"_s);
    QCOMPARE(ended.size(), 1);
    QCOMPARE(client.link.phase(), CommandLink::Phase::Idle);
    QFile log(client.log.errorLogPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray entry = log.readAll();
    QVERIFY(entry.contains("#9 | Subscript out of range | DataArrival\r\n"));
}

void TestLink::sendProgressReachesStatusBar()
{
    ScriptedServer server;
    Client client(server.port());
    QString result;
    bindRecording(client.link, Command::FREEXRAY, result);
    QSignalSpy status(&client.link, &CommandLink::statusText);
    server.answer("3");
    client.link.StartCommand(Command::FREEXRAY);
    QTRY_COMPARE(result, u"3"_s);
    QStringList texts;
    for (const auto &s : status)
        texts.append(QString::number(s.at(0).toInt()) + u':' + s.at(1).toString());
    QVERIFY(texts.contains(u"1:ZelServer connected on IP: 127.0.0.1 Port: "_s + QString::number(server.port())));
    QVERIFY(texts.contains(u"2:Data sent"_s));
}

void TestLink::serverSwitchTogglesBetweenConfiguredServers()
{
    Client client(7000);
    client.session.settings.MainServerHost = u"127.0.0.1"_s;
    client.session.settings.MainServerPort = 7000;
    client.session.settings.SecondServerHost = u"zel2"_s;
    client.session.settings.SecondServerPort = 7001;
    QSignalSpy status(&client.link, &CommandLink::statusText);

    client.link.switchServer();
    QCOMPARE(client.session.ServerHost, u"zel2"_s);
    QCOMPARE(client.session.ServerPort, 7001);
    QCOMPARE(client.prompts.shown.last().text, u"You have changed the ZelServer to IP: zel2 Port: 7001"_s);
    QCOMPARE(client.prompts.shown.last().icon, Prompter::Icon::None);
    QCOMPARE(status.last().at(1).toString(), u"ZelServer connected on IP: zel2 Port: 7001"_s);

    client.link.switchServer();
    QCOMPARE(client.session.ServerHost, u"127.0.0.1"_s);
    QCOMPARE(client.session.ServerPort, 7000);

    client.session.ServerHost = u"ZEL2"_s; // host names compare with exact case
    client.session.ServerPort = 7001;
    const auto shown = client.prompts.shown.size();
    client.link.switchServer();
    QCOMPARE(client.session.ServerHost, u"ZEL2"_s);
    QCOMPARE(client.prompts.shown.size(), shown);
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
