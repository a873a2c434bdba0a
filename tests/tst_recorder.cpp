// The dictation recorder against fake devices and a scripted server: the transport's arithmetic, the
// foot switch, Recorder.ini, the media command strings, wave files, and the dictation's way to the
// server and back.

#include "core/logbook.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "reports/footswitch.h"
#include "reports/mediaaudio.h"
#include "reports/mediacommand.h"
#include "reports/mediawave.h"
#include "reports/recorderhosts.h"
#include "reports/recorderini.h"
#include "reports/recordertransfer.h"
#include "reports/recordertransport.h"
#include "reports/recorderwindow.h"
#include "reports/recorderworkfile.h"
#include "support/findchild.h"
#include "support/promptrecorder.h"
#include "support/recorderfakes.h"
#include "support/scripteddialogs.h"
#include "support/scriptedserver.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using Button = RecorderTransport::Button;

Q_DECLARE_METATYPE(DictationHeader)

namespace {

const QString kUid = u"2.25.4711"_s;
const QString kTitle = u"ZEL-Client"_s;
const QByteArray kRepSend = "CMDRepSend|17, 123, 123, '2.25.4711.wav', 'O''Neil', 3/CMD";
const QByteArray kGet = "GETUID2.25.4711/UIDFORMATWAV/FORMATSTATUS-10/STATUS/GET";
const QByteArray kNumberOne = "CMDDATA\r\n1\r\n/CMDDATA\r\n";
const QByteArray kNoDictation = "REPORT/REPORT\r\n";

// The report window as far as the recorder needs one.
class ReportStub : public QWidget, public VoiceReportHost
{
public:
    DictationHeader dictationHeader() const override { return header; }
    void dictationSaved() override { ++saved; }

    DictationHeader header{u"17"_s, u"000123"_s, {}, u"O'Neil"_s, 3};
    int saved = 0;
};

// A small wave file: `ms` milliseconds of the dictation format, samples counting up from `seed`.
QByteArray waveFile(qint64 ms, int seed = 1)
{
    const QAudioFormat format = AudioMediaControl::dictationFormat();
    QByteArray samples(qsizetype(MediaWave::bytesAt(format, ms)), Qt::Uninitialized);
    for (qsizetype i = 0; i < samples.size(); ++i)
        samples[i] = char((i * 3 + seed) & 0xff);
    return MediaWave::header(format, samples.size()) + samples;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A reply cut into pieces of `size` bytes.
QList<QByteArray> inPieces(const QByteArray &reply, qsizetype size)
{
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < reply.size(); at += size)
        pieces.append(reply.mid(at, size));
    return pieces;
}

// The recorder on its own: a session whose link goes to a scripted server, the recorder's commands
// bound, fake devices, and an application folder with a blank in its name.
struct Bench
{
    explicit Bench(quint16 port = 0)
    {
        session.settings.MainServerHost = u"127.0.0.1"_s;
        session.settings.MainServerPort = port;
        session.settings.ConnectTimeout = 5;
        session.settings.CommandTimeout = 5;
        session.ServerHost = u"127.0.0.1"_s;
        session.ServerPort = port;
        log.ensureFolder();
        RecorderTransfer::bindRecorderCommands(link, session, prompts, log, dir.path());
        report.show();
    }

    RecorderWindow *open(const QString &uid = kUid)
    {
        session.StudyUid = uid;
        RecorderDevices devices;
        auto mediaFake = std::make_unique<ScriptedMedia>();
        auto switchFake = std::make_unique<FakeFootSwitch>();
        media = mediaFake.get();
        footSwitch = switchFake.get();
        devices.media = std::move(mediaFake);
        devices.footSwitch = std::move(switchFake);
        devices.shiftHeld = [this] { return shift; };
        window = openVoiceRecorder(context, VoiceReport{u"Botha Anna"_s, u"0000123"_s, u"12345678"_s, u"Dr. Naidoo"_s},
                                   &report, std::move(devices));
        return window;
    }

    QString workFile() const { return RecorderWorkFile(dir.path()).path(); }
    bool idle() { return link.phase() == CommandLink::Phase::Idle && !link.isConnected(); }
    // The entries of Status.log without their time stamps.
    QStringList statusLog() const
    {
        QStringList entries;
        for (const QString &line : QString::fromLatin1(readFile(log.statusLogPath())).split(u"\r\n"_s, Qt::SkipEmptyParts))
            entries.append(line.section(u" | "_s, 1));
        return entries;
    }
    void file(const QString &name, const QByteArray &bytes) { writeFile(QDir(dir.path()).filePath(name), bytes); }
    QPushButton *button(Button b) { return child<QPushButton>(window, u"OptSteuer(%1)"_s.arg(int(b))); }
    void click(const QString &name) { QTest::mouseClick(child<QPushButton>(window, name), Qt::LeftButton); }
    void click(Button b) { QTest::mouseClick(button(b), Qt::LeftButton); }

    QTemporaryDir dir{QDir::tempPath() + u"/zel recorder XXXXXX"_s};
    Session session;
    PromptRecorder prompts;
    LogBook log{dir.path(), prompts};
    ScriptedDialogs dialogs;
    CommandLink link{session, prompts, log};
    TaskContext context{session, link, prompts, log, dir.path(), dialogs};
    ReportStub report;
    ScriptedMedia *media = nullptr;
    FakeFootSwitch *footSwitch = nullptr;
    bool shift = false;
    QPointer<RecorderWindow> window;
};

// Records `ms` of dictation on the window's capture device and pauses.
void dictate(Bench &bench, qint64 ms)
{
    bench.click(Button::Rec);
    bench.media->set(u"capture"_s, ms, ms);
    bench.window->transport().tick();
    bench.click(Button::Pause);
}

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

private slots:
    // The transport and its arithmetic.
    void transportMovesThePosition_data();
    void transportMovesThePosition();
    void forwardComesBackAfterAPauseAwayFromTheEnd();
    void playbackThatReachesTheEndPauses();
    void recordFlagDecidesRecordingAndSending_data();
    void recordFlagDecidesRecordingAndSending();
    void menuItemsSelectTheirButtons_data();
    void menuItemsSelectTheirButtons();
    void resetStartsAnEmptyRecording();

    // The foot switch.
    void pedalsDriveTheTransport();
    void footSwitchPortsComeFromTheLocalFile();
    void portThatCannotBeOpenedIsReportedAndTheRecorderStaysUsable();

    // The media layer without sound.
    void mediaCommandsAreRead_data();
    void mediaCommandsAreRead();
    void waveFilesRoundTrip();
    void audioLayerSavesAndOpensFilesInFoldersWithBlanks();

