#include "mediaaudio.h"

#include "mediawave.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QFile>
#include <QMediaDevices>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

MediaControl::Reply failed(const QString &why)
{
    return {false, {}, why};
}

MediaControl::Reply number(qint64 value)
{
    return {true, QString::number(value), {}};
}

// A sink that reached the end of its samples still holds the last moment of sound in its buffers;
// it is left to play that out for this long before it goes.
constexpr int kDrainMs = 1500;

} // namespace

AudioMediaControl::AudioMediaControl(QObject *parent) : QObject(parent) {}

AudioMediaControl::~AudioMediaControl()
{
    for (auto &[alias, device] : m_devices)
        settle(*device, State::Stopped);
}

QAudioFormat AudioMediaControl::dictationFormat()
{
    QAudioFormat format;
    format.setSampleRate(22050);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

MediaControl::Reply AudioMediaControl::command(const QString &text)
{
    QString why;
    const std::optional<MediaCommand> parsed = MediaCommand::parse(text, &why);
    if (!parsed)
        return failed(why);
    return run(*parsed);
}

AudioMediaControl::Device *AudioMediaControl::find(const QString &alias)
{
    const auto it = m_devices.find(alias);
    return it == m_devices.end() ? nullptr : it->second.get();
}

MediaControl::Reply AudioMediaControl::run(const MediaCommand &command)
{
    using Verb = MediaCommand::Verb;
    switch (command.verb) {
    case Verb::OpenNew:
        return openNew(command.alias);
    case Verb::OpenFile:
        return openFile(command.alias, command.path);
    case Verb::CloseAll:
        while (!m_devices.empty())
            closeDevice(m_devices.begin()->first);
        return {};
    default:
        break;
    }
    Device *device = find(command.alias);
    if (!device)
        return failed(u"the device "_s + command.alias + u" is not open"_s);
    switch (command.verb) {
    case Verb::Close:
        closeDevice(command.alias);
        return {};
    case Verb::Rec:
        return record(*device, command);
    case Verb::Play:
        return play(*device, command.alias, command.from.value_or(positionOf(*device)));
    case Verb::Pause:
        settle(*device, State::Paused);
        return {};
    case Verb::Stop:
        settle(*device, State::Stopped);
        return {};
    case Verb::Status:
        return status(*device, command.item);
    case Verb::Save:
        return save(*device, command.path);
    default:
        return failed(u"not a device command"_s);
    }
}

void AudioMediaControl::closeDevice(const QString &alias)
{
    const auto it = m_devices.find(alias);
    if (it == m_devices.end())
        return;
    settle(*it->second, State::Stopped);
    m_devices.erase(it);
}

MediaControl::Reply AudioMediaControl::openNew(const QString &alias)
{
    closeDevice(alias);
    auto device = std::make_unique<Device>();
    device->format = dictationFormat();
    m_devices[alias] = std::move(device);
    return {};
}

MediaControl::Reply AudioMediaControl::openFile(const QString &alias, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(u"cannot open "_s + path + u": "_s + file.errorString());
    QString why;
    std::optional<WaveAudio> audio = MediaWave::read(file.readAll(), &why);
    if (!audio)
        return failed(path + u": "_s + why);
    closeDevice(alias);
    auto device = std::make_unique<Device>();
    device->format = audio->format;
    device->samples = std::move(audio->samples);
    m_devices[alias] = std::move(device);
    return {};
}

MediaControl::Reply AudioMediaControl::record(Device &device, const MediaCommand &command)
{
    settle(device, State::Paused);
    const QAudioDevice input = QMediaDevices::defaultAudioInput();
    if (input.isNull())
        return failed(u"there is no audio input"_s);
    const qint64 from = std::min(command.from.value_or(positionOf(device)), lengthOf(device));
    auto *source = new QAudioSource(input, device.format, this);
    QIODevice *stream = source->start();
    if (!stream || source->error() != QAudio::NoError) {
        source->deleteLater();
        return failed(u"the audio input cannot record"_s);
    }
    device.source = source;
    device.input = stream;
    device.take.clear();
    device.recordOffset = std::min<qint64>(MediaWave::bytesAt(device.format, from), device.samples.size());
    device.recordMode = command.recordMode;
    device.state = State::Recording;
    ++device.generation;
    connect(stream, &QIODevice::readyRead, this, [&device, stream] {
        if (device.input == stream)
            device.take.append(stream->readAll());
    });
    return {};
}

MediaControl::Reply AudioMediaControl::play(Device &device, const QString &alias, qint64 from)
{
    settle(device, State::Paused);
    if (QMediaDevices::defaultAudioOutput().isNull())
        return failed(u"there is no audio output"_s);
    device.playFrom = std::min(from, lengthOf(device));
    device.position = device.playFrom;
    device.state = State::PlayPending;
    const quint64 generation = ++device.generation;
    // Started once the commands of this moment are done: a "pause" right behind it (the transport's
    // way of moving the position) then costs no sound and leaves the position exactly there.
    QTimer::singleShot(0, this, [this, alias, generation] { beginPlayback(alias, generation); });
    return {};
}

void AudioMediaControl::beginPlayback(const QString &alias, quint64 generation)
{
    Device *device = find(alias);
    if (!device || device->generation != generation || device->state != State::PlayPending)
        return;
    if (device->playFrom >= lengthOf(*device)) {
        device->position = lengthOf(*device);
        device->state = State::Paused;
        return;
    }
    auto *sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), device->format, this);
    auto *buffer = new QBuffer(sink);
    buffer->setData(device->samples); // shared, not copied
    buffer->open(QIODevice::ReadOnly);
    buffer->seek(MediaWave::bytesAt(device->format, device->playFrom));
    device->sink = sink;
    device->buffer = buffer;
    connect(sink, &QAudioSink::stateChanged, this, [this, alias, generation] { onSinkState(alias, generation); });
    sink->start(buffer);
    device->clock.start();
    device->state = State::Playing;
    if (sink->error() != QAudio::NoError)
        settle(*device, State::Paused);
}

