#pragma once

#include "patientrequests.h"

#include <QWidget>

class CommandLink;
class LogBook;
class PatientForm;
class Prompter;
class QPushButton;
struct Session;

// fNewPatient: registers a new patient. "Save" draws a new internal id (NEWPATID), checks that the
// folder number is free (PATID1) and inserts the patient (NEWPAT), all on one connection; the
// handlers are bound by bindPatientCommands and answer this window through the session's TargetWindow.
class NewPatientWindow : public QWidget
{
    Q_OBJECT

public:
    NewPatientWindow(Session &session, CommandLink &link, Prompter &prompter, LogBook &log,
                     const QString &appFolder, QWidget *parent = nullptr);

    // The values of the registration in progress, as they were when "Save" was clicked.
    const PatientDetails &savingDetails() const { return m_saving; }
    // Closes the window (its MDI frame with it).
    void closeTask();

    static const QString Caption;

private:
    void updateSave();
    void onSave();
    void onCancel();

    Session &m_session;
    CommandLink &m_link;
    Prompter &m_prompter;
    LogBook &m_log;
    PatientForm *m_form = nullptr;
    QPushButton *m_save = nullptr;
    PatientDetails m_saving;
};
