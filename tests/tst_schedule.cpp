// The appointment system: the request lines, Schedule.ini, the day slot table and the other rules;
// the day view, the booking windows, the emergency's moves, the preferences and the deletions
// against a scripted server; and end to end against the reference server.

#include "link/commandlink.h"
#include "link/replyhelpers.h"
#include "schedule/appointmentlist.h"
#include "schedule/appointmentwindow.h"
#include "schedule/editappointmentdialog.h"
#include "schedule/emergencydialog.h"
#include "schedule/newappointmentdialog.h"
#include "schedule/schedulerequests.h"
#include "schedule/schedulerules.h"
#include "schedule/schedulestate.h"
#include "schedule/scheduletasks.h"
#include "support/desk.h"
#include "support/findchild.h"
#include "support/scriptedserver.h"
#include "ui/widgets.h"
#include "zelserver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"ZEL-Client"_s;

// Button 0: 30 minutes, button 1: 45, button 2: 25. Working hours 08:00 to 17:00 on weekdays.
const QByteArray kScheduleIni = "mod0_defaultduration=30\r\nmod1_defaultduration=45\r\nmod2_defaultduration=25\r\n"
                                "mod3_defaultduration=15\r\nmod4_defaultduration=15\r\nmod5_defaultduration=15\r\n"
                                "mod6_defaultduration=15\r\nmod7_defaultduration=15\r\nmod8_defaultduration=15\r\n"
                                "mod9_defaultduration=15\r\n"
                                "default0=08:00-17:00\r\ndefault1=08:00-17:00\r\ndefault2=07:30-16:30\r\n"
                                "default3=08:00-17:00\r\ndefault4=08:00-17:00\r\ndefault5=08:00-12:00\r\n"
                                "default6=00:00-00:00\r\n"
                                "backcolor0=14737632\r\nbackcolor1=16777215\r\nbackcolor2=15128749\r\nbackcolor3=10526975\r\n";

const QList<QByteArray> kModalities = {"1|X-Ray|Room 1|Plain films", "3|CT|Room 2|Tomography", "4|MRI|Room 3|Resonance"};

QByteArray numberReply(qint64 n)
{
    return "CMDDATA\r\n" + QByteArray::number(n) + "\r\n/CMDDATA\r\n";
}

// An appointment record of 24 fields with the ones the client reads.
QByteArray appointment(int id, const QByteArray &start, const QByteArray &surname, int minutes = 30,
                       const QByteArray &emergency = "0", int fields = 24)
{
    QList<QByteArray> f(fields);
    const QList<std::pair<int, QByteArray>> values = {
        {0, "877"}, {2, surname}, {3, "Mary"}, {7, "1"}, {12, QByteArray::number(id)}, {13, "2008-05-12"},
        {14, start}, {15, "Chest"}, {16, "Bring films"}, {18, QByteArray::number(minutes)}, {19, "Booked"},
        {20, emergency}, {23, "5" + QByteArray::number(id)}};
    for (const auto &[i, v] : values) {
        if (i < fields)
            f[i] = v;
    }
    return f.join('|');
}

// The main window with Schedule.ini, and a patient chosen in the examination windows.
struct ScheduleDesk : Desk
{
    explicit ScheduleDesk(quint16 port, bool patient = true) : Desk(port, {{u"Schedule.ini"_s, kScheduleIni}})
    {
        if (patient)
            session.SelectedPatient = {u"877"_s, u"O'Brien"_s, u"Mary"_s, u"12345678"_s, u"0051234"_s};
    }

    ScheduleState &state() { return session.state<ScheduleState>(); }
    AppointmentWindow *dayView() { return main->findChild<AppointmentWindow *>(); }
    QStringList shownTexts()
    {
        QStringList texts;
        for (const PromptRecorder::Shown &s : std::as_const(prompts.shown))
            texts.append(s.text);
        return texts;
    }
};

// Opens the appointment system against the scripted server: the modalities, then the count and
// (unless it is 0) the list of button 0's modality for today.
AppointmentWindow *openDayView(ScheduleDesk &desk, ScriptedServer &server, const QList<QByteArray> &list = {},
                               const QList<QByteArray> &modalities = kModalities)
{
    server.answer(listReply(modalities));
    server.answer(numberReply(list.size()));
    if (!list.isEmpty())
        server.answer(listReply(list));
    if (!desk.trigger(MenuIds::AppointmentSystem))
        qFatal("Appointment System is disabled");
    if (!QTest::qWaitFor([&] { return desk.dayView() && desk.idle() && desk.dayView()->findChild<AppointmentList *>()->topLevelItemCount() == list.size(); }, 5000))
        qFatal("the day view did not open with its list");
    return desk.dayView();
}

QAbstractButton *button(QWidget *window, const QString &name)
{
    return child<QAbstractButton>(window, name);
}

void click(QWidget *window, const QString &name)
{
    QTest::mouseClick(button(window, name), Qt::LeftButton);
}

AppointmentList *dayList(QWidget *window)
{
    return child<AppointmentList>(window, u"ListView1"_s);
}

QByteArray last(const ScriptedServer &server)
{
    return server.requests.isEmpty() ? QByteArray() : server.requests.last();
}

} // namespace

class TestSchedule : public QObject
{
    Q_OBJECT

private slots:
    // --- rules without windows

    void requestLinesAreByteExact_data();
    void requestLinesAreByteExact();
    void scheduleIniIsReadByPosition();
    void scheduleIniMissingOrShortGivesDefaults();
    void scheduleIniIsWrittenWholeAndReadBackUnchanged();
    void lookupEdges_data();
    void lookupEdges();
    void daySlotTables_data();
    void daySlotTables();
    void editDatesHold91Days_data();
    void editDatesHold91Days();
    void typedTimesAreRead_data();
    void typedTimesAreRead();
    void emergencyTimePreset_data();
    void emergencyTimePreset();
    void emergencyMovesFollowEachOther_data();
    void emergencyMovesFollowEachOther();

    // --- the day view

    void modalityButtonsFromModList_data();
    void modalityButtonsFromModList();
    void emptyModalityListOpensNothing();
    void unusableModalityListDisablesTheWindow();
    void dayListShowsTheChosenDay();
    void modalityWithoutIdRequestsNothing();
    void debugModeStopsAtTheShortRecord();
    void slotTableFollowsTheModalityButton();
    void singleDeletionAsksFirst();

    // --- booking

    void newAppointmentChecks_data();
    void newAppointmentChecks();
    void newAppointmentIsBookedForToday();
    void patientIdMustBeANumber();
    void typedFramingIsRefused_data();
    void typedFramingIsRefused();
    void emergencyMovesEveryAppointmentOneAfterTheOther();
    void emergencyMoveReplacedByAnotherCommandIsSentAgain();
    void emergencyWithoutMovesSaysNothing();
    void emergencyWindowClosedWithoutRegistrationMovesNothing();
    void emergencyWindowKeepsWhatWasTyped();
    void editWindowLoadsBodyPartsThenTheAppointment();

    // --- preferences and deletion

    void preferencesStartWithTheColoursInUse();
    void preferencesWriteWhatWasTyped();
    void preferencesRefuseWhatCannotBeSaved_data();
    void preferencesRefuseWhatCannotBeSaved();
    void deletionWindowSendsOnlyValidTimes();

    // --- end to end against the reference server

    void emergencyMovesAppointmentsOnTheServer();
    void bookEditAndDeleteOnTheServer();
    void deleteADayOnTheServer();
    void handOverOpensTheSystemForThePatient();
};

// --- rules without windows

