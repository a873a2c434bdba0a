#pragma once

#include "core/actioncode.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// fProgress: the waiting window of a statistics walk, borderless in the middle of the screen. Besides
// its text it shows how far the walk has come, so that a user on a slow link sees it move.
class ProgressWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressWindow(QWidget *parent);

    // Shows the window for a new walk.
    void begin(ActionCode statistic);
    // `done` answers of `total` ("k of 135"); for the special walks `next` is the code asked next.
    void advance(ActionCode statistic, int done, int total, int next);

    QString stepText() const;

    static const QString WaitText;

private:
    void centre();

    QLabel *m_text;
    QLabel *m_step;
    QProgressBar *m_bar;
};
