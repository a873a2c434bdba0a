#include "scheduletasks.h"

#include "appointmentwindow.h"
#include "deleteappointmentsdialog.h"
#include "schedulecommands.h"
#include "schedulestate.h"

#include "core/session.h"
#include "link/commandlink.h"
#include "ui/taskdesk.h"

#include <QAction>
#include <QMdiSubWindow>

namespace {

// The day view: the open one comes to the front and reads the modalities again; otherwise a new one
// opens, maximized.
void showDayView(TaskDesk &desk)
{
    ScheduleState &state = desk.context().session.state<ScheduleState>();
    if (auto *open = qobject_cast<AppointmentWindow *>(state.DayView.data())) {
        if (auto *frame = qobject_cast<QMdiSubWindow *>(open->parentWidget()))
            frame->showMaximized();
        open->activate();
        return;
    }
    auto *window = new AppointmentWindow(desk.context());
    // "Search Patients" leads to the new examination window, when the program has it.
    if (QWidget *main = desk.dialogParent()) {
        if (auto *newExam = main->findChild<QAction *>(QString(MenuIds::NewExam.control)); newExam && newExam->isEnabled())
            window->setSearchPatients([newExam] { newExam->trigger(); });
    }
    desk.openInWorkspace(window)->showMaximized();
}

} // namespace

void openAppointmentSystem(TaskDesk &desk)
{
    const TaskContext &context = desk.context();
    context.session.state<ScheduleState>().ModalityList.clear();
    desk.setBusy();
    context.link.StartCommand(Command::MODLIST);
}

void openAppointmentSystemFor(TaskDesk &desk, const PatientChoice &patient)
{
    desk.context().session.SelectedPatient = patient;
    openAppointmentSystem(desk);
}

void installScheduleTasks(TaskDesk &desk)
{
    const TaskContext &context = desk.context();
    ScheduleState &state = context.session.state<ScheduleState>();
    if (QWidget *main = desk.dialogParent())
        state.MainCaption = main->windowTitle();
    bindScheduleCommands(context.link, context.session, context.prompter, {[&desk] { showDayView(desk); }});

    desk.addTask(MenuIds::AppointmentSystem, [&desk] { openAppointmentSystem(desk); });
    desk.addTask(MenuIds::DeleteAppointments, [&desk] {
        DeleteAppointmentsDialog dialog(desk.context(), desk.dialogParent());
        dialog.exec();
    });
}