void TestSchedule::requestLinesAreByteExact_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("expected");
    BookingData b;
    b.PatientId = u"877"_s;
    b.ModalityId = 3;
    b.Date = u"20080512"_s;
    b.Time = QTime(10, 0);
    b.BodyPart = u"Chest"_s;
    b.Information = u"O'Neil's knee"_s;
    b.Duration = 30;
    b.AccessionNumber = u"51234"_s;
    BookingData e = b;
    e.Information.clear();
    e.BodyPart = u"Kn\u00e9e"_s;
    e.Emergency = -1;
    BookingData edit = b;
    edit.Date = u"20080513"_s;
    edit.Time = QTime(9, 5);
    edit.Duration = 45;
    edit.Status = u"Arrived"_s;
    edit.Emergency = 1;
    const QDate day(2008, 5, 12);

    QTest::newRow("MODLIST") << ModListRequest() << QByteArray("CMDModList|List/CMD");
    QTest::newRow("BODYLIST") << BodyListRequest() << QByteArray("CMDBodyList|List/CMD");
    QTest::newRow("TERMCOUNT") << TermCountRequest(day, 3) << QByteArray("CMDTermCount|20080512|3/CMD");
    QTest::newRow("TERMLIST") << TermListRequest(day, 3) << QByteArray("CMDTermlist|20080512|3/CMD");
    QTest::newRow("CHECKAPP") << CheckAppRequest(day, 3) << QByteArray("CMDTermlist|20080512|3/CMD");
    QTest::newRow("TERMNEU, quotes doubled")
        << TermNeuRequest(b) << QByteArray("CMDTermNeu|877','3','20080512','10:00','Chest','O''Neil''s knee','30','','51234/CMD");
    QTest::newRow("EMNEU, one byte per character")
        << EmNeuRequest(e) << QByteArray("CMDEmNeu|877,'3','20080512','10:00','Kn\xe9""e','','30','', -1/CMD");
    QTest::newRow("TERMID") << TermIdRequest(u"877"_s, u"20080512"_s, QTime(10, 0)) << QByteArray("CMDTermId|877|20080512|10:00/CMD");
    QTest::newRow("EMINSERT") << EmInsertRequest(day, QTime(10, 0), 3, 4711) << QByteArray("CMDEmInsert|20080512|10:00|3|4711/CMD");
    QTest::newRow("APPUPDATE") << AppUpdateRequest(QTime(10, 30), 4712) << QByteArray("CMDAppUpdate|10:30|4712/CMD");
    QTest::newRow("APPEDIT") << AppEditRequest(edit, 4711)
                             << QByteArray("CMDAppEdit|20080513|09:05|Chest|O''Neil''s knee|45|Arrived|1|4711/CMD");
    QTest::newRow("WEEKREC") << WeekRecRequest(4711) << QByteArray("CMDWeekRec|4711/CMD");
    QTest::newRow("DELAPP") << DelAppRequest(day) << QByteArray("CMDDELAPP|20080512/CMD");
    QTest::newRow("DELAPP2") << DelApp2Request(QTime(7, 30)) << QByteArray("CMDDELAPP2|07:30/CMD");
    QTest::newRow("TERMDEL") << TermDelRequest(4711) << QByteArray("CMDTermDel|4711/CMD");
}

void TestSchedule::requestLinesAreByteExact()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, expected);
    QCOMPARE(line, expected);
}

void TestSchedule::scheduleIniIsReadByPosition()
{
    // The keys are not looked at: a line is what its position says.
    QByteArray bytes = kScheduleIni;
    bytes.replace("mod1_defaultduration=45", "XXXX_defaultduration=45");
    bytes.replace("default2=07:30-16:30", "whatever=07:30-16:30");
    const SchedulePrefs prefs = ScheduleIni::parse(bytes);
    QCOMPARE(prefs.durations[0], 30);
    QCOMPARE(prefs.durations[1], 45);
    QCOMPARE(prefs.durations[2], 25);
    QCOMPARE(prefs.hours[2].start, QTime(7, 30));
    QCOMPARE(prefs.hours[2].stop, QTime(16, 30));
    QCOMPARE(prefs.hours[6].stop, QTime(0, 0));
    QCOMPARE(prefs.colours[0], 14737632u);
    QCOMPARE(prefs.colours[3], 10526975u);
    // Durations that would make no slot fall back to 30 minutes, as does one that is no number.
    for (const QByteArray &bad : {QByteArray("0"), QByteArray("-15"), QByteArray("abc"), QByteArray("70000")}) {
        QByteArray broken = kScheduleIni;
        broken.replace("mod0_defaultduration=30", QByteArray("mod0_defaultduration=" + bad));
        QCOMPARE(ScheduleIni::parse(broken).durations[0], SchedulePrefs::FallbackDuration);
        QCOMPARE(GetDuration(ScheduleIni::parse(broken), 1), 30);
    }
    // Written with bare line feeds it reads the same.
    QByteArray unix = bytes;
    unix.replace("\r\n", "\n");
    QCOMPARE(ScheduleIni::parse(unix), prefs);
}

void TestSchedule::scheduleIniMissingOrShortGivesDefaults()
{
    QTemporaryDir dir;
    QCOMPARE(ScheduleIni::read(dir.path()), SchedulePrefs::defaults());
    // Twelve lines: the durations and two days are read, the rest are the defaults.
    const QByteArray shortFile = kScheduleIni.left(kScheduleIni.indexOf("default2="));
    const SchedulePrefs prefs = ScheduleIni::parse(shortFile);
    QCOMPARE(prefs.durations[1], 45);
    QCOMPARE(prefs.hours[1].start, QTime(8, 0));
    QCOMPARE(prefs.hours[2], SchedulePrefs::defaults().hours[2]);
    QCOMPARE(prefs.colours, SchedulePrefs::defaults().colours);
}

void TestSchedule::scheduleIniIsWrittenWholeAndReadBackUnchanged()
{
    QTemporaryDir dir;
    SchedulePrefs prefs = ScheduleIni::parse(kScheduleIni);
    prefs.hours[2] = {QTime(18, 0), QTime(8, 0)}; // a start after the stop is kept as it is
    QString error;
    QVERIFY2(ScheduleIni::write(dir.path(), prefs, &error), qPrintable(error));
    QFile file(ScheduleIni::path(dir.path()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QCOMPARE(written.count("\r\n"), 21);
    QVERIFY(written.startsWith("mod0_defaultduration=30\r\nmod1_defaultduration=45\r\n"));
    QVERIFY(written.contains("\r\ndefault2=18:00-08:00\r\n"));
    QVERIFY(written.endsWith("backcolor3=10526975\r\n"));
    QCOMPARE(ScheduleIni::read(dir.path()), prefs);
    // A folder that cannot take the file says so, and nothing is left behind.
    QVERIFY(!ScheduleIni::write(dir.filePath(u"no/such/folder"_s), prefs, &error));
    QVERIFY(!error.isEmpty());
}

void TestSchedule::lookupEdges_data()
{
    QTest::addColumn<QString>("lookup");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("expected");
    QTest::newRow("start of Wednesday") << u"start"_s << 2 << u"07:30"_s;
    QTest::newRow("start of 9 is Wednesday's") << u"start"_s << 9 << u"07:30"_s;
    QTest::newRow("start of 20 is Sunday's") << u"start"_s << 20 << u"00:00"_s;
    QTest::newRow("start of -1") << u"start"_s << -1 << u"00:00"_s;
    QTest::newRow("stop of Wednesday") << u"stop"_s << 2 << u"16:30"_s;
    QTest::newRow("stop of 9") << u"stop"_s << 9 << u"23:59"_s;
    QTest::newRow("stop of -1") << u"stop"_s << -1 << u"23:59"_s;
    QTest::newRow("colour 3") << u"colour"_s << 3 << u"10526975"_s;
    QTest::newRow("colour 4") << u"colour"_s << 4 << u"0"_s;
    QTest::newRow("colour -1") << u"colour"_s << -1 << u"0"_s;
    QTest::newRow("duration 3") << u"duration"_s << 3 << u"25"_s;
    QTest::newRow("duration 0") << u"duration"_s << 0 << u"30"_s;
    QTest::newRow("duration 11") << u"duration"_s << 11 << u"30"_s;
}

void TestSchedule::lookupEdges()
{
    QFETCH(QString, lookup);
    QFETCH(int, index);
    QFETCH(QString, expected);
    const SchedulePrefs prefs = ScheduleIni::parse(kScheduleIni);
    const QString got = lookup == u"start"_s    ? GetStart(prefs, index)
                        : lookup == u"stop"_s   ? GetStop(prefs, index)
                        : lookup == u"colour"_s ? QString::number(GetBackColour(prefs, index))
                                                : QString::number(GetDuration(prefs, index));
    QCOMPARE(got, expected);
}

void TestSchedule::daySlotTables_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastSlot");
    QTest::newRow("30") << 30 << 48 << u"23:30"_s;
    QTest::newRow("45") << 45 << 32 << u"23:15"_s;
    QTest::newRow("25") << 25 << 58 << u"23:45"_s;
    QTest::newRow("7") << 7 << 206 << u"23:55"_s;
    QTest::newRow("a whole day") << 1440 << 1 << u"00:00"_s;
    QTest::newRow("0 falls back to 30") << 0 << 48 << u"23:30"_s;
    QTest::newRow("-20 falls back to 30") << -20 << 48 << u"23:30"_s;
}

void TestSchedule::daySlotTables()
{
    QFETCH(int, minutes);
    QFETCH(int, rows);
    QFETCH(QString, lastSlot);
    const QList<DaySlot> table = daySlotTable(minutes, u"08:00"_s, u"17:00"_s);
    QCOMPARE(table.size(), rows);
    QCOMPARE(table.first().time, u"00:00"_s);
    QCOMPARE(table.last().time, lastSlot);
    if (minutes == 30) {
        // Main working hours from the slot of their start to the one before their stop.
        QCOMPARE(table.at(15).colour, 0);
        QCOMPARE(table.at(16).colour, 1);
        QCOMPARE(table.at(33).colour, 1);
        QCOMPARE(table.at(34).colour, 0);
    }
}

void TestSchedule::editDatesHold91Days_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<int>("firstOffset");
    QTest::newRow("09:00") << QTime(9, 0) << 0;
    QTest::newRow("11:59") << QTime(11, 59) << 0;
    QTest::newRow("12:00") << QTime(12, 0) << 1;
    QTest::newRow("15:00") << QTime(15, 0) << 1;
}

