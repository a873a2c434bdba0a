// The statistics: every cell of a statistics report is a numbered code, "Stat" + code, that the
// client asks for one after the other on one connection ("Stat001|20080301|20080331|0"). The codes of
// one period are answered from one summary of that period: a grouped pass over its examinations
// (and one over its procedure rows), kept until the database changes, so a walk of 135 or 156 codes
// costs one pass, not one scan per code.
//
// What is counted: an examination is one "patient" of a report; "procedures" and "examinations" of
// the annual report are the procedure rows of those examinations, each counted with its own
// examination's date and classification. The examination's classifications are its department (0 to
// 6, the report rows in code order: Xray, CT Scan, Mobile, Ultrasound, MRI, Trauma, Lodox), hospital
// (0, "H", "Hosp") or private (1, "P", "Pvt"), in-patient (0), out-patient (1) or staff (2), and
// office hours (0) or after hours (1). The race group comes from the patient's position in the
// race/sex list, through tblRaceGroups.

#include "handlers.h"

#include "commandcontext.h"
#include "commandregistry.h"
#include "commandrequest.h"
#include "database.h"
#include "replywriter.h"
#include "servererrors.h"

#include <QDate>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Race groups of the report columns; examinations of patients without one count in the totals only.
enum RaceGroup { NoRace = -1, White = 0, Coloured = 1, Black = 2 };

constexpr int kDepartments = 7;
constexpr int kLodox = 6;
constexpr int kMonths = 12;

// One group of the period's examinations with the same month, classification and race group.
struct ExamGroup
{
    int month = 0;        // 1 to 12
    int department = 0;
    int officeHours = 0;  // 0 office hours, 1 after hours
    int hospitalPrivate = 0;
    int inOut = 0;
    int race = NoRace;
    qint64 examinations = 0;
    qint64 procedures = 0; // their procedure rows
};

// The procedure rows of the period per procedure code.
struct ProcedureCount
{
    QString code;
    QString description;
    std::optional<int> report;   // SpInv: 1 or 2
    std::optional<int> heading;  // SpInvHead
    qint64 count = 0;
};

// What the codes of one period are answered from.
struct PeriodSummary
{
    QList<ExamGroup> groups;
    bool hasGroups = false;
    QList<ProcedureCount> procedures;
    bool hasProcedures = false;
};

// The period of a request: [from, to] as text bounds of StudyDate, `to` exclusive (the day after),
// so dates stored with or without a time of day compare alike. An empty bound is no limit.
struct Period
{
    QString from;
    QString toExclusive;
    bool operator==(const Period &) const = default;
};

size_t qHash(const Period &period, size_t seed = 0)
{
    return qHashMulti(seed, period.from, period.toExclusive);
}

struct Fault
{
    int number;
    QString text;
};

// "yyyymmdd", or empty for no limit.
std::optional<QDate> readDate(const QString &text, Fault *fault)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QDate();
    const QDate date = QDate::fromString(t, u"yyyyMMdd"_s);
    if (t.size() != 8 || !date.isValid()) {
        *fault = {ServerErrors::BadArgument, u"The date '"_s + ReplyWriter::errorText(t) + u"' is not a date (yyyymmdd)"_s};
        return std::nullopt;
    }
    return date;
}

std::optional<Period> readPeriod(const QStringList &arguments, Fault *fault)
{
    const std::optional<QDate> from = readDate(arguments.value(0), fault);
    if (!from)
        return std::nullopt;
    const std::optional<QDate> to = readDate(arguments.value(1), fault);
    if (!to)
        return std::nullopt;
    Period period;
    period.from = from->isValid() ? from->toString(Qt::ISODate) : u"0000-00-00"_s;
    period.toExclusive = to->isValid() ? to->addDays(1).toString(Qt::ISODate) : u"9999-99-99"_s;
    return period;
}

