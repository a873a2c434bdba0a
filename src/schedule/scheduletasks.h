#pragma once

class TaskDesk;
struct PatientChoice;

// The appointment system: Digital, Appointment System (and the toolbar's "Scheduler") and Edit,
// Delete Appointments, and the appointment commands on the link.
void installScheduleTasks(TaskDesk &desk);

// Digital, Appointment System: a new, empty modality list and MODLIST; the day view opens when the
// modalities have come.
void openAppointmentSystem(TaskDesk &desk);

// The hand-over from a saved examination: the appointment system opens for that patient (who becomes
// the session's SelectedPatient, values only), so "New Default" and "New Emergency" book for them.
void openAppointmentSystemFor(TaskDesk &desk, const PatientChoice &patient);
