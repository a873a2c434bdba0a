#include "mainwindow.h"

#include "logbook.h"
#include "prompter.h"
#include "session.h"
#include "app/version.h"
#include "link/commandlink.h"
#include "link/errorcommand.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <exception>

using namespace Qt::StringLiterals;

const QString MainWindow::Caption = u"VQM Zel Client"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;

// The toolbar by position: caption, key, tooltip, picture, and the menu item whose action it runs
// (empty for separators and for the buttons with an action of their own).
struct ToolButton
{
    const char *caption;
    const char *key;
    const char *tooltip;
    QStyle::StandardPixmap picture;
    const char *menuControl;
};

constexpr ToolButton kSeparator{nullptr, nullptr, nullptr, QStyle::SP_CustomBase, nullptr};

const ToolButton kToolbar[18] = {
    {"New Patient", "NP", "New Patient", QStyle::SP_FileIcon, "mnuNewPatient"},
    {"New Visit", "NE", "New Examination (Visit)", QStyle::SP_FileDialogNewFolder, "mnuNewExam"},
    {"New Report", "NR", "New Report", QStyle::SP_FileDialogContentsView, "mnuReport"},
    kSeparator,
    kSeparator,
    {"Edit Patient", "EP", "Edit Patient", QStyle::SP_FileIcon, "mnuUpdatePatient"},
    {"Edit Visit", "EE", "Edit Examination (Visit)", QStyle::SP_FileDialogNewFolder, "mnuUpdateExam"},
    {"Edit Report", "ER", "Edit Report", QStyle::SP_FileDialogContentsView, "mnuEditRep"},
    kSeparator,
    kSeparator,
    {"Scheduler", "AP", "Shows appointment system", QStyle::SP_FileDialogDetailedView, "mnuAppointment"},
    kSeparator,
    kSeparator,
    kSeparator,
    kSeparator,
    {"ZelServer", "ZEL", "", QStyle::SP_DriveNetIcon, nullptr},
    kSeparator,
    {"Exit", "EX", "", QStyle::SP_DialogCloseButton, "mnuQuit"},
};

} // namespace

MainWindow::MainWindow(Session &session, Prompter &prompter, LogBook &log, ConfigStep showConfig, QWidget *parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_prompter(prompter)
    , m_log(log)
    , m_showConfig(std::move(showConfig))
{
    setObjectName(u"fZelMain"_s);
    setWindowTitle(Caption);

    m_workspace = new QMdiArea(this);
    m_workspace->setObjectName(u"Workspace"_s);
    setCentralWidget(m_workspace);

    QStatusBar *status = statusBar();
    status->setObjectName(u"StatusBar1"_s);
    m_panel1 = new QLabel(this);
    m_panel1->setObjectName(u"Panel1"_s);
    m_panel2 = new QLabel(this);
    m_panel2->setObjectName(u"Panel2"_s);
    status->addWidget(m_panel1, 3);
    status->addWidget(m_panel2, 2);

    m_link = new CommandLink(m_session, m_prompter, m_log, this);
    m_link->setObjectName(u"wsTCP"_s);
    connect(m_link, &CommandLink::statusText, this, [this](int panel, const QString &text) {
        (panel == 1 ? m_panel1 : m_panel2)->setText(text);
        if (panel == 2)
            m_panel2->repaint();
    });
    connect(m_link, &CommandLink::busyEnded, this, &MainWindow::resetPointers);
    bindErrorCommand(*m_link);

    buildMenus();
    buildToolbar();

    // Load: the rights of this login, and the main server as the server in use.
    applyRights();
    m_session.ServerHost = m_session.settings.MainServerHost;
    m_session.ServerPort = m_session.settings.MainServerPort;
}

MainWindow::~MainWindow() = default;

QAction *MainWindow::addItem(QMenu *menu, const QString &caption, const QString &control)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(control);
    action->setEnabled(false); // until its task window plugs in
    m_items.insert(control, action);
    return action;
}

void MainWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(u"&File"_s);
    file->setObjectName(u"mnuFile"_s);
    QMenu *fileNew = file->addMenu(u"&New"_s);
    addItem(fileNew, u"Patient"_s, u"mnuNewPatient"_s);
    addItem(fileNew, u"Examination (Visit)"_s, u"mnuNewExam"_s);
    addItem(fileNew, u"Report"_s, u"mnuReport"_s);
    QMenu *fileUpdate = file->addMenu(u"&Update"_s);
    addItem(fileUpdate, u"Patient"_s, u"mnuUpdatePatient"_s);
    addItem(fileUpdate, u"Examination (Visit)"_s, u"mnuUpdateExam"_s);
    addItem(fileUpdate, u"Report"_s, u"mnuEditRep"_s);
    file->addSeparator();
    QAction *logoff = addItem(file, u"Logoff"_s, u"mnuLoggoff"_s);
    logoff->setEnabled(true);
    connect(logoff, &QAction::triggered, this, &MainWindow::logoffRequested);
    QAction *quit = addItem(file, u"Quit"_s, u"mnuQuit"_s);
    quit->setEnabled(true);
    connect(quit, &QAction::triggered, this, [] { QApplication::closeAllWindows(); });

    m_edit = menuBar()->addMenu(u"&Edit"_s);
    m_edit->setObjectName(u"mnuEdit"_s);
    addItem(m_edit, u"Delete Appointments"_s, u"mnuDelApp"_s);
    QAction *config = addItem(m_edit, u"Configuration"_s, u"mnuConfig"_s);
    config->setEnabled(true);
    connect(config, &QAction::triggered, this, [this] {
        if (m_showConfig)
            m_showConfig();
    });

    m_utilities = menuBar()->addMenu(u"&Utilities"_s);
    m_utilities->setObjectName(u"mnuUtilities"_s);
    addItem(m_utilities, u"Table Doctors"_s, u"mnuTblDoctors"_s);
    addItem(m_utilities, u"Table Locations"_s, u"mntTblLocations"_s);
    addItem(m_utilities, u"Table Procedures"_s, u"mnuTblProcedures"_s);
    addItem(m_utilities, u"Create XRay Numbers"_s, u"mnuXRay"_s);

    m_statistics = menuBar()->addMenu(u"&Statistics"_s);
    m_statistics->setObjectName(u"mnuStatistics"_s);
    addItem(m_statistics, u"Daily 24 Hours Statistics"_s, u"mnuHours"_s);
    addItem(m_statistics, u"Day Time Statistics"_s, u"mnuDay"_s);
    addItem(m_statistics, u"After Hours Statistics"_s, u"mnuAfter"_s);
    addItem(m_statistics, u"Annual Stats Summary"_s, u"mnuAnnual"_s);
    addItem(m_statistics, u"Single Procedures Total"_s, u"mnuSingle"_s);
    addItem(m_statistics, u"Special Report 1"_s, u"mnuSpec1"_s);
    addItem(m_statistics, u"Special Report 2"_s, u"mnuSpec2"_s);
    // This report was never built: the item stays in the menu and does nothing.
    addItem(m_statistics, u"Reffering Location Report"_s, u"mnuRef"_s)->setEnabled(true);

    QMenu *digital = menuBar()->addMenu(u"&Digital"_s);
    digital->setObjectName(u"mnuDigital"_s);
    addItem(digital, u"Appointment System"_s, u"mnuAppointment"_s);

    QMenu *help = menuBar()->addMenu(u"&?"_s);
    QAction *info = addItem(help, u"Info"_s, u"mnuInfo"_s);
    info->setEnabled(true);
    connect(info, &QAction::triggered, this, &MainWindow::showInfo);

    // Never in the menu bar: the pop-up of the table windows, and the test menu, reached by its
    // shortcut.
    auto *context = new QMenu(u"Context"_s, this);
    context->setObjectName(u"mnuContext"_s);
    addItem(context, u"Edit"_s, u"mnuContextEdit"_s);
    addItem(context, u"New"_s, u"mnuContextNew"_s);
    auto *test = new QMenu(u"Test"_s, this);
    test->setObjectName(u"mnuTest"_s);
    QAction *error = addItem(test, u"Error"_s, u"mnuError"_s);
    error->setEnabled(true);
    error->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::ALT | Qt::Key_E));
    addAction(error);
    connect(error, &QAction::triggered, this, [this] {
        setBusy();
        m_link->StartCommand(u"ERROR"_s);
    });
}

void MainWindow::buildToolbar()
{
    m_toolbar = addToolBar(u"Toolbar"_s);
    m_toolbar->setObjectName(u"tbZel"_s);
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const ToolButton &b : kToolbar) {
        if (!b.caption) {
            m_toolbar->addSeparator();
            continue;
        }
        QAction *button = m_toolbar->addAction(style()->standardIcon(b.picture), QString::fromLatin1(b.caption));
        button->setObjectName(QString::fromLatin1(b.key));
        button->setToolTip(QString::fromLatin1(b.tooltip));
        std::function<void()> run;
        if (b.menuControl) {
            QAction *item = m_items.value(QString::fromLatin1(b.menuControl));
            button->setEnabled(item->isEnabled());
            connect(item, &QAction::enabledChanged, button, &QAction::setEnabled);
            run = [item] { item->trigger(); };
        } else {
            run = [this] { m_link->switchServer(); };
        }
        connect(button, &QAction::triggered, this, [this, run] {
            // A failing button is reported and the toolbar stays usable.
            try {
                run();
            } catch (const std::exception &e) {
                m_log.LogError(5, QString::fromLocal8Bit(e.what()), u"tbZel_ButtonClick"_s);
            }
        });
    }
}

void MainWindow::applyRights()
{
    m_utilities->setEnabled(m_session.RightUtilities);
    m_statistics->setEnabled(m_session.RightStatistics);
    m_edit->setEnabled(m_session.RightUtilities || m_session.RightStatistics);
}

void MainWindow::setTask(const QString &menuControl, std::function<void()> open)
{
    QAction *item = m_items.value(menuControl);
    Q_ASSERT_X(item, "setTask", "no such menu item");
    if (!item)
        return;
    item->setEnabled(true);
    connect(item, &QAction::triggered, this, [open = std::move(open)] { open(); });
}

void MainWindow::setBusy()
{
    setCursor(Qt::WaitCursor);
}

void MainWindow::resetPointers()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        w->unsetCursor();
    for (QMdiSubWindow *sub : m_workspace->subWindowList())
        sub->unsetCursor();
}

void MainWindow::showInfo()
{
    m_prompter.plain(kTitle, u"ZEL-Client Version:  "_s + QString::number(ZelVersionMajor) + u'.'
                                 + QString::number(ZelVersionMinor) + u'.' + QString::number(ZelVersionRevision));
}

void MainWindow::CloseTaskWindows()
{
    closeOtherWindows(false);
}

void MainWindow::closeOtherWindows(bool keepSplash)
{
    for (QMdiSubWindow *sub : m_workspace->subWindowList())
        sub->close();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w == this || !w->isVisible() || (keepSplash && w->objectName() == u"fSplash"))
            continue;
        w->close();
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    closeOtherWindows(true);
    m_link->CloseSocket();
    QMainWindow::closeEvent(event);
}