    // The dictation's way to the server and back.
    void sendingProblems_data();
    void sendingProblems();
    void wavSendRequestIsByteExact_data();
    void wavSendRequestIsByteExact();
    void dictationPutGoesOutInChunks_data();
    void dictationPutGoesOutInChunks();
    void dictationTravelsToTheServerByteForByte();
    void failedOrTimedOutUploadKeepsTheDictation_data();
    void failedOrTimedOutUploadKeepsTheDictation();
    void downloadedDictationPlaysInPlayerMode_data();
    void downloadedDictationPlaysInPlayerMode();
    void emptyDownloadLeavesTheRecorderReady();
    void unsentDictationOfAnotherExaminationIsSetAside();
    void failedSaveIsReportedAndNothingIsSent();
    void sendSavesTheDeviceThatRecorded_data();
    void sendSavesTheDeviceThatRecorded();
    void nothingRecordedSendsNothing();
    void closingWithAnUnsentRecordingAsks();
};

void TestRecorder::transportMovesThePosition_data()
{
    QTest::addColumn<bool>("player");
    QTest::addColumn<qint64>("position");
    QTest::addColumn<int>("button");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<qint64>("after");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("forward");

    // Every device is 10 000 ms long.
    const auto paused = [](const QString &dev, const QString &play) {
        return QStringList{play, u"pause "_s + dev, u"status "_s + dev + u" position"_s};
    };
    QTest::newRow("recorder back a second") << false << qint64(4500) << int(Button::Back)
                                            << paused(u"capture"_s, u"play capture from 03500"_s) << qint64(3500)
                                            << int(Button::Pause) << true;
    QTest::newRow("recorder back near the start") << false << qint64(800) << int(Button::Back)
                                                  << paused(u"capture"_s, u"play capture from 0"_s) << qint64(0)
                                                  << int(Button::Pause) << true;
    QTest::newRow("player back half a second") << true << qint64(800) << int(Button::Back)
                                               << paused(u"sound"_s, u"play sound from 0300"_s) << qint64(300)
                                               << int(Button::Pause) << true;
    QTest::newRow("player back near the start") << true << qint64(400) << int(Button::Back)
                                                << paused(u"sound"_s, u"play sound from 0"_s) << qint64(0)
                                                << int(Button::Pause) << true;
    QTest::newRow("recorder forward five seconds") << false << qint64(4000) << int(Button::Forward)
                                                   << paused(u"capture"_s, u"play capture from 09000"_s) << qint64(9000)
                                                   << int(Button::Pause) << true;
    QTest::newRow("recorder forward near the end") << false << qint64(6000) << int(Button::Forward)
                                                   << paused(u"capture"_s, u"play capture from 010000"_s)
                                                   << qint64(10000) << int(Button::Pause) << false;
    QTest::newRow("player forward half a second") << true << qint64(4000) << int(Button::Forward)
                                                  << paused(u"sound"_s, u"play sound from 04500"_s) << qint64(4500)
                                                  << int(Button::Pause) << true;
    QTest::newRow("player forward near the end") << true << qint64(9800) << int(Button::Forward)
                                                 << paused(u"sound"_s, u"play sound from 010000"_s) << qint64(10000)
                                                 << int(Button::Pause) << false;
    QTest::newRow("recorder begin") << false << qint64(4500) << int(Button::Begin)
                                    << paused(u"capture"_s, u"play capture from 0"_s) << qint64(0)
                                    << int(Button::Pause) << true;
    QTest::newRow("player end") << true << qint64(4500) << int(Button::End)
                                << paused(u"sound"_s, u"play sound from 010000"_s) << qint64(10000)
                                << int(Button::Pause) << false;
    QTest::newRow("recorder play") << false << qint64(4500) << int(Button::Play)
                                   << QStringList{u"play capture from 04500"_s} << qint64(4500) << int(Button::Play)
                                   << true;
    QTest::newRow("recorder record at the start")
        << false << qint64(0) << int(Button::Rec)
        << QStringList{u"close all"_s, u"open new type waveaudio alias capture"_s, u"record capture from 0"_s,
                       u"status capture position"_s}
        << qint64(0) << int(Button::Rec) << false;
    QTest::newRow("recorder record into the recording")
        << false << qint64(4500) << int(Button::Rec) << QStringList{u"record capture from 4500"_s} << qint64(4500)
        << int(Button::Rec) << false;
    QTest::newRow("player record at the start")
        << true << qint64(0) << int(Button::Rec)
        << QStringList{u"close all"_s, u"open new type waveaudio alias sound"_s, u"record sound from 0"_s,
                       u"status sound position"_s}
        << qint64(0) << int(Button::Rec) << false;
    QTest::newRow("player record into the dictation")
        << true << qint64(2500) << int(Button::Rec) << QStringList{u"record sound from 2500"_s} << qint64(2500)
        << int(Button::Rec) << false;
}

void TestRecorder::transportMovesThePosition()
{
    QFETCH(bool, player);
    QFETCH(qint64, position);
    QFETCH(int, button);
    QFETCH(QStringList, commands);
    QFETCH(qint64, after);
    QFETCH(int, selected);
    QFETCH(bool, forward);

    ScriptedMedia media;
    FakeFootSwitch footSwitch;
    RecorderTransport transport(media, footSwitch, [] { return false; });
    transport.reset();
    const QString device = player ? u"sound"_s : u"capture"_s;
    media.set(device, 10000, position);
    transport.setPlayerMode(player);
    transport.tick(); // Timer1 reads where the device is
    QCOMPARE(transport.position(), position);
    QCOMPARE(transport.length(), qint64(10000));

    media.commands.clear();
    transport.select(Button(button));
    QCOMPARE(media.commands, commands);
    QCOMPARE(transport.position(), after);
    QCOMPARE(int(transport.selected()), selected);
    QCOMPARE(transport.isEnabled(Button::Forward), forward);
    if (selected == int(Button::Rec)) {
        for (Button b : {Button::Begin, Button::Back, Button::Play, Button::End})
            QVERIFY(!transport.isEnabled(b));
        QCOMPARE(transport.recordedDevice(), device);
    }
    if (selected != int(Button::Pause))
        QVERIFY(transport.timerActive());
}

void TestRecorder::forwardComesBackAfterAPauseAwayFromTheEnd()
{
    ScriptedMedia media;
    FakeFootSwitch footSwitch;
    RecorderTransport transport(media, footSwitch, [] { return false; });
    transport.reset();
    media.set(u"capture"_s, 8000, 7000);
    transport.tick();
    transport.select(Button::Forward);
    QCOMPARE(transport.position(), qint64(8000));
    QVERIFY(!transport.isEnabled(Button::Forward));
    transport.select(Button::Back);
    QCOMPARE(transport.position(), qint64(7000));
    QVERIFY(transport.isEnabled(Button::Forward));
}

