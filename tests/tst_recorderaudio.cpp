// The recorder on real devices: sound through the system's sound server (the tests' own PulseAudio
// server, whose default source hears a 440 Hz tone), the foot switch on a pseudo-terminal, and a
// dictation recorded, sent to zelserver, downloaded and played.

#include "core/logbook.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "reports/footswitch.h"
#include "reports/mediaaudio.h"
#include "reports/mediacommand.h"
#include "reports/mediawave.h"
#include "reports/recorderhosts.h"
#include "reports/recordertransport.h"
#include "reports/recorderwindow.h"
#include "reports/recorderworkfile.h"
#include "support/desk.h"
#include "support/findchild.h"
#include "support/promptrecorder.h"
#include "support/recorderfakes.h"
#include "support/scripteddialogs.h"
#include "zelserver.h"

#include <QAudioDevice>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMediaDevices>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

using namespace Qt::StringLiterals;
using Button = RecorderTransport::Button;

namespace {

const QString kNoAudio = u"No audio input and output. scripts/test.sh starts a PulseAudio server of its own with a"
                         u" virtual source for these tests (scripts/pulse-test-server.sh)."_s;

bool audioAvailable()
{
    return !QMediaDevices::defaultAudioInput().isNull() && !QMediaDevices::defaultAudioOutput().isNull();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a recording of 16-bit mono samples holds: its length, how much of it is sound, and the pitch
// of that sound from its zero crossings.
struct Hearing
{
    double seconds = 0;
    double soundSeconds = 0; // in 50 ms windows louder than a whisper
    double frequency = 0;
};

Hearing listen(const WaveAudio &audio)
{
    Hearing h;
    const auto *samples = reinterpret_cast<const qint16 *>(audio.samples.constData());
    const qsizetype count = audio.samples.size() / 2;
    const int rate = audio.format.sampleRate();
    h.seconds = double(count) / rate;
    const qsizetype window = rate / 20;
    qsizetype crossings = 0;
    qsizetype soundFrames = 0;
    for (qsizetype start = 0; start + window <= count; start += window) {
        double energy = 0;
        for (qsizetype i = start; i < start + window; ++i)
            energy += double(samples[i]) * samples[i];
        if (std::sqrt(energy / window) / 32768.0 > 0.02) {
            soundFrames += window;
            for (qsizetype i = start + 1; i < start + window; ++i)
                crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        }
    }
    h.soundSeconds = double(soundFrames) / rate;
    h.frequency = h.soundSeconds > 0 ? crossings / 2.0 / h.soundSeconds : 0;
    return h;
}

// A wave file of `ms` milliseconds of a 440 Hz tone.
QByteArray toneFile(qint64 ms)
{
    const QAudioFormat format = AudioMediaControl::dictationFormat();
    const qsizetype frames = qsizetype(MediaWave::bytesAt(format, ms) / 2);
    QByteArray samples(frames * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < frames; ++i)
        qToLittleEndian<qint16>(qint16(12000 * std::sin(2 * M_PI * 440 * double(i) / format.sampleRate())),
                                samples.data() + 2 * i);
    return MediaWave::header(format, samples.size()) + samples;
}

class ReportStub : public QWidget, public VoiceReportHost
{
public:
    DictationHeader dictationHeader() const override { return {u"5"_s, u"0042"_s, {}, u"Sue"_s, 1}; }
    void dictationSaved() override { ++saved; }
    int saved = 0;
};

} // namespace

class TestRecorderAudio : public QObject
{
    Q_OBJECT

private slots:
    void recordsTheToneFromTheDefaultInput();
    void recordingAtAPositionInsertsOrOverwrites();
    void playbackRunsToTheEndAndReturnsToPause();
    void footSwitchOpensAndClosesARealPort();
    void dictationGoesToTheServerAndComesBackToBePlayed();
};

void TestRecorderAudio::recordsTheToneFromTheDefaultInput()
{
    if (!audioAvailable())
        QSKIP(qPrintable(kNoAudio));
    QTemporaryDir dir(QDir::tempPath() + u"/zel audio XXXXXX"_s);
    const QString path = dir.filePath(u"Report.wav"_s);
    AudioMediaControl media;
    QVERIFY(media.command(u"open new type waveaudio alias capture"_s).ok);
    const MediaControl::Reply recording = media.command(u"record capture from 0"_s);
    QVERIFY2(recording.ok, qPrintable(recording.error));
    QCOMPARE(media.command(u"status capture mode"_s).text, u"recording"_s);
    QTRY_VERIFY_WITH_TIMEOUT(media.command(u"status capture position"_s).number() >= 2000, 20000);
    QVERIFY(media.command(u"pause capture"_s).ok);
    const qint64 length = media.command(u"status capture length"_s).number();
    QVERIFY2(length >= 2000 && length < 3500, qPrintable(QString::number(length)));
    QCOMPARE(media.command(u"status capture position"_s).number(), length);
    const MediaControl::Reply saved = media.command(u"save capture "_s + MediaCommand::quoted(path));
    QVERIFY2(saved.ok, qPrintable(saved.error));

    // A plain PCM wave file: RIFF header, 16-bit mono at 22050 Hz, the data chunk to the end.
    const QByteArray file = readFile(path);
    QCOMPARE(file.left(4), QByteArray("RIFF"));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 4), quint32(file.size() - 8));
    QCOMPARE(file.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 20), quint16(1));
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 22), quint16(1));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 24), quint32(22050));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 28), quint32(44100));
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 34), quint16(16));
    QCOMPARE(file.mid(36, 4), QByteArray("data"));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 40), quint32(file.size() - 44));
    QString why;
    const std::optional<WaveAudio> audio = MediaWave::read(file, &why);
    QVERIFY2(audio, qPrintable(why));
    const Hearing heard = listen(*audio);
    qInfo("recorded %.2f s, %.2f s of it sound at %.0f Hz", heard.seconds, heard.soundSeconds, heard.frequency);
    QCOMPARE(qRound64(heard.seconds * 1000) / 10, length / 10);
    // About two seconds of the tone, not silence and not noise.
    QVERIFY2(heard.soundSeconds >= 1.7, qPrintable(QString::number(heard.soundSeconds)));
    QVERIFY2(std::abs(heard.frequency - 440) < 30, qPrintable(QString::number(heard.frequency)));

    // A common tool reads it too.
    const QString sox = QStandardPaths::findExecutable(u"sox"_s);
    if (!sox.isEmpty()) {
        QProcess info;
        info.start(sox, {u"--i"_s, u"-D"_s, path});
        QVERIFY(info.waitForFinished(10000));
        QCOMPARE(info.exitCode(), 0);
        QVERIFY(std::abs(info.readAllStandardOutput().trimmed().toDouble() - heard.seconds) < 0.01);
    }
}

