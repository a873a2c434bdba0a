#pragma once

#include "logonprotocol.h"

#include <QDialog>

#include <functional>

class LogonExchange;
class Prompter;
class QLineEdit;
class QPushButton;
struct Session;

// fLogin: the user's name and password go to the logon server; on acceptance a second question on the
// same connection returns the user's rights. The outcome is left in Session::LoggedIn.
class LoginWindow : public QDialog
{
    Q_OBJECT

public:
    using ConfigStep = std::function<void()>;

    LoginWindow(Session &session, Prompter &prompter, const QString &appFolder, ConfigStep showConfig,
                QWidget *parent = nullptr);

    static QString userFilePath(const QString &appFolder);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onOk();
    void onCancel();
    void onAnswer(const QByteArray &text);
    void onNoResponse();
    LogonProtocol::Request request(const QString &password) const;
    void writeUserFile() const;

    Session &m_session;
    Prompter &m_prompter;
    QString m_appFolder;
    QLineEdit *m_userName = nullptr;
    QLineEdit *m_password = nullptr;
    QPushButton *m_ok = nullptr;
    LogonExchange *m_ws = nullptr;
    bool m_checkingRights = false; // the Tag "CHECK" of the connection
    QString m_typedName;
};
