#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class LogBook;
class Prompter;
class SingleInstance;
class SplashWindow;
struct Session;

// The program's start-up: debug switch, log folder, Client.ini (with the configuration window until
// the file can be read), department names, then the splash window. It also keeps the single-instance
// lock and the splash alive for the rest of the run.
class Startup
{
public:
    // Shows the configuration window and returns when it is closed, however it was closed.
    using ConfigStep = std::function<void()>;

    Startup(Session &session, Prompter &prompter, LogBook &log, const QString &appFolder);
    ~Startup();

    Startup(const Startup &) = delete;
    Startup &operator=(const Startup &) = delete;

    // Replaces the default step (a modal ConfigWindow); tests use it to play the user.
    void setConfigStep(ConfigStep step);

    // arguments: the command line without the program's name. True when the splash is shown; false
    // when a step failed (already reported with LogError under "Main").
    bool run(const QStringList &arguments);

    SplashWindow *splash() const { return m_splash.get(); }
    SingleInstance &instance() { return *m_instance; }

private:
    bool runSteps(const QStringList &arguments);

    Session &m_session;
    Prompter &m_prompter;
    LogBook &m_log;
    QString m_appFolder;
    ConfigStep m_configStep;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<SplashWindow> m_splash; // after m_instance: the splash uses it until destroyed
};
