#pragma once

#include "patientrequests.h"

#include <QWidget>

class QComboBox;
class QFormLayout;
class QLineEdit;

// The patient's fields as fEditPatient and fNewPatient show them, with the rules both share: the
// initials filled from the names, the sex letter taken from the race/sex choice, the birth date
// rewritten as a short date, and each field's text selected when it is entered.
class PatientForm : public QWidget
{
    Q_OBJECT

public:
    enum class BirthDateBox {
        Masked, // PatGebDatum: a masked date box (registration)
        Plain,  // PATGebDatum1: a text box holding the date as the server sent it (update)
    };

    PatientForm(BirthDateBox box, const QStringList &raceEntries, QWidget *parent = nullptr);

    // The values as the request builders take them; the internal id is the window's.
    PatientDetails details() const;
    // Registration's rule for "Save": a surname, a folder number of 8 characters or more, a valid
    // birth date and a race/sex entry chosen from the list.
    bool isComplete() const;
    // Why the typed values cannot be sent as they are; empty when they can.
    QString sendingProblem() const;

    // Shows a patient record of the list: fields 1 to 6 as they are, field 7 as the position of the
    // race/sex entry.
    void showRecord(const QStringList &fields);

    // The race/sex entry chosen from the list; -1 when none is, or the text shown is typed.
    int racePosition() const;

signals:
    // The folder number, the surname, the birth date or the race/sex choice changed.
    void ruleInputChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *addField(const QString &label, const QString &name);
    void fillInitials();
    void takeSexFromRace();
    QString birthDateText() const;

    QFormLayout *m_layout = nullptr;
    QLineEdit *m_folderNo = nullptr;
    QLineEdit *m_surname = nullptr;
    QLineEdit *m_firstName = nullptr;
    QLineEdit *m_initials = nullptr;
    QLineEdit *m_birthDate = nullptr;
    QComboBox *m_race = nullptr;
    QLineEdit *m_sex = nullptr;
    QLineEdit *m_unusedBirthDate = nullptr;
};
