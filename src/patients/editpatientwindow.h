#pragma once

#include "patienthosts.h"

#include "ui/taskdesk.h"

#include <QWidget>

#include <memory>

class PatientForm;
class PatientList;
class PatientSearch;
class QGroupBox;
class QLineEdit;
class QTreeWidgetItem;

// fEditPatient: finds registered patients (the shared patient search) and corrects a chosen
// patient's data with PATUPDATE. A successful update repeats the search on the same connection, so
// the refreshed list is the confirmation.
class EditPatientWindow : public QWidget, public PatientUpdateHost
{
    Q_OBJECT

public:
    explicit EditPatientWindow(const TaskContext &context, QWidget *parent = nullptr);
    ~EditPatientWindow() override;

    // The values of the update in progress, as they were when "Save" was clicked.
    const PatientDetails &updateDetails() const override { return m_saving; }
    void clearPatientRows() override;
    void addPatientRecords(const RecordBatch &records) override;
    void patientListComplete() override;
    PatientList &patientList() { return *m_list; }

    static const QString Caption;

private:
    void onFind();
    void onChoose(QTreeWidgetItem *row);
    void onSave();
    void onCommandEnded();
    void closeTask();

    TaskContext m_context;
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