void TestSchedule::editDatesHold91Days()
{
    QFETCH(QTime, now);
    QFETCH(int, firstOffset);
    const QDate today(2008, 12, 31);
    const QList<QDate> dates = editDates(QDateTime(today, now));
    QCOMPARE(dates.size(), 91);
    QCOMPARE(dates.first(), today.addDays(firstOffset));
    QCOMPARE(dates.last(), today.addDays(firstOffset + 90));
}

void TestSchedule::typedTimesAreRead_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("colon");
    QTest::addColumn<QTime>("time");
    QTest::newRow("10:00") << u"10:00"_s << true << true << QTime(10, 0);
    QTest::newRow("9:5") << u" 9:5 "_s << true << true << QTime(9, 5);
    QTest::newRow("with seconds") << u"14:35:20"_s << true << true << QTime(14, 35, 20);
    QTest::newRow("afternoon") << u"2:30 PM"_s << true << true << QTime(14, 30);
    QTest::newRow("date and time") << u"12.05.2008 14:30"_s << true << true << QTime(14, 30);
    QTest::newRow("a date alone") << u"12.05.2008"_s << true << false << QTime(0, 0);
    QTest::newRow("25:00") << u"25:00"_s << false << true << QTime();
    QTest::newRow("words") << u"soon"_s << false << false << QTime();
    QTest::newRow("empty") << QString() << false << false << QTime();
}

void TestSchedule::typedTimesAreRead()
{
    QFETCH(QString, typed);
    QFETCH(bool, readable);
    QFETCH(bool, colon);
    QFETCH(QTime, time);
    const TimeReading reading = readTimeValue(typed);
    QCOMPARE(reading.readable, readable);
    QCOMPARE(reading.hasColon, colon);
    if (readable)
        QCOMPARE(reading.time, time);
    else
        QVERIFY(!reading.failure.isEmpty());
}

void TestSchedule::emergencyTimePreset_data()
{
    QTest::addColumn<int>("dayOffset");
    QTest::addColumn<QTime>("now");
    QTest::addColumn<QString>("preset");
    QTest::newRow("today: the next slot") << 0 << QTime(10, 7) << u"10:15"_s;
    QTest::newRow("today on a slot") << 0 << QTime(10, 15) << u"10:15"_s;
    QTest::newRow("today after the last slot: now") << 0 << QTime(23, 50) << u"23:50"_s;
    QTest::newRow("another day: the start of the working hours") << 1 << QTime(10, 7) << u"07:30"_s;
}

void TestSchedule::emergencyTimePreset()
{
    QFETCH(int, dayOffset);
    QFETCH(QTime, now);
    QFETCH(QString, preset);
    const QDate today(2008, 5, 12);
    QCOMPARE(presetEmergencyTime(slotTimes(daySlotTable(15)), today.addDays(dayOffset), u"07:30"_s, QDateTime(today, now)),
             preset);
}

void TestSchedule::emergencyMovesFollowEachOther_data()
{
    QTest::addColumn<QTime>("start");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QStringList>("records"); // "start|duration|id"
    QTest::addColumn<QStringList>("moves");   // "id>new start"
    QTest::addColumn<int>("unmoved");
    QTest::newRow("30 minutes at 10:00, three to move")
        << QTime(10, 0) << 30 << QStringList{u"10:00|30|11"_s, u"10:30|30|12"_s, u"11:00|30|13"_s}
        << QStringList{u"11>10:30"_s, u"12>11:00"_s, u"13>11:30"_s} << 0;
    QTest::newRow("each gets at least the emergency's length")
        << QTime(10, 0) << 30 << QStringList{u"10:00|15|11"_s, u"10:15|15|12"_s}
        << QStringList{u"11>10:30"_s, u"12>11:00"_s} << 0;
    QTest::newRow("a longer one keeps its length")
        << QTime(10, 0) << 30 << QStringList{u"10:00|60|11"_s, u"11:00|30|12"_s}
        << QStringList{u"11>10:30"_s, u"12>11:30"_s} << 0;
    QTest::newRow("none") << QTime(10, 0) << 30 << QStringList{} << QStringList{} << 0;
    QTest::newRow("not past midnight") << QTime(22, 30) << 60 << QStringList{u"22:30|60|11"_s, u"23:30|30|12"_s}
                                       << QStringList{u"11>23:30"_s} << 1;
}

void TestSchedule::emergencyMovesFollowEachOther()
{
    QFETCH(QTime, start);
    QFETCH(int, minutes);
    QFETCH(QStringList, records);
    QFETCH(QStringList, moves);
    QFETCH(int, unmoved);
    QList<Record> reply;
    for (const QString &r : records) {
        const QStringList f = r.split(u'|');
        reply.append({f.at(0), f.at(1), f.at(2), u"Botha"_s, u"Johan"_s});
    }
    const DelayPlan plan = delayPlan(reply, start, minutes);
    QStringList got;
    for (const DelayMove &move : plan.moves)
        got.append(QString::number(move.id) + u'>' + move.to.toString(u"HH:mm"_s));
    QCOMPARE(got, moves);
    QCOMPARE(plan.unmoved.size(), unmoved);
    if (!plan.moves.isEmpty()) {
        QCOMPARE(plan.moves.first().from.toString(u"HH:mm"_s), records.first().left(5));
        QCOMPARE(plan.moves.first().name, u"Botha, Johan"_s);
    }
}

// --- the day view

void TestSchedule::modalityButtonsFromModList_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("inPieces");
    QTest::newRow("twelve: the first ten fill the buttons") << 12 << false;
    QTest::newRow("three: the rest stay empty") << 3 << false;
    QTest::newRow("three, cut inside a record") << 3 << true;
}

void TestSchedule::modalityButtonsFromModList()
{
    QFETCH(int, records);
    QFETCH(bool, inPieces);
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    QList<QByteArray> list;
    for (int i = 0; i < records; ++i)
        list.append(QByteArray::number(i + 1) + "|Mod " + QByteArray::number(i + 1) + "|Room|Text");
    const QByteArray reply = listReply(list);
    if (inPieces)
        server.answerInPieces({reply.left(30), reply.mid(30)});
    else
        server.answer(reply);
    server.answer(numberReply(0));
    QVERIFY(desk.trigger(ToolIds::Scheduler)); // the toolbar's "Scheduler" does what the menu does
    QTRY_VERIFY(desk.dayView());
    QTRY_VERIFY(desk.idle());
    AppointmentWindow *day = desk.dayView();
    QCOMPARE(day->windowTitle(), u"Appointment System"_s);
    QCOMPARE(server.requests.first(), QByteArray("CMDModList|List/CMD"));
    for (int i = 0; i < 10; ++i) {
        auto *b = child<QPushButton>(day, u"cmdMod%1"_s.arg(i));
        if (i < records) {
            QCOMPARE(b->text(), u"Mod %1, Room, Text"_s.arg(i + 1));
            QCOMPARE(b->property("tag").toString(), QString::number(i + 1));
            QVERIFY(b->isEnabled());
        } else {
            QCOMPARE(b->text(), u"(empty)"_s);
            QCOMPARE(b->property("tag").toString(), u"-1"_s);
            QVERIFY(!b->isEnabled());
        }
    }
    QVERIFY(child<QPushButton>(day, u"cmdMod0"_s)->isChecked());
    // The list asked for is button 0's, for today.
    QCOMPARE(last(server), TermCountRequest(QDate::currentDate(), 1));
    QVERIFY(desk.prompts.shown.isEmpty());
}

void TestSchedule::emptyModalityListOpensNothing()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    server.answer(listReply({}));
    QVERIFY(desk.trigger(MenuIds::AppointmentSystem));
    QTRY_COMPARE(desk.prompts.shown.size(), 1);
    QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Information);
    QCOMPARE(desk.prompts.shown.first().title, kTitle);
    QCOMPARE(desk.prompts.shown.first().text, u"No Modalities in database, please configure modality list!"_s);
    QVERIFY(!desk.dayView());
    QVERIFY(desk.state().ModalityList.isEmpty());
}

void TestSchedule::unusableModalityListDisablesTheWindow()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    // Asked again, the server has none: the list stays empty and the open window cannot use it.
    server.answer(listReply({}));
    QVERIFY(desk.trigger(MenuIds::AppointmentSystem));
    QTRY_COMPARE(desk.prompts.shown.size(), 1);
    QVERIFY(desk.state().ModalityList.isEmpty());
    day->activate();
    QCOMPARE(desk.prompts.shown.size(), 2);
    QCOMPARE(desk.prompts.shown.last().icon, Prompter::Icon::Error);
    QCOMPARE(desk.prompts.shown.last().title, u"Appointment System"_s);
    QVERIFY(desk.prompts.shown.last().text.endsWith(u"\r\n\r\nPlease check preferences"_s));
    QVERIFY(!child<QWidget>(day, u"pBox"_s)->isEnabled());
    QVERIFY(!button(day, u"cmdExit"_s)->isEnabled() || !button(day, u"cmdExit"_s)->isEnabledTo(day));

    // A record with fewer than four fields makes the list unusable the same way.
    desk.state().ModalityList = {u"1|X-Ray|Room 1"_s};
    QVERIFY(!day->ModListe());
    QVERIFY(desk.prompts.shown.last().text.contains(u"1|X-Ray|Room 1"_s));
}

