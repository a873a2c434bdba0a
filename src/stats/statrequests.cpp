#include "statrequests.h"

#include "statsstate.h"

#include "link/commandlink.h"

#include <QLocale>

#include <span>

using namespace Qt::StringLiterals;

namespace Stats {

namespace {

constexpr int kShiftValues = 135;
constexpr int kAnnualValues = 156;

// The special categories, by code: 394 to 399 for the first report, 400 to 403 for the second.
constexpr int kFirstCategory = 394;
constexpr int kLastCategoryOne = 399;
constexpr int kLastCategoryTwo = 403;
constexpr int kDetailOffset = 10;
constexpr QStringView kCategoryNames[] = {
    u"Biliary System", u"Genito-Urinary Tract", u"GI Tract", u"Orthodontic & Plastics", u"Other",
    u"Respiratory Tract", u"Angiography", u"CT Scan", u"MRI", u"Ultrasound",
};

// A jump in a walk: where the candidate n + 1 leads instead (0: the walk ends).
struct Jump
{
    int candidate;
    int next;
};

// The 24-hour walk: 001-048, 414-421, 049-104, 422-429, 105-112, 225-230, 430.
constexpr Jump kDailyJumps[] = {{431, 0}, {49, 414}, {422, 49}, {105, 422}, {430, 105}, {113, 225}, {231, 430}};
// Day time and after hours: 113-160, 431-438, 161-216, 439-446, 217-224, 231-236, 447.
constexpr Jump kShiftJumps[] = {{448, 0}, {161, 431}, {439, 161}, {217, 439}, {447, 217}, {225, 231}, {237, 447}};
// The annual summary: 237-392.
constexpr Jump kAnnualJumps[] = {{393, 0}};

} // namespace

QString codeText(int n)
{
    return u"00"_s + QString::number(n);
}

std::optional<int> codeNumber(QStringView tag)
{
    if (!tag.startsWith(u"STAT", Qt::CaseInsensitive))
        return std::nullopt;
    bool ok = false;
    const int n = tag.sliced(4).toInt(&ok);
    return ok && n >= 0 ? std::optional<int>(n) : std::nullopt;
}

std::optional<Command> firstCommand(ActionCode statistic)
{
    switch (statistic) {
    case ActionCode::Statistics24Hours: return Command::STAT001;
    case ActionCode::StatisticsDayTime:
    case ActionCode::StatisticsAfterHours: return Command::STAT00113;
    case ActionCode::StatisticsAnnual: return Command::STAT00237;
    case ActionCode::StatisticsSingleProcedure: return Command::STAT00393;
    case ActionCode::StatisticsSpecial1: return Command::STAT00394;
    case ActionCode::StatisticsSpecial2: return Command::STAT00400;
    default: return std::nullopt;
    }
}

int walkLength(ActionCode statistic)
{
    switch (statistic) {
    case ActionCode::Statistics24Hours:
    case ActionCode::StatisticsDayTime:
    case ActionCode::StatisticsAfterHours: return kShiftValues;
    case ActionCode::StatisticsAnnual: return kAnnualValues;
    default: return 0;
    }
}

bool isSpecial(ActionCode statistic)
{
    return statistic == ActionCode::StatisticsSpecial1 || statistic == ActionCode::StatisticsSpecial2;
}

bool isShiftOrAnnual(ActionCode statistic)
{
    return walkLength(statistic) > 0;
}

std::optional<int> nextWalkCode(ActionCode statistic, int n)
{
    std::span<const Jump> jumps;
    switch (statistic) {
    case ActionCode::Statistics24Hours: jumps = kDailyJumps; break;
    case ActionCode::StatisticsDayTime:
    case ActionCode::StatisticsAfterHours: jumps = kShiftJumps; break;
    case ActionCode::StatisticsAnnual: jumps = kAnnualJumps; break;
    default: return std::nullopt;
    }
    const int candidate = n + 1;
    for (const Jump &jump : jumps) {
        if (jump.candidate == candidate)
            return jump.next == 0 ? std::nullopt : std::optional<int>(jump.next);
    }
    return candidate;
}

std::optional<int> NextSpecialCode(int n, const QString &reply, QStringList &rows)
{
    if (isNumeric(reply) && n < kFirstCategory + kDetailOffset) {
        if (reply.trimmed().toDouble() > 0) {
            rows.append(categoryName(n));
            rows.append(reply);
            return n + kDetailOffset;
        }
        if (n == kLastCategoryOne || n == kLastCategoryTwo)
            return std::nullopt;
        return n + 1;
    }
    if (n == kLastCategoryOne + kDetailOffset || n == kLastCategoryTwo + kDetailOffset)
        return std::nullopt;
    return n - (kDetailOffset - 1);
}

QString categoryName(int code)
{
    const int i = code - kFirstCategory;
    return i >= 0 && i < int(std::size(kCategoryNames)) ? kCategoryNames[i].toString() : QString();
}

int categoryIndex(int code)
{
    if (code >= kFirstCategory && code <= kLastCategoryOne)
        return code - kFirstCategory + 1;
    if (code > kLastCategoryOne && code <= kLastCategoryTwo)
        return code - kLastCategoryOne;
    return 0;
}

int categoryCount(ActionCode statistic)
{
    if (statistic == ActionCode::StatisticsSpecial1)
        return kLastCategoryOne - kFirstCategory + 1;
    if (statistic == ActionCode::StatisticsSpecial2)
        return kLastCategoryTwo - kLastCategoryOne;
    return 0;
}

bool isNumeric(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    t.toDouble(&ok);
    return ok;
}

QString Stat001(const StatsState &state)
{
    return wireDate(state.StatDateFrom) + u'|' + wireDate(state.StatDateTo) + u'|'
           + QString::number(state.StatShiftFlag);
}

QString Stat002(const StatsState &state)
{
    return wireDate(state.StatDateFrom) + u'|' + wireDate(state.StatDateTo) + u'|' + state.StatProcedureCode;
}

QByteArray firstRequestLine(ActionCode statistic, const StatsState &state)
{
    const std::optional<Command> command = firstCommand(statistic);
    if (!command)
        return {};
    return CommandLink::requestLine(*command, *command == Command::STAT00393 ? Stat002(state) : Stat001(state));
}

QByteArray stepRequestLine(int code, const StatsState &state)
{
    return CommandLink::stepRequestLine(codeText(code), Stat001(state));
}

QString shortDateFormat()
{
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(u"yyyy"_s))
        format.replace(u"yy"_s, u"yyyy"_s);
    return format;
}

