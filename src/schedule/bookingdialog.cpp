#include "bookingdialog.h"

#include "appointmentwindow.h"
#include "schedulestate.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
const QString kPatientNotANumber = u"The patient's ID '%1' is not a number; choose the patient again."_s;
const QString kInvalidDuration = u"Invalid Duration!"_s;
} // namespace

BookingDialog::BookingDialog(const TaskContext &context, AppointmentWindow &day, const QString &name,
                             const QString &caption, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
    , m_context(context)
    , m_state(context.session.state<ScheduleState>())
    , m_day(day)
{
    setObjectName(name);
    setWindowTitle(caption);
    setWindowIcon(QApplication::windowIcon());
    m_form = new QFormLayout;
    m_form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_ok = Ui::button(u"OK"_s, u"cmdOK"_s, this);
    m_ok->setDefault(true);
    m_cancel = Ui::button(u"Cancel"_s, u"cmdAbbrechen"_s, this);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // However the command ends (answered, refused, a time-out), the window can be used again.
    connect(&m_context.link, &CommandLink::busyEnded, this, [this] {
        unsetCursor();
        m_ok->setEnabled(okAllowed());
    });
}

QLineEdit *BookingDialog::addReadOnly(const QString &label, const QString &name)
{
    auto *edit = Ui::named<QLineEdit>(name, this);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    // Shown, not typed into: the read-only fields look it.
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
    m_form->addRow(label, edit);
    return edit;
}

void BookingDialog::addTimeDurationBodyPart()
{
    m_time = Ui::named<QComboBox>(u"Zeit"_s, this);
    m_time->setEditable(true);
    m_time->setInsertPolicy(QComboBox::NoInsert);
    m_time->setMaxVisibleItems(12);
    Ui::selectAllOnFocus(m_time);
    m_form->addRow(u"Time:"_s, m_time);

    m_duration = Ui::named<QComboBox>(u"Duration"_s, this);
    m_duration->setEditable(true);
    m_duration->setInsertPolicy(QComboBox::NoInsert);
    Ui::selectAllOnFocus(m_duration);
    m_form->addRow(u"Duration (min.):"_s, m_duration);

    m_bodyPart = Ui::named<QComboBox>(u"cboBodypart"_s, this);
    m_bodyPart->setEditable(true);
    m_bodyPart->setInsertPolicy(QComboBox::NoInsert);
    m_form->addRow(u"Bodypart:"_s, m_bodyPart);
}

void BookingDialog::addInformation()
{
    m_information = Ui::named<QPlainTextEdit>(u"Sonstiges"_s, this);
    m_information->setTabChangesFocus(true);
    m_information->setFixedHeight(64);
    // At most 255 characters, as the server keeps them; typing past that is refused.
    connect(m_information, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_information->toPlainText();
        if (text.size() <= InformationLimit)
            return;
        QTextCursor cursor = m_information->textCursor();
        const int position = std::min(cursor.position(), InformationLimit);
        m_information->setPlainText(text.left(InformationLimit));
        cursor = m_information->textCursor();
        cursor.setPosition(position);
        m_information->setTextCursor(cursor);
    });
    m_form->addRow(u"Additional Informations:"_s, m_information);
}

void BookingDialog::finishLayout(QWidget *extra)
{
    auto *buttons = Ui::buttonBox(this, {{m_ok, QDialogButtonBox::AcceptRole}, {m_cancel, QDialogButtonBox::RejectRole}});
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog frame
    layout->addLayout(m_form);
    if (extra)
        layout->addWidget(extra);
    layout->addWidget(buttons);
    for (QWidget *field : {static_cast<QWidget *>(m_time), static_cast<QWidget *>(m_duration),
                           static_cast<QWidget *>(m_bodyPart), static_cast<QWidget *>(m_information)}) {
        if (field)
            field->setMinimumWidth(170);
    }
}

void BookingDialog::addBodyPartEntries(const QStringList &parts)
{
    const QString typed = m_bodyPart->currentText();
    QStringList all;
    for (int i = 0; i < m_bodyPart->count(); ++i)
        all.append(m_bodyPart->itemText(i));
    all += parts;
    all.sort(Qt::CaseInsensitive);
    all.removeDuplicates();
    m_bodyPart->clear();
    m_bodyPart->addItems(all);
    // What the user (or the appointment) has in the box stays.
    m_bodyPart->setCurrentIndex(m_bodyPart->findText(typed));
    m_bodyPart->setEditText(typed);
}

void BookingDialog::fillDurations(int defaultMinutes, bool setText)
{
    const QString typed = m_duration->currentText();
    m_duration->clear();
    m_duration->addItems(durationChoices(defaultMinutes));
    m_duration->setEditText(setText ? QString::number(defaultMinutes) : typed);
}

std::optional<BookingDialog::Checked> BookingDialog::checkEntries(const Wording &wording)
{
    if (m_bodyPart->currentText().trimmed().isEmpty()) {
        m_context.prompter.error(wording.shortTitle, wording.noBodyPart);
        m_bodyPart->setFocus();
        return std::nullopt;
    }
    const TimeReading time = readTimeValue(m_time->currentText());
    if (!time.readable) {
        m_context.prompter.error(windowTitle(), time.failure);
        m_time->setFocus();
        return std::nullopt;
    }
    if (!time.hasColon) {
        m_context.prompter.error(wording.shortTitle, wording.noColon);
        m_time->setEditText(now());
        m_time->setFocus();
        return std::nullopt;
    }
    const DurationReading duration = readDuration(m_duration->currentText());
    if (!duration.minutes) {
        m_context.prompter.error(windowTitle(), duration.failure);
        m_duration->setFocus();
        return std::nullopt;
    }
    if (*duration.minutes <= 0) {
        m_context.prompter.error(wording.shortTitle, kInvalidDuration);
        m_duration->setEditText(u"30"_s);
        m_duration->setFocus();
        return std::nullopt;
    }
    return Checked{time.time, *duration.minutes};
}

bool BookingDialog::checkTyped(const QList<TypedText> &fields)
{
    const QString problem = sendingProblem(fields);
    if (problem.isEmpty())
        return true;
    m_context.prompter.warning(windowTitle(), problem);
    return false;
}

bool BookingDialog::checkPatientId(const QString &id)
{
    bool ok = false;
    if (id.toLongLong(&ok) > 0 && ok && !id.contains(u' ') && !id.contains(u'+'))
        return true;
    m_context.prompter.error(windowTitle(), kPatientNotANumber.arg(id));
    return false;
}

void BookingDialog::setBusy(bool busy)
{
    m_ok->setEnabled(!busy && okAllowed());
    if (busy)
        Ui::setBusy(*this);
    else
        unsetCursor();
}

QString BookingDialog::information() const
{
    return m_information->toPlainText();
}

QString BookingDialog::now() const
{
    return QTime::currentTime().toString(u"HH:mm"_s);
}
