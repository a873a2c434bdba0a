#pragma once

#include "patientrequests.h"

#include <QWidget>

#include <memory>

class CommandLink;
class PatientForm;
class PatientList;
class PatientSearch;
class Prompter;
class QGroupBox;
class QLineEdit;
class QTreeWidgetItem;
struct Session;

// fEditPatient: finds registered patients (the shared patient search) and corrects a chosen
// patient's data with PATUPDATE. A successful update repeats the search on the same connection, so
// the refreshed list is the confirmation.
class EditPatientWindow : public QWidget
{
    Q_OBJECT

public:
    EditPatientWindow(Session &session, CommandLink &link, Prompter &prompter, const QString &appFolder,
                      QWidget *parent = nullptr);
    ~EditPatientWindow() override;

    // The values of the update in progress, as they were when "Save" was clicked.
    const PatientDetails &savingDetails() const { return m_saving; }
    PatientList &patientList() { return *m_list; }

    static const QString Caption;

private:
    void onFind();
    void onChoose(QTreeWidgetItem *row);
    void onSave();
    void onCommandEnded();
    void closeTask();

    Session &m_session;
    CommandLink &m_link;
    Prompter &m_prompter;
    QLineEdit *m_folderNoSearch = nullptr;
    QLineEdit *m_surnameSearch = nullptr;
    PatientList *m_list = nullptr;
    QGroupBox *m_details = nullptr;
    PatientForm *m_form = nullptr;
    QLineEdit *m_patientId = nullptr;
    std::unique_ptr<PatientSearch> m_search;
    PatientDetails m_saving;
    bool m_busyUntilFilled = false;
};
