#include "demoseed.h"

#include "database.h"
#include "seedstats.h"
#include "seedschedule.h"
#include "transaction.h"
#include "userstore.h"

#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QStringView>
#include <QTime>
#include <QVariant>

#include <algorithm>
#include <span>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kRandomSeed = 20080305;

// Races of the client's race/sex list; each gives two entries, male then female.
enum Race { White, Coloured, Black, RaceCount };
constexpr QStringView kRaceWords[] = {u"White", u"Coloured", u"Black"};

constexpr QStringView kSurnames[RaceCount][16] = {
    {u"Botha", u"van der Merwe", u"du Plessis", u"Pretorius", u"Venter", u"Nel", u"Coetzee", u"Steyn",
     u"Smith", u"Kruger", u"Muller", u"Visser", u"O'Connor", u"Fourie", u"le Roux", u"Jansen van Vuuren"},
    {u"Adams", u"Jacobs", u"Hendricks", u"Petersen", u"Fortuin", u"Februarie", u"Booysen", u"Cloete",
     u"Isaacs", u"Abrahams", u"Daniels", u"Arendse", u"Williams", u"September", u"Solomons", u"Davids"},
    {u"Nkosi", u"Dlamini", u"Ndlovu", u"Khumalo", u"Mokoena", u"Mthembu", u"Zulu", u"Mahlangu",
     u"Sithole", u"Ngcobo", u"Mkhize", u"Molefe", u"Maseko", u"Zwane", u"Mabaso", u"Shabalala"},
};

constexpr QStringView kFirstNames[RaceCount][2][12] = {
    {{u"Johan", u"Pieter", u"Willem", u"Hendrik", u"Jacques", u"Andre", u"Gerhard", u"Francois", u"Riaan",
      u"Michael", u"David", u"Stefan"},
     {u"Anna", u"Elize", u"Marietjie", u"Sune", u"Annelie", u"Karin", u"Liesl", u"Charlotte", u"Heidi",
      u"Susan", u"Nicolette", u"Ilse"}},
    {{u"Ebrahim", u"Ashley", u"Clint", u"Denver", u"Faizel", u"Garth", u"Jerome", u"Marlon", u"Nathan",
      u"Shaun", u"Waleed", u"Ruben"},
     {u"Chantal", u"Fatima", u"Lee-Ann", u"Natasha", u"Shireen", u"Zulpha", u"Monique", u"Bronwyn",
      u"Candice", u"Rochelle", u"Tasneem", u"Jolene"}},
    {{u"Sipho", u"Thabo", u"Bongani", u"Mandla", u"Themba", u"Sibusiso", u"Lwazi", u"Tshepo", u"Kagiso",
      u"Musa", u"Xolani", u"Lungile"},
     {u"Nomsa", u"Thandiwe", u"Lerato", u"Zanele", u"Nokuthula", u"Palesa", u"Ayanda", u"Busisiwe",
      u"Precious", u"Refilwe", u"Nandi", u"Mpho"}},
};

// Referring locations of a regional hospital; the last three are no longer offered.
struct Referrer
{
    QStringView name;
    bool visible;
};
constexpr Referrer kReferrers[] = {
    {u"Casualty", true},           {u"Outpatients Department", true}, {u"Ward A1 Medical", true},
    {u"Ward A2 Medical", true},    {u"Ward B1 Surgical", true},       {u"Ward B2 Surgical", true},
    {u"Ward C Orthopaedics", true}, {u"Maternity Ward", true},         {u"Paediatric Ward", true},
    {u"Intensive Care Unit", true}, {u"High Care", true},              {u"Theatre", true},
    {u"Orthopaedic Clinic", true}, {u"Antenatal Clinic", true},       {u"TB Clinic", true},
    {u"ENT Clinic", true},         {u"Dental Clinic", true},          {u"Staff Clinic", true},
    {u"Dr Naidoo Private Practice", true}, {u"Dr Govender Private Practice", true},
    {u"Township Community Clinic", true}, {u"Old Ward D", false},      {u"Former Prison Hospital", false},
    {u"Closed Satellite Clinic", false},
};

constexpr QStringView kDoctors[] = {u"Dr T. Nkosi",  u"Dr A. van der Merwe", u"Dr R. Jacobs",
                                    u"Dr S. Botha",  u"Dr L. Dlamini",       u"Dr J. Adams"};

