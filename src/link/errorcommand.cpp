#include "errorcommand.h"

#include "commandlink.h"

using namespace Qt::StringLiterals;

void bindErrorCommand(CommandLink &link)
{
    link.bind(
        Command::ERROR,
        [](CommandLink &l) { l.send(CommandLink::requestLine(Command::ERROR)); },
        // A server that answers anything but an error reply: the command is over all the same.
        anyReply([](CommandLink &l) {
            l.CloseSocket();
            l.ResetPointers();
        }));
}
