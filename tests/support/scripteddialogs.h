#pragma once

#include "ui/dialogs.h"

#include <QList>
#include <QPrinter>
#include <QString>

// The standard dialogs for tests: each answers from what the test set beforehand and counts its
// calls. The printer "dialog" points the printer at a PDF file when the test names one, so what is
// printed can be read back.
class ScriptedDialogs : public Dialogs
{
public:
    bool choosePrinter(QPrinter &printer, bool selection, QWidget *) override
    {
        ++printerCalls;
        offeredSelection = selection;
        if (!pdfPath.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfPath);
        }
        if (selection && printSelection)
            printer.setPrintRange(QPrinter::Selection);
        return print;
    }

    std::optional<QColor> chooseColour(const QColor &initial, QWidget *) override
    {
        offeredColours.append(initial);
        return colours.isEmpty() ? std::nullopt : colours.takeFirst();
    }

    QString openFileName(const QString &, const QString &, const QString &, QWidget *) override { return fileName; }
    QString saveFileName(const QString &, const QString &, const QString &, QWidget *) override { return fileName; }

    // Printer
    bool print = true;
    bool printSelection = false;
    QString pdfPath;
    int printerCalls = 0;
    bool offeredSelection = false;
    // Colours: the answers in turn (nothing: cancelled), and the colours each call started with.
    QList<std::optional<QColor>> colours;
    QList<QColor> offeredColours;
    // Files
    QString fileName;
};