// Department codes of the examination window.
enum Department { B3, CtScan, Mobile, Ultrasound, Mri, Trauma, Lodox, DepartmentCount };

// Where a procedure belongs: plain radiography, a special investigation of the first special report
// (categories 1 to 6) or of the second (1 to 4).
enum Kind { Plain, SpecialOne, SpecialTwo };

struct Procedure
{
    QStringView code;
    QStringView description;
    Kind kind;
    int category;     // within its special report
    Department department;
};

constexpr QStringView kSpecialOneNames[] = {u"Biliary System", u"Genito-Urinary Tract", u"GI Tract",
                                            u"Orthodontic & Plastics", u"Other", u"Respiratory Tract"};
constexpr QStringView kSpecialTwoNames[] = {u"Angiography", u"CT Scan", u"MRI", u"Ultrasound"};

constexpr Procedure kProcedures[] = {
    {u"87.44", u"Chest X-ray PA", Plain, 0, B3},
    {u"87.49", u"Chest X-ray PA and lateral", Plain, 0, B3},
    {u"87.17", u"Skull X-ray", Plain, 0, B3},
    {u"87.16", u"Facial bones X-ray", Plain, 0, B3},
    {u"87.22", u"Cervical spine X-ray", Plain, 0, B3},
    {u"87.23", u"Thoracic spine X-ray", Plain, 0, B3},
    {u"87.24", u"Lumbar spine X-ray", Plain, 0, B3},
    {u"88.19", u"Abdomen X-ray", Plain, 0, B3},
    {u"88.26", u"Pelvis X-ray", Plain, 0, B3},
    {u"88.21", u"Shoulder X-ray", Plain, 0, Trauma},
    {u"88.22", u"Elbow and forearm X-ray", Plain, 0, Trauma},
    {u"88.23", u"Wrist and hand X-ray", Plain, 0, Trauma},
    {u"88.27", u"Femur and knee X-ray", Plain, 0, Trauma},
    {u"88.28", u"Ankle and foot X-ray", Plain, 0, Trauma},
    {u"87.45", u"Mobile chest X-ray", Plain, 0, Mobile},
    {u"88.18", u"Mobile abdomen X-ray", Plain, 0, Mobile},
    {u"88.31", u"Skeletal survey", Plain, 0, Lodox},
    {u"88.39", u"Whole body trauma scan", Plain, 0, Lodox},
    {u"87.54", u"Cholangiogram", SpecialOne, 1, B3},
    {u"87.51", u"Percutaneous hepatic cholangiogram", SpecialOne, 1, B3},
    {u"87.73", u"Intravenous pyelogram", SpecialOne, 2, B3},
    {u"87.77", u"Cystogram", SpecialOne, 2, B3},
    {u"87.83", u"Hysterosalpingogram", SpecialOne, 2, B3},
    {u"87.61", u"Barium swallow", SpecialOne, 3, B3},
    {u"87.62", u"Barium meal", SpecialOne, 3, B3},
    {u"87.63", u"Small bowel follow-through", SpecialOne, 3, B3},
    {u"87.64", u"Barium enema", SpecialOne, 3, B3},
    {u"87.12", u"Orthopantomogram", SpecialOne, 4, B3},
    {u"88.32", u"Arthrogram", SpecialOne, 5, B3},
    {u"87.21", u"Myelogram", SpecialOne, 5, B3},
    {u"87.37", u"Mammogram", SpecialOne, 5, B3},
    {u"87.32", u"Bronchogram", SpecialOne, 6, B3},
    {u"88.41", u"Cerebral angiogram", SpecialTwo, 1, CtScan},
    {u"88.48", u"Peripheral angiogram", SpecialTwo, 1, CtScan},
    {u"87.03", u"CT head", SpecialTwo, 2, CtScan},
    {u"87.41", u"CT chest", SpecialTwo, 2, CtScan},
    {u"88.01", u"CT abdomen and pelvis", SpecialTwo, 2, CtScan},
    {u"88.38", u"CT spine", SpecialTwo, 2, CtScan},
    {u"88.91", u"MRI brain", SpecialTwo, 3, Mri},
    {u"88.93", u"MRI spine", SpecialTwo, 3, Mri},
    {u"88.94", u"MRI knee", SpecialTwo, 3, Mri},
    {u"88.76", u"Ultrasound abdomen", SpecialTwo, 4, Ultrasound},
    {u"88.78", u"Obstetric ultrasound", SpecialTwo, 4, Ultrasound},
    {u"88.79", u"Ultrasound pelvis", SpecialTwo, 4, Ultrasound},
    {u"88.71", u"Ultrasound thyroid", SpecialTwo, 4, Ultrasound},
    {u"88.77", u"Doppler lower limb veins", SpecialTwo, 4, Ultrasound},
};