void TestRecorder::playbackThatReachesTheEndPauses()
{
    ScriptedMedia media;
    FakeFootSwitch footSwitch;
    RecorderTransport transport(media, footSwitch, [] { return false; });
    transport.reset();
    media.set(u"capture"_s, 3000, 0);
    transport.tick();
    transport.select(Button::Play);
    media.set(u"capture"_s, 3000, 2900);
    transport.tick();
    QCOMPARE(transport.selected(), Button::Play);
    QCOMPARE(transport.position(), qint64(2900));
    media.set(u"capture"_s, 3000, 3000);
    media.commands.clear();
    transport.tick();
    QCOMPARE(transport.selected(), Button::Pause);
    QCOMPARE(media.commands.mid(2), (QStringList{u"pause capture"_s, u"status capture position"_s}));
    QVERIFY(!transport.isEnabled(Button::Forward));
}

void TestRecorder::recordFlagDecidesRecordingAndSending_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("no") << QByteArray("no\r\n") << false;
    QTest::newRow("no with blanks") << QByteArray("  no \r\nyes\r\n") << false;
    QTest::newRow("No") << QByteArray("No\r\n") << true;
    QTest::newRow("NO") << QByteArray("NO") << true;
    QTest::newRow("yes") << QByteArray("yes\r\n") << true;
    QTest::newRow("empty line") << QByteArray("\r\nno\r\n") << true;
    QTest::newRow("no file") << QByteArray() << true;
}

void TestRecorder::recordFlagDecidesRecordingAndSending()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, allowed);
    ScriptedServer server;
    server.answer(kNoDictation);
    Bench bench(server.port());
    if (!ini.isNull())
        bench.file(u"Recorder.ini"_s, ini);
    bench.open();
    QCOMPARE(bench.button(Button::Rec)->isEnabled(), allowed);
    QCOMPARE(child<QPushButton>(bench.window, u"cmdSend"_s)->isEnabled(), allowed);
    QCOMPARE(child<QAction>(bench.window, u"mnuSend"_s)->isEnabled(), allowed);
    // Moving about enables every transport button, but never record for a user who may not record.
    bench.media->set(u"capture"_s, 5000, 5000);
    bench.window->transport().tick();
    bench.click(Button::Back);
    QCOMPARE(bench.button(Button::Rec)->isEnabled(), allowed);
    QVERIFY(bench.button(Button::Play)->isEnabled());
    QCOMPARE(child<QPushButton>(bench.window, u"cmdSend"_s)->isEnabled(), allowed);
}

void TestRecorder::menuItemsSelectTheirButtons_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<int>("selected"); // -1: nothing changes
    QTest::newRow("Record") << u"mnuRecord"_s << QKeySequence(u"Ctrl+F5"_s) << int(Button::Rec);
    QTest::newRow("Begin") << u"mnuBegin"_s << QKeySequence(u"Ctrl+F6"_s) << int(Button::Pause);
    QTest::newRow("Back") << u"mnuBack"_s << QKeySequence(u"Ctrl+F7"_s) << int(Button::Pause);
    QTest::newRow("Stop") << u"mnuStop"_s << QKeySequence(u"Ctrl+F8"_s) << -1;
    QTest::newRow("Play") << u"mnuPlay"_s << QKeySequence(u"Ctrl+F9"_s) << int(Button::Play);
    QTest::newRow("Forward") << u"mnuForward"_s << QKeySequence(u"Ctrl+F11"_s) << int(Button::Pause);
    QTest::newRow("Ende") << u"mnuEnde"_s << QKeySequence(u"Ctrl+F12"_s) << int(Button::Pause);
    QTest::newRow("Send") << u"mnuSend"_s << QKeySequence(u"Ctrl+X"_s) << -1;
}

void TestRecorder::menuItemsSelectTheirButtons()
{
    QFETCH(QString, item);
    QFETCH(QKeySequence, keys);
    QFETCH(int, selected);
    ScriptedServer server;
    server.answer(kNoDictation);
    Bench bench(server.port());
    bench.open();
    QTRY_VERIFY(bench.idle());
    bench.media->set(u"capture"_s, 9000, 4000);
    bench.window->transport().tick();
    auto *action = child<QAction>(bench.window, item);
    QCOMPARE(action->shortcut(), keys);
    bench.media->commands.clear();
    action->trigger();
    if (selected < 0) {
        QCOMPARE(bench.window->transport().selected(), Button::Pause);
        if (item == u"mnuStop")
            QVERIFY(bench.media->commands.isEmpty());
        else
            QVERIFY(bench.media->commands.contains(u"save capture \""_s + bench.workFile() + u'"'));
        return;
    }
    QCOMPARE(int(bench.window->transport().selected()), selected);
    QVERIFY(!bench.media->commands.isEmpty());
    QVERIFY(bench.button(Button(selected))->isChecked());
}

void TestRecorder::resetStartsAnEmptyRecording()
{
    ScriptedServer server;
    server.answer(kNoDictation);
    Bench bench(server.port());
    bench.open();
    dictate(bench, 4000);
    QCOMPARE(child<QProgressBar>(bench.window, u"VBUProgress1"_s)->maximum(), 4000);
    bench.media->commands.clear();
    bench.click(u"cmdClear"_s);
    QCOMPARE(bench.media->commands,
             (QStringList{u"close all"_s, u"open new type waveaudio alias capture"_s, u"status capture position"_s}));
    auto *progress = child<QProgressBar>(bench.window, u"VBUProgress1"_s);
    QCOMPARE(progress->value(), 0);
    QCOMPARE(progress->maximum(), 1);
    QVERIFY(bench.button(Button::Pause)->isChecked());
    QVERIFY(!bench.window->transport().timerActive());
    QVERIFY(!bench.window->transport().hasUnsavedRecording());
}

