#include "editvisitdetailsdialog.h"

#include "examrequests.h"
#include "examstate.h"
#include "optiongroup.h"
#include "procedurelist.h"
#include "proclistdialog.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "patients/patientlist.h"
#include "patients/patientsearch.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString EditVisitDetailsDialog::Caption = u"Edit Examination (Visit)"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;
constexpr int kMri = 4;

QLineEdit *lockedField(const QString &name, QWidget *parent)
{
    auto *field = Ui::named<QLineEdit>(name, parent);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    QPalette grey = field->palette();
    grey.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xE0));
    field->setPalette(grey);
    return field;
}

int number(const QString &text, int otherwise)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : otherwise;
}

} // namespace

EditVisitDetailsDialog::EditVisitDetailsDialog(const TaskContext &context, const QString &folderNo, const QString &name,
                                               const QString &xrayNo, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_context(context)
{
    setObjectName(u"fEditVisitDetails"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());
    setModal(true);

    auto *heading = Ui::named<QLabel>(u"lblHeading"_s, u"Update Examination/Visit"_s, this);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    heading->setFont(font);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    m_studyNr = Ui::named<QLineEdit>(u"StudyNr"_s, this);
    m_studyNrOld = lockedField(u"StudyNrOld"_s, this);
    auto *xrayRow = new QHBoxLayout;
    xrayRow->addWidget(m_studyNr, 1);
    xrayRow->addWidget(m_studyNrOld, 1);
    grid->addWidget(new QLabel(u"XRay No:"_s, this), 0, 0);
    grid->addLayout(xrayRow, 0, 1);

    m_folderNo = Ui::named<QLineEdit>(u"PATID1"_s, this);
    auto *find = Ui::button(u"Find"_s, u"cmdFind"_s, this);
    auto *clear = Ui::button(u"Clear"_s, u"cmdClear"_s, this);
    find->setAutoDefault(false);
    clear->setAutoDefault(false);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folderNo, 1);
    folderRow->addWidget(find);
    folderRow->addWidget(clear);
    grid->addWidget(new QLabel(u"Folder No:"_s, this), 1, 0);
    grid->addLayout(folderRow, 1, 1);

    m_name = Ui::named<QLineEdit>(u"PATNachname"_s, this);
    m_initials = lockedField(u"PAT2Vorname"_s, this);
    m_initials->hide();
    m_patientId = lockedField(u"PATID"_s, this);
    m_patientId->setMaximumWidth(90);
    auto *patientRow = new QHBoxLayout;
    patientRow->addWidget(m_name, 1);
    patientRow->addWidget(m_patientId);
    grid->addWidget(new QLabel(u"Patient:"_s, this), 2, 0);
    grid->addLayout(patientRow, 2, 1);

    m_referrer = Ui::named<QComboBox>(u"FKeyUeberweiserID"_s, this);
    grid->addWidget(new QLabel(u"Referred from:"_s, this), 3, 0);
    grid->addWidget(m_referrer, 3, 1);

    m_date = Ui::named<QLineEdit>(u"StudyDate"_s, this);
    m_time = Ui::named<QLineEdit>(u"StudyTime"_s, this);
    m_date->setMaximumWidth(120);
    m_time->setMaximumWidth(80);
    auto *whenRow = new QHBoxLayout;
    whenRow->addWidget(m_date);
    whenRow->addSpacing(20);
    whenRow->addWidget(new QLabel(u"Visit Time:"_s, this));
    whenRow->addWidget(m_time);
    whenRow->addStretch(1);
    grid->addWidget(new QLabel(u"Visit Date:"_s, this), 4, 0);
    grid->addLayout(whenRow, 4, 1);

    using Style = OptionGroup::Style;
    m_officeHours = new OptionGroup(u"optOH"_s, {u"Yes"_s, u"No"_s}, Style::Options, this);
    m_hospital = new OptionGroup(u"optHP"_s, {u"Hospital"_s, u"Private"_s}, Style::Options, this);
    m_inOut = new OptionGroup(u"optIO"_s, {u"InPatient"_s, u"OutPatient"_s, u"Staff"_s}, Style::Options, this);
    m_department = new OptionGroup(u"optDep"_s, departmentNames(m_context.session.DepartmentNames),
                                   Style::Options, this);
    m_officeHours->setIndex(0);
    m_hospital->setIndex(0);
    m_inOut->setIndex(0);
    m_department->setIndex(kMri); // until the data arrive
    grid->addWidget(new QLabel(u"Office Hours:"_s, this), 5, 0);
    grid->addWidget(m_officeHours, 5, 1);
    grid->addWidget(new QLabel(u"Hospital/Private:"_s, this), 6, 0);
    grid->addWidget(m_hospital, 6, 1);
    grid->addWidget(new QLabel(u"In /Out Patient"_s, this), 7, 0);
    grid->addWidget(m_inOut, 7, 1);
    grid->addWidget(new QLabel(u"Department:"_s, this), 8, 0);
    grid->addWidget(m_department, 8, 1);

    m_procedures = new ProcedureList(ProcedureList::Kind::StoredExamination, this);
    m_patients = new PatientList(PatientList::ColumnWidths::Designed, this);
    m_procedures->setMinimumHeight(170);
    m_patients->setMinimumHeight(170);
    m_procedures->hide();
    m_patients->hide();
    grid->addWidget(m_procedures, 9, 0, 1, 2);
    grid->addWidget(m_patients, 10, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    m_save = Ui::button(u"Save"_s, u"cmdSave"_s, this);
    auto *cancel = Ui::button(u"Cancel"_s, u"cmdCancel"_s, this);
    m_delete = Ui::button(u"Delete"_s, u"cmdDelete"_s, this);
    m_save->setEnabled(false);
    m_delete->setEnabled(false);
    auto *buttons = Ui::buttonBox(this, {{m_save, QDialogButtonBox::AcceptRole},
                                         {cancel, QDialogButtonBox::RejectRole},
                                         {m_delete, QDialogButtonBox::DestructiveRole}});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(heading);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    setMinimumWidth(760);

    m_search = std::make_unique<PatientSearch>(*this, *m_patients, PatientSearch::Rule::FolderNo, u"Folder No"_s,
                                               u"Patient"_s, m_context);

    connect(find, &QPushButton::clicked, this, &EditVisitDetailsDialog::onFindPatient);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_folderNo->clear();
        m_name->clear();
    });
    connect(m_name, &QLineEdit::textChanged, this, [this] {
        m_patients->hide();
        m_procedures->show();
    });
    connect(m_patients, &QTreeWidget::itemClicked, this, &EditVisitDetailsDialog::onChoosePatient);
    connect(m_procedures, &QTreeWidget::itemClicked, this, &EditVisitDetailsDialog::onProcedureClicked);
    connect(m_procedures, &QTreeWidget::itemDoubleClicked, this, [this] { m_context.session.OwnerWindow = this; });
    connect(m_save, &QPushButton::clicked, this, &EditVisitDetailsDialog::onSave);
    connect(m_delete, &QPushButton::clicked, this, &EditVisitDetailsDialog::onDelete);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_context.link, &CommandLink::busyEnded, this, [this] { unsetCursor(); });

    m_folderNo->setText(folderNo);
    m_name->setText(name);
    m_studyNr->setText(xrayNo);
    m_studyNrOld->setText(xrayNo);

    // Loading: the chain fills the dialog and ends with an empty procedure row.
    m_patients->hide();
    m_context.session.TargetWindow = this;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::STDDATA);
}

