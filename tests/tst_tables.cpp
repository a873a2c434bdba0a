#include "link/commandlink.h"
#include "support/desk.h"
#include "support/findchild.h"
#include "support/scriptedserver.h"
#include "tables/doctordialog.h"
#include "tables/doctorswindow.h"
#include "tables/locationdialog.h"
#include "tables/locationlist.h"
#include "tables/locationswindow.h"
#include "tables/proceduredialog.h"
#include "tables/procedureswindow.h"
#include "tables/tablelist.h"
#include "tables/tablerequests.h"
#include "tables/tablerules.h"
#include "zelserver.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kTitle = u"ZEL-Client"_s;

enum class Table { Locations, Doctors, Procedures };

// Records as the server sends them: locations id|name|flag, doctors id|name, procedures
// id|description|SpInvHead|SpInv|InvestType|code.
const QList<QByteArray> kLocations{"12|Ward A|1", "13|Ward B|0"};
const QList<QByteArray> kDoctors{"3|Dr T. Nkosi", "4|Dr S. Botha"};
const QList<QByteArray> kProcedures{"7|Chest X-ray PA|12|||87.44", "8|Skull X-ray|||Plain films|87.17"};

MenuId menuItem(Table table)
{
    switch (table) {
    case Table::Locations: return MenuIds::TableLocations;
    case Table::Doctors: return MenuIds::TableDoctors;
    case Table::Procedures: return MenuIds::TableProcedures;
    }
    return {};
}

QList<QByteArray> seedRecords(Table table)
{
    switch (table) {
    case Table::Locations: return kLocations;
    case Table::Doctors: return kDoctors;
    case Table::Procedures: return kProcedures;
    }
    return {};
}

// The field of a record that the list and the dialog show as the entry's name.
int nameField(Table table)
{
    switch (table) {
    case Table::Locations: return LocationList::Name;
    case Table::Doctors: return DoctorsWindow::Name;
    case Table::Procedures: return ProceduresWindow::Code;
    }
    return 0;
}

// The dialog's box that holds the name.
QString nameBox(Table table)
{
    switch (table) {
    case Table::Locations: return u"Location"_s;
    case Table::Doctors: return u"Doctor"_s;
    case Table::Procedures: return u"ICD9Code"_s;
    }
    return {};
}

QString dialogName(Table table)
{
    switch (table) {
    case Table::Locations: return u"fUtilAddEditLocation"_s;
    case Table::Doctors: return u"fUtilAddEditDoctor"_s;
    case Table::Procedures: return u"fUtilAddEditProcedure"_s;
    }
    return {};
}

// Opens a table from the Utilities menu and waits until its list is in and the window shows.
TableWindow *openTable(Desk &desk, Table table)
{
    TableWindow *window = nullptr;
    switch (table) {
    case Table::Locations: window = desk.open<LocationsWindow>(menuItem(table)); break;
    case Table::Doctors: window = desk.open<DoctorsWindow>(menuItem(table)); break;
    case Table::Procedures: window = desk.open<ProceduresWindow>(menuItem(table)); break;
    }
    if (!QTest::qWaitFor([&] { return window->isVisible() && desk.idle() && !window->list().isFilling(); }, 5000))
        return nullptr;
    return window;
}

QWidget *modal(const QString &name)
{
    QWidget *w = QApplication::activeModalWidget();
    return w && w->objectName() == name ? w : nullptr;
}

// Types into the boxes of a dialog: "name=text" for line edits and text boxes (a "\n" starts a new
// line), "Zel=1" / "Zel=0" for the check box.
void fill(QWidget *dialog, const QStringList &edits)
{
    for (const QString &edit : edits) {
        const qsizetype eq = edit.indexOf(u'=');
        const QString name = edit.left(eq);
        const QString text = edit.mid(eq + 1);
        if (auto *box = dialog->findChild<QPlainTextEdit *>(name)) {
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
            const QStringList lines = text.split(u'\n');
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (i > 0)
                    QTest::keyClick(box, Qt::Key_Return);
                QTest::keyClicks(box, lines.at(i));
            }
        } else if (auto *check = dialog->findChild<QCheckBox *>(name)) {
            if (check->isChecked() != (text == u"1"_s))
                QTest::mouseClick(check, Qt::LeftButton);
        } else {
            enter(dialog, edit);
        }
    }
}

// The user presses the right button on a row (-1: the empty part of the list) and clicks an item of
// the pop-up menu it brings up.
bool popUp(Desk &desk, TableList &list, int row, const QString &item)
{
    const QPoint at = row >= 0 ? list.visualItemRect(list.topLevelItem(row)).center()
                               : QPoint(20, list.viewport()->height() - 6);
    QTest::mousePress(list.viewport(), Qt::RightButton, {}, at);
    auto *menu = child<QMenu>(desk.main.get(), u"mnuContext"_s);
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000))
        return false;
    QAction *action = nullptr;
    for (QAction *a : menu->actions()) {
        if (a->text() == item)
            action = a;
    }
    if (!action)
        return false;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    return QTest::qWaitFor([menu] { return !menu->isVisible(); }, 2000);
}