struct Modality
{
    int id;
    QStringView name;
    QStringView room;
    QStringView description;
};
constexpr Modality kModalities[] = {
    {1, u"X-Ray", u"Room 1", u"General radiography"},
    {2, u"CT", u"Room 2", u"Computed tomography"},
    {3, u"MRI", u"Room 3", u"Magnetic resonance"},
    {4, u"Ultrasound", u"Room 4", u"Sonography"},
    {5, u"Fluoroscopy", u"Room 5", u"Contrast studies"},
};

constexpr QStringView kBodyParts[] = {
    u"Head",    u"Face",     u"Neck",  u"Cervical spine", u"Thoracic spine", u"Lumbar spine", u"Chest",
    u"Breast",  u"Abdomen",  u"Pelvis", u"Kidneys",       u"Shoulder",       u"Elbow",        u"Wrist",
    u"Hand",    u"Hip",      u"Knee",  u"Ankle",          u"Foot",           u"Whole body",
};

struct DemoUser
{
    QStringView name;
    QStringView password;
    UserRights rights;
};
const DemoUser kUsers[] = {
    {u"admin", u"zeladmin", {true, true}},
    {u"stats", u"zelstats", {false, true}},
    {u"clerk", u"zelclerk", {false, false}},
    {u"newbie", u"", {false, false}},
};

// Share of the examinations per department code.
constexpr int kDepartmentWeights[DepartmentCount] = {45, 12, 8, 12, 5, 13, 5};

template <typename T, size_t N>
const T &pick(QRandomGenerator &random, const T (&items)[N])
{
    return items[random.bounded(int(N))];
}

int weighted(QRandomGenerator &random, std::span<const int> weights)
{
    int total = 0;
    for (int w : weights)
        total += w;
    int roll = random.bounded(total);
    for (size_t i = 0; i < weights.size(); ++i) {
        if (roll < weights[i])
            return int(i);
        roll -= weights[i];
    }
    return int(weights.size()) - 1;
}

// Runs one prepared statement with positional values; the first failure stays in `error`.
bool insert(QSqlQuery &query, const QVariantList &values, QString *error)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values.at(i));
    return Database::run(query, error);
}

struct Patient
{
    int id;
    QString folderNumber;
};

bool fillReferenceTables(Database &database, QString *error)
{
    QSqlQuery referrer = database.prepare(
        u"INSERT INTO tblUeberweiser (UeberweiserID, UeberweiserName, Zel) VALUES (?, ?, ?)"_s);
    int id = 0;
    for (const Referrer &r : kReferrers) {
        if (!insert(referrer, {++id, r.name.toString(), r.visible ? 1 : 0}, error))
            return false;
    }
    QSqlQuery doctor = database.prepare(u"INSERT INTO tblDoctors (DoctorName) VALUES (?)"_s);
    for (QStringView name : kDoctors) {
        if (!insert(doctor, {name.toString()}, error))
            return false;
    }
    QSqlQuery procedure = database.prepare(
        u"INSERT INTO tblICD9 (ICD9ID, ICD9Code, ICD9Description, SpInvHead, SpInv, InvestType)"
        u" VALUES (?, ?, ?, ?, ?, ?)"_s);
    id = 0;
    for (const Procedure &p : kProcedures) {
        const QVariant none(QMetaType::fromType<int>());
        const QVariant noText(QMetaType::fromType<QString>());
        const QVariant head = p.kind == Plain ? none : QVariant(p.kind == SpecialOne ? 1 : 2);
        const QVariant category = p.kind == Plain ? none : QVariant(p.category);
        const QVariant type = p.kind == Plain        ? noText
                              : p.kind == SpecialOne ? QVariant(kSpecialOneNames[p.category - 1].toString())
                                                     : QVariant(kSpecialTwoNames[p.category - 1].toString());
        // SpInv is the special report, SpInvHead the heading inside it.
        if (!insert(procedure, {++id, p.code.toString(), p.description.toString(), category, head, type}, error))
            return false;
    }
    QSqlQuery modality = database.prepare(
        u"INSERT INTO tblModality (ModalityID, ModalityName, Room, Description, SortOrder) VALUES (?, ?, ?, ?, ?)"_s);
    for (const Modality &m : kModalities) {
        if (!insert(modality, {m.id, m.name.toString(), m.room.toString(), m.description.toString(), m.id}, error))
            return false;
    }
    QSqlQuery bodyPart = database.prepare(u"INSERT INTO tblBodyParts (BodyPart) VALUES (?)"_s);
    for (QStringView part : kBodyParts) {
        if (!insert(bodyPart, {part.toString()}, error))
            return false;
    }
    QSqlQuery archive = database.prepare(
        u"INSERT INTO tblArchives (ArchiveID, ArchiveName, Active) VALUES (?, ?, ?)"_s);
    return insert(archive, {1, u"Main archive"_s, 1}, error);
}

