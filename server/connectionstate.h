#pragma once

#include <QtGlobal>

// What one command connection remembers between its requests. The client chains the commands of one
// task on one connection (an examination and then its procedure rows), so a later request can refer
// to what an earlier one on the same connection wrote.
struct ConnectionState
{
    // The examination the last STDNEW or STDUPDATE on this connection wrote; 0 when none.
    qint64 studyId = 0;
};
