// The server side of the examination commands: the X-ray number pool, new examinations with their
// procedure rows, the search, and loading, updating and deleting one examination.

#include "database.h"
#include "zelserver.h"

#include "link/commandcatalogue.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

bool replyEnded(const QByteArray &reply)
{
    return reply.contains("/CMDDATA\r\n") || (reply.startsWith("ERROR") && reply.contains("\r\n"));
}

// One connection on which requests are sent one after the other, as the client chains them.
class Connection
{
public:
    explicit Connection(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_socket.waitForConnected(5000);
    }
    QByteArray ask(const QByteArray &request)
    {
        m_socket.write(request);
        QByteArray reply;
        (void)QTest::qWaitFor([&] {
            reply += m_socket.readAll();
            return replyEnded(reply);
        }, 10000);
        return reply;
    }

private:
    QTcpSocket m_socket;
};

QByteArray ask(quint16 port, const QByteArray &request)
{
    return Connection(port).ask(request);
}

QList<QByteArray> records(const QByteArray &reply)
{
    QList<QByteArray> out;
    for (QByteArray line : reply.split('\n')) {
        line = line.trimmed();
        if (!line.isEmpty() && line != "CMDDATA" && line != "/CMDDATA")
            out.append(line);
    }
    return out;
}

qint64 number(const QByteArray &reply)
{
    const QList<QByteArray> r = records(reply);
    return r.size() == 1 ? r.first().toLongLong() : -1;
}

qint64 scalar(Database &database, const QString &sql)
{
    QSqlQuery query(database.connection());
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

void exec(Database &database, const QString &sql)
{
    QString error;
    if (!database.execute(sql, &error))
        qFatal("%s: %s", qPrintable(sql), qPrintable(error));
}

QByteArray studyInsert(int studyId, int xrayNumber, int patient = 877, const QByteArray &uid = {})
{
    const QByteArray id = QByteArray::number(studyId).rightJustified(7, '0');
    return "CMDSTDNEW|" + id + ", " + QByteArray::number(xrayNumber) + ", " + QByteArray::number(xrayNumber) + ", "
           + QByteArray::number(patient) + ", 1, 12, -2, 'web_" + QByteArray::number(patient) + "_" + id
           + "', 0, 0, 1, 1, '2008-03-05', '1899-12-30 14:35', '" + (uid.isEmpty() ? "u" + id : uid) + "'/CMD";
}

} // namespace

