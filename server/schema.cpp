#include "schema.h"

#include "database.h"
#include "transaction.h"

#include <QLatin1StringView>

#include <span>

using namespace Qt::StringLiterals;

namespace {

// Version 1: the whole department. Names the client or the department's own tools address directly
// (the NewID tables, tblXRay with XRayID/XRayNumber/Status, tblStudies.StudyNr, the record fields
// the client shows under these names) keep them; the rest are ours.
const QLatin1StringView kVersion1[] = {
    // Patients. PATID is drawn with NewID before the row is inserted; PATID1 is the hospital's folder
    // number, unique. Rasse is the position of the entry in the client's race/sex list.
    R"(CREATE TABLE tblPatienten (
        PATID         INTEGER PRIMARY KEY,
        PATID1        TEXT NOT NULL UNIQUE,
        PATNachname   TEXT NOT NULL,
        PATVorname    TEXT,
        PAT2Vorname   TEXT,
        PATGebDatum   TEXT,
        PATGeschlecht TEXT,
        Rasse         INTEGER))"_L1,
    "CREATE INDEX idxPatientenNachname ON tblPatienten (PATNachname COLLATE NOCASE)"_L1,

    // Referring locations (wards, clinics, practices); Zel: offered in the examination windows.
    R"(CREATE TABLE tblUeberweiser (
        UeberweiserID   INTEGER PRIMARY KEY,
        UeberweiserName TEXT NOT NULL,
        Zel             INTEGER NOT NULL DEFAULT 1))"_L1,

    // The department's doctors (radiologists); a new doctor's id is given here, not by NewID.
    R"(CREATE TABLE tblDoctors (
        DoctorID   INTEGER PRIMARY KEY AUTOINCREMENT,
        DoctorName TEXT NOT NULL))"_L1,

    // Procedure codes. SpInvHead/SpInv place a special investigation in the special reports'
    // categories; plain examinations leave them empty.
    R"(CREATE TABLE tblICD9 (
        ICD9ID          INTEGER PRIMARY KEY AUTOINCREMENT,
        ICD9Code        TEXT NOT NULL,
        ICD9Description TEXT NOT NULL,
        SpInvHead       INTEGER,
        SpInv           INTEGER,
        InvestType      TEXT))"_L1,

    // Image archives; GetArchiveID hands out the active one.
    R"(CREATE TABLE tblArchives (
        ArchiveID   INTEGER PRIMARY KEY,
        ArchiveName TEXT NOT NULL,
        Active      INTEGER NOT NULL DEFAULT 0))"_L1,

    // Examinations (visits). StudyID is drawn with NewID; StudyNr is the X-ray (accession) number,
    // which several examinations may share. The classifications are the option indices of the
    // examination window; StudyTime keeps the client's date-time form "1899-12-30 HH:MM".
    R"(CREATE TABLE tblStudies (
        StudyID           INTEGER PRIMARY KEY,
        StudyNr           INTEGER NOT NULL,
        StudyDesc         TEXT,
        PATID             INTEGER REFERENCES tblPatienten (PATID),
        ArchiveID         INTEGER REFERENCES tblArchives (ArchiveID),
        FKeyUeberweiserID INTEGER REFERENCES tblUeberweiser (UeberweiserID),
        StudyStatus       INTEGER,
        WebKey            TEXT,
        OfficeHours       INTEGER NOT NULL DEFAULT 0 CHECK (OfficeHours IN (0, 1)),
        HospitalPrivate   INTEGER NOT NULL DEFAULT 0 CHECK (HospitalPrivate IN (0, 1)),
        InOutPatient      INTEGER NOT NULL DEFAULT 0 CHECK (InOutPatient BETWEEN 0 AND 2),
        Department        INTEGER NOT NULL DEFAULT 0 CHECK (Department BETWEEN 0 AND 6),
        StudyDate         TEXT,
        StudyTime         TEXT,
        StudyUID          TEXT UNIQUE))"_L1,
    "CREATE INDEX idxStudiesStudyNr ON tblStudies (StudyNr)"_L1,
    "CREATE INDEX idxStudiesPatient ON tblStudies (PATID)"_L1,
    "CREATE INDEX idxStudiesDate ON tblStudies (StudyDate)"_L1,

    // Procedure rows of the examinations, filed under the X-ray number as the client sends them.
    R"(CREATE TABLE tblStudyProcedures (
        ProcID  INTEGER PRIMARY KEY AUTOINCREMENT,
        StudyNr INTEGER NOT NULL,
        ICD9ID  INTEGER NOT NULL REFERENCES tblICD9 (ICD9ID),
        PATID1  TEXT))"_L1,
    "CREATE INDEX idxStudyProceduresStudyNr ON tblStudyProcedures (StudyNr)"_L1,

    // The X-ray number pool. Status 0 is free (the client's number tool relies on it), 1 reserved
    // for an examination being entered, 2 used by a stored examination.
    R"(CREATE TABLE tblXRay (
        XRayID     INTEGER PRIMARY KEY AUTOINCREMENT,
        XRayNumber INTEGER NOT NULL UNIQUE,
        Status     INTEGER NOT NULL DEFAULT 0))"_L1,
    "CREATE INDEX idxXRayStatus ON tblXRay (Status, XRayNumber)"_L1,

    // Report and dictation headers. DocID is drawn with NewID and shared by a report's text and its
    // dictation; StudyKey is the examination key the client files them under.
    R"(CREATE TABLE tblDocuments (
        DocRowID   INTEGER PRIMARY KEY AUTOINCREMENT,
        DocID      INTEGER NOT NULL,
        StudyNr    INTEGER,
        StudyKey   TEXT,
        FileName   TEXT,
        Typist     TEXT,
        DoctorID   INTEGER REFERENCES tblDoctors (DoctorID),
        ReportDate TEXT,
        CreatedAt  TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP))"_L1,
    "CREATE INDEX idxDocumentsDocID ON tblDocuments (DocID)"_L1,
    "CREATE INDEX idxDocumentsStudyKey ON tblDocuments (StudyKey)"_L1,

    // The stored report text and dictation files of an examination, by its UID; the bytes live in
    // the files folder under FileName.
    R"(CREATE TABLE tblReportFiles (
        StudyUID  TEXT NOT NULL,
        Format    TEXT NOT NULL CHECK (Format IN ('TXT', 'WAV')),
        Status    INTEGER,
        FileName  TEXT NOT NULL,
        ByteCount INTEGER NOT NULL DEFAULT 0,
        SavedAt   TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP,
        PRIMARY KEY (StudyUID, Format)))"_L1,

    // Appointment system: modalities with their three button texts, body parts, appointments.
    R"(CREATE TABLE tblModality (
        ModalityID   INTEGER PRIMARY KEY,
        ModalityName TEXT NOT NULL,
        Room         TEXT,
        Description  TEXT,
        SortOrder    INTEGER NOT NULL DEFAULT 0))"_L1,
    R"(CREATE TABLE tblBodyParts (
        BodyPartID INTEGER PRIMARY KEY AUTOINCREMENT,
        BodyPart   TEXT NOT NULL UNIQUE))"_L1,
    R"(CREATE TABLE tblAppointments (
        AppointmentID   INTEGER PRIMARY KEY AUTOINCREMENT,
        PATID           INTEGER REFERENCES tblPatienten (PATID),
        ModalityID      INTEGER REFERENCES tblModality (ModalityID),
        AppDate         TEXT NOT NULL,
        StartTime       TEXT NOT NULL,
        BodyPart        TEXT,
        Information     TEXT,
        Duration        INTEGER NOT NULL DEFAULT 0,
        Status          TEXT,
        Emergency       INTEGER NOT NULL DEFAULT 0,
        AccessionNumber TEXT,
        CreatedAt       TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP))"_L1,
    "CREATE INDEX idxAppointmentsDay ON tblAppointments (AppDate, ModalityID)"_L1,

    // Users of the logon port. The user id is the login answer, a 16-bit number on the client side.
    // A NULL hash is an empty password, which the user must change at the next logon.
    R"(CREATE TABLE tblUsers (
        UserID              INTEGER PRIMARY KEY CHECK (UserID BETWEEN 1 AND 32767),
        UserName            TEXT NOT NULL UNIQUE COLLATE NOCASE,
        PasswordSalt        BLOB,
        PasswordHash        BLOB,
        PasswordIterations  INTEGER NOT NULL DEFAULT 0,
        RightUtilities      INTEGER NOT NULL DEFAULT 0,
        RightStatistics     INTEGER NOT NULL DEFAULT 0,
        Disabled            INTEGER NOT NULL DEFAULT 0,
        PasswordChangeDay   TEXT,
        PasswordChangeCount INTEGER NOT NULL DEFAULT 0))"_L1,

    // The last id NewID handed out per table, so an id is never handed out twice, even when the row
    // it was drawn for was never stored.
    R"(CREATE TABLE tblNewID (
        TableName TEXT PRIMARY KEY,
        LastID    INTEGER NOT NULL))"_L1,
};