EditVisitDetailsDialog::~EditVisitDetailsDialog() = default;

void EditVisitDetailsDialog::showStudyData(const QStringList &f)
{
    m_patientId->setText(f.value(1));
    m_referrerId = f.value(2);
    m_referrer->setPlaceholderText(m_referrerId);
    if (const QDate date = parseVisitDate(f.value(3)); date.isValid())
        m_date->setText(visitDateText(date));
    if (const QTime time = parseVisitTime(f.value(4)); time.isValid())
        m_time->setText(visitTimeText(time));
    m_inOut->setIndex(number(f.value(5), m_inOut->index()));
    m_officeHours->setIndex(number(f.value(6), m_officeHours->index()));
    m_hospital->setIndex(number(f.value(7), m_hospital->index()));
    m_department->setIndex(number(f.value(8), m_department->index()));
}

void EditVisitDetailsDialog::studyNotFound()
{
    m_notFound = true;
}

QString EditVisitDetailsDialog::patientId() const
{
    return m_patientId->text();
}

QString EditVisitDetailsDialog::procedureXRayNumber() const
{
    return m_studyNr->text();
}

void EditVisitDetailsDialog::addReferrers(const RecordBatch &records)
{
    for (const Record &r : records) {
        bool ok = false;
        const int id = r.value(0).toInt(&ok);
        m_referrer->addItem(r.value(1), ok ? QVariant(id) : QVariant());
    }
    // Entries arriving select nothing by themselves.
    m_referrer->setCurrentIndex(-1);
}

