#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

// One row of an examination's procedure list, as the windows show it: the X-ray number, the folder
// number, the procedure as the picker shows it, its code, its id (ICD9ID) and, for a row loaded from
// the server, the id of the stored row (ProcID).
struct ProcedureRow
{
    QString XRayNo;
    QString FolderNo;
    QString Procedure;
    QString Code;
    QString Icd9Id;
    QString ProcId;

    // A row whose procedure id is not a number is an unfilled row waiting for the picker.
    bool isFilled() const;
};

// The classifications of an examination by their option indices.
struct ExamClasses
{
    int officeHours = 0;     // optOH: 0 "Yes", 1 "No"
    int hospitalPrivate = 0; // optHP: 0 "Hospital", 1 "Private"
    int inOut = 0;           // optIO: 0 "InPatient", 1 "OutPatient", 2 "Staff"
    int department = 0;      // optDep: the department code 0..6
};

// A new examination as fNewVisit hands it to the save chain, taken when the user confirms.
struct NewExamination
{
    QString StudyId;    // StudyID, 7 digits
    QString StudyNr;    // the X-ray number
    QString StudyDesc;  // holds an X-ray number text
    QString PatientId;  // PATID
    std::optional<int> ReferrerId;
    ExamClasses classes;
    QDate date;
    QTime time;
    QList<ProcedureRow> rows;
};

// The values of an examination update, taken from fEditVisitDetails when "Save" is clicked.
struct ExamUpdate
{
    QString StudyNrOld;
    QString StudyNr;
    QString PatientId;
    QString FolderNo; // the folder number in the dialog now, for added procedure rows
    std::optional<int> ReferrerId;
    ExamClasses classes;
    QDate date;
    QTime time;
    QList<ProcedureRow> rows;
};

// One examination of a STDLIST reply as the finder lists it, field by field as shown.
struct ExamPick
{
    enum Field { FolderNo, Surname, FirstName, Department, XRayNo, Date, Time, StudyUid, StudyDesc, PatientId };
    static constexpr int FieldCount = 10;
    QStringList fields;

    QString field(Field f) const { return fields.value(f); }
};