void TestSchedule::dayListShowsTheChosenDay()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server, {appointment(17, "08:00", "Botha"),
                                                        appointment(18, "1899-12-30 08:30:00", "Nel", 45, "-1", 20)});
    AppointmentList *list = dayList(day);
    QCOMPARE(column(list, AppointmentList::AppId), (QStringList{u"17"_s, u"18"_s}));
    QCOMPARE(column(list, AppointmentList::Time), (QStringList{u"08:00"_s, u"08:30"_s}));
    QCOMPARE(column(list, AppointmentList::LastName), (QStringList{u"Botha"_s, u"Nel"_s}));
    QCOMPARE(column(list, AppointmentList::FirstName), (QStringList{u"Mary"_s, u"Mary"_s}));
    QCOMPARE(column(list, AppointmentList::BodyPart), (QStringList{u"Chest"_s, u"Chest"_s}));
    QCOMPARE(column(list, AppointmentList::Duration), (QStringList{u"30"_s, u"45"_s}));
    // The record of 20 fields has no accession number.
    QCOMPARE(column(list, AppointmentList::Accession), (QStringList{u"517"_s, QString()}));
    QVERIFY(desk.prompts.shown.isEmpty());

    QVERIFY(!button(day, u"cmdBearbeiten"_s)->isEnabled());
    QVERIFY(!button(day, u"cmdLoeschen"_s)->isEnabled());
    clickRow(list, 1);
    QCOMPARE(desk.state().CurrentTerminID, 18);
    QVERIFY(button(day, u"cmdBearbeiten"_s)->isEnabled());
    QVERIFY(button(day, u"cmdLoeschen"_s)->isEnabled());

    // Another day with no appointments: the list empties at once and no list is asked for; Edit and
    // Delete wait for a row of that day.
    server.answer(numberReply(0));
    const int before = int(server.requests.size());
    child<QCalendarWidget>(day, u"Calendar"_s)->setSelectedDate(QDate::currentDate().addDays(3));
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!button(day, u"cmdBearbeiten"_s)->isEnabled());
    QTRY_VERIFY(desk.idle());
    QCOMPARE(server.requests.size(), before + 1);
    QCOMPARE(last(server), TermCountRequest(QDate::currentDate().addDays(3), 1));
    QCOMPARE(list->topLevelItemCount(), 0);

    // Another modality with appointments on that day.
    server.answer(numberReply(1));
    server.answer(listReply({appointment(30, "09:00", "Venter")}));
    QTest::mouseClick(child<QPushButton>(day, u"cmdMod1"_s), Qt::LeftButton);
    QTRY_COMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(server.requests.mid(before + 1),
             (QList<QByteArray>{TermCountRequest(QDate::currentDate().addDays(3), 3),
                                TermListRequest(QDate::currentDate().addDays(3), 3)}));
    QCOMPARE(day->GetActiveMod(), 1);
    QCOMPARE(day->GetActiveModID(), 3);
}

void TestSchedule::modalityWithoutIdRequestsNothing()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server, {appointment(17, "08:00", "Botha")});
    const qsizetype before = server.requests.size();
    day->Terminliste(-1);
    QTest::qWait(50);
    QCOMPARE(server.requests.size(), before);
    QCOMPARE(dayList(day)->topLevelItemCount(), 1);
}

void TestSchedule::debugModeStopsAtTheShortRecord()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    desk.session.DebugMode = true;
    AppointmentWindow *day = openDayView(desk, server,
                                         {appointment(17, "08:00", "Botha"), appointment(18, "08:30", "Nel", 30, "0", 20)});
    Q_UNUSED(day);
    QCOMPARE(desk.prompts.shown.size(), 1);
    QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::None);
    QVERIFY(desk.prompts.shown.first().text.startsWith(u"9 , "_s));
}

void TestSchedule::slotTableFollowsTheModalityButton()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    auto *grid = child<QTableWidget>(day, u"dgTerm"_s);
    QVERIFY(!grid->isVisible());
    QCOMPARE(grid->rowCount(), 48); // button 0: 30 minutes
    for (const auto &[index, rows] : {std::pair{1, 32}, std::pair{2, 58}}) {
        server.answer(numberReply(0));
        QTest::mouseClick(child<QPushButton>(day, u"cmdMod%1"_s.arg(index)), Qt::LeftButton);
        QTRY_VERIFY(desk.idle());
        if (index == 2)
            break; // button 2 has no modality in this list: it cannot be pressed
        QCOMPARE(grid->rowCount(), rows);
        QCOMPARE(day->slotTimes().last(), u"23:15"_s);
    }
    QVERIFY(!grid->isVisible());
}

void TestSchedule::singleDeletionAsksFirst()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server, {appointment(17, "08:00", "Botha")});
    clickRow(dayList(day), 0);
    desk.prompts.answers = {Prompter::Answer::No};
    const qsizetype before = server.requests.size();
    click(day, u"cmdLoeschen"_s);
    QCOMPARE(desk.prompts.shown.last().text, u"Do you really want to delete this appointment?"_s);
    QCOMPARE(desk.prompts.shown.last().buttons, Prompter::Buttons::YesNo);
    QTest::qWait(50);
    QCOMPARE(server.requests.size(), before);

    // Yes: the only appointment of the day goes, and the list shows the empty day.
    desk.prompts.answers = {Prompter::Answer::Yes};
    server.answer(numberReply(1));
    server.answer(numberReply(0));
    click(day, u"cmdLoeschen"_s);
    QTRY_COMPARE(desk.prompts.shown.last().text, u"Appointment delete succesfully!"_s);
    QCOMPARE(desk.prompts.shown.last().icon, Prompter::Icon::None);
    QCOMPARE(desk.prompts.shown.last().title, kTitle);
    QTRY_COMPARE(dayList(day)->topLevelItemCount(), 0);
    QCOMPARE(server.requests.at(before), QByteArray("CMDTermDel|17/CMD"));
    QTRY_VERIFY(desk.idle());
    QCOMPARE(last(server), TermCountRequest(QDate::currentDate(), 1));
    QVERIFY(!button(day, u"cmdBearbeiten"_s)->isEnabled());
    QVERIFY(!button(day, u"cmdLoeschen"_s)->isEnabled());
}

// --- booking

void TestSchedule::newAppointmentChecks_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("duration");
    QTest::addColumn<int>("bodyPart");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("timeAfter");     // "now" for the current time
    QTest::addColumn<QString>("durationAfter");
    QTest::newRow("no body part") << u"10:00"_s << u"30"_s << -1 << u"No bodypart selcted!"_s << kTitle << u"10:00"_s << u"30"_s;
    QTest::newRow("a date, no time") << u"12.05.2008"_s << u"30"_s << 0 << u"Date is not a time-value!"_s << kTitle
                                     << u"now"_s << u"30"_s;
    QTest::newRow("no time at all") << u"soon"_s << u"30"_s << 0 << u"'soon' cannot be read as a time of day."_s
                                    << u"New Appointment"_s << u"soon"_s << u"30"_s;
    QTest::newRow("duration 0") << u"10:00"_s << u"0"_s << 0 << u"Invalid Duration!"_s << kTitle << u"10:00"_s << u"30"_s;
    QTest::newRow("duration -15") << u"10:00"_s << u"-15"_s << 0 << u"Invalid Duration!"_s << kTitle << u"10:00"_s << u"30"_s;
    QTest::newRow("duration in words") << u"10:00"_s << u"half an hour"_s << 0
                                       << u"'half an hour' is not a whole number of minutes."_s << u"New Appointment"_s
                                       << u"10:00"_s << u"half an hour"_s;
}

void TestSchedule::newAppointmentChecks()
{
    QFETCH(QString, time);
    QFETCH(QString, duration);
    QFETCH(int, bodyPart);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(QString, timeAfter);
    QFETCH(QString, durationAfter);
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    server.answer(listReply({"Knee", "Chest"}));
    server.answer(numberReply(0));
    QString timeShown;
    QString durationShown;
    int prompts = -1;
    qsizetype requests = -1;
    whenModal(u"fTerminNeu"_s, [&](QWidget *window) {
        auto *bodyParts = child<QComboBox>(window, u"cboBodypart"_s);
        if (!QTest::qWaitFor([&] { return bodyParts->count() == 2 && desk.idle(); }, 5000))
            qWarning("no body parts");
        requests = server.requests.size();
        enterAll(window, {u"Zeit="_s + time, u"Duration="_s + duration});
        if (bodyPart >= 0)
            enter(window, u"cboBodypart=#%1"_s.arg(bodyPart));
        click(window, u"cmdOK"_s);
        timeShown = child<QComboBox>(window, u"Zeit"_s)->currentText();
        durationShown = child<QComboBox>(window, u"Duration"_s)->currentText();
        prompts = int(desk.prompts.shown.size());
        static_cast<QDialog *>(window)->reject();
    });
    click(day, u"cmdNeu"_s);
    QCOMPARE(prompts, 1);
    QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Error);
    QCOMPARE(desk.prompts.shown.first().text, message);
    QCOMPARE(desk.prompts.shown.first().title, title);
    if (timeAfter == u"now"_s)
        QVERIFY(qAbs(QTime::fromString(timeShown, u"HH:mm"_s).secsTo(QTime::currentTime())) < 120);
    else
        QCOMPARE(timeShown, timeAfter);
    QCOMPARE(durationShown, durationAfter);
    // Nothing was sent but the body parts and, once the window closed, the day's list.
    QCOMPARE(server.requests.at(requests - 1), BodyListRequest());
    QTRY_VERIFY(desk.idle());
    QCOMPARE(server.requests.mid(requests), (QList<QByteArray>{TermCountRequest(QDate::currentDate(), 1)}));
}

