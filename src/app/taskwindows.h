#pragma once

#include <QString>

class LogBook;
class MainWindow;
class Prompter;
struct Session;

// What every task window needs from the application around it.
struct TaskContext
{
    Session &session;
    Prompter &prompter;
    LogBook &log;
    QString appFolder;
};

// The one place where task windows plug into a new main window: menu items, toolbar buttons and the
// commands their windows start. Runs for every main window the login opens.
void installTaskWindows(MainWindow &main, const TaskContext &context);