void TestRecorder::pedalsDriveTheTransport()
{
    ScriptedMedia media;
    FakeFootSwitch footSwitch;
    bool shift = false;
    RecorderTransport transport(media, footSwitch, [&shift] { return shift; });
    transport.reset();
    QVERIFY(footSwitch.open(u"/dev/ttyS0"_s, nullptr));

    // Recorder mode: the main pedal records while it is held, and holding it does not start again.
    footSwitch.down.main = true;
    transport.tick();
    QCOMPARE(transport.selected(), Button::Rec);
    QVERIFY(media.commands.contains(u"record capture from 0"_s));
    media.set(u"capture"_s, 2000, 2000);
    media.commands.clear();
    transport.tick();
    QCOMPARE(media.commands, (QStringList{u"status capture length"_s, u"status capture position"_s}));
    footSwitch.down.main = false;
    transport.tick();
    QCOMPARE(transport.selected(), Button::Pause);
    QCOMPARE(media.commands.mid(4), (QStringList{u"pause capture"_s, u"status capture position"_s}));

    // Shift held: player mode. The main pedal plays, the second steps back half a second.
    media.set(u"sound"_s, 6000, 3000);
    shift = true;
    footSwitch.down.main = true;
    transport.tick();
    QVERIFY(transport.playerMode());
    QCOMPARE(transport.selected(), Button::Play);
    QVERIFY(media.commands.contains(u"play sound from 03000"_s));
    footSwitch.down = {false, true};
    media.commands.clear();
    transport.tick();
    QCOMPARE(transport.selected(), Button::Pause);
    QCOMPARE(transport.position(), qint64(2500));
    QVERIFY(media.commands.contains(u"play sound from 02500"_s));
    // Held on, it keeps stepping back.
    transport.tick();
    QCOMPARE(transport.position(), qint64(2000));

    // With the switch off the pedals count for nothing.
    footSwitch.down = {true, false};
    footSwitch.close();
    media.commands.clear();
    transport.tick();
    QCOMPARE(transport.selected(), Button::Pause);
    QCOMPARE(media.commands, (QStringList{u"status sound length"_s, u"status sound position"_s}));
}

void TestRecorder::footSwitchPortsComeFromTheLocalFile()
{
    // The defaults: the serial ports if the system has them, else its USB serial adapters.
    using FootSwitchPorts::defaultDevice;
    QCOMPARE(defaultDevice(1, {}), u"/dev/ttyS0"_s);
    QCOMPARE(defaultDevice(2, {}), u"/dev/ttyS1"_s);
    const QStringList adapters{u"/dev/ttyUSB10"_s, u"/dev/ttyACM0"_s, u"/dev/ttyUSB2"_s};
    QCOMPARE(defaultDevice(1, adapters), u"/dev/ttyACM0"_s);
    QCOMPARE(defaultDevice(2, adapters), u"/dev/ttyUSB2"_s);
    QCOMPARE(defaultDevice(1, adapters + QStringList{u"/dev/ttyS0"_s}), u"/dev/ttyS0"_s);
    QCOMPARE(defaultDevice(2, {u"/dev/ttyUSB0"_s}), u"/dev/ttyS1"_s);

    QTemporaryDir dir;
    const QString second = defaultDevice(2, FootSwitchPorts::available());
    QCOMPARE(FootSwitchPorts::device(dir.path(), 1), defaultDevice(1, FootSwitchPorts::available()));
    writeFile(QDir(dir.path()).filePath(u"FootSwitch.ini"_s), "  /dev/ttyUSB0 \r\n\r\n");
    QCOMPARE(FootSwitchPorts::device(dir.path(), 1), u"/dev/ttyUSB0"_s);
    QCOMPARE(FootSwitchPorts::device(dir.path(), 2), second);

    ScriptedServer server;
    server.answer(kNoDictation);
    Bench bench(server.port());
    bench.file(u"FootSwitch.ini"_s, "/dev/ttyUSB0\r\n/dev/ttyACM1\r\n");
    bench.open();
    // The window starts on "Com 1" with the switch off.
    QVERIFY(child<QRadioButton>(bench.window, u"Option1"_s)->isChecked());
    QVERIFY(!bench.footSwitch->isOpen());
    bench.click(u"Command8"_s);
    QCOMPARE(bench.footSwitch->openedDevice, u"/dev/ttyUSB0"_s);
    QTest::mouseClick(child<QRadioButton>(bench.window, u"Option2"_s), Qt::LeftButton);
    QCOMPARE(bench.footSwitch->openedDevice, u"/dev/ttyACM1"_s);
    QVERIFY(bench.footSwitch->isOpen());
    bench.click(u"Command10"_s);
    QVERIFY(!bench.footSwitch->isOpen());
    QVERIFY(bench.prompts.shown.isEmpty());
}

void TestRecorder::portThatCannotBeOpenedIsReportedAndTheRecorderStaysUsable()
{
    ScriptedServer server;
    server.answer(kNoDictation);
    Bench bench(server.port());
    bench.open();
    bench.footSwitch->refuse = true;
    bench.click(u"Command8"_s);
    QCOMPARE(bench.prompts.shown.size(), 1);
    const PromptRecorder::Shown box = bench.prompts.shown.first();
    QCOMPARE(box.icon, Prompter::Icon::Warning);
    QCOMPARE(box.title, u"Voice Recorder"_s);
    const QString device = FootSwitchPorts::device(bench.dir.path(), 1);
    QVERIFY2(box.text.contains(u"Com 1 ("_s + device + u") cannot be opened (No such file or directory)"_s),
             qPrintable(box.text));
    QVERIFY(box.text.contains(u"FootSwitch.ini"_s));
    QVERIFY(!bench.footSwitch->isOpen());
    // Mouse and keys work as before, and no pedal takes over.
    dictate(bench, 3000);
    bench.click(Button::Begin);
    bench.click(Button::Play);
    bench.window->transport().tick();
    QCOMPARE(bench.window->transport().selected(), Button::Play);
}

void TestRecorder::mediaCommandsAreRead_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("verb");
    QTest::addColumn<QString>("alias");
    QTest::addColumn<qint64>("from"); // -1: none
    QTest::addColumn<QString>("path");

    using V = MediaCommand::Verb;
    QTest::newRow("open new") << u"open new type waveaudio alias capture"_s << true << int(V::OpenNew)
                              << u"capture"_s << qint64(-1) << QString();
    QTest::newRow("open quoted file with blanks")
        << u"open waveaudio!\"/home/zel/my files/Report.wav\" alias sound"_s << true << int(V::OpenFile) << u"sound"_s
        << qint64(-1) << u"/home/zel/my files/Report.wav"_s;
    QTest::newRow("open unquoted file") << u"open waveaudio!C:\\Zel\\Report.wav alias sound"_s << true
                                        << int(V::OpenFile) << u"sound"_s << qint64(-1) << u"C:\\Zel\\Report.wav"_s;
    QTest::newRow("play from with leading zero") << u"play capture from 04500"_s << true << int(V::Play)
                                                 << u"capture"_s << qint64(4500) << QString();
    QTest::newRow("play from 00") << u"play sound from 00"_s << true << int(V::Play) << u"sound"_s << qint64(0)
                                  << QString();
    QTest::newRow("record any case") << u"RECORD Capture FROM 12"_s << true << int(V::Rec) << u"capture"_s
                                     << qint64(12) << QString();
    QTest::newRow("status") << u"status sound length"_s << true << int(V::Status) << u"sound"_s << qint64(-1)
                            << QString();
    QTest::newRow("save quoted") << u"save capture \"/tmp/a b/Report.wav\""_s << true << int(V::Save)
                                 << u"capture"_s << qint64(-1) << u"/tmp/a b/Report.wav"_s;
    QTest::newRow("close all") << u"close all"_s << true << int(V::CloseAll) << QString() << qint64(-1) << QString();
    QTest::newRow("negative position") << u"play capture from -5"_s << false << 0 << QString() << qint64(-1)
                                       << QString();
    QTest::newRow("unclosed quote") << u"save capture \"/tmp/x"_s << false << 0 << QString() << qint64(-1)
                                    << QString();
    QTest::newRow("no alias") << u"pause"_s << false << 0 << QString() << qint64(-1) << QString();
    QTest::newRow("unknown word") << u"play capture backwards"_s << false << 0 << QString() << qint64(-1)
                                  << QString();
    QTest::newRow("unknown command") << u"eject capture"_s << false << 0 << QString() << qint64(-1) << QString();
}

