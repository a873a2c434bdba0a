#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class Database;

// A small, believable radiology department for demonstrations and end-to-end tests: a few hundred
// patients, about a thousand examinations of the last two years with their procedures, referring
// locations, radiologists, procedure codes, modalities, body parts, a pool of free X-ray numbers and
// four users. The same every time (fixed random seed); only the dates follow the day of seeding.
//
// Users (name / password / rights):
//   admin  / zeladmin / utilities and statistics
//   stats  / zelstats / statistics
//   clerk  / zelclerk / none
//   newbie / (empty)  / none; must choose a password at the first logon
class DemoSeed
{
public:
    // Fills an empty database in one transaction; `today` anchors the examination dates.
    static bool fill(Database &database, int passwordIterations, QString *error,
                     QDate today = QDate::currentDate());

    // The race/sex list the demo patients' Rasse positions refer to, in order: the lines of the
    // client's Rasse.ini for the demo.
    static QStringList raceSexEntries();

    static constexpr int PatientCount = 300;
    static constexpr int ExaminationCount = 1000;
    static constexpr int FirstXRayNumber = 50001;
    static constexpr int FreeXRayNumbers = 250;
};
