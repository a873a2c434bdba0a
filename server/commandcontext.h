#pragma once

#include <QString>

class Database;
struct ConnectionState;
struct ServerOptions;

// What a command handler may use besides its request: the department database, the server's
// settings and what its connection remembers.
struct CommandContext
{
    Database &database;
    const ServerOptions &options;
    QString filesDirectory; // where report texts and dictations are kept
    // The connection the request came on; every connection has its own (set by its session).
    ConnectionState *connection = nullptr;
};
