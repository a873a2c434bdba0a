#include "screens.h"

#include "support/desk.h"
#include "tables/doctorswindow.h"
#include "tables/locationswindow.h"
#include "tables/procedureswindow.h"
#include "tables/tablelist.h"

#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

template <typename Window>
Window *openTable(ScreenContext &c, MenuId item)
{
    auto *window = c.desk.open<Window>(item);
    (void)QTest::qWaitFor([&] { return window->isVisible() && c.desk.idle() && !window->list().isFilling(); }, 5000);
    QTest::qWait(100); // the list lays out its scroll bar after the last rows
    return window;
}

// Clicks the row of the list whose field holds the text; the row's dialog opens.
QWidget *editRow(TableList &list, int field, const QString &text)
{
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        if (list.topLevelItem(row)->text(field) == text) {
            list.scrollToItem(list.topLevelItem(row));
            clickRow(&list, row);
            break;
        }
    }
    QApplication::processEvents();
    return QApplication::activeModalWidget();
}

void closeModal()
{
    if (QWidget *dialog = QApplication::activeModalWidget())
        dialog->close();
    QApplication::processEvents();
}

const bool registered = addScreen(u"tables"_s, [](ScreenContext &c) {
    auto *locations = openTable<LocationsWindow>(c, MenuIds::TableLocations);
    c.shot(c.desk.main.get(), u"fUtilLocations"_s);
    // A withdrawn location: no X, the box cleared.
    if (QWidget *dialog = editRow(locations->list(), 1, u"Old Ward D"_s))
        c.shot(dialog, u"fUtilAddEditLocation"_s);
    closeModal();
    // The shared pop-up menu at a row.
    TableList &list = locations->list();
    QTest::mousePress(list.viewport(), Qt::RightButton, {}, list.visualItemRect(list.topLevelItem(2)).center());
    if (auto *menu = c.desk.main->findChild<QMenu *>(u"mnuContext"_s)) {
        (void)QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000);
        c.shot(menu, u"mnuContext"_s);
        menu->close();
    }

    auto *doctors = openTable<DoctorsWindow>(c, MenuIds::TableDoctors);
    c.shot(c.desk.main.get(), u"fUtilDoctors"_s);
    if (QWidget *dialog = editRow(doctors->list(), DoctorsWindow::Name, u"Dr A. van der Merwe"_s))
        c.shot(dialog, u"fUtilAddEditDoctor"_s);
    closeModal();

    auto *procedures = openTable<ProceduresWindow>(c, MenuIds::TableProcedures);
    // A second text of two lines, saved: the list shows it on one line, the dialog as it was typed.
    if (QWidget *dialog = editRow(procedures->list(), ProceduresWindow::Code, u"87.44"_s)) {
        if (auto *investType = dialog->findChild<QPlainTextEdit *>(u"InvestType"_s))
            investType->setPlainText(u"Plain film, erect\nPA and lateral if requested"_s);
        if (auto *ok = dialog->findChild<QPushButton *>(u"cmdOK"_s))
            ok->click();
        (void)QTest::qWaitFor([&] { return !QApplication::activeModalWidget() && c.desk.idle()
                                           && !procedures->list().isFilling(); }, 5000);
    }
    c.shot(c.desk.main.get(), u"fUtilProcedures"_s);
    if (QWidget *dialog = editRow(procedures->list(), ProceduresWindow::Code, u"87.44"_s))
        c.shot(dialog, u"fUtilAddEditProcedure"_s);
    closeModal();
});

} // namespace
