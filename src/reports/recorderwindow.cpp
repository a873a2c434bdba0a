#include "recorderwindow.h"

#include "mediaaudio.h"
#include "mediacommand.h"
#include "recorderini.h"
#include "recordertransfer.h"
#include "recorderworkfile.h"

#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <limits>

using namespace Qt::StringLiterals;

const QString RecorderWindow::Caption = RecorderCaption.toString();

namespace {

const QString kNothingToSend = u"There is no dictation to send: please record it first."_s;
const QString kPendingQuestion
    = u"The dictation of this examination has not reached the server yet.\r\n\r\nDo you want to send it now?"_s;
const QString kPendingStatus = u"Unsent dictation loaded"_s;
const QString kDiscardQuestion
    = u"The dictation has not been sent.\r\n\r\nDo you want to close the recorder and discard it?"_s;

// Captions of OptSteuer(0) to OptSteuer(6).
const char *const kCaptions[RecorderTransport::ButtonCount] = {"<<", "<", "||", "Play", ">", ">>", "Rec"};

// The Options menu: caption, shortcut and the button it selects.
struct MenuItem
{
    const char *caption;
    QKeyCombination keys;
    RecorderTransport::Button button;
};
const MenuItem kMenu[] = {
    {"Record", Qt::CTRL | Qt::Key_F5, RecorderTransport::Rec},
    {"Begin", Qt::CTRL | Qt::Key_F6, RecorderTransport::Begin},
    {"Back", Qt::CTRL | Qt::Key_F7, RecorderTransport::Back},
    {"Stop", Qt::CTRL | Qt::Key_F8, RecorderTransport::Pause}, // has no action
    {"Play", Qt::CTRL | Qt::Key_F9, RecorderTransport::Play},
    {"Forward", Qt::CTRL | Qt::Key_F11, RecorderTransport::Forward},
};

QString clockText(qint64 ms)
{
    const qint64 tenths = ms / 100;
    return u"%1:%2.%3"_s.arg(tenths / 600).arg((tenths / 10) % 60, 2, 10, QChar(u'0')).arg(tenths % 10);
}

bool shiftKeyHeld()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

} // namespace

