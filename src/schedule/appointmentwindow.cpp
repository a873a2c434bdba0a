#include "appointmentwindow.h"

#include "appointmentlist.h"
#include "appointmentrecord.h"
#include "editappointmentdialog.h"
#include "emergencydialog.h"
#include "newappointmentdialog.h"
#include "preferencesdialog.h"
#include "schedulecolours.h"
#include "schedulecommands.h"
#include "schedulestate.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString AppointmentWindow::Caption = u"Appointment System"_s;

namespace {
const QString kEmptyList = u"The modality list is empty."_s;
const QString kShortRecord = u"The modality record '%1' has fewer than four fields."_s;
const QString kBadId = u"The modality id '%1' is not a whole number."_s;
const QString kShortAppointment = u"9 , The appointment record %1 of the list has fewer than %2 fields."_s;

const QString kTitle = u"ZEL-Client"_s;
const QString kCheckPreferences = u"\r\n\r\nPlease check preferences"_s;
const QString kDeleteQuestion = u"Do you really want to delete this appointment?"_s;
const QString kEmptyCaption = u"(empty)"_s;
const char *const kTag = "tag";

const QColor kBackground(0xE0, 0xE0, 0xE0);
// &H00FFC0C0&: the modality buttons' light blue.
const QColor kModalityBackground(0xC0, 0xC0, 0xFF);

// The panel keeps the designed width; the appointment list takes the height the window gives.
constexpr int kPanelWidth = 1000;
constexpr int kPanelMinimumHeight = 500;

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A modality button shows as much of its three texts as fits, and all of them as its tool tip.
class ModalityButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStyleOptionButton option;
        initStyleOption(&option);
        const int room = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).width() - 8;
        QFont shown = font();
        shown.setBold(isChecked()); // the pressed button's text is bold
        option.text = QFontMetrics(shown).elidedText(text(), Qt::ElideRight, std::max(0, room));
        QStylePainter painter(this);
        painter.drawControl(QStyle::CE_PushButton, option);
    }
};

QToolButton *commandButton(const QString &caption, const QString &name, QStyle::StandardPixmap picture, QWidget *parent)
{
    auto *b = Ui::named<QToolButton>(name, parent);
    b->setText(caption);
    b->setIcon(parent->style()->standardIcon(picture));
    b->setIconSize(QSize(24, 24));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setMinimumSize(100, 56);
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return b;
}

} // namespace

AppointmentWindow::AppointmentWindow(const TaskContext &context, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_state(context.session.state<ScheduleState>())
{
    setObjectName(u"fAppointment"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());
    setBackground(this, kBackground);

    // Each opening takes the preferences afresh; the open window keeps what it loaded.
    m_state.Prefs = ScheduleIni::read(m_context.appFolder);

    auto *menu = new QMenuBar(this);
    QMenu *options = menu->addMenu(u"&Options"_s);
    options->setObjectName(u"mnuOptions"_s);
    QAction *preferences = options->addAction(u"Preferences"_s);
    preferences->setObjectName(u"mnuPreferences"_s);
    connect(preferences, &QAction::triggered, this, &AppointmentWindow::onPreferences);
    options->addAction(u"Modalities"_s)->setObjectName(u"mnuModalities"_s); // no action

    auto *box = Ui::named<QWidget>(u"pBox"_s, this);
    setBackground(box, kBackground);
    box->setMaximumWidth(kPanelWidth);
    box->setMinimumSize(kPanelWidth, kPanelMinimumHeight);

    auto *top = new QHBoxLayout;
    top->setSpacing(8);
    top->addWidget(buildCalendarColumn());
    top->addWidget(buildModalityFrame(), 1);
    top->addWidget(buildButtons());

    auto *frame = new QGroupBox(u"Appointments"_s, box);
    m_list = new AppointmentList(frame);
    m_slotsGrid = Ui::named<QTableWidget>(u"dgTerm"_s, frame);
    m_slotsGrid->setColumnCount(10);
    m_slotsGrid->setHorizontalHeaderLabels({u"Time"_s, u"ID"_s, u"Last Name"_s, u"First Name"_s, u"Birthdate"_s,
                                            u"Bodypart"_s, u"Information"_s, u"Duration"_s, u"Status"_s, QString()});
    m_slotsGrid->hide(); // never shown: the list is the view of the day
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_list);

    auto *boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(8, 4, 8, 8);
    boxLayout->addLayout(top);
    boxLayout->addWidget(frame, 1);

    // The panel stays centred in the window.
    auto *layout = new QHBoxLayout(this);
    layout->setMenuBar(menu);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(box, 0);
    layout->addStretch(1);

    paintLegend();
    m_calendar->setSelectedDate(QDate::currentDate());
    m_modality[0]->setChecked(true);
    setRowActions(false);
    updateNewButtons();

    connect(m_calendar, &QCalendarWidget::selectionChanged, this, &AppointmentWindow::onDateChosen);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &AppointmentWindow::onRowChosen);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_edit->isEnabled())
            onEdit();
    });
    connect(m_list, &StreamedList::filled, this, [this] { m_list->markMoved(m_state, m_state.ListDate, m_state.lAETID); });
    connect(&m_context.link, &CommandLink::busyEnded, this, [this] {
        unsetCursor();
        // A list that waited for an emergency booking that went no further (refused, a time-out).
        if (m_refreshPending)
            QTimer::singleShot(0, this, [this] {
                if (m_refreshPending && !emergencyInHand(m_context.link, m_state))
                    refreshDay();
            });
    });

    m_state.DayView = this;
}