// The race group of every position of the race/sex list: the first word of its line.
QHash<int, int> raceGroups(Database &database, QString *error)
{
    QHash<int, int> groups;
    QSqlQuery query = database.prepare(u"SELECT Rasse, Entry FROM tblRaceGroups"_s);
    query.setForwardOnly(true);
    if (!Database::run(query, error))
        return groups;
    while (query.next()) {
        const QString word = query.value(1).toString().trimmed().section(u' ', 0, 0);
        int group = NoRace;
        if (word.compare(u"White"_s, Qt::CaseInsensitive) == 0)
            group = White;
        else if (word.compare(u"Coloured"_s, Qt::CaseInsensitive) == 0)
            group = Coloured;
        else if (word.compare(u"Black"_s, Qt::CaseInsensitive) == 0)
            group = Black;
        groups.insert(query.value(0).toInt(), group);
    }
    return groups;
}

// The grouped pass over the period's examinations and, in the same groups, their procedure rows.
bool summariseExaminations(Database &database, const Period &period, PeriodSummary &summary, QString *error)
{
    const QHash<int, int> races = raceGroups(database, error);
    if (!error->isEmpty())
        return false;
    const QString groupBy = u" GROUP BY SUBSTR(s.StudyDate, 6, 2), s.Department, s.OfficeHours, s.HospitalPrivate,"
                            u" s.InOutPatient, p.Rasse"_s;
    const QString columns = u"SELECT SUBSTR(s.StudyDate, 6, 2), s.Department, s.OfficeHours, s.HospitalPrivate,"
                            u" s.InOutPatient, p.Rasse, COUNT(*)"_s;
    const QString where = u" WHERE s.StudyDate >= ? AND s.StudyDate < ?"_s;
    const QString sql[2] = {
        columns + u" FROM tblStudies s LEFT JOIN tblPatienten p ON p.PATID = s.PATID"_s + where + groupBy,
        columns + u" FROM tblStudies s JOIN tblStudyProcedures sp ON sp.StudyID = s.StudyID"
                  u" LEFT JOIN tblPatienten p ON p.PATID = s.PATID"_s + where + groupBy,
    };
    QHash<QString, qsizetype> index;
    for (int pass = 0; pass < 2; ++pass) {
        QSqlQuery query = database.prepare(sql[pass]);
        query.setForwardOnly(true);
        query.addBindValue(period.from);
        query.addBindValue(period.toExclusive);
        if (!Database::run(query, error))
            return false;
        while (query.next()) {
            ExamGroup group;
            group.month = query.value(0).toInt();
            group.department = query.value(1).toInt();
            group.officeHours = query.value(2).toInt();
            group.hospitalPrivate = query.value(3).toInt();
            group.inOut = query.value(4).toInt();
            group.race = query.value(5).isNull() ? NoRace : races.value(query.value(5).toInt(), NoRace);
            const qint64 count = query.value(6).toLongLong();
            // Several list positions share a race group: their rows add up.
            const QString key = QString::number(group.month) + u'/' + QString::number(group.department) + u'/'
                                + QString::number(group.officeHours) + u'/' + QString::number(group.hospitalPrivate)
                                + u'/' + QString::number(group.inOut) + u'/' + QString::number(group.race);
            qsizetype at = index.value(key, -1);
            if (at < 0) {
                at = summary.groups.size();
                index.insert(key, at);
                summary.groups.append(group);
            }
            (pass == 0 ? summary.groups[at].examinations : summary.groups[at].procedures) += count;
        }
    }
    summary.hasGroups = true;
    return true;
}

