#include "xraynodialog.h"

#include "xraypool.h"

#include "core/prompter.h"
#include "core/session.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString XRayNoDialog::Caption = u"Create Xray Numbers"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kFailureTitle = u"Insert"_s;
const QString kNotInserted = u"Recordset not inserted"_s;
const QString kDone = u"Done"_s;

// A whole number as typed; nothing for anything else.
std::optional<std::int64_t> wholeNumber(const QString &text)
{
    bool ok = false;
    const std::int64_t value = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(value) : std::nullopt;
}

} // namespace

XRayNoDialog::XRayNoDialog(const TaskContext &context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_context(context)
    , m_database(std::make_unique<XRayPoolDatabase>(
          XRayPoolSettings::read(context.appFolder).connectionText(context.session.ServerHost)))
{
    setObjectName(u"frmXrayNo"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());
    setModal(true);

    m_start = Ui::named<QLineEdit>(u"txtStart"_s, this);
    m_end = Ui::named<QLineEdit>(u"txtEnd"_s, this);
    m_create = Ui::button(u"Create XRay Numbers"_s, u"Command1"_s, this);
    m_create->setDefault(true);
    m_last = Ui::named<QLabel>(u"x1"_s, this);
    m_last->setMinimumWidth(90);
    QFont bold = m_last->font();
    bold.setBold(true);
    m_last->setFont(bold);

    auto *form = new QFormLayout;
    form->addRow(u"Start :"_s, m_start);
    form->addRow(u"End :"_s, m_end);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(12);
    layout->addLayout(form);
    layout->addWidget(m_create);
    layout->addWidget(m_last, 0, Qt::AlignHCenter);
    setFixedWidth(300);

    connect(m_create, &QPushButton::clicked, this, &XRayNoDialog::onCreate);
    load();
}

XRayNoDialog::~XRayNoDialog() = default;

void XRayNoDialog::load()
{
    QString error;
    const std::optional<std::int64_t> highest = m_database->highestFree(&error);
    if (!highest) {
        // The dialog stays open: the user sees why, and may type a range once the database is back.
        m_context.prompter.error(kFailureTitle, error);
        return;
    }
    // Without a free number there is nothing to continue from: the start is left to the user.
    m_start->setText(*highest > 0 ? QString::number(*highest + 1) : QString());
}

void XRayNoDialog::onCreate()
{
    if (m_running)
        return;
    const std::optional<std::int64_t> start = wholeNumber(m_start->text());
    const std::optional<std::int64_t> end = wholeNumber(m_end->text());
    if (!start || !end) {
        m_context.prompter.error(kFailureTitle, u"The value of '%1' is not a whole number: '%2'"_s.arg(
                                                    !start ? u"Start :"_s : u"End :"_s, !start ? m_start->text() : m_end->text()));
        return;
    }
    m_running = true;
    m_stop = false;
    m_create->setEnabled(false);
    const QPointer<XRayNoDialog> alive(this);
    XRayPoolDatabase::Progress progress;
    progress.notInserted = [this](std::int64_t) { m_context.prompter.error(kTitle, kNotInserted); };
    progress.inserted = [this](std::int64_t n) {
        m_last->setText(QString::number(n));
        m_last->repaint();
    };
    progress.keepGoing = [this, &alive] {
        // The label updates and the window answers while a long range runs.
        QCoreApplication::processEvents();
        return alive && !m_stop;
    };
    QString error;
    const XRayPoolDatabase::Result result = m_database->createRange(*start, *end, progress, &error);
    if (!alive)
        return;
    m_running = false;
    m_create->setEnabled(true);
    switch (result) {
    case XRayPoolDatabase::Result::Done:
        m_database->close();
        m_context.prompter.plain(kTitle, kDone);
        break;
    case XRayPoolDatabase::Result::Failed:
        m_context.prompter.error(kFailureTitle, error);
        break;
    case XRayPoolDatabase::Result::Stopped:
        break;
    }
}

void XRayNoDialog::reject()
{
    // Closing while a range runs stops it after the number in hand.
    m_stop = true;
    QDialog::reject();
}
