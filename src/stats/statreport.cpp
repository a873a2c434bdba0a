#include "statreport.h"

#include "statrequests.h"
#include "statsstate.h"

#include "link/replyshapes.h"

#include <QTextBlockFormat>
#include <QTextDocument>
#include <QTextOption>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kArial = u"Arial"_s;
const QString kCentury = u"Century"_s;
const QString kTab = u"\t"_s;
const QString kCrLf = u"\r\n"_s;
const QString kHospital = u"Brenmoor Hospital - Radiology Statistics"_s;
constexpr int kRuleLength = 112;

// The default tab stops of the text box: every half inch.
constexpr qreal kTabStopPixels = 48;
// Where the shift tables' rows put their first tab stop (see labelTabStops).
constexpr qreal kLabelFirstStop = 45;
// The document's pixels are those of a 96 dpi screen: 15 twips each.
constexpr qreal kTwipsPerPixel = 15;

// Error numbers of a report that cannot be built: a value that is not there, a value that is not a
// number.
constexpr std::int32_t kMissingValue = 9;
constexpr std::int32_t kNotANumber = 13;

constexpr QStringView kMonthNames[] = {u"January", u"February", u"March",     u"April",   u"May",      u"June",
                                       u"July",    u"August",   u"September", u"October", u"November", u"December"};

QString tabs(int n)
{
    return QString(n, u'\t');
}

// The four long month names take one tab fewer to reach the first column.
bool isLongMonth(int month)
{
    return month == 2 || month == 9 || month == 11 || month == 12;
}

QString monthName(int month)
{
    return kMonthNames[month - 1].toString();
}

} // namespace

StatReport::StatReport(QTextDocument &document, const StatsState &state, QDateTime now)
    : m_cursor(&document)
    , m_state(state)
    , m_now(std::move(now))
{
    m_cursor.movePosition(QTextCursor::Start);
    m_format = m_cursor.charFormat();
}

void StatReport::startDocument(QTextDocument &document)
{
    QFont base(kArial);
    base.setPointSizeF(14);
    base.setBold(false);
    base.setItalic(false);
    document.setDefaultFont(base);
    QTextOption option = document.defaultTextOption();
    option.setTabStopDistance(kTabStopPixels);
    document.setDefaultTextOption(option);
    // The report's columns are tab stops that its labels must pass by a hair ("Trauma" is a shade
    // wider than one stop): text is measured with the font's design widths, on screen as on paper.
    document.setUseDesignMetrics(true);
    document.setPlainText(u"\r\n"_s);
}

QString StatReport::dateTime(const QDateTime &when)
{
    return when.toString(Stats::shortDateFormat() + u" HH:mm:ss"_s);
}

QString StatReport::heading(ActionCode statistic, const QDateTime &now)
{
    switch (statistic) {
    case ActionCode::Statistics24Hours: return u"Daily 24 Hours Statistics"_s;
    case ActionCode::StatisticsDayTime: return u"Day Time 7:00 am to 4:00 pm"_s;
    case ActionCode::StatisticsAfterHours: return u"After Hours 4:00 pm to 7:00 am"_s;
    case ActionCode::StatisticsAnnual: return u"Annual Report    As On   "_s + dateTime(now);
    case ActionCode::StatisticsSingleProcedure: return u"Single Procedure Statistic   As On   "_s + dateTime(now);
    case ActionCode::StatisticsSpecial1: return u"Special Investigation 1"_s;
    case ActionCode::StatisticsSpecial2: return u"Special Investigation 2"_s;
    default: return {};
    }
}

QString StatReport::ruleLine()
{
    return QString(kRuleLength, u'-');
}

void StatReport::SetFont(const QString &family, qreal size, bool bold, bool italic, bool underline)
{
    m_format = QTextCharFormat();
    m_format.setFontFamilies({family});
    m_format.setFontPointSize(size);
    m_format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    m_format.setFontItalic(italic);
    m_format.setFontUnderline(underline);
}

void StatReport::align(Qt::Alignment alignment)
{
    QTextBlockFormat block;
    block.setAlignment(alignment);
    m_cursor.mergeBlockFormat(block);
}

