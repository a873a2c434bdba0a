#pragma once

#include <QDate>
#include <QString>

class Database;

// The demo's appointment book: a week of appointments (from two days before `today` to four days
// after it) on every modality, within the working hours and slot lengths of the demo's
// Schedule.ini, none overlapping another on its modality. Runs inside the demo seed's transaction,
// after the patients and modalities are in.
bool seedSchedule(Database &database, QDate today, QString *error);
