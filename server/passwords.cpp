#include "passwords.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

#include <array>

namespace {

constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;

QByteArray derive(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt,
                                              iterations, kHashBytes);
}

// Compares without stopping at the first difference, so the time taken tells nothing.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return difference == 0;
}

} // namespace

namespace Passwords {

Digest make(const QString &password, int iterations)
{
    Digest digest;
    digest.iterations = qMax(1, iterations);
    std::array<quint32, kSaltBytes / sizeof(quint32)> words{};
    QRandomGenerator::system()->fillRange(words.data(), qsizetype(words.size()));
    digest.salt = QByteArray(reinterpret_cast<const char *>(words.data()), kSaltBytes);
    digest.hash = derive(password, digest.salt, digest.iterations);
    return digest;
}

bool matches(const Digest &digest, const QString &password)
{
    if (digest.salt.isEmpty() || digest.hash.isEmpty() || digest.iterations <= 0)
        return false;
    return sameBytes(derive(password, digest.salt, digest.iterations), digest.hash);
}

} // namespace Passwords