void StatReport::setStyle(Style style)
{
    switch (style) {
    case Style::Title:
        SetFont(kArial, 14, true, true, false);
        align(Qt::AlignHCenter);
        break;
    case Style::Head:
        SetFont(kArial, 10, true, false, false);
        align(Qt::AlignHCenter);
        break;
    case Style::HeadRegular:
        SetFont(kArial, 10, false, false, false);
        align(Qt::AlignHCenter);
        break;
    case Style::Group:
        SetFont(kArial, 12, true, false, false);
        align(Qt::AlignHCenter);
        break;
    case Style::Rule:
        SetFont(kArial, 14, true, false, false);
        align(Qt::AlignLeft);
        break;
    case Style::Label:
        SetFont(kArial, 10, true, false, false);
        align(Qt::AlignLeft);
        labelTabStops();
        break;
    case Style::Value:
        SetFont(kArial, 10, false, false, false);
        break;
    case Style::Caption:
        SetFont(kCentury, 12, true, true, false);
        break;
    case Style::Plain:
        SetFont(kArial, 10, false, false, false);
        align(Qt::AlignLeft);
        break;
    case Style::Category:
        SetFont(kArial, 12, true, false, true);
        align(Qt::AlignLeft);
        break;
    case Style::Footer:
        SetFont(kCentury, 12, false, true, false);
        align(Qt::AlignLeft);
        break;
    }
}

// The rows of the shift tables reach their first column with three tabs after a long label
// ("Trauma", "CT Scan") and four after a short one ("Mobile"): "Trauma" passes the first stop by a
// hair at the box's half-inch stops, so these rows put their first stop a little earlier, between the
// widest short label and the narrowest long one, and keep the half inch from there on.
void StatReport::labelTabStops()
{
    QList<QTextOption::Tab> stops;
    for (int i = 0; i < 24; ++i)
        stops.append(QTextOption::Tab(kLabelFirstStop + i * kTabStopPixels, QTextOption::LeftTab));
    QTextBlockFormat block;
    block.setTabPositions(stops);
    m_cursor.mergeBlockFormat(block);
}

void StatReport::insert(const QString &text)
{
    m_cursor.insertText(text, m_format);
}

void StatReport::rule(const QString &after)
{
    setStyle(Style::Rule);
    insert(ruleLine() + after);
}

bool StatReport::has(int position) const
{
    return position >= 1 && position <= m_state.StatRows.size();
}

QString StatReport::text(int position) const
{
    if (!has(position))
        throw HandlerFailure(kMissingValue, u"The statistic has no value at position "_s + QString::number(position));
    return m_state.StatRows.at(position - 1);
}

std::int64_t StatReport::numberOf(const QString &value, int position)
{
    const QString t = value.trimmed();
    bool ok = false;
    const qlonglong whole = t.toLongLong(&ok);
    if (ok)
        return whole;
    const double real = t.toDouble(&ok);
    if (ok && std::isfinite(real))
        return std::llround(real);
    throw HandlerFailure(kNotANumber, u"The statistic's value \""_s + value + u"\" at position "_s
                                          + QString::number(position) + u" is not a number"_s);
}

std::int64_t StatReport::number(int position) const
{
    return numberOf(text(position), position);
}

void StatReport::StatInsert(ActionCode statistic, const QString &bez)
{
    if (statistic == ActionCode::StatisticsAnnual || statistic == ActionCode::StatisticsSingleProcedure)
        StatLoad2(statistic, bez);
    else if (Stats::isSpecial(statistic))
        StatLoad3(bez);
    else if (actionNumber(statistic) <= 6)
        StatLoad(bez);
}

// The head every shift and special report opens with.
void StatReport::shiftHead(const QString &bez, bool printed)
{
    setStyle(Style::Title);
    insert(kHospital + kCrLf + kCrLf);
    setStyle(Style::Head);
    insert(bez + kCrLf + kCrLf);
    setStyle(Style::Head);
    insert(u"For Period :"_s + kTab + Stats::periodDate(m_state.StatDateFrom) + kTab + u"to"_s + kTab
           + Stats::periodDate(m_state.StatDateTo) + kCrLf + kCrLf);
    if (printed) {
        setStyle(Style::Head);
        insert(u"Report Printed :"_s + kTab + dateTime(m_now) + kCrLf + kCrLf);
    }
}

void StatReport::FILL_DATA()
{
    SetFont(kArial, 10, false, false, false);
    QString row;
    for (int i = 0; i < 8; ++i) {
        const int position = NextItem + i;
        if (has(position))
            row += m_state.StatRows.at(position - 1);
        row += i == 3 ? tabs(2) : kTab;
    }
    insert(row + kCrLf);
    NextItem += 8;
}

namespace {

struct RowLabel
{
    QStringView name;
    int tabs;
};
// The department rows of the shift tables, in the order of their codes.
constexpr RowLabel kShiftRows[] = {{u"Xray", 4},       {u"CT Scan", 3}, {u"Mobile", 4}, {u"Ultrasound", 3},
                                   {u"MRI", 4},        {u"Trauma", 3},  {u"Lodox", 4}};

const QString kColumnsLine = tabs(4) + u"H\tP\tH\tP\t\tH\tP\tH\tP\r\n"_s;

} // namespace

