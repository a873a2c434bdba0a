#pragma once

#include "session.h"

// Reply handlers reach the window that asked through a small interface that window implements (a
// patient-list host, a referrer-list host, ...), never through its class. These find the host among
// the session's windows; nothing when that window is gone or is not such a host.
template <typename Host>
Host *targetHost(const Session &session)
{
    return dynamic_cast<Host *>(session.TargetWindow.data());
}

template <typename Host>
Host *ownerHost(const Session &session)
{
    return dynamic_cast<Host *>(session.OwnerWindow.data());
}
