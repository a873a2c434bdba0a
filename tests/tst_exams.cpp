// The new examination: its request lines, the referrer-list routing, the X-ray number commands, the
// procedure picker and the save chain, against a scripted server.

#include "exams/examhosts.h"
#include "exams/examrequests.h"
#include "exams/examstate.h"
#include "exams/newvisitwindow.h"
#include "exams/procedurelist.h"
#include "exams/proclistdialog.h"
#include "exams/refphysroute.h"
#include "exams/visitlist.h"
#include "link/commandlink.h"
#include "patients/patientlist.h"
#include "support/desk.h"
#include "support/findchild.h"
#include "support/scriptedserver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTreeWidgetItem>

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QByteArray kFreeXRays = "CMDFreeXRays|List/CMD";
const QByteArray kNewStudyId = "CMDNewID|tblStudies/CMD";
const QByteArray kRefPhys = "CMDRefPhys|List/CMD";
const QByteArray kNewXRayNo = "CMDNewXRayNumber|List/CMD";
// The referrer list cut inside its first record.
const QList<QByteArray> kReferrerPieces = {"CMDDATA\r\n12|Casu", "alty\r\n13|Ward A1 Medical\r\n", "/CMDDATA\r\n"};
const QByteArray kStudyNew = "CMDSTDNEW|0004711, 51234, 51234, 877, 3, 12, -2, 'web_877_0004711', 0, 0, 1, 1, "
                             "'2008-03-05', '1899-12-30 14:35', 'u1'/CMD";

QByteArray number(int n)
{
    return "CMDDATA\r\n" + QByteArray::number(n) + "\r\n/CMDDATA\r\n";
}

void focusIn(QWidget *field)
{
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(field, &in);
}

void click(QWidget *window, const QString &button)
{
    QTest::mouseClick(child<QAbstractButton>(window, button), Qt::LeftButton);
}

QString text(QWidget *window, const QString &field)
{
    return child<QLineEdit>(window, field)->text();
}

// A window that owns a procedure list, as the examination windows do, for the picker on its own.
class PickOwner : public QWidget, public ProcedurePickHost
{
public:
    PickOwner() : list(new ProcedureList(ProcedureList::Kind::NewExamination, this)) {}
    QString pickXRayNumber() const override { return u"51234"_s; }
    QString pickFolderNumber() const override { return u"12345678"_s; }
    void procedurePicked(const ProcedureRow &pick) override { list->applyPick(pick); }
    ProcedureList *list;
};

// The new examination window on a desk whose server answers the window's supply check.
struct ExamDesk : Desk
{
    ExamDesk(ScriptedServer &scripted, int freeNumbers = 500) : Desk(scripted.port()), server(scripted)
    {
        server.answer(number(freeNumbers));
    }
    NewVisitWindow *newVisit()
    {
        auto *window = open<NewVisitWindow>(MenuIds::NewExam);
        if (!QTest::qWaitFor([this] { return server.requests.size() >= 1 && idle(); }, 5000))
            qFatal("no supply check");
        return window;
    }
    // "New": study id 4711, the referrer list in pieces, X-ray number 51234 and its reservation.
    void pressNew(NewVisitWindow *window)
    {
        server.answer(number(4711));
        server.answerInPieces(kReferrerPieces);
        server.answer(number(51234));
        server.answer("CMDDATA\r\n1\r\n/CMDDATA\r\n");
        const qsizetype before = server.requests.size();
        click(window, u"cmdNew"_s);
        if (!QTest::qWaitFor([&] { return server.requests.size() == before + 4 && idle(); }, 5000))
            qFatal("New did not run its chain");
    }
    // The folder number typed and left: the patient 877 and the referrer list once more.
    void lookUpFolderNo(NewVisitWindow *window, const QByteArray &patient = "877|Smith|JS")
    {
        server.answer(listReply({patient}));
        server.answer(listReply({"12|Casualty", "13|Ward A1 Medical"}));
        const qsizetype before = server.requests.size();
        enter(window, u"PATID1=12345678"_s);
        if (!QTest::qWaitFor([&] { return server.requests.size() >= before + 2 && idle(); }, 5000))
            qFatal("the folder number was not looked up");
    }
    ScriptedServer &server;
};

// A new examination ready to be saved: the documented example's values, two procedures picked and
// the unfilled row after them.
NewVisitWindow *readyToSave(ExamDesk &desk, int filledRows = 2)
{
    NewVisitWindow *window = desk.newVisit();
    desk.pressNew(window);
    desk.lookUpFolderNo(window);
    child<QComboBox>(window, u"FKeyUeberweiserID"_s)->setCurrentIndex(0);
    enterAll(window, {u"StudyDate=05.03.2008"_s, u"StudyTime=14:35"_s});
    click(window, u"optIO(1)"_s);
    click(window, u"optDep(1)"_s);
    auto *procedures = child<ProcedureList>(window, u"Procedures"_s);
    const QStringList ids{u"305"_s, u"306"_s, u"307"_s};
    for (int i = 0; i < filledRows; ++i) {
        procedures->setCurrentRowIndex(i);
        window->procedurePicked({u"51234"_s, u"12345678"_s, u"Procedure "_s + ids.at(i), u"87.4"_s + QString::number(i),
                                 ids.at(i), {}});
    }
    return window;
}

