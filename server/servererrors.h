#pragma once

// The numbers of the server's error replies ("ERROR|" + number + "|" + text + "|" + function).
namespace ServerErrors {

enum : int {
    UnknownCommand = 100,   // no handler for the keyword
    MalformedRequest = 101, // the bytes are not a request line
    RequestTooLong = 102,   // no "/CMD" within the size limit
    BadArgument = 200,      // the handler cannot use an argument
    DatabaseFailure = 500,  // the database refused the work
    HandlerFailure = 501,   // the handler broke down or gave no reply
    ForcedFailure = 998,    // the command was configured to fail (test option)
    TestError = 999,        // the client's test command "Error"
};

} // namespace ServerErrors