void AudioMediaControl::onSinkState(const QString &alias, quint64 generation)
{
    Device *device = find(alias);
    if (!device || device->generation != generation || device->state != State::Playing || !device->sink)
        return;
    const QAudio::State state = device->sink->state();
    if (state == QAudio::IdleState && device->buffer->atEnd()) {
        // Every sample has gone out: the device rests at its end while the last of it sounds.
        retireSink(*device, true);
        device->position = lengthOf(*device);
        device->state = State::Paused;
        ++device->generation;
    } else if (state == QAudio::StoppedState || device->sink->error() != QAudio::NoError) {
        settle(*device, State::Paused);
    }
}

void AudioMediaControl::retireSink(Device &device, bool drain)
{
    QAudioSink *sink = std::exchange(device.sink, nullptr);
    device.buffer = nullptr;
    if (!sink)
        return;
    sink->disconnect(this);
    if (drain) {
        QTimer::singleShot(kDrainMs, sink, [sink] {
            sink->stop();
            sink->deleteLater();
        });
    } else {
        sink->stop();
        sink->deleteLater();
    }
}

void AudioMediaControl::finishRecording(Device &device)
{
    QAudioSource *source = std::exchange(device.source, nullptr);
    QIODevice *input = std::exchange(device.input, nullptr);
    if (!source)
        return;
    if (input) {
        input->disconnect(this);
        device.take.append(input->readAll());
    }
    source->disconnect(this);
    source->stop();
    source->deleteLater();
    // Whole frames only: a device may hand over a frame in two reads.
    const int frame = device.format.bytesPerFrame();
    if (frame > 0)
        device.take.chop(device.take.size() % frame);
    if (device.recordMode == MediaCommand::RecordMode::Overwrite) {
        const qsizetype replaced = std::min<qsizetype>(device.take.size(), device.samples.size() - device.recordOffset);
        device.samples.replace(device.recordOffset, replaced, device.take);
    } else {
        device.samples.insert(device.recordOffset, device.take);
    }
    device.position = MediaWave::durationMs(device.format, device.recordOffset + device.take.size());
    device.take.clear();
}

void AudioMediaControl::settle(Device &device, State to)
{
    switch (device.state) {
    case State::Recording:
        finishRecording(device);
        break;
    case State::Playing:
        device.position = positionOf(device);
        retireSink(device, false);
        break;
    case State::PlayPending:
        device.position = device.playFrom;
        break;
    case State::Paused:
    case State::Stopped:
        break;
    }
    device.state = device.state == State::Stopped && to == State::Paused ? State::Stopped : to;
    ++device.generation;
}

qint64 AudioMediaControl::positionOf(const Device &device) const
{
    switch (device.state) {
    case State::Recording:
        return MediaWave::durationMs(device.format, device.recordOffset + device.take.size());
    case State::Playing: {
        // What the sink has taken is ahead of what has sounded by its buffer; the clock since the
        // start is not, as long as the sink keeps up.
        const qint64 taken = device.sink ? device.sink->processedUSecs() / 1000 : 0;
        const qint64 played = std::min(taken, device.clock.elapsed());
        return std::min(device.playFrom + played, lengthOf(device));
    }
    case State::PlayPending:
        return device.playFrom;
    case State::Paused:
    case State::Stopped:
        break;
    }
    return device.position;
}

qint64 AudioMediaControl::lengthOf(const Device &device) const
{
    qint64 bytes = device.samples.size();
    if (device.state == State::Recording) {
        bytes = device.recordMode == MediaCommand::RecordMode::Overwrite
                    ? std::max<qint64>(bytes, device.recordOffset + device.take.size())
                    : bytes + device.take.size();
    }
    return MediaWave::durationMs(device.format, bytes);
}

MediaControl::Reply AudioMediaControl::status(Device &device, MediaCommand::Item item)
{
    switch (item) {
    case MediaCommand::Item::Position:
        return number(positionOf(device));
    case MediaCommand::Item::Length:
        return number(lengthOf(device));
    case MediaCommand::Item::Mode:
        switch (device.state) {
        case State::Recording:
            return {true, u"recording"_s, {}};
        case State::Playing:
        case State::PlayPending:
            return {true, u"playing"_s, {}};
        case State::Paused:
            return {true, u"paused"_s, {}};
        case State::Stopped:
            return {true, u"stopped"_s, {}};
        }
    }
    return failed(u"unknown status item"_s);
}

MediaControl::Reply AudioMediaControl::save(Device &device, const QString &path)
{
    if (device.state == State::Recording)
        settle(device, State::Paused);
    QString why;
    if (!MediaWave::write(path, device.format, device.samples, &why))
        return failed(why);
    return {};
}
