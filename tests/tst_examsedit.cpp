// Finding and editing examinations: the two finders, the edit dialog's load, save and delete chains,
// against a scripted server.

#include "exams/editvisitdetailsdialog.h"
#include "exams/examhosts.h"
#include "exams/examtasks.h"
#include "exams/procedurelist.h"
#include "exams/visitlist.h"
#include "exams/visitsearchwindow.h"
#include "link/commandlink.h"
#include "patients/patientlist.h"
#include "support/desk.h"
#include "support/findchild.h"
#include "support/scriptedserver.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kExam = "12345678|Smith|John|1|51234|05.03.2008|14:35|u1|51234|877";
const QByteArray kStudyData = "2|877|13|2008-03-05|1899-12-30 14:35|1|0|0|4";

QByteArray number(int n)
{
    return "CMDDATA\r\n" + QByteArray::number(n) + "\r\n/CMDDATA\r\n";
}

void click(QWidget *window, const QString &button)
{
    QTest::mouseClick(child<QAbstractButton>(window, button), Qt::LeftButton);
}

QString text(QWidget *window, const QString &field)
{
    return child<QLineEdit>(window, field)->text();
}

// The report window as the finder sees it.
class PickOwner : public QWidget, public ExamPickHost
{
public:
    void examinationPicked(const ExamPick &pick) override { picks.append(pick); }
    QList<ExamPick> picks;
};

// fEditVisit with one examination listed.
VisitSearchWindow *findOne(Desk &desk, ScriptedServer &server)
{
    server.answer(listReply({kExam}));
    auto *finder = desk.open<VisitSearchWindow>(MenuIds::UpdateExam);
    enter(finder, u"StudyID=51234"_s);
    click(finder, u"cmdSearch"_s);
    if (!QTest::qWaitFor([&] { return finder->visits().topLevelItemCount() == 1 && desk.idle(); }, 5000))
        qFatal("nothing listed");
    return finder;
}

// The replies of the load chain: the examination, its patient, the referrers and the procedure rows,
// the last two cut inside a record.
void answerLoad(ScriptedServer &server, const QList<QByteArray> &procedures = {"88|305|51234|12345678|Chest X-ray PA|87.44",
                                                                            "89|306|51234|12345678|Abdomen X-ray|88.19"})
{
    server.answer(listReply({kStudyData}));
    server.answer(listReply({"12345678|Smith|JS"}));
    server.answerInPieces({"CMDDATA\r\n12|Casualty\r\n13|Wa", "rd A1\r\n/CMDDATA\r\n"});
    QByteArray rows = listReply(procedures);
    const qsizetype cut = rows.indexOf('|', rows.indexOf("89|") + 3);
    server.answerInPieces(cut > 0 ? QList<QByteArray>{rows.left(cut), rows.mid(cut)} : QList<QByteArray>{rows});
}

} // namespace

class TestExamsEdit : public QObject
{
    Q_OBJECT

private slots:
    void searchRequests_data()
    {
        QTest::addColumn<bool>("finder");
        QTest::addColumn<QString>("xray");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("line"); // empty: refused
        QTest::addColumn<QString>("message");
        QTest::newRow("zeros go") << false << u"000123"_s << QString() << QByteArray("CMDStdlist|123|%/CMD") << QString();
        QTest::newRow("patterns") << false << u"12*"_s << u"99?"_s << QByteArray("CMDStdlist|12%|99_/CMD") << QString();
        QTest::newRow("folder only") << false << QString() << u"12345678"_s << QByteArray("CMDStdlist|%|12345678/CMD")
                                     << QString();
        QTest::newRow("nothing") << false << QString() << QString() << QByteArray()
                                 << u"Please insert 'XRay No' and/or 'Folder No'!"_s;
        QTest::newRow("finder, three digits") << true << u"512*"_s << QString() << QByteArray("CMDStdlist|512%|%/CMD")
                                              << QString();
        QTest::newRow("finder, two and two")
            << true << u"51"_s << u"12"_s << QByteArray()
            << u"Please insert at leased 3 digits into 'Folder No' and/or 3 digits into 'XRay No'.\r\n\r\nTip: Wildscard (? amd *) are allowed."_s;
    }

