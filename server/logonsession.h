#pragma once

#include "pacedsender.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

class QTcpSocket;
class UserStore;
struct UserRecord;
struct ServerOptions;

// One connection of the logon port. The client sends five tagged pieces, "USERNAME", "PASSWORD",
// "PASSWRD2", "ANWENDUNG" and "COMPUTER", each as tag + value + "/" + tag, in any number of network
// pieces; after "/COMPUTER" the session answers in plain text: a login, a rights query or a password
// change, chosen by the values. The connection stays open for the next attempt (the rights query
// follows a login on the same connection).
class LogonSession : public QObject
{
    Q_OBJECT

public:
    // The password value that turns an attempt into a rights query.
    static constexpr QLatin1StringView RightsMarker{"RIGHTSQUERYMARKERXYZ"};

    // Takes ownership of the socket.
    LogonSession(QTcpSocket *socket, UserStore &users, const ServerOptions &options, QObject *parent = nullptr);
    ~LogonSession() override;

private:
    enum Piece { UserName, Password, NewPassword, Application, Computer, PieceCount };

    void onReadyRead();
    void processBuffer();
    QString answer();
    int login(const QString &name, const QString &password, const QString &application);
    // The checks a login and a password change share: 0 when `user` was found and may go on,
    // otherwise the answer to give.
    int findUser(const QString &name, const QString &application, UserRecord *user);
    QString rights(const QString &name);
    int changePassword(const QString &name, const QString &oldPassword, const QString &newPassword,
                       const QString &application);
    void reject();
    void onIdle();

    QTcpSocket *m_socket;
    UserStore &m_users;
    const ServerOptions &m_options;
    PacedSender m_sender;
    QTimer m_idleTimer;
    QByteArray m_buffer;
    qsizetype m_searchFrom = 0;
    int m_piece = UserName;
    std::array<QString, PieceCount> m_values;
    int m_loggedOnUser = 0; // the user who logged on successfully on this connection
    bool m_closing = false;
};
