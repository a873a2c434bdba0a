#pragma once

#include "tablewindow.h"

class DoctorDialog;
class TableList;

// fUtilDoctors ("Doctors/Radiologists"): the department's doctors. A click on a row renames the
// doctor in fUtilAddEditDoctor; the pop-up menu edits the row or adds a doctor.
class DoctorsWindow : public TableWindow, public DoctorTableHost
{
    Q_OBJECT

public:
    enum Field { Id, Name };

    explicit DoctorsWindow(TaskDesk &desk, QWidget *parent = nullptr);

    void load() override;
    TableList &doctors() const { return list(); }
    DoctorDialog *doctorDialog() const;

    void editEntry() override;
    void newEntry() override;

    // DoctorTableHost
    void addDoctorRecords(const RecordBatch &records) override;
    void doctorListComplete() override;
    const DoctorEntry &savingDoctor() const override { return m_saving; }
    void doctorSaved() override;
    void doctorNotSaved() override;

    static const QString Caption;

protected:
    void setColumnWidths(int listWidth) override;

private:
    void onPressed(Qt::MouseButton button, const QPoint &globalPos);
    void openEditor();
    void save();

    DoctorEntry m_saving;
};
