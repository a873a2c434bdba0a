#pragma once

#include "passwords.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

class Database;

struct UserRights
{
    bool utilities = false;
    bool statistics = false;
};

struct UserRecord
{
    int id = 0;
    QString name;
    Passwords::Digest digest; // empty hash: the password is empty and must be changed
    UserRights rights;
    bool disabled = false;
    QString changeDay;        // yyyy-MM-dd of the last own password change
    int changeCount = 0;      // own changes on that day

    bool hasEmptyPassword() const { return digest.hash.isEmpty(); }
};

// The users of the logon port in tblUsers: look-up, password checks and changes, rights.
class UserStore
{
public:
    enum class Lookup { Found, Missing, Failed };

    UserStore(Database &database, int iterations);

    Lookup find(const QString &name, UserRecord *user, QString *error = nullptr) const;
    // An empty stored password accepts only the empty password.
    bool verify(const UserRecord &user, const QString &password) const;

    // Administration. An empty password leaves the user to choose one at the next logon.
    bool addUser(const QString &name, const QString &password, UserRights rights, QString *error);
    bool setPassword(const QString &name, const QString &password, QString *error);
    bool setRights(const QString &name, UserRights rights, QString *error);
    bool setDisabled(const QString &name, bool disabled, QString *error);

    // A user's own change at logon; counts the changes of `day`.
    bool changePassword(const UserRecord &user, const QString &password, QDate day, QString *error);
    // How many own changes the user has made on `day`.
    static int changesOn(const UserRecord &user, QDate day);

    // "utilities,statistics", "utilities", "statistics", "none" or empty; nothing for anything else.
    static std::optional<UserRights> parseRights(QStringView text);
    // The rights answer of the logon port: "1", then one flag for utilities, the last for statistics.
    static QString rightsAnswer(UserRights rights);
    static bool isValidName(QStringView name);

private:
    bool storeDigest(const QString &name, const Passwords::Digest &digest, QString *error);

    Database &m_database;
    int m_iterations;
};
