// frmXrayNo through real ODBC: the QODBC driver on unixODBC with the SQLite3 ODBC driver, on the
// reference server's own database file, so the numbers the dialog creates are the ones the server
// then hands out.

#include "exams/xraynodialog.h"
#include "exams/xraypool.h"
#include "support/desk.h"
#include "support/findchild.h"
#include "zelserver.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

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
        return reply.contains("/CMDDATA\r\n");
    }, 10000);
    return reply;
}

void exec(Database &database, const QString &sql)
{
    QString error;
    if (!database.execute(sql, &error))
        qFatal("%s: %s", qPrintable(sql), qPrintable(error));
}

QList<int> pool(Database &database, int status)
{
    QSqlQuery query(database.connection());
    query.exec(u"SELECT XRayNumber FROM tblXRay WHERE Status = %1 ORDER BY XRayNumber"_s.arg(status));
    QList<int> numbers;
    while (query.next())
        numbers.append(query.value(0).toInt());
    return numbers;
}

} // namespace

class TestExamsXRay : public QObject
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
        exec(db, u"INSERT INTO tblPatienten (PATID, PATID1, PATNachname) VALUES (1, '12345678', 'Smith')"_s);
        exec(db, u"INSERT INTO tblStudies (StudyID, StudyNr, PATID) VALUES (1, 1002, 1)"_s);
        exec(db, u"INSERT INTO tblXRay (XRayNumber, Status) VALUES (1004, 2), (900, 0), (901, 0)"_s);
        const QByteArray ini = "Login=zel1\r\nPassword=notused99\r\nConnection=DRIVER={SQLite3};Database="
                               + m_dir->filePath(u"department.sqlite"_s).toUtf8() + ";Timeout=10000\r\n";
        m_desk = std::make_unique<Desk>(m_server->commandPort(), QMap<QString, QByteArray>{{XRayPoolSettings::fileName(), ini}});
    }

    void cleanup()
    {
        m_desk.reset();
        m_server.reset();
        m_dir.reset();
    }

    void settingsFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("connection");
        QTest::newRow("login and password")
            << QByteArray("Login=zel1\r\nPassword=abc123def\r\n")
            << u"driver={SQL Server};server=db.host;uid=zel1;pwd=abc123def;database=VQMDB2"_s;
        QTest::newRow("a whole connection text") << QByteArray("; the site's own\r\nConnection=DSN=pool;UID=x\r\nLogin=y\r\n")
                                                 << u"DSN=pool;UID=x"_s;
        QTest::newRow("no file") << QByteArray() << u"driver={SQL Server};server=db.host;uid=;pwd=;database=VQMDB2"_s;
    }

    void settingsFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, connection);
        QTemporaryDir folder;
        if (!file.isEmpty()) {
            QFile f(folder.filePath(XRayPoolSettings::fileName()));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        QCOMPARE(XRayPoolSettings::read(folder.path()).connectionText(u"db.host"_s), connection);
    }

    void rangeSkipsUsedAndExistingNumbers_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QList<int>>("created");
        QTest::addColumn<QString>("title");   // of the last box
        QTest::addColumn<QString>("message"); // its text, or the start of it
        QTest::newRow("1000 to 1005") << u"1000"_s << u"1005"_s << QList<int>{1000, 1001, 1003, 1005} << u"ZEL-Client"_s
                                      << u"Done"_s;
        QTest::newRow("start above end") << u"1005"_s << u"1000"_s << QList<int>{} << u"ZEL-Client"_s << u"Done"_s;
        QTest::newRow("start not a number") << u"1o00"_s << u"1005"_s << QList<int>{} << u"Insert"_s << u"The value"_s;
        QTest::newRow("end not a number") << u"1000"_s << QString() << QList<int>{} << u"Insert"_s << u"The value"_s;
    }

    void rangeSkipsUsedAndExistingNumbers()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QList<int>, created);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QString opened;
        QString label;
        whenModal(u"frmXrayNo"_s, [&](QWidget *dialog) {
            opened = child<QLineEdit>(dialog, u"txtStart"_s)->text();
            enterAll(dialog, {u"txtStart="_s + start, u"txtEnd="_s + end});
            QTest::mouseClick(child<QPushButton>(dialog, u"Command1"_s), Qt::LeftButton);
            label = child<QLabel>(dialog, u"x1"_s)->text();
            static_cast<QDialog *>(dialog)->reject();
        });
        QVERIFY(m_desk->trigger(MenuIds::CreateXRayNumbers));
        QCOMPARE(opened, u"902"_s); // the highest free number + 1
        QVERIFY(!m_desk->prompts.shown.isEmpty());
        QCOMPARE(m_desk->prompts.shown.last().title, title);
        QVERIFY2(m_desk->prompts.shown.last().text.startsWith(message), qPrintable(m_desk->prompts.shown.last().text));
        QCOMPARE(m_desk->prompts.shown.size(), 1);
        QCOMPARE(label, created.isEmpty() ? QString() : QString::number(created.last()));
        QCOMPARE(pool(m_server->database(), 0), (QList<int>{900, 901} + created));
        QCOMPARE(pool(m_server->database(), 2), QList<int>{1004});
    }

    // The numbers the dialog creates are the ones the server hands out next.
    void createdNumbersAreHandedOutByTheServer()
    {
        exec(m_server->database(), u"UPDATE tblXRay SET Status = 2 WHERE XRayNumber IN (900, 901)"_s);
        whenModal(u"frmXrayNo"_s, [](QWidget *dialog) {
            QVERIFY(child<QLineEdit>(dialog, u"txtStart"_s)->text().isEmpty()); // no free number to go on from
            enterAll(dialog, {u"txtStart=5000"_s, u"txtEnd=5002"_s});
            QTest::mouseClick(child<QPushButton>(dialog, u"Command1"_s), Qt::LeftButton);
            static_cast<QDialog *>(dialog)->reject();
        });
        QVERIFY(m_desk->trigger(MenuIds::CreateXRayNumbers));
        QCOMPARE(ask(m_server->commandPort(), "CMDFreeXRays|List/CMD"), QByteArray("CMDDATA\r\n3\r\n/CMDDATA\r\n"));
        QCOMPARE(ask(m_server->commandPort(), "CMDNewXRayNumber|List/CMD"), QByteArray("CMDDATA\r\n5000\r\n/CMDDATA\r\n"));
        // Opened again, the dialog goes on after the highest free number.
        QString opened;
        whenModal(u"frmXrayNo"_s, [&opened](QWidget *dialog) {
            opened = child<QLineEdit>(dialog, u"txtStart"_s)->text();
            static_cast<QDialog *>(dialog)->reject();
        });
        QVERIFY(m_desk->trigger(MenuIds::CreateXRayNumbers));
        QCOMPARE(opened, u"5003"_s);
    }

    // A long range shows where it is and leaves the window free for its other events.
    void longRangeStaysResponsive()
    {
        int ticks = 0;
        QSet<QString> shown;
        whenModal(u"frmXrayNo"_s, [&](QWidget *dialog) {
            auto *label = child<QLabel>(dialog, u"x1"_s);
            QTimer ticker;
            ticker.setInterval(0);
            QObject::connect(&ticker, &QTimer::timeout, dialog, [&] {
                ++ticks;
                shown.insert(label->text());
            });
            ticker.start();
            enterAll(dialog, {u"txtStart=20000"_s, u"txtEnd=20299"_s});
            QTest::mouseClick(child<QPushButton>(dialog, u"Command1"_s), Qt::LeftButton);
            ticker.stop();
            static_cast<QDialog *>(dialog)->reject();
        });
        QVERIFY(m_desk->trigger(MenuIds::CreateXRayNumbers));
        QCOMPARE(pool(m_server->database(), 0).size(), 2 + 300);
        QVERIFY2(ticks >= 100, qPrintable(QString::number(ticks)));
        QVERIFY2(shown.size() >= 50, qPrintable(QString::number(shown.size())));
    }

    // A minute to log on and a minute per request, in seconds: not 60000 seconds of a frozen window.
    void connectionWaitsAMinuteAtMost()
    {
        XRayPoolDatabase database(u"DRIVER={SQLite3};Database="_s + m_dir->filePath(u"department.sqlite"_s));
        QString error;
        QVERIFY2(database.open(&error), qPrintable(error));
        const QStringList options = database.connectOptions().split(u';');
        QVERIFY(options.contains(u"SQL_ATTR_LOGIN_TIMEOUT=60"_s));
        QVERIFY(options.contains(u"SQL_ATTR_CONNECTION_TIMEOUT=60"_s));
        QCOMPARE(database.highestFree(&error), std::optional<std::int64_t>(901));
    }

    // The database unreachable: the dialog says why with the driver's own words and stays usable.
    void unreachableDatabaseIsReported()
    {
        QFile ini(QDir(m_desk->dir.path()).filePath(XRayPoolSettings::fileName()));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("Connection=DRIVER={No Such Driver};Database=x\r\n");
        ini.close();
        bool open = false;
        whenModal(u"frmXrayNo"_s, [&open](QWidget *dialog) {
            open = dialog->isVisible();
            static_cast<QDialog *>(dialog)->reject();
        });
        QVERIFY(m_desk->trigger(MenuIds::CreateXRayNumbers));
        QVERIFY(open);
        QCOMPARE(m_desk->prompts.shown.size(), 1);
        QCOMPARE(m_desk->prompts.shown.first().title, u"Insert"_s);
        QCOMPARE(m_desk->prompts.shown.first().icon, Prompter::Icon::Error);
        QVERIFY(!m_desk->prompts.shown.first().text.isEmpty());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ZelServer> m_server;
    std::unique_ptr<Desk> m_desk;
};

QTEST_MAIN(TestExamsXRay)
#include "tst_examsxray.moc"