void TestRecorderAudio::recordingAtAPositionInsertsOrOverwrites()
{
    if (!audioAvailable())
        QSKIP(qPrintable(kNoAudio));
    AudioMediaControl media;
    const auto status = [&media](const QString &item) { return media.command(u"status capture "_s + item).number(); };
    QVERIFY(media.command(u"open new type waveaudio alias capture"_s).ok);
    QVERIFY(media.command(u"record capture from 0"_s).ok);
    QTRY_VERIFY_WITH_TIMEOUT(status(u"position"_s) >= 1000, 20000);
    QVERIFY(media.command(u"pause capture"_s).ok);
    const qint64 first = status(u"length"_s);

    // Back to half a second, as the transport moves: play and pause at once.
    QVERIFY(media.command(u"play capture from 0500"_s).ok);
    QVERIFY(media.command(u"pause capture"_s).ok);
    QCOMPARE(status(u"position"_s), qint64(500));

    QVERIFY(media.command(u"record capture from 500"_s).ok);
    QTRY_VERIFY_WITH_TIMEOUT(status(u"position"_s) >= 1100, 20000);
    QVERIFY(media.command(u"pause capture"_s).ok);
    const qint64 inserted = status(u"position"_s) - 500;
    QVERIFY(std::abs(status(u"length"_s) - (first + inserted)) <= 1);

    const qint64 before = status(u"length"_s);
    QVERIFY(media.command(u"record capture from 200 overwrite"_s).ok);
    QTRY_VERIFY_WITH_TIMEOUT(status(u"position"_s) >= 500, 20000);
    QVERIFY(media.command(u"pause capture"_s).ok);
    QCOMPARE(status(u"length"_s), before);
}

