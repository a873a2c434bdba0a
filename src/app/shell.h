#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class Dialogs;
class LogBook;
class MainWindow;
class Prompter;
class SplashWindow;
struct Session;

// The hand-over from the splash to the login and on to the main window, and back again on Logoff.
class Shell : public QObject
{
    Q_OBJECT

public:
    using ConfigStep = std::function<void()>;
    // Runs once for every new main window: the task windows plug into it here.
    using MainWindowReady = std::function<void(MainWindow &)>;

    Shell(Session &session, Prompter &prompter, LogBook &log, Dialogs &dialogs, const QString &appFolder,
          ConfigStep showConfig);

    void attach(SplashWindow *splash);
    void setMainWindowReady(MainWindowReady ready) { m_ready = std::move(ready); }

    MainWindow *mainWindow() const;

signals:
    void mainWindowOpened(MainWindow *window);

private:
    void onHandOver();
    void openMainWindow();
    void onLogoff();

    Session &m_session;
    Prompter &m_prompter;
    LogBook &m_log;
    Dialogs &m_dialogs;
    QString m_appFolder;
    ConfigStep m_showConfig;
    MainWindowReady m_ready;
    QPointer<SplashWindow> m_splash;
    QPointer<MainWindow> m_main;
};
