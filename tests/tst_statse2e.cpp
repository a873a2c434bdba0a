// The statistics end to end: the real windows and walks against zelserver on the demo department.
// The reports must agree with each other and with the database.

#include "core/session.h"
#include "stats/repdates2window.h"
#include "stats/repdateswindow.h"
#include "stats/statisticwindow.h"
#include "stats/statsstate.h"
#include "support/desk.h"
#include "zelserver.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace {

// Waits for a condition with the event loop running freely (QTest's waits sleep between their
// rounds, which would turn a walk of many short steps into seconds).
bool waitUntil(const std::function<bool()> &done, int timeoutMs)
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

qint64 scalar(Database &database, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery query = database.prepare(sql);
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values.at(i));
    return Database::run(query, nullptr) && query.next() ? query.value(0).toLongLong() : -1;
}

QList<qint64> numbers(const QStringList &rows)
{
    QList<qint64> values;
    for (const QString &r : rows)
        values.append(r.toLongLong());
    return values;
}

// The numbers of a report line after its label.
QList<qint64> lineNumbers(const QString &line)
{
    QList<qint64> values;
    for (const QString &field : line.split(u'\t', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 n = field.toLongLong(&ok);
        if (ok)
            values.append(n);
    }
    return values;
}

} // namespace

class TestStatsEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ZelServer::Options options;
        options.databasePath = m_dir.filePath(u"zel.db"_s);
        options.seed = u"demo"_s;
        options.passwordIterations = 500;
        QString error;
        QVERIFY2(m_server.start(options, &error), qPrintable(error));
        m_desk = std::make_unique<Desk>(m_server.commandPort());
    }

    void cleanupTestCase() { m_desk.reset(); }

    // Day time and after hours split the 24 hours at every position; in every table the totals
    // agree; the patients of table 3 are the period's examinations.
    void shiftReportsAgree()
    {
        const QDate to = QDate::currentDate();
        const QDate from = to.addDays(-364);
        const QList<qint64> daily = walk(MenuIds::Statistics24Hours, from, to);
        const QList<qint64> day = walk(MenuIds::StatisticsDayTime, from, to);
        const QList<qint64> after = walk(MenuIds::StatisticsAfterHours, from, to);
        QCOMPARE(daily.size(), 135);
        QCOMPARE(day.size(), 135);
        QCOMPARE(after.size(), 135);
        for (int p = 0; p < 135; ++p)
            QVERIFY2(day[p] + after[p] == daily[p], qPrintable(u"position %1"_s.arg(p + 1)));
        QVERIFY(day[56 + 6] > 0 && after[56 + 6] > 0); // both shifts have examinations

        for (const QList<qint64> &v : {daily, day, after}) {
            const auto at = [&v](int position) { return v[position - 1]; };
            for (int column = 0; column < 8; ++column) {
                qint64 first = 0;
                qint64 second = 0;
                for (int row = 0; row < 7; ++row) {
                    first += at(1 + 8 * row + column);
                    second += at(65 + 8 * row + column);
                }
                QCOMPARE(at(57 + column), first);
                QCOMPARE(at(121 + column), second);
            }
            for (int row = 0; row < 8; ++row) {
                const int t1 = row < 7 ? 1 + 8 * row : 57;
                const int t2 = row < 7 ? 65 + 8 * row : 121;
                QCOMPARE(at(t1 + 6), at(t2 + 6));
                QCOMPARE(at(t1 + 7), at(t2 + 7));
                QCOMPARE(at(t2 + 6), at(t2) + at(t2 + 2) + at(t2 + 4));
                QCOMPARE(at(t2 + 7), at(t2 + 1) + at(t2 + 3) + at(t2 + 5));
                // Every patient of the demo has a race: the race columns add up to the totals.
                QCOMPARE(at(t1 + 6), at(t1) + at(t1 + 2) + at(t1 + 4));
            }
        }
        const QVariantList period = {from.toString(Qt::ISODate), to.addDays(1).toString(Qt::ISODate)};
        const qint64 examinations = scalar(m_server.database(),
                                           u"SELECT COUNT(*) FROM tblStudies WHERE StudyDate >= ? AND StudyDate < ?"_s, period);
        const qint64 procedures = scalar(m_server.database(),
                                         u"SELECT COUNT(*) FROM tblStudyProcedures sp JOIN tblStudies s ON s.StudyID = sp.StudyID"
                                         u" WHERE s.StudyDate >= ? AND s.StudyDate < ?"_s, period);
        QVERIFY(examinations > 100);
        QCOMPARE(daily[56 + 6] + daily[56 + 7], examinations);
        qint64 procedureTotal = 0;
        for (int p = 129; p <= 135; ++p)
            procedureTotal += daily[p - 1];
        QCOMPARE(procedureTotal, procedures);
        // The report shown last, after hours, says the same of its shift in its grand total line.
        qint64 afterProcedures = 0;
        for (int p = 129; p <= 135; ++p)
            afterProcedures += after[p - 1];
        QString total;
        for (const QString &line : m_report->textBox()->document()->toPlainText().split(u'\n')) {
            if (line.startsWith(u"Total\t"_s))
                total = line;
        }
        QCOMPARE(lineNumbers(total), (QList<qint64>{after[56 + 6] + after[56 + 7], afterProcedures}));
    }

    // The annual summary: its totals lines are the sums of its month rows, and the patients are the
    // year's examinations.
    void annualTotalsAreTheSumsOfTheMonths()
    {
        const int year = QDate::currentDate().year() - 1;
        const QList<qint64> values = walk(MenuIds::StatisticsAnnual, QDate(year, 1, 1), QDate(year, 12, 31));
        QCOMPARE(values.size(), 156);
        const QStringList lines = m_report->textBox()->document()->toPlainText().split(u'\n');
        const QStringList months = {u"January"_s, u"February"_s, u"March"_s,     u"April"_s,   u"May"_s,      u"June"_s,
                                    u"July"_s,    u"August"_s,   u"September"_s, u"October"_s, u"November"_s, u"December"_s};
        QList<qint64> sums;
        int tables = 0;
        int monthRows = 0;
        for (const QString &line : lines) {
            const QString label = line.section(u'\t', 0, 0);
            if (months.contains(label)) {
                const QList<qint64> n = lineNumbers(line);
                ++monthRows;
                if (sums.isEmpty())
                    sums = QList<qint64>(n.size(), 0);
                QCOMPARE(n.size(), sums.size());
                for (qsizetype i = 0; i < n.size(); ++i)
                    sums[i] += n[i];
            } else if (line.startsWith(u"\tTotals :"_s)) {
                QCOMPARE(lineNumbers(line), sums);
                ++tables;
                sums.clear();
            }
        }
        QCOMPARE(tables, 3);
        QCOMPARE(monthRows, 36);
        const qint64 examinations = scalar(m_server.database(),
                                           u"SELECT COUNT(*) FROM tblStudies WHERE StudyDate >= ? AND StudyDate < ?"_s,
                                           {u"%1-01-01"_s.arg(year), u"%1-01-01"_s.arg(year + 1)});
        qint64 patients = 0;
        qint64 admitted = 0;
        for (int m = 0; m < 12; ++m) {
            patients += values[132 + 2 * m];
            for (int i = 0; i < 5; ++i)
                admitted += values[72 + 5 * m + i];
        }
        QCOMPARE(patients, examinations);
        QCOMPARE(admitted, examinations);
    }

    // A single procedure's total is its count in the database.
    void singleProcedureCountsTheDatabase()
    {
        const QDate to = QDate::currentDate();
        const QDate from = to.addDays(-729);
        auto *window = m_desk->open<RepDates2Window>(MenuIds::StatisticsSingleProcedure);
        auto *procedure = child<QComboBox>(window, u"Procedure"_s);
        QTRY_VERIFY(procedure->count() > 10);
        const int chosen = procedure->findText(u"Chest X-ray PA|87.44"_s);
        QVERIFY(chosen >= 0);
        enterAll(window, {u"Text1="_s + from.toString(u"dd.MM.yyyy"_s), u"Text2="_s + to.toString(u"dd.MM.yyyy"_s),
                          u"Procedure=#"_s + QString::number(chosen)});
        QTest::mouseClick(child<QPushButton>(window, u"cmdOk"_s), Qt::LeftButton);
        QVERIFY(waitReport());
        const qint64 direct = scalar(m_server.database(),
                                     u"SELECT COUNT(*) FROM tblStudyProcedures sp JOIN tblStudies s ON s.StudyID = sp.StudyID"
                                     u" JOIN tblICD9 i ON i.ICD9ID = sp.ICD9ID"
                                     u" WHERE i.ICD9Code = '87.44' AND s.StudyDate >= ? AND s.StudyDate < ?"_s,
                                     {from.toString(Qt::ISODate), to.addDays(1).toString(Qt::ISODate)});
        QVERIFY(direct > 0);
        QCOMPARE(m_desk->session.state<StatsState>().SingleProcedureResult, QString::number(direct));
        QVERIFY(m_report->textBox()->document()->toPlainText().contains(
            u"87.44\t\tChest X-ray PA\t\t"_s + QString::number(direct)));
    }

    // The special reports: every category's detail counts add up to its count.
    void specialDetailsAddUpToTheirCounts()
    {
        const QDate to = QDate::currentDate();
        for (MenuId item : {MenuIds::StatisticsSpecial1, MenuIds::StatisticsSpecial2}) {
            walk(item, to.addDays(-729), to);
            const QStringList rows = m_desk->session.state<StatsState>().StatRows;
            QVERIFY(rows.size() >= 6);
            QCOMPARE(rows.size() % 3, 0);
            for (qsizetype p = 0; p < rows.size(); p += 3) {
                qint64 sum = 0;
                for (const QString &line : rows.at(p + 2).split(u"\r\n"_s))
                    sum += line.section(u'|', 1, 1).toLongLong();
                QCOMPARE(sum, rows.at(p + 1).toLongLong());
            }
        }
    }

