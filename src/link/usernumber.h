#pragma once

#include <QStringView>

#include <limits>
#include <optional>

// Reads a number the way a user writes it: decimal digits with an optional sign and an optional
// fraction, spaces around it allowed. A fraction is rounded to the nearest whole number, halves to the
// even neighbour (2.5 gives 2, 3.5 gives 4). Returns nothing for text that is not such a number.
// Magnitudes too large for any setting come back clamped far outside every setting's range, so range
// checks still refuse them.
std::optional<qint64> parseUserNumber(QStringView text);

// The same, but only when the rounded number fits T (the type of the setting that receives it).
template <typename T>
std::optional<T> parseUserNumberAs(QStringView text)
{
    const std::optional<qint64> value = parseUserNumber(text);
    if (!value || *value < std::numeric_limits<T>::min() || *value > std::numeric_limits<T>::max())
        return std::nullopt;
    return static_cast<T>(*value);
}
