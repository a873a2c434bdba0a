#pragma once

#include "scheduleprefs.h"

#include "ui/taskdesk.h"

#include <QDialog>

#include <array>

class AppointmentWindow;
class QLineEdit;
class QPushButton;

// fPrefs: the scheduler preferences of this workstation (default durations of the ten modality
// buttons, main working hours per weekday, the four colours), shown as the day view uses them and
// written whole into Schedule.ini by "OK". The day view takes them the next time it opens.
class PreferencesDialog : public QDialog
{
    Q_OBJECT

public:
    PreferencesDialog(const TaskContext &context, const AppointmentWindow &day, QWidget *parent = nullptr);

    static const QString Caption;

    bool changed() const { return m_changed; }

private:
    void chooseColour(int index);
    void paintColour(int index);
    void onOk();

    TaskContext m_context;
    std::array<QLineEdit *, SchedulePrefs::ButtonCount> m_durations{};
    std::array<QLineEdit *, SchedulePrefs::DayCount> m_from{};
    std::array<QLineEdit *, SchedulePrefs::DayCount> m_to{};
    std::array<QPushButton *, SchedulePrefs::ColourCount> m_colourBoxes{};
    std::array<quint32, SchedulePrefs::ColourCount> m_colours{};
    bool m_changed = false;
};
