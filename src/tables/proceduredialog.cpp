#include "proceduredialog.h"

#include "ui/widgets.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString ProcedureDialog::Caption = u"Procedure"_s;

namespace {

QPlainTextEdit *textBox(const QString &name, QWidget *parent)
{
    auto *box = Ui::named<QPlainTextEdit>(name, parent);
    // Tab moves on, as in the other boxes; Return starts a new line.
    box->setTabChangesFocus(true);
    box->setMinimumHeight(box->fontMetrics().lineSpacing() * 3 + 12);
    return box;
}

} // namespace

ProcedureDialog::ProcedureDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"fUtilAddEditProcedure"_s);
    setWindowTitle(Caption);

    m_code = Ui::named<QLineEdit>(u"ICD9Code"_s, this);
    m_description = textBox(u"ICD9Description"_s, this);
    m_spInvHead = Ui::named<QLineEdit>(u"SpInvHead"_s, this);
    m_spInv = Ui::named<QLineEdit>(u"SpInv"_s, this);
    m_investType = textBox(u"InvestType"_s, this);
    m_id = Ui::named<QLineEdit>(u"ICD9ID"_s, this);
    m_id->setToolTip(u"ID"_s);
    m_id->setFixedWidth(m_id->fontMetrics().horizontalAdvance(u"0000000"_s) + 12);
    m_id->setAlignment(Qt::AlignRight);

    m_ok = Ui::button(u"OK"_s, u"cmdOK"_s, this);
    m_ok->setDefault(true);
    auto *cancel = Ui::button(u"Cancel"_s, u"cmdCancel"_s, this);

    const int numberWidth = m_spInv->fontMetrics().horizontalAdvance(u"00000000"_s) + 12;
    m_spInvHead->setFixedWidth(numberWidth);
    m_spInv->setFixedWidth(numberWidth);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->addWidget(new QLabel(u"Code:"_s, this), 0, 0);
    grid->addWidget(m_code, 0, 1, 1, 3);
    grid->addWidget(m_id, 0, 4, Qt::AlignRight);
    grid->addWidget(new QLabel(u"Description:"_s, this), 1, 0, Qt::AlignTop);
    grid->addWidget(m_description, 1, 1, 1, 4);
    grid->addWidget(new QLabel(u"SpInvHead:"_s, this), 2, 0);
    grid->addWidget(m_spInvHead, 2, 1);
    grid->addWidget(new QLabel(u"SpInv:"_s, this), 2, 2, Qt::AlignRight);
    grid->addWidget(m_spInv, 2, 3, Qt::AlignLeft);
    grid->addWidget(new QLabel(u"Description:"_s, this), 3, 0, Qt::AlignTop);
    grid->addWidget(m_investType, 3, 1, 1, 4);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(3, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->addLayout(grid, 1);
    layout->addWidget(Ui::buttonBox(this, {{m_ok, QDialogButtonBox::AcceptRole}, {cancel, QDialogButtonBox::RejectRole}}));
    // The text boxes would ask for far more room than three lines each.
    resize(std::max(minimumSizeHint().width(), 456), std::max(minimumSizeHint().height(), 300));

    connect(m_code, &QLineEdit::textChanged, this, &ProcedureDialog::updateOk);
    connect(m_description, &QPlainTextEdit::textChanged, this, &ProcedureDialog::updateOk);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (m_ok->isEnabled())
            emit saveRequested();
    });
    // Escape cancels too: QDialog rejects on it.
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateOk();
}

void ProcedureDialog::showEntry(const ProcedureEntry &entry)
{
    m_code->setText(entry.code);
    m_description->setPlainText(entry.description);
    m_spInvHead->setText(entry.spInvHead);
    m_spInv->setText(entry.spInv);
    m_investType->setPlainText(entry.investType);
    m_id->setText(entry.id);
}

ProcedureEntry ProcedureDialog::entry() const
{
    return {m_id->text(), m_code->text(), m_description->toPlainText(), m_spInvHead->text(), m_spInv->text(),
            m_investType->toPlainText()};
}

void ProcedureDialog::setSaving(bool saving)
{
    m_saving = saving;
    if (saving)
        Ui::setBusy(*this);
    else
        Ui::clearBusy(*this);
    updateOk();
}

void ProcedureDialog::updateOk()
{
    m_ok->setEnabled(!m_saving && !m_code->text().isEmpty() && !m_description->toPlainText().isEmpty());
}
