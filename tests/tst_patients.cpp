#include "core/logbook.h"
#include "app/mainwindow.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "patients/editpatientwindow.h"
#include "patients/newpatientwindow.h"
#include "patients/patientcommands.h"
#include "patients/patientlist.h"
#include "patients/patientrequests.h"
#include "patients/patientrules.h"
#include "patients/patientsearch.h"
#include "patients/rasseini.h"
#include "patients/patienthosts.h"
#include "support/desk.h"
#include "support/findchild.h"
#include "support/promptrecorder.h"
#include "support/scriptedserver.h"
#include "zelserver.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Entry 2 gives the sex letter F, entry 3 (one word) none.
const QByteArray kRasse = "White Male\r\nWhite Female\r\nBlack Female\r\nUnknown\r\n";
const QByteArray kSmith = "877|12345678|Smith|John|JS|1970-01-31|M|0";
const QString kTitle = u"ZEL-Client"_s;

// The patient desk: the main window with Rasse.ini in the application folder (none with a null text).
struct PatientDesk : Desk
{
    explicit PatientDesk(quint16 port, const QByteArray &rasse = kRasse)
        : Desk(port, rasse.isNull() ? QMap<QString, QByteArray>{} : QMap<QString, QByteArray>{{u"Rasse.ini"_s, rasse}})
    {
    }
    NewPatientWindow *newPatient() { return open<NewPatientWindow>(MenuIds::NewPatient); }
    EditPatientWindow *editPatient() { return open<EditPatientWindow>(MenuIds::UpdatePatient); }
};

// A window with nothing but a patient list and the shared search, as the examination windows have.
class ListHost : public QWidget, public PatientListHost
{
public:
    ListHost() : list(new PatientList(PatientList::ColumnWidths::Designed, this)) {}
    void addPatientRecords(const RecordBatch &records) override { list->addRecords(records); }
    void patientListComplete() override { list->finish(); }
    void noPatientFound() override { ++notFound; }

    PatientList *list;
    int notFound = 0;
};

// Finds the patients matching the surname pattern in fEditPatient and chooses the first one.
void findAndChoose(EditPatientWindow *window, const QString &surname)
{
    enter(window, u"PATNachnameSearch="_s + surname);
    QTest::mouseClick(child<QPushButton>(window, u"cmdSearch"_s), Qt::LeftButton);
    auto *list = child<PatientList>(window, u"PATList"_s);
    QTRY_VERIFY(list->topLevelItemCount() > 0);
    clickRow(list, 0);
    QVERIFY(child<QGroupBox>(window, u"fraDetails"_s)->isEnabled());
}

enum class Kind { Register, Update };

constexpr int kManyPatients = 100000;

QList<QByteArray> patientRecords(int count)
{
    QList<QByteArray> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i)
        records.append(QByteArray::number(i) + "|F" + QByteArray::number(10000000 + i) + "|Surname" + QByteArray::number(i)
                       + "|First|FS|01.01.1970|M|0");
    return records;
}

// Counts the ticks of a 0-ms timer between the first and the last row added to a list: each tick is
// a moment the window was free to handle its other events.
class TickCounter : public QObject
{
public:
    TickCounter(PatientList *list, int lastRow)
    {
        m_ticker.setInterval(0);
        connect(&m_ticker, &QTimer::timeout, this, [this] { ++m_ticks; });
        connect(list->model(), &QAbstractItemModel::rowsInserted, this, [this, list, lastRow] {
            if (m_atFirstRow < 0)
                m_atFirstRow = m_ticks;
            if (list->topLevelItemCount() == lastRow)
                m_atLastRow = m_ticks;
        });
        m_ticker.start();
    }
    int duringFill() const { return m_atLastRow - m_atFirstRow; }

private:
    QTimer m_ticker;
    int m_ticks = 0;
    int m_atFirstRow = -1;
    int m_atLastRow = -1;
};

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(PatientSearch::Rule)
Q_DECLARE_METATYPE(Prompter::Icon)
Q_DECLARE_METATYPE(Prompter::Buttons)

class TestPatients : public QObject
{
    Q_OBJECT

private slots:
    // --- rules without windows

    void sexFromRace_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("sex");
        QTest::newRow("race and sex") << u"White Male"_s << u"M"_s;
        QTest::newRow("three words") << u"Black Female Adult"_s << u"F"_s;
        QTest::newRow("one word") << u"Unknown"_s << QString();
        QTest::newRow("two spaces leave an empty second word") << u"White  Male"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void sexFromRace()
    {
        QFETCH(QString, entry);
        QFETCH(QString, sex);
        QCOMPARE(SexFromRace(entry), sex);
    }

    // The values the windows cannot produce (no race/sex chosen) and the documented examples.
    void insertAndUpdateStrings_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("firstName");
        QTest::addColumn<QString>("initials");
        QTest::addColumn<QString>("sex");
        QTest::addColumn<int>("race");
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QString>("update");

