#include "logonsession.h"

#include "serveroptions.h"
#include "userstore.h"

#include "link/wirecodec.h"

#include <QDate>
#include <QTcpSocket>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView kTags[] = {"USERNAME", "PASSWORD", "PASSWRD2", "ANWENDUNG", "COMPUTER"};
// One attempt is five short values; anything this long is not a logon.
constexpr qsizetype kMaxAttemptBytes = 64 * 1024;
constexpr qsizetype kMaxPasswordLength = 128;

// The answer codes of the logon protocol.
enum Answer : int {
    NoUserName = -1,
    InternalFailure = -4,
    OldPasswordWrong = -5,
    TooManyChanges = -6,
    PasswordChanged = -7,
    UnknownUser = -8,
    WrongPassword = -9,
    NotAllowed = -10,
    PasswordRefused = -11,
    EmptyPassword = -12,
};

bool isAllowedApplication(const QString &application)
{
    return application.compare(u"ZELCLIENT"_s, Qt::CaseInsensitive) == 0
           || application.compare(u"VIEWER"_s, Qt::CaseInsensitive) == 0;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

LogonSession::LogonSession(QTcpSocket *socket, UserStore &users, const ServerOptions &options, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_users(users)
    , m_options(options)
    , m_sender(socket, options.replyDelayMs, options.replyPieceSize, options.pieceGapMs)
{
    m_socket->setParent(this);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(qMax(1, options.idleTimeoutMs));
    connect(&m_idleTimer, &QTimer::timeout, this, &LogonSession::onIdle);
    connect(m_socket, &QTcpSocket::readyRead, this, &LogonSession::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    m_idleTimer.start();
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
}

LogonSession::~LogonSession() = default;

void LogonSession::onReadyRead()
{
    const QByteArray bytes = m_socket->readAll();
    if (m_closing)
        return;
    m_buffer += bytes;
    m_idleTimer.start();
    processBuffer();
}

void LogonSession::processBuffer()
{
    while (!m_closing) {
        const QByteArrayView tag = kTags[m_piece];
        if (m_piece == UserName) {
            qsizetype blanks = 0;
            while (blanks < m_buffer.size() && isBlank(m_buffer.at(blanks)))
                ++blanks;
            m_buffer.remove(0, blanks);
        }
        if (m_buffer.isEmpty())
            return;
        const qsizetype headBytes = qMin(m_buffer.size(), tag.size());
        if (std::memcmp(m_buffer.constData(), tag.data(), size_t(headBytes)) != 0) {
            reject();
            return;
        }
        const QByteArray closing = '/' + tag.toByteArray();
        const qsizetype end = m_buffer.indexOf(closing, qMax(m_searchFrom, tag.size()));
        if (end < 0) {
            if (m_buffer.size() > kMaxAttemptBytes) {
                reject();
                return;
            }
            m_searchFrom = qMax(tag.size(), m_buffer.size() - (closing.size() - 1));
            return;
        }
        m_values[m_piece] = WireCodec::decode(QByteArrayView(m_buffer).sliced(tag.size(), end - tag.size()));
        m_buffer.remove(0, end + closing.size());
        m_searchFrom = 0;
        if (++m_piece == PieceCount) {
            m_piece = UserName;
            m_sender.send(WireCodec::encode(answer()));
            m_values.fill(QString());
        }
    }
}

QString LogonSession::answer()
{
    const QString &name = m_values[UserName];
    const QString &password = m_values[Password];
    const QString &newPassword = m_values[NewPassword];
    const QString &application = m_values[Application];
    if (!newPassword.isEmpty())
        return QString::number(changePassword(name, password, newPassword, application));
    if (password == RightsMarker)
        return rights(name);
    return QString::number(login(name, password, application));
}

int LogonSession::login(const QString &name, const QString &password, const QString &application)
{
    m_loggedOnUser = 0;
    UserRecord user;
    if (const int refused = findUser(name, application, &user))
        return refused;
    if (!m_users.verify(user, password))
        return WrongPassword;
    if (user.disabled)
        return NotAllowed;
    if (user.hasEmptyPassword())
        return EmptyPassword;
    m_loggedOnUser = user.id;
    return user.id;
}

int LogonSession::findUser(const QString &name, const QString &application, UserRecord *user)
{
    if (name.isEmpty())
        return NoUserName;
    if (!isAllowedApplication(application))
        return NotAllowed;
    switch (m_users.find(name, user)) {
    case UserStore::Lookup::Failed: return InternalFailure;
    case UserStore::Lookup::Missing: return UnknownUser;
    case UserStore::Lookup::Found: break;
    }
    return 0;
}

QString LogonSession::rights(const QString &name)
{
    // Rights are told only to the user who has just logged on here; anyone else could read any
    // user's rights.
    UserRecord user;
    const UserStore::Lookup lookup = name.isEmpty() ? UserStore::Lookup::Missing : m_users.find(name, &user);
    if (lookup == UserStore::Lookup::Failed)
        return QString::number(InternalFailure);
    if (lookup != UserStore::Lookup::Found || m_loggedOnUser == 0 || user.id != m_loggedOnUser)
        return QString::number(WrongPassword);
    if (user.disabled)
        return QString::number(NotAllowed);
    return UserStore::rightsAnswer(user.rights);
}

int LogonSession::changePassword(const QString &name, const QString &oldPassword, const QString &newPassword,
                                 const QString &application)
{
    UserRecord user;
    if (const int refused = findUser(name, application, &user))
        return refused;
    if (user.disabled)
        return NotAllowed;
    if (!m_users.verify(user, oldPassword))
        return OldPasswordWrong;
    // The marker as a password would make every later login of this user a rights query.
    if (newPassword == RightsMarker || newPassword.size() > kMaxPasswordLength)
        return PasswordRefused;
    const QDate today = QDate::currentDate();
    if (UserStore::changesOn(user, today) >= m_options.maxPasswordChangesPerDay)
        return TooManyChanges;
    if (!m_users.changePassword(user, newPassword, today, nullptr))
        return InternalFailure;
    return PasswordChanged;
}

void LogonSession::reject()
{
    // Not the logon protocol: no answer, the connection just ends.
    m_closing = true;
    m_buffer.clear();
    m_loggedOnUser = 0;
    m_socket->disconnectFromHost();
}

void LogonSession::onIdle()
{
    m_socket->abort();
    deleteLater();
}