void TestSchedule::newAppointmentIsBookedForToday()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    // The day view shows another day; the default booking is for today all the same.
    server.answer(numberReply(0));
    child<QCalendarWidget>(day, u"Calendar"_s)->setSelectedDate(QDate::currentDate().addDays(5));
    QTRY_VERIFY(desk.idle());
    server.answer(listReply({"Knee", "Chest", "Abdomen"}));
    server.answer(numberReply(0)); // refused first
    server.answer(numberReply(1));
    server.answer(numberReply(0));
    QStringList shown;
    int durations = 0;
    whenModal(u"fTerminNeu"_s, [&](QWidget *window) {
        auto *bodyParts = child<QComboBox>(window, u"cboBodypart"_s);
        (void)QTest::qWaitFor([&] { return bodyParts->count() == 3 && desk.idle(); }, 5000);
        for (const QString &name : {u"txtDatum"_s, u"txtXray"_s, u"txtName"_s, u"txtFolder"_s, u"txtModality"_s})
            shown.append(child<QLineEdit>(window, name)->text());
        shown.append(child<QLineEdit>(window, u"txtID"_s)->text());
        shown.append(bodyParts->itemText(0)); // kept sorted
        durations = child<QComboBox>(window, u"Duration"_s)->count();
        shown.append(child<QComboBox>(window, u"Duration"_s)->itemText(9));
        enterAll(window, {u"Zeit=9:5"_s, u"cboBodypart=#2"_s});
        child<QPlainTextEdit>(window, u"Sonstiges"_s)->setPlainText(u"O'Neil's films"_s);
        click(window, u"cmdOK"_s);
        (void)QTest::qWaitFor([&] { return desk.prompts.shown.size() == 1; }, 5000);
        // Not registered: the window stays open with what was typed, and "OK" goes again.
        click(window, u"cmdOK"_s);
    });
    click(day, u"cmdNeu"_s);
    QCOMPARE(shown, (QStringList{QDate::currentDate().toString(u"dd.MM.yyyy"_s), u"0051234"_s, u"O'Brien, Mary"_s,
                                 u"12345678"_s, u"X-Ray, Room 1, Plain films"_s, u"877"_s, u"Abdomen"_s, u"300"_s}));
    QCOMPARE(durations, 10);
    QCOMPARE(desk.shownTexts(), (QStringList{u"New appointment not registered, please try again!"_s,
                                            u"New appointment registered successfully!"_s}));
    const QByteArray booked = "CMDTermNeu|877','1','" + QDate::currentDate().toString(u"yyyyMMdd"_s).toLatin1()
                              + "','09:05','Knee','O''Neil''s films','30','','0051234/CMD";
    QCOMPARE(server.requests.count(booked), 2);
    QVERIFY(!desk.main->findChild<NewAppointmentDialog *>());
    QTRY_VERIFY(desk.idle());
    QCOMPARE(last(server), TermCountRequest(QDate::currentDate().addDays(5), 1));
}

void TestSchedule::patientIdMustBeANumber()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    desk.session.SelectedPatient.PatientId = u"877','1"_s;
    AppointmentWindow *day = openDayView(desk, server);
    server.answer(listReply({"Knee"}));
    server.answer(numberReply(0));
    whenModal(u"fTerminNeu"_s, [&](QWidget *window) {
        (void)QTest::qWaitFor([&] { return child<QComboBox>(window, u"cboBodypart"_s)->count() == 1 && desk.idle(); }, 5000);
        enter(window, u"cboBodypart=#0"_s);
        click(window, u"cmdOK"_s);
        static_cast<QDialog *>(window)->reject();
    });
    click(day, u"cmdNeu"_s);
    QCOMPARE(desk.shownTexts(), QStringList{u"The patient's ID '877','1' is not a number; choose the patient again."_s});
    QTRY_VERIFY(desk.idle());
    for (const QByteArray &r : server.requests)
        QVERIFY(!r.startsWith("CMDTermNeu"));
}

void TestSchedule::typedFramingIsRefused_data()
{
    QTest::addColumn<QString>("information");
    QTest::addColumn<QString>("field");
    QTest::newRow("a bar") << u"left|right"_s << u"Additional Informations"_s;
    QTest::newRow("a line break") << u"line one\nline two"_s << u"Additional Informations"_s;
    QTest::newRow("the end marker") << u"see /cmd"_s << u"Additional Informations"_s;
}

void TestSchedule::typedFramingIsRefused()
{
    QFETCH(QString, information);
    QFETCH(QString, field);
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    server.answer(listReply({"Knee"}));
    server.answer(numberReply(0));
    qsizetype requests = 0;
    whenModal(u"fTerminNeu"_s, [&](QWidget *window) {
        (void)QTest::qWaitFor([&] { return child<QComboBox>(window, u"cboBodypart"_s)->count() == 1 && desk.idle(); }, 5000);
        requests = server.requests.size();
        enter(window, u"cboBodypart=#0"_s);
        child<QPlainTextEdit>(window, u"Sonstiges"_s)->setPlainText(information);
        click(window, u"cmdOK"_s);
        static_cast<QDialog *>(window)->reject();
    });
    click(day, u"cmdNeu"_s);
    QCOMPARE(desk.prompts.shown.size(), 1);
    QVERIFY2(desk.prompts.shown.first().text.contains(u'\'' + field + u'\''), qPrintable(desk.prompts.shown.first().text));
    QTRY_VERIFY(desk.idle());
    for (const QByteArray &r : server.requests.mid(requests))
        QVERIFY(!r.startsWith("CMDTermNeu"));
}

void TestSchedule::emergencyMovesEveryAppointmentOneAfterTheOther()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server, {appointment(11, "10:00", "Botha"), appointment(12, "10:30", "Nel"),
                                                        appointment(13, "11:00", "Venter")});
    server.answer(listReply({"Chest"}));
    click(day, u"cmdEmergency"_s);
    auto *window = desk.main->findChild<EmergencyDialog *>();
    QVERIFY(window);
    QVERIFY(!window->isModal());
    QTRY_COMPARE(child<QComboBox>(window, u"cboBodypart"_s)->count(), 1);
    QTRY_VERIFY(desk.idle());
    const qsizetype start = server.requests.size();

    // Each move waits for the server's answer to the one before.
    server.answer(numberReply(1));                                   // EMNEU
    server.answer(numberReply(4711));                                // TERMID
    server.answer(listReply({"10:00|30|11|Botha|Mary", "10:30|30|12|Nel|Mary", "11:00|30|13|Venter|Mary"}));
    for (int i = 0; i < 3; ++i)
        server.answer(numberReply(1));                               // APPUPDATE
    server.answer(numberReply(4));
    server.answer(listReply({appointment(4711, "10:00", "O'Brien", 30, "-1"), appointment(11, "10:30", "Botha"),
                             appointment(12, "11:00", "Nel"), appointment(13, "11:30", "Venter")}));
    // Another window books meanwhile: the moves keep the emergency's own day and length.
    connect(&server, &ScriptedServer::requestReceived, this, [&desk](const QByteArray &line) {
        if (!line.startsWith("CMDTermId"))
            return;
        desk.state().Booking.Duration = 90;
        desk.state().Booking.Date = u"20080101"_s;
        desk.state().Booking.Time = QTime(7, 0);
    });
    enterAll(window, {u"Zeit=10:00"_s, u"Duration=30"_s, u"cboBodypart=#0"_s});
    click(window, u"cmdOK"_s);
    QTRY_COMPARE(dayList(day)->topLevelItemCount(), 4);
    QTRY_VERIFY(desk.idle());
    const QString dayText = QDate::currentDate().toString(u"yyyyMMdd"_s);
    QCOMPARE(server.requests.mid(start),
             (QList<QByteArray>{"CMDEmNeu|877,'1','" + dayText.toLatin1() + "','10:00','Chest','','30','', -1/CMD",
                                "CMDTermId|877|" + dayText.toLatin1() + "|10:00/CMD",
                                "CMDEmInsert|" + dayText.toLatin1() + "|10:00|1|4711/CMD", "CMDAppUpdate|10:30|11/CMD",
                                "CMDAppUpdate|11:00|12/CMD", "CMDAppUpdate|11:30|13/CMD", TermCountRequest(QDate::currentDate(), 1),
                                TermListRequest(QDate::currentDate(), 1)}));
    // Every move went on a connection of its own, after the answer to the one before.
    QCOMPARE(server.connectionBytes.count("CMDAppUpdate|11:00|12/CMD"), 1);
    // The message comes once, at the end, titled with the main window's caption.
    QCOMPARE(desk.shownTexts(), (QStringList{u"New emergency appointment registered successfully!"_s,
                                            u"Other appointments have been delayed!"_s}));
    QCOMPARE(desk.prompts.shown.last().title, u"VQM Zel Client"_s);
    QTRY_VERIFY(!desk.main->findChild<EmergencyDialog *>());

    // The moved rows say where they were; the emergency itself is not marked.
    AppointmentList *list = dayList(day);
    QCOMPARE(column(list, AppointmentList::Delayed),
             (QStringList{QString(), u"moved from 10:00 to 10:30"_s, u"moved from 10:30 to 11:00"_s,
                          u"moved from 11:00 to 11:30"_s}));
    QVERIFY(list->topLevelItem(1)->font(AppointmentList::LastName).bold());
    QVERIFY(!list->topLevelItem(0)->font(AppointmentList::LastName).bold());
}

