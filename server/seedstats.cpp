#include "seedstats.h"

#include "database.h"

#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

bool seedStatistics(Database &database, const QStringList &raceSexEntries, QString *error)
{
    QSqlQuery query = database.prepare(u"INSERT INTO tblRaceGroups (Rasse, Entry) VALUES (?, ?)"_s);
    for (qsizetype position = 0; position < raceSexEntries.size(); ++position) {
        query.bindValue(0, int(position));
        query.bindValue(1, raceSexEntries.at(position));
        if (!Database::run(query, error))
            return false;
    }
    return true;
}
