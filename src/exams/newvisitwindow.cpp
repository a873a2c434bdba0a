#include "newvisitwindow.h"

#include "confirmdialog.h"
#include "examcommands.h"
#include "examrequests.h"
#include "examstate.h"
#include "optiongroup.h"
#include "procedurelist.h"
#include "proclistdialog.h"
#include "visitlist.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "link/replyhelpers.h"
#include "patients/patientlist.h"
#include "patients/patientrules.h"
#include "patients/patientsearch.h"
#include "ui/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString NewVisitWindow::Caption = NewVisitCaption;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kInsertXRayNo = u"Please insert 'XRay No'!"_s;
const QString kInvalidFolderNo = u"Please insert a valid 'Folder No'"_s;

const QColor kChosen(128, 255, 128);
const QColor kNotChosen(255, 192, 192);
const QColor kBookRed(255, 0, 0);
const QColor kBookGreen(0, 192, 0);

void paint(QAbstractButton *button, const QColor &colour)
{
    button->setStyleSheet(u"background-color: %1;"_s.arg(colour.name()));
}

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

// Focus changes the user makes, as opposed to the window losing or regaining the active state (a
// message box, a pop-up) or being closed.
bool userMove(const QFocusEvent *event)
{
    switch (event->reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
        return false;
    default:
        return true;
    }
}

} // namespace

