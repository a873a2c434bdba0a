#include "optiongroup.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

OptionGroup::OptionGroup(const QString &name, const QStringList &captions, Style style, QWidget *parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    setObjectName(name);
    m_group->setExclusive(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(style == Style::PushButtons ? 4 : 14);
    for (int i = 0; i < captions.size(); ++i) {
        QAbstractButton *b = nullptr;
        if (style == Style::PushButtons) {
            auto *push = new QPushButton(captions.at(i), this);
            push->setCheckable(true);
            push->setAutoDefault(false);
            b = push;
        } else {
            b = new QRadioButton(captions.at(i), this);
        }
        b->setObjectName(name + u'(' + QString::number(i) + u')');
        m_group->addButton(b, i);
        layout->addWidget(b);
    }
    layout->addStretch(1);
    connect(m_group, &QButtonGroup::idClicked, this, &OptionGroup::clicked);
}

int OptionGroup::index() const
{
    return m_group->checkedId();
}

void OptionGroup::setIndex(int index)
{
    if (QAbstractButton *b = m_group->button(index))
        b->setChecked(true);
}

QAbstractButton *OptionGroup::button(int index) const
{
    return m_group->button(index);
}

int OptionGroup::count() const
{
    return int(m_group->buttons().size());
}
