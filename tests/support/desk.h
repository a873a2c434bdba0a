#pragma once

#include "app/mainwindow.h"
#include "core/logbook.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "support/findchild.h"
#include "support/promptrecorder.h"
#include "support/scripteddialogs.h"
#include "ui/menuids.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QTreeWidget;
class QWidget;

// The desk of a test: the real main window with every domain installed as the program installs
// them, pointed at a server on 127.0.0.1, with its own application folder.
struct Desk
{
    // `files`: local files to put into the application folder first (Rasse.ini, Schedule.ini, ...).
    // The user has both rights unless `rights` is false.
    explicit Desk(quint16 port, const QMap<QString, QByteArray> &files = {}, bool rights = true);
    ~Desk();

    // Runs a menu item or toolbar button as a user would: false (and nothing run) when it is disabled.
    [[nodiscard]] bool trigger(MenuId item);
    // Runs the item and returns the task window it opened in the workspace; fails the test when the
    // item is disabled or opened no such window.
    template <typename Window>
    Window *open(MenuId item)
    {
        // The windows the item closes may not be deleted yet: the window it opened is the one that
        // was not there before (it may still be hidden until its list is in).
        const QList<Window *> before = main->findChildren<Window *>();
        if (!trigger(item))
            qFatal("menu item %s is disabled", item.control.data());
        Window *window = nullptr;
        for (Window *w : main->findChildren<Window *>()) {
            if (!before.contains(w))
                window = w;
        }
        if (!window)
            qFatal("no window from %s", item.control.data());
        return window;
    }

    CommandLink &link() { return main->link(); }
    // No command in progress and no connection open.
    bool idle() { return link().phase() == CommandLink::Phase::Idle && !link().isConnected(); }

    QTemporaryDir dir;
    Session session;
    PromptRecorder prompts;
    ScriptedDialogs dialogs;
    LogBook log{dir.path(), prompts};
    std::unique_ptr<MainWindow> main;
};

// A records reply: "CMDDATA" CR LF, each record and CR LF, "/CMDDATA" CR LF.
QByteArray listReply(const QList<QByteArray> &records);

// Leaving a field the way Tab does: its focus-out rules run.
void leave(QWidget *field);
// "name=text" types text into the line edit (or editable combo box) of that name, replacing what it
// held, and leaves it; "name=#n" chooses the n-th entry of the combo box of that name.
void enter(QWidget *window, const QString &edit);
void enterAll(QWidget *window, const QStringList &edits);
// Clicks a row of a list as a user would.
void clickRow(QTreeWidget *list, int row);
// The texts of one column of a list, top to bottom.
QStringList column(const QTreeWidget *list, int field);
// Plays the user in the next modal window of that name: runs `act` once it is the active modal one.
void whenModal(const QString &name, std::function<void(QWidget *)> act);
