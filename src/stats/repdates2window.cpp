#include "repdates2window.h"

#include "periodfields.h"
#include "statrequests.h"
#include "statsstate.h"

#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString RepDates2Window::Caption = u"Select Procedure"_s;
const QString RepDates2Window::NoProcedureMessage = u"Please enter a Pocedure, try again!"_s;

namespace {
const QString kTitle = u"ZEL-Client"_s;
constexpr int kProcedureFields = 6;
} // namespace

RepDates2Window::RepDates2Window(TaskDesk &desk, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_desk(desk)
    , m_context(desk.context())
{
    setObjectName(u"fRepDates2"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *form = new QFormLayout;
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    m_period = new PeriodFields(this, form);
    m_procedure = Ui::named<QComboBox>(u"Procedure"_s, this);
    m_procedure->setEditable(true);
    m_procedure->setInsertPolicy(QComboBox::NoInsert);
    m_procedure->setMinimumWidth(340);
    m_procedure->setMaxVisibleItems(20);
    // Typing selects an entry only when the text is the entry's whole text, in the same case.
    m_procedure->setCompleter(nullptr);
    Ui::selectAllOnFocus(m_procedure);
    m_code = Ui::named<QLineEdit>(u"Code"_s, this);
    m_code->setReadOnly(true);
    m_code->setMaximumWidth(120);
    form->addRow(u"Procedure:"_s, m_procedure);
    form->addRow(u"Code:"_s, m_code);

    auto *select = Ui::button(u"Select Procedure"_s, u"cmdSelect"_s, this);
    select->setAutoDefault(false);
    auto *accept = Ui::button(u"Accept"_s, u"cmdOk"_s, this);
    accept->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(14);
    layout->addLayout(form);
    layout->addWidget(Ui::buttonBox(this, {{select, QDialogButtonBox::ActionRole}, {accept, QDialogButtonBox::AcceptRole}}));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_procedure, &QComboBox::currentIndexChanged, this, &RepDates2Window::onChoose);
    connect(m_procedure->lineEdit(), &QLineEdit::textEdited, this, &RepDates2Window::onTyped);
    connect(accept, &QPushButton::clicked, this, &RepDates2Window::onAccept);
    connect(&m_context.link, &CommandLink::busyEnded, this, &RepDates2Window::onCommandEnded);
}

void RepDates2Window::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    QTimer::singleShot(0, m_period->startBox(), [box = m_period->startBox()] { box->setFocus(); });
    if (std::exchange(m_loaded, true))
        return;
    // Load: the procedure list, into this window.
    m_context.session.TargetWindow = this;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::PROCLIST);
}

void RepDates2Window::addProcedureRecords(const RecordBatch &records)
{
    // Adding entries chooses nothing and keeps what the user has typed meanwhile.
    const int chosen = m_procedure->currentIndex();
    const QString typed = m_procedure->currentText();
    const QSignalBlocker quiet(m_procedure);
    m_procedure->setUpdatesEnabled(false);
    for (const Record &fields : records) {
        // A record the server cut short is of no use here.
        if (fields.size() < kProcedureFields)
            continue;
        m_procedure->addItem(fields.at(1) + u'|' + fields.at(5), fields.at(0).toInt());
    }
    if (m_procedure->currentIndex() != chosen) {
        m_procedure->setCurrentIndex(chosen);
        m_procedure->setEditText(typed);
    }
    m_procedure->setUpdatesEnabled(true);
}

void RepDates2Window::procedureListComplete()
{
    unsetCursor();
}

void RepDates2Window::onCommandEnded()
{
    unsetCursor();
}

void RepDates2Window::onChoose(int index)
{
    if (index < 0)
        return;
    const QString entry = m_procedure->itemText(index);
    const qsizetype bar = entry.indexOf(u'|');
    m_code->setText(bar < 0 ? QString() : entry.mid(bar + 1));
    m_context.session.state<StatsState>().StatProcedureName = bar < 0 ? entry : entry.left(bar);
}

void RepDates2Window::onTyped(const QString &text)
{
    if (text.isEmpty()) {
        m_procedure->setCurrentIndex(-1);
        m_code->clear();
        return;
    }
    const int index = m_procedure->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return;
    const int cursor = m_procedure->lineEdit()->cursorPosition();
    m_procedure->setCurrentIndex(index);
    m_procedure->lineEdit()->setCursorPosition(cursor);
}

void RepDates2Window::onAccept()
{
    QDate from;
    QDate to;
    if (!m_period->check(m_context.prompter, &from, &to))
        return;
    // A typed text that matches no entry has no code: asking for it would only count nothing.
    if (m_procedure->currentText().isEmpty() || m_code->text().isEmpty()) {
        m_context.prompter.plain(kTitle, NoProcedureMessage);
        m_procedure->setFocus();
        return;
    }
    StatsState &state = m_context.session.state<StatsState>();
    state.StatDateFrom = Stats::isoDate(from);
    state.StatDateTo = Stats::isoDate(to);
    state.StatProcedureCode = m_code->text();
    m_desk.setBusy();
    m_context.link.StartCommand(Command::STAT00393);
    close();
}