NewVisitWindow::NewVisitWindow(const TaskContext &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
{
    setObjectName(u"fNewVisit"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());

    auto *heading = Ui::named<QLabel>(u"lblHeading"_s, u"Enter New Examination/Visit"_s, this);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    heading->setFont(font);

    auto *panel = Ui::named<QFrame>(u"fraPanel"_s, this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);

    m_studyNr = Ui::named<QLineEdit>(u"StudyNr"_s, panel);
    m_new = Ui::button(u"New"_s, u"cmdNew"_s, panel);
    m_findXRay = Ui::button(u"Find"_s, u"cmdFind2"_s, panel);
    m_studyId = lockedField(u"StudyID"_s, panel);
    m_studyId->hide();
    auto *xrayRow = new QHBoxLayout;
    xrayRow->addWidget(m_studyNr, 1);
    xrayRow->addWidget(m_new);
    xrayRow->addWidget(m_findXRay);
    grid->addWidget(new QLabel(u"XRay No:"_s, panel), 0, 0);
    grid->addLayout(xrayRow, 0, 1);

    m_folderNo = Ui::named<QLineEdit>(u"PATID1"_s, panel);
    m_findPatient = Ui::button(u"Find"_s, u"cmdFind"_s, panel);
    auto *previous = Ui::button(u"Prev. XRay No."_s, u"cmdExistXray"_s, panel);
    m_oldStudyNr = Ui::named<QLineEdit>(u"txtOldStudynr"_s, panel);
    m_oldStudyNr->setMaximumWidth(110);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folderNo, 1);
    folderRow->addWidget(m_findPatient);
    folderRow->addSpacing(16);
    folderRow->addWidget(previous);
    folderRow->addWidget(m_oldStudyNr);
    grid->addWidget(new QLabel(u"Folder No:"_s, panel), 1, 0);
    grid->addLayout(folderRow, 1, 1);

    m_surname = lockedField(u"PATNachname"_s, panel);
    m_initials = lockedField(u"PAT2Vorname"_s, panel);
    m_initials->setMaximumWidth(70);
    m_patientId = lockedField(u"PATID"_s, panel);
    m_patientId->hide();
    auto *patientRow = new QHBoxLayout;
    patientRow->addWidget(m_surname, 1);
    patientRow->addWidget(m_initials);
    grid->addWidget(new QLabel(u"Patient:"_s, panel), 2, 0);
    grid->addLayout(patientRow, 2, 1);

    m_referrer = Ui::named<QComboBox>(u"FKeyUeberweiserID"_s, panel);
    m_referrer->installEventFilter(this);
    grid->addWidget(new QLabel(u"Referred from:"_s, panel), 3, 0);
    grid->addWidget(m_referrer, 3, 1);

    m_date = Ui::named<QLineEdit>(u"StudyDate"_s, panel);
    m_time = Ui::named<QLineEdit>(u"StudyTime"_s, panel);
    m_date->setMaximumWidth(120);
    m_time->setMaximumWidth(80);
    auto *whenRow = new QHBoxLayout;
    whenRow->addWidget(m_date);
    whenRow->addSpacing(20);
    whenRow->addWidget(new QLabel(u"Visit Time:"_s, panel));
    whenRow->addWidget(m_time);
    whenRow->addStretch(1);
    grid->addWidget(new QLabel(u"Visit Date:"_s, panel), 4, 0);
    grid->addLayout(whenRow, 4, 1);

    using Style = OptionGroup::Style;
    m_officeHours = new OptionGroup(u"optOH"_s, {u"Yes"_s, u"No"_s}, Style::Options, panel);
    m_hospital = new OptionGroup(u"optHP"_s, {u"Hospital"_s, u"Private"_s}, Style::Options, panel);
    m_inOut = new OptionGroup(u"optIO"_s, {u"InPatient"_s, u"OutPatient"_s, u"Staff"_s}, Style::Options, panel);
    m_department = new OptionGroup(u"optDep"_s, departmentNames(m_context.session.DepartmentNames),
                                   Style::PushButtons, panel);
    for (OptionGroup *g : {m_officeHours, m_hospital, m_inOut, m_department})
        g->setIndex(0);
    auto *classRow = new QHBoxLayout;
    classRow->addWidget(m_officeHours);
    classRow->addSpacing(40);
    classRow->addWidget(new QLabel(u"Hospital/Private:"_s, panel));
    classRow->addWidget(m_hospital);
    classRow->addStretch(1);
    grid->addWidget(new QLabel(u"Office Hours:"_s, panel), 5, 0);
    grid->addLayout(classRow, 5, 1);
    grid->addWidget(new QLabel(u"In /Out Patient"_s, panel), 6, 0);
    grid->addWidget(m_inOut, 6, 1);
    grid->addWidget(new QLabel(u"Department:"_s, panel), 7, 0);
    grid->addWidget(m_department, 7, 1);

    m_appointment = Ui::button(u"Appointmentsystem"_s, u"optApp"_s, panel);
    m_appointment->setAutoDefault(false);
    m_appointment->installEventFilter(this);
    setAppointmentOption(false);
    grid->addWidget(m_appointment, 8, 1, Qt::AlignLeft);

    m_studyDesc = Ui::named<QLineEdit>(u"StudyDesc"_s, panel);
    m_studyDesc->setEnabled(false);
    m_studyDesc->hide();
    m_surnameSearch = Ui::named<QLineEdit>(u"PATNachnameSearch"_s, panel);
    m_surnameSearch->hide();

    // The three lists share one place; one of them is shown at a time.
    m_patients = new PatientList(PatientList::ColumnWidths::Designed, panel);
    m_visits = new VisitList(VisitList::Columns::NewVisit, departmentNames(m_context.session.DepartmentNames), panel);
    m_procedures = new ProcedureList(ProcedureList::Kind::NewExamination, panel);
    auto *lists = new QVBoxLayout;
    lists->setContentsMargins(0, 0, 0, 0);
    for (QWidget *list : {static_cast<QWidget *>(m_patients), static_cast<QWidget *>(m_visits),
                          static_cast<QWidget *>(m_procedures)}) {
        list->setMinimumHeight(200);
        lists->addWidget(list);
    }
    grid->addLayout(lists, 9, 0, 1, 2);

    m_save = Ui::button(u"Save"_s, u"cmdSave"_s, panel);
    m_cancel = Ui::button(u"Cancel"_s, u"cmdCancel"_s, panel);
    grid->addWidget(Ui::buttonBox(panel, {{m_save, QDialogButtonBox::AcceptRole}, {m_cancel, QDialogButtonBox::RejectRole}}),
                    10, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    panel->setLayout(grid);
    panel->setMinimumWidth(760);
    panel->setMaximumWidth(980);

    // The panel stays centred in the window.
    auto *centre = new QGridLayout(this);
    centre->setContentsMargins(18, 14, 18, 14);
    centre->addWidget(heading, 0, 1);
    centre->addWidget(panel, 1, 1);
    centre->setColumnStretch(0, 1);
    centre->setColumnStretch(2, 1);
    centre->setRowStretch(2, 1);

    // Loading.
    m_date->setText(visitDateText(QDate::currentDate()));
    m_time->setText(visitTimeText(QTime::currentTime()));
    m_findPatient->setEnabled(false);
    m_findPatient->setDefault(true);
    m_appointment->setVisible(m_context.session.settings.UseAppSystem
                              && bool(m_context.session.state<ExamState>().OpenAppointmentSystem));
    showList(Shown::Patients);
    setTabOrder(m_studyNr, m_folderNo);
    setTabOrder(m_folderNo, m_referrer);
    setTabOrder(m_referrer, m_date);
    setTabOrder(m_date, m_time);
    m_folderNo->installEventFilter(this);

    m_search = std::make_unique<PatientSearch>(*this, *m_patients, PatientSearch::Rule::FolderNo, u"Folder No"_s,
                                               u"Find Surname"_s, m_context);

    connect(m_new, &QPushButton::clicked, this, &NewVisitWindow::onNew);
    connect(m_findXRay, &QPushButton::clicked, this, &NewVisitWindow::onFindXRayNo);
    connect(m_findPatient, &QPushButton::clicked, this, &NewVisitWindow::onFindPatient);
    connect(m_folderNo, &QLineEdit::returnPressed, this, [this] {
        if (m_findPatient->isEnabled())
            onFindPatient();
    });
    connect(previous, &QPushButton::clicked, this, [this] {
        m_context.session.TargetWindow = this;
        m_context.link.StartCommand(Command::EXISTXRAY);
    });
    connect(m_studyId, &QLineEdit::textChanged, this, &NewVisitWindow::onStudyIdChanged);
    connect(m_studyNr, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_findPatient->setEnabled(true);
        if (m_patientChosen)
            m_context.session.SelectedPatient.StudyNr = text;
    });
    connect(m_surname, &QLineEdit::textChanged, this, &NewVisitWindow::onSurnameChanged);
    connect(m_patients, &QTreeWidget::itemClicked, this, &NewVisitWindow::onChoosePatient);
    connect(m_patients, &QTreeWidget::itemDoubleClicked, this, [this] { showList(Shown::Procedures); });
    connect(m_visits, &QTreeWidget::itemClicked, this, &NewVisitWindow::onChooseVisit);
    connect(m_visits, &QTreeWidget::itemDoubleClicked, this, [this] { showList(Shown::Procedures); });
    connect(m_procedures, &QTreeWidget::itemClicked, this, &NewVisitWindow::onProcedureClicked);
    connect(m_procedures, &QTreeWidget::itemDoubleClicked, this, [this] { m_context.session.OwnerWindow = this; });
    connect(m_department, &OptionGroup::clicked, this, &NewVisitWindow::onDepartmentClicked);
    connect(m_save, &QPushButton::clicked, this, &NewVisitWindow::onSave);
    connect(m_cancel, &QPushButton::clicked, this, &NewVisitWindow::cancel);
    connect(&m_context.link, &CommandLink::busyEnded, this, [this] { unsetCursor(); });

    // Supply check: warns when few free X-ray numbers are left.
    m_context.session.TargetWindow = this;
    m_context.link.StartCommand(Command::FREEXRAY);
}

