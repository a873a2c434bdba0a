#pragma once

#include <QDialogButtonBox>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <initializer_list>
#include <utility>

// Small helpers the windows share.
namespace Ui {

// A control with its given name, so tests and readers find it with findChild.
template <typename W, typename... Args>
W *named(const QString &name, Args &&...args)
{
    auto *w = new W(std::forward<Args>(args)...);
    w->setObjectName(name);
    return w;
}

// A push button with its caption and given name.
QPushButton *button(const QString &caption, const QString &name, QWidget *parent);

// A button box holding the buttons in order, each with its role (accept, reject, ...).
QDialogButtonBox *buttonBox(QWidget *parent,
                            std::initializer_list<std::pair<QPushButton *, QDialogButtonBox::ButtonRole>> buttons);

// Entering the field selects its whole text, so typing replaces it. Works for line edits and for
// editable combo boxes.
void selectAllOnFocus(QWidget *field);

// The busy (hourglass) pointer on a window until the command it started ends.
void setBusy(QWidget &window);
void clearBusy(QWidget &window);

// Closes a task window together with the workspace frame that holds it (or alone when it has none).
void closeTaskWindow(QWidget &window);

} // namespace Ui
