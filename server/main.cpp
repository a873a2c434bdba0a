// zelserver: the department server as a program.
//
//   zelserver --db FILE --port N --logon-port M [--seed demo] [--files DIR] [--bind ADDR]
//   zelserver --db FILE --add-user NAME --password PW [--rights utilities,statistics]
//   zelserver --db FILE --set-password NAME PW
//   zelserver --db FILE --set-rights NAME utilities,statistics|none
//
// Once both ports listen it prints "command port N" and "logon port M", one line each, so a caller
// that asked for port 0 learns the ports. SIGTERM and SIGINT end it cleanly with exit code 0.

#include "database.h"
#include "signalwatcher.h"
#include "userstore.h"
#include "zelserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

int fail(const QString &text, int code = Failure)
{
    std::fprintf(stderr, "zelserver: %s\n", qPrintable(text));
    return code;
}

bool readNumber(const QCommandLineParser &parser, const QString &name, int low, int high, int *value,
                QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int number = parser.value(name).toInt(&ok);
    if (!ok || number < low || number > high) {
        *error = u"--"_s + name + u" needs a number from "_s + QString::number(low) + u" to "_s
                 + QString::number(high);
        return false;
    }
    *value = number;
    return true;
}

// --add-user, --set-password, --set-rights: change the users in the file and end.
int administerUsers(const QCommandLineParser &parser, const ServerOptions &options)
{
    Database database;
    QString error;
    if (!database.open(options.databasePath, &error))
        return fail(error);
    UserStore users(database, options.passwordIterations);
    const QStringList rest = parser.positionalArguments();

    if (parser.isSet(u"add-user"_s)) {
        const auto rights = UserStore::parseRights(parser.value(u"rights"_s));
        if (!rights)
            return fail(u"--rights takes utilities, statistics, both joined by a comma, or none"_s, Usage);
        const QString name = parser.value(u"add-user"_s);
        if (!users.addUser(name, parser.value(u"password"_s), *rights, &error))
            return fail(u"cannot add user "_s + name + u": "_s + error);
        std::printf("user %s added\n", qPrintable(name));
        return Success;
    }
    if (parser.isSet(u"set-password"_s)) {
        const QString name = parser.value(u"set-password"_s);
        if (rest.size() > 1 || (rest.isEmpty() && !parser.isSet(u"password"_s)))
            return fail(u"--set-password NAME PASSWORD"_s, Usage);
        const QString password = rest.isEmpty() ? parser.value(u"password"_s) : rest.first();
        if (!users.setPassword(name, password, &error))
            return fail(u"cannot set the password of "_s + name + u": "_s + error);
        std::printf("password of %s set\n", qPrintable(name));
        return Success;
    }
    const QString name = parser.value(u"set-rights"_s);
    const auto rights = rest.size() == 1 ? UserStore::parseRights(rest.first()) : std::nullopt;
    if (!rights)
        return fail(u"--set-rights NAME utilities,statistics|utilities|statistics|none"_s, Usage);
    if (!users.setRights(name, *rights, &error))
        return fail(u"cannot set the rights of "_s + name + u": "_s + error);
    std::printf("rights of %s set\n", qPrintable(name));
    return Success;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"zelserver"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"ZEL department server: command and logon protocols on SQLite."_s);
    parser.addHelpOption();
    parser.addOptions({
        {u"db"_s, u"The SQLite database file (created when missing)."_s, u"file"_s},
        {u"port"_s, u"Command port; 0 picks a free one."_s, u"port"_s},
        {u"logon-port"_s, u"Logon port; 0 picks a free one."_s, u"port"_s},
        {u"seed"_s, u"Fill an empty database: 'demo'."_s, u"name"_s},
        {u"files"_s, u"Folder for report texts and dictations."_s, u"dir"_s},
        {u"bind"_s, u"Address to listen on (default 127.0.0.1)."_s, u"address"_s},
        {u"add-user"_s, u"Add a user and exit."_s, u"name"_s},
        {u"password"_s, u"Password for --add-user (empty: must be changed at logon)."_s, u"password"_s},
        {u"rights"_s, u"Rights for --add-user: utilities,statistics or none."_s, u"rights"_s},
        {u"set-password"_s, u"Set a user's password (next argument) and exit."_s, u"name"_s},
        {u"set-rights"_s, u"Set a user's rights (next argument) and exit."_s, u"name"_s},
        {u"iterations"_s, u"PBKDF2 rounds for new passwords."_s, u"n"_s},
        {u"max-logon-connections"_s, u"Concurrent logon connections before 'BUSY'."_s, u"n"_s},
        {u"idle-timeout-ms"_s, u"Close connections idle this long."_s, u"ms"_s},
        {u"piece-size"_s, u"Test: send every reply in pieces of this many bytes."_s, u"n"_s},
        {u"delay-ms"_s, u"Test: delay every reply."_s, u"ms"_s},
        {u"silent"_s, u"Test: never answer this command (repeatable)."_s, u"keyword"_s},
        {u"fail"_s, u"Test: answer this command with an error reply (repeatable)."_s, u"keyword"_s},
    });
    parser.addPositionalArgument(u"value"_s, u"The password or rights of --set-password / --set-rights."_s);
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText(), Usage);
    if (parser.isSet(u"help"_s)) {
        std::printf("%s", qPrintable(parser.helpText()));
        return Success;
    }

    ServerOptions options;
    QString error;
    if (!parser.isSet(u"db"_s))
        return fail(u"--db FILE is required"_s, Usage);
    options.databasePath = parser.value(u"db"_s);
    if (!readNumber(parser, u"iterations"_s, 1, 10000000, &options.passwordIterations, &error))
        return fail(error, Usage);

    const int adminActions = int(parser.isSet(u"add-user"_s)) + int(parser.isSet(u"set-password"_s))
                             + int(parser.isSet(u"set-rights"_s));
    if (adminActions > 1)
        return fail(u"one of --add-user, --set-password, --set-rights at a time"_s, Usage);
    if (adminActions == 1)
        return administerUsers(parser, options);
    if (!parser.positionalArguments().isEmpty())
        return fail(u"unexpected argument "_s + parser.positionalArguments().first(), Usage);

    if (!parser.isSet(u"port"_s) || !parser.isSet(u"logon-port"_s))
        return fail(u"--port N and --logon-port M are required (0 picks a free port)"_s, Usage);
    int commandPort = 0;
    int logonPort = 0;
    if (!readNumber(parser, u"port"_s, 0, 65535, &commandPort, &error)
        || !readNumber(parser, u"logon-port"_s, 0, 65535, &logonPort, &error)
        || !readNumber(parser, u"max-logon-connections"_s, 1, 100000, &options.maxLogonConnections, &error)
        || !readNumber(parser, u"idle-timeout-ms"_s, 1, 86400000, &options.idleTimeoutMs, &error)
        || !readNumber(parser, u"piece-size"_s, 0, 1 << 30, &options.replyPieceSize, &error)
        || !readNumber(parser, u"delay-ms"_s, 0, 3600000, &options.replyDelayMs, &error)) {
        return fail(error, Usage);
    }
    options.commandPort = quint16(commandPort);
    options.logonPort = quint16(logonPort);
    options.seed = parser.value(u"seed"_s);
    options.filesDirectory = parser.value(u"files"_s);
    options.silentKeywords = parser.values(u"silent"_s);
    options.failKeywords = parser.values(u"fail"_s);
    if (parser.isSet(u"bind"_s)) {
        options.bindAddress = QHostAddress(parser.value(u"bind"_s));
        if (options.bindAddress.isNull())
            return fail(u"--bind needs an IP address"_s, Usage);
    }

    SignalWatcher signalWatcher;
    ZelServer server;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &app, &QCoreApplication::quit);
    if (!server.start(options, &error))
        return fail(error);

    std::printf("command port %u\nlogon port %u\n", unsigned(server.commandPort()), unsigned(server.logonPort()));
    std::fflush(stdout);

    const int code = app.exec();
    server.stop();
    return code;
}
