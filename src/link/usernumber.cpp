#include "usernumber.h"

namespace {

// Far above every setting's range, far below qint64's limit, so accumulating digits cannot overflow.
constexpr qint64 kClamp = 1'000'000'000'000'000LL;

bool allDigits(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() < u'0' || c.unicode() > u'9')
            return false;
    }
    return true;
}

bool allZeros(QStringView text)
{
    for (const QChar c : text) {
        if (c != u'0')
            return false;
    }
    return true;
}

} // namespace

std::optional<qint64> parseUserNumber(QStringView text)
{
    QStringView rest = text.trimmed();
    bool negative = false;
    if (!rest.isEmpty() && (rest.front() == u'+' || rest.front() == u'-')) {
        negative = rest.front() == u'-';
        rest = rest.mid(1);
    }
    const qsizetype dot = rest.indexOf(u'.');
    const QStringView whole = dot < 0 ? rest : rest.left(dot);
    const QStringView fraction = dot < 0 ? QStringView() : rest.mid(dot + 1);
    if ((whole.isEmpty() && fraction.isEmpty()) || !allDigits(whole) || !allDigits(fraction))
        return std::nullopt;

    qint64 magnitude = 0;
    for (const QChar c : whole) {
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude >= kClamp) {
            magnitude = kClamp;
            break;
        }
    }

    // Round on the exact decimal digits rather than through a double, so that 0.5 is a true half.
    if (!fraction.isEmpty() && magnitude < kClamp) {
        const char16_t first = fraction.front().unicode();
        const bool restNonZero = !allZeros(fraction.mid(1));
        if (first > u'5' || (first == u'5' && (restNonZero || magnitude % 2 == 1)))
            ++magnitude;
    }
    return negative ? -magnitude : magnitude;
}