void TestRecorder::mediaCommandsAreRead()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, verb);
    QFETCH(QString, alias);
    QFETCH(qint64, from);
    QFETCH(QString, path);
    QString why;
    const std::optional<MediaCommand> command = MediaCommand::parse(text, &why);
    QCOMPARE(command.has_value(), ok);
    if (!ok) {
        QVERIFY(!why.isEmpty());
        return;
    }
    QCOMPARE(int(command->verb), verb);
    QCOMPARE(command->alias, alias);
    QCOMPARE(command->from.value_or(-1), from);
    QCOMPARE(command->path, path);
}

void TestRecorder::waveFilesRoundTrip()
{
    // What is written is the plain form: RIFF size, PCM, 16 bits, one channel, 22050 Hz.
    const QByteArray file = waveFile(1000);
    QCOMPARE(file.left(4), QByteArray("RIFF"));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 4), quint32(file.size() - 8));
    QCOMPARE(file.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 20), quint16(1));
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 22), quint16(1));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 24), quint32(22050));
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 34), quint16(16));
    QCOMPARE(file.mid(36, 4), QByteArray("data"));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 40), quint32(44100));

    QString why;
    std::optional<WaveAudio> audio = MediaWave::read(file, &why);
    QVERIFY2(audio, qPrintable(why));
    QCOMPARE(audio->format, AudioMediaControl::dictationFormat());
    QCOMPARE(audio->samples, file.mid(44));
    QCOMPARE(MediaWave::durationMs(audio->format, audio->samples.size()), qint64(1000));
    for (qint64 ms : {0, 1, 333, 4500, 10001})
        QCOMPARE(MediaWave::durationMs(audio->format, MediaWave::bytesAt(audio->format, ms)), ms);

    // Other players' files: 24-bit stereo in an extensible format chunk, a chunk before the data.
    QByteArray other = "RIFF0000WAVE";
    QByteArray fmt(40, '\0');
    qToLittleEndian<quint16>(0xFFFE, fmt.data());
    qToLittleEndian<quint16>(2, fmt.data() + 2);
    qToLittleEndian<quint32>(48000, fmt.data() + 4);
    qToLittleEndian<quint16>(24, fmt.data() + 14);
    qToLittleEndian<quint16>(1, fmt.data() + 24);
    other += "fmt " + QByteArray("\x28\0\0\0", 4) + fmt + "LIST" + QByteArray("\x03\0\0\0", 4) + "abc" + '\0';
    other += "data" + QByteArray("\x06\0\0\0", 4) + QByteArray("\x01\x02\x03\x04\x05\x06", 6);
    audio = MediaWave::read(other, &why);
    QVERIFY2(audio, qPrintable(why));
    QCOMPARE(audio->format.sampleFormat(), QAudioFormat::Int32);
    QCOMPARE(audio->format.channelCount(), 2);
    QCOMPARE(audio->samples, QByteArray("\0\x01\x02\x03\0\x04\x05\x06", 8));

    QVERIFY(!MediaWave::read(QByteArray("RIFF\0\0\0\0WAVEdata\0\0\0\0", 20), &why)); // data before format
    QVERIFY(!MediaWave::read("not a wave file at all", &why));
}

void TestRecorder::audioLayerSavesAndOpensFilesInFoldersWithBlanks()
{
    QTemporaryDir dir(QDir::tempPath() + u"/zel audio XXXXXX"_s);
    const QString path = dir.filePath(u"Report.wav"_s);
    AudioMediaControl media;
    QVERIFY(media.command(u"open new type waveaudio alias capture"_s).ok);
    QCOMPARE(media.command(u"status capture length"_s).text, u"0"_s);
    const MediaControl::Reply saved = media.command(u"save capture "_s + MediaCommand::quoted(path));
    QVERIFY2(saved.ok, qPrintable(saved.error));
    QCOMPARE(readFile(path), MediaWave::header(AudioMediaControl::dictationFormat(), 0));

    // A file it did not write, in a folder with blanks: its length and a position in it.
    writeFile(path, waveFile(2500));
    QVERIFY(media.command(u"open waveaudio!"_s + MediaCommand::quoted(path) + u" alias sound"_s).ok);
    QCOMPARE(media.command(u"status sound length"_s).number(), qint64(2500));
    QCOMPARE(media.command(u"status sound position"_s).number(), qint64(0));

    // Failures are told, not hidden.
    const MediaControl::Reply nowhere = media.command(u"save capture \""_s + dir.filePath(u"no such folder/x.wav"_s) + u'"');
    QVERIFY(!nowhere.ok);
    QVERIFY(!nowhere.error.isEmpty());
    QVERIFY(!media.command(u"status nothing position"_s).ok);
    QCOMPARE(media.command(u"status nothing position"_s).number(), qint64(0));
    QVERIFY(!media.command(u"open waveaudio!\"/no/such/file.wav\" alias sound"_s).ok);
    QVERIFY(media.command(u"close all"_s).ok);
    QVERIFY(!media.command(u"status sound length"_s).ok);
}