AppointmentWindow::~AppointmentWindow() = default;

QWidget *AppointmentWindow::buildCalendarColumn()
{
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    m_calendar = Ui::named<QCalendarWidget>(u"Calendar"_s, column);
    m_calendar->setGridVisible(true);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    m_calendar->setFixedSize(250, 180);
    layout->addWidget(m_calendar);

    auto *legend = Ui::named<QGroupBox>(u"FraLegend"_s, u"Legend"_s, column);
    auto *grid = new QGridLayout(legend);
    grid->setVerticalSpacing(3);
    const QString labels[] = {u"Not main working hours:"_s, u"Main working hours:"_s, u"Default appointment:"_s,
                              u"Emergency Appointment:"_s};
    for (int c = 0; c < 4; ++c) {
        grid->addWidget(new QLabel(labels[c], legend), c, 0);
        auto *swatch = Ui::named<QLabel>(u"Legend%1"_s.arg(c), legend);
        swatch->setFixedSize(40, 16);
        swatch->setFrameShape(QFrame::Box);
        swatch->setAutoFillBackground(true);
        m_legend[std::size_t(c)] = swatch;
        grid->addWidget(swatch, c, 1);
    }
    layout->addWidget(legend);
    return column;
}

QWidget *AppointmentWindow::buildModalityFrame()
{
    auto *frame = Ui::named<QGroupBox>(u"frModality"_s, u"Modality"_s, this);
    auto *grid = new QGridLayout(frame);
    grid->setSpacing(6);
    m_modalityGroup = new QButtonGroup(this);
    m_modalityGroup->setExclusive(true);
    for (int i = 0; i < ModalityButtons; ++i) {
        auto *b = Ui::named<ModalityButton>(u"cmdMod%1"_s.arg(i), kEmptyCaption, frame);
        b->setCheckable(true);
        b->setEnabled(false);
        b->setProperty(kTag, u"-1"_s);
        b->setMinimumSize(150, 36);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setStyleSheet(u"QPushButton { background: #C0C0FF; border: 1px solid #8080B0; border-radius: 2px; padding: 2px 6px; }"
                         u"QPushButton:checked { background: #8080E0; color: white; border: 2px inset #404080; font-weight: bold; }"
                         u"QPushButton:disabled { background: #D8D8E8; color: #808080; }"_s);
        m_modalityGroup->addButton(b, i);
        m_modality[std::size_t(i)] = b;
        grid->addWidget(b, i / 2, i % 2); // two columns of five, index 0 top left
        connect(b, &QPushButton::clicked, this, [this, i] { pressModality(i); });
    }
    return frame;
}

