#include "messageboxprompter.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Error:
        return QMessageBox::Critical;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Prompter::Buttons buttons)
{
    switch (buttons) {
    case Prompter::Buttons::Ok:
        return QMessageBox::Ok;
    case Prompter::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Prompter::Buttons::YesNo:
    case Prompter::Buttons::YesNoDefaultNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompter::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

Prompter::Answer toAnswer(int button, Prompter::Buttons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return Prompter::Answer::Ok;
    case QMessageBox::Yes:
        return Prompter::Answer::Yes;
    case QMessageBox::No:
        return Prompter::Answer::No;
    default:
        // Escape or the close button: the cautious answer the box offers.
        return buttons == Prompter::Buttons::YesNo || buttons == Prompter::Buttons::YesNoDefaultNo
                   ? Prompter::Answer::No
                   : Prompter::Answer::Cancel;
    }
}

int runBox(Prompter::Icon icon, const QString &title, const QString &text, Prompter::Buttons buttons)
{
    QMessageBox box(boxIcon(icon), title, text, boxButtons(buttons), QApplication::activeWindow());
    if (buttons == Prompter::Buttons::YesNo || buttons == Prompter::Buttons::YesNoDefaultNo)
        box.setEscapeButton(QMessageBox::No);
    if (buttons == Prompter::Buttons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
    return box.exec();
}

} // namespace

void MessageBoxPrompter::show(Icon icon, const QString &title, const QString &text)
{
    runBox(icon, title, text, Buttons::Ok);
}

Prompter::Answer MessageBoxPrompter::ask(Icon icon, const QString &title, const QString &text, Buttons buttons)
{
    return toAnswer(runBox(icon, title, text, buttons), buttons);
}
