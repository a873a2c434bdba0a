#pragma once

#include <QByteArray>
#include <QString>

// Salted PBKDF2 (SHA-256) digests of passwords. Only the salt, the digest and the number of rounds
// are kept; the password itself never reaches the database.
namespace Passwords {

struct Digest
{
    QByteArray salt;
    QByteArray hash;
    int iterations = 0;
};

// A fresh random salt for every call, so equal passwords get different digests.
Digest make(const QString &password, int iterations);
bool matches(const Digest &digest, const QString &password);

} // namespace Passwords