void EditVisitDetailsDialog::referrerListComplete()
{
    // SetFkeyUeberweiserID: the first entry whose id is the stored one; none leaves the selection.
    bool ok = false;
    const int wanted = m_referrerId.trimmed().toInt(&ok);
    if (!ok)
        return;
    for (int i = 0; i < m_referrer->count(); ++i) {
        if (m_referrer->itemData(i).toInt() == wanted) {
            m_referrer->setCurrentIndex(i);
            return;
        }
    }
}

void EditVisitDetailsDialog::addProcedureRecords(const RecordBatch &records)
{
    // ProcDataInsert: row id, procedure id, X-ray number, folder number, description, code.
    for (const Record &r : records)
        m_procedures->appendRow({r.value(2), r.value(3), r.value(4), r.value(5), r.value(1), r.value(0)});
}

void EditVisitDetailsDialog::examinationLoaded()
{
    // AddEmptyProc.
    m_procedures->appendRow({m_studyNr->text(), m_folderNo->text(), {}, {}, {}, {}});
    m_patients->hide();
    m_procedures->show();
    m_loaded = !m_notFound;
    m_save->setEnabled(m_loaded);
    m_delete->setEnabled(m_loaded);
}

void EditVisitDetailsDialog::onFindPatient()
{
    if (m_folderNo->text().size() > 2) {
        m_procedures->hide();
        m_patients->show();
        emit m_context.link.statusText(1, u"Try to connect to ZelServer on "_s + m_context.session.ServerHost);
    }
    m_search->start(m_folderNo->text(), m_name->text());
}

void EditVisitDetailsDialog::onChoosePatient(QTreeWidgetItem *row)
{
    const QStringList f = PatientList::fields(row);
    if (f.isEmpty())
        return;
    m_patientId->setText(f.value(PatientList::PatId));
    m_folderNo->setText(f.value(PatientList::FolderNo));
    m_name->setText(f.value(PatientList::Surname));
    m_initials->setText(f.value(PatientList::Initials));
    m_context.session.SelectedPatient = {f.value(PatientList::PatId), f.value(PatientList::Surname),
                                         f.value(PatientList::FirstName), f.value(PatientList::FolderNo),
                                         m_studyNr->text()};
    m_patients->hide();
    m_procedures->show();
}

void EditVisitDetailsDialog::onProcedureClicked(QTreeWidgetItem *row)
{
    m_procedures->setCurrentRowIndex(m_procedures->indexOfTopLevelItem(row));
    m_context.session.OwnerWindow = this;
    ProcListDialog picker(m_context, this);
    picker.exec();
}

ExamUpdate EditVisitDetailsDialog::currentValues() const
{
    ExamUpdate u;
    u.StudyNrOld = m_studyNrOld->text();
    u.StudyNr = m_studyNr->text();
    u.PatientId = m_patientId->text();
    u.FolderNo = m_folderNo->text();
    if (m_referrer->currentIndex() >= 0) {
        bool ok = false;
        const int id = m_referrer->currentData().toInt(&ok);
        if (ok)
            u.ReferrerId = id;
    }
    u.classes = {m_officeHours->index(), m_hospital->index(), m_inOut->index(), m_department->index()};
    u.date = parseVisitDate(m_date->text());
    u.time = parseVisitTime(m_time->text());
    u.rows = m_procedures->rows();
    return u;
}

void EditVisitDetailsDialog::onSave()
{
    if (!m_loaded)
        return;
    const ExamUpdate update = currentValues();
    if (const QString problem = examUpdateProblem(update); !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    m_saving = update;
    m_context.session.TargetWindow = this;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::STDUPDATE);
}

void EditVisitDetailsDialog::onDelete()
{
    if (!m_loaded)
        return;
    // The examination that was opened, whatever number is typed now.
    bool ok = false;
    const int number = m_studyNrOld->text().toInt(&ok);
    if (!ok || number <= 0)
        return;
    m_context.session.state<ExamState>().DeleteXRayNo = number;
    m_context.session.TargetWindow = this;
    m_context.link.StartCommand(Command::DELSTUDY);
    Ui::setBusy(*this);
}

void EditVisitDetailsDialog::updateDone()
{
    m_updated = true;
    accept();
}

void EditVisitDetailsDialog::deletionDone()
{
    reject();
}

void EditVisitDetailsDialog::addPatientRecords(const RecordBatch &records)
{
    m_patients->addRecords(records);
}

void EditVisitDetailsDialog::patientListComplete()
{
    m_patients->finish();
}

QString EditVisitDetailsDialog::pickXRayNumber() const
{
    return m_studyNr->text();
}

QString EditVisitDetailsDialog::pickFolderNumber() const
{
    return m_folderNo->text();
}

void EditVisitDetailsDialog::procedurePicked(const ProcedureRow &pick)
{
    m_procedures->applyPick(pick);
}
