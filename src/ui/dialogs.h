#pragma once

#include <QColor>
#include <QString>

#include <optional>

class QPrinter;
class QWidget;

// The standard dialogs a task window needs besides message boxes: the printer, colour and file
// dialogs. Windows reach them through this interface, so tests get past them with a script; the
// program uses the real dialogs (QtDialogs).
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // The printer dialog for `printer` (which it configures: printer or PDF file, page range,
    // selection). True when the user chose to print. `selection`: the dialog offers printing the
    // selection only.
    virtual bool choosePrinter(QPrinter &printer, bool selection, QWidget *parent) = 0;
    // The colour dialog starting at `initial`; nothing when the user cancels.
    virtual std::optional<QColor> chooseColour(const QColor &initial, QWidget *parent) = 0;
    // A file to open or to save; empty when the user cancels.
    virtual QString openFileName(const QString &caption, const QString &folder, const QString &filter, QWidget *parent) = 0;
    virtual QString saveFileName(const QString &caption, const QString &folder, const QString &filter, QWidget *parent) = 0;
};

// The real dialogs.
class QtDialogs : public Dialogs
{
public:
    bool choosePrinter(QPrinter &printer, bool selection, QWidget *parent) override;
    std::optional<QColor> chooseColour(const QColor &initial, QWidget *parent) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter, QWidget *parent) override;
    QString saveFileName(const QString &caption, const QString &folder, const QString &filter, QWidget *parent) override;
};
