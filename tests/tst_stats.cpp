// The statistics against a scripted server: the code walks on the wire, the special walk, the
// period windows, the report builders' pieces and styles, the statistics window and the preview
// with its printing.

#include "core/session.h"
#include "stats/pagedreport.h"
#include "stats/previewwindow.h"
#include "stats/progresswindow.h"
#include "stats/repdates2window.h"
#include "stats/repdateswindow.h"
#include "stats/statisticwindow.h"
#include "stats/statreport.h"
#include "stats/statrequests.h"
#include "stats/statsstate.h"
#include "support/desk.h"
#include "support/scriptedserver.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// Waits for a condition with the event loop running freely (QTest's waits sleep between their
// rounds, which would turn a walk of many short steps into seconds).
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

QByteArray valueReply(const QByteArray &value)
{
    return "CMDDATA\r\n" + value + "\r\n/CMDDATA\r\n";
}

// The codes of a walk, from ranges of the statistics' table.
QList<int> codes(std::initializer_list<std::pair<int, int>> ranges)
{
    QList<int> all;
    for (const auto &[first, last] : ranges) {
        for (int c = first; c <= last; ++c)
            all.append(c);
    }
    return all;
}

QByteArray codeLine(const QByteArray &head, int code, const QByteArray &arguments)
{
    return "CMD" + head + "00" + QByteArray::number(code) + '|' + arguments + "/CMD";
}

const QList<int> kDailyCodes = codes({{1, 48}, {414, 421}, {49, 104}, {422, 429}, {105, 112}, {225, 230}, {430, 430}});
const QList<int> kShiftCodes = codes({{113, 160}, {431, 438}, {161, 216}, {439, 446}, {217, 224}, {231, 236}, {447, 447}});
const QList<int> kAnnualCodes = codes({{237, 392}});

const QDateTime kNow(QDate(2008, 4, 2), QTime(9, 30, 5));

QString tabs(int n)
{
    return QString(n, u'\t');
}

QString ruleLine()
{
    return QString(112, u'-');
}

// The document's text as pieces with CR LF, and the empty line the window starts with after it.
QString asDocument(const QString &pieces)
{
    QString text = pieces;
    return text.replace(u"\r\n"_s, u"\n"_s) + u'\n';
}

QTextBlock blockStarting(const QTextDocument &document, const QString &start)
{
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        if (b.text().startsWith(start))
            return b;
    }
    return {};
}

QTextCharFormat formatAt(const QTextBlock &block, int offset = 0)
{
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + offset + 1);
    return cursor.charFormat();
}

struct Font
{
    QString family;
    qreal size;
    bool bold;
    bool italic;
    bool underline;
};

bool hasFont(const QTextCharFormat &format, const Font &font)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.value(0) == font.family && qFuzzyCompare(format.fontPointSize(), font.size)
           && (format.fontWeight() >= QFont::Bold) == font.bold && format.fontItalic() == font.italic
           && format.fontUnderline() == font.underline;
}

// A desk whose statistics run against a scripted server.
struct StatsDesk : Desk
{
    explicit StatsDesk(ScriptedServer &scripted) : Desk(scripted.port()), server(scripted) {}

    StatsState &state() { return session.state<StatsState>(); }

    // Opens the period window of a statistic, enters the period and accepts it.
    void askPeriod(MenuId item, const QString &from, const QString &to)
    {
        auto *dates = open<RepDatesWindow>(item);
        enterAll(dates, {u"Text1="_s + from, u"Text2="_s + to});
        QTest::mouseClick(child<QPushButton>(dates, u"cmdOk"_s), Qt::LeftButton);
    }

    StatisticWindow *report()
    {
        StatisticWindow *found = nullptr;
        (void)waitUntil([&] {
            for (StatisticWindow *w : main->findChildren<StatisticWindow *>()) {
                if (w->isVisible())
                    found = w;
            }
            return found != nullptr;
        }, 10000);
        return found;
    }

    ProgressWindow *progress() { return main->findChild<ProgressWindow *>(); }

    ScriptedServer &server;
};

// Queues the answers of a walk: the position of each value as its value.
void answerPositions(ScriptedServer &server, int count)
{
    for (int p = 1; p <= count; ++p)
        server.answer(valueReply(QByteArray::number(p)));
}

QString plainReport(StatisticWindow *window)
{
    return window->textBox()->document()->toPlainText();
}

} // namespace

class TestStats : public QObject
{
    Q_OBJECT

private slots:
    // --- the walks on the wire