QWidget *AppointmentWindow::buildButtons()
{
    auto *column = new QWidget(this);
    auto *grid = new QGridLayout(column);
    grid->setContentsMargins(0, 8, 0, 0);
    grid->setSpacing(8);
    m_new = commandButton(u"New Default"_s, u"cmdNeu"_s, QStyle::SP_FileIcon, column);
    m_edit = commandButton(u"Edit"_s, u"cmdBearbeiten"_s, QStyle::SP_FileDialogDetailedView, column);
    m_delete = commandButton(u"Delete"_s, u"cmdLoeschen"_s, QStyle::SP_TrashIcon, column);
    m_search = commandButton(u"Search Patients"_s, u"cmdSearch"_s, QStyle::SP_FileDialogContentsView, column);
    m_emergency = commandButton(u"New Emergency"_s, u"cmdEmergency"_s, QStyle::SP_MessageBoxWarning, column);
    m_exit = commandButton(u"Exit"_s, u"cmdExit"_s, QStyle::SP_DialogCloseButton, column);
    grid->addWidget(m_new, 0, 0);
    grid->addWidget(m_edit, 0, 1);
    grid->addWidget(m_delete, 1, 0);
    grid->addWidget(m_search, 1, 1);
    grid->addWidget(m_emergency, 2, 0);
    grid->addWidget(m_exit, 2, 1);
    grid->setRowStretch(3, 1);
    m_new->setEnabled(false);
    m_emergency->setEnabled(false);
    m_search->setEnabled(false); // until the program offers the examination window

    connect(m_new, &QToolButton::clicked, this, &AppointmentWindow::onNewDefault);
    connect(m_edit, &QToolButton::clicked, this, &AppointmentWindow::onEdit);
    connect(m_delete, &QToolButton::clicked, this, &AppointmentWindow::onDelete);
    connect(m_search, &QToolButton::clicked, this, &AppointmentWindow::onSearchPatients);
    connect(m_emergency, &QToolButton::clicked, this, &AppointmentWindow::onNewEmergency);
    connect(m_exit, &QToolButton::clicked, this, [this] { Ui::closeTaskWindow(*this); });
    return column;
}

void AppointmentWindow::paintLegend()
{
    for (int c = 0; c < 4; ++c) {
        QLabel *swatch = m_legend[std::size_t(c)];
        QPalette palette = swatch->palette();
        palette.setColor(QPalette::Window, colourFromValue(GetBackColour(c)));
        swatch->setPalette(palette);
    }
}

int AppointmentWindow::GetActiveMod() const
{
    return m_state.ActiveMod;
}

std::int32_t AppointmentWindow::GetActiveModID() const
{
    return m_state.ActiveModID;
}

std::int16_t AppointmentWindow::GetDuration(int position) const
{
    return ::GetDuration(m_state.Prefs, position);
}

QString AppointmentWindow::GetStart(int weekday) const
{
    return ::GetStart(m_state.Prefs, weekday);
}

QString AppointmentWindow::GetStop(int weekday) const
{
    return ::GetStop(m_state.Prefs, weekday);
}

quint32 AppointmentWindow::GetBackColour(int index) const
{
    return ::GetBackColour(m_state.Prefs, index);
}

std::int32_t AppointmentWindow::GetTerminID() const
{
    return m_state.CurrentTerminID;
}

void AppointmentWindow::SetTerminID(std::int32_t id)
{
    m_state.CurrentTerminID = id;
}

QString AppointmentWindow::GetZeit() const
{
    return m_state.PickedTime;
}

QString AppointmentWindow::activeModalityCaption() const
{
    const int i = m_state.ActiveMod;
    return i >= 0 && i < ModalityButtons ? m_modality[std::size_t(i)]->text() : QString();
}

QDate AppointmentWindow::shownDate() const
{
    return m_calendar->selectedDate();
}

QStringList AppointmentWindow::slotTimes() const
{
    return ::slotTimes(m_slots);
}

const SchedulePrefs &AppointmentWindow::prefs() const
{
    return m_state.Prefs;
}

