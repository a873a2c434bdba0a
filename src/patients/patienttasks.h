#pragma once

class TaskDesk;

// The patient windows and commands: File, New, Patient and File, Update, Patient, and the patient
// commands on the link.
void installPatientTasks(TaskDesk &desk);
