#include "app/clientini.h"
#include "app/configwindow.h"
#include "app/loginwindow.h"
#include "app/mainwindow.h"
#include "app/passwordwindow.h"
#include "core/logbook.h"
#include "core/session.h"
#include "app/singleinstance.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "link/commandlink.h"
#include "support/findchild.h"
#include "support/promptrecorder.h"
#include "support/scriptedserver.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTcpServer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;


Q_DECLARE_METATYPE(Settings)

char *toString(const Settings &s)
{
    return QTest::toString(u"{%1, %2, %3, %4, %5, %6, %7, %8}"_s.arg(s.MainServerHost)
                               .arg(s.MainServerPort)
                               .arg(s.ConnectTimeout)
                               .arg(s.CommandTimeout)
                               .arg(s.LogonPort)
                               .arg(s.UseAppSystem)
                               .arg(s.SecondServerHost)
                               .arg(s.SecondServerPort));
}

namespace {

const QStringList kDepartments{u"B3"_s,  u"CT-Scan"_s, u"Mobile"_s, u"Ultrasound"_s,
                               u"MRI"_s, u"Trauma"_s,  u"Lodox"_s};

// Settings that differ from the defaults everywhere, so a value that is wrongly left alone or
// wrongly overwritten shows.
Settings earlier(bool useAppSystem = false)
{
    Settings s;
    s.MainServerHost = u"old-host"_s;
    s.MainServerPort = 1111;
    s.ConnectTimeout = 11;
    s.CommandTimeout = 22;
    s.LogonPort = 3333;
    s.UseAppSystem = useAppSystem;
    s.SecondServerHost = u"old-second"_s;
    s.SecondServerPort = 4444;
    return s;
}

Settings main4(Settings s, const QString &host, int port, int t1, int t2)
{
    s.MainServerHost = host;
    s.MainServerPort = port;
    s.ConnectTimeout = std::int16_t(t1);
    s.CommandTimeout = std::int16_t(t2);
    return s;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void fillMain(QWidget *window, const QString &server, const QString &port, const QString &t1, const QString &t2)
{
    child<QLineEdit>(window, u"Server"_s)->setText(server);
    child<QLineEdit>(window, u"Port"_s)->setText(port);
    child<QLineEdit>(window, u"Timeout1"_s)->setText(t1);
    child<QLineEdit>(window, u"Timeout2"_s)->setText(t2);
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private:
    QString folder() const { return m_dir->path(); }
    QString iniPath() const { return ClientIni::path(folder()); }

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        m_dir.reset();
    }

    // --- the logs
    void logsAppendOneLinePerEntry()
    {
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        QVERIFY(log.ensureFolder());
        writeBytes(log.errorLogPath(), "earlier entry\r\n");
        log.LogError(53, u"File not found\r\nsecond line"_s, u"ReadINI"_s);
        log.LogStatus(u"Sending header"_s);
        log.LogStatus(u"Header sent"_s);

        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown.first().icon, Prompter::Icon::Error);
        QCOMPARE(prompts.shown.first().title, u"ReadINI"_s);
        QCOMPARE(prompts.shown.first().text, u"Error #53\r\n\r\nFile not found\r\nsecond line"_s);

        const QList<QByteArray> errors = readBytes(log.errorLogPath()).split('\n');
        QCOMPARE(errors.size(), 3); // two entries and the empty rest after the last line end
        QCOMPARE(errors.at(0), QByteArray("earlier entry\r"));
        QVERIFY(errors.at(1).endsWith(" | #53 | File not found second line | ReadINI\r"));
        const QList<QByteArray> status = readBytes(log.statusLogPath()).split('\n');
        QCOMPARE(status.size(), 3);
        QVERIFY(status.at(0).endsWith(" | Sending header\r"));
        QVERIFY(status.at(1).endsWith(" | Header sent\r"));
    }

    void unwritableLogStillShowsTheBox()
    {
        PromptRecorder prompts;
        writeBytes(QDir(folder()).filePath(u"Log"_s), "a file where the folder should be");
        LogBook log(folder(), prompts);
        log.LogError(75, u"Path/File access error"_s, u"Main"_s);
        log.LogStatus(u"lost"_s);
        QCOMPARE(prompts.shown.size(), 1);
    }

