#include "procedureswindow.h"

#include "proceduredialog.h"
#include "tablelist.h"
#include "tablerules.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"

#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;

const QString ProceduresWindow::Caption = u"Procedures"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kIdNotWhole = u"The field 'ID' must hold a whole number above 0."_s;

// A panel of 800 x 600 pixels less 120 x 1280 twips; the list fills it.
const TableWindow::Geometry kGeometry{{800, 600}, {120, 1280}, {-90, -240}, 0, 0};

// The texts of several lines show on one line in the list; the row keeps its line breaks for the
// dialog.
class OneLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        // The base turns line breaks into line separators, which would show the first line only.
        QString text = QStyledItemDelegate::displayText(value, locale);
        for (QChar &c : text) {
            if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator)
                c = u' ';
        }
        return text;
    }
};

} // namespace

ProceduresWindow::ProceduresWindow(TaskDesk &desk, QWidget *parent)
    : TableWindow(desk, u"fUtilProcedures"_s, Caption, kGeometry, parent)
{
    auto *procedures =
        new TableList(u"Procedures"_s, {u"ID"_s, u"Description"_s, u"SpInvHead"_s, u"SpInv"_s, u"InvestType"_s, u"Code"_s},
                      {Code, Description, SpInvHead, SpInv, InvestType, Id}, Id, this);
    procedures->setItemDelegate(new OneLineDelegate(procedures));
    setList(procedures);
    // The window is the TargetWindow of its list replies and of the pop-up menu from its load on.
    becomeTarget();

    connect(procedures, &TableList::pressed, this, [this](Qt::MouseButton button, const QPoint &globalPos) {
        if (button != Qt::RightButton)
            return;
        becomeTarget();
        showContextMenu(globalPos);
    });
    connect(procedures, &TableList::itemClicked, this, [this, procedures](QTreeWidgetItem *row) {
        setEditing(true);
        choose(procedures->rowFields(row));
        openEditor();
    });
}

void ProceduresWindow::load()
{
    becomeTarget();
    m_context.link.StartCommand(Command::PROCLIST2);
}

ProcedureDialog *ProceduresWindow::procedureDialog() const
{
    return qobject_cast<ProcedureDialog *>(dialog());
}

void ProceduresWindow::setColumnWidths(int listWidth)
{
    TableList &procedures = list();
    for (const int column : {int(Code), int(SpInvHead), int(SpInv)})
        procedures.setColumnWidth(column, twips(1000));
    const int text = std::max(0, (listWidth - twips(3000) - twips(360)) / 2);
    procedures.setColumnWidth(Description, text);
    procedures.setColumnWidth(InvestType, text);
}

void ProceduresWindow::editEntry()
{
    setEditing(true);
    openEditor();
}

void ProceduresWindow::newEntry()
{
    setEditing(false);
    openEditor();
}

void ProceduresWindow::openEditor()
{
    if (isEditing() && !chosenRow()) {
        setEditing(false);
        return;
    }
    auto *editor = new ProcedureDialog(this);
    connect(editor, &ProcedureDialog::saveRequested, this, &ProceduresWindow::save);
    connect(&m_context.link, &CommandLink::busyEnded, editor, [editor] { editor->setSaving(false); });
    // Whichever way it opened, a new entry is the default once it has closed.
    connect(editor, &QDialog::finished, this, [this] { setEditing(false); });
    if (isEditing()) {
        const QStringList &row = *chosenRow();
        editor->showEntry({row.value(Id), row.value(Code), row.value(Description), row.value(SpInvHead),
                           row.value(SpInv), row.value(InvestType)});
    }
    openDialog(editor);
}

void ProceduresWindow::save()
{
    ProcedureDialog *editor = procedureDialog();
    if (!editor)
        return;
    ProcedureEntry entry = editor->entry();
    // SpInvHead and SpInv go out as numbers or NULL, never as typed: they cannot break a request.
    const QString problem = tableTextProblem({{u"Code"_s, entry.code},
                                              {u"Description"_s, entry.description, true},
                                              {u"InvestType"_s, entry.investType, true}});
    if (!problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    if (isEditing()) {
        // The id says which procedure the update changes: it must be one.
        const std::optional<QString> id = wholeId(entry.id);
        if (!id) {
            m_context.prompter.warning(kTitle, kIdNotWhole);
            return;
        }
        entry.id = *id;
    }
    m_saving = entry;
    becomeTarget();
    editor->setSaving(true);
    m_context.link.StartCommand(isEditing() ? Command::ICD9UPDATE : Command::ICD9INSERT);
}

void ProceduresWindow::addProcedureRecords(const RecordBatch &records)
{
    list().addRecords(records);
}

void ProceduresWindow::procedureListComplete()
{
    list().finish();
    showTable();
}

void ProceduresWindow::procedureSaved()
{
    closeDialog();
    clearRows();
}

void ProceduresWindow::procedureNotSaved()
{
    if (ProcedureDialog *editor = procedureDialog())
        editor->setSaving(false);
}
