#include "mainwindow.h"

#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"
#include "app/version.h"
#include "link/commandlink.h"
#include "link/errorcommand.h"
#include "ui/menuids.h"

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
#include <stdexcept>

using namespace Qt::StringLiterals;

const QString MainWindow::Caption = u"VQM Zel Client"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;

// The toolbar by position: caption, key, tooltip, picture, and the menu item whose action it runs
// (empty for separators and for the buttons with an action of their own).
struct ToolButton
{
    const char *caption;
    MenuId key;
    const char *tooltip;
    QStyle::StandardPixmap picture;
    const MenuId *menuItem;
};

constexpr ToolButton kSeparator{nullptr, {}, nullptr, QStyle::SP_CustomBase, nullptr};

const ToolButton kToolbar[18] = {
    {"New Patient", ToolIds::NewPatient, "New Patient", QStyle::SP_FileIcon, &MenuIds::NewPatient},
    {"New Visit", ToolIds::NewVisit, "New Examination (Visit)", QStyle::SP_FileDialogNewFolder, &MenuIds::NewExam},
    {"New Report", ToolIds::NewReport, "New Report", QStyle::SP_FileDialogContentsView, &MenuIds::NewReport},
    kSeparator,
    kSeparator,
    {"Edit Patient", ToolIds::EditPatient, "Edit Patient", QStyle::SP_FileIcon, &MenuIds::UpdatePatient},
    {"Edit Visit", ToolIds::EditVisit, "Edit Examination (Visit)", QStyle::SP_FileDialogNewFolder, &MenuIds::UpdateExam},
    {"Edit Report", ToolIds::EditReport, "Edit Report", QStyle::SP_FileDialogContentsView, &MenuIds::EditReport},
    kSeparator,
    kSeparator,
    {"Scheduler", ToolIds::Scheduler, "Shows appointment system", QStyle::SP_FileDialogDetailedView,
     &MenuIds::AppointmentSystem},
    kSeparator,
    kSeparator,
    kSeparator,
    kSeparator,
    {"ZelServer", ToolIds::ServerSwitch, "", QStyle::SP_DriveNetIcon, nullptr},
    kSeparator,
    {"Exit", ToolIds::Exit, "", QStyle::SP_DialogCloseButton, &MenuIds::Quit},
};

} // namespace

