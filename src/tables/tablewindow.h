#pragma once

#include "tablehosts.h"

#include "ui/taskdesk.h"

#include <QDialog>
#include <QPointer>
#include <QSize>
#include <QStringList>
#include <QWidget>

#include <optional>

class TableList;

// What the three reference table windows share: a list in a fixed-size panel centred in a maximized
// child window of the main window, the Edit flag and the row chosen last (nd) that the add/edit
// dialog reads, the shared pop-up menu on a right press, and the one modal dialog at a time.
class TableWindow : public QWidget, public TableEditorHost
{
    Q_OBJECT

public:
    // Where the panel and the list go, in the units the layout is given in.
    struct Geometry
    {
        QSize panelPixels;    // the panel's size in screen pixels ...
        QSize panelLessTwips; // ... less this
        QPoint offsetTwips;   // added to the centred position
        int listInsetTwips;   // the list's distance from the panel's top left corner
        int listLessTwips;    // the list is the panel's size less this
    };

    TableWindow(TaskDesk &desk, const QString &name, const QString &caption, const Geometry &geometry,
                QWidget *parent = nullptr);
    ~TableWindow() override;

    // Edit: the dialog opens for the row in nd when on, for a new entry when off.
    bool isEditing() const { return m_edit; }
    // nd: the fields of the row chosen last; nothing before a row was chosen or once the list was
    // emptied.
    const std::optional<QStringList> &chosenRow() const { return m_chosen; }
    // The add/edit dialog while it is open.
    QDialog *dialog() const { return m_dialog; }
    TableList &list() const { return *m_list; }

    // Starts loading the list; the window shows when the list is in.
    virtual void load() = 0;

    // Twips (1/1440 inch) in this screen's pixels.
    int twips(int twips) const;

protected:
    // Takes the list into the panel; called once by the derived window's constructor.
    void setList(TableList *list);
    // After every layout: the column widths for the list's width in pixels.
    virtual void setColumnWidths(int listWidth) = 0;

    void setEditing(bool on) { m_edit = on; }
    void choose(const std::optional<QStringList> &row) { m_chosen = row; }
    // The list is emptied for a reload: no row is chosen any more.
    void clearRows();
    // Registers this window as the TargetWindow of the next reply and of the pop-up menu.
    void becomeTarget();
    // Opens the shared pop-up menu of the main window at the pointer.
    void showContextMenu(const QPoint &globalPos);
    // Shows the dialog application-modal; it is deleted when it closes.
    void openDialog(QDialog *dialog);
    // Shows the window (maximized, the first time) once its list is in.
    void showTable();
    void closeDialog();

    void resizeEvent(QResizeEvent *event) override;

    TaskDesk &m_desk;
    TaskContext m_context;

private:
    void layoutPanel();

    Geometry m_geometry;
    QWidget *m_panel = nullptr;
    TableList *m_list = nullptr;
    bool m_edit = false;
    std::optional<QStringList> m_chosen;
    QPointer<QDialog> m_dialog;
};
