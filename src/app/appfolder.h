#pragma once

#include <QString>

// The folder that holds Client.ini, the logs and the other local files: the folder of the executable,
// unless the environment variable ZEL_APP_DIR names another (installed programs and tests need a
// writable one).
QString applicationFolder();