    void searchRequests()
    {
        QFETCH(bool, finder);
        QFETCH(QString, xray);
        QFETCH(QString, folder);
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        ScriptedServer server;
        server.answer(listReply({}));
        Desk desk(server.port());
        QWidget *window = finder ? static_cast<QWidget *>(openExamFinder(*desk.main))
                                 : desk.open<VisitSearchWindow>(MenuIds::UpdateExam);
        enterAll(window, {u"StudyID="_s + xray, u"PATID1="_s + folder});
        click(window, u"cmdSearch"_s);
        if (line.isEmpty()) {
            QCOMPARE(desk.prompts.shown.size(), 1);
            QCOMPARE(desk.prompts.shown.first().text, message);
            QCOMPARE(desk.prompts.shown.first().icon, finder ? Prompter::Icon::Information : Prompter::Icon::Error);
            QTest::qWait(20);
            QVERIFY(server.requests.isEmpty());
            return;
        }
        QTRY_COMPARE(server.requests, QList<QByteArray>{line});
        QTRY_VERIFY(desk.idle());
        QVERIFY(desk.prompts.shown.isEmpty());
    }

    // Rows appear as the reply streams in, the department by name, short numbers padded.
    void listShowsDepartmentsAndPaddedNumbers()
    {
        ScriptedServer server;
        server.stayQuiet();
        Desk desk(server.port());
        auto *finder = desk.open<VisitSearchWindow>(MenuIds::UpdateExam);
        enter(finder, u"StudyID=1*"_s);
        click(finder, u"cmdSearch"_s);
        QTRY_COMPARE(server.requests.size(), 1);
        server.sendNow("CMDDATA\r\n12345678|Smith|John|4|123|05.03.2008|14:35|u1|123|877\r\n1234");
        QTRY_COMPARE(finder->visits().topLevelItemCount(), 1); // the complete record at once
        QVERIFY(desk.link().isConnected());
        server.sendNow("5679|Doe|Jane|7|1234567|06.03.2008|09:00|u2|1234567|878\r\nbroken|record|of|seven|fields|x|y\r\n"
                       "/CMDDATA\r\n");
        QTRY_VERIFY(desk.idle());
        QTRY_COMPARE(finder->visits().topLevelItemCount(), 2); // the split one; the short one is skipped
        QCOMPARE(column(&finder->visits(), VisitList::Department), (QStringList{u"MRI"_s, QString()}));
        QCOMPARE(column(&finder->visits(), VisitList::XRayNo), (QStringList{u"0000123"_s, u"1234567"_s}));
        QCOMPARE(column(&finder->visits(), VisitList::FolderNo), (QStringList{u"12345678"_s, u"12345679"_s}));
        QCOMPARE(finder->visits().columnCount(), 7);
    }

    void loadChainFillsTheDialog()
    {
        ScriptedServer server;
        Desk desk(server.port());
        VisitSearchWindow *finder = findOne(desk, server);
        answerLoad(server);
        bool checked = false;
        whenModal(u"fEditVisitDetails"_s, [&](QWidget *dialog) {
            auto *details = static_cast<EditVisitDetailsDialog *>(dialog);
            QTRY_VERIFY(details->isLoaded());
            QTRY_VERIFY(desk.idle());
            QCOMPARE(server.connectionBytes.last(),
                     QByteArray("CMDStddata|51234/CMDCMDPatdataid|877/CMDCMDRefPhys|List/CMDCMDProcdata|51234/CMD"));
            QCOMPARE(text(details, u"StudyNr"_s), u"0051234"_s);
            QCOMPARE(text(details, u"StudyNrOld"_s), u"0051234"_s);
            QCOMPARE(text(details, u"PATID1"_s), u"12345678"_s);
            QCOMPARE(text(details, u"PATNachname"_s), u"Smith John"_s);
            QCOMPARE(text(details, u"PATID"_s), u"877"_s);
            QCOMPARE(text(details, u"StudyDate"_s), u"05.03.2008"_s);
            QCOMPARE(text(details, u"StudyTime"_s), u"14:35"_s);
            QCOMPARE(child<QComboBox>(details, u"FKeyUeberweiserID"_s)->currentText(), u"Ward A1"_s);
            QVERIFY(child<QAbstractButton>(details, u"optIO(1)"_s)->isChecked());
            QVERIFY(child<QAbstractButton>(details, u"optDep(4)"_s)->isChecked());
            QVERIFY(child<QAbstractButton>(details, u"optOH(0)"_s)->isChecked());
            auto *procedures = child<ProcedureList>(details, u"Procedures"_s);
            QCOMPARE(procedures->topLevelItemCount(), 3);
            QCOMPARE(procedures->row(1).ProcId, u"89"_s);
            QCOMPARE(procedures->row(1).Procedure, u"Abdomen X-ray"_s);
            QCOMPARE(procedures->row(1).Icd9Id, u"306"_s);
            QVERIFY(!procedures->row(2).isFilled()); // AddEmptyProc
            QCOMPARE(procedures->currentRowIndex(), 2);
            QVERIFY(child<QPushButton>(details, u"cmdSave"_s)->isEnabled());
            checked = true;
            click(details, u"cmdCancel"_s);
        });
        clickRow(&finder->visits(), 0);
        QVERIFY(checked);
        QCOMPARE(desk.session.SearchXRayNo, u"51234"_s);
        QVERIFY(finder->isVisible()); // "Cancel" leaves the finder with its list
    }

