#pragma once

#include <QColor>

// Schedule.ini keeps colours as &H00BBGGRR numbers.
inline QColor colourFromValue(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

inline quint32 colourValue(const QColor &colour)
{
    return quint32(colour.red()) | (quint32(colour.green()) << 8) | (quint32(colour.blue()) << 16);
}