void TestSchedule::emergencyMoveReplacedByAnotherCommandIsSentAgain()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    server.answer(listReply({"Chest"}));
    click(day, u"cmdEmergency"_s);
    auto *window = desk.main->findChild<EmergencyDialog *>();
    QTRY_VERIFY(desk.idle());
    server.answer(numberReply(1));
    server.answer(numberReply(4711));
    server.answer(listReply({"10:00|30|11|Botha|Mary", "10:30|30|12|Nel|Mary"}));
    server.answer(numberReply(1));
    server.stayQuiet(); // the second move is on its way when another window starts a command
    enterAll(window, {u"Zeit=10:00"_s, u"Duration=30"_s, u"cboBodypart=#0"_s});
    click(window, u"cmdOK"_s);
    QTRY_VERIFY(server.requests.contains("CMDAppUpdate|11:00|12/CMD"));
    server.answer(listReply({"Knee"}));
    desk.link().StartCommand(Command::BODYLIST);
    server.answer(numberReply(1)); // the second move, sent again
    server.answer(numberReply(0));
    QTRY_COMPARE(desk.shownTexts().count(u"Other appointments have been delayed!"_s), 1);
    QTRY_VERIFY(desk.idle());
    QCOMPARE(server.requests.count("CMDAppUpdate|11:00|12/CMD"), 2);
    QCOMPARE(server.requests.count("CMDAppUpdate|10:30|11/CMD"), 1);
    QCOMPARE(desk.state().MovedAppointments.size(), 2);
}

void TestSchedule::emergencyWithoutMovesSaysNothing()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    server.answer(listReply({"Chest"}));
    click(day, u"cmdEmergency"_s);
    auto *window = desk.main->findChild<EmergencyDialog *>();
    QTRY_VERIFY(desk.idle());
    server.answer(numberReply(1));
    server.answer(numberReply(4711));
    server.answer(listReply({}));
    server.answer(numberReply(1));
    server.answer(listReply({appointment(4711, "10:00", "O'Brien", 30, "-1")}));
    enterAll(window, {u"Zeit=10:00"_s, u"cboBodypart=#0"_s});
    click(window, u"cmdOK"_s);
    QTRY_COMPARE(dayList(day)->topLevelItemCount(), 1);
    QTRY_VERIFY(desk.idle());
    QCOMPARE(desk.shownTexts(), QStringList{u"New emergency appointment registered successfully!"_s});
    for (const QByteArray &r : server.requests)
        QVERIFY(!r.startsWith("CMDAppUpdate"));
}

void TestSchedule::emergencyWindowClosedWithoutRegistrationMovesNothing()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    // A registration refused, then the window cancelled: nothing is inserted or moved.
    server.answer(listReply({"Chest"}));
    click(day, u"cmdEmergency"_s);
    QPointer<EmergencyDialog> window = desk.main->findChild<EmergencyDialog *>();
    QTRY_VERIFY(desk.idle());
    server.answer(numberReply(0));
    // The user turns to another day while the booking is under way: the list empties and is asked
    // for once the booking has gone no further.
    const QDate other = QDate::currentDate().addDays(2);
    connect(&server, &ScriptedServer::requestReceived, this, [day, other](const QByteArray &line) {
        if (line.startsWith("CMDEmNeu"))
            child<QCalendarWidget>(day, u"Calendar"_s)->setSelectedDate(other);
    });
    server.answer(numberReply(0));
    enterAll(window, {u"Zeit=10:00"_s, u"cboBodypart=#0"_s});
    click(window, u"cmdOK"_s);
    QTRY_COMPARE(desk.shownTexts(), QStringList{u"New emergency appointment not registered, please try again!"_s});
    QTRY_COMPARE(last(server), TermCountRequest(other, 1));
    QVERIFY(window && window->isVisible());
    QTRY_VERIFY(button(window, u"cmdOK"_s)->isEnabled());
    click(window, u"cmdAbbrechen"_s);
    QTRY_VERIFY(!window);
    QTest::qWait(100);
    for (const QByteArray &r : server.requests)
        QVERIFY(!r.startsWith("CMDTermId") && !r.startsWith("CMDEmInsert"));
    QVERIFY(!desk.state().EmergencyRunning);
}

void TestSchedule::emergencyWindowKeepsWhatWasTyped()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    // Another day: the time starts at the first slot of the working hours, not at midnight.
    const QDate monday = QDate::currentDate().addDays(8 - QDate::currentDate().dayOfWeek());
    server.answer(numberReply(0));
    child<QCalendarWidget>(day, u"Calendar"_s)->setSelectedDate(monday);
    QTRY_VERIFY(desk.idle());
    server.answer(listReply({"Chest"}));
    click(day, u"cmdEmergency"_s);
    auto *window = desk.main->findChild<EmergencyDialog *>();
    QCOMPARE(child<QComboBox>(window, u"Zeit"_s)->currentText(), u"08:00"_s);
    QCOMPARE(child<QComboBox>(window, u"Zeit"_s)->count(), 48);
    QCOMPARE(child<QLineEdit>(window, u"txtDatum"_s)->text(), monday.toString(u"dd.MM.yyyy"_s));
    QCOMPARE(child<QLineEdit>(window, u"txtID"_s)->text(), u"877"_s);
    QTRY_VERIFY(desk.idle());
    enterAll(window, {u"Zeit=14:30"_s, u"Duration=60"_s});
    // Back from the day view: what was typed stays.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(window, &activate);
    QCOMPARE(child<QComboBox>(window, u"Zeit"_s)->currentText(), u"14:30"_s);
    QCOMPARE(child<QComboBox>(window, u"Duration"_s)->currentText(), u"60"_s);
    QCOMPARE(child<QLineEdit>(window, u"txtModality"_s)->text(), u"X-Ray, Room 1, Plain films"_s);
    window->reject();
}

void TestSchedule::editWindowLoadsBodyPartsThenTheAppointment()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server, {appointment(17, "08:00", "Botha", 45, "-1")});
    clickRow(dayList(day), 0);
    const qsizetype start = server.requests.size();
    server.answer(listReply({"Knee", "Chest"}));
    server.answer(listReply({appointment(17, "08:00", "Botha", 45, "-1")}));
    server.answer(numberReply(1));
    server.answer(numberReply(1));
    server.answer(listReply({appointment(17, "08:00", "Botha", 45, "1")}));
    bool okBeforeFill = true;
    QStringList shown;
    int dates = 0;
    whenModal(u"fTerminEdit"_s, [&](QWidget *window) {
        okBeforeFill = button(window, u"cmdOK"_s)->isEnabled() && !desk.idle();
        (void)QTest::qWaitFor([&] { return button(window, u"cmdOK"_s)->isEnabled(); }, 5000);
        dates = child<QComboBox>(window, u"txtDate"_s)->count();
        for (const QString &name : {u"txtName"_s, u"txtID"_s, u"txtModality"_s})
            shown.append(child<QLineEdit>(window, name)->text());
        for (const QString &name : {u"txtDate"_s, u"Zeit"_s, u"Duration"_s, u"cboBodypart"_s, u"cboStatus"_s})
            shown.append(child<QComboBox>(window, name)->currentText());
        shown.append(QString::number(child<QComboBox>(window, u"cboBodypart"_s)->count()));
        shown.append(child<QCheckBox>(window, u"Emergency"_s)->isChecked() ? u"ticked"_s : u"clear"_s);
        click(window, u"cmdOK"_s); // saved unchanged
    });
    click(day, u"cmdBearbeiten"_s);
    QVERIFY(!okBeforeFill);
    QCOMPARE(dates, 91);
    QCOMPARE(shown, (QStringList{u"Botha, Mary"_s, u"877"_s, u"X-Ray, Room 1, Plain films"_s, u"12.05.2008"_s,
                                 u"08:00"_s, u"45"_s, u"Chest"_s, u"Booked"_s, u"2"_s, u"ticked"_s}));
    QTRY_VERIFY(desk.idle());
    QCOMPARE(server.requests.mid(start, 3),
             (QList<QByteArray>{BodyListRequest(), "CMDWeekRec|17/CMD",
                                "CMDAppEdit|20080512|08:00|Chest|Bring films|45|Booked|1|17/CMD"}));
    QCOMPARE(desk.prompts.shown.last().text, u"Appointment edit successfully"_s);
    QCOMPARE(desk.prompts.shown.last().title, u"VQM Zel Client"_s);
    QVERIFY(!desk.main->findChild<EditAppointmentDialog *>());
    QCOMPARE(last(server), TermListRequest(QDate::currentDate(), 1));
}

