#pragma once

class TaskDesk;

// The reference table windows and commands: Utilities, Table Doctors / Table Locations / Table
// Procedures, the main window's shared pop-up menu "Edit" / "New", and the table commands on the
// link.
void installTableTasks(TaskDesk &desk);
