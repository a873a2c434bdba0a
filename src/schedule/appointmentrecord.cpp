#include "appointmentrecord.h"

#include "schedulerules.h"

using namespace Qt::StringLiterals;

QDate recordDate(const QString &text)
{
    const QString t = text.trimmed();
    const qsizetype space = t.indexOf(u' ');
    return readDate(space > 0 ? t.left(space) : t);
}

QTime recordTime(const QString &text)
{
    QString t = text.trimmed();
    if (const qsizetype space = t.lastIndexOf(u' '); space > 0 && !t.endsWith(u"M"_s, Qt::CaseInsensitive))
        t = t.sliced(space + 1);
    return readClock(t);
}
