#pragma once

#include <QDialog>

class LogonExchange;
class Prompter;
class QLineEdit;
class QPushButton;
struct Session;

// fPwdChange: a user whose password is empty must set one before the main window opens. The outcome
// is left in Session::LoggedIn (LoggedOn: go on).
class PasswordWindow : public QDialog
{
    Q_OBJECT

public:
    PasswordWindow(Session &session, Prompter &prompter, QWidget *parent = nullptr);

private:
    void onOk();
    void onAnswer(const QByteArray &text);
    void updateOk();

    Session &m_session;
    Prompter &m_prompter;
    QLineEdit *m_old = nullptr;
    QLineEdit *m_new = nullptr;
    QLineEdit *m_confirm = nullptr;
    QPushButton *m_ok = nullptr;
    LogonExchange *m_ws = nullptr;
};