NewVisitWindow::~NewVisitWindow() = default;

void NewVisitWindow::showList(Shown list)
{
    m_patients->setVisible(list == Shown::Patients);
    m_visits->setVisible(list == Shown::Visits);
    m_procedures->setVisible(list == Shown::Procedures);
}

void NewVisitWindow::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    QWidget::closeEvent(event);
}

bool NewVisitWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (m_closing || !isVisible())
        return QWidget::eventFilter(watched, event);
    if (watched == m_folderNo && event->type() == QEvent::FocusOut && userMove(static_cast<QFocusEvent *>(event))) {
        // Leaving for "Find" or "Cancel" looks nothing up.
        const QWidget *next = QApplication::focusWidget();
        if (next != m_findPatient && next != m_cancel)
            onFolderNoLeft();
    } else if (watched == m_referrer && event->type() == QEvent::FocusIn
               && userMove(static_cast<QFocusEvent *>(event))) {
        onReferrerEntered();
    } else if (watched == m_appointment && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            setAppointmentOption(true);
        else if (mouse->button() == Qt::RightButton)
            setAppointmentOption(false);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void NewVisitWindow::setAppointmentOption(bool book)
{
    m_context.session.state<ExamState>().BookAppointment = book;
    paint(m_appointment, book ? kBookGreen : kBookRed);
}

void NewVisitWindow::onNew()
{
    m_context.session.ActionCode = ActionCode::New;
    m_findPatient->setEnabled(true);
    m_findXRay->setEnabled(false);
    m_context.session.TargetWindow = this;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::NEWSTDID);
}

