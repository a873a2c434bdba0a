#include "clientprogram.h"

#include "configwindow.h"
#include "mainwindow.h"

#include "core/session.h"
#include "exams/examstate.h"
#include "exams/examtasks.h"
#include "patients/patienttasks.h"
#include "tables/tabletasks.h"
#include "reports/recordertasks.h"
#include "stats/stattasks.h"
#include "schedule/scheduletasks.h"

#include <QApplication>

void installAllTasks(TaskDesk &desk)
{
    installPatientTasks(desk);
    installTableTasks(desk);
    installRecorderTasks(desk);
    installStatsTasks(desk);
    installExamTasks(desk);
    installScheduleTasks(desk);
    // A new examination saved with "book an appointment" hands its patient to the appointment
    // system; the two domains know nothing of each other.
    Session &session = desk.context().session;
    session.state<ExamState>().OpenAppointmentSystem = [&desk, &session] {
        openAppointmentSystemFor(desk, session.SelectedPatient);
    };
}

ClientProgram::ClientProgram(Session &session, Prompter &prompter, LogBook &log, const QString &appFolder,
                             Dialogs *dialogs)
    : m_session(session)
    , m_prompter(prompter)
    , m_appFolder(appFolder)
    , m_startup(session, prompter, log, appFolder)
    , m_shell(session, prompter, log, dialogs ? *dialogs : m_qtDialogs, appFolder, [this] { showConfig(); })
{
    m_shell.setMainWindowReady([](MainWindow &main) { installAllTasks(main); });
}

bool ClientProgram::start(const QStringList &arguments)
{
    if (!m_startup.run(arguments))
        return false;
    m_shell.attach(m_startup.splash());
    return true;
}

void ClientProgram::showConfig()
{
    ConfigWindow window(m_session.settings, m_prompter, m_appFolder, QApplication::activeWindow());
    window.exec();
}
