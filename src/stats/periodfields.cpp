#include "periodfields.h"

#include "statrequests.h"

#include "core/prompter.h"
#include "ui/widgets.h"

#include <QEvent>
#include <QFormLayout>
#include <QLineEdit>

using namespace Qt::StringLiterals;

const QString PeriodFields::NoDatesMessage = u"Please insert a value start and end date, try again!"_s;

namespace {
const QString kTitle = u"ZEL-Client"_s;
const QString kStart = u"Start Date"_s;
const QString kEnd = u"End Date"_s;
} // namespace

QString PeriodFields::invalidDateMessage(const QString &field)
{
    return u"'"_s + field + u"' is not a valid date, please enter it as dd.mm.yyyy and try again!"_s;
}

PeriodFields::PeriodFields(QWidget *window, QFormLayout *layout)
    : QObject(window)
    , m_start(Ui::named<QLineEdit>(u"Text1"_s, window))
    , m_end(Ui::named<QLineEdit>(u"Text2"_s, window))
{
    for (QLineEdit *box : {m_start, m_end}) {
        box->setPlaceholderText(Stats::shortDateFormat().toLower());
        Ui::selectAllOnFocus(box);
        box->installEventFilter(this);
    }
    layout->addRow(u"Start Date:"_s, m_start);
    layout->addRow(u"End Date:"_s, m_end);
}

bool PeriodFields::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_start || watched == m_end)) {
        auto *box = static_cast<QLineEdit *>(watched);
        if (const QDate date = Stats::parseDate(box->text()); date.isValid())
            box->setText(date.toString(Stats::shortDateFormat()));
    }
    return QObject::eventFilter(watched, event);
}

bool PeriodFields::check(Prompter &prompter, QDate *from, QDate *to) const
{
    if (m_start->text().trimmed().isEmpty() && m_end->text().trimmed().isEmpty()) {
        prompter.plain(kTitle, NoDatesMessage);
        m_start->setFocus();
        return false;
    }
    // Both ends of the period must be dates: a box left empty or mistyped would otherwise reach the
    // server as whatever its formatting yields.
    const std::pair<QLineEdit *, QString> boxes[] = {{m_start, kStart}, {m_end, kEnd}};
    for (const auto &[box, name] : boxes) {
        if (!Stats::parseDate(box->text()).isValid()) {
            prompter.plain(kTitle, invalidDateMessage(name));
            box->setFocus();
            return false;
        }
    }
    *from = Stats::parseDate(m_start->text());
    *to = Stats::parseDate(m_end->text());
    return true;
}
