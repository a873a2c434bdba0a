#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>

class FootSwitch;
class MediaControl;

// The recorder's transport without its window: the seven option buttons (exactly one selected), the
// position display (value and maximum in milliseconds), the enabled states of the buttons, of
// "Send" and of "Reset", the two modes (recorder mode works on the "capture" device, player mode on
// the "sound" device) and Timer1, which every 100 ms reads the device's length and position and the
// foot switch. Every action is carried out as media command strings; the window shows the state.
class RecorderTransport : public QObject
{
    Q_OBJECT

public:
    // OptSteuer(0) to OptSteuer(6).
    enum Button : int { Begin, Back, Pause, Play, Forward, End, Rec };
    static constexpr int ButtonCount = 7;

    static constexpr int TimerIntervalMs = 100;

    static const QString Capture;
    static const QString Sound;

    // `shiftHeld` reads the Shift key at this moment; it chooses player mode while the foot switch
    // is on.
    RecorderTransport(MediaControl &media, FootSwitch &footSwitch, std::function<bool()> shiftHeld,
                      QObject *parent = nullptr);

    // The first line of Recorder.ini; "no" keeps record and "Send" disabled.
    void setRecordFlag(const QString &flag);
    QString recordFlag() const { return m_recordFlag; }
    bool recordingAllowed() const;

    Button selected() const { return m_selected; }
    bool isEnabled(Button button) const { return m_enabled[std::size_t(button)]; }
    bool sendEnabled() const { return m_sendEnabled; }
    bool resetEnabled() const { return m_resetEnabled; }
    qint64 position() const { return m_position; } // progress value
    qint64 length() const { return m_length; }     // progress maximum
    bool playerMode() const { return m_playerMode; }
    void setPlayerMode(bool on);
    bool timerActive() const { return m_timer.isActive(); }
    void switchTimerOn() { m_timer.start(); }
    // The device the transport works on now.
    QString device() const { return m_playerMode ? Sound : Capture; }
    // The device "Send" saves: the one the last recording was made on ("capture" until a recording
    // is made in player mode).
    QString recordedDevice() const { return m_recordedDevice; }
    // Something was recorded since the last save or reset.
    bool hasUnsavedRecording() const { return m_unsaved; }
    void markSaved() { m_unsaved = false; }

    // Selecting a button runs its action; selecting the one that is selected does nothing.
    void select(Button button);
    // "Reset": a new empty recording.
    void reset();
    // Timer1.
    void tick();
    // PlayReceived: the dictation in `path` becomes the "sound" device and plays from the start in
    // player mode. False, with the device's reason, when the file cannot be opened; the transport
    // then stays as it was.
    bool playReceived(const QString &path, QString *error);
    // A dictation kept on disk becomes the "capture" device, paused at its start, as if just
    // recorded and not yet sent.
    bool loadRecording(const QString &path, QString *error);
    // Closing the window: both devices stop and close.
    void closeDevices();

signals:
    void changed();

private:
    // Sends one command; the replies of the commands the transport does not read are dropped, as a
    // failed command shows itself in the next status poll.
    qint64 send(const QString &command);
    void run(Button button);
    void enableAll();
    void commonEndStep();
    void notify();

    MediaControl &m_media;
    FootSwitch &m_footSwitch;
    std::function<bool()> m_shiftHeld;
    QTimer m_timer;

    QString m_recordFlag;
    Button m_selected = Pause;
    std::array<bool, ButtonCount> m_enabled{true, true, true, true, true, true, true};
    bool m_sendEnabled = true;
    bool m_resetEnabled = true;
    qint64 m_position = 0;
    qint64 m_length = 1;
    bool m_playerMode = false;
    QString m_recordedDevice;
    bool m_unsaved = false;
    int m_depth = 0; // nested actions (back runs pause) report one change
};
