#pragma once

#include "core/actioncode.h"
#include "link/commandcatalogue.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

struct StatsState;

// The statistics requests and the walk from one statistics code to the next, without widgets.
//
// Every cell of a statistic is one numbered code that the server computes; the client asks for the
// codes one after the other on a single connection. A code travels as "00" followed by its number in
// decimal ("001", "0049", "00114"); the order of the codes fixes the meaning of every position in
// StatRows.
namespace Stats {

// "00" + n.
QString codeText(int n);
// The number after "STAT" in a step's tag ("STAT0049" gives 49); nothing when there is none.
std::optional<int> codeNumber(QStringView tag);

// The statistic's first command: STAT001, STAT00113, STAT00237, STAT00393, STAT00394 or STAT00400;
// nothing for a code that is not a statistic.
std::optional<Command> firstCommand(ActionCode statistic);
// The number of answers a shift or annual walk collects (135 or 156); 0 for the others.
int walkLength(ActionCode statistic);
bool isSpecial(ActionCode statistic);
bool isShiftOrAnnual(ActionCode statistic);

// The code after n in the walk of a shift or annual statistic ("4" to "7"); nothing at the end.
std::optional<int> nextWalkCode(ActionCode statistic, int n);

// The special investigation walk ("9": categories 394 to 399, "10": 400 to 403). A category code
// answers with its count, the category code + 10 with its detail list. Given the code just
// answered and its stripped answer, appends the category's name and count to `rows` when the count
// is above 0, and returns the next code; nothing when the walk has ended.
std::optional<int> NextSpecialCode(int n, const QString &reply, QStringList &rows);
// The names of the special categories by code (394 to 403); empty for any other code.
QString categoryName(int code);
// The position of a category in its report (1 to 6 or 1 to 4) and the report's category count.
int categoryIndex(int code);
int categoryCount(ActionCode statistic);

// What a reply is taken for when it is tested for a number: a decimal number, blanks around it
// allowed.
bool isNumeric(const QString &text);

// "from|to|flag", the dates "yyyymmdd".
QString Stat001(const StatsState &state);
// "from|to|procedure code".
QString Stat002(const StatsState &state);

// The request line of the statistic's first command, or of a further step of its walk.
QByteArray firstRequestLine(ActionCode statistic, const StatsState &state);
QByteArray stepRequestLine(int code, const StatsState &state);

// Dates as the period windows take them: typed in the system's short form or as dd.mm.yyyy,
// d.m.yyyy, yyyy-mm-dd, dd/mm/yyyy or ddmmyyyy. An invalid date for anything else.
QDate parseDate(const QString &text);
// The system's short date form, always with a four-digit year.
QString shortDateFormat();
QString isoDate(const QDate &date);
// "yyyy-mm-dd" as "dd.mm.yyyy" (and as "yyyymmdd"); other text unchanged (empty).
QString periodDate(const QString &iso);
QString wireDate(const QString &iso);

} // namespace Stats
