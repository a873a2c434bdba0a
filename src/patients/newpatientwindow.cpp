#include "newpatientwindow.h"

#include "patientform.h"
#include "rasseini.h"

#include "app/closetaskwindow.h"
#include "app/logbook.h"
#include "app/prompter.h"
#include "app/session.h"
#include "link/commandlink.h"

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

const QString NewPatientWindow::Caption = u"New Patient"_s;

namespace {
const QString kTitle = u"ZEL-Client"_s;
const QString kCancelQuestion = u"Do you want to cancel 'Register New Patient'?"_s;
} // namespace

NewPatientWindow::NewPatientWindow(Session &session, CommandLink &link, Prompter &prompter, LogBook &log,
                                   const QString &appFolder, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_link(link)
    , m_prompter(prompter)
    , m_log(log)
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

    m_form = new PatientForm(PatientForm::BirthDateBox::Masked, RasseIni::read(appFolder), this);
    m_form->setMinimumWidth(360);

    m_save = new QPushButton(u"Save"_s, this);
    m_save->setObjectName(u"cmdSave"_s);
    m_save->setEnabled(false); // until the fields satisfy the rule
    auto *cancel = new QPushButton(u"Cancel"_s, this);
    cancel->setObjectName(u"cmdCancel"_s);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_save, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);

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
    connect(&m_link, &CommandLink::busyEnded, this, [this] { unsetCursor(); });
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
        m_prompter.warning(kTitle, problem);
        return;
    }
    // The chain works on these values: the folder number that is checked is the one inserted,
    // whatever is typed meanwhile.
    m_saving = m_form->details();
    m_session.TargetWindow = this;
    setCursor(Qt::WaitCursor);
    try {
        m_link.StartCommand(u"NEWPATID"_s);
    } catch (const std::exception &failure) {
        m_log.LogError(5, QString::fromLocal8Bit(failure.what()), u"New Patient Save"_s);
        unsetCursor();
    }
}

void NewPatientWindow::onCancel()
{
    if (m_prompter.ask(Prompter::Icon::Question, windowTitle(), kCancelQuestion, Prompter::Buttons::YesNoDefaultNo)
        == Prompter::Answer::Yes)
        closeTask();
}

void NewPatientWindow::closeTask()
{
    closeTaskWindow(*this);
}