// --- preferences and deletion

void TestSchedule::preferencesStartWithTheColoursInUse()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    const QColor defaultColour(0xAD, 0xD8, 0xE6); // 15128749
    const QColor emergencyColour(0xFF, 0xA0, 0xA0); // 10526975
    desk.dialogs.colours = {emergencyColour, emergencyColour, defaultColour};
    whenModal(u"fPrefs"_s, [&](QWidget *window) {
        click(window, u"BackColour2"_s); // the emergency's colour for default appointments: refused
        click(window, u"BackColour0"_s); // for the hours outside the main ones it may be
        click(window, u"BackColour3"_s); // back to the colour box 2 still has: refused
        click(window, u"cmdOK"_s);
    });
    auto *preferences = day->findChild<QAction *>(u"mnuPreferences"_s);
    preferences->trigger();
    QCOMPARE(desk.dialogs.offeredColours, (QList<QColor>{defaultColour, QColor(0xE0, 0xE0, 0xE0), emergencyColour}));
    const QString sameColour = u"Backcolor of 'Default Appointments' and \r\nbackcolor of 'Emergency Appointments'\r\n"
                               u"cannot be the same color!\r\n\r\nPlease select another color."_s;
    QCOMPARE(desk.shownTexts(), (QStringList{sameColour, sameColour, u"Changes successfully saved!"_s}));
    QCOMPARE(desk.prompts.shown.first().title, u"Preferences"_s);
    QCOMPARE(desk.prompts.shown.last().title, u"Appointment System"_s);
    const SchedulePrefs saved = ScheduleIni::read(desk.dir.path());
    QCOMPARE(saved.colours, (std::array<quint32, 4>{10526975u, 16777215u, 15128749u, 10526975u}));
}

void TestSchedule::preferencesWriteWhatWasTyped()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    QStringList loaded;
    whenModal(u"fPrefs"_s, [&](QWidget *window) {
        loaded = {child<QLineEdit>(window, u"Text2"_s)->text(), child<QLineEdit>(window, u"From2"_s)->text(),
                  child<QLineEdit>(window, u"To2"_s)->text(), child<QLabel>(window, u"Day0"_s)->text()};
        click(window, u"cmdOK"_s); // nothing changed
    });
    QFile::remove(ScheduleIni::path(desk.dir.path()));
    day->findChild<QAction *>(u"mnuPreferences"_s)->trigger();
    QCOMPARE(loaded, (QStringList{u"45"_s, u"07:30"_s, u"16:30"_s, QLocale().dayName(1)}));
    // Saved unchanged: the file is written again, as the day view had it, without a word.
    QVERIFY(desk.prompts.shown.isEmpty());
    QCOMPARE(ScheduleIni::read(desk.dir.path()), ScheduleIni::parse(kScheduleIni));

    whenModal(u"fPrefs"_s, [&](QWidget *window) {
        enterAll(window, {u"Text1=22.5"_s, u"Text2=23.5"_s, u"From2=18:00"_s, u"To2=08:00"_s});
        click(window, u"cmdOK"_s);
    });
    day->findChild<QAction *>(u"mnuPreferences"_s)->trigger();
    QCOMPARE(desk.shownTexts(), QStringList{u"Changes successfully saved!"_s});
    const SchedulePrefs saved = ScheduleIni::read(desk.dir.path());
    QCOMPARE(saved.durations[0], 22); // halves to the even number
    QCOMPARE(saved.durations[1], 24);
    QCOMPARE(saved.hours[2].start, QTime(18, 0));
    QCOMPARE(saved.hours[2].stop, QTime(8, 0));
    // The open day view keeps what it loaded.
    QCOMPARE(day->GetDuration(1), 30);
}

void TestSchedule::preferencesRefuseWhatCannotBeSaved_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("message");
    QTest::newRow("an hour that is no time") << u"From3=25:99"_s << u"Default working hours not date/time"_s;
    QTest::newRow("an empty hour") << u"To6="_s << u"Default working hours not date/time"_s;
    QTest::newRow("a duration that is no number") << u"Text4=abc"_s << u"An error occured, settings not saved!"_s;
    QTest::newRow("a duration of 0") << u"Text4=0"_s << u"The default duration of 'Modality 4' must be between 1 and 1440 minutes."_s;
    QTest::newRow("a negative duration") << u"Text10=-5"_s << u"The default duration of 'Modality 10' must be between 1 and 1440 minutes."_s;
}

void TestSchedule::preferencesRefuseWhatCannotBeSaved()
{
    QFETCH(QString, edit);
    QFETCH(QString, message);
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    AppointmentWindow *day = openDayView(desk, server);
    bool stayedOpen = false;
    whenModal(u"fPrefs"_s, [&](QWidget *window) {
        enter(window, edit);
        click(window, u"cmdOK"_s);
        stayedOpen = window->isVisible();
        static_cast<QDialog *>(window)->reject();
    });
    day->findChild<QAction *>(u"mnuPreferences"_s)->trigger();
    QVERIFY(stayedOpen);
    QCOMPARE(desk.shownTexts(), QStringList{message});
    QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Error);
    QCOMPARE(desk.prompts.shown.first().title, u"Preferences"_s);
    QFile file(ScheduleIni::path(desk.dir.path()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), kScheduleIni);
}

void TestSchedule::deletionWindowSendsOnlyValidTimes()
{
    ScriptedServer server;
    ScheduleDesk desk(server.port());
    server.answer(numberReply(0));
    server.answer(numberReply(3));
    QStringList sent;
    whenModal(u"frmDelApp"_s, [&](QWidget *window) {
        click(window, u"cmdOK"_s);
        (void)QTest::qWaitFor([&] { return desk.prompts.shown.size() == 1; }, 5000);
        for (const QString &typed : {u"25:99"_s, u"7"_s, QString()}) {
            enter(window, u"MaskEdBox1="_s + typed);
            click(window, u"cmdOK2"_s);
        }
        enter(window, u"MaskEdBox1=0730"_s);
        click(window, u"cmdOK2"_s);
        (void)QTest::qWaitFor([&] { return desk.prompts.shown.size() == 5; }, 5000);
        static_cast<QDialog *>(window)->reject();
    });
    QVERIFY(desk.trigger(MenuIds::DeleteAppointments));
    QCOMPARE(server.requests, (QList<QByteArray>{DelAppRequest(QDate::currentDate()), "CMDDELAPP2|07:30/CMD"}));
    const QStringList texts = desk.shownTexts();
    QCOMPARE(texts.first(), u"0 Appointments deleted!"_s);
    QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::None);
    QCOMPARE(texts.last(), u"3 Appointments deleted!"_s);
    for (int i = 1; i < 4; ++i) {
        QCOMPARE(desk.prompts.shown.at(i).icon, Prompter::Icon::Error);
        QVERIFY(texts.at(i).endsWith(u"is not a time of day (hh:mm): no appointment has been deleted."_s));
    }
}

// --- end to end against the reference server

namespace {

struct ReferenceDesk
{
    ReferenceDesk()
    {
        options.databasePath = dir.filePath(u"department.sqlite"_s);
        QString error;
        if (!server.start(options, &error))
            qFatal("%s", qPrintable(error));
        for (const char *sql : {
                 "INSERT INTO tblPatienten (PATID, PATID1, PATNachname, PATVorname) VALUES (877, '12345678', 'O''Brien', 'Mary')",
                 "INSERT INTO tblPatienten (PATID, PATID1, PATNachname, PATVorname) VALUES (878, '12345679', 'Botha', 'Johan')",
                 "INSERT INTO tblModality (ModalityID, ModalityName, Room, Description, SortOrder) VALUES (1, 'X-Ray', 'Room 1', 'Plain', 1)",
                 "INSERT INTO tblBodyParts (BodyPart) VALUES ('Chest')",
                 "INSERT INTO tblBodyParts (BodyPart) VALUES ('Knee')"}) {
            execute(QString::fromLatin1(sql));
        }
        desk = std::make_unique<ScheduleDesk>(server.commandPort());
    }

    void execute(const QString &sql)
    {
        if (!server.database().execute(sql, nullptr))
            qFatal("cannot run %s", qPrintable(sql));
    }

    void book(const QDate &day, const QString &start, int minutes = 30)
    {
        execute(u"INSERT INTO tblAppointments (PATID, ModalityID, AppDate, StartTime, BodyPart, Duration)"
                u" VALUES (878, 1, '%1', '%2', 'Knee', %3)"_s.arg(day.toString(u"yyyy-MM-dd"_s), start).arg(minutes));
    }