// The seven department rows, a rule, the total row and a rule: 64 values from `first`.
void StatReport::shiftTable(int first)
{
    NextItem = first;
    setStyle(Style::Label);
    for (const RowLabel &row : kShiftRows) {
        insert(row.name.toString() + tabs(row.tabs));
        FILL_DATA();
        setStyle(Style::Label);
    }
    rule(kCrLf + kCrLf);
    setStyle(Style::Label);
    insert(u"Total"_s + tabs(4));
    FILL_DATA();
    rule(kCrLf + kCrLf);
}

void StatReport::StatLoad(const QString &bez)
{
    NextItem = 1;
    shiftHead(bez, true);

    setStyle(Style::Group);
    insert(u"White\t\tColoured\t\tBlack\t\tTotal"_s + kCrLf);
    rule(kCrLf + kCrLf);
    setStyle(Style::Label);
    insert(kColumnsLine);
    shiftTable(1);

    setStyle(Style::Head);
    insert(kCrLf + u"Inpatients\t\tOutpatients\t\tStaff\t\tTotal"_s + kCrLf);
    rule(kCrLf + kCrLf);
    setStyle(Style::Label);
    insert(kColumnsLine);
    shiftTable(65);

    setStyle(Style::Head);
    insert(kCrLf + u"Total Patients\t\tTotal Procedures"_s + kCrLf);
    rule(kCrLf + kCrLf);

    // Table 3: the patients of a row are its two total columns of table 2; its procedures one value more.
    std::int64_t patients = 0;
    std::int64_t procedures = 0;
    for (int i = 0; i < int(std::size(kShiftRows)); ++i) {
        const int totalH = 65 + 8 * i + 6;
        const std::int64_t a = number(totalH) + number(totalH + 1);
        const QString b = text(129 + i);
        patients += a;
        procedures += numberOf(b, 129 + i);
        setStyle(Style::Label);
        insert(kShiftRows[i].name.toString() + tabs(kShiftRows[i].tabs + 1));
        setStyle(Style::Value);
        insert(QString::number(a) + tabs(4) + b + kCrLf);
    }
    rule(kCrLf + kCrLf);
    setStyle(Style::Label);
    insert(u"Total"_s + tabs(5));
    setStyle(Style::Value);
    insert(QString::number(patients) + tabs(4) + QString::number(procedures) + kCrLf + kCrLf);
}

void StatReport::StatLoad2(ActionCode statistic, const QString &bez)
{
    shiftHead(bez, false);
    if (statistic == ActionCode::StatisticsAnnual) {
        setStyle(Style::Caption);
        align(Qt::AlignHCenter);
        insert(u"Whit\t\t\tColoured\t\tBlack"_s + kCrLf);
        setStyle(Style::Caption);
        align(Qt::AlignLeft);
        insert(u"Month\t\t\tPvt\tHosp\t\tPvt\tHosp\t\tPvt\tHosp\t\tTotal"_s + kCrLf);
        rule(kCrLf);
        annualRace();

        setStyle(Style::Caption);
        align(Qt::AlignHCenter);
        insert(u"Inpats\t\t\tOutpats\t\tStaff"_s + kCrLf);
        setStyle(Style::Caption);
        align(Qt::AlignLeft);
        insert(u"Month\t\t\tPvt\tHosp\t\t\tPvt\tHosp\t\t\t\tTotal"_s + kCrLf);
        rule(kCrLf);
        annualAdmission();

        setStyle(Style::Caption);
        align(Qt::AlignLeft);
        insert(u"Month\t\t\tTotal Patients\t\tTotal Examinations"_s + kCrLf);
        rule(kCrLf);
        annualPatients();
    } else if (statistic == ActionCode::StatisticsSingleProcedure) {
        setStyle(Style::Caption);
        align(Qt::AlignHCenter);
        insert(u"Proc Code\t\tProcedure\t\tTotal"_s + kCrLf);
        setStyle(Style::HeadRegular);
        insert(m_state.StatProcedureCode + tabs(2) + m_state.StatProcedureName + tabs(2)
               + m_state.SingleProcedureResult + kCrLf);
    }
}

// AnnualRaceRows and SetSum: six values a month, positions 6(m - 1) + 1 to + 6.
void StatReport::annualRace()
{
    std::int64_t sums[6] = {};
    for (int m = 1; m <= 12; ++m) {
        const int first = 6 * (m - 1) + 1;
        std::int64_t values[6];
        std::int64_t total = 0;
        for (int i = 0; i < 6; ++i)
            total += values[i] = number(first + i);
        for (int i = 0; i < 6; ++i)
            sums[i] += values[i];
        if (total <= 0)
            continue;
        setStyle(Style::Plain);
        insert(monthName(m) + tabs(isLongMonth(m) ? 2 : 3) + kTab + text(first) + kTab + text(first + 1) + tabs(2)
               + text(first + 2) + kTab + text(first + 3) + tabs(2) + text(first + 4) + kTab + text(first + 5)
               + kTab + kTab + QString::number(total) + kTab + kCrLf);
    }
    rule(kCrLf);
    const std::int64_t all = sums[0] + sums[1] + sums[2] + sums[3] + sums[4] + sums[5];
    setStyle(Style::Caption);
    const auto n = [](std::int64_t v) { return QString::number(v); };
    insert(kTab + u"Totals :"_s + tabs(2) + n(sums[0]) + kTab + n(sums[1]) + tabs(2) + n(sums[2]) + kTab + n(sums[3])
           + tabs(2) + n(sums[4]) + kTab + n(sums[5]) + tabs(2) + n(all) + kCrLf);
    rule(kCrLf + kCrLf);
}

