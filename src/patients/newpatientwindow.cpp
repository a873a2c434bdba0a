#include "newpatientwindow.h"

#include "patientform.h"
#include "rasseini.h"

#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

using namespace Qt::StringLiterals;

const QString NewPatientWindow::Caption = NewPatientCaption.toString();

namespace {
const QString kTitle = u"ZEL-Client"_s;
const QString kCancelQuestion = u"Do you want to cancel 'Register New Patient'?"_s;
} // namespace

NewPatientWindow::NewPatientWindow(const TaskContext &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
{
    setObjectName(u"fNewPatient"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());

    auto *heading = new QLabel(u"Register New Patient"_s, this);
    heading->setObjectName(u"lblHeading"_s);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    heading->setFont(font);

    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    m_form = new PatientForm(PatientForm::BirthDateBox::Masked, RasseIni::read(m_context.appFolder), this);
    m_form->setMinimumWidth(360);

    m_save = Ui::button(u"Save"_s, u"cmdSave"_s, this);
    m_save->setEnabled(false); // until the fields satisfy the rule
    auto *cancel = Ui::button(u"Cancel"_s, u"cmdCancel"_s, this);
    auto *buttons = Ui::buttonBox(this, {{m_save, QDialogButtonBox::AcceptRole}, {cancel, QDialogButtonBox::RejectRole}});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(heading);
    layout->addWidget(rule);
    layout->addWidget(m_form);
    layout->addStretch(1);
    layout->addWidget(buttons);

    connect(m_form, &PatientForm::ruleInputChanged, this, &NewPatientWindow::updateSave);
    connect(m_save, &QPushButton::clicked, this, &NewPatientWindow::onSave);
    connect(cancel, &QPushButton::clicked, this, &NewPatientWindow::onCancel);
    connect(&m_context.link, &CommandLink::busyEnded, this, [this] { unsetCursor(); });
}

void NewPatientWindow::updateSave()
{
    m_save->setEnabled(m_form->isComplete());
}

void NewPatientWindow::onSave()
{
    if (!m_form->isComplete())
        return;
    if (const QString problem = m_form->sendingProblem(); !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    // The chain works on these values: the folder number that is checked is the one inserted,
    // whatever is typed meanwhile.
    m_saving = m_form->details();
    m_context.session.TargetWindow = this;
    Ui::setBusy(*this);
    try {
        m_context.link.StartCommand(Command::NEWPATID);
    } catch (const std::exception &failure) {
        m_context.log.LogError(5, QString::fromLocal8Bit(failure.what()), u"New Patient Save"_s);
        unsetCursor();
    }
}

void NewPatientWindow::onCancel()
{
    if (m_context.prompter.ask(Prompter::Icon::Question, windowTitle(), kCancelQuestion, Prompter::Buttons::YesNoDefaultNo)
        == Prompter::Answer::Yes)
        closeTask();
}

void NewPatientWindow::closeTask()
{
    Ui::closeTaskWindow(*this);
}
