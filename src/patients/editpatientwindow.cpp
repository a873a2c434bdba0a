#include "editpatientwindow.h"

#include "patientform.h"
#include "patientlist.h"
#include "patientsearch.h"
#include "rasseini.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString EditPatientWindow::Caption = u"Update Patient"_s;

namespace {
const QString kTitle = u"ZEL-Client"_s;
constexpr int kDetailsWidth = 340;
} // namespace

EditPatientWindow::EditPatientWindow(const TaskContext &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
{
    setObjectName(u"fEditPatient"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xE4, 0xE4, 0xE4));
    setPalette(grey);

    // Left: the search and the list.
    m_folderNoSearch = new QLineEdit(this);
    m_folderNoSearch->setObjectName(u"PATID1Search"_s);
    m_surnameSearch = new QLineEdit(this);
    m_surnameSearch->setObjectName(u"PATNachnameSearch"_s);
    auto *find = Ui::button(u"Find"_s, u"cmdSearch"_s, this);
    find->setDefault(true);

    auto *searchRow = new QGridLayout;
    searchRow->setHorizontalSpacing(8);
    searchRow->addWidget(new QLabel(u"Find Folder No.:"_s, this), 0, 0);
    searchRow->addWidget(m_folderNoSearch, 0, 1);
    searchRow->addWidget(new QLabel(u"Find Surname:"_s, this), 0, 2);
    searchRow->addWidget(m_surnameSearch, 0, 3);
    searchRow->addWidget(find, 0, 4);
    searchRow->setColumnStretch(1, 1);
    searchRow->setColumnStretch(3, 1);

    m_list = new PatientList(PatientList::ColumnWidths::Proportional, this);

    auto *left = new QVBoxLayout;
    left->addLayout(searchRow);
    left->addWidget(m_list, 1);

    // Right: the chosen patient's details, closed until a patient is chosen.
    m_details = new QGroupBox(u"Patient Details:"_s, this);
    m_details->setObjectName(u"fraDetails"_s);
    m_details->setFixedWidth(kDetailsWidth);
    m_details->setEnabled(false);
    m_form = new PatientForm(PatientForm::BirthDateBox::Plain, RasseIni::read(m_context.appFolder), m_details);
    m_patientId = new QLineEdit(m_details);
    m_patientId->setObjectName(u"PATID"_s);
    m_patientId->hide();
    auto *save = Ui::button(u"Save"_s, u"cmdSave"_s, m_details);
    auto *cancel = Ui::button(u"Cancel"_s, u"cmdCancel"_s, m_details);
    auto *buttons =
        Ui::buttonBox(m_details, {{save, QDialogButtonBox::AcceptRole}, {cancel, QDialogButtonBox::RejectRole}});
    auto *detailsLayout = new QVBoxLayout(m_details);
    detailsLayout->setContentsMargins(12, 14, 12, 12);
    detailsLayout->setSpacing(12);
    detailsLayout->addWidget(m_form);
    detailsLayout->addWidget(buttons);
    detailsLayout->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(left, 1);
    layout->addWidget(m_details, 0, Qt::AlignTop);

    m_search = std::make_unique<PatientSearch>(*this, *m_list, PatientSearch::Rule::FolderNoOrSurname,
                                               u"Find Folder No"_s, u"Find Surname"_s, m_context);

    connect(find, &QPushButton::clicked, this, &EditPatientWindow::onFind);
    // "Find" is the default button: Return in either search field runs it.
    connect(m_folderNoSearch, &QLineEdit::returnPressed, this, &EditPatientWindow::onFind);
    connect(m_surnameSearch, &QLineEdit::returnPressed, this, &EditPatientWindow::onFind);
    connect(m_list, &PatientList::itemClicked, this, &EditPatientWindow::onChoose);
    connect(save, &QPushButton::clicked, this, &EditPatientWindow::onSave);
    connect(cancel, &QPushButton::clicked, this, &EditPatientWindow::closeTask);
    connect(&m_context.link, &CommandLink::busyEnded, this, &EditPatientWindow::onCommandEnded);
    connect(m_list, &PatientList::filled, this, [this] {
        if (std::exchange(m_busyUntilFilled, false))
            unsetCursor();
    });
}

EditPatientWindow::~EditPatientWindow() = default;

void EditPatientWindow::onFind()
{
    m_search->start(m_folderNoSearch->text(), m_surnameSearch->text());
}

void EditPatientWindow::onChoose(QTreeWidgetItem *row)
{
    const QStringList fields = PatientList::fields(row);
    if (fields.isEmpty())
        return;
    m_patientId->setText(fields.at(PatientList::PatId));
    m_form->showRecord(fields);
    m_details->setEnabled(true);
}

void EditPatientWindow::onSave()
{
    if (const QString problem = m_form->sendingProblem(); !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    m_saving = m_form->details();
    m_saving.PatientId = m_patientId->text();
    m_context.session.TargetWindow = this;
    m_context.link.StartCommand(Command::PATUPDATE);
    Ui::setBusy(*this);
}

void EditPatientWindow::onCommandEnded()
{
    // A long list is still being added when the reply has ended: the pointer stays busy until the
    // last row is in.
    if (m_list->isFilling())
        m_busyUntilFilled = true;
    else
        unsetCursor();
}

void EditPatientWindow::clearPatientRows()
{
    m_list->clearRows();
}

void EditPatientWindow::addPatientRecords(const RecordBatch &records)
{
    m_list->addRecords(records);
}

void EditPatientWindow::patientListComplete()
{
    m_list->finish();
}

void EditPatientWindow::closeTask()
{
    Ui::closeTaskWindow(*this);
}
