#include "appfolder.h"

#include <QCoreApplication>
#include <QDir>

QString applicationFolder()
{
    const QString fromEnv = qEnvironmentVariable("ZEL_APP_DIR");
    if (!fromEnv.isEmpty())
        return QDir(fromEnv).absolutePath();
    return QCoreApplication::applicationDirPath();
}
