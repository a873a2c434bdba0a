#include "patientsearch.h"

#include "patientlist.h"
#include "patientrules.h"

#include "app/prompter.h"
#include "app/session.h"
#include "link/commandlink.h"

#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
const QString kTitle = u"ZEL-Client"_s;
const QString kInsertThreeCharacters =
    u"Please insert 3 characters into 'Find Folder No' and/or 3 characters into 'Find Surname'"_s;
const QString kInsertFolderNo = u"Please insert 'Folder No'!\r\n\r\nTip: Wildscard (? and *) are allowed."_s;
} // namespace

PatientSearch::PatientSearch(QWidget &window, PatientList &list, Rule rule, const QString &folderNoField,
                             const QString &surnameField, Session &session, CommandLink &link, Prompter &prompter)
    : m_window(window)
    , m_list(list)
    , m_rule(rule)
    , m_folderNoField(folderNoField)
    , m_surnameField(surnameField)
    , m_session(session)
    , m_link(link)
    , m_prompter(prompter)
{
}

bool PatientSearch::start(const QString &folderNo, const QString &surname)
{
    m_list.clearRows();
    m_session.TargetWindow = &m_window;
    if (m_rule == Rule::FolderNo)
        m_session.ActionCode = u"0"_s;

    // Refused text never reaches the kept search values.
    if (const QString problem = typedTextProblem({{m_folderNoField, folderNo}, {m_surnameField, surname}});
        !problem.isEmpty()) {
        m_prompter.warning(kTitle, problem);
        return false;
    }

    if (m_rule == Rule::FolderNoOrSurname) {
        if (surname.size() <= 2 && folderNo.size() <= 2) {
            m_prompter.warning(kTitle, kInsertThreeCharacters);
            return false;
        }
    } else if (folderNo.size() <= 2) {
        m_prompter.error(kTitle, kInsertFolderNo);
        return false;
    }

    // Only a search that is sent becomes the last search: a refused one must not be what a
    // successful update repeats.
    m_session.SearchFolderNo = folderNo;
    m_session.SearchSurname = surname;

    // At most one pattern is defaulted: an empty folder number leaves the surname as typed.
    if (m_session.SearchFolderNo.isEmpty())
        m_session.SearchFolderNo = u"%"_s;
    else if (m_session.SearchSurname.isEmpty())
        m_session.SearchSurname = u"%"_s;

    m_link.StartCommand(u"PATLIST"_s);
    m_window.setCursor(Qt::WaitCursor);
    return true;
}
