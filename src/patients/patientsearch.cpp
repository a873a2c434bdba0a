#include "patientsearch.h"

#include "patientlist.h"
#include "patientrules.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
const QString kTitle = u"ZEL-Client"_s;
const QString kInsertThreeCharacters =
    u"Please insert 3 characters into 'Find Folder No' and/or 3 characters into 'Find Surname'"_s;
const QString kInsertFolderNo = u"Please insert 'Folder No'!\r\n\r\nTip: Wildscard (? and *) are allowed."_s;
} // namespace

PatientSearch::PatientSearch(QWidget &window, PatientList &list, Rule rule, const QString &folderNoField,
                             const QString &surnameField, const TaskContext &context)
    : m_window(window)
    , m_list(list)
    , m_rule(rule)
    , m_folderNoField(folderNoField)
    , m_surnameField(surnameField)
    , m_context(context)
{
}

bool PatientSearch::start(const QString &folderNo, const QString &surname)
{
    m_list.clearRows();
    m_context.session.TargetWindow = &m_window;
    if (m_rule == Rule::FolderNo)
        m_context.session.ActionCode = ActionCode::Search;

    // Refused text never reaches the kept search values.
    if (const QString problem = typedTextProblem({{m_folderNoField, folderNo}, {m_surnameField, surname}});
        !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return false;
    }

    if (m_rule == Rule::FolderNoOrSurname) {
        if (surname.size() <= 2 && folderNo.size() <= 2) {
            m_context.prompter.warning(kTitle, kInsertThreeCharacters);
            return false;
        }
    } else if (folderNo.size() <= 2) {
        m_context.prompter.error(kTitle, kInsertFolderNo);
        return false;
    }

    // Only a search that is sent becomes the last search: a refused one must not be what a
    // successful update repeats.
    m_context.session.SearchFolderNo = folderNo;
    m_context.session.SearchSurname = surname;

    // At most one pattern is defaulted: an empty folder number leaves the surname as typed.
    if (m_context.session.SearchFolderNo.isEmpty())
        m_context.session.SearchFolderNo = u"%"_s;
    else if (m_context.session.SearchSurname.isEmpty())
        m_context.session.SearchSurname = u"%"_s;

    m_context.link.StartCommand(Command::PATLIST);
    Ui::setBusy(m_window);
    return true;
}