void AppointmentWindow::setSearchPatients(std::function<void()> search)
{
    m_searchPatients = std::move(search);
    m_search->setEnabled(bool(m_searchPatients));
}

bool AppointmentWindow::ModListe()
{
    Ui::setBusy(*this);
    for (QPushButton *b : m_modality) {
        b->setEnabled(false);
        b->setText(kEmptyCaption);
        b->setToolTip({});
        b->setProperty(kTag, u"-1"_s);
    }
    // The entries of a reply that came in several pieces are read as the one list they are.
    QStringList records;
    for (const QString &entry : std::as_const(m_state.ModalityList)) {
        for (const QString &line : entry.split(u"\r\n"_s)) {
            if (!line.isEmpty())
                records.append(line);
        }
    }
    QString failure;
    if (records.isEmpty())
        failure = kEmptyList;
    for (int i = 0; failure.isEmpty() && i < ModalityButtons && i < records.size(); ++i) {
        const QStringList fields = records.at(i).split(u'|');
        bool ok = false;
        fields.value(0).trimmed().toInt(&ok);
        if (fields.size() < 4)
            failure = kShortRecord.arg(records.at(i));
        else if (!ok)
            failure = kBadId.arg(fields.at(0));
        if (!failure.isEmpty())
            break;
        QPushButton *b = m_modality[std::size_t(i)];
        b->setText(fields.at(1) + u", "_s + fields.at(2) + u", "_s + fields.at(3));
        b->setToolTip(b->text());
        b->setProperty(kTag, fields.at(0).trimmed());
        b->setEnabled(true);
    }
    unsetCursor();
    if (failure.isEmpty())
        return true;
    m_context.prompter.error(Caption, failure + kCheckPreferences);
    disableAll();
    return false;
}

void AppointmentWindow::disableAll()
{
    for (QWidget *w : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        w->setEnabled(false);
}

void AppointmentWindow::activate()
{
    m_activated = true;
    if (!ModListe())
        return;
    int pressed = m_modalityGroup->checkedId();
    // A button left without a modality cannot stay the pressed one.
    if (pressed < 0 || !m_modality[std::size_t(pressed)]->isEnabled())
        pressed = 0;
    m_modality[std::size_t(pressed)]->setChecked(true);
    m_state.ActiveMod = pressed;
    BuildGrid(pressed);
    m_state.ActiveModID = m_modality[std::size_t(pressed)]->property(kTag).toString().toInt();
    updateNewButtons();
    Terminliste(m_state.ActiveModID);
}

void AppointmentWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_activated)
        return;
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()); frame && frame->mdiArea()) {
        m_lastActive = frame;
        connect(frame->mdiArea(), &QMdiArea::subWindowActivated, this, &AppointmentWindow::onSubWindowActivated);
    }
    activate();
}

void AppointmentWindow::onSubWindowActivated(QMdiSubWindow *window)
{
    if (!window)
        return; // the main window lost the focus: nothing changed here
    auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget());
    const bool cameBack = window == frame && m_lastActive && m_lastActive != frame;
    m_lastActive = window;
    if (cameBack)
        activate();
}

void AppointmentWindow::pressModality(int index)
{
    QPushButton *b = m_modality[std::size_t(index)];
    b->setChecked(true);
    m_state.ActiveMod = index;
    m_state.ActiveModID = b->property(kTag).toString().toInt();
    BuildGrid(index);
    Terminliste(m_state.ActiveModID);
}

void AppointmentWindow::onDateChosen()
{
    BuildGrid(m_state.ActiveMod);
    Terminliste(m_state.ActiveModID);
}

void AppointmentWindow::BuildGrid(int buttonIndex)
{
    const int minutes = GetDuration(buttonIndex + 1);
    const int weekday = weekdayIndex(shownDate());
    m_slots = daySlotTable(minutes, GetStart(weekday), GetStop(weekday));
    m_slotsGrid->clearContents();
    m_slotsGrid->setRowCount(int(m_slots.size()));
    for (int row = 0; row < m_slots.size(); ++row) {
        auto *time = new QTableWidgetItem(m_slots.at(row).time);
        time->setData(Qt::BackgroundRole, colourFromValue(GetBackColour(m_slots.at(row).colour)));
        m_slotsGrid->setItem(row, 0, time);
    }
}

