#include "app/clientini.h"
#include "app/configwindow.h"
#include "app/loginwindow.h"
#include "app/logonexchange.h"
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
#include <QTcpSocket>
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

namespace {

// A login window pointed at a scripted logon server, with the user name typed.
struct LoginDesk
{
    explicit LoginDesk(const QString &folder, const QString &user = u"clerk"_s)
    {
        session.ServerHost = u"127.0.0.1"_s;
        session.settings.LogonPort = logon.port();
        login = std::make_unique<LoginWindow>(session, prompts, folder, LoginWindow::ConfigStep{});
        login->show();
        child<QLineEdit>(login.get(), u"txtUserName"_s)->setText(user);
    }
    void clickOk() { QTest::mouseClick(child<QPushButton>(login.get(), u"cmdOK"_s), Qt::LeftButton); }

    ScriptedServer logon;
    Session session;
    PromptRecorder prompts;
    std::unique_ptr<LoginWindow> login;
};

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestLogin : public QObject
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

    // --- login and password change against a scripted logon server

    void loginSendsTheFivePiecesThenAsksForRights()
    {
        qputenv("Computername", "WS-RAD-3");
        ScriptedServer logon;
        Session session;
        session.ServerHost = u"127.0.0.1"_s;
        session.settings.LogonPort = logon.port();
        session.RightUtilities = true; // left over from an earlier login: must not survive
        PromptRecorder prompts;
        LoginWindow login(session, prompts, folder(), {});
        QCOMPARE(session.RightUtilities, false);
        login.show();
        child<QLineEdit>(&login, u"txtUserName"_s)->setText(u"m\u00fcller"_s);
        child<QLineEdit>(&login, u"txtPassword"_s)->setText(u"s3cret"_s);
        logon.answer("17");
        logon.answer("111");
        QTest::mouseClick(child<QPushButton>(&login, u"cmdOK"_s), Qt::LeftButton);
        QTRY_COMPARE(login.result(), int(QDialog::Accepted));
        QCOMPARE(logon.connectionBytes.size(), 1); // the rights query uses the same connection
        QCOMPARE(logon.requests.value(0),
                 QByteArray("USERNAMEm\xfcller/USERNAMEPASSWORDs3cret/PASSWORDPASSWRD2/PASSWRD2"
                            "ANWENDUNGZELCLIENT/ANWENDUNGCOMPUTERWS-RAD-3/COMPUTER"));
        QCOMPARE(logon.requests.value(1),
                 QByteArray("USERNAMEm\xfcller/USERNAMEPASSWORDRIGHTSQUERYMARKERXYZ/PASSWORDPASSWRD2/PASSWRD2"
                            "ANWENDUNGZELCLIENT/ANWENDUNGCOMPUTERWS-RAD-3/COMPUTER"));
        QCOMPARE(session.LoggedIn, LoginState::LoggedOn);
        QCOMPARE(session.UserName, u"m\u00fcller"_s);
        QVERIFY(session.RightUtilities);
        QVERIFY(session.RightStatistics);
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(readBytes(LoginWindow::userFilePath(folder())), QByteArray("m\xfcller\r\n"));

        // The next start offers that name.
        Session next;
        LoginWindow again(next, prompts, folder(), {});
        QCOMPARE(child<QLineEdit>(&again, u"txtUserName"_s)->text(), u"m\u00fcller"_s);
        QCOMPARE(next.UserName, u"m\u00fcller"_s);
    }

