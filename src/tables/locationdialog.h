#pragma once

#include "tablerequests.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// fUtilAddEditLocation: adds a referring location or changes one. "OK" is the default button and
// stays disabled while the name is empty, and for a new entry until its id has come.
class LocationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LocationDialog(QWidget *parent = nullptr);

    // Fills the boxes from an entry of the list (editing); a new entry leaves them empty.
    void showEntry(const LocationEntry &entry);
    // The id drawn for a new entry.
    void setId(std::int32_t id);
    LocationEntry entry() const;

    // A save is under way: "OK" waits for its outcome.
    void setSaving(bool saving);

    static const QString Caption;

signals:
    // "OK" was clicked.
    void saveRequested();

private:
    void updateOk();

    QLineEdit *m_location = nullptr;
    QCheckBox *m_visible = nullptr;
    QLabel *m_id = nullptr;
    QPushButton *m_ok = nullptr;
    bool m_saving = false;
};
