#pragma once

#include "tablerequests.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// fUtilAddEditDoctor ("Radiologist"): adds a doctor or renames one. "OK" is the default button and
// stays disabled while the name is empty.
class DoctorDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DoctorDialog(QWidget *parent = nullptr);

    void showEntry(const DoctorEntry &entry);
    DoctorEntry entry() const;
    void setSaving(bool saving);

    static const QString Caption;

signals:
    void saveRequested();

private:
    void updateOk();

    QLineEdit *m_doctor = nullptr;
    QLabel *m_id = nullptr;
    QPushButton *m_ok = nullptr;
    bool m_saving = false;
};