    void rightsStrings_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("utilities");
        QTest::addColumn<bool>("statistics");
        QTest::newRow("both") << "111" << true << true;
        QTest::newRow("statistics only") << "101" << false << true;
        QTest::newRow("none") << "100" << false << false;
        QTest::newRow("one character 1") << "1" << false << true;
        QTest::newRow("empty") << "" << false << false;
        QTest::newRow("longer") << "01001" << true << true;
    }

    void rightsStrings()
    {
        QFETCH(QString, answer);
        QFETCH(bool, utilities);
        QFETCH(bool, statistics);
        const LogonProtocol::Rights r = LogonProtocol::readRights(answer);
        QCOMPARE(r.utilities, utilities);
        QCOMPARE(r.statistics, statistics);
    }

    void logonAnswers_data()
    {
        QTest::addColumn<bool>("passwordWindow");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("staysOpen");
        QTest::addColumn<int>("loggedIn");
        using I = Prompter::Icon;
        const QString wrong = u"Username/Password wrong, please try again."_s;
        const QString notAllowed = u"You are not allowed to run this application."_s;
        const QString full = u"Maximum connections reached on LogonServer, please try again later!"_s;
        // The login window; accepted ids go on to the rights query (covered above).
        QTest::newRow("login -12") << false << QByteArray("-12") << int(I::Information) << u"Your password is empty, please change password."_s << false << -12;
        QTest::newRow("login -10") << false << QByteArray("-10") << int(I::Error) << notAllowed << false << 0;
        QTest::newRow("login -9") << false << QByteArray("-9") << int(I::Error) << wrong << true << 0;
        QTest::newRow("login -8") << false << QByteArray("-8") << int(I::Error) << wrong << true << 0;
        QTest::newRow("login -4") << false << QByteArray("-4") << int(I::Error) << u"Internal error on 'LogonServer', please call service"_s << false << 0;
        QTest::newRow("login -1") << false << QByteArray("-1") << int(I::Warning) << u"Please insert username"_s << true << 0;
        for (const char *quiet : {"-11", "-7", "-6", "-5", "-3", "-2", "0"})
            QTest::addRow("login %s", quiet) << false << QByteArray(quiet) << -1 << QString() << true << 0;
        QTest::newRow("login not a number") << false << QByteArray("BUSY") << int(I::Error) << full << false << 0;
        // The password window.
        QTest::newRow("password id") << true << QByteArray("17") << -1 << QString() << false << 1;
        QTest::newRow("password below -12") << true << QByteArray("-13") << -1 << QString() << false << 1;
        QTest::newRow("password -7") << true << QByteArray("-7") << int(I::Information) << u"Password has been changed successfully."_s << false << 1;
        QTest::newRow("password -12") << true << QByteArray("-12") << -1 << QString() << false << -12;
        QTest::newRow("password -10") << true << QByteArray("-10") << int(I::Error) << notAllowed << false << 0;
        QTest::newRow("password -9") << true << QByteArray("-9") << int(I::Error) << wrong << true << 0;
        QTest::newRow("password -6") << true << QByteArray("-6") << int(I::Error) << u"Too many passwords changed, plase call service."_s << true << 0;
        QTest::newRow("password -5") << true << QByteArray("-5") << int(I::Error) << u"Password not changed, please check old password"_s << true << 0;
        QTest::newRow("password -4") << true << QByteArray("-4") << int(I::Error) << u"Internal 'LogonServer error, please call service"_s << false << 0;
        QTest::newRow("password -1") << true << QByteArray("-1") << int(I::Warning) << u"Please insert username"_s << true << 0;
        for (const char *quiet : {"-11", "-3", "-2", "0"})
            QTest::addRow("password %s", quiet) << true << QByteArray(quiet) << -1 << QString() << true << 0;
        QTest::newRow("password not a number") << true << QByteArray("full") << int(I::Error) << full << false << 0;
    }

    void logonAnswers()
    {
        QFETCH(bool, passwordWindow);
        QFETCH(QByteArray, answer);
        QFETCH(int, icon);
        QFETCH(QString, message);
        QFETCH(bool, staysOpen);
        QFETCH(int, loggedIn);

        ScriptedServer logon;
        Session session;
        session.ServerHost = u"127.0.0.1"_s;
        session.settings.LogonPort = logon.port();
        session.UserName = u"newbie"_s;
        PromptRecorder prompts;
        std::unique_ptr<QDialog> window;
        if (passwordWindow) {
            window = std::make_unique<PasswordWindow>(session, prompts);
            window->show();
            child<QLineEdit>(window.get(), u"txtPassword"_s)->setText(u"n3w"_s);
            child<QLineEdit>(window.get(), u"txtPassword2"_s)->setText(u"n3w"_s);
        } else {
            window = std::make_unique<LoginWindow>(session, prompts, folder(), LoginWindow::ConfigStep{});
            window->show();
            child<QLineEdit>(window.get(), u"txtPassword"_s)->setText(u"pw"_s);
        }
        logon.answer(answer);
        QSignalSpy answered(window->findChild<LogonExchange *>(), &LogonExchange::answered);
        QTest::mouseClick(child<QPushButton>(window.get(), u"cmdOK"_s), Qt::LeftButton);
        QTRY_COMPARE(logon.requests.size(), 1);
        if (staysOpen && message.isEmpty()) {
            // Nothing is to happen: once the answer has been read, it has been ignored.
            QVERIFY(answered.wait());
        } else if (staysOpen) {
            QTRY_COMPARE(prompts.shown.size(), 1);
        } else {
            QTRY_VERIFY(!window->isVisible());
        }
        QCOMPARE(window->isVisible(), staysOpen);
        if (message.isEmpty()) {
            QVERIFY(prompts.shown.isEmpty());
        } else {
            QCOMPARE(prompts.shown.size(), 1);
            QCOMPARE(int(prompts.shown.first().icon), icon);
            QCOMPARE(prompts.shown.first().title, u"ZEL-Client"_s);
            QCOMPARE(prompts.shown.first().text, message);
        }
        QCOMPARE(int(session.LoggedIn), loggedIn);
        if (passwordWindow) {
            QVERIFY(logon.requests.first().startsWith("USERNAMEnewbie/USERNAMEPASSWORD/PASSWORDPASSWRD2n3w/PASSWRD2ANWENDUNGVIEWER/ANWENDUNG"));
        }
        QVERIFY(!session.RightUtilities && !session.RightStatistics);
    }

    void answerCutInPiecesIsReadWhole()
    {
        LoginDesk desk(folder(), u"a"_s);
        desk.logon.answer("-12", ScriptedServer::Split::ByteByByte); // "-1" alone would mean something else
        desk.clickOk();
        QTRY_COMPARE(int(desk.session.LoggedIn), -12);
        QCOMPARE(desk.prompts.shown.size(), 1);
    }

    // However the server cuts its answers, each is read whole: a CR LF cut in two is not a second,
    // empty answer (which would be taken as the rights), and a stray line feed before an answer is
    // not an answer.
    void answersAreReadWholeWhateverThePieces_data()
    {
        QTest::addColumn<QList<QByteArray>>("loginAnswer");
        QTest::addColumn<QList<QByteArray>>("rightsAnswer");
        QTest::addColumn<bool>("utilities");
        QTest::newRow("CR then LF") << QList<QByteArray>{"17\r", "\n"} << QList<QByteArray>{"111\r\n"} << true;
        QTest::newRow("CR, then LF with the rights")
            << QList<QByteArray>{"17\r"} << QList<QByteArray>{"\n", "101\r\n"} << false;
        QTest::newRow("leading line feed") << QList<QByteArray>{"\n17\r\n"} << QList<QByteArray>{"\n111"} << true;
    }

    void answersAreReadWholeWhateverThePieces()
    {
        QFETCH(QList<QByteArray>, loginAnswer);
        QFETCH(QList<QByteArray>, rightsAnswer);
        QFETCH(bool, utilities);
        LoginDesk desk(folder());
        desk.logon.answerInPieces(loginAnswer);
        desk.logon.answerInPieces(rightsAnswer);
        desk.clickOk();
        QTRY_COMPARE(desk.login->result(), int(QDialog::Accepted));
        QCOMPARE(desk.logon.requests.size(), 2);
        QCOMPARE(desk.session.LoggedIn, LoginState::LoggedOn);
        QCOMPARE(desk.session.RightUtilities, utilities);
        QVERIFY(desk.session.RightStatistics);
        QVERIFY(desk.prompts.shown.isEmpty());
    }

    // A logon server that takes the request and closes without a word: the user hears that it did
    // not respond, instead of a login window that waits for ever.
    void serverClosingWithoutAnswerIsNoResponse_data()
    {
        QTest::addColumn<bool>("afterLogin"); // closes on the rights query instead
        QTest::newRow("login") << false;
        QTest::newRow("rights query") << true;
    }

    void serverClosingWithoutAnswerIsNoResponse()
    {
        QFETCH(bool, afterLogin);
        LoginDesk desk(folder());
        if (afterLogin)
            desk.logon.answer("17");
        desk.logon.answerInPieces({}, true);
        desk.clickOk();
        QTRY_COMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Error);
        QCOMPARE(desk.prompts.shown.first().text, u"No response from 'LogonServer', please call service!"_s);
        QTRY_VERIFY(!desk.login->isVisible());
        QCOMPARE(desk.session.LoggedIn, LoginState::LoggedOff);
        QVERIFY(!desk.session.RightUtilities && !desk.session.RightStatistics);
    }

    void loginNeedsAUserNameAndAServer()
    {
        Session session;
        session.ServerHost = u"127.0.0.1"_s;
        quint16 freePort = 0;
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            freePort = probe.serverPort();
        }
        session.settings.LogonPort = freePort;
        PromptRecorder prompts;
        LoginWindow login(session, prompts, folder(), {});
        login.show();
        QTest::mouseClick(child<QPushButton>(&login, u"cmdOK"_s), Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown.first().text, u"Please insert username."_s);
        QVERIFY(login.isVisible());

        child<QLineEdit>(&login, u"txtUserName"_s)->setText(u"clerk"_s);
        QTest::mouseClick(child<QPushButton>(&login, u"cmdOK"_s), Qt::LeftButton);
        QTRY_COMPARE(prompts.shown.size(), 2);
        QCOMPARE(prompts.shown.last().text, u"No response from 'LogonServer', please call service!"_s);
        QVERIFY(!login.isVisible());
        QCOMPARE(int(session.LoggedIn), 0);
    }

    void differentNewPasswordsAreRefusedWithoutConnecting()
    {
        ScriptedServer logon;
        Session session;
        session.ServerHost = u"127.0.0.1"_s;
        session.settings.LogonPort = logon.port();
        PromptRecorder prompts;
        PasswordWindow window(session, prompts);
        window.show();
        auto *ok = child<QPushButton>(&window, u"cmdOK"_s);
        QVERIFY(!ok->isEnabled());
        child<QLineEdit>(&window, u"txtPassword"_s)->setText(u"abc"_s);
        QVERIFY(!ok->isEnabled());
        child<QLineEdit>(&window, u"txtPassword2"_s)->setText(u"ABC"_s);
        QVERIFY(ok->isEnabled());
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown.first().icon, Prompter::Icon::Warning);
        QCOMPARE(prompts.shown.first().text, u"New password and password-confirmation must be the same!"_s);
        QVERIFY(child<QLineEdit>(&window, u"txtPassword"_s)->text().isEmpty());
        QVERIFY(child<QLineEdit>(&window, u"txtPassword2"_s)->text().isEmpty());
        // A connection attempt would have made its socket at once.
        QVERIFY(!window.findChild<QTcpSocket *>());
        QCOMPARE(logon.connectionBytes.size(), 0);
    }

};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
