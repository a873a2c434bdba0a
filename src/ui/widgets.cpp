#include "widgets.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTimer>

namespace Ui {

namespace {

// One filter for every field: on focus-in the field's text is selected once the focus has settled
// (a mouse press would otherwise place the cursor and undo the selection).
class SelectAllFilter : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            if (auto *edit = qobject_cast<QLineEdit *>(watched))
                QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QPushButton *button(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QDialogButtonBox *buttonBox(QWidget *parent,
                            std::initializer_list<std::pair<QPushButton *, QDialogButtonBox::ButtonRole>> buttons)
{
    auto *box = new QDialogButtonBox(parent);
    for (const auto &[b, role] : buttons)
        box->addButton(b, role);
    return box;
}

void selectAllOnFocus(QWidget *field)
{
    QWidget *edit = field;
    if (auto *combo = qobject_cast<QComboBox *>(field); combo && combo->lineEdit())
        edit = combo->lineEdit();
    // The filter lives as long as the field.
    edit->installEventFilter(new SelectAllFilter(edit));
}

void setBusy(QWidget &window)
{
    window.setCursor(Qt::WaitCursor);
}

void clearBusy(QWidget &window)
{
    window.unsetCursor();
}

void closeTaskWindow(QWidget &window)
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(window.parentWidget()))
        frame->close();
    else
        window.close();
}

} // namespace Ui
