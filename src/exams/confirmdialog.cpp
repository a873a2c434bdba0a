#include "confirmdialog.h"

#include "ui/widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QPushButton *colouredButton(const QString &caption, const QString &name, const QColor &colour, QWidget *parent)
{
    auto *b = Ui::button(caption, name, parent);
    QFont font = b->font();
    font.setPointSizeF(9.75);
    font.setBold(true);
    b->setFont(font);
    b->setMinimumSize(96, 32);
    b->setStyleSheet(u"QPushButton { background-color: %1; border: 1px solid #707070; border-radius: 3px; }"
                     u" QPushButton:focus { border: 2px solid #303030; }"_s.arg(colour.name()));
    return b;
}

} // namespace

ConfirmDialog::ConfirmDialog(QWidget *parent) : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(u"fConfirm"_s);
    setWindowTitle(u"ZelClient"_s);
    setModal(true);

    auto *label = Ui::named<QLabel>(u"lblConfirm"_s, u"Please confirm all data !"_s, this);
    QFont font = label->font();
    font.setPointSizeF(13.5);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);

    auto *ok = colouredButton(u"OK"_s, u"cmdConfirm"_s, QColor(128, 255, 128), this);
    auto *cancel = colouredButton(u"Cancel"_s, u"cmdCancel"_s, QColor(255, 128, 128), this);
    ok->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addSpacing(24);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 22, 28, 18);
    layout->setSpacing(20);
    layout->addWidget(label);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(340, 130)));

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool ConfirmDialog::confirm(QWidget *parent)
{
    ConfirmDialog dialog(parent);
    return dialog.exec() == QDialog::Accepted;
}