// Version 2: every procedure row names the examination it belongs to (several examinations may share
// one X-ray number, and each procedure must count once, with its own examination's date); doctors can
// be withdrawn from the lists without losing the reports that name them.
const QLatin1StringView kVersion2[] = {
    "ALTER TABLE tblStudyProcedures ADD COLUMN StudyID INTEGER REFERENCES tblStudies (StudyID)"_L1,
    // Rows stored before: the newest examination with their X-ray number.
    R"(UPDATE tblStudyProcedures SET StudyID = (
        SELECT MAX(s.StudyID) FROM tblStudies s WHERE s.StudyNr = tblStudyProcedures.StudyNr))"_L1,
    "CREATE INDEX idxStudyProceduresStudy ON tblStudyProcedures (StudyID)"_L1,
    "ALTER TABLE tblDoctors ADD COLUMN Visible INTEGER NOT NULL DEFAULT 1"_L1,
};

// Version 3: the statistics. The server's mirror of the client's race/sex list (Rasse.ini), which
// the reports' race columns need: one row per line of the list, by its position (the value patients
// store in Rasse); the first word of the line names the race group. Indexes that let the grouped pass
// over a period read the examinations' dates and classifications from the index alone.
const QLatin1StringView kVersion3[] = {
    R"(CREATE TABLE IF NOT EXISTS tblRaceGroups (
        Rasse INTEGER PRIMARY KEY,
        Entry TEXT NOT NULL))"_L1,
    R"(CREATE INDEX IF NOT EXISTS idxStudiesPeriodClasses ON tblStudies
        (StudyDate, Department, OfficeHours, HospitalPrivate, InOutPatient, PATID))"_L1,
    "CREATE INDEX IF NOT EXISTS idxICD9Category ON tblICD9 (SpInv, SpInvHead)"_L1,
};

