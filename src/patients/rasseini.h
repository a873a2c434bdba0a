#pragma once

#include <QString>
#include <QStringList>

// Rasse.ini in the application folder: the race/sex choices, one per line. A patient's choice is
// stored on the server as the position of its line, so the lines are read in file order and none
// is dropped, not even an empty one.
namespace RasseIni {

QString path(const QString &appFolder);
// The entries; an empty list when the file does not exist or cannot be read.
QStringList read(const QString &appFolder);

} // namespace RasseIni
