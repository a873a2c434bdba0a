#pragma once

#include <QString>

#include <functional>

class QWidget;
struct Desk;
class ZelServer;

// The screenshot tool: renders the program's windows, as a department's staff sees them against a
// demo-seeded zelserver, into PNG files for a reader to look at. Each domain adds a file here that
// registers its screens; each screen opens its window on a fresh desk, brings it into the state worth
// seeing, and calls shot() for every picture it wants.
struct ScreenContext
{
    Desk &desk;
    ZelServer &server;
    std::function<void(QWidget *window, const QString &name)> shot;
};

using Screen = std::function<void(ScreenContext &)>;

// Registers a screen under a name at start-up; returns true so it can initialise a static.
bool addScreen(const QString &name, Screen screen);
