#pragma once

#include "ui/taskdesk.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class XRayPoolDatabase;

// frmXrayNo: creates a range of new free X-ray numbers directly in the department's database
// (tblXRay over ODBC), skipping numbers an examination uses or the pool holds already. The label x1
// shows the number last created while the range runs; the window stays responsive.
class XRayNoDialog : public QDialog
{
    Q_OBJECT

public:
    explicit XRayNoDialog(const TaskContext &context, QWidget *parent = nullptr);
    ~XRayNoDialog() override;

    static const QString Caption;

protected:
    void reject() override;

private:
    void load();
    void onCreate();

    TaskContext m_context;
    std::unique_ptr<XRayPoolDatabase> m_database;
    QLineEdit *m_start = nullptr;
    QLineEdit *m_end = nullptr;
    QPushButton *m_create = nullptr;
    QLabel *m_last = nullptr;
    bool m_running = false;
    bool m_stop = false;
};