void clickOk(QWidget *dialog)
{
    auto *ok = child<QPushButton>(dialog, u"cmdOK"_s);
    QVERIFY(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
}

// One request on a fresh connection to a server, and its whole reply.
QByteArray ask(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray reply;
    (void)QTest::qWaitFor([&] {
        reply += socket.readAll();
        return reply.contains("/CMDDATA\r\n") || (reply.startsWith("ERROR") && reply.contains("\r\n"));
    }, 10000);
    return reply;
}

int rowOf(const QTreeWidget &list, int field, const QString &text)
{
    return int(column(&list, field).indexOf(text));
}

} // namespace

Q_DECLARE_METATYPE(Table)

class TestTables : public QObject
{
    Q_OBJECT

private slots:
    // --- rules and request texts without windows

    void typedNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent");
        QTest::newRow("whole") << u"12"_s << u"12"_s;
        QTest::newRow("blanks around") << u" 7 "_s << u"7"_s;
        QTest::newRow("decimal comma") << u"1,5"_s << u"1.5"_s;
        QTest::newRow("decimal point") << u"-2.25"_s << u"-2.25"_s;
        QTest::newRow("exponent") << u"1e3"_s << u"1000"_s;
        QTest::newRow("small exponent") << u"25E-1"_s << u"2.5"_s;
        QTest::newRow("fraction only") << u".5"_s << u"0.5"_s;
        QTest::newRow("negative zero") << u"-0"_s << u"0"_s;
        QTest::newRow("leading zeros") << u"007"_s << u"7"_s;
        QTest::newRow("empty") << QString() << u"NULL"_s;
        QTest::newRow("two separators") << u"1,500.25"_s << u"NULL"_s;
        QTest::newRow("exponent without digits") << u"1e"_s << u"NULL"_s;
        QTest::newRow("text") << u"twelve"_s << u"NULL"_s;
        QTest::newRow("hexadecimal") << u"0x10"_s << u"NULL"_s;
        QTest::newRow("too large for a number") << u"1e999"_s << u"NULL"_s;
    }

    void typedNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        QCOMPARE(numberOrNull(typed), sent);
    }

    void visibilityFlags_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<int>("visible"); // -1: not a truth value
        QTest::newRow("1") << u"1"_s << 1;
        QTest::newRow("0") << u"0"_s << 0;
        QTest::newRow("True") << u"True"_s << 1;
        QTest::newRow("false in lower case") << u"false"_s << 0;
        QTest::newRow("-1") << u"-1"_s << 1;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("blanks") << u"  "_s << 0;
        QTest::newRow("yes") << u"yes"_s << -1;
    }

    void visibilityFlags()
    {
        QFETCH(QString, flag);
        QFETCH(int, visible);
        const std::optional<bool> value = truthValue(flag);
        QCOMPARE(value ? int(*value) : -1, visible);
    }

    void argumentTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("UpdateLocString") << UpdateLocString({u"12"_s, u"Ward A"_s, true}) << u"12|Ward A|1"_s;
        QTest::newRow("UpdateLocString with a quote")
            << UpdateLocString({u"12"_s, u"St Mary's"_s, false}) << u"12|St Mary''s|0"_s;
        QTest::newRow("InsertLocString") << InsertLocString({u"4711"_s, u"O'Brien Clinic"_s, true})
                                         << u"4711, 'O''Brien Clinic', 1"_s;
        QTest::newRow("UpdateDocString") << UpdateDocString({u"3"_s, u"Dr O'Neil"_s}) << u"3|Dr O''Neil"_s;
        QTest::newRow("InsertDocString") << InsertDocString({QString(), u"Dr O'Neil"_s}) << u"'Dr O''Neil'"_s;

        // SpInvHead 12, SpInv and InvestType empty.
        const ProcedureEntry twelve{u"7"_s, u"87.44"_s, u"Chest X-ray PA"_s, u"12"_s, QString(), QString()};
        QTest::newRow("UpdateProcString without InvestType ends with a bar")
            << UpdateProcString(twelve) << u"7|87.44|Chest X-ray PA|12|NULL|"_s;
        QTest::newRow("InsertProcString without InvestType")
            << InsertProcString(twelve) << u"'87.44', 'Chest X-ray PA', 12, NULL, Null"_s;
        const ProcedureEntry typed{u"9"_s, u"O'1"_s, u"Chest 'PA'\r\nerect"_s, u"1,5"_s, u"1e3"_s, u"Plain\nfilm's"_s};
        QTest::newRow("UpdateProcString with InvestType bare")
            << UpdateProcString(typed) << u"9|O''1|Chest ''PA''\nerect|1.5|1000|Plain\nfilm''s"_s;
        QTest::newRow("InsertProcString with InvestType quoted")
            << InsertProcString(typed) << u"'O''1', 'Chest ''PA''\nerect', 1.5, 1000, 'Plain\nfilm''s'"_s;
        QTest::newRow("SpInv not a number") << InsertProcString({{}, u"1"_s, u"a"_s, u"abc"_s, u"x1"_s, {}})
                                            << u"'1', 'a', NULL, NULL, Null"_s;
    }

    void argumentTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    // --- the table windows against a scripted server

    // What each table's windows send, byte for byte: the list, the save, and the reload after it on
    // the save's connection; the reloaded list replaces the old rows.
    void requestLines_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<int>("row");           // the row clicked for editing; -1: "New" from the pop-up
        QTest::addColumn<QStringList>("edits"); // typed into the dialog
        QTest::addColumn<QList<QByteArray>>("answers"); // after the list
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<QByteArray>("reloaded");        // the one record of the reload

        const QByteArray one = "1";
        QTest::newRow("rename a location without X")
            << Table::Locations << 1 << QStringList{u"Location=Ward B East"_s} << QList<QByteArray>{one}
            << QList<QByteArray>{"CMDRefphysall|List/CMD", "CMDRefphysupdate|13|Ward B East|0/CMD",
                                 "CMDRefphysall|List/CMD"}
            << QByteArray("13|Ward B East|0");
        QTest::newRow("withdraw a location")
            << Table::Locations << 0 << QStringList{u"Zel=0"_s} << QList<QByteArray>{one}
            << QList<QByteArray>{"CMDRefphysall|List/CMD", "CMDRefphysupdate|12|Ward A|0/CMD", "CMDRefphysall|List/CMD"}
            << QByteArray("12|Ward A|0");
        QTest::newRow("new location")
            << Table::Locations << -1 << QStringList{u"Location=O'Brien Clinic"_s, u"Zel=1"_s}
            << QList<QByteArray>{"4711", one}
            << QList<QByteArray>{"CMDRefphysall|List/CMD", "CMDNewID|tblUeberweiser/CMD",
                                 "CMDRefphysinsert|4711, 'O''Brien Clinic', 1/CMD", "CMDRefphysall|List/CMD"}
            << QByteArray("4711|O'Brien Clinic|1");
        QTest::newRow("rename a doctor")
            << Table::Doctors << 0 << QStringList{u"Doctor=Dr T. O'Nkosi"_s} << QList<QByteArray>{one}
            << QList<QByteArray>{"CMDDoclist|List/CMD", "CMDDocupdate|3|Dr T. O''Nkosi/CMD", "CMDDoclist|List/CMD"}
            << QByteArray("3|Dr T. O'Nkosi");
        // The referrer id drawn for a new doctor is not sent: the server gives the id.
        QTest::newRow("new doctor")
            << Table::Doctors << -1 << QStringList{u"Doctor=Dr New"_s} << QList<QByteArray>{"4711", one}
            << QList<QByteArray>{"CMDDoclist|List/CMD", "CMDNewID|tblUeberweiser/CMD", "CMDDocinsert|'Dr New'/CMD",
                                 "CMDDoclist|List/CMD"}
            << QByteArray("5|Dr New");
        QTest::newRow("procedure saved as it was")
            << Table::Procedures << 0 << QStringList{} << QList<QByteArray>{one}
            << QList<QByteArray>{"CMDProclist|List/CMD", "CMDICD9Update|7|87.44|Chest X-ray PA|12|NULL|/CMD",
                                 "CMDProclist|List/CMD"}
            << QByteArray("7|Chest X-ray PA|12|||87.44");
        QTest::newRow("procedure with another id, numbers and two lines")
            << Table::Procedures << 1
            << QStringList{u"ICD9ID= 9"_s, u"SpInvHead=1,5"_s, u"SpInv=1e3"_s, u"ICD9Description=Skull X-ray\nAP"_s,
                           u"InvestType=Plain 'films'"_s}
            << QList<QByteArray>{one}
            << QList<QByteArray>{"CMDProclist|List/CMD", "CMDICD9Update|9|87.17|Skull X-ray\nAP|1.5|1000|Plain ''films''/CMD",
                                 "CMDProclist|List/CMD"}
            << QByteArray("9|Skull X-ray\nAP|1.5|1000|Plain 'films'|87.17");
        QTest::newRow("new procedure")
            << Table::Procedures << -1 << QStringList{u"ICD9Code=88.01"_s, u"ICD9Description=CT abdomen"_s, u"SpInvHead=12"_s}
            << QList<QByteArray>{one}
            << QList<QByteArray>{"CMDProclist|List/CMD", "CMDICD9Insert|'88.01', 'CT abdomen', 12, NULL, Null/CMD",
                                 "CMDProclist|List/CMD"}
            << QByteArray("20|CT abdomen|12|||88.01");
        QTest::newRow("new procedure with InvestType")
            << Table::Procedures << -1
            << QStringList{u"ICD9Code=88.02"_s, u"ICD9Description=CT chest"_s, u"SpInv=x"_s, u"InvestType=Contrast"_s}
            << QList<QByteArray>{one}
            << QList<QByteArray>{"CMDProclist|List/CMD", "CMDICD9Insert|'88.02', 'CT chest', NULL, NULL, 'Contrast'/CMD",
                                 "CMDProclist|List/CMD"}
            << QByteArray("21|CT chest||||88.02");
    }

    void requestLines()
    {
        QFETCH(Table, table);
        QFETCH(int, row);
        QFETCH(QStringList, edits);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(QByteArray, reloaded);

        ScriptedServer server;
        server.answer(listReply(seedRecords(table)));
        for (const QByteArray &a : answers)
            server.answer(a);
        server.answer(listReply({reloaded}));
        Desk desk(server.port());
        TableWindow *window = openTable(desk, table);
        QVERIFY(window);
        if (row >= 0)
            clickRow(&window->list(), row);
        else
            QVERIFY(popUp(desk, window->list(), 0, u"New"_s));
        QWidget *dialog = modal(dialogName(table));
        QVERIFY(dialog);
        QTRY_VERIFY(desk.idle()); // a new entry's id request has been answered
        fill(dialog, edits);
        clickOk(dialog);

        QTRY_COMPARE(server.requests.size(), lines.size());
        QTRY_VERIFY(desk.idle());
        QCOMPARE(server.requests, lines);
        // The reload went out on the save's connection, right after it.
        QCOMPARE(server.connectionBytes.last(), lines.at(lines.size() - 2) + lines.last());
        QTRY_VERIFY(!modal(dialogName(table)));
        QTRY_VERIFY(!window->list().isFilling());
        const Record fields = QString::fromLatin1(reloaded).split(u'|');
        QCOMPARE(column(&window->list(), nameField(table)), QStringList{fields.at(nameField(table))});
        QCOMPARE(window->list().topLevelItem(0)->text(0), fields.at(0)); // every field in its column
        QVERIFY(desk.prompts.shown.isEmpty());
        QVERIFY(window->isVisible());
    }

    // Every list fills the same whether its reply comes whole, byte by byte or cut inside a record;
    // records of a procedure that lack fields are left out.
    void listsFillFromPieces_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<QList<QByteArray>>("pieces"); // one piece: sent byte by byte
        QTest::addColumn<int>("field");
        QTest::addColumn<QStringList>("shown");

        const QByteArray locations = listReply({"1|Ward A|1", "2|Ward B|0", "3|Ward C|", "4|Ward D|True"});
        QTest::newRow("locations byte by byte") << Table::Locations << QList<QByteArray>{locations}
                                                << int(LocationList::Visible)
                                                << QStringList{u"X"_s, QString(), QString(), u"X"_s};
        QTest::newRow("locations cut inside a record")
            << Table::Locations << QList<QByteArray>{locations.left(25), locations.mid(25, 3), locations.mid(28)}
            << int(LocationList::Name) << QStringList{u"Ward A"_s, u"Ward B"_s, u"Ward C"_s, u"Ward D"_s};
        const QByteArray doctors = listReply({"1|Dr A", "2|Dr B", "3|Dr C"});
        QTest::newRow("doctors byte by byte") << Table::Doctors << QList<QByteArray>{doctors} << int(DoctorsWindow::Name)
                                              << QStringList{u"Dr A"_s, u"Dr B"_s, u"Dr C"_s};
        QTest::newRow("doctors cut inside a record")
            << Table::Doctors << QList<QByteArray>{doctors.left(14), doctors.mid(14)} << int(DoctorsWindow::Id)
            << QStringList{u"1"_s, u"2"_s, u"3"_s};
        const QByteArray procedures = listReply({"1|Chest|1|2|Plain|87.44", "2|Skull X-ray|||Two\nlines|87.17"});
        QTest::newRow("procedures byte by byte") << Table::Procedures << QList<QByteArray>{procedures}
                                                 << int(ProceduresWindow::InvestType)
                                                 << QStringList{u"Plain"_s, u"Two\nlines"_s};
        QTest::newRow("procedures cut inside a record and a short one left out")
            << Table::Procedures
            << QList<QByteArray>{"CMDDATA\r\n1|Chest|1|2|Plain|87.44\r\n2|Sk", "ull|||Two\nlines|87.17\r\n3|Broken|87.99\r\n",
                                 "/CMDDATA\r\n"}
            << int(ProceduresWindow::Code) << QStringList{u"87.44"_s, u"87.17"_s};
    }

    void listsFillFromPieces()
    {
        QFETCH(Table, table);
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, field);
        QFETCH(QStringList, shown);

        ScriptedServer server;
        server.pieceDelayMs = 2;
        if (pieces.size() == 1)
            server.answer(pieces.first(), ScriptedServer::Split::ByteByByte);
        else
            server.answerInPieces(pieces);
        Desk desk(server.port());
        TableWindow *window = openTable(desk, table);
        QVERIFY(window);
        QCOMPARE(column(&window->list(), field), shown);
        QVERIFY(desk.prompts.shown.isEmpty());
        QCOMPARE(desk.main->cursor().shape(), Qt::ArrowCursor);
    }

    // A record cut across data events waits for its rest; the window shows once the list is in.
    void splitRecordIsShownWhenRestArrives_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("rest");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("locations") << Table::Locations << QByteArray("CMDDATA\r\n1|Ward A|1\r\n2|Ward B|0\r\n3|Wa")
                                   << QByteArray("rd C|1\r\n/CMDDATA\r\n")
                                   << QStringList{u"Ward A"_s, u"Ward B"_s, u"Ward C"_s};
        QTest::newRow("doctors") << Table::Doctors << QByteArray("CMDDATA\r\n1|Dr A\r\n2|Dr B\r\n3|Dr")
                                 << QByteArray(" C\r\n/CMDDATA\r\n") << QStringList{u"Dr A"_s, u"Dr B"_s, u"Dr C"_s};
        QTest::newRow("procedures") << Table::Procedures
                                    << QByteArray("CMDDATA\r\n1|A|||x|1.1\r\n2|B|||y|2.2\r\n3|C||")
                                    << QByteArray("|z|3.3\r\n/CMDDATA\r\n") << QStringList{u"1.1"_s, u"2.2"_s, u"3.3"_s};
    }

    void splitRecordIsShownWhenRestArrives()
    {
        QFETCH(Table, table);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, rest);
        QFETCH(QStringList, names);

        ScriptedServer server;
        server.stayQuiet();
        Desk desk(server.port());
        QVERIFY(desk.trigger(menuItem(table)));
        auto *window = desk.main->findChild<TableWindow *>();
        QVERIFY(window);
        QTRY_COMPARE(server.requests.size(), 1);
        server.sendNow(first);
        QTRY_COMPARE(window->list().topLevelItemCount(), 2);
        QVERIFY(desk.link().isConnected());
        QVERIFY(!window->isVisible());
        server.sendNow(rest);
        QTRY_COMPARE(window->list().topLevelItemCount(), 3);
        QCOMPARE(column(&window->list(), nameField(table)), names);
        QTRY_VERIFY(desk.idle());
        QTRY_VERIFY(window->isVisible());
    }

    // A location or doctor record that cannot be read ends the filling: the rows before it are shown
    // and the failure is reported; the connection is closed.
    void unreadableRecordEndsTheFill_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<QList<QByteArray>>("records");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("message");
        QTest::newRow("flag that is no truth value")
            << Table::Locations << QList<QByteArray>{"12|Ward A|1", "14|Ward C|maybe", "13|Ward B|0"}
            << QStringList{u"Ward A"_s}
            << u"Error #13\r\n\r\nThe visibility flag 'maybe' of the referring location 14 is not a truth value"_s;
        QTest::newRow("location without its flag")
            << Table::Locations << QList<QByteArray>{"14|Ward C", "12|Ward A|1"} << QStringList{}
            << u"Error #9\r\n\r\nA referring location from the server has fewer than three fields: 14|Ward C"_s;
        QTest::newRow("doctor without a name")
            << Table::Doctors << QList<QByteArray>{"3|Dr T. Nkosi", "4"} << QStringList{u"Dr T. Nkosi"_s}
            << u"Error #9\r\n\r\nA doctor from the server has fewer than two fields: 4"_s;
    }

    void unreadableRecordEndsTheFill()
    {
        QFETCH(Table, table);
        QFETCH(QList<QByteArray>, records);
        QFETCH(QStringList, names);
        QFETCH(QString, message);

        ScriptedServer server;
        server.answer(listReply(records));
        Desk desk(server.port());
        TableWindow *window = openTable(desk, table);
        QVERIFY(window);
        QCOMPARE(column(&window->list(), nameField(table)), names);
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Error);
        QCOMPARE(desk.prompts.shown.first().title, u"DataArrival"_s);
        QCOMPARE(desk.prompts.shown.first().text, message);
    }

    // The pop-up menu of the main window acts on the table that was pressed: "Edit" opens that
    // table's dialog for its row, "New" opens it empty. The locations and doctors take the row the
    // right press chose, the procedures the row clicked last; without a row "Edit" opens nothing.
    void popUpMenuEditsAndAddsPerWindow_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<QString>("edited"); // what "Edit" shows after row 1 was clicked and row 0 pressed
        QTest::newRow("locations") << Table::Locations << u"Ward A"_s;
        QTest::newRow("doctors") << Table::Doctors << u"Dr T. Nkosi"_s;
        QTest::newRow("procedures") << Table::Procedures << u"87.17"_s;
    }

    void popUpMenuEditsAndAddsPerWindow()
    {
        QFETCH(Table, table);
        QFETCH(QString, edited);

        ScriptedServer server;
        server.answer(listReply(seedRecords(table)));
        server.answer("4711"); // the id request of a new location or doctor
        Desk desk(server.port());
        TableWindow *window = openTable(desk, table);
        QVERIFY(window);
        TableList &list = window->list();

        // Nothing chosen yet: "Edit" has no row to open.
        QVERIFY(popUp(desk, list, -1, u"Edit"_s));
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(desk.session.TargetWindow.data(), static_cast<QObject *>(window));

        clickRow(&list, 1);
        QWidget *dialog = modal(dialogName(table));
        QVERIFY(dialog);
        QCOMPARE(child<QLineEdit>(dialog, nameBox(table))->text(), QString::fromLatin1(seedRecords(table).at(1).split('|').at(nameField(table))));
        QTest::mouseClick(child<QPushButton>(dialog, u"cmdCancel"_s), Qt::LeftButton);
        QTRY_VERIFY(!modal(dialogName(table)));

        QVERIFY(popUp(desk, list, 0, u"Edit"_s));
        dialog = modal(dialogName(table));
        QVERIFY(dialog);
        QVERIFY(window->isEditing());
        QCOMPARE(child<QLineEdit>(dialog, nameBox(table))->text(), edited);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!modal(dialogName(table)));

        QVERIFY(popUp(desk, list, 0, u"New"_s));
        dialog = modal(dialogName(table));
        QVERIFY(dialog);
        QVERIFY(!window->isEditing());
        QCOMPARE(child<QLineEdit>(dialog, nameBox(table))->text(), QString());
        QVERIFY(!child<QPushButton>(dialog, u"cmdOK"_s)->isEnabled());
        QTRY_VERIFY(desk.idle());
        const qsizetype idRequests = table == Table::Procedures ? 0 : 1;
        QCOMPARE(server.requests.size(), 1 + idRequests);
        if (table == Table::Locations)
            QCOMPARE(child<QLabel>(dialog, u"ID"_s)->text(), u"4711"_s);
        if (table == Table::Doctors)
            QCOMPARE(child<QLabel>(dialog, u"ID"_s)->text(), QString()); // the referrer id is not the doctor's
        QVERIFY(desk.prompts.shown.isEmpty());
    }

    // A failed save says so; the location dialog closes with its input, the doctor and procedure
    // dialogs stay open with theirs for another try. The list is not touched.
    void failedSaves_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<int>("row"); // -1: a new entry
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("location") << Table::Locations << 0 << QStringList{u"Location=Ward X"_s}
                                  << u"Changes not saved!"_s << false;
        QTest::newRow("new location") << Table::Locations << -1 << QStringList{u"Location=Ward X"_s}
                                      << u"Changes not saved!"_s << false;
        QTest::newRow("doctor") << Table::Doctors << 0 << QStringList{u"Doctor=Dr X"_s}
                                << u"Changes not saved, please try again!"_s << true;
        QTest::newRow("new doctor") << Table::Doctors << -1 << QStringList{u"Doctor=Dr X"_s}
                                    << u"Changes not saved, please try again!"_s << true;
        QTest::newRow("procedure") << Table::Procedures << 0 << QStringList{u"ICD9Code=X.1"_s}
                                   << u"Changes not saved, please try again!"_s << true;
        QTest::newRow("new procedure") << Table::Procedures << -1
                                       << QStringList{u"ICD9Code=X.1"_s, u"ICD9Description=New"_s}
                                       << u"New procedure not saved, please try again!"_s << true;
    }

    void failedSaves()
    {
        QFETCH(Table, table);
        QFETCH(int, row);
        QFETCH(QStringList, edits);
        QFETCH(QString, message);
        QFETCH(bool, staysOpen);

        ScriptedServer server;
        server.answer(listReply(seedRecords(table)));
        if (row < 0 && table != Table::Procedures)
            server.answer("4711");
        server.answer("0");
        Desk desk(server.port());
        TableWindow *window = openTable(desk, table);
        QVERIFY(window);
        if (row >= 0)
            clickRow(&window->list(), row);
        else
            QVERIFY(popUp(desk, window->list(), 0, u"New"_s));
        QPointer<QWidget> dialog = modal(dialogName(table));
        QVERIFY(dialog);
        QTRY_VERIFY(desk.idle());
        fill(dialog, edits);
        clickOk(dialog);
        QTRY_COMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Error);
        QCOMPARE(desk.prompts.shown.first().title, kTitle);
        QCOMPARE(desk.prompts.shown.first().text, message);
        QTRY_VERIFY(desk.idle());
        if (staysOpen) {
            QVERIFY(modal(dialogName(table)));
            QCOMPARE(child<QLineEdit>(dialog, nameBox(table))->text(), edits.first().section(u'=', 1));
            QVERIFY(child<QPushButton>(dialog, u"cmdOK"_s)->isEnabled());
            QCOMPARE(dialog->cursor().shape(), Qt::ArrowCursor);
        } else {
            QTRY_VERIFY(!dialog);
        }
        QCOMPARE(window->list().topLevelItemCount(), 2);
    }

    // The id of a new location: taken into the dialog, or, when the server gives none, the dialog
    // closes with a message. The doctor dialog asks too but takes nothing of the answer.
    void referrerIdOutcomes_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("message");
        QTest::newRow("location gets its id") << Table::Locations << QByteArray("4711") << true << u"4711"_s << false;
        QTest::newRow("location without an id") << Table::Locations << QByteArray("0") << false << QString() << true;
        QTest::newRow("doctor ignores the id") << Table::Doctors << QByteArray("4711") << true << QString() << false;
        QTest::newRow("doctor without an id") << Table::Doctors << QByteArray("NO DATA") << true << QString() << true;
    }

    void referrerIdOutcomes()
    {
        QFETCH(Table, table);
        QFETCH(QByteArray, reply);
        QFETCH(bool, open);
        QFETCH(QString, id);
        QFETCH(bool, message);

        ScriptedServer server;
        server.answer(listReply(seedRecords(table)));
        server.answer(reply);
        Desk desk(server.port());
        TableWindow *window = openTable(desk, table);
        QVERIFY(window);
        QVERIFY(popUp(desk, window->list(), -1, u"New"_s));
        QPointer<QWidget> dialog = modal(dialogName(table));
        QVERIFY(dialog);
        QTRY_VERIFY(desk.idle());
        QCOMPARE(server.requests.last(), QByteArray("CMDNewID|tblUeberweiser/CMD"));
        QTRY_COMPARE(bool(dialog), open);
        if (open) {
            QCOMPARE(child<QLabel>(dialog, u"ID"_s)->text(), id);
            // "OK" waits for a name; the location's also for its id.
            auto *ok = child<QPushButton>(dialog, u"cmdOK"_s);
            QVERIFY(!ok->isEnabled());
            fill(dialog, {nameBox(table) + u"=Someone"_s});
            QVERIFY(ok->isEnabled());
            QCOMPARE(dialog->cursor().shape(), Qt::ArrowCursor);
        }
        QCOMPARE(desk.prompts.shown.size(), message ? 1 : 0);
        if (message) {
            QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Error);
            QCOMPARE(desk.prompts.shown.first().text, u"ZEL-Server on '127.0.0.1' does not respond correctly!"_s);
        }
    }

    // "OK" is there only once the required boxes are filled; Escape cancels, also in the procedure
    // dialog, and nothing is sent.
    void okNeedsTheRequiredBoxesAndEscapeCancels_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<QStringList>("missing");  // "OK" stays disabled
        QTest::addColumn<QStringList>("complete"); // then it is enabled
        QTest::newRow("location") << Table::Locations << QStringList{u"Location="_s} << QStringList{u"Location=W"_s};
        QTest::newRow("doctor") << Table::Doctors << QStringList{u"Doctor="_s} << QStringList{u"Doctor=D"_s};
        QTest::newRow("procedure without description")
            << Table::Procedures << QStringList{u"ICD9Code=1"_s, u"ICD9Description="_s}
            << QStringList{u"ICD9Description=d"_s};
        QTest::newRow("procedure without code")
            << Table::Procedures << QStringList{u"ICD9Code="_s} << QStringList{u"ICD9Code=c"_s};
    }

    void okNeedsTheRequiredBoxesAndEscapeCancels()
    {
        QFETCH(Table, table);
        QFETCH(QStringList, missing);
        QFETCH(QStringList, complete);

        ScriptedServer server;
        server.answer(listReply(seedRecords(table)));
        Desk desk(server.port());
        TableWindow *window = openTable(desk, table);
        QVERIFY(window);
        clickRow(&window->list(), 0);
        QPointer<QWidget> dialog = modal(dialogName(table));
        QVERIFY(dialog);
        auto *ok = child<QPushButton>(dialog, u"cmdOK"_s);
        QVERIFY(ok->isEnabled());
        fill(dialog, missing);
        QVERIFY(!ok->isEnabled());
        QTest::keyClick(child<QLineEdit>(dialog, nameBox(table)), Qt::Key_Return); // the default button is off too
        fill(dialog, complete);
        QVERIFY(ok->isEnabled());
        QTest::keyClick(child<QLineEdit>(dialog, nameBox(table)), Qt::Key_Escape);
        QTRY_VERIFY(!dialog);
        QCOMPARE(server.requests.size(), 1);
        QVERIFY(desk.idle());
        // The procedures window is back to new entries once its dialog has closed.
        QVERIFY(table != Table::Procedures || !window->isEditing());
    }

    // Typed text that would break a request is refused with a message naming the field; the dialog
    // stays and nothing is sent.
    void unsafeTextIsRefused_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("bar in a location") << Table::Locations << u"Location"_s << u"Ward|A"_s
                                           << u"The field 'Location' must not contain '|', '/CMD' or line breaks."_s;
        QTest::newRow("line break in a doctor") << Table::Doctors << u"Doctor"_s << u"Dr\r\nX"_s
                                                << u"The field 'Doctor' must not contain '|', '/CMD' or line breaks."_s;
        QTest::newRow("end marker in a code") << Table::Procedures << u"ICD9Code"_s << u"87/cmd44"_s
                                              << u"The field 'Code' must not contain '|', '/CMD' or line breaks."_s;
        QTest::newRow("bar in a description") << Table::Procedures << u"ICD9Description"_s << u"Chest|PA"_s
                                              << u"The field 'Description' must not contain '|' or '/CMD'."_s;
        QTest::newRow("letter outside the code page")
            << Table::Procedures << u"InvestType"_s << u"\u0141odz"_s
            << u"The field 'InvestType' contains characters that cannot be sent to the server: \u0141"_s;
        QTest::newRow("id that is no whole number") << Table::Procedures << u"ICD9ID"_s << u"7a"_s
                                                    << u"The field 'ID' must hold a whole number above 0."_s;
        QTest::newRow("id of zero") << Table::Procedures << u"ICD9ID"_s << u"0"_s
                                    << u"The field 'ID' must hold a whole number above 0."_s;
    }

    void unsafeTextIsRefused()
    {
        QFETCH(Table, table);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, message);

        ScriptedServer server;
        server.answer(listReply(seedRecords(table)));
        Desk desk(server.port());
        TableWindow *window = openTable(desk, table);
        QVERIFY(window);
        clickRow(&window->list(), 0);
        QWidget *dialog = modal(dialogName(table));
        QVERIFY(dialog);
        // Pasted or typed: what matters is what the box holds.
        if (auto *lines = dialog->findChild<QPlainTextEdit *>(box))
            lines->setPlainText(text);
        else
            child<QLineEdit>(dialog, box)->setText(text);
        clickOk(dialog);
        QCOMPARE(desk.prompts.shown.size(), 1);
        QCOMPARE(desk.prompts.shown.first().icon, Prompter::Icon::Warning);
        QCOMPARE(desk.prompts.shown.first().title, kTitle);
        QCOMPARE(desk.prompts.shown.first().text, message);
        QCOMPARE(server.requests.size(), 1);
        QVERIFY(desk.idle());
        QCOMPARE(modal(dialogName(table)), dialog);
        QVERIFY(child<QPushButton>(dialog, u"cmdOK"_s)->isEnabled());
    }

    // --- against the reference server

    // One entry added and renamed in each table, each time listed again from the server; what the
    // examination windows load has the new referrer and the new procedure, and a description of two
    // lines comes back with its line break.
    void tablesRoundTripOnTheReferenceServer()
    {
        QTemporaryDir serverDir;
        ZelServer server;
        ZelServer::Options options;
        options.databasePath = serverDir.filePath(u"department.sqlite"_s);
        options.seed = u"demo"_s;
        options.passwordIterations = 500;
        QString error;
        QVERIFY2(server.start(options, &error), qPrintable(error));
        Desk desk(server.commandPort());

        const auto addAndRename = [&](Table table, const QStringList &added, const QString &name, const QString &renamed) {
            TableWindow *window = openTable(desk, table);
            QVERIFY(window);
            const int before = window->list().topLevelItemCount();
            QVERIFY(before > 0);
            QVERIFY(popUp(desk, window->list(), 0, u"New"_s));
            QWidget *dialog = modal(dialogName(table));
            QVERIFY(dialog);
            QTRY_VERIFY(desk.idle());
            fill(dialog, added);
            clickOk(dialog);
            QTRY_VERIFY(!modal(dialogName(table)));
            QTRY_VERIFY(desk.idle() && !window->list().isFilling());
            QCOMPARE(window->list().topLevelItemCount(), before + 1);
            const int row = rowOf(window->list(), nameField(table), name);
            QVERIFY2(row >= 0, qPrintable(name));

            clickRow(&window->list(), row);
            dialog = modal(dialogName(table));
            QVERIFY(dialog);
            fill(dialog, {nameBox(table) + u'=' + renamed});
            clickOk(dialog);
            QTRY_VERIFY(!modal(dialogName(table)));
            QTRY_VERIFY(desk.idle() && !window->list().isFilling());
            QCOMPARE(window->list().topLevelItemCount(), before + 1);
            QCOMPARE(rowOf(window->list(), nameField(table), name), -1);
            QVERIFY(rowOf(window->list(), nameField(table), renamed) >= 0);
            QVERIFY(desk.prompts.shown.isEmpty());
        };

        addAndRename(Table::Locations, {u"Location=O'Brien Eye Clinic"_s, u"Zel=1"_s}, u"O'Brien Eye Clinic"_s,
                     u"O'Brien Eye Clinic North"_s);
        addAndRename(Table::Doctors, {u"Doctor=Dr K. O'Reilly"_s}, u"Dr K. O'Reilly"_s, u"Dr K. O'Reilly-Ndlovu"_s);
        addAndRename(Table::Procedures,
                     {u"ICD9Code=99.'1"_s, u"ICD9Description=Bone density\nlumbar spine"_s, u"SpInvHead=2"_s,
                      u"SpInv=1,0"_s},
                     u"99.'1"_s, u"99.'2"_s);

        // The renamed procedure keeps its two lines.
        auto *procedures = desk.main->findChild<ProceduresWindow *>();
        QVERIFY(procedures);
        const int row = rowOf(procedures->procedures(), ProceduresWindow::Code, u"99.'2"_s);
        QCOMPARE(procedures->procedures().topLevelItem(row)->text(ProceduresWindow::Description),
                 u"Bone density\nlumbar spine"_s);
        QCOMPARE(procedures->procedures().topLevelItem(row)->text(ProceduresWindow::SpInv), u"1"_s);
        // The list shows both lines on one.
        auto *delegate = qobject_cast<QStyledItemDelegate *>(procedures->procedures().itemDelegate());
        QVERIFY(delegate);
        QCOMPARE(delegate->displayText(u"Bone density\nlumbar spine"_s, QLocale()), u"Bone density lumbar spine"_s);
        clickRow(&procedures->procedures(), row);
        QWidget *dialog = modal(dialogName(Table::Procedures));
        QVERIFY(dialog);
        QCOMPARE(child<QPlainTextEdit>(dialog, u"ICD9Description"_s)->toPlainText(), u"Bone density\nlumbar spine"_s);
        QTest::keyClick(dialog, Qt::Key_Escape);

        // What the examination windows and the report window load.
        const QByteArray referrers = ask(server.commandPort(), "CMDRefPhys|List/CMD");
        QVERIFY(referrers.contains("|O'Brien Eye Clinic North\r\n"));
        const QByteArray procedureList = ask(server.commandPort(), "CMDProclist|List/CMD");
        QVERIFY(procedureList.contains("|Bone density\nlumbar spine|2|1||99.'2\r\n"));
        QVERIFY(ask(server.commandPort(), "CMDDoclist|List/CMD").contains("|Dr K. O'Reilly-Ndlovu\r\n"));
    }
};

QTEST_MAIN(TestTables)
#include "tst_tables.moc"
