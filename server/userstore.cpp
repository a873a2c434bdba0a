#include "userstore.h"

#include "database.h"

#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kMaxNameLength = 64;

QVariant blobOrNull(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(bytes);
}

bool changedOneRow(QSqlQuery &query, const QString &name, QString *error)
{
    if (!Database::run(query, error))
        return false;
    if (query.numRowsAffected() != 1) {
        if (error)
            *error = u"no user named "_s + name;
        return false;
    }
    return true;
}

} // namespace

UserStore::UserStore(Database &database, int iterations)
    : m_database(database)
    , m_iterations(qMax(1, iterations))
{
}

UserStore::Lookup UserStore::find(const QString &name, UserRecord *user, QString *error) const
{
    QSqlQuery query = m_database.prepare(
        u"SELECT UserID, UserName, PasswordSalt, PasswordHash, PasswordIterations, RightUtilities,"
        u" RightStatistics, Disabled, PasswordChangeDay, PasswordChangeCount"
        u" FROM tblUsers WHERE UserName = :name"_s);
    query.bindValue(u":name"_s, name);
    if (!Database::run(query, error))
        return Lookup::Failed;
    if (!query.next())
        return Lookup::Missing;
    user->id = query.value(0).toInt();
    user->name = query.value(1).toString();
    user->digest.salt = query.value(2).toByteArray();
    user->digest.hash = query.value(3).toByteArray();
    user->digest.iterations = query.value(4).toInt();
    user->rights.utilities = query.value(5).toInt() != 0;
    user->rights.statistics = query.value(6).toInt() != 0;
    user->disabled = query.value(7).toInt() != 0;
    user->changeDay = query.value(8).toString();
    user->changeCount = query.value(9).toInt();
    return Lookup::Found;
}

bool UserStore::verify(const UserRecord &user, const QString &password) const
{
    if (user.hasEmptyPassword())
        return password.isEmpty();
    return Passwords::matches(user.digest, password);
}

bool UserStore::addUser(const QString &name, const QString &password, UserRights rights, QString *error)
{
    if (!isValidName(name)) {
        if (error)
            *error = u"a user name must have 1 to 64 printable characters"_s;
        return false;
    }
    const Passwords::Digest digest =
        password.isEmpty() ? Passwords::Digest{} : Passwords::make(password, m_iterations);
    QSqlQuery query = m_database.prepare(
        u"INSERT INTO tblUsers (UserName, PasswordSalt, PasswordHash, PasswordIterations,"
        u" RightUtilities, RightStatistics) VALUES (:name, :salt, :hash, :iterations, :utilities, :statistics)"_s);
    query.bindValue(u":name"_s, name);
    query.bindValue(u":salt"_s, blobOrNull(digest.salt));
    query.bindValue(u":hash"_s, blobOrNull(digest.hash));
    query.bindValue(u":iterations"_s, digest.iterations);
    query.bindValue(u":utilities"_s, rights.utilities ? 1 : 0);
    query.bindValue(u":statistics"_s, rights.statistics ? 1 : 0);
    return Database::run(query, error);
}

bool UserStore::setPassword(const QString &name, const QString &password, QString *error)
{
    const Passwords::Digest digest =
        password.isEmpty() ? Passwords::Digest{} : Passwords::make(password, m_iterations);
    return storeDigest(name, digest, error);
}

bool UserStore::setRights(const QString &name, UserRights rights, QString *error)
{
    QSqlQuery query = m_database.prepare(
        u"UPDATE tblUsers SET RightUtilities = :utilities, RightStatistics = :statistics WHERE UserName = :name"_s);
    query.bindValue(u":utilities"_s, rights.utilities ? 1 : 0);
    query.bindValue(u":statistics"_s, rights.statistics ? 1 : 0);
    query.bindValue(u":name"_s, name);
    return changedOneRow(query, name, error);
}

bool UserStore::setDisabled(const QString &name, bool disabled, QString *error)
{
    QSqlQuery query = m_database.prepare(u"UPDATE tblUsers SET Disabled = :disabled WHERE UserName = :name"_s);
    query.bindValue(u":disabled"_s, disabled ? 1 : 0);
    query.bindValue(u":name"_s, name);
    return changedOneRow(query, name, error);
}

bool UserStore::changePassword(const UserRecord &user, const QString &password, QDate day, QString *error)
{
    const Passwords::Digest digest = Passwords::make(password, m_iterations);
    QSqlQuery query = m_database.prepare(
        u"UPDATE tblUsers SET PasswordSalt = :salt, PasswordHash = :hash, PasswordIterations = :iterations,"
        u" PasswordChangeDay = :day, PasswordChangeCount = :count WHERE UserID = :id"_s);
    query.bindValue(u":salt"_s, blobOrNull(digest.salt));
    query.bindValue(u":hash"_s, blobOrNull(digest.hash));
    query.bindValue(u":iterations"_s, digest.iterations);
    query.bindValue(u":day"_s, day.toString(Qt::ISODate));
    query.bindValue(u":count"_s, changesOn(user, day) + 1);
    query.bindValue(u":id"_s, user.id);
    return changedOneRow(query, user.name, error);
}

int UserStore::changesOn(const UserRecord &user, QDate day)
{
    return user.changeDay == day.toString(Qt::ISODate) ? user.changeCount : 0;
}

std::optional<UserRights> UserStore::parseRights(QStringView text)
{
    UserRights rights;
    const QString trimmed = text.trimmed().toString();
    if (trimmed.isEmpty() || trimmed.compare(u"none"_s, Qt::CaseInsensitive) == 0)
        return rights;
    for (const QString &word : trimmed.split(u',')) {
        const QString right = word.trimmed();
        if (right.compare(u"utilities"_s, Qt::CaseInsensitive) == 0)
            rights.utilities = true;
        else if (right.compare(u"statistics"_s, Qt::CaseInsensitive) == 0)
            rights.statistics = true;
        else
            return std::nullopt;
    }
    return rights;
}

QString UserStore::rightsAnswer(UserRights rights)
{
    return u"1"_s + (rights.utilities ? u'1' : u'0') + (rights.statistics ? u'1' : u'0');
}

bool UserStore::isValidName(QStringView name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength || name.trimmed().size() != name.size())
        return false;
    for (QChar c : name) {
        if (!c.isPrint())
            return false;
    }
    return true;
}

bool UserStore::storeDigest(const QString &name, const Passwords::Digest &digest, QString *error)
{
    QSqlQuery query = m_database.prepare(
        u"UPDATE tblUsers SET PasswordSalt = :salt, PasswordHash = :hash, PasswordIterations = :iterations"
        u" WHERE UserName = :name"_s);
    query.bindValue(u":salt"_s, blobOrNull(digest.salt));
    query.bindValue(u":hash"_s, blobOrNull(digest.hash));
    query.bindValue(u":iterations"_s, digest.iterations);
    query.bindValue(u":name"_s, name);
    return changedOneRow(query, name, error);
}
