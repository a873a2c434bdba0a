#pragma once

#include <QDialog>

// fConfirm: asks the user to confirm the new examination before it is saved.
class ConfirmDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConfirmDialog(QWidget *parent = nullptr);

    // Shows the dialog modally; true when the user pressed "OK".
    static bool confirm(QWidget *parent);
};
