#pragma once

#include "reports/footswitch.h"
#include "reports/mediaaudio.h"
#include "reports/mediacommand.h"
#include "reports/mediacontrol.h"
#include "reports/mediawave.h"

#include <QFile>
#include <QMap>
#include <QSet>
#include <QStringList>

// A media layer for tests: records every command string it receives and plays the devices as far
// as the recorder can see them (open and close, position set by play and record, length, saving a
// wave file of that length). Tests set a device's length and position to stand for time passing.
// With `forward` set it passes every command on to a real layer instead, and keeps the bytes of
// each file saved.
class ScriptedMedia : public MediaControl
{
public:
    struct Device
    {
        qint64 position = 0;
        qint64 length = 0;
        QString mode = QStringLiteral("stopped");
    };

    Reply command(const QString &text) override
    {
        commands.append(text);
        QString why;
        const std::optional<MediaCommand> c = MediaCommand::parse(text, &why);
        if (forward) {
            const Reply reply = forward->command(text);
            if (reply.ok && c && c->verb == MediaCommand::Verb::Save) {
                QFile file(c->path);
                if (file.open(QIODevice::ReadOnly))
                    saved.append(file.readAll());
            }
            return reply;
        }
        if (!c)
            return {false, {}, why};
        if (failing.contains(c->verb))
            return {false, {}, failure};
        using Verb = MediaCommand::Verb;
        if (c->verb == Verb::OpenNew) {
            devices[c->alias] = Device{};
            return {};
        }
        if (c->verb == Verb::OpenFile) {
            QFile file(c->path);
            if (!file.open(QIODevice::ReadOnly))
                return {false, {}, QStringLiteral("cannot open ") + c->path};
            const std::optional<WaveAudio> audio = MediaWave::read(file.readAll(), &why);
            if (!audio)
                return {false, {}, why};
            devices[c->alias] = Device{0, MediaWave::durationMs(audio->format, audio->samples.size()), QStringLiteral("stopped")};
            return {};
        }
        if (c->verb == Verb::CloseAll) {
            devices.clear();
            return {};
        }
        if (!devices.contains(c->alias))
            return {false, {}, QStringLiteral("not open")};
        Device &d = devices[c->alias];
        switch (c->verb) {
        case Verb::Close:
            devices.remove(c->alias);
            return {};
        case Verb::Rec:
            d.position = std::min(c->from.value_or(d.position), d.length);
            d.mode = QStringLiteral("recording");
            return {};
        case Verb::Play:
            d.position = std::min(c->from.value_or(d.position), d.length);
            d.mode = QStringLiteral("playing");
            return {};
        case Verb::Pause:
        case Verb::Stop:
            d.mode = c->verb == Verb::Pause ? QStringLiteral("paused") : QStringLiteral("stopped");
            return {};
        case Verb::Status:
            if (c->item == MediaCommand::Item::Mode)
                return {true, d.mode, {}};
            return {true, QString::number(c->item == MediaCommand::Item::Length ? d.length : d.position), {}};
        case Verb::Save: {
            // A wave file of the device's length; the samples count up so that files differ.
            const QAudioFormat format = AudioMediaControl::dictationFormat();
            QByteArray samples(qsizetype(MediaWave::bytesAt(format, d.length)), Qt::Uninitialized);
            for (qsizetype i = 0; i < samples.size(); ++i)
                samples[i] = char((i * 7 + d.length) & 0xff);
            if (!MediaWave::write(c->path, format, samples, &why))
                return {false, {}, why};
            saved.append(MediaWave::header(format, samples.size()) + samples);
            return {};
        }
        default:
            return {};
        }
    }

    // Time has passed on a device: it is at `position` of `length` milliseconds.
    void set(const QString &alias, qint64 length, qint64 position)
    {
        Device &d = devices[alias];
        d.length = length;
        d.position = position;
    }

    QStringList commands;
    QMap<QString, Device> devices;
    QSet<MediaCommand::Verb> failing; // these commands fail
    QString failure = QStringLiteral("the disc is full");
    MediaControl *forward = nullptr;
    QList<QByteArray> saved;
};

// A foot switch for tests: the pedals are where the test puts them.
class FakeFootSwitch : public FootSwitch
{
public:
    bool open(const QString &device, QString *error) override
    {
        opened = !refuse;
        if (refuse && error)
            *error = QStringLiteral("No such file or directory");
        if (opened)
            openedDevice = device;
        return opened;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    Pedals pedals() override { return opened ? down : Pedals{}; }

    bool refuse = false;
    bool opened = false;
    QString openedDevice;
    Pedals down;
};
