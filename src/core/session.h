#pragma once

#include "actioncode.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <typeindex>
#include <unordered_map>

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

// The login outcome, with the numbers the logon answers use.
enum class LoginState : std::int16_t {
    LoggedOff = 0,
    LoggedOn = 1,
    PasswordMustChange = -12, // logged on, but the empty password must be changed first
};

// The patient last chosen in a new or edited examination; the appointment booking reads it. Values
// only: the windows that chose it may be gone when it is read.
struct PatientChoice
{
    QString PatientId; // internal id, decimal
    QString Surname;
    QString FirstName;
    QString FolderNo;
    QString StudyNr;   // the X-ray number of the examination it was chosen for, as shown
};

// Everything one running client shares between its windows and the server link. Created once in main
// (and once per test) and passed by reference: there are no mutable globals.
//
// The values that several domains read are grouped here by domain. A domain's own values, which no
// other domain reads, live in a struct of that domain reached through state<T>(), so a new domain
// adds its values in its own folder.
struct Session
{
    Settings settings;

    // The server in use; the main window copies the main server here, the server switch changes it.
    QString ServerHost;
    std::int32_t ServerPort = 0;

    // Login.
    QString UserName;
    LoginState LoggedIn = LoginState::LoggedOff;
    bool RightUtilities = false;
    bool RightStatistics = false;
    bool DebugMode = false;

    // Set by menus and task windows before they start a command; reply handlers read it.
    ::ActionCode ActionCode = ::ActionCode::Empty;
    // The window whose reply host the next reply fills.
    QPointer<QObject> TargetWindow;
    // The window that opened the procedure picker or the examination finder and receives the pick.
    QPointer<QObject> OwnerWindow;

    // Patients: the last search after defaulting, kept so that it can be repeated, and the patient
    // chosen for an examination.
    QString SearchFolderNo;
    QString SearchSurname;
    PatientChoice SelectedPatient;
    // A number drawn from the server and held between the commands of one chain (the new patient id,
    // the X-ray number being reserved or released).
    std::int32_t WorkNumber = 0;

    // Examinations: department names by code 0..6, filled at start-up; the X-ray number search; the
    // UID of the examination in hand, which the report windows use too.
    QStringList DepartmentNames;
    QString SearchXRayNo;
    QString StudyUid;

    // A domain's own values: one T per session, made on first use.
    template <typename T>
    T &state()
    {
        std::shared_ptr<void> &slot = m_domainStates[std::type_index(typeid(T))];
        if (!slot)
            slot = std::make_shared<T>();
        return *static_cast<T *>(slot.get());
    }

private:
    std::unordered_map<std::type_index, std::shared_ptr<void>> m_domainStates;
};
