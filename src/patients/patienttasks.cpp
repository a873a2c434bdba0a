#include "patienttasks.h"

#include "editpatientwindow.h"
#include "newpatientwindow.h"
#include "patientcommands.h"

#include "ui/taskdesk.h"

#include <QMdiSubWindow>

void installPatientTasks(TaskDesk &desk)
{
    const TaskContext &context = desk.context();
    bindPatientCommands(context.link, context.session, context.prompter);

    desk.addTask(MenuIds::NewPatient, [&desk] {
        desk.closeTaskWindows();
        desk.openInWorkspace(new NewPatientWindow(desk.context()))->show();
    });
    desk.addTask(MenuIds::UpdatePatient, [&desk] {
        desk.closeTaskWindows();
        desk.openInWorkspace(new EditPatientWindow(desk.context()))->showMaximized();
    });
}