    // Not found: nothing to save or delete, so the dialog's presets never reach the server.
    void unknownExaminationCannotBeSavedOrDeleted()
    {
        ScriptedServer server;
        Desk desk(server.port());
        VisitSearchWindow *finder = findOne(desk, server);
        server.answer(listReply({}));
        server.answer(listReply({}));
        server.answer(listReply({"12|Casualty"}));
        server.answer(listReply({}));
        whenModal(u"fEditVisitDetails"_s, [&](QWidget *dialog) {
            QTRY_COMPARE(server.requests.size(), 5);
            QTRY_VERIFY(desk.idle());
            QCOMPARE(desk.prompts.shown.size(), 1);
            QCOMPARE(desk.prompts.shown.first().text, u"Patient/Folder No not found!"_s);
            QVERIFY(!child<QPushButton>(dialog, u"cmdSave"_s)->isEnabled());
            QVERIFY(!child<QPushButton>(dialog, u"cmdDelete"_s)->isEnabled());
            static_cast<QDialog *>(dialog)->reject();
        });
        clickRow(&finder->visits(), 0);
        QCOMPARE(server.requests.size(), 5);
    }

    void saveChain_data()
    {
        QTest::addColumn<QList<QByteArray>>("stored"); // the procedure rows loaded
        QTest::addColumn<QList<QByteArray>>("lines");  // sent by "Save"
        QTest::newRow("two stored rows and one added")
            << QList<QByteArray>{"88|305|51234|12345678|Chest X-ray PA|87.44", "89|306|51234|12345678|Abdomen X-ray|88.19"}
            << QList<QByteArray>{"CMDStdupdate|51234|12|2008-03-05|1899-12-30 14:35|1|4|0|0|0051299|877/CMD",
                                 "CMDProcupdate|88|305/CMD", "CMDProcupdate|89|306/CMD",
                                 "CMDProcinsert|51234, 307, '1234''5678'/CMD"};
        // An unfilled row does not end the list: the rows after it are sent too.
        QTest::newRow("a stored row without procedure")
            << QList<QByteArray>{"88||51234|12345678||", "89|306|51234|12345678|Abdomen X-ray|88.19"}
            << QList<QByteArray>{"CMDStdupdate|51234|12|2008-03-05|1899-12-30 14:35|1|4|0|0|0051299|877/CMD",
                                 "CMDProcupdate|89|306/CMD", "CMDProcinsert|51234, 307, '1234''5678'/CMD"};
    }