RecorderWindow::RecorderWindow(const TaskContext &context, const VoiceReport &report, const QString &studyUid,
                               QObject *reportWindow, RecorderDevices devices, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_context(context)
    , m_studyUid(studyUid)
    , m_reportWindow(reportWindow)
    , m_devices(std::move(devices))
{
    if (!m_devices.media)
        m_devices.media = std::make_unique<AudioMediaControl>();
    if (!m_devices.footSwitch)
        m_devices.footSwitch = std::make_unique<SerialFootSwitch>();
    if (!m_devices.shiftHeld)
        m_devices.shiftHeld = shiftKeyHeld;
    m_transport = std::make_unique<RecorderTransport>(*m_devices.media, *m_devices.footSwitch, m_devices.shiftHeld);

    setObjectName(u"frmRecordWave"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());

    m_name = Ui::named<QLabel>(u"lblName"_s, report.patientName);
    QFont nameFont = m_name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.25);
    m_name->setFont(nameFont);
    m_folderNo = Ui::named<QLabel>(u"lblGebDatum"_s, report.folderNo);
    m_folderNo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_xrayNo = Ui::named<QLabel>(u"lblMod"_s, report.xrayNo);
    m_xrayNo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_studyDate = Ui::named<QLabel>(u"lblStudydate"_s);
    m_radiologist = Ui::named<QLineEdit>(u"ExamCode"_s, report.radiologist);
    m_radiologist->setEnabled(false);
    // Disabled, but as legible as the labels beside it.
    QPalette legible = m_radiologist->palette();
    legible.setColor(QPalette::Disabled, QPalette::Text, legible.color(QPalette::Active, QPalette::Text));
    m_radiologist->setPalette(legible);

    auto *header = new QGridLayout;
    header->setHorizontalSpacing(12);
    header->addWidget(m_name, 0, 0);
    header->addWidget(new QLabel(u"Folder No"_s), 0, 1, Qt::AlignRight);
    header->addWidget(m_folderNo, 0, 2);
    header->addWidget(m_studyDate, 1, 0);
    header->addWidget(new QLabel(u"XRay No"_s), 1, 1, Qt::AlignRight);
    header->addWidget(m_xrayNo, 1, 2);
    header->setColumnStretch(0, 1);
    header->setColumnMinimumWidth(2, 90);
    auto *radiologistRow = new QHBoxLayout;
    auto *radiologistLabel = new QLabel(u"Radiologist:"_s);
    radiologistLabel->setBuddy(m_radiologist);
    radiologistRow->addWidget(radiologistLabel);
    radiologistRow->addWidget(m_radiologist, 1);
    header->addLayout(radiologistRow, 2, 0, 1, 3);

    m_progress = Ui::named<QProgressBar>(u"VBUProgress1"_s);
    m_progress->setTextVisible(true);
    m_progress->setAlignment(Qt::AlignCenter);
    m_progress->setMinimumHeight(26);

    auto *transportRow = new QHBoxLayout;
    transportRow->setSpacing(4);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < RecorderTransport::ButtonCount; ++i) {
        auto *b = Ui::button(QString::fromLatin1(kCaptions[i]), u"OptSteuer(%1)"_s.arg(i), this);
        b->setCheckable(true);
        b->setMinimumSize(52, 34);
        b->setFocusPolicy(Qt::TabFocus);
        group->addButton(b, i);
        transportRow->addWidget(b);
        m_buttons[std::size_t(i)] = b;
    }
    m_buttons[RecorderTransport::Rec]->setStyleSheet(u"QPushButton { color: #b00000; font-weight: bold; }"_s);
    connect(group, &QButtonGroup::idClicked, this,
            [this](int id) { m_transport->select(RecorderTransport::Button(id)); });

    m_clear = Ui::button(u"Reset"_s, u"cmdClear"_s, this);
    m_send = Ui::button(u"Send"_s, u"cmdSend"_s, this);
    connect(m_clear, &QPushButton::clicked, this, [this] { m_transport->reset(); });
    connect(m_send, &QPushButton::clicked, this, &RecorderWindow::SaveDictation);
    auto *actions = new QHBoxLayout;
    actions->addWidget(m_clear);
    actions->addStretch(1);
    actions->addWidget(m_send);

    auto *footSwitch = new QGroupBox(u"Foot switch"_s, this);
    m_com1 = Ui::named<QRadioButton>(u"Option1"_s, u"Com 1"_s);
    m_com2 = Ui::named<QRadioButton>(u"Option2"_s, u"Com 2"_s);
    auto *on = Ui::button(u"Foot switch on"_s, u"Command8"_s, this);
    auto *off = Ui::button(u"Foot switch off"_s, u"Command10"_s, this);
    auto *switchRow = new QHBoxLayout(footSwitch);
    switchRow->addWidget(m_com1);
    switchRow->addWidget(m_com2);
    switchRow->addStretch(1);
    switchRow->addWidget(on);
    switchRow->addWidget(off);
    connect(m_com1, &QRadioButton::clicked, this, [this] { switchFootSwitchOn(1); });
    connect(m_com2, &QRadioButton::clicked, this, [this] { switchFootSwitchOn(2); });
    connect(on, &QPushButton::clicked, this, [this] { switchFootSwitchOn(chosenPort()); });
    connect(off, &QPushButton::clicked, this, &RecorderWindow::switchFootSwitchOff);

    m_status = Ui::named<QLabel>(u"lblStatus"_s);
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_status->setMinimumHeight(24);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 8, 14, 12);
    layout->setSpacing(10);
    layout->addLayout(header);
    layout->addWidget(m_progress);
    layout->addLayout(transportRow);
    layout->addLayout(actions);
    layout->addWidget(footSwitch);
    layout->addWidget(m_status);
    buildMenu();
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_transport.get(), &RecorderTransport::changed, this, &RecorderWindow::render);
    connect(&m_context.link, &CommandLink::busyEnded, this, [this] { unsetCursor(); });

    // Creation: a new empty recording, and Timer1 running.
    m_transport->reset();
    m_transport->switchTimerOn();
    // Load: "Com 1" is chosen and the foot switch starts switched off, recorder mode, the record flag.
    m_com1->setChecked(true);
    m_transport->setPlayerMode(false);
    m_transport->setRecordFlag(RecorderIni::readRecordFlag(m_context.appFolder));
    m_lastHeader = dictationHeader();
    render();

    // The recorder belongs to the report that opened it.
    if (reportWindow)
        connect(reportWindow, &QObject::destroyed, this, &QWidget::close);
}

RecorderWindow::~RecorderWindow()
{
    if (m_transport) {
        m_transport->disconnect(this);
        m_transport->closeDevices();
    }
    if (m_devices.footSwitch)
        m_devices.footSwitch->close();
}

