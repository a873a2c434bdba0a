#pragma once

#include "tablerequests.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// fUtilAddEditProcedure ("Procedure"): adds a procedure code or changes one, its id included. "OK" is
// the default button, disabled until code and description are both filled; Escape cancels.
class ProcedureDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ProcedureDialog(QWidget *parent = nullptr);

    void showEntry(const ProcedureEntry &entry);
    ProcedureEntry entry() const;
    void setSaving(bool saving);

    static const QString Caption;

signals:
    void saveRequested();

private:
    void updateOk();

    QLineEdit *m_code = nullptr;
    QPlainTextEdit *m_description = nullptr;
    QLineEdit *m_spInvHead = nullptr;
    QLineEdit *m_spInv = nullptr;
    QPlainTextEdit *m_investType = nullptr;
    QLineEdit *m_id = nullptr;
    QPushButton *m_ok = nullptr;
    bool m_saving = false;
};
