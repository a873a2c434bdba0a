#include "doctorswindow.h"

#include "doctordialog.h"
#include "tablelist.h"
#include "tablerules.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

using namespace Qt::StringLiterals;

const QString DoctorsWindow::Caption = u"Doctors/Radiologists"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const TableWindow::Geometry kGeometry{{500, 400}, {0, 0}, {-120, -240}, 60, 180};

} // namespace

DoctorsWindow::DoctorsWindow(TaskDesk &desk, QWidget *parent)
    : TableWindow(desk, u"fUtilDoctors"_s, Caption, kGeometry, parent)
{
    auto *doctors = new TableList(u"Doctors"_s, {u"ID"_s, u"Radiologists"_s}, {Name, Id}, Id, this);
    setList(doctors);
    connect(doctors, &TableList::pressed, this, &DoctorsWindow::onPressed);
    connect(doctors, &TableList::itemClicked, this, [this, doctors](QTreeWidgetItem *row) {
        choose(doctors->rowFields(row));
        openEditor();
    });
}

void DoctorsWindow::load()
{
    becomeTarget();
    m_context.link.StartCommand(Command::DOCLIST);
}

DoctorDialog *DoctorsWindow::doctorDialog() const
{
    return qobject_cast<DoctorDialog *>(dialog());
}

void DoctorsWindow::setColumnWidths(int listWidth)
{
    list().setColumnWidth(Name, std::max(0, listWidth - twips(360)));
}

void DoctorsWindow::onPressed(Qt::MouseButton button, const QPoint &globalPos)
{
    const QStringList selected = list().selectedFields();
    choose(selected.isEmpty() ? std::nullopt : std::optional(selected));
    becomeTarget();
    if (button == Qt::RightButton)
        showContextMenu(globalPos);
    else
        setEditing(true);
}

void DoctorsWindow::editEntry()
{
    setEditing(true);
    openEditor();
}

void DoctorsWindow::newEntry()
{
    setEditing(false);
    openEditor();
}

void DoctorsWindow::openEditor()
{
    if (isEditing() && !chosenRow())
        return;
    auto *editor = new DoctorDialog(this);
    connect(editor, &DoctorDialog::saveRequested, this, &DoctorsWindow::save);
    connect(&m_context.link, &CommandLink::busyEnded, editor, [editor] { editor->setSaving(false); });
    if (isEditing())
        editor->showEntry({chosenRow()->value(Id), chosenRow()->value(Name)});
    openDialog(editor);
    if (!isEditing()) {
        // The referrer id request of the location dialog goes out here too, as it always has; its
        // answer has no place in this dialog (DOCINSERT sends no id) and is not taken.
        becomeTarget();
        m_context.link.StartCommand(Command::REFNEWID);
    }
}

void DoctorsWindow::save()
{
    DoctorDialog *editor = doctorDialog();
    if (!editor)
        return;
    const DoctorEntry entry = editor->entry();
    if (const QString problem = tableTextProblem({{u"Doctor"_s, entry.name}}); !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    m_saving = entry;
    becomeTarget();
    editor->setSaving(true);
    m_context.link.StartCommand(isEditing() ? Command::DOCUPDATE : Command::DOCINSERT);
}

void DoctorsWindow::addDoctorRecords(const RecordBatch &records)
{
    list().addRecords(records);
}

void DoctorsWindow::doctorListComplete()
{
    list().finish();
    showTable();
}

void DoctorsWindow::doctorSaved()
{
    closeDialog();
    clearRows();
}

void DoctorsWindow::doctorNotSaved()
{
    // The dialog stays with its input for another try.
    if (DoctorDialog *editor = doctorDialog())
        editor->setSaving(false);
}
