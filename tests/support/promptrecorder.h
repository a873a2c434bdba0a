#pragma once

#include "core/prompter.h"

#include <QList>
#include <QString>

#include <functional>

// Records every box the code under test would show and answers questions from a script.
class PromptRecorder : public Prompter
{
public:
    struct Shown
    {
        Icon icon;
        QString title;
        QString text;
        Buttons buttons = Buttons::Ok; // of a question
    };

    void show(Icon icon, const QString &title, const QString &text) override
    {
        shown.append({icon, title, text});
        if (onShow)
            onShow(shown.last());
    }

    Answer ask(Icon icon, const QString &title, const QString &text, Buttons buttons) override
    {
        shown.append({icon, title, text, buttons});
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }

    QList<Shown> shown;
    QList<Answer> answers;
    std::function<void(const Shown &)> onShow; // runs inside the box's call, as a modal box would
};