bool summariseProcedures(Database &database, const Period &period, PeriodSummary &summary, QString *error)
{
    QSqlQuery query = database.prepare(
        u"SELECT i.ICD9ID, i.ICD9Code, i.ICD9Description, i.SpInv, i.SpInvHead, COUNT(*)"
        u" FROM tblStudies s JOIN tblStudyProcedures sp ON sp.StudyID = s.StudyID"
        u" JOIN tblICD9 i ON i.ICD9ID = sp.ICD9ID"
        u" WHERE s.StudyDate >= ? AND s.StudyDate < ?"
        u" GROUP BY i.ICD9ID, i.ICD9Code, i.ICD9Description, i.SpInv, i.SpInvHead"
        u" ORDER BY i.ICD9Description, i.ICD9Code, i.ICD9ID"_s);
    query.setForwardOnly(true);
    query.addBindValue(period.from);
    query.addBindValue(period.toExclusive);
    if (!Database::run(query, error))
        return false;
    while (query.next()) {
        ProcedureCount row;
        row.code = query.value(1).toString();
        row.description = query.value(2).toString();
        if (!query.value(3).isNull())
            row.report = query.value(3).toInt();
        if (!query.value(4).isNull())
            row.heading = query.value(4).toInt();
        row.count = query.value(5).toLongLong();
        summary.procedures.append(row);
    }
    summary.hasProcedures = true;
    return true;
}

// The summaries of the periods asked for lately, per database connection. An entry holds while the
// database has not changed since it was made: SQLite tells that by its data version (changes by
// other connections) and this connection's change count. Where the driver cannot tell, the first
// code of every walk makes the period's summary anew and the rest of the walk reuses it.
class SummaryCache
{
public:
    struct Entry
    {
        std::shared_ptr<PeriodSummary> summary;
        std::optional<QString> stamp;
        quint64 used = 0;
    };

    std::shared_ptr<PeriodSummary> find(const QString &connection, const Period &period,
                                        const std::optional<QString> &stamp, bool fresh)
    {
        QMutexLocker lock(&m_mutex);
        auto it = m_entries.find({connection, period});
        if (it == m_entries.end())
            return nullptr;
        const bool valid = stamp ? it->stamp == stamp : !fresh;
        if (!valid) {
            m_entries.erase(it);
            return nullptr;
        }
        it->used = ++m_clock;
        return it->summary;
    }

    void keep(const QString &connection, const Period &period, std::shared_ptr<PeriodSummary> summary,
              const std::optional<QString> &stamp)
    {
        QMutexLocker lock(&m_mutex);
        if (m_entries.size() >= kEntries && !m_entries.contains({connection, period})) {
            auto oldest = std::min_element(m_entries.begin(), m_entries.end(),
                                           [](const Entry &a, const Entry &b) { return a.used < b.used; });
            m_entries.erase(oldest);
        }
        m_entries.insert({connection, period}, Entry{std::move(summary), stamp, ++m_clock});
    }

private:
    static constexpr qsizetype kEntries = 16;
    struct Key
    {
        QString connection;
        Period period;
        bool operator==(const Key &) const = default;
    };
    friend size_t qHash(const Key &key, size_t seed) { return qHashMulti(seed, key.connection, key.period); }

    QMutex m_mutex;
    QHash<Key, Entry> m_entries;
    quint64 m_clock = 0;
};

SummaryCache &cache()
{
    static SummaryCache instance;
    return instance;
}

// Asked before every code, so it is prepared once per connection (and thread) and kept.
std::optional<QString> changeStamp(const QSqlDatabase &connection)
{
    if (connection.driverName() != u"QSQLITE"_s)
        return std::nullopt;
    thread_local QHash<QString, QSqlQuery> prepared;
    auto it = prepared.find(connection.connectionName());
    if (it == prepared.end() || it->driver() != connection.driver()) {
        QSqlQuery query(connection);
        if (!query.prepare(u"SELECT data_version, total_changes() FROM pragma_data_version"_s))
            return std::nullopt;
        it = prepared.insert(connection.connectionName(), query);
    }
    QSqlQuery &query = *it;
    if (!query.exec() || !query.next())
        return std::nullopt;
    QString stamp = query.value(0).toString() + u'/' + query.value(1).toString();
    query.finish();
    return stamp;
}

// The codes each walk starts with.
bool startsWalk(int code)
{
    return code == 1 || code == 113 || code == 237 || code == 393 || code == 394 || code == 400;
}