class TestServerExams : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<ZelServer>();
        ZelServer::Options options;
        options.databasePath = m_dir->filePath(u"department.sqlite"_s);
        QString error;
        QVERIFY2(m_server->start(options, &error), qPrintable(error));
        Database &db = m_server->database();
        exec(db, u"INSERT INTO tblPatienten (PATID, PATID1, PATNachname, PATVorname, PAT2Vorname)"
                 u" VALUES (877, '12345678', 'Smith', 'John', 'JS'), (878, '1234''567', 'O''Brien', 'Mary', 'MO')"_s);
        exec(db, u"INSERT INTO tblUeberweiser (UeberweiserID, UeberweiserName) VALUES (12, 'Casualty'), (13, 'Ward A')"_s);
        exec(db, u"INSERT INTO tblICD9 (ICD9ID, ICD9Code, ICD9Description) VALUES (305, '87.44', 'Chest X-ray PA'),"
                 u" (306, '88.19', 'Abdomen X-ray')"_s);
        exec(db, u"INSERT INTO tblArchives (ArchiveID, ArchiveName, Active) VALUES (1, 'Old', 0), (3, 'Main', 1)"_s);
    }

    void cleanup()
    {
        m_server.reset();
        m_dir.reset();
    }

    // --- the pool

    void poolHandsOutTheLowestFreeNumberNotUsedByAnExamination()
    {
        Database &db = m_server->database();
        exec(db, u"INSERT INTO tblXRay (XRayNumber, Status) VALUES (100, 0), (101, 0), (102, 0), (99, 2), (103, 1)"_s);
        QCOMPARE(number(ask(port(), studyInsert(1, 100))), 1); // 100 is used by an examination now
        QCOMPARE(scalar(db, u"SELECT Status FROM tblXRay WHERE XRayNumber = 100"_s), 2);
        exec(db, u"UPDATE tblXRay SET Status = 0 WHERE XRayNumber = 100"_s); // a pool that disagrees
        QCOMPARE(number(ask(port(), "CMDFreeXRays|List/CMD")), 2);

        QCOMPARE(number(ask(port(), "CMDNewXRayNumber|List/CMD")), 101);
        QCOMPARE(scalar(db, u"SELECT Status FROM tblXRay WHERE XRayNumber = 101"_s), 1); // reserved at once
        QCOMPARE(number(ask(port(), "CMDXRayupdate|101/CMD")), 0);                    // already reserved
        QCOMPARE(number(ask(port(), "CMDNewXRayNumber|List/CMD")), 102);
        QCOMPARE(number(ask(port(), "CMDNewXRayNumber|List/CMD")), 0); // none left
        QCOMPARE(number(ask(port(), "CMDFreeXRays|List/CMD")), 0);

        // Released: the reserved number is free again and handed out again; a used one stays used.
        QCOMPARE(number(ask(port(), "CMDXRayupdate2|101/CMD")), 1);
        QCOMPARE(number(ask(port(), "CMDXRayupdate2|100/CMD")), 0);
        QCOMPARE(number(ask(port(), "CMDFreeXRays|List/CMD")), 1);
        QCOMPARE(number(ask(port(), "CMDNewXRayNumber|List/CMD")), 101);
        QVERIFY(ask(port(), "CMDXRayupdate2|abc/CMD").startsWith("ERROR|200|"));
    }

    // Two servers on one database file, several clients each, all drawing at the same time: every
    // number is handed out once.
    void concurrentClientsNeverGetTheSameNumber()
    {
        Database &db = m_server->database();
        exec(db, u"WITH RECURSIVE n(x) AS (SELECT 5000 UNION ALL SELECT x + 1 FROM n WHERE x < 5199)"
                 u" INSERT INTO tblXRay (XRayNumber, Status) SELECT x, 0 FROM n"_s);
        QProcess other;
        other.setProgram(QStringLiteral(ZELSERVER_EXECUTABLE));
        other.setArguments({u"--db"_s, m_dir->filePath(u"department.sqlite"_s), u"--port"_s, u"0"_s,
                            u"--logon-port"_s, u"0"_s});
        other.start();
        QVERIFY(other.waitForStarted(5000));
        QByteArray out;
        QVERIFY(QTest::qWaitFor([&] {
            out += other.readAllStandardOutput();
            return out.contains("logon port");
        }, 10000));
        const quint16 otherPort = quint16(QRegularExpression(u"command port (\\d+)"_s).match(QString::fromLatin1(out)).captured(1).toUInt());
        QVERIFY(otherPort > 0);

        // Eight clients, four on each server, each asking for 20 numbers without waiting for answers
        // one by one: their requests interleave on both servers.
        constexpr int kClients = 8;
        constexpr int kDraws = 20;
        QList<QTcpSocket *> sockets;
        QList<QByteArray> replies(kClients);
        for (int c = 0; c < kClients; ++c) {
            auto *s = new QTcpSocket(this);
            s->connectToHost(QHostAddress::LocalHost, c % 2 ? otherPort : port());
            QVERIFY(s->waitForConnected(5000));
            sockets.append(s);
        }
        for (int d = 0; d < kDraws; ++d) {
            for (QTcpSocket *s : sockets)
                s->write("CMDNewXRayNumber|List/CMD");
        }
        QVERIFY(QTest::qWaitFor([&] {
            int done = 0;
            for (int c = 0; c < kClients; ++c) {
                replies[c] += sockets[c]->readAll();
                done += replies[c].count("/CMDDATA") == kDraws ? 1 : 0;
            }
            return done == kClients;
        }, 60000));
        QSet<qint64> drawn;
        for (const QByteArray &reply : std::as_const(replies)) {
            for (const QByteArray &r : records(reply)) {
                QVERIFY2(!r.startsWith("ERROR"), r.constData());
                const qint64 n = r.toLongLong();
                QVERIFY2(n >= 5000 && n < 5200, r.constData());
                QVERIFY2(!drawn.contains(n), qPrintable(u"%1 handed out twice"_s.arg(n)));
                drawn.insert(n);
            }
        }
        QCOMPARE(drawn.size(), kClients * kDraws);
        QCOMPARE(scalar(db, u"SELECT COUNT(*) FROM tblXRay WHERE Status = 1"_s), kClients * kDraws);
        qDeleteAll(sockets);
        other.terminate();
        QVERIFY(other.waitForFinished(10000));
    }

    // --- new examinations

    void proceduresBelongToTheExaminationOfTheirConnection()
    {
        Database &db = m_server->database();
        Connection first(port());
        QCOMPARE(number(first.ask(studyInsert(4711, 51234))), 1);
        // A further examination under the same number, saved meanwhile by another client.
        QCOMPARE(number(ask(port(), studyInsert(4712, 51234, 878))), 1);
        QCOMPARE(number(first.ask("CMDProcinsert|51234, 305, '12345678'/CMD")), 1);
        QCOMPARE(number(first.ask("CMDProcinsert|51234, 306, '12345678'/CMD")), 1);
        // Without an examination of its own, a connection files a row under the newest one.
        QCOMPARE(number(ask(port(), "CMDProcinsert|51234, 305, '1234''567'/CMD")), 1);
        QSqlQuery rows(db.connection());
        QVERIFY(rows.exec(u"SELECT StudyID, ICD9ID, PATID1, StudyNr FROM tblStudyProcedures ORDER BY ProcID"_s));
        QList<QStringList> got;
        while (rows.next())
            got.append({rows.value(0).toString(), rows.value(1).toString(), rows.value(2).toString(), rows.value(3).toString()});
        QCOMPARE(got, (QList<QStringList>{{u"4711"_s, u"305"_s, u"12345678"_s, u"51234"_s},
                                          {u"4711"_s, u"306"_s, u"12345678"_s, u"51234"_s},
                                          {u"4712"_s, u"305"_s, u"1234'567"_s, u"51234"_s}}));
        QCOMPARE(scalar(db, u"SELECT Status FROM tblXRay WHERE XRayNumber = 51234"_s), 2);
        // No examination with the number: nothing to file the row under.
        QCOMPARE(number(ask(port(), "CMDProcinsert|99999, 305, 'x'/CMD")), 0);
    }

    void newStudyStoresTheValuesAndRefusesBadOnes()
    {
        Database &db = m_server->database();
        QCOMPARE(number(ask(port(),
                            "CMDSTDNEW|0004711, 51234, 51234, 877, 3, 12, -2, 'web_877_0004711', 0, 0, 1, 1, "
                            "'2008-03-05', '1899-12-30 14:35', 'u1'/CMD")),
                 1);
        QSqlQuery row(db.connection());
        QVERIFY(row.exec(u"SELECT StudyNr, StudyDesc, PATID, ArchiveID, FKeyUeberweiserID, StudyStatus, WebKey,"
                         u" OfficeHours, HospitalPrivate, InOutPatient, Department, StudyDate, StudyTime, StudyUID"
                         u" FROM tblStudies WHERE StudyID = 4711"_s)
                && row.next());
        QStringList stored;
        for (int i = 0; i < 14; ++i)
            stored.append(row.value(i).toString());
        QCOMPARE(stored, (QStringList{u"51234"_s, u"51234"_s, u"877"_s, u"3"_s, u"12"_s, u"-2"_s, u"web_877_0004711"_s,
                                      u"0"_s, u"0"_s, u"1"_s, u"1"_s, u"2008-03-05"_s, u"1899-12-30 14:35"_s, u"u1"_s}));
        // The same study id again, or the same UID: refused by the database.
        QCOMPARE(number(ask(port(), studyInsert(4711, 51235))), 0);
        QCOMPARE(number(ask(port(), studyInsert(4713, 51235, 877, "u1"))), 0);
        // An unknown patient.
        QCOMPARE(number(ask(port(), studyInsert(4714, 51235, 5))), 0);
        QVERIFY(ask(port(), "CMDSTDNEW|0004715, x, 51234, 877/CMD").startsWith("ERROR|200|"));
        QVERIFY(ask(port(), "CMDSTDNEW|0004715, 1, 1, 877, 3, 12, -2, 'w', 0, 0, 1, 1, '05.03.2008', '1899-12-30 14:35', 'u9'/CMD")
                    .startsWith("ERROR|200|"));
        QCOMPARE(scalar(db, u"SELECT COUNT(*) FROM tblStudies"_s), 1);
    }

    void uidsAreUniqueAndDotted()
    {
        const QRegularExpression form(u"^2\\.25\\.[1-9][0-9]{0,38}$"_s);
        const QByteArray a = records(ask(port(), "CMDNEWUID|NEWUID/CMD")).value(0);
        const QByteArray b = records(ask(port(), "CMDNEWUID|NEWUID/CMD")).value(0);
        QVERIFY2(form.match(QString::fromLatin1(a)).hasMatch(), a.constData());
        QVERIFY2(form.match(QString::fromLatin1(b)).hasMatch(), b.constData());
        QVERIFY(a != b);
        QCOMPARE(number(ask(port(), "CMDGetArchiveID|X/CMD")), 3);
        exec(m_server->database(), u"UPDATE tblArchives SET Active = 0"_s);
        QCOMPARE(number(ask(port(), "CMDGetArchiveID|X/CMD")), 0);
    }

    void patientsAndCodesAreLookedUp()
    {
        QCOMPARE(records(ask(port(), "CMDPatdata|12345678/CMD")), QList<QByteArray>{"877|Smith|JS"});
        QCOMPARE(records(ask(port(), "CMDPatdata|1234'567/CMD")), QList<QByteArray>{"878|O'Brien|MO"});
        QCOMPARE(records(ask(port(), "CMDPatdata|99999999/CMD")), QList<QByteArray>{});
        QCOMPARE(records(ask(port(), "CMDPatdataid|878/CMD")), QList<QByteArray>{"1234'567|O'Brien|MO"});
        QCOMPARE(records(ask(port(), "CMDPatdataid|/CMD")), QList<QByteArray>{});
        QCOMPARE(records(ask(port(), "CMDProccode|305/CMD")), QList<QByteArray>{"87.44"});
        QCOMPARE(records(ask(port(), "CMDProccode|999/CMD")), QList<QByteArray>{});
        QCOMPARE(number(ask(port(), "CMDExistXRay|12345678/CMD")), 0);
        QCOMPARE(number(ask(port(), studyInsert(1, 700))), 1);
        QCOMPARE(number(ask(port(), studyInsert(2, 650))), 1);
        QCOMPARE(number(ask(port(), "CMDExistXRay|12345678/CMD")), 650); // the newest examination's
    }

    void studyListMatchesBothPatternsNewestFirst()
    {
        QCOMPARE(number(ask(port(), studyInsert(1, 51234))), 1);
        QCOMPARE(number(ask(port(), studyInsert(2, 51299, 878))), 1);
        QCOMPARE(number(ask(port(), studyInsert(3, 61234))), 1);
        exec(m_server->database(), u"UPDATE tblStudies SET StudyDate = '2008-03-06', Department = 4 WHERE StudyID = 2"_s);
        QCOMPARE(records(ask(port(), "CMDStdlist|512%|%/CMD")),
                 (QList<QByteArray>{"1234'567|O'Brien|Mary|4|51299|06.03.2008|14:35|u0000002|51299|878",
                                    "12345678|Smith|John|1|51234|05.03.2008|14:35|u0000001|51234|877"}));
        QCOMPARE(records(ask(port(), "CMDStdlist|%|1234567_/CMD")).size(), 2);
        QCOMPARE(records(ask(port(), "CMDStdlist|61234|%/CMD")).size(), 1);
        QCOMPARE(records(ask(port(), "CMDStdlist|6123|%/CMD")).size(), 0);
        QVERIFY(ask(port(), "CMDStdlist|%/CMD").startsWith("ERROR|200|"));
    }

    // --- editing

    void loadUpdateAndDeleteTheNewestExaminationOfANumber()
    {
        Database &db = m_server->database();
        QCOMPARE(number(ask(port(), studyInsert(1, 51234))), 1);
        Connection second(port());
        QCOMPARE(number(second.ask(studyInsert(2, 51234))), 1);
        QCOMPARE(number(second.ask("CMDProcinsert|51234, 305, '12345678'/CMD")), 1);
        QCOMPARE(number(second.ask("CMDProcinsert|51234, 306, '12345678'/CMD")), 1);

        QCOMPARE(records(ask(port(), "CMDStddata|51234/CMD")), QList<QByteArray>{"2|877|12|2008-03-05|1899-12-30 14:35|1|0|0|1"});
        QCOMPARE(records(ask(port(), "CMDStddata|4/CMD")), QList<QByteArray>{});
        const QList<QByteArray> rows = records(ask(port(), "CMDProcdata|51234/CMD"));
        QCOMPARE(rows.size(), 2);
        QVERIFY(rows.at(0).endsWith("|305|51234|12345678|Chest X-ray PA|87.44"));

        // New number, referrer, patient: the rows follow; one row changes its procedure; one is added.
        Connection editing(port());
        QCOMPARE(number(editing.ask("CMDStdupdate|51234|13|2008-03-07|1899-12-30 09:05|0|4|1|1|0051299|878/CMD")), 1);
        const QByteArray firstRow = rows.at(0).left(rows.at(0).indexOf('|'));
        QCOMPARE(number(editing.ask("CMDProcupdate|" + firstRow + "|306/CMD")), 1);
        QCOMPARE(number(editing.ask("CMDProcinsert|51234, 305, '1234''567'/CMD")), 1);
        QCOMPARE(records(ask(port(), "CMDStddata|51299/CMD")), QList<QByteArray>{"2|878|13|2008-03-07|1899-12-30 09:05|0|1|1|4"});
        QCOMPARE(scalar(db, u"SELECT COUNT(*) FROM tblStudyProcedures WHERE StudyID = 2 AND StudyNr = 51299 AND PATID1 = '1234''567'"_s), 3);
        QCOMPARE(scalar(db, u"SELECT COUNT(*) FROM tblStudyProcedures WHERE ICD9ID = 306"_s), 2);
        QCOMPARE(records(ask(port(), "CMDStddata|51234/CMD")).value(0).left(2), QByteArray("1|")); // the other one
        QCOMPARE(number(ask(port(), "CMDStdupdate|77777|13|2008-03-07|1899-12-30 09:05|0|4|1|1|1|878/CMD")), 0);
        QVERIFY(ask(port(), "CMDStdupdate|51299|13|07.03.2008|1899-12-30 09:05|0|4|1|1|1|878/CMD").startsWith("ERROR|200|"));

        // Deleting takes the examination with its rows; the other examination of the old number stays.
        exec(db, u"INSERT INTO tblStudyProcedures (StudyNr, ICD9ID, PATID1, StudyID) VALUES (51299, 305, 'x', NULL)"_s);
        QCOMPARE(number(ask(port(), "CMDDelStudy|51299/CMD")), 1);
        QCOMPARE(scalar(db, u"SELECT COUNT(*) FROM tblStudyProcedures WHERE StudyID = 2"_s), 0);
        QCOMPARE(number(ask(port(), "CMDDelProc|51299/CMD")), 1); // the row that had no examination
        QCOMPARE(number(ask(port(), "CMDDelStudy|51299/CMD")), 0);
        QCOMPARE(scalar(db, u"SELECT COUNT(*) FROM tblStudies"_s), 1);
    }

    void everyExaminationKeywordIsServed()
    {
        for (Command c : {Command::PATDATA, Command::NEWSTDID, Command::REFPHYS, Command::NEWUID, Command::GETARCHIVEID,
                          Command::STDNEW, Command::PROCSAVE, Command::PATDATAID, Command::STDLIST, Command::STDDATA,
                          Command::PROCDATA, Command::STDUPDATE, Command::PROCUPDATE, Command::DELSTUDY,
                          Command::DELPROC, Command::NEWXRAYNO, Command::XRAYUPDATE, Command::XRAYUPDATE2,
                          Command::FREEXRAY, Command::EXISTXRAY, Command::PROCLIST, Command::PROCCODE}) {
            const QString keyword = CommandCatalogue::entry(c).keyword;
            QVERIFY2(m_server->registry().contains(keyword), qPrintable(keyword));
        }
    }

private:
    quint16 port() const { return m_server->commandPort(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ZelServer> m_server;
};

QTEST_MAIN(TestServerExams)
#include "tst_serverexams.moc"