void RecorderWindow::buildMenu()
{
    auto *bar = new QMenuBar(this);
    QMenu *options = bar->addMenu(u"&Options"_s);
    options->setObjectName(u"mnuOptions"_s);
    for (const MenuItem &item : kMenu) {
        QAction *action = options->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(u"mnu"_s + QString::fromLatin1(item.caption));
        action->setShortcut(QKeySequence(item.keys));
        action->setShortcutContext(Qt::WindowShortcut);
        if (item.button == RecorderTransport::Pause)
            continue; // "Stop" does nothing
        m_menuActions[std::size_t(item.button)] = action;
        const RecorderTransport::Button button = item.button;
        connect(action, &QAction::triggered, this, [this, button] { m_transport->select(button); });
    }
    m_menuSend = options->addAction(u"Send"_s);
    m_menuSend->setObjectName(u"mnuSend"_s);
    m_menuSend->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    m_menuSend->setShortcutContext(Qt::WindowShortcut);
    connect(m_menuSend, &QAction::triggered, this, [this] {
        if (m_transport->sendEnabled())
            SaveDictation();
    });
    QAction *end = options->addAction(u"Ende"_s);
    end->setObjectName(u"mnuEnde"_s);
    end->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F12));
    end->setShortcutContext(Qt::WindowShortcut);
    m_menuActions[RecorderTransport::End] = end;
    connect(end, &QAction::triggered, this, [this] { m_transport->select(RecorderTransport::End); });
    layout()->setMenuBar(bar);
}

void RecorderWindow::render()
{
    const RecorderTransport &t = *m_transport;
    for (int i = 0; i < RecorderTransport::ButtonCount; ++i) {
        const auto button = RecorderTransport::Button(i);
        m_buttons[std::size_t(i)]->setEnabled(t.isEnabled(button));
        m_buttons[std::size_t(i)]->setChecked(t.selected() == button);
        if (QAction *action = m_menuActions[std::size_t(i)])
            action->setEnabled(t.isEnabled(button));
    }
    m_send->setEnabled(t.sendEnabled());
    m_menuSend->setEnabled(t.sendEnabled());
    m_clear->setEnabled(t.resetEnabled());
    const qint64 length = std::max<qint64>(1, t.length());
    const qint64 position = std::clamp<qint64>(t.position(), 0, length);
    // The bar counts in milliseconds; an int holds some 24 days of dictation.
    m_progress->setRange(0, int(std::min<qint64>(length, std::numeric_limits<int>::max())));
    m_progress->setValue(int(std::min<qint64>(position, std::numeric_limits<int>::max())));
    m_progress->setFormat(clockText(t.position()) + u" / "_s + clockText(t.length() > 1 ? t.length() : 0));
}

DictationHeader RecorderWindow::dictationHeader() const
{
    // The report window's values as they are now; once it is gone, as they were last.
    if (const auto *report = dynamic_cast<const VoiceReportHost *>(m_reportWindow.data()))
        m_lastHeader = report->dictationHeader();
    return m_lastHeader;
}

void RecorderWindow::showRecorderStatus(const QString &text)
{
    m_status->setText(text);
    m_status->repaint();
}

void RecorderWindow::PlayReceived()
{
    QString why;
    if (!m_transport->playReceived(RecorderWorkFile(m_context.appFolder).path(), &why))
        showRecorderStatus(u"The dictation from the server cannot be played: "_s + why);
}

void RecorderWindow::dictationSent()
{
    m_sent = true;
    auto *report = dynamic_cast<VoiceReportHost *>(m_reportWindow.data());
    close();
    if (report)
        report->dictationSaved();
}

void RecorderWindow::start()
{
    RecorderWorkFile workFile(m_context.appFolder);
    if (workFile.prepare(m_studyUid) == RecorderWorkFile::Opening::PendingForThisStudy) {
        // An earlier upload of this examination's dictation failed or timed out: it is offered
        // again instead of being replaced by the server's copy.
        QString why;
        if (m_transport->loadRecording(workFile.path(), &why)) {
            showRecorderStatus(kPendingStatus);
            if (m_context.prompter.ask(Prompter::Icon::Question, Caption, kPendingQuestion, Prompter::Buttons::YesNo)
                == Prompter::Answer::Yes)
                SaveDictation();
            return;
        }
        showRecorderStatus(u"The unsent dictation cannot be opened: "_s + why);
        return;
    }
    if (m_studyUid.isEmpty())
        return; // no examination chosen yet: nothing to download
    startCommand(Command::WAVLOAD);
}

