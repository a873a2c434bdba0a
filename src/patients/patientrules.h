#pragma once

#include <QDate>
#include <QList>
#include <QString>

// The rules the registration and update windows share.

// The sex letter of a race/sex entry: the first character of its second word, the words being
// separated by single spaces; empty for an entry of one word.
QString SexFromRace(const QString &entry);

// What the initials field holds after a name has changed: initials already there are kept; empty
// initials become the first letters of the first name and the surname once both are given.
QString autoInitials(const QString &initials, const QString &firstName, const QString &surname);

// A typed value and the name of its field, as the user knows it from the window.
struct TypedField
{
    QString name;
    QString text;
};

// Typed text travels inside "|"-separated request lines ended by "/CMD", in the wire's code page.
// Returns the message for the first field whose text would break that framing or lose characters
// on the way; empty when every field can be sent as it is.
QString typedTextProblem(const QList<TypedField> &fields);

// Birth dates as the windows show them and the user types them.
namespace BirthDate {

// The short date the windows show ("dd.mm.yyyy"); also the input mask of the date boxes.
QString shortText(const QDate &date);
QString inputMask();
// Reads a date in any form the windows accept: the short date (with or without leading zeros, and
// the blanks a half-filled mask leaves), the date as the server sends it (yyyy-mm-dd, optionally with
// a time) and the system's short date with a four-digit year. Anything else is a null date.
QDate parse(const QString &text);

} // namespace BirthDate
