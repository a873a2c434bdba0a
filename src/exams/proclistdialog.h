#pragma once

#include "examhosts.h"

#include "ui/taskdesk.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// fProclist: chooses one procedure for the current row of the owner's procedure list. Loads the
// procedure list (PROCLIST), fetches the code of the entry chosen (PROCCODE) and on "OK" writes the
// choice into the owner's current row (the owner appends a fresh row when that was the last).
class ProcListDialog : public QDialog, public ProcedurePickerHost
{
    Q_OBJECT

public:
    // The owner is the session's OwnerWindow.
    ProcListDialog(const TaskContext &context, QWidget *parent = nullptr);
    ~ProcListDialog() override;

    void addProcedureRecords(const RecordBatch &records) override; // ProcPickerFill
    void procedureListComplete() override;
    void setProcedureCode(const QString &code) override;

    static const QString Caption;

private:
    void onTextChanged(const QString &text);
    void onSelected(int index);
    void onOk();

    TaskContext m_context;
    QLineEdit *m_xrayNo = nullptr;
    QLineEdit *m_folderNo = nullptr;
    QComboBox *m_procedure = nullptr;
    QLineEdit *m_code = nullptr;
    QPushButton *m_ok = nullptr;
};
