#pragma once

#include <QDialog>

struct Settings;
class Prompter;
class QCheckBox;
class QLineEdit;
class QPushButton;

// fConfig: edits the settings of Client.ini. Shown modally at start-up (until the file can be read),
// and from the login and main windows' menus. OK rewrites Client.ini; Cancel leaves everything as it was.
class ConfigWindow : public QDialog
{
    Q_OBJECT

public:
    ConfigWindow(Settings &settings, Prompter &prompter, const QString &appFolder, QWidget *parent = nullptr);

private:
    void updateOkButton();
    void save();

    Settings &m_settings;
    Prompter &m_prompter;
    QString m_appFolder;

    QLineEdit *m_server = nullptr;
    QLineEdit *m_port = nullptr;
    QLineEdit *m_timeout1 = nullptr;
    QLineEdit *m_timeout2 = nullptr;
    QLineEdit *m_logPort = nullptr;
    QCheckBox *m_check1 = nullptr;
    QLineEdit *m_server2 = nullptr;
    QLineEdit *m_port2 = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};
