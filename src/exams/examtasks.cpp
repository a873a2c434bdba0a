#include "examtasks.h"

#include "examcommands.h"
#include "newvisitwindow.h"
#include "visitsearchwindow.h"
#include "xraynodialog.h"

#include "core/session.h"
#include "ui/taskdesk.h"

#include <QMdiSubWindow>

void installExamTasks(TaskDesk &desk)
{
    const TaskContext &context = desk.context();
    bindExamCommands(context.link, context.session, context.prompter);

    desk.addTask(MenuIds::NewExam, [&desk] {
        desk.closeTaskWindows();
        Session &session = desk.context().session;
        session.ActionCode = ActionCode::New;
        auto *window = new NewVisitWindow(desk.context());
        session.TargetWindow = window;
        desk.openInWorkspace(window)->showMaximized();
    });
    desk.addTask(MenuIds::UpdateExam, [&desk] {
        desk.closeTaskWindows();
        desk.context().session.ActionCode = ActionCode::Search;
        desk.openInWorkspace(new VisitSearchWindow(VisitSearchWindow::Kind::Edit, desk.context()))->showMaximized();
    });
    desk.addTask(MenuIds::CreateXRayNumbers, [&desk] {
        XRayNoDialog dialog(desk.context(), desk.dialogParent());
        dialog.exec();
    });
}

VisitSearchWindow *openExamFinder(TaskDesk &desk)
{
    auto *finder = new VisitSearchWindow(VisitSearchWindow::Kind::Finder, desk.context());
    desk.openInWorkspace(finder)->showMaximized();
    return finder;
}
