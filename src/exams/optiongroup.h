#pragma once

#include <QWidget>

class QAbstractButton;
class QButtonGroup;

// An option group: exclusive buttons of which one is set, by index. The group carries the group's
// name (optOH, optDep, ...), its buttons the name with their index ("optDep(1)"). Push-style groups
// show their buttons as push buttons.
class OptionGroup : public QWidget
{
    Q_OBJECT

public:
    enum class Style { Options, PushButtons };

    OptionGroup(const QString &name, const QStringList &captions, Style style, QWidget *parent = nullptr);

    // The index of the set button; -1 when none is set.
    int index() const;
    void setIndex(int index);
    QAbstractButton *button(int index) const;
    int count() const;

signals:
    // The user clicked a button.
    void clicked(int index);

private:
    QButtonGroup *m_group;
};
