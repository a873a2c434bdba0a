#include "locationswindow.h"

#include "locationdialog.h"
#include "locationlist.h"
#include "tablerules.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

using namespace Qt::StringLiterals;

const QString LocationsWindow::Caption = u"Locations/Referrer"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;

// A panel of 500 x 400 pixels, the list inset in it.
const TableWindow::Geometry kGeometry{{500, 400}, {0, 0}, {-120, -240}, 60, 180};

} // namespace

LocationsWindow::LocationsWindow(TaskDesk &desk, QWidget *parent)
    : TableWindow(desk, u"fUtilLocations"_s, Caption, kGeometry, parent)
{
    m_locations = new LocationList(this);
    setList(m_locations);
    connect(m_locations, &LocationList::pressed, this, &LocationsWindow::onPressed);
    connect(m_locations, &LocationList::itemClicked, this, [this](QTreeWidgetItem *row) {
        choose(m_locations->rowFields(row));
        openEditor();
    });
}

void LocationsWindow::load()
{
    becomeTarget();
    m_context.link.StartCommand(Command::REFPHYSALL);
}

LocationDialog *LocationsWindow::locationDialog() const
{
    return qobject_cast<LocationDialog *>(dialog());
}

void LocationsWindow::setColumnWidths(int listWidth)
{
    m_locations->setColumnWidth(LocationList::Visible, twips(1000));
    m_locations->setColumnWidth(LocationList::Name, std::max(0, listWidth - twips(1000) - twips(360)));
}

void LocationsWindow::onPressed(Qt::MouseButton button, const QPoint &globalPos)
{
    becomeTarget();
    const QStringList selected = m_locations->selectedFields();
    choose(selected.isEmpty() ? std::nullopt : std::optional(selected));
    if (button == Qt::RightButton)
        showContextMenu(globalPos);
    else
        setEditing(true);
}

void LocationsWindow::editEntry()
{
    setEditing(true);
    openEditor();
}

void LocationsWindow::newEntry()
{
    setEditing(false);
    openEditor();
}

void LocationsWindow::openEditor()
{
    // Editing needs a row to read.
    if (isEditing() && !chosenRow())
        return;
    auto *editor = new LocationDialog(this);
    connect(editor, &LocationDialog::saveRequested, this, &LocationsWindow::save);
    // A save that ends without its reply (a time-out, a server error) lets the user try again.
    connect(&m_context.link, &CommandLink::busyEnded, editor, [editor] { editor->setSaving(false); });
    if (isEditing()) {
        const QStringList &row = *chosenRow();
        editor->showEntry({row.value(LocationList::Id), row.value(LocationList::Name),
                           !row.value(LocationList::Visible).isEmpty()});
    }
    openDialog(editor);
    if (!isEditing()) {
        becomeTarget();
        Ui::setBusy(*editor);
        m_context.link.StartCommand(Command::REFNEWID);
    }
}

void LocationsWindow::save()
{
    LocationDialog *editor = locationDialog();
    if (!editor)
        return;
    const LocationEntry entry = editor->entry();
    if (const QString problem = tableTextProblem({{u"Location"_s, entry.name}}); !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    m_saving = entry;
    becomeTarget();
    editor->setSaving(true);
    m_context.link.StartCommand(isEditing() ? Command::REFUPDATE : Command::REFINSERT);
}

void LocationsWindow::addLocationRecords(const RecordBatch &records)
{
    m_locations->addRecords(records);
}

void LocationsWindow::locationListComplete()
{
    m_locations->finish();
    showTable();
}

void LocationsWindow::locationSaved()
{
    closeDialog();
    clearRows();
}

void LocationsWindow::locationNotSaved()
{
    closeDialog();
}

void LocationsWindow::referrerIdDrawn(std::int32_t id)
{
    if (LocationDialog *editor = locationDialog()) {
        editor->setId(id);
        Ui::clearBusy(*editor);
    }
}

void LocationsWindow::referrerIdRefused()
{
    closeDialog();
}