// AnnualAdmissionRows and SetSum2: five values a month from position 73.
void StatReport::annualAdmission()
{
    std::int64_t sums[5] = {};
    for (int m = 1; m <= 12; ++m) {
        const int first = 72 + 5 * (m - 1) + 1;
        std::int64_t values[5];
        std::int64_t total = 0;
        for (int i = 0; i < 5; ++i)
            total += values[i] = number(first + i);
        for (int i = 0; i < 5; ++i)
            sums[i] += values[i];
        if (total <= 0)
            continue;
        setStyle(Style::Plain);
        insert(monthName(m) + tabs(isLongMonth(m) ? 2 : 3) + kTab + text(first) + kTab + text(first + 1) + tabs(3)
               + text(first + 2) + kTab + text(first + 3) + tabs(2) + text(first + 4) + kTab + kTab
               + QString::number(total) + kTab + kCrLf);
    }
    rule(kCrLf);
    const std::int64_t all = sums[0] + sums[1] + sums[2] + sums[3] + sums[4];
    setStyle(Style::Caption);
    const auto n = [](std::int64_t v) { return QString::number(v); };
    insert(kTab + u"Totals :"_s + tabs(2) + n(sums[0]) + kTab + n(sums[1]) + tabs(3) + n(sums[2]) + kTab + n(sums[3])
           + tabs(2) + n(sums[4]) + tabs(2) + n(all) + kCrLf);
    rule(kCrLf + kCrLf);
}

// CreateAnnualReport3 and SetSum3: patients and examinations a month from position 133.
void StatReport::annualPatients()
{
    std::int64_t patients = 0;
    std::int64_t examinations = 0;
    for (int m = 1; m <= 12; ++m) {
        const int first = 132 + 2 * (m - 1) + 1;
        const std::int64_t p = number(first);
        const std::int64_t e = number(first + 1);
        patients += p;
        examinations += e;
        if (p + e <= 0)
            continue;
        setStyle(Style::Plain);
        insert(monthName(m) + tabs(isLongMonth(m) ? 3 : 4) + kTab + text(first) + tabs(4) + text(first + 1) + kTab
               + kCrLf);
    }
    rule(kCrLf);
    setStyle(Style::Caption);
    insert(kTab + u"Totals :"_s + tabs(3) + QString::number(patients) + tabs(4) + QString::number(examinations)
           + kCrLf);
    rule(kCrLf + kCrLf);
}

void StatReport::setTabStops(int characters)
{
    const qreal first = (BoxLeftTwips + characters) / kTwipsPerPixel;
    const qreal second = (BoxWidthTwips / 2.0 - characters) / kTwipsPerPixel;
    QTextBlockFormat block;
    block.setTabPositions({QTextOption::Tab(first, QTextOption::LeftTab), QTextOption::Tab(second, QTextOption::LeftTab)});
    m_cursor.mergeBlockFormat(block);
}

void StatReport::StatLoad3(const QString &bez)
{
    shiftHead(bez, true);
    for (int p = 1; p + 2 <= m_state.StatRows.size(); p += 3)
        specialCategory(p);
}

// One category of a special report: its name, a line per procedure with its count, and its total.
void StatReport::specialCategory(int p)
{
    setStyle(Style::Category);
    insert(text(p) + kCrLf + kCrLf);

    QString details = text(p + 2);
    details.replace(kCrLf, u"|"_s);
    const QStringList fields = details.split(u'|');
    for (qsizetype i = 0; i < fields.size(); i += 2) {
        const QString &first = fields.at(i);
        // A last field without its partner is written on its own line; an empty one is nothing.
        if (i + 1 >= fields.size() && first.isEmpty())
            break;
        setTabStops(int(first.size()));
        setStyle(Style::Plain);
        insert(i + 1 < fields.size() ? QString(first + kTab + fields.at(i + 1) + kCrLf) : QString(first + kCrLf));
    }
    rule(kCrLf);
    setStyle(Style::Footer);
    setTabStops(7);
    insert(u"          Total :"_s + kTab + text(p + 1) + kCrLf + kCrLf);
}