        QTest::newRow("apostrophe doubled")
            << u"O'Brien"_s << u"Mary"_s << u"MO"_s << u"F"_s << 2
            << u"CMDPATNEW|4711, '12345678', 'O''Brien', 'Mary', 'MO', '1970-01-31', 'F',  2/CMD"_s
            << u"877|12345678|O''Brien|Mary|MO|1970-01-31|F|2"_s;
        QTest::newRow("empty values and no race")
            << u"Smith"_s << QString() << QString() << QString() << -1
            << u"CMDPATNEW|4711, '12345678', 'Smith', Null, Null, '1970-01-31', Null,  NUll/CMD"_s
            << u"877|12345678|Smith|Null|Null|1970-01-31|Null| NUll"_s;
    }

    void insertAndUpdateStrings()
    {
        QFETCH(QString, surname);
        QFETCH(QString, firstName);
        QFETCH(QString, initials);
        QFETCH(QString, sex);
        QFETCH(int, race);
        QFETCH(QString, insert);
        QFETCH(QString, update);
        const PatientDetails patient{u"877"_s, u"12345678"_s, surname, firstName, initials, QDate(1970, 1, 31), sex, race};
        QCOMPARE(PatInsertString(4711, patient), insert);
        QCOMPARE(PatUpdateString(patient), update);
    }

    void birthDateForms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("short date") << u"31.01.1970"_s << QDate(1970, 1, 31);
        QTest::newRow("without leading zeros") << u"1.2.1970"_s << QDate(1970, 2, 1);
        QTest::newRow("as the server sends it") << u"1970-01-31"_s << QDate(1970, 1, 31);
        QTest::newRow("with a time") << u"1970-01-31 00:00:00"_s << QDate(1970, 1, 31);
        QTest::newRow("with an ISO time") << u"1970-01-31T00:00:00"_s << QDate(1970, 1, 31);
        QTest::newRow("no such day") << u"31.02.1970"_s << QDate();
        QTest::newRow("two-digit year") << u"31.01.70"_s << QDate();
        QTest::newRow("empty mask") << u".."_s << QDate();
        QTest::newRow("words") << u"yesterday"_s << QDate();
    }

    void birthDateForms()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(BirthDate::parse(text), date);
    }

    void rasseIniEntries_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("lines in file order") << kRasse
                                             << QStringList{u"White Male"_s, u"White Female"_s, u"Black Female"_s, u"Unknown"_s};
        QTest::newRow("last line without line end") << QByteArray("A Male\r\nB Female") << QStringList{u"A Male"_s, u"B Female"_s};
        // Positions are stored data: an empty line still takes its place.
        QTest::newRow("empty line keeps its position") << QByteArray("A Male\r\n\r\nB Female\r\n")
                                                       << QStringList{u"A Male"_s, QString(), u"B Female"_s};
        QTest::newRow("bare line feeds") << QByteArray("A Male\nB Female\n") << QStringList{u"A Male"_s, u"B Female"_s};
        QTest::newRow("code page") << QByteArray("M\xE9tis Male\r\n") << QStringList{u"M\u00E9tis Male"_s};
        QTest::newRow("no file") << QByteArray() << QStringList();
    }

    void rasseIniEntries()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, entries);
        QTemporaryDir dir;
        if (!content.isNull()) {
            QFile file(RasseIni::path(dir.path()));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QCOMPARE(RasseIni::read(dir.path()), entries);
    }

    // --- request lines on the wire

    void requestLines_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QByteArray>("record"); // the patient chosen for an update
        QTest::addColumn<QList<QByteArray>>("lines");

        QTest::newRow("register O'Brien")
            << Kind::Register
            << QStringList{u"PATID1=12345678"_s, u"PATNachname=O'Brien"_s, u"PATVorname=Mary"_s,
                           u"PatGebDatum=31.01.1970"_s, u"Rasse=#2"_s}
            << QByteArray()
            << QList<QByteArray>{"CMDNewID|tblPatienten/CMD", "CMDPATID1|12345678/CMD",
                                 "CMDPATNEW|4711, '12345678', 'O''Brien', 'Mary', 'MO', '1970-01-31', 'F',  2/CMD"};
        QTest::newRow("register without first name, initials and sex")
            << Kind::Register
            << QStringList{u"PATID1=12345678"_s, u"PATNachname=Smith"_s, u"PatGebDatum=01.02.2003"_s, u"Rasse=#3"_s}
            << QByteArray()
            << QList<QByteArray>{"CMDNewID|tblPatienten/CMD", "CMDPATID1|12345678/CMD",
                                 "CMDPATNEW|4711, '12345678', 'Smith', Null, Null, '2003-02-01', Null,  3/CMD"};
        // The folder number is checked as typed but inserted as a quoted value, its quote doubled.
        QTest::newRow("register folder number with apostrophe")
            << Kind::Register
            << QStringList{u"PATID1=1234'5678"_s, u"PATNachname=Smith"_s, u"PATVorname=John"_s,
                           u"PatGebDatum=31.01.1970"_s, u"Rasse=#0"_s}
            << QByteArray()
            << QList<QByteArray>{"CMDNewID|tblPatienten/CMD", "CMDPATID1|1234'5678/CMD",
                                 "CMDPATNEW|4711, '1234''5678', 'Smith', 'John', 'JS', '1970-01-31', 'M',  0/CMD"};
        QTest::newRow("register birth date typed without zeros")
            << Kind::Register
            << QStringList{u"PATID1=12345678"_s, u"PATNachname=Smith"_s, u"PATVorname=John"_s,
                           u"PatGebDatum=1.2.1970"_s, u"Rasse=#1"_s}
            << QByteArray()
            << QList<QByteArray>{"CMDNewID|tblPatienten/CMD", "CMDPATID1|12345678/CMD",
                                 "CMDPATNEW|4711, '12345678', 'Smith', 'John', 'JS', '1970-02-01', 'F',  1/CMD"};
        QTest::newRow("update O'Brien")
            << Kind::Update
            << QStringList{u"PATNachname=O'Brien"_s, u"PATVorname=Mary"_s, u"PAT2Vorname=MO"_s, u"Rasse=#2"_s}
            << kSmith
            << QList<QByteArray>{"CMDPATLIST|%|smi/CMD", "CMDPATUPDATE|877|12345678|O''Brien|Mary|MO|1970-01-31|F|2/CMD"};
        QTest::newRow("update clears first name")
            << Kind::Update << QStringList{u"PATVorname="_s} << kSmith
            << QList<QByteArray>{"CMDPATLIST|%|smi/CMD", "CMDPATUPDATE|877|12345678|Smith|Null|JS|1970-01-31|M|0/CMD"};
        QTest::newRow("update with a short birth date")
            << Kind::Update << QStringList{u"PATGebDatum1=1.2.1971"_s} << kSmith
            << QList<QByteArray>{"CMDPATLIST|%|smi/CMD", "CMDPATUPDATE|877|12345678|Smith|John|JS|1971-02-01|M|0/CMD"};
        // Stored race/sex beyond the list: no entry is shown, and the stored sex letter is kept.
        QTest::newRow("update race beyond the list")
            << Kind::Update << QStringList{} << QByteArray("877|12345678|Smith|John|JS|1970-01-31|M|9")
            << QList<QByteArray>{"CMDPATLIST|%|smi/CMD", "CMDPATUPDATE|877|12345678|Smith|John|JS|1970-01-31|M| NUll/CMD"};
    }

    void requestLines()
    {
        QFETCH(Kind, kind);
        QFETCH(QStringList, edits);
        QFETCH(QByteArray, record);
        QFETCH(QList<QByteArray>, lines);

        ScriptedServer server;
        PatientDesk desk(server.port());
        QWidget *window = nullptr;
        if (kind == Kind::Register) {
            server.answer("4711");
            server.answer("0");
            server.answer("1");
            window = desk.newPatient();
        } else {
            server.answer(listReply({record}));
            server.answer("0"); // refused: nothing follows
            auto *edit = desk.editPatient();
            findAndChoose(edit, u"smi"_s);
            QTRY_VERIFY(desk.idle());
            window = edit;
        }
        enterAll(window, edits);
        auto *save = child<QPushButton>(window, u"cmdSave"_s);
        QVERIFY(save->isEnabled());
        QTest::mouseClick(save, Qt::LeftButton);
        QTRY_COMPARE(server.requests.size(), lines.size());
        QTRY_VERIFY(desk.idle());
        QCOMPARE(server.requests, lines);
        if (kind == Kind::Update) {
            QVERIFY(desk.prompts.shown.isEmpty()); // a refused update says nothing
            QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        }
    }

    // --- the shared search

    void searchRules_data()
    {
        QTest::addColumn<PatientSearch::Rule>("rule");
        QTest::addColumn<QString>("folderNo");
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QByteArray>("line"); // empty: refused with the message
        QTest::addColumn<Prompter::Icon>("icon");
        QTest::addColumn<QString>("message");

        const auto either = PatientSearch::Rule::FolderNoOrSurname;
        const auto folder = PatientSearch::Rule::FolderNo;
        const QString three = u"Please insert 3 characters into 'Find Folder No' and/or 3 characters into 'Find Surname'"_s;
        const QString insertFolder = u"Please insert 'Folder No'!\r\n\r\nTip: Wildscard (? and *) are allowed."_s;
        QTest::newRow("two characters each") << either << u"12"_s << u"ab"_s << QByteArray() << Prompter::Icon::Warning << three;
        QTest::newRow("surname alone") << either << QString() << u"abc"_s << QByteArray("CMDPATLIST|%|abc/CMD")
                                       << Prompter::Icon::None << QString();
        QTest::newRow("wildcards") << either << u"123"_s << u"M*ll?r"_s << QByteArray("CMDPATLIST|123|M%ll_r/CMD")
                                   << Prompter::Icon::None << QString();
        QTest::newRow("short folder number sent with surname")
            << either << u"12"_s << u"Smith"_s << QByteArray("CMDPATLIST|12|Smith/CMD") << Prompter::Icon::None << QString();
        QTest::newRow("folder number alone") << either << u"12345"_s << QString() << QByteArray("CMDPATLIST|12345|%/CMD")
                                             << Prompter::Icon::None << QString();
        QTest::newRow("folder rule ignores a long surname")
            << folder << u"12"_s << u"Smith"_s << QByteArray() << Prompter::Icon::Error << insertFolder;
        QTest::newRow("folder rule defaults the surname")
            << folder << u"123"_s << QString() << QByteArray("CMDPATLIST|123|%/CMD") << Prompter::Icon::None << QString();
    }

    void searchRules()
    {
        QFETCH(PatientSearch::Rule, rule);
        QFETCH(QString, folderNo);
        QFETCH(QString, surname);
        QFETCH(QByteArray, line);
        QFETCH(Prompter::Icon, icon);
        QFETCH(QString, message);

        ScriptedServer server;
        server.answer(listReply({kSmith}));
        PatientDesk desk(server.port());
        ListHost host;
        PatientList *list = host.list;
        PatientSearch search(host, *list, rule, u"Folder No"_s, u"Patient"_s, desk.main->context());
        desk.session.ActionCode = ActionCode::Statistics24Hours;

        QCOMPARE(search.start(folderNo, surname), !line.isEmpty());
        QCOMPARE(desk.session.TargetWindow.data(), &host);
        // Only the windows whose rule needs a folder number start a new examination search.
        QCOMPARE(actionText(desk.session.ActionCode), rule == PatientSearch::Rule::FolderNo ? u"0"_s : u"4"_s);
        if (line.isEmpty()) {
            QCOMPARE(desk.prompts.shown.size(), 1);
            QCOMPARE(desk.prompts.shown.first().icon, icon);
            QCOMPARE(desk.prompts.shown.first().title, kTitle);
            QCOMPARE(desk.prompts.shown.first().text, message);
            QCOMPARE(desk.link().phase(), CommandLink::Phase::Idle); // nothing was started
            return;
        }
        QTRY_COMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(server.requests, QList<QByteArray>{line});
        QVERIFY(desk.prompts.shown.isEmpty());
    }

    void searchFieldsKeepWhatWasTyped()
    {
        ScriptedServer server;
        server.answer(listReply({kSmith}));
        PatientDesk desk(server.port());
        auto *window = desk.editPatient();
        enterAll(window, {u"PATID1Search=123"_s, u"PATNachnameSearch=M*ll?r"_s});
        QTest::keyClick(child<QLineEdit>(window, u"PATNachnameSearch"_s), Qt::Key_Return);
        QTRY_COMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests.first(), QByteArray("CMDPATLIST|123|M%ll_r/CMD"));
        QCOMPARE(child<QLineEdit>(window, u"PATID1Search"_s)->text(), u"123"_s);
        QCOMPARE(child<QLineEdit>(window, u"PATNachnameSearch"_s)->text(), u"M*ll?r"_s);
        QCOMPARE(desk.session.SearchSurname, u"M*ll?r"_s);
    }

    void listFillsFromPieces_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<bool>("byteByByte");
        QTest::addColumn<QStringList>("surnames");
        QTest::addColumn<int>("skipped");

        const QByteArray able = "1|A1|Able|Ann|AA|01.01.1970|F|1";
        const QByteArray baker = "2|B2|Baker|Bob|BB|02.02.1970|M|0";
        const QByteArray cole = "3|C3|Cole|Cid|CC|03.03.1970|M|0";
        const QByteArray whole = listReply({able, baker, cole});
        QTest::newRow("whole") << QList<QByteArray>{whole} << false << QStringList{u"Able"_s, u"Baker"_s, u"Cole"_s} << 0;
        QTest::newRow("byte by byte") << QList<QByteArray>{whole} << true << QStringList{u"Able"_s, u"Baker"_s, u"Cole"_s} << 0;
        QTest::newRow("markers cut in two")
            << QList<QByteArray>{"CMD", "DATA\r\n" + able + "\r\n/CMD", "DATA\r\n"} << false << QStringList{u"Able"_s} << 0;
        // A broken record that ends a piece is dropped; carried over, it would swallow the next record.
        QTest::newRow("broken record at the end of a piece")
            << QList<QByteArray>{"CMDDATA\r\n" + able + "\r\n2|B2|Baker|Bob\r\n", cole + "\r\n/CMDDATA\r\n"} << false
            << QStringList{u"Able"_s, u"Cole"_s} << 1;
        QTest::newRow("broken record in the middle")
            << QList<QByteArray>{listReply({able, "2|B2|Baker|Bob|BB|02.02.1970|M", cole})} << false
            << QStringList{u"Able"_s, u"Cole"_s} << 1;
        QTest::newRow("fields past the eighth left out")
            << QList<QByteArray>{listReply({able + "|extra|more"})} << false << QStringList{u"Able"_s} << 0;
    }

    void listFillsFromPieces()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(bool, byteByByte);
        QFETCH(QStringList, surnames);
        QFETCH(int, skipped);

        ScriptedServer server;
        server.pieceDelayMs = 2;
        if (byteByByte)
            server.answer(pieces.first(), ScriptedServer::Split::ByteByByte);
        else
            server.answerInPieces(pieces);
        PatientDesk desk(server.port());
        auto *window = desk.editPatient();
        enter(window, u"PATNachnameSearch=smi"_s);
        QTest::mouseClick(child<QPushButton>(window, u"cmdSearch"_s), Qt::LeftButton);
        QTRY_VERIFY(desk.idle());
        auto *list = child<PatientList>(window, u"PATList"_s);
        QTRY_VERIFY(!list->isFilling());
        QCOMPARE(column(list, PatientList::Surname), surnames);
        QCOMPARE(list->skippedRecords(), qsizetype(skipped));
        QCOMPARE(list->topLevelItem(0)->text(PatientList::Race), u"1"_s); // every field in its column
        QCOMPARE(list->topLevelItem(0)->text(PatientList::PatId), u"1"_s);
        QVERIFY(desk.prompts.shown.isEmpty());
    }

    void splitRecordIsShownWhenRestArrives()
    {
        ScriptedServer server;
        server.stayQuiet();
        PatientDesk desk(server.port());
        auto *window = desk.editPatient();
        auto *list = child<PatientList>(window, u"PATList"_s);
        enter(window, u"PATNachnameSearch=smi"_s);
        QTest::mouseClick(child<QPushButton>(window, u"cmdSearch"_s), Qt::LeftButton);
        QTRY_COMPARE(server.requests.size(), 1);

        server.sendNow("CMDDATA\r\n1|A1|Able|Ann|AA|01.01.1970|F|1\r\n2|B2|Baker|Bob|BB|02.02.1970|M|0\r\n3|C3|Sm");
        QTRY_COMPARE(list->topLevelItemCount(), 2);
        QVERIFY(desk.link().isConnected());
        QCOMPARE(window->cursor().shape(), Qt::WaitCursor);

        server.sendNow("ith|Sam|SS|03.03.1970|M|0\r\n/CMDDATA\r\n");
        QTRY_COMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(column(list, PatientList::Surname), (QStringList{u"Able"_s, u"Baker"_s, u"Smith"_s}));
        QTRY_VERIFY(desk.idle());
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    }

    void emptyResultSaysNotInDatabase()
    {
        ScriptedServer server;
        server.answer("CMDDATA\r\n/CMDDATA");
        PatientDesk desk(server.port());
        // The host is told, so an open new examination window can cancel itself.
        ListHost host;
        PatientSearch search(host, *host.list, PatientSearch::Rule::FolderNoOrSurname, u"Find Folder No"_s,
                             u"Find Surname"_s, desk.main->context());
        QVERIFY(search.start(QString(), u"zzz"_s));
        QTRY_COMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Information);
        QCOMPARE(desk.prompts.shown.first().title, kTitle);
        QCOMPARE(desk.prompts.shown.first().text, u"'Folder No' not in database, please create new patient!"_s);
        QCOMPARE(host.notFound, 1);
        QCOMPARE(host.list->topLevelItemCount(), 0);
        QTRY_VERIFY(desk.idle());
    }

    // A search that matches every patient of a large hospital must not freeze the window while the
    // list fills: other events keep being handled between the rows.
    void hugeSearchKeepsWindowResponsive()
    {
        ScriptedServer server;
        server.answer(listReply(patientRecords(kManyPatients)));
        PatientDesk desk(server.port());
        auto *window = desk.editPatient();
        auto *list = child<PatientList>(window, u"PATList"_s);
        TickCounter ticks(list, kManyPatients);

        enter(window, u"PATID1Search=F1*"_s);
        QTest::mouseClick(child<QPushButton>(window, u"cmdSearch"_s), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), kManyPatients, 60000);
        QVERIFY2(ticks.duringFill() > 5, qPrintable(u"only %1 timer ticks while the rows were added"_s.arg(ticks.duringFill())));
        QCOMPARE(list->topLevelItem(kManyPatients - 1)->text(PatientList::Surname), u"Surname99999"_s);
        QTRY_VERIFY(desk.idle());
        QTRY_COMPARE(window->cursor().shape(), Qt::ArrowCursor);
    }

    // However the reply is cut, even all rows in one data event do not hold the window until the
    // last row is in.
    void oneHugeDataEventIsAddedInSlices()
    {
        QByteArray bytes;
        QList<std::pair<qsizetype, qsizetype>> lines;
        for (const QByteArray &record : patientRecords(kManyPatients)) {
            lines.append({bytes.size(), record.size()});
            bytes += record + "\r\n";
        }
        PatientList list(PatientList::ColumnWidths::Proportional);
        list.resize(800, 600);
        list.show();
        TickCounter ticks(&list, kManyPatients);

        list.addRecords(RecordBatch(bytes, lines));
        QVERIFY(list.topLevelItemCount() > 0); // the first rows show at once
        QVERIFY(list.topLevelItemCount() < kManyPatients);
        QVERIFY(list.isFilling());
        QTRY_COMPARE(list.topLevelItemCount(), kManyPatients);
        QVERIFY2(ticks.duringFill() > 5, qPrintable(u"only %1 timer ticks while the rows were added"_s.arg(ticks.duringFill())));
        QCOMPARE(list.topLevelItem(kManyPatients - 1)->text(PatientList::FolderNo), u"F10099999"_s);
    }

    // A list reply that streams in as many small data events (one TCP segment each) is inserted in
    // batches that grow with the list: the list lays all its rows out again after every insertion,
    // so inserting each event's few rows would cost time in proportion to the rows shown, per event.
    void manySmallPiecesAreInsertedInGrowingBatches()
    {
        constexpr int kRows = 20000;
        constexpr int kPerEvent = 20;
        const QList<QByteArray> records = patientRecords(kRows);
        PatientList list(PatientList::ColumnWidths::Proportional);
        list.resize(800, 600);
        list.show();
        int insertions = 0;
        connect(list.model(), &QAbstractItemModel::rowsInserted, &list, [&insertions] { ++insertions; });
        for (int first = 0; first < kRows; first += kPerEvent) {
            QByteArray bytes;
            QList<std::pair<qsizetype, qsizetype>> lines;
            for (int i = first; i < first + kPerEvent; ++i) {
                lines.append({bytes.size(), records.at(i).size()});
                bytes += records.at(i) + "\r\n";
            }
            list.addRecords(RecordBatch(bytes, lines));
            QCoreApplication::processEvents(); // each piece is a data event of its own
            if (first == 0)
                QCOMPARE(list.topLevelItemCount(), kPerEvent); // the first rows show at once
        }
        list.finish();
        QTRY_VERIFY(!list.isFilling());
        QCOMPARE(list.topLevelItemCount(), kRows);
        QCOMPARE(column(&list, PatientList::FolderNo).mid(kRows - 2), (QStringList{u"F10019998"_s, u"F10019999"_s}));
        QVERIFY2(insertions < 40, qPrintable(u"%1 insertions for %2 data events"_s.arg(insertions).arg(kRows / kPerEvent)));
    }

    // --- registration

    void registrationOutcomes_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<Prompter::Icon>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("staysOpen");

        QTest::newRow("no new id") << QList<QByteArray>{"0"} << Prompter::Icon::Warning << u"New Patient"_s
                                   << u"New patient not saved, please retry!"_s << true;
        QTest::newRow("folder number taken")
            << QList<QByteArray>{"4711", "1"} << Prompter::Icon::Warning << kTitle
            << u"New patient not saved!\r\nFolderNo. already exists in Database!"_s << true;
        QTest::newRow("insert refused") << QList<QByteArray>{"4711", "0", "0"} << Prompter::Icon::Information << kTitle
                                        << u"New patient not registered, please try again!"_s << true;
        QTest::newRow("registered") << QList<QByteArray>{"CMDDATA\r\n4711\r\n/CMDDATA", "0", "1"}
                                    << Prompter::Icon::Information << kTitle << u"New patient registered successfully!"_s
                                    << false;
    }

    void registrationOutcomes()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(Prompter::Icon, icon);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(bool, staysOpen);

        ScriptedServer server;
        for (const QByteArray &r : replies)
            server.answer(r);
        PatientDesk desk(server.port());
        QPointer<NewPatientWindow> window = desk.newPatient();
        enterAll(window, {u"PATID1=12345678"_s, u"PATNachname=Smith"_s, u"PATVorname=John"_s,
                          u"PatGebDatum=31.01.1970"_s, u"Rasse=#0"_s});
        QTest::mouseClick(child<QPushButton>(window, u"cmdSave"_s), Qt::LeftButton);
        QCOMPARE(window->cursor().shape(), Qt::WaitCursor);
        QTRY_COMPARE(desk.prompts.shown.size(), 1);
        QTRY_VERIFY(desk.idle());

        QCOMPARE(desk.prompts.shown.first().icon, icon);
        QCOMPARE(desk.prompts.shown.first().title, title);
        QCOMPARE(desk.prompts.shown.first().text, message);
        QCOMPARE(server.requests.size(), replies.size());
        QCOMPARE(server.connectionBytes.size(), 1); // the whole chain on one connection
        if (replies.size() > 1)
            QCOMPARE(desk.session.WorkNumber, 4711);
        if (staysOpen) {
            QVERIFY(window);
            QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
            QCOMPARE(child<QLineEdit>(window, u"PATNachname"_s)->text(), u"Smith"_s);
        } else {
            QTRY_VERIFY(!window);
            QVERIFY(desk.main->workspace()->subWindowList().isEmpty());
        }
    }

    void saveFollowsTheFields_data()
    {
        QTest::addColumn<bool>("withRasse");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("sex");

        const QStringList complete{u"PATID1=12345678"_s, u"PATNachname=Smith"_s, u"PatGebDatum=31.01.1970"_s,
                                   u"Rasse=#2"_s};
        QTest::newRow("complete") << true << complete << true << u"F"_s;
        QTest::newRow("folder number of 7") << true << complete + QStringList{u"PATID1=1234567"_s} << false << u"F"_s;
        QTest::newRow("folder number of 9") << true << complete + QStringList{u"PATID1=123456789"_s} << true << u"F"_s;
        QTest::newRow("no surname") << true << complete + QStringList{u"PATNachname="_s} << false << u"F"_s;
        QTest::newRow("no such day") << true << complete + QStringList{u"PatGebDatum=31.02.1970"_s} << false << u"F"_s;
        QTest::newRow("date half typed") << true << complete + QStringList{u"PatGebDatum=31.01.19"_s} << false << u"F"_s;
        QTest::newRow("typed race/sex") << true << complete + QStringList{u"Rasse=Purple Male"_s} << false << u"M"_s;
        QTest::newRow("chosen again after typing")
            << true << complete + QStringList{u"Rasse=Purple Male"_s, u"Rasse=#3"_s} << true << QString();
        QTest::newRow("no Rasse.ini") << false
                                      << QStringList{u"PATID1=12345678"_s, u"PATNachname=Smith"_s,
                                                     u"PatGebDatum=31.01.1970"_s, u"Rasse=White Male"_s}
                                      << false << u"M"_s;
    }

    void saveFollowsTheFields()
    {
        QFETCH(bool, withRasse);
        QFETCH(QStringList, edits);
        QFETCH(bool, enabled);
        QFETCH(QString, sex);

        ScriptedServer server;
        PatientDesk desk(server.port(), withRasse ? kRasse : QByteArray());
        auto *window = desk.newPatient();
        QCOMPARE(child<QComboBox>(window, u"Rasse"_s)->count(), withRasse ? 4 : 0);
        QVERIFY(!child<QPushButton>(window, u"cmdSave"_s)->isEnabled());
        enterAll(window, edits);
        QCOMPARE(child<QPushButton>(window, u"cmdSave"_s)->isEnabled(), enabled);
        QCOMPARE(child<QLineEdit>(window, u"PATGeschlecht"_s)->text(), sex);
    }

    void initialsAreFilledOnce()
    {
        ScriptedServer server;
        PatientDesk desk(server.port());
        auto *window = desk.newPatient();
        auto *initials = child<QLineEdit>(window, u"PAT2Vorname"_s);
        auto *firstName = child<QLineEdit>(window, u"PATVorname"_s);
        enter(window, u"PATNachname=Smith"_s);
        QVERIFY(initials->text().isEmpty());
        QTest::keyClicks(firstName, u"J"_s);
        QCOMPARE(initials->text(), u"JS"_s);
        QTest::keyClicks(firstName, u"ohn"_s);
        QCOMPARE(initials->text(), u"JS"_s);
        enter(window, u"PATNachname=Miller"_s);
        QCOMPARE(initials->text(), u"JS"_s); // filled initials are the user's
        enter(window, u"PAT2Vorname="_s);
        enter(window, u"PATVorname=Jane"_s);
        QCOMPARE(initials->text(), u"JM"_s);
    }

    void birthDateIsRewrittenOnLeaving_data()
    {
        QTest::addColumn<bool>("registration");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("masked, without zeros") << true << u"1.2.1970"_s << u"01.02.1970"_s;
        QTest::newRow("masked, no such day") << true << u"31.02.1970"_s << u"31.02.1970"_s;
        QTest::newRow("server form") << false << u"1970-01-31"_s << u"31.01.1970"_s;
        QTest::newRow("not a date") << false << u"soon"_s << u"soon"_s;
    }

    void birthDateIsRewrittenOnLeaving()
    {
        QFETCH(bool, registration);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        ScriptedServer server;
        server.answer(listReply({kSmith}));
        PatientDesk desk(server.port());
        QWidget *window = nullptr;
        if (registration) {
            window = desk.newPatient();
        } else {
            auto *edit = desk.editPatient();
            findAndChoose(edit, u"smi"_s); // the details open once a patient is chosen
            window = edit;
        }
        const QString box = registration ? u"PatGebDatum"_s : u"PATGebDatum1"_s;
        enter(window, box + u'=' + typed);
        QCOMPARE(child<QLineEdit>(window, box)->text(), shown);
    }

    void cancelAsksBeforeClosing()
    {
        ScriptedServer server;
        PatientDesk desk(server.port());
        QPointer<NewPatientWindow> window = desk.newPatient();
        enter(window, u"PATNachname=Smith"_s);
        desk.prompts.answers = {Prompter::Answer::No, Prompter::Answer::Yes};
        QTest::mouseClick(child<QPushButton>(window, u"cmdCancel"_s), Qt::LeftButton);
        QCOMPARE(desk.prompts.shown.size(), 1);
        const PromptRecorder::Shown question = desk.prompts.shown.first();
        QCOMPARE(question.icon, Prompter::Icon::Question);
        QCOMPARE(question.title, u"New Patient"_s);
        QCOMPARE(question.text, u"Do you want to cancel 'Register New Patient'?"_s);
        QCOMPARE(question.buttons, Prompter::Buttons::YesNoDefaultNo);
        QVERIFY(window && window->isVisible());
        QCOMPARE(child<QLineEdit>(window, u"PATNachname"_s)->text(), u"Smith"_s);

        QTest::mouseClick(child<QPushButton>(window, u"cmdCancel"_s), Qt::LeftButton);
        QTRY_VERIFY(!window);
        QCOMPARE(desk.link().phase(), CommandLink::Phase::Idle);
    }

    // --- typed text that would break a request is refused before anything is sent

    void unsafeTextIsRefused_data()
    {
        QTest::addColumn<bool>("registration");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");

        QTest::newRow("bar in surname") << true << u"PATNachname"_s << u"Sm|ith"_s
                                        << u"The field 'Surname' must not contain '|', '/CMD' or line breaks."_s;
        QTest::newRow("line break in first name") << true << u"PATVorname"_s << u"Mary\r\nAnn"_s
                                                  << u"The field 'First Name' must not contain '|', '/CMD' or line breaks."_s;
        QTest::newRow("end marker in folder number")
            << true << u"PATID1"_s << u"1234/cmd5678"_s
            << u"The field 'Folder No' must not contain '|', '/CMD' or line breaks."_s;
        QTest::newRow("letter outside the code page")
            << true << u"PATNachname"_s << u"\u0141ukasz"_s
            << u"The field 'Surname' contains characters that cannot be sent to the server: \u0141"_s;
        QTest::newRow("bar in the surname pattern")
            << false << u"PATNachnameSearch"_s << u"smi|th"_s
            << u"The field 'Find Surname' must not contain '|', '/CMD' or line breaks."_s;
        QTest::newRow("line feed in the folder pattern")
            << false << u"PATID1Search"_s << u"123\n4"_s
            << u"The field 'Find Folder No' must not contain '|', '/CMD' or line breaks."_s;
        QTest::newRow("bar in the initials") << false << u"PAT2Vorname"_s << u"J|S"_s
                                             << u"The field 'Initials' must not contain '|', '/CMD' or line breaks."_s;
        QTest::newRow("birth date that is no date") << false << u"PATGebDatum1"_s << u"31.02.1970"_s
                                                    << u"The field 'Birthdate' must hold a valid date."_s;
    }

    void unsafeTextIsRefused()
    {
        QFETCH(bool, registration);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);

        ScriptedServer server;
        PatientDesk desk(server.port());
        QWidget *window = nullptr;
        QString button = u"cmdSave"_s;
        qsizetype sentBefore = 0;
        if (registration) {
            window = desk.newPatient();
            enterAll(window, {u"PATID1=12345678"_s, u"PATNachname=Smith"_s, u"PatGebDatum=31.01.1970"_s, u"Rasse=#0"_s});
        } else if (field.endsWith(u"Search"_s)) {
            window = desk.editPatient();
            button = u"cmdSearch"_s;
        } else {
            server.answer(listReply({kSmith}));
            auto *edit = desk.editPatient();
            findAndChoose(edit, u"smi"_s);
            QTRY_VERIFY(desk.idle());
            window = edit;
            sentBefore = 1;
        }
        // Pasted or filled in: what matters is what the field holds.
        child<QLineEdit>(window, field)->setText(text);
        QVERIFY(child<QPushButton>(window, button)->isEnabled());
        QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);

        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Warning);
        QCOMPARE(desk.prompts.shown.first().title, kTitle);
        QCOMPARE(desk.prompts.shown.first().text, message);
        QCOMPARE(desk.link().phase(), CommandLink::Phase::Idle); // no command was started
        QCOMPARE(server.requests.size(), sentBefore);
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    }

    // --- update

    void successfulUpdateRepeatsSearchOnSameConnection()
    {
        ScriptedServer server;
        server.answer(listReply({kSmith, "878|12345679|Smithers|Wayland|WS|1940-05-05|M|0"}));
        server.answer("1");
        server.stayQuiet(); // the repeated search, answered by hand below
        PatientDesk desk(server.port());
        auto *window = desk.editPatient();
        auto *list = child<PatientList>(window, u"PATList"_s);
        findAndChoose(window, u"smi"_s);
        QTRY_VERIFY(desk.idle());
        QCOMPARE(child<QLineEdit>(window, u"PATID"_s)->text(), u"877"_s);
        QCOMPARE(child<QComboBox>(window, u"Rasse"_s)->currentText(), u"White Male"_s);
        // A search refused for being too short does not become the search the update repeats.
        enter(window, u"PATNachnameSearch=ab"_s);
        QTest::mouseClick(child<QPushButton>(window, u"cmdSearch"_s), Qt::LeftButton);
        QCOMPARE(desk.prompts.shown.size(), 1);

        enter(window, u"PATVorname=Jon"_s);
        QTest::mouseClick(child<QPushButton>(window, u"cmdSave"_s), Qt::LeftButton);
        QTRY_COMPARE(server.requests.size(), 3);
        QCOMPARE(server.connectionBytes.size(), 2);
        QCOMPARE(server.connectionBytes.at(1),
                 QByteArray("CMDPATUPDATE|877|12345678|Smith|Jon|JS|1970-01-31|M|0/CMDCMDPATLIST|%|smi/CMD"));
        QTRY_COMPARE(list->topLevelItemCount(), 0); // cleared for the refreshed rows
        QVERIFY(!desk.link().isTimerActive());     // the repeated search waits without a time-out
        QCOMPARE(window->cursor().shape(), Qt::WaitCursor);

        server.sendNow(listReply({"877|12345678|Smith|Jon|JS|1970-01-31|M|0",
                                  "878|12345679|Smithers|Wayland|WS|1940-05-05|M|0"}));
        QTRY_COMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(PatientList::FirstName), u"Jon"_s);
        QTRY_VERIFY(desk.idle());
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(desk.prompts.shown.size(), 1); // the refreshed list is the confirmation
    }

    void choosingAPatientFillsTheDetails()
    {
        ScriptedServer server;
        server.answer(listReply({kSmith, "878|X1|Doe|Jane|JD|1980-12-24|F|2"}));
        PatientDesk desk(server.port());
        auto *window = desk.editPatient();
        findAndChoose(window, u"smi"_s);
        clickRow(child<PatientList>(window, u"PATList"_s), 1);
        QStringList shown;
        for (const QString &name : {u"PATID"_s, u"PATID1"_s, u"PATNachname"_s, u"PATVorname"_s, u"PAT2Vorname"_s,
                                    u"PATGebDatum1"_s, u"PATGeschlecht"_s})
            shown.append(child<QLineEdit>(window, name)->text());
        QCOMPARE(shown, (QStringList{u"878"_s, u"X1"_s, u"Doe"_s, u"Jane"_s, u"JD"_s, u"1980-12-24"_s, u"F"_s}));
        QCOMPARE(child<QComboBox>(window, u"Rasse"_s)->currentIndex(), 2);
        // Another surname leaves the initials as they are.
        enter(window, u"PATNachname=Roe"_s);
        QCOMPARE(child<QLineEdit>(window, u"PAT2Vorname"_s)->text(), u"JD"_s);
    }

    void cancelClosesUpdateWithoutQuestion()
    {
        ScriptedServer server;
        server.answer(listReply({kSmith}));
        PatientDesk desk(server.port());
        QPointer<EditPatientWindow> window = desk.editPatient();
        findAndChoose(window, u"smi"_s);
        QTest::mouseClick(child<QPushButton>(window, u"cmdCancel"_s), Qt::LeftButton);
        QTRY_VERIFY(!window);
        QVERIFY(desk.prompts.shown.isEmpty());
    }

    // --- against the reference server

    // Registration, search and update agree with the real server, apostrophes included.
    void patientRoundTripOnTheReferenceServer()
    {
        QTemporaryDir serverDir;
        ZelServer server;
        ZelServer::Options options;
        options.databasePath = serverDir.filePath(u"department.sqlite"_s);
        QString error;
        QVERIFY2(server.start(options, &error), qPrintable(error));
        PatientDesk desk(server.commandPort());

        QPointer<NewPatientWindow> registration = desk.newPatient();
        enterAll(registration, {u"PATID1=1234'5678"_s, u"PATNachname=O'Brien"_s, u"PATVorname=Mary"_s,
                                u"PatGebDatum=31.01.1970"_s, u"Rasse=#2"_s});
        QTest::mouseClick(child<QPushButton>(registration, u"cmdSave"_s), Qt::LeftButton);
        QTRY_VERIFY(!registration);
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().text, u"New patient registered successfully!"_s);

        // The same folder number again is refused by the check.
        registration = desk.newPatient();
        enterAll(registration, {u"PATID1=1234'5678"_s, u"PATNachname=Other"_s, u"PatGebDatum=01.01.1980"_s, u"Rasse=#0"_s});
        QTest::mouseClick(child<QPushButton>(registration, u"cmdSave"_s), Qt::LeftButton);
        QTRY_COMPARE(desk.prompts.shown.size(), 2);
        QCOMPARE(desk.prompts.shown.last().text, u"New patient not saved!\r\nFolderNo. already exists in Database!"_s);
        QTRY_VERIFY(desk.idle());
        // The window kept what was typed: with another folder number it goes through.
        QVERIFY(registration);
        enterAll(registration, {u"PATID1=12349999"_s});
        QTest::mouseClick(child<QPushButton>(registration, u"cmdSave"_s), Qt::LeftButton);
        QTRY_VERIFY(!registration);
        QCOMPARE(desk.prompts.shown.last().text, u"New patient registered successfully!"_s);

        auto *update = desk.editPatient();
        auto *list = child<PatientList>(update, u"PATList"_s);
        // Both are found by a folder number pattern.
        enter(update, u"PATID1Search=1234*"_s);
        QTest::mouseClick(child<QPushButton>(update, u"cmdSearch"_s), Qt::LeftButton);
        QTRY_COMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(column(list, PatientList::Surname), (QStringList{u"O'Brien"_s, u"Other"_s}));
        QTRY_VERIFY(desk.idle());
        enter(update, u"PATID1Search="_s);
        findAndChoose(update, u"o'b*"_s);
        QCOMPARE(PatientList::fields(list->topLevelItem(0)).mid(1),
                 (QStringList{u"1234'5678"_s, u"O'Brien"_s, u"Mary"_s, u"MO"_s, u"1970-01-31"_s, u"F"_s, u"2"_s}));
        QTRY_VERIFY(desk.idle());
        enterAll(update, {u"PATVorname=Mary Ann"_s, u"PATGebDatum1=1.2.1971"_s, u"Rasse=#0"_s});
        QTest::mouseClick(child<QPushButton>(update, u"cmdSave"_s), Qt::LeftButton);
        QTRY_VERIFY(desk.idle());
        QTRY_COMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(PatientList::fields(list->topLevelItem(0)).mid(1),
                 (QStringList{u"1234'5678"_s, u"O'Brien"_s, u"Mary Ann"_s, u"MO"_s, u"1971-02-01"_s, u"M"_s, u"0"_s}));
        QCOMPARE(desk.prompts.shown.size(), 3);

        // Everything is still there after the server restarts.
        server.stop();
        QVERIFY2(server.start(options, &error), qPrintable(error));
        desk.session.ServerPort = server.commandPort();
        enter(update, u"PATID1Search=1234*"_s);
        enter(update, u"PATNachnameSearch="_s);
        QTest::mouseClick(child<QPushButton>(update, u"cmdSearch"_s), Qt::LeftButton);
        QTRY_COMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(PatientList::fields(list->topLevelItem(0)).mid(1),
                 (QStringList{u"1234'5678"_s, u"O'Brien"_s, u"Mary Ann"_s, u"MO"_s, u"1971-02-01"_s, u"M"_s, u"0"_s}));
        QCOMPARE(PatientList::fields(list->topLevelItem(1)).mid(1, 2), (QStringList{u"12349999"_s, u"Other"_s}));
    }

    // --- the main window opens the patient windows

    void menuOpensOneTaskWindowAtATime()
    {
        ScriptedServer server;
        PatientDesk desk(server.port());
        QPointer<NewPatientWindow> registration = desk.newPatient();
        QCOMPARE(registration->windowTitle(), u"New Patient"_s);
        QCOMPARE(child<QLabel>(registration, u"lblHeading"_s)->text(), u"Register New Patient"_s);
        QCOMPARE(desk.main->workspace()->subWindowList().size(), 1);

        QVERIFY(desk.trigger(ToolIds::EditPatient)); // the toolbar's "Edit Patient"
        QTRY_VERIFY(!registration);
        const QList<QMdiSubWindow *> frames = desk.main->workspace()->subWindowList();
        QCOMPARE(frames.size(), 1);
        auto *update = qobject_cast<EditPatientWindow *>(frames.first()->widget());
        QVERIFY(update);
        QCOMPARE(update->objectName(), u"fEditPatient"_s);
        QCOMPARE(update->windowTitle(), u"Update Patient"_s);
        QVERIFY(frames.first()->isMaximized());
        QVERIFY(!child<QGroupBox>(update, u"fraDetails"_s)->isEnabled());

        auto *list = child<PatientList>(update, u"PATList"_s);
        QCOMPARE(list->columnCount(), 8);
        QCOMPARE(list->headerItem()->text(7), u"Race"_s);
        QVERIFY(list->isColumnHidden(PatientList::PatId));
        QVERIFY(list->isColumnHidden(PatientList::Sex));
        // The shown columns share the list's width: a fifth each, a tenth for initials and race.
        QCOMPARE(list->header()->sectionPosition(PatientList::FolderNo), 0);
        QCOMPARE(list->header()->length(), list->viewport()->width());
        QVERIFY(qAbs(list->columnWidth(PatientList::Surname) - 2 * list->columnWidth(PatientList::Initials)) <= 1);
    }
};

QTEST_MAIN(TestPatients)
#include "tst_patients.moc"