MainWindow::MainWindow(Session &session, Prompter &prompter, LogBook &log, Dialogs &dialogs,
                       const QString &appFolder, ConfigStep showConfig, QWidget *parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_prompter(prompter)
    , m_log(log)
    , m_showConfig(std::move(showConfig))
    , m_link(new CommandLink(session, prompter, log, this))
    , m_context{session, *m_link, prompter, log, appFolder, dialogs}
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

QAction *MainWindow::addItem(QMenu *menu, const QString &caption, MenuId item)
{
    QAction *action = menu->addAction(caption);
    const QString control = item.control;
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
    addItem(fileNew, u"Patient"_s, MenuIds::NewPatient);
    addItem(fileNew, u"Examination (Visit)"_s, MenuIds::NewExam);
    addItem(fileNew, u"Report"_s, MenuIds::NewReport);
    QMenu *fileUpdate = file->addMenu(u"&Update"_s);
    addItem(fileUpdate, u"Patient"_s, MenuIds::UpdatePatient);
    addItem(fileUpdate, u"Examination (Visit)"_s, MenuIds::UpdateExam);
    addItem(fileUpdate, u"Report"_s, MenuIds::EditReport);
    file->addSeparator();
    QAction *logoff = addItem(file, u"Logoff"_s, MenuIds::Logoff);
    logoff->setEnabled(true);
    connect(logoff, &QAction::triggered, this, &MainWindow::logoffRequested);
    QAction *quit = addItem(file, u"Quit"_s, MenuIds::Quit);
    quit->setEnabled(true);
    connect(quit, &QAction::triggered, this, [] { QApplication::closeAllWindows(); });

    m_edit = menuBar()->addMenu(u"&Edit"_s);
    m_edit->setObjectName(u"mnuEdit"_s);
    addItem(m_edit, u"Delete Appointments"_s, MenuIds::DeleteAppointments);
    QAction *config = addItem(m_edit, u"Configuration"_s, MenuIds::Configuration);
    config->setEnabled(true);
    connect(config, &QAction::triggered, this, [this] {
        if (m_showConfig)
            m_showConfig();
    });

    m_utilities = menuBar()->addMenu(u"&Utilities"_s);
    m_utilities->setObjectName(u"mnuUtilities"_s);
    addItem(m_utilities, u"Table Doctors"_s, MenuIds::TableDoctors);
    addItem(m_utilities, u"Table Locations"_s, MenuIds::TableLocations);
    addItem(m_utilities, u"Table Procedures"_s, MenuIds::TableProcedures);
    addItem(m_utilities, u"Create XRay Numbers"_s, MenuIds::CreateXRayNumbers);

    m_statistics = menuBar()->addMenu(u"&Statistics"_s);
    m_statistics->setObjectName(u"mnuStatistics"_s);
    addItem(m_statistics, u"Daily 24 Hours Statistics"_s, MenuIds::Statistics24Hours);
    addItem(m_statistics, u"Day Time Statistics"_s, MenuIds::StatisticsDayTime);
    addItem(m_statistics, u"After Hours Statistics"_s, MenuIds::StatisticsAfterHours);
    addItem(m_statistics, u"Annual Stats Summary"_s, MenuIds::StatisticsAnnual);
    addItem(m_statistics, u"Single Procedures Total"_s, MenuIds::StatisticsSingleProcedure);
    addItem(m_statistics, u"Special Report 1"_s, MenuIds::StatisticsSpecial1);
    addItem(m_statistics, u"Special Report 2"_s, MenuIds::StatisticsSpecial2);
    // This report was never built: the item stays in the menu and does nothing.
    addItem(m_statistics, u"Reffering Location Report"_s, MenuIds::ReferringLocationReport)->setEnabled(true);

    QMenu *digital = menuBar()->addMenu(u"&Digital"_s);
    digital->setObjectName(u"mnuDigital"_s);
    addItem(digital, u"Appointment System"_s, MenuIds::AppointmentSystem);

    QMenu *help = menuBar()->addMenu(u"&?"_s);
    QAction *info = addItem(help, u"Info"_s, MenuIds::Info);
    info->setEnabled(true);
    connect(info, &QAction::triggered, this, &MainWindow::showInfo);

    // Never in the menu bar: the pop-up of the table windows, and the test menu, reached by its
    // shortcut.
    m_contextMenu = new QMenu(u"Context"_s, this);
    m_contextMenu->setObjectName(u"mnuContext"_s);
    addItem(m_contextMenu, u"Edit"_s, MenuIds::ContextEdit);
    addItem(m_contextMenu, u"New"_s, MenuIds::ContextNew);
    auto *test = new QMenu(u"Test"_s, this);
    test->setObjectName(u"mnuTest"_s);
    QAction *error = addItem(test, u"Error"_s, MenuIds::TestError);
    error->setEnabled(true);
    error->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::ALT | Qt::Key_E));
    addAction(error);
    connect(error, &QAction::triggered, this, [this] {
        setBusy();
        m_link->StartCommand(Command::ERROR);
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
        button->setObjectName(QString(b.key.control));
        button->setToolTip(QString::fromLatin1(b.tooltip));
        std::function<void()> run;
        if (b.menuItem) {
            QAction *item = m_items.value(QString(b.menuItem->control));
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

void MainWindow::addTask(MenuId item, std::function<void()> open)
{
    const QString control = item.control;
    QAction *action = m_items.value(control);
    // Both are mistakes in an installer, caught in every build the first time it runs.
    if (!action)
        throw std::logic_error("MainWindow: no menu item " + control.toStdString());
    if (m_tasks.contains(control))
        throw std::logic_error("MainWindow: the menu item " + control.toStdString() + " has a task already");
    if (!open)
        throw std::logic_error("MainWindow: an empty task for " + control.toStdString());
    m_tasks.insert(control);
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [open = std::move(open)] { open(); });
}

QMdiSubWindow *MainWindow::openInWorkspace(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *frame = m_workspace->addSubWindow(window);
    frame->setWindowIcon(windowIcon());
    return frame;
}

void MainWindow::showContextMenu(const QPoint &globalPos)
{
    m_contextMenu->popup(globalPos);
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
