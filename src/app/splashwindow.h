#pragma once

#include "app/version.h"

#include <QWidget>

class LogBook;
class Prompter;
class QLabel;
class QTimer;
class SingleInstance;

// fSplash: shown from start-up until the hand-over to the login. Its first timer tick refuses a second
// running copy of the program; otherwise it announces that the hand-over may begin.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    SplashWindow(Prompter &prompter, LogBook &log, SingleInstance &instance, const QString &appFolder,
                 int major = ZelVersionMajor, int minor = ZelVersionMinor, int revision = ZelVersionRevision,
                 QWidget *parent = nullptr);

    // "Version 2.3.07": the revision always has two digits.
    static QString versionText(int major, int minor, int revision);
    // "ZEL-Client Version 2.3.07"
    static QString captionFor(int major, int minor, int revision);

signals:
    // The first tick found no other copy running: the login may take over from here.
    void handOverReady();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void onTimer();

    Prompter &m_prompter;
    LogBook &m_log;
    SingleInstance &m_instance;
    QLabel *m_image = nullptr;
    QTimer *m_timer = nullptr;
    bool m_loaded = false;
};