struct Step
{
    std::span<const QLatin1StringView> statements;
};

// Step n brings a file from version n to version n + 1.
const Step kSteps[] = {
    {kVersion1},
    {kVersion2},
    {kVersion3},
};

} // namespace

namespace Schema {

int currentVersion()
{
    return int(std::size(kSteps));
}

bool upgrade(Database &database, QString *error)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    for (;;) {
        // The version is read again under the write lock: a second server starting on the same new
        // file waits here and then finds the work done.
        Transaction transaction(database);
        if (!transaction.isActive())
            return fail(u"cannot lock the file: "_s + transaction.error());
        const int version = database.schemaVersion();
        if (version < 0)
            return fail(u"cannot read the schema version (not a database file?)"_s);
        if (version > currentVersion()) {
            return fail(u"the file has schema version "_s + QString::number(version)
                        + u", newer than this server's "_s + QString::number(currentVersion()));
        }
        if (version == currentVersion())
            return true;
        QString failure;
        for (QLatin1StringView statement : kSteps[version].statements) {
            if (!database.execute(QString(statement), &failure))
                break;
        }
        if (failure.isEmpty())
            database.execute(u"PRAGMA user_version = "_s + QString::number(version + 1), &failure);
        if (failure.isEmpty())
            transaction.commit(&failure);
        if (!failure.isEmpty())
            return fail(u"upgrade to version "_s + QString::number(version + 1) + u" failed: "_s + failure);
    }
}

} // namespace Schema
