// The client's windows against the real reference server, in-process on 127.0.0.1 with a seeded
// database in a temporary folder.

#include "core/logbook.h"
#include "app/mainwindow.h"
#include "core/session.h"
#include "app/clientprogram.h"
#include "app/shell.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "support/desk.h"
#include "support/promptrecorder.h"
#include "zelserver.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

void logOn(QWidget *login, const QString &user, const QString &password)
{
    login->findChild<QLineEdit *>(u"txtUserName"_s)->setText(user);
    login->findChild<QLineEdit *>(u"txtPassword"_s)->setText(password);
    login->findChild<QPushButton *>(u"cmdOK"_s)->click();
}

// One client start-up with its own application folder, pointed at the server.
struct Client
{
    Client(quint16 commandPort, quint16 logonPort)
    {
        QFile ini(dir.filePath(u"Client.ini"_s));
        if (ini.open(QIODevice::WriteOnly)) {
            ini.write(QByteArray("127.0.0.1\r\n") + QByteArray::number(commandPort) + "\r\n5\r\n5\r\n"
                      + QByteArray::number(logonPort) + "\r\n0\r\n\r\n0\r\n");
        }
    }

    // The program as main() runs it: start-up, shell and every domain's tasks.
    bool start() { return program.start({}); }
    Shell &shell() { return program.shell(); }

    QTemporaryDir dir;
    Session session;
    PromptRecorder prompts;
    LogBook log{dir.path(), prompts};
    ClientProgram program{session, prompts, log, dir.path()};
};

