#pragma once

#include "examrecords.h"

#include <QTreeWidget>

// Procedures: the procedure rows of one examination. Row text = X-ray number, then the folder
// number, the procedure as the picker shows it, its code and its id (ICD9ID); the edit dialog's list
// also has the id of the stored row (ProcID). The current row (nd) is the row the picker fills.
class ProcedureList : public QTreeWidget
{
    Q_OBJECT

public:
    enum class Kind { NewExamination, StoredExamination };
    enum Column { XRayNo, FolderNo, Procedure, Code, Icd9Id, ProcId };

    explicit ProcedureList(Kind kind, QWidget *parent = nullptr);

    QList<ProcedureRow> rows() const;
    ProcedureRow row(int index) const;
    // Appends a row and makes it current.
    void appendRow(const ProcedureRow &row);
    void clearRows();
    // nd: the row the picker fills (-1 when none).
    int currentRowIndex() const { return m_current; }
    void setCurrentRowIndex(int index) { m_current = index; }
    // The picker's "OK": the current row takes the pick; when it was the last row, a fresh row with the
    // pick's X-ray number and folder number is appended and becomes current.
    void applyPick(const ProcedureRow &pick);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_current = -1;
};
