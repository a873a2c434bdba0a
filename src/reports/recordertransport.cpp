#include "recordertransport.h"

#include "footswitch.h"
#include "mediacommand.h"
#include "mediacontrol.h"
#include "recorderini.h"

using namespace Qt::StringLiterals;

const QString RecorderTransport::Capture = u"capture"_s;
const QString RecorderTransport::Sound = u"sound"_s;

namespace {

// How far back and forward step: in recorder mode a second back and five forward, in player mode
// (listening to a dictation, typing it) half a second either way.
constexpr qint64 kBackRecorder = 1000;
constexpr qint64 kBackPlayer = 500;
constexpr qint64 kForwardRecorder = 5000;
constexpr qint64 kForwardPlayer = 500;

} // namespace

RecorderTransport::RecorderTransport(MediaControl &media, FootSwitch &footSwitch, std::function<bool()> shiftHeld,
                                     QObject *parent)
    : QObject(parent)
    , m_media(media)
    , m_footSwitch(footSwitch)
    , m_shiftHeld(std::move(shiftHeld))
    , m_recordedDevice(Capture)
{
    m_timer.setInterval(TimerIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &RecorderTransport::tick);
}

void RecorderTransport::setRecordFlag(const QString &flag)
{
    m_recordFlag = flag;
    m_enabled[Rec] = recordingAllowed();
    m_sendEnabled = recordingAllowed();
    notify();
}

bool RecorderTransport::recordingAllowed() const
{
    return RecorderIni::recordingAllowed(m_recordFlag);
}

void RecorderTransport::setPlayerMode(bool on)
{
    m_playerMode = on;
    notify();
}

qint64 RecorderTransport::send(const QString &command)
{
    return m_media.command(command).number();
}

void RecorderTransport::notify()
{
    if (m_depth == 0)
        emit changed();
}

void RecorderTransport::select(Button button)
{
    if (button == m_selected)
        return;
    m_selected = button;
    ++m_depth;
    run(button);
    --m_depth;
    notify();
}

void RecorderTransport::enableAll()
{
    m_enabled.fill(true);
    // The record flag holds in every state: a user who may not record never gets the button back.
    m_enabled[Rec] = recordingAllowed();
}

void RecorderTransport::commonEndStep()
{
    if (!m_playerMode)
        return;
    m_enabled[Rec] = recordingAllowed();
    m_sendEnabled = recordingAllowed();
    m_resetEnabled = true;
}

void RecorderTransport::run(Button button)
{
    const QString dev = device();
    const auto playFrom = [&](qint64 position) { send(u"play "_s + dev + u" from 0"_s + QString::number(position)); };
    m_sendEnabled = recordingAllowed();

    switch (button) {
    case Begin:
        send(u"play "_s + dev + u" from 0"_s);
        m_position = 0;
        select(Pause);
        return;
    case Back: {
        const qint64 step = m_playerMode ? kBackPlayer : kBackRecorder;
        if (m_position - step < 0) {
            send(u"play "_s + dev + u" from 0"_s);
            m_position = 0;
        } else {
            m_position -= step;
            playFrom(m_position);
        }
        select(Pause);
        return;
    }
    case Pause:
        send(u"pause "_s + dev);
        m_position = send(u"status "_s + dev + u" position"_s);
        enableAll();
        if (m_length == m_position)
            m_enabled[Forward] = false;
        commonEndStep();
        return;
    case Play:
        playFrom(m_position);
        m_enabled[Rec] = recordingAllowed();
        m_timer.start();
        commonEndStep();
        return;
    case Forward: {
        const qint64 step = m_playerMode ? kForwardPlayer : kForwardRecorder;
        m_position = m_length < m_position + step ? m_length : m_position + step;
        playFrom(m_position);
        select(Pause);
        return;
    }
    case End:
        m_position = m_length;
        playFrom(m_position);
        select(Pause);
        return;
    case Rec:
        if (m_position != 0) {
            send(u"record "_s + dev + u" from "_s + QString::number(m_position));
        } else {
            send(u"close all"_s);
            send(u"open new type waveaudio alias "_s + dev);
            send(u"record "_s + dev + u" from 0"_s);
            send(u"status "_s + dev + u" position"_s);
        }
        m_recordedDevice = dev;
        m_unsaved = true;
        for (Button b : {Begin, Back, Play, Forward, End})
            m_enabled[b] = false;
        m_timer.start();
        commonEndStep();
        return;
    }
}

void RecorderTransport::reset()
{
    m_timer.stop();
    send(u"close all"_s);
    send(u"open new type waveaudio alias capture"_s);
    send(u"status capture position"_s);
    ++m_depth;
    select(Pause);
    --m_depth;
    m_position = 0;
    m_length = 1;
    m_sendEnabled = recordingAllowed();
    m_recordedDevice = Capture;
    m_unsaved = false;
    notify();
}

void RecorderTransport::tick()
{
    ++m_depth;
    const bool switchOn = m_footSwitch.isOpen();
    if (switchOn && m_shiftHeld)
        m_playerMode = m_shiftHeld();
    if (m_playerMode && !recordingAllowed())
        m_enabled[Rec] = false;
    const QString dev = device();
    const qint64 length = send(u"status "_s + dev + u" length"_s);
    qint64 position = 0;
    if (length != 0) {
        m_length = length;
        position = send(u"status "_s + dev + u" position"_s);
    }
    m_position = position;
    if (m_length == m_position && m_selected == Play)
        select(Pause); // the end of playback

    if (switchOn) {
        const FootSwitch::Pedals pedals = m_footSwitch.pedals();
        if (m_playerMode) {
            if (pedals.main)
                select(Play);
            if (pedals.second)
                select(Back);
            if (!pedals.main)
                select(Pause);
        } else {
            select(pedals.main ? Rec : Pause);
        }
    }
    --m_depth;
    notify();
}

bool RecorderTransport::playReceived(const QString &path, QString *error)
{
    ++m_depth;
    // A recording still running ends where it is before the received dictation takes over.
    if (m_selected == Rec)
        select(Pause);
    const MediaControl::Reply opened
        = m_media.command(u"open waveaudio!"_s + MediaCommand::quoted(path) + u" alias sound"_s);
    if (!opened.ok) {
        if (error)
            *error = opened.error;
        --m_depth;
        notify();
        return false;
    }
    m_playerMode = true;
    m_length = send(u"status sound length"_s);
    m_timer.start();
    send(u"play sound from 0"_s);
    m_position = 0;
    select(Play);
    --m_depth;
    notify();
    return true;
}

bool RecorderTransport::loadRecording(const QString &path, QString *error)
{
    const MediaControl::Reply opened
        = m_media.command(u"open waveaudio!"_s + MediaCommand::quoted(path) + u" alias capture"_s);
    if (!opened.ok) {
        if (error)
            *error = opened.error;
        return false;
    }
    ++m_depth;
    m_playerMode = false;
    m_length = send(u"status capture length"_s);
    m_position = 0;
    m_recordedDevice = Capture;
    if (m_selected == Pause)
        run(Pause);
    else
        select(Pause);
    --m_depth;
    notify();
    return true;
}

void RecorderTransport::closeDevices()
{
    m_timer.stop();
    send(u"stop capture"_s);
    send(u"close capture"_s);
    send(u"stop sound"_s);
    send(u"close sound"_s);
}