bool fillPatients(Database &database, QRandomGenerator &random, QDate today, QList<Patient> *patients,
                  QString *error)
{
    QSqlQuery query = database.prepare(
        u"INSERT INTO tblPatienten (PATID, PATID1, PATNachname, PATVorname, PAT2Vorname, PATGebDatum,"
        u" PATGeschlecht, Rasse) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s);
    constexpr int kRaceWeights[RaceCount] = {20, 30, 50};
    QSet<QString> folderNumbers;
    for (int id = 1; id <= DemoSeed::PatientCount; ++id) {
        const int race = weighted(random, kRaceWeights);
        const int female = random.bounded(2);
        const QString surname = pick(random, kSurnames[race]).toString();
        const QString firstName = pick(random, kFirstNames[race][female]).toString();
        const QString initials = QString(firstName.front()) + surname.front().toUpper();
        // Folder numbers: mostly eight digits, some of the older ten-digit kind.
        QString folder;
        do {
            folder = random.bounded(10) == 0 ? QString::number(3000000000LL + random.bounded(99999999))
                                             : QString::number(10000000 + random.bounded(89999999));
        } while (folderNumbers.contains(folder));
        folderNumbers.insert(folder);
        const int ageDays = random.bounded(95 * 365) + random.bounded(300);
        const QDate birth = today.addDays(-ageDays);
        const QVariantList values = {id,
                                     folder,
                                     surname,
                                     firstName,
                                     initials,
                                     birth.toString(Qt::ISODate),
                                     female ? u"F"_s : u"M"_s,
                                     race * 2 + female};
        if (!insert(query, values, error))
            return false;
        patients->append({id, folder});
    }
    return true;
}

QTime examinationTime(QRandomGenerator &random, bool officeHours)
{
    // Office hours run from 07:30 to 16:00; the rest of the day is after hours.
    if (officeHours)
        return QTime(7, 30).addSecs(60 * random.bounded(8 * 60 + 30));
    const int minutes = random.bounded(24 * 60 - (8 * 60 + 30));
    return QTime(16, 0).addSecs(60 * minutes); // wraps past midnight into the early morning
}

bool fillExaminations(Database &database, QRandomGenerator &random, QDate today, const QList<Patient> &patients,
                      QString *error)
{
    QSqlQuery study = database.prepare(
        u"INSERT INTO tblStudies (StudyID, StudyNr, StudyDesc, PATID, ArchiveID, FKeyUeberweiserID, StudyStatus,"
        u" WebKey, OfficeHours, HospitalPrivate, InOutPatient, Department, StudyDate, StudyTime, StudyUID)"
        u" VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    QSqlQuery procedureRow =
        database.prepare(u"INSERT INTO tblStudyProcedures (StudyNr, ICD9ID, PATID1, StudyID) VALUES (?, ?, ?, ?)"_s);
    QSqlQuery pool = database.prepare(u"INSERT INTO tblXRay (XRayNumber, Status) VALUES (?, ?)"_s);

    // The procedure ids of each department, in table order (ids start at 1).
    QList<int> byDepartment[DepartmentCount];
    for (int i = 0; i < int(std::size(kProcedures)); ++i)
        byDepartment[kProcedures[i].department].append(i + 1);
    QList<int> visibleReferrers;
    for (int i = 0; i < int(std::size(kReferrers)); ++i) {
        if (kReferrers[i].visible)
            visibleReferrers.append(i + 1);
    }

    // The X-ray numbers follow the order of the examinations in time.
    QList<int> daysAgo;
    for (int i = 0; i < DemoSeed::ExaminationCount; ++i)
        daysAgo.append(random.bounded(730));
    std::sort(daysAgo.begin(), daysAgo.end(), std::greater<int>());

    QSet<QString> uids;
    constexpr int kProcedureCountWeights[] = {70, 25, 5};
    constexpr int kInOutWeights[] = {40, 55, 5};
    for (int i = 0; i < DemoSeed::ExaminationCount; ++i) {
        const int studyId = i + 1;
        const int xrayNumber = DemoSeed::FirstXRayNumber + i;
        const Patient &patient = patients.at(random.bounded(int(patients.size())));
        const QDate date = today.addDays(-daysAgo.at(i));
        const bool weekday = date.dayOfWeek() <= 5;
        const bool inOfficeHours = weekday && random.bounded(100) < 75;
        const QTime time = examinationTime(random, inOfficeHours);
        const int department = weighted(random, kDepartmentWeights);
        QString uid;
        do {
            uid = u"2.25."_s + QString::number(random.generate64() >> 1);
        } while (uids.contains(uid));
        uids.insert(uid);

        const QVariantList values = {
            studyId,
            xrayNumber,
            QString::number(xrayNumber),
            patient.id,
            1,
            visibleReferrers.at(random.bounded(int(visibleReferrers.size()))),
            -2,
            QString(u"web_"_s + QString::number(patient.id) + u'_' + QString::number(studyId).rightJustified(7, u'0')),
            inOfficeHours ? 0 : 1,
            random.bounded(100) < 85 ? 0 : 1,
            weighted(random, kInOutWeights),
            department,
            date.toString(Qt::ISODate),
            QString(u"1899-12-30 "_s + time.toString(u"HH:mm"_s)),
            uid,
        };
        if (!insert(study, values, error))
            return false;

        const QList<int> &choices = byDepartment[department];
        const int rows = weighted(random, kProcedureCountWeights) + 1;
        for (int r = 0; r < rows; ++r) {
            if (!insert(procedureRow, {xrayNumber, choices.at(random.bounded(int(choices.size()))),
                                       patient.folderNumber, studyId},
                        error)) {
                return false;
            }
        }
        if (!insert(pool, {xrayNumber, 2}, error))
            return false;
    }
    const int firstFree = DemoSeed::FirstXRayNumber + DemoSeed::ExaminationCount;
    for (int n = firstFree; n < firstFree + DemoSeed::FreeXRayNumbers; ++n) {
        if (!insert(pool, {n, 0}, error))
            return false;
    }
    return true;
}

bool fillUsers(Database &database, int passwordIterations, QString *error)
{
    UserStore users(database, passwordIterations);
    for (const DemoUser &user : kUsers) {
        if (!users.addUser(user.name.toString(), user.password.toString(), user.rights, error))
            return false;
    }
    return true;
}

} // namespace

bool DemoSeed::fill(Database &database, int passwordIterations, QString *error, QDate today)
{
    QString failure;
    Transaction transaction(database);
    if (!transaction.isActive()) {
        if (error)
            *error = transaction.error();
        return false;
    }
    QRandomGenerator random(kRandomSeed);
    QList<Patient> patients;
    const bool filled = fillReferenceTables(database, &failure)
                        && fillPatients(database, random, today, &patients, &failure)
                        && fillExaminations(database, random, today, patients, &failure)
                        && seedSchedule(database, today, &failure)
                        && fillUsers(database, passwordIterations, &failure)
                        && seedStatistics(database, raceSexEntries(), &failure) && transaction.commit(&failure);
    if (!filled && error)
        *error = failure;
    return filled;
}

QStringList DemoSeed::raceSexEntries()
{
    QStringList entries;
    for (QStringView race : kRaceWords) {
        entries.append(race.toString() + u" Male"_s);
        entries.append(race.toString() + u" Female"_s);
    }
    return entries;
}