private:
    bool waitReport()
    {
        m_report = nullptr;
        const bool shown = waitUntil([this] {
            for (StatisticWindow *w : m_desk->main->findChildren<StatisticWindow *>()) {
                if (w->isVisible() && w != m_previous)
                    m_report = w;
            }
            return m_report != nullptr && m_desk->idle();
        }, 20000);
        m_previous = m_report;
        return shown;
    }

    QList<qint64> walk(MenuId item, const QDate &from, const QDate &to)
    {
        auto *dates = m_desk->open<RepDatesWindow>(item);
        enterAll(dates, {u"Text1="_s + from.toString(u"dd.MM.yyyy"_s), u"Text2="_s + to.toString(u"dd.MM.yyyy"_s)});
        QTest::mouseClick(child<QPushButton>(dates, u"cmdOk"_s), Qt::LeftButton);
        if (!waitReport() || !m_desk->prompts.shown.isEmpty())
            return {};
        return numbers(m_desk->session.state<StatsState>().StatRows);
    }

    QTemporaryDir m_dir;
    ZelServer m_server;
    std::unique_ptr<Desk> m_desk;
    QPointer<StatisticWindow> m_report;
    QPointer<StatisticWindow> m_previous;
};

QTEST_MAIN(TestStatsEndToEnd)
#include "tst_statse2e.moc"
