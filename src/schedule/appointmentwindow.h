#pragma once

#include "schedulehosts.h"
#include "schedulerules.h"

#include "ui/taskdesk.h"

#include <QDate>
#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>

class AppointmentList;
class QAbstractButton;
class QButtonGroup;
class QCalendarWidget;
class QLabel;
class QMdiSubWindow;
class QPushButton;
class QTableWidget;
class QToolButton;
struct ScheduleState;

// fAppointment: one day of one modality. The calendar chooses the day, the modality buttons (from
// the MODLIST reply) the modality; ListView1 lists the day's appointments (TERMCOUNT, TERMLIST),
// and the buttons open the booking windows, delete the chosen appointment and open the
// preferences. It loads Schedule.ini when it opens and keeps those values while it is open.
class AppointmentWindow : public QWidget, public DayViewHost
{
    Q_OBJECT

public:
    explicit AppointmentWindow(const TaskContext &context, QWidget *parent = nullptr);
    ~AppointmentWindow() override;

    static const QString Caption;
    static constexpr int ModalityButtons = 10;

    // What the booking windows and the preferences read.
    int GetActiveMod() const;
    std::int32_t GetActiveModID() const;
    std::int16_t GetDuration(int position) const;
    QString GetStart(int weekday) const;
    QString GetStop(int weekday) const;
    quint32 GetBackColour(int index) const;
    std::int32_t GetTerminID() const;
    void SetTerminID(std::int32_t id);
    QString GetZeit() const;
    QString activeModalityCaption() const;
    QDate shownDate() const;
    // Column 0 of the day slot table, in order.
    QStringList slotTimes() const;
    const SchedulePrefs &prefs() const;

    // Fills the modality buttons from ModalityList; false when it could not (the window is then
    // unusable and says so).
    bool ModListe();
    // Rebuilds the day slot table for the modality button's default duration.
    void BuildGrid(int buttonIndex);
    // Requests the day's appointments of that modality; a negative id requests nothing.
    void Terminliste(std::int32_t modalityId);

    // The window became the active one: modality buttons, slot table and list afresh.
    void activate();
    // The main window's "Search Patients" task, when the program has one.
    void setSearchPatients(std::function<void()> search);

    // DayViewHost
    void showAppointments(const QString &records) override;
    void refreshDay() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildCalendarColumn();
    QWidget *buildModalityFrame();
    QWidget *buildButtons();
    void paintLegend();
    void pressModality(int index);
    void onDateChosen();
    void onRowChosen();
    void setRowActions(bool enabled);
    void updateNewButtons();
    void disableAll();
    void onNewDefault();
    void onNewEmergency();
    void onEdit();
    void onDelete();
    void onSearchPatients();
    void onPreferences();
    void onSubWindowActivated(QMdiSubWindow *window);

    TaskContext m_context;
    ScheduleState &m_state;
    QCalendarWidget *m_calendar = nullptr;
    std::array<QLabel *, 4> m_legend{};
    std::array<QPushButton *, ModalityButtons> m_modality{};
    QButtonGroup *m_modalityGroup = nullptr;
    QToolButton *m_new = nullptr;
    QToolButton *m_edit = nullptr;
    QToolButton *m_delete = nullptr;
    QToolButton *m_search = nullptr;
    QToolButton *m_emergency = nullptr;
    QToolButton *m_exit = nullptr;
    AppointmentList *m_list = nullptr;
    QTableWidget *m_slotsGrid = nullptr;
    QList<DaySlot> m_slots;
    QPointer<QWidget> m_emergencyWindow;
    QPointer<QMdiSubWindow> m_lastActive;
    std::function<void()> m_searchPatients;
    bool m_activated = false;
    bool m_refreshPending = false; // a list request waits for the emergency in hand
};
