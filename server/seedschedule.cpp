#include "seedschedule.h"

#include "database.h"

#include <QList>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QStringList>
#include <QTime>
#include <QVariant>

#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kRandomSeed = 20080512;
constexpr int kFirstDay = -2;
constexpr int kDays = 7;

// The demo's Schedule.ini: the slot length of the modality buttons in order, and the working hours
// of each weekday (Monday first; Sunday closed).
constexpr std::array<int, 5> kSlotMinutes = {15, 30, 20, 45, 30};
struct Hours
{
    QTime start;
    QTime stop;
};
const Hours kHours[7] = {
    {QTime(7, 30), QTime(16, 30)}, {QTime(7, 30), QTime(16, 30)}, {QTime(7, 30), QTime(16, 30)},
    {QTime(7, 30), QTime(16, 30)}, {QTime(7, 30), QTime(16, 30)}, {QTime(8, 0), QTime(12, 0)},
    {QTime(0, 0), QTime(0, 0)},
};

// Body parts that each modality of the demo examines, by its place among the modalities.
const QStringList kBodyParts[] = {
    {u"Chest"_s, u"Hand"_s, u"Wrist"_s, u"Knee"_s, u"Ankle"_s, u"Foot"_s, u"Shoulder"_s, u"Pelvis"_s,
     u"Lumbar spine"_s, u"Cervical spine"_s},
    {u"Head"_s, u"Chest"_s, u"Abdomen"_s, u"Pelvis"_s, u"Lumbar spine"_s},
    {u"Head"_s, u"Knee"_s, u"Lumbar spine"_s, u"Cervical spine"_s, u"Shoulder"_s},
    {u"Abdomen"_s, u"Pelvis"_s, u"Kidneys"_s, u"Breast"_s, u"Neck"_s},
    {u"Abdomen"_s, u"Chest"_s, u"Pelvis"_s},
};

const QStringList kInformation = {u"Contrast agent allergy"_s, u"Wheelchair"_s, u"Fasting since midnight"_s,
                                  u"Interpreter needed"_s,      u"Bring previous films"_s, u"Pregnancy excluded"_s};

bool exec(QSqlQuery &query, const QVariantList &values, QString *error)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values.at(i));
    return Database::run(query, error);
}

QList<qint64> ids(Database &database, const QString &sql, QString *error)
{
    QList<qint64> out;
    QSqlQuery query = database.prepare(sql);
    if (!Database::run(query, error))
        return out;
    while (query.next())
        out.append(query.value(0).toLongLong());
    return out;
}

} // namespace

bool seedSchedule(Database &database, QDate today, QString *error)
{
    QString failure;
    const QList<qint64> patients = ids(database, u"SELECT PATID FROM tblPatienten ORDER BY PATID"_s, &failure);
    const QList<qint64> modalities =
        ids(database, u"SELECT ModalityID FROM tblModality ORDER BY SortOrder, ModalityID"_s, &failure);
    if (!failure.isEmpty()) {
        if (error)
            *error = failure;
        return false;
    }
    if (patients.isEmpty())
        return true; // nobody to book for
    QRandomGenerator random(kRandomSeed);
    QSqlQuery insert = database.prepare(
        u"INSERT INTO tblAppointments (PATID, ModalityID, AppDate, StartTime, BodyPart, Information, Duration,"
        u" Status, Emergency, AccessionNumber) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    int accession = 60001;
    for (int offset = kFirstDay; offset < kFirstDay + kDays; ++offset) {
        const QDate day = today.addDays(offset);
        const Hours &hours = kHours[day.dayOfWeek() - 1];
        for (qsizetype m = 0; m < modalities.size(); ++m) {
            const int place = int(m % qsizetype(kSlotMinutes.size()));
            const int slot = kSlotMinutes[std::size_t(place)];
            const QStringList &parts = kBodyParts[place];
            for (QTime start = hours.start; start.addSecs(slot * 60) <= hours.stop && start >= hours.start;
                 start = start.addSecs(slot * 60)) {
                if (random.bounded(100) >= 65)
                    continue; // a free slot
                const bool emergency = random.bounded(100) < 4;
                const bool past = offset < 0;
                QString status;
                if (past)
                    status = random.bounded(100) < 90 ? u"Done"_s : u"Not attended"_s;
                else if (offset == 0 && start < QTime(10, 0))
                    status = u"Arrived"_s;
                const QVariant information = random.bounded(100) < 15
                                                 ? QVariant(kInformation.at(random.bounded(int(kInformation.size()))))
                                                 : QVariant(QString());
                const QVariant number = status == u"Done"_s || status == u"Arrived"_s
                                            ? QVariant(QString::number(accession++))
                                            : QVariant(QMetaType::fromType<QString>());
                const QVariantList values = {patients.at(random.bounded(int(patients.size()))),
                                             modalities.at(m),
                                             day.toString(u"yyyy-MM-dd"_s),
                                             start.toString(u"HH:mm"_s),
                                             parts.at(random.bounded(int(parts.size()))),
                                             information,
                                             slot,
                                             status,
                                             emergency ? -1 : 0,
                                             number};
                if (!exec(insert, values, &failure)) {
                    if (error)
                        *error = failure;
                    return false;
                }
            }
        }
    }
    return true;
}
