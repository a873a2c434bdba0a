#pragma once

#include <QString>
#include <QStringList>

class Database;

// The statistics' part of the demo: the server's mirror of the demo's race/sex list, line by line in
// the order of the client's Rasse.ini, so the reports put the demo patients in their race columns.
bool seedStatistics(Database &database, const QStringList &raceSexEntries, QString *error);
