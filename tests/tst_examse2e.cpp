// The examination windows end to end against the reference server with the demo department:
// new examinations under a new and under an existing number, the pool, a cancelled examination,
// and finding, editing and deleting examinations.

#include "exams/editvisitdetailsdialog.h"
#include "exams/newvisitwindow.h"
#include "exams/procedurelist.h"
#include "exams/visitlist.h"
#include "exams/visitsearchwindow.h"
#include "support/desk.h"
#include "support/findchild.h"
#include "zelserver.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

qint64 scalar(Database &database, const QString &sql)
{
    QSqlQuery query(database.connection());
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

QString textOf(Database &database, const QString &sql)
{
    QSqlQuery query(database.connection());
    return query.exec(sql) && query.next() ? query.value(0).toString() : QString();
}

void click(QWidget *window, const QString &button)
{
    QTest::mouseClick(child<QAbstractButton>(window, button), Qt::LeftButton);
}

// Chooses procedure `entry` of the picker for row `row` of the window's procedure list.
void pickProcedure(QWidget *window, int row, int entry)
{
    whenModal(u"fProclist"_s, [entry](QWidget *picker) {
        auto *procedure = child<QComboBox>(picker, u"Procedure"_s);
        QTRY_VERIFY_WITH_TIMEOUT(procedure->count() > entry, 10000);
        procedure->lineEdit()->setText(procedure->itemText(entry));
        QTRY_VERIFY_WITH_TIMEOUT(!child<QLineEdit>(picker, u"Code"_s)->text().isEmpty(), 10000);
        click(picker, u"cmdOK"_s);
    });
    clickRow(child<ProcedureList>(window, u"Procedures"_s), row);
}

void confirmSave(QWidget *window)
{
    whenModal(u"fConfirm"_s, [](QWidget *dialog) { click(dialog, u"cmdConfirm"_s); });
    click(window, u"cmdSave"_s);
}

} // namespace

class TestExamsEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<ZelServer>();
        ZelServer::Options options;
        options.databasePath = m_dir->filePath(u"department.sqlite"_s);
        options.seed = u"demo"_s;
        options.passwordIterations = 500;
        QString error;
        QVERIFY2(m_server->start(options, &error), qPrintable(error));
        m_desk = std::make_unique<Desk>(m_server->commandPort());
        m_folderNo = textOf(db(), u"SELECT PATID1 FROM tblPatienten WHERE LENGTH(PATID1) = 8 ORDER BY PATID LIMIT 1"_s);
        m_patientId = scalar(db(), u"SELECT PATID FROM tblPatienten WHERE PATID1 = '"_s + m_folderNo + u"'"_s);
        m_lowestFree = scalar(db(), u"SELECT MIN(XRayNumber) FROM tblXRay WHERE Status = 0"_s);
    }

    void cleanup()
    {
        m_desk.reset();
        m_server.reset();
        m_dir.reset();
    }

    void newExaminationsUnderANewAndAnExistingNumber()
    {
        // A new number: drawn, reserved, the patient by folder number, two procedures.
        QPointer<NewVisitWindow> window = openNewVisit();
        click(window, u"cmdNew"_s);
        QTRY_COMPARE(child<QLineEdit>(window, u"StudyNr"_s)->text(), QString::number(m_lowestFree));
        QTRY_VERIFY(m_desk->idle());
        QCOMPARE(scalar(db(), u"SELECT Status FROM tblXRay WHERE XRayNumber = %1"_s.arg(m_lowestFree)), 1);
        enter(window, u"PATID1="_s + m_folderNo);
        QTRY_COMPARE(child<QLineEdit>(window, u"PATID"_s)->text(), QString::number(m_patientId));
        QTRY_VERIFY(m_desk->idle());
        auto *referrers = child<QComboBox>(window, u"FKeyUeberweiserID"_s);
        QVERIFY(referrers->count() > 1);
        referrers->setCurrentIndex(1);
        const int referrer = referrers->currentData().toInt();
        pickProcedure(window, 0, 0);
        pickProcedure(window, 1, 3);
        QCOMPARE(child<ProcedureList>(window, u"Procedures"_s)->topLevelItemCount(), 3);
        confirmSave(window);
        QTRY_VERIFY_WITH_TIMEOUT(!window || !window->isVisible(), 10000);
        QTRY_VERIFY(m_desk->idle());
        QCOMPARE(m_desk->prompts.shown.last().text, u"New examination/visit saved successfully!"_s);
        QCOMPARE(scalar(db(), u"SELECT Status FROM tblXRay WHERE XRayNumber = %1"_s.arg(m_lowestFree)), 2);
        const qint64 first = scalar(db(), u"SELECT MAX(StudyID) FROM tblStudies"_s);
        QCOMPARE(scalar(db(), u"SELECT FKeyUeberweiserID FROM tblStudies WHERE StudyID = %1"_s.arg(first)), referrer);
        QCOMPARE(scalar(db(), u"SELECT COUNT(*) FROM tblStudyProcedures WHERE StudyID = %1"_s.arg(first)), 2);
        QVERIFY(textOf(db(), u"SELECT StudyUID FROM tblStudies WHERE StudyID = %1"_s.arg(first)).startsWith(u"2.25."_s));

        // The same number again: the examination stored under it is listed and taken over.
        window = openNewVisit();
        enter(window, u"StudyNr="_s + QString::number(m_lowestFree));
        click(window, u"cmdFind2"_s);
        auto *visits = child<VisitList>(window, u"Visits"_s);
        QTRY_COMPARE(visits->topLevelItemCount(), 1);
        QTRY_VERIFY(m_desk->idle());
        clickRow(visits, 0);
        QCOMPARE(child<QLineEdit>(window, u"PATID"_s)->text(), QString::number(m_patientId));
        QCOMPARE(child<QLineEdit>(window, u"PATID1"_s)->text(), m_folderNo);
        QTRY_VERIFY(m_desk->idle());
        child<QComboBox>(window, u"FKeyUeberweiserID"_s)->setCurrentIndex(0);
        pickProcedure(window, 0, 5);
        confirmSave(window);
        QTRY_VERIFY_WITH_TIMEOUT(!window || !window->isVisible(), 10000);
        QTRY_VERIFY(m_desk->idle());
        const qint64 second = scalar(db(), u"SELECT MAX(StudyID) FROM tblStudies"_s);
        QVERIFY(second > first);
        QCOMPARE(scalar(db(), u"SELECT StudyNr FROM tblStudies WHERE StudyID = %1"_s.arg(second)), m_lowestFree);
        // Each procedure row belongs to its own examination.
        QCOMPARE(scalar(db(), u"SELECT COUNT(*) FROM tblStudyProcedures WHERE StudyID = %1"_s.arg(first)), 2);
        QCOMPARE(scalar(db(), u"SELECT COUNT(*) FROM tblStudyProcedures WHERE StudyID = %1"_s.arg(second)), 1);

        // Both are found by their number.
        auto *finder = m_desk->open<VisitSearchWindow>(MenuIds::UpdateExam);
        enter(finder, u"StudyID="_s + QString::number(m_lowestFree));
        click(finder, u"cmdSearch"_s);
        QTRY_COMPARE(finder->visits().topLevelItemCount(), 2);
        QCOMPARE(column(&finder->visits(), VisitList::XRayNo),
                 QStringList(2, QString::number(m_lowestFree).rightJustified(7, u'0')));
        QCOMPARE(column(&finder->visits(), VisitList::FolderNo), QStringList(2, m_folderNo));
        // The next new examination gets the next number.
        QCOMPARE(scalar(db(), u"SELECT MIN(XRayNumber) FROM tblXRay WHERE Status = 0"_s), m_lowestFree + 1);
    }

    void cancelledExaminationGivesItsNumberBack()
    {
        QPointer<NewVisitWindow> window = openNewVisit();
        click(window, u"cmdNew"_s);
        QTRY_COMPARE(child<QLineEdit>(window, u"StudyNr"_s)->text(), QString::number(m_lowestFree));
        QTRY_VERIFY(m_desk->idle());
        QCOMPARE(scalar(db(), u"SELECT Status FROM tblXRay WHERE XRayNumber = %1"_s.arg(m_lowestFree)), 1);
        click(window, u"cmdCancel"_s);
        QTRY_VERIFY(!window);
        QTRY_COMPARE(scalar(db(), u"SELECT Status FROM tblXRay WHERE XRayNumber = %1"_s.arg(m_lowestFree)), 0);
        QTRY_VERIFY(m_desk->idle());
        // Handed out again to the next examination.
        window = openNewVisit();
        click(window, u"cmdNew"_s);
        QTRY_COMPARE(child<QLineEdit>(window, u"StudyNr"_s)->text(), QString::number(m_lowestFree));
    }

    void findEditAndDeleteExaminations()
    {
        const qint64 procedures = scalar(db(), u"SELECT COUNT(*) FROM tblStudyProcedures r JOIN tblStudies s"
                                               u" ON s.StudyID = r.StudyID WHERE s.StudyNr = 50099"_s);
        const qint64 referrerBefore = scalar(db(), u"SELECT FKeyUeberweiserID FROM tblStudies WHERE StudyNr = 50099"_s);
        QPointer<VisitSearchWindow> finder = search(u"50099"_s, 1);
        int referrer = 0;
        whenModal(u"fEditVisitDetails"_s, [&](QWidget *dialog) {
            auto *details = static_cast<EditVisitDetailsDialog *>(dialog);
            QTRY_VERIFY_WITH_TIMEOUT(details->isLoaded(), 10000);
            QTRY_VERIFY(m_desk->idle());
            auto *referrers = child<QComboBox>(details, u"FKeyUeberweiserID"_s);
            QCOMPARE(referrers->currentData().toLongLong(), referrerBefore);
            referrers->setCurrentIndex(referrers->currentIndex() == 0 ? 1 : 0);
            referrer = referrers->currentData().toInt();
            enter(details, u"StudyNr=0059999"_s);
            click(details, u"cmdSave"_s);
        });
        clickRow(&finder->visits(), 0);
        QTRY_VERIFY(!finder);
        QTRY_VERIFY(m_desk->idle());
        QCOMPARE(m_desk->prompts.shown.last().text, u"Examination/Visit updated succesfully!"_s);
        search(u"50099"_s, 0);
        search(u"59999"_s, 1);
        QCOMPARE(scalar(db(), u"SELECT FKeyUeberweiserID FROM tblStudies WHERE StudyNr = 59999"_s), referrer);
        // The procedure rows went with it, sent again unchanged.
        QCOMPARE(scalar(db(), u"SELECT COUNT(*) FROM tblStudyProcedures r JOIN tblStudies s ON s.StudyID = r.StudyID"
                              u" WHERE s.StudyNr = 59999 AND r.StudyNr = 59999"_s),
                 procedures);

        QCOMPARE(scalar(db(), u"SELECT Status FROM tblXRay WHERE XRayNumber = 50098"_s), 2);
        finder = search(u"50098"_s, 1);
        whenModal(u"fEditVisitDetails"_s, [this](QWidget *dialog) {
            QTRY_VERIFY_WITH_TIMEOUT(static_cast<EditVisitDetailsDialog *>(dialog)->isLoaded(), 10000);
            QTRY_VERIFY(m_desk->idle());
            click(dialog, u"cmdDelete"_s);
        });
        clickRow(&finder->visits(), 0);
        QTRY_COMPARE(m_desk->prompts.shown.last().text, u"1 current study deleted!"_s);
        QTRY_COMPARE(scalar(db(), u"SELECT Status FROM tblXRay WHERE XRayNumber = 50098"_s), 0);
        QTRY_VERIFY(m_desk->idle());
        QCOMPARE(scalar(db(), u"SELECT COUNT(*) FROM tblStudyProcedures WHERE StudyNr = 50098"_s), 0);
        search(u"50098"_s, 0);
    }

private:
    Database &db() { return m_server->database(); }

    // fEditVisit's search by X-ray number, expecting `count` examinations.
    VisitSearchWindow *search(const QString &xrayNo, int count)
    {
        auto *finder = m_desk->open<VisitSearchWindow>(MenuIds::UpdateExam);
        enter(finder, u"StudyID="_s + xrayNo);
        click(finder, u"cmdSearch"_s);
        if (!QTest::qWaitFor([&] { return m_desk->idle() && finder->visits().topLevelItemCount() == count; }, 10000))
            qFatal("not %d examinations under %s", count, qPrintable(xrayNo));
        return finder;
    }

    NewVisitWindow *openNewVisit()
    {
        NewVisitWindow *window = m_desk->open<NewVisitWindow>(MenuIds::NewExam);
        if (!QTest::qWaitFor([this] { return m_desk->idle(); }, 5000))
            qFatal("the supply check did not end");
        return window;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ZelServer> m_server;
    std::unique_ptr<Desk> m_desk;
    QString m_folderNo;
    qint64 m_patientId = 0;
    qint64 m_lowestFree = 0;
};

QTEST_MAIN(TestExamsEndToEnd)
#include "tst_examse2e.moc"