void confirmNextSave()
{
    whenModal(u"fConfirm"_s, [](QWidget *dialog) { click(dialog, u"cmdConfirm"_s); });
}

enum class Scenario { New, FindXRayNo, FolderNoWithoutNew, FolderNoAfterNew, FindPatient, ReferrerEntered, CancelAfterNew };

} // namespace

Q_DECLARE_METATYPE(Scenario)
Q_DECLARE_METATYPE(RefPhysEnd)
Q_DECLARE_METATYPE(ReferrerTarget)
Q_DECLARE_METATYPE(ActionCode)

class TestExams : public QObject
{
    Q_OBJECT

private slots:
    // --- request lines and rules, without windows

    void requestStrings_data()
    {
        QTest::addColumn<QString>("built");
        QTest::addColumn<QString>("expected");

        NewExamination exam{u"0004711"_s, u"51234"_s, u"51234"_s, u"877"_s, 12, {0, 0, 1, 1}, QDate(2008, 3, 5),
                            QTime(14, 35), {}};
        QTest::newRow("STDNEW example") << StudyInsertString(exam, 3, u"u1"_s) << QString::fromLatin1(kStudyNew);
        exam.classes = {1, 1, 2, 6};
        QTest::newRow("STDNEW other classes")
            << StudyInsertString(exam, 1, u"2.25.9"_s)
            << u"CMDSTDNEW|0004711, 51234, 51234, 877, 1, 12, -2, 'web_877_0004711', 1, 1, 2, 6, '2008-03-05', "
               u"'1899-12-30 14:35', '2.25.9'/CMD"_s;
        const ProcedureRow row{u"51234"_s, u"12345678"_s, u"Chest|87.44"_s, u"87.44"_s, u"305"_s, {}};
        QTest::newRow("PROCSAVE example") << ProcInsertString(row) << u"CMDProcinsert|51234, 305, '12345678'/CMD"_s;
        QTest::newRow("PROCSAVE quote doubled")
            << ProcInsertString({u"51234"_s, u"1234'567"_s, {}, {}, u"305"_s, {}})
            << u"CMDProcinsert|51234, 305, '1234''567'/CMD"_s;
        QTest::newRow("PROCUPDATE stored row")
            << ProcUpdateString({u"0051234"_s, u"12345678"_s, {}, {}, u"306"_s, u"88"_s}, u"87654321"_s)
            << u"CMDProcupdate|88|306/CMD"_s;
        QTest::newRow("PROCUPDATE added row: no zeros, current folder, quote doubled")
            << ProcUpdateString({u"0051234"_s, u"12345678"_s, {}, {}, u"306"_s, {}}, u"O'1234"_s)
            << u"CMDProcinsert|51234, 306, 'O''1234'/CMD"_s;
        const ExamUpdate update{u"0051234"_s, u"0051234"_s, u"877"_s, u"12345678"_s, 12, {0, 0, 1, 1},
                                QDate(2008, 3, 5), QTime(14, 35), {}};
        QTest::newRow("STDUPDATE example")
            << QString::fromLatin1(CommandLink::requestLine(Command::STDUPDATE, StudyUpdateString(update)))
            << u"CMDStdupdate|51234|12|2008-03-05|1899-12-30 14:35|1|1|0|0|0051234|877/CMD"_s;
        QTest::newRow("padded study id") << paddedNumber(u"4711"_s) << u"0004711"_s;
        QTest::newRow("padded X-ray number") << paddedNumber(u"123"_s) << u"0000123"_s;
        QTest::newRow("seven characters unchanged") << paddedNumber(u"1234567"_s) << u"1234567"_s;
        QTest::newRow("eight characters unchanged") << paddedNumber(u"12345678"_s) << u"12345678"_s;
        const QStringList names{u"B3"_s, u"CT-Scan"_s, u"Mobile"_s, u"Ultrasound"_s, u"MRI"_s, u"Trauma"_s, u"Lodox"_s};
        QTest::newRow("department 4") << departmentName(names, u"4"_s) << u"MRI"_s;
        QTest::newRow("department 7") << departmentName(names, u"7"_s) << QString();
        QTest::newRow("department not a number") << departmentName(names, u"x"_s) << QString();
        QTest::newRow("99 free numbers warn")
            << freeXRayWarning(99)
            << u"Actually only 99 free Xray numbers in the table Xray!\r\nPlease create new Xray Numbers!!"_s;
        QTest::newRow("100 free numbers do not") << freeXRayWarning(100) << QString();
        QTest::newRow("time alone on the base date") << sqlTime(parseVisitTime(u"14:35"_s)) << u"1899-12-30 14:35"_s;
        QTest::newRow("stored time shown") << visitTimeText(parseVisitTime(u"1899-12-30 09:05"_s)) << u"09:05"_s;
        QTest::newRow("stored date shown") << visitDateText(parseVisitDate(u"2008-03-05"_s)) << u"05.03.2008"_s;
    }

    void requestStrings()
    {
        QFETCH(QString, built);
        QFETCH(QString, expected);
        QCOMPARE(built, expected);
    }

