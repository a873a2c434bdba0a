// The reference table commands of the server: the full referrer table, and the saves of referring
// locations, doctors and procedure codes, with what they refuse and how line breaks travel.

#include "database.h"
#include "zelserver.h"

#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

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

// The records of a list reply, cut where the client cuts them: at CR LF.
QList<QList<QByteArray>> records(const QByteArray &reply)
{
    QList<QList<QByteArray>> out;
    for (const QByteArray &line : reply.split('\r')) {
        const QByteArray record = line.startsWith('\n') ? line.mid(1) : line;
        if (!record.isEmpty() && record != "CMDDATA" && record != "/CMDDATA")
            out.append(record.split('|'));
    }
    return out;
}

QByteArray numberReply(int n)
{
    return "CMDDATA\r\n" + QByteArray::number(n) + "\r\n/CMDDATA\r\n";
}

} // namespace

class TestServerTables : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ZelServer::Options options;
        options.databasePath = m_dir.filePath(u"zel.db"_s);
        options.seed = u"demo"_s;
        options.passwordIterations = 500;
        QString error;
        QVERIFY2(m_server.start(options, &error), qPrintable(error));
    }

    // Every referring location, withdrawn ones included, with its flag as 1 or 0, by name.
    void referrerTableListsEveryLocationWithItsFlag()
    {
        const QList<QList<QByteArray>> rows = records(ask(port(), "CMDRefphysall|List/CMD"));
        QCOMPARE(qint64(rows.size()), scalar(u"SELECT COUNT(*) FROM tblUeberweiser"_s).toLongLong());
        QStringList names;
        int hidden = 0;
        for (const QList<QByteArray> &row : rows) {
            QCOMPARE(row.size(), 3);
            QVERIFY(row.at(2) == "1" || row.at(2) == "0");
            QCOMPARE(row.at(2).toInt(),
                     scalar(u"SELECT Zel FROM tblUeberweiser WHERE UeberweiserID = "_s + QString::fromLatin1(row.at(0))).toInt());
            hidden += row.at(2) == "0";
            names.append(QString::fromLatin1(row.at(1)));
        }
        QVERIFY(hidden > 0);
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(names, sorted);
    }

    // A save answers 1 when it stored the row and 0 when no row matched or the id is taken; doubled
    // quotes are single again, line breaks are stored as CR LF, NULL and an empty or Null InvestType
    // are no value.
    void savesAreStoredAndAnsweredWithOne_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("reply");
        QTest::addColumn<QString>("stored"); // a query giving one text
        QTest::addColumn<QString>("expected");

        const QString referrer = u"SELECT UeberweiserName || '|' || Zel FROM tblUeberweiser WHERE UeberweiserID = "_s;
        const QString procedure = u"SELECT ICD9Code || '|' || ICD9Description || '|' || COALESCE(SpInvHead, '-') || '|'"
                                  u" || COALESCE(SpInv, '-') || '|' || COALESCE(InvestType, '-') FROM tblICD9 WHERE "_s;
        QTest::newRow("new referrer") << QByteArray("CMDRefphysinsert|9001, 'O''Brien Clinic', 0/CMD") << 1
                                      << referrer + u"9001"_s << u"O'Brien Clinic|0"_s;
        QTest::newRow("referrer id taken") << QByteArray("CMDRefphysinsert|1, 'Twin Ward', 1/CMD") << 0
                                           << u"SELECT COUNT(*) FROM tblUeberweiser WHERE UeberweiserName = 'Twin Ward'"_s
                                           << u"0"_s;
        QTest::newRow("referrer renamed and withdrawn") << QByteArray("CMDRefphysupdate|2|Ward ''B''|0/CMD") << 1
                                                        << referrer + u"2"_s << u"Ward 'B'|0"_s;
        QTest::newRow("unknown referrer") << QByteArray("CMDRefphysupdate|99999|Nowhere|1/CMD") << 0
                                          << u"SELECT COUNT(*) FROM tblUeberweiser WHERE UeberweiserName = 'Nowhere'"_s
                                          << u"0"_s;
        QTest::newRow("new doctor") << QByteArray("CMDDocinsert|'Dr O''Neil'/CMD") << 1
                                    << u"SELECT Visible FROM tblDoctors WHERE DoctorName = 'Dr O''Neil'"_s << u"1"_s;
        QTest::newRow("doctor renamed") << QByteArray("CMDDocupdate|2|Dr A. O''Hara/CMD") << 1
                                        << u"SELECT DoctorName FROM tblDoctors WHERE DoctorID = 2"_s << u"Dr A. O'Hara"_s;
        QTest::newRow("unknown doctor") << QByteArray("CMDDocupdate|99999|Dr Nobody/CMD") << 0
                                        << u"SELECT COUNT(*) FROM tblDoctors WHERE DoctorName = 'Dr Nobody'"_s << u"0"_s;
        QTest::newRow("new procedure of two lines")
            << QByteArray("CMDICD9Insert|'99.01', 'Line one\nLine two', 12, NULL, Null/CMD") << 1
            << procedure + u"ICD9Code = '99.01'"_s << u"99.01|Line one\r\nLine two|12|-|-"_s;
        QTest::newRow("procedure changed by its id")
            << QByteArray("CMDICD9Update|3|87.17|Skull X-ray\nAP and lateral|1.5|NULL|Plain ''film''\nonly/CMD") << 1
            << procedure + u"ICD9ID = 3"_s << u"87.17|Skull X-ray\r\nAP and lateral|1.5|-|Plain 'film'\r\nonly"_s;
        QTest::newRow("procedure without InvestType") << QByteArray("CMDICD9Update|4|87.16|Facial bones|NULL|2|/CMD") << 1
                                                      << procedure + u"ICD9ID = 4"_s << u"87.16|Facial bones|-|2|-"_s;
        QTest::newRow("unknown procedure") << QByteArray("CMDICD9Update|99999|x.1|Nothing|NULL|NULL|/CMD") << 0
                                           << u"SELECT COUNT(*) FROM tblICD9 WHERE ICD9Code = 'x.1'"_s << u"0"_s;
    }

    void savesAreStoredAndAnsweredWithOne()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, reply);
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        QCOMPARE(ask(port(), request), numberReply(reply));
        QCOMPARE(scalar(stored).toString(), expected);
    }

    // What the tables must never hold is refused with an error reply, and nothing is written.
    void malformedSavesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("referrer id not a number") << QByteArray("CMDRefphysupdate|x|Ward|1/CMD");
        QTest::newRow("referrer flag not a flag") << QByteArray("CMDRefphysupdate|1|Ward|maybe/CMD");
        QTest::newRow("referrer name of two lines") << QByteArray("CMDRefphysinsert|9100, 'Ward\nA', 1/CMD");
        QTest::newRow("referrer name not quoted") << QByteArray("CMDRefphysinsert|9100, 17, 1/CMD");
        QTest::newRow("referrer field missing") << QByteArray("CMDRefphysupdate|1|Ward/CMD");
        QTest::newRow("doctor name not quoted") << QByteArray("CMDDocinsert|Dr X/CMD");
        QTest::newRow("doctor name blank") << QByteArray("CMDDocupdate|1|  /CMD");
        QTest::newRow("number with an exponent") << QByteArray("CMDICD9Insert|'1.1', 'a', 1e3, NULL, Null/CMD");
        QTest::newRow("number with a comma") << QByteArray("CMDICD9Update|3|87.17|Skull|1,5|NULL|/CMD");
        QTest::newRow("bar in a description") << QByteArray("CMDICD9Update|3|87.17|Skull|X-ray|NULL|NULL|/CMD");
        QTest::newRow("procedure code empty") << QByteArray("CMDICD9Insert|'', 'a', NULL, NULL, Null/CMD");
        QTest::newRow("procedure id negative") << QByteArray("CMDICD9Update|-3|87.17|Skull|NULL|NULL|/CMD");
    }

    void malformedSavesAreRefused()
    {
        QFETCH(QByteArray, request);
        // Counted on the server's own connection: every row it writes counts.
        const qint64 before = scalar(u"SELECT total_changes()"_s).toLongLong();
        const QByteArray reply = ask(port(), request);
        QVERIFY2(reply.startsWith("ERROR|200|"), reply.constData());
        QCOMPARE(scalar(u"SELECT total_changes()"_s).toLongLong(), before);
    }

    // A description of several lines comes back as one field with LF between its lines; every
    // record of the list keeps its six fields.
    void lineBreaksComeBackInsideTheirRecord()
    {
        QCOMPARE(ask(port(), "CMDICD9Insert|'99.02', 'First\nSecond\nThird', NULL, NULL, 'Two\nlines'/CMD"), numberReply(1));
        const QList<QList<QByteArray>> rows = records(ask(port(), "CMDProclist|List/CMD"));
        QCOMPARE(qint64(rows.size()), scalar(u"SELECT COUNT(*) FROM tblICD9"_s).toLongLong());
        QList<QByteArray> added;
        for (const QList<QByteArray> &row : rows) {
            QCOMPARE(row.size(), 6);
            if (row.at(5) == "99.02")
                added = row;
        }
        QCOMPARE(added.at(1), QByteArray("First\nSecond\nThird"));
        QCOMPARE(added.at(4), QByteArray("Two\nlines"));
    }

    // What the tables store is what the examination and report windows are offered: a referring
    // location only while it is visible.
    void savedEntriesReachTheExaminationLists()
    {
        const auto listed = [this](const QByteArray &request, int field, const QByteArray &value) {
            for (const QList<QByteArray> &row : records(ask(port(), request))) {
                if (row.value(field) == value)
                    return true;
            }
            return false;
        };
        QCOMPARE(ask(port(), "CMDRefphysinsert|9200, 'Eye Clinic', 0/CMD"), numberReply(1));
        QVERIFY(listed("CMDRefphysall|List/CMD", 1, "Eye Clinic"));
        QVERIFY(!listed("CMDRefPhys|List/CMD", 0, "9200"));
        QCOMPARE(ask(port(), "CMDRefphysupdate|9200|Eye Clinic North|1/CMD"), numberReply(1));
        QVERIFY(listed("CMDRefPhys|List/CMD", 1, "Eye Clinic North"));

        QCOMPARE(ask(port(), "CMDDocinsert|'Dr Z. Zulu'/CMD"), numberReply(1));
        QVERIFY(listed("CMDDoclist|List/CMD", 1, "Dr Z. Zulu"));
        QCOMPARE(ask(port(), "CMDICD9Insert|'99.03', 'Bone density scan', 3, 1, Null/CMD"), numberReply(1));
        QVERIFY(listed("CMDProclist|List/CMD", 1, "Bone density scan"));
    }

private:
    quint16 port() const { return m_server.commandPort(); }

    QVariant scalar(const QString &sql)
    {
        QSqlQuery query(m_server.database().connection());
        return query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }

    QTemporaryDir m_dir;
    ZelServer m_server;
};

QTEST_GUILESS_MAIN(TestServerTables)
#include "tst_servertables.moc"