void AppointmentWindow::Terminliste(std::int32_t modalityId)
{
    m_slotsGrid->hide();
    setRowActions(false);
    m_state.lAETID = modalityId;
    if (modalityId < 0)
        return; // a button without a modality: the list keeps its rows
    const QDate day = shownDate();
    // Never the rows of another day or modality under this day's heading, not even while waiting.
    if (day != m_state.ListDate || m_list->property("modality").toInt() != modalityId)
        m_list->clearRows();
    m_state.ListDate = day;
    m_list->setProperty("modality", modalityId);
    // An emergency in hand must not be replaced on the link: the list is asked for once it is done.
    if (emergencyInHand(m_context.link, m_state)) {
        m_refreshPending = true;
        return;
    }
    m_refreshPending = false;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::TERMCOUNT);
}

void AppointmentWindow::showAppointments(const QString &records)
{
    const qsizetype broken = m_list->showRecords(records, m_context.session.DebugMode);
    setRowActions(false);
    unsetCursor();
    if (m_context.session.DebugMode && broken >= 0) {
        m_context.prompter.plain(kTitle, kShortAppointment
                                             .arg(broken + 1)
                                             .arg(int(AppointmentField::Count)));
    }
}

void AppointmentWindow::refreshDay()
{
    BuildGrid(m_state.ActiveMod);
    Terminliste(m_state.ActiveModID);
}

void AppointmentWindow::onRowChosen()
{
    const QList<QTreeWidgetItem *> rows = m_list->selectedItems();
    if (rows.isEmpty()) {
        setRowActions(false);
        return;
    }
    m_state.CurrentTerminID = AppointmentList::appointmentId(rows.constFirst());
    setRowActions(true);
}

void AppointmentWindow::setRowActions(bool enabled)
{
    m_delete->setEnabled(enabled);
    m_edit->setEnabled(enabled);
}

void AppointmentWindow::updateNewButtons()
{
    // A booking is for the patient chosen in the examination windows; without one there is no one
    // to book for.
    const bool patient = !m_context.session.SelectedPatient.PatientId.isEmpty();
    m_new->setEnabled(patient);
    m_emergency->setEnabled(patient);
}

void AppointmentWindow::onNewDefault()
{
    m_context.session.ActionCode = ActionCode::NewAppointment;
    m_state.PickedTime.clear();
    {
        NewAppointmentDialog dialog(m_context, *this, this);
        dialog.exec();
    }
    Terminliste(m_modality[std::size_t(m_state.ActiveMod)]->property(kTag).toString().toInt());
}

void AppointmentWindow::onNewEmergency()
{
    m_context.session.ActionCode = ActionCode::NewEmergencyAppointment;
    if (m_emergencyWindow) {
        m_emergencyWindow->raise();
        m_emergencyWindow->activateWindow();
        return;
    }
    auto *window = new EmergencyDialog(m_context, *this, this);
    // However it is closed (OK, Cancel, its close box, Escape), it goes.
    connect(window, &QDialog::finished, window, &QObject::deleteLater);
    m_emergencyWindow = window;
    window->show();
}

void AppointmentWindow::onEdit()
{
    m_context.session.ActionCode = ActionCode::EditAppointment;
    EditAppointmentDialog dialog(m_context, *this, this);
    dialog.exec();
}

void AppointmentWindow::onDelete()
{
    if (m_context.prompter.ask(Prompter::Icon::Question, kTitle, kDeleteQuestion, Prompter::Buttons::YesNo)
        != Prompter::Answer::Yes)
        return;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::TERMDEL);
}

void AppointmentWindow::onSearchPatients()
{
    const std::function<void()> search = m_searchPatients;
    Ui::closeTaskWindow(*this);
    if (search)
        search();
}

void AppointmentWindow::onPreferences()
{
    PreferencesDialog dialog(m_context, *this, this);
    dialog.exec();
}