void NewVisitWindow::onFindXRayNo()
{
    Session &session = m_context.session;
    session.ActionCode = ActionCode::ExistingXRayNo;
    if (m_studyNr->text().isEmpty()) {
        m_context.prompter.error(kTitle, kInsertXRayNo);
        return;
    }
    if (const QString problem =
            typedTextProblem({{u"XRay No"_s, m_studyNr->text()}, {u"Folder No"_s, m_folderNo->text()}});
        !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    session.SearchXRayNo = StripLeadingZeros(SqlWildcards(m_studyNr->text()));
    session.SearchFolderNo = m_folderNo->text().isEmpty() ? u"%"_s : SqlWildcards(m_folderNo->text());
    m_visits->clearRows();
    session.TargetWindow = this;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::NEWSTDID);
    showList(Shown::Visits);
}

void NewVisitWindow::onFindPatient()
{
    if (m_folderNo->text().size() > 2) {
        showList(Shown::Patients);
        emit m_context.link.statusText(1, u"Try to connect to ZelServer on "_s + m_context.session.ServerHost);
    }
    m_search->start(m_folderNo->text(), m_surnameSearch->text());
}

void NewVisitWindow::onFolderNoLeft()
{
    const qsizetype length = m_folderNo->text().size();
    if (length != 8 && length != 10) {
        m_context.prompter.warning(kTitle, kInvalidFolderNo);
        return;
    }
    if (const QString problem = typedTextProblem({{u"Folder No"_s, m_folderNo->text()}}); !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    m_context.session.TargetWindow = this;
    m_context.link.StartCommand(Command::PATDATA);
}

void NewVisitWindow::onReferrerEntered()
{
    // The list is requested once the connection is up (its builder sends it).
    m_context.session.ActionCode = ActionCode::ReferrerEntered;
    m_context.session.TargetWindow = this;
    m_context.link.StartCommand(Command::REFPHYS);
}

void NewVisitWindow::onStudyIdChanged(const QString &text)
{
    if (text.size() > 6)
        return;
    m_studyId->setText(text.rightJustified(7, u'0')); // seven characters: its own change does nothing more
    m_procedures->appendRow({m_studyNr->text(), {}, {}, {}, {}, {}});
}

void NewVisitWindow::onSurnameChanged(const QString &text)
{
    m_procedures->clearRows();
    m_procedures->appendRow({m_studyNr->text(), text.isEmpty() ? QString() : m_folderNo->text(), {}, {}, {}, {}});
    if (text.isEmpty())
        m_procedures->hide();
    else
        showList(Shown::Procedures);
}

void NewVisitWindow::onChoosePatient(QTreeWidgetItem *row)
{
    const QStringList f = PatientList::fields(row);
    if (f.isEmpty())
        return;
    m_patientId->setText(f.value(PatientList::PatId));
    m_folderNo->setText(f.value(PatientList::FolderNo));
    m_surname->setText(f.value(PatientList::Surname));
    m_initials->setText(f.value(PatientList::Initials));
    m_context.session.SelectedPatient = {f.value(PatientList::PatId), f.value(PatientList::Surname),
                                         f.value(PatientList::FirstName), f.value(PatientList::FolderNo),
                                         m_studyNr->text()};
    m_patientChosen = true;
    m_studyDesc->setText(m_studyNr->text());
    m_context.session.TargetWindow = this;
    m_context.link.StartCommand(Command::EXISTXRAY);
}

void NewVisitWindow::onChooseVisit(QTreeWidgetItem *row)
{
    const QStringList f = m_visits->rowFields(row);
    if (f.isEmpty())
        return;
    PatientChoice &chosen = m_context.session.SelectedPatient;
    chosen.PatientId = f.value(VisitList::PatientId);
    chosen.Surname = f.value(VisitList::Surname);
    chosen.FirstName = f.value(VisitList::FirstName);
    m_studyDesc->setText(m_studyNr->text());

    m_folderNo->setText(f.value(VisitList::FolderNo));
    m_surname->setText(f.value(VisitList::Surname));
    m_patientId->setText(f.value(VisitList::PatientId));
    m_studyNr->clear();
    m_studyNr->setText(f.value(VisitList::XRayNo));
    chosen.StudyNr = m_studyNr->text();
    chosen.FolderNo = f.value(VisitList::FolderNo);
    m_patientChosen = true;
    m_studyDesc->setText(f.value(VisitList::XRayNo));
    m_initials->setText(f.value(VisitList::Surname).left(1) + f.value(VisitList::FirstName).left(1));
}

void NewVisitWindow::onProcedureClicked(QTreeWidgetItem *row)
{
    m_procedures->setCurrentRowIndex(m_procedures->indexOfTopLevelItem(row));
    m_context.session.OwnerWindow = this;
    ProcListDialog picker(m_context, this);
    picker.exec();
}

void NewVisitWindow::onDepartmentClicked(int index)
{
    for (int i = 0; i < m_department->count(); ++i)
        paint(m_department->button(i), i == index ? kChosen : kNotChosen);
}

NewExamination NewVisitWindow::currentValues() const
{
    NewExamination exam;
    exam.StudyId = m_studyId->text();
    exam.StudyNr = m_studyNr->text();
    // The description holds the X-ray number; a patient taken by folder number leaves it unset.
    exam.StudyDesc = m_studyDesc->text().isEmpty() ? m_studyNr->text() : m_studyDesc->text();
    exam.PatientId = m_patientId->text();
    if (m_referrer->currentIndex() >= 0) {
        bool ok = false;
        const int id = m_referrer->currentData().toInt(&ok);
        if (ok)
            exam.ReferrerId = id;
    }
    exam.classes = {m_officeHours->index(), m_hospital->index(), m_inOut->index(), m_department->index()};
    exam.date = parseVisitDate(m_date->text());
    exam.time = parseVisitTime(m_time->text());
    exam.rows = m_procedures->rows();
    return exam;
}

void NewVisitWindow::onSave()
{
    if (m_stored)
        return;
    const NewExamination exam = currentValues();
    if (const QString problem = newExaminationProblem(exam); !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    if (!ConfirmDialog::confirm(this))
        return;
    // The chain works on the confirmed values, whatever is changed meanwhile.
    m_saving = exam;
    m_context.session.TargetWindow = this;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::NEWUID);
}

void NewVisitWindow::addReferrers(const RecordBatch &records)
{
    for (const Record &r : records) {
        bool ok = false;
        const int id = r.value(0).toInt(&ok);
        m_referrer->addItem(r.value(1), ok ? QVariant(id) : QVariant());
    }
}

void NewVisitWindow::referrerListComplete()
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->show();
    show();
}

