#pragma once

class TaskDesk;

// The statistics: the Statistics menu, the period windows, the walks with their progress window, the
// statistics window and its preview, and the statistics commands on the link.
void installStatsTasks(TaskDesk &desk);
