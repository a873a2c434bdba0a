#include "logonprotocol.h"

#include "link/wirecodec.h"

#include <QHostInfo>
#include <QLocale>

#include <limits>

using namespace Qt::StringLiterals;

namespace LogonProtocol {

namespace {

const QString kNotAllowed = u"You are not allowed to run this application."_s;
const QString kWrong = u"Username/Password wrong, please try again."_s;
const QString kNoUser = u"Please insert username"_s;
const QString kFull = u"Maximum connections reached on LogonServer, please try again later!"_s;

QByteArray tagged(const char *tag, const QString &value)
{
    const QByteArray t(tag);
    return t + WireCodec::encode(value) + '/' + t;
}

bool acceptedId(std::int16_t v)
{
    return v > 0 || v < -12;
}

} // namespace

QList<QByteArray> pieces(const Request &r)
{
    return {tagged("USERNAME", r.userName), tagged("PASSWORD", r.password), tagged("PASSWRD2", r.newPassword),
            tagged("ANWENDUNG", r.application), tagged("COMPUTER", r.computer)};
}

QString computerName()
{
    const QString fromEnv = qEnvironmentVariable("Computername");
    return fromEnv.isEmpty() ? QHostInfo::localHostName() : fromEnv;
}

Answer readAnswer(const QByteArray &text)
{
    bool ok = false;
    const qlonglong value = QLocale::c().toLongLong(QString::fromLatin1(text.trimmed()), &ok);
    if (!ok)
        return {AnswerKind::NotANumber};
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        return {AnswerKind::OutOfRange};
    return {AnswerKind::Number, std::int16_t(value)};
}

Rights readRights(const QString &answer)
{
    Rights rights;
    rights.utilities = answer.size() >= 2 && answer.at(1) == u'1';
    rights.statistics = !answer.isEmpty() && answer.back() == u'1';
    return rights;
}

Reaction loginReaction(const Answer &a)
{
    using I = Prompter::Icon;
    if (a.kind == AnswerKind::NotANumber)
        return {Outcome::Closes, I::Error, kFull};
    // A number that does not fit the protocol's 16 bits: the logon server is not behaving.
    if (a.kind == AnswerKind::OutOfRange)
        return {Outcome::Closes, I::Error, u"Internal error on 'LogonServer', please call service"_s};
    if (acceptedId(a.value))
        return {Outcome::Accepted};
    switch (a.value) {
    case -12: return {Outcome::PasswordEmpty, I::Information, u"Your password is empty, please change password."_s};
    case -10: return {Outcome::Closes, I::Error, kNotAllowed};
    case -9:
    case -8: return {Outcome::Stays, I::Error, kWrong};
    case -4: return {Outcome::Closes, I::Error, u"Internal error on 'LogonServer', please call service"_s};
    case -1: return {Outcome::Stays, I::Warning, kNoUser};
    default: return {Outcome::Stays};
    }
}

Reaction passwordReaction(const Answer &a)
{
    using I = Prompter::Icon;
    if (a.kind == AnswerKind::NotANumber)
        return {Outcome::Closes, I::Error, kFull};
    if (a.kind == AnswerKind::OutOfRange)
        return {Outcome::Closes, I::Error, u"Internal 'LogonServer error, please call service"_s};
    if (acceptedId(a.value))
        return {Outcome::Accepted};
    switch (a.value) {
    case -7: return {Outcome::Changed, I::Information, u"Password has been changed successfully."_s};
    case -12: return {Outcome::MustChangeEnds};
    case -10: return {Outcome::Closes, I::Error, kNotAllowed};
    case -9:
    case -8: return {Outcome::Stays, I::Error, kWrong};
    case -6: return {Outcome::Stays, I::Error, u"Too many passwords changed, plase call service."_s};
    case -5: return {Outcome::Stays, I::Error, u"Password not changed, please check old password"_s};
    case -4: return {Outcome::Closes, I::Error, u"Internal 'LogonServer error, please call service"_s};
    case -1: return {Outcome::Stays, I::Warning, kNoUser};
    default: return {Outcome::Stays};
    }
}

} // namespace LogonProtocol
