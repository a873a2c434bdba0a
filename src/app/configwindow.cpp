#include "configwindow.h"

#include "clientini.h"
#include "core/prompter.h"
#include "core/session.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString kCaption = u"Configuration"_s;
const QString kSaved = u"Configuration saved!"_s;
const QString kNotSaved = u"The configuration could not be saved."_s;

QLineEdit *makeField(const QString &name, const QString &text, QWidget *parent)
{
    auto *field = new QLineEdit(text, parent);
    field->setObjectName(name);
    return field;
}

} // namespace

ConfigWindow::ConfigWindow(Settings &settings, Prompter &prompter, const QString &appFolder, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_prompter(prompter)
    , m_appFolder(appFolder)
{
    setObjectName(u"fConfig"_s);
    setWindowTitle(kCaption);
    setModal(true);

    auto *mainBox = new QGroupBox(u"Main ZelServer"_s, this);
    m_server = makeField(u"Server"_s, settings.MainServerHost, mainBox);
    m_port = makeField(u"Port"_s, QString::number(settings.MainServerPort), mainBox);
    m_timeout1 = makeField(u"Timeout1"_s, QString::number(settings.ConnectTimeout), mainBox);
    m_timeout2 = makeField(u"Timeout2"_s, QString::number(settings.CommandTimeout), mainBox);
    m_logPort = makeField(u"LogPort"_s, QString::number(settings.LogonPort), mainBox);
    m_check1 = new QCheckBox(mainBox);
    m_check1->setObjectName(u"Check1"_s);
    m_check1->setChecked(settings.UseAppSystem);

    auto *secondBox = new QGroupBox(u"Second ZelServer"_s, this);
    m_server2 = makeField(u"Server2"_s, settings.SecondServerHost, secondBox);
    m_port2 = makeField(u"Port2"_s, QString::number(settings.SecondServerPort), secondBox);

    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setObjectName(u"cmdOK"_s);
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    m_cancel = new QPushButton(u"Cancel"_s, this);
    m_cancel->setObjectName(u"cmdCancel"_s);

    // Host names need room; ports and time-outs are short numbers.
    m_server->setMinimumWidth(220);
    m_server2->setMinimumWidth(220);
    for (QLineEdit *number : {m_port, m_timeout1, m_timeout2, m_logPort, m_port2})
        number->setMaximumWidth(90);

    QList<QLabel *> labels;
    auto addRow = [&labels](QFormLayout *form, const QString &text, QWidget *field) {
        auto *label = new QLabel(text);
        label->setBuddy(field);
        labels.append(label);
        form->addRow(label, field);
    };

    auto *mainForm = new QFormLayout(mainBox);
    mainForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    addRow(mainForm, u"Server:"_s, m_server);
    addRow(mainForm, u"Port:"_s, m_port);
    addRow(mainForm, u"Connection-Timeout:"_s, m_timeout1);
    addRow(mainForm, u"Command-Timeout"_s, m_timeout2);
    addRow(mainForm, u"Logon-Port:"_s, m_logPort);
    addRow(mainForm, u"Use App. System:"_s, m_check1);

    auto *secondForm = new QFormLayout(secondBox);
    secondForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    addRow(secondForm, u"Server:"_s, m_server2);
    addRow(secondForm, u"Port:"_s, m_port2);

    // The same label column in both frames keeps the fields of the two servers aligned.
    int labelWidth = 0;
    for (QLabel *label : std::as_const(labels))
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    for (QLabel *label : std::as_const(labels))
        label->setMinimumWidth(labelWidth);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(mainBox);
    layout->addWidget(secondBox);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());

    // Only the four fields the server link cannot do without decide whether OK may be pressed.
    for (QLineEdit *watched : {m_server, m_port, m_timeout1, m_timeout2})
        connect(watched, &QLineEdit::textChanged, this, &ConfigWindow::updateOkButton);
    connect(m_ok, &QPushButton::clicked, this, &ConfigWindow::save);
    connect(m_cancel, &QPushButton::clicked, this, &ConfigWindow::reject);
}

void ConfigWindow::updateOkButton()
{
    // Besides being numbers, the values must fit their settings: the file written here must be one
    // that start-up can read back.
    m_ok->setEnabled(!m_server->text().trimmed().isEmpty()
                     && parseUserNumberAs<std::int32_t>(m_port->text()).has_value()
                     && parseUserNumberAs<std::int16_t>(m_timeout1->text()).has_value()
                     && parseUserNumberAs<std::int16_t>(m_timeout2->text()).has_value());
}

void ConfigWindow::save()
{
    // The file keeps the texts exactly as typed.
    const QStringList lines{m_server->text(),
                            m_port->text(),
                            m_timeout1->text(),
                            m_timeout2->text(),
                            m_logPort->text(),
                            m_check1->isChecked() ? u"1"_s : u"0"_s,
                            m_server2->text(),
                            m_port2->text()};
    const ClientIni::Result written = ClientIni::write(ClientIni::path(m_appFolder), lines);
    if (!written.ok()) {
        // The window stays open with everything typed, so the user can fix the cause and try again.
        m_prompter.error(windowTitle(), kNotSaved + u"\r\n\r\n"_s + written.text);
        return;
    }

    // Settings change only once the file holds them, so memory and file never disagree. A logon or
    // second port that is not a usable number keeps the setting's value.
    Settings &s = m_settings;
    s.MainServerHost = m_server->text();
    s.MainServerPort = parseUserNumberAs<std::int32_t>(m_port->text()).value_or(s.MainServerPort);
    s.ConnectTimeout = parseUserNumberAs<std::int16_t>(m_timeout1->text()).value_or(s.ConnectTimeout);
    s.CommandTimeout = parseUserNumberAs<std::int16_t>(m_timeout2->text()).value_or(s.CommandTimeout);
    s.LogonPort = parseUserNumberAs<std::int32_t>(m_logPort->text()).value_or(s.LogonPort);
    s.UseAppSystem = m_check1->isChecked();
    s.SecondServerHost = m_server2->text();
    s.SecondServerPort = parseUserNumberAs<std::int32_t>(m_port2->text()).value_or(s.SecondServerPort);

    m_prompter.information(windowTitle(), kSaved);
    accept();
}
