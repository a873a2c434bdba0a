#include "screens.h"

#include "stats/previewwindow.h"
#include "stats/progresswindow.h"
#include "stats/repdates2window.h"
#include "stats/repdateswindow.h"
#include "stats/statisticwindow.h"
#include "support/desk.h"

#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

bool waitUntil(const std::function<bool()> &done, int timeoutMs = 20000)
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

StatisticWindow *report(Desk &desk, StatisticWindow *before)
{
    StatisticWindow *found = nullptr;
    waitUntil([&] {
        for (StatisticWindow *w : desk.main->findChildren<StatisticWindow *>()) {
            if (w->isVisible() && w != before)
                found = w;
        }
        return found != nullptr && desk.idle();
    });
    return found;
}

QString period(const QDate &date)
{
    return date.toString(u"dd.MM.yyyy"_s);
}

const bool registered = addScreen(u"stats"_s, [](ScreenContext &c) {
    const QDate today = QDate::currentDate();
    const QDate monthStart(today.year(), today.month(), 1);

    // The period window, and the procedure window with its list.
    auto *dates = c.desk.open<RepDatesWindow>(MenuIds::StatisticsDayTime);
    enterAll(dates, {u"Text1="_s + period(monthStart.addMonths(-1)), u"Text2="_s + period(monthStart.addDays(-1))});
    c.shot(dates, u"fRepDates"_s);
    dates->close();

    auto *procedure = c.desk.open<RepDates2Window>(MenuIds::StatisticsSingleProcedure);
    auto *list = procedure->findChild<QComboBox *>(u"Procedure"_s);
    waitUntil([&] { return list->count() > 0 && c.desk.idle(); });
    enterAll(procedure, {u"Text1="_s + period(today.addYears(-1)), u"Text2="_s + period(today),
                         u"Procedure=#"_s + QString::number(list->findText(u"Chest X-ray PA|87.44"_s))});
    c.shot(procedure, u"fRepDates2"_s);
    procedure->close();

    // The progress window as a walk passes through it.
    auto *progress = new ProgressWindow(c.desk.main.get());
    progress->begin(ActionCode::Statistics24Hours);
    progress->advance(ActionCode::Statistics24Hours, 57, 135, 58);
    c.shot(progress, u"fProgress-24hours"_s);
    progress->begin(ActionCode::StatisticsSpecial1);
    progress->advance(ActionCode::StatisticsSpecial1, 2, 0, 405);
    c.shot(progress, u"fProgress-special"_s);
    delete progress;

    struct Kind
    {
        MenuId item;
        QString name;
        QDate from;
        QDate to;
    };
    const Kind kinds[] = {
        {MenuIds::Statistics24Hours, u"24hours"_s, monthStart.addMonths(-1), monthStart.addDays(-1)},
        {MenuIds::StatisticsDayTime, u"daytime"_s, monthStart.addMonths(-1), monthStart.addDays(-1)},
        {MenuIds::StatisticsAfterHours, u"afterhours"_s, monthStart.addMonths(-1), monthStart.addDays(-1)},
        {MenuIds::StatisticsAnnual, u"annual"_s, QDate(today.year() - 1, 1, 1), QDate(today.year() - 1, 12, 31)},
        {MenuIds::StatisticsSpecial1, u"special1"_s, today.addYears(-1), today},
        {MenuIds::StatisticsSpecial2, u"special2"_s, today.addYears(-1), today},
    };
    StatisticWindow *last = nullptr;
    for (const Kind &kind : kinds) {
        auto *window = c.desk.open<RepDatesWindow>(kind.item);
        enterAll(window, {u"Text1="_s + period(kind.from), u"Text2="_s + period(kind.to)});
        window->findChild<QPushButton *>(u"cmdOk"_s)->click();
        last = report(c.desk, last);
        if (last)
            c.shot(c.desk.main.get(), u"fStatistic-"_s + kind.name);
    }

    procedure = c.desk.open<RepDates2Window>(MenuIds::StatisticsSingleProcedure);
    list = procedure->findChild<QComboBox *>(u"Procedure"_s);
    waitUntil([&] { return list->count() > 0 && c.desk.idle(); });
    enterAll(procedure, {u"Text1="_s + period(today.addYears(-1)), u"Text2="_s + period(today),
                         u"Procedure=#"_s + QString::number(list->findText(u"Chest X-ray PA|87.44"_s))});
    procedure->findChild<QPushButton *>(u"cmdOk"_s)->click();
    last = report(c.desk, last);
    if (!last)
        return;
    c.shot(c.desk.main.get(), u"fStatistic-single"_s);

    // The preview of the special report with its details, at "75" and at "150".
    auto *special = c.desk.open<RepDatesWindow>(MenuIds::StatisticsSpecial1);
    enterAll(special, {u"Text1="_s + period(today.addYears(-2)), u"Text2="_s + period(today)});
    special->findChild<QPushButton *>(u"cmdOk"_s)->click();
    last = report(c.desk, last);
    if (!last)
        return;
    last->findChild<QPushButton *>(u"cmdPrint"_s)->click();
    auto *preview = c.desk.main->findChild<PreviewWindow *>();
    if (!preview)
        return;
    waitUntil([&] { return preview->zoomLevel() == 3; }, 2000);
    c.shot(c.desk.main.get(), u"Preview"_s);
    preview->findChild<QComboBox *>(u"cboScale"_s)->setCurrentIndex(0);
    c.shot(c.desk.main.get(), u"Preview-150"_s);
});

} // namespace
