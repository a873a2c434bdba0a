#pragma once

#include <QString>

class Database;
struct ServerOptions;

// What a command handler may use besides its request: the department database and the server's
// settings.
struct CommandContext
{
    Database &database;
    const ServerOptions &options;
    QString filesDirectory; // where report texts and dictations are kept
};
