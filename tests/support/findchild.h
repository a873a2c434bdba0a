#pragma once

#include <QObject>
#include <QString>

#include <cstdlib>

// The child of that type and name; a test that looks for a control that is not there stops at once.
template <typename T>
T *child(QObject *parent, const QString &name)
{
    T *found = parent->findChild<T *>(name);
    if (!found)
        qFatal("missing child %s", qPrintable(name));
    return found;
}
