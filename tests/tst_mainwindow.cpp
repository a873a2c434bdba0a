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
#include "ui/menuids.h"
#include "support/findchild.h"
#include "support/promptrecorder.h"
#include "support/scripteddialogs.h"
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

class TestMainWindow : public QObject
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

    // --- the main window

    void mainWindowFollowsRights_data()
    {
        QTest::addColumn<bool>("utilities");
        QTest::addColumn<bool>("statistics");
        QTest::newRow("none") << false << false;
        QTest::newRow("statistics only") << false << true;
        QTest::newRow("utilities only") << true << false;
        QTest::newRow("both") << true << true;
    }

    void mainWindowFollowsRights()
    {
        QFETCH(bool, utilities);
        QFETCH(bool, statistics);
        Session session;
        session.RightUtilities = utilities;
        session.RightStatistics = statistics;
        session.settings.MainServerHost = u"zel1"_s;
        session.settings.MainServerPort = 7000;
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        ScriptedDialogs dialogs;
        MainWindow main(session, prompts, log, dialogs, folder(), {});
        QCOMPARE(main.windowTitle(), u"VQM Zel Client"_s);
        QCOMPARE(child<QMenu>(&main, u"mnuUtilities"_s)->isEnabled(), utilities);
        QCOMPARE(child<QMenu>(&main, u"mnuStatistics"_s)->isEnabled(), statistics);
        QCOMPARE(child<QMenu>(&main, u"mnuEdit"_s)->isEnabled(), utilities || statistics);
        QCOMPARE(session.ServerHost, u"zel1"_s);
        QCOMPARE(session.ServerPort, 7000);
    }

    void mainWindowToolbarAndItems()
    {
        Session session;
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        ScriptedDialogs dialogs;
        MainWindow main(session, prompts, log, dialogs, folder(), {});
        auto *toolbar = child<QToolBar>(&main, u"tbZel"_s);
        const QList<QAction *> buttons = toolbar->actions();
        QCOMPARE(buttons.size(), 18);
        QStringList layout;
        for (QAction *b : buttons)
            layout.append(b->isSeparator() ? u"-"_s : b->objectName() + u':' + b->text());
        QCOMPARE(layout, QStringList({u"NP:New Patient"_s, u"NE:New Visit"_s, u"NR:New Report"_s, u"-"_s, u"-"_s,
                                      u"EP:Edit Patient"_s, u"EE:Edit Visit"_s, u"ER:Edit Report"_s, u"-"_s, u"-"_s,
                                      u"AP:Scheduler"_s, u"-"_s, u"-"_s, u"-"_s, u"-"_s, u"ZEL:ZelServer"_s, u"-"_s,
                                      u"EX:Exit"_s}));
        QCOMPARE(buttons.at(1)->toolTip(), u"New Examination (Visit)"_s);
        QCOMPARE(buttons.at(10)->toolTip(), u"Shows appointment system"_s);

        // Windows still to come are disabled, in the menu and on the toolbar alike; plugging one
        // in enables both.
        auto *newPatient = child<QAction>(&main, u"mnuNewPatient"_s);
        QVERIFY(!newPatient->isEnabled());
        QVERIFY(!buttons.at(0)->isEnabled());
        int opened = 0;
        main.addTask(MenuIds::NewPatient, [&] { ++opened; });
        QVERIFY(buttons.at(0)->isEnabled());
        buttons.at(0)->trigger();
        newPatient->trigger();
        QCOMPARE(opened, 2);

        child<QAction>(&main, u"mnuInfo"_s)->trigger();
        QCOMPARE(prompts.shown.last().icon, Prompter::Icon::None);
        QCOMPARE(prompts.shown.last().text, u"ZEL-Client Version:  "_s + QString::number(ZelVersionMajor) + u'.'
                                                + QString::number(ZelVersionMinor) + u'.' + QString::number(ZelVersionRevision));
    }

    // An installer that names an item twice, or one that does not exist, is caught the first time it
    // runs, in every build.
    void taskRegistrationMistakesFailLoudly()
    {
        Session session;
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        ScriptedDialogs dialogs;
        MainWindow main(session, prompts, log, dialogs, folder(), {});
        main.addTask(MenuIds::UpdatePatient, [] {});
        QVERIFY_THROWS_EXCEPTION(std::logic_error, main.addTask(MenuIds::UpdatePatient, [] {}));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, main.addTask(MenuId{QLatin1StringView("mnuNoSuchItem")}, [] {}));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, main.addTask(MenuIds::NewReport, {}));
        // The refused registrations changed nothing.
        QVERIFY(!child<QAction>(&main, u"mnuReport"_s)->isEnabled());
    }

    void serverButtonSwitchesAndStatusBarShowsIt()
    {
        Session session;
        session.settings.MainServerHost = u"zel1"_s;
        session.settings.MainServerPort = 7000;
        session.settings.SecondServerHost = u"zel2"_s;
        session.settings.SecondServerPort = 7001;
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        ScriptedDialogs dialogs;
        MainWindow main(session, prompts, log, dialogs, folder(), {});
        child<QAction>(&main, u"ZEL"_s)->trigger();
        QCOMPARE(session.ServerHost, u"zel2"_s);
        QCOMPARE(child<QLabel>(&main, u"Panel1"_s)->text(), u"ZelServer connected on IP: zel2 Port: 7001"_s);
        child<QAction>(&main, u"ZEL"_s)->trigger();
        QCOMPARE(session.ServerHost, u"zel1"_s);
        QCOMPARE(prompts.shown.size(), 2);
    }

    void closeTaskWindowsLeavesOnlyTheMainWindow()
    {
        Session session;
        PromptRecorder prompts;
        LogBook log(folder(), prompts);
        ScriptedDialogs dialogs;
        MainWindow main(session, prompts, log, dialogs, folder(), {});
        main.show();
        auto *child1 = main.workspace()->addSubWindow(new QLabel(u"task"_s));
        child1->show();
        QDialog other;
        other.show();
        main.CloseTaskWindows();
        QVERIFY(main.workspace()->subWindowList().isEmpty() || !child1->isVisible());
        QVERIFY(!other.isVisible());
        QVERIFY(main.isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
