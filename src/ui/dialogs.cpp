#include "dialogs.h"

#include <QAbstractPrintDialog>
#include <QColorDialog>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

bool QtDialogs::choosePrinter(QPrinter &printer, bool selection, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selection);
    if (selection)
        dialog.setPrintRange(QAbstractPrintDialog::Selection);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QColor> QtDialogs::chooseColour(const QColor &initial, QWidget *parent)
{
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

QString QtDialogs::openFileName(const QString &caption, const QString &folder, const QString &filter, QWidget *parent)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString QtDialogs::saveFileName(const QString &caption, const QString &folder, const QString &filter, QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, caption, folder, filter);
}
