#include "zelserver.h"

#include "commandsession.h"
#include "demoseed.h"
#include "handlers/handlers.h"
#include "logonsession.h"
#include "userstore.h"

#include <QDir>
#include <QFileInfo>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace {

// Said to a logon client that finds every logon connection taken; not a number, so the client
// tells its user the server is full.
constexpr QByteArrayView kBusyAnswer = "BUSY";

QString defaultFilesDirectory(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    return info.absolutePath() + u'/' + info.completeBaseName() + u"-files"_s;
}

} // namespace

ZelServer::ZelServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_commandServer, &QTcpServer::newConnection, this, &ZelServer::onCommandConnection);
    connect(&m_logonServer, &QTcpServer::newConnection, this, &ZelServer::onLogonConnection);
}

ZelServer::~ZelServer()
{
    stop();
}

bool ZelServer::start(const Options &options, QString *error)
{
    stop();
    m_options = options;
    const auto fail = [this, error](const QString &text) {
        if (error)
            *error = text;
        stop();
        return false;
    };

    if (m_options.databasePath.isEmpty())
        return fail(u"no database file given"_s);
    QString failure;
    if (!m_database.open(m_options.databasePath, &failure))
        return fail(failure);

    if (!m_options.seed.isEmpty()) {
        if (m_options.seed != u"demo"_s)
            return fail(u"unknown seed '"_s + m_options.seed + u"' (only 'demo' is known)"_s);
        // A demo seed goes only into an empty database; a filled one is left as it is.
        if (m_database.isEmpty() && !DemoSeed::fill(m_database, m_options.passwordIterations, &failure))
            return fail(u"demo seed failed: "_s + failure);
    }

    m_filesDirectory = m_options.filesDirectory.isEmpty() ? defaultFilesDirectory(m_options.databasePath)
                                                          : QDir(m_options.filesDirectory).absolutePath();
    if (!QDir().mkpath(m_filesDirectory))
        return fail(u"cannot create the files folder "_s + m_filesDirectory);

    m_context = std::make_unique<CommandContext>(CommandContext{m_database, m_options, m_filesDirectory});
    m_users = std::make_unique<UserStore>(m_database, m_options.passwordIterations);
    m_registry = CommandRegistry();
    registerAllCommands(m_registry);

    if (!m_commandServer.listen(m_options.bindAddress, m_options.commandPort))
        return fail(u"cannot listen on command port "_s + QString::number(m_options.commandPort) + u": "_s
                    + m_commandServer.errorString());
    if (!m_logonServer.listen(m_options.bindAddress, m_options.logonPort))
        return fail(u"cannot listen on logon port "_s + QString::number(m_options.logonPort) + u": "_s
                    + m_logonServer.errorString());
    return true;
}

void ZelServer::stop()
{
    m_commandServer.close();
    m_logonServer.close();
    // Sessions use the database and the user store: they go first.
    const auto commandSessions = findChildren<CommandSession *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(commandSessions);
    const auto logonSessions = findChildren<LogonSession *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(logonSessions);
    m_commandConnections = 0;
    m_logonConnections = 0;
    m_users.reset();
    m_context.reset();
    m_database.close();
}

void ZelServer::onCommandConnection()
{
    while (QTcpSocket *socket = m_commandServer.nextPendingConnection()) {
        if (m_commandConnections >= m_options.maxCommandConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *session = new CommandSession(socket, m_registry, *m_context, this);
        ++m_commandConnections;
        connect(session, &QObject::destroyed, this, [this] { --m_commandConnections; });
    }
}

void ZelServer::onLogonConnection()
{
    while (QTcpSocket *socket = m_logonServer.nextPendingConnection()) {
        if (m_logonConnections >= m_options.maxLogonConnections) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->write(kBusyAnswer.data(), kBusyAnswer.size());
            socket->disconnectFromHost();
            continue;
        }
        auto *session = new LogonSession(socket, *m_users, m_options, this);
        ++m_logonConnections;
        connect(session, &QObject::destroyed, this, [this] { --m_logonConnections; });
    }
}
