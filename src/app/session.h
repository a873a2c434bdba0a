#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>

// Values read from Client.ini and edited in the configuration window.
struct Settings
{
    QString MainServerHost;
    std::int32_t MainServerPort = 0;
    std::int16_t ConnectTimeout = 0; // seconds
    std::int16_t CommandTimeout = 0; // seconds
    std::int32_t LogonPort = 0;
    bool UseAppSystem = false;
    QString SecondServerHost;
    std::int32_t SecondServerPort = 0;

    bool operator==(const Settings &) const = default;
};

// The patient last chosen in a new or edited examination; the appointment booking reads it.
struct PatientChoice
{
    QString PatientId; // internal id, decimal
    QString Surname;
    QString FirstName;
    QString FolderNo;
    QPointer<QObject> StudyNr; // the choosing window's X-ray number field, read when a booking needs it
};

// Everything one running client shares between its windows and the server link. Created once in main
// (and once per test) and passed by reference: there are no mutable globals.
struct Session
{
    Settings settings;

    // The server in use; the main window copies the main server here, the server switch changes it.
    QString ServerHost;
    std::int32_t ServerPort = 0;

    QString UserName;
    bool DebugMode = false;

    // The login outcome: 0 not logged on, 1 logged on, -12 logged on but the password must be changed.
    std::int16_t LoggedIn = 0;
    bool RightUtilities = false;
    bool RightStatistics = false;

    // Set by menus and task windows before they start a command; reply handlers read it.
    QString ActionCode;

    // Department names by code 0..6, filled at start-up.
    QStringList DepartmentNames;

    // The window whose controls the next reply fills.
    QPointer<QObject> TargetWindow;

    // The last patient search after defaulting, kept so that it can be repeated.
    QString SearchFolderNo;
    QString SearchSurname;
    PatientChoice SelectedPatient;

    // A number drawn from the server and held between the commands of one chain (the new patient id).
    std::int32_t WorkNumber = 0;
};
