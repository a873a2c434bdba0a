// The statistics codes of zelserver: what each code counts, over a small department whose every
// count is known, its errors, and that a walk's cached summary never outlives a change of the data.

#include "database.h"
#include "zelserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

// One connection that asks one code after another, as a walk does.
class Walker
{
public:
    explicit Walker(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_socket.waitForConnected(5000);
    }

    QByteArray ask(const QByteArray &request)
    {
        m_socket.write(request);
        QByteArray reply;
        QElapsedTimer clock;
        clock.start();
        while (!(reply.endsWith("/CMDDATA\r\n") || (reply.startsWith("ERROR") && reply.endsWith("\r\n")))) {
            // The server answers from this thread's event loop.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            reply += m_socket.readAll();
            if (clock.elapsed() > 10000)
                break;
        }
        return reply;
    }

    // The number a code answers; -1 for anything else.
    qint64 count(const QByteArray &code, const QByteArray &arguments = "20080301|20080331|0")
    {
        const QByteArray reply = ask("CMDStat" + code + '|' + arguments + "/CMD");
        if (!reply.startsWith("CMDDATA\r\n") || !reply.endsWith("\r\n/CMDDATA\r\n"))
            return -1;
        bool ok = false;
        const qint64 n = reply.mid(9, reply.size() - 9 - 12).toLongLong(&ok);
        return ok ? n : -1;
    }

private:
    QTcpSocket m_socket;
};

bool run(Database &database, const QString &sql)
{
    QString error;
    if (!database.execute(sql, &error)) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(error));
        return false;
    }
    return true;
}

} // namespace

