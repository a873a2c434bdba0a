#pragma once

#include "examhosts.h"

#include "patients/patienthosts.h"
#include "ui/taskdesk.h"

#include <QWidget>

#include <memory>

class OptionGroup;
class PatientList;
class PatientSearch;
class ProcedureList;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidgetItem;
class VisitList;

// fNewVisit: records a new examination of one patient. "New" draws a study id, the referrer list and
// a new X-ray number, reserved at once; "Find" next to the X-ray number draws a study id and the
// referrer list and lists the examinations stored under the typed number, so the new one is filed
// under it. The patient comes from the folder number (PATDATA) or the shared patient search;
// procedures come from the picker; "Save" confirms and runs the save chain. The handlers are bound by
// bindExamCommands and reach the window through the hosts it implements.
class NewVisitWindow : public QWidget, public NewVisitHost, public PatientListHost, public ProcedurePickHost
{
    Q_OBJECT

public:
    explicit NewVisitWindow(const TaskContext &context, QWidget *parent = nullptr);
    ~NewVisitWindow() override;

    // ReferrerListHost
    ReferrerTarget referrerTarget() const override { return ReferrerTarget::NewVisit; }
    void addReferrers(const RecordBatch &records) override;
    void referrerListComplete() override;
    bool holdsReservedXRayNumber() const override { return m_reserved > 0 || m_stored; }
    // VisitListHost
    void addVisitRecords(const RecordBatch &records) override;
    void visitListComplete() override;
    // NewVisitHost
    void setStudyId(std::int32_t id) override;
    QString folderNumber() const override;
    void showPatientData(const QStringList &fields) override;
    void patientNotFound() override;
    void xrayNumberDrawn(std::int32_t number) override;
    void setPreviousXRayNumber(std::int32_t number) override;
    const NewExamination &savingExamination() const override { return m_saving; }
    void examinationStored() override;
    void saveChainEnded(SaveEnd end) override;
    // PatientListHost
    void addPatientRecords(const RecordBatch &records) override;
    void patientListComplete() override;
    void noPatientFound() override { cancel(); }
    // ProcedurePickHost
    QString pickXRayNumber() const override;
    QString pickFolderNumber() const override;
    void procedurePicked(const ProcedureRow &pick) override;

    // The number this window reserved and may give back; 0 when it holds none.
    std::int32_t reservedXRayNumber() const { return m_reserved; }
    // "Cancel": gives back the number this window reserved, then closes.
    void cancel();
    void closeTask();

    static const QString Caption;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Shown { Patients, Visits, Procedures };
    void showList(Shown list);
    void onNew();
    void onFindXRayNo();
    void onFindPatient();
    void onFolderNoLeft();
    void onReferrerEntered();
    void onStudyIdChanged(const QString &text);
    void onSurnameChanged(const QString &text);
    void onChoosePatient(QTreeWidgetItem *row);
    void onChooseVisit(QTreeWidgetItem *row);
    void onProcedureClicked(QTreeWidgetItem *row);
    void onDepartmentClicked(int index);
    void onSave();
    NewExamination currentValues() const;
    void setAppointmentOption(bool book);

    TaskContext m_context;
    QLineEdit *m_studyNr = nullptr;
    QLineEdit *m_studyId = nullptr;
    QLineEdit *m_folderNo = nullptr;
    QLineEdit *m_surname = nullptr;
    QLineEdit *m_initials = nullptr;
    QLineEdit *m_patientId = nullptr;
    QLineEdit *m_surnameSearch = nullptr;
    QLineEdit *m_studyDesc = nullptr;
    QLineEdit *m_oldStudyNr = nullptr;
    QLineEdit *m_date = nullptr;
    QLineEdit *m_time = nullptr;
    QComboBox *m_referrer = nullptr;
    OptionGroup *m_officeHours = nullptr;
    OptionGroup *m_hospital = nullptr;
    OptionGroup *m_inOut = nullptr;
    OptionGroup *m_department = nullptr;
    QPushButton *m_appointment = nullptr;
    QPushButton *m_new = nullptr;
    QPushButton *m_findXRay = nullptr;
    QPushButton *m_findPatient = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_save = nullptr;
    PatientList *m_patients = nullptr;
    VisitList *m_visits = nullptr;
    ProcedureList *m_procedures = nullptr;
    std::unique_ptr<PatientSearch> m_search;
    NewExamination m_saving;
    std::int32_t m_reserved = 0; // the X-ray number this window reserved through NEWXRAYNO
    bool m_stored = false;       // STDNEW stored the examination
    bool m_patientChosen = false;
    bool m_closing = false;      // the focus leaving the fields while the window closes looks nothing up
};