    QStringList startsOn(const QDate &day)
    {
        QSqlQuery query(server.database().connection());
        query.exec(u"SELECT StartTime, Emergency FROM tblAppointments WHERE AppDate = '%1' ORDER BY StartTime, Emergency"_s
                       .arg(day.toString(u"yyyy-MM-dd"_s)));
        QStringList out;
        while (query.next())
            out.append(query.value(0).toString() + (query.value(1).toInt() != 0 ? u"!"_s : QString()));
        return out;
    }

    AppointmentWindow *open()
    {
        if (!desk->trigger(MenuIds::AppointmentSystem))
            qFatal("no appointment system");
        if (!QTest::qWaitFor([this] { return desk->dayView() && desk->idle(); }, 5000))
            qFatal("the day view did not open");
        return desk->dayView();
    }

    QTemporaryDir dir;
    ZelServer server;
    ZelServer::Options options;
    std::unique_ptr<ScheduleDesk> desk;
};

} // namespace

void TestSchedule::emergencyMovesAppointmentsOnTheServer()
{
    ReferenceDesk ref;
    const QDate day = QDate::currentDate().addDays(1);
    ref.book(day, u"10:00"_s);
    ref.book(day, u"10:30"_s);
    ref.book(day, u"11:00"_s);
    ref.book(day, u"12:00"_s);
    AppointmentWindow *view = ref.open();
    child<QCalendarWidget>(view, u"Calendar"_s)->setSelectedDate(day);
    QTRY_COMPARE(dayList(view)->topLevelItemCount(), 4);
    QTRY_VERIFY(ref.desk->idle());

    click(view, u"cmdEmergency"_s);
    auto *window = ref.desk->main->findChild<EmergencyDialog *>();
    QTRY_COMPARE(child<QComboBox>(window, u"cboBodypart"_s)->count(), 2);
    QTRY_VERIFY(ref.desk->idle());
    enterAll(window, {u"Zeit=10:00"_s, u"Duration=30"_s, u"cboBodypart=#0"_s});
    click(window, u"cmdOK"_s);
    QTRY_COMPARE(ref.desk->shownTexts().count(u"Other appointments have been delayed!"_s), 1);
    QTRY_VERIFY(ref.desk->idle());
    // All three reached the server; the one at noon was not in the way.
    QCOMPARE(ref.startsOn(day), (QStringList{u"10:00!"_s, u"10:30"_s, u"11:00"_s, u"11:30"_s, u"12:00"_s}));
    AppointmentList *list = dayList(view);
    QTRY_COMPARE(list->topLevelItemCount(), 5);
    QCOMPARE(column(list, AppointmentList::Time), (QStringList{u"10:00"_s, u"10:30"_s, u"11:00"_s, u"11:30"_s, u"12:00"_s}));
    QCOMPARE(column(list, AppointmentList::LastName),
             (QStringList{u"O'Brien"_s, u"Botha"_s, u"Botha"_s, u"Botha"_s, u"Botha"_s}));
    QCOMPARE(column(list, AppointmentList::Delayed),
             (QStringList{QString(), u"moved from 10:00 to 10:30"_s, u"moved from 10:30 to 11:00"_s,
                          u"moved from 11:00 to 11:30"_s, QString()}));
}

void TestSchedule::bookEditAndDeleteOnTheServer()
{
    ReferenceDesk ref;
    AppointmentWindow *view = ref.open();
    AppointmentList *list = dayList(view);
    QCOMPARE(list->topLevelItemCount(), 0);

    whenModal(u"fTerminNeu"_s, [&](QWidget *window) {
        (void)QTest::qWaitFor([&] { return child<QComboBox>(window, u"cboBodypart"_s)->count() == 2 && ref.desk->idle(); }, 5000);
        enterAll(window, {u"Zeit=09:00"_s, u"cboBodypart=#1"_s});
        child<QPlainTextEdit>(window, u"Sonstiges"_s)->setPlainText(u"O'Brien's old films"_s);
        click(window, u"cmdOK"_s);
    });
    click(view, u"cmdNeu"_s);
    QTRY_COMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(ref.desk->shownTexts(), QStringList{u"New appointment registered successfully!"_s});
    QCOMPARE(ref.desk->main->findChild<AppointmentList *>()->rowFields(list->topLevelItem(0)).mid(1, 6),
             (QStringList{u"09:00"_s, u"O'Brien"_s, u"Mary"_s, u"Knee"_s, u"30"_s, u"0051234"_s}));
    QTRY_VERIFY(ref.desk->idle());

    clickRow(list, 0);
    whenModal(u"fTerminEdit"_s, [&](QWidget *window) {
        (void)QTest::qWaitFor([&] { return button(window, u"cmdOK"_s)->isEnabled() && ref.desk->idle(); }, 5000);
        enterAll(window, {u"Zeit=09:30"_s, u"Duration=45"_s, u"cboStatus=Arrived"_s});
        click(window, u"cmdOK"_s);
    });
    click(view, u"cmdBearbeiten"_s);
    QTRY_COMPARE(ref.desk->shownTexts().size(), 2);
    QTRY_VERIFY(ref.desk->idle());
    QTRY_COMPARE(column(list, AppointmentList::Time), QStringList{u"09:30"_s});
    QCOMPARE(column(list, AppointmentList::Duration), QStringList{u"45"_s});
    QSqlQuery query(ref.server.database().connection());
    QVERIFY(query.exec(u"SELECT Status, Information, Emergency FROM tblAppointments"_s) && query.next());
    QCOMPARE(query.value(0).toString(), u"Arrived"_s);
    QCOMPARE(query.value(1).toString(), u"O'Brien's old films"_s);
    QCOMPARE(query.value(2).toInt(), 0);
    query.finish();

    clickRow(list, 0);
    ref.desk->prompts.answers = {Prompter::Answer::Yes};
    click(view, u"cmdLoeschen"_s);
    QTRY_COMPARE(ref.desk->shownTexts().last(), u"Appointment delete succesfully!"_s);
    QTRY_VERIFY(ref.desk->idle());
    QCOMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(ref.startsOn(QDate::currentDate()), QStringList());
}

void TestSchedule::deleteADayOnTheServer()
{
    ReferenceDesk ref;
    const QDate today = QDate::currentDate();
    ref.book(today.addDays(-2), u"10:00"_s);
    ref.book(today.addDays(-1), u"10:00"_s);
    ref.book(today, u"07:00"_s);
    ref.book(today, u"09:00"_s);
    ref.book(today.addDays(1), u"07:00"_s);
    whenModal(u"frmDelApp"_s, [&](QWidget *window) {
        click(window, u"cmdOK"_s);
        (void)QTest::qWaitFor([&] { return ref.desk->prompts.shown.size() == 1; }, 5000);
        enter(window, u"MaskEdBox1=08:00"_s);
        click(window, u"cmdOK2"_s);
        (void)QTest::qWaitFor([&] { return ref.desk->prompts.shown.size() == 2; }, 5000);
        static_cast<QDialog *>(window)->reject();
    });
    QVERIFY(ref.desk->trigger(MenuIds::DeleteAppointments));
    QCOMPARE(ref.desk->shownTexts(), (QStringList{u"2 Appointments deleted!"_s, u"1 Appointments deleted!"_s}));
    QCOMPARE(ref.startsOn(today.addDays(-1)), QStringList());
    QCOMPARE(ref.startsOn(today), QStringList{u"09:00"_s});
    QCOMPARE(ref.startsOn(today.addDays(1)), QStringList{u"07:00"_s});
}

void TestSchedule::handOverOpensTheSystemForThePatient()
{
    ReferenceDesk ref;
    ref.desk->session.SelectedPatient = {};
    AppointmentWindow *view = ref.open();
    // Without a patient there is nobody to book for.
    QVERIFY(!button(view, u"cmdNeu"_s)->isEnabled());
    QVERIFY(!button(view, u"cmdEmergency"_s)->isEnabled());
    Ui::closeTaskWindow(*view);
    QTRY_VERIFY(!ref.desk->dayView());

    // The examination saved for Johan Botha hands him over.
    openAppointmentSystemFor(*ref.desk->main, {u"878"_s, u"Botha"_s, u"Johan"_s, u"12345679"_s, u"0051235"_s});
    QTRY_VERIFY(ref.desk->dayView() && ref.desk->idle());
    view = ref.desk->dayView();
    QVERIFY(button(view, u"cmdNeu"_s)->isEnabled());
    QVERIFY(button(view, u"cmdEmergency"_s)->isEnabled());
    QString name;
    QString xray;
    whenModal(u"fTerminNeu"_s, [&](QWidget *window) {
        name = child<QLineEdit>(window, u"txtName"_s)->text();
        xray = child<QLineEdit>(window, u"txtXray"_s)->text();
        (void)QTest::qWaitFor([&] { return ref.desk->idle(); }, 5000);
        static_cast<QDialog *>(window)->reject();
    });
    click(view, u"cmdNeu"_s);
    QCOMPARE(name, u"Botha, Johan"_s);
    QCOMPARE(xray, u"0051235"_s);
}

QTEST_MAIN(TestSchedule)
#include "tst_schedule.moc"