void TestRecorderAudio::playbackRunsToTheEndAndReturnsToPause()
{
    if (!audioAvailable())
        QSKIP(qPrintable(kNoAudio));
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Report.wav"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(toneFile(1200));
    file.close();

    AudioMediaControl media;
    FakeFootSwitch footSwitch;
    RecorderTransport transport(media, footSwitch, [] { return false; });
    transport.reset();
    QElapsedTimer clock;
    clock.start();
    QString why;
    QVERIFY2(transport.playReceived(path, &why), qPrintable(why));
    QCOMPARE(transport.selected(), Button::Play);
    QCOMPARE(transport.length(), qint64(1200));
    QTRY_VERIFY_WITH_TIMEOUT(transport.position() > 0, 5000);
    QCOMPARE(media.command(u"status sound mode"_s).text, u"playing"_s);
    QTRY_COMPARE_WITH_TIMEOUT(transport.selected(), Button::Pause, 10000);
    // It was heard, not skipped: playing took about as long as the sound is.
    QVERIFY2(clock.elapsed() >= 900, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(transport.position(), qint64(1200));
    QCOMPARE(media.command(u"status sound mode"_s).text, u"paused"_s);
    QVERIFY(!transport.isEnabled(Button::Forward));
}

void TestRecorderAudio::footSwitchOpensAndClosesARealPort()
{
    const QString socat = QStandardPaths::findExecutable(u"socat"_s);
    if (socat.isEmpty())
        QSKIP("socat is not installed (scripts/setup.sh installs it); it makes the pseudo-terminal");
    QTemporaryDir dir;
    const QString port = dir.filePath(u"ttyPedal"_s);
    QProcess pty;
    pty.start(socat, {u"pty,raw,echo=0,link="_s + port, u"pty,raw,echo=0,link="_s + dir.filePath(u"ttyOther"_s)});
    QVERIFY(pty.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(port), 5000);

    SerialFootSwitch footSwitch;
    QString why;
    QVERIFY2(footSwitch.open(port, &why), qPrintable(why));
    QVERIFY(footSwitch.isOpen());
    // A pseudo-terminal has no pedal lines: both read as up, without an error.
    const FootSwitch::Pedals pedals = footSwitch.pedals();
    QVERIFY(!pedals.main && !pedals.second);
    footSwitch.close();
    QVERIFY(!footSwitch.isOpen());
    QVERIFY(!footSwitch.open(dir.filePath(u"no such port"_s), &why));
    QVERIFY(!why.isEmpty());
    QVERIFY(!footSwitch.isOpen());

    // The window's buttons on the same port, named in FootSwitch.ini.
    QFile ini(dir.filePath(u"FootSwitch.ini"_s));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QFile::encodeName(port) + "\r\n");
    ini.close();
    Session session;
    PromptRecorder prompts;
    LogBook log(dir.path(), prompts);
    ScriptedDialogs dialogs;
    CommandLink link(session, prompts, log);
    TaskContext context{session, link, prompts, log, dir.path(), dialogs};
    RecorderDevices devices;
    devices.media = std::make_unique<ScriptedMedia>();
    RecorderWindow window(context, VoiceReport{}, QString(), nullptr, std::move(devices));
    window.show();
    QTest::mouseClick(child<QPushButton>(&window, u"Command8"_s), Qt::LeftButton);
    QCOMPARE(child<QLabel>(&window, u"lblStatus"_s)->text(), u"Foot switch on: "_s + port);
    QTest::qWait(3 * RecorderTransport::TimerIntervalMs); // Timer1 reads the open port
    QCOMPARE(window.transport().selected(), Button::Pause);
    QTest::mouseClick(child<QPushButton>(&window, u"Command10"_s), Qt::LeftButton);
    QCOMPARE(child<QLabel>(&window, u"lblStatus"_s)->text(), u"Foot switch off"_s);
    QVERIFY(prompts.shown.isEmpty());

    pty.terminate();
    QVERIFY(pty.waitForFinished(5000));
}