void TestRecorder::sendingProblems_data()
{
    QTest::addColumn<DictationHeader>("header");
    QTest::addColumn<QString>("uid");
    QTest::addColumn<QString>("problem"); // a part of the message; empty: none

    const DictationHeader good{u"17"_s, u"000123"_s, u"456"_s, u"O'Neil"_s, 3};
    QTest::newRow("good") << good << kUid << QString();
    QTest::newRow("no examination") << good << QString() << u"No examination"_s;
    QTest::newRow("UID with a slash") << good << u"1.2/UID3"_s << u"cannot be sent"_s;
    QTest::newRow("UID with a quote") << good << u"1.2'3"_s << u"cannot be sent"_s;
    DictationHeader h = good;
    h.docId = u"17a"_s;
    QTest::newRow("document id") << h << kUid << u"document id"_s;
    h = good;
    h.xrayNo = u"0000"_s;
    QTest::newRow("X-ray number of zeros") << h << kUid << u"X-ray number"_s;
    h = good;
    h.studyKey = u"CT, head"_s;
    QTest::newRow("key with a comma") << h << kUid << u"examination key"_s;
    h.studyKey = u"CT head"_s;
    QTest::newRow("key as a word") << h << kUid << QString();
    h = good;
    h.typist = u"A|B"_s;
    QTest::newRow("typist with a bar") << h << kUid << u"typist"_s;
    h.typist = u"A\r\nB"_s;
    QTest::newRow("typist with a line break") << h << kUid << u"typist"_s;
}

void TestRecorder::sendingProblems()
{
    QFETCH(DictationHeader, header);
    QFETCH(QString, uid);
    QFETCH(QString, problem);
    const QString found = RecorderTransfer::sendingProblem(header, uid);
    if (problem.isEmpty())
        QVERIFY2(found.isEmpty(), qPrintable(found));
    else
        QVERIFY2(found.contains(problem), qPrintable(found));
}

void TestRecorder::wavSendRequestIsByteExact_data()
{
    QTest::addColumn<DictationHeader>("header");
    QTest::addColumn<QString>("uid");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("key from the X-ray number, zeros gone")
        << DictationHeader{u"17"_s, u"000123"_s, {}, u"Sue"_s, 3} << kUid
        << QByteArray("CMDRepSend|17, 123, 123, '2.25.4711.wav', 'Sue', 3/CMD");
    QTest::newRow("own key, quotes doubled")
        << DictationHeader{u" 9 "_s, u"77"_s, u"0042"_s, u"O'Neil"_s, 12} << u"1.2.3"_s
        << QByteArray("CMDRepSend|9, 77, 42, '1.2.3.wav', 'O''Neil', 12/CMD");
    QTest::newRow("typist in the code page")
        << DictationHeader{u"1"_s, u"5"_s, {}, u"M\u00fcller"_s, 0} << u"9"_s
        << QByteArray("CMDRepSend|1, 5, 5, '9.wav', 'M\xfcller', 0/CMD");
}

void TestRecorder::wavSendRequestIsByteExact()
{
    QFETCH(DictationHeader, header);
    QFETCH(QString, uid);
    QFETCH(QByteArray, line);
    QCOMPARE(RecorderTransfer::WavSendRequest(header, uid), line);
}

void TestRecorder::dictationPutGoesOutInChunks_data()
{
    QTest::addColumn<qint64>("size"); // -1: no file
    QTest::addColumn<QList<qint64>>("chunks");
    QTest::addColumn<QStringList>("dataLog");
    QTest::newRow("150000 bytes") << qint64(150000) << QList<qint64>{64000, 64000, 22000}
                                  << QStringList{u"Sending data 1"_s, u"Sending data 2"_s, u"sending data 3"_s};
    QTest::newRow("128000 bytes") << qint64(128000) << QList<qint64>{64000, 64000}
                                  << QStringList{u"Sending data 1"_s, u"Sending data 2"_s};
    QTest::newRow("one byte") << qint64(1) << QList<qint64>{1} << QStringList{u"sending data 1"_s};
    QTest::newRow("empty file") << qint64(0) << QList<qint64>{} << QStringList{};
    QTest::newRow("no file") << qint64(-1) << QList<qint64>{} << QStringList{};
}

void TestRecorder::dictationPutGoesOutInChunks()
{
    QFETCH(qint64, size);
    QFETCH(QList<qint64>, chunks);
    QFETCH(QStringList, dataLog);
    QByteArray data(qsizetype(std::max<qint64>(size, 0)), Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i % 251);
    QBuffer file(&data);
    file.open(QIODevice::ReadOnly);
    QList<QByteArray> sent;
    QStringList log;
    RecorderTransfer::writeDictationPut(
        kUid, size < 0 ? nullptr : &file, [&sent](const QByteArray &b) { sent.append(b); },
        [&log, &sent](const QString &t) { log.append(t + u'@' + QString::number(sent.size())); });

    const QList<QByteArray> head{"PUT", "UID2.25.4711/UID", "FORMATWAV/FORMAT", "STATUS-10/STATUS", "DATA"};
    QCOMPARE(sent.mid(0, 5), head);
    QCOMPARE(sent.mid(sent.size() - 2), (QList<QByteArray>{"/DATA", "/PUT"}));
    const QList<QByteArray> body = sent.mid(5, sent.size() - 7);
    QCOMPARE(body.size(), chunks.size());
    for (qsizetype i = 0; i < body.size(); ++i)
        QCOMPARE(qint64(body[i].size()), chunks[i]);
    QCOMPARE(body.join(), data);
    // Each entry is written before (or after) the piece it names: the number after @ is how many
    // pieces had gone out.
    QStringList expected{u"Sending header@0"_s, u"Header sent@5"_s};
    for (qsizetype k = 0; k < dataLog.size(); ++k)
        expected.append(dataLog[k] + u'@' + QString::number(5 + k));
    expected.append(u"Sending footer@"_s + QString::number(5 + chunks.size()));
    expected.append(u"Footer sent@"_s + QString::number(7 + chunks.size()));
    QCOMPARE(log, expected);
}

