// The reference lists that several windows load with one request, and the schema step that gives
// every procedure row its examination.

#include "database.h"
#include "schema.h"
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

QList<QByteArray> records(const QByteArray &reply)
{
    QList<QByteArray> lines = reply.split('\n');
    QList<QByteArray> out;
    for (QByteArray &line : lines) {
        line = line.trimmed();
        if (!line.isEmpty() && line != "CMDDATA" && line != "/CMDDATA")
            out.append(line);
    }
    return out;
}

qint64 scalar(Database &database, const QString &sql)
{
    QSqlQuery query(database.connection());
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

} // namespace

class TestServerReference : public QObject
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

    // The procedure list has the six fields every reader of it expects, ordered by description.
    void procedureListHasSixFieldsByDescription()
    {
        const QList<QByteArray> rows = records(ask(m_server.commandPort(), "CMDProclist|List/CMD"));
        QCOMPARE(rows.size(), scalar(m_server.database(), u"SELECT COUNT(*) FROM tblICD9"_s));
        QStringList descriptions;
        for (const QByteArray &row : rows) {
            const QList<QByteArray> fields = row.split('|');
            QCOMPARE(fields.size(), 6);
            descriptions.append(QString::fromLatin1(fields.at(1)));
        }
        QStringList sorted = descriptions;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(descriptions, sorted);
        // A special investigation names its report in SpInv and its heading in SpInvHead.
        QSqlQuery biliary(m_server.database().connection());
        QVERIFY(biliary.exec(u"SELECT COUNT(*) FROM tblICD9 WHERE SpInv = 1 AND SpInvHead BETWEEN 1 AND 6"_s));
        QVERIFY(biliary.next() && biliary.value(0).toInt() > 0);
    }

    // Doctors and referring locations withdrawn from use are not offered any more.
    void withdrawnEntriesAreNotOffered_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("withdraw");
        QTest::addColumn<QString>("restore");
        QTest::newRow("doctors") << QByteArray("CMDDoclist|List/CMD")
                                 << u"UPDATE tblDoctors SET Visible = 0 WHERE DoctorID = 1"_s
                                 << u"UPDATE tblDoctors SET Visible = 1 WHERE DoctorID = 1"_s;
        QTest::newRow("referrers") << QByteArray("CMDRefPhys|List/CMD")
                                   << u"UPDATE tblUeberweiser SET Zel = 0 WHERE UeberweiserID = 1"_s
                                   << u"UPDATE tblUeberweiser SET Zel = 1 WHERE UeberweiserID = 1"_s;
    }

    void withdrawnEntriesAreNotOffered()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, withdraw);
        QFETCH(QString, restore);
        const auto ids = [&] {
            QList<QByteArray> result;
            for (const QByteArray &row : records(ask(m_server.commandPort(), request)))
                result.append(row.split('|').value(0));
            return result;
        };
        const QList<QByteArray> before = ids();
        QVERIFY(before.contains("1"));
        QVERIFY(m_server.database().execute(withdraw, nullptr));
        const QList<QByteArray> after = ids();
        QVERIFY(!after.contains("1"));
        QCOMPARE(after.size(), before.size() - 1);
        QVERIFY(m_server.database().execute(restore, nullptr));
    }

    // A file of the first schema version is brought up to date: its procedure rows get the newest
    // examination of their X-ray number.
    void olderFileGetsEachProcedureItsExamination()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"old.db"_s);
        {
            Database old;
            QString error;
            QVERIFY2(old.open(path, &error), qPrintable(error));
            // Back to the first version, as a file written before the step.
            QVERIFY(old.execute(u"DROP INDEX idxStudyProceduresStudy"_s, nullptr));
            QVERIFY(old.execute(u"ALTER TABLE tblStudyProcedures DROP COLUMN StudyID"_s, nullptr));
            QVERIFY(old.execute(u"ALTER TABLE tblDoctors DROP COLUMN Visible"_s, nullptr));
            QVERIFY(old.execute(u"PRAGMA user_version = 1"_s, nullptr));
            QVERIFY(old.execute(u"INSERT INTO tblICD9 (ICD9ID, ICD9Code, ICD9Description) VALUES (1, 'x', 'X')"_s, nullptr));
            for (const char *sql : {"INSERT INTO tblStudies (StudyID, StudyNr) VALUES (10, 500)",
                                    "INSERT INTO tblStudies (StudyID, StudyNr) VALUES (11, 500)",
                                    "INSERT INTO tblStudies (StudyID, StudyNr) VALUES (12, 501)",
                                    "INSERT INTO tblStudyProcedures (StudyNr, ICD9ID) VALUES (500, 1)",
                                    "INSERT INTO tblStudyProcedures (StudyNr, ICD9ID) VALUES (501, 1)",
                                    "INSERT INTO tblStudyProcedures (StudyNr, ICD9ID) VALUES (502, 1)"})
                QVERIFY(old.execute(QString::fromLatin1(sql), nullptr));
        }
        Database upgraded;
        QString error;
        QVERIFY2(upgraded.open(path, &error), qPrintable(error));
        QCOMPARE(upgraded.schemaVersion(), Schema::currentVersion());
        QCOMPARE(scalar(upgraded, u"SELECT StudyID FROM tblStudyProcedures WHERE StudyNr = 500"_s), 11);
        QCOMPARE(scalar(upgraded, u"SELECT StudyID FROM tblStudyProcedures WHERE StudyNr = 501"_s), 12);
        QCOMPARE(scalar(upgraded, u"SELECT COUNT(*) FROM tblStudyProcedures WHERE StudyNr = 502 AND StudyID IS NULL"_s), 1);
        QCOMPARE(scalar(upgraded, u"SELECT COUNT(*) FROM tblDoctors WHERE Visible <> 1"_s), 0);
    }

    // The demo seed gives every procedure row the examination it was made for.
    void seededProceduresBelongToTheirExamination()
    {
        Database &db = m_server.database();
        QCOMPARE(scalar(db, u"SELECT COUNT(*) FROM tblStudyProcedures WHERE StudyID IS NULL"_s), 0);
        QCOMPARE(scalar(db, u"SELECT COUNT(*) FROM tblStudyProcedures p JOIN tblStudies s ON s.StudyID = p.StudyID"
                            u" WHERE s.StudyNr <> p.StudyNr"_s),
                 0);
    }

private:
    QTemporaryDir m_dir;
    ZelServer m_server;
};

QTEST_GUILESS_MAIN(TestServerReference)
#include "tst_serverreference.moc"
