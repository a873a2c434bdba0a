#include "taskwindows.h"

#include "mainwindow.h"
#include "patients/editpatientwindow.h"
#include "patients/newpatientwindow.h"
#include "patients/patientcommands.h"

#include <QMdiArea>
#include <QMdiSubWindow>

using namespace Qt::StringLiterals;

namespace {

// A task window lives as a child of the main window's workspace and is deleted when closed.
QMdiSubWindow *openInWorkspace(MainWindow &main, QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *frame = main.workspace()->addSubWindow(window);
    frame->setWindowIcon(main.windowIcon());
    return frame;
}

} // namespace

void installTaskWindows(MainWindow &main, const TaskContext &context)
{
    CommandLink &link = main.link();
    bindPatientCommands(link, context.session, context.prompter);

    main.setTask(u"mnuNewPatient"_s, [&main, context] {
        main.CloseTaskWindows();
        auto *window = new NewPatientWindow(context.session, main.link(), context.prompter, context.log,
                                            context.appFolder);
        openInWorkspace(main, window)->show();
    });
    main.setTask(u"mnuUpdatePatient"_s, [&main, context] {
        main.CloseTaskWindows();
        auto *window = new EditPatientWindow(context.session, main.link(), context.prompter, context.appFolder);
        openInWorkspace(main, window)->showMaximized();
    });
}
