#pragma once

#include "examrecords.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <cstdint>

// The request lines of the examination commands and the rules their values follow. Pure functions
// of their inputs.

// X-ray numbers and study ids of 6 characters or fewer are shown padded with "0" to 7 characters.
QString paddedNumber(const QString &text);

// The department names by code: the session's, or the documented ones when the session has none.
QStringList departmentNames(const QStringList &sessionNames);

// The department name of a code field ("4" -> "MRI"); empty for a code outside the names.
QString departmentName(const QStringList &names, const QString &code);

// Dates and times as the examination windows show them and the user types them.
QString visitDateText(const QDate &date); // dd.mm.yyyy
QString visitTimeText(const QTime &time); // HH:MM
QDate parseVisitDate(const QString &text); // the shown form, or yyyy-mm-dd as the server stores it
QTime parseVisitTime(const QString &text); // HH:MM (seconds allowed), also after a date

// The visit date and time as the server stores them: "yyyy-mm-dd" and "1899-12-30 HH:MM".
QString sqlDate(const QDate &date);
QString sqlTime(const QTime &time);

// "CMDSTDNEW|" + the SQL value list of the new examination + "/CMD".
QString StudyInsertString(const NewExamination &exam, std::int32_t archiveId, const QString &studyUid);
// "CMDProcinsert|" + X-ray number + ", " + procedure id + ", '" + folder number + "'/CMD" for one row
// of a new examination; a quote in the folder number is doubled.
QString ProcInsertString(const ProcedureRow &row);
// What fEditVisitDetails sends for a procedure row: a stored row "CMDProcupdate|" + row id + "|" +
// procedure id + "/CMD"; a row added in the dialog "CMDProcinsert|" + X-ray number without leading
// zeros + ", " + procedure id + ", '" + the dialog's current folder number + "'/CMD".
QString ProcUpdateString(const ProcedureRow &row, const QString &currentFolderNo);
// The STDUPDATE values joined by "|".
QString StudyUpdateString(const ExamUpdate &update);

// What stops a new examination from being offered for confirmation: the message naming the first
// field that is missing or not a number; empty when it can be saved.
QString newExaminationProblem(const NewExamination &exam);
// The same for an update of a loaded examination.
QString examUpdateProblem(const ExamUpdate &update);

// The FREEXRAY warning for a count below 100; empty otherwise.
QString freeXRayWarning(std::int32_t count);

// Request lines in the wire's code page.
QByteArray requestBytes(const QString &line);