void RecorderWindow::startCommand(Command command)
{
    m_context.session.TargetWindow = this;
    Ui::setBusy(*this);
    try {
        m_context.link.StartCommand(command);
    } catch (const std::exception &failure) {
        m_context.log.LogError(5, QString::fromLocal8Bit(failure.what()), u"frmRecordWave"_s);
        unsetCursor();
    }
}

void RecorderWindow::SaveDictation()
{
    const DictationHeader header = dictationHeader();
    if (const QString problem = RecorderTransfer::sendingProblem(header, m_studyUid); !problem.isEmpty()) {
        m_context.prompter.warning(Caption, problem);
        return;
    }
    if (m_transport->selected() == RecorderTransport::Rec)
        m_transport->select(RecorderTransport::Pause);

    RecorderWorkFile workFile(m_context.appFolder);
    // The device that recorded is the one saved: a dictation spoken in player mode is on "sound".
    const QString device = m_transport->recordedDevice();
    MediaControl &media = *m_devices.media;
    m_context.log.LogStatus(u"Saving File to Disc"_s);
    if (media.command(u"status "_s + device + u" length"_s).number() == 0) {
        // Nothing on the device: an earlier save closed it, and its upload may have failed.
        if (workFile.pendingUid() != m_studyUid) {
            m_context.prompter.warning(Caption, kNothingToSend);
            return;
        }
    } else {
        const MediaControl::Reply saved
            = media.command(u"save "_s + device + u' ' + MediaCommand::quoted(workFile.path()));
        if (!saved.ok) {
            // Nothing goes out: an older Report.wav must not be sent in place of this dictation.
            m_context.prompter.error(Caption, u"The dictation could not be saved, so nothing was sent.\r\n\r\n"_s
                                                  + saved.error);
            return;
        }
        media.command(u"stop "_s + device);
        media.command(u"close "_s + device);
        m_transport->markSaved();
        QString why;
        if (!workFile.markPending(m_studyUid, &why))
            m_context.log.LogStatus(why);
    }
    m_context.log.LogStatus(u"File saved"_s);
    m_context.log.LogStatus(u"Call OpenConnection"_s);
    startCommand(Command::WAVSEND);
}

int RecorderWindow::chosenPort() const
{
    return m_com2->isChecked() ? 2 : 1;
}

void RecorderWindow::switchFootSwitchOn(int port)
{
    FootSwitch &footSwitch = *m_devices.footSwitch;
    footSwitch.close();
    const QString device = FootSwitchPorts::device(m_context.appFolder, port);
    QString why;
    if (!footSwitch.open(device, &why)) {
        const QString ports = FootSwitchPorts::available().join(u", "_s);
        m_context.prompter.warning(
            Caption, u"The foot switch cannot be used: Com %1 (%2) cannot be opened (%3).\r\n\r\n"_s.arg(port).arg(device, why)
                         + u"The recorder works with the mouse and the keyboard as before. "_s
                         + (ports.isEmpty() ? u"This computer offers no serial port. "_s
                                            : u"Serial ports of this computer: "_s + ports + u". "_s)
                         + FootSwitchPorts::FileName + u" in the program folder names the device of Com 1 on its"
                                                       u" first line and of Com 2 on its second."_s);
        showRecorderStatus(u"Foot switch off"_s);
        return;
    }
    showRecorderStatus(u"Foot switch on: "_s + device);
}

void RecorderWindow::switchFootSwitchOff()
{
    m_devices.footSwitch->close();
    showRecorderStatus(u"Foot switch off"_s);
}

void RecorderWindow::closeEvent(QCloseEvent *event)
{
    if (!m_sent && m_transport->hasUnsavedRecording()
        && m_context.prompter.ask(Prompter::Icon::Question, Caption, kDiscardQuestion, Prompter::Buttons::YesNoDefaultNo)
               != Prompter::Answer::Yes) {
        event->ignore();
        return;
    }
    m_transport->closeDevices();
    m_devices.footSwitch->close();
    QWidget::closeEvent(event);
}

RecorderWindow *openVoiceRecorder(const TaskContext &context, const VoiceReport &report, QWidget *reportWindow,
                                  RecorderDevices devices)
{
    QWidget *parent = reportWindow ? reportWindow->window() : QApplication::activeWindow();
    auto *recorder
        = new RecorderWindow(context, report, context.session.StudyUid, reportWindow, std::move(devices), parent);
    recorder->setAttribute(Qt::WA_DeleteOnClose);
    recorder->show();
    recorder->start();
    return recorder;
}
