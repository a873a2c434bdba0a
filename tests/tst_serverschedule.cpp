// The appointment commands of the reference server: the lists, bookings with the client's partial
// quoting, the emergency's list of appointments to move, edits and deletions, and the demo's week.

#include "database.h"
#include "demoseed.h"
#include "zelserver.h"

#include "link/replyhelpers.h"
#include "link/wirecodec.h"
#include "schedule/appointmentrecord.h"
#include "schedule/schedulerequests.h"
#include "schedule/schedulerules.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

const QDate kDay(2008, 5, 12);

// One request on a fresh connection, and its whole reply.
QByteArray ask(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray reply;
    (void)QTest::qWaitFor([&] {
        reply += socket.readAll();
        return reply.contains("/CMDDATA\r\n") || (reply.startsWith("ERROR") && reply.contains("\r\n"));
    }, 10000);
    return reply;
}

QList<QStringList> records(const QByteArray &reply)
{
    QList<QStringList> out;
    for (const Record &r : splitRecords(StripReply(WireCodec::decode(reply))))
        out.append(r);
    return out;
}

qint64 number(const QByteArray &reply)
{
    return ExtractID(WireCodec::decode(reply));
}

BookingData booking(const QString &patient, int modality, const QString &start, int minutes)
{
    BookingData b;
    b.PatientId = patient;
    b.ModalityId = modality;
    b.Date = kDay.toString(u"yyyyMMdd"_s);
    b.Time = QTime::fromString(start, u"HH:mm"_s);
    b.BodyPart = u"Chest"_s;
    b.Duration = std::int16_t(minutes);
    return b;
}

} // namespace