class TestServerStats : public QObject
{
    Q_OBJECT

private slots:
    // A department of six examinations whose every count is known: four in March 2008 (one on each
    // race group and one without), one in February and one in April.
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ZelServer::Options options;
        options.databasePath = m_dir.filePath(u"zel.db"_s);
        options.passwordIterations = 500;
        QString error;
        QVERIFY2(m_server.start(options, &error), qPrintable(error));
        Database &db = m_server.database();
        const QStringList statements = {
            u"INSERT INTO tblRaceGroups (Rasse, Entry) VALUES (0, 'White Male'), (1, 'White Female'),"
            u" (2, 'Coloured Male'), (3, 'Coloured Female'), (4, 'Black Male'), (5, 'Black Female')"_s,
            u"INSERT INTO tblPatienten (PATID, PATID1, PATNachname, Rasse) VALUES (1, '1001', 'White', 0),"
            u" (2, '1002', 'Coloured', 3), (3, '1003', 'Black', 5), (4, '1004', 'Unknown', NULL),"
            u" (5, '1005', 'Elsewhere', 9)"_s,
            u"INSERT INTO tblICD9 (ICD9ID, ICD9Code, ICD9Description, SpInvHead, SpInv) VALUES"
            u" (1, '87.77', 'Cystogram', 2, 1), (2, '87.44', 'Chest X-ray PA', NULL, NULL),"
            u" (3, '88.78', 'Ultrasound|OB', 4, 2), (4, '87.73', 'Intravenous pyelogram', 2, 1),"
            u" (5, '99.99', 'Out of range', 7, 1)"_s,
            // StudyID, patient, date, department, office hours, hospital/private, in/out/staff
            u"INSERT INTO tblStudies (StudyID, StudyNr, PATID, StudyDate, Department, OfficeHours, HospitalPrivate,"
            u" InOutPatient) VALUES"
            u" (1, 501, 1, '2008-03-01', 0, 0, 0, 0),"
            u" (2, 502, 2, '2008-03-31 10:00', 0, 1, 1, 1),"
            u" (3, 503, 3, '2008-03-15', 6, 0, 0, 2),"
            u" (4, 504, 4, '2008-03-10', 0, 0, 1, 0),"
            u" (5, 505, 5, '2008-02-29', 0, 0, 0, 0),"
            u" (6, 506, 1, '2008-04-01', 0, 0, 0, 1)"_s,
            u"INSERT INTO tblStudyProcedures (StudyNr, ICD9ID, StudyID) VALUES (501, 1, 1), (501, 2, 1),"
            u" (502, 1, 2), (503, 3, 3), (505, 1, 5), (501, 5, 1)"_s,
        };
        for (const QString &sql : statements)
            QVERIFY(run(db, sql));
    }

    void codesCountTheirCells_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<qint64>("expected");
        const QByteArray march = "20080301|20080331|0";
        const QByteArray marchAfter = "20080301|20080331|1";
        const QByteArray year = "20080101|20081231|0";
        // 24 hours, table 1: Xray White H, Coloured P, Total H and P; the Total row; Lodox Black H.
        QTest::newRow("Xray White H") << "001"_ba << march << qint64(1);
        QTest::newRow("Xray Coloured P") << "004"_ba << march << qint64(1);
        QTest::newRow("Xray Black H") << "005"_ba << march << qint64(0);
        QTest::newRow("Xray Total H") << "007"_ba << march << qint64(1);
        QTest::newRow("Xray Total P, with a patient of no race") << "008"_ba << march << qint64(2);
        QTest::newRow("Total row Black H") << "0053"_ba << march << qint64(1);
        QTest::newRow("Total row Total H") << "0055"_ba << march << qint64(2);
        QTest::newRow("Total row Total P") << "0056"_ba << march << qint64(2);
        QTest::newRow("Lodox Black H") << "00418"_ba << march << qint64(1);
        // Table 2: in, out, staff.
        QTest::newRow("Xray In H") << "0057"_ba << march << qint64(1);
        QTest::newRow("Xray In P") << "0058"_ba << march << qint64(1);
        QTest::newRow("Xray Out P") << "0060"_ba << march << qint64(1);
        QTest::newRow("Xray Total P") << "0064"_ba << march << qint64(2);
        QTest::newRow("Lodox Staff H") << "00426"_ba << march << qint64(1);
        QTest::newRow("Total row In P") << "00106"_ba << march << qint64(1);
        // Table 3: procedure rows.
        QTest::newRow("Xray procedures") << "00225"_ba << march << qint64(4);
        QTest::newRow("Lodox procedures") << "00430"_ba << march << qint64(1);
        // The flag is stale outside the shift codes and ignored there.
        QTest::newRow("24 hours with flag 1") << "001"_ba << marchAfter << qint64(1);
        // Day time and after hours.
        QTest::newRow("day Xray White H") << "00113"_ba << march << qint64(1);
        QTest::newRow("after Xray White H") << "00113"_ba << marchAfter << qint64(0);
        QTest::newRow("day Xray Coloured P") << "00116"_ba << march << qint64(0);
        QTest::newRow("after Xray Coloured P") << "00116"_ba << marchAfter << qint64(1);
        QTest::newRow("day Xray procedures") << "00231"_ba << march << qint64(3);
        QTest::newRow("after Xray procedures") << "00231"_ba << marchAfter << qint64(1);
        QTest::newRow("day Lodox Black H") << "00435"_ba << march << qint64(1);
        QTest::newRow("day Lodox Staff H") << "00443"_ba << march << qint64(1);
        QTest::newRow("after Lodox procedures") << "00447"_ba << marchAfter << qint64(0);
        QTest::newRow("day Lodox procedures") << "00447"_ba << march << qint64(1);
        // Annual: race columns Pvt before Hosp, admission columns, patients and examinations.
        QTest::newRow("March White Hosp") << "00250"_ba << year << qint64(1);
        QTest::newRow("March White Pvt") << "00249"_ba << year << qint64(0);
        QTest::newRow("March Coloured Pvt") << "00251"_ba << year << qint64(1);
        QTest::newRow("March Black Hosp") << "00254"_ba << year << qint64(1);
        QTest::newRow("February Inpats Hosp") << "00315"_ba << year << qint64(1);
        QTest::newRow("March Inpats Pvt") << "00319"_ba << year << qint64(1);
        QTest::newRow("March Outpats Pvt") << "00321"_ba << year << qint64(1);
        QTest::newRow("March Staff") << "00323"_ba << year << qint64(1);
        QTest::newRow("April Outpats Hosp") << "00327"_ba << year << qint64(1);
        QTest::newRow("February patients") << "00371"_ba << year << qint64(1);
        QTest::newRow("March patients") << "00373"_ba << year << qint64(4);
        QTest::newRow("March examinations") << "00374"_ba << year << qint64(5);
        QTest::newRow("April examinations") << "00376"_ba << year << qint64(0);
        QTest::newRow("December examinations") << "00392"_ba << year << qint64(0);
        // Special categories: report 1 heading 2, report 2 heading 4; a heading out of range is in none.
        QTest::newRow("Genito-Urinary Tract") << "00395"_ba << march << qint64(2);
        QTest::newRow("Biliary System") << "00394"_ba << march << qint64(0);
        QTest::newRow("Other (heading 5)") << "00398"_ba << march << qint64(0);
        QTest::newRow("Ultrasound") << "00403"_ba << march << qint64(1);
        // Single procedure: the code as given, trimmed; unknown and empty codes count nothing.
        QTest::newRow("single procedure") << "00393"_ba << "20080301|20080331|87.77"_ba << qint64(2);
        QTest::newRow("single procedure with blanks") << "00393"_ba << "20080301|20080331| 87.77 "_ba << qint64(2);
        QTest::newRow("single unknown procedure") << "00393"_ba << "20080301|20080331|00.00"_ba << qint64(0);
        QTest::newRow("single empty procedure") << "00393"_ba << "20080301|20080331|"_ba << qint64(0);
        // Open and reversed periods.
        QTest::newRow("no start") << "007"_ba << "|20080331|0"_ba << qint64(2);
        QTest::newRow("no end") << "007"_ba << "20080301||0"_ba << qint64(2);
        QTest::newRow("end before start") << "007"_ba << "20080331|20080301|0"_ba << qint64(0);
    }

    void codesCountTheirCells()
    {
        QFETCH(QByteArray, code);
        QFETCH(QByteArray, arguments);
        QFETCH(qint64, expected);
        Walker walker(m_server.commandPort());
        QCOMPARE(walker.count(code, arguments), expected);
    }

    // Both spellings of the keyword reach the codes.
    void keywordIsReadInEitherCase()
    {
        Walker walker(m_server.commandPort());
        QCOMPARE(walker.ask("CMDSTAT00395|20080301|20080331|0/CMD"), "CMDDATA\r\n2\r\n/CMDDATA\r\n"_ba);
        QCOMPARE(walker.ask("CMDStat00395|20080301|20080331|0/CMD"), "CMDDATA\r\n2\r\n/CMDDATA\r\n"_ba);
    }

    // A detail list: a record per procedure with its count, by description, its "|" made a blank;
    // an empty one is a records block without records, never a bare number.
    void detailListsNameTheirProcedures()
    {
        Walker walker(m_server.commandPort());
        QCOMPARE(walker.ask("CMDStat00405|20080301|20080331|0/CMD"), "CMDDATA\r\nCystogram|2\r\n/CMDDATA\r\n"_ba);
        QCOMPARE(walker.ask("CMDStat00413|20080301|20080331|0/CMD"), "CMDDATA\r\nUltrasound OB|1\r\n/CMDDATA\r\n"_ba);
        QCOMPARE(walker.ask("CMDStat00404|20080301|20080331|0/CMD"), "CMDDATA\r\n/CMDDATA\r\n"_ba);
        // Over the whole year the other procedure of the category joins, in description order.
        QVERIFY(run(m_server.database(), u"INSERT INTO tblStudyProcedures (StudyNr, ICD9ID, StudyID) VALUES (504, 4, 4)"_s));
        QCOMPARE(walker.ask("CMDStat00405|20080101|20081231|0/CMD"),
                 "CMDDATA\r\nCystogram|3\r\nIntravenous pyelogram|1\r\n/CMDDATA\r\n"_ba);
        QCOMPARE(walker.count("00395", "20080101|20081231|0"), 4);
        QVERIFY(run(m_server.database(), u"DELETE FROM tblStudyProcedures WHERE ICD9ID = 4"_s));
    }

    void badRequestsGetErrorReplies_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("unknown code") << "CMDStat00500|20080301|20080331|0/CMD"_ba;
        QTest::newRow("code 0") << "CMDStat000|20080301|20080331|0/CMD"_ba;
        QTest::newRow("no code") << "CMDStat|20080301|20080331|0/CMD"_ba;
        QTest::newRow("no such day") << "CMDStat001|20080231|20080331|0/CMD"_ba;
        QTest::newRow("not a date") << "CMDStat001|March|20080331|0/CMD"_ba;
        QTest::newRow("shift flag 2") << "CMDStat00113|20080301|20080331|2/CMD"_ba;
        QTest::newRow("no shift flag") << "CMDStat00113|20080301|20080331/CMD"_ba;
    }

    void badRequestsGetErrorReplies()
    {
        QFETCH(QByteArray, request);
        Walker walker(m_server.commandPort());
        QVERIFY(walker.ask(request).startsWith("ERROR|"));
        // The connection goes on serving the walk.
        QCOMPARE(walker.count("001"), 1);
    }

    // A walk's codes share one summary of the period, but a change of the data between two codes,
    // on the server's own connection or another, is counted at once.
    void changedDataIsCountedAtOnce()
    {
        Walker walker(m_server.commandPort());
        QCOMPARE(walker.count("001"), 1);
        QVERIFY(run(m_server.database(),
                    u"INSERT INTO tblStudies (StudyID, StudyNr, PATID, StudyDate, Department) VALUES (20, 520, 1, '2008-03-05', 0)"_s));
        QCOMPARE(walker.count("001"), 2);
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
            other.setDatabaseName(m_dir.filePath(u"zel.db"_s));
            QVERIFY(other.open());
            QSqlQuery query(other);
            QVERIFY(query.exec(u"UPDATE tblStudies SET HospitalPrivate = 1 WHERE StudyID = 20"_s));
            other.close();
        }
        QSqlDatabase::removeDatabase(u"other"_s);
        QCOMPARE(walker.count("001"), 1);
        QCOMPARE(walker.count("002"), 1);
        QVERIFY(run(m_server.database(), u"DELETE FROM tblStudies WHERE StudyID = 20"_s));
        QCOMPARE(walker.count("002"), 0);
    }

    // The race columns follow the server's mirror of the race/sex list.
    void raceColumnsFollowTheMirror()
    {
        Walker walker(m_server.commandPort());
        QCOMPARE(walker.count("001"), 1);
        QVERIFY(run(m_server.database(), u"UPDATE tblRaceGroups SET Entry = 'Black Male' WHERE Rasse = 0"_s));
        QCOMPARE(walker.count("001"), 0);
        QCOMPARE(walker.count("005"), 1);
        // A line whose first word is no race group leaves its patients in the totals only.
        QVERIFY(run(m_server.database(), u"UPDATE tblRaceGroups SET Entry = 'Other' WHERE Rasse = 0"_s));
        QCOMPARE(walker.count("005"), 0);
        QCOMPARE(walker.count("007"), 1);
        QVERIFY(run(m_server.database(), u"UPDATE tblRaceGroups SET Entry = 'White Male' WHERE Rasse = 0"_s));
        QCOMPARE(walker.count("001"), 1);
    }

private:
    QTemporaryDir m_dir;
    ZelServer m_server;
};

QTEST_MAIN(TestServerStats)
#include "tst_serverstats.moc"
