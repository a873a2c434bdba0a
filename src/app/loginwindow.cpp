#include "loginwindow.h"

#include "logonexchange.h"
#include "core/session.h"
#include "link/wirecodec.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
const QString kTitle = u"ZEL-Client"_s;
const QString kInsertUserName = u"Please insert username."_s;
const QString kNoResponse = u"No response from 'LogonServer', please call service!"_s;
} // namespace

LoginWindow::LoginWindow(Session &session, Prompter &prompter, const QString &appFolder, ConfigStep showConfig,
                         QWidget *parent)
    : QDialog(parent)
    , m_session(session)
    , m_prompter(prompter)
    , m_appFolder(appFolder)
{
    setObjectName(u"fLogin"_s);
    setWindowTitle(u"Login"_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setModal(true);

    auto *menuBar = new QMenuBar(this);
    QMenu *edit = menuBar->addMenu(u"&Edit"_s);
    QAction *config = edit->addAction(u"Configuration"_s);
    config->setObjectName(u"mnuConfig"_s);
    connect(config, &QAction::triggered, this, [showConfig = std::move(showConfig)] {
        if (showConfig)
            showConfig();
    });

    m_userName = new QLineEdit(this);
    m_userName->setObjectName(u"txtUserName"_s);
    m_password = new QLineEdit(this);
    m_password->setObjectName(u"txtPassword"_s);
    m_password->setEchoMode(QLineEdit::Password);
    m_userName->installEventFilter(this);
    m_password->installEventFilter(this);

    auto *form = new QFormLayout;
    form->addRow(u"Username:"_s, m_userName);
    form->addRow(u"Password:"_s, m_password);
    m_userName->setMinimumWidth(200);

    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setObjectName(u"cmdOK"_s);
    m_ok->setDefault(true);
    auto *cancel = new QPushButton(u"Cancel"_s, this);
    cancel->setObjectName(u"cmdCancel"_s);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(m_ok, &QPushButton::clicked, this, &LoginWindow::onOk);
    connect(cancel, &QPushButton::clicked, this, &LoginWindow::onCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());

    m_ws = new LogonExchange(this);
    connect(m_ws, &LogonExchange::answered, this, &LoginWindow::onAnswer);
    connect(m_ws, &LogonExchange::noResponse, this, &LoginWindow::onNoResponse);

    // Load: the last user is offered; nobody is logged on and no right is granted yet.
    if (m_session.UserName.isEmpty()) {
        QFile file(userFilePath(m_appFolder));
        if (file.open(QIODevice::ReadOnly)) {
            const QString first = WireCodec::decode(file.readLine()).remove(u'\r').remove(u'\n');
            m_session.UserName = first;
        }
    }
    m_userName->setText(m_session.UserName);
    m_session.LoggedIn = LoginState::LoggedOff;
    m_session.RightUtilities = false;
    m_session.RightStatistics = false;
}

QString LoginWindow::userFilePath(const QString &appFolder)
{
    return QDir(appFolder).filePath(u"User"_s);
}

bool LoginWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !m_userName->text().isEmpty())
        m_password->setFocus(Qt::OtherFocusReason);
    return QDialog::event(event);
}

bool LoginWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Entering a field selects its whole text, so typing replaces it.
    if (event->type() == QEvent::FocusIn) {
        if (auto *edit = qobject_cast<QLineEdit *>(watched))
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

LogonProtocol::Request LoginWindow::request(const QString &password) const
{
    return {m_typedName, password, QString(), QString::fromLatin1(LogonProtocol::LoginApplication),
            LogonProtocol::computerName()};
}

void LoginWindow::onOk()
{
    if (m_userName->text().isEmpty()) {
        m_prompter.warning(kTitle, kInsertUserName);
        return;
    }
    m_typedName = m_userName->text();
    m_checkingRights = false;
    m_ws->start(m_session.ServerHost, m_session.settings.LogonPort, LogonProtocol::pieces(request(m_password->text())));
}

void LoginWindow::onCancel()
{
    m_ws->close();
    m_session.LoggedIn = LoginState::LoggedOff;
    reject();
}

void LoginWindow::onNoResponse()
{
    // Also when the rights query went unanswered: a login without its rights is no login.
    m_session.LoggedIn = LoginState::LoggedOff;
    m_prompter.error(kTitle, kNoResponse);
    reject();
}

void LoginWindow::onAnswer(const QByteArray &text)
{
    using LogonProtocol::Outcome;
    if (m_checkingRights) {
        m_ws->close();
        const LogonProtocol::Rights rights = LogonProtocol::readRights(WireCodec::decode(text));
        m_session.RightUtilities = rights.utilities;
        m_session.RightStatistics = rights.statistics;
        writeUserFile();
        accept();
        return;
    }
    const LogonProtocol::Reaction reaction = LogonProtocol::loginReaction(LogonProtocol::readAnswer(text));
    if (reaction.outcome == Outcome::Accepted) {
        m_session.LoggedIn = LoginState::LoggedOn;
        m_session.UserName = m_typedName;
        m_checkingRights = true;
        m_ws->send(LogonProtocol::pieces(request(QString::fromLatin1(LogonProtocol::RightsQueryMarker))));
        return;
    }
    m_ws->close();
    if (reaction.outcome == Outcome::PasswordEmpty) {
        m_session.LoggedIn = LoginState::PasswordMustChange;
        m_session.UserName = m_typedName;
    }
    if (!reaction.message.isEmpty())
        m_prompter.show(reaction.icon, kTitle, reaction.message);
    if (reaction.outcome == Outcome::Stays)
        return;
    if (reaction.outcome == Outcome::PasswordEmpty)
        accept();
    else
        reject();
}

void LoginWindow::writeUserFile() const
{
    // A name that cannot be written is simply not offered next time.
    QSaveFile file(userFilePath(m_appFolder));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(WireCodec::encode(QString(m_session.UserName + u"\r\n"_s)));
        file.commit();
    }
}
