#pragma once

#include "patienthosts.h"

#include "ui/taskdesk.h"

#include <QWidget>

class PatientForm;
class QPushButton;

// fNewPatient: registers a new patient. "Save" draws a new internal id (NEWPATID), checks that the
// folder number is free (PATID1) and inserts the patient (NEWPAT), all on one connection; the
// handlers are bound by bindPatientCommands and answer this window as its registration host.
class NewPatientWindow : public QWidget, public PatientRegistrationHost
{
    Q_OBJECT

public:
    explicit NewPatientWindow(const TaskContext &context, QWidget *parent = nullptr);

    const PatientDetails &savingDetails() const override { return m_saving; }
    void registrationDone() override { closeTask(); }
    // Closes the window (its MDI frame with it).
    void closeTask();

    static const QString Caption;

private:
    void updateSave();
    void onSave();
    void onCancel();

    TaskContext m_context;
    PatientForm *m_form = nullptr;
    QPushButton *m_save = nullptr;
    PatientDetails m_saving;
};
