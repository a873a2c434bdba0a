#pragma once

#include <QHash>
#include <QMainWindow>

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
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    using ConfigStep = std::function<void()>;

    MainWindow(Session &session, Prompter &prompter, LogBook &log, ConfigStep showConfig, QWidget *parent = nullptr);
    ~MainWindow() override;

    CommandLink &link() { return *m_link; }
    QMdiArea *workspace() const { return m_workspace; }

    // Task windows plug in here: the menu item with this control name (and the toolbar button that
    // does the same) is enabled and runs `open`. Items whose window does not exist are disabled.
    void setTask(const QString &menuControl, std::function<void()> open);

    // Closes every open window but this one; a window that refuses to close is skipped.
    void CloseTaskWindows();
    // The busy pointer of this window, until the command ends.
    void setBusy();

    static const QString Caption;

signals:
    void logoffRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addItem(QMenu *menu, const QString &caption, const QString &control);
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
    CommandLink *m_link = nullptr;
    QMdiArea *m_workspace = nullptr;
    QToolBar *m_toolbar = nullptr;
    QLabel *m_panel1 = nullptr;
    QLabel *m_panel2 = nullptr;
    QMenu *m_edit = nullptr;
    QMenu *m_utilities = nullptr;
    QMenu *m_statistics = nullptr;
    QHash<QString, QAction *> m_items;
};
