#pragma once

class TaskDesk;
class VisitSearchWindow;

// The examination windows and commands: File, New, Examination (Visit); File, Update, Examination
// (Visit); Utilities, Create XRay Numbers; and the examination commands on the link.
void installExamTasks(TaskDesk &desk);

// Opens the examination finder fFindVisit in the workspace, beside the window that asks for it. The
// caller makes itself the session's OwnerWindow first and implements ExamPickHost: a click on a
// listed examination is handed to it (the report window chooses its examination this way).
VisitSearchWindow *openExamFinder(TaskDesk &desk);
