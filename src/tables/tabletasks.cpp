#include "tabletasks.h"

#include "doctorswindow.h"
#include "locationswindow.h"
#include "procedureswindow.h"
#include "tablecommands.h"
#include "tablehosts.h"

#include "core/hosts.h"
#include "ui/taskdesk.h"

namespace {

// The window is placed in the workspace at once, so the reply can fill it, and shows when its list
// is in.
template <typename Window>
void openTable(TaskDesk &desk, bool busy)
{
    if (busy)
        desk.setBusy();
    desk.closeTaskWindows();
    auto *window = new Window(desk);
    desk.openInWorkspace(window);
    window->load();
}

} // namespace

void installTableTasks(TaskDesk &desk)
{
    const TaskContext &context = desk.context();
    bindTableCommands(context.link, context.session, context.prompter);

    desk.addTask(MenuIds::TableDoctors, [&desk] { openTable<DoctorsWindow>(desk, true); });
    desk.addTask(MenuIds::TableLocations, [&desk] { openTable<LocationsWindow>(desk, true); });
    // The procedure table does not change the main window's pointer.
    desk.addTask(MenuIds::TableProcedures, [&desk] { openTable<ProceduresWindow>(desk, false); });

    // The shared pop-up acts on the table window that registered itself as the TargetWindow.
    desk.addTask(MenuIds::ContextEdit, [&desk] {
        if (TableEditorHost *host = targetHost<TableEditorHost>(desk.context().session))
            host->editEntry();
    });
    desk.addTask(MenuIds::ContextNew, [&desk] {
        if (TableEditorHost *host = targetHost<TableEditorHost>(desk.context().session))
            host->newEntry();
    });
}
