#include "screens.h"

#include "patients/editpatientwindow.h"
#include "patients/newpatientwindow.h"
#include "support/desk.h"

#include <QPushButton>
#include <QTreeWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const bool registered = addScreen(u"patients"_s, [](ScreenContext &c) {
    auto *registration = c.desk.open<NewPatientWindow>(MenuIds::NewPatient);
    enterAll(registration, {u"PATID1=12345678"_s, u"PATNachname=O'Brien"_s, u"PATVorname=Mary"_s,
                            u"PatGebDatum=31.01.1970"_s, u"Rasse=#1"_s});
    c.shot(c.desk.main.get(), u"fNewPatient"_s);

    auto *update = c.desk.open<EditPatientWindow>(MenuIds::UpdatePatient);
    enter(update, u"PATNachnameSearch=Bot*"_s);
    QTest::mouseClick(update->findChild<QPushButton *>(u"cmdSearch"_s), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(update->findChild<QTreeWidget *>(u"PATList"_s)->topLevelItemCount() > 0, 5000);
    clickRow(update->findChild<QTreeWidget *>(u"PATList"_s), 0);
    c.shot(c.desk.main.get(), u"fEditPatient"_s);
});

} // namespace
