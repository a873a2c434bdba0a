#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <cstdint>

// A patient's values as the registration and update windows hand them to the request builders.
struct PatientDetails
{
    QString PatientId; // PATID, the internal id (updates only)
    QString FolderNo;  // PATID1
    QString Surname;   // PATNachname
    QString FirstName; // PATVorname
    QString Initials;  // PAT2Vorname
    QDate BirthDate;   // a null date: none
    QString Sex;       // PATGeschlecht, the letter taken from the race/sex entry
    int RacePosition = -1; // zero-based line of Rasse.ini; -1 when no entry is chosen
};

// The NEWPAT request line: "CMDPATNEW|" + the SQL value list of the new patient row + "/CMD".
QString PatInsertString(std::int32_t patientId, const PatientDetails &patient);

// The PATUPDATE arguments: the patient's values joined by "|".
QString PatUpdateString(const PatientDetails &patient);

// Request lines in the wire's code page.
QByteArray PatListRequest(const QString &folderNoPattern, const QString &surnamePattern);
QByteArray NewPatIdRequest();
QByteArray PatId1Request(const QString &folderNo);
QByteArray NewPatRequest(std::int32_t patientId, const PatientDetails &patient);
QByteArray PatUpdateRequest(const PatientDetails &patient);
