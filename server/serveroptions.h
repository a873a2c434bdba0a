#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

// Everything that shapes one run of the department server, whether it is started from the command
// line or inside a test.
struct ServerOptions
{
    QString databasePath;           // the SQLite file; created with its schema when missing
    quint16 commandPort = 0;        // 0 picks a free port
    quint16 logonPort = 0;          // 0 picks a free port
    QHostAddress bindAddress = QHostAddress::LocalHost;
    QString seed;                   // "demo" fills an empty database with a small department
    QString filesDirectory;         // report texts and dictations; empty: beside the database file

    int passwordIterations = 20000; // PBKDF2 rounds for passwords set from now on
    int maxLogonConnections = 20;   // beyond this the logon port answers "BUSY"
    int maxCommandConnections = 256;
    int idleTimeoutMs = 5 * 60 * 1000;   // abandoned connections are closed after this
    qsizetype maxRequestBytes = 1 << 20; // a request without "/CMD" after this many bytes is refused
    int maxPasswordChangesPerDay = 10;

    // Test behaviour: how replies leave the server, and commands that misbehave on purpose.
    int replyDelayMs = 0;           // every reply waits this long before its first byte
    int replyPieceSize = 0;         // > 0: every reply goes out in pieces of this many bytes
    int pieceGapMs = 5;             // the pause between two pieces
    QStringList silentKeywords;     // these commands are never answered
    QStringList failKeywords;       // these commands are answered with an error reply
};