void NewVisitWindow::addVisitRecords(const RecordBatch &records)
{
    m_visits->addRecords(records);
}

void NewVisitWindow::visitListComplete()
{
    m_visits->finish();
}

void NewVisitWindow::setStudyId(std::int32_t id)
{
    m_studyId->setText(QString::number(id));
}

QString NewVisitWindow::folderNumber() const
{
    return m_folderNo->text();
}

void NewVisitWindow::showPatientData(const QStringList &fields)
{
    m_patientId->setText(fields.value(0));
    m_surname->setText(fields.value(1));
    m_initials->setText(fields.value(2));
}

void NewVisitWindow::patientNotFound()
{
    m_patientId->clear();
    m_surname->clear();
    m_initials->clear();
}

void NewVisitWindow::xrayNumberDrawn(std::int32_t number)
{
    m_reserved = number;
    m_studyNr->setText(QString::number(number));
}

void NewVisitWindow::setPreviousXRayNumber(std::int32_t number)
{
    m_oldStudyNr->setText(QString::number(number));
}

void NewVisitWindow::examinationStored()
{
    // The number is the stored examination's now; "Save" would store the examination twice.
    m_stored = true;
    m_reserved = 0;
    m_save->setEnabled(false);
}

void NewVisitWindow::saveChainEnded(SaveEnd end)
{
    if (end == SaveEnd::Close) {
        closeTask();
        return;
    }
    // Hidden, not closed: the appointment booking may still read its X-ray number.
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->hide();
    else
        hide();
}

void NewVisitWindow::addPatientRecords(const RecordBatch &records)
{
    m_patients->addRecords(records);
}

void NewVisitWindow::patientListComplete()
{
    m_patients->finish();
}

QString NewVisitWindow::pickXRayNumber() const
{
    return m_studyNr->text();
}

QString NewVisitWindow::pickFolderNumber() const
{
    return m_folderNo->text();
}

void NewVisitWindow::procedurePicked(const ProcedureRow &pick)
{
    m_procedures->applyPick(pick);
}

void NewVisitWindow::cancel()
{
    // Only the number this window reserved goes back: a number typed or taken over from a stored
    // examination belongs to that examination.
    if (m_reserved > 0) {
        m_context.session.WorkNumber = std::exchange(m_reserved, 0);
        m_context.link.StartCommand(Command::XRAYUPDATE2);
    }
    closeTask();
}

void NewVisitWindow::closeTask()
{
    m_closing = true;
    Ui::closeTaskWindow(*this);
}
