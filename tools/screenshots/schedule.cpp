#include "screens.h"

#include "schedule/appointmentlist.h"
#include "schedule/appointmentwindow.h"
#include "schedule/emergencydialog.h"
#include "schedule/schedulestate.h"
#include "support/desk.h"

#include <QAbstractButton>
#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool idle(Desk &desk)
{
    return QTest::qWaitFor([&] { return desk.idle(); }, 5000);
}

// The day view of the first modality on a working day of the demo's week, for the demo patient.
AppointmentWindow *openDay(ScreenContext &c)
{
    c.desk.session.SelectedPatient = {u"12"_s, u"Nkosi"_s, u"Thandiwe"_s, u"41077231"_s, u"0051000"_s};
    if (!c.desk.trigger(MenuIds::AppointmentSystem))
        return nullptr;
    if (!QTest::qWaitFor([&] { return c.desk.main->findChild<AppointmentWindow *>() && c.desk.idle(); }, 5000))
        return nullptr;
    auto *day = c.desk.main->findChild<AppointmentWindow *>();
    QDate shown = QDate::currentDate();
    if (shown.dayOfWeek() == Qt::Sunday)
        shown = shown.addDays(1);
    day->findChild<QCalendarWidget *>(u"Calendar"_s)->setSelectedDate(shown);
    idle(c.desk);
    return day;
}

void clickNamed(QWidget *window, const QString &name)
{
    QTest::mouseClick(window->findChild<QAbstractButton *>(name), Qt::LeftButton);
}

void waitForBodyParts(Desk &desk, QWidget *window)
{
    (void)QTest::qWaitFor([&] { return window->findChild<QComboBox *>(u"cboBodypart"_s)->count() > 0 && desk.idle(); },
                          5000);
}

const bool registered = addScreen(u"schedule"_s, [](ScreenContext &c) {
    AppointmentWindow *day = openDay(c);
    if (!day)
        return;
    auto *list = day->findChild<AppointmentList *>(u"ListView1"_s);
    if (list->topLevelItemCount() > 2)
        clickRow(list, 2);
    c.shot(c.desk.main.get(), u"fAppointment"_s);

    whenModal(u"fTerminNeu"_s, [&](QWidget *window) {
        waitForBodyParts(c.desk, window);
        enter(window, u"cboBodypart=#3"_s);
        c.shot(window, u"fTerminNeu"_s);
        static_cast<QDialog *>(window)->reject();
    });
    clickNamed(day, u"cmdNeu"_s);
    idle(c.desk);

    whenModal(u"fTerminEdit"_s, [&](QWidget *window) {
        (void)QTest::qWaitFor([&] { return window->findChild<QAbstractButton *>(u"cmdOK"_s)->isEnabled(); }, 5000);
        c.shot(window, u"fTerminEdit"_s);
        static_cast<QDialog *>(window)->reject();
    });
    if (list->topLevelItemCount() > 2) {
        clickRow(list, 2);
        clickNamed(day, u"cmdBearbeiten"_s);
        idle(c.desk);
    }

    whenModal(u"fPrefs"_s, [&](QWidget *window) {
        c.shot(window, u"fPrefs"_s);
        static_cast<QDialog *>(window)->reject();
    });
    day->findChild<QAction *>(u"mnuPreferences"_s)->trigger();

    // An emergency at the start of the working day pushes the first appointments back; the day
    // view marks them.
    clickNamed(day, u"cmdEmergency"_s);
    auto *emergency = c.desk.main->findChild<EmergencyDialog *>();
    waitForBodyParts(c.desk, emergency);
    enterAll(emergency, {u"Zeit=08:00"_s, u"cboBodypart=#0"_s});
    emergency->findChild<QPlainTextEdit *>(u"Sonstiges"_s)->setPlainText(u"Trauma, from Casualty"_s);
    c.shot(emergency, u"fTerminEmergency"_s);
    clickNamed(emergency, u"cmdOK"_s);
    (void)QTest::qWaitFor([&] { return !c.desk.main->findChild<EmergencyDialog *>() && !c.desk.session.state<ScheduleState>().EmergencyRunning && c.desk.idle(); }, 10000);
    c.shot(c.desk.main.get(), u"fAppointment-delayed"_s);
});

const bool deletion = addScreen(u"schedule-delete"_s, [](ScreenContext &c) {
    whenModal(u"frmDelApp"_s, [&](QWidget *window) {
        enter(window, u"MaskEdBox1=07:30"_s);
        c.shot(window, u"frmDelApp"_s);
        static_cast<QDialog *>(window)->reject();
    });
    (void)c.desk.trigger(MenuIds::DeleteAppointments);
});

} // namespace
