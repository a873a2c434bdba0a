#include "proclistdialog.h"

#include "examstate.h"

#include "core/hosts.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString ProcListDialog::Caption = u"Select Procedure"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kChooseFromList = u"Please choose a procedure of the list: the text in 'Procedure:' matches none."_s;

QLineEdit *lockedField(const QString &name, QWidget *parent)
{
    auto *field = Ui::named<QLineEdit>(name, parent);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    QPalette grey = field->palette();
    grey.setColor(QPalette::Base, QColor(0xE0, 0xE0, 0xE0));
    field->setPalette(grey);
    return field;
}

} // namespace

ProcListDialog::ProcListDialog(const TaskContext &context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_context(context)
{
    setObjectName(u"fProclist"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());
    setModal(true);
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xE4, 0xE4, 0xE4));
    setPalette(grey);

    m_xrayNo = lockedField(u"StudyID"_s, this);
    m_folderNo = lockedField(u"PATID1"_s, this);
    m_procedure = Ui::named<QComboBox>(u"Procedure"_s, this);
    m_procedure->setEditable(true);
    m_procedure->setInsertPolicy(QComboBox::NoInsert);
    m_procedure->setCompleter(nullptr); // typing selects only an exact match
    m_procedure->setMinimumWidth(380);
    m_code = lockedField(u"Code"_s, this);
    m_code->setMaximumWidth(120);

    m_ok = Ui::button(u"OK"_s, u"cmdOK"_s, this);
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    auto *cancel = Ui::button(u"Cancel"_s, u"cmdCancel"_s, this);
    cancel->setAutoDefault(false);

    auto *form = new QFormLayout;
    form->addRow(u"XRay No:"_s, m_xrayNo);
    form->addRow(u"Folder No"_s, m_folderNo);
    form->addRow(u"Procedure:"_s, m_procedure);
    form->addRow(u"Code:"_s, m_code);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addLayout(form);
    layout->addWidget(Ui::buttonBox(this, {{m_ok, QDialogButtonBox::AcceptRole}, {cancel, QDialogButtonBox::RejectRole}}));

    connect(m_procedure, &QComboBox::editTextChanged, this, &ProcListDialog::onTextChanged);
    // A choice from the list changes the text, which selects the entry (onTextChanged).
    connect(m_code, &QLineEdit::textChanged, this, [this](const QString &code) { m_ok->setEnabled(!code.isEmpty()); });
    connect(m_ok, &QPushButton::clicked, this, &ProcListDialog::onOk);
    // Escape answers "Cancel" (QDialog's reject), never "OK".
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_context.link, &CommandLink::busyEnded, this, [this] { unsetCursor(); });

    // Loading.
    if (const ProcedurePickHost *owner = ownerHost<ProcedurePickHost>(m_context.session)) {
        m_xrayNo->setText(owner->pickXRayNumber());
        m_folderNo->setText(owner->pickFolderNumber());
    }
    m_context.session.TargetWindow = this;
    Ui::setBusy(*this);
    m_context.link.StartCommand(Command::PROCLIST);
}

ProcListDialog::~ProcListDialog() = default;

void ProcListDialog::addProcedureRecords(const RecordBatch &records)
{
    m_procedure->blockSignals(true);
    const QString typed = m_procedure->currentText();
    for (const Record &r : records) {
        if (r.size() < 6)
            continue;
        bool ok = false;
        const int id = r.at(0).toInt(&ok);
        m_procedure->addItem(r.at(1) + u'|' + r.at(5), ok ? QVariant(id) : QVariant());
    }
    // Entries arriving leave what the user typed as it was.
    if (m_procedure->currentIndex() >= 0 && m_procedure->itemText(m_procedure->currentIndex()) != typed)
        m_procedure->setCurrentIndex(-1);
    m_procedure->setEditText(typed);
    m_procedure->blockSignals(false);
}

void ProcListDialog::procedureListComplete() {}

void ProcListDialog::setProcedureCode(const QString &code)
{
    m_code->setText(code);
}

void ProcListDialog::onTextChanged(const QString &text)
{
    if (text.isEmpty()) {
        m_procedure->blockSignals(true);
        m_procedure->setCurrentIndex(-1);
        m_procedure->setEditText(QString());
        m_procedure->blockSignals(false);
        m_code->clear();
        return;
    }
    const int match = m_procedure->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (match < 0)
        return;
    m_procedure->blockSignals(true);
    m_procedure->setCurrentIndex(match);
    m_procedure->blockSignals(false);
    onSelected(match);
}

void ProcListDialog::onSelected(int index)
{
    if (index < 0)
        return;
    bool ok = false;
    const int id = m_procedure->itemData(index).toInt(&ok);
    if (!ok)
        return;
    Ui::setBusy(*this);
    m_context.session.TargetWindow = this;
    m_context.session.state<ExamState>().ProcedureId = id;
    m_context.link.StartCommand(Command::PROCCODE);
}

void ProcListDialog::onOk()
{
    // The entry the text names: a code fetched for an entry whose text was typed away since belongs
    // to no entry.
    const int index = m_procedure->findText(m_procedure->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0 || m_code->text().isEmpty()) {
        m_context.prompter.warning(kTitle, kChooseFromList);
        return;
    }
    if (ProcedurePickHost *owner = ownerHost<ProcedurePickHost>(m_context.session)) {
        owner->procedurePicked({m_xrayNo->text(), m_folderNo->text(), m_procedure->itemText(index), m_code->text(),
                                m_procedure->itemData(index).toString(), {}});
    }
    accept();
}
