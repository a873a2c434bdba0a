#pragma once

#include "core/prompter.h"

// The program's message boxes: QMessageBox, modal over the window the user works in.
class MessageBoxPrompter : public Prompter
{
public:
    void show(Icon icon, const QString &title, const QString &text) override;
    Answer ask(Icon icon, const QString &title, const QString &text, Buttons buttons) override;
};