    // What stops a save before the confirmation; each names the field.
    void unsendableExaminationsAreNamed_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("field");
        QTest::newRow("no study id") << 0 << u"'New' or 'Find'"_s;
        QTest::newRow("X-ray number with a pattern") << 1 << u"'XRay No'"_s;
        QTest::newRow("no patient") << 2 << u"'Folder No'"_s;
        QTest::newRow("no referrer") << 3 << u"'Referred from'"_s;
        QTest::newRow("no such day") << 4 << u"'Visit Date'"_s;
        QTest::newRow("no such time") << 5 << u"'Visit Time'"_s;
    }

    void unsendableExaminationsAreNamed()
    {
        QFETCH(int, change);
        QFETCH(QString, field);
        NewExamination exam{u"0004711"_s, u"51234"_s, u"51234"_s, u"877"_s, 12, {}, QDate(2008, 3, 5), QTime(14, 35), {}};
        QVERIFY(newExaminationProblem(exam).isEmpty());
        switch (change) {
        case 0: exam.StudyId.clear(); break;
        case 1: exam.StudyNr = u"512%"_s; break;
        case 2: exam.PatientId.clear(); break;
        case 3: exam.ReferrerId.reset(); break;
        case 4: exam.date = parseVisitDate(u"31.02.2008"_s); break;
        case 5: exam.time = parseVisitTime(u"25:61"_s); break;
        }
        QVERIFY2(newExaminationProblem(exam).contains(field), qPrintable(newExaminationProblem(exam)));
    }

    void referrerListRouting_data()
    {
        QTest::addColumn<ActionCode>("code");
        QTest::addColumn<ReferrerTarget>("target");
        QTest::addColumn<bool>("reserved");
        QTest::addColumn<RefPhysEnd>("end");
        using A = ActionCode;
        using T = ReferrerTarget;
        using E = RefPhysEnd;
        QTest::newRow("new number") << A::New << T::NewVisit << false << E::CloseShowAndDrawNumber;
        QTest::newRow("new number, one reserved") << A::New << T::NewVisit << true << E::CloseAndShow;
        QTest::newRow("after a patient search") << A::Search << T::NewVisit << false << E::CloseAndShow;
        QTest::newRow("referrer field entered") << A::ReferrerEntered << T::NewVisit << false << E::Close;
        QTest::newRow("existing number") << A::ExistingXRayNo << T::NewVisit << false << E::ListExaminations;
        QTest::newRow("existing number, reserved") << A::ExistingXRayNo << T::NewVisit << true << E::ListExaminations;
        QTest::newRow("edit dialog") << A::Search << T::EditVisitDetails << false << E::LoadProcedures;
        QTest::newRow("edit dialog, empty code") << A::Empty << T::EditVisitDetails << false << E::LoadProcedures;
        QTest::newRow("edit dialog from 800 on") << A::ReferrerEntered << T::EditVisitDetails << false << E::Close;
        QTest::newRow("other window") << A::New << T::Other << false << E::Close;
    }

    void referrerListRouting()
    {
        QFETCH(ActionCode, code);
        QFETCH(ReferrerTarget, target);
        QFETCH(bool, reserved);
        QFETCH(RefPhysEnd, end);
        QCOMPARE(refPhysEnd(code, target, reserved), end);
    }

    // --- the new examination window on the wire

    void typicalSequences_data()
    {
        QTest::addColumn<Scenario>("scenario");
        QTest::addColumn<QList<QByteArray>>("connections"); // the bytes of each connection, in order
        const QByteArray refs = kRefPhys;
        QTest::newRow("New") << Scenario::New
                             << QList<QByteArray>{kFreeXRays, kNewStudyId + refs, kNewXRayNo + "CMDXRayupdate|51234/CMD"};
        QTest::newRow("Find next to the X-ray number")
            << Scenario::FindXRayNo << QList<QByteArray>{kFreeXRays, kNewStudyId + refs, "CMDStdlist|123|%/CMD"};
        QTest::newRow("folder number left, no number yet")
            << Scenario::FolderNoWithoutNew
            << QList<QByteArray>{kFreeXRays, "CMDPatdata|12345678/CMD" + refs, kNewXRayNo + "CMDXRayupdate|51234/CMD"};
        QTest::newRow("folder number left after New")
            << Scenario::FolderNoAfterNew
            << QList<QByteArray>{kFreeXRays, kNewStudyId + refs, kNewXRayNo + "CMDXRayupdate|51234/CMD",
                                 "CMDPatdata|12345678/CMD" + refs};
        QTest::newRow("Find next to the folder number, patient chosen")
            << Scenario::FindPatient
            << QList<QByteArray>{kFreeXRays, "CMDPATLIST|123456%|%/CMD", "CMDExistXRay|12345678/CMD"};
        QTest::newRow("referrer field entered") << Scenario::ReferrerEntered << QList<QByteArray>{kFreeXRays, refs};
        QTest::newRow("Cancel after New")
            << Scenario::CancelAfterNew
            << QList<QByteArray>{kFreeXRays, kNewStudyId + refs, kNewXRayNo + "CMDXRayupdate|51234/CMD", refs,
                                 "CMDXRayupdate2|51234/CMD"};
    }

    void typicalSequences()
    {
        QFETCH(Scenario, scenario);
        QFETCH(QList<QByteArray>, connections);
        ScriptedServer server;
        ExamDesk desk(server);
        QPointer<NewVisitWindow> window = desk.newVisit();
        auto *referrers = child<QComboBox>(window, u"FKeyUeberweiserID"_s);
        switch (scenario) {
        case Scenario::New:
            desk.pressNew(window);
            QCOMPARE(text(window, u"StudyID"_s), u"0004711"_s);
            QCOMPARE(text(window, u"StudyNr"_s), u"51234"_s);
            QCOMPARE(window->reservedXRayNumber(), 51234);
            QCOMPARE(referrers->count(), 2);
            QCOMPARE(referrers->itemText(0), u"Casualty"_s);
            QCOMPARE(referrers->itemData(1).toInt(), 13);
            // The study id added one row carrying the X-ray number text of that moment.
            QCOMPARE(child<ProcedureList>(window, u"Procedures"_s)->topLevelItemCount(), 1);
            break;
        case Scenario::FindXRayNo: {
            server.answer(number(4711));
            server.answerInPieces(kReferrerPieces);
            server.answerInPieces({"CMDDATA\r\n12345678|Smith|John|4|123|05.03.2008|14:35|u1|123|8", "77\r\n/CMDDATA\r\n"});
            enter(window, u"StudyNr=000123"_s);
            click(window, u"cmdFind2"_s);
            auto *visits = child<VisitList>(window, u"Visits"_s);
            QTRY_COMPARE(visits->topLevelItemCount(), 1);
            QVERIFY(visits->isVisible());
            QCOMPARE(visits->rowFields(visits->topLevelItem(0)),
                     (QStringList{u"12345678"_s, u"Smith"_s, u"John"_s, u"MRI"_s, u"0000123"_s, u"05.03.2008"_s,
                                  u"14:35"_s, u"u1"_s, u"123"_s, u"877"_s}));
            QCOMPARE(referrers->count(), 2);
            // Taking the listed examination over: its patient and its number.
            clickRow(visits, 0);
            QCOMPARE(text(window, u"StudyNr"_s), u"0000123"_s);
            QCOMPARE(text(window, u"PATID"_s), u"877"_s);
            QCOMPARE(text(window, u"PAT2Vorname"_s), u"SJ"_s);
            QCOMPARE(desk.session.SelectedPatient.StudyNr, u"0000123"_s);
            break;
        }
        case Scenario::FolderNoWithoutNew:
            server.answer(listReply({"877|Smith|JS"}));
            server.answerInPieces(kReferrerPieces);
            server.answer(number(51234));
            server.answer(number(1));
            enter(window, u"PATID1=12345678"_s);
            QTRY_COMPARE(server.requests.size(), 5);
            QCOMPARE(text(window, u"PATNachname"_s), u"Smith"_s);
            QCOMPARE(text(window, u"PAT2Vorname"_s), u"JS"_s);
            QTRY_COMPARE(text(window, u"StudyNr"_s), u"51234"_s);
            break;
        case Scenario::FolderNoAfterNew:
            desk.pressNew(window);
            desk.lookUpFolderNo(window);
            // Each arrival of the list adds its entries again; the number reserved first is kept.
            QCOMPARE(referrers->count(), 4);
            QCOMPARE(text(window, u"StudyNr"_s), u"51234"_s);
            break;
        case Scenario::FindPatient: {
            server.answer(listReply({"877|12345678|Smith|John|JS|1970-01-31|M|0"}));
            server.answer(number(51000));
            child<QLineEdit>(window, u"StudyNr"_s)->setText(u"51234"_s); // enables "Find"
            child<QLineEdit>(window, u"PATID1"_s)->setText(u"123456*"_s);
            click(window, u"cmdFind"_s);
            auto *patients = child<PatientList>(window, u"PATList"_s);
            QTRY_COMPARE(patients->topLevelItemCount(), 1);
            QCOMPARE(desk.session.ActionCode, ActionCode::Search);
            QTRY_VERIFY(desk.idle());
            clickRow(patients, 0);
            QTRY_COMPARE(text(window, u"txtOldStudynr"_s), u"51000"_s);
            QCOMPARE(text(window, u"PATID"_s), u"877"_s);
            QCOMPARE(desk.session.SelectedPatient.FirstName, u"John"_s);
            QVERIFY(child<ProcedureList>(window, u"Procedures"_s)->isVisible());
            break;
        }
        case Scenario::ReferrerEntered:
            server.answerInPieces(kReferrerPieces);
            focusIn(referrers);
            QCOMPARE(desk.session.ActionCode, ActionCode::ReferrerEntered);
            QTRY_COMPARE(referrers->count(), 2);
            break;
        case Scenario::CancelAfterNew:
            desk.pressNew(window);
            // The mode changes with later events; the number this window reserved still goes back.
            server.answer(listReply({"12|Casualty"}));
            focusIn(referrers);
            QTRY_VERIFY(desk.idle());
            server.answer(number(1));
            click(window, u"cmdCancel"_s);
            QTRY_VERIFY(!window);
            break;
        }
        QTRY_COMPARE(server.connectionBytes.size(), connections.size());
        QTRY_VERIFY(desk.idle());
        QTRY_COMPARE(server.connectionBytes, connections);
        QVERIFY(desk.prompts.shown.isEmpty());
    }

    void supplyCheckWarnsBelowAHundred_data()
    {
        QTest::addColumn<int>("free");
        QTest::addColumn<bool>("warned");
        QTest::newRow("99") << 99 << true;
        QTest::newRow("100") << 100 << false;
    }

    void supplyCheckWarnsBelowAHundred()
    {
        QFETCH(int, free);
        QFETCH(bool, warned);
        ScriptedServer server;
        ExamDesk desk(server, free);
        desk.newVisit();
        QCOMPARE(desk.prompts.shown.size(), warned ? 1 : 0);
        if (warned) {
            QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::None);
            QCOMPARE(desk.prompts.shown.first().text.split(u"\r\n"_s),
                     (QStringList{u"Actually only 99 free Xray numbers in the table Xray!"_s,
                                  u"Please create new Xray Numbers!!"_s}));
        }
        QCOMPARE(desk.session.state<ExamState>().FreeXRayCount, free);
    }

    void noFreeNumberReservesNothing()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        QPointer<NewVisitWindow> window = desk.newVisit();
        server.answer(number(4711));
        server.answer(listReply({"12|Casualty"}));
        server.answer(number(0));
        click(window, u"cmdNew"_s);
        QTRY_COMPARE(server.requests.size(), 4);
        QTRY_VERIFY(desk.idle());
        QCOMPARE(server.requests.last(), kNewXRayNo);
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Error);
        QVERIFY(text(window, u"StudyNr"_s).isEmpty());
        click(window, u"cmdCancel"_s); // nothing to give back
        QTRY_VERIFY(!window);
        QCOMPARE(server.requests.size(), 4);
    }

    // In the existing-number mode the number belongs to stored examinations: whatever the mode is
    // later, "Cancel" gives nothing back.
    void cancelNeverReleasesANumberItDidNotReserve()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        QPointer<NewVisitWindow> window = desk.newVisit();
        server.answer(number(4711));
        server.answer(listReply({"12|Casualty"}));
        server.answer(listReply({"12345678|Smith|John|4|51234|05.03.2008|14:35|u1|51234|877"}));
        enter(window, u"StudyNr=51234"_s);
        click(window, u"cmdFind2"_s);
        QTRY_COMPARE(server.requests.size(), 4);
        QTRY_VERIFY(desk.idle());
        server.answer(listReply({"12|Casualty"}));
        focusIn(child<QComboBox>(window, u"FKeyUeberweiserID"_s)); // the mode becomes "800"
        QTRY_COMPARE(server.requests.size(), 5);
        QTRY_VERIFY(desk.idle());
        click(window, u"cmdCancel"_s);
        QTRY_VERIFY(!window);
        QTest::qWait(50);
        QCOMPARE(server.requests.size(), 5);
    }

    // A referrer list in pieces fills as it comes; the examinations are listed once it is complete.
    void followUpWaitsForTheWholeReferrerList()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        NewVisitWindow *window = desk.newVisit();
        server.answer(number(4711));
        server.stayQuiet();
        enter(window, u"StudyNr=51234"_s);
        click(window, u"cmdFind2"_s);
        QTRY_COMPARE(server.requests.size(), 3);
        auto *referrers = child<QComboBox>(window, u"FKeyUeberweiserID"_s);
        server.sendNow("CMDDATA\r\n12|Casualty\r\n13|Ward");
        QTRY_COMPARE(referrers->count(), 1);
        QCOMPARE(desk.link().command(), Command::REFPHYS);
        QVERIFY(desk.link().isConnected());
        server.answer(listReply({}));
        server.sendNow(" A1\r\n/CMDDATA\r\n");
        QTRY_COMPARE(server.requests.size(), 4);
        QCOMPARE(server.requests.last(), QByteArray("CMDStdlist|51234|%/CMD"));
        QCOMPARE(referrers->itemText(1), u"Ward A1"_s);
    }

    void unknownFolderNoClearsThePatientShown()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        NewVisitWindow *window = desk.newVisit();
        desk.pressNew(window);
        desk.lookUpFolderNo(window);
        QCOMPARE(text(window, u"PATID"_s), u"877"_s);
        server.answer(listReply({}));
        server.answer(listReply({"12|Casualty"}));
        enter(window, u"PATID1=87654321"_s);
        QTRY_COMPARE(server.requests.size(), 9);
        QCOMPARE(server.requests.at(7), QByteArray("CMDPatdata|87654321/CMD"));
        QCOMPARE(server.requests.at(8), kRefPhys); // the referrer list is still requested
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().text, u"Patient/Folder No not found!"_s);
        QVERIFY(text(window, u"PATID"_s).isEmpty());
        QVERIFY(text(window, u"PATNachname"_s).isEmpty());
        QVERIFY(text(window, u"PAT2Vorname"_s).isEmpty());
    }

    void folderNoOfAnotherLengthIsRefusedUnlessFindOrCancelIsNext_data()
    {
        QTest::addColumn<QString>("next");
        QTest::addColumn<bool>("warned");
        QTest::newRow("to the date") << u"StudyDate"_s << true;
        QTest::newRow("to Find") << u"cmdFind"_s << false;
        QTest::newRow("to Cancel") << u"cmdCancel"_s << false;
    }

    void folderNoOfAnotherLengthIsRefusedUnlessFindOrCancelIsNext()
    {
        QFETCH(QString, next);
        QFETCH(bool, warned);
        ScriptedServer server;
        ExamDesk desk(server);
        NewVisitWindow *window = desk.newVisit();
        desk.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(desk.main.get()));
        child<QPushButton>(window, u"cmdFind"_s)->setEnabled(true);
        auto *folder = child<QLineEdit>(window, u"PATID1"_s);
        folder->setFocus();
        QTRY_VERIFY(folder->hasFocus());
        folder->setText(u"123456789"_s);
        child<QWidget>(window, next)->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(!folder->hasFocus());
        QCOMPARE(desk.prompts.shown.size(), warned ? 1 : 0);
        if (warned)
            QCOMPARE(desk.prompts.shown.first().text, u"Please insert a valid 'Folder No'"_s);
        QCOMPARE(server.requests.size(), 1);
    }

    // Another menu action closing the window while the folder number has the focus warns of nothing.
    void closingWindowLooksNothingUp()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        QPointer<NewVisitWindow> window = desk.newVisit();
        desk.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(desk.main.get()));
        auto *folder = child<QLineEdit>(window, u"PATID1"_s);
        folder->setFocus();
        QTRY_VERIFY(folder->hasFocus());
        folder->setText(u"123456789"_s);
        QVERIFY(desk.trigger(MenuIds::NewPatient));
        QTRY_VERIFY(!window);
        QVERIFY(desk.prompts.shown.isEmpty());
        QCOMPARE(server.requests.size(), 1);
    }

    // --- the save chain

    void saveChain_data()
    {
        QTest::addColumn<int>("filledRows");
        QTest::addColumn<int>("archive");
        QTest::addColumn<bool>("book");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("appointment");
        QTest::newRow("two rows and the unfilled one, with an appointment") << 2 << 3 << true << false << true;
        QTest::newRow("two rows, no appointment wanted") << 2 << 3 << false << false << false;
        QTest::newRow("archive 0 is sent as 1") << 1 << 0 << false << false << false;
    }

    void saveChain()
    {
        QFETCH(int, filledRows);
        QFETCH(int, archive);
        QFETCH(bool, book);
        QFETCH(bool, closed);
        QFETCH(bool, appointment);
        ScriptedServer server;
        ExamDesk desk(server);
        int opened = 0;
        desk.session.state<ExamState>().OpenAppointmentSystem = [&opened] { ++opened; };
        QPointer<NewVisitWindow> window = readyToSave(desk, filledRows);
        desk.session.state<ExamState>().BookAppointment = book;
        const qsizetype before = server.requests.size();
        server.answer("CMDDATA\r\nu1\r\n/CMDDATA\r\n");
        server.answer(number(archive));
        server.answer(number(1));
        for (int i = 0; i < filledRows; ++i)
            server.answer(number(1));
        confirmNextSave();
        click(window, u"cmdSave"_s);
        QTRY_COMPARE(server.requests.size(), before + 3 + filledRows);
        QTRY_VERIFY(desk.idle());
        QByteArray expected = "CMDNEWUID|NEWUID/CMDCMDGetArchiveID|X/CMD"
                              + QByteArray(kStudyNew).replace(", 3, 12,", archive == 0 ? ", 1, 12," : ", 3, 12,");
        for (int i = 0; i < filledRows; ++i)
            expected += "CMDProcinsert|51234, " + QByteArray::number(305 + i) + ", '12345678'/CMD";
        QCOMPARE(server.connectionBytes.last(), expected);
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().text, u"New examination/visit saved successfully!"_s);
        QCOMPARE(desk.session.StudyUid, u"u1"_s);
        QTRY_COMPARE(bool(!window), closed);
        if (window)
            QVERIFY(!window->isVisible()); // hidden for the appointment booking
        QCOMPARE(opened, appointment ? 1 : 0);
        QVERIFY(!desk.session.state<ExamState>().BookAppointment);
    }

    // A list whose last row is filled: the window closes and no appointment follows.
    void lastRowFilledClosesTheWindow()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        int opened = 0;
        desk.session.state<ExamState>().OpenAppointmentSystem = [&opened] { ++opened; };
        QPointer<NewVisitWindow> window = readyToSave(desk, 1);
        desk.session.state<ExamState>().BookAppointment = true;
        // The unfilled row the picker appended is taken away: the filled one is now the last.
        auto *procedures = child<ProcedureList>(window, u"Procedures"_s);
        delete procedures->takeTopLevelItem(1);
        server.answer("CMDDATA\r\nu1\r\n/CMDDATA\r\n");
        server.answer(number(3));
        server.answer(number(1));
        server.answer(number(1));
        confirmNextSave();
        click(window, u"cmdSave"_s);
        QTRY_VERIFY(!window);
        QCOMPARE(server.requests.last(), QByteArray("CMDProcinsert|51234, 305, '12345678'/CMD"));
        QCOMPARE(opened, 0);
    }

    void saveFailures_data()
    {
        QTest::addColumn<QByteArray>("uid");
        QTest::addColumn<int>("stored");   // the STDNEW reply
        QTest::addColumn<int>("rowSaved"); // the first PROCSAVE reply
        QTest::addColumn<int>("requests"); // of the chain
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("closed");
        QTest::newRow("no UID") << QByteArray("CMDDATA\r\n\r\n/CMDDATA\r\n") << 1 << 1 << 1
                                << u"Cannot save 'New Examination', no studyuid received"_s << false;
        // Refused: the procedure rows are not sent without their examination.
        QTest::newRow("examination refused") << QByteArray("u1") << 0 << 1 << 3
                                             << u"New examination/visit not saved, please try again"_s << false;
        QTest::newRow("procedure refused") << QByteArray("u1") << 1 << 0 << 4
                                           << u"Procedure(s) not saved, please update examination/visit."_s << true;
    }

    void saveFailures()
    {
        QFETCH(QByteArray, uid);
        QFETCH(int, stored);
        QFETCH(int, rowSaved);
        QFETCH(int, requests);
        QFETCH(QString, message);
        QFETCH(bool, closed);
        ScriptedServer server;
        ExamDesk desk(server);
        QPointer<NewVisitWindow> window = readyToSave(desk);
        const qsizetype before = server.requests.size();
        server.answer(uid);
        server.answer(number(3));
        server.answer(number(stored));
        server.answer(number(rowSaved));
        confirmNextSave();
        click(window, u"cmdSave"_s);
        QTRY_COMPARE(desk.prompts.shown.size(), stored == 1 && rowSaved == 0 ? 2 : 1);
        QTRY_VERIFY(desk.idle());
        QCOMPARE(server.requests.size(), before + requests);
        QCOMPARE(desk.prompts.shown.last().text, message);
        QCOMPARE(desk.prompts.shown.last().icon, Prompter::Icon::Error);
        QTRY_COMPARE(bool(!window), closed);
    }

    // Stored without a procedure: the window stays, but the examination cannot be stored twice.
    void storedExaminationIsNotStoredAgain()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        QPointer<NewVisitWindow> window = readyToSave(desk, 0);
        server.answer("u1");
        server.answer(number(3));
        server.answer(number(1));
        confirmNextSave();
        click(window, u"cmdSave"_s);
        QTRY_COMPARE(desk.prompts.shown.size(), 1);
        QTRY_VERIFY(desk.idle());
        QVERIFY(window && window->isVisible());
        QVERIFY(!child<QPushButton>(window, u"cmdSave"_s)->isEnabled());
        const qsizetype sent = server.requests.size();
        click(window, u"cmdSave"_s);
        // Its number is the examination's now: "Cancel" keeps it.
        click(window, u"cmdCancel"_s);
        QTRY_VERIFY(!window);
        QCOMPARE(server.requests.size(), sent);
    }

    void saveIsRefusedBeforeTheConfirmation()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        NewVisitWindow *window = readyToSave(desk);
        child<QComboBox>(window, u"FKeyUeberweiserID"_s)->setCurrentIndex(-1);
        const qsizetype sent = server.requests.size();
        click(window, u"cmdSave"_s); // no fConfirm comes: the test would hang in it
        QCOMPARE(desk.prompts.shown.size(), 1);
        QVERIFY(desk.prompts.shown.first().text.contains(u"'Referred from'"_s));
        QCOMPARE(server.requests.size(), sent);

        child<QComboBox>(window, u"FKeyUeberweiserID"_s)->setCurrentIndex(0);
        whenModal(u"fConfirm"_s, [](QWidget *dialog) { click(dialog, u"cmdCancel"_s); });
        click(window, u"cmdSave"_s);
        QCOMPARE(server.requests.size(), sent); // cancelled: nothing is sent
    }

    // A row left unfilled between filled ones does not end the list: every filled row is saved.
    void everyFilledRowIsSaved()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        QPointer<NewVisitWindow> window = readyToSave(desk, 2);
        auto *procedures = child<ProcedureList>(window, u"Procedures"_s);
        procedures->insertTopLevelItem(1, new QTreeWidgetItem(QStringList{u"51234"_s, u"12345678"_s}));
        server.answer("u1");
        server.answer(number(3));
        for (int i = 0; i < 3; ++i)
            server.answer(number(1));
        confirmNextSave();
        click(window, u"cmdSave"_s);
        QTRY_VERIFY(!window || !window->isVisible());
        QTRY_VERIFY(desk.idle());
        QCOMPARE(server.requests.mid(server.requests.size() - 2),
                 (QList<QByteArray>{"CMDProcinsert|51234, 305, '12345678'/CMD", "CMDProcinsert|51234, 306, '12345678'/CMD"}));
        QVERIFY(window); // hidden: the unfilled last row remains
    }

    // With the appointment system in the program, the option shows and a left press books.
    void appointmentOptionWithTheAppointmentSystem()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        desk.session.settings.UseAppSystem = true;
        desk.session.state<ExamState>().OpenAppointmentSystem = [] {};
        NewVisitWindow *window = desk.newVisit();
        auto *option = child<QPushButton>(window, u"optApp"_s);
        QVERIFY(option->isVisible());
        QVERIFY(!desk.session.state<ExamState>().BookAppointment);
        QTest::mousePress(option, Qt::LeftButton);
        QVERIFY(desk.session.state<ExamState>().BookAppointment);
        QVERIFY(option->styleSheet().contains(u"#00c000"_s));
        QTest::mousePress(option, Qt::RightButton);
        QVERIFY(!desk.session.state<ExamState>().BookAppointment);
        QVERIFY(option->styleSheet().contains(u"#ff0000"_s));
    }

    void departmentButtonsShowTheChoice()
    {
        ScriptedServer server;
        ExamDesk desk(server);
        NewVisitWindow *window = desk.newVisit();
        click(window, u"optDep(3)"_s);
        QVERIFY(child<QAbstractButton>(window, u"optDep(3)"_s)->styleSheet().contains(u"#80ff80"_s));
        QVERIFY(child<QAbstractButton>(window, u"optDep(0)"_s)->styleSheet().contains(u"#ffc0c0"_s));
        // No appointment system yet: the option stays hidden.
        QVERIFY(!child<QPushButton>(window, u"optApp"_s)->isVisible());
    }

    // --- the procedure picker

    void pickerFillsTheCurrentRow_data()
    {
        QTest::addColumn<int>("rowsBefore"); // filled rows before the unfilled last one
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("the last row: a fresh one is appended") << 0 << 0 << 2;
        QTest::newRow("an earlier row: replaced, nothing appended") << 1 << 0 << 2;
    }

    void pickerFillsTheCurrentRow()
    {
        QFETCH(int, rowsBefore);
        QFETCH(int, current);
        QFETCH(int, rowsAfter);
        ScriptedServer server;
        Desk desk(server.port());
        PickOwner owner;
        for (int i = 0; i < rowsBefore; ++i)
            owner.list->appendRow({u"51234"_s, u"12345678"_s, u"Old|1"_s, u"1"_s, u"1"_s, {}});
        owner.list->appendRow({u"51234"_s, u"12345678"_s, {}, {}, {}, {}});
        owner.list->setCurrentRowIndex(current);
        desk.session.OwnerWindow = &owner;
        // The procedure list cut inside its second record.
        server.answerInPieces({"CMDDATA\r\n305|Chest X-ray PA|||B3|87.44\r\n306|Abdo", "men X-ray|||B3|88.19\r\n/CMDDATA\r\n"});
        server.answer("CMDDATA\r\n88.19\r\n/CMDDATA\r\n");
        ProcListDialog picker(desk.main->context(), &owner);
        picker.show();
        auto *procedure = child<QComboBox>(&picker, u"Procedure"_s);
        QTRY_COMPARE(procedure->count(), 2);
        QCOMPARE(procedure->itemText(1), u"Abdomen X-ray|88.19"_s);
        QCOMPARE(text(&picker, u"StudyID"_s), u"51234"_s);
        QCOMPARE(text(&picker, u"PATID1"_s), u"12345678"_s);
        QVERIFY(!child<QPushButton>(&picker, u"cmdOK"_s)->isEnabled());
        procedure->lineEdit()->setText(u"Abdomen X-ray|88.19"_s);
        QTRY_COMPARE(text(&picker, u"Code"_s), u"88.19"_s);
        QCOMPARE(server.requests.last(), QByteArray("CMDProccode|306/CMD"));
        click(&picker, u"cmdOK"_s);
        QVERIFY(!picker.isVisible());
        QCOMPARE(owner.list->topLevelItemCount(), rowsAfter);
        const ProcedureRow filled = owner.list->row(current);
        QCOMPARE(filled.Procedure, u"Abdomen X-ray|88.19"_s);
        QCOMPARE(filled.Code, u"88.19"_s);
        QCOMPARE(filled.Icd9Id, u"306"_s);
        const ProcedureRow last = owner.list->row(owner.list->topLevelItemCount() - 1);
        QCOMPARE(last.XRayNo, u"51234"_s);
        QCOMPARE(last.FolderNo, u"12345678"_s);
        QVERIFY(!last.isFilled());
    }

    void pickerTypingSelectsOnlyAnExactMatch()
    {
        ScriptedServer server;
        Desk desk(server.port());
        PickOwner owner;
        owner.list->appendRow({u"51234"_s, u"12345678"_s, {}, {}, {}, {}});
        owner.list->setCurrentRowIndex(0);
        desk.session.OwnerWindow = &owner;
        server.answer(listReply({"305|Chest X-ray PA|||B3|87.44"}));
        server.answer("CMDDATA\r\n87.44\r\n/CMDDATA\r\n");
        ProcListDialog picker(desk.main->context(), &owner);
        picker.show();
        auto *procedure = child<QComboBox>(&picker, u"Procedure"_s);
        QTRY_COMPARE(procedure->count(), 1);
        QTRY_VERIFY(desk.idle());
        QTest::keyClicks(procedure->lineEdit(), u"chest x-ray pa|87.44"_s); // another case
        QCOMPARE(server.requests.size(), 1);
        QVERIFY(text(&picker, u"Code"_s).isEmpty());
        procedure->lineEdit()->clear();
        QTest::keyClicks(procedure->lineEdit(), u"Chest X-ray PA|87.44"_s);
        QTRY_COMPARE(text(&picker, u"Code"_s), u"87.44"_s);
        QCOMPARE(server.requests.size(), 2);
        QVERIFY(child<QPushButton>(&picker, u"cmdOK"_s)->isEnabled());
        // Cleared: no code, and "OK" cannot be pressed.
        procedure->lineEdit()->clear();
        QVERIFY(text(&picker, u"Code"_s).isEmpty());
        QVERIFY(!child<QPushButton>(&picker, u"cmdOK"_s)->isEnabled());
        // Escape cancels: the row stays unfilled.
        QTest::keyClick(&picker, Qt::Key_Escape);
        QVERIFY(!picker.isVisible());
        QVERIFY(!owner.list->row(0).isFilled());
    }
};

QTEST_MAIN(TestExams)
#include "tst_exams.moc"