void TestRecorder::dictationTravelsToTheServerByteForByte()
{
    ScriptedServer server;
    server.answer(kNoDictation);
    server.answer(kNumberOne);
    server.answer("DATA SAVED");
    Bench bench(server.port());
    QPointer<RecorderWindow> window = bench.open();
    QTRY_VERIFY(bench.idle());
    QCOMPARE(server.connectionBytes.value(0), kGet);
    QVERIFY(!bench.window->transport().playerMode());

    dictate(bench, 3500); // 154 350 bytes of samples: two full chunks and a last one
    bench.click(u"cmdSend"_s);
    const QString save = u"save capture \""_s + bench.workFile() + u'"';
    QCOMPARE(bench.media->commands.mid(bench.media->commands.indexOf(save), 3),
             (QStringList{save, u"stop capture"_s, u"close capture"_s}));
    const QByteArray file = bench.media->saved.value(0);
    QTRY_VERIFY(!window); // its devices with it
    QTRY_VERIFY(bench.idle());
    QCOMPARE(server.requests.value(1), kRepSend);
    QCOMPARE(file.size(), 44 + 154350);
    QCOMPARE(server.connectionBytes.value(2),
             "PUTUID2.25.4711/UIDFORMATWAV/FORMATSTATUS-10/STATUSDATA" + file + "/DATA/PUT");

    QCOMPARE(bench.prompts.shown.size(), 1);
    QCOMPARE(bench.prompts.shown.first().icon, Prompter::Icon::Information);
    QCOMPARE(bench.prompts.shown.first().title, kTitle);
    QCOMPARE(bench.prompts.shown.first().text, u"Report saved succesfully!"_s);
    QVERIFY(!QFile::exists(bench.workFile()));
    QVERIFY(!QFile::exists(bench.workFile() + u".pending"_s));
    QCOMPARE(bench.report.saved, 1);
    QCOMPARE(bench.statusLog(),
             (QStringList{u"Saving File to Disc"_s, u"File saved"_s, u"Call OpenConnection"_s, u"Sending header"_s,
                          u"Header sent"_s, u"Sending data 1"_s, u"Sending data 2"_s, u"sending data 3"_s,
                          u"Sending footer"_s, u"Footer sent"_s}));
}

void TestRecorder::failedOrTimedOutUploadKeepsTheDictation_data()
{
    QTest::addColumn<bool>("answered");
    QTest::newRow("FAILED DATA") << true;
    QTest::newRow("no answer") << false;
}

void TestRecorder::failedOrTimedOutUploadKeepsTheDictation()
{
    QFETCH(bool, answered);
    ScriptedServer server;
    server.answer(kNoDictation);
    server.answer(kNumberOne);
    if (answered)
        server.answer("FAILED DATA");
    else
        server.stayQuiet();
    Bench bench(server.port());
    bench.session.settings.CommandTimeout = 1;
    QPointer<RecorderWindow> window = bench.open();
    QTRY_VERIFY(bench.idle());
    dictate(bench, 1200);
    bench.click(u"cmdSend"_s);
    QTRY_COMPARE(bench.prompts.shown.size(), 1);
    QTRY_VERIFY(bench.idle());
    const PromptRecorder::Shown box = bench.prompts.shown.first();
    QCOMPARE(box.icon, Prompter::Icon::Error);
    QCOMPARE(box.text, answered ? u"Report not saved, please try!"_s
                                : u"ZEL-Server on '127.0.0.1' does not responding, please click on ZelServer Button!"_s);
    const QByteArray sent = bench.media->saved.value(0);
    QCOMPARE(readFile(bench.workFile()), sent);
    QVERIFY(window);
    QCOMPARE(bench.report.saved, 0);

    // Closing does not lose it (nor ask: it is on disk), and the next recorder for the examination
    // offers it instead of asking the server.
    window->close();
    QTRY_VERIFY(!window);
    QCOMPARE(bench.prompts.shown.size(), 1);
    QCOMPARE(readFile(bench.workFile()), sent);
    server.answer(kNumberOne);
    server.answer("DATA SAVED");
    const qsizetype requestsBefore = server.requests.size();
    bench.prompts.answers = {Prompter::Answer::Yes};
    window = bench.open();
    QCOMPARE(bench.prompts.shown.value(1).text,
             u"The dictation of this examination has not reached the server yet.\r\n\r\nDo you want to send it now?"_s);
    QVERIFY(bench.media->commands.contains(u"open waveaudio!\""_s + bench.workFile() + u"\" alias capture"_s));
    QTRY_VERIFY(!window);
    QCOMPARE(server.requests.mid(requestsBefore, 1), QList<QByteArray>{kRepSend});
    QVERIFY(!server.requests.mid(requestsBefore).contains(kGet));
    QVERIFY(server.connectionBytes.last().contains(sent.mid(44)));
    QCOMPARE(bench.prompts.shown.last().text, u"Report saved succesfully!"_s);
    QVERIFY(!QFile::exists(bench.workFile()));
    QCOMPARE(bench.report.saved, 1);
}

void TestRecorder::downloadedDictationPlaysInPlayerMode_data()
{
    QTest::addColumn<QByteArray>("wave");
    QTest::addColumn<int>("pieceSize"); // 0: whole
    QByteArray marked = waveFile(400, 5);
    // The end marker's letters inside the samples are audio, not the end.
    marked.replace(100, 14, "/REPORT/report");
    QTest::newRow("whole") << waveFile(1500) << 0;
    QTest::newRow("in pieces of 7 bytes") << waveFile(300, 9) << 7;
    QTest::newRow("marker inside the audio") << marked << 0;
    QTest::newRow("marker inside the audio, in pieces") << marked << 13;
}

void TestRecorder::downloadedDictationPlaysInPlayerMode()
{
    QFETCH(QByteArray, wave);
    QFETCH(int, pieceSize);
    ScriptedServer server;
    server.pieceDelayMs = 1;
    const QByteArray reply = "REPORT" + wave + "/REPORT\r\n";
    server.answerInPieces(pieceSize > 0 ? inPieces(reply, pieceSize) : QList<QByteArray>{reply});
    Bench bench(server.port());
    bench.open();
    QTRY_VERIFY(bench.idle());
    QCOMPARE(server.connectionBytes.value(0), kGet);
    QCOMPARE(readFile(bench.workFile()), wave);
    QVERIFY(!QFile::exists(bench.workFile() + u".pending"_s));
    QCOMPARE(child<QLabel>(bench.window, u"lblStatus"_s)->text(), u"Audio-Report loaded (Player-Mode)"_s);
    const QStringList &commands = bench.media->commands;
    const qsizetype opened = commands.indexOf(u"open waveaudio!\""_s + bench.workFile() + u"\" alias sound"_s);
    QVERIFY(opened > 0);
    QCOMPARE(commands.mid(opened + 1, 3),
             (QStringList{u"status sound length"_s, u"play sound from 0"_s, u"play sound from 00"_s}));
    RecorderTransport &transport = bench.window->transport();
    QVERIFY(transport.playerMode());
    QCOMPARE(transport.selected(), Button::Play);
    QCOMPARE(transport.length(), MediaWave::durationMs(AudioMediaControl::dictationFormat(), wave.size() - 44));
    QVERIFY(bench.prompts.shown.isEmpty());
}

