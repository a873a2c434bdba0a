#pragma once

#include "mediacommand.h"
#include "mediacontrol.h"

#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>

#include <map>
#include <memory>

class QAudioSink;
class QAudioSource;
class QBuffer;
class QIODevice;

// The media commands carried out with Qt Multimedia: each alias is a wave device held in memory,
// recorded from the system's default input (QAudioSource) and played to its default output
// (QAudioSink). Recording at a position inserts at that position (overwrite on request), as a
// dictation is corrected by going back and speaking again; "play" followed at once by "pause" only
// moves the position, as the transport does for back, forward, begin and end. Playback that reaches
// the end leaves the device paused at its length. Everything runs on the thread of the event loop.
class AudioMediaControl : public QObject, public MediaControl
{
    Q_OBJECT

public:
    explicit AudioMediaControl(QObject *parent = nullptr);
    ~AudioMediaControl() override;

    Reply command(const QString &text) override;

    // New recordings: 16-bit PCM, one channel, 22050 Hz, which every player opens and which keeps
    // speech clear at 44 kB a second.
    static QAudioFormat dictationFormat();

private:
    enum class State { Stopped, Paused, PlayPending, Playing, Recording };

    struct Device
    {
        QAudioFormat format;
        QByteArray samples;
        State state = State::Stopped;
        qint64 position = 0;  // while no sink or source runs
        quint64 generation = 0; // bumped whenever what the device does changes

        // Playback.
        QAudioSink *sink = nullptr;
        QBuffer *buffer = nullptr;
        qint64 playFrom = 0;
        QElapsedTimer clock;

        // Recording.
        QAudioSource *source = nullptr;
        QIODevice *input = nullptr;
        QByteArray take;
        qint64 recordOffset = 0; // bytes
        MediaCommand::RecordMode recordMode = MediaCommand::RecordMode::Insert;
    };

    Reply run(const MediaCommand &command);
    Device *find(const QString &alias);
    void closeDevice(const QString &alias);

    Reply openNew(const QString &alias);
    Reply openFile(const QString &alias, const QString &path);
    Reply record(Device &device, const MediaCommand &command);
    Reply play(Device &device, const QString &alias, qint64 from);
    Reply save(Device &device, const QString &path);
    Reply status(Device &device, MediaCommand::Item item);

    void beginPlayback(const QString &alias, quint64 generation);
    void onSinkState(const QString &alias, quint64 generation);
    // Ends whatever the device does and leaves it paused (or stopped) where it is.
    void settle(Device &device, State to);
    void finishRecording(Device &device);
    void retireSink(Device &device, bool drain);

    qint64 positionOf(const Device &device) const;
    qint64 lengthOf(const Device &device) const;

    std::map<QString, std::unique_ptr<Device>> m_devices;
};
