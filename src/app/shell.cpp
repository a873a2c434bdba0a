#include "shell.h"

#include "loginwindow.h"
#include "mainwindow.h"
#include "passwordwindow.h"
#include "core/session.h"
#include "splashwindow.h"

using namespace Qt::StringLiterals;

Shell::Shell(Session &session, Prompter &prompter, LogBook &log, Dialogs &dialogs, const QString &appFolder,
             ConfigStep showConfig)
    : m_session(session)
    , m_prompter(prompter)
    , m_log(log)
    , m_dialogs(dialogs)
    , m_appFolder(appFolder)
    , m_showConfig(std::move(showConfig))
{
}

MainWindow *Shell::mainWindow() const
{
    return m_main;
}

void Shell::attach(SplashWindow *splash)
{
    m_splash = splash;
    connect(splash, &SplashWindow::handOverReady, this, &Shell::onHandOver);
}

void Shell::onHandOver()
{
    {
        LoginWindow login(m_session, m_prompter, m_appFolder, m_showConfig, m_splash);
        login.exec();
    }
    if (m_session.LoggedIn == LoginState::PasswordMustChange) {
        PasswordWindow password(m_session, m_prompter, m_splash);
        password.exec();
        // The session goes on without rights until the next login.
        if (m_session.LoggedIn != LoginState::LoggedOn)
            m_session.LoggedIn = LoginState::LoggedOff;
    }
    if (m_session.LoggedIn == LoginState::LoggedOff) {
        if (m_splash)
            m_splash->close(); // the program ends
        return;
    }
    openMainWindow();
    if (m_splash) {
        m_splash->unsetCursor();
        m_splash->close();
    }
}

void Shell::openMainWindow()
{
    auto *main = new MainWindow(m_session, m_prompter, m_log, m_dialogs, m_appFolder, m_showConfig);
    main->setAttribute(Qt::WA_DeleteOnClose);
    m_main = main;
    connect(main, &MainWindow::logoffRequested, this, &Shell::onLogoff);
    if (m_ready)
        m_ready(*main);
    main->resize(800, 600);
    main->showMaximized();
    emit mainWindowOpened(main);
}

void Shell::onLogoff()
{
    // The splash first, so the program does not end when the main window goes.
    if (m_splash)
        m_splash->show();
    if (m_main)
        m_main->close();
}
