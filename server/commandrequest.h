#pragma once

#include <QString>
#include <QStringList>

// One request line, "CMD" + keyword + "|" + arguments + "/CMD", decoded from the wire's code page.
struct CommandRequest
{
    QString keyword;       // as sent; handlers are found without regard to case
    QString argumentText;  // everything between the first "|" and "/CMD", untouched
    QStringList arguments; // argumentText split at every "|"
};