void TestRecorder::emptyDownloadLeavesTheRecorderReady()
{
    ScriptedServer server;
    server.answer(kNoDictation);
    Bench bench(server.port());
    bench.file(u"Report.wav"_s, waveFile(100)); // an old download, gone when the recorder opens
    bench.open();
    QTRY_VERIFY(bench.idle());
    QVERIFY(!QFile::exists(bench.workFile()));
    QVERIFY(!bench.window->transport().playerMode());
    QVERIFY(bench.button(Button::Rec)->isEnabled());
    QVERIFY(child<QLabel>(bench.window, u"lblStatus"_s)->text().isEmpty());
    QVERIFY(!bench.media->commands.join(u'\n').contains(u"alias sound"_s));
}

void TestRecorder::unsentDictationOfAnotherExaminationIsSetAside()
{
    const QString other = u"2.25.99"_s;
    ScriptedServer server;
    const QByteArray mine = waveFile(300, 2);
    server.answer("REPORT" + mine + "/REPORT\r\n");
    Bench bench(server.port());
    const QByteArray unsent = waveFile(200, 7);
    bench.file(u"Report.wav"_s, unsent);
    QVERIFY(RecorderWorkFile(bench.dir.path()).markPending(other, nullptr));

    QPointer<RecorderWindow> window = bench.open(kUid);
    QTRY_VERIFY(bench.idle());
    QCOMPARE(readFile(bench.workFile()), mine);
    QCOMPARE(readFile(QDir(bench.dir.path()).filePath(u"Unsent/2.25.99.wav"_s)), unsent);
    QVERIFY(bench.prompts.shown.isEmpty());
    window->close();
    QTRY_VERIFY(!window);

    // Back at the other examination: its dictation is offered; kept for later when declined.
    bench.prompts.answers = {Prompter::Answer::No};
    window = bench.open(other);
    QCOMPARE(bench.prompts.shown.size(), 1);
    QCOMPARE(bench.prompts.shown.first().icon, Prompter::Icon::Question);
    QCOMPARE(readFile(bench.workFile()), unsent);
    QCOMPARE(RecorderWorkFile(bench.dir.path()).pendingUid(), other);
    QCOMPARE(server.requests.size(), 1); // no download over it
    QCOMPARE(bench.window->transport().length(), qint64(200));
    QVERIFY(!bench.window->transport().playerMode());
}

void TestRecorder::failedSaveIsReportedAndNothingIsSent()
{
    ScriptedServer server;
    server.answer(kNoDictation);
    Bench bench(server.port());
    bench.open();
    QTRY_VERIFY(bench.idle());
    const QByteArray old = waveFile(100, 3);
    bench.file(u"Report.wav"_s, old); // must not go out in place of the new dictation
    dictate(bench, 2000);
    bench.media->failing = {MediaCommand::Verb::Save};
    bench.click(u"cmdSend"_s);
    QCOMPARE(bench.prompts.shown.size(), 1);
    QCOMPARE(bench.prompts.shown.first().icon, Prompter::Icon::Error);
    QCOMPARE(bench.prompts.shown.first().title, u"Voice Recorder"_s);
    QVERIFY(bench.prompts.shown.first().text.contains(u"nothing was sent"_s));
    QVERIFY(bench.prompts.shown.first().text.contains(u"the disc is full"_s));
    QTest::qWait(50);
    QCOMPARE(server.requests.size(), 1);
    QVERIFY(bench.idle());
    QVERIFY(bench.window->transport().hasUnsavedRecording());
    QVERIFY(!bench.media->commands.contains(u"close capture"_s));
}

void TestRecorder::sendSavesTheDeviceThatRecorded_data()
{
    QTest::addColumn<bool>("recordInPlayerMode");
    QTest::newRow("dictated into the received dictation") << true;
    QTest::newRow("dictated before it arrived") << false;
}

void TestRecorder::sendSavesTheDeviceThatRecorded()
{
    QFETCH(bool, recordInPlayerMode);
    ScriptedServer server;
    server.stayQuiet(); // the download is answered by hand
    server.answer(kNumberOne);
    server.answer("DATA SAVED");
    Bench bench(server.port());
    bench.open();
    QTRY_COMPARE(server.requests.size(), 1);
    if (!recordInPlayerMode) {
        bench.click(Button::Rec);
        bench.media->set(u"capture"_s, 1500, 1500);
    }
    server.sendNow("REPORT" + waveFile(2000) + "/REPORT\r\n");
    QTRY_VERIFY(bench.window && bench.window->transport().playerMode());
    // A recording still running when the dictation arrived ended there.
    QCOMPARE(bench.media->commands.contains(u"pause capture"_s), !recordInPlayerMode);
    if (recordInPlayerMode) {
        bench.window->transport().select(Button::Pause);
        bench.media->set(u"sound"_s, 2000, 1000);
        bench.window->transport().tick();
        bench.click(Button::Rec);
        QVERIFY(bench.media->commands.contains(u"record sound from 1000"_s));
        bench.media->set(u"sound"_s, 3000, 2000);
    }
    bench.click(u"cmdSend"_s);
    const QString device = recordInPlayerMode ? u"sound"_s : u"capture"_s;
    QVERIFY(bench.media->commands.contains(u"save "_s + device + u" \""_s + bench.workFile() + u'"'));
    QTRY_COMPARE(bench.report.saved, 1);
}

void TestRecorder::nothingRecordedSendsNothing()
{
    ScriptedServer server;
    server.answer(kNoDictation);
    Bench bench(server.port());
    bench.open();
    QTRY_VERIFY(bench.idle());
    bench.click(u"cmdSend"_s);
    QCOMPARE(bench.prompts.shown.size(), 1);
    QCOMPARE(bench.prompts.shown.first().text, u"There is no dictation to send: please record it first."_s);
    QVERIFY(bench.media->saved.isEmpty());
    QTest::qWait(50);
    QCOMPARE(server.requests.size(), 1);
}

void TestRecorder::closingWithAnUnsentRecordingAsks()
{
    ScriptedServer server;
    server.answer(kNoDictation);
    Bench bench(server.port());
    QPointer<RecorderWindow> window = bench.open();
    QTRY_VERIFY(bench.idle());
    dictate(bench, 900);
    bench.prompts.answers = {Prompter::Answer::No};
    window->close();
    QVERIFY(window->isVisible());
    QCOMPARE(bench.prompts.shown.last().buttons, Prompter::Buttons::YesNoDefaultNo);
    bench.prompts.answers = {Prompter::Answer::Yes};
    bench.media->commands.clear();
    window->close();
    QCOMPARE(bench.media->commands.mid(0, 4),
             (QStringList{u"stop capture"_s, u"close capture"_s, u"stop sound"_s, u"close sound"_s}));
    QTRY_VERIFY(!window);
}

QTEST_MAIN(TestRecorder)
#include "tst_recorder.moc"
