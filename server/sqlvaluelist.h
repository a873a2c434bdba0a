#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <optional>

// The SQL value lists the client writes into its insert requests, for example
//   4711, '12345678', 'O''Brien', Null, 'MO', '1970-01-31', 'F',  2
// read into values that are then bound as query parameters: the text never reaches the SQL itself.
namespace SqlValueList {

struct Value
{
    enum class Kind { Null, Number, Text };
    Kind kind = Kind::Null;
    QString text; // the number as written, or the text with its doubled quotes made single

    QVariant toVariant() const;
};

// Values separated by commas: a number, a quoted text ('' stands for one quote) or Null in any case,
// with blanks around each. Nothing on a malformed list; `error` then says where it went wrong.
std::optional<QList<Value>> parse(QStringView list, QString *error);

// One plain field of a "|"-joined list: "Null" (any case, blanks around) is no value, otherwise the
// text with its doubled quotes made single.
QVariant plainField(const QString &field);

} // namespace SqlValueList