void TestRecorderAudio::dictationGoesToTheServerAndComesBackToBePlayed()
{
    if (!audioAvailable())
        QSKIP(qPrintable(kNoAudio));
    QTemporaryDir serverDir;
    ZelServer server;
    ZelServer::Options options;
    options.databasePath = serverDir.filePath(u"department.sqlite"_s);
    QString error;
    QVERIFY2(server.start(options, &error), qPrintable(error));
    const QString uid = u"2.25.1234567"_s;
    QSqlQuery study(server.database().connection());
    QVERIFY(study.exec(u"INSERT INTO tblStudies (StudyID, StudyNr, StudyUID) VALUES (1, 42, '2.25.1234567')"_s));

    Desk desk(server.commandPort());
    desk.session.StudyUid = uid;
    ReportStub report;
    report.show();
    const VoiceReport labels{u"Botha Anna"_s, u"0000042"_s, u"12345678"_s, u"Dr. Naidoo"_s};

    // Dictate about a second and a half and send it.
    AudioMediaControl sound;
    auto makeDevices = [&sound](ScriptedMedia **media) {
        RecorderDevices devices;
        auto scripted = std::make_unique<ScriptedMedia>();
        scripted->forward = &sound;
        *media = scripted.get();
        devices.media = std::move(scripted);
        devices.footSwitch = std::make_unique<FakeFootSwitch>();
        return devices;
    };
    ScriptedMedia *media = nullptr;
    QPointer<RecorderWindow> window = openVoiceRecorder(desk.main->context(), labels, &report, makeDevices(&media));
    QTRY_VERIFY(desk.idle());
    QVERIFY(!window->transport().playerMode());
    QTest::mouseClick(child<QPushButton>(window, u"OptSteuer(6)"_s), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(window->transport().position() >= 1500, 20000);
    QTest::mouseClick(child<QPushButton>(window, u"OptSteuer(2)"_s), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(window, u"cmdSend"_s), Qt::LeftButton);
    const QByteArray sent = media->saved.value(0);
    QVERIFY(sent.size() > 44 + 1500 * 44);
    QTRY_VERIFY_WITH_TIMEOUT(!window, 20000);
    QCOMPARE(desk.prompts.shown.size(), 1);
    QCOMPARE(desk.prompts.shown.first().text, u"Report saved succesfully!"_s);
    QCOMPARE(report.saved, 1);
    // The file the recorder saved is the one the server keeps.
    QCOMPARE(readFile(QDir(server.filesDirectory()).filePath(uid + u".wav"_s)), sent);
    QVERIFY(!QFile::exists(RecorderWorkFile(desk.dir.path()).path()));

    // Opened again for the examination: the dictation comes back and plays to its end.
    window = openVoiceRecorder(desk.main->context(), labels, &report, makeDevices(&media));
    QTRY_VERIFY_WITH_TIMEOUT(window->transport().playerMode(), 20000);
    QCOMPARE(readFile(RecorderWorkFile(desk.dir.path()).path()), sent);
    QCOMPARE(child<QLabel>(window, u"lblStatus"_s)->text(), u"Audio-Report loaded (Player-Mode)"_s);
    QCOMPARE(window->transport().selected(), Button::Play);
    const qint64 length = MediaWave::durationMs(AudioMediaControl::dictationFormat(), sent.size() - 44);
    QCOMPARE(window->transport().length(), length);
    QTRY_COMPARE_WITH_TIMEOUT(window->transport().selected(), Button::Pause, int(length) + 10000);
    QCOMPARE(window->transport().position(), length);
    window->close();
}

QTEST_MAIN(TestRecorderAudio)
#include "tst_recorderaudio.moc"
