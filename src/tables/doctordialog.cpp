#include "doctordialog.h"

#include "ui/widgets.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString DoctorDialog::Caption = u"Radiologist"_s;

DoctorDialog::DoctorDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(u"fUtilAddEditDoctor"_s);
    setWindowTitle(Caption);

    m_doctor = Ui::named<QLineEdit>(u"Doctor"_s, this);
    m_doctor->setMinimumWidth(220);
    m_id = Ui::named<QLabel>(u"ID"_s, this);
    m_id->hide();
    m_ok = Ui::button(u"OK"_s, u"cmdOK"_s, this);
    m_ok->setDefault(true);
    auto *cancel = Ui::button(u"Cancel"_s, u"cmdCancel"_s, this);

    auto *field = new QHBoxLayout;
    field->setSpacing(8);
    field->addWidget(new QLabel(u"Doctor:"_s, this));
    field->addWidget(m_doctor, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->addLayout(field);
    layout->addWidget(Ui::buttonBox(this, {{m_ok, QDialogButtonBox::AcceptRole}, {cancel, QDialogButtonBox::RejectRole}}));
    setFixedSize(sizeHint());

    connect(m_doctor, &QLineEdit::textChanged, this, &DoctorDialog::updateOk);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (m_ok->isEnabled())
            emit saveRequested();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateOk();
}

void DoctorDialog::showEntry(const DoctorEntry &entry)
{
    m_doctor->setText(entry.name);
    m_id->setText(entry.id);
}

DoctorEntry DoctorDialog::entry() const
{
    return {m_id->text(), m_doctor->text()};
}

void DoctorDialog::setSaving(bool saving)
{
    m_saving = saving;
    if (saving)
        Ui::setBusy(*this);
    else
        Ui::clearBusy(*this);
    updateOk();
}

void DoctorDialog::updateOk()
{
    m_ok->setEnabled(!m_saving && !m_doctor->text().isEmpty());
}
