#pragma once

#include "ui/taskdesk.h"

#include <QDialog>

class QLineEdit;

// frmDelApp: clears out old appointments on the server, all those before today (DELAPP) or those
// of today that began before a time (DELAPP2), and shows how many went. It stays open after
// either; its close box closes it.
class DeleteAppointmentsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DeleteAppointmentsDialog(const TaskContext &context, QWidget *parent = nullptr);

    static const QString Caption;

private:
    void onDeleteOlder();
    void onDeleteBefore();

    TaskContext m_context;
    QLineEdit *m_time = nullptr;
};
