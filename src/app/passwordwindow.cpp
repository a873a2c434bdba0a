#include "passwordwindow.h"

#include "logonexchange.h"
#include "logonprotocol.h"
#include "core/session.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
const QString kTitle = u"ZEL-Client"_s;
const QString kMismatch = u"New password and password-confirmation must be the same!"_s;
const QString kNoResponse = u"No response from 'LogonServer', please call service!"_s;

QLineEdit *passwordField(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMinimumWidth(200);
    return edit;
}
} // namespace

PasswordWindow::PasswordWindow(Session &session, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
    , m_prompter(prompter)
{
    setObjectName(u"fPwdChange"_s);
    setWindowTitle(u"Change password"_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setModal(true);

    m_old = passwordField(this, u"txtOldPassword"_s);
    m_new = passwordField(this, u"txtPassword"_s);
    m_confirm = passwordField(this, u"txtPassword2"_s);
    auto *form = new QFormLayout;
    form->addRow(u"Old Password:"_s, m_old);
    form->addRow(u"New Password:"_s, m_new);
    form->addRow(u"Confirm Password:"_s, m_confirm);

    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setObjectName(u"cmdOK"_s);
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    auto *cancel = new QPushButton(u"Cancel"_s, this);
    cancel->setObjectName(u"cmdCancel"_s);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(m_ok, &QPushButton::clicked, this, &PasswordWindow::onOk);
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_ws->close();
        m_session.LoggedIn = LoginState::LoggedOff;
        reject();
    });
    connect(m_new, &QLineEdit::textChanged, this, &PasswordWindow::updateOk);
    connect(m_confirm, &QLineEdit::textChanged, this, &PasswordWindow::updateOk);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_ws = new LogonExchange(this);
    connect(m_ws, &LogonExchange::answered, this, &PasswordWindow::onAnswer);
    connect(m_ws, &LogonExchange::noResponse, this, [this] {
        m_prompter.error(kTitle, kNoResponse);
        reject();
    });

    m_session.LoggedIn = LoginState::LoggedOff;
}

void PasswordWindow::updateOk()
{
    m_ok->setEnabled(!m_new->text().isEmpty() && !m_confirm->text().isEmpty());
}

void PasswordWindow::onOk()
{
    if (m_new->text() != m_confirm->text()) {
        m_prompter.warning(kTitle, kMismatch);
        m_new->clear();
        m_confirm->clear();
        m_new->setFocus(Qt::OtherFocusReason);
        return;
    }
    LogonProtocol::Request request{m_session.UserName, m_old->text(), m_new->text(),
                                   QString::fromLatin1(LogonProtocol::PasswordApplication),
                                   LogonProtocol::computerName()};
    m_ws->start(m_session.ServerHost, m_session.settings.LogonPort, LogonProtocol::pieces(request));
}

void PasswordWindow::onAnswer(const QByteArray &text)
{
    using LogonProtocol::Outcome;
    m_ws->close();
    const LogonProtocol::Reaction reaction = LogonProtocol::passwordReaction(LogonProtocol::readAnswer(text));
    if (reaction.outcome == Outcome::Accepted || reaction.outcome == Outcome::Changed)
        m_session.LoggedIn = LoginState::LoggedOn;
    else if (reaction.outcome == Outcome::MustChangeEnds)
        m_session.LoggedIn = LoginState::PasswordMustChange;
    if (!reaction.message.isEmpty())
        m_prompter.show(reaction.icon, kTitle, reaction.message);
    if (reaction.outcome == Outcome::Stays)
        return;
    if (m_session.LoggedIn == LoginState::LoggedOn)
        accept();
    else
        reject();
}