    void walksAskTheirCodesInOrder_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<QString>("heading");
        QTest::newRow("24 hours") << QString(MenuIds::Statistics24Hours.control) << kDailyCodes
                                  << "20080301|20080331|0"_ba << u"Daily 24 Hours Statistics"_s;
        QTest::newRow("day time") << QString(MenuIds::StatisticsDayTime.control) << kShiftCodes
                                  << "20080301|20080331|0"_ba << u"Day Time 7:00 am to 4:00 pm"_s;
        QTest::newRow("after hours") << QString(MenuIds::StatisticsAfterHours.control) << kShiftCodes
                                     << "20080301|20080331|1"_ba << u"After Hours 4:00 pm to 7:00 am"_s;
        QTest::newRow("annual") << QString(MenuIds::StatisticsAnnual.control) << kAnnualCodes
                                << "20080301|20080331|0"_ba << u"Annual Report    As On   "_s;
    }

    // Each walk asks exactly its codes, on one connection, then closes it and shows the report with
    // the answers at their positions; the progress window counted them and is gone.
    void walksAskTheirCodesInOrder()
    {
        QFETCH(QString, item);
        QFETCH(QList<int>, expected);
        QFETCH(QByteArray, arguments);
        QFETCH(QString, heading);
        ScriptedServer server;
        answerPositions(server, int(expected.size()));
        StatsDesk desk(server);
        desk.askPeriod(MenuId{QLatin1StringView(item.toLatin1())}, u"01.03.2008"_s, u"31.03.2008"_s);

        StatisticWindow *report = desk.report();
        QVERIFY(report);
        QList<QByteArray> lines;
        for (int code : expected)
            lines.append(codeLine("Stat", code, arguments));
        QCOMPARE(server.requests, lines);
        QCOMPARE(server.connectionBytes.size(), 1);
        QTRY_VERIFY(desk.idle());
        QCOMPARE(desk.state().StatRows.size(), expected.size());
        QCOMPARE(desk.state().StatRows.first(), u"1"_s);
        QCOMPARE(desk.state().StatRows.last(), QString::number(expected.size()));
        QVERIFY(report->bez().startsWith(heading));
        QVERIFY(plainReport(report).contains(heading));
        QVERIFY(!desk.progress()->isVisible());
        QCOMPARE(desk.progress()->stepText(), u"%1 of %1"_s.arg(expected.size()));
        QVERIFY(desk.prompts.shown.isEmpty());
    }

    // The step tag STAT0049 gives n = 49, whose next code is asked as "0050".
    void stepCodesKeepTheirLeadingZeros()
    {
        QCOMPARE(Stats::codeNumber(u"STAT0049"), std::optional<int>(49));
        QCOMPARE(Stats::codeText(50), u"0050"_s);
        QCOMPARE(Stats::nextWalkCode(ActionCode::Statistics24Hours, 49), std::optional<int>(50));
        QCOMPARE(Stats::codeText(114), u"00114"_s);
    }

    void specialWalksAskCountsThenDetails_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<QStringList>("rows");
        const QByteArray details = "CMDDATA\r\nIntravenous pyelogram|3\r\nCystogram|2\r\n/CMDDATA\r\n";
        const QByteArray one = "CMDDATA\r\nBronchogram|2\r\n/CMDDATA\r\n";
        QTest::newRow("counts 0 5 0 0 0 2")
            << QString(MenuIds::StatisticsSpecial1.control)
            << QList<QByteArray>{valueReply("0"), valueReply("5"), details, valueReply("0"), valueReply("0"),
                                 valueReply("0"), valueReply("2"), one}
            << QList<int>{394, 395, 405, 396, 397, 398, 399, 409}
            << QStringList{u"Genito-Urinary Tract"_s, u"5"_s, u"Intravenous pyelogram|3\r\nCystogram|2"_s,
                           u"Respiratory Tract"_s, u"2"_s, u"Bronchogram|2"_s};
        QTest::newRow("nothing to report")
            << QString(MenuIds::StatisticsSpecial1.control)
            << QList<QByteArray>(6, valueReply("0")) << QList<int>{394, 395, 396, 397, 398, 399} << QStringList{};
        QTest::newRow("second report, last category")
            << QString(MenuIds::StatisticsSpecial2.control)
            << QList<QByteArray>{valueReply("0"), valueReply("0"), valueReply("0"), valueReply("1"),
                                 "CMDDATA\r\nObstetric ultrasound|1\r\n/CMDDATA\r\n"}
            << QList<int>{400, 401, 402, 403, 413}
            << QStringList{u"Ultrasound"_s, u"1"_s, u"Obstetric ultrasound|1"_s};
    }

    void specialWalksAskCountsThenDetails()
    {
        QFETCH(QString, item);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(QList<int>, expected);
        QFETCH(QStringList, rows);
        ScriptedServer server;
        for (const QByteArray &a : answers)
            server.answer(a);
        StatsDesk desk(server);
        desk.askPeriod(MenuId{QLatin1StringView(item.toLatin1())}, u"01.03.2008"_s, u"31.03.2008"_s);
        StatisticWindow *report = desk.report();
        QVERIFY(report);
        QList<QByteArray> lines;
        for (int code : expected)
            lines.append(codeLine(code == expected.first() ? "STAT" : "Stat", code, "20080301|20080331|0"));
        QCOMPARE(server.requests, lines);
        QCOMPARE(desk.state().StatRows, rows);
        QTRY_VERIFY(desk.idle());
        for (qsizetype p = 0; p < rows.size(); p += 3) {
            QVERIFY(plainReport(report).contains(rows.at(p) + u'\n'));
            QVERIFY(plainReport(report).contains(u"          Total :\t"_s + rows.at(p + 1) + u'\n'));
        }
    }

    // The single-procedure statistic: the procedure list arrives cut inside a record; the chosen
    // entry gives the code; the period and code go out and the answer is the report's total.
    void singleProcedureAsksForTheChosenCode()
    {
        ScriptedServer server;
        const QByteArray list = listReply({"1|Chest X-ray PA|||  |87.44", "2|Skull X-ray||||87.17"});
        const qsizetype cut = list.indexOf("Skull") + 3;
        server.answerInPieces({list.left(cut), list.mid(cut)});
        server.answer(valueReply("17"));
        StatsDesk desk(server);
        auto *window = desk.open<RepDates2Window>(MenuIds::StatisticsSingleProcedure);
        auto *procedure = child<QComboBox>(window, u"Procedure"_s);
        QTRY_COMPARE(procedure->count(), 2);
        QCOMPARE(procedure->itemText(1), u"Skull X-ray|87.17"_s);
        QCOMPARE(procedure->itemData(1).toInt(), 2);
        QCOMPARE(procedure->currentIndex(), -1);
        QTRY_VERIFY(desk.idle());

        // Typing the whole text of an entry chooses it; another case does not; clearing clears.
        enter(window, u"Procedure=skull x-ray|87.17"_s);
        QCOMPARE(child<QLineEdit>(window, u"Code"_s)->text(), QString());
        enter(window, u"Procedure=Skull X-ray|87.17"_s);
        QCOMPARE(child<QLineEdit>(window, u"Code"_s)->text(), u"87.17"_s);
        enter(window, u"Procedure="_s);
        QCOMPARE(child<QLineEdit>(window, u"Code"_s)->text(), QString());
        enterAll(window, {u"Text1=01.03.2008"_s, u"Text2=31.03.2008"_s});
        QTest::mouseClick(child<QPushButton>(window, u"cmdOk"_s), Qt::LeftButton);
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.last().text, u"Please enter a Pocedure, try again!"_s);

        enter(window, u"Procedure=#1"_s);
        QTest::mouseClick(child<QPushButton>(window, u"cmdOk"_s), Qt::LeftButton);
        StatisticWindow *report = desk.report();
        QVERIFY(report);
        QCOMPARE(server.requests.last(), "CMDSTAT00393|20080301|20080331|87.17/CMD"_ba);
        QCOMPARE(desk.state().SingleProcedureResult, u"17"_s);
        QVERIFY(plainReport(report).contains(u"87.17\t\tSkull X-ray\t\t17\n"_s));
        QVERIFY(report->bez().startsWith(u"Single Procedure Statistic   As On   "_s));
    }

    // --- mended faults of the walk

    // An answer that arrives in two pieces is used whole.
    void answerInPiecesIsUsedWhole()
    {
        ScriptedServer server;
        server.answerInPieces({"CMDDATA\r\n1", "2\r\n/CMDDATA\r\n"});
        for (int p = 2; p <= 156; ++p)
            server.answer(valueReply("0"));
        StatsDesk desk(server);
        desk.askPeriod(MenuIds::StatisticsAnnual, u"01.01.2008"_s, u"31.12.2008"_s);
        QVERIFY(desk.report());
        QCOMPARE(desk.state().StatRows.first(), u"12"_s);
        QCOMPARE(desk.state().StatRows.size(), 156);
    }

    // An error reply stops the walk with the server's message; the progress window goes with it
    // and the values received so far stay.
    void errorReplyEndsTheWalkAndItsProgress()
    {
        ScriptedServer server;
        answerPositions(server, 3);
        server.answer("ERROR|500|The database is locked|Stat004\r\n");
        StatsDesk desk(server);
        desk.askPeriod(MenuIds::Statistics24Hours, u"01.03.2008"_s, u"31.03.2008"_s);
        QTRY_COMPARE(desk.prompts.shown.size(), 1);
        QVERIFY(desk.prompts.shown.first().text.contains(u"The database is locked"_s));
        QTRY_VERIFY(!desk.progress()->isVisible());
        QCOMPARE(desk.state().StatRows, (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QVERIFY(!desk.main->findChild<StatisticWindow *>());
    }

    // A statistics menu chosen while a walk runs (which empties StatRows and sets another
    // ActionCode) does not send the running walk down the other statistic's codes.
    void walkKeepsItsStatisticWhenAnotherIsChosen()
    {
        ScriptedServer server;
        int answered = 0;
        StatsDesk desk(server);
        connect(&server, &ScriptedServer::requestReceived, this, [&](const QByteArray &) {
            ++answered;
            if (answered == 104) {
                // Halfway: the user opens the day-time statistic's period window and closes it.
                auto *other = desk.open<RepDatesWindow>(MenuIds::StatisticsDayTime);
                other->close();
            }
            server.sendNow(valueReply(QByteArray::number(answered)));
        });
        desk.askPeriod(MenuIds::Statistics24Hours, u"01.03.2008"_s, u"31.03.2008"_s);
        StatisticWindow *report = desk.report();
        QVERIFY(report);
        QList<QByteArray> lines;
        for (int code : kDailyCodes)
            lines.append(codeLine("Stat", code, "20080301|20080331|0"));
        QCOMPARE(server.requests, lines);
        QCOMPARE(desk.state().StatRows.size(), 135);
        QCOMPARE(report->bez(), u"Daily 24 Hours Statistics"_s);
    }

    // Each statistic opens a window of its own: the second report is not written under the first.
    void secondStatisticStartsAFreshReport()
    {
        ScriptedServer server;
        for (int run = 0; run < 2; ++run)
            for (int i = 0; i < 6; ++i)
                server.answer(valueReply("0"));
        StatsDesk desk(server);
        desk.askPeriod(MenuIds::StatisticsSpecial1, u"01.03.2008"_s, u"31.03.2008"_s);
        QPointer<StatisticWindow> first = desk.report();
        QVERIFY(first);
        QTRY_VERIFY(desk.idle());
        desk.askPeriod(MenuIds::StatisticsSpecial2, u"01.03.2008"_s, u"31.03.2008"_s);
        QTRY_VERIFY(!first);
        StatisticWindow *second = desk.report();
        QVERIFY(second);
        QCOMPARE(desk.main->findChildren<StatisticWindow *>().size(), 1);
        QVERIFY(plainReport(second).contains(u"Special Investigation 2"_s));
        QVERIFY(!plainReport(second).contains(u"Special Investigation 1"_s));
        QCOMPARE(plainReport(second).count(u"Brenmoor Hospital"_s), 1);
    }

    // --- the period windows

    void periodMustBeTwoDates_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("message");
        QTest::newRow("both empty") << QString() << QString()
                                    << u"Please insert a value start and end date, try again!"_s;
        QTest::newRow("start only") << u"01.03.2008"_s << QString() << u"'End Date' is not a valid date, please enter it as dd.mm.yyyy and try again!"_s;
        QTest::newRow("end only") << QString() << u"31.03.2008"_s << u"'Start Date' is not a valid date, please enter it as dd.mm.yyyy and try again!"_s;
        QTest::newRow("no such day") << u"31.02.2008"_s << u"31.03.2008"_s
                                     << u"'Start Date' is not a valid date, please enter it as dd.mm.yyyy and try again!"_s;
        QTest::newRow("not a date") << u"01.03.2008"_s << u"soon"_s << u"'End Date' is not a valid date, please enter it as dd.mm.yyyy and try again!"_s;
    }

    // Nothing is sent for a period that is not two dates; the window stays for a correction.
    void periodMustBeTwoDates()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, message);
        ScriptedServer server;
        StatsDesk desk(server);
        QPointer<RepDatesWindow> dates = desk.open<RepDatesWindow>(MenuIds::StatisticsDayTime);
        enterAll(dates, {u"Text1="_s + from, u"Text2="_s + to});
        QTest::mouseClick(child<QPushButton>(dates, u"cmdOk"_s), Qt::LeftButton);
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().text, message);
        QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::None);
        QVERIFY(dates && dates->isVisible());
        QTest::qWait(50);
        QVERIFY(server.requests.isEmpty());
    }

    // Dates typed in any of the accepted forms are shown in the short form once left, and reach the
    // server and the report's period line in their fixed forms.
    void typedDatesAreReformatted()
    {
        ScriptedServer server;
        answerPositions(server, 135);
        StatsDesk desk(server);
        desk.state().StatShiftFlag = 0;
        auto *dates = desk.open<RepDatesWindow>(MenuIds::StatisticsAfterHours);
        QCOMPARE(dates->windowTitle(), u"Enter Report Dates"_s);
        enterAll(dates, {u"Text1=1.3.2008"_s, u"Text2=2008-03-31"_s});
        QCOMPARE(child<QLineEdit>(dates, u"Text1"_s)->text(), QDate(2008, 3, 1).toString(Stats::shortDateFormat()));
        QCOMPARE(child<QLineEdit>(dates, u"Text2"_s)->text(), QDate(2008, 3, 31).toString(Stats::shortDateFormat()));
        QTest::mouseClick(child<QPushButton>(dates, u"cmdOk"_s), Qt::LeftButton);
        StatisticWindow *report = desk.report();
        QVERIFY(report);
        QCOMPARE(server.requests.first(), "CMDStat00113|20080301|20080331|1/CMD"_ba);
        QCOMPARE(desk.state().StatShiftFlag, 1);
        QVERIFY(plainReport(report).contains(u"For Period :\t01.03.2008\tto\t31.03.2008\n"_s));
    }

    // "Special Report 1" first closes a new examination being entered; without one nothing is made.
    void specialReportClosesTheNewExamination()
    {
        ScriptedServer server;
        StatsDesk desk(server);
        auto *visit = new QWidget;
        visit->setObjectName(u"fNewVisit"_s);
        QPointer<QMdiSubWindow> frame = desk.main->openInWorkspace(visit);
        frame->show();
        QVERIFY(desk.trigger(MenuIds::StatisticsSpecial1));
        QTRY_VERIFY(!frame);
        QVERIFY(desk.main->findChild<RepDatesWindow *>());
        QCOMPARE(desk.session.ActionCode, ActionCode::StatisticsSpecial1);
        QVERIFY(server.requests.isEmpty());
    }

    // --- the report builders

    // The shift report: every piece in its order, the values at their positions, the totals of
    // table 3 from table 2 and the procedures.
    void shiftReportPiecesInOrder()
    {
        QTextDocument document;
        StatReport::startDocument(document);
        StatsState state;
        state.StatDateFrom = u"2008-03-01"_s;
        state.StatDateTo = u"2008-03-31"_s;
        for (int p = 1; p <= 135; ++p)
            state.StatRows.append(QString::number(p));
        StatReport report(document, state, kNow);
        report.StatInsert(ActionCode::StatisticsDayTime, u"Day Time 7:00 am to 4:00 pm"_s);

        const QString rule = ruleLine() + u"\r\n\r\n"_s;
        const QString hp = tabs(4) + u"H\tP\tH\tP\t\tH\tP\tH\tP\r\n"_s;
        const auto row = [](const QString &label, int first) -> QString {
            QString line = label;
            for (int i = 0; i < 8; ++i)
                line += QString::number(first + i) + (i == 3 ? u"\t\t"_s : u"\t"_s);
            return line + u"\r\n"_s;
        };
        const QStringList labels = {u"Xray\t\t\t\t"_s,  u"CT Scan\t\t\t"_s, u"Mobile\t\t\t\t"_s, u"Ultrasound\t\t\t"_s,
                                    u"MRI\t\t\t\t"_s,   u"Trauma\t\t\t"_s,  u"Lodox\t\t\t\t"_s};
        QString expected = u"Brenmoor Hospital - Radiology Statistics\r\n\r\n"
                           u"Day Time 7:00 am to 4:00 pm\r\n\r\n"
                           u"For Period :\t01.03.2008\tto\t31.03.2008\r\n\r\n"
                           u"Report Printed :\t"_s
                           + StatReport::dateTime(kNow) + u"\r\n\r\n"_s
                           + u"White\t\tColoured\t\tBlack\t\tTotal\r\n"_s + rule + hp;
        for (int i = 0; i < 7; ++i)
            expected += row(labels.at(i), 1 + 8 * i);
        expected += rule + row(u"Total\t\t\t\t"_s, 57) + rule;
        expected += u"\r\nInpatients\t\tOutpatients\t\tStaff\t\tTotal\r\n"_s + rule + hp;
        for (int i = 0; i < 7; ++i)
            expected += row(labels.at(i), 65 + 8 * i);
        expected += rule + row(u"Total\t\t\t\t"_s, 121) + rule;
        expected += u"\r\nTotal Patients\t\tTotal Procedures\r\n"_s + rule;
        // Table 3: A is the sum of the last two values of the same row of table 2.
        const int a[] = {71 + 72, 79 + 80, 87 + 88, 95 + 96, 103 + 104, 111 + 112, 119 + 120};
        for (int i = 0; i < 7; ++i)
            expected += labels.at(i) + u'\t' + QString::number(a[i]) + tabs(4) + QString::number(129 + i) + u"\r\n"_s;
        expected += rule + u"Total"_s + tabs(5) + u"1337"_s + tabs(4) + u"924"_s + u"\r\n\r\n"_s;
        QCOMPARE(document.toPlainText(), asDocument(expected));

        const QTextBlock title = blockStarting(document, u"Brenmoor"_s);
        QCOMPARE(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QVERIFY(hasFont(formatAt(title), {u"Arial"_s, 14, true, true, false}));
        const QTextBlock period = blockStarting(document, u"For Period"_s);
        QCOMPARE(period.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QVERIFY(hasFont(formatAt(period), {u"Arial"_s, 10, true, false, false}));
        QVERIFY(hasFont(formatAt(blockStarting(document, u"White"_s)), {u"Arial"_s, 12, true, false, false}));
        const QTextBlock ruleBlock = blockStarting(document, u"---"_s);
        QCOMPARE(ruleBlock.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QVERIFY(hasFont(formatAt(ruleBlock), {u"Arial"_s, 14, true, false, false}));
        const QTextBlock xray = blockStarting(document, u"Xray"_s);
        QVERIFY(hasFont(formatAt(xray), {u"Arial"_s, 10, true, false, false}));
        QVERIFY(hasFont(formatAt(xray, 4 + 4), {u"Arial"_s, 10, false, false, false}));
    }

    // A value that a total needs and that is missing or not a number stops the building; what was
    // built stays.
    void missingOrBrokenValueStopsTheReport_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("broken");
        QTest::newRow("missing procedures") << 128 << 0;
        QTest::newRow("not a number") << 135 << 72;
    }

    void missingOrBrokenValueStopsTheReport()
    {
        QFETCH(int, count);
        QFETCH(int, broken);
        QTextDocument document;
        StatReport::startDocument(document);
        StatsState state;
        for (int p = 1; p <= count; ++p)
            state.StatRows.append(p == broken ? u"n/a"_s : u"1"_s);
        StatReport report(document, state, kNow);
        QVERIFY_THROWS_EXCEPTION(HandlerFailure, report.StatInsert(ActionCode::Statistics24Hours, u"x"_s));
        QVERIFY(document.toPlainText().contains(u"Total Patients\t\tTotal Procedures"_s));
        QVERIFY(!document.toPlainText().contains(u"Lodox\t\t\t\t\t"_s));
    }

    // The annual summary leaves out months without values, gives the long month names one tab fewer,
    // and its totals are the sums of the months.
    void annualReportShowsMonthsWithValues()
    {
        QTextDocument document;
        StatReport::startDocument(document);
        StatsState state;
        state.StatDateFrom = u"2008-01-01"_s;
        state.StatDateTo = u"2008-12-31"_s;
        state.StatRows = QStringList(156, u"0"_s);
        // March and September (a long name): race, admission and patients.
        const auto set = [&](int position, int value) { state.StatRows[position - 1] = QString::number(value); };
        for (int i = 0; i < 6; ++i) {
            set(6 * 2 + 1 + i, i + 1);     // March: 1..6
            set(6 * 8 + 1 + i, 10 * (i + 1)); // September: 10..60
        }
        for (int i = 0; i < 5; ++i) {
            set(72 + 5 * 2 + 1 + i, i + 2);
            set(72 + 5 * 8 + 1 + i, 1);
        }
        set(132 + 2 * 2 + 1, 21), set(132 + 2 * 2 + 2, 30);
        set(132 + 2 * 8 + 1, 5), set(132 + 2 * 8 + 2, 6);
        StatReport report(document, state, kNow);
        report.StatInsert(ActionCode::StatisticsAnnual, u"Annual Report    As On   x"_s);

        const QString rule = ruleLine() + u"\r\n"_s;
        const QString expected =
            u"Brenmoor Hospital - Radiology Statistics\r\n\r\nAnnual Report    As On   x\r\n\r\n"
            u"For Period :\t01.01.2008\tto\t31.12.2008\r\n\r\n"
            u"Whit\t\t\tColoured\t\tBlack\r\n"
            u"Month\t\t\tPvt\tHosp\t\tPvt\tHosp\t\tPvt\tHosp\t\tTotal\r\n"_s
            + rule + u"March\t\t\t\t1\t2\t\t3\t4\t\t5\t6\t\t21\t\r\n"_s
            + u"September\t\t\t10\t20\t\t30\t40\t\t50\t60\t\t210\t\r\n"_s + rule
            + u"\tTotals :\t\t11\t22\t\t33\t44\t\t55\t66\t\t231\r\n"_s + rule + u"\r\n"_s
            + u"Inpats\t\t\tOutpats\t\tStaff\r\n"
              u"Month\t\t\tPvt\tHosp\t\t\tPvt\tHosp\t\t\t\tTotal\r\n"_s
            + rule + u"March\t\t\t\t2\t3\t\t\t4\t5\t\t6\t\t20\t\r\n"_s
            + u"September\t\t\t1\t1\t\t\t1\t1\t\t1\t\t5\t\r\n"_s + rule
            + u"\tTotals :\t\t3\t4\t\t\t5\t6\t\t7\t\t25\r\n"_s + rule + u"\r\n"_s
            + u"Month\t\t\tTotal Patients\t\tTotal Examinations\r\n"_s + rule
            + u"March\t\t\t\t\t21\t\t\t\t30\t\r\n"_s + u"September\t\t\t\t5\t\t\t\t6\t\r\n"_s + rule
            + u"\tTotals :\t\t\t26\t\t\t\t36\r\n"_s + rule + u"\r\n"_s;
        QCOMPARE(document.toPlainText(), asDocument(expected));
        QVERIFY(hasFont(formatAt(blockStarting(document, u"Whit"_s)), {u"Century"_s, 12, true, true, false}));
        QCOMPARE(blockStarting(document, u"Whit"_s).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QCOMPARE(blockStarting(document, u"Month"_s).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignLeft);
        QVERIFY(hasFont(formatAt(blockStarting(document, u"March"_s)), {u"Arial"_s, 10, false, false, false}));
    }

    void longMonthNamesTakeOneTabFewer()
    {
        QTextDocument document;
        StatReport::startDocument(document);
        StatsState state;
        state.StatRows = QStringList(156, u"1"_s);
        StatReport report(document, state, kNow);
        report.StatInsert(ActionCode::StatisticsAnnual, u"x"_s);
        const QStringList months = {u"January"_s, u"February"_s, u"March"_s,     u"April"_s,   u"May"_s,      u"June"_s,
                                    u"July"_s,    u"August"_s,   u"September"_s, u"October"_s, u"November"_s, u"December"_s};
        const QStringList longNames = {u"February"_s, u"September"_s, u"November"_s, u"December"_s};
        int rows = 0;
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
            const QString name = b.text().section(u'\t', 0, 0);
            if (!months.contains(name))
                continue;
            // The race and admission tables, then the patients table with one tab more.
            const int usual = rows < 24 ? 4 : 5;
            ++rows;
            const qsizetype tabsBefore = b.text().indexOf(u'1') - name.size();
            QCOMPARE(int(tabsBefore), longNames.contains(name) ? usual - 1 : usual);
        }
        QCOMPARE(rows, 36);
    }

    // A special report: the category, its procedures with their counts, and its total.
    void specialReportShowsCategoryLinesAndTotal()
    {
        QTextDocument document;
        StatReport::startDocument(document);
        StatsState state;
        state.StatDateFrom = u"2008-03-01"_s;
        state.StatDateTo = u"2008-03-31"_s;
        state.StatRows = {u"GI Tract"_s, u"3"_s, u"Barium meal|2\r\nBarium swallow|1"_s};
        StatReport report(document, state, kNow);
        report.StatInsert(ActionCode::StatisticsSpecial1, u"Special Investigation 1"_s);
        const QString expected = u"Brenmoor Hospital - Radiology Statistics\r\n\r\nSpecial Investigation 1\r\n\r\n"
                                 u"For Period :\t01.03.2008\tto\t31.03.2008\r\n\r\nReport Printed :\t"_s
                                 + StatReport::dateTime(kNow) + u"\r\n\r\n"_s
                                 + u"GI Tract\r\n\r\nBarium meal\t2\r\nBarium swallow\t1\r\n"_s + ruleLine()
                                 + u"\r\n          Total :\t3\r\n\r\n"_s;
        QCOMPARE(document.toPlainText(), asDocument(expected));
        QVERIFY(hasFont(formatAt(blockStarting(document, u"GI Tract"_s)), {u"Arial"_s, 12, true, false, true}));
        const QTextBlock line = blockStarting(document, u"Barium meal"_s);
        QVERIFY(hasFont(formatAt(line), {u"Arial"_s, 10, false, false, false}));
        // The count stands at about the middle of the box.
        const QList<QTextOption::Tab> stops = line.blockFormat().tabPositions();
        QCOMPARE(stops.size(), 2);
        QVERIFY(stops.at(1).position > 300 && stops.at(1).position < 400);
        QVERIFY(hasFont(formatAt(blockStarting(document, u"          Total"_s)), {u"Century"_s, 12, false, true, false}));
    }

    // --- the preview

    void onePageReportHasNoPaging()
    {
        ScriptedServer server;
        for (int i = 0; i < 6; ++i)
            server.answer(valueReply("0"));
        StatsDesk desk(server);
        desk.askPeriod(MenuIds::StatisticsSpecial1, u"01.03.2008"_s, u"31.03.2008"_s);
        StatisticWindow *report = desk.report();
        QVERIFY(report);
        QTest::mouseClick(child<QPushButton>(report, u"cmdPrint"_s), Qt::LeftButton);
        auto *preview = desk.main->findChild<PreviewWindow *>();
        QVERIFY(preview);
        QCOMPARE(preview->windowTitle(), u"Print preview"_s);
        QCOMPARE(preview->pageCount(), 1);
        QCOMPARE(child<QLineEdit>(preview, u"txtTotalPages"_s)->text(), u"Total 1 pages"_s);
        QVERIFY(!child<QPushButton>(preview, u"cmdPrevPage"_s)->isEnabled());
        QVERIFY(!child<QPushButton>(preview, u"cmdNextPage"_s)->isEnabled());
        QCOMPARE(child<QComboBox>(preview, u"cboPageNo"_s)->count(), 1);
        // Shown maximised, so resized: at "75".
        QTRY_COMPARE(preview->zoomLevel(), 3);
        QCOMPARE(child<QComboBox>(preview, u"cboScale"_s)->currentText(), u"75"_s);
    }

    // A long report: paging, the five zoom images of one rendering, the resize rule, and printing to
    // a PDF file with the preview's page count.
    void longReportPagesZoomsAndPrints()
    {
        ScriptedServer server;
        StatsDesk desk(server);
        StatsState &state = desk.state();
        state.StatDateFrom = u"2008-01-01"_s;
        state.StatDateTo = u"2008-12-31"_s;
        QStringList lines;
        for (int i = 0; i < 150; ++i)
            lines.append(u"Procedure number %1|%2"_s.arg(i).arg(i + 1));
        for (int c = 0; c < 3; ++c)
            state.StatRows << u"Category %1"_s.arg(c) << u"999"_s << lines.join(u"\r\n"_s);
        auto *report = new StatisticWindow(*desk.main, ActionCode::StatisticsSpecial1, kNow);
        report->build();
        desk.main->openInWorkspace(report)->showMaximized();
        QTest::mouseClick(child<QPushButton>(report, u"cmdPrint"_s), Qt::LeftButton);
        QPointer<PreviewWindow> preview = desk.main->findChild<PreviewWindow *>();
        QVERIFY(preview);
        const int pages = preview->pageCount();
        QVERIFY2(pages >= 5, qPrintable(QString::number(pages)));
        auto *prev = child<QPushButton>(preview, u"cmdPrevPage"_s);
        auto *next = child<QPushButton>(preview, u"cmdNextPage"_s);
        QVERIFY(!prev->isEnabled() && next->isEnabled());
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(preview->currentPage(), 2);
        QVERIFY(prev->isEnabled() && next->isEnabled());
        child<QComboBox>(preview, u"cboPageNo"_s)->setCurrentIndex(pages - 1);
        QCOMPARE(preview->currentPage(), pages);
        QVERIFY(prev->isEnabled() && !next->isEnabled());
        QTest::mouseClick(prev, Qt::LeftButton);
        QCOMPARE(preview->currentPage(), pages - 1);

        // Every level shows its own image of the one rendering: only that one, at its scale.
        const qint64 rendered = preview->pageImage().cacheKey();
        auto *scale = child<QComboBox>(preview, u"cboScale"_s);
        const QList<double> factors = {1.5, 1.0, 0.75, 0.5, 0.25};
        for (int level = 1; level <= 5; ++level) {
            scale->setCurrentIndex(level - 1);
            QCOMPARE(preview->zoomLevel(), level);
            for (int i = 1; i <= 5; ++i)
                QCOMPARE(child<QLabel>(preview, u"Pic"_s + QString::number(i))->isVisibleTo(preview), i == level);
            QCOMPARE(preview->zoomImage(level).width(), qRound(preview->pageImage().width() * factors.at(level - 1)));
            QCOMPARE(child<QToolButton>(preview, u"cmdZoomIn"_s)->isEnabled(), level > 1);
            QCOMPARE(child<QToolButton>(preview, u"cmdZoomOut"_s)->isEnabled(), level < 5);
        }
        QCOMPARE(preview->pageImage().cacheKey(), rendered);
        QTest::mouseClick(child<QToolButton>(preview, u"cmdZoomIn"_s), Qt::LeftButton);
        QCOMPARE(scale->currentText(), u"50"_s);
        // The scroll bars move the image.
        child<QScrollBar>(preview, u"VScroll1"_s)->setValue(200);
        QCOMPARE(child<QLabel>(preview, u"Pic4"_s)->y(), -200);

        // Any resize returns to "75".
        preview->parentWidget()->showNormal();
        preview->parentWidget()->resize(700, 500);
        QTRY_COMPARE(preview->zoomLevel(), 3);

        // The printer dialog cancelled: the preview stays and nothing is printed.
        QTemporaryDir dir;
        desk.dialogs.pdfPath = dir.filePath(u"report.pdf"_s);
        desk.dialogs.print = false;
        QTest::mouseClick(child<QToolButton>(preview, u"cmdPrint"_s), Qt::LeftButton);
        QCOMPARE(desk.dialogs.printerCalls, 1);
        QVERIFY(preview);
        QVERIFY(!QFile::exists(desk.dialogs.pdfPath));

        desk.dialogs.print = true;
        QTest::mouseClick(child<QToolButton>(preview, u"cmdPrint"_s), Qt::LeftButton);
        QTRY_VERIFY(!preview);
        QVERIFY(!desk.dialogs.offeredSelection);
        QCOMPARE(pdfPages(desk.dialogs.pdfPath), pages);
        const QString text = pdfText(desk.dialogs.pdfPath);
        QVERIFY(text.contains(u"Brenmoor Hospital - Radiology Statistics"_s));
        QVERIFY(text.contains(u"Procedure number 149"_s));
    }

    // With text selected the dialog offers the selection, and only the selection is printed.
    void selectionPrintsAlone()
    {
        ScriptedServer server;
        StatsDesk desk(server);
        StatsState &state = desk.state();
        state.StatRows = {u"GI Tract"_s, u"3"_s, u"Barium meal|2\r\nBarium swallow|1"_s};
        auto *report = new StatisticWindow(*desk.main, ActionCode::StatisticsSpecial1, kNow);
        report->build();
        desk.main->openInWorkspace(report)->showMaximized();
        QTextCursor cursor(report->textBox()->document()->find(u"Barium swallow"_s));
        report->textBox()->setTextCursor(cursor);
        QTest::mouseClick(child<QPushButton>(report, u"cmdPrint"_s), Qt::LeftButton);
        auto *preview = desk.main->findChild<PreviewWindow *>();
        QTemporaryDir dir;
        desk.dialogs.pdfPath = dir.filePath(u"part.pdf"_s);
        desk.dialogs.printSelection = true;
        QTest::mouseClick(child<QToolButton>(preview, u"cmdPrint"_s), Qt::LeftButton);
        QVERIFY(desk.dialogs.offeredSelection);
        QTRY_VERIFY(QFile::exists(desk.dialogs.pdfPath));
        const QString text = pdfText(desk.dialogs.pdfPath);
        QVERIFY2(text.contains(u"Barium swallow"_s), qPrintable(text));
        QVERIFY(!text.contains(u"Brenmoor"_s));
    }

private:
    static QString run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(30000))
            return {};
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    static int pdfPages(const QString &path)
    {
        for (const QString &line : run(u"pdfinfo"_s, {path}).split(u'\n')) {
            if (line.startsWith(u"Pages:"_s))
                return line.mid(6).trimmed().toInt();
        }
        return -1;
    }

    static QString pdfText(const QString &path) { return run(u"pdftotext"_s, {path, u"-"_s}); }
};

QTEST_MAIN(TestStats)
#include "tst_stats.moc"