QDate parseDate(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    static const QStringList kFormats = {u"dd.MM.yyyy"_s, u"d.M.yyyy"_s, u"yyyy-MM-dd"_s, u"dd/MM/yyyy"_s,
                                         u"d/M/yyyy"_s, u"ddMMyyyy"_s};
    for (const QString &format : kFormats) {
        const QDate date = QDate::fromString(text, format);
        if (date.isValid())
            return date;
    }
    // The system's own short form, as the boxes show a date once it is entered.
    QDate date = QLocale::system().toDate(text, shortDateFormat());
    if (!date.isValid())
        date = QLocale::system().toDate(text, QLocale::ShortFormat);
    // A two-digit year is read in the century window 1950 to 2049.
    if (date.isValid() && date.year() >= 1900 && date.year() < 1950 && !text.contains(QString::number(date.year())))
        date = date.addYears(100);
    return date;
}

QString isoDate(const QDate &date)
{
    return date.toString(u"yyyy-MM-dd"_s);
}

QString periodDate(const QString &iso)
{
    const QDate date = QDate::fromString(iso, u"yyyy-MM-dd"_s);
    return date.isValid() ? date.toString(u"dd.MM.yyyy"_s) : iso;
}

QString wireDate(const QString &iso)
{
    QString text = iso;
    return text.remove(u'-');
}

} // namespace Stats
