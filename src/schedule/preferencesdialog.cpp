#include "preferencesdialog.h"

#include "appointmentwindow.h"
#include "schedulecolours.h"
#include "schedulerules.h"

#include "core/prompter.h"
#include "ui/dialogs.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString PreferencesDialog::Caption = u"Preferences"_s;

namespace {

const QString kHoursNotTime = u"Default working hours not date/time"_s;
const QString kNotSaved = u"An error occured, settings not saved!"_s;
const QString kSaved = u"Changes successfully saved!"_s;
const QString kSameColour = u"Backcolor of 'Default Appointments' and \r\nbackcolor of 'Emergency Appointments'\r\n"
                            u"cannot be the same color!\r\n\r\nPlease select another color."_s;
const QString kDurationRange = u"The default duration of 'Modality %1' must be between 1 and %2 minutes."_s;
constexpr int kLongestDuration = 24 * 60;

} // namespace

PreferencesDialog::PreferencesDialog(const TaskContext &context, const AppointmentWindow &day, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
    , m_context(context)
{
    setObjectName(u"fPrefs"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());

    auto *durations = new QGroupBox(u"Default Appointment Durations:"_s, this);
    auto *durationGrid = new QGridLayout(durations);
    for (int k = 0; k < SchedulePrefs::ButtonCount; ++k) {
        auto *edit = Ui::named<QLineEdit>(u"Text%1"_s.arg(k + 1), QString::number(day.GetDuration(k + 1)), durations);
        edit->setFixedWidth(60);
        edit->setAlignment(Qt::AlignRight);
        Ui::selectAllOnFocus(edit);
        connect(edit, &QLineEdit::textEdited, this, [this] { m_changed = true; });
        m_durations[std::size_t(k)] = edit;
        const int column = k < 5 ? 0 : 2; // Text1 to Text5 left, Text6 to Text10 beside them
        durationGrid->addWidget(new QLabel(u"Modality %1:"_s.arg(k + 1), durations), k % 5, column);
        durationGrid->addWidget(edit, k % 5, column + 1);
    }
    durationGrid->setColumnStretch(4, 1);

    auto *hours = new QGroupBox(u"Main working  hours"_s, this);
    auto *hoursGrid = new QGridLayout(hours);
    hoursGrid->addWidget(new QLabel(u"Weekday"_s, hours), 0, 0);
    hoursGrid->addWidget(new QLabel(u"From"_s, hours), 0, 1, Qt::AlignHCenter);
    hoursGrid->addWidget(new QLabel(u"To"_s, hours), 0, 2, Qt::AlignHCenter);
    const QLocale locale;
    for (int d = 0; d < SchedulePrefs::DayCount; ++d) {
        hoursGrid->addWidget(Ui::named<QLabel>(u"Day%1"_s.arg(d), locale.dayName(d + 1, QLocale::LongFormat), hours),
                             d + 1, 0);
        auto *from = Ui::named<QLineEdit>(u"From%1"_s.arg(d), day.GetStart(d), hours);
        auto *to = Ui::named<QLineEdit>(u"To%1"_s.arg(d), day.GetStop(d), hours);
        for (QLineEdit *edit : {from, to}) {
            edit->setAlignment(Qt::AlignCenter);
            edit->setFixedWidth(64);
            Ui::selectAllOnFocus(edit);
            connect(edit, &QLineEdit::textEdited, this, [this] { m_changed = true; });
        }
        m_from[std::size_t(d)] = from;
        m_to[std::size_t(d)] = to;
        hoursGrid->addWidget(from, d + 1, 1);
        hoursGrid->addWidget(to, d + 1, 2);
    }

    auto *colours = new QGroupBox(u"Backcolors"_s, this);
    auto *colourGrid = new QGridLayout(colours);
    const QString labels[] = {u"Not main working hours:"_s, u"Main working hours:"_s, u"Default Appointment:"_s,
                              u"Emergency Appointment:"_s};
    for (int c = 0; c < SchedulePrefs::ColourCount; ++c) {
        // The colours in use: starting from fixed ones would overwrite the user's choice on every save.
        m_colours[std::size_t(c)] = day.GetBackColour(c);
        auto *box = Ui::named<QPushButton>(u"BackColour%1"_s.arg(c), this);
        box->setFixedSize(64, 22);
        box->setToolTip(u"Choose a colour"_s);
        m_colourBoxes[std::size_t(c)] = box;
        paintColour(c);
        connect(box, &QPushButton::clicked, this, [this, c] { chooseColour(c); });
        colourGrid->addWidget(new QLabel(labels[c], colours), c, 0);
        colourGrid->addWidget(box, c, 1);
    }
    colourGrid->setRowStretch(SchedulePrefs::ColourCount, 1);

    auto *ok = Ui::button(u"OK"_s, u"cmdOK"_s, this);
    ok->setDefault(true);
    auto *cancel = Ui::button(u"Cancel"_s, u"cmdCancel"_s, this);
    connect(ok, &QPushButton::clicked, this, &PreferencesDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *right = new QVBoxLayout;
    right->addWidget(colours);
    right->addStretch(1);
    right->addWidget(Ui::buttonBox(this, {{ok, QDialogButtonBox::AcceptRole}, {cancel, QDialogButtonBox::RejectRole}}));
    auto *lower = new QHBoxLayout;
    lower->addWidget(hours);
    lower->addLayout(right);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(durations);
    layout->addLayout(lower);

    m_changed = false;
}

void PreferencesDialog::paintColour(int index)
{
    const QColor colour = colourFromValue(m_colours[std::size_t(index)]);
    m_colourBoxes[std::size_t(index)]->setStyleSheet(
        u"QPushButton { background: %1; border: 1px solid #404040; }"_s.arg(colour.name()));
}

void PreferencesDialog::chooseColour(int index)
{
    const quint32 current = m_colours[std::size_t(index)];
    const std::optional<QColor> chosen = m_context.dialogs.chooseColour(colourFromValue(current), this);
    if (!chosen || !chosen->isValid())
        return;
    const quint32 value = colourValue(*chosen);
    if (value == current)
        return;
    if ((index == 2 && value == m_colours[3]) || (index == 3 && value == m_colours[2])) {
        m_context.prompter.error(Caption, kSameColour);
        return;
    }
    m_colours[std::size_t(index)] = value;
    paintColour(index);
    m_changed = true;
}

void PreferencesDialog::onOk()
{
    SchedulePrefs prefs;
    for (int d = 0; d < SchedulePrefs::DayCount; ++d) {
        const TimeReading from = readTimeValue(m_from[std::size_t(d)]->text());
        const TimeReading to = readTimeValue(m_to[std::size_t(d)]->text());
        if (!from.readable || !to.readable) {
            m_context.prompter.error(Caption, kHoursNotTime);
            return;
        }
        prefs.hours[std::size_t(d)] = {from.time, to.time};
    }
    for (int k = 0; k < SchedulePrefs::ButtonCount; ++k) {
        const DurationReading duration = readDuration(m_durations[std::size_t(k)]->text());
        if (!duration.minutes) {
            m_context.prompter.error(Caption, kNotSaved);
            return;
        }
        // A slot of no length cannot divide the day.
        if (*duration.minutes <= 0 || *duration.minutes > kLongestDuration) {
            m_context.prompter.error(Caption, kDurationRange.arg(k + 1).arg(kLongestDuration));
            m_durations[std::size_t(k)]->setFocus();
            return;
        }
        prefs.durations[std::size_t(k)] = *duration.minutes;
    }
    prefs.colours = m_colours;
    QString failure;
    if (!ScheduleIni::write(m_context.appFolder, prefs, &failure)) {
        m_context.prompter.error(Caption, kNotSaved);
        return;
    }
    if (m_changed)
        m_context.prompter.information(AppointmentWindow::Caption, kSaved);
    accept();
}
