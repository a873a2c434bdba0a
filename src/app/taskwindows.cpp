#include "taskwindows.h"

#include "mainwindow.h"

void installTaskWindows(MainWindow &main, const TaskContext &context)
{
    Q_UNUSED(main);
    Q_UNUSED(context);
}
