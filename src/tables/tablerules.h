#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The rules the table dialogs and their request builders share.

// A typed value, the name of its field as the user knows it from the dialog, and whether the field
// holds several lines.
struct TableField
{
    QString name;
    QString text;
    bool multiLine = false;
};

// Typed text travels inside "|"-separated request lines ended by "/CMD", in the wire's code page.
// Returns the message for the first field whose text would break that framing or lose characters on
// the way; empty when every field can be sent. Line breaks are refused in single-line fields only:
// a multi-line field carries them (see wireLineBreaks).
QString tableTextProblem(const QList<TableField> &fields);

// A multi-line value as it travels: every line break (CR LF, CR or LF) becomes one LF. Records on the
// wire end with CR LF, so a lone LF inside a field is data in both directions and never ends a
// record; the server stores real line breaks and sends them back the same way.
QString wireLineBreaks(QString text);

// A referrer's visibility flag as the server sends it: "True"/"False" in any case or a number (any
// number but 0 is true), blanks around allowed; empty is false. Nothing for any other text.
std::optional<bool> truthValue(QStringView text);

// A typed number as the server's SQL reads it: the value in plain decimal notation (no exponent, a
// point as the decimal separator). A text reads as a number when it is an optional sign, digits with
// at most one decimal point or comma, and an optional exponent ("1,5" is 1.5, "1e3" is 1000), blanks
// around allowed. Nothing for any other text.
std::optional<QString> plainDecimal(QStringView typed);

// plainDecimal, or "NULL" for a text that is not a number (an empty box included).
QString numberOrNull(QStringView typed);

// A procedure id as typed: a whole number above 0 (blanks around allowed), in plain decimal.
std::optional<QString> wholeId(QStringView typed);
