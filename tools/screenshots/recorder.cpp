#include "screens.h"

#include "reports/recorderwindow.h"
#include "reports/recorderworkfile.h"
#include "support/desk.h"
#include "support/recorderfakes.h"
#include "zelserver.h"

#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray silence(qint64 ms)
{
    const QAudioFormat format = AudioMediaControl::dictationFormat();
    const qint64 bytes = MediaWave::bytesAt(format, ms);
    return MediaWave::header(format, bytes) + QByteArray(qsizetype(bytes), '\0');
}

// The recorder as "Voice Report" opens it, on a dictation a minute and a half long, then the same
// window listening to a dictation from the server. The devices are stand-ins: a picture needs no
// sound.
const bool registered = addScreen(u"recorder"_s, [](ScreenContext &c) {
    QSqlQuery study(c.server.database().connection());
    if (study.exec(u"SELECT StudyUID FROM tblStudies ORDER BY StudyID"_s) && study.next())
        c.desk.session.StudyUid = study.value(0).toString();
    RecorderDevices devices;
    auto fake = std::make_unique<ScriptedMedia>();
    ScriptedMedia *media = fake.get();
    devices.media = std::move(fake);
    devices.footSwitch = std::make_unique<FakeFootSwitch>();
    RecorderWindow *window = openVoiceRecorder(
        c.desk.main->context(), VoiceReport{u"Botha Anna"_s, u"0004711"_s, u"12345678"_s, u"Dr. T. Naidoo"_s},
        c.desk.main.get(), std::move(devices));
    QTRY_VERIFY_WITH_TIMEOUT(c.desk.idle(), 5000);

    QTest::mouseClick(window->findChild<QPushButton *>(u"OptSteuer(6)"_s), Qt::LeftButton);
    media->set(u"capture"_s, 83500, 83500);
    window->transport().tick();
    QTest::mouseClick(window->findChild<QPushButton *>(u"OptSteuer(2)"_s), Qt::LeftButton);
    media->set(u"capture"_s, 83500, 53300);
    window->transport().tick();
    QTest::mouseClick(window->findChild<QPushButton *>(u"OptSteuer(1)"_s), Qt::LeftButton);
    c.shot(window, u"frmRecordWave"_s);

    QFile file(RecorderWorkFile(c.desk.dir.path()).path());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(silence(47000));
        file.close();
        window->showRecorderStatus(u"Audio-Report loaded (Player-Mode)"_s);
        window->PlayReceived();
        media->set(u"sound"_s, 47000, 12600);
        window->transport().tick();
        c.shot(window, u"frmRecordWave-player"_s);
    }
    window->transport().markSaved();
    window->close();
});

} // namespace
