#pragma once

#include <QString>

#include "ui/taskdesk.h"

class PatientList;
class QWidget;

// The patient search the task windows share: the window's rule, the defaulting of the two patterns,
// the search values kept in the session, and the PATLIST command that fills the window's PATList.
// The window is the reply's target and must be a PatientListHost.
class PatientSearch
{
public:
    enum class Rule {
        FolderNoOrSurname, // fEditPatient: either pattern has three characters or more
        FolderNo,          // the examination windows: the folder number has three characters or more
    };

    // The field names are the ones the user sees, for the message that refuses unsafe text.
    PatientSearch(QWidget &window, PatientList &list, Rule rule, const QString &folderNoField,
                  const QString &surnameField, const TaskContext &context);

    // Starts the search with the patterns as typed; false when the rule or the typed text stops it
    // (the user has been told why) and nothing was sent.
    bool start(const QString &folderNo, const QString &surname);

private:
    QWidget &m_window;
    PatientList &m_list;
    Rule m_rule;
    QString m_folderNoField;
    QString m_surnameField;
    TaskContext m_context;
};
