#pragma once

#include "core/actioncode.h"

#include <QDateTime>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

#include <cstdint>

class QTextDocument;
struct StatsState;

// The report builders of the statistics window: they write a finished statistic into the rich text
// document of StatTextbox, piece by piece at the caret, each piece in the style set before it,
// taking the values from StatRows by position (or the single-procedure result).
//
// A value that is added to another must be a number, and every value a total adds must be there; a
// missing or non-numeric one stops the building with a HandlerFailure, and what was written so far
// stays in the document.
class StatReport
{
public:
    // The paragraph and character styles of the reports.
    enum class Style { Title, Head, Group, Rule, Label, Value, Caption, Plain, Category, Footer, HeadRegular };

    StatReport(QTextDocument &document, const StatsState &state, QDateTime now);

    // The document as the statistics window starts it: base font Arial 14, one empty line, the caret
    // before it.
    static void startDocument(QTextDocument &document);
    // The document's geometry the tab stops of the special reports refer to, in twips.
    static constexpr int BoxLeftTwips = 120;
    static constexpr int BoxWidthTwips = 11520;

    // The report's heading line (bez) for each statistic.
    static QString heading(ActionCode statistic, const QDateTime &now);
    // "dd.mm.yyyy hh:mm:ss" in the system's short date form.
    static QString dateTime(const QDateTime &when);
    // 112 hyphens.
    static QString ruleLine();

    // Chooses the builder by statistic: StatLoad for the shift reports, StatLoad2 for the annual and
    // single-procedure reports, StatLoad3 for the special reports.
    void StatInsert(ActionCode statistic, const QString &bez);
    void StatLoad(const QString &bez);
    void StatLoad2(ActionCode statistic, const QString &bez);
    void StatLoad3(const QString &bez);

private:
    void setStyle(Style style);
    void SetFont(const QString &family, qreal size, bool bold, bool italic, bool underline);
    void align(Qt::Alignment alignment);
    void insert(const QString &text);
    void rule(const QString &after);
    void FILL_DATA();
    void shiftHead(const QString &bez, bool printed);
    void shiftTable(int first);
    void annualRace();
    void annualAdmission();
    void annualPatients();
    void specialCategory(int p);
    void setTabStops(int characters);
    void labelTabStops();

    // The value at a position of StatRows (from 1) as received; `required` makes a missing one stop
    // the building.
    bool has(int position) const;
    QString text(int position) const;
    std::int64_t number(int position) const;
    static std::int64_t numberOf(const QString &text, int position);

    QTextCursor m_cursor;
    QTextCharFormat m_format;
    const StatsState &m_state;
    QDateTime m_now;
    int NextItem = 1;
};
