#include "recordertasks.h"

#include "recordertransfer.h"

#include "ui/taskdesk.h"

void installRecorderTasks(TaskDesk &desk)
{
    const TaskContext &context = desk.context();
    RecorderTransfer::bindRecorderCommands(context.link, context.session, context.prompter, context.log,
                                           context.appFolder);
}
