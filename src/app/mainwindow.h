#pragma once

#include "ui/taskdesk.h"

#include <QHash>
#include <QMainWindow>
#include <QSet>

#include <functional>

class CommandLink;
class LogBook;
class Prompter;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
struct Session;

// fZelMain: the one main window. Its menus and toolbar open the task windows, its status bar shows
// the server state, and it owns the link to the department server.
class MainWindow : public QMainWindow, public TaskDesk
{
    Q_OBJECT

public:
    using ConfigStep = std::function<void()>;

    MainWindow(Session &session, Prompter &prompter, LogBook &log, Dialogs &dialogs, const QString &appFolder,
               ConfigStep showConfig, QWidget *parent = nullptr);
    ~MainWindow() override;

    CommandLink &link() { return *m_link; }
    QMdiArea *workspace() const { return m_workspace; }

    // The domains plug in here. Items whose task window does not exist stay disabled.
    const TaskContext &context() const override { return m_context; }
    void addTask(MenuId item, std::function<void()> open) override;
    QMdiSubWindow *openInWorkspace(QWidget *window) override;
    void closeTaskWindows() override { CloseTaskWindows(); }
    void setBusy() override;
    QWidget *dialogParent() override { return this; }
    void showContextMenu(const QPoint &globalPos) override;

    // Closes every open window but this one; a window that refuses to close is skipped.
    void CloseTaskWindows();

    static const QString Caption;

signals:
    void logoffRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addItem(QMenu *menu, const QString &caption, MenuId item);
    void buildMenus();
    void buildToolbar();
    void applyRights();
    void resetPointers();
    void showInfo();
    void closeOtherWindows(bool keepSplash);

    Session &m_session;
    Prompter &m_prompter;
    LogBook &m_log;
    ConfigStep m_showConfig;
    CommandLink *m_link;
    TaskContext m_context;
    QMdiArea *m_workspace = nullptr;
    QToolBar *m_toolbar = nullptr;
    QLabel *m_panel1 = nullptr;
    QLabel *m_panel2 = nullptr;
    QMenu *m_edit = nullptr;
    QMenu *m_utilities = nullptr;
    QMenu *m_statistics = nullptr;
    QMenu *m_contextMenu = nullptr;
    QHash<QString, QAction *> m_items;
    QSet<QString> m_tasks; // the items a domain has given their task
};
