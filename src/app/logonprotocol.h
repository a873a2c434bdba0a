#pragma once

#include "core/prompter.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The logon server's protocol: five tagged pieces from the client, a plain-text answer back.
namespace LogonProtocol {

inline constexpr auto RightsQueryMarker = "RIGHTSQUERYMARKERXYZ";
inline constexpr auto LoginApplication = "ZELCLIENT";
inline constexpr auto PasswordApplication = "VIEWER";

struct Request
{
    QString userName;
    QString password;
    QString newPassword;
    QString application;
    QString computer;
};

// The five pieces in order, each as the client sends it with its own write.
QList<QByteArray> pieces(const Request &request);

// The workstation's name: the environment variable Computername, else the host name.
QString computerName();

// An answer as a 16-bit number; nothing when it is not a number (the server is full) or does not fit.
enum class AnswerKind { Number, NotANumber, OutOfRange };
struct Answer
{
    AnswerKind kind;
    std::int16_t value = 0;
};
Answer readAnswer(const QByteArray &text);

struct Rights
{
    bool utilities = false;
    bool statistics = false;
};
// The second character "1" grants the utilities, the last character "1" the statistics.
Rights readRights(const QString &answer);

// What a window does with an answer.
enum class Outcome {
    Accepted,       // login: ask for the rights; password change: logged on
    PasswordEmpty,  // login: -12
    Changed,        // password change: -7
    MustChangeEnds, // password change: -12
    Stays,          // the window stays open
    Closes,         // the window closes, not logged on
};

struct Reaction
{
    Outcome outcome;
    Prompter::Icon icon = Prompter::Icon::None;
    QString message = {}; // empty: nothing is shown
};

Reaction loginReaction(const Answer &answer);
Reaction passwordReaction(const Answer &answer);

} // namespace LogonProtocol