class TestServerSchedule : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<ZelServer>();
        ZelServer::Options options;
        options.databasePath = m_dir->filePath(u"zel.db"_s);
        QString error;
        QVERIFY2(m_server->start(options, &error), qPrintable(error));
        for (const char *sql : {
                 "INSERT INTO tblPatienten (PATID, PATID1, PATNachname, PATVorname) VALUES (877, '12345678', 'O''Brien', 'Mary')",
                 "INSERT INTO tblPatienten (PATID, PATID1, PATNachname, PATVorname) VALUES (878, '12345679', 'Botha', 'Johan')",
                 "INSERT INTO tblModality (ModalityID, ModalityName, Room, Description, SortOrder) VALUES (3, 'CT', 'Room 2', 'Tomography', 2)",
                 "INSERT INTO tblModality (ModalityID, ModalityName, Room, Description, SortOrder) VALUES (1, 'X-Ray', 'Room 1', 'Plain', 1)",
                 "INSERT INTO tblBodyParts (BodyPart) VALUES ('Knee')",
                 "INSERT INTO tblBodyParts (BodyPart) VALUES ('Chest')"}) {
            QVERIFY(m_server->database().execute(QString::fromLatin1(sql), nullptr));
        }
    }

    void cleanup()
    {
        m_server.reset();
        m_dir.reset();
    }

    // The modalities in their button order with their three texts, the body parts by name.
    void listsOfModalitiesAndBodyParts()
    {
        QCOMPARE(records(ask(port(), ModListRequest())),
                 (QList<QStringList>{{u"1"_s, u"X-Ray"_s, u"Room 1"_s, u"Plain"_s},
                                     {u"3"_s, u"CT"_s, u"Room 2"_s, u"Tomography"_s}}));
        QCOMPARE(records(ask(port(), BodyListRequest())), (QList<QStringList>{{u"Chest"_s}, {u"Knee"_s}}));
    }

    // A booking with the partial quoting of TERMNEU, quotes in its texts, is listed in the day's
    // records with every field where the client reads it.
    void bookingIsListedWithEveryFieldTheClientReads()
    {
        BookingData b = booking(u"877"_s, 3, u"10:00"_s, 30);
        b.Information = u"Patient's own 'films'"_s;
        b.AccessionNumber = u"51234"_s;
        QCOMPARE(number(ask(port(), TermNeuRequest(b))), 1);
        QCOMPARE(number(ask(port(), TermCountRequest(kDay, 3))), 1);
        QCOMPARE(number(ask(port(), TermCountRequest(kDay, 1))), 0);

        const QList<QStringList> day = records(ask(port(), TermListRequest(kDay, 3)));
        QCOMPARE(day.size(), 1);
        const QStringList &r = day.first();
        QVERIFY(r.size() >= 24);
        QCOMPARE(r.at(0), u"877"_s);
        QCOMPARE(r.at(2), u"O'Brien"_s);
        QCOMPARE(r.at(3), u"Mary"_s);
        QCOMPARE(r.at(7), u"3"_s);
        QCOMPARE(recordDate(r.at(13)), kDay);
        QCOMPARE(r.at(14), u"10:00"_s);
        QCOMPARE(r.at(15), u"Chest"_s);
        QCOMPARE(r.at(16), u"Patient's own 'films'"_s);
        QCOMPARE(r.at(18), u"30"_s);
        QCOMPARE(r.at(19), QString());
        QCOMPARE(r.at(20), u"0"_s);
        QCOMPARE(r.at(23), u"51234"_s);
        // WEEKREC gives the same record by its id.
        QCOMPARE(records(ask(port(), WeekRecRequest(r.at(12).toInt()))), day);

        // Unknown patients and modalities are bookings not registered.
        QCOMPARE(number(ask(port(), TermNeuRequest(booking(u"999"_s, 3, u"11:00"_s, 30)))), 0);
        QCOMPARE(number(ask(port(), TermNeuRequest(booking(u"877"_s, 9, u"11:00"_s, 30)))), 0);
        QCOMPARE(number(ask(port(), TermCountRequest(kDay, 3))), 1);
    }

    // An emergency is stored as one, and TERMID names it rather than a default booking of the same
    // patient at the same time.
    void emergencyIsNamedByPatientDayAndTime()
    {
        QCOMPARE(number(ask(port(), TermNeuRequest(booking(u"877"_s, 1, u"10:00"_s, 30)))), 1);
        BookingData e = booking(u"877"_s, 3, u"10:00"_s, 30);
        e.Emergency = -1;
        QCOMPARE(number(ask(port(), EmNeuRequest(e))), 1);
        const qint64 id = number(ask(port(), TermIdRequest(u"877"_s, u"20080512"_s, QTime(10, 0))));
        const QList<QStringList> r = records(ask(port(), WeekRecRequest(std::int32_t(id))));
        QCOMPARE(r.size(), 1);
        QCOMPARE(r.first().at(7), u"3"_s);
        QCOMPARE(r.first().at(20), u"-1"_s);
        QCOMPARE(number(ask(port(), TermIdRequest(u"878"_s, u"20080512"_s, QTime(10, 0)))), 0);
    }

    // EMINSERT lists what the emergency overlaps or pushes back, in start order, and nothing else.
    void emergencyListsWhatItPushesBack_data()
    {
        QTest::addColumn<QStringList>("bookings"); // "start/minutes", in booking order (ids from 1)
        QTest::addColumn<QString>("emergency");    // "start/minutes"
        QTest::addColumn<QList<int>>("moved");     // ids, in the order they are to follow
        QTest::newRow("three in a row") << QStringList{u"10:00/30"_s, u"10:30/30"_s, u"11:00/30"_s}
                                        << u"10:00/30"_s << QList<int>{1, 2, 3};
        QTest::newRow("one before it ends in time, one overlaps its start")
            << QStringList{u"09:00/30"_s, u"09:45/30"_s, u"10:15/30"_s} << u"10:00/30"_s << QList<int>{2, 3};
        QTest::newRow("a gap stops the push") << QStringList{u"10:00/30"_s, u"12:00/30"_s} << u"10:00/30"_s
                                              << QList<int>{1};
        QTest::newRow("booked out of order") << QStringList{u"11:00/30"_s, u"10:30/30"_s, u"10:00/30"_s}
                                             << u"10:00/30"_s << QList<int>{3, 2, 1};
        QTest::newRow("a long one pushes the next further")
            << QStringList{u"10:00/60"_s, u"11:00/30"_s, u"11:30/30"_s} << u"10:00/30"_s << QList<int>{1, 2, 3};
        QTest::newRow("nothing after it") << QStringList{u"08:00/30"_s} << u"10:00/30"_s << QList<int>{};
    }

    void emergencyListsWhatItPushesBack()
    {
        QFETCH(QStringList, bookings);
        QFETCH(QString, emergency);
        QFETCH(QList<int>, moved);
        for (const QString &b : bookings) {
            const QStringList parts = b.split(u'/');
            QCOMPARE(number(ask(port(), TermNeuRequest(booking(u"878"_s, 3, parts.at(0), parts.at(1).toInt())))), 1);
        }
        const QStringList parts = emergency.split(u'/');
        BookingData e = booking(u"877"_s, 3, parts.at(0), parts.at(1).toInt());
        e.Emergency = -1;
        QCOMPARE(number(ask(port(), EmNeuRequest(e))), 1);
        const std::int32_t id = std::int32_t(number(ask(port(), TermIdRequest(u"877"_s, u"20080512"_s, e.Time))));
        const QList<QStringList> list = records(ask(port(), EmInsertRequest(kDay, e.Time, 3, id)));
        QList<int> ids;
        for (const QStringList &r : list)
            ids.append(r.value(2).toInt());
        QCOMPARE(ids, moved);

        // Moved the way the client moves them, no two bookings of the modality overlap.
        for (const DelayMove &move : delayPlan(list, e.Time, e.Duration).moves)
            QVERIFY(!ask(port(), AppUpdateRequest(move.to, move.id)).startsWith("ERROR"));
        QVERIFY2(overlaps(3).isEmpty(), qPrintable(overlaps(3)));
    }

    // Many random days: after the emergency and the moves, the modality is never double-booked.
    void movedDaysNeverOverlap()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 12; ++round) {
            QVERIFY(m_server->database().execute(u"DELETE FROM tblAppointments"_s, nullptr));
            int at = 8 * 60 + int(random.bounded(4)) * 15;
            for (int n = 0; n < 8; ++n) {
                const int minutes = 15 * (1 + int(random.bounded(4)));
                const QString start = QTime(0, 0).addSecs(at * 60).toString(u"HH:mm"_s);
                QCOMPARE(number(ask(port(), TermNeuRequest(booking(u"878"_s, 3, start, minutes)))), 1);
                at += minutes + 15 * int(random.bounded(2));
            }
            BookingData e = booking(u"877"_s, 3, QTime(8, 0).addSecs(60 * 15 * int(random.bounded(12))).toString(u"HH:mm"_s),
                                    15 * (1 + int(random.bounded(4))));
            e.Emergency = -1;
            QCOMPARE(number(ask(port(), EmNeuRequest(e))), 1);
            const auto id = std::int32_t(number(ask(port(), TermIdRequest(u"877"_s, u"20080512"_s, e.Time))));
            const QList<QStringList> list = records(ask(port(), EmInsertRequest(kDay, e.Time, 3, id)));
            for (const DelayMove &move : delayPlan(list, e.Time, e.Duration).moves)
                QVERIFY(!ask(port(), AppUpdateRequest(move.to, move.id)).startsWith("ERROR"));
            QVERIFY2(overlaps(3).isEmpty(), qPrintable(u"round %1: "_s.arg(round) + overlaps(3)));
        }
    }

    // Edits, moves and deletions of an appointment that is not there are errors, never successes.
    void changesAreMadeOrRefused()
    {
        QCOMPARE(number(ask(port(), TermNeuRequest(booking(u"877"_s, 3, u"10:00"_s, 30)))), 1);
        const std::int32_t id = records(ask(port(), TermListRequest(kDay, 3))).first().at(12).toInt();
        BookingData edit = booking(u"877"_s, 3, u"09:15"_s, 45);
        edit.Date = u"20080513"_s;
        edit.BodyPart = u"Knee"_s;
        edit.Information = u"O'Brien's 2nd"_s;
        edit.Status = u"Arrived"_s;
        edit.Emergency = 1;
        QCOMPARE(number(ask(port(), AppEditRequest(edit, id))), 1);
        const QStringList r = records(ask(port(), WeekRecRequest(id))).first();
        QCOMPARE(recordDate(r.at(13)), QDate(2008, 5, 13));
        QCOMPARE((QStringList{r.at(14), r.at(15), r.at(16), r.at(18), r.at(19), r.at(20)}),
                 (QStringList{u"09:15"_s, u"Knee"_s, u"O'Brien's 2nd"_s, u"45"_s, u"Arrived"_s, u"1"_s}));

        QVERIFY(ask(port(), AppEditRequest(edit, id + 100)).startsWith("ERROR"));
        QVERIFY(ask(port(), AppUpdateRequest(QTime(11, 0), id + 100)).startsWith("ERROR"));
        QCOMPARE(number(ask(port(), TermDelRequest(id))), 1);
        QVERIFY(ask(port(), TermDelRequest(id)).startsWith("ERROR"));
        QCOMPARE(records(ask(port(), WeekRecRequest(id))).size(), 0);
    }

    // Values the client should never send are refused with an error reply, and nothing is stored.
    void badValuesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("day not a date") << QByteArray("CMDTermCount|20081345|3/CMD");
        QTest::newRow("modality not a number") << QByteArray("CMDTermlist|20080512|3 OR 1=1/CMD");
        QTest::newRow("booking short") << QByteArray("CMDTermNeu|877','3','20080512/CMD");
        QTest::newRow("booking time") << QByteArray("CMDTermNeu|877','3','20080512','25:00','Chest','','30','','/CMD");
        QTest::newRow("booking duration") << QByteArray("CMDTermNeu|877','3','20080512','10:00','Chest','','0','','/CMD");
        QTest::newRow("booking quote not doubled")
            << QByteArray("CMDTermNeu|877','3','20080512','10:00','Chest','it's','30','','/CMD");
        QTest::newRow("emergency flag") << QByteArray("CMDEmNeu|877,'3','20080512','10:00','Chest','','30','', x/CMD");
        QTest::newRow("emergency not there") << QByteArray("CMDEmInsert|20080512|10:00|3|4711/CMD");
        QTest::newRow("move time") << QByteArray("CMDAppUpdate|10:60|1/CMD");
        QTest::newRow("edit short") << QByteArray("CMDAppEdit|20080512|10:00|Chest/CMD");
        QTest::newRow("delete id") << QByteArray("CMDTermDel|1;DROP TABLE tblAppointments/CMD");
        QTest::newRow("clear-out day") << QByteArray("CMDDELAPP|2008-05-12/CMD");
        QTest::newRow("clear-out future") << QByteArray("CMDDELAPP|29991231/CMD");
        QTest::newRow("clear-out time") << QByteArray("CMDDELAPP2|7:3/CMD");
    }

    void badValuesAreRefused()
    {
        QFETCH(QByteArray, request);
        QCOMPARE(number(ask(port(), TermNeuRequest(booking(u"877"_s, 3, u"10:00"_s, 30)))), 1);
        const QByteArray reply = ask(port(), request);
        QVERIFY2(reply.startsWith("ERROR|"), reply.constData());
        QCOMPARE(scalar(u"SELECT COUNT(*) FROM tblAppointments"_s), 1);
    }

    // DELAPP clears out every day before the client's today; DELAPP2 today's appointments that began
    // before the time.
    void clearingOutOldAppointments()
    {
        const QDate today = QDate::currentDate();
        const auto book = [this](const QDate &day, const QString &start) {
            BookingData b = booking(u"877"_s, 3, start, 30);
            b.Date = day.toString(u"yyyyMMdd"_s);
            return number(ask(port(), TermNeuRequest(b)));
        };
        QCOMPARE(book(today.addDays(-3), u"10:00"_s), 1);
        QCOMPARE(book(today.addDays(-1), u"10:00"_s), 1);
        QCOMPARE(book(today, u"07:00"_s), 1);
        QCOMPARE(book(today, u"09:00"_s), 1);
        QCOMPARE(book(today.addDays(1), u"07:00"_s), 1);
        QCOMPARE(number(ask(port(), DelAppRequest(today))), 2);
        QCOMPARE(number(ask(port(), DelAppRequest(today))), 0);
        QCOMPARE(number(ask(port(), DelApp2Request(QTime(8, 0)))), 1);
        QCOMPARE(scalar(u"SELECT COUNT(*) FROM tblAppointments"_s), 2);
        QCOMPARE(scalar(u"SELECT COUNT(*) FROM tblAppointments WHERE StartTime = '09:00'"_s), 1);
    }

    // The demo has a week of appointments on every modality, none overlapping another.
    void demoWeekOnEveryModality()
    {
        QTemporaryDir dir;
        Database db;
        QVERIFY(db.open(dir.filePath(u"demo.db"_s), nullptr));
        const QDate today(2008, 5, 14); // a Wednesday
        QString error;
        QVERIFY2(DemoSeed::fill(db, 1, &error, today), qPrintable(error));
        QSqlQuery perModality(db.connection());
        QVERIFY(perModality.exec(u"SELECT m.ModalityID, COUNT(DISTINCT a.AppDate) FROM tblModality m"
                                 u" LEFT JOIN tblAppointments a ON a.ModalityID = m.ModalityID GROUP BY m.ModalityID"_s));
        int modalities = 0;
        while (perModality.next()) {
            ++modalities;
            QVERIFY2(perModality.value(1).toInt() == 6, "a modality without a week of appointments");
        }
        QCOMPARE(modalities, 5);
        QSqlQuery range(db.connection());
        QVERIFY(range.exec(u"SELECT MIN(AppDate), MAX(AppDate), SUM(CASE WHEN Emergency <> 0 THEN 1 ELSE 0 END),"
                           u" COUNT(*) FROM tblAppointments"_s));
        QVERIFY(range.next());
        QCOMPARE(range.value(0).toString(), u"2008-05-12"_s);
        QCOMPARE(range.value(1).toString(), u"2008-05-17"_s); // the Sunday after it is closed
        QVERIFY(range.value(2).toInt() > 0);
        QVERIFY(range.value(3).toInt() > 300);
        QCOMPARE(overlapsIn(db, -1), QString());
    }

