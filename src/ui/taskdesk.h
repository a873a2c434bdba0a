#pragma once

#include "menuids.h"

#include <QString>

#include <functional>

class CommandLink;
class Dialogs;
class LogBook;
class Prompter;
class QMdiSubWindow;
class QPoint;
class QWidget;
struct Session;

// What every task window needs from the application around it, in one bundle: a window takes the
// context rather than a growing list of parameters.
struct TaskContext
{
    Session &session;
    CommandLink &link;
    Prompter &prompter;
    LogBook &log;
    QString appFolder;
    Dialogs &dialogs;
};

// The main window as the domains' installers see it: where menu items get their tasks and task
// windows are shown. Each domain folder has one function, install<Domain>Tasks(TaskDesk &), that adds
// its tasks and binds its commands on the link.
class TaskDesk
{
public:
    virtual ~TaskDesk() = default;

    virtual const TaskContext &context() const = 0;

    // The menu item (and the toolbar button that does the same) is enabled and runs `open`. An item
    // that does not exist, or has a task already, is a programming error: std::logic_error.
    virtual void addTask(MenuId item, std::function<void()> open) = 0;

    // Shows a task window in the workspace, as a child deleted when closed.
    virtual QMdiSubWindow *openInWorkspace(QWidget *window) = 0;
    // CloseTaskWindows: every window but the main window closes; one that refuses is skipped.
    virtual void closeTaskWindows() = 0;
    // The main window's busy pointer, until the command ends.
    virtual void setBusy() = 0;
    // The parent of modal dialogs.
    virtual QWidget *dialogParent() = 0;
    // The main window's pop-up menu of the table windows (mnuContext) at a point on the screen; its
    // items act on the session's TargetWindow.
    virtual void showContextMenu(const QPoint &globalPos) = 0;
};
