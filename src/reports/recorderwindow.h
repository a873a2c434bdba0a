#pragma once

#include "footswitch.h"
#include "mediacontrol.h"
#include "recorderhosts.h"
#include "recordertransport.h"

#include "link/commandcatalogue.h"
#include "ui/taskdesk.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

// The devices the recorder speaks to. Left empty, the window takes the real ones: the audio of Qt
// Multimedia, the foot switch on a serial port and the keyboard's Shift key.
struct RecorderDevices
{
    std::unique_ptr<MediaControl> media;
    std::unique_ptr<FootSwitch> footSwitch;
    std::function<bool()> shiftHeld;
};

// What "Voice Report" shows on the recorder: the report window's patient, X-ray number, folder
// number and radiologist.
struct VoiceReport
{
    QString patientName; // lblName
    QString xrayNo;      // lblMod
    QString folderNo;    // lblGebDatum
    QString radiologist; // ExamCode
};

// frmRecordWave: dictates the voice report of one examination, or plays the dictation the server
// keeps for it. A fixed-size window of its own (not in the workspace) with the seven transport
// buttons, the position bar, Reset and Send, the foot switch on "Com 1" or "Com 2" and the status
// line. "Send" saves the recording to Report.wav and uploads it (WAVSEND, then SENDWAV); a dictation
// that arrives by WAVLOAD is played in player mode.
class RecorderWindow : public QWidget, public RecorderHost
{
    Q_OBJECT

public:
    // `reportWindow` is the report window that opened the recorder (a VoiceReportHost), if any;
    // `studyUid` the examination whose dictation this is.
    RecorderWindow(const TaskContext &context, const VoiceReport &report, const QString &studyUid,
                   QObject *reportWindow, RecorderDevices devices, QWidget *parent = nullptr);
    ~RecorderWindow() override;

    // After the window is shown: offers a dictation of this examination that has not reached the
    // server yet, or else asks the server for the stored dictation (WAVLOAD).
    void start();

    // Send and the menu's Send.
    void SaveDictation();

    RecorderTransport &transport() { return *m_transport; }
    MediaControl &media() { return *m_devices.media; }

    // RecorderHost
    QString dictationStudyUid() const override { return m_studyUid; }
    DictationHeader dictationHeader() const override;
    void showRecorderStatus(const QString &text) override;
    void PlayReceived() override;
    void dictationSent() override;

    static const QString Caption;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void render();
    void switchFootSwitchOn(int port);
    void switchFootSwitchOff();
    int chosenPort() const;
    void startCommand(Command command);

    TaskContext m_context;
    QString m_studyUid;
    QPointer<QObject> m_reportWindow;
    RecorderDevices m_devices;
    std::unique_ptr<RecorderTransport> m_transport;
    mutable DictationHeader m_lastHeader;
    bool m_sent = false;

    QLabel *m_name = nullptr;
    QLabel *m_folderNo = nullptr;
    QLabel *m_xrayNo = nullptr;
    QLabel *m_studyDate = nullptr;
    QLineEdit *m_radiologist = nullptr;
    QProgressBar *m_progress = nullptr;
    std::array<QPushButton *, RecorderTransport::ButtonCount> m_buttons{};
    std::array<QAction *, RecorderTransport::ButtonCount> m_menuActions{};
    QAction *m_menuSend = nullptr;
    QPushButton *m_clear = nullptr;
    QPushButton *m_send = nullptr;
    QRadioButton *m_com1 = nullptr;
    QRadioButton *m_com2 = nullptr;
    QLabel *m_status = nullptr;
};

// "Voice Report" of the report window: opens the recorder for the session's examination (StudyUid),
// fills its labels, shows it and starts the download of the stored dictation. The recorder closes
// with its report window; when the server confirms a dictation it closes, and the report window
// (if it is a VoiceReportHost) is told. Tests pass their own devices.
RecorderWindow *openVoiceRecorder(const TaskContext &context, const VoiceReport &report, QWidget *reportWindow,
                                  RecorderDevices devices = {});
