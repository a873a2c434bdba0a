#pragma once

#include "shell.h"
#include "startup.h"

#include "ui/dialogs.h"

#include <QString>
#include <QStringList>

class LogBook;
class Prompter;
class TaskDesk;
struct Session;

// Every domain's tasks and commands, installed into one main window. Each domain has one installer;
// a new domain adds its call here.
void installAllTasks(TaskDesk &desk);

// The program as main() puts it together: start-up (Client.ini, logs, splash), the shell from the
// splash through the login to the main window, the configuration window, and every domain's tasks in
// each main window the login opens. The end-to-end tests run exactly this.
class ClientProgram
{
public:
    // `dialogs`: the standard dialogs the windows use; the real ones unless a test scripts them.
    ClientProgram(Session &session, Prompter &prompter, LogBook &log, const QString &appFolder,
                  Dialogs *dialogs = nullptr);

    // False when the program must end at once (the log folder cannot be made, or the user gave up
    // on the configuration).
    bool start(const QStringList &arguments);

    Startup &startup() { return m_startup; }
    Shell &shell() { return m_shell; }

private:
    void showConfig();

    Session &m_session;
    Prompter &m_prompter;
    QString m_appFolder;
    QtDialogs m_qtDialogs;
    Startup m_startup;
    Shell m_shell;
};
