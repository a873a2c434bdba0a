#pragma once

#include "examhosts.h"

#include "patients/patienthosts.h"
#include "ui/taskdesk.h"

#include <QDialog>

#include <memory>

class OptionGroup;
class PatientList;
class PatientSearch;
class ProcedureList;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidgetItem;

// fEditVisitDetails: one stored examination, loaded with STDDATA -> PATDATAID -> REFPHYS -> PROCDATA.
// The X-ray number, the patient, the referrer, the visit date and time, the classifications and the
// procedures can be changed and saved (STDUPDATE, then one PROCUPDATE per filled procedure row), or
// the examination deleted (DELSTUDY, DELPROC, and the number released). "Save" and "Delete" wait
// until the examination has been loaded, so the dialog's presets never reach the server.
class EditVisitDetailsDialog : public QDialog, public EditVisitDetailsHost, public PatientListHost,
                               public ProcedurePickHost
{
    Q_OBJECT

public:
    EditVisitDetailsDialog(const TaskContext &context, const QString &folderNo, const QString &name,
                           const QString &xrayNo, QWidget *parent = nullptr);
    ~EditVisitDetailsDialog() override;

    // ReferrerListHost
    ReferrerTarget referrerTarget() const override { return ReferrerTarget::EditVisitDetails; }
    void addReferrers(const RecordBatch &records) override;
    void referrerListComplete() override; // SetFkeyUeberweiserID
    // EditVisitDetailsHost
    void showStudyData(const QStringList &fields) override;
    void studyNotFound() override;
    QString patientId() const override;
    QString procedureXRayNumber() const override;
    void addProcedureRecords(const RecordBatch &records) override;
    void examinationLoaded() override;
    const ExamUpdate &savingUpdate() const override { return m_saving; }
    void updateDone() override;
    void deletionDone() override;
    // PatientListHost
    void addPatientRecords(const RecordBatch &records) override;
    void patientListComplete() override;
    // ProcedurePickHost
    QString pickXRayNumber() const override;
    QString pickFolderNumber() const override;
    void procedurePicked(const ProcedureRow &pick) override;

    bool isLoaded() const { return m_loaded; }
    // The update was saved (the finder then closes).
    bool updated() const { return m_updated; }

    static const QString Caption;

private:
    void onFindPatient();
    void onChoosePatient(QTreeWidgetItem *row);
    void onProcedureClicked(QTreeWidgetItem *row);
    void onSave();
    void onDelete();
    ExamUpdate currentValues() const;

    TaskContext m_context;
    QLineEdit *m_studyNr = nullptr;
    QLineEdit *m_studyNrOld = nullptr;
    QLineEdit *m_folderNo = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_initials = nullptr;
    QLineEdit *m_patientId = nullptr;
    QComboBox *m_referrer = nullptr;
    QLineEdit *m_date = nullptr;
    QLineEdit *m_time = nullptr;
    OptionGroup *m_officeHours = nullptr;
    OptionGroup *m_hospital = nullptr;
    OptionGroup *m_inOut = nullptr;
    OptionGroup *m_department = nullptr;
    ProcedureList *m_procedures = nullptr;
    PatientList *m_patients = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_delete = nullptr;
    std::unique_ptr<PatientSearch> m_search;
    ExamUpdate m_saving;
    QString m_referrerId; // the stored referrer's id, until the list arrives
    bool m_loaded = false;
    bool m_notFound = false;
    bool m_updated = false;
};
