#pragma once

#include <QString>

// Every message box and question of the program goes through this interface, so that tests can record
// what would have been shown and answer questions from a script.
class Prompter
{
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Answer { Ok, Cancel, Yes, No };
    // YesNoDefaultNo: a question whose cautious answer, "No", is also the one Return gives.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };

    virtual ~Prompter() = default;

    virtual void show(Icon icon, const QString &title, const QString &text) = 0;
    virtual Answer ask(Icon icon, const QString &title, const QString &text, Buttons buttons) = 0;

    void information(const QString &title, const QString &text) { show(Icon::Information, title, text); }
    void warning(const QString &title, const QString &text) { show(Icon::Warning, title, text); }
    void error(const QString &title, const QString &text) { show(Icon::Error, title, text); }
    void plain(const QString &title, const QString &text) { show(Icon::None, title, text); }
};
