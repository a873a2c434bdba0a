#pragma once

#include <QMdiSubWindow>
#include <QWidget>

// Closes a task window together with the workspace frame that holds it (or alone when it has none).
inline void closeTaskWindow(QWidget &window)
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(window.parentWidget()))
        frame->close();
    else
        window.close();
}