// The period's summary with the parts a code needs.
std::shared_ptr<PeriodSummary> summaryFor(Database &database, const Period &period, int code, bool needsGroups,
                                          QString *error)
{
    const QSqlDatabase sql = database.connection();
    const QString connection = sql.connectionName();
    const std::optional<QString> stamp = changeStamp(sql);
    std::shared_ptr<PeriodSummary> summary = cache().find(connection, period, stamp, startsWalk(code));
    if (summary && (needsGroups ? summary->hasGroups : summary->hasProcedures))
        return summary;
    // Summaries are shared with walks still reading them: a part is added to a copy.
    auto fresh = summary ? std::make_shared<PeriodSummary>(*summary) : std::make_shared<PeriodSummary>();
    const bool made = needsGroups ? summariseExaminations(database, period, *fresh, error)
                                  : summariseProcedures(database, period, *fresh, error);
    if (!made)
        return nullptr;
    cache().keep(connection, period, fresh, stamp);
    return fresh;
}

// --- what each code counts

// Table 1 columns: white, coloured, black (H, P each), then the total of hospital or private
// patients of any race. Table 2: in-patients, out-patients, staff, then the same totals.
struct ShiftCell
{
    enum Kind { Race, Admission, Procedures } kind;
    int department;     // -1: the Total row, every department
    int column = 0;     // 0 to 7
    bool shiftFiltered; // day time / after hours only
};

std::optional<ShiftCell> shiftCell(int c)
{
    // The 24-hour codes, and the day-time / after-hours codes 112 further on.
    const auto fromK = [](int k, bool filtered) -> std::optional<ShiftCell> {
        if (k >= 1 && k <= 48)
            return ShiftCell{ShiftCell::Race, (k - 1) / 8, (k - 1) % 8, filtered};
        if (k >= 49 && k <= 56)
            return ShiftCell{ShiftCell::Race, -1, k - 49, filtered};
        if (k >= 57 && k <= 104)
            return ShiftCell{ShiftCell::Admission, (k - 57) / 8, (k - 57) % 8, filtered};
        if (k >= 105 && k <= 112)
            return ShiftCell{ShiftCell::Admission, -1, k - 105, filtered};
        return std::nullopt;
    };
    if (c >= 1 && c <= 112)
        return fromK(c, false);
    if (c >= 113 && c <= 224)
        return fromK(c - 112, true);
    if (c >= 225 && c <= 230)
        return ShiftCell{ShiftCell::Procedures, c - 225, 0, false};
    if (c >= 231 && c <= 236)
        return ShiftCell{ShiftCell::Procedures, c - 231, 0, true};
    if (c >= 414 && c <= 421)
        return ShiftCell{ShiftCell::Race, kLodox, c - 414, false};
    if (c >= 422 && c <= 429)
        return ShiftCell{ShiftCell::Admission, kLodox, c - 422, false};
    if (c == 430)
        return ShiftCell{ShiftCell::Procedures, kLodox, 0, false};
    if (c >= 431 && c <= 438)
        return ShiftCell{ShiftCell::Race, kLodox, c - 431, true};
    if (c >= 439 && c <= 446)
        return ShiftCell{ShiftCell::Admission, kLodox, c - 439, true};
    if (c == 447)
        return ShiftCell{ShiftCell::Procedures, kLodox, 0, true};
    return std::nullopt;
}

qint64 countShift(const PeriodSummary &summary, const ShiftCell &cell, int flag)
{
    qint64 total = 0;
    for (const ExamGroup &g : summary.groups) {
        if (cell.department >= 0 && g.department != cell.department)
            continue;
        if (cell.shiftFiltered && g.officeHours != flag)
            continue;
        if (cell.kind == ShiftCell::Procedures) {
            total += g.procedures;
            continue;
        }
        if (g.hospitalPrivate != cell.column % 2)
            continue;
        if (cell.column < 6) {
            const int group = cell.column / 2;
            if ((cell.kind == ShiftCell::Race ? g.race : g.inOut) != group)
                continue;
        }
        total += g.examinations;
    }
    return total;
}