    // --- numbers as the user writes them

    void parseUserNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<qint64>("value");

        QTest::newRow("plain") << u"4000"_s << true << qint64(4000);
        QTest::newRow("spaces and plus") << u"  +7 "_s << true << qint64(7);
        QTest::newRow("negative") << u"-12"_s << true << qint64(-12);
        QTest::newRow("half rounds to even below") << u"2.5"_s << true << qint64(2);
        QTest::newRow("half rounds to even above") << u"3.5"_s << true << qint64(4);
        QTest::newRow("negative half") << u"-2.5"_s << true << qint64(-2);
        QTest::newRow("just above half") << u"2.5000001"_s << true << qint64(3);
        QTest::newRow("below half") << u"9.49"_s << true << qint64(9);
        QTest::newRow("fraction only") << u".7"_s << true << qint64(1);
        QTest::newRow("trailing point") << u"5."_s << true << qint64(5);
        QTest::newRow("empty") << u""_s << false << qint64(0);
        QTest::newRow("blank") << u"   "_s << false << qint64(0);
        QTest::newRow("sign only") << u"-"_s << false << qint64(0);
        QTest::newRow("point only") << u"."_s << false << qint64(0);
        QTest::newRow("word") << u"yes"_s << false << qint64(0);
        QTest::newRow("trailing letters") << u"12a"_s << false << qint64(0);
        QTest::newRow("inner space") << u"40 00"_s << false << qint64(0);
        QTest::newRow("two points") << u"1.2.3"_s << false << qint64(0);
    }

    void parseUserNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(qint64, value);

        const std::optional<qint64> parsed = ::parseUserNumber(text);
        QCOMPARE(parsed.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*parsed, value);
    }

    void hugeNumbersStayOutOfEveryRange()
    {
        const std::optional<qint64> parsed = ::parseUserNumber(u"-99999999999999999999999.5"_s);
        QVERIFY(parsed.has_value());
        QVERIFY(*parsed < std::numeric_limits<std::int32_t>::min());
        QVERIFY(!parseUserNumberAs<std::int32_t>(u"99999999999999999999999"_s));
        QCOMPARE(parseUserNumberAs<std::int16_t>(u"-32768"_s), std::optional<std::int16_t>(-32768));
        QVERIFY(!parseUserNumberAs<std::int16_t>(u"32767.5"_s)); // rounds to 32768
    }

    // --- Client.ini

    void readIni_data()
    {
        QTest::addColumn<QByteArray>("content"); // a null array: no file at all
        QTest::addColumn<Settings>("before");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("errorLine");
        QTest::addColumn<Settings>("after");

        const Settings none;
        const Settings old = earlier();
        const Settings oldOn = earlier(true);

        QTest::newRow("four lines, host trimmed, rest untouched")
            << QByteArray("  zel-srv  \r\n4000\r\n5\r\n10\r\n") << none << 0 << 0
            << main4(none, u"zel-srv"_s, 4000, 5, 10);

        Settings all = main4(old, u"zel-srv"_s, 4000, 5, 10);
        all.LogonPort = 4100;
        all.UseAppSystem = true;
        all.SecondServerHost = u"backup"_s;
        all.SecondServerPort = 4001;
        QTest::newRow("eight lines") << QByteArray("zel-srv\r\n4000\r\n5\r\n10\r\n4100\r\n1\r\n  backup \r\n4001\r\n")
                                     << old << 0 << 0 << all;

        Settings bareLf = main4(old, u"zel-srv"_s, 4000, 5, 10);
        bareLf.LogonPort = 4100;
        QTest::newRow("bare LF, no final break")
            << QByteArray("zel-srv\n4000\n5\n10\n4100") << old << 0 << 0 << bareLf;

        QTest::newRow("code page 1252 host") << QByteArray("r\xe9seau\r\n1\r\n2\r\n3\r\n") << none << 0 << 0
                                             << main4(none, u"r\u00e9seau"_s, 1, 2, 3);

        const QByteArray head("h\r\n1\r\n2\r\n3\r\n0\r\n");
        const Settings on = main4(earlier(true), u"h"_s, 1, 2, 3);
        const Settings off = main4(earlier(false), u"h"_s, 1, 2, 3);
        auto withLogon0 = [](Settings s) {
            s.LogonPort = 0;
            return s;
        };
        QTest::newRow("line 6: 1 switches on") << QByteArray(head + "1\r\n") << old << 0 << 0 << withLogon0(on);
        QTest::newRow("line 6: 0 switches off") << QByteArray(head + "0\r\n") << oldOn << 0 << 0 << withLogon0(off);
        QTest::newRow("line 6: 2 keeps on") << QByteArray(head + "2\r\n") << oldOn << 0 << 0 << withLogon0(on);
        QTest::newRow("line 6: 2 keeps off") << QByteArray(head + "2\r\n") << old << 0 << 0 << withLogon0(off);
        QTest::newRow("line 6: a word switches on") << QByteArray(head + "yes\r\n") << old << 0 << 0 << withLogon0(on);
        QTest::newRow("line 6: empty keeps off") << QByteArray(head + "\r\nx\r\n") << old << 0 << 0
                                                 << [&] {
                                                        Settings s = withLogon0(off);
                                                        s.SecondServerHost = u"x"_s;
                                                        return s;
                                                    }();

        QTest::newRow("fractions round, halves to even")
            << QByteArray("h\r\n 80.5 \r\n+2.5\r\n10.51\r\n") << none << 0 << 0 << main4(none, u"h"_s, 80, 2, 11);
        QTest::newRow("16-bit limits") << QByteArray("h\r\n-2147483648\r\n32767\r\n-32768\r\n") << none << 0 << 0
                                       << main4(none, u"h"_s, std::numeric_limits<std::int32_t>::min(), 32767,
                                                -32768);

        Settings unreadableOptional = main4(old, u"h"_s, 1, 2, 3);
        unreadableOptional.UseAppSystem = true;
        unreadableOptional.SecondServerHost = QString();
        QTest::newRow("unreadable optional lines keep their settings")
            << QByteArray("h\r\n1\r\n2\r\n3\r\nport\r\n1\r\n\r\n99999999999\r\n") << old << 0 << 0
            << unreadableOptional;

        QTest::newRow("missing file") << QByteArray() << old << 53 << 0 << old;
        QTest::newRow("empty file") << QByteArray("") << old << 62 << 1 << old;
        QTest::newRow("missing line 3 keeps lines 1 and 2")
            << QByteArray("zel-srv\r\n4000\r\n") << old << 62 << 3
            << main4(old, u"zel-srv"_s, 4000, old.ConnectTimeout, old.CommandTimeout);
        QTest::newRow("letters in port") << QByteArray("zel-srv\r\nabc\r\n5\r\n10\r\n") << old << 13 << 2
                                         << main4(old, u"zel-srv"_s, old.MainServerPort, old.ConnectTimeout,
                                                  old.CommandTimeout);
        QTest::newRow("empty timeout") << QByteArray("zel-srv\r\n4000\r\n\r\n10\r\n") << old << 13 << 3
                                       << main4(old, u"zel-srv"_s, 4000, old.ConnectTimeout, old.CommandTimeout);
        QTest::newRow("command timeout beyond 16 bits")
            << QByteArray("zel-srv\r\n4000\r\n5\r\n32768\r\n") << old << 6 << 4
            << main4(old, u"zel-srv"_s, 4000, 5, old.CommandTimeout);
        QTest::newRow("port beyond 32 bits") << QByteArray("zel-srv\r\n2147483648\r\n5\r\n10\r\n") << old << 6 << 2
                                             << main4(old, u"zel-srv"_s, old.MainServerPort, old.ConnectTimeout,
                                                      old.CommandTimeout);
    }

    void readIni()
    {
        QFETCH(QByteArray, content);
        QFETCH(Settings, before);
        QFETCH(int, error);
        QFETCH(int, errorLine);
        QFETCH(Settings, after);

        if (!content.isNull())
            writeBytes(iniPath(), content);
        Session session;
        session.settings = before;
        session.ServerHost = u"untouched"_s;

        const ClientIni::Result result = ReadINI(session, folder());

        QCOMPARE(result.number, error);
        QCOMPARE(result.ok(), error == 0);
        if (error != 0)
            QVERIFY(!result.text.isEmpty());
        if (errorLine != 0)
            QVERIFY2(result.text.contains(u"line "_s + QString::number(errorLine)), qPrintable(result.text));
        QCOMPARE(session.settings, after);
        QCOMPARE(session.ServerHost, error == 0 ? after.MainServerHost : u"untouched"_s);
    }

    void writtenFileHasEightLinesAndReadsBack()
    {
        Settings s = main4(Settings(), u"zel-srv"_s, 4000, 5, -10);
        s.LogonPort = 4100;
        s.UseAppSystem = true;
        s.SecondServerHost = u"backup \u00e9"_s;
        s.SecondServerPort = 4001;

        QVERIFY(ClientIni::write(iniPath(), ClientIni::linesOf(s)).ok());
        QCOMPARE(readBytes(iniPath()), QByteArray("zel-srv\r\n4000\r\n5\r\n-10\r\n4100\r\n1\r\nbackup \xe9\r\n4001\r\n"));

        Settings back;
        QVERIFY(ClientIni::read(iniPath(), back).ok());
        QCOMPARE(back, s);

        // A line break typed into a value must not push the following values onto other lines.
        QStringList lines = ClientIni::linesOf(s);
        lines[6] = u"two\r\nlines"_s;
        QVERIFY(ClientIni::write(iniPath(), lines).ok());
        QCOMPARE(readBytes(iniPath()).count("\r\n"), 8);
        QVERIFY(ClientIni::read(iniPath(), back).ok());
        QCOMPARE(back.SecondServerPort, 4001);
    }

    // --- the configuration window

    void okButtonFollowsWatchedFields_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("timeout1");
        QTest::addColumn<QString>("timeout2");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("complete") << u"zel-srv"_s << u"4000"_s << u"5"_s << u"10"_s << true;
        QTest::newRow("numbers with spaces and fraction") << u"zel-srv"_s << u" 4000.4"_s << u"+5"_s << u"10 "_s
                                                          << true;
        QTest::newRow("no server") << u""_s << u"4000"_s << u"5"_s << u"10"_s << false;
        QTest::newRow("blank server") << u"   "_s << u"4000"_s << u"5"_s << u"10"_s << false;
        QTest::newRow("no port") << u"zel-srv"_s << u""_s << u"5"_s << u"10"_s << false;
        QTest::newRow("letters in Timeout1") << u"zel-srv"_s << u"4000"_s << u"abc"_s << u"10"_s << false;
        QTest::newRow("letters in Timeout2") << u"zel-srv"_s << u"4000"_s << u"5"_s << u"10s"_s << false;
        QTest::newRow("timeout beyond 16 bits") << u"zel-srv"_s << u"4000"_s << u"40000"_s << u"10"_s << false;
        QTest::newRow("port beyond 32 bits") << u"zel-srv"_s << u"3000000000"_s << u"5"_s << u"10"_s << false;
    }

    void okButtonFollowsWatchedFields()
    {
        QFETCH(QString, server);
        QFETCH(QString, port);
        QFETCH(QString, timeout1);
        QFETCH(QString, timeout2);
        QFETCH(bool, enabled);

        Settings settings;
        PromptRecorder prompts;
        ConfigWindow window(settings, prompts, folder());
        fillMain(&window, server, port, timeout1, timeout2);
        QCOMPARE(child<QPushButton>(&window, u"cmdOK"_s)->isEnabled(), enabled);
    }

    void okButtonWaitsForAWatchedField()
    {
        Settings settings = earlier();
        PromptRecorder prompts;
        ConfigWindow window(settings, prompts, folder());
        QCOMPARE(window.objectName(), u"fConfig"_s);
        QCOMPARE(window.windowTitle(), u"Configuration"_s);
        QVERIFY(window.isModal());
        QCOMPARE(child<QLineEdit>(&window, u"Port"_s)->text(), u"1111"_s);
        auto *ok = child<QPushButton>(&window, u"cmdOK"_s);

        QVERIFY(!ok->isEnabled()); // although every loaded value is valid
        child<QLineEdit>(&window, u"LogPort"_s)->setText(u"1"_s);
        child<QLineEdit>(&window, u"Server2"_s)->setText(u"x"_s);
        child<QLineEdit>(&window, u"Port2"_s)->setText(u"2"_s);
        child<QCheckBox>(&window, u"Check1"_s)->setChecked(true);
        QVERIFY(!ok->isEnabled());

        child<QLineEdit>(&window, u"Timeout2"_s)->setText(u"23"_s);
        QVERIFY(ok->isEnabled());
    }

    void okWritesFileAsTypedAndShowsBox()
    {
        Settings settings = earlier();
        PromptRecorder prompts;
        ConfigWindow window(settings, prompts, folder());
        fillMain(&window, u"  zel-srv  "_s, u" 4000 "_s, u"5"_s, u"10.5"_s);
        child<QLineEdit>(&window, u"LogPort"_s)->setText(u"none"_s);
        child<QCheckBox>(&window, u"Check1"_s)->setChecked(true);
        child<QLineEdit>(&window, u"Server2"_s)->setText(u"backup"_s);
        child<QLineEdit>(&window, u"Port2"_s)->clear();
        window.show();

        child<QPushButton>(&window, u"cmdOK"_s)->click();

        QCOMPARE(readBytes(iniPath()), QByteArray("  zel-srv  \r\n 4000 \r\n5\r\n10.5\r\nnone\r\n1\r\nbackup\r\n\r\n"));
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompter::Icon::Information);
        QCOMPARE(prompts.shown[0].title, u"Configuration"_s);
        QCOMPARE(prompts.shown[0].text, u"Configuration saved!"_s);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(!window.isVisible());

        Settings expected = main4(earlier(), u"  zel-srv  "_s, 4000, 5, 10);
        expected.UseAppSystem = true;
        expected.SecondServerHost = u"backup"_s; // LogonPort and SecondServerPort keep their numbers
        QCOMPARE(settings, expected);

        // What the window wrote is what start-up accepts.
        Session session;
        QVERIFY(ReadINI(session, folder()).ok());
        QCOMPARE(session.settings.MainServerHost, u"zel-srv"_s);
    }

    void okKeepsWindowOpenWhenFileCannotBeWritten()
    {
        Settings settings = earlier();
        PromptRecorder prompts;
        ConfigWindow window(settings, prompts, QDir(folder()).filePath(u"no-such-folder"_s));
        fillMain(&window, u"zel-srv"_s, u"4000"_s, u"5"_s, u"10"_s);
        window.show();

        child<QPushButton>(&window, u"cmdOK"_s)->click();

        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompter::Icon::Error);
        QCOMPARE(prompts.shown[0].title, u"Configuration"_s);
        QVERIFY(window.isVisible());
        QCOMPARE(child<QLineEdit>(&window, u"Server"_s)->text(), u"zel-srv"_s);
        QCOMPARE(settings, earlier());
    }

    // --- start-up

    void firstStartAsksForConfigurationUntilSaved()
    {
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        Session session;
        Startup startup(session, prompts, log, folder());

        // Plays the user at the real modal window: Cancel the first time, fill in and OK the second.
        int readIniBoxes = 0;
        prompts.onShow = [&](const PromptRecorder::Shown &shown) {
            if (shown.title != u"ReadINI"_s)
                return;
            if (++readIniBoxes > 2)
                throw std::runtime_error("configuration window shown too often"); // ends start-up, not the test run
            const bool cancel = readIniBoxes == 1;
            QTimer::singleShot(0, this, [cancel] {
                QWidget *window = QApplication::activeModalWidget();
                if (!window || window->objectName() != u"fConfig"_s)
                    return;
                if (cancel) {
                    child<QPushButton>(window, u"cmdCancel"_s)->click();
                    return;
                }
                fillMain(window, u"zel-srv"_s, u"4000"_s, u"5"_s, u"10"_s);
                child<QPushButton>(window, u"cmdOK"_s)->click();
            });
        };

        QVERIFY(startup.run({}));

        QCOMPARE(prompts.shown.size(), 3);
        for (int i : {0, 1}) {
            QCOMPARE(prompts.shown[i].icon, Prompter::Icon::Error);
            QCOMPARE(prompts.shown[i].title, u"ReadINI"_s);
            QVERIFY2(prompts.shown[i].text.startsWith(u"Error #53\r\n\r\nFile not found"_s),
                     qPrintable(prompts.shown[i].text));
        }
        QCOMPARE(prompts.shown[2].text, u"Configuration saved!"_s);
        QCOMPARE(readBytes(iniPath()), QByteArray("zel-srv\r\n4000\r\n5\r\n10\r\n0\r\n0\r\n\r\n0\r\n"));
        QVERIFY(QFileInfo(QDir(folder()).filePath(u"Log"_s)).isDir());
        QVERIFY(readBytes(log.errorLogPath()).contains("ReadINI"));
        QCOMPARE(session.ServerHost, u"zel-srv"_s);
        QCOMPARE(session.DepartmentNames, kDepartments);
        QVERIFY(startup.splash());
        QVERIFY(startup.splash()->isVisible());
        QVERIFY(!session.DebugMode);
    }

    void startupReadsAgainAfterEachConfigWindow()
    {
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        Session session;
        Startup startup(session, prompts, log, folder());
        int steps = 0;
        startup.setConfigStep([&] {
            ++steps;
            writeBytes(iniPath(), steps == 1 ? QByteArray("zel-srv\r\n4000\r\nsoon\r\n10\r\n")
                                             : QByteArray("zel-srv\r\n4000\r\n5\r\n10\r\n"));
        });

        QVERIFY(startup.run({}));

        QCOMPARE(steps, 2);
        QCOMPARE(prompts.shown.size(), 2);
        QVERIFY(prompts.shown[0].text.startsWith(u"Error #53"_s));
        QVERIFY(prompts.shown[1].text.startsWith(u"Error #13"_s));
        QCOMPARE(session.settings.ConnectTimeout, std::int16_t(5));
    }

    void debugModeFollowsCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("debug");
        QTest::newRow("none") << QStringList() << false;
        QTest::newRow("any word") << QStringList{u"whatever"_s} << true;
        QTest::newRow("empty argument") << QStringList{QString()} << true;
    }

    void debugModeFollowsCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, debug);

        writeBytes(iniPath(), "zel-srv\r\n4000\r\n5\r\n10\r\n");
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        Session session;
        Startup startup(session, prompts, log, folder());
        startup.setConfigStep([] { QFAIL("configuration window shown for a readable file"); });

        QVERIFY(startup.run(arguments));
        QCOMPARE(session.DebugMode, debug);
        QCOMPARE(session.DepartmentNames, kDepartments);
        QVERIFY(prompts.shown.isEmpty());
    }

    void startupEndsWhenLogFolderCannotBeMade()
    {
        writeBytes(iniPath(), "zel-srv\r\n4000\r\n5\r\n10\r\n");
        writeBytes(QDir(folder()).filePath(u"Log"_s), "a file where the folder should be");
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        Session session;
        Startup startup(session, prompts, log, folder());

        QVERIFY(!startup.run({}));

        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompter::Icon::Error);
        QCOMPARE(prompts.shown[0].title, u"Main"_s);
        QVERIFY(!startup.splash());
        QVERIFY(session.DepartmentNames.isEmpty());
    }

    // --- the splash

    void splashCaption_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("caption");
        QTest::newRow("one-digit revision padded") << 2 << 3 << 7 << u"ZEL-Client Version 2.3.07"_s;
        QTest::newRow("zero revision") << 10 << 4 << 0 << u"ZEL-Client Version 10.4.00"_s;
        QTest::newRow("two-digit revision") << 1 << 0 << 12 << u"ZEL-Client Version 1.0.12"_s;
    }

    void splashCaption()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, caption);
        QCOMPARE(SplashWindow::captionFor(major, minor, revision), caption);
    }

    void splashShowsVersionAndPicture()
    {
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        SingleInstance instance(folder());
        {
            SplashWindow splash(prompts, log, instance, folder(), 2, 3, 7);
            QCOMPARE(splash.objectName(), u"fSplash"_s);
            QCOMPARE(splash.windowTitle(), u"ZEL-Client Version 2.3.07"_s);
            QCOMPARE(child<QLabel>(&splash, u"lblVersion"_s)->text(), u"Version 2.3.07"_s);
            QCOMPARE(child<QLabel>(&splash, u"lblProductName"_s)->text(), u"ZEL-Client"_s);
            QVERIFY(child<QLabel>(&splash, u"Image1"_s)->isHidden());
        }

        QImage picture(8, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(QDir(folder()).filePath(u"Zel.bmp"_s), "BMP"));
        SplashWindow splash(prompts, log, instance, folder(), 2, 3, 7);
        auto *image = child<QLabel>(&splash, u"Image1"_s);
        QVERIFY(!image->isHidden());
        QCOMPARE(image->pixmap().size(), QSize(8, 4));
        QVERIFY(image->hasScaledContents());
    }

    void splashHandsOverWhenAlone()
    {
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        SingleInstance instance(folder());
        SplashWindow splash(prompts, log, instance, folder());
        QSignalSpy handOver(&splash, &SplashWindow::handOverReady);

        splash.show();
        QVERIFY(handOver.wait());

        QVERIFY(splash.isVisible());
        QVERIFY(!child<QTimer>(&splash, u"Timer1"_s)->isActive());
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(SingleInstance(folder()).claim(), SingleInstance::State::AnotherCopyRuns);
    }

    void splashRefusesSecondCopy()
    {
        SingleInstance firstCopy(folder());
        QCOMPARE(firstCopy.claim(), SingleInstance::State::Alone);

        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        SingleInstance instance(folder());
        SplashWindow splash(prompts, log, instance, folder());
        QSignalSpy handOver(&splash, &SplashWindow::handOverReady);

        splash.show();
        QTRY_VERIFY(!splash.isVisible());

        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompter::Icon::Information);
        QCOMPARE(prompts.shown[0].title, u"ZEL-Client"_s);
        QCOMPARE(prompts.shown[0].text, u"Your can only run one instance of 'ZEL-Client'"_s);
        QCOMPARE(handOver.count(), 0);
    }

    void splashReportsLockFailure()
    {
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        SingleInstance instance(folder(), QDir(folder()).filePath(u"no-such-folder"_s));
        SplashWindow splash(prompts, log, instance, folder());
        QSignalSpy handOver(&splash, &SplashWindow::handOverReady);

        splash.show();
        QTRY_VERIFY(!splash.isVisible());

        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompter::Icon::Error);
        QCOMPARE(prompts.shown[0].title, u"Splash_Timer"_s);
        QCOMPARE(handOver.count(), 0);
    }

    void splashClosesOnClick()
    {
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        SingleInstance instance(folder());
        SplashWindow splash(prompts, log, instance, folder());
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));

        QTest::mouseClick(child<QLabel>(&splash, u"lblVersion"_s), Qt::LeftButton);

        QVERIFY(!splash.isVisible());
        QVERIFY(!child<QTimer>(&splash, u"Timer1"_s)->isActive()); // no hand-over after the user closed it
    }

    // --- single running copy

    void secondCopyRefusedUntilFirstEnds()
    {
        auto first = std::make_unique<SingleInstance>(folder());
        QCOMPARE(first->claim(), SingleInstance::State::Alone);
        QCOMPARE(first->claim(), SingleInstance::State::Alone);

        SingleInstance second(folder());
        QCOMPARE(second.claim(), SingleInstance::State::AnotherCopyRuns);

        QTemporaryDir otherFolder;
        SingleInstance elsewhere(otherFolder.path());
        QCOMPARE(elsewhere.claim(), SingleInstance::State::Alone);

        first.reset();
        QCOMPARE(second.claim(), SingleInstance::State::Alone);
    }

    void lockOfCrashedCopyIsTakenOver()
    {
#ifdef Q_OS_UNIX
        const pid_t pid = fork();
        if (pid == 0) {
            // The child takes the lock and dies without releasing it, as a crash would.
            SingleInstance crashed(folder());
            _exit(crashed.claim() == SingleInstance::State::Alone ? 0 : 1);
        }
        QVERIFY(pid > 0);
        int status = 0;
        QCOMPARE(waitpid(pid, &status, 0), pid);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);

        SingleInstance next(folder());
        QVERIFY(QFile::exists(next.lockFilePath()));
        QCOMPARE(next.claim(), SingleInstance::State::Alone);
#else
        QSKIP("needs fork()");
#endif
    }

};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