private:
    quint16 port() const { return m_server->commandPort(); }

    qint64 scalar(const QString &sql)
    {
        QSqlQuery query(m_server->database().connection());
        return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
    }

    QString overlaps(int modality) { return overlapsIn(m_server->database(), modality); }

    // Pairs of appointments of one modality and day whose times overlap; empty when there are none.
    static QString overlapsIn(Database &db, int modality)
    {
        QSqlQuery query(db.connection());
        query.prepare(u"SELECT ModalityID, AppDate, StartTime, Duration, AppointmentID FROM tblAppointments"
                      u" WHERE :modality < 0 OR ModalityID = :modality2 ORDER BY ModalityID, AppDate, StartTime"_s);
        query.bindValue(u":modality"_s, modality);
        query.bindValue(u":modality2"_s, modality);
        if (!query.exec())
            return u"query failed"_s;
        QString found;
        QString lastKey;
        int lastEnd = 0;
        QString lastId;
        while (query.next()) {
            const QString key = query.value(0).toString() + u' ' + query.value(1).toString();
            const QTime start = QTime::fromString(query.value(2).toString(), u"HH:mm"_s);
            const int from = start.hour() * 60 + start.minute();
            if (key == lastKey && from < lastEnd)
                found += u"%1 overlaps %2 on %3; "_s.arg(query.value(4).toString(), lastId, key);
            if (key != lastKey || from + query.value(3).toInt() > lastEnd) {
                lastEnd = from + query.value(3).toInt();
                lastId = query.value(4).toString();
            }
            lastKey = key;
        }
        return found;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ZelServer> m_server;
};

QTEST_GUILESS_MAIN(TestServerSchedule)
#include "tst_serverschedule.moc"
