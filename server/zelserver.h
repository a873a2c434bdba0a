#pragma once

#include "commandcontext.h"
#include "commandregistry.h"
#include "database.h"
#include "serveroptions.h"

#include <QObject>
#include <QString>
#include <QTcpServer>

#include <memory>

class UserStore;

// The department server: the command port, the logon port and the database behind them, all on the
// thread that starts it. Tests start it in-process; main() wraps it in the zelserver program.
class ZelServer : public QObject
{
    Q_OBJECT

public:
    using Options = ServerOptions;

    explicit ZelServer(QObject *parent = nullptr);
    ~ZelServer() override;

    // Opens (or creates) the database, seeds it when asked and starts listening on both ports.
    // On failure nothing is left listening and `error` says why.
    bool start(const Options &options, QString *error);
    // Closes every connection, both ports and the database.
    void stop();
    bool isRunning() const { return m_commandServer.isListening(); }

    quint16 commandPort() const { return m_commandServer.serverPort(); }
    quint16 logonPort() const { return m_logonServer.serverPort(); }
    const Options &options() const { return m_options; }
    Database &database() { return m_database; }
    QString filesDirectory() const { return m_filesDirectory; }
    int commandConnections() const { return m_commandConnections; }
    int logonConnections() const { return m_logonConnections; }

    // The commands the server answers; handlers register here.
    CommandRegistry &registry() { return m_registry; }

private:
    void onCommandConnection();
    void onLogonConnection();

    Options m_options;
    Database m_database;
    CommandRegistry m_registry;
    QString m_filesDirectory;
    std::unique_ptr<CommandContext> m_context;
    std::unique_ptr<UserStore> m_users;
    QTcpServer m_commandServer;
    QTcpServer m_logonServer;
    int m_commandConnections = 0;
    int m_logonConnections = 0;
};