// Annual codes 237 to 392: race columns (Pvt before Hosp), admission columns, patients and
// examinations, month by month.
qint64 countAnnual(const PeriodSummary &summary, int c)
{
    const int o = c - 237;
    qint64 total = 0;
    for (const ExamGroup &g : summary.groups) {
        if (o < 72) {
            const int i = o % 6;
            if (g.month == o / 6 + 1 && g.race == i / 2 && g.hospitalPrivate == 1 - i % 2)
                total += g.examinations;
        } else if (o < 132) {
            const int i = (o - 72) % 5;
            if (g.month != (o - 72) / 5 + 1)
                continue;
            if (i == 4 ? g.inOut == 2 : (g.inOut == i / 2 && g.hospitalPrivate == 1 - i % 2))
                total += g.examinations;
        } else {
            const int i = (o - 132) % 2;
            if (g.month == (o - 132) / 2 + 1)
                total += i == 0 ? g.examinations : g.procedures;
        }
    }
    return total;
}

// The special categories: report 1 headings 1 to 6 are codes 394 to 399, report 2 headings 1 to 4
// are codes 400 to 403; a heading's detail list is its code + 10.
std::optional<int> categoryCode(const ProcedureCount &row)
{
    if (!row.report || !row.heading)
        return std::nullopt;
    if (*row.report == 1 && *row.heading >= 1 && *row.heading <= 6)
        return 393 + *row.heading;
    if (*row.report == 2 && *row.heading >= 1 && *row.heading <= 4)
        return 399 + *row.heading;
    return std::nullopt;
}

void statistic(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QString digits = request.keyword.mid(4);
    bool isNumber = !digits.isEmpty();
    for (QChar ch : digits)
        isNumber = isNumber && ch.isDigit();
    const int c = isNumber ? digits.toInt() : -1;
    const bool annual = c >= 237 && c <= 392;
    const bool special = c >= 394 && c <= 413;
    const std::optional<ShiftCell> cell = shiftCell(c);
    if (!cell && !annual && !special && c != 393) {
        reply.error(ServerErrors::UnknownCommand, u"Unknown statistics code "_s + ReplyWriter::errorText(digits));
        return;
    }
    Fault fault{};
    const std::optional<Period> period = readPeriod(request.arguments, &fault);
    if (!period) {
        reply.error(fault.number, fault.text);
        return;
    }
    // The flag is read only where it filters: the client sends whatever the last shift report left.
    int flag = 0;
    if (cell && cell->shiftFiltered) {
        const QString f = request.arguments.value(2).trimmed();
        if (f != u"0"_s && f != u"1"_s) {
            reply.error(ServerErrors::BadArgument, u"The shift flag must be 0 or 1"_s);
            return;
        }
        flag = f.toInt();
    }

    QString error;
    const bool needsGroups = cell || annual;
    const std::shared_ptr<PeriodSummary> summary = summaryFor(context.database, *period, c, needsGroups, &error);
    if (!summary) {
        reply.error(ServerErrors::DatabaseFailure, error);
        return;
    }
    if (cell) {
        reply.number(countShift(*summary, *cell, flag));
        return;
    }
    if (annual) {
        reply.number(countAnnual(*summary, c));
        return;
    }
    if (c == 393) {
        const QString code = request.arguments.value(2).trimmed();
        qint64 total = 0;
        for (const ProcedureCount &row : summary->procedures) {
            if (!code.isEmpty() && row.code.trimmed() == code)
                total += row.count;
        }
        reply.number(total);
        return;
    }
    const int category = c < 404 ? c : c - 10;
    if (c < 404) {
        qint64 total = 0;
        for (const ProcedureCount &row : summary->procedures) {
            if (categoryCode(row) == category)
                total += row.count;
        }
        reply.number(total);
        return;
    }
    // A detail list is never a bare number, not even when it is empty.
    reply.beginRecords();
    for (const ProcedureCount &row : summary->procedures) {
        if (categoryCode(row) == category && row.count > 0)
            reply.record({row.description, QString::number(row.count)});
    }
    reply.endRecords();
}

} // namespace

void registerStatsCommands(CommandRegistry &registry)
{
    registry.addPrefix(u"Stat", statistic);
}