    void saveChain()
    {
        QFETCH(QList<QByteArray>, stored);
        QFETCH(QList<QByteArray>, lines);
        ScriptedServer server;
        Desk desk(server.port());
        QPointer<VisitSearchWindow> finder = findOne(desk, server);
        answerLoad(server, stored);
        whenModal(u"fEditVisitDetails"_s, [&](QWidget *dialog) {
            auto *details = static_cast<EditVisitDetailsDialog *>(dialog);
            QTRY_VERIFY(details->isLoaded());
            QTRY_VERIFY(desk.idle());
            // A new number, another referrer, a procedure added on the empty row, and a folder number
            // changed since the rows were loaded.
            enter(details, u"StudyNr=0051299"_s);
            child<QComboBox>(details, u"FKeyUeberweiserID"_s)->setCurrentIndex(0);
            details->procedurePicked({u"0051234"_s, u"12345678"_s, u"Skull X-ray|87.17"_s, u"87.17"_s, u"307"_s, {}});
            child<QLineEdit>(details, u"PATID1"_s)->setText(u"1234'5678"_s);
            const qsizetype before = server.requests.size();
            for (int i = 0; i < lines.size(); ++i)
                server.answer(number(1));
            click(details, u"cmdSave"_s);
            QTRY_COMPARE(server.requests.size(), before + lines.size());
            QCOMPARE(server.requests.mid(before), lines);
            QCOMPARE(server.connectionBytes.last(), lines.join());
        });
        clickRow(&finder->visits(), 0);
        QTRY_VERIFY(desk.idle());
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().text, u"Examination/Visit updated succesfully!"_s);
        QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::None);
        QTRY_VERIFY(!finder); // a saved update closes the finder
    }

    void refusedSaves_data()
    {
        QTest::addColumn<QList<int>>("replies");
        QTest::addColumn<QString>("message");
        QTest::newRow("examination refused") << QList<int>{0} << u"Examination/Visit not updated, please retry."_s;
        QTest::newRow("procedure refused") << QList<int>{1, 1, 0} << u"Procedure(s) not saved successfully, please retry!"_s;
    }

    void refusedSaves()
    {
        QFETCH(QList<int>, replies);
        QFETCH(QString, message);
        ScriptedServer server;
        Desk desk(server.port());
        QPointer<VisitSearchWindow> finder = findOne(desk, server);
        answerLoad(server);
        whenModal(u"fEditVisitDetails"_s, [&](QWidget *dialog) {
            auto *details = static_cast<EditVisitDetailsDialog *>(dialog);
            QTRY_VERIFY(details->isLoaded());
            QTRY_VERIFY(desk.idle());
            const qsizetype before = server.requests.size();
            for (int r : replies)
                server.answer(number(r));
            click(details, u"cmdSave"_s);
            QTRY_COMPARE(desk.prompts.shown.size(), 1);
            QTRY_VERIFY(desk.idle());
            QCOMPARE(server.requests.size(), before + replies.size());
            QCOMPARE(desk.prompts.shown.first().text, message);
            QVERIFY(details->isVisible()); // both stay open with what was entered
            details->reject();
        });
        clickRow(&finder->visits(), 0);
        QVERIFY(finder);
    }

    void deletion_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QList<QByteArray>>("connections"); // after the load
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("closed");
        QTest::newRow("deleted") << QByteArray("CMDDATA\r\n1\r\n/CMDDATA\r\n")
                                 << QList<QByteArray>{"CMDDelStudy|51234/CMDCMDDelProc|51234/CMD", "CMDXRayupdate2|51234/CMD"}
                                 << u"1 current study deleted!"_s << true;
        // Nothing deleted: the procedure rows and the number stay as they are.
        QTest::newRow("nothing deleted") << QByteArray("CMDDATA\r\n0\r\n/CMDDATA\r\n")
                                         << QList<QByteArray>{"CMDDelStudy|51234/CMD"} << u"0 current study deleted!"_s << false;
    }

    void deletion()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QList<QByteArray>, connections);
        QFETCH(QString, message);
        QFETCH(bool, closed);
        ScriptedServer server;
        Desk desk(server.port());
        VisitSearchWindow *finder = findOne(desk, server);
        answerLoad(server);
        bool stillOpen = false;
        whenModal(u"fEditVisitDetails"_s, [&](QWidget *dialog) {
            auto *details = static_cast<EditVisitDetailsDialog *>(dialog);
            QTRY_VERIFY(details->isLoaded());
            QTRY_VERIFY(desk.idle());
            // The examination that was opened is deleted, whatever number is typed now.
            enter(details, u"StudyNr=0051299"_s);
            server.answer(reply);
            server.answer(number(1)); // DELPROC, not read
            server.answer(number(1)); // XRAYUPDATE2
            click(details, u"cmdDelete"_s);
            QTRY_COMPARE(desk.prompts.shown.size(), 1);
            stillOpen = details->isVisible();
            if (stillOpen)
                details->reject();
        });
        const int loaded = 2;
        clickRow(&finder->visits(), 0);
        QTRY_COMPARE(server.connectionBytes.size(), loaded + connections.size());
        QTRY_VERIFY(desk.idle());
        QCOMPARE(server.connectionBytes.mid(loaded), connections);
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().text, message);
        QCOMPARE(!stillOpen, closed);
        QVERIFY(finder->isVisible()); // the finder stays, with the deleted row until the next search
        QCOMPARE(finder->visits().topLevelItemCount(), 1);
    }

    void patientChangeUsesTheSharedSearch()
    {
        ScriptedServer server;
        Desk desk(server.port());
        VisitSearchWindow *finder = findOne(desk, server);
        answerLoad(server);
        whenModal(u"fEditVisitDetails"_s, [&](QWidget *dialog) {
            auto *details = static_cast<EditVisitDetailsDialog *>(dialog);
            QTRY_VERIFY(details->isLoaded());
            QTRY_VERIFY(desk.idle());
            click(details, u"cmdClear"_s);
            QVERIFY(text(details, u"PATID1"_s).isEmpty());
            QVERIFY(text(details, u"PATNachname"_s).isEmpty());
            enterAll(details, {u"PATID1=8765*"_s, u"PATNachname=Do?"_s});
            server.answer(listReply({"878|87654321|Doe|Jane|JD|1980-12-24|F|2"}));
            click(details, u"cmdFind"_s);
            auto *patients = child<PatientList>(details, u"PATList"_s);
            QTRY_COMPARE(patients->topLevelItemCount(), 1);
            QCOMPARE(server.requests.last(), QByteArray("CMDPATLIST|8765%|Do_/CMD"));
            QVERIFY(patients->isVisible());
            clickRow(patients, 0);
            QCOMPARE(text(details, u"PATID"_s), u"878"_s);
            QCOMPARE(text(details, u"PATID1"_s), u"87654321"_s);
            QCOMPARE(text(details, u"PATNachname"_s), u"Doe"_s);
            QCOMPARE(desk.session.SelectedPatient.FirstName, u"Jane"_s);
            QVERIFY(!patients->isVisible());
            QVERIFY(child<ProcedureList>(details, u"Procedures"_s)->isVisible());
            details->reject();
        });
        clickRow(&finder->visits(), 0);
    }

    // The report window's finder hands the row to its owner; a double click hides the finder.
    void finderHandsThePickToItsOwner()
    {
        ScriptedServer server;
        server.answer(listReply({kExam}));
        Desk desk(server.port());
        PickOwner owner;
        desk.session.OwnerWindow = &owner;
        VisitSearchWindow *finder = openExamFinder(*desk.main);
        QCOMPARE(finder->objectName(), u"fFindVisit"_s);
        QCOMPARE(finder->windowTitle(), u"Find Visit / Examination"_s);
        QVERIFY(finder->visits().isColumnHidden(VisitList::StudyUid));
        enter(finder, u"StudyID=512*"_s);
        click(finder, u"cmdSearch"_s);
        QTRY_COMPARE(finder->visits().topLevelItemCount(), 1);
        clickRow(&finder->visits(), 0);
        QCOMPARE(owner.picks.size(), 1);
        QCOMPARE(owner.picks.first().fields,
                 (QStringList{u"12345678"_s, u"Smith"_s, u"John"_s, u"CT-Scan"_s, u"0051234"_s, u"05.03.2008"_s,
                              u"14:35"_s, u"u1"_s, u"51234"_s, u"877"_s}));
        QCOMPARE(owner.picks.first().field(ExamPick::StudyUid), u"u1"_s);
        const QTreeWidgetItem *row = finder->visits().topLevelItem(0);
        QTest::mouseDClick(finder->visits().viewport(), Qt::LeftButton, {},
                           finder->visits().visualItemRect(row).center());
        QTRY_VERIFY(!finder->isVisible());
    }
};

QTEST_MAIN(TestExamsEdit)
#include "tst_examsedit.moc"
