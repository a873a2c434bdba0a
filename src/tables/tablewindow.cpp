#include "tablewindow.h"

#include "tablelist.h"

#include "core/session.h"
#include "link/commandlink.h"

#include <QApplication>
#include <QDialog>
#include <QMdiSubWindow>
#include <QResizeEvent>

#include <cmath>

using namespace Qt::StringLiterals;

TableWindow::TableWindow(TaskDesk &desk, const QString &name, const QString &caption, const Geometry &geometry,
                         QWidget *parent)
    : QWidget(parent)
    , m_desk(desk)
    , m_context(desk.context())
    , m_geometry(geometry)
{
    setObjectName(name);
    setWindowTitle(caption);
    setWindowIcon(QApplication::windowIcon());
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xE4, 0xE4, 0xE4));
    setPalette(grey);

    m_panel = new QWidget(this);
    m_panel->setObjectName(u"pBox"_s);

    connect(&m_context.link, &CommandLink::busyEnded, this, [this] { unsetCursor(); });
}

TableWindow::~TableWindow()
{
    // A dialog left open goes with its table.
    if (m_dialog)
        delete m_dialog.data();
}

int TableWindow::twips(int value) const
{
    return int(std::lround(double(value) * logicalDpiX() / 1440.0));
}

void TableWindow::setList(TableList *list)
{
    m_list = list;
    m_list->setParent(m_panel);
    layoutPanel();
}

void TableWindow::clearRows()
{
    m_list->clearRows();
    m_chosen.reset();
}

void TableWindow::becomeTarget()
{
    m_context.session.TargetWindow = this;
}

void TableWindow::showContextMenu(const QPoint &globalPos)
{
    m_desk.showContextMenu(globalPos);
}

void TableWindow::openDialog(QDialog *dialog)
{
    closeDialog();
    m_dialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setWindowIcon(windowIcon());
    dialog->show();
}

void TableWindow::closeDialog()
{
    if (m_dialog)
        m_dialog->close();
}

void TableWindow::showTable()
{
    if (isVisible())
        return;
    auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!frame) {
        showMaximized();
        return;
    }
    frame->setWindowFlags(frame->windowFlags() & ~Qt::WindowMinimizeButtonHint);
    frame->showMaximized();
}

void TableWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPanel();
}

void TableWindow::layoutPanel()
{
    if (!m_list)
        return;
    const int panelWidth = m_geometry.panelPixels.width() - twips(m_geometry.panelLessTwips.width());
    const int panelHeight = m_geometry.panelPixels.height() - twips(m_geometry.panelLessTwips.height());
    // Centred, then moved up and left a little; never off the window's top left.
    const int left = std::max(0, (width() - panelWidth) / 2 + twips(m_geometry.offsetTwips.x()));
    const int top = std::max(0, (height() - panelHeight) / 2 + twips(m_geometry.offsetTwips.y()));
    m_panel->setGeometry(left, top, panelWidth, panelHeight);
    const int inset = twips(m_geometry.listInsetTwips);
    const int less = twips(m_geometry.listLessTwips);
    m_list->setGeometry(inset, inset, panelWidth - less, panelHeight - less);
    setColumnWidths(m_list->width());
}
