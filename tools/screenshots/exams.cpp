#include "screens.h"

#include "exams/examtasks.h"
#include "exams/newvisitwindow.h"
#include "exams/procedurelist.h"
#include "exams/visitlist.h"
#include "exams/visitsearchwindow.h"
#include "exams/xraypool.h"
#include "support/desk.h"
#include "zelserver.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTest>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

void click(QWidget *window, const QString &name)
{
    QTest::mouseClick(window->findChild<QAbstractButton *>(name), Qt::LeftButton);
}

QString demoFolderNo(ZelServer &server)
{
    QSqlQuery query(server.database().connection());
    query.exec(u"SELECT PATID1 FROM tblPatienten WHERE LENGTH(PATID1) = 8 ORDER BY PATID LIMIT 1"_s);
    return query.next() ? query.value(0).toString() : QString();
}

NewVisitWindow *openNewVisit(Desk &desk)
{
    auto *window = desk.open<NewVisitWindow>(MenuIds::NewExam);
    (void)QTest::qWaitFor([&desk] { return desk.idle(); }, 5000);
    return window;
}

const bool registered = addScreen(u"exams"_s, [](ScreenContext &c) {
    // A new number, the patient by folder number, a referrer, two procedures.
    NewVisitWindow *window = openNewVisit(c.desk);
    click(window, u"cmdNew"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!window->findChild<QLineEdit *>(u"StudyNr"_s)->text().isEmpty(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(c.desk.idle(), 5000);
    enter(window, u"PATID1="_s + demoFolderNo(c.server));
    QTRY_VERIFY_WITH_TIMEOUT(!window->findChild<QLineEdit *>(u"PATID"_s)->text().isEmpty(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(c.desk.idle(), 5000);
    window->findChild<QComboBox *>(u"FKeyUeberweiserID"_s)->setCurrentIndex(2);
    click(window, u"optDep(1)"_s);
    auto *procedures = window->findChild<ProcedureList *>(u"Procedures"_s);
    for (int row = 0; row < 2; ++row) {
        whenModal(u"fProclist"_s, [&c, row](QWidget *picker) {
            auto *procedure = picker->findChild<QComboBox *>(u"Procedure"_s);
            QTRY_VERIFY_WITH_TIMEOUT(procedure->count() > 10, 5000);
            procedure->lineEdit()->setText(procedure->itemText(row == 0 ? 7 : 12));
            QTRY_VERIFY_WITH_TIMEOUT(!picker->findChild<QLineEdit *>(u"Code"_s)->text().isEmpty(), 5000);
            if (row == 1)
                c.shot(picker, u"fProclist"_s);
            click(picker, u"cmdOK"_s);
        });
        clickRow(procedures, row);
    }
    c.shot(c.desk.main.get(), u"fNewVisit-new"_s);
    whenModal(u"fConfirm"_s, [&c](QWidget *dialog) {
        c.shot(dialog, u"fConfirm"_s);
        click(dialog, u"cmdCancel"_s);
    });
    click(window, u"cmdSave"_s);

    // An existing number: the examinations stored under it.
    window = openNewVisit(c.desk);
    enter(window, u"StudyNr=5002*"_s);
    click(window, u"cmdFind2"_s);
    QTRY_VERIFY_WITH_TIMEOUT(window->findChild<VisitList *>(u"Visits"_s)->topLevelItemCount() > 0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(c.desk.idle(), 5000);
    c.shot(c.desk.main.get(), u"fNewVisit-existing"_s);
    click(window, u"cmdCancel"_s);

    // The X-ray number tool on the demo database.
    QFile ini(QDir(c.desk.dir.path()).filePath(XRayPoolSettings::fileName()));
    if (ini.open(QIODevice::WriteOnly)) {
        ini.write("Connection=DRIVER={SQLite3};Database=" + c.server.options().databasePath.toUtf8() + ";Timeout=10000\r\n");
        ini.close();
    }
    whenModal(u"frmXrayNo"_s, [&c](QWidget *dialog) {
        enter(dialog, u"txtEnd=52000"_s);
        c.shot(dialog, u"frmXrayNo"_s);
        static_cast<QDialog *>(dialog)->reject();
    });
    (void)c.desk.trigger(MenuIds::CreateXRayNumbers);

    // Finding and editing.
    auto *finder = c.desk.open<VisitSearchWindow>(MenuIds::UpdateExam);
    enter(finder, u"StudyID=5009*"_s);
    click(finder, u"cmdSearch"_s);
    QTRY_VERIFY_WITH_TIMEOUT(finder->visits().topLevelItemCount() > 0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(c.desk.idle(), 5000);
    c.shot(c.desk.main.get(), u"fEditVisit"_s);
    whenModal(u"fEditVisitDetails"_s, [&c](QWidget *dialog) {
        QTRY_VERIFY_WITH_TIMEOUT(dialog->findChild<QAbstractButton *>(u"cmdSave"_s)->isEnabled(), 5000);
        c.shot(dialog, u"fEditVisitDetails"_s);
        static_cast<QDialog *>(dialog)->reject();
    });
    clickRow(&finder->visits(), 0);

    c.desk.main->CloseTaskWindows();
    VisitSearchWindow *examFinder = openExamFinder(*c.desk.main);
    enter(examFinder, u"PATID1=1*"_s);
    enter(examFinder, u"StudyID=501*"_s);
    click(examFinder, u"cmdSearch"_s);
    QTRY_VERIFY_WITH_TIMEOUT(examFinder->visits().topLevelItemCount() > 0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(c.desk.idle(), 5000);
    c.shot(c.desk.main.get(), u"fFindVisit"_s);
});

} // namespace