bool menuEnabled(MainWindow *main, const QString &name)
{
    return main->findChild<QMenu *>(name)->isEnabled();
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        QVERIFY(m_dir.isValid());
        ZelServer::Options options;
        options.databasePath = m_dir.filePath(u"department.sqlite"_s);
        options.seed = u"demo"_s;
        options.passwordIterations = 500;
        QString error;
        QVERIFY2(m_server.start(options, &error), qPrintable(error));
    }

    void demoUsersGetTheirRightsAcrossLogoff()
    {
        Client client(m_server.commandPort(), m_server.logonPort());
        whenModal(u"fLogin"_s, [](QWidget *w) { logOn(w, u"admin"_s, u"zeladmin"_s); });
        QVERIFY(client.start());
        QTRY_VERIFY_WITH_TIMEOUT(client.shell().mainWindow(), 10000);
        QPointer<MainWindow> first = client.shell().mainWindow();
        QVERIFY(menuEnabled(first, u"mnuUtilities"_s));
        QVERIFY(menuEnabled(first, u"mnuStatistics"_s));
        QVERIFY(menuEnabled(first, u"mnuEdit"_s));
        QVERIFY(!client.program.startup().splash()->isVisible());
        QCOMPARE(client.session.UserName, u"admin"_s);
        // Every main window the login opens has the domains' tasks installed.
        QVERIFY(first->findChild<QAction *>(QString(MenuIds::NewPatient.control))->isEnabled());
        QVERIFY(first->findChild<QAction *>(QString(MenuIds::UpdatePatient.control))->isEnabled());

        // Logoff, then a user with the statistics right only.
        whenModal(u"fLogin"_s, [](QWidget *w) {
            QCOMPARE(w->findChild<QLineEdit *>(u"txtUserName"_s)->text(), u"admin"_s);
            logOn(w, u"stats"_s, u"zelstats"_s);
        });
        first->findChild<QAction *>(u"mnuLoggoff"_s)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(client.shell().mainWindow() && client.shell().mainWindow() != first, 10000);
        // Guarded: the next main window may be given the address of the one logged off.
        QPointer<MainWindow> second = client.shell().mainWindow();
        QVERIFY(!menuEnabled(second, u"mnuUtilities"_s));
        QVERIFY(menuEnabled(second, u"mnuStatistics"_s));
        QVERIFY(menuEnabled(second, u"mnuEdit"_s));

        // And one without rights.
        whenModal(u"fLogin"_s, [](QWidget *w) { logOn(w, u"clerk"_s, u"zelclerk"_s); });
        second->findChild<QAction *>(u"mnuLoggoff"_s)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(client.shell().mainWindow() && client.shell().mainWindow() != second, 10000);
        MainWindow *third = client.shell().mainWindow();
        QVERIFY(!menuEnabled(third, u"mnuUtilities"_s));
        QVERIFY(!menuEnabled(third, u"mnuStatistics"_s));
        QVERIFY(!menuEnabled(third, u"mnuEdit"_s));
        QVERIFY(client.prompts.shown.isEmpty());
        third->close();
    }

    void wrongPasswordKeepsTheLoginOpen()
    {
        Client client(m_server.commandPort(), m_server.logonPort());
        // The login runs modally: everything the user does happens from inside its event loop.
        bool loginSeen = false;
        client.prompts.onShow = [&](const PromptRecorder::Shown &) {
            QTimer::singleShot(0, qApp, [&] {
                QWidget *login = QApplication::activeModalWidget();
                if (login && login->objectName() == u"fLogin") {
                    loginSeen = true;
                    logOn(login, u"clerk"_s, u"zelclerk"_s);
                }
            });
        };
        whenModal(u"fLogin"_s, [](QWidget *w) { logOn(w, u"clerk"_s, u"wrong"_s); });
        QVERIFY(client.start());
        QTRY_VERIFY_WITH_TIMEOUT(client.shell().mainWindow(), 10000);
        QCOMPARE(client.prompts.shown.size(), 1);
        QCOMPARE(client.prompts.shown.first().text, u"Username/Password wrong, please try again."_s);
        QVERIFY(loginSeen); // the same window stayed open for the second try
        client.shell().mainWindow()->close();
    }

    void emptyPasswordMustBeChangedFirst()
    {
        Client client(m_server.commandPort(), m_server.logonPort());
        whenModal(u"fLogin"_s, [](QWidget *w) { logOn(w, u"newbie"_s, QString()); });
        whenModal(u"fPwdChange"_s, [](QWidget *w) {
            w->findChild<QLineEdit *>(u"txtPassword"_s)->setText(u"Fresh-42"_s);
            w->findChild<QLineEdit *>(u"txtPassword2"_s)->setText(u"Fresh-42"_s);
            w->findChild<QPushButton *>(u"cmdOK"_s)->click();
        });
        QVERIFY(client.start());
        QTRY_VERIFY_WITH_TIMEOUT(client.shell().mainWindow(), 10000);
        QCOMPARE(client.prompts.shown.size(), 2);
        QCOMPARE(client.prompts.shown.at(0).text, u"Your password is empty, please change password."_s);
        QCOMPARE(client.prompts.shown.at(1).text, u"Password has been changed successfully."_s);
        // The session goes on without rights until the next login.
        QPointer<MainWindow> main = client.shell().mainWindow();
        QVERIFY(!menuEnabled(main, u"mnuEdit"_s));

        // The new password is the one that counts now.
        whenModal(u"fLogin"_s, [](QWidget *w) { logOn(w, u"newbie"_s, u"Fresh-42"_s); });
        main->findChild<QAction *>(u"mnuLoggoff"_s)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(client.shell().mainWindow() && client.shell().mainWindow() != main, 10000);
        QCOMPARE(client.prompts.shown.size(), 2);
        client.shell().mainWindow()->close();
    }

    void testErrorMenuShowsTheServersErrorBox()
    {
        Client client(m_server.commandPort(), m_server.logonPort());
        whenModal(u"fLogin"_s, [](QWidget *w) { logOn(w, u"clerk"_s, u"zelclerk"_s); });
        QVERIFY(client.start());
        QTRY_VERIFY_WITH_TIMEOUT(client.shell().mainWindow(), 10000);
        MainWindow *main = client.shell().mainWindow();
        main->findChild<QAction *>(u"mnuError"_s)->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(client.prompts.shown.size(), 1, 10000);
        const auto &box = client.prompts.shown.first();
        QCOMPARE(box.icon, Prompter::Icon::Error);
        QCOMPARE(box.title, u"ZEL-Client"_s);
        QCOMPARE(box.text, u"Error from server '127.0.0.1' received!\r\n\r\n"
                           u"Servererror #999\r\nTest error requested by the client\r\nFunction: Error"_s);
        QVERIFY(main->cursor().shape() != Qt::WaitCursor);
        main->close();
    }

    void cancelledLoginEndsWithoutMainWindow()
    {
        Client client(m_server.commandPort(), m_server.logonPort());
        whenModal(u"fLogin"_s, [](QWidget *w) { w->findChild<QPushButton *>(u"cmdCancel"_s)->click(); });
        QVERIFY(client.start());
        QTRY_VERIFY_WITH_TIMEOUT(!client.program.startup().splash()->isVisible(), 10000);
        QVERIFY(!client.shell().mainWindow());
    }

private:
    QTemporaryDir m_dir;
    ZelServer m_server;
};

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
